#pragma once
// The console's placeholder window, which the window calls accept.
#include <windef.h>

namespace Win32Internal {

bool isConsoleWindow(HWND window);

} // namespace Win32Internal
