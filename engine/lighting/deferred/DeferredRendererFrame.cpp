// The deferred frame: clear, G-buffer, the lights added into the light target with their shadow
// maps, emissive, light post effects and compose.
#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectPasses.h"
#include "graphics/meshes/Mesh.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/cameras/Camera.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/HDRStage.h"
#include "render/manager/RenderManager.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassCubeMap.h"
#include "render/passes/RenderPassShadow.h"

#include <cstdio>
#include <cwchar>

namespace Ulvo {

namespace {

constexpr DWORD kQuadFVF = D3DFVF_XYZRHW | D3DFVF_TEX2;
const wchar_t* const kShadowTargetName = L"Deferred.Shadow";
const wchar_t* const kCubeShadowName = L"Deferred.ShadowCube";
const char* const kBatchTechnique = "Pointlight_Instanced";
const char* const kRectTechnique = "Pointlight_Rects";

ID3DXEffect* fxOf(Effect* effect)
{
    return effect ? effect->getEffect() : nullptr;
}

} // namespace

void DeferredRenderer::render(Camera& camera)
{
    if (!m_buffersCreated || !m_d3d || !m_d3d->getDevice())
        return;
    ScopedMeasure frame(L"DeferredRenderer");
    {
        ScopedMeasure step(L"DeferredRenderer.ClearGBuffer");
        clearGBuffer();
    }
    {
        ScopedMeasure step(L"DeferredRenderer.CreateGBuffer");
        createGBuffer(camera);
    }
    {
        ScopedMeasure step(L"DeferredRenderer.RenderLights");
        ID3DXEffect* point = fxOf(m_effects[EFFECT_POINT]);
        m_batchingPoints = m_batchPointLights && point && point->GetTechniqueByName(kBatchTechnique);
        m_pointBatch.clear();
        for (std::size_t i = 0; i < m_lights.size(); ++i)
            renderLight(m_lights[i]);
        renderPointLightBatch();
        renderEmissive();
    }
    {
        ScopedMeasure step(L"DeferredRenderer.Post");
        endLightBlending();
        renderLightPostEffects();
    }
    {
        ScopedMeasure step(L"DeferredRenderer.Compose");
        compose();
    }
}

void DeferredRenderer::drawQuad()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    device->SetStreamSource(0, m_quadBuffer, 0, 32);
    device->SetFVF(kQuadFVF);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void DeferredRenderer::runQuadEffect(ID3DXEffect* effect)
{
    runEffectPasses(effect, [this] { drawQuad(); });
}

bool DeferredRenderer::beginGBufferTargets(PassTargetScope& target)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!target.begin(device, surfaceOf(m_gBuffer[COLOUR]), surfaceOf(m_depthStencil), m_width, m_height))
        return false;
    for (DWORD i = 1; i < GBUFFER_COUNT; ++i)
        device->SetRenderTarget(i, surfaceOf(m_gBuffer[i]));
    return true;
}

void DeferredRenderer::endGBufferTargets()
{
    for (DWORD i = 1; i < GBUFFER_COUNT; ++i)
        m_d3d->getDevice()->SetRenderTarget(i, nullptr);
}

void DeferredRenderer::clearGBuffer()
{
    ID3DXEffect* effect = fxOf(m_effects[EFFECT_CLEAR]);
    if (!effect)
        return;
    ScopedPerfEvent event(L"clear deferred");
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_mrtSupported) {
        PassTargetScope target;
        if (beginGBufferTargets(target)) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
            effect->SetTechnique("Technique_3Rts");
            runQuadEffect(effect);
            endGBufferTargets();
        }
    }
    PassTargetScope light;
    if (light.begin(device, surfaceOf(m_light), nullptr, m_width, m_height))
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
}

void DeferredRenderer::createGBuffer(Camera& camera)
{
    ScopedPerfEvent event(L"create deferred");
    if (m_gBufferPass && m_mrtSupported) {
        PassTargetScope target;
        if (beginGBufferTargets(target)) {
            m_gBufferPass->setParams(RenderPassParams(nullptr, nullptr, true, false));
            m_gBufferPass->render(&camera);
            endGBufferTargets();
        }
    }
    m_camera = &camera;
    m_preparedLightTypes = 0;
    beginLightBlending();
}

void DeferredRenderer::beginLightBlending()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    releaseAndNull(m_stateBlock);
    device->CreateStateBlock(D3DSBT_ALL, &m_stateBlock);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
}

