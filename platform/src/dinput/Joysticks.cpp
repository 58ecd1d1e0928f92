// SDL's joystick support for DirectInput, and the test hooks that attach virtual controllers.
#include "dinput/Joysticks.h"

#include "dinput/DInputInternal.h"

#include "win32/Strings.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <platform_test.h>

#include <cstring>
#include <map>
#include <mutex>

namespace DInputInternal {

namespace {

// Instance GUIDs: Data1 is SDL's instance id, the rest marks the GUID as a controller's.
constexpr uint16_t kInstanceData2 = 0x4a53;
constexpr uint16_t kInstanceData3 = 0x5d31;
constexpr uint8_t kInstanceData4[8] = {0x9e, 0x02, 0x6b, 0x17, 0x40, 0xc8, 0x2f, 0x55};

DWORD deviceType(SDL_JoystickType type)
{
    switch (type) {
    case SDL_JOYSTICK_TYPE_GAMECONTROLLER:
        return DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8);
    case SDL_JOYSTICK_TYPE_WHEEL:
        return DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_LIMITED << 8);
    case SDL_JOYSTICK_TYPE_FLIGHT_STICK:
    case SDL_JOYSTICK_TYPE_THROTTLE:
        return DI8DEVTYPE_FLIGHT | (DI8DEVTYPEFLIGHT_STICK << 8);
    default:
        return DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8);
    }
}

} // namespace

bool startJoysticks()
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        // SDL drops controller input while none of its windows has the keyboard focus (always
        // so headless); the cooperative level decides that here.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
            Diagnostics::warning("DirectInput", "game controllers are not available: %s", SDL_GetError());
            return;
        }
        SDL_JoystickEventState(SDL_IGNORE);
        started = true;
    });
    return started;
}

std::vector<JoystickInfo> attachedJoysticks()
{
    std::vector<JoystickInfo> out;
    if (!startJoysticks())
        return out;
    SDL_JoystickUpdate();
    int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        if (id < 0)
            continue;
        JoystickInfo info;
        info.id = id;
        info.deviceIndex = index;
        info.instance = joystickInstanceGuid(id);
        SDL_JoystickGUID product = SDL_JoystickGetDeviceGUID(index);
        static_assert(sizeof product.data == sizeof(GUID));
        std::memcpy(&info.product, product.data, sizeof(GUID));
        info.devType = deviceType(SDL_JoystickGetDeviceType(index));
        const char* name = SDL_JoystickNameForIndex(index);
        info.name = Win32Internal::utf8ToWide(name ? name : "Game controller");
        out.push_back(std::move(info));
    }
    return out;
}

GUID joystickInstanceGuid(SDL_JoystickID id)
{
    GUID guid{static_cast<uint32_t>(id), kInstanceData2, kInstanceData3, {}};
    std::memcpy(guid.Data4, kInstanceData4, sizeof kInstanceData4);
    return guid;
}

bool joystickFromGuid(const GUID& guid, SDL_JoystickID& id)
{
    if (guid.Data2 != kInstanceData2 || guid.Data3 != kInstanceData3 ||
        std::memcmp(guid.Data4, kInstanceData4, sizeof kInstanceData4) != 0 || guid.Data1 > 0x7fffffffu)
        return false;
    id = static_cast<SDL_JoystickID>(guid.Data1);
    return true;
}

} // namespace DInputInternal

// Test hooks: virtual controllers on SDL's virtual joystick driver.

namespace {

std::mutex s_virtualLock;
std::map<int, SDL_Joystick*> s_virtual; // by instance id; the hook's own open handle

SDL_Joystick* virtualJoystick(int joystick)
{
    auto it = s_virtual.find(joystick);
    return it == s_virtual.end() ? nullptr : it->second;
}

} // namespace

int PlatformAttachVirtualJoystick(const char* name, int axes, int buttons, int hats)
{
    if (!DInputInternal::startJoysticks() || axes < 0 || buttons < 0 || hats < 0)
        return -1;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = static_cast<Uint16>(buttons);
    desc.nhats = static_cast<Uint16>(hats);
    desc.name = name;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0)
        return -1;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) {
        SDL_JoystickDetachVirtual(index);
        return -1;
    }
    int id = SDL_JoystickInstanceID(joystick);
    std::lock_guard<std::mutex> guard(s_virtualLock);
    s_virtual[id] = joystick;
    return id;
}

bool PlatformSetVirtualJoystickAxis(int joystick, int axis, int value)
{
    std::lock_guard<std::mutex> guard(s_virtualLock);
    SDL_Joystick* j = virtualJoystick(joystick);
    Sint16 v = static_cast<Sint16>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
    return j && SDL_JoystickSetVirtualAxis(j, axis, v) == 0;
}

bool PlatformSetVirtualJoystickButton(int joystick, int button, bool down)
{
    std::lock_guard<std::mutex> guard(s_virtualLock);
    SDL_Joystick* j = virtualJoystick(joystick);
    return j && SDL_JoystickSetVirtualButton(j, button, down ? SDL_PRESSED : SDL_RELEASED) == 0;
}

bool PlatformSetVirtualJoystickHat(int joystick, int hat, DWORD povAngle)
{
    // The nearest of the eight directions; a low word of 0xFFFF is the centre.
    static const Uint8 kDirections[8] = {SDL_HAT_UP,   SDL_HAT_RIGHTUP,  SDL_HAT_RIGHT, SDL_HAT_RIGHTDOWN,
                                         SDL_HAT_DOWN, SDL_HAT_LEFTDOWN, SDL_HAT_LEFT,  SDL_HAT_LEFTUP};
    Uint8 value = (povAngle & 0xFFFF) == 0xFFFF ? SDL_HAT_CENTERED : kDirections[((povAngle + 2250) / 4500) % 8];
    std::lock_guard<std::mutex> guard(s_virtualLock);
    SDL_Joystick* j = virtualJoystick(joystick);
    return j && SDL_JoystickSetVirtualHat(j, hat, value) == 0;
}

bool PlatformDetachVirtualJoystick(int joystick)
{
    SDL_Joystick* j;
    {
        std::lock_guard<std::mutex> guard(s_virtualLock);
        j = virtualJoystick(joystick);
        if (!j)
            return false;
        s_virtual.erase(joystick);
    }
    int count = SDL_NumJoysticks();
    bool detached = false;
    for (int index = 0; index < count && !detached; ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == joystick)
            detached = SDL_JoystickDetachVirtual(index) == 0;
    }
    SDL_JoystickClose(j);
    return detached;
}
