#pragma once
// Opening documents and addresses with the desktop's handler (xdg-open), detached.
#include <windef.h>

#define SE_ERR_NOASSOC 31

// Returns a value above 32 when the handler was started. Windows paths are mapped;
// addresses ("scheme:...") are passed through.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT showCommand);
