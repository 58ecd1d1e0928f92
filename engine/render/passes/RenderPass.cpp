#include "render/passes/RenderPass.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "render/ScopedMeasure.h"
#include "render/ScopedPerfEvent.h"
#include "render/cameras/Camera.h"
#include "render/passes/ShadowReach.h"
#include "render/scenegraph/RenderObjekt.h"
#include "render/scenegraph/SceneGraph.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <utility>

namespace Ulvo {

namespace {

constexpr D3DCOLOR kMarkerColour = 0xFFFF0000;
constexpr D3DCOLOR kObjectEventColour = 0xFF0000FF;

const std::array<std::pair<const wchar_t*, RenderTechnique>, 12> kTechniqueNames = {{
    {L"T_DIFFUSE", T_DIFFUSE},
    {L"T_DEPTH", T_DEPTH},
    {L"T_DEPTH_LINEAR", T_DEPTH_LINEAR},
    {L"T_DEPTH_WATER", T_DEPTH_WATER},
    {L"T_SHADOW", T_SHADOW},
    {L"T_SPECIAL", T_SPECIAL},
    {L"T_NORMAL", T_NORMAL},
    {L"T_MASK", T_MASK},
    {L"T_SSOA", T_SSOA},
    {L"T_DEFERRED_3RT", T_DEFERRED_3RT},
    {L"T_DEFERRED_1RT", T_DEFERRED_1RT},
    {L"T_DISTANCE", T_DISTANCE},
}};

} // namespace

Effect* RenderPass::s_currentEffect = nullptr;

RenderPassParams::RenderPassParams(const std::vector<RenderObjekt*>* list, const D3DXVECTOR3* at, bool sortList,
                                   bool blend)
    : sort(sortList), transparency(blend)
{
    if (list) {
        objects = *list;
        useObjects = true;
    }
    if (at) {
        position = *at;
        usePosition = true;
    }
}

RenderPass::RenderPass(XMLNode* node, RenderManager* renderManager)
    : NamedObject(node), m_d3d(D3DInterface::getInstance()), m_renderManager(renderManager)
{
    m_passNames.push_back(getName());
    if (!node)
        return;
    node->readInt(L"EVERY_FRAME", m_everyFrame);
    node->readInt(L"EVERY_TICK", m_everyTick);
    std::wstring technique;
    if (node->readString(L"TECHNIQUE", technique))
        m_technique = techniqueFromName(technique);
}

RenderPass::RenderPass(const std::wstring& name, RenderTechnique technique, unsigned quality,
                       RenderManager* renderManager)
    : NamedObject(name)
    , m_d3d(D3DInterface::getInstance())
    , m_renderManager(renderManager)
    , m_technique(technique)
    , m_quality(quality)
{
    m_passNames.push_back(getName());
}

RenderPass::~RenderPass()
{
    dropSavedState();
}

void RenderPass::dropSavedState()
{
    if (m_saved)
        m_saved->Release();
    m_saved = nullptr;
    m_savedDevice = nullptr;
}

IDirect3DStateBlock9* RenderPass::captureState(IDirect3DDevice9* device)
{
    if (m_savedInUse) {
        IDirect3DStateBlock9* own = nullptr;
        return SUCCEEDED(device->CreateStateBlock(D3DSBT_ALL, &own)) ? own : nullptr;
    }
    // A block of a device gone away refuses to capture: it is replaced.
    if (m_saved && m_savedDevice == device && SUCCEEDED(m_saved->Capture())) {
        m_savedInUse = true;
        return m_saved;
    }
    dropSavedState();
    if (FAILED(device->CreateStateBlock(D3DSBT_ALL, &m_saved))) {
        m_saved = nullptr;
        return nullptr;
    }
    m_savedDevice = device;
    m_savedInUse = true;
    return m_saved;
}

RenderTechnique RenderPass::techniqueFromName(const std::wstring& name)
{
    for (const auto& [word, technique] : kTechniqueNames) {
        if (name == word)
            return technique;
    }
    return T_DIFFUSE;
}

bool screenRectOf(const AABB& box, const D3DXMATRIX& viewProjection, D3DXVECTOR4& rect)
{
    D3DXVECTOR3 corners[8];
    box.getCorners(corners);
    rect = D3DXVECTOR4(1.0f, 1.0f, -1.0f, -1.0f);
    for (const D3DXVECTOR3& corner : corners) {
        D3DXVECTOR4 p;
        D3DXVec3Transform(&p, &corner, &viewProjection);
        if (p.w <= 1e-4f)
            return false;
        const float x = p.x / p.w, y = p.y / p.w;
        rect.x = std::min(rect.x, x);
        rect.y = std::min(rect.y, y);
        rect.z = std::max(rect.z, x);
        rect.w = std::max(rect.w, y);
    }
    return true;
}

bool RenderPass::canReach(RenderObjekt& object, const Camera& camera, const PassCulling& culling)
{
    if (object.getMoveWithCameraMode() != 0)
        return true;
    const AABB& box = object.getBoundingBox();
    const D3DXVECTOR3& low = box.getMin();
    const D3DXVECTOR3& high = box.getMax();
    if (low == high)
        return true;
    if (culling.toCamera && camera.isAABBInFrustum(box) == 0)
        return false;
    if (culling.byPlane) {
        // The corner farthest along the plane's normal: when even it lies behind, all of the box does.
        const D3DXPLANE& p = culling.keep;
        const float farthest = p.a * (p.a >= 0.0f ? high.x : low.x) + p.b * (p.b >= 0.0f ? high.y : low.y) +
                               p.c * (p.c >= 0.0f ? high.z : low.z) + p.d;
        if (farthest < 0.0f)
            return false;
    }
    if (culling.byScreen) {
        D3DXVECTOR4 seen;
        if (screenRectOf(box, camera.getViewProjectionMatrix(), seen) &&
            (seen.z < culling.screen.x || seen.x > culling.screen.z || seen.w < culling.screen.y ||
             seen.y > culling.screen.w))
            return false;
    }
    if (culling.reach && !culling.reach->mayDarken(box))
        return false;
    return true;
}

void RenderPass::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
}

