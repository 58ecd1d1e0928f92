#include "terrain/fields/Parameter.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "terrain/fields/ParameterDist.h"
#include "terrain/fields/ParameterHeight.h"
#include "terrain/fields/ParameterMap.h"
#include "terrain/fields/ParameterPerlin.h"
#include "terrain/fields/ParameterRANGE.h"
#include "terrain/fields/ParameterStatic.h"

#include <new>
#include <string>

namespace Ulvo {

Parameter::Parameter(XMLNode* node)
{
    if (node)
        node->readBool(L"INVERT", m_invert);
}

D3DXVECTOR4* Parameter::getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const
{
    const float value = getValue(position);
    *out = D3DXVECTOR4(value, value, value, value);
    return out;
}

D3DXVECTOR4* Parameter::invert(D3DXVECTOR4* value) const
{
    if (m_invert) {
        value->x = invert(value->x);
        value->y = invert(value->y);
        value->z = invert(value->z);
        value->w = invert(value->w);
    }
    return value;
}

std::vector<XMLNode*> fieldChildren(XMLNode* node, const wchar_t* owner)
{
    std::vector<XMLNode*> children;
    if (!node)
        return children;
    std::size_t found = 0;
    for (XMLNode* child : node->getNodes()) {
        if (child->getName() != L"PARAMETER")
            continue;
        if (++found <= kMaxFieldChildren)
            children.push_back(child);
    }
    if (found > kMaxFieldChildren)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::", owner, L": ", std::to_wstring(found),
                         L" PARAMETER, die ersten ", std::to_wstring(kMaxFieldChildren), L" gelten");
    return children;
}

Parameter* createParameter(XMLNode* node)
{
    if (!node) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createParameter: keine Beschreibung, konstantes Feld 1.0");
        return new (std::nothrow) ParameterStatic(1.0f);
    }
    const std::wstring type = node->getAttributeValue(L"TYPE");
    if (type == L"MUL")
        return new (std::nothrow) ParameterMUL(node);
    if (type == L"STATIC")
        return new (std::nothrow) ParameterStatic(node);
    if (type == L"DIST")
        return new (std::nothrow) ParameterDist(node);
    if (type == L"HEIGHT")
        return new (std::nothrow) ParameterHeight(node);
    if (type == L"NORMAL")
        return new (std::nothrow) ParameterNormal(node);
    if (type == L"MAX" || type == L"OR")
        return new (std::nothrow) ParameterMAX(node);
    if (type == L"MIN" || type == L"AND")
        return new (std::nothrow) ParameterMIN(node);
    if (type == L"ADD" || type == L"SUM")
        return new (std::nothrow) ParameterSUM(node);
    if (type == L"MAP")
        return new (std::nothrow) ParameterMap(node);
    if (type == L"PERLIN")
        return new (std::nothrow) ParameterPerlin(node);
    if (type == L"RANGE")
        return new (std::nothrow) ParameterRANGE(node);
    // A misspelt kind still gives a field, so a description with a typo shows a flat layer
    // instead of failing the whole terrain.
    if (type.empty())
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createParameter: PARAMETER ohne TYPE, konstantes Feld");
    else
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::createParameter: unbekannter TYPE \"", type,
                         L"\", konstantes Feld");
    return new (std::nothrow) ParameterStatic(node);
}

} // namespace Ulvo
