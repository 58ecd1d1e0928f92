#include "terrain/fields/ParameterRANGE.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <algorithm>
#include <span>

namespace Ulvo {

namespace {

// Item i of the list is written to channel i and every channel after it.
void readFromFront(XMLNode* node, const wchar_t* name, D3DXVECTOR4& value)
{
    float items[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const unsigned count = std::min(node->readFloats(name, std::span<float>(items)), 4u);
    float* channels = static_cast<float*>(value);
    for (unsigned item = 0; item < count; ++item) {
        for (unsigned channel = item; channel < 4; ++channel)
            channels[channel] = items[item];
    }
}

float mapChannel(float v, float low, float high, bool clamp)
{
    if (!clamp)
        return low + (high - low) * v;
    float r = v < high ? v : high;
    return r > low ? r : low;
}

} // namespace

ParameterRANGE::ParameterRANGE(XMLNode* node) : Parameter(node)
{
    if (!node)
        return;
    readFromFront(node, L"MIN", m_min);
    readFromFront(node, L"MAX", m_max);
    node->readBool(L"CLAMP", m_clamp);
    if (XMLNode* child = node->getNode(L"PARAMETER"))
        m_child.reset(createParameter(child));
    else
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createParameter: RANGE ohne PARAMETER, das Feld ist konstant");
}

ParameterRANGE::ParameterRANGE(const ParameterRANGE& other)
    : Parameter(other)
    , m_child(other.m_child ? other.m_child->clone() : nullptr)
    , m_min(other.m_min)
    , m_max(other.m_max)
    , m_clamp(other.m_clamp)
{
}

float ParameterRANGE::getValue(const D3DXVECTOR2& position) const
{
    if (!m_child)
        return m_invert ? m_max.x : m_min.x;
    return mapChannel(invert(m_child->getValue(position)), m_min.x, m_max.x, m_clamp);
}

D3DXVECTOR4* ParameterRANGE::getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const
{
    if (!m_child) {
        *out = m_invert ? m_max : m_min;
        return out;
    }
    m_child->getVector(out, position);
    invert(out);
    out->x = mapChannel(out->x, m_min.x, m_max.x, m_clamp);
    out->y = mapChannel(out->y, m_min.y, m_max.y, m_clamp);
    out->z = mapChannel(out->z, m_min.z, m_max.z, m_clamp);
    out->w = mapChannel(out->w, m_min.w, m_max.w, m_clamp);
    return out;
}

} // namespace Ulvo
