#pragma once
// An off-screen render target: a texture with a depth buffer of its own, into
// which whoever is connected to onRender draws once per render call. The
// result is the ordinary 2D texture "RT_RENDER" that sprites and effects
// sample. Device loss releases the Direct3D objects; the reset rebuilds them.
#include <windows.h>
#include <d3d9.h>
#include <d3dx9core.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "graphics/textures/Texture2D.h"

namespace Ulvo {

class RenderToTexture : public sigslot::has_slots<>, public DeviceResource {
public:
    // 1024 x 768, display format, D3DFMT_D24S8 depth.
    RenderToTexture();
    // Format 0: the display format; depth format 0: D3DFMT_D24S8. The size is
    // the rectangle's; nothing is created yet.
    RenderToTexture(const RECT& rect, D3DFORMAT colourFormat, D3DFORMAT depthFormat);
    RenderToTexture(const RenderToTexture&) = delete;
    // Takes the other's rectangle, size and formats and, when it is created,
    // creates Direct3D objects of its own.
    RenderToTexture& operator=(const RenderToTexture& other);
    ~RenderToTexture() override;

    // Releases what exists and builds the target anew.
    bool create();
    // While created: binds the target, emits onRender, unbinds. Otherwise nothing.
    void render();

    Texture2D* getTexture() { return &m_texture; }
    const RECT& getRect() const { return m_rect; }
    UINT getWidth() const { return m_width; }
    UINT getHeight() const { return m_height; }
    D3DFORMAT getColourFormat() const { return m_colourFormat; }
    D3DFORMAT getDepthFormat() const { return m_depthFormat; }
    const D3DVIEWPORT9& getViewport() const { return m_viewport; }
    bool isCreated() const { return m_created; }

    void onLostDevice() override;
    void onResetDevice() override;

    // Emitted while the target is bound: draw into it.
    sigslot::signal1<RenderToTexture&> onRender;

private:
    void connectSignals();
    bool build();
    void releaseSurfaces();
    void onTextureLost(BaseTexture* texture);
    void onTextureReset(BaseTexture* texture);

    ID3DXRenderToSurface* m_renderToSurface = nullptr;
    IDirect3DSurface9* m_surface = nullptr;
    Texture2D m_texture;
    D3DVIEWPORT9 m_viewport{0, 0, 0, 0, 0.0f, 1.0f};
    UINT m_width = 0;
    UINT m_height = 0;
    RECT m_rect{0, 0, 0, 0};
    D3DFORMAT m_colourFormat = D3DFMT_UNKNOWN;
    D3DFORMAT m_depthFormat = D3DFMT_UNKNOWN;
    bool m_created = false;
};

} // namespace Ulvo
