#pragma once
// Shadows from the sun with parallel-split shadow maps: the camera's depth range is cut into
// splits and each split gets a light camera fitted to it.
//
// RenderPassShadow (TYPE SHADOW) does all of it in the forward frame: per split, from the far one
// to the near one, it renders the casters' depth into one R32F shadow map and then draws the
// receivers with the shadow technique, clipped to that split's depth range. Without a shadow map
// (quality none, or the device could not make one) it draws the receivers plainly.
// RenderPassPSSMShadowMap (TYPE SHADOW_MAP) only renders the split maps, into surfaces its user
// hands in, and keeps a light matrix per split and the split distances for that user.
//
// Objects join the casters under the pass's name or "CAST", the receivers under the pass's name
// or "RECEIVE". A split's map gets only the casters its light camera sees that can darken the
// split's slice of the view (ShadowReach); the split shadow map's user may ask for all of them
// when it keeps the maps for later views. The maps come from the render manager's target pool and
// exist only while the pass is switched on; the shadow pass follows the manager's shadow quality.
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderSettings.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"
#include "render/passes/ShadowReach.h"

#include <vector>

namespace Ulvo {

// How far the shadow splits share out the view: a camera that sees farther (a wide landscape)
// keeps its splits as sharp as within this distance, and only the last split reaches on to the far
// plane.
constexpr float kShadowReach = 100.0f;

// The split distances for n splits between zNear and zFar: a mix, by lambda (clamped to 0..1), of
// logarithmic and even spacing over zNear to the nearer of zFar and reach; n + 1 values from zNear
// to zFar. Empty for n < 1.
void computeSplitDistances(int splits, float lambda, float zNear, float zFar, std::vector<float>& out,
                           float reach = kShadowReach);

// The PSSM settings both kinds read from their first PSSM child.
struct PSSMSettings {
    float lightDistance = 10000.0f; // LIGHTDIST
    float nearOffset = 1000.0f;     // ZMIN_OFFSET
    float lightFov = 45.0f;         // LIGHT_FOV
    int splits = 2;                 // SPLITS
    float lambda = 0.5f;            // LAMBDA

    // A count below 1 would draw no split at all: it becomes the default, after a log line.
    void read(XMLNode* pssm, const std::wstring& passName);
};

class RenderPassShadow : public RenderPass {
public:
    RenderPassShadow(XMLNode* node, RenderManager* renderManager);
    ~RenderPassShadow() override;

    void setSceneGraph(SceneGraph* sceneGraph) override;
    void render(Camera* camera) override;
    void onActivate(const bool& active) override;

    // Makes the shadow map for the quality; when the device cannot, steps the quality down.
    void createRenderToTexture();
    void releaseRenderToTexture();
    void setQuality(unsigned quality);
    bool isCreated() const { return m_created; }
    // The map (null at quality none or while switched off).
    const RenderTargetHandle& getShadowTarget() const { return m_shadowTexture; }
    const PSSMSettings& getSettings() const { return m_pssm; }
    RenderPass& getCasterPass() { return m_casters; }

    void onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous);
    void onSettingChanged(RenderSetting kind, uint32_t previous, uint32_t value);

private:
    LookAtCamera m_lightCamera;
    bool m_created = false;
    RenderTargetHandle m_shadowTexture;
    RenderTargetHandle m_depth;
    unsigned m_size = 0;
    D3DXMATRIX m_viewToLightProj;
    RenderPass m_casters;
    PSSMSettings m_pssm;
    std::vector<float> m_splits;
    std::vector<RenderObjekt*> m_receivers;      // reused by every render
    std::vector<RenderObjekt*> m_splitReceivers; // those of one split, reused likewise
    ShadowReach m_reach;                         // of the split being drawn
};

class RenderPassPSSMShadowMap : public RenderPass {
public:
    RenderPassPSSMShadowMap(XMLNode* node, RenderManager* renderManager);
    ~RenderPassPSSMShadowMap() override;

    void setSceneGraph(SceneGraph* sceneGraph) override;
    void render(Camera* camera) override;
    void onActivate(const bool& active) override;

    void createRenderToTexture();
    void setSplits(int splits) { m_pssm.splits = splits; }
    void setLambda(float lambda) { m_pssm.lambda = lambda; }
    void setLightDirection(const D3DXVECTOR3& direction) { m_lightDirection = direction; }
    void setShadowMapSize(const unsigned& size);
    // Whether a split's map gets only the casters that can darken its slice (the default); maps
    // kept and looked up from other views later need all the casters the light camera sees.
    void setSliceCastersOnly(bool only) { m_sliceCastersOnly = only; }
    // The surfaces the splits render into, one per split; not owned.
    void setTargetName(const std::vector<IDirect3DSurface9*>& surfaces) { m_targets = surfaces; }
    // Appends the split count + 1 distances of the last render, when there was one.
    void getSplitDistances(std::vector<float>& out) const;
    // Light view x light projection per split, from the last render.
    const std::vector<D3DXMATRIX>& getSplitMatrices() const { return m_splitMatrices; }
    bool isCreated() const { return m_created; }
    const PSSMSettings& getSettings() const { return m_pssm; }

private:
    LookAtCamera m_lightCamera;
    bool m_created = false;
    RenderTargetHandle m_depth;
    std::vector<IDirect3DSurface9*> m_targets;
    std::vector<D3DXMATRIX> m_splitMatrices;
    RenderPass m_casters;
    PSSMSettings m_pssm;
    std::vector<float> m_splits;
    std::vector<RenderObjekt*> m_receivers; // reused by every render
    // Set by the user before the pass is switched on; until then straight down and the low map
    // size, so a forgotten call still gives a sound map.
    D3DXVECTOR3 m_lightDirection{0.0f, -1.0f, 0.0f};
    unsigned m_size = 1024;
    bool m_toggleCull = true;
    bool m_sliceCastersOnly = true;
    ShadowReach m_reach; // of the split being drawn
};

} // namespace Ulvo
