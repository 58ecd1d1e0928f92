// ID3DXSprite: textured quads queued between Begin and End, transformed on the CPU by the
// sprite transform, and drawn as triangle lists through DrawPrimitiveUP, one call per run of
// quads with the same texture. The queue and vertex arrays keep their capacity, so after the
// first frames drawing allocates nothing.
#include <d3dx9core.h>

#include "common/ComObject.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

const IID IID_ID3DXSprite = {0x7d3a0001, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}};

namespace {

struct SpriteVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kSpriteFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// Quads per DrawPrimitiveUP call at most, to keep each upload bounded.
constexpr size_t kMaxQuadsPerCall = 2048;

// A quad's extent on the target, and whether it is a rectangle along the axes.
struct SpriteBounds {
    float left, top, right, bottom;
    bool upright;
};

struct QueuedQuad {
    IDirect3DTexture9* texture;
    SpriteVertex corners[4]; // top left, top right, bottom left, bottom right
    float depth;             // sort key: z after the sprite transform (and world-view)
};

// Render states Begin sets (unless told not to) and End puts back.
struct StateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

const D3DRENDERSTATETYPE kSavedRenderStates[] = {
    D3DRS_ALPHABLENDENABLE,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_BLENDOP,
    D3DRS_ALPHATESTENABLE,
    D3DRS_ALPHAFUNC,
    D3DRS_ALPHAREF,
    D3DRS_SEPARATEALPHABLENDENABLE,
    D3DRS_CULLMODE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_LIGHTING,
    D3DRS_FOGENABLE,
    D3DRS_RANGEFOGENABLE,
    D3DRS_SPECULARENABLE,
    D3DRS_STENCILENABLE,
    D3DRS_COLORWRITEENABLE,
    D3DRS_CLIPPLANEENABLE,
    D3DRS_VERTEXBLEND,
    D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_WRAP0,
    D3DRS_SRGBWRITEENABLE,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_CLIPPING,
};
constexpr size_t kRenderStateCount = sizeof(kSavedRenderStates) / sizeof(kSavedRenderStates[0]);

struct StageState {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
};
const StageState kSavedStageStates[] = {
    {0, D3DTSS_COLOROP},   {0, D3DTSS_COLORARG1}, {0, D3DTSS_COLORARG2},     {0, D3DTSS_ALPHAOP},
    {0, D3DTSS_ALPHAARG1}, {0, D3DTSS_ALPHAARG2}, {0, D3DTSS_TEXCOORDINDEX}, {0, D3DTSS_TEXTURETRANSFORMFLAGS},
    {1, D3DTSS_COLOROP},   {1, D3DTSS_ALPHAOP},
};
constexpr size_t kStageStateCount = sizeof(kSavedStageStates) / sizeof(kSavedStageStates[0]);

const D3DSAMPLERSTATETYPE kSavedSamplerStates[] = {
    D3DSAMP_ADDRESSU,  D3DSAMP_ADDRESSV,    D3DSAMP_MAGFILTER,     D3DSAMP_MINFILTER,
    D3DSAMP_MIPFILTER, D3DSAMP_MAXMIPLEVEL, D3DSAMP_MIPMAPLODBIAS, D3DSAMP_SRGBTEXTURE,
};
constexpr size_t kSamplerStateCount = sizeof(kSavedSamplerStates) / sizeof(kSavedSamplerStates[0]);

const D3DTRANSFORMSTATETYPE kSavedTransforms[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};

DWORD floatBits(float value)
{
    DWORD bits;
    static_assert(sizeof(bits) == sizeof(value));
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

class Sprite final : public PlatformInternal::ComObject<ID3DXSprite> {
public:
    explicit Sprite(IDirect3DDevice9* device) : m_device(device)
    {
        m_device->AddRef();
        D3DXMatrixIdentity(&m_transform);
        D3DXMatrixIdentity(&m_world);
        D3DXMatrixIdentity(&m_view);
        m_queue.reserve(64);
        m_order.reserve(64);
        m_vertices.reserve(64 * 6);
    }
    ~Sprite() override
    {
        if (m_begun)
            End();
        dropQueue();
        m_device->Release();
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return PlatformInternal::handOutReference(m_device, ppDevice, D3DERR_INVALIDCALL);
    }
    HRESULT GetTransform(D3DXMATRIX* pTransform) override
    {
        if (!pTransform)
            return D3DERR_INVALIDCALL;
        *pTransform = m_transform;
        return D3D_OK;
    }
    HRESULT SetTransform(const D3DXMATRIX* pTransform) override
    {
        if (!pTransform)
            return D3DERR_INVALIDCALL;
        m_transform = *pTransform;
        return D3D_OK;
    }
    HRESULT SetWorldViewRH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) override
    {
        return setWorldView(pWorld, pView);
    }
    HRESULT SetWorldViewLH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) override
    {
        return setWorldView(pWorld, pView);
    }

