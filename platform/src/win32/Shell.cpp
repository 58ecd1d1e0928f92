// Opening documents and addresses with the desktop's handler.
#include <windows.h>

#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// "https:...", "mailto:..." are addresses; "C:\x" (one letter) is a path.
bool isAddress(std::wstring_view text)
{
    size_t colon = text.find(L':');
    if (colon == text.npos || colon < 2)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        wchar_t ch = text[i];
        bool letter = (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
        bool other = (ch >= L'0' && ch <= L'9') || ch == L'+' || ch == L'-' || ch == L'.';
        if (!letter && !(i > 0 && other))
            return false;
    }
    return true;
}

bool findOnPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

HINSTANCE result(intptr_t code)
{
    return reinterpret_cast<HINSTANCE>(code);
}

} // namespace

HINSTANCE ShellExecuteW(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT)
{
    const intptr_t kFileNotFound = 2;
    if (!file || !*file)
        return result(kFileNotFound);
    std::string target;
    if (isAddress(file)) {
        target = Win32Internal::wideToUtf8(file);
    } else {
        target = Win32Internal::mapPath(file);
        struct stat st;
        if (stat(target.c_str(), &st) != 0)
            return result(kFileNotFound);
    }
    if (!findOnPath("xdg-open"))
        return result(SE_ERR_NOASSOC);

    // A short-lived shell starts the handler in the background, in a session of its own,
    // and exits at once: the handler outlives neither a wait here nor our terminal.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", target.c_str(), nullptr};
    pid_t pid = 0;
    int err = posix_spawnp(&pid, "sh", &actions, &attributes, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (err != 0)
        return result(SE_ERR_NOASSOC);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return result(42);
}
