#pragma once
// The grid terrain: a square grid of (2^k + 1)² vertices whose heights are the sum of a height
// texture, Perlin noise and a procedural field, with four texture layers blended by a weight
// texture painted from layer fields, and a quadtree that picks the level of detail per camera.
//
// Data flow: the description (HEIGHTMAP_DATA, TEXTURES, the "<NAME>.data" sidecar) builds the CPU
// grid: the vertex array (the vertex buffer's copy, world space), positionsA/B (true positions and
// morph targets) and the marks the quadtree works in. Edits change the arrays at once and set
// change flags; endModify turns the flags into the derived data (normals, the vertex buffer, the
// bounds, a new quadtree) and emits terrainChanged. Per camera the quadtree chooses the blocks;
// render writes their indices into a dynamic index buffer and draws the whole grid in one call.
//
// Rules: everything runs on the scene's thread except the spline flattening's column loop, whose
// workers read a snapshot of the heights and write only their own columns. The dynamic buffers
// live in the default pool and are made again from the CPU arrays after a device reset. Other
// code sees the terrain only through HeightMap.
#include <d3d9.h>
#include <d3dx9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/helpers/FlagSet.h"
#include "foundation/sigslot.h"
#include "scene/objects/BaseObjekt.h"
#include "terrain/TerrainHeightMap.h"
#include "terrain/heightmap/HeightMapVertex.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Ulvo {

struct HeightSources;
class LayerParameter;
class ObjektManager;
class Parameter;
class Spline;
class TerrainQuadNode;
class Texture2D;
class XMLNode;

class HeightMapObjekt : public BaseObjekt, public TerrainHeightMap, public DeviceResource {
public:
    // Change bits (changeFlags).
    enum ChangeBit : unsigned {
        CHANGED = 0,         // something changed
        HEIGHTS_CHANGED = 1, // heights edited
        REBUILD = 2,         // endModify recomputes normals, buffer, bounds and quadtree
        BUFFERS_REMADE = 3,  // the device buffers were made again
    };
    // The largest grid side a description may ask for; more is capped with a log line.
    static constexpr uint32_t kMaxGridSize = 1025;
    // What a grid of cells x cells holds, in the scene budget's bytes: per vertex its copies on
    // the processor and the vertex buffer, per cell the index buffers, their copies and the
    // quadtree. The blend picture of side x side texels comes on top (blendBytes).
    static uint64_t gridBytes(uint32_t cells);
    static uint64_t blendBytes(uint32_t side);

    HeightMapObjekt(XMLNode* node, ObjektManager* owner);
    HeightMapObjekt(const HeightMapObjekt&) = delete;
    HeightMapObjekt& operator=(const HeightMapObjekt&) = delete;
    ~HeightMapObjekt() override;
    // The factory's creator for HEIGHTMAP (and CLIPMAP descriptions made grid terrains).
    static BaseObjekt* create(XMLNode* node, ObjektManager* owner);

    // The grid terrain cannot be copied.
    BaseObjekt* clone() const override { return nullptr; }
    bool save(XMLNode* node) override;

    // HEIGHTMAP_DATA: the grid from its sources; false when SIZE is 0 (or absent) or a device
    // buffer cannot be made.
    bool loadHeightMap(XMLNode* data);
    // One smoothing of all heights: a binomial kernel of 2 radius + 1 taps along z, then along x,
    // blended by strength (times the field's value when there is one).
    void smoothHeights(int radius, double strength, const Parameter* field);
    // Frees the device buffers, the arrays and the quadtree.
    void release();
    void setLayerTexScale(int layer, float nearScale, float farScale);

