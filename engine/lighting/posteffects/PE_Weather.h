#pragma once
// Weather (rain or snow streaks): before drawing it turns the streaks with the camera's heading
// (matrix 0), stretches them and raises their alpha the more the camera looks up or down
// (vector 2 y, vector 0 w), and moves them with the eye (vector 3).
#include "lighting/posteffects/PostEffect.h"

namespace Ulvo {

class PE_Weather : public PostEffect {
public:
    PE_Weather(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer);
    PE_Weather(const PE_Weather& other) = default;
    ~PE_Weather() override = default;

    PostEffect* clone() const override { return new PE_Weather(*this); }
    void preRender(Camera& camera) override;

    // The heading of a horizontal direction (normalised): 0 along +x, pi / 2 along +z.
    static float headingOf(const D3DXVECTOR3& direction);

    const D3DXVECTOR3& getPositionChange() const { return m_positionChange; }
    float getStretchBase() const { return m_stretchBase; }
    float getStretchMax() const { return m_stretchMax; }
    float getAlphaBase() const { return m_alphaBase; }
    float getAlphaMax() const { return m_alphaMax; }

private:
    D3DXVECTOR3 m_positionChange{0.001f, -0.01f, 0.001f};
    float m_stretchBase = 0.0f;
    float m_stretchMax = 0.0f;
    float m_alphaBase = 0.0f;
    float m_alphaMax = 0.0f;
};

} // namespace Ulvo
