#pragma once
// Typed reads of the render core's, the scene objects' and the lights' description nodes, in one
// place so that they can follow the shared XML accessors once those exist. Every read leaves its
// field alone when the key is absent and reports whether it was present.
#include <d3dx9math.h>

#include "foundation/XMLNode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo::xmlread {

bool readInt(const XMLNode* node, const wchar_t* key, int& out);
bool readFloat(const XMLNode* node, const wchar_t* key, float& out);
bool readDouble(const XMLNode* node, const wchar_t* key, double& out);
// Description booleans: true when the value read as an integer is above 0.
bool readFlag(const XMLNode* node, const wchar_t* key, bool& out);
// Configuration booleans: true for every integer other than 0.
bool readBool(const XMLNode* node, const wchar_t* key, bool& out);
// A 32-bit value written in hexadecimal (colours AARRGGBB).
bool readHex(const XMLNode* node, const wchar_t* key, uint32_t& out);
bool readString(const XMLNode* node, const wchar_t* key, std::wstring& out);
// The value's words, split at blanks.
std::vector<std::wstring> readWords(const XMLNode* node, const wchar_t* key);
// A word read as a number (0 when it is none).
float wordToFloat(const std::wstring& word);
int wordToInt(const std::wstring& word);

// The child node of that name with the attributes X, Y, Z (and W); an attribute the child lacks
// gives missingAxis. False, and out untouched, without the child.
bool readVector(const XMLNode* node, const wchar_t* child, D3DXVECTOR3& out, float missingAxis);
bool readQuaternion(const XMLNode* node, const wchar_t* child, D3DXQUATERNION& out);

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

} // namespace Ulvo::xmlread
