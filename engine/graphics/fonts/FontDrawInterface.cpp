#include "graphics/fonts/FontDrawInterface.h"

#include "foundation/helpers/Release.h"
#include "graphics/fonts/Font.h"
#include "graphics/fonts/FontText.h"

#include <algorithm>

namespace Ulvo {

FontDrawInterface::FontDrawInterface() = default;

FontDrawInterface::~FontDrawInterface()
{
    FontDrawInterface::releaseAll();
    disconnect_all();
}

void FontDrawInterface::releaseAll()
{
    // Emptied first, so that a font's destructor never sees itself listed.
    releaseAndClear(m_fonts);
}

void FontDrawInterface::drawText(FontText& text)
{
    drawText(text.m_font, text.m_text, &text.m_rect, text.m_format, text.m_style);
}

bool FontDrawInterface::addFont(Font* font)
{
    if (!font)
        return false;
    for (Font* listed : m_fonts) {
        if (listed == font || listed->getName() == font->getName())
            return false;
    }
    font->AddRef();
    m_fonts.push_back(font);
    return true;
}

bool FontDrawInterface::removeFont(Font* font)
{
    auto it = std::find(m_fonts.begin(), m_fonts.end(), font);
    if (it == m_fonts.end())
        return false;
    m_fonts.erase(it);
    font->Release();
    return true;
}

Font* FontDrawInterface::getFont(const std::wstring& name) const
{
    for (Font* font : m_fonts) {
        if (font->getName() == name)
            return font;
    }
    return nullptr;
}

} // namespace Ulvo
