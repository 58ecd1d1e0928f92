#pragma once
// A rectangle in float screen coordinates, for hit tests and culling of 2D drawing.
#include <windef.h>

namespace Ulvo {

struct FloatRect {
    // Stored in this order: left, right, top, bottom.
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;

    FloatRect() = default;
    FloatRect(float l, float t, float r, float b) : left(l), right(r), top(t), bottom(b) {}

    // From four floats stored as left, top, right, bottom.
    static FloatRect fromLTRB(const float* ltrb);
    static FloatRect fromRECT(const RECT& rect);

    // Touching edges count; each rectangle's edges may come in either order.
    bool intersects(const FloatRect& other) const;
    // Moves (never resizes) the rectangle into the bounds; when it is larger than the
    // bounds it ends on their right/bottom edge.
    void clampInto(const FloatRect& bounds);
};

// Truncation toward zero that stays defined for coordinates no LONG can hold:
// limited to +-1e9, NaN gives 0.
LONG truncToLong(float value);

} // namespace Ulvo
