#pragma once
// The reader of .x mesh files in their text flavour, as our mesh tool writes them: frames with
// their transforms, meshes with normals, texture coordinates and material lists, materials with
// texture file names, skin weights, and animation sets with their keys. Templates and unknown
// objects are passed over. The binary and compressed flavours are refused.
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

// The file as a hierarchy: frames, each mesh in its own space with its skin, animation sets.
struct Frame {
    std::string name;
    D3DXMATRIX local;
    int parent; // an earlier frame, or -1 at the top
};

// One bone of a skinned mesh: the frame it follows, the file's vertices it moves with their
// weights, and the matrix from the mesh's space into the bone's.
struct SkinWeights {
    std::string frame;
    std::vector<uint32_t> vertices; // below the mesh's fileVertexCount
    std::vector<float> weights;     // finite, not negative
    D3DXMATRIX offset;
};

struct HierarchyMesh {
    std::string name;
    int frame = -1;                   // the frame holding the mesh, -1 at the top
    Scene geometry;                   // not moved by its frames
    std::vector<uint32_t> fileVertex; // per geometry vertex: the file vertex it was made from
    uint32_t fileVertexCount = 0;
    std::vector<SkinWeights> bones;
};

template <class Value> struct Key {
    uint32_t time; // in ticks, never falling along a list
    Value value;
};

// The keys of one frame in one set. Every list holds at least one key: a kind the file leaves
// out holds the frame's own value, so a set that only turns a frame keeps it where it stands.
// Matrix keys are read as their scale, rotation and translation.
struct Animation {
    std::string frame;
    std::vector<Key<D3DXVECTOR3>> scales;
    std::vector<Key<D3DXQUATERNION>> rotations; // unit length
    std::vector<Key<D3DXVECTOR3>> translations;
};

struct AnimationSet {
    std::string name;
    std::vector<Animation> animations;
};

struct Hierarchy {
    std::vector<Frame> frames; // file order: a parent before its children
    std::vector<HierarchyMesh> meshes;
    std::vector<AnimationSet> sets;
    uint32_t ticksPerSecond = 4800; // the format's default
};

// Bounds of what a file may ask for.
constexpr size_t kMaxDepth = 32;
constexpr size_t kMaxNameLength = 256;
constexpr size_t kMaxStringLength = 1024;
constexpr uint32_t kMaxVertices = 1u << 22;
constexpr uint32_t kMaxTriangles = 1u << 22;
constexpr uint32_t kMaxPolygonCorners = 64;
constexpr uint32_t kMaxMaterials = 4096;
constexpr uint32_t kMaxFrames = 65536;
constexpr uint32_t kMaxBones = 256;     // per mesh
constexpr uint32_t kMaxKeys = 1u << 20; // over the whole file
constexpr uint32_t kMaxAnimations = 65536;

// False with `error` ("line 12: vertex index 8 is not below the vertex count 8") for a file
// that cannot be read; `scene` is then empty.
bool read(const void* bytes, size_t size, Scene& scene, std::string& error);
// The same file as a hierarchy. Besides what read() refuses, a file is refused whose skin
// weights name a vertex past their mesh's, give a negative weight, name no frame of the file or
// outnumber the bones the skin header declares; whose keys are of an unknown kind, carry the
// wrong number of values or go back in time; or that holds neither a frame nor a mesh.
bool readHierarchy(const void* bytes, size_t size, Hierarchy& hierarchy, std::string& error);

} // namespace XFile
