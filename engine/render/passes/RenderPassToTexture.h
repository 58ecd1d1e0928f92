#pragma once
// TYPE TO_TEXTURE: the pass's objects rendered into an A8R8G8B8 texture of SIZE_TEXTURE (one
// value for both sides, or width and height), from the pool under the pass's name with
// ".Texture", while the pass is switched on. It can use a camera of its own and a frame budget:
// after that many frames it keeps its picture.
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"

namespace Ulvo {

class RenderPassToTexture : public RenderPass {
public:
    RenderPassToTexture(XMLNode* node, RenderManager* renderManager);
    ~RenderPassToTexture() override;

    void setSceneGraph(SceneGraph* sceneGraph) override;
    void render(Camera* camera) override;
    void onActivate(const bool& active) override;

    void createRenderToTexture();
    void releaseRenderToTexture();
    // The camera drawn with instead of the frame's while use is on (not owned).
    void setOwnCamera(Camera* camera, bool use)
    {
        m_ownCamera = camera;
        m_useOwnCamera = use;
    }
    // Frames still to render; -1 without limit.
    void setFrameBudget(int frames) { m_frameBudget = frames; }
    int getFrameBudget() const { return m_frameBudget; }
    int getWidth() const { return m_sizeX; }
    int getHeight() const { return m_sizeY; }
    bool isCreated() const { return m_created; }
    const RenderTargetHandle& getTarget() const { return m_texture; }

private:
    bool m_created = false;
    RenderTargetHandle m_texture;
    RenderTargetHandle m_depth;
    int m_sizeX = 512;
    int m_sizeY = 512;
    Camera* m_ownCamera = nullptr;
    bool m_useOwnCamera = false;
    int m_frameBudget = -1;
};

} // namespace Ulvo
