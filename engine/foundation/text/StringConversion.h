#pragma once
// Wide <-> narrow text in the ANSI code page (Windows-1252).
#include <string>

namespace Ulvo {

// Characters without a mapping become a space; the result ends at the first zero.
std::string toString(const std::wstring& text);
// The result ends at the first zero character.
std::wstring toWString(const std::string& text);

} // namespace Ulvo
