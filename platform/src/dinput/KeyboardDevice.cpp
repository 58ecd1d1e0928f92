// The system keyboard. Its state and events come from the event watch; its keys are those the
// scancode table gives a DirectInput code.
#include "dinput/KeyboardDevice.h"

#include "window/KeyMap.h"
#include "win32/Strings.h"

#include <SDL.h>

#include <array>

namespace DInputInternal {

KeyboardDevice::KeyboardDevice() : InputDevice(DeviceKind::Keyboard)
{
    // One object per code, named after the first key that gives it.
    std::array<int, 256> scancodeOf{};
    for (int scancode = SDL_NUM_SCANCODES - 1; scancode > 0; --scancode) {
        BYTE dik = Win32Internal::keyInfo(scancode).dik;
        if (dik != 0)
            scancodeOf[dik] = scancode;
    }
    for (DWORD dik = 1; dik < 256; ++dik) {
        if (scancodeOf[dik] == 0)
            continue;
        const char* name = SDL_GetScancodeName(static_cast<SDL_Scancode>(scancodeOf[dik]));
        m_objects.push_back(ObjectInfo{&GUID_Key, dik, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(dik),
                                       Win32Internal::utf8ToWide(name ? name : ""), -1});
    }
}

void KeyboardDevice::instance(DIDEVICEINSTANCEW& info)
{
    info.guidInstance = GUID_SysKeyboard;
    info.guidProduct = GUID_SysKeyboard;
    info.dwDevType = DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8);
    copyName(info.tszInstanceName, L"Keyboard");
    copyName(info.tszProductName, L"Keyboard");
}

void KeyboardDevice::onKey(BYTE dik, bool down, DWORD time, DWORD sequence)
{
    queueEvent(dik, down ? 0x80 : 0x00, time, sequence);
}

void KeyboardDevice::capabilities(DIDEVCAPS& caps) const
{
    caps.dwFlags = DIDC_ATTACHED;
    caps.dwDevType = DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8);
    caps.dwButtons = static_cast<DWORD>(m_objects.size());
}

void KeyboardDevice::readState(void* data)
{
    BYTE* keys = static_cast<BYTE*>(data);
    for (int dik = 0; dik < 256; ++dik)
        keys[dik] = isKeyDown(static_cast<BYTE>(dik)) ? 0x80 : 0x00;
}

} // namespace DInputInternal
