// The HDR renderer's frame: the hooks after each stage and the nine passes of the chain
// (down-scale, luminance measurement, eye adaptation, bright pass, star source, bloom source,
// star streaks, bloom, tone mapping), all drawn with the techniques of the one HDR effect.
#include "devices/d3d/D3DInterface.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectPasses.h"
#include "lighting/hdr/HDRRenderer.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/PostEffectStage.h"
#include "render/manager/RenderManager.h"

#include <d3dx9effect.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace Ulvo {

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    float u, v;
};
constexpr DWORD kQuadFVF = D3DFVF_XYZRHW | D3DFVF_TEX1;

constexpr float kWholeQuad[4] = {0.0f, 0.0f, 1.0f, 1.0f};

void setSampler(IDirect3DDevice9* device, DWORD stage, D3DTEXTUREFILTERTYPE filter)
{
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, filter);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, filter);
    device->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

// The scissor test ends with the pass that switched it on, however the pass ends.
class ScissorFor {
public:
    ScissorFor(IDirect3DDevice9* device, const RECT& rect) : m_device(device)
    {
        m_device->SetScissorRect(&rect);
        m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    }
    ~ScissorFor() { m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE); }
    ScissorFor(const ScissorFor&) = delete;
    ScissorFor& operator=(const ScissorFor&) = delete;

private:
    IDirect3DDevice9* m_device;
};

// The shortest time the adaptation law is given at once (a little under 1/60 s, so that frames
// of 1/60 s each are a step of their own).
constexpr float kAdaptationStep = 0.999f / 60.0f;

RECT shrunk(const RECT& rect)
{
    return RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
}

} // namespace

// ------------------------------------------------------------------ hooks

void HDRRenderer::beginFrame(ForwardRenderer&)
{
    m_sceneTexture = nullptr;
    m_sceneSurface = nullptr;
}

template <class Stage>
void HDRRenderer::hook(Stage& stage, uint32_t runWhen, uint32_t unlessAlso, const wchar_t* section)
{
    ScopedMeasure measure(section);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    const bool ok = stage.getResult(texture, surface);
    if ((m_mode & runWhen) && !(m_mode & unlessAlso)) {
        m_sceneTexture = ok ? texture : nullptr;
        m_sceneSurface = ok ? surface : nullptr;
        makeHDR();
        if (getResultSurface() && targetsUsable()) {
            m_lastResultTexture = getResultTexture();
            m_lastResultSurface = getResultSurface();
            return;
        }
        // Without targets there is no tone-mapped image: the stage's own goes on.
    }
    m_lastResultTexture = ok ? texture : m_sceneTexture;
    m_lastResultSurface = ok ? surface : m_sceneSurface;
}

void HDRRenderer::postForward(ForwardRenderer& forward)
{
    hook(forward, HDR_FORWARD, HDR_DEFERRED, L"HDRRenderer.postForward");
}

void HDRRenderer::postDeferred(DeferredStage& deferred)
{
    hook(deferred, HDR_DEFERRED, HDR_POSTEFFECTS, L"HDRRenderer.postDeferred");
}

void HDRRenderer::postPostEffects(PostEffectStage& postEffects)
{
    hook(postEffects, HDR_POSTEFFECTS, 0, L"HDRRenderer.postPostEffects");
}

bool HDRRenderer::getLastResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface)
{
    texture = m_lastResultTexture;
    surface = m_lastResultSurface;
    return texture && surface;
}

// ------------------------------------------------------------------ the chain

