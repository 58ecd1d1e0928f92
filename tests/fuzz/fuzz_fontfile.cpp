// Reads arbitrary bytes as a font file through the font manager without a device: styles,
// font resources, D3DX and bitmap fonts, glyph data and its character table, then lays texts
// out in every bitmap font and works out every style's shadow and halo copies. Checks that the
// layout only ever places letters of the font's own data and keeps its invariants.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/BitmapFontText.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontStyle.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Font resources read whole files; the harness must not read devices or large files of the
// machine it runs on, so their file keys go.
void dropFileNames(Ulvo::XMLNode& root)
{
    for (Ulvo::XMLNode* child : root.getNodes()) {
        if (child->getName() != L"FONT_RESOURCE")
            continue;
        while (Ulvo::XMLAttribute* file = child->getAttribute(L"FILENAME"))
            child->removeAttribute(file);
    }
}

void checkLayout(Ulvo::BitmapFontText& text, const Ulvo::BitmapFontData& data)
{
    const auto& letters = data.getLetters();
    for (std::size_t k = 0; k < text.getLineCount(); ++k) {
        for (const Ulvo::BitmapFontGlyph& glyph : text.getLine(k).glyphs) {
            if (glyph.letter && (letters.empty() || glyph.letter < &letters.front() || glyph.letter > &letters.back()))
                std::abort();
            if (glyph.destination.bottom < glyph.destination.top && text.getLineHeight() >= 0.0f)
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    dropFileNames(root);

    Ulvo::D3DXFontInterface* manager = Ulvo::D3DXFontInterface::getInstance();
    manager->loadFonts(&root);
    manager->loadFonts(&root); // every name is taken now: all refused

    std::vector<POINT> offsets;
    const std::vector<Ulvo::FontStyle*>& styles = manager->getFontStyles();
    for (Ulvo::FontStyle* style : styles) {
        style->getBackgroundOffsets(offsets);
        Ulvo::FontStyle blend = Ulvo::FontStyle::interpolate(*style, *styles.front(), 0.5f);
        blend.getBackgroundOffsets(offsets);
    }

    static const wchar_t* const kTexts[] = {L"", L"  \t ", L"ab cd\r\n\nef", L"\uFFFF\U0001F600 x", L"a\nb c d e f"};
    Ulvo::FontStyle plain;
    for (Ulvo::Font* font : manager->getBitmapInterface().getFonts()) {
        auto* bitmap = static_cast<Ulvo::BitmapFont*>(font);
        if (!bitmap->getData())
            continue;
        for (const wchar_t* sample : kTexts) {
            Ulvo::BitmapFontText text(font, &plain);
            text.m_text = sample;
            text.m_rect = RECT{0, 0, 40, 40};
            text.m_format = DT_WORDBREAK | DT_CENTER | DT_VCENTER;
            text.layout(768.0f);
            checkLayout(text, *bitmap->getData());
            text.m_scale = 1e30f;
            text.m_format = DT_RIGHT | DT_BOTTOM;
            text.layout(1e30f);
            checkLayout(text, *bitmap->getData());
        }
    }
    manager->releaseEverything();
    return 0;
}
