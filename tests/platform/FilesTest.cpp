#include <windows.h>
#include <platform_app.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using TestSupport::ScopedCwd;
using TestSupport::TempDir;

TEST(Files, CreateDirectoryReportsWindowsErrors)
{
    TempDir dir;
    ScopedCwd cwd(dir.path());

    EXPECT_TRUE(CreateDirectoryW(L"Saves", nullptr));
    EXPECT_TRUE(fs::is_directory(dir / "Saves"));
    EXPECT_FALSE(CreateDirectoryW(L"SAVES", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW(L"Missing\\Child", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(CreateDirectoryW(L"saves\\Sub\\", nullptr));
    EXPECT_TRUE(fs::is_directory(dir / "Saves/Sub"));

    EXPECT_EQ(GetFileAttributesW(L"SAVES"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    TestSupport::writeText(dir / "Saves/config.cfg", "x");
    EXPECT_EQ(GetFileAttributesW(L"saves/Config.CFG"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(L"saves\\none.cfg"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(L"nofolder\\none.cfg"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_FALSE(RemoveDirectoryW(L"Saves"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(DeleteFileW(L"SAVES\\CONFIG.CFG"));
    EXPECT_FALSE(DeleteFileW(L"SAVES\\CONFIG.CFG"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RemoveDirectoryW(L"saves\\sub"));
    EXPECT_TRUE(RemoveDirectoryW(L"saves"));
    EXPECT_FALSE(fs::exists(dir / "Saves"));
}

TEST(Files, MoveFileExReplacesOnlyWhenAsked)
{
    TempDir dir;
    ScopedCwd cwd(dir.path());
    TestSupport::writeText(dir / "Profile.tmp", "new");
    TestSupport::writeText(dir / "profile.prf", "old");

    EXPECT_FALSE(MoveFileExW(L"profile.tmp", L"PROFILE.PRF", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(TestSupport::readText(dir / "profile.prf"), "old");

    EXPECT_TRUE(MoveFileExW(L"profile.tmp", L"PROFILE.PRF", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(TestSupport::readText(dir / "profile.prf"), "new");
    EXPECT_FALSE(fs::exists(dir / "Profile.tmp"));
    EXPECT_FALSE(fs::exists(dir / "PROFILE.PRF"));

    EXPECT_TRUE(MoveFileExW(L"profile.prf", L"Renamed.prf", 0));
    EXPECT_EQ(TestSupport::readText(dir / "Renamed.prf"), "new");
    EXPECT_FALSE(MoveFileExW(L"profile.prf", L"x.prf", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(MoveFileExW(L"renamed.prf", L"nofolder\\x.prf", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Files, ProgramPathAndCurrentFolderUseBackslashes)
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring program(path, length);
    EXPECT_EQ(program.find(L'/'), std::wstring::npos);
    EXPECT_EQ(program.substr(program.rfind(L'\\') + 1), L"platform_tests");
    EXPECT_EQ(GetFileAttributesW(path), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));

    // Too small: truncated, terminated, the buffer size returned.
    wchar_t small[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(small), program.substr(0, 3));

    TempDir dir;
    fs::create_directories(dir / "Run");
    ScopedCwd cwd(dir.path());
    EXPECT_TRUE(SetCurrentDirectoryW(L"RUN"));
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring current(needed, L'\0');
    EXPECT_EQ(GetCurrentDirectoryW(needed, current.data()), needed - 1);
    current.resize(needed - 1);
    EXPECT_EQ(current.substr(current.rfind(L'\\')), L"\\Run");
    EXPECT_FALSE(SetCurrentDirectoryW(L"nowhere"));
}

TEST(Files, PipesAreNeverOpenedAndReadOnlyFilesNeverWritten)
{
    TempDir dir;
    ScopedCwd cwd(dir.path());
    ASSERT_EQ(mkfifo((dir / "pipe.fx").c_str(), 0644), 0);
    // Neither waits for a writer or a reader.
    EXPECT_EQ(_wfopen(L"pipe.fx", L"rb"), nullptr);
    EXPECT_EQ(_wfopen(L"pipe.fx", L"wb"), nullptr);
    EXPECT_EQ(GetFileAttributesW(L"pipe.fx"), static_cast<DWORD>(FILE_ATTRIBUTE_DEVICE));

    TestSupport::writeText(dir / "kept.cfg", "old");
    fs::permissions(dir / "kept.cfg", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(GetFileAttributesW(L"kept.cfg"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(_wfopen(L"kept.cfg", L"wb"), nullptr);
    TestSupport::writeText(dir / "new.cfg", "new");
    EXPECT_FALSE(MoveFileExW(L"new.cfg", L"kept.cfg", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(TestSupport::readText(dir / "kept.cfg"), "old");
    FILE* read = _wfopen(L"kept.cfg", L"rb");
    ASSERT_NE(read, nullptr);
    std::fclose(read);
}

TEST(Files, LinksAreReportedAndFollowedToWhereTheyLead)
{
    TempDir dir;
    ScopedCwd cwd(dir.path());
    fs::create_directories(dir / "real");
    TestSupport::writeText(dir / "real/config.cfg", "x");
    fs::create_symlink(dir / "real/config.cfg", dir / "config.cfg");
    EXPECT_EQ(GetFileAttributesW(L"config.cfg"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(GetFileAttributesW(L"real\\config.cfg"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));

    HANDLE file = CreateFileW(L"CONFIG.CFG", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    wchar_t small[4];
    const DWORD needed = GetFinalPathNameByHandleW(file, small, 4, FILE_NAME_NORMALIZED);
    std::wstring path(needed, L'\0');
    ASSERT_EQ(GetFinalPathNameByHandleW(file, path.data(), needed, FILE_NAME_NORMALIZED), needed - 1);
    path.resize(needed - 1);
    EXPECT_EQ(fs::path(PlatformMapPath(path)), fs::canonical(dir / "real/config.cfg"));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(CreateFileW(L"missing.cfg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(Files, AnUnsharedOpenHoldsTheFileUntilClosedOrItsProcessEnds)
{
    TempDir dir;
    ScopedCwd cwd(dir.path());
    auto take = [] {
        return CreateFileW(L"Lock", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };

    HANDLE held = take();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fs::is_regular_file(dir / "lock") || fs::is_regular_file(dir / "Lock"));
    EXPECT_EQ(take(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(held));

    // A holder that is killed frees the file as well.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const char taken = take() != INVALID_HANDLE_VALUE ? 'y' : 'n';
        if (write(ready[1], &taken, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(read(ready[0], &taken, 1), 1);
    EXPECT_EQ(taken, 'y');
    EXPECT_EQ(take(), INVALID_HANDLE_VALUE) << "held by the child";
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    held = take();
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    CloseHandle(held);

    // Only a regular file is ever taken.
    fs::create_directory(dir / "Folder");
    EXPECT_EQ(CreateFileW(L"Folder", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
}