bool HDRRenderer::makeHDR()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!getResultSurface() || !device)
        return false;
    if (m_needsClear)
        clearStartTargets();
    if (!targetsUsable())
        return false;
    ScopedMeasure measure(L"HDRRenderer.makeHDR");
    ScopedPerfEvent event(L"makeHDR");
    device->BeginScene();
    ID3DXEffect* fx = m_effect ? m_effect->getEffect() : nullptr;
    if (fx && m_sceneTexture && m_sceneSurface && scaleHDRScene() && measureLuminace() && calculateNewLuminance() &&
        brightPass() && starSource() && bloomSource() && star() && bloom() && finalizeHDR()) {
        device->EndScene();
        return true;
    }
    if (m_sceneSurface)
        device->StretchRect(m_sceneSurface, nullptr, getResultSurface(), nullptr, D3DTEXF_NONE);
    device->SetRenderTarget(0, getResultSurface());
    device->EndScene();
    return false;
}

void HDRRenderer::drawFullScreenQuad(float left, float top, float right, float bottom)
{
    ScopedPerfEvent event(L"DrawFullScreenQuad");
    IDirect3DDevice9* device = m_d3d->getDevice();
    IDirect3DSurface9* target = nullptr;
    D3DSURFACE_DESC desc{};
    if (FAILED(device->GetRenderTarget(0, &target)) || !target)
        return;
    target->GetDesc(&desc);
    target->Release();
    const float width = static_cast<float>(desc.Width) - 0.5f;
    const float height = static_cast<float>(desc.Height) - 0.5f;
    const QuadVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, left, top},
                                {width, -0.5f, 0.5f, 1.0f, right, top},
                                {-0.5f, height, 0.5f, 1.0f, left, bottom},
                                {width, height, 0.5f, 1.0f, right, bottom}};
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetFVF(kQuadFVF);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
}

bool HDRRenderer::drawPasses(const float coords[4])
{
    return runEffectPasses(m_effect->getEffect(), [&] { drawFullScreenQuad(coords); });
}

bool HDRRenderer::scaleHDRScene()
{
    ScopedPerfEvent event(L"scaleHDRScene");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    unsigned width = 0, height = 0;
    m_owner.getRenderTargetSize(width, height);
    const LONG left = static_cast<LONG>((width - m_croppedWidth) / 2);
    const LONG top = static_cast<LONG>((height - m_croppedHeight) / 2);
    const RECT source{left, top, left + static_cast<LONG>(m_croppedWidth), top + static_cast<LONG>(m_croppedHeight)};
    float coords[4];
    getTextureCoords(m_sceneTexture, &source, getTexture(ScaledScene), nullptr, coords);
    D3DXVECTOR2 offsets[16] = {};
    getSampleOffsetsDownScale4x4(width, height, offsets);
    fx->SetTechnique("DownScale4x4");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    device->SetRenderTarget(0, getSurface(ScaledScene));
    device->SetTexture(0, m_sceneTexture);
    setSampler(device, 0, D3DTEXF_POINT);
    return drawPasses(coords);
}

bool HDRRenderer::measureLuminace()
{
    ScopedPerfEvent event(L"measureLuminace");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    D3DXVECTOR2 offsets[16] = {};
    const float tU = 1.0f / (3.0f * 64.0f), tV = 1.0f / (3.0f * 64.0f);
    int index = 0;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            offsets[index++] = D3DXVECTOR2(static_cast<float>(x) * tU, static_cast<float>(y) * tV);
    fx->SetTechnique("SampleAvgLum");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    device->SetRenderTarget(0, getSurface(Luminance3));
    device->SetTexture(0, getTexture(ScaledScene));
    setSampler(device, 0, D3DTEXF_LINEAR);
    setSampler(device, 1, D3DTEXF_LINEAR);
    if (!drawPasses(kWholeQuad))
        return false;
    // 64 to 16 to 4 texels, then the one average, back from the logarithm.
    const std::pair<Target, Target> steps[] = {
        {Luminance3, Luminance2}, {Luminance2, Luminance1}, {Luminance1, Luminance0}};
    for (const auto& [source, dest] : steps) {
        D3DSURFACE_DESC desc{};
        getTexture(source)->GetLevelDesc(0, &desc);
        getSampleOffsetsDownScale4x4(desc.Width, desc.Height, offsets);
        fx->SetTechnique(dest == Luminance0 ? "ResampleAvgLumExp" : "ResampleAvgLum");
        fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
        device->SetRenderTarget(0, getSurface(dest));
        device->SetTexture(0, getTexture(source));
        setSampler(device, 0, D3DTEXF_POINT);
        if (!drawPasses(kWholeQuad))
            return false;
    }
    return true;
}

