// Positions of the keys on a US keyboard, as Windows and DirectInput number them.
#include "window/KeyMap.h"

#include <windows.h>

#include <SDL.h>

#include <array>

namespace Win32Internal {

namespace {

struct Entry {
    int scancode;
    BYTE virtualKey;
    BYTE scanCode;
    bool extended;
    int dik; // -1: scan code | 0x80 when extended
};

const Entry kEntries[] = {
    {SDL_SCANCODE_A, 'A', 0x1E, false, -1},
    {SDL_SCANCODE_B, 'B', 0x30, false, -1},
    {SDL_SCANCODE_C, 'C', 0x2E, false, -1},
    {SDL_SCANCODE_D, 'D', 0x20, false, -1},
    {SDL_SCANCODE_E, 'E', 0x12, false, -1},
    {SDL_SCANCODE_F, 'F', 0x21, false, -1},
    {SDL_SCANCODE_G, 'G', 0x22, false, -1},
    {SDL_SCANCODE_H, 'H', 0x23, false, -1},
    {SDL_SCANCODE_I, 'I', 0x17, false, -1},
    {SDL_SCANCODE_J, 'J', 0x24, false, -1},
    {SDL_SCANCODE_K, 'K', 0x25, false, -1},
    {SDL_SCANCODE_L, 'L', 0x26, false, -1},
    {SDL_SCANCODE_M, 'M', 0x32, false, -1},
    {SDL_SCANCODE_N, 'N', 0x31, false, -1},
    {SDL_SCANCODE_O, 'O', 0x18, false, -1},
    {SDL_SCANCODE_P, 'P', 0x19, false, -1},
    {SDL_SCANCODE_Q, 'Q', 0x10, false, -1},
    {SDL_SCANCODE_R, 'R', 0x13, false, -1},
    {SDL_SCANCODE_S, 'S', 0x1F, false, -1},
    {SDL_SCANCODE_T, 'T', 0x14, false, -1},
    {SDL_SCANCODE_U, 'U', 0x16, false, -1},
    {SDL_SCANCODE_V, 'V', 0x2F, false, -1},
    {SDL_SCANCODE_W, 'W', 0x11, false, -1},
    {SDL_SCANCODE_X, 'X', 0x2D, false, -1},
    {SDL_SCANCODE_Y, 'Y', 0x15, false, -1},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false, -1},
    {SDL_SCANCODE_1, '1', 0x02, false, -1},
    {SDL_SCANCODE_2, '2', 0x03, false, -1},
    {SDL_SCANCODE_3, '3', 0x04, false, -1},
    {SDL_SCANCODE_4, '4', 0x05, false, -1},
    {SDL_SCANCODE_5, '5', 0x06, false, -1},
    {SDL_SCANCODE_6, '6', 0x07, false, -1},
    {SDL_SCANCODE_7, '7', 0x08, false, -1},
    {SDL_SCANCODE_8, '8', 0x09, false, -1},
    {SDL_SCANCODE_9, '9', 0x0A, false, -1},
    {SDL_SCANCODE_0, '0', 0x0B, false, -1},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false, -1},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false, -1},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false, -1},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false, -1},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false, -1},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false, -1},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false, -1},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false, -1},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false, -1},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false, -1},
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B, false, -1},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false, -1},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false, -1},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false, -1},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false, -1},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false, -1},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false, -1},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false, -1},
    {SDL_SCANCODE_F1, VK_F1, 0x3B, false, -1},
    {SDL_SCANCODE_F2, VK_F2, 0x3C, false, -1},
    {SDL_SCANCODE_F3, VK_F3, 0x3D, false, -1},
    {SDL_SCANCODE_F4, VK_F4, 0x3E, false, -1},
    {SDL_SCANCODE_F5, VK_F5, 0x3F, false, -1},
    {SDL_SCANCODE_F6, VK_F6, 0x40, false, -1},
    {SDL_SCANCODE_F7, VK_F7, 0x41, false, -1},
    {SDL_SCANCODE_F8, VK_F8, 0x42, false, -1},
    {SDL_SCANCODE_F9, VK_F9, 0x43, false, -1},
    {SDL_SCANCODE_F10, VK_F10, 0x44, false, -1},
    {SDL_SCANCODE_F11, VK_F11, 0x57, false, -1},
    {SDL_SCANCODE_F12, VK_F12, 0x58, false, -1},
    {SDL_SCANCODE_F13, VK_F13, 0x64, false, -1},
    {SDL_SCANCODE_F14, VK_F14, 0x65, false, -1},
    {SDL_SCANCODE_F15, VK_F15, 0x66, false, -1},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true, -1},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false, -1},
    // Pause and Num Lock share scan code 0x45; Windows flags Num Lock as extended while
    // DirectInput gives Pause the extended code.
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false, 0xC5},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true, 0x45},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true, -1},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true, -1},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true, -1},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true, -1},
    {SDL_SCANCODE_END, VK_END, 0x4F, true, -1},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true, -1},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true, -1},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true, -1},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true, -1},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true, -1},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true, -1},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false, -1},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false, -1},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false, -1},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true, -1},
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, 0x4F, false, -1},
    {SDL_SCANCODE_KP_2, VK_NUMPAD2, 0x50, false, -1},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, 0x51, false, -1},
    {SDL_SCANCODE_KP_4, VK_NUMPAD4, 0x4B, false, -1},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x4C, false, -1},
    {SDL_SCANCODE_KP_6, VK_NUMPAD6, 0x4D, false, -1},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, 0x47, false, -1},
    {SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48, false, -1},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, 0x49, false, -1},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52, false, -1},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53, false, -1},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56, false, -1},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true, -1},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false, -1},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false, -1},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false, -1},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true, -1},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true, -1},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false, -1},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, true, -1},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true, -1},
    // Keys that only DirectInput reports here (no virtual key, so no key messages).
    {SDL_SCANCODE_KP_EQUALS, 0, 0x0D, true, -1},
    {SDL_SCANCODE_KP_COMMA, 0, 0x7E, false, -1},
    {SDL_SCANCODE_INTERNATIONAL1, 0, 0x73, false, -1},
    {SDL_SCANCODE_INTERNATIONAL2, 0, 0x70, false, -1},
    {SDL_SCANCODE_INTERNATIONAL3, 0, 0x7D, false, -1},
    {SDL_SCANCODE_INTERNATIONAL4, 0, 0x79, false, -1},
    {SDL_SCANCODE_INTERNATIONAL5, 0, 0x7B, false, -1},
    {SDL_SCANCODE_AUDIOPREV, 0, 0x10, true, -1},
    {SDL_SCANCODE_AUDIONEXT, 0, 0x19, true, -1},
    {SDL_SCANCODE_MUTE, 0, 0x20, true, -1},
    {SDL_SCANCODE_AUDIOMUTE, 0, 0x20, true, -1},
    {SDL_SCANCODE_CALCULATOR, 0, 0x21, true, -1},
    {SDL_SCANCODE_AUDIOPLAY, 0, 0x22, true, -1},
    {SDL_SCANCODE_AUDIOSTOP, 0, 0x24, true, -1},
    {SDL_SCANCODE_VOLUMEDOWN, 0, 0x2E, true, -1},
    {SDL_SCANCODE_VOLUMEUP, 0, 0x30, true, -1},
    {SDL_SCANCODE_AC_HOME, 0, 0x32, true, -1},
    {SDL_SCANCODE_POWER, 0, 0x5E, true, -1},
    {SDL_SCANCODE_SLEEP, 0, 0x5F, true, -1},
    {SDL_SCANCODE_AC_SEARCH, 0, 0x65, true, -1},
    {SDL_SCANCODE_AC_BOOKMARKS, 0, 0x66, true, -1},
    {SDL_SCANCODE_AC_REFRESH, 0, 0x67, true, -1},
    {SDL_SCANCODE_STOP, 0, 0x68, true, -1},
    {SDL_SCANCODE_AC_STOP, 0, 0x68, true, -1},
    {SDL_SCANCODE_AC_FORWARD, 0, 0x69, true, -1},
    {SDL_SCANCODE_AC_BACK, 0, 0x6A, true, -1},
    {SDL_SCANCODE_COMPUTER, 0, 0x6B, true, -1},
    {SDL_SCANCODE_MAIL, 0, 0x6C, true, -1},
    {SDL_SCANCODE_MEDIASELECT, 0, 0x6D, true, -1},
};