    // HeightMap
    void setHeight(const D3DXVECTOR3& point) override;
    void setHeightUV(const D3DXVECTOR2& uv, double& height) override;
    void modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor) override;
    void addHeightModifier(const D3DXVECTOR2& centre, const D3DXVECTOR2& value, double radius) override;
    void addHeightUV(const D3DXVECTOR2& uv, double& delta) override;
    float getHeightUV(const D3DXVECTOR2& uv) override;
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override;
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) override;
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool smooth) override;
    void beginModify() override;
    void endModify() override;

    // Recomputes every vertex normal when a rebuild is asked for, and clears that bit.
    void computeNormals();
    // The whole vertex array into the vertex buffer when any change bit is set.
    bool uploadVertices();
    // One layer's weight in one blend texel; the others are scaled by 1 - weight.
    void setBlendWeight(uint32_t x, uint32_t y, uint32_t layer, const float& weight);
    // Paints the blend texture from the layer fields (none: the terrain's own), optionally
    // clearing it first; later layers cover earlier ones by their weight.
    void paintLayers(const LayerParameter* weights, bool clear);
    // Scales each texel so that its weights sum to 1; an all-zero texel stays zero.
    void normalizeBlendWeights();
    // Flattens the terrain along a spline given in UV units: within radius (world units) to the
    // spline's height, then blending back over falloff. Columns run in parallel.
    void modifyAlongSpline(double radius, const Spline* spline, const float factors[2], const bool& setOnTerrain,
                           const double& falloff);

    // BaseObjekt
    void build(int pass) override;
    void update(Camera* camera, uint32_t value) override;
    void render(Camera* camera) override;
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;
    void computeWorldBox() override;
    void computeBoundingSphere() override;
    // The box of the quadtree blocks the camera sees at their chosen level.
    const AABB& getViewBox(Camera* camera);

    // DeviceResource: the dynamic buffers go with the device and are made again from the arrays.
    void onLostDevice() override;
    void onResetDevice() override;

    uint32_t getGridSize() const { return m_gridSize; }
    uint32_t getBlendSize() const { return m_blendSize; }
    uint32_t getIndexCount() const { return m_indexCount; }
    // How often indices were handed to an index buffer since the terrain was made.
    uint32_t getIndexUploads() const { return m_indexUploads; }
    // How often the quadtree worked out its levels for a camera.
    uint32_t getTreeUpdates() const { return m_treeUpdates; }
    const std::vector<HeightMapVertex>& getVertices() const { return m_vertices; }
    const std::vector<D3DXVECTOR3>& getPositionsA() const { return m_positionsA; }
    const std::vector<D3DXVECTOR3>& getPositionsB() const { return m_positionsB; }
    const TerrainQuadNode* getQuadtree() const { return m_quadtree.get(); }
    const FlagSet& getChangeFlags() const { return m_changeFlags; }
    uint32_t getBlendLockCount() const { return m_blendLockCount; }
    Texture2D* getBlendTexture() const { return m_blendTexture; }
    Texture2D* getLayerTexture(int layer) const { return m_layerTextures[layer]; }
    Texture2D* getColourMap() const { return m_colourMap; }
    bool isHeightLocked() const { return m_lockHeight; }
    bool isTextureLocked() const { return m_lockTexture; }
    bool isMorphing() const { return m_morphing; }
    double getLodC() const { return m_lodC; }
    double getLodSmallC() const { return m_lodSmallC; }
    float getBorderFactor() const { return m_borderFactor; }
    float getBumpAmount() const { return m_bumpAmount; }
    float getShadowValue() const { return m_shadowValue; }
    const float* getTexScaleNear() const { return m_texScaleNear; }
    const float* getTexScaleFar() const { return m_texScaleFar; }
    bool hasBuffers() const { return m_vertexBuffer && m_indexSlots[0].buffer; }
    const LayerParameter* getLayerWeights() const { return m_layerWeights.get(); }

    sigslot::signal2<HeightMapObjekt&, const D3DXVECTOR3&> heightChanged;
    sigslot::signal1<HeightMapObjekt&> terrainChanged;

