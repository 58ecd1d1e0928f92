#include "threematch/controller/BoardRedraw.h"
#include "threematch/controller/ScreenRules.h"

#include <cstring>
#include <utility>

namespace ThreeMatch {

bool BoardRedraw::Frame::operator==(const Frame& other) const
{
    return target == other.target && std::memcmp(&part, &other.part, sizeof part) == 0 && clear == other.clear;
}

BoardRedraw::BoardRedraw() = default;
BoardRedraw::~BoardRedraw() = default;

RECT BoardRedraw::planned(const Frame& frame)
{
    // The target's pixels do not survive a reset.
    if (!isFollowingDevice())
        followDevice();
    m_frame = frame;
    m_partial = false;
    RECT changed{};
    if (!m_lastValid || !(frame == m_lastFrame) || !m_planned.changedSince(m_last, changed))
        return frame.part;
    m_partial = true;
    const RECT& p = frame.part;
    const RECT r = ScreenRules::common(p, changed);
    // Nothing changed: an empty rectangle, which clears and draws no pixel.
    return ScreenRules::holdsPixels(r) ? r : RECT{p.left, p.top, p.left, p.top};
}

void BoardRedraw::startDrawing(Ulvo::D3DXSprite& sprite)
{
    m_drawn.clear();
    sprite.setRecording(&m_drawn, true);
}

void BoardRedraw::stopDrawing(Ulvo::D3DXSprite& sprite)
{
    sprite.setRecording(nullptr, true);
}

bool BoardRedraw::finish(bool held)
{
    // A part drawn only where the dry run found changes holds the picture only if the real
    // drawing is the one the dry run saw.
    const bool holds = held && (!m_partial || m_drawn.sameAs(m_planned));
    m_lastValid = holds && !m_drawn.unbounded();
    if (m_lastValid) {
        std::swap(m_last, m_drawn);
        m_lastFrame = m_frame;
    }
    return holds;
}

void BoardRedraw::forget()
{
    m_lastValid = false;
    m_partial = false;
}

void BoardRedraw::onLostDevice()
{
    forget();
}

} // namespace ThreeMatch
