#pragma once
// Depth of field: combines the sharp and the blurred image by distance from the focus. Before
// drawing it writes the focus over the camera's depth range (float 0), the largest blur (vector 0
// x) and the range over the focal length (vector 0 y), from the camera's own focus values where
// it carries them and USE_CAMERA_PARAMS is on, else from its FOCAL settings.
#include "lighting/posteffects/PostEffect.h"

namespace Ulvo {

class PE_DOFCombine : public PostEffect {
public:
    PE_DOFCombine(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    PE_DOFCombine(const PE_DOFCombine& other) = default;
    ~PE_DOFCombine() override = default;

    PostEffect* clone() const override { return new PE_DOFCombine(*this); }
    // FLOAT mappings 0 to 3 write the blur, focus distance, focal length and camera switch.
    bool setParamFloat(const std::wstring& mapping, float value) override;
    void preRender(Camera& camera) override;

    float getFocalDist() const { return m_focalDist; }
    float getFocalLength() const { return m_focalLength; }
    float getMaxBlur() const { return m_maxBlur; }
    bool getUseCameraParams() const { return m_useCameraParams; }

private:
    float m_focalDist = 50.0f;
    float m_focalLength = 10.0f;
    float m_maxBlur = 1.0f;
    bool m_useCameraParams = true;
};

} // namespace Ulvo
