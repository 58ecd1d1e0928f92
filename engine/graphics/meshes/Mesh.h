#pragma once
// A static mesh resource: one .x file read into a D3DX mesh (kept in the managed pool, so ray
// tests and subset drawing work at any time), its materials with their textures, the attribute
// ranges its subsets draw, a bounding box and sphere, and a copy of its vertices and indices in
// write-only default-pool buffers for the scene's own drawing path.
//
// Those copies do not survive a device reset: the mesh follows the device, releases them when
// it is lost and makes them again from the D3DX mesh after the reset. Meshes are found by
// exact name in the mesh list (MeshManager); users take a reference while they hold one.
#include <d3dx9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/objects/NamedObject.h"

#include <string>
#include <vector>

namespace Ulvo {

class Texture2D;
class TextureManager;
class XMLNode;

class Mesh : public NamedObject, public DeviceResource {
public:
    // Per material: its colours and the textures drawn with it (each may be null; the mesh
    // holds a reference on each).
    struct Material {
        D3DMATERIAL9 colours{};
        Texture2D* diffuse = nullptr;
        Texture2D* bump = nullptr;
        Texture2D* reflection = nullptr;
    };

    Mesh();
    ~Mesh() override;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // A MESH entry of a mesh list: NAME, and FILE with FILENAME (a data reference). Diffuse
    // textures named by the file's materials come from `textures` (loaded there on first use).
    // False, logged with the mesh's name, when the file is missing or cannot be read.
    bool createFromNode(XMLNode* entry, TextureManager* textures);
    // The same from a .x file's bytes.
    bool createFromMemory(const void* bytes, uint32_t size, TextureManager* textures);
    // Releases everything; the mesh is empty afterwards.
    void destroy();

    ID3DXMesh* getD3DXMesh() const { return m_mesh; }
    const D3DXVECTOR3& getBoxMin() const { return m_boxMin; }
    const D3DXVECTOR3& getBoxMax() const { return m_boxMax; }
    const D3DXVECTOR3& getSphereCenter() const { return m_sphereCenter; }
    float getSphereRadius() const { return m_sphereRadius; }

    const std::vector<Material>& getMaterials() const { return m_materials; }
    // One subset per material, drawn with the material of the same index.
    int getSubsetCount() const { return static_cast<int>(m_materials.size()); }
    int getSubsetMaterial(int subset) const { return subset; }
    // Material index -> attribute range index, negative for a material without faces; null
    // when every material's range has the material's own index.
    const std::vector<int>* getRemap() const { return m_remap.empty() ? nullptr : &m_remap; }
    const std::vector<D3DXATTRIBUTERANGE>& getAttributeRanges() const { return m_ranges; }

    // The drawing copies (null while the device is lost), the vertex size and declaration.
    IDirect3DVertexBuffer9* getVertexBuffer() const { return m_vertexBuffer; }
    IDirect3DIndexBuffer9* getIndexBuffer() const { return m_indexBuffer; }
    UINT getStride() const { return m_stride; }
    IDirect3DVertexDeclaration9* getVertexDeclaration() const { return m_declaration; }

    // Every subset through the D3DX mesh (the light volumes draw so).
    void drawSubsets() const;

    void onLostDevice() override;
    void onResetDevice() override;

private:
    bool createDrawBuffers();
    void releaseDrawBuffers();

    ID3DXMesh* m_mesh = nullptr;
    std::vector<Material> m_materials;
    std::vector<D3DXATTRIBUTERANGE> m_ranges;
    std::vector<int> m_remap;
    D3DXVECTOR3 m_boxMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_boxMax{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_sphereCenter{0.0f, 0.0f, 0.0f};
    float m_sphereRadius = 0.0f;
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* m_indexBuffer = nullptr;
    IDirect3DVertexDeclaration9* m_declaration = nullptr;
    UINT m_stride = 0;
};

} // namespace Ulvo
