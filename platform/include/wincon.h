#pragma once
// The console window, for the logger. Output goes to stderr as UTF-8; colours become
// ANSI escapes when stderr is a terminal. A process starts without a console.
#include <windef.h>

#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)

#define FOREGROUND_BLUE 0x0001
#define FOREGROUND_GREEN 0x0002
#define FOREGROUND_RED 0x0004
#define FOREGROUND_INTENSITY 0x0008

BOOL AllocConsole(); // fails while a console exists
BOOL FreeConsole();
HANDLE GetStdHandle(DWORD which); // null while there is no console
BOOL WriteConsoleW(HANDLE console, const void* buffer, DWORD charCount, LPDWORD written, LPVOID reserved);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);
HWND GetConsoleWindow(); // a placeholder window while a console exists, else null
