#pragma once
// Windows paths to Linux paths and back.
#include <string>
#include <string_view>

namespace Win32Internal {

// See PlatformMapPath (platform_app.h).
std::string mapPath(std::wstring_view windowsPath);

// A Linux path as the layer hands paths back: wide, with backslash separators.
std::wstring toWindowsPath(std::string_view linuxPath);

} // namespace Win32Internal
