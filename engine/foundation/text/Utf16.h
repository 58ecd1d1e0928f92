#pragma once
// UTF-16LE at the file boundary: wchar_t holds whole code points here.
#include <cstddef>
#include <string>

namespace Ulvo {

// Appends the text as UTF-16LE bytes; code points above U+FFFF become
// surrogate pairs, values that are no code point at all become U+FFFD.
void appendUtf16LE(std::string& out, const std::wstring& text);

// Decodes count code units of UTF-16LE; an unpaired surrogate stays as its
// code unit value.
void decodeUtf16LE(const unsigned char* bytes, std::size_t count, std::wstring& out);

} // namespace Ulvo
