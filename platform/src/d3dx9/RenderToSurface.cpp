// ID3DXRenderToSurface: binds a surface (and a depth buffer of its own) as the device's target
// for one scene and puts the previous target, depth buffer and viewport back afterwards.
#include <d3dx9core.h>
#include <d3dx9tex.h>

#include "common/ComObject.h"
#include "common/Diagnostics.h"

#include <new>

const IID IID_ID3DXRenderToSurface = {0x7d3a0002, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}};

namespace {

template <typename T> void releaseAndClear(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

class RenderToSurface final : public PlatformInternal::ComObject<ID3DXRenderToSurface> {
public:
    RenderToSurface(IDirect3DDevice9* device, const D3DXRTS_DESC& desc) : m_device(device), m_desc(desc)
    {
        m_device->AddRef();
    }
    ~RenderToSurface() override
    {
        if (m_inScene)
            EndScene(D3DX_FILTER_NONE);
        releaseAndClear(m_depth);
        m_device->Release();
    }

    // The depth buffer lives in the default pool: made here and after every reset.
    HRESULT createDepth()
    {
        if (!m_desc.DepthStencil || m_depth)
            return D3D_OK;
        const HRESULT hr = m_device->CreateDepthStencilSurface(m_desc.Width, m_desc.Height, m_desc.DepthStencilFormat,
                                                               D3DMULTISAMPLE_NONE, 0, TRUE, &m_depth, nullptr);
        if (FAILED(hr))
            Diagnostics::error("D3DX", "render to surface: cannot create a %ux%u depth buffer of format %u",
                               m_desc.Width, m_desc.Height, unsigned(m_desc.DepthStencilFormat));
        return hr;
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return PlatformInternal::handOutReference(m_device, ppDevice, D3DERR_INVALIDCALL);
    }
    HRESULT GetDesc(D3DXRTS_DESC* pDesc) override
    {
        if (!pDesc)
            return D3DERR_INVALIDCALL;
        *pDesc = m_desc;
        return D3D_OK;
    }
    HRESULT BeginScene(IDirect3DSurface9* pSurface, const D3DVIEWPORT9* pViewport) override;
    HRESULT EndScene(DWORD MipFilter) override;
    HRESULT OnLostDevice() override
    {
        if (m_inScene)
            EndScene(D3DX_FILTER_NONE);
        releaseAndClear(m_depth);
        return D3D_OK;
    }
    HRESULT OnResetDevice() override { return createDepth(); }

private:
    void restoreTargets();
    HRESULT generateLevels(IDirect3DSurface9* surface, DWORD filter);

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXRenderToSurface); }

    IDirect3DDevice9* m_device;
    D3DXRTS_DESC m_desc;
    IDirect3DSurface9* m_depth = nullptr;

    bool m_inScene = false;
    IDirect3DSurface9* m_surface = nullptr;
    IDirect3DSurface9* m_savedTarget = nullptr;
    IDirect3DSurface9* m_savedDepth = nullptr;
    D3DVIEWPORT9 m_savedViewport{};
};

void RenderToSurface::restoreTargets()
{
    // SetRenderTarget resets the viewport, so the saved one goes back after it.
    if (m_savedTarget)
        m_device->SetRenderTarget(0, m_savedTarget);
    m_device->SetDepthStencilSurface(m_savedDepth);
    m_device->SetViewport(&m_savedViewport);
    releaseAndClear(m_savedTarget);
    releaseAndClear(m_savedDepth);
}