private:
    // A blend picture larger than the grid's own pays its extra texels (a managed picture keeps
    // a copy in memory too); false when the scene has no room for them.
    bool admitBlendSize(uint32_t side);
    // Index buffers for the last few selections: a frame draws the terrain for several cameras
    // (the scene, the water's mirror), whose levels of detail differ, so each buffer keeps what it
    // holds and indices are uploaded only when a camera's selection changes. Slot 0's buffer
    // (the largest selection fits) is made with the vertex buffer; the others as they are needed,
    // as large as their selection.
    // What the quadtree's choice depends on: the camera and its culling window, the eye the levels
    // are measured from, the levels' constants and the tree itself (a new one after every edit).
    struct ViewKey {
        D3DXMATRIX view, projection;
        D3DXVECTOR4 window;
        D3DXVECTOR3 eye;
        double lodC = 0.0, lodSmallC = 0.0;
        uint64_t tree = 0;
        bool operator==(const ViewKey& other) const
        {
            return view == other.view && projection == other.projection && window == other.window && eye == other.eye &&
                   lodC == other.lodC && lodSmallC == other.lodSmallC && tree == other.tree;
        }
    };
    struct IndexSlot {
        IDirect3DIndexBuffer9* buffer = nullptr;
        uint32_t capacity = 0;      // indices the buffer takes
        std::vector<uint32_t> held; // what the buffer holds while valid
        bool valid = false;
        uint64_t lastUse = 0;
        bool keyed = false; // the view below chose what the buffer holds
        ViewKey key;
    };
    static constexpr int kIndexSlots = 3;
    // The grid cell under a UV point; false off the terrain or without a grid.
    struct Cell {
        uint32_t ix, iz, ix1, iz1;
        float fx, fz, rx, rz;
    };
    bool cellAt(const D3DXVECTOR2& uv, Cell& cell) const;
    uint32_t index(uint32_t column, uint32_t row) const { return row * m_gridSize + column; }
    // The height of vertex (column, row) in every copy.
    void storeHeight(uint32_t i, float y);
    bool createBuffers();
    void releaseBuffers();
    // The slot holding indices[0, count), filled into the least recently used one when none
    // does; null when no buffer takes them.
    IndexSlot* indexSlotFor(const uint32_t* indices, uint32_t count);
    // The slot filled for the view in m_marksKey, if one still holds it.
    IndexSlot* slotOfMarksKey();
    // Works out the quadtree's marks for the camera from the eye in m_marksKey.
    void walkTree(const Camera& camera);
    bool createBlendTexture();
    // Ends an open blend-texture lock whatever its depth.
    void endBlendLock();
    bool lockBlend();
    void unlockBlend();
    void readSidecar(HeightSources& sources);
    void readDescriptionAfterGrid(XMLNode* data);
    void flattenAlongSpline(XMLNode* flatten);
    void rebuildQuadtree();
    Texture2D* lookUpTexture(const std::wstring& name);
    void setEffectVariables(ID3DXEffect* effect, Camera* camera);

    uint32_t m_gridSize = 0;
    uint32_t m_vertexCount = 0;
    std::vector<HeightMapVertex> m_vertices;
    std::vector<D3DXVECTOR3> m_positionsA;
    std::vector<D3DXVECTOR3> m_positionsB;
    std::vector<uint8_t> m_vertexMarks;
    // Per grid row the x and z its vertices span (min x, max x, min z, max z), made at the first
    // carve after a build: a carve then walks only the rows its circle reaches. Edits change y
    // alone, so the spans hold until the grid is built again.
    std::vector<float> m_rowSpans;
    std::unique_ptr<TerrainQuadNode> m_quadtree;
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    IndexSlot m_indexSlots[kIndexSlots];
    uint64_t m_indexUses = 0;
    uint32_t m_indexUploads = 0;
    // The indices of the last render.
    uint32_t m_indexCount = 0;
    // The frame's indices before they are compared with the slots'.
    std::vector<uint32_t> m_indexScratch;
    AABB m_viewBox;
    // The view the quadtree's marks were last asked for; while a slot holds what that view
    // chose, the marks are not worked out again (a still camera's frames cost no tree walk).
    ViewKey m_marksKey;
    bool m_marksKeyValid = false;
    bool m_marksCurrent = false;
    uint64_t m_treeGeneration = 0;
    uint32_t m_treeUpdates = 0;
    double m_lodC = 4.0;
    double m_lodSmallC = 10.0;
    bool m_morphing = false;
    bool m_lockHeight = false;
    bool m_lockTexture = false;
    Texture2D* m_layerTextures[4] = {nullptr, nullptr, nullptr, nullptr};
    Texture2D* m_colourMap = nullptr;
    Texture2D* m_bumpTextures[4] = {nullptr, nullptr, nullptr, nullptr};
    Texture2D* m_whiteTexture = nullptr;
    Texture2D* m_blendTexture = nullptr;
    uint32_t m_blendSize = 0;
    RECT m_blendRect{0, 0, 0, 0};
    uint32_t m_blendLockCount = 0;
    float m_texScaleNear[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_texScaleFar[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_blendStart = 5.0f;
    float m_blendEnd = 20.0f;
    float m_shadowValue = 0.0f;
    float m_bumpAmount = 0.0f;
    float m_borderFactor = 2.0f;
    FlagSet m_changeFlags;
    D3DXMATRIX m_inverseRotation;
    std::unique_ptr<LayerParameter> m_layerWeights;
    // The description, written back by save.
    std::unique_ptr<XMLNode> m_description;
};

} // namespace Ulvo