void RenderPass::setParams(const RenderPassParams& params)
{
    m_params = params;
}

void RenderPass::setObjectList(const std::vector<RenderObjekt*>& list, bool sort, bool transparency)
{
    m_params.objects.assign(list.begin(), list.end());
    m_params.useObjects = true;
    m_params.sort = sort;
    m_params.transparency = transparency;
    m_params.usePosition = false;
}

bool RenderPass::shouldRender(const unsigned& frameCounter)
{
    const uint32_t now = GetTickCount();
    if (now - m_lastTick >= m_everyTick || m_everyFrame == 0) {
        m_lastTick = now;
        return true;
    }
    if (frameCounter % m_everyFrame != 0)
        return false;
    m_lastTick = now;
    return true;
}

void RenderPass::addRef()
{
    if (++m_activations == 1)
        onActivate(true);
}

void RenderPass::release()
{
    if (m_activations > 0)
        --m_activations;
    if (m_activations == 0) {
        onActivate(false);
        // What the block holds (textures, buffers, shaders) is not kept alive by an idle pass.
        if (!m_savedInUse)
            dropSavedState();
    }
}

void RenderPass::onActivate(const bool&) {}

void RenderPass::render(Camera* camera)
{
    ScopedMeasure measure(L"RenderPass.render");
    ScopedPerfEvent event(L"RenderPass::render");
    if (m_activations == 0 || !m_sceneGraph || !m_d3d->getDevice())
        return;
    drawObjects(camera);
}

