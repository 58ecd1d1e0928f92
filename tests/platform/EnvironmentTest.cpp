#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets or clears a variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

std::wstring expand(const wchar_t* text)
{
    DWORD needed = ExpandEnvironmentStringsW(text, nullptr, 0);
    std::wstring out(needed, L'\0');
    EXPECT_EQ(ExpandEnvironmentStringsW(text, out.data(), needed), needed);
    out.resize(needed - 1);
    return out;
}

} // namespace

TEST(Environment, FolderVariablesMapToXdgFolders)
{
    ScopedEnv home("HOME", "/home/player");
    ScopedEnv data("XDG_DATA_HOME", "/tmp/xdg data");
    ScopedEnv dirs("XDG_DATA_DIRS", "/opt/share:/usr/share");

    EXPECT_EQ(expand(L"%APPDATA%\\Game"), L"\\tmp\\xdg data\\Game");
    EXPECT_EQ(expand(L"%appdata%"), L"\\tmp\\xdg data");
    EXPECT_EQ(expand(L"%USERPROFILE%"), L"\\home\\player");
    EXPECT_EQ(expand(L"%ALLUSERSPROFILE%"), L"\\opt\\share");
    {
        ScopedEnv noData("XDG_DATA_HOME", nullptr);
        ScopedEnv noDirs("XDG_DATA_DIRS", nullptr);
        EXPECT_EQ(expand(L"%APPDATA%"), L"\\home\\player\\.local\\share");
        EXPECT_EQ(expand(L"%ALLUSERSPROFILE%"), L"\\usr\\local\\share");
    }
    {
        // A backslash would turn into a folder of its own on the way back: not taken.
        ScopedEnv slashed("XDG_DATA_HOME", "/tmp/xdg\\data");
        EXPECT_EQ(expand(L"%APPDATA%"), L"\\home\\player\\.local\\share");
    }
    wchar_t buffer[64];
    EXPECT_EQ(GetEnvironmentVariableW(L"APPDATA", buffer, 64), 13u);
    EXPECT_EQ(std::wstring(buffer), L"\\tmp\\xdg data");
}

TEST(Environment, OtherNamesAndSizes)
{
    ScopedEnv set("ULVO_TEST_VALUE", "abc");
    ScopedEnv unset("ULVO_TEST_MISSING", nullptr);

    EXPECT_EQ(expand(L"x%ULVO_TEST_VALUE%y"), L"xabcy");
    EXPECT_EQ(expand(L"%ULVO_TEST_MISSING%\\%ULVO_TEST_VALUE%"), L"%ULVO_TEST_MISSING%\\abc");
    EXPECT_EQ(expand(L"50% off"), L"50% off");
    EXPECT_EQ(expand(L""), L"");

    // Too small: the size needed, terminator included.
    wchar_t small[3];
    EXPECT_EQ(ExpandEnvironmentStringsW(L"%ULVO_TEST_VALUE%!", small, 3), 5u);
    EXPECT_EQ(GetEnvironmentVariableW(L"ULVO_TEST_VALUE", small, 3), 4u);
    wchar_t buffer[8];
    EXPECT_EQ(GetEnvironmentVariableW(L"ULVO_TEST_VALUE", buffer, 8), 3u);
    EXPECT_EQ(std::wstring(buffer), L"abc");
    EXPECT_EQ(GetEnvironmentVariableW(L"ULVO_TEST_MISSING", buffer, 8), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}
