#include "lighting/deferred/DeferredRenderer.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/Mesh.h"
#include "graphics/meshes/MeshManager.h"
#include "lighting/TextureDumps.h"
#include "lighting/deferred/DeferredLight.h"
#include "lighting/posteffects/PostEffect.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/manager/HDRStage.h"
#include "render/manager/RenderManager.h"
#include "render/passes/PassTargets.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassCubeMap.h"
#include "render/passes/RenderPassShadow.h"

#include <windows.h>

#include <d3dx9tex.h>

#include <algorithm>
#include <cstring>

namespace Ulvo {

namespace {

const wchar_t* const kCreateFunction = L"Ulvo::DeferredRenderer::createBuffers";
const wchar_t* const kEffectKeys[] = {L"CLEAR_EFFECT",          L"POINT_LIGHT_EFFECT", L"DIRECTIONAL_LIGHT_EFFECT",
                                      L"EMISSIVE_LIGHT_EFFECT", L"SPOT_LIGHT_EFFECT",  L"COMPOSE_EFFECT"};
const wchar_t* const kGBufferNames[] = {L"Deferred.Color", L"Deferred.Normal", L"Deferred.Depth", L"Deferred.Misc"};
const D3DFORMAT kGBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R32F, D3DFMT_A8R8G8B8};

void logInfo(const wchar_t* text)
{
    mainLogger().log(50, LOG_TYPE_INFO, text);
}

} // namespace

DeferredRenderer::DeferredRenderer(RenderSettings* settings) : m_settings(settings)
{
    init();
}

DeferredRenderer::DeferredRenderer(RenderManager& owner) : m_owner(&owner), m_settings(&owner.getSettings())
{
    init();
}

void DeferredRenderer::init()
{
    if (m_settings)
        m_settings->changed.connect(this, &DeferredRenderer::onSettingChanged);
    if (!m_owner)
        return;
    m_d3d = D3DInterface::getInstance();
    m_owner->renderTargetSizeChanged.connect(this, &DeferredRenderer::onTargetSizeChanged);
    followDevice();
    if (m_d3d->getDevice())
        createBuffers(m_enabled);
    else
        m_d3d->deviceCreated.connect(this, &DeferredRenderer::onDeviceCreated);
}

DeferredRenderer::~DeferredRenderer()
{
    releaseBuffers();
    releaseLights();
    for (Effect*& effect : m_effects)
        releaseAndNull(effect);
    dropPass(m_gBufferPass);
    dropPass(m_spotShadowPass);
    RenderPass* point = m_pointShadowPass;
    RenderPass* directional = m_directionalShadowPass;
    dropPass(point);
    dropPass(directional);
    m_pointShadowPass = nullptr;
    m_directionalShadowPass = nullptr;
    releaseAndNull(m_sphereMesh);
}

void DeferredRenderer::onSettingChanged(RenderSetting kind, uint32_t, uint32_t now)
{
    if (kind != RenderSetting::ShadowQuality)
        return;
    for (DeferredLight* light : m_lights)
        light->setShadowQuality(static_cast<MyQuality>(now));
    for (DeferredLight* light : m_lightTemplates)
        light->setShadowQuality(static_cast<MyQuality>(now));
}

// ------------------------------------------------------------------ lights

bool DeferredRenderer::addLight(DeferredLight* light)
{
    if (!light || std::find(m_lights.begin(), m_lights.end(), light) != m_lights.end())
        return false;
    light->AddRef();
    light->setShadowQuality(getShadowQuality());
    m_lights.push_back(light);
    return true;
}

