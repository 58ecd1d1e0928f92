// ID3DXLine: screen-space strips drawn as one triangle list of pre-transformed, coloured
// vertices per Draw. Each segment is a quad of the line's width across it; antialiased lines add
// a one-pixel fringe on both long sides whose outer edge is transparent, so coverage falls off
// linearly. The device state is kept in a state block between Begin and End; the block goes
// with the device's resources on loss and comes back on reset. The vertex array keeps its
// capacity, so drawing allocates nothing once it has grown.
#include <d3dx9core.h>

#include "common/ComObject.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

const IID IID_ID3DXLine = {0x7d3a0003, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}};

namespace {

struct LineVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
};
constexpr DWORD kLineFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

D3DCOLOR withAlpha(D3DCOLOR color, float alphaScale)
{
    const float alpha = float(color >> 24) * alphaScale;
    return (D3DCOLOR(std::lround(std::clamp(alpha, 0.0f, 255.0f))) << 24) | (color & 0xFFFFFF);
}

class Line final : public PlatformInternal::ComObject<ID3DXLine> {
public:
    explicit Line(IDirect3DDevice9* device) : m_device(device)
    {
        m_device->AddRef();
        m_vertices.reserve(64 * 18);
        OnResetDevice();
    }
    ~Line() override
    {
        if (m_begun)
            End();
        OnLostDevice();
        m_device->Release();
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return PlatformInternal::handOutReference(m_device, ppDevice, D3DERR_INVALIDCALL);
    }
    HRESULT Begin() override;
    HRESULT Draw(const D3DXVECTOR2* pVertexList, DWORD dwVertexListCount, D3DCOLOR Color) override;
    HRESULT SetWidth(FLOAT fWidth) override
    {
        if (!(fWidth >= 0.0f))
            return D3DERR_INVALIDCALL;
        m_width = fWidth;
        return D3D_OK;
    }
    FLOAT GetWidth() override { return m_width; }
    HRESULT SetAntialias(BOOL bAntialias) override
    {
        m_antialias = bAntialias != FALSE;
        return D3D_OK;
    }
    BOOL GetAntialias() override { return m_antialias; }
    HRESULT End() override;
    HRESULT OnLostDevice() override
    {
        if (m_begun)
            End();
        if (m_saved)
            m_saved->Release();
        m_saved = nullptr;
        return D3D_OK;
    }
    HRESULT OnResetDevice() override
    {
        if (!m_saved)
            m_device->CreateStateBlock(D3DSBT_ALL, &m_saved);
        return m_saved ? D3D_OK : D3DERR_INVALIDCALL;
    }

private:
    void setLineStates();
    // Appends the quad from a to b whose sides lie `inner` and `outer` pixels off the centre
    // line (negative: the other side), coloured innerColor at `inner` and outerColor at `outer`.
    void addBand(const D3DXVECTOR2& a, const D3DXVECTOR2& b, const D3DXVECTOR2& normal, float inner, float outer,
                 D3DCOLOR innerColor, D3DCOLOR outerColor);

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXLine); }

    IDirect3DDevice9* m_device;
    IDirect3DStateBlock9* m_saved = nullptr;
    float m_width = 1.0f;
    bool m_antialias = false;
    bool m_begun = false;
    std::vector<LineVertex> m_vertices;
};

void Line::setLineStates()
{
    static const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } kStates[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_ZENABLE, D3DZB_FALSE},
        {D3DRS_ZWRITEENABLE, FALSE},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_LIGHTING, FALSE},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_CLIPPLANEENABLE, 0},
        {D3DRS_SRGBWRITEENABLE, FALSE},
    };
    for (const auto& s : kStates)
        m_device->SetRenderState(s.state, s.value);
    m_device->SetTexture(0, nullptr);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    m_device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    m_device->SetVertexShader(nullptr);
    m_device->SetPixelShader(nullptr);
    m_device->SetFVF(kLineFvf);
}

HRESULT Line::Begin()
{
    if (m_begun)
        return D3DERR_INVALIDCALL;
    if (!m_saved && FAILED(OnResetDevice()))
        return D3DERR_INVALIDCALL;
    m_saved->Capture();
    setLineStates();
    m_begun = true;
    return D3D_OK;
}

HRESULT Line::End()
{
    if (!m_begun)
        return D3DERR_INVALIDCALL;
    m_begun = false;
    if (m_saved)
        m_saved->Apply();
    return D3D_OK;
}

void Line::addBand(const D3DXVECTOR2& a, const D3DXVECTOR2& b, const D3DXVECTOR2& normal, float inner, float outer,
                   D3DCOLOR innerColor, D3DCOLOR outerColor)
{
    const LineVertex corners[4] = {
        {a.x + normal.x * inner, a.y + normal.y * inner, 0.0f, 1.0f, innerColor},
        {b.x + normal.x * inner, b.y + normal.y * inner, 0.0f, 1.0f, innerColor},
        {a.x + normal.x * outer, a.y + normal.y * outer, 0.0f, 1.0f, outerColor},
        {b.x + normal.x * outer, b.y + normal.y * outer, 0.0f, 1.0f, outerColor},
    };
    for (int i : {0, 1, 2, 2, 1, 3})
        m_vertices.push_back(corners[i]);
}

HRESULT Line::Draw(const D3DXVECTOR2* pVertexList, DWORD dwVertexListCount, D3DCOLOR Color)
{
    if (!pVertexList)
        return D3DERR_INVALIDCALL;
    if (dwVertexListCount < 2)
        return D3D_OK;
    const bool ownBegin = !m_begun;
    if (ownBegin && FAILED(Begin()))
        return D3DERR_INVALIDCALL;
    const float half = m_width * 0.5f;
    // A line thinner than a pixel keeps a pixel's reach and fades with its width instead.
    const D3DCOLOR core = m_antialias && m_width < 1.0f ? withAlpha(Color, m_width) : Color;
    const D3DCOLOR clear = Color & 0xFFFFFF;
    const float inner = m_antialias ? std::max(half - 0.5f, 0.0f) : half;
    const float outer = std::max(half, 0.5f) + 0.5f;
    m_vertices.clear();
    for (DWORD i = 0; i + 1 < dwVertexListCount; ++i) {
        const D3DXVECTOR2& a = pVertexList[i];
        const D3DXVECTOR2& b = pVertexList[i + 1];
        const float dx = b.x - a.x, dy = b.y - a.y;
        const float length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0.0f))
            continue;
        const D3DXVECTOR2 normal(-dy / length, dx / length);
        if (inner > 0.0f)
            addBand(a, b, normal, -inner, inner, core, core);
        if (m_antialias) {
            addBand(a, b, normal, inner, outer, core, clear);
            addBand(a, b, normal, -inner, -outer, core, clear);
        }
    }
    if (!m_vertices.empty())
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(m_vertices.size() / 3), m_vertices.data(),
                                  sizeof(LineVertex));
    if (ownBegin)
        End();
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateLine(IDirect3DDevice9* pDevice, ID3DXLine** ppLine)
{
    if (!pDevice || !ppLine)
        return D3DERR_INVALIDCALL;
    *ppLine = new (std::nothrow) Line(pDevice);
    return *ppLine ? D3D_OK : E_OUTOFMEMORY;
}
