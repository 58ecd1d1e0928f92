#pragma once
// The reader of .x mesh files in their text flavour, as our mesh tool writes them: frames with
// their transforms, meshes with normals, texture coordinates and material lists, materials with
// texture file names. Templates and unknown objects are passed over. The binary and compressed
// flavours are refused.
//
// It reads bytes from disk, so nothing in the file is trusted: nesting, names and strings are
// bounded, every count is checked against what the rest of the file can still hold before
// anything is reserved, and every index against what it indexes. A refused file yields false
// and one line saying where and why; nothing of it is kept.
#include <d3dx9math.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace XFile {

struct Material {
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float power = 0.0f;
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float emissive[3] = {0.0f, 0.0f, 0.0f};
    std::string textureFile; // empty: none
};

// Every mesh of a file, triangulated, moved by its frames and merged into one. Vertices that a
// file gives different normals on different faces are split (the copies follow the file's
// vertices), so each vertex has one position, normal and texture coordinate.
struct Scene {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;   // one per vertex, or empty
    std::vector<D3DXVECTOR2> texCoords; // one per vertex, or empty
    std::vector<uint32_t> indices;      // three per triangle
    std::vector<uint32_t> attributes;   // material index per triangle
    std::vector<Material> materials;    // at least one after a successful read
};

// Bounds of what a file may ask for.
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxNameLength = 256;
constexpr size_t kMaxStringLength = 1024;
constexpr uint32_t kMaxVertices = 1u << 22;
constexpr uint32_t kMaxTriangles = 1u << 22;
constexpr uint32_t kMaxPolygonCorners = 64;
constexpr uint32_t kMaxMaterials = 4096;

// False with `error` ("line 12: vertex index 8 is not below the vertex count 8") for a file
// that cannot be read; `scene` is then empty.
bool read(const void* bytes, size_t size, Scene& scene, std::string& error);

} // namespace XFile
