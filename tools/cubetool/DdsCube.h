#pragma once
// A DDS cube map of six square RGBA faces: A8R8G8B8, all six faces, each with its full chain of
// levels box-filtered from the face (halving down to 1x1).
#include "CubeFaces.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CubeArt {

// Empty when the faces are not six squares of one power-of-two size.
std::vector<uint8_t> encodeCube(const std::vector<Picture>& faces, std::string& error);

// One level down: each texel the rounded mean of four.
Picture halve(const Picture& picture);

} // namespace CubeArt
