#pragma once
// Handles of files opened with CreateFileW, which CloseHandle also takes.
#include <windef.h>

namespace Win32Internal {

// Closes a handle of CreateFileW; false for any other handle.
bool closeFileHandle(HANDLE handle);

} // namespace Win32Internal
