#include "lighting/posteffects/PostEffectRenderer.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectFactory.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/manager/HDRStage.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"

#include <cstring>

namespace Ulvo {

namespace {

const wchar_t* const kResetFunction = L"Ulvo::PostEffectRenderer::onResetDevice";

} // namespace

PostEffectRenderer::PostEffectRenderer(RenderManager& renderManager, DeferredRenderer* deferredRenderer)
    : m_d3d(D3DInterface::getInstance()), m_renderManager(renderManager), m_deferredRenderer(deferredRenderer)
{
    registerPostEffectKinds(m_kinds);
    followDevice();
    m_renderManager.renderTargetSizeChanged.connect(this, &PostEffectRenderer::onTargetSizeChanged);
    if (m_d3d->getDevice())
        createBuffers();
    else
        m_d3d->deviceCreated.connect(this, &PostEffectRenderer::createBuffers);
}

PostEffectRenderer::~PostEffectRenderer()
{
    releaseBuffers();
    m_extraTargets.clear();
    m_activeEffects.clear();
}

RenderPostEffect* PostEffectRenderer::createPostEffect(XMLNode& node)
{
    return createPostEffectFromXml(node, this, m_deferredRenderer);
}

void PostEffectRenderer::loadConfig(XMLNode& node)
{
    bool enabled = m_enabled;
    if (node.readBool(L"ENABLE", enabled))
        setEnabled(enabled);
}

void PostEffectRenderer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    releaseBuffers();
    if (enabled && m_d3d->getDevice())
        createBuffers();
}

void PostEffectRenderer::setHDRMode(uint32_t bits)
{
    const bool changed = ((bits ^ m_hdrMode) & HDRStage::HDR_POSTEFFECTS) != 0;
    m_hdrMode = bits;
    if (changed && m_created) {
        releaseBuffers();
        createBuffers();
    }
}

void PostEffectRenderer::setDeferredMode(bool deferred)
{
    m_deferredMode = deferred;
    initAllPasses();
}

void PostEffectRenderer::onTargetSizeChanged(RenderManager&)
{
    if (!m_d3d->getDevice())
        return;
    releaseBuffers();
    createBuffers();
}

bool PostEffectRenderer::hasActiveEffects() const
{
    return m_created && !m_activeEffects.empty();
}

// ------------------------------------------------------------------ targets

void PostEffectRenderer::buildQuad(unsigned width, unsigned height)
{
    const float right = static_cast<float>(width) - 0.5f;
    const float bottom = static_cast<float>(height) - 0.5f;
    m_quad[0] = PostEffectVertex{-0.5f, -0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    m_quad[1] = PostEffectVertex{right, -0.5f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f};
    m_quad[2] = PostEffectVertex{-0.5f, bottom, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f};
    m_quad[3] = PostEffectVertex{right, bottom, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    m_curScaleX = 1.0f;
    m_curScaleY = 1.0f;
}

void PostEffectRenderer::uploadQuad()
{
    void* data = nullptr;
    if (!m_vertexBuffer || FAILED(m_vertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD)))
        return;
    std::memcpy(data, m_quad, sizeof(m_quad));
    m_vertexBuffer->Unlock();
}

bool PostEffectRenderer::targetsFit(D3DFORMAT format) const
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    unsigned width = 0, height = 0;
    m_renderManager.getRenderTargetSize(width, height);
    D3DCAPS9 caps{};
    D3DDISPLAYMODE mode{};
    IDirect3D9* direct3d = nullptr;
    const bool fits = width > 0 && height > 0 && SUCCEEDED(device->GetDeviceCaps(&caps)) &&
                      width <= caps.MaxTextureWidth && height <= caps.MaxTextureHeight &&
                      SUCCEEDED(device->GetDisplayMode(0, &mode)) && SUCCEEDED(device->GetDirect3D(&direct3d)) &&
                      SUCCEEDED(direct3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format,
                                                            D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, format));
    if (direct3d)
        direct3d->Release();
    return fits;
}

bool PostEffectRenderer::createQuadBuffer()
{
    if (FAILED(m_d3d->getDevice()->CreateVertexBuffer(sizeof(PostEffectVertex) * 4,
                                                      D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT,
                                                      &m_vertexBuffer, nullptr))) {
        m_vertexBuffer = nullptr;
        logFailedCall(mainLogger(), kResetFunction, 77,
                      L"d3d.getDevice()->CreateVertexBuffer( sizeof(PostEffectVertex) * 4, D3DUSAGE_WRITEONLY | "
                      L"D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &m_VB, NULL )");
        return false;
    }
    uploadQuad();
    return true;
}

