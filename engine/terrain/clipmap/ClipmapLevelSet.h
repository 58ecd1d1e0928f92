#pragma once
// The working core of the clipmap terrain: L nested levels round the camera, level 0 the
// finest, level i with cells 2^i finest cells wide. Each level keeps a window of the height
// field in an S x S float texture (red: the height at the texel's grid point, green: what the
// next coarser level has there by linear interpolation). When the camera moves, each level's
// window slides by whole pairs of its own cells and only the band of texels that enters it is
// sampled again: texel coordinates wrap (toroidal addressing), so the texels that stay keep
// their place. Every level is drawn from the same few meshes (ClipmapGeometry) with hardware
// instancing; the per-level and per-block differences are 32-byte instance records.
//
// Positions inside the level set are counted in finest cells: the field's unit square is S
// finest cells wide. The field is never owned here; the owning ClipmapObjekt hands it in.
// Everything lives in the default pool: the owner releases the set before a device reset
// and builds a new one after it.
#include <d3d9.h>
#include <d3dx9math.h>

#include "terrain/clipmap/ClipmapGeometry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Ulvo {

class D3DInterface;
class Effect;
class Parameter;

// One instance record: TEXCOORD0 (cell size twice, corner x, corner z in finest cells) and
// TEXCOORD1 (1/S twice, texture u and v of the corner).
struct ClipmapInstance {
    float cell[4];
    float texture[4];
};
static_assert(sizeof(ClipmapInstance) == 32, "the vertex declaration reads 32-byte records");

struct ClipmapLevel {
    IDirect3DTexture9* heightTexture = nullptr;
    int32_t origin[2] = {0, 0};
    int32_t shift[2] = {0, 0};
    int32_t previousShift[2] = {0, 0};
    uint32_t blockInstanceCount = 0;
};

class ClipmapLevelSet {
public:
    enum BorderMode { BORDER_NONE = 0, BORDER_CLAMP = 1, BORDER_WRAP = 2, BORDER_LINEAR_NULL = 3 };

    ClipmapLevelSet(D3DInterface* d3d, IDirect3DDevice9* device);
    virtual ~ClipmapLevelSet();
    ClipmapLevelSet(const ClipmapLevelSet&) = delete;
    ClipmapLevelSet& operator=(const ClipmapLevelSet&) = delete;

    // Checks the limits, makes the textures, meshes and instance buffer and fills every level.
    // False (after a log line) when a limit is violated or a device object cannot be made;
    // the set then holds nothing and draws nothing.
    bool initClipmap(Effect* effect, Parameter* heightSource, const int32_t& borderMode, const uint16_t& levelCount,
                     uint16_t gridSize, uint16_t texSize);
    // c: the camera in finest cells (y unused); slides the levels and rewrites the instances.
    void update(const float c[3], const D3DXMATRIX& viewProjection);
    // Every level's whole window sampled again (after the field changed).
    void refreshAll();
    // intoSky: the ground fades into the bound sky map's horizon before the outer ring ends, and
    // an apron in that colour reaches on beyond it.
    void draw(const D3DXMATRIX& viewProjection, bool intoSky = false);
    void release();
    bool isReady() const { return m_ready; }

    void setEffect(Effect* effect) { m_effect = effect; }
    Effect* getEffect() const { return m_effect; }
    void setHeightSource(Parameter* source) { m_heightSource = source; }

    // The field at (u, v), each coordinate wrapped into [0, 1] first; 0 without a field.
    static float lookupField(Parameter* field, double u, double v);
    // The height sample of the level fill at (u, v): the border mode continues the field
    // outside the unit square.
    static float sampleField(Parameter* field, int borderMode, double u, double v);

    // What the drawing and the tests read.
    unsigned getLevelCount() const { return static_cast<unsigned>(m_levels.size()); }
    const ClipmapLevel& getLevel(unsigned i) const { return m_levels[i]; }
    unsigned getGridSize() const { return m_n; }
    unsigned getBlockSize() const { return m_m; }
    unsigned getTexSize() const { return m_S; }
    int32_t getWindowOffset() const { return m_windowOffset; }
    const float* getCameraCell() const { return m_cameraCell; }
    const int32_t* getCameraSteps() const { return m_cameraSteps; }
    const std::vector<ClipmapInstance>& getInstances() const { return m_instances; }
    uint32_t getCentreBlockCount() const { return m_centreBlockCount; }
    // The interior trim level i (> 0) draws: it follows where level i - 1 sits in its middle.
    int trimForLevel(unsigned i) const;
    // Texels written since the set was made (every fill counts its texels).
    uint64_t getTexelsWritten() const { return m_texelsWritten; }

