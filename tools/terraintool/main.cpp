// terraintool: the grid terrain's pictures.
//   terraintool paint SIZE DIR    writes DIR/terrain_<layer>.png and DIR/terrain_<layer>_bump.png
//                                 for the four layers, and DIR/terrain_farbe.png
#include "TerrainArt.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace fs = std::filesystem;
using namespace TerrainArt;

namespace {

bool write(const fs::path& file, const Picture& picture)
{
    if (stbi_write_png(file.string().c_str(), picture.size, picture.size, 4, picture.rgba.data(), picture.size * 4))
        return true;
    std::fprintf(stderr, "terraintool: cannot write %s\n", file.string().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::string(argv[1]) != "paint") {
        std::fprintf(stderr, "usage: terraintool paint SIZE DIR\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 8 || size > 2048 || (size & (size - 1)) != 0) {
        std::fprintf(stderr, "terraintool: size '%s' is not a power of two from 8 to 2048\n", argv[2]);
        return 2;
    }
    const fs::path dir = argv[3];
    std::error_code error;
    fs::create_directories(dir, error);
    for (const char* layer : kLayers) {
        if (!write(dir / (std::string("terrain_") + layer + ".png"), paintLayer(layer, size)) ||
            !write(dir / (std::string("terrain_") + layer + "_bump.png"), paintBump(layer, size)))
            return 1;
    }
    return write(dir / "terrain_farbe.png", paintColourMap(size)) ? 0 : 1;
}
