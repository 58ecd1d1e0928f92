#include "render/passes/RenderPassShadow.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "render/ScopedPerfEvent.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

namespace {

constexpr D3DCOLOR kEventColour = 0xFF00FF00;

// Eye at the camera's position plus the light offset, looking at the camera's position.
void aimLightCamera(LookAtCamera& light, const Camera& camera, const D3DXVECTOR3& offset, float fov)
{
    light.setAspect(1.0f);
    light.setFov(fov);
    const D3DXVECTOR3 target = camera.getPosition();
    light.setLookAt(target);
    light.setEyePosition(target + offset);
    light.setUpVector(Camera::lightUpVector(target + offset, target));
}

// The light camera's own frustum and the split's reach.
PassCulling casterCulling(const ShadowReach& reach)
{
    PassCulling culling{true, false, {}};
    culling.reach = &reach;
    return culling;
}

} // namespace

void computeSplitDistances(int splits, float lambda, float zNear, float zFar, std::vector<float>& out, float reach)
{
    out.clear();
    if (splits < 1)
        return;
    lambda = std::clamp(lambda, 0.0f, 1.0f);
    const float shared = std::max(zNear, std::min(zFar, reach));
    out.resize(static_cast<std::size_t>(splits) + 1);
    for (int i = 0; i < splits; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(splits);
        const float logarithmic = zNear > 0.0f ? zNear * std::pow(shared / zNear, t) : zNear;
        out[static_cast<std::size_t>(i)] = lambda * logarithmic + (1.0f - lambda) * (zNear + (shared - zNear) * t);
    }
    out.front() = zNear;
    out.back() = zFar;
}

void PSSMSettings::read(XMLNode* pssm, const std::wstring& passName)
{
    if (!pssm)
        return;
    pssm->readFloat(L"LIGHTDIST", lightDistance);
    pssm->readFloat(L"ZMIN_OFFSET", nearOffset);
    pssm->readFloat(L"LIGHT_FOV", lightFov);
    pssm->readInt(L"SPLITS", splits);
    pssm->readFloat(L"LAMBDA", lambda);
    if (splits < 1) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L" Ulvo::PSSMSettings::read: RENDERPASS \"" + passName + L"\" has SPLITS " +
                             std::to_wstring(splits) + L"; it draws 2 splits\n");
        splits = 2;
    }
}

// ------------------------------------------------------------------ the shadow pass

RenderPassShadow::RenderPassShadow(XMLNode* node, RenderManager* renderManager)
    : RenderPass(node, renderManager), m_lightCamera(L""), m_casters(L"", T_DEPTH, 0, renderManager)
{
    D3DXMatrixIdentity(&m_viewToLightProj);
    m_technique = T_SHADOW;
    m_casters.setPassNames({getName(), L"CAST"});
    m_casters.setCulling(casterCulling(m_reach));
    m_passNames = {getName(), L"RECEIVE"};
    m_quality = 0;
    if (node) {
        std::wstring word;
        if (node->readString(L"SHADOW_QUALITY", word))
            m_quality = PassTargets::qualityFromWord(word);
        m_pssm.read(node->getNode(L"PSSM"), getName());
    }
    effectChanged.connect(this, &RenderPassShadow::onEffectChanged);
    if (renderManager)
        renderManager->getSettings().changed.connect(this, &RenderPassShadow::onSettingChanged);
}

RenderPassShadow::~RenderPassShadow()
{
    releaseRenderToTexture();
}

void RenderPassShadow::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    m_casters.setSceneGraph(sceneGraph);
    createRenderToTexture();
}

void RenderPassShadow::onActivate(const bool& active)
{
    if (active) {
        m_casters.addRef();
        createRenderToTexture();
    } else {
        m_casters.release();
        releaseRenderToTexture();
    }
}

