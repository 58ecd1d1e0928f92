#include "gui/windows/GUIVorlage.h"

#include "gui/windows/GUIXmlRead.h"

#include <algorithm>
#include <string_view>

namespace Ulvo {

uint32_t GUIVorlageMask::parse(const std::vector<std::wstring>& words, std::size_t first, std::size_t end)
{
    static const struct {
        const wchar_t* word;
        uint32_t bit;
    } parts[] = {{L"POSITION", POSITION},     {L"SIZE", SIZE},
                 {L"TEXTURES", TEXTURES},     {L"TIMES", TIMES},
                 {L"COLORS", COLORS},         {L"TEXTIDS", TEXTIDS},
                 {L"OPTIONS", OPTIONS},       {L"ANIMATION_GOALS", ANIMATION_GOALS},
                 {L"FONTSTYLES", FONTSTYLES}, {L"DRAWTYPES", DRAWTYPES}};
    uint32_t mask = 0;
    end = std::min(end, words.size());
    for (std::size_t i = first; i < end; ++i) {
        const std::wstring& word = words[i];
        if (word == L"ALL") {
            mask = ALL;
            continue;
        }
        const bool clear = !word.empty() && word[0] == L'!';
        const wchar_t* name = word.c_str() + (clear ? 1 : 0);
        for (const auto& part : parts) {
            if (std::wstring_view(name) == part.word) {
                mask = clear ? (mask & ~part.bit) : (mask | part.bit);
                break;
            }
        }
    }
    return mask;
}

GUIVorlageRef GUIVorlageRef::parse(const std::wstring& value)
{
    GUIVorlageRef ref;
    const std::vector<std::wstring> words = GUIXml::words(value);
    if (!words.empty()) {
        ref.name = words[0];
        ref.mask = GUIVorlageMask::parse(words, 1);
    }
    return ref;
}

} // namespace Ulvo
