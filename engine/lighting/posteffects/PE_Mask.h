#pragma once
// Masking: mixes two inputs through a third, each the constant colour, the extra-pass texture,
// the original or the current image, with inversions, a swap and alpha blending. All of it
// happens in the shader; the kind only turns its MASK_PARAMS into parameters.
#include "lighting/posteffects/PostEffect.h"

namespace Ulvo {

class PE_Mask : public PostEffect {
public:
    enum Source : int { SOURCE_COLOR = 0, SOURCE_EXTRA = 1, SOURCE_ORIGINAL = 2, SOURCE_ACTUAL = 3 };

    PE_Mask(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    PE_Mask(const PE_Mask& other) = default;
    ~PE_Mask() override = default;

    PostEffect* clone() const override { return new PE_Mask(*this); }

    int getSource(int input) const { return m_sources[input]; }
    bool getInvSrc() const { return m_invSrc; }
    bool getInvDst() const { return m_invDst; }
    bool getInvMask() const { return m_invMask; }
    bool getSwap() const { return m_swap; }
    bool getAlphaBlend() const { return m_alphaBlend; }

private:
    // vector 3 and float 3 mirror the flags.
    void mirrorFlags();

    int m_sources[3] = {SOURCE_COLOR, SOURCE_COLOR, SOURCE_COLOR}; // src, dst, mask
    bool m_invSrc = false;
    bool m_invDst = false;
    bool m_invMask = false;
    bool m_swap = false;
    bool m_alphaBlend = false;
};

} // namespace Ulvo
