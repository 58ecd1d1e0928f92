#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring toWide(UINT cp, const std::string& bytes)
{
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    EXPECT_EQ(MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
    return out;
}

std::string toBytes(UINT cp, const std::wstring& text, BOOL* usedDefault = nullptr, const char* def = nullptr)
{
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, def, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, def, usedDefault),
              n);
    return out;
}

} // namespace

TEST(CodePages, Windows1252RoundTripsEveryByte)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::wstring wide = toWide(CP_ACP, all);
    ASSERT_EQ(wide.size(), 255u);
    EXPECT_EQ(wide[0x80 - 1], L'\x20AC'); // euro sign
    EXPECT_EQ(wide[0x1A - 1], L'\x1A');
    EXPECT_EQ(wide[0x81 - 1], L'\x81'); // undefined in the code page: same-valued control
    EXPECT_EQ(wide[0x9F - 1], L'\x178');
    EXPECT_EQ(wide[0xE9 - 1], L'\xE9');
    BOOL usedDefault = TRUE;
    EXPECT_EQ(toBytes(CP_ACP, wide, &usedDefault), all);
    EXPECT_FALSE(usedDefault);
}

TEST(CodePages, UnmappableCharactersBecomeTheDefaultChar)
{
    BOOL usedDefault = FALSE;
    EXPECT_EQ(toBytes(CP_ACP, L"a\x3A9z\x1F600", &usedDefault), "a?z?");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(toBytes(CP_ACP, L"\x3A9", &usedDefault, "#"), "#");
    // UTF-8 takes no default char.
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", -1, nullptr, 0, nullptr, &usedDefault), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePages, Utf8CarriesCodePointsBeyondTheBasicPlane)
{
    const std::wstring text = L"A\xE9\x20AC\x1F600";
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(toBytes(CP_UTF8, text), utf8);
    EXPECT_EQ(toWide(CP_UTF8, utf8), text);
    // Malformed input: one replacement per bad byte, or a failure when asked.
    EXPECT_EQ(toWide(CP_UTF8, "a\xC3z\xED\xA0\x80"), L"a\xFFFDz\xFFFD\xFFFD\xFFFD");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, LengthsAndBuffersFollowWindows)
{
    // -1 counts and writes the terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    wchar_t wide[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 4), 4);
    EXPECT_EQ(std::wstring(wide), L"abc");
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    char narrow[3];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\x20AC", 1, narrow, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"", 0, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
