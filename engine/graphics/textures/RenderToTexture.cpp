#include "graphics/textures/RenderToTexture.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "devices/d3d/PerfEvents.h"

#include <d3dx9tex.h>

namespace Ulvo {

namespace {

// A reversed rectangle has no size rather than a wrapped-around huge one.
UINT extent(LONG low, LONG high)
{
    return high > low ? static_cast<UINT>(static_cast<long long>(high) - low) : 0u;
}

} // namespace

RenderToTexture::RenderToTexture() : RenderToTexture(RECT{0, 0, 1024, 768}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN) {}

RenderToTexture::RenderToTexture(const RECT& rect, D3DFORMAT colourFormat, D3DFORMAT depthFormat)
    : m_width(extent(rect.left, rect.right))
    , m_height(extent(rect.top, rect.bottom))
    , m_rect(rect)
    , m_colourFormat(colourFormat)
    , m_depthFormat(depthFormat)
{
    m_texture.rename(L"RT_RENDER");
    connectSignals();
}

void RenderToTexture::connectSignals()
{
    m_texture.textureLost.connect(this, &RenderToTexture::onTextureLost);
    m_texture.textureReset.connect(this, &RenderToTexture::onTextureReset);
    followDevice();
}

RenderToTexture& RenderToTexture::operator=(const RenderToTexture& other)
{
    if (this == &other)
        return *this;
    onLostDevice();
    m_rect = other.m_rect;
    m_colourFormat = other.m_colourFormat;
    m_depthFormat = other.m_depthFormat;
    m_width = other.m_width;
    m_height = other.m_height;
    if (other.m_created)
        create();
    return *this;
}

RenderToTexture::~RenderToTexture()
{
    m_texture.release(true);
    releaseSurfaces();
}

bool RenderToTexture::create()
{
    onLostDevice();
    return build();
}

void RenderToTexture::onLostDevice()
{
    m_created = false;
    m_texture.release(true);
    releaseSurfaces();
}

void RenderToTexture::onResetDevice()
{
    build();
}

void RenderToTexture::releaseSurfaces()
{
    releaseAndNull(m_surface);
    releaseAndNull(m_renderToSurface);
}

bool RenderToTexture::build()
{
    // Whatever a texture reset took again is replaced by what this build makes.
    m_created = false;
    releaseSurfaces();
    D3DInterface* d3d = D3DInterface::getInstance();
    IDirect3DDevice9* device = d3d->getDevice();
    if (!device)
        return false;

    D3DFORMAT format = m_colourFormat;
    if (format == D3DFMT_UNKNOWN) {
        const D3DInitParams* params = d3d->getInitParams();
        if (!params)
            return false;
        format = params->getDisplayMode()->Format;
    }
    if (!m_texture.create(m_width, m_height, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT))
        return false;

    if (FAILED(device->GetViewport(&m_viewport)))
        return false;
    // The target is only width x height: the rectangle's offset says where the
    // picture belongs on screen, not where to draw inside the target.
    m_viewport.X = 0;
    m_viewport.Y = 0;
    m_viewport.Width = m_width;
    m_viewport.Height = m_height;

    if (FAILED(m_texture.getTexture()->GetSurfaceLevel(0, &m_surface))) {
        m_surface = nullptr;
        return false;
    }
    const D3DFORMAT depth = m_depthFormat == D3DFMT_UNKNOWN ? D3DFMT_D24S8 : m_depthFormat;
    if (FAILED(D3DXCreateRenderToSurface(device, m_width, m_height, format, TRUE, depth, &m_renderToSurface))) {
        m_renderToSurface = nullptr;
        return false;
    }
    m_created = true;
    return true;
}

void RenderToTexture::render()
{
    if (!m_created)
        return;
    perfEventBegin(0xFF000000, L"RenderToTexture");
    if (SUCCEEDED(m_renderToSurface->BeginScene(m_surface, &m_viewport))) {
        // Held for EndScene: a slot may lose the device under us.
        ID3DXRenderToSurface* target = m_renderToSurface;
        target->AddRef();
        onRender.emit(*this);
        target->EndScene(D3DX_FILTER_NONE);
        target->Release();
    }
    perfEventEnd();
}

void RenderToTexture::onTextureLost(BaseTexture*)
{
    releaseAndNull(m_surface);
    m_created = false;
}

void RenderToTexture::onTextureReset(BaseTexture*)
{
    releaseAndNull(m_surface);
    IDirect3DTexture9* texture = m_texture.getTexture();
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &m_surface))) {
        m_surface = nullptr;
        m_created = false;
    }
}

} // namespace Ulvo
