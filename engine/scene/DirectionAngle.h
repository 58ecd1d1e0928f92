#pragma once
// The heading of a direction in the x-z plane, shared by the editor's vertical plane and the
// arrangements that turn copies along a path.
#include <cmath>

namespace Ulvo {

// The angle of (x, z) in degrees, from +x towards +z, in [-90, 270).
inline float directionAngle(float x, float z)
{
    const float length = std::sqrt(x * x + z * z);
    if (length > 0.0f) {
        x /= length;
        z /= length;
    }
    constexpr float kDegrees = 57.29578f;
    if (x > 0.0f)
        return std::atan(z / x) * kDegrees;
    if (x < 0.0f)
        return std::atan(z / x) * kDegrees + 180.0f;
    return z >= 0.0f ? 90.0f : 270.0f;
}

} // namespace Ulvo
