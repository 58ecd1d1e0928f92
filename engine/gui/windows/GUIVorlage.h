#pragma once
// Templates ("VORLAGEN"): which parts of a window a template passes on, and a
// reference to a template by name with the parts to take from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class GUIVorlageMask {
public:
    enum Part : uint32_t {
        POSITION = 1,
        SIZE = 2,
        TEXTURES = 4,
        TIMES = 8,
        COLORS = 16,
        TEXTIDS = 32,
        OPTIONS = 64,
        ANIMATION_GOALS = 128,
        FONTSTYLES = 256,
        DRAWTYPES = 512,
        ALL = 0xFFFFFFFFu,
    };

    // The words from first up to end (or the end of the list), in order: ALL sets
    // every bit, a part's word sets its bit, "!" and the word clears it, any other
    // word is ignored. Starts from 0.
    static uint32_t parse(const std::vector<std::wstring>& words, std::size_t first,
                          std::size_t end = static_cast<std::size_t>(-1));
};

struct GUIVorlageRef {
    std::wstring name;
    uint32_t mask = 0;

    // "NAME WORD WORD...": the template's name, then its mask (none: 0).
    static GUIVorlageRef parse(const std::wstring& value);
};

} // namespace Ulvo
