#pragma once
// The program's version block. Its data is the table the program registers with
// PlatformSetVersionResource (platform_app.h); without one there is no version block.
#include <windef.h>

typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle);
BOOL GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD length, LPVOID data);
// "\" -> VS_FIXEDFILEINFO; "\VarFileInfo\Translation" -> DWORD pairs (language | code page << 16),
// length in bytes; "\StringFileInfo\llllcccc\Key" -> the value, length in characters with the terminator.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);
