#include "lighting/hdr/HDRRenderer.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/TextureDumps.h"
#include "render/manager/RenderManager.h"

#include <windows.h>

#include <d3dx9tex.h>

namespace Ulvo {

namespace {

// Names of the targets in the pool, by index (the scene is the stage's own).
const wchar_t* const kTargetNames[HDRRenderer::TargetCount] = {L"",
                                                               L"HDR.Scaled",
                                                               L"HDR.BrightPass",
                                                               L"HDR.AdaptedLumA",
                                                               L"HDR.AdaptedLumB",
                                                               L"HDR.StarSource",
                                                               L"HDR.BloomSource",
                                                               L"HDR.Lum0",
                                                               L"HDR.Lum1",
                                                               L"HDR.Lum2",
                                                               L"HDR.Lum3",
                                                               L"HDR.Bloom0",
                                                               L"HDR.Bloom1",
                                                               L"HDR.Bloom2",
                                                               L"HDR.Star0",
                                                               L"HDR.Star1",
                                                               L"HDR.Star2",
                                                               L"HDR.Star3",
                                                               L"HDR.Star4",
                                                               L"HDR.Star5",
                                                               L"HDR.Star6",
                                                               L"HDR.Star7",
                                                               L"HDR.Star8",
                                                               L"HDR.Star9",
                                                               L"HDR.Star10",
                                                               L"HDR.Star11"};

void logInfo(const wchar_t* text)
{
    mainLogger().log(50, LOG_TYPE_INFO, text);
}

} // namespace

HDRRenderer::HDRRenderer(RenderManager& renderManager) : m_owner(renderManager), m_d3d(D3DInterface::getInstance())
{
    m_owner.renderTargetSizeChanged.connect(this, &HDRRenderer::onRenderTargetSizeChanged);
    m_activeGlare.assign(GlareDefinition::library(m_glareType));
    followDevice();
    if (m_d3d->isInitialized() && m_d3d->getDevice())
        createBuffers(m_initHDR);
    else
        m_d3d->deviceCreated.connect(this, &HDRRenderer::onDeviceCreated);
}

HDRRenderer::~HDRRenderer()
{
    releaseBuffers();
    if (m_effect)
        m_effect->Release();
}

// ------------------------------------------------------------------ configuration

void HDRRenderer::loadConfig(XMLNode& node)
{
    std::wstring effectName;
    if (node.readString(L"HDR_EFFECT", effectName)) {
        if (m_effect)
            m_effect->Release();
        m_effect = EffectManager::getInstance()->getEffect(effectName);
        if (m_effect)
            m_effect->AddRef();
        else
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::HDRRenderer::loadConfig: no effect \"" + effectName +
                                 L"\"; the HDR chain copies the scene\n");
    }
    node.readInt(L"TONEMAPPING", m_toneMapping);
    std::vector<std::wstring> items;
    if (node.readWords(L"HDR_MODE", items)) {
        m_mode = 0;
        for (const std::wstring& item : items) {
            if (item == L"1" || item == L"F" || item == L"FORWARD")
                m_mode |= HDR_FORWARD;
            else if (item == L"2" || item == L"D" || item == L"DEFERRED")
                m_mode |= HDR_DEFERRED;
            else if (item == L"3" || item == L"P" || item == L"POST")
                m_mode |= HDR_POSTEFFECTS;
            else if (item == L"ALL")
                m_mode = HDR_FORWARD | HDR_DEFERRED | HDR_POSTEFFECTS;
        }
        if (m_mode != 0) {
            m_initHDR = true;
            createBuffers(m_initHDR);
        }
    }
    if (node.readBool(L"INIT_HDR", m_initHDR))
        createBuffers(m_initHDR);
    node.readBool(L"BLUESHIFT", m_blueShift);
    node.readFloat(L"BLOOM_SCALE", m_bloomScale);
    node.readFloat(L"STAR_SCALE", m_starScale);
    node.readFloat(L"MIDDLE_GRAY", m_middleGray);
    float pair[2] = {m_minLuminance, m_maxLuminance};
    if (node.readFloats(L"LUMINANCE", pair) > 0) {
        m_minLuminance = pair[0];
        m_maxLuminance = pair[1];
    }
    pair[0] = m_brightThreshold;
    pair[1] = m_brightOffset;
    if (node.readFloats(L"BRIGHT_PASS", pair) > 0) {
        m_brightThreshold = pair[0];
        m_brightOffset = pair[1];
    }
    node.readInt(L"GLARE_TYPE", m_glareType);
}

