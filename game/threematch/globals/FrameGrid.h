#pragma once
// A texture cut into columns x rows frames of one size, numbered row by row: the sprite
// strips of particles and path animations.
#include <windef.h>

namespace Ulvo {
class XMLNode;
}

namespace ThreeMatch {

struct FrameGrid {
    // SIZE (one frame, pixels) and FRAMES (columns, rows) of a definition.
    void read(const Ulvo::XMLNode& node);

    int frameWidth = 0;
    int frameHeight = 0;
    int columns = 0;
    int rows = 0;

    // columns x rows, not below 0 and without overflow.
    int product() const;
    // The frames to cycle through: a grid without frames (FRAMES missing or 0) counts as
    // one frame, so that frame numbers never divide by zero.
    int frameCount() const;
    // The source rectangle of a frame, taken modulo the frame count (negative numbers too).
    RECT frameRect(long long frame) const;
};

} // namespace ThreeMatch
