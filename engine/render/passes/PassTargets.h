#pragma once
// What the pass kinds with render targets share: their targets come from the render manager's
// pool (so they follow device loss and reset with it), a scope that draws into one of them, the
// sizes by quality, and the one log line of a failed creation.
//
// Drawing into a target: PassTargetScope ends nothing and begins nothing of the caller's; it binds
// the colour surface, a depth buffer of the same size and a viewport over the whole target, and
// puts back what was bound when it ends. The kinds end the device scene before and begin it
// again after, as every pass that draws into a target of its own must.
#include <d3d9.h>
#include <d3dx9math.h>

#include "render/targets/RenderTargetPool.h"

#include <string>

namespace Ulvo {

class RenderManager;

class PassTargetScope {
public:
    PassTargetScope() = default;
    ~PassTargetScope() { end(); }
    PassTargetScope(const PassTargetScope&) = delete;
    PassTargetScope& operator=(const PassTargetScope&) = delete;

    // Binds colour (and depth, when given) with a viewport of width x height and begins a scene
    // on the device; false (nothing bound) without a device or surface.
    bool begin(IDirect3DDevice9* device, IDirect3DSurface9* colour, IDirect3DSurface9* depth, UINT width, UINT height);
    // Ends the scene and binds what was bound before begin; nothing when not begun.
    void end();
    // Clears the bound colour to white and the depth buffer whole, its stencil along with its
    // depth: depth alone in a D24S8 buffer is merged into every pixel by a software rasteriser,
    // both together are a plain fill.
    void clearWhite() const;

private:
    IDirect3DDevice9* m_device = nullptr;
    IDirect3DSurface9* m_previousColour = nullptr;
    IDirect3DSurface9* m_previousDepth = nullptr;
    D3DVIEWPORT9 m_previousViewport{};
    bool m_ownScene = false;
};

namespace PassTargets {

// The pool of the manager; null without one (a pass built without a manager has no targets).
RenderTargetPool* poolOf(RenderManager* manager);
// A colour target of the pass, named after it so other passes can find it.
RenderTargetHandle colour(RenderManager* manager, const std::wstring& name, UINT width, UINT height, D3DFORMAT format);
// The D24S8 depth buffer of a size, shared by every pass drawing into targets of that size.
RenderTargetHandle depth(RenderManager* manager, UINT width, UINT height);
// True when every handle is there and made.
bool made(const RenderTargetHandle& a, const RenderTargetHandle& b = nullptr, const RenderTargetHandle& c = nullptr,
          const RenderTargetHandle& d = nullptr);
// Without a device a target is made when the device comes: a pass keeps its quality then.
bool deviceCanMake();

// QUALITY and SHADOW_QUALITY words: "HIGH" 3, "MEDIUM" 2, "NONE" 0, any other word 1.
unsigned qualityFromWord(const std::wstring& word);
// 3 to 2, 2 to 1, 1 to 0; other values stay.
unsigned stepDown(unsigned quality);
// The smallest power of two not below the value (1 for 0).
unsigned powerOfTwoAtLeast(unsigned value);
// The edge of a screen-sized target by quality: the larger screen side, a quarter at 1, half at 2,
// whole at 3, then up to a power of two; 0 at quality 0. A screen of no size counts as 1024
// wide, after a log line naming the caller.
unsigned screenTextureSize(unsigned quality, const RECT& screen, const wchar_t* caller);
// The same for the device's screen.
unsigned screenTextureSize(unsigned quality, const wchar_t* caller);
// The shadow-map edge: 1024 at 1, 2048 at 2, 4096 at 3, 1024 for other values, 0 at 0.
unsigned shadowMapSize(unsigned quality);

// A world-space plane in clip space, where shaders clip: through the transpose of the camera's
// inverse view-projection.
D3DXPLANE clipPlane(const D3DXPLANE& plane, const D3DXMATRIX& inverseViewProjection);

// " <function> Line: <line> <call> failed!" as an error of priority 100.
void logFailed(const wchar_t* function, int line, const wchar_t* call);

} // namespace PassTargets

} // namespace Ulvo
