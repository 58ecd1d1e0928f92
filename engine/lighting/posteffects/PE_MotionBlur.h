#pragma once
// Camera motion blur: the shader turns each pixel back into the world with this frame's inverse
// view-projection (matrix 0) and forward into the previous drawn frame with that frame's
// view-projection (matrix 1), and blurs along the difference. Float 0 (strength) is kept divided
// by 20 and float 1 (length in pixels) by 20 screen widths, so the shader sees fractions of the
// picture; reads give the values as written.
#include "lighting/posteffects/PostEffect.h"

namespace Ulvo {

class PE_MotionBlur : public PostEffect {
public:
    PE_MotionBlur(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    PE_MotionBlur(const PE_MotionBlur& other) = default;
    ~PE_MotionBlur() override = default;

    PostEffect* clone() const override { return new PE_MotionBlur(*this); }
    bool setParamFloat(const std::wstring& mapping, float value) override;
    float getParamFloat(const std::wstring& mapping) override;
    bool setFloat(float value, int index) override;
    float getFloat(int index) const override;
    void preRender(Camera& camera) override;
    void postRender(Camera& camera) override;

private:
    // The display width the length is scaled by (at least 1).
    float screenWidth() const;
};

} // namespace Ulvo
