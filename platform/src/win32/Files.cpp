// Files and folders through mapped Windows paths.
#include <windows.h>

#include "win32/FileHandles.h"
#include "win32/LastError.h"
#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <string>
#include <sys/file.h>
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

// No write permission for anyone: what Windows' read-only attribute is here. Such a file is
// not replaced or written, even by a user the permissions would let through.
bool isReadOnly(const struct stat& st)
{
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// fopen for files and folders only: Windows has no pipes, sockets or devices among its files,
// and opening a pipe would wait for a writer. The entry is opened without waiting and looked
// at before it is handed out. Not inherited by programs we start.
FILE* openFileOnly(const std::string& path, const std::string& mode)
{
    const bool plus = mode.find('+') != std::string::npos;
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (mode[0]) {
    case 'r':
        flags |= plus ? O_RDWR : O_RDONLY;
        break;
    case 'w':
        flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT; // truncated once it is known to be writable
        break;
    default:
        flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        break;
    }
    if (mode.find('x') != std::string::npos)
        flags |= O_EXCL;
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) ||
        ((flags & O_ACCMODE) != O_RDONLY && isReadOnly(st))) {
        close(fd);
        errno = EACCES;
        return nullptr;
    }
    if (mode[0] == 'w' && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
        const int err = errno;
        close(fd);
        errno = err;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string fdMode = mode;
    fdMode.erase(std::remove(fdMode.begin(), fdMode.end(), 'x'), fdMode.end());
    FILE* file = fdopen(fd, fdMode.c_str());
    if (!file) {
        const int err = errno;
        close(fd);
        errno = err;
    }
    return file;
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
    std::string mapped = Win32Internal::mapPath(path);
    FILE* file = openFileOnly(mapped, narrow);
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
        struct stat existing;
        if (lstat(target.c_str(), &existing) == 0 && isReadOnly(existing)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
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
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (S_ISDIR(st.st_mode))
        attributes = FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(st.st_mode))
        attributes = FILE_ATTRIBUTE_DEVICE;
    else if (isReadOnly(st))
        attributes = FILE_ATTRIBUTE_READONLY;
    struct stat link;
    if (lstat(mapped.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        attributes = (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}

namespace {

// Files opened by CreateFileW, by their handles.
struct OpenedFile {
    int fd;
};
std::mutex s_openedLock;
std::set<OpenedFile*> s_opened;

OpenedFile* openedFile(HANDLE handle)
{
    auto* file = static_cast<OpenedFile*>(handle);
    std::lock_guard<std::mutex> guard(s_openedLock);
    return s_opened.count(file) ? file : nullptr;
}

} // namespace

namespace {

// A file held for one process: the kernel drops the lock with the last descriptor, also when
// the process is killed, so a crash never leaves the file taken.
int openExclusive(const std::string& mapped)
{
    // A link is not followed: the lock belongs to the file named, not to whatever it leads to.
    const int fd = open(mapped.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail(mapped);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        close(fd);
        if (err == EWOULDBLOCK)
            SetLastError(ERROR_SHARING_VIOLATION);
        else
            Win32Internal::setLastErrorFromErrno(err, mapped);
        return -1;
    }
    return fd;
}

} // namespace

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    std::string mapped;
    if (!mapArgument(path, mapped))
        return INVALID_HANDLE_VALUE;
    const bool exclusive = disposition == OPEN_ALWAYS && (access & GENERIC_WRITE) && share == 0;
    if (disposition != OPEN_EXISTING && !exclusive) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = exclusive ? openExclusive(mapped) : open(mapped.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        if (!exclusive)
            fail(mapped);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new OpenedFile{fd};
    std::lock_guard<std::mutex> guard(s_openedLock);
    s_opened.insert(file);
    return file;
}

DWORD GetFinalPathNameByHandleW(HANDLE handle, LPWSTR buffer, DWORD length, DWORD)
{
    OpenedFile* file = openedFile(handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::string target(4096, '\0');
    const ssize_t size =
        readlink(("/proc/self/fd/" + std::to_string(file->fd)).c_str(), target.data(), target.size() - 1);
    if (size <= 0) {
        Win32Internal::setLastErrorFromErrno(errno, {});
        return 0;
    }
    target.resize(static_cast<size_t>(size));
    const std::wstring windowsPath = Win32Internal::toWindowsPath(target);
    // As Windows: the length without the terminator, or the size needed with it when too small.
    if (!buffer || windowsPath.size() + 1 > length)
        return static_cast<DWORD>(windowsPath.size() + 1);
    std::copy(windowsPath.begin(), windowsPath.end(), buffer);
    buffer[windowsPath.size()] = L'\0';
    return static_cast<DWORD>(windowsPath.size());
}

namespace Win32Internal {

bool closeFileHandle(HANDLE handle)
{
    auto* file = static_cast<OpenedFile*>(handle);
    {
        std::lock_guard<std::mutex> guard(s_openedLock);
        if (!s_opened.erase(file))
            return false;
    }
    close(file->fd);
    delete file;
    return true;
}

} // namespace Win32Internal

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
