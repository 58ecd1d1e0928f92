#pragma once
// The post-effect renderer: the image targets, the screen quad and the extra-pass targets through
// which a chain of post effects runs once a frame. Three targets of the render-target size carry
// the chain: the original (the image as it entered, or as the last effect with MAKE_ORIGINAL left
// it), the source (the next effect's input) and the destination (where an effect draws); each
// effect draws into the destination and copies it back into the source, and with MAKE_ORIGINAL
// into the original too. The chain's result is the original.
//
// The render manager embeds one for the scene's post effects and keeps its active list in
// priority order; the deferred renderer embeds one for its light post effects. Targets exist while
// the renderer is enabled and the device is there; they follow device resets, size changes and
// the HDR post-effect bit (floating-point targets). Extra-pass targets exist for the passes that
// activated effects need in the present mode (forward or deferred).
//
// Every target comes from the render manager's target pool: the three chain targets as scratch
// targets (private to this renderer), the extra-pass targets shared under their pass's name. The
// pool makes them again after a device reset; the renderer itself follows the device only for its
// quad buffer.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "lighting/posteffects/PostEffectFactory.h"
#include "render/manager/PostEffectStage.h"
#include "render/targets/RenderTargetPool.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Ulvo {

class D3DInterface;
class DeferredRenderer;
class RenderManager;
struct ExtraPass;

// A vertex of the screen quad: pre-transformed position and two texture coordinate sets.
struct PostEffectVertex {
    float x, y, z, rhw;
    float tex0U, tex0V;
    float tex1U, tex1V;
};

// The target of one render pass that activated effects sample.
struct ExtraPassTarget {
    std::wstring name;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    D3DCOLOR clearColor = 0xFF000000;
    // From the target pool while the present mode needs the pass.
    RenderTargetHandle target;
    // By mode, 0 forward and 1 deferred: how many activated effects use the pass, and how many of
    // those are visible.
    int32_t needs[2] = {0, 0};
    int32_t active[2] = {0, 0};
    // The renderer holds an activation of the render pass.
    bool referenced = false;

    // Null while there is no target or the device is lost.
    IDirect3DTexture9* texture() const { return target ? target->getTexture() : nullptr; }
    IDirect3DSurface9* surface() const { return target ? target->getSurface() : nullptr; }
};

class PostEffectRenderer : public sigslot::has_slots<>, public DeviceResource, public PostEffectStage {
public:
    static constexpr DWORD kQuadFVF = D3DFVF_XYZRHW | D3DFVF_TEX2;

    // deferredRenderer: whose G-buffer the effects' deferred technique samples (may be null).
    PostEffectRenderer(RenderManager& renderManager, DeferredRenderer* deferredRenderer);
    ~PostEffectRenderer() override;
    PostEffectRenderer(const PostEffectRenderer&) = delete;
    PostEffectRenderer& operator=(const PostEffectRenderer&) = delete;

    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override;
    void setHDRMode(uint32_t bits) override;
    void setDeferredMode(bool deferred) override;
    void initAllPasses() override;
    void setLastResult(IDirect3DSurface9* surface) override;
    void renderExtraPasses(Camera& camera) override;
    void renderPasses(Camera& camera) override;
    bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;
    void loadConfig(XMLNode& node) override;
    std::vector<RenderPostEffect*>& getActiveEffects() override { return m_activeEffects; }
    RenderPostEffect* createPostEffect(XMLNode& node) override;
    // The POSTEFFECT kinds by TYPE (registerPostEffectKinds when made).
    PostEffectKinds& getPostEffectKinds() { return m_kinds; }

    // Makes the quad buffer and the three targets (when enabled and not made yet).
    void createBuffers();
    // The device takes the quad buffer only; the pool keeps the targets.
    void onLostDevice() override;
    void onResetDevice() override;
    // Releases whatever of them exists.
    void releaseBuffers();
    void onTargetSizeChanged(RenderManager& renderManager);
    // True while the targets exist and the active list is not empty.
    bool hasActiveEffects() const;

    // For the effects drawing through this renderer.
    ExtraPassTarget* findExtraTarget(const std::wstring& name);
    ExtraPassTarget& addExtraTarget(const ExtraPass& pass);
    // Releases the target and its render pass's activation, and forgets it.
    void removeExtraTarget(const std::wstring& name);
    const std::map<std::wstring, ExtraPassTarget>& getExtraTargets() const { return m_extraTargets; }
    ExtraPassTarget* getCurrentExtra() const { return m_currentExtra; }
    void setCurrentExtra(ExtraPassTarget* target) { m_currentExtra = target; }
    IDirect3DTexture9* getOriginalTexture() const { return textureOf(m_original); }
    IDirect3DTexture9* getSourceTexture() const { return textureOf(m_source); }
    IDirect3DTexture9* getDestinationTexture() const { return textureOf(m_destination); }
    IDirect3DSurface9* getOriginalSurface() const { return surfaceOf(m_original); }
    IDirect3DSurface9* getSourceSurface() const { return surfaceOf(m_source); }
    IDirect3DSurface9* getDestinationSurface() const { return surfaceOf(m_destination); }
    // One pass of an effect: the quad brought in step with the current and the pass's scale,
    // uploaded when it changed, and drawn; the pass's scale then multiplies the current scale.
    void drawQuad(float scaleX, float scaleY);
    float getCurrentScaleX() const { return m_curScaleX; }
    float getCurrentScaleY() const { return m_curScaleY; }
    const PostEffectVertex* getQuad() const { return m_quad; }
    uint32_t getHDRMode() const { return m_hdrMode; }
    bool isDeferredMode() const { return m_deferredMode; }
    bool isCreated() const { return m_created; }
    RenderManager& getRenderManager() const { return m_renderManager; }
    DeferredRenderer* getDeferredRenderer() const { return m_deferredRenderer; }

private:
    // The quad for a target of that size, covering all of it.
    void buildQuad(unsigned width, unsigned height);
    void uploadQuad();
    bool createQuadBuffer();
    // A chain target of the render-target size from the pool; false, after a log line naming
    // the call, when it cannot be made.
    bool createTarget(D3DFORMAT format, RenderTargetHandle& target, int line, const wchar_t* createCall);
    static IDirect3DTexture9* textureOf(const RenderTargetHandle& target)
    {
        return target ? target->getTexture() : nullptr;
    }
    static IDirect3DSurface9* surfaceOf(const RenderTargetHandle& target)
    {
        return target ? target->getSurface() : nullptr;
    }

    PostEffectKinds m_kinds;
    std::vector<RenderPostEffect*> m_activeEffects;
    std::map<std::wstring, ExtraPassTarget> m_extraTargets;
    bool m_created = false;
    PostEffectVertex m_quad[4] = {};
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    float m_curScaleX = 1.0f;
    float m_curScaleY = 1.0f;
    RenderTargetHandle m_original;
    RenderTargetHandle m_source;
    RenderTargetHandle m_destination;
    ExtraPassTarget* m_currentExtra = nullptr;
    uint32_t m_hdrMode = 0;
    bool m_deferredMode = false;
    D3DInterface* m_d3d;
    RenderManager& m_renderManager;
    DeferredRenderer* m_deferredRenderer;
    bool m_enabled = true;
};

} // namespace Ulvo
