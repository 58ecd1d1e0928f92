#pragma once
// The deferred renderer: after the forward stage it draws the scene's surfaces into a G-buffer
// (colour, normal, depth, misc) through its G-buffer pass, adds every active light into a light
// target (point and spot lights as spheres, directional lights as a screen quad, each with its
// shadow map), adds the emissive term, runs its own light post effects over the light target and
// composes G-buffer, light and forward image into its result, which the HDR renderer or the
// render manager takes on. Point lights without shadows are gathered and drawn together in one
// draw after the other lights (PointLightBatch: screen rectangles, or instanced volumes), where
// the point effect has the technique for it.
//
// It keeps the active lights and the light templates (VORLAGE_LIGHTS) that the light attach
// points of scene objects copy; each listed light holds one reference. Every target comes from
// the render manager's pool: the G-buffer, light and result targets as shared "Deferred.*"
// targets, held only while deferred rendering is on and allowed (RP_DEF); the shadow targets as
// scratch targets that all lights share (one planar map, one cube map through the point shadow
// pass, the split maps). The pool makes them again after a device reset, so the renderer keeps
// its handles across it and only follows the device for its quad buffer.
#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "lighting/deferred/PointLightBatch.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/RenderSettings.h"
#include "render/targets/RenderTargetPool.h"
#include "scene/objects/LightHost.h"

#include <d3d9.h>
#include <d3dx9effect.h>

#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

class Camera;
class D3DInterface;
class DeferredLight;
class Effect;
class Mesh;
class PassTargetScope;
class PostEffectRenderer;
class RenderManager;
class RenderPass;
class RenderPassCubeMap;
class RenderPassPSSMShadowMap;
class RenderPostEffect;

class DeferredRenderer : public sigslot::has_slots<>, public DeviceResource, public LightHost, public DeferredStage {
public:
    // The G-buffer targets, in the order of their render-target index.
    enum GBuffer { COLOUR = 0, NORMAL, DEPTH, MISC, GBUFFER_COUNT };

    // settings: the render manager's (null: deferred not allowed, shadow quality high). Without
    // a render manager the renderer keeps lights but makes no buffers.
    explicit DeferredRenderer(RenderSettings* settings = nullptr);
    explicit DeferredRenderer(RenderManager& owner);
    ~DeferredRenderer() override;
    DeferredRenderer(const DeferredRenderer&) = delete;
    DeferredRenderer& operator=(const DeferredRenderer&) = delete;

    // False for null or a light already active (the same object); names may repeat.
    bool addLight(DeferredLight* light);
    // Every entry that is this light: its stored maps released, Released and erased. True when
    // one was removed.
    bool removeLight(DeferredLight* light);
    // The first active light, or the first template, named exactly so; null when none.
    DeferredLight* getLight(const std::wstring& name) const;
    DeferredLight* getLightTemplate(const std::wstring& name) const;
    // False for null; a template that is the same object or has the same name refuses the new
    // one, or is removed first when replace is set.
    bool addLightTemplate(DeferredLight* light, bool replace);
    void removeLightTemplate(DeferredLight* light);
    // Releases every active light, template and light post effect.
    void releaseLights();

    // For the lights of scene objects: a clone of the template, attached to the point; added to
    // and removed from the active lights.
    NamedObject* createAttachedLight(const std::wstring& templateName, AttachPoint* point) override;
    void activateLight(NamedObject* light) override;
    void deactivateLight(NamedObject* light) override;

