// Textures, surfaces and volumes.
#include "d3d9/Resources.h"

#include "d3d9/Device.h"
#include "d3d9/MipChain.h"
#include "common/Diagnostics.h"

#include <algorithm>

using namespace GLFn;

namespace D3D9Internal {

namespace {

bool gpuPool(D3DPOOL pool)
{
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED;
}

// Managed levels whose GL storage holds exactly the bytes locked (8-bit ARGB and luminance with
// alpha, and 8-bit RGB whose padding bytes read back unchanged) need no memory copy once filled;
// other formats keep theirs, as GL may not give their bytes back unchanged.
bool releasesMemoryAfterFill(D3DPOOL pool, D3DFORMAT format)
{
    return pool == D3DPOOL_MANAGED && (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8L8);
}

RECT wholeRect(UINT width, UINT height)
{
    return RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

bool rectToBox(const RECT* rect, UINT width, UINT height, D3DBOX& box)
{
    RECT r = rect ? *rect : wholeRect(width, height);
    if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top)
        return false;
    box = D3DBOX{static_cast<UINT>(r.left),
                 static_cast<UINT>(r.top),
                 static_cast<UINT>(r.right),
                 static_cast<UINT>(r.bottom),
                 0,
                 1};
    return true;
}

HRESULT lockImageRect(Image& image, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    if (!locked)
        return D3DERR_INVALIDCALL;
    D3DBOX box;
    if (!rectToBox(rect, image.width(), image.height(), box))
        return D3DERR_INVALIDCALL;
    D3DLOCKED_BOX out{};
    HRESULT hr = image.lock(&box, flags, &out);
    if (FAILED(hr)) {
        locked->Pitch = 0;
        locked->pBits = nullptr;
        return hr;
    }
    locked->Pitch = out.RowPitch;
    locked->pBits = out.pBits;
    return D3D_OK;
}

// Texture creation rules shared by the three texture types; D3D_OK or the failure to report.
HRESULT checkTextureArguments(Device* device, DWORD usage, D3DFORMAT format, D3DPOOL pool, bool volume,
                              const FormatInfo*& info)
{
    info = formatInfo(format);
    if (!info) {
        Diagnostics::error("Direct3D", "texture format %u is not supported", static_cast<unsigned>(format));
        return D3DERR_INVALIDCALL;
    }
    if (isCompressed(*info) && !device->features().s3tc)
        return D3DERR_NOTAVAILABLE;
    if (pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) {
        if (pool != D3DPOOL_DEFAULT || volume)
            return D3DERR_INVALIDCALL;
        if ((usage & D3DUSAGE_RENDERTARGET) && !info->renderTarget)
            return D3DERR_INVALIDCALL;
        if ((usage & D3DUSAGE_DEPTHSTENCIL) && !info->depth)
            return D3DERR_INVALIDCALL;
    }
    if (info->depth && !(usage & D3DUSAGE_DEPTHSTENCIL) && pool != D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT levelCounts(UINT requested, DWORD usage, UINT width, UINT height, UINT depth, UINT& levels, UINT& glLevels)
{
    UINT full = mipLevelCount(width, height, depth);
    if (usage & D3DUSAGE_AUTOGENMIPMAP) {
        if (requested > 1)
            return D3DERR_INVALIDCALL;
        levels = 1;
        glLevels = full;
        return D3D_OK;
    }
    if (requested > full)
        return D3DERR_INVALIDCALL;
    levels = glLevels = requested == 0 ? full : requested;
    return D3D_OK;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// BaseTextureObject

BaseTextureObject::BaseTextureObject(Device* device, D3DRESOURCETYPE type, const FormatInfo* info, D3DFORMAT format,
                                     DWORD usage, D3DPOOL pool, UINT levels, UINT glLevels)
    : ObjectBase(device, pool)
    , m_type(type)
    , m_info(info)
    , m_format(format)
    , m_usage(usage)
    , m_levels(levels)
    , m_glLevels(glLevels)
{
}

BaseTextureObject::~BaseTextureObject()
{
    releaseGL();
}

bool BaseTextureObject::createGL(GLenum bindTarget, UINT width, UINT height, UINT depth, bool contentFollows)
{
    m_bindTarget = bindTarget;
    m_device->makeCurrent();
    while (glGetError() != GL_NO_ERROR) {}
    glGenTextures(1, &m_texture);
    m_device->bindUploadTexture(bindTarget, m_texture);
    glTexParameteri(bindTarget, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(m_lod)); // kept over an eviction
    glTexParameteri(bindTarget, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(m_glLevels - 1));
    glTexParameteriv(bindTarget, GL_TEXTURE_SWIZZLE_RGBA, m_info->swizzle);
    const FormatInfo& f = *m_info;
    // A texture nothing is written into must read as 0 in every run, and the driver hands out
    // storage as it finds it (a render target too). Where GL clears a texture itself, the levels
    // are made without data and cleared in place; otherwise one block of zeros as large as the
    // first level is handed in for every level and face.
    const bool clearInPlace = !contentFollows && !isCompressed(f) && m_device->features().clearTexture;
    std::vector<uint8_t> zeros;
    if (isCompressed(f) || !(contentFollows || clearInPlace))
        zeros.assign(static_cast<size_t>(levelBytes(f, width, height)) * (bindTarget == GL_TEXTURE_3D ? depth : 1), 0);
    const void* clear = contentFollows || clearInPlace ? nullptr : zeros.data();
    int faces = bindTarget == GL_TEXTURE_CUBE_MAP ? 6 : 1;
    for (UINT level = 0; level < m_glLevels; ++level) {
        GLsizei w = static_cast<GLsizei>(mipSize(width, level));
        GLsizei h = static_cast<GLsizei>(mipSize(height, level));
        GLsizei d = static_cast<GLsizei>(mipSize(depth, level));
        for (int face = 0; face < faces; ++face) {
            GLenum target = bindTarget == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : bindTarget;
            if (bindTarget == GL_TEXTURE_3D) {
                if (isCompressed(f)) {
                    glCompressedTexImage3D(target, static_cast<GLint>(level), f.internalFormat, w, h, d, 0,
                                           static_cast<GLsizei>(static_cast<size_t>(levelBytes(f, w, h)) * d),
                                           zeros.data());
                } else {
                    glTexImage3D(target, static_cast<GLint>(level), static_cast<GLint>(f.internalFormat), w, h, d, 0,
                                 f.glFormat, f.glType, clear);
                }
            } else if (isCompressed(f)) {
                glCompressedTexImage2D(target, static_cast<GLint>(level), f.internalFormat, w, h, 0,
                                       static_cast<GLsizei>(levelBytes(f, w, h)), zeros.data());
            } else {
                glTexImage2D(target, static_cast<GLint>(level), static_cast<GLint>(f.internalFormat), w, h, 0,
                             f.glFormat, f.glType, clear);
            }
        }
        // Every face (and slice) of the level at once; no data given means zeros.
        if (clearInPlace)
            glClearTexImage(m_texture, static_cast<GLint>(level), f.glFormat, f.glType, nullptr);
    }
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        Diagnostics::error("Direct3D", "GL could not allocate a %ux%ux%u texture of format %u (error 0x%x)", width,
                           height, depth, static_cast<unsigned>(m_format), error);
        return false;
    }
    return true;
}

void BaseTextureObject::releaseGL()
{
    if (m_texture && m_device) {
        m_device->makeCurrent();
        glDeleteTextures(1, &m_texture);
        m_device->glState().textureDeleted(m_texture);
    }
    m_texture = 0;
}

void BaseTextureObject::resolveMips()
{
    if (!m_mipsDirty)
        return;
    m_mipsDirty = false;
    if (!m_texture || !m_device)
        return;
    m_device->makeCurrent();
    m_device->bindUploadTexture(m_bindTarget, m_texture);
    if (!halveOnProcessor())
        glGenerateMipmap(m_bindTarget);
}

bool BaseTextureObject::halveOnProcessor()
{
    const D3DFORMAT format = m_format;
    const bool bytes = format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8B8G8R8 ||
                       format == D3DFMT_X8B8G8R8;
    if (m_type != D3DRTYPE_TEXTURE || !bytes || m_lod != 0 || (m_usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)))
        return false;
    const Texture* self = static_cast<const Texture*>(this);
    uint32_t width = self->width(), height = self->height();
    if (!halvesExactly(width, height) || size_t(width) * height > kProcessorMipTexels)
        return false;
    const FormatInfo& f = *m_info;
    std::vector<uint8_t> level(size_t(width) * height * 4), next;
    glGetTexImage(GL_TEXTURE_2D, 0, f.glFormat, f.glType, level.data());
    for (UINT index = 1; index < m_glLevels && (width > 1 || height > 1); ++index) {
        next.resize(size_t(std::max(1u, width / 2)) * std::max(1u, height / 2) * 4);
        halveLevel(level.data(), width, height, next.data());
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(index), 0, 0, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), f.glFormat, f.glType, next.data());
        level.swap(next);
    }
    return true;
}

DWORD BaseTextureObject::setLod(DWORD lod)
{
    DWORD old = m_lod;
    if (pool() != D3DPOOL_MANAGED)
        return 0;
    m_lod = std::min<DWORD>(lod, m_levels - 1);
    if (m_texture && m_device) {
        m_device->makeCurrent();
        m_device->bindUploadTexture(m_bindTarget, m_texture);
        glTexParameteri(m_bindTarget, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(m_lod));
    }
    return old;
}

HRESULT BaseTextureObject::setAutoGenFilter(D3DTEXTUREFILTERTYPE filter)
{
    if (!autoGenMips())
        return D3DERR_INVALIDCALL;
    if (filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR && filter != D3DTEXF_NONE && filter != D3DTEXF_ANISOTROPIC)
        return D3DERR_INVALIDCALL;
    m_autoGenFilter = filter == D3DTEXF_NONE ? D3DTEXF_LINEAR : filter;
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Surface

Surface::Surface(Device* device, Kind kind, D3DPOOL pool, bool implicit)
    : ObjectBase(device, pool, nullptr, implicit), m_kind(kind)
{
}

Surface::Surface(Device* device, BaseTextureObject* texture, IUnknown* container, Image* image, D3DFORMAT format,
                 DWORD usage, UINT, UINT)
    : ObjectBase(device, texture->pool(), texture)
    , m_kind(Kind::TextureLevel)
    , m_texture(texture)
    , m_container(container)
    , m_image(image)
{
    m_desc.Format = format;
    m_desc.Type = D3DRTYPE_SURFACE;
    m_desc.Usage = usage;
    m_desc.Pool = texture->pool();
    m_desc.MultiSampleType = D3DMULTISAMPLE_NONE;
    m_desc.MultiSampleQuality = 0;
    m_desc.Width = image->width();
    m_desc.Height = image->height();
    // Default-pool levels lock only when the texture is dynamic.
    m_lockable = texture->pool() != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
}

Surface* Surface::create(Device* device, Kind kind, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                         bool lockable, D3DMULTISAMPLE_TYPE multiSample, DWORD quality, bool implicit)
{
    const FormatInfo* info = formatInfo(format);
    if (!info || width == 0 || height == 0 || pool > D3DPOOL_SCRATCH)
        return nullptr;
    if (multiSample != D3DMULTISAMPLE_NONE || quality != 0)
        return nullptr;
    if (isCompressed(*info) && !device->features().s3tc)
        return nullptr;
    DWORD usage = 0;
    switch (kind) {
    case Kind::RenderTarget:
        if (!info->renderTarget)
            return nullptr;
        usage = D3DUSAGE_RENDERTARGET;
        break;
    case Kind::DepthStencil:
        if (!info->depth)
            return nullptr;
        usage = D3DUSAGE_DEPTHSTENCIL;
        lockable = info->lockable;
        break;
    case Kind::OffscreenPlain:
        if (info->depth && pool != D3DPOOL_SCRATCH)
            return nullptr;
        lockable = true;
        break;
    case Kind::TextureLevel:
        return nullptr;
    }
    Surface* surface = new Surface(device, kind, pool, implicit);
    surface->m_desc = D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, usage, pool, multiSample, quality, width, height};
    surface->m_lockable = lockable;
    bool onGpu = pool == D3DPOOL_DEFAULT;
    surface->m_ownImage = std::make_unique<Image>(device, info, width, height, 1, !onGpu);
    surface->m_image = surface->m_ownImage.get();
    if (onGpu) {
        device->makeCurrent();
        while (glGetError() != GL_NO_ERROR) {}
        glGenTextures(1, &surface->m_ownTexture);
        device->bindUploadTexture(GL_TEXTURE_2D, surface->m_ownTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, info->swizzle);
        if (isCompressed(*info)) {
            std::vector<uint8_t> zeros(levelBytes(*info, width, height), 0);
            glCompressedTexImage2D(GL_TEXTURE_2D, 0, info->internalFormat, static_cast<GLsizei>(width),
                                   static_cast<GLsizei>(height), 0, static_cast<GLsizei>(zeros.size()), zeros.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(info->internalFormat), static_cast<GLsizei>(width),
                         static_cast<GLsizei>(height), 0, info->glFormat, info->glType, nullptr);
        }
        if (glGetError() != GL_NO_ERROR) {
            Diagnostics::error("Direct3D", "GL could not allocate a %ux%u surface of format %u", width, height,
                               static_cast<unsigned>(format));
            delete surface;
            return nullptr;
        }
        surface->m_image->setGL(&surface->m_ownTexture, GL_TEXTURE_2D, GL_TEXTURE_2D, 0);
    }
    return surface;
}

Surface::~Surface()
{
    releaseGL();
}

void Surface::releaseGL()
{
    if (m_ownTexture && m_device) {
        m_device->makeCurrent();
        glDeleteTextures(1, &m_ownTexture);
        m_device->glState().textureDeleted(m_ownTexture);
    }
    m_ownTexture = 0;
    if (m_ownImage)
        m_ownImage->detach();
}

bool Surface::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DSurface9;
}

