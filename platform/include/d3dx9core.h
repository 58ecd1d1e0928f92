#pragma once
// D3DX 9 core helpers: the sprite batcher, the line drawer and the render-to-surface helper, all
// drawn through the public IDirect3DDevice9 interface.
#include <d3d9.h>
#include <d3dx9math.h>

extern const IID IID_ID3DXSprite;
extern const IID IID_ID3DXRenderToSurface;
extern const IID IID_ID3DXLine;

// Begin flags of ID3DXSprite.
#define D3DXSPRITE_DONOTSAVESTATE (1 << 0)
#define D3DXSPRITE_DONOTMODIFY_RENDERSTATE (1 << 1)
#define D3DXSPRITE_OBJECTSPACE (1 << 2)
#define D3DXSPRITE_BILLBOARD (1 << 3)
#define D3DXSPRITE_ALPHABLEND (1 << 4)
#define D3DXSPRITE_SORT_TEXTURE (1 << 5)
#define D3DXSPRITE_SORT_DEPTH_FRONTTOBACK (1 << 6)
#define D3DXSPRITE_SORT_DEPTH_BACKTOFRONT (1 << 7)
#define D3DXSPRITE_DO_NOT_ADDREF_TEXTURE (1 << 8)

// Queues textured quads between Begin and End and draws them in as few calls as it can.
// Without D3DXSPRITE_OBJECTSPACE the sprite sets a screen-space projection (pixel units, origin
// top left) for the current viewport; with it, the world/view/projection the caller set apply
// (SetWorldViewLH/RH only matter to BILLBOARD and depth sorting). Queued quads are transformed
// by the sprite transform in force when Draw was called.
struct ID3DXSprite : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetTransform(D3DXMATRIX* pTransform) = 0;
    virtual HRESULT SetTransform(const D3DXMATRIX* pTransform) = 0;
    virtual HRESULT SetWorldViewRH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) = 0;
    virtual HRESULT SetWorldViewLH(const D3DXMATRIX* pWorld, const D3DXMATRIX* pView) = 0;
    // D3DERR_INVALIDCALL when already begun.
    virtual HRESULT Begin(DWORD Flags) = 0;
    // pSrcRect null: the whole texture. pCenter null: (0,0,0). pPosition null: (0,0,0). The
    // colour modulates the texel (0xFFFFFFFF leaves it as it is).
    virtual HRESULT Draw(IDirect3DTexture9* pTexture, const RECT* pSrcRect, const D3DXVECTOR3* pCenter,
                         const D3DXVECTOR3* pPosition, D3DCOLOR Color) = 0;
    // Draws what is queued now; the sprite stays begun.
    virtual HRESULT Flush() = 0;
    // Draws what is queued and restores the device states Begin changed (unless
    // D3DXSPRITE_DONOTSAVESTATE).
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXSprite *LPD3DXSPRITE, *PD3DXSPRITE;

HRESULT D3DXCreateSprite(IDirect3DDevice9* pDevice, ID3DXSprite** ppSprite);

// Screen-space lines: each segment of a strip is a quad Width pixels wide (default 1) centred on
// the segment, pixel centres on integer coordinates, drawn at once with source-alpha blending.
// With antialiasing the quad's long edges fade to transparent over one pixel. Begin saves the
// device state and sets the line's own; End restores it. Draw outside Begin/End does both itself.
struct ID3DXLine : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // D3DERR_INVALIDCALL when already begun.
    virtual HRESULT Begin() = 0;
    // A strip through the points: count - 1 segments (fewer than two points draw nothing).
    virtual HRESULT Draw(const D3DXVECTOR2* pVertexList, DWORD dwVertexListCount, D3DCOLOR Color) = 0;
    // Widths below 0 are refused with D3DERR_INVALIDCALL.
    virtual HRESULT SetWidth(FLOAT fWidth) = 0;
    virtual FLOAT GetWidth() = 0;
    virtual HRESULT SetAntialias(BOOL bAntialias) = 0;
    virtual BOOL GetAntialias() = 0;
    virtual HRESULT End() = 0;
    // The saved state is released with the device's resources and made again on reset.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXLine *LPD3DXLINE, *PD3DXLINE;

HRESULT D3DXCreateLine(IDirect3DDevice9* pDevice, ID3DXLine** ppLine);

typedef struct _D3DXRTS_DESC {
    UINT Width;
    UINT Height;
    D3DFORMAT Format;
    BOOL DepthStencil;
    D3DFORMAT DepthStencilFormat;
} D3DXRTS_DESC, *LPD3DXRTS_DESC;

// Renders into a surface of the size and format given at creation. BeginScene binds the
// surface (and the helper's own depth buffer if DepthStencil), sets the viewport (the whole
// surface when null) and calls the device's BeginScene; EndScene ends the scene, puts back the
// previous render target, depth buffer and viewport, and with a MipFilter other than
// D3DX_FILTER_NONE regenerates the levels of the texture that owns the surface.
struct ID3DXRenderToSurface : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetDesc(D3DXRTS_DESC* pDesc) = 0;
    virtual HRESULT BeginScene(IDirect3DSurface9* pSurface, const D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT EndScene(DWORD MipFilter) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};
typedef ID3DXRenderToSurface *LPD3DXRENDERTOSURFACE, *PD3DXRENDERTOSURFACE;

HRESULT D3DXCreateRenderToSurface(IDirect3DDevice9* pDevice, UINT Width, UINT Height, D3DFORMAT Format,
                                  BOOL DepthStencil, D3DFORMAT DepthStencilFormat,
                                  ID3DXRenderToSurface** ppRenderToSurface);