void HDRRenderer::setBloomStarScale(float bloom, float star)
{
    m_bloomScale = bloom;
    m_starScale = star;
}

void HDRRenderer::setMinMaxLuminance(float minimum, float maximum)
{
    m_minLuminance = minimum;
    m_maxLuminance = maximum;
}

void HDRRenderer::setBrightPassParams(float threshold, float offset)
{
    m_brightThreshold = threshold;
    m_brightOffset = offset;
}

void HDRRenderer::setGlareType(int type)
{
    // Negative console input arrives as a large type, which no entry has.
    m_glareType = static_cast<uint32_t>(type);
    if (m_glareType < GlareDefinition::kLibrarySize)
        m_activeGlare.assign(GlareDefinition::library(m_glareType));
}

HRESULT HDRRenderer::applyGlareType(uint32_t type)
{
    if (type >= GlareDefinition::kLibrarySize)
        return E_FAIL;
    m_activeGlare.assign(GlareDefinition::library(type));
    return S_OK;
}

// ------------------------------------------------------------------ mode and targets

bool HDRRenderer::setMode(uint32_t bits)
{
    const uint32_t old = m_mode;
    m_mode = bits;
    if (old != m_mode)
        modeChanged.emit(m_mode);
    if (m_mode == 0) {
        releaseBuffers();
        return true;
    }
    if (m_created)
        return true;
    // A failed creation has already set the mode 0 and told the other renderers.
    return createBuffers(true);
}

bool HDRRenderer::createBuffers(bool enable)
{
    if (!enable) {
        releaseBuffers();
        setMode(0);
        return true;
    }
    if (m_created && m_owner.getSettings().getHDRActivation() != 0)
        return true;
    const uint32_t saved = m_mode;
    m_mode = 0;
    createBuffers(false);
    if (m_owner.getSettings().getHDRActivation() == 0 || !makeTargets()) {
        releaseBuffers();
        // The other renderers were told the saved bits: without targets nothing tone-maps their
        // floating-point images, so they go back to plain ones.
        if (saved != 0)
            modeChanged.emit(m_mode);
        return false;
    }
    m_needsClear = true;
    clearStartTargets();
    applyGlareType(m_glareType);
    m_created = true;
    logInfo(L"HDR Buffer erstellt!\n");
    setMode(saved);
    return true;
}

bool HDRRenderer::makeTargets()
{
    unsigned width = 0, height = 0;
    m_owner.getRenderTargetSize(width, height);
    D3DFORMAT resultFormat = D3DFMT_A8R8G8B8;
    if (const D3DInitParams* params = m_d3d->getInitParams(); params && params->getDisplayMode()->Format != 0)
        resultFormat = params->getDisplayMode()->Format;
    RenderTargetPool& pool = m_owner.getTargetPool();
    m_result = pool.acquire(RenderTargetKey{L"HDR.Result", width, height, resultFormat});
    if (!m_result->isCreated())
        return false;
    m_croppedWidth = width & ~7u;
    m_croppedHeight = height & ~7u;
    const UINT w4 = m_croppedWidth / 4, h4 = m_croppedHeight / 4;
    const UINT w8 = m_croppedWidth / 8, h8 = m_croppedHeight / 8;
    struct Make {
        Target index;
        UINT width, height;
        D3DFORMAT format;
    };
    const Make makes[] = {
        {ScaledScene, width / 4, height / 4, D3DFMT_A16B16G16R16F},
        {BrightPass, w4 + 2, h4 + 2, D3DFMT_A8R8G8B8},
        {StarSource, w4 + 2, h4 + 2, D3DFMT_A8R8G8B8},
        {BloomSource, w8 + 2, h8 + 2, D3DFMT_A8R8G8B8},
        {AdaptedLumCur, 1, 1, D3DFMT_G16R16F},
        {AdaptedLumLast, 1, 1, D3DFMT_G16R16F},
        {Luminance0, 1, 1, D3DFMT_G16R16F},
        {Luminance1, 4, 4, D3DFMT_G16R16F},
        {Luminance2, 16, 16, D3DFMT_G16R16F},
        {Luminance3, 64, 64, D3DFMT_G16R16F},
        {Bloom1, w8 + 2, h8 + 2, D3DFMT_A8R8G8B8},
        {Bloom2, w8 + 2, h8 + 2, D3DFMT_A8R8G8B8},
        {Bloom0, w8, h8, D3DFMT_A8R8G8B8},
    };
    for (const Make& make : makes) {
        m_targets[make.index] =
            pool.acquire(RenderTargetKey{kTargetNames[make.index], make.width, make.height, make.format});
        if (!m_targets[make.index]->isCreated())
            return false;
    }
    for (std::size_t i = Star0; i <= Star11; ++i) {
        m_targets[i] = pool.acquire(RenderTargetKey{kTargetNames[i], w4, h4, D3DFMT_A16B16G16R16F});
        if (!m_targets[i]->isCreated())
            return false;
    }
    return true;
}