void PostEffectRenderer::onLostDevice()
{
    releaseAndNull(m_vertexBuffer);
    resetChain();
}

void PostEffectRenderer::onResetDevice()
{
    // The pool makes the targets again; only the quad buffer is this renderer's to remake. A
    // target the pool could not make again means starting over, as on the first creation.
    bool targetsBack = true;
    for (const RenderTargetHandle& target : m_targets)
        targetsBack = targetsBack && (!target || surfaceOf(target));
    if (m_created && !targetsBack)
        releaseBuffers();
    else if (m_created)
        resetChain();
    if (!m_created)
        createBuffers();
    else if (!m_vertexBuffer && m_d3d->getDevice())
        createQuadBuffer();
}

void PostEffectRenderer::createBuffers()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_created || !m_enabled || !device)
        return;
    unsigned width = 0, height = 0;
    m_renderManager.getRenderTargetSize(width, height);
    buildQuad(width, height);
    if (!createQuadBuffer())
        return;
    if (!takeTargets()) {
        // What was made must go now: a default-pool resource left behind blocks every later reset.
        releaseBuffers();
        return;
    }
    initAllPasses();
    m_currentExtra = nullptr;
    resetChain();
    m_framesWithoutChain = 0;
    m_created = true;
    mainLogger().log(50, LOG_TYPE_INFO, L"PostEffect Buffer erstellt!\n");
}

bool PostEffectRenderer::takeTargets()
{
    // Checked against the device rather than made: an effect's first draw makes each target
    // (holdTarget). Made here, three screen-sized targets would cost the start their memory only
    // to go back to the pool at once.
    const D3DFORMAT format = (m_hdrMode & HDRStage::HDR_POSTEFFECTS) ? D3DFMT_A16B16G16R16F : D3DFMT_A8R8G8B8;
    if (targetsFit(format))
        return true;
    logFailedCall(mainLogger(), kResetFunction, 86,
                  L"d3d.getDevice()->CreateTexture(width,height,1,D3DUSAGE_RENDERTARGET,(m_usehdr & "
                  L"HDRRenderer::HDR_POSTEFFECTS)?D3DFMT_A16B16G16R16F:D3DFMT_A8R8G8B8,D3DPOOL_DEFAULT,&m_original_"
                  L"tex,NULL)");
    return false;
}

void PostEffectRenderer::frameWithChain()
{
    m_framesWithoutChain = 0;
}

bool PostEffectRenderer::holdTarget(const ChainImage& image)
{
    if (image.target < 0 || m_targets[image.target])
        return true;
    // Taken as the pool has it: while the device is lost, it is made at its reset.
    unsigned width = 0, height = 0;
    m_renderManager.getRenderTargetSize(width, height);
    const D3DFORMAT format = (m_hdrMode & HDRStage::HDR_POSTEFFECTS) ? D3DFMT_A16B16G16R16F : D3DFMT_A8R8G8B8;
    m_targets[image.target] =
        m_renderManager.getTargetPool().acquireScratch(RenderTargetKey{L"PostEffect", width, height, format});
    return m_targets[image.target] != nullptr;
}

void PostEffectRenderer::frameWithoutChain()
{
    if (!m_created || !holdsTargets() || ++m_framesWithoutChain < kIdleFrames)
        return;
    for (RenderTargetHandle& target : m_targets)
        target.reset();
    m_originalImage = m_sourceImage = m_destinationImage = ChainImage{};
    m_renderManager.getTargetPool().trim(L"PostEffect");
}

void PostEffectRenderer::releaseBuffers()
{
    const bool wasCreated = m_created;
    for (RenderTargetHandle& target : m_targets)
        target.reset();
    m_originalImage = m_sourceImage = m_destinationImage = ChainImage{};
    m_renderManager.getTargetPool().trim(L"PostEffect");
    releaseAndNull(m_vertexBuffer);
    m_currentExtra = nullptr;
    for (auto& [name, target] : m_extraTargets) {
        target.target.reset();
        if (target.referenced) {
            target.referenced = false;
            if (RenderPass* pass = m_renderManager.getRenderPass(name))
                pass->release();
        }
    }
    m_created = false;
    if (wasCreated)
        mainLogger().log(50, LOG_TYPE_INFO, L"PostEffect Buffer gelöscht!\n");
}