HRESULT Surface::GetContainer(REFIID riid, void** ppContainer)
{
    if (!ppContainer)
        return D3DERR_INVALIDCALL;
    if (m_container)
        return m_container->QueryInterface(riid, ppContainer);
    if (m_device)
        return m_device->QueryInterface(riid, ppContainer);
    *ppContainer = nullptr;
    return E_NOINTERFACE;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    if (!m_lockable) {
        if (pLockedRect)
            *pLockedRect = D3DLOCKED_RECT{0, nullptr};
        return D3DERR_INVALIDCALL;
    }
    if (m_texture) {
        m_texture->ensureContent();
        if (!(Flags & D3DLOCK_READONLY))
            m_texture->contentWritten();
    }
    return lockImageRect(*m_image, pLockedRect, pRect, Flags);
}

HRESULT Surface::UnlockRect()
{
    HRESULT hr = m_image->unlock();
    if (SUCCEEDED(hr) && m_texture && m_image->glLevel() == 0)
        m_texture->markMipsDirty();
    return hr;
}

HRESULT Surface::GetDC(HDC* phdc)
{
    if (phdc)
        *phdc = nullptr;
    return D3DERR_INVALIDCALL;
}

HRESULT Surface::ReleaseDC(HDC)
{
    return D3DERR_INVALIDCALL;
}

