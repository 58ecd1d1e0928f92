#pragma once
// The scene object that covers a terrain with many trees drawn in one object (TYPE "TREE").
//
// Placement (build pass 0) reads the copy of the description's "TREE_DATA": tree types with
// relative frequencies, a terrain found by name through the object manager (only through its
// HeightMap interface, and only while loading: editing the terrain later moves no tree), the
// number of trees on a regular grid or at random UV points, thinned by an optional density field
// (accepted where it is above 0.5). The trees are sorted into at most 16 x 16 cells over their
// box. Random numbers come from the program's shared generator (crt_rand), seeded here only by the
// SEED a save wrote (the state the saved forest was drawn from).
//
// Drawing: one static buffer holds crossed vertical slices for 75 instance slots; per draw call
// up to 75 trees of one type (its picture bound as "g_Textur0", so a pixel fetches one texture,
// not one per type) travel as three vector arrays of position, size and wind. Cells are culled by the
// camera's frustum and, with "FAR_DIST" on, by distance, on the calling thread (the loops are a few
// microseconds: a team of threads would cost more than it saves), from the last cell to the
// first. The object's own transform plays no part: instances are in world space.
#include "devices/d3d/DeviceResource.h"
#include "foundation/xml/XMLNode.h"
#include "scene/arrangements/PlacementSources.h"
#include "scene/objects/BaseObjekt.h"
#include "terrain/trees/BaumTyp.h"

#include <cstdint>
#include <vector>

namespace Ulvo {

// The vertex of the slice geometry: position, normal, and (u, v, instance slot).
struct BaumVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR3 texcoord;
};

class BaumObjekt : public BaseObjekt, public DeviceResource, public TreePlaceSource {
public:
    static constexpr uint32_t CELLS_PER_SIDE = 16;
    static constexpr uint32_t MAX_SHADER_INSTANCES = 75;
    static constexpr uint32_t MAX_SLICES = 16;
    // More trees than one forest sensibly draws; a larger MAXANZAHL is cut down with a log line.
    static constexpr uint32_t MAX_TREES = 100000;

    BaumObjekt(XMLNode* node, ObjektManager* owner);
    BaumObjekt(const BaumObjekt&) = delete;
    ~BaumObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new BaumObjekt(node, owner); }

    // A forest is never copied.
    BaseObjekt* clone() const override { return nullptr; }
    bool save(XMLNode* node) override;

    // Pass 0: placement, then the buffers.
    void build(int pass) override;
    // Advances the object's clock by the game's frame time.
    void update(Camera* camera, uint32_t value) override;
    void render(Camera* camera) override;
    // Every cell's box from the last to the first, then the object's box.
    void renderBoundingBox(D3DCOLOR colour, bool solid) override;
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;
    // The trees' box stays as placement left it.
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}
    void playRandomAmbientSounds() override {}

    using BaseObjekt::getBoundingBox;
    // The union of the cells the camera's frustum does not reject; a box of no size at the eye
    // when none passes.
    const AABB& getBoundingBox(Camera* camera);

    void onLostDevice() override;
    void onResetDevice() override { createBuffer(); }

    // Placement from a "TREE_DATA" node; discards what an earlier call placed.
    void loadTrees(XMLNode* treeData);
    // A type by the cumulative frequencies, or null when the draw falls past the last.
    const BaumTyp* pickTreeType();
    void createBuffer();
    // The within-distance flag of every cell: true when a corner of its box lies nearer to the
    // eye than farDistance.
    void updateCellDistances(const D3DXVECTOR3& eye, float farDistance);
    // Fills the instance arrays with the trees of the visible cells, grouped by type (first type
    // first, each in cell order); returns their number.
    uint32_t collectVisibleInstances(Camera* camera);
    // From how many cells on the two culling loops share their cells out among threads.
    static void setParallelCells(int cells) { s_parallelCells = cells; }
    static int getParallelCells() { return s_parallelCells; }
    // The visible trees of a type after collectVisibleInstances: [first, first + count) of the
    // instance arrays.
    uint32_t getVisibleTypeFirst(std::size_t type) const { return m_typeFirst[type]; }
    uint32_t getVisibleTypeCount(std::size_t type) const { return m_typeFirst[type + 1] - m_typeFirst[type]; }

    // The vertices and indices of the slices of every instance slot.
    static void buildSliceGeometry(uint32_t slices, std::vector<BaumVertex>& vertices, std::vector<uint32_t>& indices);

    const std::vector<BaumZelle>& getCells() const { return m_cells; }
    // The places of TREE arrangements: type by type, each in cell order.
    void collectTreePlaces(std::vector<TreePlace>& places) const override;
    const std::vector<BaumTyp>& getTypes() const { return m_types; }
    std::size_t getTreeCount() const { return m_positions.size(); }
    uint32_t getVisibleCount() const { return m_visibleCount; }
    const std::vector<D3DXVECTOR4>& getPositions() const { return m_positions; }
    const std::vector<D3DXVECTOR4>& getScales() const { return m_scales; }
    const std::vector<D3DXVECTOR4>& getWind() const { return m_wind; }
    uint32_t getSlices() const { return m_anzSlices; }
    bool isBuilt() const { return m_built; }
    bool hasBuffers() const { return m_buffersValid; }
    // Draw calls of the last render.
    uint32_t getDrawCalls() const { return m_drawCalls; }
    float getTime() const { return m_time; }
    bool getBlend() const { return m_blend; }
    bool getScaleFading() const { return m_scaleFading; }

private:
    void clearTrees();
    void placeTrees(XMLNode* treeData, class HeightMap& terrain);
    void fillInstance(BaumInstanz& tree);
    void sortIntoCells(std::vector<BaumInstanz>& trees);
    void releaseBuffers();

    std::vector<BaumZelle> m_cells;
    std::vector<BaumTyp> m_types;
    IDirect3DIndexBuffer9* m_indexbuffer = nullptr;
    IDirect3DVertexBuffer9* m_vertexbuffer = nullptr;
    std::vector<D3DXVECTOR4> m_positions;
    std::vector<D3DXVECTOR4> m_scales;
    std::vector<D3DXVECTOR4> m_wind;
    uint32_t m_visibleCount = 0;
    uint32_t m_maxShaderInstances = MAX_SHADER_INSTANCES;
    float m_shadow = 0.0f;
    float m_time = 0.0f;
    AABB m_visibleBox;
    uint32_t m_anzSlices = 2;
    XMLNode m_treeData;
    bool m_hasTreeData = false;
    // The shared generator's state when the trees were placed (SEED of a saved forest).
    unsigned m_placementSeed = 0;
    bool m_placementSeeded = false;
    bool m_built = false;
    bool m_buffersValid = false;
    bool m_onlyPhysxTrunk = true;
    IDirect3DVertexDeclaration9* m_vertexDeclaration = nullptr;
    bool m_blend = true;
    bool m_scaleFading = false;
    uint32_t m_drawCalls = 0;
    static int s_parallelCells;
    // Per-frame scratch of the culling loops, sized with the cells.
    std::vector<uint8_t> m_cellVisible;
    std::vector<int> m_visibleCells;
    // Where each type's trees start in the instance arrays, one entry more than types.
    std::vector<uint32_t> m_typeFirst;
    // Each type's next free slot while they are filled.
    std::vector<uint32_t> m_typeNext;
};

} // namespace Ulvo
