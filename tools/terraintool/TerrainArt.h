#pragma once
// The terrain's pictures, painted from tileable value noise: the layers grass, rock, snow and
// earth (each with a bump map: the surface's slope in x and y as red and green around 0.5, blue
// up), and a colour map that tints the whole terrain gently.
#include <cstdint>
#include <string>
#include <vector>

namespace TerrainArt {

// An RGBA picture, rows from the top.
struct Picture {
    int size = 0;
    std::vector<uint8_t> rgba;
};

// "gras", "fels", "schnee", "erde".
extern const char* const kLayers[4];

// The layer's colour picture and its bump map, `size` texels wide; both tile.
Picture paintLayer(const std::string& layer, int size);
Picture paintBump(const std::string& layer, int size);
// The colour map: soft patches of warmer and cooler light over the terrain.
Picture paintColourMap(int size);

} // namespace TerrainArt