void DeferredRenderer::endLightBlending()
{
    if (!m_stateBlock)
        return;
    m_stateBlock->Apply();
    releaseAndNull(m_stateBlock);
}

void DeferredRenderer::renderLight(DeferredLight* light)
{
    if (!light)
        return;
    // A name formatted per light costs more than the rest of a batched light's work on this
    // thread: only while a tool shows the events.
    wchar_t name[160] = L"renderLight";
    if (perfEventsShown())
        std::swprintf(name, 160, L"renderLight %ls", light->getName().c_str());
    ScopedPerfEvent event(name);
    switch (light->getType()) {
    case LIGHT_POINT:
        renderPointLight(light);
        break;
    case LIGHT_DIR:
        renderDirectionalLight(light);
        break;
    case LIGHT_SPOT:
        renderSpotLight(light);
        break;
    case LIGHT_COMBINATION:
        for (unsigned i = 0; i < light->getChildCount(); ++i)
            renderLight(light->getChildLight(i));
        break;
    default:
        break;
    }
}

void DeferredRenderer::prepareShaders(uint32_t bits)
{
    const D3DXVECTOR3 eye = m_camera->getEyePosition();
    IDirect3DTexture9* maps[GBUFFER_COUNT] = {};
    getBufferTextures(maps);
    struct Kind {
        uint32_t bit;
        const wchar_t* event;
        EffectSlot slot;
    };
    for (const Kind& kind : {Kind{LIGHT_POINT, L"prepareShaders POINTLIGHT", EFFECT_POINT},
                             Kind{LIGHT_SPOT, L"prepareShaders SPOTLIGHT", EFFECT_SPOT},
                             Kind{LIGHT_DIR, L"prepareShaders DIRECTIONAL", EFFECT_DIRECTIONAL}}) {
        ID3DXEffect* effect = fxOf(m_effects[kind.slot]);
        if (!(bits & kind.bit) || (m_preparedLightTypes & kind.bit) || !effect)
            continue;
        ScopedPerfEvent event(kind.event);
        effect->SetValue("cameraPosition", &eye, 12);
        effect->SetMatrix("InvertViewProjection", &m_camera->getViewProjectionInverseMatrix());
        effect->SetTexture("colorMap", maps[COLOUR]);
        effect->SetTexture("normalMap", maps[NORMAL]);
        effect->SetTexture("depthMap", maps[DEPTH]);
        if (kind.bit == LIGHT_DIR) {
            effect->SetTexture("miscMap", maps[MISC]);
        } else {
            effect->SetMatrix("View", &m_camera->getViewMatrix());
            effect->SetMatrix("Projection", &m_camera->getProjectionMatrix());
            effect->SetValue("halfPixel", &m_halfPixel, 8);
        }
        m_preparedLightTypes |= kind.bit;
    }
}

void DeferredRenderer::drawLightVolume(ID3DXEffect* effect, const D3DXVECTOR3& position, float radius)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    PassTargetScope target;
    if (!target.begin(device, surfaceOf(m_light), nullptr, m_width, m_height))
        return;
    const D3DXVECTOR3 toEye = m_camera->getEyePosition() - position;
    const bool outside = D3DXVec3Length(&toEye) > radius;
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0)))
        return;
    if (outside)
        m_d3d->flipCullMode();
    ID3DXMesh* mesh = m_sphereMesh->getD3DXMesh();
    for (UINT i = 0; i < passes; ++i) {
        effect->BeginPass(i);
        for (int subset = 0; mesh && subset < m_sphereMesh->getSubsetCount(); ++subset)
            mesh->DrawSubset(static_cast<DWORD>(subset));
        effect->EndPass();
    }
    effect->End();
    if (outside)
        m_d3d->flipCullMode();
}

bool DeferredRenderer::lightShines(DeferredLight* light)
{
    if (light->usesCameraDistance())
        light->updateCameraDistance(m_camera->getEyePosition());
    return light->getCurrentIntensity() != 0.0f;
}

void DeferredRenderer::selectLightTechnique(DeferredLight* light, ID3DXEffect* effect, const LightTechniques& names,
                                            ShadowMapMaker createShadowMap)
{
    // The technique chosen by the shadow state is the one drawn.
    if (light->getCurrentShadowType() != SHADOW_NONE) {
        (this->*createShadowMap)(light, effect);
        effect->SetTechnique(m_blurLights && light->canUseSoftShadows() ? names.softShadows : names.shadows);
    } else {
        effect->SetTechnique(names.plain);
    }
}

