#include "terrain/fields/ParameterStatic.h"

#include "foundation/xml/XMLNode.h"

#include <span>

namespace Ulvo {

ParameterStatic::ParameterStatic(XMLNode* node) : Parameter(node)
{
    if (!node)
        return;
    node->readFloat(L"VALUE", m_value);
    float vector[4] = {m_vector.x, m_vector.y, m_vector.z, m_vector.w};
    node->readFloats(L"VECTOR", std::span<float>(vector));
    m_vector = D3DXVECTOR4(vector[0], vector[1], vector[2], vector[3]);
}

float ParameterStatic::getValue(const D3DXVECTOR2&) const
{
    return invert(m_value);
}

D3DXVECTOR4* ParameterStatic::getVector(D3DXVECTOR4* out, const D3DXVECTOR2&) const
{
    *out = m_vector;
    return invert(out);
}

} // namespace Ulvo
