#pragma once
// The mesh list: every static mesh (MESH entries) and animated mesh (ANIMESH entries) the game
// loads, read at start-up from the mesh list file ("data\Meshes\meshes.msh", before the render
// configuration, whose deferred lighting looks its light-volume sphere up here), and found by
// exact name by the scene's mesh and animated-mesh objects. The device interface hands out the
// global one (DeviceGraphics).
//
// The list holds one reference on each mesh; lookups add none.
#include <string>
#include <vector>

namespace Ulvo {

class AnimatedMesh;
class Mesh;
class TextureManager;
class XMLNode;

class MeshManager {
public:
    MeshManager() = default;
    ~MeshManager();
    MeshManager(const MeshManager&) = delete;
    MeshManager& operator=(const MeshManager&) = delete;

    // Releases every mesh and empties the list.
    void clear();
    // Appends the mesh (adopt: takes over the caller's reference, else takes its own). False
    // for null.
    bool add(Mesh* mesh, bool adopt);
    bool add(AnimatedMesh* mesh, bool adopt);

    // Every MESH and ANIMESH entry of the list in order; an entry whose name the list already
    // holds among its kind, or whose file cannot be read, is passed over with a log line. Textures the meshes' materials
    // name come from `textures`. A null list loads nothing.
    void load(XMLNode* list, TextureManager* textures);
    // Reads the mesh list file through the search order and loads it; false, logged with the
    // file's name, when there is no such file.
    bool loadFile(const std::wstring& fileName, TextureManager* textures);

    // The first mesh named exactly so, or null with a log line.
    Mesh* getMesh(const std::wstring& name) const;
    const std::vector<Mesh*>& getMeshes() const { return m_meshes; }
    // The first animated mesh named exactly so, or null with a log line.
    AnimatedMesh* getAnimatedMesh(const std::wstring& name) const;
    const std::vector<AnimatedMesh*>& getAnimatedMeshes() const { return m_animatedMeshes; }

private:
    std::vector<Mesh*> m_meshes;
    std::vector<AnimatedMesh*> m_animatedMeshes;
};

} // namespace Ulvo