    // Records: 12 ring blocks per level, the 4 centre blocks of level 0, one record per level.
    unsigned ringRecord(unsigned level, unsigned block) const { return 12 * level + block; }
    unsigned centreRecord(unsigned block) const { return 12 * getLevelCount() + block; }
    unsigned levelRecord(unsigned level) const { return 12 * getLevelCount() + 4 + level; }

protected:
    // The instance buffer's creation and lock; a test makes them fail.
    virtual HRESULT createInstanceBuffer(UINT length, IDirect3DVertexBuffer9** buffer);
    virtual HRESULT lockInstanceBuffer(void** data, DWORD flags);
    // Level 0 of a height texture for writing, and its unlock; a test hands out rows of its own.
    virtual HRESULT lockHeights(IDirect3DTexture9* texture, D3DLOCKED_RECT* locked);
    virtual void unlockHeights(IDirect3DTexture9* texture);

private:
    bool createDeclaration();
    bool createInstances();
    bool createMeshes();
    bool createBuffers(const std::vector<ClipmapVertex>& vertices, const std::vector<uint16_t>* indices,
                       IDirect3DVertexBuffer9** vertexBuffer, IDirect3DIndexBuffer9** indexBuffer);
    // The block and fix-up go through a D3DX mesh reordered for the vertex cache.
    bool optimised(ClipmapMesh& mesh, bool wideIndices);
    bool createTexture(ClipmapLevel& level);
    // Region fill of level i between the corners (level texel coordinates), direction -1/0/+1.
    // False when a termination signal stopped it between two rows (the level is then half filled).
    bool fillRegion(unsigned i, int32_t x0, int32_t z0, int32_t x1, int32_t z1, int dx, int dz);
    void fillWindow(unsigned i);
    void snapShift(unsigned i);
    void writeInstances();

    D3DInterface* m_d3d;
    IDirect3DDevice9* m_device;
    Effect* m_effect = nullptr;
    Parameter* m_heightSource = nullptr;
    int32_t m_borderMode = 0;
    uint16_t m_n = 0;
    uint16_t m_m = 0;
    uint16_t m_S = 0;
    int32_t m_windowOffset = 0;
    float m_invTexSize = 0.0f;
    float m_cameraCell[2] = {0.0f, 0.0f};
    int32_t m_cameraSteps[2] = {0, 0};
    std::array<std::array<float, 2>, 16> m_blockOrigins{};
    std::vector<ClipmapLevel> m_levels;
    std::vector<ClipmapInstance> m_instances;
    uint32_t m_centreBlockCount = 0;
    uint64_t m_texelsWritten = 0;
    bool m_ready = false;

    IDirect3DVertexDeclaration9* m_declaration = nullptr;
    IDirect3DVertexBuffer9* m_instanceBuffer = nullptr;
    IDirect3DVertexBuffer9* m_blockVertices = nullptr;
    IDirect3DIndexBuffer9* m_blockIndices = nullptr;
    unsigned m_blockVertexCount = 0, m_blockTriangles = 0;
    IDirect3DVertexBuffer9* m_fixUpVertices = nullptr;
    IDirect3DIndexBuffer9* m_fixUpIndices = nullptr;
    unsigned m_fixUpVertexCount = 0, m_fixUpTriangles = 0;
    std::array<IDirect3DVertexBuffer9*, 4> m_trimVertices{};
    IDirect3DIndexBuffer9* m_trimIndices = nullptr;
    unsigned m_trimVertexCount = 0, m_trimTriangles = 0;
    IDirect3DVertexBuffer9* m_ringVertices = nullptr;
    IDirect3DIndexBuffer9* m_ringIndices = nullptr;
    unsigned m_ringVertexCount = 0, m_ringTriangles = 0;
};

} // namespace Ulvo
