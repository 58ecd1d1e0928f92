#include "render/passes/RenderPassWater.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "render/ScopedPerfEvent.h"
#include "render/cameras/Camera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/MirrorSurfaces.h"
#include "render/scenegraph/RenderObjekt.h"
#include "render/scenegraph/SceneGraph.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

namespace {

constexpr float kBiasOffset = 0.50048828125f;
// The surfaces read their mirrored picture where they lie on the screen, moved by their ripples
// by up to 0.01 of the picture per unit of wave height (0.02 in -1..1 device coordinates), and
// filtered over a texel more: objects whose mirror image stays farther from the surface's rectangle
// on the screen cannot show in it. Never less than a quarter of the screen's half.
constexpr float kMirrorMarginMin = 0.25f;
constexpr float kRippleReachPerWave = 0.02f;

float mirrorMargin(const RenderObjekt& surface, uint32_t texSize)
{
    const auto* water = dynamic_cast<const WaterSurface*>(&surface);
    const float wave = water ? water->getLargestWave() : 0.0f;
    if (!std::isfinite(wave))
        return 2.0f; // the whole screen
    const float texel = 2.0f / static_cast<float>(std::max(texSize, 1u));
    return std::max(kMirrorMarginMin, kRippleReachPerWave * wave + 2.0f * texel);
}

const wchar_t* const kWaterCreate = L"Ulvo::RenderPassWater::createRenderToTexture";
const wchar_t* const kReflectionCreate = L"Ulvo::RenderPassReflection::createRenderToTexture";

} // namespace

// ------------------------------------------------------------------ shared

RenderPassMirror::RenderPassMirror(XMLNode* node, RenderManager* renderManager) : RenderPass(node, renderManager)
{
    m_quality = 0;
    std::wstring word;
    if (node && node->readString(L"QUALITY", word))
        m_quality = PassTargets::qualityFromWord(word);
    D3DXMatrixScaling(&m_bias, 0.5f, 0.5f, 0.5f);
    m_bias._41 = 0.5f;
    m_bias._42 = 0.5f;
    m_bias._43 = 0.5f;
    m_bias._44 = 1.0f;
    D3DXMatrixIdentity(&m_texProj);
    if (renderManager)
        renderManager->getSettings().changed.connect(this, &RenderPassMirror::onSettingChanged);
}

void RenderPassMirror::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    createRenderToTexture();
    for (RenderPass* inner : innerPasses())
        inner->setSceneGraph(sceneGraph);
}

void RenderPassMirror::onActivate(const bool& active)
{
    for (RenderPass* inner : innerPasses()) {
        if (active)
            inner->addRef();
        else
            inner->release();
    }
    if (active)
        createRenderToTexture();
    else
        releaseRenderToTexture();
}

void RenderPassMirror::createRenderToTexture()
{
    if (m_created || m_activations == 0)
        return;
    if (m_quality == 0) {
        m_created = true;
        return;
    }
    m_texSize = PassTargets::screenTextureSize(m_quality, getName().c_str());
    m_created = makeTargets();
    if (!m_created) {
        releaseRenderToTexture();
        const unsigned lower = PassTargets::stepDown(m_quality);
        if (lower != m_quality)
            setQuality(lower);
    }
}

void RenderPassMirror::releaseRenderToTexture()
{
    m_created = false;
    dropTargets();
    m_reflection.reset();
    m_depthBuffer.reset();
}

void RenderPassMirror::setQuality(unsigned quality)
{
    if (quality == m_quality)
        return;
    m_quality = quality;
    releaseRenderToTexture();
    createRenderToTexture();
}

void RenderPassMirror::onSettingChanged(RenderSetting kind, uint32_t, uint32_t value)
{
    if (kind == RenderSetting::WaterQuality && value <= 3)
        setQuality(value);
}

RenderTargetHandle RenderPassMirror::makeColour(const wchar_t* suffix, const wchar_t* function, int line,
                                                const wchar_t* call)
{
    RenderTargetHandle target =
        PassTargets::colour(m_renderManager, getName() + suffix, m_texSize, m_texSize, D3DFMT_X8R8G8B8);
    if (PassTargets::made(target) || (target && !PassTargets::deviceCanMake()))
        return target;
    PassTargets::logFailed(function, line, call);
    return nullptr;
}

