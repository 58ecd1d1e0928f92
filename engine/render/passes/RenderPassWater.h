#pragma once
// Mirrored surfaces. RenderPassWater (TYPE WATER) renders, for each water object of its list, the
// scene mirrored at the water plane into a reflection texture and, at medium and high quality, the
// scene below the water into a depth and a refraction texture, then draws the water objects with
// them. RenderPassReflection (TYPE REFLECTION) does the reflection alone for mirror objects.
// The objects are seen through MirrorSurfaces.h; their effects read the textures and the texture
// projection set here.
//
// The textures are a quarter, half or the whole larger screen side by quality (up to a power of
// two), come from the render manager's target pool and exist while the pass is switched on. Both
// follow the manager's water quality; a quality the device cannot make steps down.
#include "render/manager/RenderSettings.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"

#include <string>
#include <vector>

namespace Ulvo {

// What the two kinds share: quality, texture size, the texture projection and the mirrored draw.
class RenderPassMirror : public RenderPass {
public:
    RenderPassMirror(XMLNode* node, RenderManager* renderManager);

    void onActivate(const bool& active) override;
    void setSceneGraph(SceneGraph* sceneGraph) override;

    void createRenderToTexture();
    void releaseRenderToTexture();
    void setQuality(unsigned quality);
    bool isCreated() const { return m_created; }
    unsigned getTextureSize() const { return m_texSize; }
    const D3DXMATRIX& getTextureProjection() const { return m_texProj; }
    const RenderTargetHandle& getReflectionTarget() const { return m_reflection; }

    void onSettingChanged(RenderSetting kind, uint32_t previous, uint32_t value);

protected:
    // The kind's targets by name and the log line of each (false when one is missing).
    virtual bool makeTargets() = 0;
    virtual void dropTargets() = 0;
    virtual std::vector<RenderPass*> innerPasses() = 0;

    // Texture projection of the surface for the camera.
    void projectTexture(const D3DXMATRIX& world, Camera* camera);
    // The scene mirrored at the plane, through the inner pass, into the reflection texture.
    // Only what can appear around the surface on the screen is drawn (see kMirrorMargin).
    void renderMirrored(Camera* camera, const D3DXPLANE& plane, RenderPass& inner, RenderObjekt& surface);
    // A colour target of the pass's size; logs the call on failure.
    RenderTargetHandle makeColour(const wchar_t* suffix, const wchar_t* function, int line, const wchar_t* call);
    // The shared depth buffer; logs the call on failure.
    bool makeDepth(const wchar_t* function, int line, const wchar_t* call);

    bool m_created = false;
    unsigned m_texSize = 0;
    D3DXMATRIX m_bias;
    D3DXMATRIX m_texProj;
    Camera* m_currentCamera = nullptr;
    RenderTargetHandle m_reflection;
    RenderTargetHandle m_depthBuffer;
    std::vector<RenderObjekt*> m_surfaces; // the render list, reused by every render
};

class RenderPassWater : public RenderPassMirror {
public:
    RenderPassWater(XMLNode* node, RenderManager* renderManager);
    ~RenderPassWater() override;

    void render(Camera* camera) override;
    void onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous);

    const RenderTargetHandle& getRefractionTarget() const { return m_refraction; }
    const RenderTargetHandle& getDepthTarget() const { return m_depth; }
    RenderPass& getReflectionPass() { return m_reflectionPass; }
    RenderPass& getDepthPass() { return m_depthPass; }

protected:
    bool makeTargets() override;
    void dropTargets() override;
    std::vector<RenderPass*> innerPasses() override;

private:
    // The scene below the water, clipped at the inverse plane, through an inner pass.
    void drawBelow(Camera* camera, const RenderTargetHandle& into, RenderPass& inner, const D3DXPLANE& clip, bool sort);

    RenderPass m_reflectionPass;
    RenderPass m_refractionPass;
    RenderPass m_depthPass;
    RenderTargetHandle m_refraction;
    RenderTargetHandle m_depth;
    // The water object being drawn: its height and refraction depth go to the depth pass.
    float m_waterHeight = 0.0f;
    float m_maxRefractDepth = 0.0f;
};

class RenderPassReflection : public RenderPassMirror {
public:
    RenderPassReflection(XMLNode* node, RenderManager* renderManager);
    ~RenderPassReflection() override;

    void render(Camera* camera) override;
    void onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous);
    RenderPass& getInnerPass() { return m_inner; }

protected:
    bool makeTargets() override;
    void dropTargets() override;
    std::vector<RenderPass*> innerPasses() override;

private:
    RenderPass m_inner;
};

} // namespace Ulvo
