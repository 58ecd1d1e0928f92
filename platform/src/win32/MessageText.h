#pragma once
// A message box's text as a person on this system reads it: paths with the system's separator,
// and lines no wider than the screen, so that no part of the text nor the box's button ends up
// off the screen.
#include <string>

namespace Win32Internal {

// The text with the program's path separators ('\\') as the system's ('/').
std::wstring systemPaths(std::wstring text);

// The text wrapped at blanks (or after a '/' inside a long path, else anywhere) so that no line
// has more than maxColumns characters; beyond maxLines lines the rest is cut off with a note.
std::wstring wrapMessage(const std::wstring& text, std::size_t maxColumns, std::size_t maxLines);

} // namespace Win32Internal