void RenderPassShadow::createRenderToTexture()
{
    if (m_created || m_activations == 0)
        return;
    if (m_quality == 0) {
        m_created = true;
        return;
    }
    m_size = PassTargets::shadowMapSize(m_quality);
    m_shadowTexture = PassTargets::colour(m_renderManager, getName() + L".Shadow", m_size, m_size, D3DFMT_R32F);
    if (!PassTargets::made(m_shadowTexture) && PassTargets::deviceCanMake())
        PassTargets::logFailed(L"Ulvo::RenderPassShadow::createRenderToTexture", 1725,
                               L"d3d.getDevice()->CreateTexture(ShadowSize,ShadowSize,0,D3DUSAGE_AUTOGENMIPMAP "
                               L"|D3DUSAGE_RENDERTARGET,D3DFMT_R32F,D3DPOOL_DEFAULT,&m_shadowTexture,NULL)");
    m_depth = PassTargets::depth(m_renderManager, m_size, m_size);
    if (PassTargets::made(m_shadowTexture) && !PassTargets::made(m_depth) && PassTargets::deviceCanMake())
        PassTargets::logFailed(L"Ulvo::RenderPassShadow::createRenderToTexture", 1728,
                               L"D3DXCreateRenderToSurface(d3d,ShadowSize,ShadowSize, D3DFMT_R32F "
                               L",true,D3DFMT_D24X8,&m_render2surface)");
    // Without a device the pool makes the targets when it comes.
    m_created =
        m_shadowTexture && m_depth && (PassTargets::made(m_shadowTexture, m_depth) || !PassTargets::deviceCanMake());
    if (!m_created) {
        const unsigned lower = PassTargets::stepDown(m_quality);
        releaseRenderToTexture();
        if (lower != m_quality)
            setQuality(lower);
    }
}

void RenderPassShadow::releaseRenderToTexture()
{
    m_created = false;
    m_shadowTexture.reset();
    m_depth.reset();
}

void RenderPassShadow::setQuality(unsigned quality)
{
    if (quality == m_quality)
        return;
    m_quality = quality;
    releaseRenderToTexture();
    createRenderToTexture();
}

void RenderPassShadow::onSettingChanged(RenderSetting kind, uint32_t, uint32_t value)
{
    if (kind == RenderSetting::ShadowQuality && value <= 3)
        setQuality(value);
}

void RenderPassShadow::onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous)
{
    if (&pass != this)
        return;
    // An effect left holding the map (not only the pass's last one) would keep it alive through a
    // device reset and after the pass is gone.
    if (previous && previous != effect && previous->getEffect())
        previous->getEffect()->SetTexture("g_ShadowTexture", nullptr);
    if (!effect || !effect->getEffect())
        return;
    ID3DXEffect* fx = effect->getEffect();
    fx->SetMatrix("g_ViewToLightProj", &m_viewToLightProj);
    fx->SetTexture("g_ShadowTexture", m_shadowTexture ? m_shadowTexture->getBaseTexture() : nullptr);
}