void PostEffectRenderer::initAllPasses()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    const int mode = m_deferredMode ? 1 : 0;
    for (auto& [name, target] : m_extraTargets) {
        target.target.reset();
        RenderPass* pass = m_renderManager.getRenderPass(name);
        if (pass && target.referenced) {
            target.referenced = false;
            pass->release();
        }
        if (target.needs[mode] == 0)
            continue;
        if (pass && !target.referenced) {
            target.referenced = true;
            pass->addRef();
        }
        if (!device)
            continue;
        unsigned width = 0, height = 0;
        m_renderManager.getRenderTargetSize(width, height);
        target.target = m_renderManager.getTargetPool().acquire(RenderTargetKey{name, width, height, target.format});
        if (!target.target->isCreated()) {
            target.target.reset();
            logFailedCall(mainLogger(), L"Ulvo::PostEffectRenderer::initAllPasses", 163,
                          L"d3d.getDevice()->CreateTexture(width,height,1,D3DUSAGE_RENDERTARGET,rpe->m_format,D3DPOOL_"
                          L"DEFAULT,&rpe->m_rendertarget_tex,NULL)");
        }
    }
}

ExtraPassTarget* PostEffectRenderer::findExtraTarget(const std::wstring& name)
{
    const auto found = m_extraTargets.find(name);
    return found == m_extraTargets.end() ? nullptr : &found->second;
}

ExtraPassTarget& PostEffectRenderer::addExtraTarget(const ExtraPass& pass)
{
    ExtraPassTarget& target = m_extraTargets[pass.name];
    target.name = pass.name;
    target.format = pass.format;
    target.clearColor = pass.clearColor;
    return target;
}

void PostEffectRenderer::removeExtraTarget(const std::wstring& name)
{
    const auto found = m_extraTargets.find(name);
    if (found == m_extraTargets.end())
        return;
    ExtraPassTarget& target = found->second;
    target.target.reset();
    if (m_currentExtra == &target)
        m_currentExtra = nullptr;
    if (target.referenced) {
        if (RenderPass* pass = m_renderManager.getRenderPass(name))
            pass->release();
    }
    m_extraTargets.erase(found);
}

// ------------------------------------------------------------------ the frame

void PostEffectRenderer::resetChain()
{
    m_originalImage = ChainImage{0};
    m_sourceImage = ChainImage{1};
    m_destinationImage = ChainImage{2};
}

PostEffectRenderer::ChainImage PostEffectRenderer::freeTarget() const
{
    int untaken = -1;
    for (int target = 0; target < 3; ++target) {
        if (!m_targets[target]) {
            if (untaken < 0 && m_sourceImage.target != target && m_originalImage.target != target)
                untaken = target;
            continue;
        }
        IDirect3DSurface9* surface = surfaceOf(m_targets[target]);
        if (surface && surface != getSourceSurface() && surface != getOriginalSurface())
            return ChainImage{target};
    }
    return ChainImage{untaken};
}

bool PostEffectRenderer::getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface)
{
    if (!m_created || !getOriginalSurface())
        return false;
    texture = getOriginalTexture();
    surface = getOriginalSurface();
    return true;
}

void PostEffectRenderer::setLastResult(IDirect3DSurface9* surface, IDirect3DTexture9* texture)
{
    // Images from outside are the last frame's: gone or changed by now.
    resetChain();
    if (!m_created || !surface)
        return;
    unsigned width = 0, height = 0;
    m_renderManager.getRenderTargetSize(width, height);
    // A texture of the chain's size is read where it is; anything else is copied in once.
    bool readable = false;
    D3DSURFACE_DESC desc{};
    IDirect3DSurface9* level = nullptr;
    if (texture && SUCCEEDED(texture->GetLevelDesc(0, &desc)) && desc.Width == width && desc.Height == height &&
        SUCCEEDED(texture->GetSurfaceLevel(0, &level))) {
        readable = level == surface;
        level->Release();
    }
    if (readable) {
        m_originalImage = m_sourceImage = ChainImage{-1, texture, surface};
    } else {
        const ChainImage copy{0};
        if (!holdTarget(copy) ||
            FAILED(m_d3d->getDevice()->StretchRect(surface, nullptr, surfaceOf(copy), nullptr, D3DTEXF_NONE))) {
            logFailedCall(mainLogger(), L"Ulvo::PostEffectRenderer::setLastResult", 307,
                          L"d3d.getDevice()->StretchRect(p_sur,NULL,m_original_sur,NULL,D3DTEXF_NONE)");
            return;
        }
        m_originalImage = m_sourceImage = copy;
    }
    m_destinationImage = freeTarget();
}

int PostEffectRenderer::countDraws() const
{
    int draws = 0;
    for (const RenderPostEffect* effect : m_activeEffects) {
        const auto* post = dynamic_cast<const PostEffect*>(effect);
        if (!post)
            return -1;
        draws += post->countDraws();
    }
    return draws;
}

