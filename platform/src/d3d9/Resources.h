#pragma once
// Textures (2D, cube, volume), their levels (surfaces, volumes) and stand-alone surfaces.
#include "d3d9/Image.h"
#include "d3d9/ObjectBase.h"

#include <functional>
#include <memory>
#include <vector>

namespace D3D9Internal {

class Surface;

// What the device needs of any texture: its GL texture, type, format and mip state.
class BaseTextureObject : public ObjectBase {
public:
    BaseTextureObject(Device* device, D3DRESOURCETYPE type, const FormatInfo* info, D3DFORMAT format, DWORD usage,
                      D3DPOOL pool, UINT levels, UINT glLevels);
    ~BaseTextureObject() override;

    virtual IDirect3DBaseTexture9* asInterface() = 0;
    D3DRESOURCETYPE resourceType() const { return m_type; }
    GLuint glTexture() const { return m_texture; }
    GLenum bindTarget() const { return m_bindTarget; }
    D3DFORMAT format() const { return m_format; }
    const FormatInfo& info() const { return *m_info; }
    DWORD usage() const { return m_usage; }
    UINT levelCount() const { return m_levels; }
    bool autoGenMips() const { return (m_usage & D3DUSAGE_AUTOGENMIPMAP) != 0; }
    // Level 0 changed (rendered, unlocked): sub-levels are regenerated before the next sampling.
    void markMipsDirty() { m_mipsDirty = autoGenMips() && m_glLevels > 1; }
    void resolveMips();

    // Texels whose writing waits for the first use (see deferTextureContent): every path that
    // samples, locks, copies or hands out a level calls this first.
    void ensureContent()
    {
        if (m_pendingContent) {
            std::function<void()> fill = std::move(m_pendingContent);
            m_pendingContent = nullptr;
            fill();
        }
    }
    bool contentPending() const { return static_cast<bool>(m_pendingContent); }

    // A managed texture whose texels all came from one fill that can be run again (a picture
    // read from its file) may give its GL storage back while it is not drawn; it is filled again
    // on its next use. A write into it outside that fill makes it keep its storage for good.
    virtual bool canEvict() const { return false; }
    virtual void evict() {}
    void contentWritten()
    {
        if (!m_filling)
            m_refill = nullptr;
    }
    // Drawing marks a texture used; the device sweeps every kSweepScenes frames and evicts what
    // it found unused kIdleSweeps sweeps running.
    static constexpr unsigned kSweepScenes = 64;
    static constexpr unsigned kIdleSweeps = 2;
    void markUsed() { m_idleSweeps = 0; }
    unsigned countIdleSweep() { return ++m_idleSweeps; }

    DWORD setLod(DWORD lod);
    DWORD lod() const { return m_lod; }
    HRESULT setAutoGenFilter(D3DTEXTUREFILTERTYPE filter);
    D3DTEXTUREFILTERTYPE autoGenFilter() const { return m_autoGenFilter; }

protected:
    // Writes the sub-levels of a small power-of-two 8-bit texture from level 0 (bound for upload);
    // false leaves them to the driver.
    bool halveOnProcessor();
    // Creates the GL texture with its levels allocated, zeroed unless the whole content follows at
    // once (a fill): a driver hands out memory as it finds it, and a texture nobody wrote must
    // read as 0.
    bool createGL(GLenum bindTarget, UINT width, UINT height, UINT depth, bool contentFollows = false);
    void releaseGL() override;

    D3DRESOURCETYPE m_type;
    const FormatInfo* m_info;
    D3DFORMAT m_format;
    DWORD m_usage;
    UINT m_levels;   // what GetLevelCount reports (1 for automatic mipmaps)
    UINT m_glLevels; // levels GL holds
    GLuint m_texture = 0;
    GLenum m_bindTarget = 0;
    DWORD m_lod = 0;
    D3DTEXTUREFILTERTYPE m_autoGenFilter = D3DTEXF_LINEAR;
    bool m_mipsDirty = false;
    std::function<void()> m_pendingContent;
    std::function<void()> m_refill; // writes every texel again (managed pictures from a file)
    bool m_filling = false;
    unsigned m_idleSweeps = 0;
};

class Surface final : public IDirect3DSurface9, public ObjectBase {
public:
    enum class Kind { TextureLevel, RenderTarget, DepthStencil, OffscreenPlain };