void DeferredRenderer::renderVolumeLight(DeferredLight* light, EffectSlot slot, uint32_t type,
                                         const LightTechniques& names, ShadowMapMaker createShadowMap)
{
    ID3DXEffect* effect = fxOf(m_effects[slot]);
    if (!effect || !m_sphereMesh || !m_camera)
        return;
    const D3DXVECTOR3 position = light->getWorldPosition();
    if (!m_camera->isSphereInFrustum(position, light->getRadius()))
        return;
    if (!lightShines(light))
        return;
    // The batch lights the bounds of a light's sphere on the screen and leaves the rest to the
    // fade, which is 0 beyond the radius only for a positive exponent: a light without one (any
    // fade exponent a file gives, 0 or below) keeps to its own sphere.
    const bool fadesOut = light->getFalloffRadius() > 0.0f && light->getRadius() > 0.0f;
    if (type == LIGHT_POINT && m_batchingPoints && fadesOut && light->getCurrentShadowType() == SHADOW_NONE) {
        m_pointBatch.add(*light, (m_hdrMode & HDRStage::HDR_DEFERRED) != 0);
        return;
    }
    selectLightTechnique(light, effect, names, createShadowMap);
    prepareShaders(type);
    light->setEffectParameters(effect, (m_hdrMode & HDRStage::HDR_DEFERRED) != 0);
    drawLightVolume(effect, position, light->getRadius());
}

void DeferredRenderer::renderPointLightBatch()
{
    ID3DXEffect* effect = fxOf(m_effects[EFFECT_POINT]);
    if (m_pointBatch.size() == 0 || !effect || !m_camera)
        return;
    ScopedPerfEvent event(L"renderPointLightBatch");
    const bool rects = m_pointLightRects && effect->GetTechniqueByName(kRectTechnique);
    effect->SetTechnique(rects ? kRectTechnique : kBatchTechnique);
    prepareShaders(LIGHT_POINT);
    PassTargetScope target;
    if (!target.begin(m_d3d->getDevice(), surfaceOf(m_light), nullptr, m_width, m_height))
        return;
    if (rects)
        m_pointBatch.drawRects(m_d3d->getDevice(), effect, m_camera->getViewMatrix(), m_camera->getProjectionMatrix(),
                               m_width, m_height);
    else
        m_pointBatch.draw(m_d3d->getDevice(), effect);
}

void DeferredRenderer::renderPointLight(DeferredLight* light)
{
    renderVolumeLight(light, EFFECT_POINT, LIGHT_POINT, {"Pointlight", "Pointlight_Shadows", "Pointlight_SoftShadows"},
                      &DeferredRenderer::createShadowMapPoint);
}

void DeferredRenderer::renderSpotLight(DeferredLight* light)
{
    renderVolumeLight(light, EFFECT_SPOT, LIGHT_SPOT, {"Spotlight", "Spotlight_Shadows", "Spotlight_SoftShadows"},
                      &DeferredRenderer::createShadowMapSpot);
}

void DeferredRenderer::renderDirectionalLight(DeferredLight* light)
{
    ID3DXEffect* effect = fxOf(m_effects[EFFECT_DIRECTIONAL]);
    if (!effect || !m_camera)
        return;
    if (!lightShines(light))
        return;
    selectLightTechnique(light, effect,
                         {"Directionallight", "Directionallight_Shadows", "Directionallight_SoftShadows"},
                         &DeferredRenderer::createShadowMapDir);
    prepareShaders(LIGHT_DIR);
    PassTargetScope target;
    if (!target.begin(m_d3d->getDevice(), surfaceOf(m_light), nullptr, m_width, m_height))
        return;
    light->setEffectParameters(effect, (m_hdrMode & HDRStage::HDR_DEFERRED) != 0);
    runQuadEffect(effect);
}

void DeferredRenderer::renderEmissive()
{
    ID3DXEffect* effect = fxOf(m_effects[EFFECT_EMISSIVE]);
    if (!effect || !m_camera)
        return;
    effect->SetTechnique("EmissiveLight");
    {
        ScopedPerfEvent event(L"prepareShaders EMISSIVE");
        effect->SetTexture("colorMap", textureOf(m_gBuffer[COLOUR]));
        effect->SetTexture("miscMap", textureOf(m_gBuffer[MISC]));
    }
    PassTargetScope target;
    if (target.begin(m_d3d->getDevice(), surfaceOf(m_light), nullptr, m_width, m_height))
        runQuadEffect(effect);
}

