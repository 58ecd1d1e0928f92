#pragma once
// GDI font constants and private memory fonts. Memory fonts join the face registry that
// D3DXCreateFontW resolves names against, ahead of the installed fonts.
#include <windef.h>

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1

#define OUT_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0

// Registers every face in the font file held in memory (TrueType/OpenType, collections too);
// *pcFonts receives the number of faces. Null (and 0 faces) when the bytes are not a font.
// The bytes are copied, so the caller may free them at once.
HANDLE AddFontMemResourceEx(PVOID pbFont, DWORD cbFont, PVOID pdv, DWORD* pcFonts);
// Takes the faces back out of the registry; fonts already made from them keep working.
BOOL RemoveFontMemResourceEx(HANDLE h);
