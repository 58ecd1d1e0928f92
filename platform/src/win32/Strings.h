#pragma once
// Conversions shared inside the layer: the file system and the terminal speak UTF-8.
#include <string>
#include <string_view>

namespace Win32Internal {

// Code points that UTF-8 cannot carry (surrogates, beyond U+10FFFF) become U+FFFD.
std::string wideToUtf8(std::wstring_view text);
// Malformed sequences become U+FFFD, one per offending byte.
std::wstring utf8ToWide(std::string_view text);

// Case folding for name comparison (Unicode lower case where the C library knows it).
wchar_t foldCase(wchar_t ch);
std::wstring foldCase(std::wstring_view text);

} // namespace Win32Internal

#include <windef.h>

namespace Win32Internal {

// Copies text with its terminator when it fits and returns its length; otherwise
// returns the size needed including the terminator, as the Win32 getters do.
DWORD copyToBuffer(std::wstring_view text, LPWSTR buffer, DWORD size);

} // namespace Win32Internal
