#include "lighting/posteffects/PE_DOFCombine.h"

#include "foundation/xml/XMLNode.h"
#include "render/cameras/Camera.h"

namespace Ulvo {

PE_DOFCombine::PE_DOFCombine(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    if (XMLNode* focal = node.getNode(L"FOCAL")) {
        focal->readFloat(L"FOCAL_DIST", m_focalDist);
        focal->readFloat(L"FOCAL_LENGTH", m_focalLength);
        focal->readFloat(L"MAX_BLUR", m_maxBlur);
        focal->readBool(L"USE_CAMERA_PARAMS", m_useCameraParams);
    }
}

bool PE_DOFCombine::setParamFloat(const std::wstring& mapping, float value)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry || entry->kind != MAPPING_FLOAT)
        return PostEffect::setParamFloat(mapping, value);
    switch (entry->paramNr) {
    case 0:
        m_maxBlur = value;
        return true;
    case 1:
        m_focalDist = value;
        return true;
    case 2:
        m_focalLength = value;
        return true;
    case 3:
        m_useCameraParams = value > 0.0f;
        return true;
    default:
        return PostEffect::setParamFloat(mapping, value);
    }
}

void PE_DOFCombine::preRender(Camera& camera)
{
    double zNear = 0.0, zFar = 0.0;
    camera.getNearFar(zNear, zFar);
    const float range = static_cast<float>(zFar - zNear);
    const float focus = m_useCameraParams && camera.isFocalDistCalculated() ? camera.getFocalDistance() : m_focalDist;
    const float lens = m_useCameraParams && camera.isFocalLengthCalculated() ? camera.getFocalLength() : m_focalLength;
    m_floatParams[0] = focus / range;
    m_vec4Params[0].x = m_maxBlur;
    m_vec4Params[0].y = range / lens;
}

} // namespace Ulvo