bool HDRRenderer::calculateNewLuminance()
{
    ScopedPerfEvent event(L"calculateNewLuminance");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    std::swap(m_targets[AdaptedLumCur], m_targets[AdaptedLumLast]);
    fx->SetTechnique("CalculateAdaptedLum");
    // The time gathers here, where every chain passes (the forward stage may be off), once per
    // frame however many stages the chain follows. The law is handed the gathered time once it
    // reaches 1/60 s and nothing on the runs in between, so the eye adapts at the same speed at any
    // frame rate: shorter steps would be rounded away by the half floats of the targets.
    const uint32_t frame = m_owner.getFrameCounter();
    if (m_frameTime && (!m_timeGathered || frame != m_gatheredFrame))
        m_adaptationTime += static_cast<float>(*m_frameTime);
    m_gatheredFrame = frame;
    m_timeGathered = true;
    if (m_adaptationTime >= kAdaptationStep) {
        fx->SetFloat("g_fElapsedTime", m_adaptationTime);
        m_adaptationTime = 0.0f;
    } else {
        fx->SetFloat("g_fElapsedTime", 0.0f);
    }
    device->SetRenderTarget(0, getSurface(AdaptedLumCur));
    device->SetTexture(0, getTexture(AdaptedLumLast));
    device->SetTexture(1, getTexture(Luminance0));
    setSampler(device, 0, D3DTEXF_POINT);
    setSampler(device, 1, D3DTEXF_POINT);
    drawPasses(kWholeQuad);
    return true;
}

bool HDRRenderer::brightPass()
{
    ScopedPerfEvent event(L"brightPass");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    fx->SetFloat("g_fBrightThreshold", m_brightThreshold);
    fx->SetFloat("g_fBrightOffset", m_brightOffset);
    fx->SetFloat("g_fMiddleGray", m_middleGray);
    RECT source{}, dest{};
    getTextureRect(getTexture(ScaledScene), &source);
    getTextureRect(getTexture(BrightPass), &dest);
    source = shrunk(source);
    dest = shrunk(dest);
    float coords[4];
    getTextureCoords(getTexture(ScaledScene), &source, getTexture(BrightPass), &dest, coords);
    fx->SetTechnique("BrightPassFilter");
    device->SetRenderTarget(0, getSurface(BrightPass));
    device->SetTexture(0, getTexture(ScaledScene));
    device->SetTexture(1, getTexture(AdaptedLumCur));
    ScissorFor scissor(device, dest);
    setSampler(device, 0, D3DTEXF_POINT);
    setSampler(device, 1, D3DTEXF_POINT);
    return drawPasses(coords);
}

bool HDRRenderer::starSource()
{
    ScopedPerfEvent event(L"starSource");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    RECT dest{};
    getTextureRect(getTexture(StarSource), &dest);
    dest = shrunk(dest);
    float coords[4];
    getTextureCoords(getTexture(BrightPass), nullptr, getTexture(StarSource), &dest, coords);
    D3DSURFACE_DESC desc{};
    if (FAILED(getTexture(BrightPass)->GetLevelDesc(0, &desc)))
        return false;
    D3DXVECTOR2 offsets[16] = {};
    D3DXVECTOR4 weights[16] = {};
    getSampleOffsetsGaussBlur5x5(desc.Width, desc.Height, offsets, weights, 1.0f);
    fx->SetTechnique("GaussBlur5x5");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    fx->SetValue("g_avSampleWeights", weights, sizeof(weights));
    device->SetRenderTarget(0, getSurface(StarSource));
    device->SetTexture(0, getTexture(BrightPass));
    setSampler(device, 0, D3DTEXF_POINT);
    ScissorFor scissor(device, dest);
    return drawPasses(coords);
}