void RenderPassShadow::render(Camera* camera)
{
    ScopedPerfEvent event(L"RenderPassShadow::render", kEventColour);
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_activations == 0 || !m_sceneGraph || !device || !camera)
        return;
    if (!m_created || m_quality == 0 || !PassTargets::made(m_shadowTexture, m_depth)) {
        m_technique = T_DIFFUSE;
        setParams(RenderPassParams(nullptr, nullptr, true, true));
        RenderPass::render(camera);
        m_technique = T_SHADOW;
        return;
    }
    m_receivers.clear();
    {
        ScopedPerfEvent query(L"m_scenegraph->getRenderList", kEventColour);
        m_sceneGraph->GetRenderList(camera, m_receivers, &m_passNames, true);
    }
    if (m_receivers.empty())
        return;

    double savedNear = 0.0, savedFar = 0.0;
    camera->getNearFar(savedNear, savedFar);
    aimLightCamera(m_lightCamera, *camera, m_sceneGraph->getSunLightSystem().getLightDirection() * m_pssm.lightDistance,
                   m_pssm.lightFov);
    computeSplitDistances(m_pssm.splits, m_pssm.lambda, static_cast<float>(savedNear), static_cast<float>(savedFar),
                          m_splits);

    ScopedPerfEvent splits(L"RenderPassShadow::Splits", kEventColour);
    for (int i = static_cast<int>(m_splits.size()) - 2; i >= 0; --i) {
        const float from = m_splits[static_cast<std::size_t>(i)];
        const float to = m_splits[static_cast<std::size_t>(i) + 1] + 1.0f;
        camera->setNearFar(from, to);
        // The split's clip planes remove every receiver outside its slice of the view: only
        // those inside it are drawn, and a split without any needs no map.
        m_splitReceivers.clear();
        for (RenderObjekt* object : m_receivers)
            if (canReach(*object, *camera, PassCulling{true, false, {}}))
                m_splitReceivers.push_back(object);
        if (m_splitReceivers.empty())
            continue;
        setObjectList(m_splitReceivers, true, true);
        device->EndScene();
        m_lightCamera.setNearFar(from + m_pssm.nearOffset, to);
        m_lightCamera.updateShadowCamera(*camera);
        m_reach.fit(*camera, m_lightCamera, m_size);
        {
            ScopedPerfEvent map(L"RenderPassShadow::Shadowmap", kEventColour);
            PassTargetScope target;
            if (target.begin(device, m_shadowTexture->getSurface(), m_depth->getSurface(), m_size, m_size)) {
                target.clearWhite();
                m_d3d->flipCullMode();
                const D3DXVECTOR3 lightEye = m_lightCamera.getEyePosition();
                m_casters.setParams(RenderPassParams(nullptr, &lightEye, false, true));
                m_casters.render(&m_lightCamera);
                m_d3d->flipCullMode();
            }
        }
        device->BeginScene();
        m_viewToLightProj =
            camera->getViewInverseMatrix() * m_lightCamera.getViewMatrix() * m_lightCamera.getProjectionMatrix();

        // The split's own near and far planes keep each split to its slice of the view.
        const D3DXPLANE nearPlane = camera->getFrustumPlane(4);
        const D3DXPLANE farPlane = camera->getFrustumPlane(5);
        camera->setNearFar(savedNear, savedFar);
        const D3DXPLANE clipNear = PassTargets::clipPlane(nearPlane, camera->getViewProjectionInverseMatrix());
        const D3DXPLANE clipFar = PassTargets::clipPlane(farPlane, camera->getViewProjectionInverseMatrix());
        device->SetClipPlane(0, clipNear);
        device->SetClipPlane(1, clipFar);
        device->SetRenderState(D3DRS_CLIPPING, TRUE);
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 3);
        {
            ScopedPerfEvent compose(L"RenderPassShadow::Compose", kEventColour);
            RenderPass::render(camera);
        }
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
        device->SetRenderState(D3DRS_CLIPPING, FALSE);
    }
    camera->setNearFar(savedNear, savedFar);
}

// ------------------------------------------------------------------ the split shadow map

RenderPassPSSMShadowMap::RenderPassPSSMShadowMap(XMLNode* node, RenderManager* renderManager)
    : RenderPass(node, renderManager), m_lightCamera(L""), m_casters(L"", T_DEPTH, 0, renderManager)
{
    m_technique = T_SHADOW;
    m_casters.setPassNames({getName(), L"CAST"});
    m_casters.setCulling(casterCulling(m_reach));
    if (node) {
        XMLNode* pssm = node->getNode(L"PSSM");
        m_pssm.read(pssm, getName());
        if (pssm)
            pssm->readBool(L"TOGGLE_CULL", m_toggleCull);
    }
}

RenderPassPSSMShadowMap::~RenderPassPSSMShadowMap() = default;

void RenderPassPSSMShadowMap::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    m_casters.setSceneGraph(sceneGraph);
}

void RenderPassPSSMShadowMap::onActivate(const bool& active)
{
    if (active) {
        m_casters.addRef();
        createRenderToTexture();
    } else {
        m_casters.release();
        m_created = false;
        m_depth.reset();
    }
}

