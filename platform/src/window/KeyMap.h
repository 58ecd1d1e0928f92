#pragma once
// Keys by SDL scancode (USB usage): the Windows virtual key of the same position on a US
// keyboard, the PC scan code (set 1) with its extended flag, and the DirectInput key code.
#include <windef.h>

namespace Win32Internal {

struct KeyInfo {
    BYTE virtualKey; // 0: the key has no virtual key here
    BYTE scanCode;
    bool extended;
    BYTE dik; // DirectInput key code (scan code | 0x80 for extended keys, with exceptions)
};

// Zeros for scancodes outside the table.
KeyInfo keyInfo(int sdlScancode);

// The SDL scancodes of a virtual key (both sides for VK_SHIFT, VK_CONTROL and VK_MENU);
// returns how many were written (at most 2).
int scancodesForVirtualKey(int virtualKey, int out[2]);

} // namespace Win32Internal