void HDRRenderer::clearStartTargets()
{
    if (!targetsUsable())
        return;
    for (Target index : {AdaptedLumCur, AdaptedLumLast, BloomSource, BrightPass, StarSource, Bloom0, Bloom1, Bloom2})
        clearTexture(getTexture(index));
    // The eye starts from black again, and so does the time it has gathered.
    m_adaptationTime = 0.0f;
    if (m_effect && m_effect->getEffect())
        m_effect->getEffect()->SetFloat("g_fElapsedTime", 0.0f);
    m_needsClear = false;
}

bool HDRRenderer::targetsUsable() const
{
    if (!m_result || !m_result->isCreated())
        return false;
    for (std::size_t i = ScaledScene; i < TargetCount; ++i)
        if (!m_targets[i] || !m_targets[i]->isCreated())
            return false;
    return true;
}

void HDRRenderer::releaseBuffers()
{
    if (!m_result && !m_created)
        return;
    m_result.reset();
    for (std::size_t i = ScaledScene; i < TargetCount; ++i)
        m_targets[i].reset();
    if (!m_created)
        return;
    m_created = false;
    logInfo(L"HDR Buffer gelöscht!\n");
}

HRESULT HDRRenderer::clearTexture(IDirect3DTexture9* texture)
{
    if (!texture || !m_d3d->getDevice())
        return E_INVALIDARG;
    IDirect3DSurface9* surface = nullptr;
    const HRESULT hr = texture->GetSurfaceLevel(0, &surface);
    if (FAILED(hr))
        return hr;
    m_d3d->getDevice()->ColorFill(surface, nullptr, 0);
    surface->Release();
    return S_OK;
}

IDirect3DTexture9* HDRRenderer::getTexture(Target index) const
{
    if (index == Scene)
        return m_sceneTexture;
    return m_targets[index] ? m_targets[index]->getTexture() : nullptr;
}

IDirect3DSurface9* HDRRenderer::getSurface(Target index) const
{
    if (index == Scene)
        return m_sceneSurface;
    return m_targets[index] ? m_targets[index]->getSurface() : nullptr;
}

// ------------------------------------------------------------------ device and size

void HDRRenderer::onDeviceCreated()
{
    createBuffers(m_initHDR);
}

void HDRRenderer::onResetDevice()
{
    // The pool made the targets again under the same handles; what they held is gone.
    if (!m_created)
        return;
    m_needsClear = true;
    clearStartTargets();
}

void HDRRenderer::onRenderTargetSizeChanged(RenderManager&)
{
    if (!m_d3d->getDevice())
        return;
    releaseBuffers();
    createBuffers(m_initHDR);
}

// ------------------------------------------------------------------ dumps

bool HDRRenderer::saveBuffers(const std::wstring& folder)
{
    // A target that does not exist (no scene this frame, HDR off) is passed over.
    const auto target = [this](Target index) { return m_created ? getTexture(index) : nullptr; };
    const TextureDump dumps[] = {
        {L"m_hdr_src_tex.dds", D3DXIFF_DDS, target(Scene)},
        {L"m_hdr_scaled_tex.dds", D3DXIFF_DDS, target(ScaledScene)},
        {L"m_hdr_brightpass_tex.png", D3DXIFF_PNG, target(BrightPass)},
        {L"m_hdr_AdaptedLum_Cur_tex.dds", D3DXIFF_DDS, target(AdaptedLumCur)},
        {L"m_hdr_AdaptedLum_Last_tex.dds", D3DXIFF_DDS, target(AdaptedLumLast)},
        {L"m_hdr_bloom_tex[0].png", D3DXIFF_PNG, target(Bloom0)},
        {L"m_hdr_star_tex[0].dds", D3DXIFF_DDS, target(Star0)},
    };
    return saveTextureDumps(L"Ulvo::HDRRenderer::saveBuffers", folder, dumps, std::size(dumps));
}

} // namespace Ulvo
