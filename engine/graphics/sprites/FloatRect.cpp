#include "graphics/sprites/FloatRect.h"

#include <algorithm>

namespace Ulvo {

namespace {

// Per-axis overlap of two spans whose ends may come in either order.
bool spansOverlap(float a0, float a1, float b0, float b1)
{
    if (std::min(a0, a1) > std::max(b0, b1))
        return false;
    if (std::min(b0, b1) > std::max(a0, a1))
        return false;
    return true;
}

void clampSpan(float& low, float& high, float boundsLow, float boundsHigh)
{
    if (boundsLow > low) {
        const float shift = boundsLow - low;
        low += shift;
        high += shift;
    }
    if (high > boundsHigh) {
        const float shift = high - boundsHigh;
        low -= shift;
        high -= shift;
    }
}

} // namespace

FloatRect FloatRect::fromLTRB(const float* ltrb)
{
    return FloatRect(ltrb[0], ltrb[1], ltrb[2], ltrb[3]);
}

FloatRect FloatRect::fromRECT(const RECT& rect)
{
    return FloatRect(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
                     static_cast<float>(rect.bottom));
}

bool FloatRect::intersects(const FloatRect& other) const
{
    return spansOverlap(left, right, other.left, other.right) && spansOverlap(top, bottom, other.top, other.bottom);
}

void FloatRect::clampInto(const FloatRect& bounds)
{
    clampSpan(left, right, bounds.left, bounds.right);
    clampSpan(top, bottom, bounds.top, bounds.bottom);
}

LONG truncToLong(float value)
{
    if (!(value > -1.0e9f))
        return value != value ? 0 : -1000000000;
    if (value > 1.0e9f)
        return 1000000000;
    return static_cast<LONG>(value);
}

} // namespace Ulvo