bool DeferredRenderer::removeLight(DeferredLight* light)
{
    bool removed = false;
    for (auto it = m_lights.begin(); it != m_lights.end();) {
        if (*it == light && light) {
            light->releaseShadowMaps();
            it = m_lights.erase(it);
            light->Release();
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

DeferredLight* DeferredRenderer::getLight(const std::wstring& name) const
{
    return findNamedObject(m_lights, name);
}

DeferredLight* DeferredRenderer::getLightTemplate(const std::wstring& name) const
{
    return findNamedObject(m_lightTemplates, name);
}

bool DeferredRenderer::addLightTemplate(DeferredLight* light, bool replace)
{
    if (!light)
        return false;
    std::vector<DeferredLight*> clashing;
    for (DeferredLight* existing : m_lightTemplates) {
        if (existing == light || existing->getName() == light->getName())
            clashing.push_back(existing);
    }
    if (!clashing.empty() && !replace)
        return false;
    // The light itself may be among them: keep it alive across its own removal.
    light->AddRef();
    for (DeferredLight* existing : clashing)
        removeLightTemplate(existing);
    light->setShadowQuality(getShadowQuality());
    m_lightTemplates.push_back(light);
    return true;
}

void DeferredRenderer::removeLightTemplate(DeferredLight* light)
{
    auto found = std::find(m_lightTemplates.begin(), m_lightTemplates.end(), light);
    if (found == m_lightTemplates.end())
        return;
    m_lightTemplates.erase(found);
    light->Release();
}

NamedObject* DeferredRenderer::createAttachedLight(const std::wstring& templateName, AttachPoint* point)
{
    DeferredLight* pattern = getLightTemplate(templateName);
    if (!pattern)
        return nullptr;
    DeferredLight* light = pattern->clone();
    light->setAttachedObject(point);
    return light;
}

// Only lights this renderer made for attach points come back here.
void DeferredRenderer::activateLight(NamedObject* light)
{
    addLight(static_cast<DeferredLight*>(light));
}

void DeferredRenderer::deactivateLight(NamedObject* light)
{
    removeLight(static_cast<DeferredLight*>(light));
}

void DeferredRenderer::releaseLights()
{
    std::vector<DeferredLight*> lights, templates;
    lights.swap(m_lights);
    templates.swap(m_lightTemplates);
    for (DeferredLight* light : lights)
        light->Release();
    for (DeferredLight* light : templates)
        light->Release();
    if (m_lightPostEffectRenderer)
        m_lightPostEffectRenderer->getActiveEffects().clear();
    std::vector<RenderPostEffect*> effects;
    effects.swap(m_lightPostEffects);
    for (RenderPostEffect* effect : effects)
        effect->Release();
}

bool DeferredRenderer::adopt(DeferredLight* light)
{
    if (!light)
        return false;
    const bool added = addLight(light);
    light->Release();
    return added;
}

bool DeferredRenderer::addPointLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                                     float radius, float intensity)
{
    return adopt(DeferredLight::createPointLight(name, colour, position, radius, intensity));
}

bool DeferredRenderer::addDirectionalLight(const std::wstring& name, const D3DXCOLOR& colour,
                                           const D3DXVECTOR3& direction, float intensity)
{
    return adopt(DeferredLight::createDirectionalLight(name, colour, direction, intensity));
}

bool DeferredRenderer::addSpotLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                                    const D3DXVECTOR3& direction, float radius, float theta, float intensity)
{
    return adopt(DeferredLight::createSpotLight(name, colour, position, direction, radius, theta, intensity));
}

bool DeferredRenderer::removeLightByName(const std::wstring& name)
{
    DeferredLight* light = getLight(name);
    return light && removeLight(light);
}

// ------------------------------------------------------------------ configuration

void DeferredRenderer::loadConfig(XMLNode& node)
{
    EffectManager* effects = EffectManager::getInstance();
    for (int slot = 0; slot < EFFECT_COUNT; ++slot) {
        std::wstring name;
        if (!node.readString(kEffectKeys[slot], name))
            continue;
        releaseAndNull(m_effects[slot]);
        m_effects[slot] = effects->getEffect(name);
        if (m_effects[slot])
            m_effects[slot]->AddRef();
        else
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::DeferredRenderer::loadConfig: no effect \"" + name + L"\" for " +
                                 kEffectKeys[slot] + L"\n");
    }
    std::wstring word;
    if (node.readString(L"KUGEL_MESH", word)) {
        releaseAndNull(m_sphereMesh);
        MeshManager* meshes = m_d3d ? m_d3d->getMeshManager() : D3DInterface::getInstance()->getMeshManager();
        m_sphereMesh = meshes ? meshes->getMesh(word) : nullptr;
        if (m_sphereMesh)
            m_sphereMesh->AddRef();
        else
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::DeferredRenderer::loadConfig: no mesh \"" + word +
                                 L"\"; point and spot lights are not drawn\n");
    }
    if (node.readString(L"GBUFFER_PASS", word))
        m_gBufferPass = takePass(m_gBufferPass, word);
    if (node.readString(L"SHADOWPASS_SPOT", word))
        m_spotShadowPass = takePass(m_spotShadowPass, word);
    if (node.readString(L"SHADOWPASS_DIRECTION", word)) {
        RenderPass* pass = takePass(m_directionalShadowPass, word);
        m_directionalShadowPass = dynamic_cast<RenderPassPSSMShadowMap*>(pass);
        if (pass && !m_directionalShadowPass)
            dropPass(pass);
    }
    if (node.readString(L"SHADOWPASS_POINT", word)) {
        RenderPass* pass = takePass(m_pointShadowPass, word);
        m_pointShadowPass = dynamic_cast<RenderPassCubeMap*>(pass);
        if (pass && !m_pointShadowPass)
            dropPass(pass);
        m_cubeShadowSize = -1;
    }
    readLights(node.getNode(L"ACTIVE_LIGHTS"), false);
    readLights(node.getNode(L"VORLAGE_LIGHTS"), true);
    readLightPostEffects(node.getNode(L"LIGHT_POSTEFFECTS"));
    bool enable = false;
    if (node.readBool(L"ENABLE", enable))
        setEnabled(enable);
}