void RenderPassPSSMShadowMap::setShadowMapSize(const unsigned& size)
{
    if (size == m_size)
        return;
    m_size = size;
    m_created = false;
    m_depth.reset();
    createRenderToTexture();
}

void RenderPassPSSMShadowMap::createRenderToTexture()
{
    if ((m_created && m_depth) || m_activations == 0)
        return;
    m_created = false;
    m_depth = PassTargets::depth(m_renderManager, m_size, m_size);
    if (PassTargets::made(m_depth) || (m_depth && !PassTargets::deviceCanMake())) {
        m_created = true;
        return;
    }
    m_depth.reset();
    PassTargets::logFailed(L"Ulvo::RenderPassPSSMShadowMap::createRenderToTexture", 2014,
                           L"D3DXCreateRenderToSurface(d3d,m_lastSize,m_lastSize, D3DFMT_R32F "
                           L",true,D3DFMT_D24X8,&m_render2surface)");
}

void RenderPassPSSMShadowMap::getSplitDistances(std::vector<float>& out) const
{
    out.insert(out.end(), m_splits.begin(), m_splits.end());
}

void RenderPassPSSMShadowMap::render(Camera* camera)
{
    ScopedPerfEvent event(L"RenderPassPSSMShadowMap::render", kEventColour);
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_activations == 0 || !m_sceneGraph || !m_created || !device || !camera || !PassTargets::made(m_depth))
        return;
    const int splitCount = std::min(m_pssm.splits, static_cast<int>(m_targets.size()));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_splitMatrices.assign(static_cast<std::size_t>(std::max(0, splitCount)), identity);
    m_receivers.clear();
    {
        ScopedPerfEvent query(L"m_scenegraph->getRenderList", kEventColour);
        m_sceneGraph->GetRenderList(camera, m_receivers, &m_passNames, true);
    }
    if (m_receivers.empty())
        return;
    setObjectList(m_receivers, true, true);
    m_pssm.lambda = std::clamp(m_pssm.lambda, 0.0f, 1.0f);

    double savedNear = 0.0, savedFar = 0.0;
    camera->getNearFar(savedNear, savedFar);
    aimLightCamera(m_lightCamera, *camera, -m_lightDirection * m_pssm.lightDistance, m_pssm.lightFov);
    computeSplitDistances(splitCount, m_pssm.lambda, static_cast<float>(savedNear), static_cast<float>(savedFar),
                          m_splits);

    ScopedPerfEvent splits(L"RenderPassShadow::Splits", kEventColour);
    device->EndScene();
    if (m_toggleCull)
        m_d3d->flipCullMode();
    for (int i = splitCount - 1; i >= 0; --i) {
        const float from = m_splits[static_cast<std::size_t>(i)];
        const float to = m_splits[static_cast<std::size_t>(i) + 1] + 1.0f;
        camera->setNearFar(from, to);
        m_lightCamera.setNearFar(from + m_pssm.nearOffset, to);
        m_lightCamera.updateShadowCamera(*camera);
        if (m_sliceCastersOnly)
            m_reach.fit(*camera, m_lightCamera, m_size);
        else
            m_reach.open();
        ScopedPerfEvent map(L"RenderPassShadow::Shadowmap", kEventColour);
        PassTargetScope target;
        if (!target.begin(device, m_targets[static_cast<std::size_t>(i)], m_depth->getSurface(), m_size, m_size))
            continue;
        target.clearWhite();
        const D3DXVECTOR3 lightEye = m_lightCamera.getEyePosition();
        m_casters.setParams(RenderPassParams(nullptr, &lightEye, false, true));
        m_casters.render(&m_lightCamera);
        target.end();
        m_splitMatrices[static_cast<std::size_t>(i)] =
            m_lightCamera.getViewMatrix() * m_lightCamera.getProjectionMatrix();
    }
    if (m_toggleCull)
        m_d3d->flipCullMode();
    camera->setNearFar(savedNear, savedFar);
    device->BeginScene();
}

} // namespace Ulvo
