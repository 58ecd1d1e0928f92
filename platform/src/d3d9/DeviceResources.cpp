// Creating resources, render targets and depth-stencil surfaces, and the copies between
// surfaces (StretchRect, ColorFill, GetRenderTargetData, UpdateSurface, UpdateTexture).
#include "d3d9/Device.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cstring>

using namespace GLFn;

namespace D3D9Internal {

namespace {

bool rectInside(const RECT& r, UINT width, UINT height)
{
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && static_cast<UINT>(r.right) <= width &&
           static_cast<UINT>(r.bottom) <= height;
}

void colorToFloats(D3DCOLOR c, float out[4])
{
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

// The image of a texture level for UpdateTexture (face for cube textures).
Image* textureImage(BaseTextureObject* texture, UINT face, UINT level)
{
    switch (texture->resourceType()) {
    case D3DRTYPE_TEXTURE: {
        Surface* s = static_cast<Texture*>(texture)->level(level);
        return s ? &s->image() : nullptr;
    }
    case D3DRTYPE_CUBETEXTURE: {
        Surface* s = static_cast<CubeTexture*>(texture)->face(face, level);
        return s ? &s->image() : nullptr;
    }
    case D3DRTYPE_VOLUMETEXTURE: {
        Volume* v = static_cast<VolumeTexture*>(texture)->level(level);
        return v ? &v->image() : nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Creation

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE*)
{
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    Texture* texture = nullptr;
    HRESULT hr = Texture::create(this, Width, Height, Levels, Usage, Format, Pool, &texture);
    if (SUCCEEDED(hr))
        *ppTexture = texture;
    return hr;
}

HRESULT Device::CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                    D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE*)
{
    if (!ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    *ppVolumeTexture = nullptr;
    VolumeTexture* texture = nullptr;
    HRESULT hr = VolumeTexture::create(this, Width, Height, Depth, Levels, Usage, Format, Pool, &texture);
    if (SUCCEEDED(hr))
        *ppVolumeTexture = texture;
    return hr;
}

HRESULT Device::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DCubeTexture9** ppCubeTexture, HANDLE*)
{
    if (!ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    CubeTexture* texture = nullptr;
    HRESULT hr = CubeTexture::create(this, EdgeLength, Levels, Usage, Format, Pool, &texture);
    if (SUCCEEDED(hr))
        *ppCubeTexture = texture;
    return hr;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE*)
{
    if (!ppVertexBuffer)
        return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    VertexBuffer* buffer = nullptr;
    HRESULT hr = VertexBuffer::create(this, Length, Usage, FVF, Pool, &buffer);
    if (SUCCEEDED(hr))
        *ppVertexBuffer = buffer;
    return hr;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE*)
{
    if (!ppIndexBuffer)
        return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    IndexBuffer* buffer = nullptr;
    HRESULT hr = IndexBuffer::create(this, Length, Usage, Format, Pool, &buffer);
    if (SUCCEEDED(hr))
        *ppIndexBuffer = buffer;
    return hr;
}

HRESULT Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                   DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = Surface::create(this, Surface::Kind::RenderTarget, Width, Height, Format, D3DPOOL_DEFAULT,
                                 Lockable != FALSE, MultiSample, MultisampleQuality, false);
    return *ppSurface ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                          DWORD MultisampleQuality, BOOL, IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = Surface::create(this, Surface::Kind::DepthStencil, Width, Height, Format, D3DPOOL_DEFAULT, false,
                                 MultiSample, MultisampleQuality, false);
    return *ppSurface ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (Pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    *ppSurface = Surface::create(this, Surface::Kind::OffscreenPlain, Width, Height, Format, Pool, true,
                                 D3DMULTISAMPLE_NONE, 0, false);
    return *ppSurface ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements, IDirect3DVertexDeclaration9** ppDecl)
{
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = VertexDeclaration::create(this, pVertexElements, false);
    return *ppDecl ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::CreateVertexShader(const DWORD*, IDirect3DVertexShader9** ppShader)
{
    if (ppShader)
        *ppShader = nullptr;
    Diagnostics::error("Direct3D", "shader byte code cannot run here; shaders come from effects");
    return D3DERR_INVALIDCALL;
}

HRESULT Device::CreatePixelShader(const DWORD*, IDirect3DPixelShader9** ppShader)
{
    if (ppShader)
        *ppShader = nullptr;
    Diagnostics::error("Direct3D", "shader byte code cannot run here; shaders come from effects");
    return D3DERR_INVALIDCALL;
}

// ---------------------------------------------------------------------------------------------
// Targets

HRESULT Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget)
{
    if (RenderTargetIndex >= kMaxRenderTargets)
        return D3DERR_INVALIDCALL;
    Surface* surface = surfaceObject(pRenderTarget);
    if (pRenderTarget && (!surface || surface->device() != this || !surface->isRenderTarget() || !surface->glTexture()))
        return D3DERR_INVALIDCALL;
    if (RenderTargetIndex == 0 && !surface)
        return D3DERR_INVALIDCALL;
    Surface*& slot = m_renderTargets[RenderTargetIndex];
    if (slot != surface) {
        if (RenderTargetIndex == 0)
            handOverTarget();
        if (surface)
            surface->bindRef();
        Surface* old = slot;
        slot = surface;
        if (old)
            old->unbindRef();
        m_attachmentsDirty = true;
        m_dirty |= kDirtyFramebuffer;
        // Blending reads an alpha the format lacks as 1 (applyRenderStates).
        if (RenderTargetIndex == 0 && old && storesUnusedAlpha(old->info()) != storesUnusedAlpha(surface->info()))
            m_dirty |= kDirtyBlend;
    }
    if (RenderTargetIndex == 0) {
        // The viewport and scissor rectangle cover the new target.
        const D3DSURFACE_DESC& desc = surface->desc();
        m_state.viewport = D3DVIEWPORT9{0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
        m_state.scissor = RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
        m_dirty |= kDirtyViewport;
        ++m_fixupVersion;
    }
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    if (!ppRenderTarget || RenderTargetIndex >= kMaxRenderTargets)
        return D3DERR_INVALIDCALL;
    Surface* surface = m_renderTargets[RenderTargetIndex];
    *ppRenderTarget = surface;
    if (!surface)
        return D3DERR_NOTFOUND;
    surface->AddRef();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil)
{
    Surface* surface = surfaceObject(pNewZStencil);
    if (pNewZStencil && (!surface || surface->device() != this || !surface->isDepthStencil() || !surface->glTexture()))
        return D3DERR_INVALIDCALL;
    if (m_depthStencil != surface) {
        handOverTarget();
        if (surface)
            surface->bindRef();
        Surface* old = m_depthStencil;
        m_depthStencil = surface;
        if (old)
            old->unbindRef();
        m_attachmentsDirty = true;
        m_dirty |= kDirtyFramebuffer | kDirtyDepthStencil | kDirtyRaster;
    }
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface)
{
    if (!ppZStencilSurface)
        return D3DERR_INVALIDCALL;
    *ppZStencilSurface = m_depthStencil;
    if (!m_depthStencil)
        return D3DERR_NOTFOUND;
    m_depthStencil->AddRef();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Copies

HRESULT Device::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                            const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter)
{
    Surface* source = surfaceObject(pSourceSurface);
    Surface* dest = surfaceObject(pDestSurface);
    if (!source || !dest || source->device() != this || dest->device() != this)
        return D3DERR_INVALIDCALL;
    if (source->pool() != D3DPOOL_DEFAULT || dest->pool() != D3DPOOL_DEFAULT || !source->onGpu() || !dest->onGpu())
        return D3DERR_INVALIDCALL;
    // The destination is a render target or a plain surface, never a texture that is not one.
    if (dest->kind() == Surface::Kind::TextureLevel && !dest->isRenderTarget())
        return D3DERR_INVALIDCALL;
    if (isCompressed(source->info()) || isCompressed(dest->info()))
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& sd = source->desc();
    const D3DSURFACE_DESC& dd = dest->desc();
    RECT s = pSourceRect ? *pSourceRect : RECT{0, 0, static_cast<LONG>(sd.Width), static_cast<LONG>(sd.Height)};
    RECT d = pDestRect ? *pDestRect : RECT{0, 0, static_cast<LONG>(dd.Width), static_cast<LONG>(dd.Height)};
    if (!rectInside(s, sd.Width, sd.Height) || !rectInside(d, dd.Width, dd.Height))
        return D3DERR_INVALIDCALL;
    bool depth = source->info().depth;
    if (depth != dest->info().depth)
        return D3DERR_INVALIDCALL;
    if (depth && (pSourceRect || pDestRect || sd.Width != dd.Width || sd.Height != dd.Height || sd.Format != dd.Format))
        return D3DERR_INVALIDCALL;
    if (source == dest) {
        bool overlap = s.left < d.right && d.left < s.right && s.top < d.bottom && d.top < s.bottom;
        if (overlap)
            return D3DERR_INVALIDCALL;
    }
    makeCurrent();
    if (depth) {
        flushDepthClear(source);
        flushDepthClear(dest, true);
    }
    if (!attachCopySurface(GL_READ_FRAMEBUFFER, source) || !attachCopySurface(GL_DRAW_FRAMEBUFFER, dest))
        return D3DERR_INVALIDCALL;
    m_gl.enable(GL_SCISSOR_TEST, false);
    m_gl.colorMask(0, true, true, true, true);
    GLbitfield mask = GL_COLOR_BUFFER_BIT;
    if (depth) {
        mask = GL_DEPTH_BUFFER_BIT;
        if (source->info().stencil)
            mask |= GL_STENCIL_BUFFER_BIT;
        m_gl.depthMask(true);
        m_gl.stencilMask(0xFF);
    }
    bool scaled = s.right - s.left != d.right - d.left || s.bottom - s.top != d.bottom - d.top;
    GLenum filter = (!depth && scaled && Filter >= D3DTEXF_LINEAR) ? GL_LINEAR : GL_NEAREST;
    glBlitFramebuffer(s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom, mask, filter);
    m_dirty |= kDirtyFramebuffer | kDirtyRaster | kDirtyColorMask | kDirtyDepthStencil;
    if (!depth && storesUnusedAlpha(source->info()) && dest->info().swizzle[3] != GL_ONE) {
        // The source's stored alpha is not its format's: the copy's alpha is 1.
        static const float opaque[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        m_gl.enable(GL_SCISSOR_TEST, true);
        m_gl.scissor(d.left, d.top, d.right - d.left, d.bottom - d.top);
        m_gl.colorMask(0, false, false, false, true);
        glClearBufferfv(GL_COLOR, 0, opaque);
        m_dirty |= kDirtyViewport;
    }
    if (dest->texture() && dest->glLevel() == 0)
        dest->texture()->markMipsDirty();
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color)
{
    Surface* surface = surfaceObject(pSurface);
    if (!surface || surface->device() != this || surface->pool() != D3DPOOL_DEFAULT || !surface->onGpu())
        return D3DERR_INVALIDCALL;
    if (surface->info().depth || isCompressed(surface->info()))
        return D3DERR_INVALIDCALL;
    if (surface->kind() == Surface::Kind::TextureLevel && !surface->isRenderTarget())
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& desc = surface->desc();
    RECT r = pRect ? *pRect : RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (!rectInside(r, desc.Width, desc.Height))
        return D3DERR_INVALIDCALL;
    makeCurrent();
    if (!attachCopySurface(GL_DRAW_FRAMEBUFFER, surface))
        return D3DERR_INVALIDCALL;
    m_gl.enable(GL_SCISSOR_TEST, true);
    m_gl.scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
    m_gl.colorMask(0, true, true, true, true);
    float value[4];
    colorToFloats(color, value);
    glClearBufferfv(GL_COLOR, 0, value);
    m_dirty |= kDirtyFramebuffer | kDirtyRaster | kDirtyColorMask | kDirtyViewport;
    if (surface->texture() && surface->glLevel() == 0)
        surface->texture()->markMipsDirty();
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface)
{
    Surface* source = surfaceObject(pRenderTarget);
    Surface* dest = surfaceObject(pDestSurface);
    if (!source || !dest || source->device() != this || dest->device() != this)
        return D3DERR_INVALIDCALL;
    if (!source->isRenderTarget() || !source->onGpu() || dest->pool() != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& sd = source->desc();
    const D3DSURFACE_DESC& dd = dest->desc();
    if (sd.Width != dd.Width || sd.Height != dd.Height || sd.Format != dd.Format || dest->image().isLocked())
        return D3DERR_INVALIDCALL;
    uint8_t* memory = dest->image().memory();
    if (!memory)
        return D3DERR_INVALIDCALL;
    makeCurrent();
    if (!attachCopySurface(GL_READ_FRAMEBUFFER, source))
        return D3DERR_INVALIDCALL;
    const FormatInfo& f = source->info();
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(sd.Width), static_cast<GLsizei>(sd.Height), f.glFormat, f.glType, memory);
    fillUnusedAlpha(f, memory, levelBytes(f, sd.Width, sd.Height));
    return D3D_OK;
}

HRESULT Device::GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface)
{
    // The last frame presented is still in the back buffer.
    if (iSwapChain != 0 || !m_backBuffer)
        return D3DERR_INVALIDCALL;
    return GetRenderTargetData(m_backBuffer, pDestSurface);
}

HRESULT Device::UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint)
{
    Surface* source = surfaceObject(pSourceSurface);
    Surface* dest = surfaceObject(pDestinationSurface);
    if (!source || !dest || source->device() != this || dest->device() != this)
        return D3DERR_INVALIDCALL;
    if (source->pool() != D3DPOOL_SYSTEMMEM || dest->pool() != D3DPOOL_DEFAULT || !dest->onGpu())
        return D3DERR_INVALIDCALL;
    if (source->desc().Format != dest->desc().Format || dest->info().depth)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& sd = source->desc();
    const D3DSURFACE_DESC& dd = dest->desc();
    RECT s = pSourceRect ? *pSourceRect : RECT{0, 0, static_cast<LONG>(sd.Width), static_cast<LONG>(sd.Height)};
    if (!rectInside(s, sd.Width, sd.Height))
        return D3DERR_INVALIDCALL;
    POINT p = pDestPoint ? *pDestPoint : POINT{0, 0};
    RECT d{p.x, p.y, p.x + (s.right - s.left), p.y + (s.bottom - s.top)};
    if (!rectInside(d, dd.Width, dd.Height))
        return D3DERR_INVALIDCALL;
    const FormatInfo& f = source->info();
    if (isCompressed(f) && ((s.left | s.top | d.left | d.top) & 3))
        return D3DERR_INVALIDCALL;
    Image& from = source->image();
    const uint8_t* bits =
        from.memory() + texelOffset(f, from.pitch(), static_cast<UINT>(s.left), static_cast<UINT>(s.top));
    D3DBOX box{static_cast<UINT>(d.left),
               static_cast<UINT>(d.top),
               static_cast<UINT>(d.right),
               static_cast<UINT>(d.bottom),
               0,
               1};
    makeCurrent();
    dest->image().write(bits, from.pitch(), from.slicePitch(), box);
    if (dest->texture() && dest->glLevel() == 0)
        dest->texture()->markMipsDirty();
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture)
{
    BaseTextureObject* source = textureObject(pSourceTexture);
    BaseTextureObject* dest = textureObject(pDestinationTexture);
    if (!source || !dest || source->device() != this || dest->device() != this)
        return D3DERR_INVALIDCALL;
    if (source->pool() != D3DPOOL_SYSTEMMEM || dest->pool() != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    if (source->resourceType() != dest->resourceType() || source->format() != dest->format())
        return D3DERR_INVALIDCALL;
    UINT faces = dest->resourceType() == D3DRTYPE_CUBETEXTURE ? 6 : 1;
    Image* destTop = textureImage(dest, 0, 0);
    if (!destTop)
        return D3DERR_INVALIDCALL;
    // The source's extra top levels are skipped: find the level of the destination's size.
    UINT skip = 0;
    while (true) {
        Image* level = textureImage(source, 0, skip);
        if (!level)
            return D3DERR_INVALIDCALL;
        if (level->width() == destTop->width() && level->height() == destTop->height() &&
            level->depth() == destTop->depth())
            break;
        ++skip;
    }
    UINT levels = dest->autoGenMips() ? 1 : dest->levelCount();
    if (source->levelCount() - skip < levels && !dest->autoGenMips())
        return D3DERR_INVALIDCALL;
    makeCurrent();
    for (UINT face = 0; face < faces; ++face) {
        for (UINT level = 0; level < levels; ++level) {
            Image* from = textureImage(source, face, level + skip);
            Image* to = textureImage(dest, face, level);
            if (!from || !to || !from->memory())
                return D3DERR_INVALIDCALL;
            D3DBOX box{0, 0, to->width(), to->height(), 0, to->depth()};
            to->write(from->memory(), from->pitch(), from->slicePitch(), box);
        }
    }
    dest->markMipsDirty();
    return D3D_OK;
}

} // namespace D3D9Internal
