#include <windows.h>
#include <platform_app.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using TestSupport::ScopedCwd;
using TestSupport::TempDir;

TEST(PathMapping, MatchesEveryComponentWithoutRegardToCase)
{
    TempDir dir;
    TestSupport::writeText(dir / "data/menu/x.tex", "menu");
    ScopedCwd cwd(dir.path());

    EXPECT_EQ(PlatformMapPath(L"Data\\Menu\\X.tex"), "data/menu/x.tex");
    EXPECT_EQ(PlatformMapPath(L"DATA//menu\\\\X.TEX"), "data/menu/x.tex");
    EXPECT_EQ(PlatformMapPath(L".\\Data\\.\\Other\\..\\MENU\\x.tex"), "data/menu/x.tex");
    EXPECT_EQ(PlatformMapPath(L"data/menu/"), "data/menu");
    // Missing components stay as written, also below a missing one.
    EXPECT_EQ(PlatformMapPath(L"Data\\New\\Sub\\F.txt"), "data/New/Sub/F.txt");
    EXPECT_EQ(PlatformMapPath(L"Data\\New\\..\\Menu"), "data/menu");

    FILE* file = _wfopen(L"DATA\\MENU\\X.TEX", L"rb");
    ASSERT_NE(file, nullptr);
    char buf[8] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, file), 4u);
    std::fclose(file);
    EXPECT_STREQ(buf, "menu");
}

TEST(PathMapping, AbsolutePathsAndTheFormsHandedBack)
{
    TempDir dir;
    TestSupport::writeText(dir / "Saves/Profile.prf", "p");
    ScopedCwd cwd(dir.path());

    wchar_t current[1024];
    DWORD length = GetCurrentDirectoryW(1024, current);
    ASSERT_GT(length, 0u);
    std::wstring windowsCwd(current, length);
    EXPECT_EQ(windowsCwd.find(L'/'), std::wstring::npos);
    EXPECT_EQ(windowsCwd[0], L'\\');

    std::string mapped = PlatformMapPath(windowsCwd + L"\\saves\\PROFILE.PRF");
    EXPECT_EQ(fs::path(mapped), fs::canonical(dir / "Saves/Profile.prf"));
    EXPECT_EQ(PlatformMapPath(L"\\"), "/");
    EXPECT_EQ(PlatformMapPath(L"\\..\\tmp"), "/tmp");
}

TEST(PathMapping, NewFileInAnExistingMixedCaseFolder)
{
    TempDir dir;
    fs::create_directories(dir / "Logs");
    ScopedCwd cwd(dir.path());

    FILE* file = _wfopen(L"logs\\New.log", L"wt");
    ASSERT_NE(file, nullptr);
    std::fputs("line\n", file);
    std::fclose(file);
    EXPECT_EQ(TestSupport::readText(dir / "Logs/New.log"), "line\n");
    EXPECT_FALSE(fs::exists(dir / "logs"));

    // Writing the same name in another spelling reaches the same file.
    file = _wfopen(L"LOGS\\new.LOG", L"ab");
    ASSERT_NE(file, nullptr);
    std::fputs("more\n", file);
    std::fclose(file);
    EXPECT_EQ(TestSupport::readText(dir / "Logs/New.log"), "line\nmore\n");

    EXPECT_EQ(_wfopen(L"Missing\\x.log", L"w"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(_wfopen(L"logs\\New.log", L"q"), nullptr);
}
