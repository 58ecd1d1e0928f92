#include "lighting/posteffects/PE_Godrays.h"

#include "foundation/xml/XMLNode.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "render/cameras/Camera.h"
#include "render/manager/HDRStage.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "render/sun/SunLightSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

PE_Godrays::PE_Godrays(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    std::memset(&m_colorPhases, 0, sizeof m_colorPhases);
    XMLNode* params = node.getNode(L"GODRAY_PARAMS");
    if (!params)
        return;
    params->readBool(L"USE_INTERPOLATION", m_useInterpolation);
    if (m_useInterpolation) {
        for (PhaseCurve& curve : m_curves)
            curve.factor = 1.0f;
    }
    const wchar_t* names[4] = {L"STRENGTH", L"LIN_STRENGTH", L"EXP_STRENGTH", L"LENGTH"};
    for (int c = 0; c < 4; ++c) {
        float items[kPhases] = {};
        const unsigned count = std::min<unsigned>(params->readFloats(names[c], items), kPhases);
        // Each item fills its phase and every later one: one item sets all four.
        for (unsigned k = 0; k < count; ++k)
            std::fill(m_curves[c].values + k, m_curves[c].values + kPhases, items[k]);
    }
}

SunLightSystem* PE_Godrays::sun() const
{
    SceneGraph* graph = m_renderer ? m_renderer->getRenderManager().getSceneGraph() : nullptr;
    return graph ? &graph->getSunLightSystem() : nullptr;
}

void PE_Godrays::update(double)
{
    SunLightSystem* light = sun();
    if (!light)
        return;
    for (PhaseCurve& curve : m_curves)
        curve.current = light->interpolatePhaseFloat(curve.values, true);
    D3DXCOLOR rows[kPhases];
    for (int k = 0; k < kPhases; ++k)
        rows[k] = D3DXCOLOR(m_colorPhases.m[k][0], m_colorPhases.m[k][1], m_colorPhases.m[k][2], m_colorPhases.m[k][3]);
    const D3DXCOLOR colour = light->interpolatePhaseColor(rows, true);
    m_currentColor = D3DXVECTOR4(colour.r, colour.g, colour.b, colour.a);
}

bool PE_Godrays::setParamFloat(const std::wstring& mapping, float value)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind == MAPPING_FLOAT && entry->paramNr < 4) {
        m_curves[entry->paramNr].factor = value;
        return true;
    }
    return PostEffect::setParamFloat(mapping, value);
}

float PE_Godrays::getParamFloat(const std::wstring& mapping)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind == MAPPING_FLOAT && entry->paramNr < 4)
        return m_curves[entry->paramNr].factor;
    return PostEffect::getParamFloat(mapping);
}

bool PE_Godrays::setParamVector(const std::wstring& mapping, const D3DXVECTOR4& value)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind >= MAPPING_VECTOR && entry->kind <= MAPPING_VECTOR_W)
        return setVec4(value, entry->paramNr);
    return PostEffect::setParamVector(mapping, value);
}

bool PE_Godrays::setParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind == MAPPING_MATRIX)
        return setMatrix(value, entry->paramNr);
    return PostEffect::setParamMatrix(mapping, value);
}

bool PE_Godrays::setVec4(const D3DXVECTOR4& value, int index)
{
    if (index >= 0 && index < 4) {
        m_curves[index].values[0] = value.x;
        m_curves[index].values[1] = value.y;
        m_curves[index].values[2] = value.z;
        m_curves[index].values[3] = value.w;
        return true;
    }
    if (index == 4) {
        m_color = value;
        return true;
    }
    return PostEffect::setVec4(value, index);
}

D3DXVECTOR4 PE_Godrays::getVec4(int index) const
{
    if (index >= 0 && index < 4)
        return D3DXVECTOR4(m_curves[index].values);
    if (index == 4)
        return m_color;
    return PostEffect::getVec4(index);
}

bool PE_Godrays::setMatrix(const D3DXMATRIX& value, int index)
{
    if (index == 4) {
        m_colorPhases = value;
        return true;
    }
    return PostEffect::setMatrix(value, index);
}

void PE_Godrays::preRender(Camera& camera)
{
    const D3DXVECTOR3 eye = camera.getEyePosition();
    D3DXVECTOR3 view = pointAhead(camera) - eye;
    D3DXVec3Normalize(&view, &view);
    if (SunLightSystem* light = sun()) {
        const D3DXVECTOR3 s = light->getLightDirection();
        const D3DXVECTOR3 p = eye + s;
        D3DXVECTOR3 screen;
        D3DXVec3TransformCoord(&screen, &p, &camera.getViewProjectionMatrix());
        m_vec4Params[0] = D3DXVECTOR4(screen.x * 0.5f + 0.5f, 1.0f - (screen.y * 0.5f + 0.5f), 0.0f, 0.0f);
        m_floatParams[4] = std::acos(std::clamp(D3DXVec3Dot(&s, &view), -1.0f, 1.0f)) * 57.2957763671875f;
    }
    for (int k = 0; k < 4; ++k)
        m_floatParams[k] = m_useInterpolation ? m_curves[k].factor * m_curves[k].current : m_curves[k].factor;
    m_vec4Params[4] = m_useInterpolation ? m_currentColor : m_color;
    const bool hdr = m_renderer && (m_renderer->getHDRMode() & HDRStage::HDR_POSTEFFECTS);
    if (!hdr && D3DXVec4Length(&m_vec4Params[4]) > 0.0f)
        D3DXVec4Normalize(&m_vec4Params[4], &m_vec4Params[4]);
}

} // namespace Ulvo