bool HDRRenderer::bloomSource()
{
    ScopedPerfEvent event(L"bloomSource");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    RECT source{}, dest{};
    getTextureRect(getTexture(StarSource), &source);
    getTextureRect(getTexture(BloomSource), &dest);
    source = shrunk(source);
    dest = shrunk(dest);
    float coords[4];
    getTextureCoords(getTexture(StarSource), &source, getTexture(BloomSource), &dest, coords);
    D3DSURFACE_DESC desc{};
    if (FAILED(getTexture(BrightPass)->GetLevelDesc(0, &desc)))
        return false;
    D3DXVECTOR2 offsets[16] = {};
    getSampleOffsetsDownScale2x2(desc.Width, desc.Height, offsets);
    fx->SetTechnique("DownScale2x2");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    device->SetRenderTarget(0, getSurface(BloomSource));
    device->SetTexture(0, getTexture(StarSource));
    setSampler(device, 0, D3DTEXF_POINT);
    ScissorFor scissor(device, dest);
    return drawPasses(coords);
}

bool HDRRenderer::star()
{
    ScopedPerfEvent event(L"star");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    clearTexture(getTexture(Star0));
    const GlareDefinition& glare = m_activeGlare;
    const StarDefinition& starDef = glare.starDefinition;
    if (glare.glareLuminance <= 0.0f || glare.starLuminance <= 0.0f || starDef.getLineCount() <= 0)
        return true;
    const float tanFoV = static_cast<float>(std::atan(0.39269909262657166));
    const D3DXCOLOR white(0.63f, 0.63f, 0.63f, 0.0f);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    D3DSURFACE_DESC desc{};
    if (FAILED(getSurface(StarSource)->GetDesc(&desc)))
        return false;
    const float srcW = static_cast<float>(desc.Width), srcH = static_cast<float>(desc.Height);

    // Three rows of eight colours, from the aberration colours towards white pass by pass.
    D3DXCOLOR colours[3][8];
    const auto& aberration = StarDefinition::chromaticAberrationColors();
    for (int p = 0; p < 3; ++p) {
        const float ratio = static_cast<float>(p + 1) / 3.0f;
        for (int s = 0; s < 8; ++s) {
            D3DXCOLOR c = aberration[static_cast<std::size_t>(s)];
            c = c + (white - c) * ratio;
            colours[p][s] = white + (c - white) * glare.chromaticAberration;
        }
    }
    const float radOffset = glare.starInclination + starDef.getInclination();
    const float baseScale = ((tanFoV + 0.1f) * 280.0f / (srcW + srcH)) * 1.2f;
    const int lineCount = std::min(starDef.getLineCount(), 8);
    D3DXVECTOR2 offsets[16] = {};
    D3DXVECTOR4 weights[16] = {};
    for (int d = 0; d < lineCount; ++d) {
        const StarLine& line = starDef.getLine(d);
        const float rad = line.inclination + radOffset;
        D3DXVECTOR2 step(std::sin(rad) / srcW * line.sampleLength, std::cos(rad) / srcH * line.sampleLength);
        float scale = baseScale;
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        IDirect3DTexture9* source = getTexture(StarSource);
        std::size_t work = 1;
        const int passes = std::min(line.passes, 3);
        for (int p = 0; p < passes; ++p) {
            const std::size_t dest = p == passes - 1 ? Star0 + 4 + static_cast<std::size_t>(d) : Star0 + work;
            for (int i = 0; i < 8; ++i) {
                const float lum = std::pow(line.attenuation, scale * static_cast<float>(i));
                const D3DXCOLOR weight = colours[passes - 1 - p][i] * (lum * static_cast<float>(p + 1) * 0.5f);
                weights[i] = D3DXVECTOR4(weight.r, weight.g, weight.b, weight.a);
                offsets[i] = D3DXVECTOR2(step.x * static_cast<float>(i), step.y * static_cast<float>(i));
                if (std::fabs(offsets[i].x) >= 0.9f || std::fabs(offsets[i].y) >= 0.9f) {
                    offsets[i] = D3DXVECTOR2(0.0f, 0.0f);
                    weights[i] = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
                }
            }
            fx->SetTechnique("Star");
            fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
            fx->SetVectorArray("g_avSampleWeights", weights, 8);
            device->SetRenderTarget(0, m_targets[dest]->getSurface());
            device->SetTexture(0, source);
            setSampler(device, 0, D3DTEXF_LINEAR);
            if (!drawPasses(kWholeQuad))
                return false;
            step *= 8.0f;
            scale *= 8.0f;
            source = m_targets[Star0 + work]->getTexture();
            work = work == 2 ? 1 : work + 1;
        }
    }
    // The finished lines, averaged into star 0.
    for (int i = 0; i < lineCount; ++i) {
        device->SetTexture(static_cast<DWORD>(i), getTexture(static_cast<Target>(Star0 + 4 + i)));
        setSampler(device, static_cast<DWORD>(i), D3DTEXF_LINEAR);
        const float share = 1.0f / static_cast<float>(lineCount);
        weights[i] = D3DXVECTOR4(share, share, share, share);
    }
    char technique[32];
    std::snprintf(technique, sizeof(technique), "MergeTextures_%d", lineCount);
    fx->SetTechnique(technique);
    fx->SetVectorArray("g_avSampleWeights", weights, static_cast<UINT>(lineCount));
    device->SetRenderTarget(0, getSurface(Star0));
    const bool drawn = drawPasses(kWholeQuad);
    for (int i = 0; i < lineCount; ++i)
        device->SetTexture(static_cast<DWORD>(i), nullptr);
    return drawn;
}

