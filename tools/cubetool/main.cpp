// cubetool: cube maps for the sky.
//   cubetool paint KIND SIZE DIR          writes DIR/KIND_posx.png ... DIR/KIND_negz.png
//   cubetool assemble OUT.dds POSX NEGX POSY NEGY POSZ NEGZ
// KIND is sky, background, environment or clouds (see CubeFaces.h for the face order and
// orientation). The art step paints the faces, then assembles them into the runtime folder.
#include "CubeFaces.h"
#include "DdsCube.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace fs = std::filesystem;
using namespace CubeArt;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: cubetool paint KIND SIZE DIR\n"
                         "       cubetool assemble OUT.dds POSX NEGX POSY NEGY POSZ NEGZ\n");
    return 2;
}

int paint(const std::string& kind, const std::string& sizeText, const fs::path& dir)
{
    const int size = std::atoi(sizeText.c_str());
    if (!isKnownKind(kind) || size < 1 || size > 4096 || (size & (size - 1)) != 0) {
        std::fprintf(stderr, "cubetool: unknown kind '%s' or size '%s' not a power of two up to 4096\n", kind.c_str(),
                     sizeText.c_str());
        return 1;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::vector<Picture> faces = paintFaces(kind, size);
    for (int face = 0; face < kFaceCount; ++face) {
        const fs::path file = dir / (kind + "_" + kFaceNames[face] + ".png");
        if (!stbi_write_png(file.string().c_str(), size, size, 4, faces[size_t(face)].rgba.data(), size * 4)) {
            std::fprintf(stderr, "cubetool: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}

int assemble(const fs::path& out, char** files)
{
    std::vector<Picture> faces;
    for (int face = 0; face < kFaceCount; ++face) {
        int width = 0, height = 0, components = 0;
        stbi_uc* texels = stbi_load(files[face], &width, &height, &components, 4);
        if (!texels) {
            std::fprintf(stderr, "cubetool: %s is not a readable PNG file (%s)\n", files[face], stbi_failure_reason());
            return 1;
        }
        Picture picture;
        picture.size = width == height ? width : -1;
        picture.rgba.assign(texels, texels + size_t(width) * size_t(height) * 4);
        stbi_image_free(texels);
        if (picture.size < 0) {
            std::fprintf(stderr, "cubetool: %s is %dx%d, faces must be square\n", files[face], width, height);
            return 1;
        }
        faces.push_back(std::move(picture));
    }
    std::string error;
    const std::vector<uint8_t> dds = encodeCube(faces, error);
    if (dds.empty()) {
        std::fprintf(stderr, "cubetool: %s\n", error.c_str());
        return 1;
    }
    std::error_code ec;
    if (out.has_parent_path())
        fs::create_directories(out.parent_path(), ec);
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(dds.data()), std::streamsize(dds.size()));
    if (!file.good()) {
        std::fprintf(stderr, "cubetool: cannot write %s\n", out.string().c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "paint" && argc == 5)
        return paint(argv[2], argv[3], argv[4]);
    if (mode == "assemble" && argc == 9)
        return assemble(argv[2], argv + 3);
    return usage();
}
