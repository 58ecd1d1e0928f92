#include "render/passes/RenderPassToTexture.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/ScopedPerfEvent.h"

#include <array>

namespace Ulvo {

RenderPassToTexture::RenderPassToTexture(XMLNode* node, RenderManager* renderManager) : RenderPass(node, renderManager)
{
    std::array<int, 2> sizes{};
    const unsigned count = node ? node->readInts(L"SIZE_TEXTURE", sizes) : 0;
    if (count >= 1)
        m_sizeX = m_sizeY = sizes[0];
    if (count >= 2)
        m_sizeY = sizes[1];
    if (m_sizeX <= 0 || m_sizeY <= 0) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L" Ulvo::RenderPassToTexture: \"" + getName() + L"\" has SIZE_TEXTURE " +
                             std::to_wstring(m_sizeX) + L" " + std::to_wstring(m_sizeY) + L"; it draws 512 x 512\n");
        m_sizeX = m_sizeY = 512;
    }
}

RenderPassToTexture::~RenderPassToTexture()
{
    releaseRenderToTexture();
}

void RenderPassToTexture::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    createRenderToTexture();
}

void RenderPassToTexture::onActivate(const bool& active)
{
    if (active)
        createRenderToTexture();
    else
        releaseRenderToTexture();
}

void RenderPassToTexture::createRenderToTexture()
{
    if (m_created || m_activations == 0)
        return;
    const bool later = !PassTargets::deviceCanMake();
    const UINT width = static_cast<UINT>(m_sizeX), height = static_cast<UINT>(m_sizeY);
    m_texture = PassTargets::colour(m_renderManager, getName() + L".Texture", width, height, D3DFMT_A8R8G8B8);
    if (!m_texture || (!later && !PassTargets::made(m_texture))) {
        PassTargets::logFailed(L"Ulvo::RenderPassToTexture::createRenderToTexture", 3530,
                               L"d3d.getDevice()->CreateTexture(size_x,size_y,0,D3DUSAGE_AUTOGENMIPMAP "
                               L"|D3DUSAGE_RENDERTARGET,D3DFMT_A8R8G8B8,D3DPOOL_DEFAULT,&m_Texture,NULL)");
        releaseRenderToTexture();
        return;
    }
    m_depth = PassTargets::depth(m_renderManager, width, height);
    if (!m_depth || (!later && !PassTargets::made(m_depth))) {
        PassTargets::logFailed(L"Ulvo::RenderPassToTexture::createRenderToTexture", 3533,
                               L"D3DXCreateRenderToSurface(d3d,size_x,size_y, D3DFMT_A8R8G8B8 "
                               L",true,D3DFMT_D24X8,&m_render2surface)");
        releaseRenderToTexture();
        return;
    }
    m_created = true;
}

void RenderPassToTexture::releaseRenderToTexture()
{
    m_created = false;
    m_texture.reset();
    m_depth.reset();
}

void RenderPassToTexture::render(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!m_created || m_activations == 0 || !m_sceneGraph || !device || !PassTargets::made(m_texture, m_depth))
        return;
    if (m_frameBudget != -1) {
        if (m_frameBudget == 0)
            return;
        --m_frameBudget;
    }
    Camera* view = m_useOwnCamera && m_ownCamera ? m_ownCamera : camera;
    if (!view)
        return;
    ScopedPerfEvent event(L"RenderPassToTexture::render");
    device->EndScene();
    {
        PassTargetScope target;
        if (target.begin(device, m_texture->getSurface(), m_depth->getSurface(), static_cast<UINT>(m_sizeX),
                         static_cast<UINT>(m_sizeY))) {
            target.clearWhite();
            RenderPass::render(view);
        }
    }
    device->BeginScene();
}

} // namespace Ulvo
