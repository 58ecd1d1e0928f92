#pragma once
// The faces of a cube map and the directions their texels stand for, in the order and
// orientation the device samples them: +X, -X, +Y, -Y, +Z, -Z; on the four side faces the top
// row looks up (+Y), on +Y the top row looks to -Z and on -Y to +Z.
#include <cstdint>
#include <string>
#include <vector>

namespace CubeArt {

struct Direction {
    double x, y, z;
};

// An RGBA picture, rows from the top.
struct Picture {
    int size = 0;
    std::vector<uint8_t> rgba;
};

constexpr int kFaceCount = 6;
// "posx", "negx", "posy", "negy", "posz", "negz": the suffix of each face's file name.
extern const char* const kFaceNames[kFaceCount];

// The unit direction through the centre of texel (x, y) of a face `size` texels wide.
Direction texelDirection(int face, int x, int y, int size);

// The generated skies: "sky" (the open sky), "background" (sky with the distant hills),
// "environment" (a soft sky and ground for reflections), "clouds" (white, density in alpha) and
// "street" (the overcast sky with a tree line that roads mirror).
bool isKnownKind(const std::string& kind);
// The six faces of that kind, `size` texels wide.
std::vector<Picture> paintFaces(const std::string& kind, int size);

} // namespace CubeArt
