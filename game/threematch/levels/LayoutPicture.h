#pragma once
// The small pictures levels are made of: a story level's layout picture (FILE) and the
// free-play stamps ("FREEPLAY_%d"), read as 32-bit ARGB texels, one texel per cell (the
// layout's sample extent may spread texels over several cells). The board reads them
// through a source so that it can build levels without a device (tests, benchmark, fuzzing);
// the game's source reads them from textures.
#include <cstdint>
#include <string>
#include <vector>

namespace ThreeMatch {

struct LayoutPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels; // row by row, 0xAARRGGBB

    // 0 (a hole) outside the picture.
    uint32_t at(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height ? texels[static_cast<std::size_t>(y) * width + x] : 0u;
    }
};

// What a texel makes of a cell.
struct LayoutCell {
    uint32_t flags = 0;
    bool stone = false; // the cell receives a stone when the board is built
};

// A story level's texel: alpha 0 a hole; else playable and empty, blue >= 65 a target layer
// (> 128 both), green > 64 a stone (> 128 also a spawn), red 65..128 locked, red > 128 a wall.
// A wall never takes a stone or spawns, whatever its green says.
LayoutCell storyCell(uint32_t argb);
// A free-play stamp's texel: the same channels, but red > 128 leaves a hole and any red
// above 64 locks.
LayoutCell stampCell(uint32_t argb);

class LayoutPictureSource {
public:
    virtual ~LayoutPictureSource() = default;
    // A picture file (a story level's FILE); false when it cannot be read.
    virtual bool readFile(const std::wstring& fileName, LayoutPicture& picture) = 0;
    // A registered texture (a free-play stamp); false when there is none of that name.
    virtual bool readTexture(const std::wstring& name, LayoutPicture& picture) = 0;
};

// Reads the pictures from the game's textures (loaded on first use, then locked for reading).
// Without a device nothing reads.
class TexturePictureSource : public LayoutPictureSource {
public:
    bool readFile(const std::wstring& fileName, LayoutPicture& picture) override;
    bool readTexture(const std::wstring& name, LayoutPicture& picture) override;
};

} // namespace ThreeMatch
