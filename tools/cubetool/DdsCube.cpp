// The DDS cube writer: a 128-byte header with A8R8G8B8 bit masks and the cube-map caps, then
// each face in turn with all its levels, texels as B, G, R, A bytes.
#include "DdsCube.h"

#include <algorithm>
#include <cstring>

namespace CubeArt {

namespace {

void put32(std::vector<uint8_t>& out, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + size_t(i)] = uint8_t(value >> (8 * i));
}

} // namespace

Picture halve(const Picture& picture)
{
    Picture half;
    half.size = picture.size > 1 ? picture.size / 2 : 1;
    half.rgba.resize(size_t(half.size) * half.size * 4);
    for (int y = 0; y < half.size; ++y)
        for (int x = 0; x < half.size; ++x)
            for (int c = 0; c < 4; ++c) {
                unsigned sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int sx = std::min(x * 2 + dx, picture.size - 1);
                        const int sy = std::min(y * 2 + dy, picture.size - 1);
                        sum += picture.rgba[(size_t(sy) * picture.size + sx) * 4 + c];
                    }
                half.rgba[(size_t(y) * half.size + x) * 4 + c] = uint8_t((sum + 2) / 4);
            }
    return half;
}

std::vector<uint8_t> encodeCube(const std::vector<Picture>& faces, std::string& error)
{
    if (faces.size() != kFaceCount) {
        error = "a cube map needs six faces";
        return {};
    }
    const int size = faces[0].size;
    if (size < 1 || size > 4096 || (size & (size - 1)) != 0) {
        error = "face size " + std::to_string(size) + " is not a power of two up to 4096";
        return {};
    }
    for (const Picture& face : faces)
        if (face.size != size || face.rgba.size() != size_t(size) * size * 4) {
            error = "the faces differ in size";
            return {};
        }
    uint32_t levels = 1;
    for (int s = size; s > 1; s /= 2)
        ++levels;

    std::vector<uint8_t> out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    const size_t h = 4;
    put32(out, h, 124);
    put32(out, h + 4, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x20000); // caps, size, pitch, format, levels
    put32(out, h + 8, uint32_t(size));
    put32(out, h + 12, uint32_t(size));
    put32(out, h + 16, uint32_t(size) * 4);
    put32(out, h + 24, levels);
    put32(out, h + 72, 32);
    put32(out, h + 76, 0x40 | 0x1); // RGB with alpha
    put32(out, h + 84, 32);
    put32(out, h + 88, 0x00FF0000);
    put32(out, h + 92, 0x0000FF00);
    put32(out, h + 96, 0x000000FF);
    put32(out, h + 100, 0xFF000000);
    put32(out, h + 104, 0x1000 | 0x8 | 0x400000); // texture, complex, mipmap
    put32(out, h + 108, 0x200 | 0xFC00);          // cube map with all six faces
    for (const Picture& face : faces) {
        Picture level = face;
        for (uint32_t l = 0; l < levels; ++l) {
            for (size_t i = 0; i < level.rgba.size(); i += 4) {
                const uint8_t* p = &level.rgba[i];
                out.insert(out.end(), {p[2], p[1], p[0], p[3]});
            }
            if (l + 1 < levels)
                level = halve(level);
        }
    }
    return out;
}

} // namespace CubeArt
