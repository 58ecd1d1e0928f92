#include "graphics/sprites/SpriteRecording.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

static_assert(sizeof(RecordedDraw) == sizeof(void*) + sizeof(RECT) + 6 * sizeof(float) + 2 * sizeof(DWORD),
              "RecordedDraw is compared byte by byte and must hold no padding");

namespace {

int compare(const RecordedDraw& a, const RecordedDraw& b)
{
    return std::memcmp(&a, &b, sizeof(RecordedDraw));
}

// The quads' indices sorted by content, equal ones in drawing order.
void sortByContent(const std::vector<RecordedDraw>& quads, std::vector<std::uint32_t>& order)
{
    order.resize(quads.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&quads](std::uint32_t a, std::uint32_t b) {
        const int c = compare(quads[a], quads[b]);
        return c < 0 || (c == 0 && a < b);
    });
}

void grow(RECT& to, const RECT& r)
{
    if (to.left >= to.right || to.top >= to.bottom) {
        to = r;
        return;
    }
    to = RECT{std::min(to.left, r.left), std::min(to.top, r.top), std::max(to.right, r.right),
              std::max(to.bottom, r.bottom)};
}

} // namespace

RECT RecordedDraw::bound() const
{
    // The sprite's rectangle runs from (0, 0) to the source's size before the transformation.
    const float w = static_cast<float>(source.right - source.left);
    const float h = static_cast<float>(source.bottom - source.top);
    const float xs[4] = {0.0f, w, 0.0f, w};
    const float ys[4] = {0.0f, 0.0f, h, h};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        const float x = xs[i] * transform[0] + ys[i] * transform[2] + transform[4];
        const float y = xs[i] * transform[1] + ys[i] * transform[3] + transform[5];
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    // Far outside any target (or not a number): bounded by the largest rectangle there is.
    constexpr float kFar = 1.0e6f;
    if (!(minX > -kFar && minY > -kFar && maxX < kFar && maxY < kFar))
        return RECT{-1000000, -1000000, 1000000, 1000000};
    return RECT{static_cast<LONG>(std::floor(minX)) - 1, static_cast<LONG>(std::floor(minY)) - 1,
                static_cast<LONG>(std::ceil(maxX)) + 1, static_cast<LONG>(std::ceil(maxY)) + 1};
}

void SpriteRecording::clear()
{
    m_quads.clear();
    m_unbounded = false;
}

bool SpriteRecording::sameAs(const SpriteRecording& other) const
{
    return m_unbounded == other.m_unbounded && m_quads.size() == other.m_quads.size() &&
           (m_quads.empty() ||
            std::memcmp(m_quads.data(), other.m_quads.data(), m_quads.size() * sizeof(RecordedDraw)) == 0);
}

bool SpriteRecording::changedSince(const SpriteRecording& before, RECT& changed)
{
    changed = RECT{};
    if (m_unbounded || before.m_unbounded)
        return false;
    const std::vector<RecordedDraw>& was = before.m_quads;
    sortByContent(m_quads, m_order);
    sortByContent(was, m_beforeOrder);
    // Pair equal draws, the k-th of a kind before with the k-th now; the rest changed.
    m_match.assign(was.size(), -1);
    std::size_t i = 0, j = 0;
    while (i < m_beforeOrder.size() || j < m_order.size()) {
        const int c = i == m_beforeOrder.size() ? 1
                      : j == m_order.size()     ? -1
                                                : compare(was[m_beforeOrder[i]], m_quads[m_order[j]]);
        if (c == 0) {
            m_match[m_beforeOrder[i++]] = static_cast<std::int32_t>(m_order[j++]);
        } else if (c < 0) {
            grow(changed, was[m_beforeOrder[i++]].bound());
        } else {
            grow(changed, m_quads[m_order[j++]].bound());
        }
    }
    // Draws in both cover the same pixels the same way only while they keep their order.
    std::int32_t last = -1;
    for (const std::int32_t now : m_match) {
        if (now < 0)
            continue;
        if (now < last)
            return false;
        last = now;
    }
    return true;
}

} // namespace Ulvo