    HRESULT Begin(DWORD Flags) override;
    HRESULT Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                 const D3DXVECTOR3* pPosition, D3DCOLOR Color) override;
    HRESULT Flush() override;
    HRESULT End() override;
    HRESULT OnLostDevice() override
    {
        // Nothing of the sprite lives in the default pool; queued textures may, so their
        // references go (a device with references left cannot be reset).
        dropQueue();
        if (m_begun)
            End();
        return D3D_OK;
    }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    HRESULT setWorldView(const D3DXMATRIX* world, const D3DXMATRIX* view)
    {
        if (world)
            m_world = *world;
        else
            D3DXMatrixIdentity(&m_world);
        if (view)
            m_view = *view;
        else
            D3DXMatrixIdentity(&m_view);
        m_worldViewSet = world || view;
        return D3D_OK;
    }

    void joinTextureRuns();
    void saveState();
    void restoreState();
    void setSpriteStates();
    void setScreenSpaceTransforms();
    void drawRun(IDirect3DTexture9* texture, size_t first, size_t count);
    void dropQueue()
    {
        if (!(m_flags & D3DXSPRITE_DO_NOT_ADDREF_TEXTURE))
            for (QueuedQuad& quad : m_queue)
                quad.texture->Release();
        m_queue.clear();
    }

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXSprite); }

    IDirect3DDevice9* m_device;
    D3DXMATRIX m_transform;
    D3DXMATRIX m_world, m_view;
    bool m_worldViewSet = false;
    bool m_begun = false;
    DWORD m_flags = 0;

    std::vector<QueuedQuad> m_queue;
    std::vector<uint32_t> m_order;
    std::vector<SpriteVertex> m_vertices;
    // Joining texture runs in drawing order (joinTextureRuns), kept from flush to flush.
    struct Run {
        IDirect3DTexture9* texture;
        uint32_t head, tail; // quads chained through m_next
        SpriteBounds bounds; // around all of its quads
    };
    std::vector<SpriteBounds> m_bounds;
    std::vector<uint32_t> m_next;
    std::vector<Run> m_runs;

    // Saved device state (valid between Begin and End without DONOTSAVESTATE).
    bool m_saved = false;
    DWORD m_renderStates[kRenderStateCount] = {};
    DWORD m_stageStates[kStageStateCount] = {};
    DWORD m_samplerStates[kSamplerStateCount] = {};
    D3DMATRIX m_transforms[3] = {};
    IDirect3DBaseTexture9* m_savedTexture = nullptr;
    IDirect3DVertexDeclaration9* m_savedDeclaration = nullptr;
    DWORD m_savedFvf = 0;
    IDirect3DVertexShader9* m_savedVertexShader = nullptr;
    IDirect3DPixelShader9* m_savedPixelShader = nullptr;
};

