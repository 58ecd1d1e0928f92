#pragma once
// The deferred renderer as the render manager sees it: the stage that lights the scene from its
// G-buffer over the forward image, and keeps the deferred lights. Made by the engine from the
// lighting layer and handed to the manager, which owns it. Deferred rendering makes its buffers
// only while the engine-wide deferred switch (RP_DEF) is on; that switch and the shadow quality of
// the lights are the manager's settings (RenderSettings), which the renderer follows.
#include <d3d9.h>
#include <d3dx9math.h>

#include "foundation/sigslot.h"
#include "render/MyQuality.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class Camera;
class SceneGraph;
class XMLNode;

class DeferredStage {
public:
    virtual ~DeferredStage() = default;

    virtual bool isEnabled() const = 0;
    // Makes or releases the buffers; the resulting state.
    virtual bool setEnabled(bool enabled) = 0;
    virtual void setSceneGraph(SceneGraph* sceneGraph) = 0;
    // Bit 2 is its own.
    virtual void setHDRMode(uint32_t bits) = 0;
    // The image it composes over.
    virtual void setForwardTexture(IDirect3DTexture9* texture) = 0;
    virtual void render(Camera& camera) = 0;
    // Its composed image; false while it has none.
    virtual bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) = 0;
    // The DEFERRED_RENDERING section.
    virtual void loadConfig(XMLNode& node) = 0;
    // Writes its buffers into the folder (empty: the working folder); false when nothing was
    // written.
    virtual bool saveBuffers(const std::wstring& folder) = 0;
    virtual void setBlurLights(bool blur) = 0;

    // Lights made for the console: built, offered to the active lights (the result), and the
    // maker's own reference dropped, so that a refused light is gone.
    virtual bool addPointLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                               float radius, float intensity) = 0;
    virtual bool addDirectionalLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& direction,
                                     float intensity) = 0;
    virtual bool addSpotLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                              const D3DXVECTOR3& direction, float radius, float theta, float intensity) = 0;
    // The first active light of that name leaves the active lights; false when there is none.
    virtual bool removeLightByName(const std::wstring& name) = 0;

    // With the new state whenever deferred rendering is switched on or off.
    sigslot::signal1<const bool&> enabledChanged;
};

} // namespace Ulvo