void RenderPass::drawObjects(Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    IDirect3DStateBlock9* saved = captureState(device);

    m_list.clear();
    if (m_params.useObjects) {
        m_list = m_params.objects;
    } else {
        ScopedPerfEvent query(L"m_scenegraph->getRenderList");
        m_sceneGraph->GetRenderList(camera, m_list, &m_passNames, false);
    }
    {
        ScopedMeasure step(L"RenderPass.calcCameraParams");
        ScopedPerfEvent event(L"m_scenegraph->calcCameraParams");
        m_sceneGraph->updateObjectsForCamera(camera, m_list, m_params.usePosition ? &m_params.position : nullptr);
    }
    renderListCreated.emit(*this, m_list);
    {
        ScopedMeasure step(L"RenderPass.eraseNotDraw");
        ScopedPerfEvent event(L"Nicht zeichenbare Objekte rausnehmen");
        m_list.erase(std::remove_if(m_list.begin(), m_list.end(), [](RenderObjekt* o) { return !o->isDrawable(); }),
                     m_list.end());
        if (m_culling.toCamera || m_culling.byPlane || m_culling.byScreen || m_culling.reach)
            m_list.erase(std::remove_if(m_list.begin(), m_list.end(),
                                        [this, camera](RenderObjekt* o) { return !canReach(*o, *camera, m_culling); }),
                         m_list.end());
    }
    {
        ScopedMeasure step(L"RenderPass.createInstanceList");
        ScopedPerfEvent event(L"m_scenegraph->createInstanceList");
        m_sceneGraph->collapseInstances(m_list);
    }
    if (m_params.sort) {
        ScopedMeasure step(L"RenderPass.sort_objekte");
        ScopedPerfEvent event(L"m_scenegraph->sort");
        m_sceneGraph->sort(m_list);
    }
    {
        ScopedMeasure step(L"RenderPass.setLightParams");
        ScopedPerfEvent event(L"m_scenegraph->setLightParams");
        m_sceneGraph->applySunLight(m_list);
    }

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    s_currentEffect = nullptr;
    RenderObjekt::setDrawStateMarker(nullptr);
    // Depth-like techniques write values, not colours: blending would mix them.
    const bool blending =
        m_params.transparency && m_technique != T_DEPTH && m_technique != T_DEPTH_LINEAR && m_technique != T_SSOA;
    bool lastTransparent = false;
    for (RenderObjekt* object : m_list) {
        if (!object->isDrawable())
            continue;
        object->selectRenderEffect(m_technique, m_quality);
        Effect* effect = object->getEffect();
        // An effect that did not compile has nothing to draw with.
        if (!effect || !effect->getEffect())
            continue;
        const bool effectChanges = effect != s_currentEffect;
        if (effectChanges) {
            if (s_currentEffect) {
                s_currentEffect->getEffect()->EndPass();
                s_currentEffect->getEffect()->End();
            }
            perfMarker(kMarkerColour, L"Effect Changed");
            Effect* previous = s_currentEffect;
            effectChanged.emit(*this, effect, previous);
            s_currentEffect = effect;
            // The technique this pass selected may be an effect the list's lighting did not reach.
            m_sceneGraph->lightObject(object);
            ID3DXEffect* fx = effect->getEffect();
            UINT passes = 0;
            fx->SetTechnique(effect->getTechnique(0));
            fx->Begin(&passes, 0);
            fx->BeginPass(0);
        }
        const bool transparent = object->isTransparent();
        if (blending && (transparent != lastTransparent || effectChanges)) {
            perfMarker(kMarkerColour, L"Transparent Changed");
            if (transparent) {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
                device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            } else {
                device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            }
        }
        lastTransparent = transparent;
        ScopedMeasure step(L"RenderPass.renderObjekt");
        ScopedPerfEvent event(object->getName().c_str(), kObjectEventColour);
        object->render(camera);
    }
    if (s_currentEffect) {
        Effect* last = s_currentEffect;
        s_currentEffect = nullptr;
        last->getEffect()->EndPass();
        last->getEffect()->End();
        effectChanged.emit(*this, nullptr, last);
    }
    if (saved) {
        saved->Apply();
        if (saved == m_saved)
            m_savedInUse = false;
        else
            saved->Release();
    }
}

} // namespace Ulvo
