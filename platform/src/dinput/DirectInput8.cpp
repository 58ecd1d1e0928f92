// DirectInput8Create and the DirectInput object.
#include "dinput/DirectInput8.h"

#include "dinput/DInputInternal.h"
#include "dinput/InputDevice.h"
#include "dinput/JoystickDevice.h"
#include "dinput/Joysticks.h"
#include "dinput/KeyboardDevice.h"
#include "dinput/MouseDevice.h"

#include <vector>

namespace DInputInternal {

namespace {

bool isGameControllerType(BYTE type)
{
    return type == DI8DEVTYPE_JOYSTICK || type == DI8DEVTYPE_GAMEPAD || type == DI8DEVTYPE_DRIVING ||
           type == DI8DEVTYPE_FLIGHT || type == DI8DEVTYPE_1STPERSON;
}

// Whether a device of `devType` answers the filter of EnumDevices (a class or a type).
bool admits(DWORD filter, DWORD devType)
{
    BYTE type = static_cast<BYTE>(devType & 0xFF);
    switch (filter) {
    case DI8DEVCLASS_ALL:
        return true;
    case DI8DEVCLASS_DEVICE:
        return false;
    case DI8DEVCLASS_POINTER:
        return type == DI8DEVTYPE_MOUSE || type == DI8DEVTYPE_SCREENPOINTER;
    case DI8DEVCLASS_KEYBOARD:
        return type == DI8DEVTYPE_KEYBOARD;
    case DI8DEVCLASS_GAMECTRL:
        return isGameControllerType(type);
    default:
        return type == filter;
    }
}

InputDevice* publish(InputDevice* device)
{
    std::lock_guard<std::mutex> guard(stateLock());
    registerDevice(device);
    return device;
}

} // namespace

HRESULT DirectInput8::CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN outer)
{
    if (!device)
        return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (outer)
        return DIERR_NOAGGREGATION;
    startEventWatch();
    SDL_JoystickID id;
    if (guid == GUID_SysKeyboard) {
        *device = publish(new KeyboardDevice);
    } else if (guid == GUID_SysMouse) {
        *device = publish(new MouseDevice);
    } else if (joystickFromGuid(guid, id)) {
        for (const JoystickInfo& info : attachedJoysticks()) {
            if (info.id != id)
                continue;
            if (JoystickDevice* joystick = JoystickDevice::open(info))
                *device = publish(joystick);
            break;
        }
    }
    return *device ? DI_OK : DIERR_DEVICENOTREG;
}

HRESULT DirectInput8::EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKW callback, LPVOID ref, DWORD flags)
{
    const DWORD knownFlags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                             DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
    bool validFilter =
        devType <= DI8DEVCLASS_GAMECTRL || (devType >= DI8DEVTYPE_DEVICE && devType <= DI8DEVTYPE_SUPPLEMENTAL);
    if (!callback || (flags & ~knownFlags) || !validFilter)
        return DIERR_INVALIDPARAM;
    // Nothing here has force feedback; every device listed is attached.
    if (flags & DIEDFL_FORCEFEEDBACK)
        return DI_OK;

    // The list is made first: the callback may create devices.
    std::vector<DIDEVICEINSTANCEW> found;
    DIDEVICEINSTANCEW instance{};
    instance.dwSize = sizeof instance;
    KeyboardDevice::instance(instance);
    if (admits(devType, instance.dwDevType))
        found.push_back(instance);
    instance = DIDEVICEINSTANCEW{};
    instance.dwSize = sizeof instance;
    MouseDevice::instance(instance);
    if (admits(devType, instance.dwDevType))
        found.push_back(instance);
    bool wantsControllers = devType == DI8DEVCLASS_ALL || devType == DI8DEVCLASS_GAMECTRL ||
                            isGameControllerType(static_cast<BYTE>(devType));
    if (wantsControllers) {
        for (const JoystickInfo& info : attachedJoysticks()) {
            instance = DIDEVICEINSTANCEW{};
            instance.dwSize = sizeof instance;
            JoystickDevice::instance(info, instance);
            if (admits(devType, instance.dwDevType))
                found.push_back(instance);
        }
    }
    for (const DIDEVICEINSTANCEW& each : found) {
        if (callback(&each, ref) == DIENUM_STOP)
            break;
    }
    return DI_OK;
}

HRESULT DirectInput8::GetDeviceStatus(REFGUID instance)
{
    if (instance == GUID_SysKeyboard || instance == GUID_SysMouse)
        return DI_OK;
    SDL_JoystickID id;
    if (!joystickFromGuid(instance, id))
        return DIERR_DEVICENOTREG;
    for (const JoystickInfo& info : attachedJoysticks()) {
        if (info.id == id)
            return DI_OK;
    }
    return DI_NOTATTACHED;
}

} // namespace DInputInternal

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, LPVOID* out, LPUNKNOWN outer)
{
    if (!out)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (!instance)
        return DIERR_INVALIDPARAM;
    if (version < 0x0800)
        return DIERR_BETADIRECTINPUTVERSION;
    if (version > 0x0800)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (riid != IID_IDirectInput8W && riid != IID_IUnknown)
        return DIERR_NOINTERFACE;
    // Without video there are no windows to cooperate with and no input to see; the object
    // still works, as DirectInput does on a machine without a keyboard.
    DInputInternal::startEventWatch();
    *out = static_cast<IDirectInput8W*>(new DInputInternal::DirectInput8);
    return DI_OK;
}
