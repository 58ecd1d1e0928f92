// The logger's console: stderr stands in for the console window.
#include <windows.h>

#include "win32/Console.h"
#include "win32/FileHandles.h"
#include "win32/Strings.h"
#include "common/Diagnostics.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::atomic<bool> s_allocated{false};

// Distinct addresses serve as the console's handles and window.
char s_inputHandle;
char s_outputHandle;
char s_errorHandle;
char s_window;

bool isConsoleHandle(HANDLE handle)
{
    return handle == &s_inputHandle || handle == &s_outputHandle || handle == &s_errorHandle;
}

} // namespace

namespace Win32Internal {

bool isConsoleWindow(HWND window)
{
    return window && window == GetConsoleWindow();
}

} // namespace Win32Internal

BOOL AllocConsole()
{
    bool expected = false;
    if (!s_allocated.compare_exchange_strong(expected, true)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL FreeConsole()
{
    s_allocated.store(false);
    return TRUE;
}

HANDLE GetStdHandle(DWORD which)
{
    HANDLE handle;
    switch (which) {
    case STD_INPUT_HANDLE:
        handle = &s_inputHandle;
        break;
    case STD_OUTPUT_HANDLE:
        handle = &s_outputHandle;
        break;
    case STD_ERROR_HANDLE:
        handle = &s_errorHandle;
        break;
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    return s_allocated.load() ? handle : nullptr;
}

BOOL CloseHandle(HANDLE handle)
{
    if (Win32Internal::closeFileHandle(handle))
        return TRUE;
    // The console's handles stay valid as long as the console; closing them is harmless.
    if (!isConsoleHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* buffer, DWORD charCount, LPDWORD written, LPVOID)
{
    if (written)
        *written = 0;
    if (!s_allocated.load() || console == &s_inputHandle || !isConsoleHandle(console)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!buffer && charCount > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (charCount > 0)
        Diagnostics::writeStderr(
            Win32Internal::wideToUtf8(std::wstring_view(static_cast<const wchar_t*>(buffer), charCount)));
    if (written)
        *written = charCount;
    return TRUE;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes)
{
    if (!s_allocated.load() || console == &s_inputHandle || !isConsoleHandle(console)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!isatty(STDERR_FILENO))
        return TRUE;
    // Console colours are blue, green, red bits; ANSI numbers them red, green, blue.
    int ansi = ((attributes & FOREGROUND_RED) ? 1 : 0) | ((attributes & FOREGROUND_GREEN) ? 2 : 0) |
               ((attributes & FOREGROUND_BLUE) ? 4 : 0);
    int base = (attributes & FOREGROUND_INTENSITY) ? 90 : 30;
    char escape[16];
    std::snprintf(escape, sizeof escape, "\x1b[0;%dm", base + ansi);
    Diagnostics::writeStderr(escape);
    return TRUE;
}

HWND GetConsoleWindow()
{
    return s_allocated.load() ? reinterpret_cast<HWND>(&s_window) : nullptr;
}

void OutputDebugStringW(LPCWSTR text)
{
    if (text)
        Diagnostics::writeStderr(Win32Internal::wideToUtf8(text));
}
