#include <windows.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using TestSupport::TempDir;

namespace {

std::vector<std::wstring> findAll(const std::wstring& pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    return names;
}

} // namespace

TEST(FindFile, WildcardsMatchWithoutRegardToCase)
{
    TempDir dir;
    TestSupport::writeText(dir / "Levels/level01.LVL", "12345");
    TestSupport::writeText(dir / "Levels/Level02.lvl", "");
    TestSupport::writeText(dir / "Levels/level10.lvl", "");
    TestSupport::writeText(dir / "Levels/readme", "");
    TestSupport::writeText(dir / "Levels/Sub/x.lvl", "");
    TestSupport::ScopedCwd cwd(dir.path());

    using Names = std::vector<std::wstring>;
    EXPECT_EQ(findAll(L"levels\\*.lvl"), (Names{L"level01.LVL", L"Level02.lvl", L"level10.lvl"}));
    EXPECT_EQ(findAll(L"LEVELS/LEVEL0?.*"), (Names{L"level01.LVL", L"Level02.lvl"}));
    EXPECT_EQ(findAll(L"levels\\*.*"), (Names{L"level01.LVL", L"Level02.lvl", L"level10.lvl", L"readme", L"Sub"}));
    EXPECT_EQ(findAll(L"levels\\READ*"), (Names{L"readme"}));
    EXPECT_EQ(findAll(L"levels\\level?.lvl"), Names{});

    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(L"Levels\\LEVEL01.lvl", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(data.cFileName), L"level01.LVL");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    FindClose(find);

    find = FindFirstFileW(L"levels\\s*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    FindClose(find);
}

TEST(FindFile, NothingFoundReportsWhy)
{
    TempDir dir;
    TestSupport::writeText(dir / "a.txt", "");
    TestSupport::ScopedCwd cwd(dir.path());

    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(L"*.dat", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW(L"nofolder\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &data));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}