    // A stand-alone surface with its own storage (null on failure, logged).
    static Surface* create(Device* device, Kind kind, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                           bool lockable, D3DMULTISAMPLE_TYPE multiSample, DWORD quality, bool implicit);
    // A level of a texture; its references are the texture's.
    Surface(Device* device, BaseTextureObject* texture, IUnknown* container, Image* image, D3DFORMAT format,
            DWORD usage, UINT face, UINT level);
    ~Surface() override;

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;
    HRESULT GetDC(HDC* phdc) override;
    HRESULT ReleaseDC(HDC hdc) override;

    Kind kind() const { return m_kind; }
    const D3DSURFACE_DESC& desc() const { return m_desc; }
    Image& image() { return *m_image; }
    const FormatInfo& info() const { return m_image->info(); }
    // The texture this surface is a level of, or null.
    BaseTextureObject* texture() const { return m_texture; }
    GLuint glTexture() const { return m_image->glTexture(); }
    GLenum imageTarget() const { return m_image->imageTarget(); }
    GLint glLevel() const { return m_image->glLevel(); }
    bool isRenderTarget() const { return (m_desc.Usage & D3DUSAGE_RENDERTARGET) != 0; }
    bool isDepthStencil() const { return (m_desc.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
    bool onGpu() const { return m_image->glTexture() != 0; }

    // What whole-surface clears left in a depth-stencil surface that only draws and copies reach
    // (no texture, not lockable): the values known to fill it, and which of them GL has still to
    // be given. Such a clear waits for the first draw that tests depth or stencil, and a clear
    // to the value already there is left out.
    struct DepthClear {
        bool depthKnown = false, stencilKnown = false;
        bool depthPending = false, stencilPending = false;
        float depth = 1.0f;
        DWORD stencil = 0;
        // What the last clear of a part left there, while no draw or copy changed it.
        RECT part{};
        bool partDepthKnown = false, partStencilKnown = false;
        float partDepth = 1.0f;
        DWORD partStencil = 0;
    };
    DepthClear* depthClear()
    {
        return m_kind == Kind::DepthStencil && !m_texture && !m_lockable ? &m_depthClear : nullptr;
    }

private:
    Surface(Device* device, Kind kind, D3DPOOL pool, bool implicit);
    bool hasInterface(REFIID riid) const;
    void releaseGL() override;

    Kind m_kind;
    D3DSURFACE_DESC m_desc{};
    BaseTextureObject* m_texture = nullptr;
    IUnknown* m_container = nullptr;
    Image* m_image = nullptr;
    std::unique_ptr<Image> m_ownImage;
    GLuint m_ownTexture = 0;
    bool m_lockable = true;
    DepthClear m_depthClear;
};

class Texture final : public IDirect3DTexture9, public BaseTextureObject {
public:
    // contentFollows: a managed texture whose texels deferContent hands over next is made as an
    // evicted one, without GL storage or memory copies (making and dropping them cost a load of
    // many pictures tens of milliseconds); should none come, its first use makes them blank.
    static HRESULT create(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Texture** out, bool contentFollows = false);
    ~Texture() override;

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD LODNew) override { return setLod(LODNew); }
    DWORD GetLOD() override { return lod(); }
    DWORD GetLevelCount() override { return m_levels; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override { return setAutoGenFilter(FilterType); }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter(); }
    void GenerateMipSubLevels() override
    {
        ensureContent();
        markMipsDirty();
        resolveMips();
    }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT* pDirtyRect) override;