    // The deferred stage.
    bool isEnabled() const override { return m_enabled; }
    // On: makes the buffers (only while RP_DEF allows it); the resulting state.
    bool setEnabled(bool enabled) override;
    bool isDeferredAllowed() const { return m_settings && m_settings->isDeferredAllowed(); }
    MyQuality getShadowQuality() const { return m_settings ? m_settings->getShadowQuality() : QUALITY_HIGH; }
    void setSceneGraph(SceneGraph* sceneGraph) override;
    void setHDRMode(uint32_t bits) override;
    void setForwardTexture(IDirect3DTexture9* texture) override { m_forwardTexture = texture; }
    void render(Camera& camera) override;
    bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;
    void loadConfig(XMLNode& node) override;
    // The dumps: "m_light_tex.dds", "m_color_tex.png", "m_normal_tex.png", "m_depth_tex.dds",
    // "m_misc_tex.dds", "m_forward_tex.dds", "m_backbuffer_tex.dds"; a folder that exists is fine.
    // False when a file could not be written.
    bool saveBuffers(const std::wstring& folder) override;
    void setBlurLights(bool blur) override { m_blurLights = blur; }
    // Refused ("es gibt bereits ein Licht mit diesen Namen!") when an active light has the name.
    bool addPointLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position, float radius,
                       float intensity) override;
    bool addDirectionalLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& direction,
                             float intensity) override;
    bool addSpotLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                      const D3DXVECTOR3& direction, float radius, float theta, float intensity) override;
    bool removeLightByName(const std::wstring& name) override;

    // Makes the buffers (flag true, while allowed and the device offers four render targets) or
    // releases them; a failure releases whatever was made.
    bool createBuffers(bool flag);
    void releaseBuffers();
    bool areBuffersCreated() const { return m_buffersCreated; }
    bool hasQuadBuffer() const { return m_quadBuffer != nullptr; }

    // The G-buffer's colour, normal, depth and misc textures; false while there is none.
    bool getBufferTextures(IDirect3DTexture9* textures[4]) const;
    IDirect3DTexture9* getLightTexture() const;
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }
    uint32_t getHDRMode() const { return m_hdrMode; }
    bool getBlurLights() const { return m_blurLights; }
    // Off: every point light draws its own sphere (for comparison; on by default).
    void setBatchPointLights(bool batch) { m_batchPointLights = batch; }
    // Off: the batch draws each light's volume instanced rather than its screen rectangle (for
    // comparison; on by default where the point effect has the technique).
    void setPointLightRects(bool rects) { m_pointLightRects = rects; }
    // How many point lights the last frame drew in the batch.
    std::size_t getBatchedPointLightCount() const { return m_pointBatch.size(); }
    const PointLightBatch& getPointLightBatch() const { return m_pointBatch; }
    bool getEnableOnlyWithSoftShadows() const { return m_enableOnlyWithSoftShadows; }
    const D3DXVECTOR2& getHalfPixel() const { return m_halfPixel; }
    const std::vector<DeferredLight*>& getLights() const { return m_lights; }
    const std::vector<DeferredLight*>& getLightTemplates() const { return m_lightTemplates; }
    const std::vector<RenderPostEffect*>& getLightPostEffects() const { return m_lightPostEffects; }
    Effect* getComposeEffect() const { return m_effects[EFFECT_COMPOSE]; }
    Mesh* getSphereMesh() const { return m_sphereMesh; }
    RenderPass* getGBufferPass() const { return m_gBufferPass; }
    // How often a light's shadow geometry was drawn, and how often a shared shadow target was made.
    unsigned getShadowRenderCount() const { return m_shadowRenders; }
    unsigned getShadowTargetCount() const { return m_shadowTargetsMade; }
    int getPlanarShadowSize() const { return m_planarShadowSize; }
    int getSplitShadowSize() const { return m_splitShadowSize; }
    std::size_t getSplitShadowCount() const { return m_splitShadows.size(); }
    IDirect3DTexture9* getSplitShadowTexture(std::size_t index) const
    {
        return index < m_splitShadows.size() ? textureOf(m_splitShadows[index]) : nullptr;
    }

    void onLostDevice() override;
    void onResetDevice() override;

