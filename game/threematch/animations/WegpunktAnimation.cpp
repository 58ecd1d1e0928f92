#include "threematch/animations/WegpunktAnimation.h"

#include "graphics/sprites/D3DXSprite.h"
#include "threematch/animations/WegpunktVorlage.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameRandom.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ThreeMatch {

namespace {

// Truncation towards zero into a pixel coordinate, saturated for hostile sizes.
LONG toPixel(double value)
{
    constexpr double high = std::numeric_limits<LONG>::max(), low = std::numeric_limits<LONG>::min();
    if (std::isnan(value))
        return 0;
    return static_cast<LONG>(std::clamp(std::trunc(value), low, high));
}

} // namespace

WegpunktAnimation::WegpunktAnimation(const WegpunktVorlage& vorlage, const RECT& rect, bool hidden, double startDelay)
    : m_vorlage(vorlage), m_rect(rect), m_hidden(hidden), m_startDelay(startDelay)
{
    const double frames = randomFraction() * vorlage.getAnimFramesRand() + vorlage.getAnimFrames();
    m_framesToPlay = toInt(frames);
    m_speed = randomFraction() * vorlage.getSpeedRand() + vorlage.getSpeed();
    const int range = vorlage.getStartFrameRange();
    m_startFrame = range >= 2 ? crt_rand() % range : 0;
    m_wegpunkte = vorlage.getWegpunkte();
    m_pathFinished = m_wegpunkte.empty();
    if (!m_wegpunkte.empty()) {
        m_x = m_previousX = m_wegpunkte.front().x;
        m_y = m_previousY = m_wegpunkte.front().y;
    }
}

void WegpunktAnimation::update(double dt, double realDt)
{
    if (m_startDelay > 0.0) {
        m_startDelay -= dt;
        if (m_startDelay > 0.0)
            return;
    }
    m_frameClock += m_speed * realDt;
    if (m_wegpunkte.empty())
        return;
    const Wegpunkt& next = m_wegpunkte.front();
    m_pathTime += dt;
    // A point reached in no time is reached at once.
    const double t = next.dauer > 0.0 ? std::clamp(m_pathTime / next.dauer, 0.0, 1.0) : 1.0;
    m_x = toFloat(m_previousX + (static_cast<double>(next.x) - m_previousX) * t);
    m_y = toFloat(m_previousY + (static_cast<double>(next.y) - m_previousY) * t);
    if (m_pathTime > next.dauer) {
        m_x = m_previousX = next.x;
        m_y = m_previousY = next.y;
        m_pathTime = m_wegpunkte.size() >= 2 ? m_pathTime - next.dauer : 0.0;
        m_wegpunkte.erase(m_wegpunkte.begin());
        m_pathFinished = m_wegpunkte.empty();
    }
}

bool WegpunktAnimation::isFinished() const
{
    return m_framesToPlay >= 1 && m_frameClock > m_framesToPlay && m_pathFinished;
}

void WegpunktAnimation::render(Ulvo::D3DXSprite& sprite, float offsetX, float offsetY, double scale,
                               D3DCOLOR colour) const
{
    if (!m_hidden)
        draw(sprite, offsetX, offsetY, scale, colour);
}

RECT WegpunktAnimation::destination(float offsetX, float offsetY, double scale) const
{
    // The rectangle follows the view; the path position is added unscaled.
    const double px = toPixel(m_x), py = toPixel(m_y);
    RECT r;
    r.left = toPixel(toPixel((m_rect.left + offsetX) * scale) + px);
    r.top = toPixel(toPixel((m_rect.top + offsetY) * scale) + py);
    r.right = toPixel(toPixel((m_rect.right + offsetX) * scale) + px);
    r.bottom = toPixel(toPixel((m_rect.bottom + offsetY) * scale) + py);
    return r;
}

bool WegpunktAnimation::drawnRect(float offsetX, float offsetY, double scale, RECT& rect) const
{
    if (m_hidden || m_startDelay > 0.0 || !m_vorlage.getTexture())
        return false;
    rect = destination(offsetX, offsetY, scale);
    return true;
}

void WegpunktAnimation::draw(Ulvo::D3DXSprite& sprite, float offsetX, float offsetY, double scale,
                             D3DCOLOR colour) const
{
    if (m_startDelay > 0.0 || !m_vorlage.getTexture())
        return;
    const long long frame = toLongLong(std::clamp(m_frameClock, -1e15, 1e15)) + m_startFrame;
    const RECT source = m_vorlage.getGrid().frameRect(frame);
    sprite.drawRegion(m_vorlage.getTexture(), &source, destination(offsetX, offsetY, scale), Ulvo::SDP_SCALE,
                      Ulvo::SDP_SCALE, colour);
}

} // namespace ThreeMatch
