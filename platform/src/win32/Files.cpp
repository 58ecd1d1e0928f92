// Files and folders through mapped Windows paths.
#include <windows.h>

#include "win32/LastError.h"
#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mapped path, or false with the Windows error for a null or empty path.
bool mapArgument(LPCWSTR path, std::string& out)
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    out = Win32Internal::mapPath(path);
    return true;
}

BOOL fail(const std::string& path)
{
    Win32Internal::setLastErrorFromErrno(errno, path);
    return FALSE;
}

// A failed rename: when the source is there, a missing entry is the target's folder.
BOOL failMove(const std::string& source)
{
    int err = errno;
    struct stat st;
    if (err == ENOENT && lstat(source.c_str(), &st) == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    Win32Internal::setLastErrorFromErrno(err, source);
    return FALSE;
}

} // namespace

FILE* _wfopen(const wchar_t* path, const wchar_t* mode)
{
    if (!path || !mode || (*mode != L'r' && *mode != L'w' && *mode != L'a')) {
        errno = EINVAL;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Keep what fopen understands; 't' (text) and the Microsoft-only hints are dropped,
    // and so is an encoding suffix (",ccs=..."): callers translate text themselves.
    std::string narrow(1, static_cast<char>(*mode));
    for (const wchar_t* m = mode + 1; *m && *m != L','; ++m) {
        if (*m == L'+' || *m == L'b' || *m == L'x')
            narrow += static_cast<char>(*m);
    }
    narrow += 'e'; // not inherited by programs we start
    std::string mapped = Win32Internal::mapPath(path);
    FILE* file = std::fopen(mapped.c_str(), narrow.c_str());
    if (!file) {
        int err = errno;
        Win32Internal::setLastErrorFromErrno(err, mapped);
        errno = err;
    }
    return file;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return FALSE;
    if (mkdir(mapped.c_str(), 0777) != 0) {
        // A missing parent is a missing path, never a missing file.
        if (errno == ENOENT) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        return fail(mapped);
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return FALSE;
    if (rmdir(mapped.c_str()) != 0) {
        if (errno == ENOTDIR) {
            struct stat st;
            if (stat(mapped.c_str(), &st) == 0) {
                SetLastError(ERROR_DIRECTORY);
                return FALSE;
            }
        }
        return fail(mapped);
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return FALSE;
    if (unlink(mapped.c_str()) != 0)
        return fail(mapped);
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    std::string source;
    std::string target;
    if (!mapArgument(from, source) || !mapArgument(to, target))
        return FALSE;
    if (flags & MOVEFILE_REPLACE_EXISTING) {
        // rename(2) swaps the target atomically: readers see the old or the new file.
        if (rename(source.c_str(), target.c_str()) != 0)
            return failMove(source);
        return TRUE;
    }
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return TRUE;
    if (errno != EINVAL && errno != ENOSYS)
        return errno == EEXIST ? fail(target) : failMove(source);
    // File systems without RENAME_NOREPLACE.
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(source.c_str(), target.c_str()) != 0)
        return failMove(source);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(mapped.c_str(), &st) != 0) {
        fail(mapped);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer)
{
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) {
        Win32Internal::setLastErrorFromErrno(errno, {});
        return 0;
    }
    std::wstring path = Win32Internal::toWindowsPath(cwd);
    free(cwd);
    return Win32Internal::copyToBuffer(path, buffer, bufferLength);
}

BOOL SetCurrentDirectoryW(LPCWSTR path)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return FALSE;
    if (chdir(mapped.c_str()) != 0)
        return fail(mapped);
    return TRUE;
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR buffer, DWORD size)
{
    std::string target(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length <= 0) {
        Win32Internal::setLastErrorFromErrno(errno, {});
        return 0;
    }
    target.resize(static_cast<size_t>(length));
    std::wstring path = Win32Internal::toWindowsPath(target);
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Too small: truncated and terminated, returning the buffer size, as Windows does.
    if (path.size() + 1 > size) {
        path.resize(size - 1);
        Win32Internal::copyToBuffer(path, buffer, size);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return Win32Internal::copyToBuffer(path, buffer, size);
}
