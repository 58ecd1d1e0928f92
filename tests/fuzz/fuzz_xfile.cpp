// Reads arbitrary bytes as a .x mesh file with the platform's own reader. A refused file must
// leave nothing behind; an accepted one must hold only faces whose corners and materials exist,
// so that nothing built from it can index past its arrays.
#include "d3dx9/xfile/XFileReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XFile::Scene scene;
    std::string error;
    if (!XFile::read(data, size, scene, error)) {
        if (error.empty() || !scene.positions.empty() || !scene.indices.empty() || !scene.materials.empty())
            std::abort();
        return 0;
    }
    const size_t vertices = scene.positions.size();
    if (vertices == 0 || vertices > XFile::kMaxVertices || scene.indices.size() != scene.attributes.size() * 3)
        std::abort();
    if ((!scene.normals.empty() && scene.normals.size() != vertices) ||
        (!scene.texCoords.empty() && scene.texCoords.size() != vertices))
        std::abort();
    for (uint32_t index : scene.indices) {
        if (index >= vertices)
            std::abort();
    }
    for (uint32_t material : scene.attributes) {
        if (material >= scene.materials.size())
            std::abort();
    }
    return 0;
}
