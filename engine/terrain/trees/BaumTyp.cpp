#include "terrain/trees/BaumTyp.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/textures/TextureManager.h"

#include <string>

namespace Ulvo {

namespace {

void readWind(const XMLNode* node, D3DXVECTOR4& wind)
{
    if (!node)
        return;
    node->readFloat(L"X", wind.x);
    node->readFloat(L"Y", wind.y);
    node->readFloat(L"PHASE", wind.z);
    node->readFloat(L"AMPLITUDE", wind.w);
}

} // namespace

BaumTyp::BaumTyp(XMLNode* node, TextureManager* textures)
{
    if (!node)
        return;
    std::wstring name;
    if (node->readString(L"TEXTUR", name) && textures)
        texture = textures->getTexture2D(name);
    node->readFloat(L"PROP", frequency);
    node->readPoint(L"MIN_SIZE", minSize);
    node->readPoint(L"MAX_SIZE", maxSize);
    if (const XMLNode* rotation = node->getNode(L"ROTATION")) {
        rotation->readFloat(L"MIN", minRotation);
        rotation->readFloat(L"MAX", maxRotation);
    }
    readWind(node->getNode(L"WIND_MIN"), windMin);
    readWind(node->getNode(L"WIND_MAX"), windMax);
}

} // namespace Ulvo
