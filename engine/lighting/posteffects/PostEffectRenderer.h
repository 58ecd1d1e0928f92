#pragma once
// The post-effect renderer: the image targets, the screen quad and the extra-pass targets through
// which a chain of post effects runs once a frame. Two images are read by an effect: the source
// (the image so far) and the original (the image as it entered, or as the last effect with
// MAKE_ORIGINAL left it); the chain's result is the original. The frame's image is read where it
// is when it is a texture of the chain's size (else copied once), and each effect draws into one
// of three targets of the render-target size that neither image occupies (ping-pong, no copies);
// the last effect whose image is the result draws straight into the frame's final target when
// the render manager names one of that size.
//
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
    void setLastResult(IDirect3DSurface9* surface, IDirect3DTexture9* texture = nullptr) override;
    void setFinalTarget(IDirect3DSurface9* surface) override { m_finalTarget = surface; }
    void renderExtraPasses(Camera& camera) override;
    void renderPasses(Camera& camera) override;
    // The draws the active effects make this frame; -1 when that cannot be told.
    int countDraws() const override;
    bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;
    void loadConfig(XMLNode& node) override;
    std::vector<RenderPostEffect*>& getActiveEffects() override { return m_activeEffects; }
    RenderPostEffect* createPostEffect(XMLNode& node) override;
    // The POSTEFFECT kinds by TYPE (registerPostEffectKinds when made).
    PostEffectKinds& getPostEffectKinds() { return m_kinds; }

    // Makes the quad buffer, and the three targets to prove they can be made; they go back to the
    // pool at once (when enabled and not made yet).
    void createBuffers();
    // The device takes the quad buffer only; the pool keeps the targets.
    void onLostDevice() override;
    void onResetDevice() override;
    // Releases whatever of them exists.
    void releaseBuffers();
    // The render manager's frames: a chain target is taken from the pool when an effect first
    // draws into it (a chain reading the frame where it lies and ending on the final target needs
    // fewer than three); after kIdleFrames frames in a row without the chain (the forward renderer
    // drew straight onto the caller's target, or nothing was drawn) they go back to the pool. A
    // running level and the menus hold no chain targets; a roll-in takes them for its frames.
    static constexpr int kIdleFrames = 80;
    void frameWithChain() override;
    void frameWithoutChain() override;
    bool holdsTargets() const { return m_targets[0] || m_targets[1] || m_targets[2]; }
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
    // The images of the chain as it stands: what the next effect reads and where it draws.
    IDirect3DTexture9* getOriginalTexture() const { return textureOf(m_originalImage); }
    IDirect3DTexture9* getSourceTexture() const { return textureOf(m_sourceImage); }
    IDirect3DTexture9* getDestinationTexture() const { return textureOf(m_destinationImage); }
    IDirect3DSurface9* getOriginalSurface() const { return surfaceOf(m_originalImage); }
    IDirect3DSurface9* getSourceSurface() const { return surfaceOf(m_sourceImage); }
    IDirect3DSurface9* getDestinationSurface() const { return surfaceOf(m_destinationImage); }
    // For an effect about to draw: the surface it draws into (the final target for the frame's
    // last draw whose image becomes the result, else a free target of the chain).
    IDirect3DSurface9* beginEffectDraw(bool makesOriginal);
    // After it drew: its image is the next source, and with MAKE_ORIGINAL the original too.
    void endEffectDraw(bool makesOriginal);
    // An effect with MAKE_ORIGINAL passed over because it would copy the source: the source is
    // the original from here on, read where it lies.
    void takeSourceAsOriginal() { m_originalImage = m_sourceImage; }
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
    // One of the three targets by number (whatever the pool holds there now), or a texture and
    // its surface from outside (a final target has no texture).
    struct ChainImage {
        int target = -1;
        IDirect3DTexture9* texture = nullptr;
        IDirect3DSurface9* surface = nullptr;
    };
    IDirect3DTexture9* textureOf(const ChainImage& image) const
    {
        return image.target >= 0 ? textureOf(m_targets[image.target]) : image.texture;
    }
    IDirect3DSurface9* surfaceOf(const ChainImage& image) const
    {
        return image.target >= 0 ? surfaceOf(m_targets[image.target]) : image.surface;
    }
    // Original, source and destination in the three targets, as before a frame.
    void resetChain();
    // A target of the chain that neither the source nor the original occupies: one held if there
    // is one, else one still to be taken (holdTarget, when drawn into).
    ChainImage freeTarget() const;
    // Takes the image's chain target from the pool if it is not held; false when it cannot be.
    bool holdTarget(const ChainImage& image);
    // The final target can take the result: of the chain's size and not an image being read.
    bool finalTargetFits() const;
    // The quad for a target of that size, covering all of it.
    void buildQuad(unsigned width, unsigned height);
    void uploadQuad();
    bool createQuadBuffer();
    // The device can make chain targets of the render-target size in that format.
    bool targetsFit(D3DFORMAT format) const;
    // The chain's targets can be made in the current format; false, after a log line naming the
    // call, when they cannot. None is held.
    bool takeTargets();
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
    RenderTargetHandle m_targets[3];
    ChainImage m_originalImage;
    ChainImage m_sourceImage;
    ChainImage m_destinationImage;
    IDirect3DSurface9* m_finalTarget = nullptr;
    // Draws of this frame still to come while the final target takes the last; else -1.
    int m_drawsLeft = -1;
    int m_framesWithoutChain = 0;
    ExtraPassTarget* m_currentExtra = nullptr;
    uint32_t m_hdrMode = 0;
    bool m_deferredMode = false;
    D3DInterface* m_d3d;
    RenderManager& m_renderManager;
    DeferredRenderer* m_deferredRenderer;
    bool m_enabled = true;
};

} // namespace Ulvo