void DeferredRenderer::renderLightPostEffects()
{
    ScopedPerfEvent event(L"PostProcessLightTex");
    PostEffectRenderer* post = m_lightPostEffectRenderer.get();
    if (!post || !post->isCreated() || post->getActiveEffects().empty() || !m_camera ||
        (m_enableOnlyWithSoftShadows && !m_blurLights))
        return;
    post->setLastResult(surfaceOf(m_light), textureOf(m_light));
    post->setFinalTarget(nullptr);
    post->renderExtraPasses(*m_camera);
    post->renderPasses(*m_camera);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    if (post->getResult(texture, surface) && surface && surface != surfaceOf(m_light))
        m_d3d->getDevice()->StretchRect(surface, nullptr, surfaceOf(m_light), nullptr, D3DTEXF_NONE);
}

void DeferredRenderer::compose()
{
    ScopedPerfEvent event(L"compose deferred");
    endLightBlending();
    ID3DXEffect* effect = fxOf(m_effects[EFFECT_COMPOSE]);
    if (effect) {
        PassTargetScope target;
        if (target.begin(m_d3d->getDevice(), surfaceOf(m_result), nullptr, m_width, m_height)) {
            effect->SetTechnique("Compose");
            effect->SetTexture("colorMap", textureOf(m_gBuffer[COLOUR]));
            effect->SetTexture("normalMap", textureOf(m_gBuffer[NORMAL]));
            effect->SetTexture("depthMap", textureOf(m_gBuffer[DEPTH]));
            effect->SetTexture("miscMap", textureOf(m_gBuffer[MISC]));
            effect->SetTexture("lightMap", textureOf(m_light));
            effect->SetTexture("forwardMap", m_forwardTexture);
            runQuadEffect(effect);
        }
    }
    unbindTextures();
    m_camera = nullptr;
}

void DeferredRenderer::unbindTextures()
{
    // Nothing the frame bound stays on an effect past the frame: a target held by an effect
    // would outlive its release and block a device reset.
    static const char* const kNames[] = {"colorMap",       "normalMap",      "depthMap",       "miscMap",
                                         "lightMap",       "forwardMap",     "shadowMapCube",  "shadowMapPlanar",
                                         "shadowMapDir_1", "shadowMapDir_2", "shadowMapDir_3", "shadowMapDir_4"};
    for (Effect* slot : m_effects) {
        ID3DXEffect* effect = fxOf(slot);
        if (!effect)
            continue;
        for (const char* name : kNames)
            if (effect->GetParameterByName(nullptr, name))
                effect->SetTexture(name, nullptr);
    }
}

// ------------------------------------------------------------------ shadows

void DeferredRenderer::createShadowMapPoint(DeferredLight* light, ID3DXEffect* effect)
{
    const DeferredShadowType type = light->getCurrentShadowType();
    if (light->getType() != LIGHT_POINT || type == SHADOW_NONE)
        return;
    ScopedPerfEvent event(L"createShadowMapPoint");
    const unsigned edge = light->getCurrentShadowMapSize();
    const bool render = type == SHADOW_DYNAMIC || light->needsShadowUpdate();
    if (render && !prepareCubeShadowMap(edge))
        return;

    // Only a map that was drawn is stored; without a camera or pass the light stays due.
    if (!m_camera || !m_pointShadowPass)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    IDirect3DBaseTexture9* shared =
        m_pointShadowPass->getCubeTarget() ? m_pointShadowPass->getCubeTarget()->getBaseTexture() : nullptr;
    if (render) {
        endLightBlending();
        device->BeginScene();
        m_d3d->flipCullMode();
        const D3DXVECTOR3 eye = m_camera->getEyePosition();
        m_pointShadowPass->setZRange(0.1, light->getRadius());
        m_pointShadowPass->setParams(RenderPassParams(nullptr, &eye, false, true));
        m_pointShadowPass->setPosition(light->getWorldPosition(), true);
        m_pointShadowPass->render(m_camera);
        m_d3d->flipCullMode();
        device->EndScene();
        beginLightBlending();
        ++m_shadowRenders;
    }
    effect->SetInt("g_ShadowMapSize", static_cast<INT>(edge));
    IDirect3DBaseTexture9* bound = render ? shared : light->getStoredPointMap();
    effect->SetTexture("shadowMapCube", bound);
    if (type != SHADOW_DYNAMIC && render && m_pointShadowPass->getCubeTarget())
        light->storePointShadowMap(m_owner->getTargetPool(), m_pointShadowPass->getCubeTarget()->getCubeTexture());
}