RenderPass* DeferredRenderer::takePass(RenderPass* old, const std::wstring& name)
{
    dropPass(old);
    RenderPass* pass = m_owner ? m_owner->getRenderPass(name) : nullptr;
    if (!pass) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::DeferredRenderer::loadConfig: no render pass \"" + name + L"\"\n");
        return nullptr;
    }
    pass->setSceneGraph(m_sceneGraph);
    pass->AddRef();
    if (m_passesInUse)
        pass->addRef();
    return pass;
}

void DeferredRenderer::dropPass(RenderPass*& pass)
{
    if (!pass)
        return;
    if (m_passesInUse)
        pass->release();
    pass->Release();
    pass = nullptr;
}

void DeferredRenderer::usePasses(bool use)
{
    if (use == m_passesInUse)
        return;
    m_passesInUse = use;
    // The passes hold their targets only while used, so they are used only while the buffers
    // exist: with deferred rendering off nothing of it holds a target.
    for (RenderPass* pass : {m_gBufferPass, m_spotShadowPass, static_cast<RenderPass*>(m_pointShadowPass),
                             static_cast<RenderPass*>(m_directionalShadowPass)}) {
        if (!pass)
            continue;
        if (use)
            pass->addRef();
        else
            pass->release();
    }
}

void DeferredRenderer::readLights(XMLNode* node, bool templates)
{
    if (!node)
        return;
    for (unsigned i = 0, n = node->getNodeCount(L"LIGHT"); i < n; ++i) {
        auto* light = new DeferredLight(node->getNode(L"LIGHT", static_cast<int>(i)));
        if (templates) {
            addLightTemplate(light, true);
        } else {
            if (DeferredLight* same = getLight(light->getName()))
                removeLight(same);
            addLight(light);
        }
        light->Release();
    }
}

void DeferredRenderer::readLightPostEffects(XMLNode* node)
{
    if (!node)
        return;
    node->readBool(L"ENABLE", m_blurLights);
    node->readBool(L"ENABLE_ONLY_WITH_SOFT_SHADOWS", m_enableOnlyWithSoftShadows);
    const unsigned count = node->getNodeCount(L"POSTEFFECT");
    if (count == 0 || !m_owner)
        return;
    if (!m_lightPostEffectRenderer) {
        m_lightPostEffectRenderer = std::make_unique<PostEffectRenderer>(*m_owner, this);
        // Its targets are held only while the deferred buffers exist.
        m_lightPostEffectRenderer->setEnabled(m_buffersCreated);
        m_lightPostEffectRenderer->setHDRMode((m_hdrMode & HDRStage::HDR_DEFERRED) ? HDRStage::HDR_POSTEFFECTS : 0u);
    }
    for (unsigned i = 0; i < count; ++i) {
        RenderPostEffect* effect =
            m_lightPostEffectRenderer->createPostEffect(*node->getNode(L"POSTEFFECT", static_cast<int>(i)));
        if (!effect)
            continue;
        // Its handles now: a scene graph handed over before the configuration was read would
        // otherwise leave it without any and it would never draw.
        effect->initHandles();
        effect->activate();
        m_lightPostEffects.push_back(effect);
        m_lightPostEffectRenderer->getActiveEffects().push_back(effect);
    }
}

void DeferredRenderer::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    for (RenderPass* pass : {m_gBufferPass, m_spotShadowPass, static_cast<RenderPass*>(m_pointShadowPass),
                             static_cast<RenderPass*>(m_directionalShadowPass)})
        if (pass)
            pass->setSceneGraph(sceneGraph);
    for (RenderPostEffect* effect : m_lightPostEffects)
        effect->initHandles();
}