bool PostEffectRenderer::finalTargetFits() const
{
    D3DSURFACE_DESC desc{};
    if (!m_finalTarget || m_finalTarget == getSourceSurface() || m_finalTarget == getOriginalSurface() ||
        FAILED(m_finalTarget->GetDesc(&desc)))
        return false;
    unsigned width = 0, height = 0;
    m_renderManager.getRenderTargetSize(width, height);
    return desc.Width == width && desc.Height == height;
}

IDirect3DSurface9* PostEffectRenderer::beginEffectDraw(bool makesOriginal)
{
    if (m_drawsLeft > 0 && --m_drawsLeft == 0 && makesOriginal)
        m_destinationImage = ChainImage{-1, nullptr, m_finalTarget};
    else
        m_destinationImage = freeTarget();
    holdTarget(m_destinationImage);
    return getDestinationSurface();
}

void PostEffectRenderer::endEffectDraw(bool makesOriginal)
{
    m_sourceImage = m_destinationImage;
    if (makesOriginal)
        m_originalImage = m_destinationImage;
    m_destinationImage = freeTarget();
}

void PostEffectRenderer::renderExtraPasses(Camera& camera)
{
    if (!m_created)
        return;
    ScopedMeasure measure(L"RenderLoop.PostEffects.ExtraPasses");
    ScopedPerfEvent event(L"render Posteffect Extrapasses");
    IDirect3DDevice9* device = m_d3d->getDevice();
    const int mode = m_deferredMode ? 1 : 0;
    for (auto& [name, target] : m_extraTargets) {
        RenderPass* pass = target.active[mode] != 0 ? m_renderManager.getRenderPass(name) : nullptr;
        if (!pass || !target.surface())
            continue;
        ScopedPerfEvent passEvent(name.c_str());
        device->SetRenderTarget(0, target.surface());
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, target.clearColor, 1.0f, 0);
        pass->render(&camera);
        device->EndScene();
    }
}

void PostEffectRenderer::renderPasses(Camera& camera)
{
    if (!m_created)
        return;
    ScopedMeasure all(L"PostEffects");
    {
        ScopedMeasure reset(L"PostEffects.Reset");
        if (m_curScaleX != 1.0f || m_curScaleY != 1.0f) {
            unsigned width = 0, height = 0;
            m_renderManager.getRenderTargetSize(width, height);
            buildQuad(width, height);
            uploadQuad();
        }
    }
    ScopedMeasure passes(L"PostEffects.Passes");
    ScopedPerfEvent event(L"render Posteffect Passes");
    m_drawsLeft = finalTargetFits() ? countDraws() : -1;
    // The chain's quads neither test nor write depth: the scene's depth buffer, left attached,
    // would only cost the rasteriser at every block of pixels. It is put back for what follows.
    IDirect3DDevice9* device = m_d3d->getDevice();
    IDirect3DSurface9* depth = nullptr;
    if (FAILED(device->GetDepthStencilSurface(&depth)))
        depth = nullptr;
    if (depth)
        device->SetDepthStencilSurface(nullptr);
    for (RenderPostEffect* effect : m_activeEffects) {
        ScopedPerfEvent effectEvent(effect->getName().c_str());
        effect->render(camera);
    }
    if (depth) {
        device->SetDepthStencilSurface(depth);
        depth->Release();
    }
    // A final target names this frame's only.
    m_drawsLeft = -1;
    m_finalTarget = nullptr;
}

void PostEffectRenderer::drawQuad(float scaleX, float scaleY)
{
    bool changed = false;
    if (m_quad[1].tex0U != m_curScaleX) {
        m_quad[1].tex0U = m_quad[3].tex0U = m_curScaleX;
        changed = true;
    }
    if (m_quad[2].tex0V != m_curScaleY) {
        m_quad[2].tex0V = m_quad[3].tex0V = m_curScaleY;
        changed = true;
    }
    if (scaleX != 1.0f) {
        m_quad[1].x = m_quad[3].x = (m_quad[1].x + 0.5f) * scaleX - 0.5f;
        changed = true;
    }
    if (scaleY != 1.0f) {
        m_quad[2].y = m_quad[3].y = (m_quad[2].y + 0.5f) * scaleY - 0.5f;
        changed = true;
    }
    if (changed)
        uploadQuad();
    m_curScaleX *= scaleX;
    m_curScaleY *= scaleY;
    IDirect3DDevice9* device = m_d3d->getDevice();
    device->SetStreamSource(0, m_vertexBuffer, 0, sizeof(PostEffectVertex));
    device->SetFVF(kQuadFVF);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

} // namespace Ulvo
