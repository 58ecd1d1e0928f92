#include "lighting/posteffects/PE_MotionBlur.h"

#include "devices/d3d/D3DInterface.h"
#include "render/cameras/Camera.h"

#include <algorithm>

namespace Ulvo {

PE_MotionBlur::PE_MotionBlur(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    m_setMatrices = true;
    m_floatParams[0] = m_floatParams[0] / 20.0f;
    m_floatParams[1] = m_floatParams[1] / (screenWidth() * 20.0f);
}

float PE_MotionBlur::screenWidth() const
{
    return static_cast<float>(std::max(1u, m_d3d->getWidth()));
}

bool PE_MotionBlur::setFloat(float value, int index)
{
    if (index == 0) {
        m_floatParams[0] = value / 20.0f;
        return true;
    }
    if (index == 1) {
        m_floatParams[1] = value / (screenWidth() * 20.0f);
        return true;
    }
    return PostEffect::setFloat(value, index);
}

float PE_MotionBlur::getFloat(int index) const
{
    if (index == 0)
        return m_floatParams[0] * 20.0f;
    if (index == 1)
        return m_floatParams[1] * screenWidth() * 20.0f;
    return PostEffect::getFloat(index);
}

bool PE_MotionBlur::setParamFloat(const std::wstring& mapping, float value)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind == MAPPING_FLOAT)
        return setFloat(value, entry->paramNr);
    return PostEffect::setParamFloat(mapping, value);
}

float PE_MotionBlur::getParamFloat(const std::wstring& mapping)
{
    const StringMapping* entry = findMapping(mapping);
    if (entry && entry->kind == MAPPING_FLOAT)
        return getFloat(entry->paramNr);
    return PostEffect::getParamFloat(mapping);
}

void PE_MotionBlur::preRender(Camera& camera)
{
    m_matrixParams[0] = camera.getViewProjectionInverseMatrix();
}

void PE_MotionBlur::postRender(Camera& camera)
{
    m_matrixParams[1] = camera.getViewProjectionMatrix();
}

} // namespace Ulvo
