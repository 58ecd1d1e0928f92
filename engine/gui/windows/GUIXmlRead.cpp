#include "gui/windows/GUIXmlRead.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cwchar>
#include <cwctype>

namespace Ulvo {

namespace GUIXml {

namespace {

const XMLAttribute* find(const XMLNode* node, const wchar_t* key)
{
    return node ? node->getAttribute(key) : nullptr;
}

bool isKnown(const std::wstring& name, const KeyList& known, const KeyList& alsoKnown)
{
    for (const KeyList* list : {&known, &alsoKnown}) {
        for (const wchar_t* key : *list) {
            if (name == key)
                return true;
        }
    }
    return false;
}

template <class T, class Get> bool readWith(const XMLNode* node, const wchar_t* key, T& value, Get get)
{
    const XMLAttribute* attribute = find(node, key);
    if (attribute)
        value = get(*attribute);
    return attribute != nullptr;
}

} // namespace

bool read(const XMLNode* node, const wchar_t* key, bool& value)
{
    return readWith(node, key, value, [](const XMLAttribute& a) { return a.getBool(); });
}

bool read(const XMLNode* node, const wchar_t* key, int32_t& value)
{
    return readWith(node, key, value, [](const XMLAttribute& a) { return a.getInt(); });
}

bool read(const XMLNode* node, const wchar_t* key, double& value)
{
    return readWith(node, key, value, [](const XMLAttribute& a) { return a.getDouble(); });
}

bool read(const XMLNode* node, const wchar_t* key, float& value)
{
    return readWith(node, key, value, [](const XMLAttribute& a) { return a.getFloat(); });
}

bool read(const XMLNode* node, const wchar_t* key, std::wstring& value)
{
    return readWith(node, key, value, [](const XMLAttribute& a) { return a.getValue(); });
}

bool readColour(const XMLNode* node, const wchar_t* key, D3DXCOLOR& value)
{
    const XMLAttribute* attribute = find(node, key);
    if (!attribute)
        return false;
    const auto bits = static_cast<uint32_t>(attribute->getHex());
    value = D3DXCOLOR(static_cast<float>((bits >> 16) & 0xFF) / 255.0f, static_cast<float>((bits >> 8) & 0xFF) / 255.0f,
                      static_cast<float>(bits & 0xFF) / 255.0f, static_cast<float>((bits >> 24) & 0xFF) / 255.0f);
    return true;
}

bool readRatio(const XMLNode* node, const wchar_t* key, float& value)
{
    std::wstring text;
    if (!read(node, key, text))
        return false;
    const std::vector<std::wstring> list = words(text);
    double v = list.empty() ? 0.0 : number(list[0]);
    if (list.size() > 1) {
        const double divisor = number(list[1]);
        if (divisor != 0.0)
            v /= divisor;
    }
    value = static_cast<float>(v);
    return true;
}

bool readPair(const XMLNode* node, const wchar_t* key, float& x, float& y)
{
    std::wstring text;
    if (!read(node, key, text))
        return false;
    const std::vector<std::wstring> list = words(text);
    x = list.empty() ? 0.0f : static_cast<float>(number(list[0]));
    y = list.size() < 2 ? x : static_cast<float>(number(list[1]));
    return true;
}

std::vector<std::wstring> words(const std::wstring& text)
{
    std::vector<std::wstring> list;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !std::iswspace(static_cast<wint_t>(text[i])))
            ++i;
        if (i > start)
            list.push_back(text.substr(start, i - start));
    }
    return list;
}

double number(const std::wstring& word)
{
    return XMLProperty(word).getDouble();
}

void reportUnknownKeys(const XMLNode* node, const KeyList& known, const wchar_t* where, const KeyList& alsoKnown)
{
    if (!node || logSwitch() <= 0)
        return;
    for (const XMLAttribute* attribute : node->getAttributes()) {
        if (!isKnown(attribute->getName(), known, alsoKnown))
            guiLog().log(25, LOG_TYPE_WARNING, where, L": unbekannter Schl\u00FCssel ", attribute->getName(),
                         L" wird ignoriert\n");
    }
    for (const XMLNode* child : node->getNodes()) {
        if (!isKnown(child->getName(), known, alsoKnown))
            guiLog().log(25, LOG_TYPE_WARNING, where, L": unbekannter Knoten ", child->getName(), L" wird ignoriert\n");
    }
}

} // namespace GUIXml

Logger& guiLog()
{
    return mainLogger();
}

} // namespace Ulvo
