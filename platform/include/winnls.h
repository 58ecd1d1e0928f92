#pragma once
// Code page conversion. wchar_t is 32-bit here, so the wide side holds code points.
// CP_ACP is Windows-1252; CP_UTF8 is UTF-8.
#include <windef.h>

#define CP_ACP 0
#define CP_UTF8 65001

// Languages: a primary language in the low 10 bits, a sublanguage above.
typedef WORD LANGID;
#define MAKELANGID(primary, sub) ((LANGID)((((WORD)(sub)) << 10) | (WORD)(primary)))
#define PRIMARYLANGID(language) ((WORD)(language)&0x3FF)
#define LANG_NEUTRAL 0x00
#define LANG_GERMAN 0x07
#define LANG_ENGLISH 0x09
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_GERMAN 0x01

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, LPBOOL usedDefaultChar);
