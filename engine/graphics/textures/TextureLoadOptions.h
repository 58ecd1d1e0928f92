#pragma once
// Size limits for one 2D texture loaded from a file: the smallest and the
// largest edge it may be scaled to, each with a switch.
#include <cstdint>

namespace Ulvo {

class XMLNode;

class TextureLoadOptions {
public:
    TextureLoadOptions(uint32_t minimum = 0, uint32_t maximum = 0xFFFFFFFFu, bool useMinimum = true,
                       bool useMaximum = true);

    // A QUALTIY node: MIN_SIZE and MAX_SIZE each hold the edge and an optional
    // switch ("256 0" = minimum 256, switch off). Null gives the defaults.
    static TextureLoadOptions load(XMLNode* node);

    bool operator==(const TextureLoadOptions& other) const = default;

    uint32_t minimum;
    uint32_t maximum;
    bool useMinimum;
    bool useMaximum;
};

} // namespace Ulvo
