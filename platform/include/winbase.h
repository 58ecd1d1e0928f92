#pragma once
// Kernel services: last error, files and folders, file search, time, environment,
// the program's own path, critical sections and debug output.
#include <windef.h>

// Error codes (Windows values).
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_GEN_FAILURE 31L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_DIRECTORY 267L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

DWORD GetLastError();
void SetLastError(DWORD error);

// Files and folders. Every path may use backslashes or slashes and any letter case:
// components are matched to the Linux file system without regard to case.
typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400

#define MOVEFILE_REPLACE_EXISTING 0x00000001

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security); // security is ignored
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL DeleteFileW(LPCWSTR path);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
// A symbolic link reports its target's attributes with FILE_ATTRIBUTE_REPARSE_POINT added; a file
// without any write permission is FILE_ATTRIBUTE_READONLY (and, as on Windows, is neither
// replaced nor opened for writing); pipes, sockets and devices are FILE_ATTRIBUTE_DEVICE and
// are never opened.
DWORD GetFileAttributesW(LPCWSTR path);

// Opening an existing file or folder to ask where it really is (links followed), with
// OPEN_EXISTING; access, sharing and flags are not looked at then. OPEN_ALWAYS with GENERIC_WRITE
// and no sharing opens (or creates) a regular file for this process alone: while the handle is
// open, any other such open of it, in any process, fails with ERROR_SHARING_VIOLATION; the
// file is free again once the handle is closed or its process has ended, however it ended.
// CloseHandle closes either.
#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define FILE_SHARE_READ 0x00000001
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
#define FILE_NAME_NORMALIZED 0x0
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR buffer, DWORD length, DWORD flags);

// Paths handed back use backslashes ("\home\x\build\bin\threematch").
DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
BOOL SetCurrentDirectoryW(LPCWSTR path);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size); // module is ignored: the program

// File search: '*' and '?' in the last component, matched without regard to case.
typedef struct _WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);

// Handles of this layer that need closing (the console's standard handles, opened files).
BOOL CloseHandle(HANDLE handle);

// Time over the monotonic clock. The performance counter runs at 10 MHz, so
// counter * 1000 / frequency stays in range for decades of uptime.
#define INFINITE 0xFFFFFFFF
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// Environment. %APPDATA% is $XDG_DATA_HOME (default $HOME/.local/share), %USERPROFILE%
// is $HOME, %ALLUSERSPROFILE% the first folder of $XDG_DATA_DIRS; these come back with
// backslashes. Other names are the process environment, unchanged.
DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

// Recursive lock, as on Windows. The storage holds a native mutex.
typedef struct _CRITICAL_SECTION {
    alignas(8) unsigned char Opaque[64];
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// There is no debugger channel: the text goes to stderr.
void OutputDebugStringW(LPCWSTR text);
