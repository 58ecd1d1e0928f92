#include "render/XMLWrites.h"

namespace Ulvo::xmlwrite {

void writeVector(XMLNode* node, const wchar_t* child, const D3DXVECTOR3& value)
{
    auto* c = new XMLNode(child);
    write(c, L"X", value.x);
    write(c, L"Y", value.y);
    write(c, L"Z", value.z);
    node->addNode(c);
}

void writeQuaternion(XMLNode* node, const wchar_t* child, const D3DXQUATERNION& value)
{
    auto* c = new XMLNode(child);
    write(c, L"X", value.x);
    write(c, L"Y", value.y);
    write(c, L"Z", value.z);
    write(c, L"W", value.w);
    node->addNode(c);
}

std::wstring numberText(double value)
{
    return XMLProperty(value).getValue();
}

} // namespace Ulvo::xmlwrite
