#include "terrain/fields/ParameterHeight.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"

#include <cmath>

namespace Ulvo {

ParameterHeight::ParameterHeight(XMLNode* node) : ParameterHeight(node, L"HEIGHT") {}

ParameterHeight::ParameterHeight(XMLNode* node, const wchar_t* kind) : Parameter(node)
{
    if (!node)
        return;
    node->readFloat(L"MIN", m_min);
    node->readFloat(L"MAX", m_max);
    node->readFloat(L"TRANSITION", m_transition);
    if (!node->readString(L"HEIGHTMAP", m_terrain))
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createParameter: ", kind,
                         L" ohne HEIGHTMAP, das Feld ist ueberall 0");
}

HeightMap* ParameterHeight::findTerrain() const
{
    if (!s_objekte || m_terrain.empty())
        return nullptr;
    return dynamic_cast<HeightMap*>(s_objekte->find(m_terrain));
}

float ParameterHeight::band(float value) const
{
    if (m_min >= value || value >= m_max)
        return invert(0.0f);
    float r = 1.0f;
    if (m_transition > value - m_min)
        r = (value - m_min) / m_transition;
    else if (m_transition > m_max - value)
        r = (m_max - value) / m_transition;
    return invert(r);
}

float ParameterHeight::getValue(const D3DXVECTOR2& position) const
{
    HeightMap* terrain = findTerrain();
    if (!terrain)
        return invert(0.0f);
    return band(terrain->getHeightUV(position));
}

ParameterNormal::ParameterNormal(XMLNode* node) : ParameterHeight(node, L"NORMAL") {}

float ParameterNormal::getValue(const D3DXVECTOR2& position) const
{
    HeightMap* terrain = findTerrain();
    if (!terrain)
        return invert(0.0f);
    D3DXVECTOR3 normal(0.0f, 1.0f, 0.0f);
    terrain->getNormalUV(&normal, position, true);
    float c = std::fabs(normal.x * 0.0f + normal.y + normal.z * 0.0f);
    c = c < 1.0f ? c : 1.0f;
    c = c > 0.0f ? c : 0.0f;
    const float angle = static_cast<float>(std::acos(static_cast<double>(c)) * 57.2957763671875);
    return band(angle);
}

} // namespace Ulvo