bool RenderPassMirror::makeDepth(const wchar_t* function, int line, const wchar_t* call)
{
    m_depthBuffer = PassTargets::depth(m_renderManager, m_texSize, m_texSize);
    if (PassTargets::made(m_depthBuffer) || (m_depthBuffer && !PassTargets::deviceCanMake()))
        return true;
    PassTargets::logFailed(function, line, call);
    m_depthBuffer.reset();
    return false;
}

void RenderPassMirror::projectTexture(const D3DXMATRIX& world, Camera* camera)
{
    m_bias._41 = kBiasOffset;
    m_bias._42 = kBiasOffset;
    m_texProj = world * camera->getViewProjectionMatrix() * m_bias;
}

void RenderPassMirror::renderMirrored(Camera* camera, const D3DXPLANE& plane, RenderPass& inner, RenderObjekt& surface)
{
    // The mirrored camera sees the mirror image where the camera sees the surface: the same
    // rectangle of device coordinates.
    PassCulling culling{true, true, plane};
    culling.byScreen = screenRectOf(surface.getBoundingBox(), camera->getViewProjectionMatrix(), culling.screen);
    const float margin = mirrorMargin(surface, m_texSize);
    culling.screen += D3DXVECTOR4(-margin, -margin, margin, margin);
    IDirect3DDevice9* device = m_d3d->getDevice();
    Camera* mirrored = camera->clone();
    mirrored->reflect(plane);
    // Only that rectangle of the picture is read: whatever culls by the camera (the scene graph,
    // the terrain's blocks, the forest's cells) keeps only what can land in it, and nothing is
    // drawn outside it.
    RECT scissor{0, 0, static_cast<LONG>(m_texSize), static_cast<LONG>(m_texSize)};
    if (culling.byScreen) {
        mirrored->setCullingWindow(culling.screen);
        const D3DXVECTOR4& window = mirrored->getCullingWindow();
        const float half = 0.5f * static_cast<float>(m_texSize);
        scissor.left = static_cast<LONG>(std::floor((window.x + 1.0f) * half));
        scissor.right = static_cast<LONG>(std::ceil((window.z + 1.0f) * half));
        scissor.top = static_cast<LONG>(std::floor((1.0f - window.w) * half));
        scissor.bottom = static_cast<LONG>(std::ceil((1.0f - window.y) * half));
    }
    device->EndScene();
    {
        ScopedPerfEvent event(L"RenderPassWater::Reflections", 0xFF00FF00);
        PassTargetScope target;
        if (PassTargets::made(m_reflection, m_depthBuffer) &&
            target.begin(device, m_reflection->getSurface(), m_depthBuffer->getSurface(), m_texSize, m_texSize)) {
            target.clearWhite();
            device->SetScissorRect(&scissor);
            device->SetRenderState(D3DRS_SCISSORTESTENABLE, culling.byScreen);
            const D3DXPLANE clip = PassTargets::clipPlane(plane, mirrored->getViewProjectionInverseMatrix());
            device->SetClipPlane(0, clip);
            device->SetRenderState(D3DRS_CLIPPING, TRUE);
            device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
            m_d3d->flipCullMode();
            const D3DXVECTOR3 eye = mirrored->getEyePosition();
            inner.setCulling(culling);
            inner.setParams(RenderPassParams(nullptr, &eye, true, true));
            inner.render(mirrored);
            m_d3d->flipCullMode();
            device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
            device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
        }
    }
    mirrored->Release();
}

// ------------------------------------------------------------------ water

RenderPassWater::RenderPassWater(XMLNode* node, RenderManager* renderManager)
    : RenderPassMirror(node, renderManager)
    , m_reflectionPass(L"", T_DIFFUSE, 0, renderManager)
    , m_refractionPass(L"", T_DIFFUSE, 0, renderManager)
    , m_depthPass(L"", T_DEPTH_WATER, 0, renderManager)
{
    m_technique = T_DIFFUSE;
    m_reflectionPass.setPassNames({getName(), L"REFLECTION"});
    m_refractionPass.setPassNames({getName(), L"REFRACTION"});
    m_depthPass.setPassNames({getName(), L"DEPTH"});
    m_passNames = {getName(), L"WATER"};
    effectChanged.connect(this, &RenderPassWater::onEffectChanged);
    m_depthPass.effectChanged.connect(this, &RenderPassWater::onEffectChanged);
}

RenderPassWater::~RenderPassWater()
{
    releaseRenderToTexture();
}

std::vector<RenderPass*> RenderPassWater::innerPasses()
{
    return {&m_reflectionPass, &m_refractionPass, &m_depthPass};
}

