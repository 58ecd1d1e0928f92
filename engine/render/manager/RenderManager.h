#pragma once
// The engine's one render controller. It owns every configured render pass, the overlay list,
// every defined post effect with the table of post-effect parameter mappings, the engine-wide
// render settings (shadow and water quality, the deferred and HDR switches; RenderSettings.h), the
// pool every render target comes from (RenderTargetPool.h), the post-effect skip level and the render-target size, and the four
// renderers of a frame: the forward renderer (its own) and the deferred, HDR and post-effect
// renderers, which live in the lighting layer above and reach it through the stage interfaces,
// made and handed down by the engine (setRenderers). It reads "data\FX\renderpass.rp" (load),
// keeps the renderers consistent when one changes mode, runs one frame on request (render) and
// offers the RP_ console commands.
//
// The frame: the z-buffer pass when it exists, the forward renderer, the deferred renderer and
// the post effects, each followed by the HDR renderer's hook for that stage, then a copy of the
// last stage's image onto the render target bound when the frame began, then the overlay passes.
// Each stage starts from the previous stage's image (the frame result). Without handed-down
// renderers those stages are skipped and the console says so.
#include <d3d9.h>
#include <d3dx9math.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/sigslot.h"
#include "render/MyQuality.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/RenderSettings.h"
#include "render/passes/RenderPassKinds.h"
#include "render/targets/RenderTargetPool.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Ulvo {

class Camera;
class D3DInterface;
class DeferredStage;
class HDRStage;
class PostEffectStage;
class RenderPass;
class RenderPassZBuffer;
class RenderPostEffect;
class SceneGraph;
class XMLNode;

// A place a mapping string writes to: a post effect (not owned) and the parameter to change.
struct ParameterMappingTarget {
    RenderPostEffect* effect = nullptr;
    std::wstring parameter;
};

// One mapped parameter for listings and completion: its mapping string and the kind its effect
// gives it (1 vector, 12 matrix, others float).
struct MappedParameterInfo {
    std::wstring mapping;
    int32_t kind = 0;
};

class RenderManager : public ConsoleCommandReceiver {
public:
    RenderManager();
    ~RenderManager() override;
    RenderManager(const RenderManager&) = delete;
    RenderManager& operator=(const RenderManager&) = delete;

    // Takes the lighting layer's renderers over (deleted with the manager, in reverse order) and
    // connects to their signals; once.
    void setRenderers(DeferredStage* deferred, HDRStage* hdr, PostEffectStage* postEffects);

