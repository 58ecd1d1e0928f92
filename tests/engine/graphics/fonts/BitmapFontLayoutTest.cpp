// The bitmap-font layout without a device: words and separators, word wrap, empty lines,
// scaling with HEIGHT, ZERO_SIZE and the screen, alignment, missing letters and overhangs.
#include <windows.h>

#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFont.h"
#include "graphics/fonts/BitmapFontData.h"
#include "graphics/fonts/BitmapFontText.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/fonts/FontStyle.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;

namespace {

// Letters at scale 1 (HEIGHT 10 over ZERO_SIZE 10), indices 0 to 4: "a" and "b" 10 wide, the
// blank 5, "k" with a of 1, b of 8 and c of -2, "p" with c of +3.
const wchar_t* const kFontFile =
    L"<FONTS>"
    L"<BITMAPFONT_DATA NAME=\"D\" ZERO_SIZE=\"10\">"
    L"<LETTER TYPE=\"a\" W=\"10\"/>"
    L"<LETTER TYPE=\"b\" L=\"10\" W=\"10\"/>"
    L"<LETTER TYPE=\" \" W=\"5\"/>"
    L"<LETTER TYPE=\"k\" W=\"8\" ABC=\"1 8 -2\"/>"
    L"<LETTER TYPE=\"p\" W=\"8\" ABC=\"0 8 3\"/>"
    L"</BITMAPFONT_DATA>"
    L"<BITMAPFONT_DATA NAME=\"NOSPACE\" ZERO_SIZE=\"10\">"
    L"<LETTER TYPE=\"q\" W=\"7\"/>"
    L"<LETTER TYPE=\"a\" W=\"10\"/>"
    L"</BITMAPFONT_DATA>"
    L"<BITMAPFONT_DATA NAME=\"BIG\" ZERO_SIZE=\"60\"><LETTER TYPE=\"w\" W=\"40\"/></BITMAPFONT_DATA>"
    L"<BITMAPFONT NAME=\"F\" BITMAPFONT_DATA=\"D\" HEIGHT=\"10\" SCALE_WITH_SCREEN=\"0\"/>"
    L"<BITMAPFONT NAME=\"NS\" BITMAPFONT_DATA=\"NOSPACE\" HEIGHT=\"10\" SCALE_WITH_SCREEN=\"0\"/>"
    L"<BITMAPFONT NAME=\"BIG\" BITMAPFONT_DATA=\"BIG\" HEIGHT=\"30\" SCALE_WITH_SCREEN=\"0\"/>"
    L"<BITMAPFONT NAME=\"BIGSCREEN\" BITMAPFONT_DATA=\"BIG\" HEIGHT=\"30\"/>"
    L"<BITMAPFONT NAME=\"NODATA\" BITMAPFONT_DATA=\"missing\" HEIGHT=\"10\"/>"
    L"</FONTS>";

class BitmapFontLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        D3DXFontInterface::getInstance()->releaseEverything();
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, kFontFile, 1));
        D3DXFontInterface::getInstance()->loadFonts(&root);
    }
    void TearDown() override { D3DXFontInterface::getInstance()->releaseEverything(); }

    // Lays the text out in the rectangle for a 768-pixel-high screen.
    BitmapFontText& lay(const wchar_t* font, const std::wstring& text, RECT rect, uint32_t format = 0,
                        float screenHeight = 768.0f)
    {
        m_text.m_font = D3DXFontInterface::getInstance()->findFont(font);
        EXPECT_NE(m_text.m_font, nullptr) << "no font " << std::string(font, font + wcslen(font));
        m_text.m_text = text;
        m_text.m_rect = rect;
        m_text.m_format = format;
        m_text.layout(screenHeight);
        return m_text;
    }

    // The letter indices of a line as digits ('-' for a glyph without a letter).
    std::wstring letters(std::size_t line) const
    {
        std::wstring out;
        const BitmapFontData* data = static_cast<BitmapFont*>(m_text.m_font)->getData();
        for (const BitmapFontGlyph& glyph : m_text.getLine(line).glyphs)
            out += glyph.letter ? static_cast<wchar_t>(L'0' + (glyph.letter - &data->getLetters()[0])) : L'-';
        return out;
    }

    FontStyle m_style;
    BitmapFontText m_text{nullptr, &m_style};
};

} // namespace

