#include "lighting/posteffects/PE_Weather.h"

#include "foundation/xml/XMLNode.h"
#include "render/cameras/Camera.h"

#include <cmath>

namespace Ulvo {

PE_Weather::PE_Weather(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    m_setMatrices = true;
    m_stretchBase = m_vec4Params[2].y;
    m_stretchMax = 2.0f * m_stretchBase;
    m_alphaBase = m_vec4Params[0].w;
    m_alphaMax = 0.25f * m_alphaBase;
    XMLNode* params = node.getNode(L"WEATHER_PARAMS");
    if (!params)
        return;
    float change[3] = {m_positionChange.x, m_positionChange.y, m_positionChange.z};
    params->readFloats(L"POSITION_CHANGE_MULTIPLIKATOR", change);
    m_positionChange = D3DXVECTOR3(change[0], change[1], change[2]);
    float factor = 0.0f;
    if (params->readFloat(L"STRETCH_MULTIPLIKATOR", factor))
        m_stretchMax = factor * m_stretchBase;
    if (params->readFloat(L"ALPHA_MULTIPLIKATOR", factor))
        m_alphaMax = factor * m_alphaBase;
}

float PE_Weather::headingOf(const D3DXVECTOR3& h)
{
    if (h.x > 0.0f)
        return std::atan(h.z / h.x);
    if (h.x == 0.0f)
        return h.z < 0.0f ? 4.712389f : 1.5707964f;
    return std::atan(h.z / h.x) + 3.1415927f;
}

void PE_Weather::preRender(Camera& camera)
{
    const D3DXVECTOR3 eye = camera.getEyePosition();
    const D3DXVECTOR3 ahead = pointAhead(camera);
    D3DXVECTOR3 heading(ahead.x - eye.x, 0.0f, ahead.z - eye.z);
    D3DXVec3Normalize(&heading, &heading);
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, -headingOf(heading));
    setMatrix(rotation, 0);
    D3DXVECTOR3 view = ahead - eye;
    D3DXVec3Normalize(&view, &view);
    const float f = std::fabs(view.y);
    m_vec4Params[2].y = m_stretchBase + (m_stretchMax - m_stretchBase) * f;
    m_vec4Params[0].w = m_alphaBase + (m_alphaMax - m_alphaBase) * f;
    setVec4(D3DXVECTOR4(eye.x * m_positionChange.x, eye.y * m_positionChange.y, eye.z * m_positionChange.z, 0.0f), 3);
}

} // namespace Ulvo