bool RenderPassWater::makeTargets()
{
    m_reflection = makeColour(L".Reflection", kWaterCreate, 2515,
                              L"d3d.getDevice()->CreateTexture(texSize,texSize,0,D3DUSAGE_AUTOGENMIPMAP "
                              L"|D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8 ,D3DPOOL_DEFAULT,&m_reflectionTexture,NULL)");
    if (!m_reflection)
        return false;
    m_refraction = makeColour(L".Refraction", kWaterCreate, 2520,
                              L"d3d.getDevice()->CreateTexture(texSize,texSize,0,D3DUSAGE_AUTOGENMIPMAP "
                              L"|D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8 ,D3DPOOL_DEFAULT,&m_refractionTexture,NULL)");
    if (!m_refraction)
        return false;
    m_depth = makeColour(L".Depth", kWaterCreate, 2525,
                         L"d3d.getDevice()->CreateTexture(texSize,texSize,0,D3DUSAGE_AUTOGENMIPMAP "
                         L"|D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8 ,D3DPOOL_DEFAULT,&m_depthTexture,NULL)");
    if (!m_depth)
        return false;
    return makeDepth(kWaterCreate, 2530,
                     L"D3DXCreateRenderToSurface(d3d,texSize,texSize, D3DFMT_X8R8G8B8 "
                     L",true,D3DFMT_D24X8,&m_render2surface)");
}

void RenderPassWater::dropTargets()
{
    m_refraction.reset();
    m_depth.reset();
}

void RenderPassWater::onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous)
{
    if (&pass == &m_depthPass) {
        if (!effect || !effect->getEffect())
            return;
        ID3DXEffect* fx = effect->getEffect();
        fx->SetFloat("g_fWaterHeight", m_waterHeight);
        fx->SetFloat("g_MaxWaterRefracDepth", m_maxRefractDepth);
        if (m_currentCamera) {
            const D3DXVECTOR3 eye = m_currentCamera->getEyePosition();
            fx->SetValue("g_CameraPos", &eye, sizeof(eye));
        }
        return;
    }
    if (&pass != this)
        return;
    auto texture = [](const RenderTargetHandle& target) -> IDirect3DBaseTexture9* {
        return target ? target->getBaseTexture() : nullptr;
    };
    // Every effect the pass leaves behind lets go of the targets, so none keeps them alive through
    // a device reset or after the pass is gone.
    if (previous && previous != effect && previous->getEffect()) {
        ID3DXEffect* fx = previous->getEffect();
        fx->SetTexture("g_ReflectionMap", nullptr);
        fx->SetTexture("g_RefractionMap", nullptr);
        fx->SetTexture("g_DepthMap", nullptr);
    }
    if (effect && effect->getEffect()) {
        ID3DXEffect* fx = effect->getEffect();
        fx->SetMatrix("g_TexProj", &m_texProj);
        fx->SetTexture("g_ReflectionMap", texture(m_reflection));
        fx->SetTexture("g_RefractionMap", texture(m_refraction));
        fx->SetTexture("g_DepthMap", texture(m_depth));
    }
}

void RenderPassWater::drawBelow(Camera* camera, const RenderTargetHandle& into, RenderPass& inner,
                                const D3DXPLANE& clip, bool sort)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    PassTargetScope target;
    if (!target.begin(device, into->getSurface(), m_depthBuffer->getSurface(), m_texSize, m_texSize))
        return;
    target.clearWhite();
    device->SetClipPlane(0, clip);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
    const D3DXVECTOR3 eye = camera->getEyePosition();
    inner.setParams(RenderPassParams(nullptr, &eye, sort, true));
    inner.render(camera);
}