HRESULT RenderToSurface::BeginScene(IDirect3DSurface9* pSurface, const D3DVIEWPORT9* pViewport)
{
    if (m_inScene || !pSurface)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC surfaceDesc{};
    HRESULT hr = pSurface->GetDesc(&surfaceDesc);
    if (FAILED(hr))
        return hr;
    if (surfaceDesc.Width != m_desc.Width || surfaceDesc.Height != m_desc.Height) {
        Diagnostics::error("D3DX", "render to surface: a %ux%u surface given to a %ux%u renderer", surfaceDesc.Width,
                           surfaceDesc.Height, m_desc.Width, m_desc.Height);
        return D3DERR_INVALIDCALL;
    }
    if (m_desc.DepthStencil && !m_depth && FAILED(hr = createDepth()))
        return hr;

    m_device->GetRenderTarget(0, &m_savedTarget);
    if (FAILED(m_device->GetDepthStencilSurface(&m_savedDepth)))
        m_savedDepth = nullptr;
    m_device->GetViewport(&m_savedViewport);

    hr = m_device->SetRenderTarget(0, pSurface);
    if (SUCCEEDED(hr))
        hr = m_device->SetDepthStencilSurface(m_depth);
    if (SUCCEEDED(hr) && pViewport)
        hr = m_device->SetViewport(pViewport);
    if (SUCCEEDED(hr))
        hr = m_device->BeginScene();
    if (FAILED(hr)) {
        restoreTargets();
        return hr;
    }
    pSurface->AddRef();
    m_surface = pSurface;
    m_inScene = true;
    return D3D_OK;
}

HRESULT RenderToSurface::generateLevels(IDirect3DSurface9* surface, DWORD filter)
{
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(surface->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&texture))) || !texture) {
        // A cube face: only automatic levels can be regenerated; a stand-alone surface has none.
        IDirect3DCubeTexture9* cube = nullptr;
        if (SUCCEEDED(surface->GetContainer(IID_IDirect3DCubeTexture9, reinterpret_cast<void**>(&cube))) && cube) {
            D3DSURFACE_DESC desc{};
            cube->GetLevelDesc(0, &desc);
            if (desc.Usage & D3DUSAGE_AUTOGENMIPMAP)
                cube->GenerateMipSubLevels();
            cube->Release();
        }
        return D3D_OK;
    }
    HRESULT hr = D3D_OK;
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    if (desc.Usage & D3DUSAGE_AUTOGENMIPMAP) {
        texture->GenerateMipSubLevels();
    } else {
        const D3DTEXTUREFILTERTYPE stretchFilter =
            (filter & 0xFF) == D3DX_FILTER_POINT ? D3DTEXF_POINT : D3DTEXF_LINEAR;
        const UINT levels = texture->GetLevelCount();
        for (UINT level = 1; level < levels && SUCCEEDED(hr); ++level) {
            IDirect3DSurface9* upper = nullptr;
            IDirect3DSurface9* lower = nullptr;
            hr = texture->GetSurfaceLevel(level - 1, &upper);
            if (SUCCEEDED(hr))
                hr = texture->GetSurfaceLevel(level, &lower);
            if (SUCCEEDED(hr))
                hr = m_device->StretchRect(upper, nullptr, lower, nullptr, stretchFilter);
            releaseAndClear(upper);
            releaseAndClear(lower);
        }
    }
    texture->Release();
    return hr;
}

HRESULT RenderToSurface::EndScene(DWORD MipFilter)
{
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    HRESULT hr = m_device->EndScene();
    restoreTargets();
    m_inScene = false;
    if (SUCCEEDED(hr) && MipFilter != D3DX_FILTER_NONE)
        hr = generateLevels(m_surface, MipFilter);
    releaseAndClear(m_surface);
    return hr;
}

} // namespace

HRESULT D3DXCreateRenderToSurface(IDirect3DDevice9* pDevice, UINT Width, UINT Height, D3DFORMAT Format,
                                  BOOL DepthStencil, D3DFORMAT DepthStencilFormat,
                                  ID3DXRenderToSurface** ppRenderToSurface)
{
    if (!pDevice || !ppRenderToSurface || Width == 0 || Height == 0)
        return D3DERR_INVALIDCALL;
    *ppRenderToSurface = nullptr;
    const D3DXRTS_DESC desc{Width, Height, Format, DepthStencil ? TRUE : FALSE, DepthStencilFormat};
    RenderToSurface* object = new (std::nothrow) RenderToSurface(pDevice, desc);
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT hr = object->createDepth();
    if (FAILED(hr)) {
        object->Release();
        return hr;
    }
    *ppRenderToSurface = object;
    return D3D_OK;
}