    IDirect3DBaseTexture9* asInterface() override { return this; }
    Surface* level(UINT index) { return index < m_surfaces.size() ? m_surfaces[index].get() : nullptr; }
    // A managed texture gives back its GL storage and memory copies until `fill` writes it on
    // first use (and again after each eviction); any other texture is filled at once.
    void deferContent(std::function<void()> fill);
    bool canEvict() const override;
    void evict() override;
    UINT width() const { return m_width; }
    UINT height() const { return m_height; }

private:
    bool m_madeAwaitingContent = false;
    Texture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT levels,
            UINT glLevels, UINT width, UINT height);
    bool hasInterface(REFIID riid) const;
    void detachChildren() override;

    UINT m_width, m_height;
    std::vector<std::unique_ptr<Image>> m_images;
    std::vector<std::unique_ptr<Surface>> m_surfaces;
};

class CubeTexture final : public IDirect3DCubeTexture9, public BaseTextureObject {
public:
    static HRESULT create(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          CubeTexture** out);
    ~CubeTexture() override;

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD SetLOD(DWORD LODNew) override { return setLod(LODNew); }
    DWORD GetLOD() override { return lod(); }
    DWORD GetLevelCount() override { return m_levels; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override { return setAutoGenFilter(FilterType); }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter(); }
    void GenerateMipSubLevels() override
    {
        markMipsDirty();
        resolveMips();
    }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level, IDirect3DSurface9** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT* pDirtyRect) override;

    IDirect3DBaseTexture9* asInterface() override { return this; }
    Surface* face(UINT face, UINT level);
    UINT edge() const { return m_edge; }

private:
    CubeTexture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT levels,
                UINT glLevels, UINT edge);
    bool hasInterface(REFIID riid) const;
    void detachChildren() override;

    UINT m_edge;
    std::vector<std::unique_ptr<Image>> m_images; // face-major: face * glLevels + level
    std::vector<std::unique_ptr<Surface>> m_surfaces;
};

class VolumeTexture;

class Volume final : public IDirect3DVolume9, public ObjectBase {
public:
    Volume(Device* device, VolumeTexture* texture, Image* image, D3DFORMAT format, DWORD usage, D3DPOOL pool);

    ULVO_D3D_UNKNOWN_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override { return setPrivateData(g, d, s, f); }
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return getPrivateData(g, d, s); }
    HRESULT FreePrivateData(REFGUID g) override { return freePrivateData(g); }
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox() override;

    Image& image() { return *m_image; }

private:
    bool hasInterface(REFIID riid) const;

    VolumeTexture* m_texture;
    Image* m_image;
    D3DVOLUME_DESC m_desc{};
};

class VolumeTexture final : public IDirect3DVolumeTexture9, public BaseTextureObject {
public:
    static HRESULT create(Device* device, UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, VolumeTexture** out);
    ~VolumeTexture() override;

    ULVO_D3D_RESOURCE_METHODS
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VOLUMETEXTURE; }
    DWORD SetLOD(DWORD LODNew) override { return setLod(LODNew); }
    DWORD GetLOD() override { return lod(); }
    DWORD GetLevelCount() override { return m_levels; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override { return setAutoGenFilter(FilterType); }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter(); }
    void GenerateMipSubLevels() override
    {
        markMipsDirty();
        resolveMips();
    }
    HRESULT GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) override;
    HRESULT GetVolumeLevel(UINT Level, IDirect3DVolume9** ppVolumeLevel) override;
    HRESULT LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox(UINT Level) override;
    HRESULT AddDirtyBox(const D3DBOX* pDirtyBox) override;

    IDirect3DBaseTexture9* asInterface() override { return this; }
    Volume* level(UINT index) { return index < m_volumes.size() ? m_volumes[index].get() : nullptr; }

private:
    VolumeTexture(Device* device, const FormatInfo* info, D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT levels,
                  UINT glLevels);
    bool hasInterface(REFIID riid) const;
    void detachChildren() override;

    std::vector<std::unique_ptr<Image>> m_images;
    std::vector<std::unique_ptr<Volume>> m_volumes;
};

// The texture object behind an interface pointer of any texture type (null for foreign ones).
BaseTextureObject* textureObject(IDirect3DBaseTexture9* texture);
Surface* surfaceObject(IDirect3DSurface9* surface);

} // namespace D3D9Internal