bool HDRRenderer::bloom()
{
    ScopedPerfEvent event(L"bloom");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    clearTexture(getTexture(Bloom0));
    if (m_activeGlare.glareLuminance <= 0.0f || m_activeGlare.bloomLuminance <= 0.0f)
        return true;
    D3DXVECTOR2 offsets[16] = {};
    D3DXVECTOR4 weights[16] = {};
    float lineOffsets[15] = {};
    RECT source{}, dest{};
    getTextureRect(getTexture(BloomSource), &source);
    getTextureRect(getTexture(Bloom2), &dest);
    source = shrunk(source);
    dest = shrunk(dest);
    float coords[4];
    getTextureCoords(getTexture(BloomSource), &source, getTexture(Bloom2), &dest, coords);
    D3DSURFACE_DESC desc{};
    if (FAILED(getTexture(BloomSource)->GetLevelDesc(0, &desc)))
        return false;
    getSampleOffsetsGaussBlur5x5(desc.Width, desc.Height, offsets, weights, 1.0f);
    fx->SetTechnique("GaussBlur5x5");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    fx->SetValue("g_avSampleWeights", weights, sizeof(weights));
    device->SetRenderTarget(0, getSurface(Bloom2));
    device->SetTexture(0, getTexture(BloomSource));
    setSampler(device, 0, D3DTEXF_POINT);
    {
        ScissorFor scissor(device, dest);
        if (!drawPasses(coords))
            return false;
    }

    if (FAILED(getTexture(Bloom2)->GetLevelDesc(0, &desc)))
        return false;
    getSampleOffsetsBloom(desc.Width, lineOffsets, weights, 3.0f, 2.0f);
    for (int i = 0; i < 16; ++i)
        offsets[i] = D3DXVECTOR2(i < 15 ? lineOffsets[i] : 0.0f, 0.0f);
    fx->SetTechnique("Bloom");
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    fx->SetValue("g_avSampleWeights", weights, sizeof(weights));
    device->SetRenderTarget(0, getSurface(Bloom1));
    device->SetTexture(0, getTexture(Bloom2));
    setSampler(device, 0, D3DTEXF_POINT);
    {
        ScissorFor scissor(device, dest);
        drawPasses(coords);
    }

    if (FAILED(getTexture(Bloom1)->GetLevelDesc(0, &desc)))
        return false;
    getSampleOffsetsBloom(desc.Height, lineOffsets, weights, 3.0f, 2.0f);
    for (int i = 0; i < 16; ++i)
        offsets[i] = D3DXVECTOR2(0.0f, i < 15 ? lineOffsets[i] : 0.0f);
    getTextureRect(getTexture(Bloom1), &source);
    source = shrunk(source);
    getTextureCoords(getTexture(Bloom1), &source, getTexture(Bloom0), nullptr, coords);
    fx->SetValue("g_avSampleOffsets", offsets, sizeof(offsets));
    fx->SetValue("g_avSampleWeights", weights, sizeof(weights));
    device->SetRenderTarget(0, getSurface(Bloom0));
    device->SetTexture(0, getTexture(Bloom1));
    setSampler(device, 0, D3DTEXF_POINT);
    return drawPasses(coords);
}