// ---------------------------------------------------------------------------------------------
// Texture

Texture::Texture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT levels,
                 UINT glLevels, UINT width, UINT height)
    : BaseTextureObject(device, D3DRTYPE_TEXTURE, info, format, usage, pool, levels, glLevels)
    , m_width(width)
    , m_height(height)
{
}

Texture::~Texture()
{
    m_surfaces.clear();
    m_images.clear();
}

HRESULT Texture::create(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, Texture** out, bool contentFollows)
{
    *out = nullptr;
    if (width == 0 || height == 0)
        return D3DERR_INVALIDCALL;
    const FormatInfo* info = nullptr;
    HRESULT hr = checkTextureArguments(device, usage, format, pool, false, info);
    if (FAILED(hr))
        return hr;
    UINT count = 0, glCount = 0;
    if (FAILED(levelCounts(levels, usage, width, height, 1, count, glCount)))
        return D3DERR_INVALIDCALL;
    Texture* texture = new Texture(device, info, format, usage, pool, count, glCount, width, height);
    bool keep = pool != D3DPOOL_DEFAULT;
    const bool awaiting = contentFollows && pool == D3DPOOL_MANAGED;
    if (awaiting) {
        texture->m_bindTarget = GL_TEXTURE_2D;
        texture->m_madeAwaitingContent = true;
        texture->m_pendingContent = [texture, width, height]() {
            for (auto& image : texture->m_images)
                image->restoreMemoryForFill();
            if (texture->m_device)
                texture->createGL(GL_TEXTURE_2D, width, height, 1, true);
        };
    } else if (gpuPool(pool) && !texture->createGL(GL_TEXTURE_2D, width, height, 1)) {
        texture->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    for (UINT level = 0; level < glCount; ++level) {
        // Levels GL makes itself (automatic mipmaps) are never locked: no memory copy for them.
        const bool keepLevel = keep && (level < count || !gpuPool(pool));
        auto image = std::make_unique<Image>(device, info, mipSize(width, level), mipSize(height, level), 1, keepLevel,
                                             awaiting);
        if (gpuPool(pool))
            image->setGL(&texture->m_texture, GL_TEXTURE_2D, GL_TEXTURE_2D, static_cast<GLint>(level));
        if (releasesMemoryAfterFill(pool, format))
            image->releaseMemoryAfterFill();
        if (level < count)
            texture->m_surfaces.push_back(std::make_unique<Surface>(
                device, texture, static_cast<IDirect3DTexture9*>(texture), image.get(), format,
                usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP), 0,
                level));
        texture->m_images.push_back(std::move(image));
    }
    *out = texture;
    return D3D_OK;
}

