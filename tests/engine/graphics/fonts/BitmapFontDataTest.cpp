// Glyph data read from BITMAPFONT_DATA nodes: letter rectangles and ABC widths, skipped and
// repeated letters, the 65,536-entry character table and ZERO_SIZE values that mean nothing.
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/BitmapFontData.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;

namespace {

BitmapFontData* dataFrom(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return new BitmapFontData(&node);
}

} // namespace

TEST(BitmapFontData, LetterRectanglesAndWidths)
{
    BitmapFontData* data = dataFrom(L"<BITMAPFONT_DATA NAME=\"d\" ZERO_SIZE=\"20\">"
                                    L"<LETTER TYPE=\"a\" L=\"10\" T=\"4\" W=\"5\" H=\"9\"/>"
                                    L"<LETTER TYPE=\"b\" L=\"10\" R=\"30\" W=\"5\" B=\"8\" ABC=\"1 4\"/>"
                                    L"<LETTER TYPE=\"c\" ABC=\"-1 6 -2\"/>"
                                    L"</BITMAPFONT_DATA>");
    EXPECT_EQ(data->getName(), L"d");
    EXPECT_FLOAT_EQ(data->getZeroScale(), 0.05f);
    ASSERT_EQ(data->getLetters().size(), 3u);
    const BitmapFontLetter& a = data->getLetters()[0];
    EXPECT_EQ(a.source.left, 10);
    EXPECT_EQ(a.source.right, 15);
    EXPECT_EQ(a.source.top, 4);
    EXPECT_EQ(a.source.bottom, 13);
    EXPECT_EQ(a.a, 0.0f);
    EXPECT_EQ(a.b, 5.0f);
    EXPECT_EQ(a.c, 0.0f);
    EXPECT_EQ(a.texture, nullptr);
    const BitmapFontLetter& b = data->getLetters()[1];
    EXPECT_EQ(b.source.right, 30) << "R wins over W";
    EXPECT_EQ(b.source.bottom, 8);
    EXPECT_EQ(b.a, 1.0f);
    EXPECT_EQ(b.b, 4.0f);
    EXPECT_EQ(b.c, 0.0f);
    const BitmapFontLetter& c = data->getLetters()[2];
    EXPECT_EQ(c.a, -1.0f);
    EXPECT_EQ(c.c, -2.0f);
    data->Release();
}

TEST(BitmapFontData, CharacterTableSkipsAndReplacesLetters)
{
    BitmapFontData* data = dataFrom(L"<BITMAPFONT_DATA NAME=\"d\">"
                                    L"<LETTER TYPE=\"x\" W=\"1\"/>"
                                    L"<LETTER W=\"99\"/>"
                                    L"<LETTER TYPE=\"\" W=\"98\"/>"
                                    L"<LETTER W=\"2\"><TYPE>\"|\"|\"</TYPE></LETTER>"
                                    L"<LETTER TYPE=\"yz\" W=\"3\"/>"
                                    L"<LETTER TYPE=\"x\" W=\"4\"/>"
                                    L"</BITMAPFONT_DATA>");
    ASSERT_EQ(data->getLetters().size(), 4u) << "letters without a character are skipped";
    EXPECT_EQ(data->getLookup(L'"'), 1u) << "the TYPE child node names the character";
    EXPECT_EQ(data->getLookup(L'y'), 2u) << "only the first character of TYPE counts";
    EXPECT_EQ(data->getLookup(L'z'), 0u);
    EXPECT_EQ(data->getLookup(L'x'), 3u) << "a later letter takes the character over";
    EXPECT_EQ(data->getLetters()[0].b, 1.0f) << "and the earlier record stays";
    // Characters without a letter are drawn as the first letter read.
    ASSERT_NE(data->findLetter(L'q'), nullptr);
    EXPECT_EQ(data->findLetter(L'q'), &data->getLetters()[0]);
    data->Release();
}

TEST(BitmapFontData, TableCoversEveryUtf16UnitAndNothingBeyond)
{
    LogCapture log;
    BitmapFontData* data = dataFrom(L"<BITMAPFONT_DATA NAME=\"wide\">"
                                    L"<LETTER TYPE=\"a\" W=\"1\"/>"
                                    L"<LETTER TYPE=\"\uFFFF\" W=\"2\"/>"
                                    L"<LETTER TYPE=\"\U0001F600\" W=\"3\"/>"
                                    L"</BITMAPFONT_DATA>");
    EXPECT_EQ(BitmapFontData::kTableSize, 65536u);
    ASSERT_EQ(data->getLetters().size(), 2u) << "a character beyond the table has no entry to take";
    EXPECT_EQ(data->getLookup(static_cast<wchar_t>(0xFFFF)), 1u);
    EXPECT_EQ(data->findLetter(static_cast<wchar_t>(0xFFFF))->b, 2.0f);
    EXPECT_EQ(data->getLookup(static_cast<wchar_t>(0x1F600)), 0u);
    EXPECT_EQ(data->findLetter(static_cast<wchar_t>(0x1F600)), &data->getLetters()[0]);
    EXPECT_EQ(data->findLetter(static_cast<wchar_t>(0x7FFFFFFF)), &data->getLetters()[0]);
    EXPECT_NE(log.text().find("U+FFFF"), std::string::npos);
    data->Release();

    BitmapFontData* empty = dataFrom(L"<BITMAPFONT_DATA NAME=\"e\"/>");
    EXPECT_EQ(empty->findLetter(L'a'), nullptr);
    empty->Release();
}

TEST(BitmapFontData, ZeroSizeOfZeroOrLessIsIgnoredWithALogLine)
{
    for (const wchar_t* size : {L"0", L"-4", L"abc"}) {
        LogCapture log;
        BitmapFontData* data = dataFrom(std::wstring(L"<BITMAPFONT_DATA NAME=\"z\" ZERO_SIZE=\"") + size + L"\"/>");
        EXPECT_EQ(data->getZeroScale(), 1.0f) << "ZERO_SIZE " << size;
        EXPECT_NE(log.text().find("ZERO_SIZE"), std::string::npos) << "ZERO_SIZE " << size;
        data->Release();
    }
}
