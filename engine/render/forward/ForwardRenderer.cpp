#include "render/forward/ForwardRenderer.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/manager/HDRStage.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"

#include <algorithm>

namespace Ulvo {

namespace {

DWORD channelByte(float value)
{
    if (value >= 1.0f)
        return 255;
    if (value <= 0.0f)
        return 0;
    return static_cast<DWORD>(value * 255.0f + 0.5f);
}

} // namespace

ForwardRenderer::ForwardRenderer(RenderManager& owner) : m_d3d(D3DInterface::getInstance()), m_owner(owner)
{
    m_owner.renderTargetSizeChanged.connect(this, &ForwardRenderer::onRenderTargetSizeChanged);
    if (m_d3d->getDevice())
        createBuffers();
    else
        m_d3d->deviceCreated.connect(this, &ForwardRenderer::createBuffers);
}

ForwardRenderer::~ForwardRenderer()
{
    releaseBuffers();
}

void ForwardRenderer::loadConfig(XMLNode& node)
{
    node.readColour(L"CLEAR_COLOR", m_clearColor);
    bool flag = m_useAlpha;
    if (node.readBool(L"USE_ALPHA", flag))
        setUseAlpha(flag);
    flag = m_enabled;
    if (node.readBool(L"ENABLE", flag))
        setEnabled(flag);
}

void ForwardRenderer::recreateBuffers()
{
    releaseBuffers();
    if (m_d3d->getDevice())
        createBuffers();
}

void ForwardRenderer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        recreateBuffers();
    else
        releaseBuffers();
}

void ForwardRenderer::setUseAlpha(bool useAlpha)
{
    if (useAlpha == m_useAlpha)
        return;
    m_useAlpha = useAlpha;
    recreateBuffers();
}

void ForwardRenderer::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    m_frameCounter = 0;
}

void ForwardRenderer::setHDRMode(uint32_t bits)
{
    const bool changed = ((bits ^ m_hdrMode) & HDRStage::HDR_FORWARD) != 0;
    m_hdrMode = bits;
    if (changed && m_created) {
        releaseBuffers();
        createBuffers();
    }
}

bool ForwardRenderer::getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) const
{
    if (!m_target || !m_target->isCreated())
        return false;
    texture = m_target->getTexture();
    surface = m_target->getSurface();
    return true;
}

void ForwardRenderer::onRenderTargetSizeChanged(RenderManager&)
{
    if (m_d3d->getDevice())
        recreateBuffers();
}

void ForwardRenderer::createBuffers()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_created || !m_enabled || !device)
        return;
    unsigned width = 0, height = 0;
    m_owner.getRenderTargetSize(width, height);
    const D3DFORMAT format = (m_hdrMode & HDRStage::HDR_FORWARD) ? D3DFMT_A16B16G16R16F
                             : m_useAlpha                        ? D3DFMT_A8R8G8B8
                                                                 : D3DFMT_X8R8G8B8;
    m_target = m_owner.getTargetPool().acquire(RenderTargetKey{L"Forward", width, height, format});
    if (!m_target->isCreated()) {
        m_target.reset();
        return;
    }
    m_created = true;
    mainLogger().log(50, LOG_TYPE_INFO, L"Forward Buffer erstellt!\n");
}

void ForwardRenderer::releaseBuffers()
{
    if (!m_created)
        return;
    m_target.reset();
    m_created = false;
    mainLogger().log(50, LOG_TYPE_INFO, L"Forward Rendering Buffer gelöscht!\n");
}

std::vector<RenderPass*>& ForwardRenderer::listOf(int list)
{
    if (list < 0)
        return m_lists[m_deferredList ? 1 : 0];
    return m_lists[list > 0 ? 1 : 0];
}

const std::vector<RenderPass*>& ForwardRenderer::getPasses(int list) const
{
    return const_cast<ForwardRenderer*>(this)->listOf(list);
}

void ForwardRenderer::addPass(const std::wstring& name, int list)
{
    insertPass(m_owner.getRenderPass(name), list);
}

void ForwardRenderer::insertPass(RenderPass* pass, int list)
{
    if (!pass)
        return;
    std::vector<RenderPass*>& passes = listOf(list);
    if (std::find(passes.begin(), passes.end(), pass) != passes.end())
        return;
    if (&passes == &listOf(-1))
        pass->addRef();
    passes.push_back(pass);
}

void ForwardRenderer::removePass(RenderPass* pass, int list)
{
    if (!pass)
        return;
    std::vector<RenderPass*>& passes = listOf(list);
    const auto kept = std::remove(passes.begin(), passes.end(), pass);
    if (kept == passes.end())
        return;
    passes.erase(kept, passes.end());
    if (&passes == &listOf(-1))
        pass->release();
}

void ForwardRenderer::clearPasses(int list)
{
    std::vector<RenderPass*>& passes = listOf(list);
    while (!passes.empty())
        removePass(passes.front(), list);
}

void ForwardRenderer::selectPassList(bool deferred)
{
    if (deferred == m_deferredList)
        return;
    std::vector<RenderPass*>& before = listOf(-1);
    m_deferredList = deferred;
    // The new list takes its activations first, so a pass in both keeps its targets.
    for (RenderPass* pass : listOf(-1))
        pass->addRef();
    for (RenderPass* pass : before)
        pass->release();
}

D3DCOLOR ForwardRenderer::getClearColorValue() const
{
    return (channelByte(m_clearColor.a) << 24) | (channelByte(m_clearColor.r) << 16) |
           (channelByte(m_clearColor.g) << 8) | channelByte(m_clearColor.b);
}

void ForwardRenderer::render(Camera* camera, IDirect3DSurface9* target)
{
    ++m_frameCounter;
    ScopedMeasure all(L"ForwardRenderer");
    IDirect3DDevice9* device = m_d3d->getDevice();
    {
        ScopedMeasure begin(L"ForwardRenderer.Begin");
        perfEventBegin(kPerfEventColour, L"render Forward");
        if (IDirect3DSurface9* surface = target     ? target
                                         : m_target ? m_target->getSurface()
                                                    : nullptr;
            device && surface)
            device->SetRenderTarget(0, surface);
        preRender.emit(*this);
        if (device) {
            device->BeginScene();
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, getClearColorValue(), 1.0f,
                          0);
        }
    }
    {
        ScopedMeasure passes(L"ForwardRenderer.Passes");
        for (RenderPass* pass : listOf(-1)) {
            if (!pass->shouldRender(m_frameCounter))
                continue;
            ScopedPerfEvent event(pass->getName().c_str());
            pass->render(camera);
        }
    }
    ScopedMeasure end(L"ForwardRenderer.End");
    postRender.emit(*this);
    if (device)
        device->EndScene();
    perfEventEnd();
}

} // namespace Ulvo
