#include "graphics/TextureLoadOptions.h"

#include "foundation/XMLNode.h"

#include <string>
#include <vector>

namespace Ulvo {

namespace {

std::vector<std::wstring> splitBlanks(const std::wstring& text)
{
    std::vector<std::wstring> items;
    std::wstring current;
    for (wchar_t c : text) {
        if (c == L' ') {
            if (!current.empty())
                items.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        items.push_back(current);
    return items;
}

// "edge [switch]": the edge turns the switch on; a second item decides it.
void readLimit(XMLNode* node, const wchar_t* key, uint32_t& edge, bool& use)
{
    XMLAttribute* attribute = node->getAttribute(key);
    if (!attribute)
        return;
    const std::vector<std::wstring> items = splitBlanks(attribute->getValue());
    if (!items.empty()) {
        edge = static_cast<uint32_t>(XMLProperty(items[0]).getInt());
        use = true;
    }
    if (items.size() > 1)
        use = XMLProperty(items[1]).getInt() > 0;
}

} // namespace

TextureLoadOptions::TextureLoadOptions(uint32_t minimumEdge, uint32_t maximumEdge, bool useMinimumEdge,
                                       bool useMaximumEdge)
    : minimum(minimumEdge), maximum(maximumEdge), useMinimum(useMinimumEdge), useMaximum(useMaximumEdge)
{
}

TextureLoadOptions TextureLoadOptions::load(XMLNode* node)
{
    TextureLoadOptions options;
    if (!node)
        return options;
    readLimit(node, L"MIN_SIZE", options.minimum, options.useMinimum);
    readLimit(node, L"MAX_SIZE", options.maximum, options.useMaximum);
    return options;
}

} // namespace Ulvo
