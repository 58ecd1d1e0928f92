#pragma once
// One drawing request held as an object: text, font, style, DT_ format flags
// and rectangle.
#include <windows.h>

#include <cstdint>
#include <string>

namespace Ulvo {

class Font;
class FontStyle;

class FontText {
public:
    // Neither pointer is counted; both must outlive the request.
    FontText(Font* font, FontStyle* style) : m_font(font), m_style(style) {}
    virtual ~FontText() = default;
    FontText(const FontText&) = delete;
    FontText& operator=(const FontText&) = delete;

    std::wstring m_text;
    Font* m_font = nullptr;
    FontStyle* m_style = nullptr;
    uint32_t m_format = 0;
    RECT m_rect{0, 0, 0, 0};
};

} // namespace Ulvo
