#include "foundation/app/AppInfo.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <platform_app.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Registers a version block for the lifetime of the object.
class VersionBlock {
public:
    explicit VersionBlock(const PLATFORM_VERSION_RESOURCE& resource) { PlatformSetVersionResource(&resource); }
    ~VersionBlock() { PlatformSetVersionResource(nullptr); }
    VersionBlock(const VersionBlock&) = delete;
    VersionBlock& operator=(const VersionBlock&) = delete;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::wstring expand(const wchar_t* text)
{
    wchar_t buffer[4096] = {};
    ExpandEnvironmentStringsW(text, buffer, 4096);
    return buffer;
}

const PLATFORM_VERSION_STRING kEnglish[] = {
    {L"ProductName", L"First Product"}, {L"FileDescription", L"Puzzle game"}, {L"Homepage", L"http://home.example"},
    {L"SavePath", L"FirstSave"},        {L"InternalName", L"Internal"},
};
const PLATFORM_VERSION_STRING kGerman[] = {
    {L"ProductName", L"Second Product"},
    {L"UpdatePage", L"http://update.example"},
    {L"CPProductName", L"Shop Name"},
    {L"LegalCopyright", L"(c) Maker"},
};
const PLATFORM_VERSION_TRANSLATION kTwoTranslations[] = {
    {0x0409, 0x04b0, kEnglish, 5},
    {0x0407, 0x04e4, kGerman, 4},
};
const PLATFORM_VERSION_RESOURCE kResource = {{1, 2, 3, 4}, {5, 6, 7, 65535}, kTwoTranslations, 2};

TEST(AppInfo, LaterTranslationsOverrideEarlierOnes)
{
    VersionBlock block(kResource);
    Ulvo::AppInfo info;
    EXPECT_EQ(info.getProductName(), L"Second Product");
    EXPECT_EQ(info.getFileDescription(), L"Puzzle game");
    EXPECT_EQ(info.getHomepage(), L"http://home.example");
    EXPECT_EQ(info.getUpdatePage(), L"http://update.example");
    EXPECT_EQ(info.getLegalNotice(), L"(c) Maker");
    // "CPProductName" replaces "InternalName"; "SavePath" beats "InternalName" for the folder.
    EXPECT_EQ(info.getInternalName(), L"Shop Name");
    EXPECT_EQ(info.getSaveFolderName(), L"FirstSave");

    unsigned v[4] = {9, 9, 9, 9};
    info.getVersion(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(v[0], 1u);
    EXPECT_EQ(v[1], 2u);
    EXPECT_EQ(v[2], 3u);
    EXPECT_EQ(v[3], 4u);
    EXPECT_EQ(info.getProductVersionText(), L"1.2.3.4");
    info.getFileVersion(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(v[3], 65535u);
    EXPECT_EQ(info.getFileVersionText(), L"5.6.7.65535");
}

TEST(AppInfo, InternalNameOfALaterTranslationNamesTheSaveFolder)
{
    const PLATFORM_VERSION_STRING first[] = {{L"SavePath", L"Early"}};
    const PLATFORM_VERSION_STRING second[] = {{L"InternalName", L"Late"}};
    const PLATFORM_VERSION_TRANSLATION translations[] = {{0x0409, 0x04b0, first, 1}, {0x0409, 0x04e4, second, 1}};
    const PLATFORM_VERSION_RESOURCE resource = {{0, 0, 0, 0}, {0, 0, 0, 0}, translations, 2};
    VersionBlock block(resource);
    Ulvo::AppInfo info;
    EXPECT_EQ(info.getSaveFolderName(), L"Late");
    EXPECT_EQ(info.getInternalName(), L"Late");
    EXPECT_EQ(info.getProductName(), L"");
}

TEST(AppInfo, WithoutVersionBlockTheProgramNamesTheSaveFolder)
{
    PlatformSetVersionResource(nullptr);
    Ulvo::AppInfo info;
    EXPECT_EQ(info.getProgramFileName(), L"foundation_tests");
    EXPECT_EQ(info.getSaveFolderName(), L"foundation_tests");
    const std::wstring& path = info.getProgramPath();
    ASSERT_GT(path.size(), info.getProgramFileName().size());
    EXPECT_EQ(path.substr(path.size() - 17), L"\\foundation_tests");
    EXPECT_EQ(info.getProductName(), L"");
    EXPECT_EQ(info.getProductVersionText(), L"");
    unsigned v[4] = {9, 9, 9, 9};
    info.getVersion(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(v[0] + v[1] + v[2] + v[3], 0u);

    wchar_t current[4096] = {};
    GetCurrentDirectoryW(4096, current);
    EXPECT_EQ(info.getCurrentFolder(), current);
    EXPECT_EQ(Ulvo::AppInfo::getInstance(), Ulvo::AppInfo::getInstance());
}

TEST(AppInfo, SavePathPerBase)
{
    VersionBlock block(kResource);
    Ulvo::AppInfo info;
    EXPECT_EQ(info.getSavePathKind(), Ulvo::AppInfo::SAVE_PATH_CURRENT);
    EXPECT_EQ(info.expandSavePath(), info.getCurrentFolder());

    info.setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);
    const std::wstring appData = expand(L"%APPDATA%");
    ASSERT_FALSE(appData.empty());
    EXPECT_EQ(info.expandSavePath(), appData + L"\\FirstSave");
    info.setSavePathKind(0);
    EXPECT_EQ(info.expandSavePath(), expand(L"%USERPROFILE%") + L"\\FirstSave");
    info.setSavePathKind(2);
    EXPECT_EQ(info.expandSavePath(), expand(L"%ALLUSERSPROFILE%") + L"\\FirstSave");
    info.setSavePathKind(4);
    EXPECT_EQ(info.expandSavePath(), L"");
    info.setSavePathKind(-1);
    EXPECT_EQ(info.expandSavePath(), L"");
}

TEST(AppInfo, CreateSaveFolderCreatesEveryMissingLevel)
{
    LogCapture capture;
    const fs::path base = capture.folder() / "data" / "home";
    ScopedEnv env("XDG_DATA_HOME", base.string());
    VersionBlock block(kResource);
    Ulvo::AppInfo info;
    info.setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);

    EXPECT_TRUE(info.createSaveFolder());
    EXPECT_TRUE(fs::is_directory(base / "FirstSave"));
    // Again: everything exists, which is no failure.
    EXPECT_TRUE(info.createSaveFolder());
    EXPECT_FALSE(capture.text().find("ERROR") != std::string::npos);
}

TEST(AppInfo, CreateSaveFolderInTheCurrentFolderCreatesNothing)
{
    LogCapture capture;
    Ulvo::AppInfo info;
    ASSERT_EQ(info.getSavePathKind(), Ulvo::AppInfo::SAVE_PATH_CURRENT);
    EXPECT_TRUE(info.createSaveFolder());
    for (const fs::directory_entry& entry : fs::directory_iterator(capture.folder()))
        EXPECT_EQ(entry.path().filename(), "logs") << "unexpected " << entry.path();
}

TEST(AppInfo, CreateSaveFolderFailureIsReportedAndLogged)
{
    LogCapture capture;
    TestSupport::writeText(capture.folder() / "blocker", "a file, not a folder");
    ScopedEnv env("XDG_DATA_HOME", (capture.folder() / "blocker" / "below").string());
    VersionBlock block(kResource);
    Ulvo::AppInfo info;
    info.setSavePathKind(Ulvo::AppInfo::SAVE_PATH_APP_DATA);

    EXPECT_FALSE(info.createSaveFolder());
    const std::string log = capture.text();
    EXPECT_NE(log.find("ERROR Ulvo::AppInfo::createSaveFolder"), std::string::npos) << log;
    EXPECT_NE(log.find("\\blocker\\below\\FirstSave"), std::string::npos) << log;

    info.setSavePathKind(7);
    EXPECT_FALSE(info.createSaveFolder());
}

} // namespace
