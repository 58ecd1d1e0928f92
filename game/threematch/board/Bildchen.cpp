#include "threematch/board/Bildchen.h"

#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/board/Feld.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/stones/Rohstoff.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

// The marking pulse: running, ten times a second.
constexpr float kMarkingSpeed = 10.0f;
constexpr int kStripFrames = 10;

D3DCOLOR withAlpha(D3DCOLOR colour, double factor)
{
    const double alpha = std::clamp(static_cast<double>(colour >> 24) * factor, 0.0, 255.0);
    return (static_cast<D3DCOLOR>(alpha) << 24) | (colour & 0x00FFFFFF);
}

// Frame frame of a strip of ten side by side.
RECT stripFrame(const Ulvo::Texture2D& texture, int frame)
{
    const LONG width = static_cast<LONG>(texture.getWidth()) / kStripFrames;
    return RECT{frame * width, 0, (frame + 1) * width, static_cast<LONG>(texture.getHeight())};
}

} // namespace

StoneLooks StoneLooks::of(const Rohstoff& rohstoff)
{
    StoneLooks looks;
    const std::wstring& name = rohstoff.getName();
    looks.textures[Marked] = findGameTexture(name + L"_OBJEKT_MARKED");
    looks.textures[Spreng] = findGameTexture(name + L"_OBJEKT_SPRENG");
    looks.textures[Objekt] = findGameTexture(name + L"_OBJEKT");
    return looks;
}

Bildchen::Bildchen(Rohstoff* rohstoff, const MyGlobals* globals, const StoneLooks* looks)
    : m_globals(globals), m_rohstoff(rohstoff), m_typId(rohstoff ? rohstoff->getId() : 0)
{
    if (looks)
        m_looks = *looks;
    else if (rohstoff)
        m_looks = StoneLooks::of(*rohstoff);
    m_marking.running = true;
    m_marking.speed = kMarkingSpeed;
    m_marking.reachedEnd.connect(this, &Bildchen::onMarkingEnd);
}

Bildchen::~Bildchen() = default;

void Bildchen::setPosition(const D3DXVECTOR2& position)
{
    m_position = position;
    m_segmentStart = position;
    m_path.clear();
    m_segmentElapsed = 0.0;
}

void Bildchen::addPathPoint(const D3DXVECTOR2& target, double seconds)
{
    m_path.push_back(PathPoint{target, seconds});
    if (m_marked)
        setMarked(false);
}

void Bildchen::setMarked(bool marked)
{
    m_marked = marked;
    const float weight = m_marking.value;
    if (marked)
        m_marking.set(0.0f, 1.0f, 1.0f - weight);
    else
        m_marking.set(1.0f, 0.0f, 1.0f - weight);
}

void Bildchen::onMarkingEnd(Ulvo::Interpolation<float, float>&)
{
    if (m_marked)
        setMarked(false);
}

void Bildchen::startExplosion(double delay)
{
    m_sprengDelay = delay;
    m_hintTime = -1.0;
}

void Bildchen::setRohstoff(Rohstoff* rohstoff, double seconds, const StoneLooks* looks)
{
    m_previousLooks = m_looks;
    m_rohstoff = rohstoff;
    m_typId = rohstoff ? rohstoff->getId() : 0;
    m_looks = looks ? *looks : rohstoff ? StoneLooks::of(*rohstoff) : StoneLooks{};
    m_fadeTotal = seconds;
    m_fadeElapsed = 0.0;
    if (m_feld && m_feld->getStone() == this)
        m_feld->refreshStoneType();
}

double Bildchen::getFadeProgress() const
{
    return m_fadeElapsed < m_fadeTotal ? m_fadeElapsed / m_fadeTotal : 1.0;
}

double Bildchen::explosionThreshold() const
{
    return m_globals ? m_globals->getGroupDelay() : 0.5;
}

void Bildchen::updateRunning(double realDt, double gameDt)
{
    if (m_fadeElapsed < m_fadeTotal)
        m_fadeElapsed = std::min(m_fadeElapsed + gameDt, m_fadeTotal);
    m_selectedPhase = m_feld && m_feld->isSelected() ? m_selectedPhase + 20.0 * realDt : 0.0;
    m_explosionElapsed = m_sprengDelay != 0.0 ? m_explosionElapsed + realDt : 0.0;
    if (m_hintTime > 0.0)
        m_hintTime -= gameDt;
    if (!m_path.empty()) {
        m_hintTime = -1.0;
        m_segmentElapsed += gameDt;
        const PathPoint& next = m_path.front();
        if (m_segmentElapsed >= next.seconds) {
            const bool vertical = m_segmentStart.y != next.target.y;
            m_position = next.target;
            m_segmentStart = next.target;
            m_segmentElapsed = m_path.size() >= 2 ? m_segmentElapsed - next.seconds : 0.0;
            m_path.erase(m_path.begin());
            if (m_path.empty() && vertical)
                setMarked(true); // the landing squash
        } else {
            const float t = static_cast<float>(m_segmentElapsed / next.seconds);
            m_position = m_segmentStart + (next.target - m_segmentStart) * t;
        }
    }
    // A marking at either end stays there: only a running one moves.
    if (m_marking.t < 1.0f)
        m_marking.update(static_cast<float>(gameDt));
}

void Bildchen::drawLook(const StoneLooks& looks, const RECT& rect, D3DCOLOR colour) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite)
        return;
    const double threshold = explosionThreshold();
    Ulvo::Texture2D* texture = nullptr;
    RECT source{};
    if (m_sprengDelay > 0.0 && m_explosionElapsed > m_sprengDelay - threshold) {
        texture = looks.textures[StoneLooks::Spreng];
        const double p = std::clamp((m_explosionElapsed - (m_sprengDelay - threshold)) / threshold, 0.0, 1.0);
        const int frame = static_cast<int>(std::floor(kStripFrames * p));
        // Past the last frame the burst is over: nothing is left to draw.
        if (frame >= kStripFrames)
            return;
        if (texture)
            source = stripFrame(*texture, frame);
    } else if (m_feld && m_feld->isSelected()) {
        texture = looks.textures[StoneLooks::Marked];
        if (texture)
            source = stripFrame(*texture, static_cast<int>(std::fmod(std::floor(m_selectedPhase), kStripFrames)));
    } else {
        texture = looks.textures[StoneLooks::Objekt];
        if (texture)
            source = texture->getRect();
    }
    if (texture)
        sprite->drawRegion(texture, &source, rect, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, colour);
}

void Bildchen::draw(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const
{
    const double w = m_marking.value;
    const double x = m_position.x + offset.x, y = m_position.y + offset.y;
    const RECT rect{static_cast<LONG>((x - 25.0 * w) * scale), static_cast<LONG>((y + 50.0 * w) * scale),
                    static_cast<LONG>((x + 100.0 + 25.0 * w) * scale), static_cast<LONG>((y + 100.0) * scale)};
    if (m_hintTime > 0.0) {
        const double f = m_hintTime - std::floor(m_hintTime);
        colour = withAlpha(colour, f >= 0.5 ? (f - 0.5) * 2.0 : 1.0 - 2.0 * f);
    }
    const double p = getFadeProgress();
    if (p < 1.0)
        drawLook(m_previousLooks, rect, withAlpha(colour, 1.0 - p));
    drawLook(m_looks, rect, withAlpha(colour, p));
}

} // namespace ThreeMatch
