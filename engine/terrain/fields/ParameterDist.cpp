#include "terrain/fields/ParameterDist.h"

#include "foundation/xml/XMLNode.h"

#include <cmath>
#include <span>

namespace Ulvo {

ParameterDist::ParameterDist(XMLNode* node) : Parameter(node)
{
    if (!node)
        return;
    // A single item sets only the first of a pair.
    node->readFloats(L"CENTER", std::span<float>(m_center));
    node->readFloats(L"FALLOFF", std::span<float>(m_falloff));
    node->readFloats(L"VALUE", std::span<float>(m_value));
}

ParameterDist::ParameterDist(const float* center, const float* falloff, const float* value)
    : m_center{center[0], center[1]}, m_falloff{falloff[0], falloff[1]}, m_value{value[0], value[1]}
{
}

float ParameterDist::getValue(const D3DXVECTOR2& position) const
{
    const float dx = m_center[0] - position.x;
    const float dy = m_center[1] - position.y;
    const float squared = dy * dy + dx * dx;
    const float distance = std::sqrt(squared);
    const float t = (distance - m_falloff[1]) / (m_falloff[0] - m_falloff[1]);
    // Written so that equal falloffs (t infinite or not a number) give a hard step.
    float c = 1.0f > t ? t : 1.0f;
    c = c > 0.0f ? c : 0.0f;
    return invert((m_value[0] - m_value[1]) * c + m_value[1]);
}

} // namespace Ulvo