void Sprite::saveState()
{
    for (size_t i = 0; i < kRenderStateCount; ++i)
        m_device->GetRenderState(kSavedRenderStates[i], &m_renderStates[i]);
    for (size_t i = 0; i < kStageStateCount; ++i)
        m_device->GetTextureStageState(kSavedStageStates[i].stage, kSavedStageStates[i].type, &m_stageStates[i]);
    for (size_t i = 0; i < kSamplerStateCount; ++i)
        m_device->GetSamplerState(0, kSavedSamplerStates[i], &m_samplerStates[i]);
    for (size_t i = 0; i < 3; ++i)
        m_device->GetTransform(kSavedTransforms[i], &m_transforms[i]);
    m_device->GetTexture(0, &m_savedTexture);
    m_device->GetVertexDeclaration(&m_savedDeclaration);
    m_device->GetFVF(&m_savedFvf);
    m_device->GetVertexShader(&m_savedVertexShader);
    m_device->GetPixelShader(&m_savedPixelShader);
    m_saved = true;
}

void Sprite::restoreState()
{
    if (!m_saved)
        return;
    for (size_t i = 0; i < kRenderStateCount; ++i)
        m_device->SetRenderState(kSavedRenderStates[i], m_renderStates[i]);
    for (size_t i = 0; i < kStageStateCount; ++i)
        m_device->SetTextureStageState(kSavedStageStates[i].stage, kSavedStageStates[i].type, m_stageStates[i]);
    for (size_t i = 0; i < kSamplerStateCount; ++i)
        m_device->SetSamplerState(0, kSavedSamplerStates[i], m_samplerStates[i]);
    for (size_t i = 0; i < 3; ++i)
        m_device->SetTransform(kSavedTransforms[i], &m_transforms[i]);
    m_device->SetTexture(0, m_savedTexture);
    // An FVF of 0 means the declaration was set directly.
    if (m_savedFvf)
        m_device->SetFVF(m_savedFvf);
    else
        m_device->SetVertexDeclaration(m_savedDeclaration);
    m_device->SetVertexShader(m_savedVertexShader);
    m_device->SetPixelShader(m_savedPixelShader);
    for (IUnknown* held : {static_cast<IUnknown*>(m_savedTexture), static_cast<IUnknown*>(m_savedDeclaration),
                           static_cast<IUnknown*>(m_savedVertexShader), static_cast<IUnknown*>(m_savedPixelShader)})
        if (held)
            held->Release();
    m_savedTexture = nullptr;
    m_savedDeclaration = nullptr;
    m_savedVertexShader = nullptr;
    m_savedPixelShader = nullptr;
    m_saved = false;
}

void Sprite::setSpriteStates()
{
    const bool blend = (m_flags & D3DXSPRITE_ALPHABLEND) != 0;
    const StateValue states[] = {
        {D3DRS_ALPHABLENDENABLE, DWORD(blend)},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        // Fully transparent texels leave the depth and stencil buffers alone.
        {D3DRS_ALPHATESTENABLE, DWORD(blend)},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
        {D3DRS_ALPHAREF, 0},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_LIGHTING, FALSE},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_RANGEFOGENABLE, FALSE},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_CLIPPLANEENABLE, 0},
        {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
        {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
        {D3DRS_WRAP0, 0},
        {D3DRS_SRGBWRITEENABLE, FALSE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_CLIPPING, TRUE},
    };
    for (const StateValue& s : states)
        m_device->SetRenderState(s.state, s.value);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    m_device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
    m_device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, floatBits(0.0f));
    m_device->SetSamplerState(0, D3DSAMP_SRGBTEXTURE, FALSE);
    m_device->SetVertexShader(nullptr);
    m_device->SetPixelShader(nullptr);
}