void DeferredRenderer::setHDRMode(uint32_t bits)
{
    const bool changed = ((bits ^ m_hdrMode) & HDRStage::HDR_DEFERRED) != 0;
    m_hdrMode = bits;
    if (changed && m_buffersCreated)
        recreateBuffers();
    if (m_lightPostEffectRenderer)
        m_lightPostEffectRenderer->setHDRMode((bits & HDRStage::HDR_DEFERRED) ? (bits | HDRStage::HDR_POSTEFFECTS)
                                                                              : (bits & ~HDRStage::HDR_POSTEFFECTS));
}

// ------------------------------------------------------------------ enabling and buffers

bool DeferredRenderer::setEnabled(bool enabled)
{
    const bool old = m_enabled;
    m_enabled = enabled;
    if (old != enabled) {
        createBuffers(enabled);
        m_enabled = m_buffersCreated;
    }
    if (old != m_enabled)
        enabledChanged.emit(m_enabled);
    if (!m_enabled && m_buffersCreated)
        releaseBuffers();
    return m_enabled;
}

bool DeferredRenderer::createBuffers(bool flag)
{
    if (!flag) {
        m_enabled = false;
        if (m_buffersCreated) {
            releaseBuffers();
            setEnabled(false);
        }
        return true;
    }
    if (m_buffersCreated)
        return true;
    m_enabled = false;
    if (!isDeferredAllowed() || !m_owner || !m_d3d || !m_d3d->getDevice())
        return false;
    D3DCAPS9 caps{};
    m_d3d->getDevice()->GetDeviceCaps(&caps);
    m_mrtSupported = caps.NumSimultaneousRTs >= 4;
    if (!m_mrtSupported)
        return false;
    if (m_lightPostEffectRenderer)
        m_lightPostEffectRenderer->setDeferredMode(true);
    unsigned width = 0, height = 0;
    m_owner->getRenderTargetSize(width, height);
    if (!makeQuad(width, height) || !makeTargets(width, height)) {
        // Nothing half-made stays: a default-pool object left over would block the next reset.
        releaseBuffers();
        return false;
    }
    logInfo(L"Deferred Rendering Buffer erstellt!\n");
    m_buffersCreated = true;
    usePasses(true);
    if (m_lightPostEffectRenderer)
        m_lightPostEffectRenderer->setEnabled(true);
    m_enabled = true;
    setEnabled(true);
    return true;
}

bool DeferredRenderer::makeQuad(unsigned width, unsigned height)
{
    m_width = width;
    m_height = height;
    const float right = static_cast<float>(width) - 0.5f;
    const float bottom = static_cast<float>(height) - 0.5f;
    const float quad[4][8] = {{-0.5f, -0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f},
                              {right, -0.5f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
                              {-0.5f, bottom, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f},
                              {right, bottom, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f}};
    std::memcpy(m_quad, quad, sizeof(m_quad));
    m_halfPixel =
        D3DXVECTOR2(0.5f / static_cast<float>(std::max(width, 1u)), 0.5f / static_cast<float>(std::max(height, 1u)));
    releaseAndNull(m_quadBuffer);
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (FAILED(device->CreateVertexBuffer(sizeof(m_quad), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                          &m_quadBuffer, nullptr))) {
        PassTargets::logFailed(kCreateFunction, 300,
                               L"d3d->CreateVertexBuffer(sizeof(m_quad), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, "
                               L"D3DPOOL_DEFAULT, &m_quadBuffer, NULL)");
        m_quadBuffer = nullptr;
        return false;
    }
    void* data = nullptr;
    if (SUCCEEDED(m_quadBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD))) {
        std::memcpy(data, m_quad, sizeof(m_quad));
        m_quadBuffer->Unlock();
    }
    return true;
}

bool DeferredRenderer::makeTargets(unsigned width, unsigned height)
{
    RenderTargetPool& pool = m_owner->getTargetPool();
    auto make = [&](RenderTargetHandle& slot, const wchar_t* name, D3DFORMAT format) {
        slot = pool.acquire(RenderTargetKey{name, width, height, format});
        if (slot->isCreated() || !PassTargets::deviceCanMake())
            return true;
        PassTargets::logFailed(kCreateFunction, 320,
                               (std::wstring(L"d3d->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, ") + name +
                                L", D3DPOOL_DEFAULT)")
                                   .c_str());
        return false;
    };
    const D3DFORMAT lightFormat = (m_hdrMode & HDRStage::HDR_DEFERRED) ? D3DFMT_A16B16G16R16F : D3DFMT_A8R8G8B8;
    // The order of creation: colour, normal, misc, depth, light, result.
    for (GBuffer index : {COLOUR, NORMAL, MISC, DEPTH})
        if (!make(m_gBuffer[index], kGBufferNames[index], kGBufferFormats[index]))
            return false;
    if (!make(m_light, L"Deferred.Light", lightFormat) || !make(m_result, L"Deferred.Result", lightFormat))
        return false;
    m_depthStencil = PassTargets::depth(m_owner, width, height);
    return m_depthStencil && (m_depthStencil->isCreated() || !PassTargets::deviceCanMake());
}

