#include "graphics/textures/TextureLoadOptions.h"

#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

// "edge [switch]": the edge turns the switch on; a second item decides it.
void readLimit(XMLNode* node, const wchar_t* key, uint32_t& edge, bool& use)
{
    int items[2] = {0, 0};
    const unsigned count = node->readInts(key, items);
    if (count >= 1) {
        edge = static_cast<uint32_t>(items[0]);
        use = true;
    }
    if (count >= 2)
        use = items[1] > 0;
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