bool HDRRenderer::finalizeHDR()
{
    ScopedPerfEvent event(L"finalizeHDR");
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    fx->SetTechnique("FinalScenePass");
    fx->SetFloat("g_fMiddleGray", m_middleGray);
    fx->SetFloat("g_fBloomScale", m_bloomScale);
    fx->SetFloat("g_fStarScale", m_starScale);
    fx->SetFloat("g_fMinLuminance", m_minLuminance);
    fx->SetFloat("g_fMaxLuminance", m_maxLuminance);
    fx->SetInt("g_iToneMapType", m_toneMapping);
    fx->SetBool("g_bEnableBlueShift", m_blueShift ? TRUE : FALSE);
    device->SetRenderTarget(0, getResultSurface());
    device->SetTexture(0, m_sceneTexture);
    device->SetTexture(1, getTexture(Bloom0));
    device->SetTexture(2, getTexture(Star0));
    device->SetTexture(3, getTexture(AdaptedLumCur));
    setSampler(device, 0, D3DTEXF_POINT);
    setSampler(device, 1, D3DTEXF_LINEAR);
    setSampler(device, 2, D3DTEXF_LINEAR);
    setSampler(device, 3, D3DTEXF_POINT);
    drawPasses(kWholeQuad);
    for (DWORD stage = 0; stage < 4; ++stage)
        device->SetTexture(stage, nullptr);
    return true;
}

// ------------------------------------------------------------------ sampling helpers

HRESULT HDRRenderer::getTextureRect(IDirect3DTexture9* texture, RECT* rect)
{
    if (!texture || !rect)
        return E_INVALIDARG;
    D3DSURFACE_DESC desc{};
    const HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    *rect = RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    return S_OK;
}

HRESULT HDRRenderer::getTextureCoords(IDirect3DTexture9* source, const RECT* sourceRect, IDirect3DTexture9* dest,
                                      const RECT* destRect, float coords[4])
{
    if (!source || !dest || !coords)
        return E_INVALIDARG;
    coords[0] = 0.0f;
    coords[1] = 0.0f;
    coords[2] = 1.0f;
    coords[3] = 1.0f;
    D3DSURFACE_DESC desc{};
    if (sourceRect) {
        const HRESULT hr = source->GetLevelDesc(0, &desc);
        if (FAILED(hr))
            return hr;
        const float tU = 1.0f / static_cast<float>(desc.Width), tV = 1.0f / static_cast<float>(desc.Height);
        coords[0] += static_cast<float>(sourceRect->left) * tU;
        coords[1] += static_cast<float>(sourceRect->top) * tV;
        coords[2] -= static_cast<float>(static_cast<LONG>(desc.Width) - sourceRect->right) * tU;
        coords[3] -= static_cast<float>(static_cast<LONG>(desc.Height) - sourceRect->bottom) * tV;
    }
    if (destRect) {
        const HRESULT hr = dest->GetLevelDesc(0, &desc);
        if (FAILED(hr))
            return hr;
        const float tU = 1.0f / static_cast<float>(desc.Width), tV = 1.0f / static_cast<float>(desc.Height);
        coords[0] -= static_cast<float>(destRect->left) * tU;
        coords[1] -= static_cast<float>(destRect->top) * tV;
        coords[2] += static_cast<float>(static_cast<LONG>(desc.Width) - destRect->right) * tU;
        coords[3] += static_cast<float>(static_cast<LONG>(desc.Height) - destRect->bottom) * tV;
    }
    return S_OK;
}