void DeferredRenderer::createShadowMapSpot(DeferredLight* light, ID3DXEffect* effect)
{
    const DeferredShadowType type = light->getCurrentShadowType();
    if (light->getType() != LIGHT_SPOT || type == SHADOW_NONE)
        return;
    ScopedPerfEvent event(L"createShadowMapSpot");
    const unsigned edge = light->getCurrentShadowMapSize();
    const bool render = type == SHADOW_DYNAMIC || light->needsShadowUpdate();
    if (render && !preparePlanarShadowMap(edge))
        return;
    LookAtCamera spotCamera(L"");
    const D3DXVECTOR3 eye = light->getWorldPosition();
    spotCamera.setEyePosition(eye);
    spotCamera.setLookAt(eye + light->getWorldDirection());
    spotCamera.setNearFar(0.1, light->getRadius());
    spotCamera.setAspect(1.0f);
    spotCamera.setFovAspect(2.0 * light->getTheta(), -1.0);
    if (!m_camera || !m_spotShadowPass)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (render) {
        endLightBlending();
        {
            PassTargetScope target;
            if (target.begin(device, surfaceOf(m_planarShadow), surfaceOf(m_planarDepth), edge, edge)) {
                device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
                m_d3d->flipCullMode();
                const D3DXVECTOR3 cameraEye = m_camera->getEyePosition();
                m_spotShadowPass->setParams(RenderPassParams(nullptr, &cameraEye, false, true));
                m_spotShadowPass->render(&spotCamera);
                m_d3d->flipCullMode();
            }
        }
        beginLightBlending();
        ++m_shadowRenders;
    }
    const D3DXMATRIX viewProjection = spotCamera.getViewMatrix() * spotCamera.getProjectionMatrix();
    effect->SetInt("g_ShadowMapSize", static_cast<INT>(edge));
    effect->SetMatrix("matLightViewProj", &viewProjection);
    effect->SetTexture("shadowMapPlanar", render ? textureOf(m_planarShadow) : light->getStoredSpotMap());
    if (type != SHADOW_DYNAMIC && render)
        light->storeSpotShadowMap(m_owner->getTargetPool(), surfaceOf(m_planarShadow));
}

void DeferredRenderer::createShadowMapDir(DeferredLight* light, ID3DXEffect* effect)
{
    const DeferredShadowType type = light->getCurrentShadowType();
    if (light->getType() != LIGHT_DIR || type == SHADOW_NONE)
        return;
    ScopedPerfEvent event(L"createShadowMapDir");
    const unsigned edge = light->getCurrentShadowMapSize();
    const bool render = type == SHADOW_DYNAMIC || light->needsShadowUpdate();
    if (render && !prepareSplitShadowMaps(light, edge))
        return;
    if (!m_camera || !m_directionalShadowPass)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    // Kept between frames so that a frame allocates nothing here.
    std::vector<IDirect3DTexture9*>& maps = m_splitMaps;
    std::vector<IDirect3DSurface9*>& surfaces = m_splitSurfaces;
    std::vector<D3DXMATRIX>& matrices = m_splitMatrices;
    std::vector<float>& distances = m_splitDistances;
    maps.clear();
    surfaces.clear();
    matrices.clear();
    distances.clear();
    for (const RenderTargetHandle& target : m_splitShadows) {
        maps.push_back(textureOf(target));
        surfaces.push_back(surfaceOf(target));
    }
    if (render) {
        endLightBlending();
        device->BeginScene();
        RenderPassPSSMShadowMap& pass = *m_directionalShadowPass;
        pass.setSplits(static_cast<int>(light->getPSSMLevels()));
        pass.setTargetName(surfaces);
        pass.setShadowMapSize(edge);
        pass.setLambda(light->getPSSMLambda());
        pass.setLightDirection(light->getWorldDirection());
        // Maps kept for later frames are looked up from views other than this one.
        pass.setSliceCastersOnly(type == SHADOW_DYNAMIC);
        pass.render(m_camera);
        matrices.assign(pass.getSplitMatrices().begin(), pass.getSplitMatrices().end());
        pass.getSplitDistances(distances);
        device->EndScene();
        beginLightBlending();
        ++m_shadowRenders;
    } else {
        maps = light->getStaticSplitMaps();
        matrices = light->getStaticSplitMatrices();
        distances = light->getStaticSplitPositions();
    }
    for (std::size_t i = 0; i < maps.size() && i < 4; ++i) {
        char name[128];
        std::snprintf(name, sizeof(name), "shadowMapDir_%d", static_cast<int>(i + 1));
        effect->SetTexture(name, maps[i]);
        const DWORD stage = static_cast<DWORD>(i);
        device->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    }
    float positions[5] = {};
    for (std::size_t i = 0; i < distances.size() && i < 5; ++i)
        positions[i] = distances[i];
    D3DXMATRIX splitMatrices[4];
    for (auto& matrix : splitMatrices)
        D3DXMatrixIdentity(&matrix);
    for (std::size_t i = 0; i < matrices.size() && i < 4; ++i)
        splitMatrices[i] = matrices[i];
    effect->SetInt("g_ShadowMapSize", static_cast<INT>(edge));
    effect->SetInt("splitCount", static_cast<INT>(std::min<std::size_t>(maps.size(), 4)));
    effect->SetFloatArray("splitpositions", positions, 5);
    effect->SetMatrixArray("viewToLightProj", splitMatrices, 4);
    effect->SetMatrix("invertProj", &m_camera->getProjectionInverseMatrix());
    if (type != SHADOW_DYNAMIC && render)
        light->storeSplitShadowMaps(m_owner->getTargetPool(), surfaces, matrices, distances);
}