    // The render configuration's root node.
    void load(XMLNode* root);
    void setSceneGraph(SceneGraph* sceneGraph);
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }
    // One frame with the camera, into the render target bound on the call.
    void render(Camera* camera);
    // Whether the last frame's picture on the caller's target is the forward renderer's own drawing
    // there, with no post effect, deferred, HDR or overlay pass after it.
    bool lastFrameDrewForwardOnly() const { return m_lastFrameForwardOnly; }
    // Whether the next frame lights or tone-maps the forward image (the deferred renderer on, or
    // an HDR mode): what the forward renderer's postRender draws would be lit along with the scene.
    bool lightsForwardImage() const;

    ForwardRenderer* getForwardRenderer() { return &m_forward; }
    // Where every render target of a frame comes from (render/targets/RenderTargetPool.h).
    RenderTargetPool& getTargetPool() { return m_targetPool; }
    DeferredStage* getDeferredRenderer() const { return m_deferred.get(); }
    HDRStage* getHDRRenderer() const { return m_hdr.get(); }
    PostEffectStage* getPostEffectRenderer() const { return m_postEffects.get(); }

    // Passes.
    // The first pass named exactly so; null when none.
    RenderPass* getRenderPass(const std::wstring& name) const;
    const std::vector<RenderPass*>& getRenderPasses() const { return m_passes; }
    // Appends a pass not yet listed, with one activation.
    void addOverlayPass(RenderPass* pass);
    // Takes a pass off the overlays (its activation with it); one not there is left alone.
    void removeOverlayPass(RenderPass* pass);
    const std::vector<RenderPass*>& getOverlayPasses() const { return m_overlays; }
    // The RENDERPASS kinds by TYPE: the render layer's, and those layers above add at start-up.
    RenderPassKinds& getPassKinds() { return m_passKinds; }
    const RenderPassKinds& getPassKinds() const { return m_passKinds; }
    // The frame's z-buffer pass "ZBUFFER": built, given the scene graph and switched on at the
    // first call; the same pass afterwards.
    RenderPassZBuffer* getZBufferPass();

    // Post effects.
    // The first defined effect (or child of a combination) named exactly so; null when none.
    RenderPostEffect* getPostEffect(const std::wstring& name) const;
    const std::vector<RenderPostEffect*>& getPostEffects() const { return m_postEffectList; }
    // The post-effect renderer's active list (empty without one).
    const std::vector<RenderPostEffect*>& getActivePostEffects() const;
    void activatePostEffect(RenderPostEffect* effect);
    void deactivatePostEffect(RenderPostEffect* effect);
    void deactivatePostEffectByName(const std::wstring& name);
    // Through every target of the mapping; false for a string that is not a key, or when a
    // target refused the value.
    bool setPostEffectParamFloat(const std::wstring& mapping, float value);
    bool setPostEffectParamVector(const std::wstring& mapping, const D3DXVECTOR4& value);
    bool setPostEffectParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value);
    // The last target's value; false for a string that is not a key.
    bool getPostEffectParamFloat(const std::wstring& mapping, float& value) const;
    bool getPostEffectParamVector(const std::wstring& mapping, D3DXVECTOR4& value) const;
    std::vector<MappedParameterInfo> getMappedParameters() const;
    const std::unordered_map<std::wstring, std::vector<ParameterMappingTarget>>& getParameterMappings() const
    {
        return m_mappings;
    }
    void setSkipPostEffects(uint32_t level);
    uint32_t getSkipPostEffects() const { return m_skipLevel; }
    void setPostEffectsEnabled(bool enabled);
    void setForwardRenderingEnabled(bool enabled);

    // Quality, size, modes.
    void setShadowQuality(MyQuality quality);
    void setWaterQuality(MyQuality quality);
    MyQuality getShadowQuality() const { return m_settings.getShadowQuality(); }
    MyQuality getWaterQuality() const { return m_settings.getWaterQuality(); }
    // Every engine-wide setting and its one change signal.
    RenderSettings& getSettings() { return m_settings; }
    const RenderSettings& getSettings() const { return m_settings; }
    // The stored size, the screen's where a value is all bits set (-1).
    void getRenderTargetSize(unsigned& width, unsigned& height) const;
    void setRenderTargetSize(uint32_t width, uint32_t height);
    // Records the bits as the engine-wide HDR activation value, then sets the HDR mode; false when
    // the HDR buffers could not be made (HDR is then off).
    bool setHDRMode(uint32_t bits);
    uint32_t getFrameCounter() const { return m_frameCounter; }

    // Slots.
    void onHDRModeChanged(const uint32_t& bits);
    void onDeferredRenderingChanged(const bool& deferred);
    void onScreenSizeChanged(const unsigned long& width, const unsigned long& height);
    void onDeviceLost();

    sigslot::signal1<const unsigned long&> skipPostEffectsChanged;
    sigslot::signal1<RenderManager&> renderTargetSizeChanged;

