#include "foundation/text/StringConversion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringConversion, Windows1252RoundTrip)
{
    // Euro sign, curly quotes, dash and accented letters all have a byte.
    const std::wstring wide = L"Preis: 5 \u20ac \u201equoted\u201c \u2013 \u00e9t\u00e9 \u00ff";
    const std::string narrow = Ulvo::toString(wide);
    EXPECT_EQ(narrow, "Preis: 5 \x80 \x84quoted\x93 \x96 \xe9t\xe9 \xff");
    EXPECT_EQ(Ulvo::toWString(narrow), wide);

    std::string everyByte;
    for (int b = 0x20; b < 0x100; ++b) {
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
            everyByte.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Ulvo::toString(Ulvo::toWString(everyByte)), everyByte);
}

TEST(StringConversion, UnmappableCharactersBecomeSpaces)
{
    EXPECT_EQ(Ulvo::toString(L"a\u4e2db\U0001F600c"), "a b c");
}

TEST(StringConversion, ResultEndsAtTheFirstZero)
{
    EXPECT_EQ(Ulvo::toString(std::wstring(L"ab\0cd", 5)), "ab");
    EXPECT_EQ(Ulvo::toWString(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(Ulvo::toString(L""), "");
    EXPECT_EQ(Ulvo::toWString(""), L"");
}

TEST(StringConversion, LongTextsConvertCompletely)
{
    const std::wstring wide(5000, L'\u20ac');
    const std::string narrow = Ulvo::toString(wide);
    EXPECT_EQ(narrow, std::string(5000, '\x80'));
    EXPECT_EQ(Ulvo::toWString(narrow), wide);
}

} // namespace
