#include <windows.h>
#include <platform_app.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring programPath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::vector<BYTE> readBlock()
{
    std::wstring program = programPath();
    DWORD handle = 1;
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> block(size);
    if (size) {
        EXPECT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));
    }
    return block;
}

std::wstring queryString(const std::vector<BYTE>& block, const wchar_t* path)
{
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, &value, &length))
        return L"<none>";
    EXPECT_EQ(length, std::wstring(static_cast<const wchar_t*>(value)).size() + 1);
    return static_cast<const wchar_t*>(value);
}

} // namespace

TEST(VersionInfo, NoRegisteredTableMeansNoBlock)
{
    PlatformSetVersionResource(nullptr);
    std::wstring program = programPath();
    EXPECT_EQ(GetFileVersionInfoSizeW(program.c_str(), nullptr), 0u);
}

TEST(VersionInfo, QueriesPointIntoTheCallersCopy)
{
    const PLATFORM_VERSION_STRING english[] = {
        {L"ProductName", L"Puzzle"}, {L"InternalName", L"puzzle"}, {L"SavePath", L"Puzzle Saves"}};
    const PLATFORM_VERSION_STRING german[] = {{L"ProductName", L"Rätsel"}, {L"Homepage", L""}};
    const PLATFORM_VERSION_TRANSLATION translations[] = {{0x0409, 0x04b0, english, 3}, {0x0407, 0x04E4, german, 2}};
    PLATFORM_VERSION_RESOURCE resource = {{1, 2, 3, 4}, {5, 6, 7, 8}, translations, 2};
    PlatformSetVersionResource(&resource);

    std::vector<BYTE> block = readBlock();
    ASSERT_FALSE(block.empty());
    PlatformSetVersionResource(nullptr); // the copy stands alone

    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
    EXPECT_GE(static_cast<BYTE*>(value), block.data());
    EXPECT_LT(static_cast<BYTE*>(value), block.data() + block.size());
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00030004u);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00050006u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00070008u);

    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 8u);
    const DWORD* pairs = static_cast<const DWORD*>(value);
    EXPECT_EQ(LOWORD(pairs[0]), 0x0409);
    EXPECT_EQ(HIWORD(pairs[0]), 0x04b0);
    EXPECT_EQ(LOWORD(pairs[1]), 0x0407);
    EXPECT_EQ(HIWORD(pairs[1]), 0x04E4);

    // Paths built the usual way from each pair, hex in either case.
    wchar_t path[2048];
    std::swprintf(path, 2048, L"\\StringFileInfo\\%04x%04x\\ProductName", LOWORD(pairs[0]), HIWORD(pairs[0]));
    EXPECT_EQ(queryString(block, path), L"Puzzle");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040704E4\\ProductName"), L"Rätsel");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040704e4\\productname"), L"Rätsel");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040904b0\\SavePath"), L"Puzzle Saves");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040704e4\\SavePath"), L"<none>");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040704e4\\Homepage"), L"");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\040904e4\\ProductName"), L"<none>");
    EXPECT_EQ(queryString(block, L"\\StringFileInfo\\0409\\ProductName"), L"<none>");
}

TEST(VersionInfo, OnlyTheProgramHasABlock)
{
    const PLATFORM_VERSION_TRANSLATION translation = {0x0409, 0x04b0, nullptr, 0};
    PLATFORM_VERSION_RESOURCE resource = {{1, 0, 0, 0}, {1, 0, 0, 0}, &translation, 1};
    PlatformSetVersionResource(&resource);
    EXPECT_EQ(GetFileVersionInfoSizeW(L"\\bin\\sh", nullptr), 0u);
    std::wstring program = programPath();
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> small(size - 1);
    EXPECT_FALSE(GetFileVersionInfoW(program.c_str(), 0, size - 1, small.data()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    PlatformSetVersionResource(nullptr);
}
