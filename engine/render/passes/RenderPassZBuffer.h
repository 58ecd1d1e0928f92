#pragma once
// Linear depth. RenderPassDepthLinear (TYPE DEPTH_LINEAR) draws its objects with a depth range for
// their effects ("g_depth": near and far), from the camera or from MIN and MAX. RenderPassZBuffer
// is the render manager's one z-buffer pass ("ZBUFFER", made on first request): a 16-bit linear
// depth picture of the camera's view, refreshed when the camera moved or a quarter of a second
// passed, which it reads back to find the world position under a screen point (the cameras'
// z-buffer focus). Its picture comes from the render manager's target pool; the read-back copy
// lives in system memory and survives device resets.
#include "graphics/textures/Texture2D.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"

namespace Ulvo {

class RenderPassDepthLinear : public RenderPass {
public:
    RenderPassDepthLinear(XMLNode* node, RenderManager* renderManager);

    void render(Camera* camera) override;
    void onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous);
    float getMinDepth() const { return m_min; }
    float getMaxDepth() const { return m_max; }

private:
    float m_min = 0.0f;
    float m_max = 10.0f;
    bool m_fromCamera = true;
};

class RenderPassZBuffer : public RenderPass {
public:
    RenderPassZBuffer(const std::wstring& name, RenderManager* renderManager);
    ~RenderPassZBuffer() override;

    void setSceneGraph(SceneGraph* sceneGraph) override;
    void render(Camera* camera) override;

    // Makes the depth picture at the pass's quality (stepping down when the device cannot) and
    // the read-back copy; nothing when made.
    void createRenderToTexture();
    void releaseRenderToTexture();
    // The read-back copy, refreshed from the picture once per render.
    Texture2D& getDepthTexture();
    // The world position under a screen point (0..1, y down). renderMode below 0 reads the last
    // picture; 0 renders first when the camera moved or the interval passed; above 0 always renders.
    // False while no picture was ever drawn.
    bool getWorldPosition(Camera* camera, const D3DXVECTOR2& screen, D3DXVECTOR3& world, const int& renderMode);

    bool isCreated() const { return m_created; }
    unsigned getTextureSize() const { return m_texSize; }
    const RenderTargetHandle& getDepthTarget() const { return m_depthTexture; }
    // How many times the picture was drawn (tests and the frame's statistics).
    unsigned getRenderCount() const { return m_renderCount; }

    void onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous);

    sigslot::signal1<Texture2D&> depthRead;

private:
    RenderTargetHandle m_depthTexture;
    RenderTargetHandle m_depthBuffer;
    Texture2D m_readback;
    float m_near = 0.0f;
    float m_far = 1.0f;
    bool m_created = false;
    bool m_fresh = true;
    bool m_force = false;
    unsigned m_texSize = 0;
    unsigned m_renderCount = 0;
    D3DXMATRIX m_projection;
    D3DXMATRIX m_inverseView;
    std::vector<RenderObjekt*> m_visible;
};

} // namespace Ulvo