void DeferredRenderer::releaseBuffers()
{
    endLightBlending();
    unbindTextures();
    const bool had = m_buffersCreated;
    for (RenderTargetHandle& target : m_gBuffer)
        target.reset();
    m_light.reset();
    m_result.reset();
    m_depthStencil.reset();
    // Set again by the next frame; not ours to dump meanwhile.
    m_forwardTexture = nullptr;
    releaseShadowTargets();
    releaseAndNull(m_quadBuffer);
    m_buffersCreated = false;
    usePasses(false);
    if (m_lightPostEffectRenderer)
        m_lightPostEffectRenderer->setEnabled(false);
    if (had)
        logInfo(L"Deferred Rendering Buffer gelöscht!\n");
}

void DeferredRenderer::releaseShadowTargets()
{
    m_planarShadow.reset();
    m_planarDepth.reset();
    m_splitShadows.clear();
    m_planarShadowSize = -1;
    m_cubeShadowSize = -1;
    m_splitShadowSize = -1;
    if (m_owner)
        m_owner->getTargetPool().trim(L"Deferred.Shadow");
}

void DeferredRenderer::onLostDevice()
{
    // The pool's targets follow the device themselves; the quad buffer and the state block are
    // ours.
    endLightBlending();
    releaseAndNull(m_quadBuffer);
}

void DeferredRenderer::onResetDevice()
{
    if (m_buffersCreated && !makeQuad(m_width, m_height)) {
        releaseBuffers();
        m_enabled = false;
        enabledChanged.emit(m_enabled);
    }
}

void DeferredRenderer::onDeviceCreated()
{
    createBuffers(m_enabled);
}

void DeferredRenderer::onTargetSizeChanged(RenderManager&)
{
    if (!m_d3d || !m_d3d->getDevice() || !m_buffersCreated)
        return;
    recreateBuffers();
}

void DeferredRenderer::recreateBuffers()
{
    const bool was = m_enabled;
    releaseBuffers();
    createBuffers(was);
    // A recreation that failed leaves it off, and says so.
    if (m_enabled != was)
        enabledChanged.emit(m_enabled);
}

IDirect3DSurface9* DeferredRenderer::surfaceOf(const RenderTargetHandle& target) const
{
    return target ? target->getSurface() : nullptr;
}

IDirect3DTexture9* DeferredRenderer::textureOf(const RenderTargetHandle& target) const
{
    return target ? target->getTexture() : nullptr;
}

bool DeferredRenderer::getBufferTextures(IDirect3DTexture9* textures[4]) const
{
    bool all = true;
    for (int i = 0; i < GBUFFER_COUNT; ++i) {
        textures[i] = textureOf(m_gBuffer[i]);
        all = all && textures[i];
    }
    return all;
}

IDirect3DTexture9* DeferredRenderer::getLightTexture() const
{
    return textureOf(m_light);
}

bool DeferredRenderer::getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface)
{
    IDirect3DTexture9* t = textureOf(m_result);
    IDirect3DSurface9* s = surfaceOf(m_result);
    if (!m_buffersCreated || !t || !s)
        return false;
    texture = t;
    surface = s;
    return true;
}

// ------------------------------------------------------------------ dumps

bool DeferredRenderer::saveBuffers(const std::wstring& folder)
{
    // A texture that does not exist (no forward image this frame) is passed over.
    const TextureDump dumps[] = {
        {L"m_light_tex.dds", D3DXIFF_DDS, textureOf(m_light)},
        {L"m_color_tex.png", D3DXIFF_PNG, textureOf(m_gBuffer[COLOUR])},
        {L"m_normal_tex.png", D3DXIFF_PNG, textureOf(m_gBuffer[NORMAL])},
        {L"m_depth_tex.dds", D3DXIFF_DDS, textureOf(m_gBuffer[DEPTH])},
        {L"m_misc_tex.dds", D3DXIFF_DDS, textureOf(m_gBuffer[MISC])},
        {L"m_forward_tex.dds", D3DXIFF_DDS, m_forwardTexture},
        {L"m_backbuffer_tex.dds", D3DXIFF_DDS, textureOf(m_result)},
    };
    return saveTextureDumps(L"Ulvo::DeferredRenderer::saveBuffers", folder, dumps, std::size(dumps));
}

} // namespace Ulvo