TEST_F(BitmapFontLayout, WordWrapBreaksBetweenWordsWithoutASpaceGlyph)
{
    lay(L"F", L"ab ba", RECT{0, 0, 30, 100}, DT_WORDBREAK);
    ASSERT_EQ(m_text.getLineCount(), 2u);
    EXPECT_EQ(letters(0), L"01");
    EXPECT_EQ(letters(1), L"10");
    EXPECT_EQ(m_text.getLine(0).width, 20.0f);

    lay(L"F", L"ab ba", RECT{0, 0, 30, 100});
    ASSERT_EQ(m_text.getLineCount(), 1u);
    EXPECT_EQ(letters(0), L"01210");
    EXPECT_EQ(m_text.getLine(0).width, 45.0f);
    // The wrap test uses the width with the space: 20 + 20 fits in 45 but not in 44.
    lay(L"F", L"ab ba", RECT{0, 0, 40, 100}, DT_WORDBREAK);
    EXPECT_EQ(m_text.getLineCount(), 1u);
    lay(L"F", L"ab ba", RECT{0, 0, 39, 100}, DT_WORDBREAK);
    EXPECT_EQ(m_text.getLineCount(), 2u);
}

TEST_F(BitmapFontLayout, SeparatorRunsAndEmptyLines)
{
    lay(L"F", L"a \t  \tb", RECT{0, 0, 500, 100});
    ASSERT_EQ(m_text.getLineCount(), 1u);
    EXPECT_EQ(letters(0), L"021") << "a run of blanks and tabs gives one space";

    lay(L"F", L"\n\na\n\nb\n\n", RECT{0, 0, 500, 100});
    ASSERT_EQ(m_text.getLineCount(), 3u) << "no empty lines at the start or the end";
    EXPECT_EQ(letters(0), L"0");
    EXPECT_TRUE(m_text.getLine(1).glyphs.empty());
    EXPECT_EQ(letters(2), L"1");

    lay(L"F", L"a\r\nb", RECT{0, 0, 500, 100});
    EXPECT_EQ(m_text.getLineCount(), 3u) << "CR LF ends two paragraphs";

    lay(L"F", L"a", RECT{0, 0, 500, 100});
    lay(L"F", L"  \t ", RECT{0, 0, 500, 100});
    EXPECT_EQ(m_text.getLineCount(), 0u) << "blanks only lay out nothing, and old lines go";
}

TEST_F(BitmapFontLayout, ScaleFollowsHeightZeroSizeAndTheScreen)
{
    lay(L"BIG", L"w", RECT{0, 0, 500, 500});
    ASSERT_EQ(m_text.getLineCount(), 1u);
    const RECT& d = m_text.getLine(0).glyphs[0].destination;
    EXPECT_EQ(d.right - d.left, 20);
    EXPECT_EQ(d.bottom - d.top, 30);
    EXPECT_EQ(m_text.getLineHeight(), 30.0f);

    lay(L"BIGSCREEN", L"w", RECT{0, 0, 500, 500}, 0, 1536.0f);
    EXPECT_EQ(m_text.getLineHeight(), 60.0f);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.right, 40);

    m_text.m_scale = 0.5f;
    lay(L"BIG", L"w", RECT{0, 0, 500, 500});
    EXPECT_EQ(m_text.getLineHeight(), 15.0f) << "the text's own factor";
    m_text.m_scale = -1.0f;
}