struct Table {
    std::array<KeyInfo, SDL_NUM_SCANCODES> byScancode{};
    Table()
    {
        for (const Entry& e : kEntries) {
            BYTE dik = e.dik >= 0 ? static_cast<BYTE>(e.dik) : static_cast<BYTE>(e.scanCode | (e.extended ? 0x80 : 0));
            byScancode[static_cast<size_t>(e.scancode)] = KeyInfo{e.virtualKey, e.scanCode, e.extended, dik};
        }
    }
};

const Table& table()
{
    static const Table t;
    return t;
}

} // namespace

KeyInfo keyInfo(int sdlScancode)
{
    if (sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES)
        return KeyInfo{0, 0, false, 0};
    return table().byScancode[static_cast<size_t>(sdlScancode)];
}

int scancodesForVirtualKey(int virtualKey, int out[2])
{
    if (virtualKey <= 0)
        return 0;
    // Side-specific keys first: the table reports the generic virtual key for both sides.
    switch (virtualKey) {
    case VK_LSHIFT:
        out[0] = SDL_SCANCODE_LSHIFT;
        return 1;
    case VK_RSHIFT:
        out[0] = SDL_SCANCODE_RSHIFT;
        return 1;
    case VK_LCONTROL:
        out[0] = SDL_SCANCODE_LCTRL;
        return 1;
    case VK_RCONTROL:
        out[0] = SDL_SCANCODE_RCTRL;
        return 1;
    case VK_LMENU:
        out[0] = SDL_SCANCODE_LALT;
        return 1;
    case VK_RMENU:
        out[0] = SDL_SCANCODE_RALT;
        return 1;
    case VK_RETURN:
        out[0] = SDL_SCANCODE_RETURN;
        out[1] = SDL_SCANCODE_KP_ENTER;
        return 2;
    default:
        break;
    }
    int count = 0;
    for (const Entry& e : kEntries) {
        if (e.virtualKey == virtualKey) {
            out[count++] = e.scancode;
            if (count == 2)
                break;
        }
    }
    return count;
}

} // namespace Win32Internal
