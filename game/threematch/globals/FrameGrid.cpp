#include "threematch/globals/FrameGrid.h"

#include "foundation/xml/XMLNode.h"

#include <climits>
#include <limits>

namespace ThreeMatch {

void FrameGrid::read(const Ulvo::XMLNode& node)
{
    node.readPair(L"SIZE", frameWidth, frameHeight);
    node.readPair(L"FRAMES", columns, rows);
}

int FrameGrid::product() const
{
    if (columns <= 0 || rows <= 0)
        return 0;
    const long long count = static_cast<long long>(columns) * rows;
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

int FrameGrid::frameCount() const
{
    const int count = product();
    return count > 0 ? count : 1;
}

RECT FrameGrid::frameRect(long long frame) const
{
    const long long count = frameCount();
    long long index = frame % count;
    if (index < 0)
        index += count;
    const long long perRow = columns > 0 ? columns : 1;
    const long long column = index % perRow;
    const long long row = index / perRow;
    auto clampToLong = [](long long value) {
        constexpr long long high = std::numeric_limits<LONG>::max(), low = std::numeric_limits<LONG>::min();
        return static_cast<LONG>(value > high ? high : value < low ? low : value);
    };
    RECT rect;
    rect.left = clampToLong(column * frameWidth);
    rect.top = clampToLong(row * frameHeight);
    rect.right = clampToLong((column + 1) * frameWidth);
    rect.bottom = clampToLong((row + 1) * frameHeight);
    return rect;
}

} // namespace ThreeMatch
