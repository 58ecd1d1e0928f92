#include "threematch/globals/DataReads.h"

#include "foundation/xml/XMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace ThreeMatch {

unsigned readDoubles(const Ulvo::XMLNode& node, const std::wstring& key, std::span<double> values)
{
    const Ulvo::XMLAttribute* attribute = node.getAttribute(key);
    if (!attribute)
        return 0;
    const std::vector<std::wstring> words = Ulvo::XMLValueList::split(attribute->getValue(), L' ');
    for (std::size_t i = 0; i < words.size() && i < values.size(); ++i)
        values[i] = Ulvo::XMLProperty(words[i]).getDouble();
    return static_cast<unsigned>(words.size());
}

void appendValue(Ulvo::XMLNode& node, const std::wstring& key, const std::wstring& value)
{
    auto* child = new Ulvo::XMLNode(key);
    child->addProperty(new Ulvo::XMLProperty(value));
    node.addNode(child);
}

void appendValue(Ulvo::XMLNode& node, const std::wstring& key, int value)
{
    appendValue(node, key, std::to_wstring(value));
}

void appendValue(Ulvo::XMLNode& node, const std::wstring& key, double value)
{
    appendValue(node, key, Ulvo::XMLProperty(value).getValue());
}

void appendValues(Ulvo::XMLNode& node, const std::wstring& key, std::span<const int> values)
{
    auto* child = new Ulvo::XMLNode(key);
    for (int value : values)
        child->addProperty(new Ulvo::XMLProperty(std::to_wstring(value)));
    node.addNode(child);
}

namespace {

template <class T> T saturate(double value)
{
    if (std::isnan(value))
        return T(0);
    constexpr double high = static_cast<double>(std::numeric_limits<T>::max());
    constexpr double low = static_cast<double>(std::numeric_limits<T>::lowest());
    if (value >= high)
        return std::numeric_limits<T>::max();
    if (value <= low)
        return std::numeric_limits<T>::lowest();
    return static_cast<T>(value);
}

} // namespace

float toFloat(double value)
{
    return saturate<float>(value);
}

int toInt(double value)
{
    return saturate<int>(value);
}

long long toLongLong(double value)
{
    return saturate<long long>(value);
}

} // namespace ThreeMatch