void RenderPassWater::render(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_activations == 0 || !m_sceneGraph || !device || !camera)
        return;
    ScopedPerfEvent event(L"RenderPassWater::render", 0xFFFF0000);
    std::vector<RenderObjekt*>& list = m_surfaces;
    list.clear();
    m_sceneGraph->GetRenderList(camera, list, &m_passNames, false);
    m_currentCamera = camera;
    const D3DXVECTOR3 eye = camera->getEyePosition();
    for (RenderObjekt* object : list) {
        auto* water = dynamic_cast<WaterSurface*>(object);
        // A mirror that is also water is the reflection pass's.
        if (!water || dynamic_cast<ReflectingSurface*>(object))
            continue;
        m_waterHeight = object->getPosition().y;
        m_maxRefractDepth = water->getMaxRefractDepth();
        projectTexture(water->getSurfaceWorldMatrix(), camera);
        // The mirrored and the under-water pictures are drawn outside the device's scene.
        const bool reflections = m_quality != 0 && m_created;
        if (reflections)
            renderMirrored(camera, water->getWaterPlane(), m_reflectionPass, *object);
        if (reflections && m_quality >= 2 && PassTargets::made(m_refraction, m_depth, m_depthBuffer)) {
            const D3DXPLANE below =
                PassTargets::clipPlane(water->getInversePlane(), camera->getViewProjectionInverseMatrix());
            // What lies wholly above the water is clipped away below it: not drawn at all.
            m_depthPass.setCulling(PassCulling{true, true, water->getInversePlane()});
            m_refractionPass.setCulling(PassCulling{true, true, water->getInversePlane()});
            {
                ScopedPerfEvent depth(L"RenderPassWater::Depth", 0xFF0000FF);
                drawBelow(camera, m_depth, m_depthPass, below, false);
            }
            ScopedPerfEvent refraction(L"RenderPassWater::Refraction", 0xFF00FFFF);
            drawBelow(camera, m_refraction, m_refractionPass, below, true);
        }
        if (reflections)
            device->BeginScene();
        device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
        ScopedPerfEvent compose(L"RenderPassWater::Compose", 0xFFFFFFFF);
        setParams(RenderPassParams(nullptr, &eye, false, true));
        RenderPass::render(camera);
    }
}

// ------------------------------------------------------------------ reflection

RenderPassReflection::RenderPassReflection(XMLNode* node, RenderManager* renderManager)
    : RenderPassMirror(node, renderManager), m_inner(L"", T_DIFFUSE, 0, renderManager)
{
    m_inner.setPassNames({getName(), L"REFLECTION"});
    m_passNames = {getName(), L"COMPOSE"};
    effectChanged.connect(this, &RenderPassReflection::onEffectChanged);
}

RenderPassReflection::~RenderPassReflection()
{
    releaseRenderToTexture();
}

std::vector<RenderPass*> RenderPassReflection::innerPasses()
{
    return {&m_inner};
}

bool RenderPassReflection::makeTargets()
{
    m_reflection = makeColour(L".Reflection", kReflectionCreate, 2754,
                              L"d3d.getDevice()->CreateTexture(texSize,texSize,0,D3DUSAGE_AUTOGENMIPMAP "
                              L"|D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8 ,D3DPOOL_DEFAULT,&m_reflectionTexture,NULL)");
    if (!m_reflection)
        return false;
    return makeDepth(kReflectionCreate, 2759,
                     L"D3DXCreateRenderToSurface(d3d,texSize,texSize, D3DFMT_X8R8G8B8 "
                     L",true,D3DFMT_D24X8,&m_render2surface)");
}

void RenderPassReflection::dropTargets() {}

void RenderPassReflection::onEffectChanged(RenderPass& pass, Effect* effect, Effect* previous)
{
    if (&pass != this)
        return;
    if (previous && previous != effect && previous->getEffect())
        previous->getEffect()->SetTexture("g_ReflectionMap", nullptr);
    if (effect && effect->getEffect()) {
        effect->getEffect()->SetMatrix("g_TexProj", &m_texProj);
        effect->getEffect()->SetTexture("g_ReflectionMap", m_reflection ? m_reflection->getBaseTexture() : nullptr);
    }
}

void RenderPassReflection::render(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (m_activations == 0 || !m_sceneGraph || !device || !camera)
        return;
    ScopedPerfEvent event(L"RenderPassReflection::render", 0xFFFF0000);
    std::vector<RenderObjekt*>& list = m_surfaces;
    list.clear();
    m_sceneGraph->GetRenderList(camera, list, &m_passNames, false);
    m_currentCamera = camera;
    const D3DXVECTOR3 eye = camera->getEyePosition();
    for (RenderObjekt* object : list) {
        auto* mirror = dynamic_cast<ReflectingSurface*>(object);
        if (!mirror)
            continue;
        projectTexture(mirror->getSurfaceWorldMatrix(), camera);
        if (m_quality != 0 && m_created) {
            renderMirrored(camera, mirror->getReflectionPlane(), m_inner, *object);
            device->BeginScene();
        }
        setParams(RenderPassParams(nullptr, &eye, true, true));
        RenderPass::render(camera);
    }
}

} // namespace Ulvo