TEST_F(BitmapFontLayout, VerticalAlignment)
{
    // Three lines of height 10 (HEIGHT 10) in 100..200.
    lay(L"F", L"a\nb\na", RECT{0, 100, 500, 200}, DT_VCENTER);
    ASSERT_EQ(m_text.getLineCount(), 3u);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.top, 135);
    EXPECT_EQ(m_text.getLine(1).glyphs[0].destination.top, 145);
    EXPECT_EQ(m_text.getLine(2).glyphs[0].destination.bottom, 165);

    lay(L"F", L"a\nb\na", RECT{0, 100, 500, 200}, DT_BOTTOM | DT_VCENTER);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.top, 170) << "DT_BOTTOM wins";
    EXPECT_EQ(m_text.getLine(2).glyphs[0].destination.bottom, 200);

    lay(L"BIGSCREEN", L"w\nw\nw", RECT{0, 100, 500, 200}, DT_VCENTER, 512.0f);
    ASSERT_EQ(m_text.getLineHeight(), 20.0f);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.top, 120);
    EXPECT_EQ(m_text.getLine(1).glyphs[0].destination.top, 140);
    EXPECT_EQ(m_text.getLine(2).glyphs[0].destination.top, 160);
    lay(L"BIGSCREEN", L"w\nw\nw", RECT{0, 100, 500, 200}, DT_BOTTOM, 512.0f);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.top, 140);
    EXPECT_EQ(m_text.getLine(2).glyphs[0].destination.top, 180);
}

TEST_F(BitmapFontLayout, HorizontalAlignment)
{
    // "aaaaa" is 50 wide; centred in 0..101 it starts at 25.5, truncated to 25.
    lay(L"F", L"aaaaa", RECT{0, 0, 101, 50}, DT_CENTER);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.left, 25);
    EXPECT_EQ(m_text.getLine(0).glyphs[1].destination.left, 35);
    // A leading a of 1 moves the first letter: the line (39 wide) starts at 31, the ink at 32.
    lay(L"F", L"kaaa", RECT{0, 0, 101, 50}, DT_CENTER);
    EXPECT_EQ(m_text.getLine(0).width, 39.0f);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.left, 32);

    lay(L"F", L"ab\nb", RECT{10, 0, 110, 50}, DT_RIGHT | DT_CENTER);
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.left, 90) << "DT_RIGHT wins";
    EXPECT_EQ(m_text.getLine(0).glyphs[1].destination.right, 110);
    EXPECT_EQ(m_text.getLine(1).glyphs[0].destination.left, 100);
}

TEST_F(BitmapFontLayout, OverhangsMoveTheNextLetterButNotTheMeasuredWidth)
{
    lay(L"F", L"ka", RECT{0, 0, 500, 50});
    const BitmapFontLine& line = m_text.getLine(0);
    EXPECT_EQ(line.glyphs[0].destination.left, 1);
    EXPECT_EQ(line.glyphs[0].destination.right, 9) << "a negative c does not shorten the cell";
    EXPECT_EQ(line.glyphs[1].destination.left, 7) << "but moves the next letter back by 2";
    EXPECT_EQ(line.width, 19.0f) << "the word width counts c only when positive";

    lay(L"F", L"pa", RECT{0, 0, 500, 50});
    EXPECT_EQ(m_text.getLine(0).glyphs[0].destination.right, 11) << "a positive c stretches the letter";
    EXPECT_EQ(m_text.getLine(0).glyphs[1].destination.left, 11);
}

TEST_F(BitmapFontLayout, MissingLettersAndMissingData)
{
    lay(L"F", L"az", RECT{0, 0, 500, 50});
    ASSERT_EQ(m_text.getLine(0).glyphs.size(), 2u);
    EXPECT_EQ(letters(0), L"00") << "a character without a letter is the first letter";

    lay(L"NS", L"a a", RECT{0, 0, 500, 50});
    ASSERT_EQ(m_text.getLine(0).glyphs.size(), 3u);
    EXPECT_EQ(letters(0), L"101") << "without a blank letter the space is the first letter";
    EXPECT_EQ(m_text.getLine(0).width, 27.0f);

    lay(L"F", L"a", RECT{0, 0, 500, 50});
    lay(L"NODATA", L"a", RECT{0, 0, 500, 50});
    EXPECT_EQ(m_text.getLineCount(), 1u) << "a font without glyph data keeps the old lines";
    EXPECT_EQ(static_cast<BitmapFont*>(D3DXFontInterface::getInstance()->findFont(L"NODATA"))->getData(), nullptr);
}
