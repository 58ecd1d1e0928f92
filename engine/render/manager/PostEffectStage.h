#pragma once
// The post-effect renderer as the render manager sees it: the chain of full-screen effects that
// runs on the frame's image after the forward and deferred stages. Made by the engine from the
// lighting layer and handed to the manager, which owns it.
#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace Ulvo {

class Camera;
class RenderPostEffect;
class XMLNode;

class PostEffectStage {
public:
    virtual ~PostEffectStage() = default;

    virtual bool isEnabled() const = 0;
    // Switching releases the image targets; switching on makes them again.
    virtual void setEnabled(bool enabled) = 0;
    // Bit 4 selects floating-point targets.
    virtual void setHDRMode(uint32_t bits) = 0;
    // Which use counters of the extra passes apply: those of deferred rendering or of forward.
    virtual void setDeferredMode(bool deferred) = 0;
    // Makes the extra passes' targets again.
    virtual void initAllPasses() = 0;
    // The image the chain starts from; with the texture whose surface it is, the first effect
    // reads that texture instead of a copy.
    virtual void setLastResult(IDirect3DSurface9* surface, IDirect3DTexture9* texture = nullptr) = 0;
    // Where the frame goes when the chain is done (null: nowhere in particular). The last effect
    // whose image is the result draws there directly instead of into a target of the chain.
    virtual void setFinalTarget(IDirect3DSurface9* surface) = 0;
    virtual void renderExtraPasses(Camera& camera) = 0;
    // Told before each frame the manager draws whether this frame runs the chain (its targets
    // may be let go while frames do not).
    virtual void frameWithChain() {}
    virtual void frameWithoutChain() {}
    // The active effects in list order.
    virtual void renderPasses(Camera& camera) = 0;
    // The draws the active effects would make now; -1 when that cannot be told.
    virtual int countDraws() const = 0;
    // The chain's result; false while the targets do not exist. The texture is null when the
    // result went straight to the final target.
    virtual bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) = 0;
    // The POSTEFFECT_RENDERING section.
    virtual void loadConfig(XMLNode& node) = 0;
    // The active list, kept in order by the render manager.
    virtual std::vector<RenderPostEffect*>& getActiveEffects() = 0;
    // A new post effect of a POSTEFFECT node's kind, drawn by this renderer (one reference for
    // the caller); null when it cannot be made.
    virtual RenderPostEffect* createPostEffect(XMLNode& node) = 0;
};

} // namespace Ulvo
