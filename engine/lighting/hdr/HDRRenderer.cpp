#include "lighting/hdr/HDRRenderer.h"

#include "foundation/logging/Logger.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/PostEffectStage.h"

namespace Ulvo {

HDRRenderer::HDRRenderer(RenderManager& renderManager) : m_renderManager(renderManager) {}

void HDRRenderer::setResult(IDirect3DTexture9* texture, IDirect3DSurface9* surface)
{
    m_lastTexture = texture;
    m_lastSurface = surface;
}

void HDRRenderer::beginFrame(ForwardRenderer&)
{
    setResult(nullptr, nullptr);
}

// Without the chain every hook hands the stage's own image on.
template <class Stage> void HDRRenderer::handOn(Stage& stage)
{
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    stage.getResult(texture, surface);
    setResult(texture, surface);
}

void HDRRenderer::postForward(ForwardRenderer& forward)
{
    handOn(forward);
}

void HDRRenderer::postDeferred(DeferredStage& deferred)
{
    handOn(deferred);
}

void HDRRenderer::postPostEffects(PostEffectStage& postEffects)
{
    handOn(postEffects);
}

bool HDRRenderer::getLastResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface)
{
    texture = m_lastTexture;
    surface = m_lastSurface;
    return texture && surface;
}

void HDRRenderer::setMode(uint32_t bits)
{
    if (bits == m_mode)
        return;
    m_mode = bits;
    modeChanged.emit(m_mode);
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

bool HDRRenderer::saveBuffers(const std::wstring&)
{
    mainLogger().log(50, LOG_TYPE_INFO, L"Ulvo::HDRRenderer::saveBuffers: no HDR buffers to save\n");
    return false;
}

void HDRRenderer::loadConfig(XMLNode&)
{
    mainLogger().log(50, LOG_TYPE_INFO,
                     L"Ulvo::HDRRenderer::loadConfig: HDR_RENDERING is kept for the HDR chain and not read yet\n");
}

} // namespace Ulvo