private:
    // The manager's device-lost slot, kept apart from its console slots.
    class DeviceLink : public DeviceResource {
    public:
        explicit DeviceLink(RenderManager& owner) : m_owner(owner) {}
        void onLostDevice() override { m_owner.onDeviceLost(); }

    private:
        RenderManager& m_owner;
    };

    // Whether the forward renderer can draw this frame straight onto the caller's target.
    bool forwardDrawsOnCallerTarget(IDirect3DSurface9* callerTarget) const;
    void loadPasses(XMLNode* root);
    void loadStringMappings(XMLNode* mappings);
    // INITIAL_VALUE, INITIAL_VECTOR and INITIAL_MATRIX of an entry, applied to its mapping.
    void applyInitialValues(XMLNode* entry, const std::wstring& mapping);
    void sortActivePostEffects();
    bool isDeferredEnabled() const;

    // The RP_ commands (RenderManagerConsole.cpp).
    void cmdAddActiveEffect(TypedConsoleCommand& line);
    void cmdRemoveActiveEffect(TypedConsoleCommand& line);
    void cmdSetParamFloat(TypedConsoleCommand& line);
    void cmdSetParamVector(TypedConsoleCommand& line);
    void cmdGetParamFloat(TypedConsoleCommand& line);
    void cmdGetParamVector(TypedConsoleCommand& line);
    void cmdGetAllParamListe(TypedConsoleCommand& line);
    void cmdSetShadowQuality(TypedConsoleCommand& line);
    void cmdSetWaterQuality(TypedConsoleCommand& line);
    void cmdSkipPosteffects(TypedConsoleCommand& line);
    void cmdPrintActiveRefCnts(TypedConsoleCommand& line);
    void cmdHDR(TypedConsoleCommand& line);
    void cmdHDRMiddleGray(TypedConsoleCommand& line);
    void cmdHDRTonemapping(TypedConsoleCommand& line);
    void cmdHDRBlueshift(TypedConsoleCommand& line);
    void cmdHDRBloomStarScale(TypedConsoleCommand& line);
    void cmdHDRGlareType(TypedConsoleCommand& line);
    void cmdHDRMinMaxLuminance(TypedConsoleCommand& line);
    void cmdHDRBrightPassParams(TypedConsoleCommand& line);
    void cmdHDRSaveAll(TypedConsoleCommand& line);
    void cmdDEF(TypedConsoleCommand& line);
    void cmdDEFSaveAll(TypedConsoleCommand& line);
    void cmdDEFAddPointLight(TypedConsoleCommand& line);
    void cmdDEFAddDirectionalLight(TypedConsoleCommand& line);
    void cmdDEFAddSpotLight(TypedConsoleCommand& line);
    void cmdDEFRemoveLight(TypedConsoleCommand& line);
    void cmdDEFBlurLights(TypedConsoleCommand& line);
    // The HDR and deferred commands' renderer; null, with the answer, when none was handed down.
    HDRStage* hdrFor(TypedConsoleCommand& line) const;
    DeferredStage* deferredFor(TypedConsoleCommand& line) const;
    void completeFloatMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    void completeVectorMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    void completeMapping(TypedConsoleCommand& line, std::vector<std::wstring>& candidates, bool vector);
    void completeDefinedEffect(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    void completeActiveEffect(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    void completeQuality(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    static const ConsoleCommandEntry<RenderManager> kCommands[27];

    RenderPassKinds m_passKinds;
    uint32_t m_targetWidth = 0xFFFFFFFFu;
    uint32_t m_targetHeight = 0xFFFFFFFFu;
    std::vector<RenderPass*> m_passes;
    std::vector<RenderPass*> m_overlays;
    RenderPass* m_zBufferPass = nullptr;
    std::vector<RenderPostEffect*> m_postEffectList;
    std::unordered_map<std::wstring, std::vector<ParameterMappingTarget>> m_mappings;
    SceneGraph* m_sceneGraph = nullptr;
    uint32_t m_frameCounter = 0;
    bool m_lastFrameForwardOnly = false;
    D3DInterface* m_d3d;
    uint32_t m_skipLevel = 0;
    // Before the renderers, which follow it.
    RenderSettings m_settings;
    // Before every renderer: their targets go back to it when they are destroyed.
    RenderTargetPool m_targetPool;
    ForwardRenderer m_forward;
    std::unique_ptr<DeferredStage> m_deferred;
    std::unique_ptr<HDRStage> m_hdr;
    std::unique_ptr<PostEffectStage> m_postEffects;
    IDirect3DTexture9* m_frameTexture = nullptr;
    IDirect3DSurface9* m_frameSurface = nullptr;
    DeviceLink m_deviceLink;
};

} // namespace Ulvo