void Texture::deferContent(std::function<void()> fill)
{
    if (!fill)
        return;
    // A texture made awaiting its content has no storage yet, as if evicted.
    const bool awaiting = m_madeAwaitingContent && contentPending();
    m_madeAwaitingContent = false;
    if (pool() != D3DPOOL_MANAGED || !m_device || (!m_texture && !awaiting)) {
        ensureContent();
        fill();
        return;
    }
    m_refill = std::move(fill);
    evict();
}

bool Texture::canEvict() const
{
    if (!m_refill || !m_texture || contentPending())
        return false;
    for (const auto& image : m_images) {
        if (image->isLocked())
            return false;
    }
    return true;
}

void Texture::evict()
{
    releaseGL();
    for (auto& image : m_images)
        image->dropMemoryUntilFill();
    m_pendingContent = [this]() {
        for (auto& image : m_images)
            image->restoreMemoryForFill();
        if (!m_device || !m_refill || !createGL(GL_TEXTURE_2D, m_width, m_height, 1, true))
            return;
        std::function<void()> fill = m_refill; // the fill's own locks must not forget it
        m_filling = true;
        fill();
        m_filling = false;
    };
}

void Texture::detachChildren()
{
    for (auto& surface : m_surfaces)
        surface->detach();
    for (auto& image : m_images)
        image->detach();
}

