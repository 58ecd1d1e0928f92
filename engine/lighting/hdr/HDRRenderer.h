#pragma once
// The HDR renderer: from a floating-point image of a stage it measures the average luminance,
// adapts to it over time, extracts the bright parts, blurs them into bloom and star streaks and
// tone-maps everything into an output image of the render-target size. The mode bits say after
// which stage it runs; the render manager's HDR activation (RP_HDR) must be set before any of its
// targets is made, so HDR stays off whatever the configuration says until the console asks.
//
// Every target comes from the render manager's pool under a name of its own ("HDR.*"). The pool
// makes them again after a device reset, so the renderer keeps its handles and its mode across a
// reset and only clears the targets whose start value matters before the next chain.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "lighting/hdr/GlareDefinition.h"
#include "render/manager/HDRStage.h"
#include "render/targets/RenderTargetPool.h"

#include <array>
#include <cstdint>
#include <string>

namespace Ulvo {

class D3DInterface;
class Effect;
class RenderManager;

class HDRRenderer : public sigslot::has_slots<>, public DeviceResource, public HDRStage {
public:
    // Indices of the targets; the scene (0) is the stage's own colour target.
    enum Target : std::size_t {
        Scene = 0,
        ScaledScene,
        BrightPass,
        AdaptedLumCur,
        AdaptedLumLast,
        StarSource,
        BloomSource,
        Luminance0,
        Luminance1,
        Luminance2,
        Luminance3,
        Bloom0,
        Bloom1,
        Bloom2,
        Star0,
        Star11 = Star0 + 11,
        TargetCount
    };

    explicit HDRRenderer(RenderManager& renderManager);
    ~HDRRenderer() override;
    HDRRenderer(const HDRRenderer&) = delete;
    HDRRenderer& operator=(const HDRRenderer&) = delete;

    void beginFrame(ForwardRenderer& forward) override;
    void postForward(ForwardRenderer& forward) override;
    void postDeferred(DeferredStage& deferred) override;
    void postPostEffects(PostEffectStage& postEffects) override;
    bool getLastResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;

    bool setMode(uint32_t bits) override;
    uint32_t getMode() const override { return m_mode; }
    void resetAdaptationTime() override { m_adaptationTime = 0.0f; }
    void setMiddleGray(float value) override { m_middleGray = value; }
    void setToneMapping(int op) override { m_toneMapping = op; }
    void setBlueShift(bool on) override { m_blueShift = on; }
    void setBloomStarScale(float bloom, float star) override;
    void setGlareType(int type) override;
    void setMinMaxLuminance(float minimum, float maximum) override;
    void setBrightPassParams(float threshold, float offset) override;
    bool saveBuffers(const std::wstring& folder) override;
    void loadConfig(XMLNode& node) override;

    // Makes every target (enable true) or releases them and sets the mode 0 (false). False when
    // the activation is 0 or a target could not be made; the mode is then 0.
    bool createBuffers(bool enable);
    void releaseBuffers();
    // S_OK after copying glare library entry type; E_FAIL (nothing changed) above the library.
    HRESULT applyGlareType(uint32_t type);
    HRESULT clearTexture(IDirect3DTexture9* texture);

    // The nine passes on the scene; false (the result a copy of the scene) when one fails.
    bool makeHDR();

    // Where the game's frame time is read each chain (seconds; null: no time passes).
    void setFrameTimeSource(const double* seconds) { m_frameTime = seconds; }
    const double* getFrameTimeSource() const { return m_frameTime; }

