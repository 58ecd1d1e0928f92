#include "render/XMLReads.h"

namespace Ulvo::xmlread {

namespace {

const XMLAttribute* attribute(const XMLNode* node, const wchar_t* key)
{
    return node ? node->getAttribute(key) : nullptr;
}

} // namespace

bool readInt(const XMLNode* node, const wchar_t* key, int& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getInt();
    return a != nullptr;
}

bool readFloat(const XMLNode* node, const wchar_t* key, float& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getFloat();
    return a != nullptr;
}

bool readDouble(const XMLNode* node, const wchar_t* key, double& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getDouble();
    return a != nullptr;
}

bool readFlag(const XMLNode* node, const wchar_t* key, bool& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getInt() > 0;
    return a != nullptr;
}

bool readBool(const XMLNode* node, const wchar_t* key, bool& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getBool();
    return a != nullptr;
}

bool readHex(const XMLNode* node, const wchar_t* key, uint32_t& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = static_cast<uint32_t>(a->getHex());
    return a != nullptr;
}

bool readString(const XMLNode* node, const wchar_t* key, std::wstring& out)
{
    const XMLAttribute* a = attribute(node, key);
    if (a)
        out = a->getValue();
    return a != nullptr;
}

std::vector<std::wstring> readWords(const XMLNode* node, const wchar_t* key)
{
    std::vector<std::wstring> words;
    const XMLAttribute* a = attribute(node, key);
    if (!a)
        return words;
    const std::wstring& text = a->getValue();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L' ', start);
        const std::size_t stop = end == std::wstring::npos ? text.size() : end;
        if (stop > start)
            words.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return words;
}

float wordToFloat(const std::wstring& word)
{
    return XMLProperty(word).getFloat();
}

int wordToInt(const std::wstring& word)
{
    return XMLProperty(word).getInt();
}

bool readVector(const XMLNode* node, const wchar_t* child, D3DXVECTOR3& out, float missingAxis)
{
    const XMLNode* c = node ? node->getNode(child) : nullptr;
    if (!c)
        return false;
    out = D3DXVECTOR3(missingAxis, missingAxis, missingAxis);
    readFloat(c, L"X", out.x);
    readFloat(c, L"Y", out.y);
    readFloat(c, L"Z", out.z);
    return true;
}

bool readQuaternion(const XMLNode* node, const wchar_t* child, D3DXQUATERNION& out)
{
    const XMLNode* c = node ? node->getNode(child) : nullptr;
    if (!c)
        return false;
    out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    readFloat(c, L"X", out.x);
    readFloat(c, L"Y", out.y);
    readFloat(c, L"Z", out.z);
    readFloat(c, L"W", out.w);
    return true;
}

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

} // namespace Ulvo::xmlread
