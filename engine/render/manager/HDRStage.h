#pragma once
// The HDR renderer as the render manager sees it: a hook after each stage of the frame that
// either tone-maps the stage's image or hands it on unchanged, as the mode bits say (1 forward,
// 2 deferred, 4 post effects). Made by the engine from the lighting layer and handed to the
// manager, which owns it. It makes its buffers only while the engine-wide HDR activation value
// (RP_HDR) is not 0.
#include <d3d9.h>

#include "foundation/sigslot.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class DeferredStage;
class ForwardRenderer;
class PostEffectStage;
class XMLNode;

class HDRStage {
public:
    enum ModeBits : uint32_t { HDR_FORWARD = 1, HDR_DEFERRED = 2, HDR_POSTEFFECTS = 4 };

    virtual ~HDRStage() = default;

    // Forgets the last frame's scene.
    virtual void beginFrame(ForwardRenderer& forward) = 0;
    virtual void postForward(ForwardRenderer& forward) = 0;
    virtual void postDeferred(DeferredStage& deferred) = 0;
    virtual void postPostEffects(PostEffectStage& postEffects) = 0;
    // The image after the last hook; both outputs are always written; true when both exist.
    virtual bool getLastResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) = 0;

    // Emits modeChanged when the bits change; false when the buffers for them could not be made
    // (the mode is then 0 and modeChanged(0) was emitted).
    virtual bool setMode(uint32_t bits) = 0;
    virtual uint32_t getMode() const = 0;
    virtual void resetAdaptationTime() = 0;
    virtual void setMiddleGray(float value) = 0;
    virtual void setToneMapping(int op) = 0;
    virtual void setBlueShift(bool on) = 0;
    virtual void setBloomStarScale(float bloom, float star) = 0;
    virtual void setGlareType(int type) = 0;
    virtual void setMinMaxLuminance(float minimum, float maximum) = 0;
    virtual void setBrightPassParams(float threshold, float offset) = 0;
    // Writes its buffers into the folder (empty: the working folder); false when nothing was
    // written.
    virtual bool saveBuffers(const std::wstring& folder) = 0;
    // The HDR_RENDERING section.
    virtual void loadConfig(XMLNode& node) = 0;

    // With the new bits whenever they change.
    sigslot::signal1<const uint32_t&> modeChanged;
};

} // namespace Ulvo