void HDRRenderer::getSampleOffsetsDownScale4x4(UINT width, UINT height, D3DXVECTOR2 offsets[16])
{
    const float tU = 1.0f / static_cast<float>(width), tV = 1.0f / static_cast<float>(height);
    int index = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            offsets[index++] = D3DXVECTOR2((static_cast<float>(x) - 1.5f) * tU, (static_cast<float>(y) - 1.5f) * tV);
}

void HDRRenderer::getSampleOffsetsDownScale2x2(UINT width, UINT height, D3DXVECTOR2 offsets[16])
{
    const float tU = 1.0f / static_cast<float>(width), tV = 1.0f / static_cast<float>(height);
    int index = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            offsets[index++] = D3DXVECTOR2((static_cast<float>(x) - 0.5f) * tU, (static_cast<float>(y) - 0.5f) * tV);
}

float HDRRenderer::gaussianDistribution(float x, float y, float rho)
{
    const double twoPi = 6.2831854820251465;
    float g = static_cast<float>(1.0 / std::sqrt(twoPi * rho * rho));
    g *= std::exp(-(x * x + y * y) / (2.0f * rho * rho));
    return g;
}

void HDRRenderer::getSampleOffsetsGaussBlur5x5(UINT width, UINT height, D3DXVECTOR2 offsets[16],
                                               D3DXVECTOR4 weights[16], float multiplier)
{
    const float tU = 1.0f / static_cast<float>(width), tV = 1.0f / static_cast<float>(height);
    float total = 0.0f;
    int index = 0;
    for (int x = -2; x <= 2; ++x) {
        for (int y = -2; y <= 2; ++y) {
            if (std::abs(x) + std::abs(y) > 2)
                continue;
            offsets[index] = D3DXVECTOR2(static_cast<float>(x) * tU, static_cast<float>(y) * tV);
            const float g = gaussianDistribution(static_cast<float>(x), static_cast<float>(y), 1.0f);
            weights[index] = D3DXVECTOR4(g, g, g, g);
            total += g;
            ++index;
        }
    }
    for (int i = 0; i < index; ++i)
        weights[i] = weights[i] / total * multiplier;
}

void HDRRenderer::getSampleOffsetsBloom(UINT size, float offsets[15], D3DXVECTOR4 weights[16], float deviation,
                                        float multiplier)
{
    const float texel = 1.0f / static_cast<float>(size);
    float g = multiplier * gaussianDistribution(0.0f, 0.0f, deviation);
    offsets[0] = 0.0f;
    weights[0] = D3DXVECTOR4(g, g, g, 1.0f);
    for (int i = 1; i < 8; ++i) {
        g = multiplier * gaussianDistribution(static_cast<float>(i), 0.0f, deviation);
        offsets[i] = static_cast<float>(i) * texel;
        weights[i] = D3DXVECTOR4(g, g, g, 1.0f);
    }
    for (int i = 8; i < 15; ++i) {
        offsets[i] = -offsets[i - 7];
        weights[i] = weights[i - 7];
    }
}

} // namespace Ulvo
