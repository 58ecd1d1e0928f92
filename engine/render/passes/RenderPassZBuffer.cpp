#include "render/passes/RenderPassZBuffer.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "render/ScopedPerfEvent.h"
#include "render/cameras/Camera.h"
#include "render/scenegraph/SceneGraph.h"

#include <windows.h>

#include <cstring>

namespace Ulvo {

namespace {

void setDepthRange(Effect* effect, float zNear, float zFar)
{
    if (!effect || !effect->getEffect())
        return;
    const float range[2] = {zNear, zFar};
    effect->getEffect()->SetValue("g_depth", range, sizeof(range));
}

} // namespace

// ------------------------------------------------------------------ linear depth

RenderPassDepthLinear::RenderPassDepthLinear(XMLNode* node, RenderManager* renderManager)
    : RenderPass(node, renderManager)
{
    if (node) {
        node->readBool(L"FROMCAMERA", m_fromCamera);
        node->readFloat(L"MIN", m_min);
        node->readFloat(L"MAX", m_max);
    }
    effectChanged.connect(this, &RenderPassDepthLinear::onEffectChanged);
}

void RenderPassDepthLinear::onEffectChanged(RenderPass& pass, Effect* effect, Effect*)
{
    if (&pass == this)
        setDepthRange(effect, m_min, m_max);
}

void RenderPassDepthLinear::render(Camera* camera)
{
    if (m_fromCamera && camera) {
        double zNear = 0.0, zFar = 0.0;
        camera->getNearFar(zNear, zFar);
        m_min = static_cast<float>(zNear);
        m_max = static_cast<float>(zFar);
    }
    ScopedPerfEvent event(L"RenderPassDepthLinear::render", 0xFFFF0000);
    RenderPass::render(camera);
}

// ------------------------------------------------------------------ z-buffer

RenderPassZBuffer::RenderPassZBuffer(const std::wstring& name, RenderManager* renderManager)
    : RenderPass(name, T_DEPTH_LINEAR, 3, renderManager)
{
    m_everyFrame = 1;
    m_everyTick = 250;
    D3DXMatrixIdentity(&m_projection);
    D3DXMatrixIdentity(&m_inverseView);
    effectChanged.connect(this, &RenderPassZBuffer::onEffectChanged);
}

RenderPassZBuffer::~RenderPassZBuffer()
{
    releaseRenderToTexture();
}

void RenderPassZBuffer::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    createRenderToTexture();
}

void RenderPassZBuffer::onEffectChanged(RenderPass& pass, Effect* effect, Effect*)
{
    if (&pass == this)
        setDepthRange(effect, m_near, m_far);
}

void RenderPassZBuffer::createRenderToTexture()
{
    if (m_created)
        return;
    if (m_quality == 0) {
        m_created = true;
        return;
    }
    m_texSize = PassTargets::screenTextureSize(m_quality, L"Ulvo::RenderPassZBuffer::createRenderToTexture");
    const bool later = !PassTargets::deviceCanMake();
    m_depthTexture = PassTargets::colour(m_renderManager, getName() + L".Depth", m_texSize, m_texSize, D3DFMT_L16);
    if (!PassTargets::made(m_depthTexture) && !later) {
        PassTargets::logFailed(L"Ulvo::RenderPassZBuffer::createRenderToTexture", 3327,
                               L"d3d.getDevice()->CreateTexture(texSize,texSize,0,D3DUSAGE_AUTOGENMIPMAP "
                               L"|D3DUSAGE_RENDERTARGET, D3DFMT_L16 ,D3DPOOL_DEFAULT,&m_depthTexture,NULL)");
    } else {
        m_depthBuffer = PassTargets::depth(m_renderManager, m_texSize, m_texSize);
        if (!PassTargets::made(m_depthBuffer) && !later)
            PassTargets::logFailed(L"Ulvo::RenderPassZBuffer::createRenderToTexture", 3330,
                                   L"D3DXCreateRenderToSurface(d3d,texSize,texSize,D3DFMT_L16,true,D3DFMT_D24X8,&m_"
                                   L"render2surface)");
    }
    m_created = m_depthTexture && m_depthBuffer && (later || PassTargets::made(m_depthTexture, m_depthBuffer));
    if (!m_created) {
        releaseRenderToTexture();
        const unsigned lower = PassTargets::stepDown(m_quality);
        if (lower == m_quality)
            return;
        m_quality = lower;
        createRenderToTexture();
        return;
    }
    m_readback.release(true);
    m_readback.create(m_texSize, m_texSize, 1, 0, D3DFMT_L16, D3DPOOL_SYSTEMMEM);
    m_fresh = true;
}