// Pixel coordinates of the render target with D3D's pixel centres on integers: the projection
// is shifted by half a pixel so that a quad from 0 to W covers pixels 0..W-1 exactly.
void Sprite::setScreenSpaceTransforms()
{
    D3DVIEWPORT9 vp{};
    m_device->GetViewport(&vp);
    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    const float left = float(vp.X) + 0.5f, top = float(vp.Y) + 0.5f;
    D3DXMatrixOrthoOffCenterLH(&projection, left, left + float(vp.Width), top + float(vp.Height), top, 0.0f, 1.0f);
    m_device->SetTransform(D3DTS_WORLD, &identity);
    m_device->SetTransform(D3DTS_VIEW, &identity);
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
}

HRESULT Sprite::Begin(DWORD Flags)
{
    if (m_begun)
        return D3DERR_INVALIDCALL;
    m_flags = Flags;
    m_begun = true;
    if (!(Flags & D3DXSPRITE_DONOTSAVESTATE))
        saveState();
    if (!(Flags & D3DXSPRITE_DONOTMODIFY_RENDERSTATE))
        setSpriteStates();
    return D3D_OK;
}

HRESULT Sprite::Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                     const D3DXVECTOR3* pPosition, D3DCOLOR Color)
{
    if (!m_begun || !pTexture)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    if (FAILED(pTexture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
        return D3DERR_INVALIDCALL;
    // With the sprite's own blending, a colour of alpha 0 makes every texel fail the alpha
    // test: nothing would be written, so nothing is shaded (a faded-out full-screen picture
    // costs a rasteriser a whole screen of work).
    if ((m_flags & D3DXSPRITE_ALPHABLEND) && !(m_flags & D3DXSPRITE_DONOTMODIFY_RENDERSTATE) && (Color >> 24) == 0)
        return D3D_OK;
    const float textureWidth = float(desc.Width), textureHeight = float(desc.Height);
    RECT src = pSrcRect ? *pSrcRect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
    const float w = float(src.right - src.left), h = float(src.bottom - src.top);
    const D3DXVECTOR3 centre = pCenter ? *pCenter : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 position = pPosition ? *pPosition : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const float x0 = position.x - centre.x, y0 = position.y - centre.y, z = position.z - centre.z;
    const float u0 = float(src.left) / textureWidth, u1 = float(src.right) / textureWidth;
    const float v0 = float(src.top) / textureHeight, v1 = float(src.bottom) / textureHeight;

    QueuedQuad quad;
    quad.texture = pTexture;
    const float xs[4] = {x0, x0 + w, x0, x0 + w};
    const float ys[4] = {y0, y0, y0 + h, y0 + h};
    const float us[4] = {u0, u1, u0, u1};
    const float vs[4] = {v0, v0, v1, v1};
    const D3DXMATRIX& m = m_transform;
    for (int i = 0; i < 4; ++i) {
        SpriteVertex& v = quad.corners[i];
        v.x = xs[i] * m._11 + ys[i] * m._21 + z * m._31 + m._41;
        v.y = xs[i] * m._12 + ys[i] * m._22 + z * m._32 + m._42;
        v.z = xs[i] * m._13 + ys[i] * m._23 + z * m._33 + m._43;
        v.color = Color;
        v.u = us[i];
        v.v = vs[i];
    }
    if ((m_flags & D3DXSPRITE_BILLBOARD) && (m_flags & D3DXSPRITE_OBJECTSPACE)) {
        // Offsets from the transformed origin turn with the inverse of the view's rotation, so
        // the quad faces the camera.
        const float ox = position.x * m._11 + position.y * m._21 + position.z * m._31 + m._41;
        const float oy = position.x * m._12 + position.y * m._22 + position.z * m._32 + m._42;
        const float oz = position.x * m._13 + position.y * m._23 + position.z * m._33 + m._43;
        const D3DXMATRIX& r = m_view; // rotation part; its transpose is the inverse
        for (SpriteVertex& v : quad.corners) {
            const float dx = v.x - ox, dy = v.y - oy, dz = v.z - oz;
            v.x = ox + dx * r._11 + dy * r._12 + dz * r._13;
            v.y = oy + dx * r._21 + dy * r._22 + dz * r._23;
            v.z = oz + dx * r._31 + dy * r._32 + dz * r._33;
        }
    }
    // Sort key: the quad's centre depth, in view space when a world-view was given.
    float cx = 0, cy = 0, cz = 0;
    for (const SpriteVertex& v : quad.corners) {
        cx += v.x * 0.25f;
        cy += v.y * 0.25f;
        cz += v.z * 0.25f;
    }
    if ((m_flags & D3DXSPRITE_OBJECTSPACE) && m_worldViewSet) {
        const D3DXMATRIX wv = m_world * m_view;
        quad.depth = cx * wv._13 + cy * wv._23 + cz * wv._33 + wv._43;
    } else {
        quad.depth = cz;
    }
    if (!(m_flags & D3DXSPRITE_DO_NOT_ADDREF_TEXTURE))
        pTexture->AddRef();
    m_queue.push_back(quad);
    return D3D_OK;
}

void Sprite::drawRun(IDirect3DTexture9* texture, size_t first, size_t count)
{
    m_device->SetTexture(0, texture);
    while (count > 0) {
        const size_t quads = std::min(count, kMaxQuadsPerCall);
        m_vertices.clear();
        for (size_t i = 0; i < quads; ++i) {
            const SpriteVertex* c = m_queue[m_order[first + i]].corners;
            // Two triangles: 0 1 2 and 2 1 3.
            m_vertices.push_back(c[0]);
            m_vertices.push_back(c[1]);
            m_vertices.push_back(c[2]);
            m_vertices.push_back(c[2]);
            m_vertices.push_back(c[1]);
            m_vertices.push_back(c[3]);
        }
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(quads * 2), m_vertices.data(), sizeof(SpriteVertex));
        first += quads;
        count -= quads;
    }
}

namespace {

// Whether two quads' bounds may share a pixel. Bounds that only touch share none when both
// quads are rectangles along the axes: a pixel centre on the line between them belongs to one
// side only by the rasteriser's fill rule (rounding to its grid keeps the order of coordinates,
// so bounds apart or touching stay so).
bool mayMeet(const SpriteBounds& a, const SpriteBounds& b)
{
    if (a.upright && b.upright)
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// How many runs back a quad is looked for a run of its texture (bounds the flush's work).
constexpr size_t kRunsLookedBack = 64;

} // namespace

// Screen-space quads in the order given are drawn one draw per change of texture. A quad whose
// pixels meet none of the quads queued after the last run of its texture can be drawn with that
// run instead: blending, depth and stencil give every pixel the same result whatever the order
// of quads that share no pixel. So a board of pieces of a few kinds, queued row by row, is drawn
// in a few draws instead of one per piece.
void Sprite::joinTextureRuns()
{
    const size_t n = m_queue.size();
    m_bounds.resize(n);
    m_next.assign(n, UINT32_MAX);
    m_runs.clear();
    for (size_t i = 0; i < n; ++i) {
        const SpriteVertex* c = m_queue[i].corners;
        SpriteBounds& b = m_bounds[i];
        b = SpriteBounds{c[0].x, c[0].y, c[0].x, c[0].y, false};
        for (int k = 1; k < 4; ++k) {
            b.left = std::min(b.left, c[k].x);
            b.right = std::max(b.right, c[k].x);
            b.top = std::min(b.top, c[k].y);
            b.bottom = std::max(b.bottom, c[k].y);
        }
        b.upright = c[0].y == c[1].y && c[2].y == c[3].y && c[0].x == c[2].x && c[1].x == c[3].x;
        // Bounds that are no numbers meet everything: such a quad keeps its place.
        if (!(b.left <= b.right && b.top <= b.bottom))
            b = SpriteBounds{-HUGE_VALF, -HUGE_VALF, HUGE_VALF, HUGE_VALF, false};
        IDirect3DTexture9* texture = m_queue[i].texture;
        size_t joined = SIZE_MAX;
        for (size_t r = m_runs.size(), looked = 0; r-- > 0 && looked < kRunsLookedBack; ++looked) {
            const Run& run = m_runs[r];
            if (run.texture == texture) {
                joined = r;
                break;
            }
            if (!mayMeet(b, run.bounds))
                continue;
            bool meets = false;
            for (uint32_t q = run.head; q != UINT32_MAX && !meets; q = m_next[q])
                meets = mayMeet(b, m_bounds[q]);
            if (meets)
                break;
        }
        if (joined == SIZE_MAX) {
            m_runs.push_back(Run{texture, uint32_t(i), uint32_t(i), b});
            continue;
        }
        Run& run = m_runs[joined];
        m_next[run.tail] = uint32_t(i);
        run.tail = uint32_t(i);
        // The run's bounds only sort quads out quickly: being no rectangle, they never claim a
        // shared line is free.
        run.bounds = SpriteBounds{std::min(run.bounds.left, b.left), std::min(run.bounds.top, b.top),
                                  std::max(run.bounds.right, b.right), std::max(run.bounds.bottom, b.bottom), false};
    }
    size_t at = 0;
    for (const Run& run : m_runs) {
        for (uint32_t q = run.head; q != UINT32_MAX; q = m_next[q])
            m_order[at++] = q;
    }
}

HRESULT Sprite::Flush()
{
    if (!m_begun)
        return D3DERR_INVALIDCALL;
    if (m_queue.empty())
        return D3D_OK;
    m_order.resize(m_queue.size());
    for (size_t i = 0; i < m_order.size(); ++i)
        m_order[i] = uint32_t(i);
    // Index tie-breaks keep the sort stable without std::stable_sort's buffer.
    const bool backToFront = (m_flags & D3DXSPRITE_SORT_DEPTH_BACKTOFRONT) != 0;
    const bool frontToBack = !backToFront && (m_flags & D3DXSPRITE_SORT_DEPTH_FRONTTOBACK);
    const bool byTexture = (m_flags & D3DXSPRITE_SORT_TEXTURE) != 0;
    if (backToFront || frontToBack || byTexture) {
        const std::vector<QueuedQuad>& q = m_queue;
        std::sort(m_order.begin(), m_order.end(), [&](uint32_t a, uint32_t b) {
            if (backToFront && q[a].depth != q[b].depth)
                return q[a].depth > q[b].depth;
            if (frontToBack && q[a].depth != q[b].depth)
                return q[a].depth < q[b].depth;
            if (byTexture && q[a].texture != q[b].texture)
                return q[a].texture < q[b].texture;
            return a < b;
        });
    }
    if (!(m_flags & D3DXSPRITE_OBJECTSPACE)) {
        if (!backToFront && !frontToBack && !byTexture)
            joinTextureRuns();
        setScreenSpaceTransforms();
    }
    m_device->SetFVF(kSpriteFvf);
    size_t runStart = 0;
    for (size_t i = 1; i <= m_order.size(); ++i) {
        if (i == m_order.size() || m_queue[m_order[i]].texture != m_queue[m_order[runStart]].texture) {
            drawRun(m_queue[m_order[runStart]].texture, runStart, i - runStart);
            runStart = i;
        }
    }
    dropQueue();
    return D3D_OK;
}

HRESULT Sprite::End()
{
    if (!m_begun)
        return D3DERR_INVALIDCALL;
    Flush();
    if (m_saved)
        restoreState();
    m_begun = false;
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite)
{
    if (!pDevice || !ppSprite)
        return D3DERR_INVALIDCALL;
    *ppSprite = new (std::nothrow) Sprite(pDevice);
    return *ppSprite ? D3D_OK : E_OUTOFMEMORY;
}