bool Texture::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DBaseTexture9 ||
           riid == IID_IDirect3DTexture9;
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    if (!pDesc || Level >= m_surfaces.size())
        return D3DERR_INVALIDCALL;
    return m_surfaces[Level]->GetDesc(pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    if (!ppSurfaceLevel)
        return D3DERR_INVALIDCALL;
    *ppSurfaceLevel = nullptr;
    if (Level >= m_surfaces.size())
        return D3DERR_INVALIDCALL;
    // The surface may be copied from or handed to D3DX: it shows the texels.
    ensureContent();
    *ppSurfaceLevel = m_surfaces[Level].get();
    addRef();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    if (Level >= m_surfaces.size())
        return D3DERR_INVALIDCALL;
    return m_surfaces[Level]->LockRect(pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level)
{
    if (Level >= m_surfaces.size())
        return D3DERR_INVALIDCALL;
    return m_surfaces[Level]->UnlockRect();
}

HRESULT Texture::AddDirtyRect(const RECT* pDirtyRect)
{
    ensureContent();
    // Locks upload as they end; a region locked with D3DLOCK_NO_DIRTY_UPDATE is sent here.
    if (pool() != D3DPOOL_MANAGED)
        return D3D_OK;
    D3DBOX box;
    if (!rectToBox(pDirtyRect, m_width, m_height, box))
        return D3DERR_INVALIDCALL;
    for (UINT level = 0; level < m_levels; ++level) {
        D3DBOX scaled{box.Left >> level,
                      box.Top >> level,
                      std::max(1u, (box.Right + (1u << level) - 1) >> level),
                      std::max(1u, (box.Bottom + (1u << level) - 1) >> level),
                      0,
                      1};
        Image& image = *m_images[level];
        scaled.Right = std::min(scaled.Right, image.width());
        scaled.Bottom = std::min(scaled.Bottom, image.height());
        if (isCompressed(info())) {
            scaled.Left &= ~3u;
            scaled.Top &= ~3u;
        }
        if (scaled.Left < scaled.Right && scaled.Top < scaled.Bottom)
            image.upload(&scaled);
    }
    markMipsDirty();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// CubeTexture

CubeTexture::CubeTexture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                         UINT levels, UINT glLevels, UINT edge)
    : BaseTextureObject(device, D3DRTYPE_CUBETEXTURE, info, format, usage, pool, levels, glLevels), m_edge(edge)
{
}

CubeTexture::~CubeTexture()
{
    m_surfaces.clear();
    m_images.clear();
}

HRESULT CubeTexture::create(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            CubeTexture** out)
{
    *out = nullptr;
    if (edge == 0)
        return D3DERR_INVALIDCALL;
    const FormatInfo* info = nullptr;
    HRESULT hr = checkTextureArguments(device, usage, format, pool, false, info);
    if (FAILED(hr))
        return hr;
    UINT count = 0, glCount = 0;
    if (FAILED(levelCounts(levels, usage, edge, edge, 1, count, glCount)))
        return D3DERR_INVALIDCALL;
    CubeTexture* texture = new CubeTexture(device, info, format, usage, pool, count, glCount, edge);
    bool keep = pool != D3DPOOL_DEFAULT;
    if (gpuPool(pool) && !texture->createGL(GL_TEXTURE_CUBE_MAP, edge, edge, 1)) {
        texture->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    for (UINT face = 0; face < 6; ++face) {
        for (UINT level = 0; level < glCount; ++level) {
            UINT size = mipSize(edge, level);
            auto image = std::make_unique<Image>(device, info, size, size, 1, keep);
            if (gpuPool(pool))
                image->setGL(&texture->m_texture, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face,
                             static_cast<GLint>(level));
            if (releasesMemoryAfterFill(pool, format))
                image->releaseMemoryAfterFill();
            texture->m_surfaces.push_back(std::make_unique<Surface>(
                device, texture, static_cast<IDirect3DCubeTexture9*>(texture), image.get(), format,
                usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP),
                face, level));
            texture->m_images.push_back(std::move(image));
        }
    }
    *out = texture;
    return D3D_OK;
}

void CubeTexture::detachChildren()
{
    for (auto& surface : m_surfaces)
        surface->detach();
    for (auto& image : m_images)
        image->detach();
}

bool CubeTexture::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DBaseTexture9 ||
           riid == IID_IDirect3DCubeTexture9;
}