void RenderPassZBuffer::releaseRenderToTexture()
{
    m_created = false;
    m_depthTexture.reset();
    m_depthBuffer.reset();
}

Texture2D& RenderPassZBuffer::getDepthTexture()
{
    if (m_fresh && m_created && PassTargets::made(m_depthTexture) && m_readback.getTexture()) {
        m_fresh = false;
        IDirect3DSurface9* copy = nullptr;
        if (SUCCEEDED(m_readback.getTexture()->GetSurfaceLevel(0, &copy))) {
            m_d3d->getDevice()->GetRenderTargetData(m_depthTexture->getSurface(), copy);
            copy->Release();
            depthRead.emit(m_readback);
        }
    }
    return m_readback;
}

void RenderPassZBuffer::render(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!m_created || !camera || !device || !m_sceneGraph || !PassTargets::made(m_depthTexture, m_depthBuffer))
        return;
    const uint32_t now = GetTickCount();
    const uint32_t elapsed = now - m_lastTick;
    const bool still = std::memcmp(&m_projection, &camera->getProjectionMatrix(), sizeof(D3DXMATRIX)) == 0 &&
                       std::memcmp(&m_inverseView, &camera->getViewInverseMatrix(), sizeof(D3DXMATRIX)) == 0;
    if (!m_force && still && elapsed < m_everyTick && m_everyFrame != 0)
        return;
    double zNear = 0.0, zFar = 0.0;
    camera->getNearFar(zNear, zFar);
    m_near = static_cast<float>(zNear);
    m_far = static_cast<float>(zFar);
    m_fresh = true;
    m_visible.clear();
    m_sceneGraph->getVisibleObjects(camera, m_visible);
    setParams(RenderPassParams(&m_visible, nullptr, true, true));
    {
        PassTargetScope target;
        if (target.begin(device, m_depthTexture->getSurface(), m_depthBuffer->getSurface(), m_texSize, m_texSize)) {
            target.clearWhite();
            RenderPass::render(camera);
        }
    }
    m_inverseView = camera->getViewInverseMatrix();
    m_projection = camera->getProjectionMatrix();
    m_lastTick = now;
    ++m_renderCount;
}

bool RenderPassZBuffer::getWorldPosition(Camera* camera, const D3DXVECTOR2& screen, D3DXVECTOR3& world,
                                         const int& renderMode)
{
    if (renderMode >= 0 && camera) {
        const bool force = m_force;
        m_force = renderMode > 0;
        render(camera);
        m_force = force;
    }
    // Nothing drawn yet (no scene graph, no device): there is no depth to read.
    if (m_renderCount == 0)
        return false;
    Texture2D& depth = getDepthTexture();
    D3DXVECTOR4 texel;
    if (!depth.readPixel(texel, screen))
        return false;
    const float x = (2.0f * screen.x - 1.0f) / m_projection._11;
    const float y = -(2.0f * screen.y - 1.0f) / m_projection._22;
    const D3DXVECTOR3 right(m_inverseView._11, m_inverseView._12, m_inverseView._13);
    const D3DXVECTOR3 up(m_inverseView._21, m_inverseView._22, m_inverseView._23);
    const D3DXVECTOR3 ahead(m_inverseView._31, m_inverseView._32, m_inverseView._33);
    const D3DXVECTOR3 eye(m_inverseView._41, m_inverseView._42, m_inverseView._43);
    // The picture holds the depth along the view axis: the ray through the pixel reaches it at
    // that many view-axis steps (one step being the unnormalised ray), not at that distance.
    const D3DXVECTOR3 ray = right * x + up * y + ahead;
    const float viewDepth = m_near + (m_far - m_near) * texel.x;
    world = eye + ray * viewDepth;
    return true;
}

} // namespace Ulvo
