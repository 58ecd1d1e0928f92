#include "graphics/fonts/BitmapFontText.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/sprites/FloatRect.h"

#include <cmath>
#include <cstdlib>

namespace Ulvo {

namespace {

bool isSeparator(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

} // namespace

void BitmapFontText::layout()
{
    layout(static_cast<float>(D3DInterface::getInstance()->getHeight()));
}

BitmapFontLine& BitmapFontText::newLine()
{
    if (m_lineCount == m_lines.size())
        m_lines.emplace_back();
    BitmapFontLine& line = m_lines[m_lineCount++];
    line.width = 0.0f;
    line.glyphs.clear();
    return line;
}

BitmapFontGlyph BitmapFontText::makeGlyph(const BitmapFontData& data, wchar_t character, float scale)
{
    BitmapFontGlyph glyph;
    glyph.letter = data.findLetter(character);
    if (glyph.letter) {
        glyph.a = glyph.letter->a * scale;
        glyph.b = glyph.letter->b * scale;
        glyph.c = glyph.letter->c * scale;
    } else {
        glyph.b = scale;
    }
    return glyph;
}

void BitmapFontText::buildGlyphs(const BitmapFontData& data, std::size_t start, std::size_t end, float scale)
{
    m_wordGlyphs.clear();
    for (std::size_t i = start; i < end; ++i)
        m_wordGlyphs.push_back(makeGlyph(data, m_text[i], scale));
}

void BitmapFontText::layout(float backBufferHeight)
{
    auto* font = dynamic_cast<BitmapFont*>(m_font);
    if (!font || !font->getData())
        return;
    const BitmapFontData& data = *font->getData();
    m_lineCount = 0;
    m_lineHeight = 0.0f;

    // Paragraphs of words; separators are not kept, every line feed and every
    // carriage return ends a paragraph.
    m_words.clear();
    m_paragraphs.clear();
    m_paragraphs.emplace_back(0, 0);
    std::size_t wordStart = 0;
    const std::size_t length = m_text.size();
    for (std::size_t i = 0; i < length; ++i) {
        const wchar_t c = m_text[i];
        const bool separator = isSeparator(c);
        if (separator || i + 1 == length) {
            const std::size_t wordEnd = separator ? i : length;
            if (wordEnd > wordStart) {
                m_words.emplace_back(wordStart, wordEnd);
                ++m_paragraphs.back().second;
            }
            if (c == L'\n' || c == L'\r')
                m_paragraphs.emplace_back(m_words.size(), 0);
            wordStart = i + 1;
        }
    }
    std::size_t firstParagraph = 0;
    std::size_t endParagraph = m_paragraphs.size();
    while (firstParagraph < endParagraph && m_paragraphs[firstParagraph].second == 0)
        ++firstParagraph;
    while (endParagraph > firstParagraph && m_paragraphs[endParagraph - 1].second == 0)
        --endParagraph;
    if (firstParagraph == endParagraph)
        return;

    // HEIGHT / ZERO_SIZE, times the screen factor and the text's own factor.
    // A negative (character) height counts by its size. The line height is
    // the same product without ZERO_SIZE, worked out on its own so that no
    // rounding of the reciprocal shortens a line by a pixel.
    const float height = static_cast<float>(std::abs(static_cast<double>(font->getHeight())));
    float scale = height * data.getZeroScale();
    float lineHeight = height;
    if (font->scalesWithScreen()) {
        scale = scale * backBufferHeight / 768.0f;
        lineHeight = lineHeight * backBufferHeight / 768.0f;
    }
    if (m_scale >= 0.0f) {
        scale *= m_scale;
        lineHeight *= m_scale;
    }
    const float available = static_cast<float>(m_rect.right) - static_cast<float>(m_rect.left);
    const bool wordBreak = (m_format & DT_WORDBREAK) != 0;

    for (std::size_t p = firstParagraph; p < endParagraph; ++p) {
        BitmapFontLine* line = &newLine();
        const std::size_t firstWord = m_paragraphs[p].first;
        for (std::size_t w = firstWord; w < firstWord + m_paragraphs[p].second; ++w) {
            buildGlyphs(data, m_words[w].first, m_words[w].second, scale);
            float wordWidth = 0.0f;
            for (const BitmapFontGlyph& glyph : m_wordGlyphs)
                wordWidth += glyph.a + glyph.b + (glyph.c > 0.0f ? glyph.c : 0.0f);
            if (wordBreak && !line->glyphs.empty() && line->width + wordWidth > available)
                line = &newLine();
            if (!line->glyphs.empty()) {
                const BitmapFontGlyph space = makeGlyph(data, L' ', scale);
                line->glyphs.push_back(space);
                line->width += space.a + space.b + space.c;
            }
            line->width += wordWidth;
            line->glyphs.insert(line->glyphs.end(), m_wordGlyphs.begin(), m_wordGlyphs.end());
        }
    }

    // Placement.
    m_lineHeight = lineHeight;
    const float count = static_cast<float>(m_lineCount);
    const float top = static_cast<float>(m_rect.top);
    const float bottom = static_cast<float>(m_rect.bottom);
    const float left = static_cast<float>(m_rect.left);
    const float right = static_cast<float>(m_rect.right);
    for (std::size_t k = 0; k < m_lineCount; ++k) {
        BitmapFontLine& line = m_lines[k];
        const float offset = static_cast<float>(k) * lineHeight;
        float y = top + offset;
        if (m_format & DT_BOTTOM)
            y = bottom - count * lineHeight + offset;
        else if (m_format & DT_VCENTER)
            y = ((top + bottom) - count * lineHeight) * 0.5f + offset;
        float x = left;
        if (m_format & DT_RIGHT)
            x = right - line.width;
        else if (m_format & DT_CENTER)
            x = ((left + right) - line.width) * 0.5f;
        for (BitmapFontGlyph& glyph : line.glyphs) {
            const float positiveC = glyph.c > 0.0f ? glyph.c : 0.0f;
            glyph.destination.left = truncToLong(x + glyph.a);
            glyph.destination.right = truncToLong(x + glyph.a + glyph.b + positiveC);
            glyph.destination.top = truncToLong(y);
            glyph.destination.bottom = truncToLong(y + lineHeight);
            x = x + glyph.a + glyph.b + glyph.c;
        }
    }
}

} // namespace Ulvo
