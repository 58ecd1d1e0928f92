#pragma once
// God rays: light streaks from the sun, drawn as a radial blur towards the sun's place on the
// screen (vector 0), faded by the angle between the view and the sun (float 4). Strength, linear
// and exponential strength and length (floats 0 to 3) are factors, optionally times a value per
// day phase of the sun light that follows the time of day; the colour (vector 4) likewise, kept
// normalised unless the post effects run in HDR.
#include "lighting/posteffects/PostEffect.h"

namespace Ulvo {

class SunLightSystem;

class PE_Godrays : public PostEffect {
public:
    static constexpr int kPhases = 4;

    // A value per day phase, the value for the present time of day, and the factor it is taken by.
    struct PhaseCurve {
        float values[kPhases] = {0.0f, 0.0f, 0.0f, 0.0f};
        float current = 0.0f;
        float factor = 0.0f;
    };

    PE_Godrays(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    PE_Godrays(const PE_Godrays& other) = default;
    ~PE_Godrays() override = default;

    PostEffect* clone() const override { return new PE_Godrays(*this); }
    // The curves' values for the present time of day (the time value stays).
    void update(double elapsedSeconds) override;
    // FLOAT mappings 0 to 3: the curves' factors.
    bool setParamFloat(const std::wstring& mapping, float value) override;
    float getParamFloat(const std::wstring& mapping) override;
    // Vector mappings: setVec4 with their index.
    bool setParamVector(const std::wstring& mapping, const D3DXVECTOR4& value) override;
    // MATRIX mapping 4: the colour per phase (row k for phase k).
    bool setParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value) override;
    // Index 0 to 3: a curve's values; 4: the colour.
    bool setVec4(const D3DXVECTOR4& value, int index) override;
    D3DXVECTOR4 getVec4(int index) const override;
    bool setMatrix(const D3DXMATRIX& value, int index) override;
    void preRender(Camera& camera) override;

    const PhaseCurve& getCurve(int index) const { return m_curves[index]; }
    bool getUseInterpolation() const { return m_useInterpolation; }

private:
    SunLightSystem* sun() const;

    bool m_useInterpolation = false;
    PhaseCurve m_curves[4]; // strength, linear strength, exponential strength, length
    D3DXMATRIX m_colorPhases;
    D3DXVECTOR4 m_currentColor{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_color{0.0f, 0.0f, 0.0f, 0.0f};
};

} // namespace Ulvo
