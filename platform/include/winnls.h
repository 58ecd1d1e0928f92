#pragma once
// Code page conversion. wchar_t is 32-bit here, so the wide side holds code points.
// CP_ACP is Windows-1252; CP_UTF8 is UTF-8.
#include <windef.h>

#define CP_ACP 0
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, LPBOOL usedDefaultChar);
