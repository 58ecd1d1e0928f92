#pragma once
// The HDR renderer. Stand-in: the luminance measurement, adaptation, bright pass, bloom, star
// streaks and tone mapping come with the renderer proper; until then its hooks hand every stage's
// image on unchanged, whatever the mode bits say, and it keeps the values the console sets. It
// keeps and announces the mode bits, so the forward, deferred and post-effect renderers already
// switch their targets to floating point with them.
#include "render/manager/HDRStage.h"

namespace Ulvo {

class RenderManager;

class HDRRenderer : public HDRStage {
public:
    explicit HDRRenderer(RenderManager& renderManager);
    ~HDRRenderer() override = default;
    HDRRenderer(const HDRRenderer&) = delete;
    HDRRenderer& operator=(const HDRRenderer&) = delete;

    void beginFrame(ForwardRenderer& forward) override;
    void postForward(ForwardRenderer& forward) override;
    void postDeferred(DeferredStage& deferred) override;
    void postPostEffects(PostEffectStage& postEffects) override;
    bool getLastResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;

    void setMode(uint32_t bits) override;
    uint32_t getMode() const override { return m_mode; }
    void resetAdaptationTime() override { m_adaptationTime = 0.0f; }
    void setMiddleGray(float value) override { m_middleGray = value; }
    void setToneMapping(int op) override { m_toneMapping = op; }
    void setBlueShift(bool on) override { m_blueShift = on; }
    void setBloomStarScale(float bloom, float star) override;
    void setGlareType(int type) override { m_glareType = type; }
    void setMinMaxLuminance(float minimum, float maximum) override;
    void setBrightPassParams(float threshold, float offset) override;
    // Nothing to write yet: logs so and reports false.
    bool saveBuffers(const std::wstring& folder) override;
    // The section is the renderer proper's; logged once and left alone.
    void loadConfig(XMLNode& node) override;

    RenderManager& getRenderManager() const { return m_renderManager; }
    float getMiddleGray() const { return m_middleGray; }
    int getToneMapping() const { return m_toneMapping; }
    bool getBlueShift() const { return m_blueShift; }
    int getGlareType() const { return m_glareType; }

private:
    void setResult(IDirect3DTexture9* texture, IDirect3DSurface9* surface);
    template <class Stage> void handOn(Stage& stage);

    RenderManager& m_renderManager;
    uint32_t m_mode = 0;
    IDirect3DTexture9* m_lastTexture = nullptr;
    IDirect3DSurface9* m_lastSurface = nullptr;
    float m_adaptationTime = 0.0f;
    float m_middleGray = 0.18f;
    int m_toneMapping = 1;
    bool m_blueShift = false;
    float m_bloomScale = 1.0f;
    float m_starScale = 0.5f;
    int m_glareType = 0;
    float m_minLuminance = 0.0f;
    float m_maxLuminance = 1.0f;
    float m_brightThreshold = 0.5f;
    float m_brightOffset = 1.0f;
};

} // namespace Ulvo
