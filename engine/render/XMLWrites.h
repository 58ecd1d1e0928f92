#pragma once
// Writing the render core's, the scene objects' and the lights' description nodes: attributes,
// X/Y/Z(/W) child nodes, and numbers as the document writer formats them.
#include <d3dx9math.h>

#include "foundation/xml/XMLNode.h"

#include <string>

namespace Ulvo::xmlwrite {

// Appends an attribute.
template <class Value> void write(XMLNode* node, const wchar_t* key, const Value& value)
{
    node->addAttribute(new XMLAttribute(key, value));
}
// Appends a child node with X, Y, Z (and W) float attributes.
void writeVector(XMLNode* node, const wchar_t* child, const D3DXVECTOR3& value);
void writeQuaternion(XMLNode* node, const wchar_t* child, const D3DXQUATERNION& value);
// Text of a number as the document writer formats it.
std::wstring numberText(double value);

} // namespace Ulvo::xmlwrite
