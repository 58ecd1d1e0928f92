#pragma once
// The forward renderer: draws the scene the classic way into a colour target of its own (the
// render manager's render-target size): binds it, clears it, runs one list of render passes in
// order and hands the image on through the frame (HDR hook, deferred compose, post effects).
//
// It keeps two pass lists, list 0 while deferred rendering is off and list 1 while it is on; the
// passes of the active list hold one activation each from it, those of the other list none.
// preRender and postRender bracket the passes; the game draws its board in postRender, inside the
// forward scene. The target is A16B16G16R16F while the HDR forward bit is set, else A8R8G8B8 with
// USE_ALPHA and X8R8G8B8 without; it comes from the render manager's target pool (which makes it
// again after a device reset) and follows size changes and the enabled switch.
#include <d3d9.h>
#include <d3dx9math.h>

#include "foundation/sigslot.h"
#include "render/targets/RenderTargetPool.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Camera;
class D3DInterface;
class RenderManager;
class RenderPass;
class SceneGraph;
class XMLNode;

class ForwardRenderer : public sigslot::has_slots<> {
public:
    explicit ForwardRenderer(RenderManager& owner);
    ~ForwardRenderer();
    ForwardRenderer(const ForwardRenderer&) = delete;
    ForwardRenderer& operator=(const ForwardRenderer&) = delete;

    // The FORWARD_RENDERING section: CLEAR_COLOR, USE_ALPHA, ENABLE.
    void loadConfig(XMLNode& node);
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setUseAlpha(bool useAlpha);
    bool getUseAlpha() const { return m_useAlpha; }
    void setSceneGraph(SceneGraph* sceneGraph);
    // Bit 1 selects the floating-point target.
    void setHDRMode(uint32_t bits);
    uint32_t getHDRMode() const { return m_hdrMode; }
    // The colour target; false (outputs untouched) while it does not exist.
    bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) const;

    // List index: 0 list 0, positive list 1, negative the active list.
    void addPass(const std::wstring& name, int list);
    void insertPass(RenderPass* pass, int list);
    void removePass(RenderPass* pass, int list);
    void clearPasses(int list);
    // True while deferred rendering is on: list 1 becomes the active list.
    void selectPassList(bool deferred);
    bool isDeferredListActive() const { return m_deferredList; }
    const std::vector<RenderPass*>& getPasses(int list) const;

    // One forward frame with the camera.
    // Into its own target, or into target when one is given.
    void render(Camera* camera, IDirect3DSurface9* target = nullptr);

    const D3DXCOLOR& getClearColor() const { return m_clearColor; }
    void setClearColor(const D3DXCOLOR& colour) { m_clearColor = colour; }
    // The clear colour as the target is cleared with: each channel 255 from 1.0 up, 0 from 0.0
    // down, else x 255 + 0.5 truncated.
    D3DCOLOR getClearColorValue() const;
    bool hasBuffers() const { return m_created; }
    const RenderTargetHandle& getTarget() const { return m_target; }
    unsigned getFrameCounter() const { return m_frameCounter; }

    void createBuffers();
    void releaseBuffers();
    void onRenderTargetSizeChanged(RenderManager& manager);

    // After the colour target is bound, before the scene begins; after the passes, before the
    // scene ends.
    sigslot::signal1<ForwardRenderer&> preRender;
    sigslot::signal1<ForwardRenderer&> postRender;

private:
    std::vector<RenderPass*>& listOf(int list);
    // Releases and makes the target again, when a device exists.
    void recreateBuffers();

    uint32_t m_hdrMode = 0;
    bool m_deferredList = false;
    D3DInterface* m_d3d;
    RenderTargetHandle m_target;
    SceneGraph* m_sceneGraph = nullptr;
    unsigned m_frameCounter = 0;
    bool m_created = false;
    std::vector<RenderPass*> m_lists[2];
    RenderManager& m_owner;
    D3DXCOLOR m_clearColor{128.0f / 255.0f, 128.0f / 255.0f, 128.0f / 255.0f, 1.0f};
    bool m_enabled = true;
    bool m_useAlpha = true;
};

} // namespace Ulvo
