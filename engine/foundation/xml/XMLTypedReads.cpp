// Typed reads of a node's attributes, lists, points and free values.
#include "foundation/xml/XMLNode.h"

#include <d3dx9math.h>

#include <cstdint>

namespace Ulvo {

namespace {

template <class Value, class Result>
bool readAttribute(const XMLNode& node, const std::wstring& name, Value& value, Result (XMLProperty::*get)() const)
{
    const XMLAttribute* attribute = node.getAttribute(name);
    if (!attribute)
        return false;
    value = static_cast<Value>((attribute->*get)());
    return true;
}

template <class Read> unsigned readList(const XMLNode& node, const std::wstring& name, std::size_t capacity, Read read)
{
    const XMLAttribute* attribute = node.getAttribute(name);
    if (!attribute)
        return 0;
    const std::vector<std::wstring> items = XMLValueList::split(attribute->getValue(), L' ');
    for (std::size_t i = 0; i < items.size() && i < capacity; ++i)
        read(i, XMLProperty(items[i]));
    return static_cast<unsigned>(items.size());
}

// The components of a vector through a float array, so that lists and points
// fill vectors of every size the same way.
template <std::size_t N, class Vector, class Read> unsigned readComponents(Vector& value, Read read)
{
    float components[4] = {value.x, value.y, 0.0f, 0.0f};
    if constexpr (N > 2)
        components[2] = value.z;
    if constexpr (N > 3)
        components[3] = value.w;
    const unsigned result = read(std::span<float>(components, N));
    value.x = components[0];
    value.y = components[1];
    if constexpr (N > 2)
        value.z = components[2];
    if constexpr (N > 3)
        value.w = components[3];
    return result;
}

} // namespace

bool XMLNode::readString(const std::wstring& name, std::wstring& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getValueCopy);
}

bool XMLNode::readFloat(const std::wstring& name, float& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getFloat);
}

bool XMLNode::readDouble(const std::wstring& name, double& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getDouble);
}

bool XMLNode::readBool(const std::wstring& name, bool& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getBool);
}

bool XMLNode::readFlag(const std::wstring& name, bool& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getFlag);
}

bool XMLNode::readHex(const std::wstring& name, uint32_t& value) const
{
    return readAttribute(*this, name, value, &XMLProperty::getHex);
}

bool XMLNode::readColour(const std::wstring& name, D3DXCOLOR& value) const
{
    uint32_t argb = 0;
    if (!readHex(name, argb))
        return false;
    value = D3DXCOLOR(static_cast<DWORD>(argb));
    return true;
}

std::wstring XMLNode::getAttributeValue(const std::wstring& name, const std::wstring& fallback) const
{
    const XMLAttribute* attribute = getAttribute(name);
    return attribute ? attribute->getValue() : fallback;
}

unsigned XMLNode::readPair(const std::wstring& name, int& first, int& second) const
{
    int items[2] = {first, second};
    const unsigned count = readInts(name, items);
    if (count >= 1) {
        first = items[0];
        second = count >= 2 ? items[1] : items[0];
    }
    return count;
}

unsigned XMLNode::readPair(const std::wstring& name, float& first, float& second) const
{
    float items[2] = {first, second};
    const unsigned count = readFloats(name, items);
    if (count >= 1) {
        first = items[0];
        second = count >= 2 ? items[1] : items[0];
    }
    return count;
}

unsigned XMLNode::readInts(const std::wstring& name, std::span<int> values) const
{
    return readList(*this, name, values.size(),
                    [&](std::size_t i, const XMLProperty& item) { values[i] = item.getInt(); });
}

unsigned XMLNode::readFloats(const std::wstring& name, std::span<float> values) const
{
    return readList(*this, name, values.size(),
                    [&](std::size_t i, const XMLProperty& item) { values[i] = item.getFloat(); });
}

bool XMLNode::readWords(const std::wstring& name, std::vector<std::wstring>& words) const
{
    const XMLAttribute* attribute = getAttribute(name);
    if (!attribute)
        return false;
    words = XMLValueList::split(attribute->getValue(), L' ');
    return true;
}

unsigned XMLNode::readVector(const std::wstring& name, D3DXVECTOR2& value) const
{
    return readComponents<2>(value, [&](std::span<float> c) { return readFloats(name, c); });
}

unsigned XMLNode::readVector(const std::wstring& name, D3DXVECTOR3& value) const
{
    return readComponents<3>(value, [&](std::span<float> c) { return readFloats(name, c); });
}

unsigned XMLNode::readVector(const std::wstring& name, D3DXVECTOR4& value) const
{
    return readComponents<4>(value, [&](std::span<float> c) { return readFloats(name, c); });
}

bool XMLNode::readPoint(const std::wstring& name, std::span<float> components) const
{
    static const wchar_t* const kAxes[4] = {L"X", L"Y", L"Z", L"W"};
    const XMLNode* point = getNode(name);
    if (!point)
        return false;
    for (std::size_t i = 0; i < components.size() && i < 4; ++i)
        point->readFloat(kAxes[i], components[i]);
    return true;
}

bool XMLNode::readPoint(const std::wstring& name, D3DXVECTOR2& value) const
{
    return readComponents<2>(value, [&](std::span<float> c) { return readPoint(name, c) ? 1u : 0u; }) != 0;
}

bool XMLNode::readPoint(const std::wstring& name, D3DXVECTOR3& value) const
{
    return readComponents<3>(value, [&](std::span<float> c) { return readPoint(name, c) ? 1u : 0u; }) != 0;
}

bool XMLNode::readPoint(const std::wstring& name, D3DXVECTOR4& value) const
{
    return readComponents<4>(value, [&](std::span<float> c) { return readPoint(name, c) ? 1u : 0u; }) != 0;
}

void XMLNode::readRect(RECT& rect) const
{
    readInt(L"L", rect.left);
    readInt(L"T", rect.top);
    // A width or height counts from the edge read above, worked wide so that no
    // value in a file overflows the sum.
    int extent = 0;
    if (!readInt(L"R", rect.right) && readInt(L"W", extent))
        rect.right = static_cast<LONG>(static_cast<int64_t>(rect.left) + extent);
    if (!readInt(L"B", rect.bottom) && readInt(L"H", extent))
        rect.bottom = static_cast<LONG>(static_cast<int64_t>(rect.top) + extent);
}

XMLProperty* XMLNode::getFreeValue(const std::wstring& name) const
{
    const XMLNode* child = getNode(name);
    return child ? child->getProperty(0) : nullptr;
}

} // namespace Ulvo