Surface* CubeTexture::face(UINT face, UINT level)
{
    if (face >= 6 || level >= m_levels)
        return nullptr;
    return m_surfaces[face * m_glLevels + level].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    Surface* surface = face(0, Level);
    if (!pDesc || !surface)
        return D3DERR_INVALIDCALL;
    return surface->GetDesc(pDesc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level, IDirect3DSurface9** ppCubeMapSurface)
{
    if (!ppCubeMapSurface)
        return D3DERR_INVALIDCALL;
    Surface* surface = face(static_cast<UINT>(FaceType), Level);
    *ppCubeMapSurface = surface;
    if (!surface)
        return D3DERR_INVALIDCALL;
    addRef();
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                              DWORD Flags)
{
    Surface* surface = face(static_cast<UINT>(FaceType), Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->LockRect(pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level)
{
    Surface* surface = face(static_cast<UINT>(FaceType), Level);
    if (!surface)
        return D3DERR_INVALIDCALL;
    return surface->UnlockRect();
}

HRESULT CubeTexture::AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT*)
{
    if (static_cast<UINT>(FaceType) >= 6)
        return D3DERR_INVALIDCALL;
    if (pool() != D3DPOOL_MANAGED)
        return D3D_OK;
    for (UINT level = 0; level < m_levels; ++level)
        m_images[static_cast<UINT>(FaceType) * m_glLevels + level]->upload();
    markMipsDirty();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// Volume and VolumeTexture

Volume::Volume(Device* device, VolumeTexture* texture, Image* image, D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : ObjectBase(device, pool, texture), m_texture(texture), m_image(image)
{
    m_desc = D3DVOLUME_DESC{format, D3DRTYPE_VOLUME, usage, pool, image->width(), image->height(), image->depth()};
}

bool Volume::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DVolume9;
}

HRESULT Volume::GetContainer(REFIID riid, void** ppContainer)
{
    if (!ppContainer)
        return D3DERR_INVALIDCALL;
    return static_cast<IDirect3DVolumeTexture9*>(m_texture)->QueryInterface(riid, ppContainer);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    if (!pLockedVolume)
        return D3DERR_INVALIDCALL;
    if (m_desc.Pool == D3DPOOL_DEFAULT && !(m_desc.Usage & D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL;
    return m_image->lock(pBox, Flags, pLockedVolume);
}

HRESULT Volume::UnlockBox()
{
    HRESULT hr = m_image->unlock();
    if (SUCCEEDED(hr) && m_image->glLevel() == 0)
        m_texture->markMipsDirty();
    return hr;
}

VolumeTexture::VolumeTexture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                             UINT levels, UINT glLevels)
    : BaseTextureObject(device, D3DRTYPE_VOLUMETEXTURE, info, format, usage, pool, levels, glLevels)
{
}

VolumeTexture::~VolumeTexture()
{
    m_volumes.clear();
    m_images.clear();
}

HRESULT VolumeTexture::create(Device* device, UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, VolumeTexture** out)
{
    *out = nullptr;
    if (width == 0 || height == 0 || depth == 0)
        return D3DERR_INVALIDCALL;
    const FormatInfo* info = nullptr;
    HRESULT hr = checkTextureArguments(device, usage, format, pool, true, info);
    if (FAILED(hr))
        return hr;
    UINT count = 0, glCount = 0;
    if (FAILED(levelCounts(levels, usage, width, height, depth, count, glCount)))
        return D3DERR_INVALIDCALL;
    VolumeTexture* texture = new VolumeTexture(device, info, format, usage, pool, count, glCount);
    bool keep = pool != D3DPOOL_DEFAULT;
    if (gpuPool(pool) && !texture->createGL(GL_TEXTURE_3D, width, height, depth)) {
        texture->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    for (UINT level = 0; level < glCount; ++level) {
        auto image = std::make_unique<Image>(device, info, mipSize(width, level), mipSize(height, level),
                                             mipSize(depth, level), keep);
        if (gpuPool(pool))
            image->setGL(&texture->m_texture, GL_TEXTURE_3D, GL_TEXTURE_3D, static_cast<GLint>(level));
        if (releasesMemoryAfterFill(pool, format))
            image->releaseMemoryAfterFill();
        if (level < count)
            texture->m_volumes.push_back(
                std::make_unique<Volume>(device, texture, image.get(), format, usage & D3DUSAGE_DYNAMIC, pool));
        texture->m_images.push_back(std::move(image));
    }
    *out = texture;
    return D3D_OK;
}

void VolumeTexture::detachChildren()
{
    for (auto& volume : m_volumes)
        volume->detach();
    for (auto& image : m_images)
        image->detach();
}

bool VolumeTexture::hasInterface(REFIID riid) const
{
    return riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DBaseTexture9 ||
           riid == IID_IDirect3DVolumeTexture9;
}

HRESULT VolumeTexture::GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc)
{
    if (!pDesc || Level >= m_volumes.size())
        return D3DERR_INVALIDCALL;
    return m_volumes[Level]->GetDesc(pDesc);
}

HRESULT VolumeTexture::GetVolumeLevel(UINT Level, IDirect3DVolume9** ppVolumeLevel)
{
    if (!ppVolumeLevel)
        return D3DERR_INVALIDCALL;
    *ppVolumeLevel = nullptr;
    if (Level >= m_volumes.size())
        return D3DERR_INVALIDCALL;
    *ppVolumeLevel = m_volumes[Level].get();
    addRef();
    return D3D_OK;
}

HRESULT VolumeTexture::LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    if (Level >= m_volumes.size())
        return D3DERR_INVALIDCALL;
    return m_volumes[Level]->LockBox(pLockedVolume, pBox, Flags);
}

HRESULT VolumeTexture::UnlockBox(UINT Level)
{
    if (Level >= m_volumes.size())
        return D3DERR_INVALIDCALL;
    return m_volumes[Level]->UnlockBox();
}

HRESULT VolumeTexture::AddDirtyBox(const D3DBOX*)
{
    if (pool() != D3DPOOL_MANAGED)
        return D3D_OK;
    for (UINT level = 0; level < m_levels; ++level)
        m_images[level]->upload();
    markMipsDirty();
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------

BaseTextureObject* textureObject(IDirect3DBaseTexture9* texture)
{
    return texture ? dynamic_cast<BaseTextureObject*>(texture) : nullptr;
}

HRESULT createTextureAwaitingContent(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out)
{
    if (!device || !out)
        return D3DERR_INVALIDCALL;
    Device* own = dynamic_cast<Device*>(device);
    if (!own)
        return device->CreateTexture(width, height, levels, usage, format, pool, out, nullptr);
    *out = nullptr;
    Texture* texture = nullptr;
    const HRESULT hr = Texture::create(own, width, height, levels, usage, format, pool, &texture, true);
    if (SUCCEEDED(hr))
        *out = texture;
    return hr;
}

bool deferTextureContent(IDirect3DTexture9* texture, std::function<void()> fill)
{
    Texture* object = texture ? dynamic_cast<Texture*>(texture) : nullptr;
    if (!object)
        return false;
    object->deferContent(std::move(fill));
    return true;
}

Surface* surfaceObject(IDirect3DSurface9* surface)
{
    return surface ? dynamic_cast<Surface*>(surface) : nullptr;
}

} // namespace D3D9Internal
