#pragma once
// A bitmap-font request laid out into lines of placed letters: word wrap,
// alignment (DT_CENTER, DT_RIGHT, DT_VCENTER, DT_BOTTOM, DT_WORDBREAK) and
// scaling with the font height and the 1024 x 768 reference screen.
#include "graphics/fonts/FontText.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace Ulvo {

struct BitmapFontLetter;
class BitmapFontData;

struct BitmapFontGlyph {
    const BitmapFontLetter* letter = nullptr;
    RECT destination{0, 0, 0, 0};
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    uint32_t colour = 0xFFFFFFFFu;
    // 0 the style's foreground colour, 1 the glyph's own colour, 2 both multiplied.
    uint32_t colourMode = 0;
};

struct BitmapFontLine {
    float width = 0.0f;
    std::vector<BitmapFontGlyph> glyphs;
};

class BitmapFontText : public FontText {
public:
    BitmapFontText(Font* font, FontStyle* style) : FontText(font, style) {}
    ~BitmapFontText() override = default;

    // Rebuilds the lines from text, font, format, rectangle and scale, for the
    // current back buffer. Without a bitmap font with glyph data the old lines stay.
    void layout();
    // The same for a back buffer of this height.
    void layout(float backBufferHeight);

    std::size_t getLineCount() const { return m_lineCount; }
    const BitmapFontLine& getLine(std::size_t index) const { return m_lines[index]; }
    // Height of one line in screen pixels after the last layout.
    float getLineHeight() const { return m_lineHeight; }

    // A factor on top of the font's own scale; negative means none.
    float m_scale = -1.0f;

private:
    BitmapFontLine& newLine();
    void buildGlyphs(const BitmapFontData& data, std::size_t start, std::size_t end, float scale);
    static BitmapFontGlyph makeGlyph(const BitmapFontData& data, wchar_t character, float scale);

    // Line and word storage is kept between layouts, so that drawing a text
    // every frame allocates nothing once the buffers have grown.
    std::vector<BitmapFontLine> m_lines;
    std::size_t m_lineCount = 0;
    float m_lineHeight = 0.0f;
    std::vector<std::pair<std::size_t, std::size_t>> m_words;      // start, end in the text
    std::vector<std::pair<std::size_t, std::size_t>> m_paragraphs; // first word, word count
    std::vector<BitmapFontGlyph> m_wordGlyphs;
};

} // namespace Ulvo