bool DeferredRenderer::preparePlanarShadowMap(unsigned edge)
{
    if (m_planarShadowSize == static_cast<int>(edge) && PassTargets::made(m_planarShadow, m_planarDepth))
        return true;
    m_planarShadow.reset();
    m_planarDepth.reset();
    m_planarShadowSize = -1;
    if (edge == 0 || !m_owner)
        return false;
    m_planarShadow =
        m_owner->getTargetPool().acquireScratch(RenderTargetKey{kShadowTargetName, edge, edge, D3DFMT_R32F});
    m_planarDepth = PassTargets::depth(m_owner, edge, edge);
    if (!PassTargets::made(m_planarShadow, m_planarDepth)) {
        PassTargets::logFailed(L"Ulvo::DeferredRenderer::preparePlanarShadowMap", 2010,
                               L"d3d->CreateTexture(size, size, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, "
                               L"D3DPOOL_DEFAULT, &m_planarShadowTexture, NULL)");
        m_planarShadow.reset();
        m_planarDepth.reset();
        return false;
    }
    m_planarShadowSize = static_cast<int>(edge);
    ++m_shadowTargetsMade;
    return true;
}

bool DeferredRenderer::prepareCubeShadowMap(unsigned edge)
{
    if (!m_pointShadowPass)
        return true; // nothing is drawn; the caller sees the missing pass
    if (m_cubeShadowSize == static_cast<int>(edge) && m_pointShadowPass->getCubeTarget() &&
        m_pointShadowPass->getCubeTarget()->isCreated())
        return true;
    m_cubeShadowSize = -1;
    if (edge == 0)
        return false;
    m_pointShadowPass->setCubeMap(kCubeShadowName, edge, D3DFMT_R32F);
    if (!m_pointShadowPass->getCubeTarget() || !m_pointShadowPass->getCubeTarget()->isCreated())
        return false;
    m_cubeShadowSize = static_cast<int>(edge);
    ++m_shadowTargetsMade;
    return true;
}

bool DeferredRenderer::prepareSplitShadowMaps(DeferredLight* light, unsigned edge)
{
    const uint32_t levels = light->limitPSSMLevels(4);
    if (m_splitShadowSize == static_cast<int>(edge) && m_splitShadows.size() == levels)
        return true;
    m_splitShadows.clear();
    m_splitShadowSize = -1;
    if (edge == 0 || !m_owner)
        return false;
    for (uint32_t i = 0; i < levels; ++i) {
        RenderTargetHandle map =
            m_owner->getTargetPool().acquireScratch(RenderTargetKey{kShadowTargetName, edge, edge, D3DFMT_R32F});
        if (!map->isCreated()) {
            PassTargets::logFailed(L"Ulvo::DeferredRenderer::prepareSplitShadowMaps", 2080,
                                   L"d3d->CreateTexture(size, size, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, "
                                   L"D3DPOOL_DEFAULT, &texture, NULL)");
            m_splitShadows.clear();
            return false;
        }
        m_splitShadows.push_back(std::move(map));
    }
    m_splitShadowSize = static_cast<int>(edge);
    ++m_shadowTargetsMade;
    return true;
}

} // namespace Ulvo