    bool isCreated() const { return m_created; }
    bool getInitHDR() const { return m_initHDR; }
    Effect* getEffect() const { return m_effect; }
    float getMiddleGray() const { return m_middleGray; }
    int getToneMapping() const { return m_toneMapping; }
    bool getBlueShift() const { return m_blueShift; }
    float getBloomScale() const { return m_bloomScale; }
    float getStarScale() const { return m_starScale; }
    float getMinLuminance() const { return m_minLuminance; }
    float getMaxLuminance() const { return m_maxLuminance; }
    float getBrightThreshold() const { return m_brightThreshold; }
    float getBrightOffset() const { return m_brightOffset; }
    uint32_t getGlareType() const { return m_glareType; }
    float getAdaptationTime() const { return m_adaptationTime; }
    const GlareDefinition& getActiveGlare() const { return m_activeGlare; }
    UINT getCroppedWidth() const { return m_croppedWidth; }
    UINT getCroppedHeight() const { return m_croppedHeight; }
    IDirect3DTexture9* getTexture(Target index) const;
    IDirect3DSurface9* getSurface(Target index) const;
    IDirect3DTexture9* getResultTexture() const { return m_result ? m_result->getTexture() : nullptr; }
    IDirect3DSurface9* getResultSurface() const { return m_result ? m_result->getSurface() : nullptr; }

    // Sample offsets and weights of the chain's filters (texture sizes in texels).
    static void getSampleOffsetsDownScale4x4(UINT width, UINT height, D3DXVECTOR2 offsets[16]);
    static void getSampleOffsetsDownScale2x2(UINT width, UINT height, D3DXVECTOR2 offsets[16]);
    static void getSampleOffsetsGaussBlur5x5(UINT width, UINT height, D3DXVECTOR2 offsets[16], D3DXVECTOR4 weights[16],
                                             float multiplier);
    static void getSampleOffsetsBloom(UINT size, float offsets[15], D3DXVECTOR4 weights[16], float deviation,
                                      float multiplier);
    static float gaussianDistribution(float x, float y, float rho);
    static HRESULT getTextureRect(IDirect3DTexture9* texture, RECT* rect);
    static HRESULT getTextureCoords(IDirect3DTexture9* source, const RECT* sourceRect, IDirect3DTexture9* dest,
                                    const RECT* destRect, float coords[4]);

    void onLostDevice() override {}
    void onResetDevice() override;

private:
    template <class Stage> void hook(Stage& stage, uint32_t runWhen, uint32_t unlessAlso, const wchar_t* section);
    void onDeviceCreated();
    void onRenderTargetSizeChanged(RenderManager& owner);
    bool makeTargets();
    // A quad over render target 0 with the texture rectangle left, top, right, bottom.
    void drawFullScreenQuad(float left, float top, float right, float bottom);
    void drawFullScreenQuad(const float coords[4]) { drawFullScreenQuad(coords[0], coords[1], coords[2], coords[3]); }
    // Begin, every pass with a quad, End; false when Begin failed.
    bool drawPasses(const float coords[4]);
    bool targetsUsable() const;
    void clearStartTargets();

    bool scaleHDRScene();
    bool measureLuminace();
    bool calculateNewLuminance();
    bool brightPass();
    bool starSource();
    bool bloomSource();
    bool star();
    bool bloom();
    bool finalizeHDR();

    RenderManager& m_owner;
    D3DInterface* m_d3d;
    RenderTargetHandle m_result;
    std::array<RenderTargetHandle, TargetCount> m_targets;
    IDirect3DTexture9* m_sceneTexture = nullptr;
    IDirect3DSurface9* m_sceneSurface = nullptr;
    IDirect3DTexture9* m_lastResultTexture = nullptr;
    IDirect3DSurface9* m_lastResultSurface = nullptr;
    UINT m_croppedWidth = 0;
    UINT m_croppedHeight = 0;
    GlareDefinition m_activeGlare;
    uint32_t m_glareType = 4;
    float m_middleGray = 1.0f;
    float m_bloomScale = 1.0f;
    float m_starScale = 0.5f;
    bool m_blueShift = false;
    int m_toneMapping = 1;
    float m_minLuminance = 0.0f;
    float m_maxLuminance = 3.4028235e38f;
    float m_brightThreshold = 5.0f;
    float m_brightOffset = 10.0f;
    uint32_t m_mode = 0;
    bool m_initHDR = false;
    Effect* m_effect = nullptr;
    bool m_created = false;
    // The pool made the targets again: their content is gone.
    bool m_needsClear = false;
    float m_adaptationTime = 0.0f;
    // The render manager's frame whose time the adaptation last gathered.
    uint32_t m_gatheredFrame = 0;
    bool m_timeGathered = false;
    const double* m_frameTime = nullptr;
};

} // namespace Ulvo