private:
    enum EffectSlot {
        EFFECT_CLEAR = 0,
        EFFECT_POINT,
        EFFECT_DIRECTIONAL,
        EFFECT_EMISSIVE,
        EFFECT_SPOT,
        EFFECT_COMPOSE,
        EFFECT_COUNT
    };

    void init();
    // Offers a new light to the active lights and drops the maker's reference.
    bool adopt(DeferredLight* light);
    // A new shadow quality reaches every listed light.
    void onSettingChanged(RenderSetting kind, uint32_t old, uint32_t now);
    void onDeviceCreated();
    void onTargetSizeChanged(RenderManager& owner);
    bool makeTargets(unsigned width, unsigned height);
    // Releases and makes the buffers again with the enabled state (HDR bit, target size).
    void recreateBuffers();
    bool makeQuad(unsigned width, unsigned height);
    void readLights(XMLNode* node, bool templates);
    void readLightPostEffects(XMLNode* node);
    // Ends the old pass's use and takes the new one; null when absent or of another kind.
    RenderPass* takePass(RenderPass* old, const std::wstring& name);
    void dropPass(RenderPass*& pass);
    void usePasses(bool use);
    IDirect3DSurface9* surfaceOf(const RenderTargetHandle& target) const;
    IDirect3DTexture9* textureOf(const RenderTargetHandle& target) const;

    // The frame's steps.
    // The G-buffer targets (the first with the depth buffer) bound through target; false when
    // they cannot be. endGBufferTargets unbinds all but the first, which target restores.
    bool beginGBufferTargets(PassTargetScope& target);
    void endGBufferTargets();
    void clearGBuffer();
    void createGBuffer(Camera& camera);
    void renderLight(DeferredLight* light);
    void renderPointLight(DeferredLight* light);
    void renderSpotLight(DeferredLight* light);
    void renderDirectionalLight(DeferredLight* light);
    // The three names of a light kind's technique: without shadows, with them, with soft ones.
    struct LightTechniques {
        const char* plain;
        const char* shadows;
        const char* softShadows;
    };
    using ShadowMapMaker = void (DeferredRenderer::*)(DeferredLight* light, ID3DXEffect* effect);
    // Brings the light's distance to the camera up to date; false when it gives no light now.
    bool lightShines(DeferredLight* light);
    // Draws the light's shadow map when it casts a shadow and sets the technique to match.
    void selectLightTechnique(DeferredLight* light, ID3DXEffect* effect, const LightTechniques& names,
                              ShadowMapMaker createShadowMap);
    // A point or spot light: its sphere, when in view and lit, added into the light target.
    void renderVolumeLight(DeferredLight* light, EffectSlot slot, uint32_t type, const LightTechniques& names,
                           ShadowMapMaker createShadowMap);
    void prepareShaders(uint32_t bits);
    // The gathered point lights in one draw into the light target.
    void renderPointLightBatch();
    void renderEmissive();
    void renderLightPostEffects();
    void compose();
    void beginLightBlending();
    void endLightBlending();
    void drawQuad();
    void unbindTextures();
    // Begin, every pass with a quad, End.
    void runQuadEffect(ID3DXEffect* effect);
    // The sphere mesh scaled into the light's volume, every pass and subset.
    void drawLightVolume(ID3DXEffect* effect, const D3DXVECTOR3& position, float radius);

    // The shadows.
    void createShadowMapPoint(DeferredLight* light, ID3DXEffect* effect);
    void createShadowMapSpot(DeferredLight* light, ID3DXEffect* effect);
    void createShadowMapDir(DeferredLight* light, ID3DXEffect* effect);
    bool preparePlanarShadowMap(unsigned edge);
    bool prepareCubeShadowMap(unsigned edge);
    bool prepareSplitShadowMaps(DeferredLight* light, unsigned edge);
    void releaseShadowTargets();

    RenderManager* m_owner = nullptr;
    RenderSettings* m_settings = nullptr;
    D3DInterface* m_d3d = nullptr;

    bool m_buffersCreated = false;
    float m_quad[4][8] = {};
    IDirect3DVertexBuffer9* m_quadBuffer = nullptr;
    D3DXVECTOR2 m_halfPixel{0.0f, 0.0f};
    RenderTargetHandle m_gBuffer[GBUFFER_COUNT];
    RenderTargetHandle m_light;
    RenderTargetHandle m_result;
    RenderTargetHandle m_depthStencil;
    unsigned m_width = 0;
    unsigned m_height = 0;

    RenderTargetHandle m_planarShadow;
    RenderTargetHandle m_planarDepth;
    std::vector<RenderTargetHandle> m_splitShadows;
    int m_planarShadowSize = -1;
    int m_cubeShadowSize = -1;
    int m_splitShadowSize = -1;

    IDirect3DTexture9* m_forwardTexture = nullptr;
    SceneGraph* m_sceneGraph = nullptr;
    Effect* m_effects[EFFECT_COUNT] = {};
    bool m_mrtSupported = false;
    uint32_t m_hdrMode = 0;
    bool m_blurLights = false;
    bool m_batchPointLights = true;
    bool m_pointLightRects = true;
    // This frame's point lights go into the batch (on, and the effect has the technique).
    bool m_batchingPoints = false;
    PointLightBatch m_pointBatch;
    bool m_enableOnlyWithSoftShadows = true;
    bool m_enabled = false;
    std::unique_ptr<PostEffectRenderer> m_lightPostEffectRenderer;
    std::vector<RenderPostEffect*> m_lightPostEffects;
    RenderPass* m_gBufferPass = nullptr;
    RenderPass* m_spotShadowPass = nullptr;
    RenderPassCubeMap* m_pointShadowPass = nullptr;
    RenderPassPSSMShadowMap* m_directionalShadowPass = nullptr;
    bool m_passesInUse = false;
    Camera* m_camera = nullptr;
    IDirect3DStateBlock9* m_stateBlock = nullptr;
    uint32_t m_preparedLightTypes = 0;
    Mesh* m_sphereMesh = nullptr;
    std::vector<DeferredLight*> m_lights;
    std::vector<DeferredLight*> m_lightTemplates;
    std::vector<IDirect3DTexture9*> m_splitMaps;
    std::vector<IDirect3DSurface9*> m_splitSurfaces;
    std::vector<D3DXMATRIX> m_splitMatrices;
    std::vector<float> m_splitDistances;
    unsigned m_shadowRenders = 0;
    unsigned m_shadowTargetsMade = 0;
};

} // namespace Ulvo
