#pragma once
// The engine's own sprite drawer: draw calls between Begin and End become quads
// queued in a 2D and a 3D list; End draws them through the effect given to
// Begin, grouping consecutive quads into batches of up to four textures taken
// from one dynamic vertex buffer used as a ring.
#include <d3d9.h>
#include <d3dx9effect.h>
#include <d3dx9math.h>

#include "graphics/sprites/BaseSprite.h"

#include <cstdint>
#include <vector>

namespace Ulvo {

class Effect;

// The vertex written to the vertex buffer (48 bytes, FVF below).
struct SpriteVertex {
    float x, y, z, w; // screen pixels with rhw 1 (2D) or world space with w 1 (3D)
    D3DCOLOR colour;
    float u, v;
    float slot;           // texture slot 0..3 within the batch, written at flush time
    float cx, cy, cz, cw; // 3D only: the quad's centre, w 0
};
static_assert(sizeof(SpriteVertex) == 48, "the vertex layout is a hardware format");

// One queued draw: corners top-left, top-right, bottom-left, bottom-right.
struct SpriteQuad {
    SpriteVertex vertices[4];
    IDirect3DTexture9* texture; // not reference counted
    uint8_t slot;
    // A 2D quad drawn texel for pixel: unscaled, unturned, on whole pixels.
    bool aligned;
    float sortKey; // squared distance to the camera (3D, set by End)
};

class Sprite : public BaseSprite {
public:
    // Alpha testing for the 3D list with blending on; a Begin flag of this drawer.
    static constexpr DWORD SPRITE_ALPHATEST = 512;
    static constexpr DWORD FVF_3D = D3DFVF_XYZW | D3DFVF_DIFFUSE | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE2(0) |
                                    D3DFVF_TEXCOORDSIZE1(1) | D3DFVF_TEXCOORDSIZE4(2);
    static constexpr DWORD FVF_2D = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE2(0) |
                                    D3DFVF_TEXCOORDSIZE1(1) | D3DFVF_TEXCOORDSIZE4(2);
    // A few frames of quads: the vertex buffer and the driver's copy of it take 192 KB each per
    // thousand quads, and a wrap costs one discard.
    static constexpr UINT RING_QUADS = 4096;
    // Quads left unused between two batches in the ring.
    static constexpr UINT RING_GAP = 4;
    // A software rasteriser (llvmpipe) fills a quad's two triangles as one rectangle, with no
    // diagonal whose blocks both triangles shade, while no depth buffer is bound and the draw
    // reaches it whole: its vertex stage cuts longer draws at counts that split quads.
    static constexpr UINT RECTANGLE_DRAW_QUADS = 170;
    // From this many 2D quads without a stencil test, End draws them with the depth buffer
    // unbound (the sprite's own 2D techniques test no depth); a smaller list would not repay the
    // two hand-overs to the rasteriser that changing the target's buffers costs.
    static constexpr size_t UNBOUND_DEPTH_QUADS = 256;

    Sprite();
    ~Sprite() override;
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Follows the device's lost and reset signals and makes the buffers now, or
    // when the device is created. Always true.
    bool create() override;
    // False while a batch is open, without buffers or without an effect; the
    // queued quads of an open batch are kept then.
    bool Begin(DWORD flags, Effect* effect = nullptr) override;
    // Draws the queued quads; always false, as this drawer reports no flush.
    bool End() override;
    void resumeBatch() override {}
    void suspendBatch() override {}
    void onLostDevice() override;
    void onResetDevice() override;

    bool drawTexture2D(Texture2D* texture, const RECT* source, const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                       D3DCOLOR colour) override;
    // False for a null texture or a quad wholly off the screen.
    bool drawRaw2D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR2* scaling,
                   const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                   D3DCOLOR colour) override;
    // A unit square scaled to world size; center is in the unit square's
    // coordinates and is both the scaling and the rotation centre.
    bool drawRaw3D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR3* scaling,
                   const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                   D3DCOLOR colour) override;
    bool drawTexture3D(Texture2D* texture, const RECT* source, const D3DXVECTOR3* scaling,
                       const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                       D3DCOLOR colour) override;

    bool isInBatch() const { return m_depth > 0; }
    const std::vector<SpriteQuad>& getQuads2D() const { return m_quads2D; }
    const std::vector<SpriteQuad>& getQuads3D() const { return m_quads3D; }
    UINT getRingPosition() const { return m_ring; }
    // Places the ring, as after a long run of batches.
    void setRingPosition(UINT quad) { m_ring = quad % RING_QUADS; }
    // What the flushes of the last End did: batches drawn, how many of them
    // used the form of their technique for one or two textures and how many
    // sampled texel for pixel, how many held only quads in opaque white, and how many
    // vertex-buffer locks discarded the buffer.
    UINT getBatchCount() const { return m_batchCount; }
    UINT getNarrowBatchCount() const { return m_narrowBatchCount; }
    UINT getPointBatchCount() const { return m_pointBatchCount; }
    UINT getWhiteBatchCount() const { return m_whiteBatchCount; }
    UINT getDiscardCount() const { return m_discardCount; }
    // Whether the last End drew 2D quads with the depth buffer unbound (each pass of the effect
    // that tests depth or stencil binds it again for the rest).
    bool drewWithoutDepth() const { return m_drewWithoutDepth; }
    IDirect3DVertexBuffer9* getVertexBuffer() const { return m_vertexBuffer; }

private:
    void releaseBuffers();
    bool uvFor(IDirect3DTexture9* texture, const RECT& source, float& u0, float& v0, float& u1, float& v1);
    void sortQuads3D(const D3DXMATRIX& viewInverse);
    // Draws the list with the technique named, or for batches of one or two
    // textures its form for as many ("_1Tex", "_2Tex") when the effect has it.
    void flushList(std::vector<SpriteQuad>& quads, const char* technique);
    // Binds the depth-stencil surface End took away, if it did.
    void bindDepthAgain(IDirect3DDevice9* device);
    void drawBatch(std::vector<SpriteQuad>& quads, size_t first, UINT count, IDirect3DTexture9* const* textures,
                   UINT textureCount, UINT passes, bool aligned, bool white);

    uint32_t m_depth = 0;
    Effect* m_effect = nullptr;
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* m_indexBuffer = nullptr;
    DWORD m_flags = 0;
    std::vector<SpriteQuad> m_quads2D;
    std::vector<SpriteQuad> m_quads3D;
    UINT m_ring = 0;
    D3DXVECTOR3 m_unitCorners[4];
    D3DXVECTOR3 m_corners[4];

    // Set when the ring has gone back to its start since the last lock: the
    // next lock discards, so quads still read by queued draws are never
    // overwritten.
    bool m_ringWrapped = false;
    UINT m_batchCount = 0;
    UINT m_narrowBatchCount = 0;
    UINT m_pointBatchCount = 0;
    UINT m_whiteBatchCount = 0;
    UINT m_discardCount = 0;
    bool m_drewWithoutDepth = false;
    // The depth-stencil surface End unbound for its 2D list, held until bound again.
    IDirect3DSurface9* m_unboundDepth = nullptr;
    // The effect's texture parameters, its filter and its colour switches, looked up once per End.
    D3DXHANDLE m_textureHandles[4] = {};
    D3DXHANDLE m_filterHandle = nullptr;
    D3DXHANDLE m_tintHandle = nullptr;
    // The last texture whose size uvFor asked, and that size.
    IDirect3DTexture9* m_sizedTexture = nullptr;
    float m_textureWidth = 1.0f;
    float m_textureHeight = 1.0f;
};

} // namespace Ulvo
