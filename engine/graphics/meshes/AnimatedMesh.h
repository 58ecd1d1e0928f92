#pragma once
// An animated mesh resource: one .x file read into a D3DX frame hierarchy (every frame a
// UlvoFrame, so it carries its combined matrix), a mesh container per mesh of the file, and the
// animation controller of the file's animation sets. Scene objects clone the controller, so each
// plays the resource on its own; since every clone writes the same frames, an object applies its
// pose (AdvanceTime(0), then updateFrameMatrices) right before it reads them.
//
// Skinned containers are skinned in the vertex shader where they can be: a container whose
// vertices take at most four bones and whose bones fit the shader's palette gets a blended copy
// of its source (the bone indices and weights in the vertex stream), and bonePalette() builds the
// bone matrices (offset x the bone frame's combined matrix) the shader blends with. The processor
// path stays for the rest and for what reads skinned vertices (the bounds): skinContainer()
// writes the skinned vertices from the unskinned source mesh into the drawn mesh. All meshes live
// in the managed pool, so the resource survives a device reset without help. Resources are found by
// exact name in the mesh list (MeshManager), which holds one reference on each.
#include <d3dx9.h>

#include "foundation/helpers/FrameHierarchy.h"
#include "foundation/objects/NamedObject.h"

#include <string>
#include <vector>

namespace Ulvo {

class Texture2D;
class TextureManager;
class XMLNode;

// A mesh container as the resource makes it. MeshData.pMesh is the mesh drawn; for a skinned
// container it is a copy of the unskinned source that skinContainer() rewrites.
struct AnimatedMeshContainer : public D3DXMESHCONTAINER {
    // The textures drawn with each material (each may be null; the container holds a reference).
    struct Textures {
        Texture2D* diffuse = nullptr;
        Texture2D* bump = nullptr;
        Texture2D* reflection = nullptr;
    };

    std::string name;
    std::vector<D3DXMATERIAL> materials;   // pMaterials points here
    std::vector<std::string> textureFiles; // the materials' texture names point here
    std::vector<DWORD> adjacency;          // pAdjacency points here
    std::vector<Textures> textures;        // one per material
    ID3DXMesh* originalMesh = nullptr;     // the unskinned source; null without skin
    std::vector<D3DXMATRIX> boneOffsets;
    std::vector<D3DXMATRIX*> boneMatrices;          // the bones' frames' combined matrices
    std::vector<D3DXATTRIBUTERANGE> attributeTable; // of the drawn mesh
    // The source with the bone indices and weights per vertex (an extra palette entry, the
    // identity, for vertices no bone moves); null where the container is skinned on the processor.
    ID3DXMesh* blendedMesh = nullptr;
};

class AnimatedMesh : public NamedObject {
public:
    AnimatedMesh();
    ~AnimatedMesh() override;
    AnimatedMesh(const AnimatedMesh&) = delete;
    AnimatedMesh& operator=(const AnimatedMesh&) = delete;

    // An ANIMESH entry of a mesh list: NAME, and FILE with FILENAME (a data reference).
    // Diffuse textures named by the file's materials come from `textures`. False, logged with
    // the resource's name, when the file is missing or cannot be read.
    bool createFromNode(XMLNode* entry, TextureManager* textures);
    // The same from a .x file's bytes.
    bool createFromMemory(const void* bytes, uint32_t size, TextureManager* textures);
    void destroy();

    D3DXFRAME* getRootFrame() const { return m_root; }
    ID3DXAnimationController* getAnimationController() const { return m_controller; }
    // The bone palette of the vertex shader: its entries, one more than the bones it takes.
    static constexpr DWORD kPaletteSize = 48;
    // The vertex shader constants the skinned shader needs (4 a palette entry, room for the rest).
    static constexpr DWORD kSkinningConstants = kPaletteSize * 4 + 48;
    enum SkinningMethod { SKIN_ON_PROCESSOR = 0, SKIN_IN_VERTEX_SHADER = 1 };
    // SKIN_IN_VERTEX_SHADER when some skinned container has a blended mesh (those that do not are
    // still skinned on the processor).
    int getSkinningMethod() const { return m_shaderSkinned ? SKIN_IN_VERTEX_SHADER : SKIN_ON_PROCESSOR; }
    D3DXMATRIX* getBoneMatrices() { return m_boneMatrices.data(); }
    size_t getBoneMatrixCount() const { return m_boneMatrices.size(); }

    // A box and sphere round every pose the animation sets take (sampled along each period).
    const D3DXVECTOR3& getBoxMin() const { return m_boxMin; }
    const D3DXVECTOR3& getBoxMax() const { return m_boxMax; }
    const D3DXVECTOR3& getSphereCenter() const { return m_sphereCenter; }
    float getSphereRadius() const { return m_sphereRadius; }

    // Skins a skinned container with the frames' combined matrices as they stand; false (and
    // nothing written) for a container without skin or when a buffer cannot be locked.
    bool skinContainer(AnimatedMeshContainer* container);
    // The palette of a container with a blended mesh, from the frames' combined matrices as they
    // stand: its bones, then the identity. Null (count 0) for a container without one. The
    // matrices live in the resource until the next call.
    const D3DXMATRIX* bonePalette(const AnimatedMeshContainer* container, UINT& count);

    // Calls visit(frame, container) for every container, depth first from the root: a frame's
    // containers in list order, then its children's subtree, then its next sibling.
    template <class Visit> void forEachContainer(Visit&& visit) const { walk(m_root, visit); }

private:
    class Allocator;

    bool linkBones();
    // Gives every skinned container the vertex shader can take its blended mesh.
    void makeBlendedMeshes(IDirect3DDevice9* device);
    bool makeBlendedMesh(AnimatedMeshContainer* container, IDirect3DDevice9* device);
    void computeBounds();
    void growBounds(bool& first);

    template <class Visit> static void walk(D3DXFRAME* frame, Visit& visit)
    {
        for (; frame; frame = frame->pFrameSibling) {
            for (D3DXMESHCONTAINER* c = frame->pMeshContainer; c; c = c->pNextMeshContainer)
                visit(static_cast<UlvoFrame*>(frame), static_cast<AnimatedMeshContainer*>(c));
            walk(frame->pFrameFirstChild, visit);
        }
    }

    D3DXFRAME* m_root = nullptr;
    ID3DXAnimationController* m_controller = nullptr;
    std::vector<D3DXMATRIX> m_boneMatrices;
    TextureManager* m_textures = nullptr;
    D3DXVECTOR3 m_boxMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_boxMax{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_sphereCenter{0.0f, 0.0f, 0.0f};
    float m_sphereRadius = 0.0f;
    bool m_shaderSkinned = false;
};

} // namespace Ulvo
