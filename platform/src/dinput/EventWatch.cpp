// Keyboard and mouse input for DirectInput: an SDL event watch sees every event as SDL queues
// it, real or injected by a test, and hands it to the live devices at once, so reading a
// device never depends on the message loop having run.
#include "dinput/DInputInternal.h"
#include "dinput/InputDevice.h"

#include "window/KeyMap.h"
#include "window/WindowInternal.h"

#include <SDL.h>

#include <algorithm>
#include <array>

namespace DInputInternal {

namespace {

struct Tracked {
    std::mutex lock;
    std::vector<InputDevice*> devices;
    // Keys by SDL scancode, and how many scancodes hold each DirectInput code down (two
    // scancodes can share one code).
    std::array<bool, SDL_NUM_SCANCODES> scancodes{};
    std::array<uint8_t, 256> dikCount{};
    BYTE buttons = 0;
    DWORD sequence = 0;
    bool relativeMode = false;
};

Tracked& tracked()
{
    static Tracked* t = new Tracked; // lives to the end: the watch may run during exit
    return *t;
}

// SDL numbers buttons 1 left, 2 middle, 3 right, then the X buttons; DirectInput 0 left,
// 1 right, 2 middle, then the rest in order.
int directInputButton(int sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return sdlButton >= 4 && sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

// Under the lock: records a scancode going down or up; returns the DirectInput code whose
// state changed, or 0.
BYTE setScancode(Tracked& t, int scancode, bool down)
{
    if (scancode <= 0 || scancode >= SDL_NUM_SCANCODES || t.scancodes[static_cast<size_t>(scancode)] == down)
        return 0;
    t.scancodes[static_cast<size_t>(scancode)] = down;
    BYTE dik = Win32Internal::keyInfo(scancode).dik;
    if (dik == 0)
        return 0;
    uint8_t& count = t.dikCount[dik];
    bool before = count > 0;
    count = down ? static_cast<uint8_t>(count + 1) : static_cast<uint8_t>(count > 0 ? count - 1 : 0);
    return before != (count > 0) ? dik : 0;
}

void keyEvent(const SDL_KeyboardEvent& e)
{
    bool down = e.type == SDL_KEYDOWN;
    if (down && e.repeat)
        return; // DirectInput reports transitions only
    Tracked& t = tracked();
    std::lock_guard<std::mutex> guard(t.lock);
    BYTE dik = setScancode(t, e.keysym.scancode, down);
    if (dik == 0)
        return;
    DWORD time = GetTickCount();
    DWORD sequence = ++t.sequence;
    for (InputDevice* d : t.devices)
        d->onKey(dik, down, time, sequence);
}

// Keys let go while another window has the focus are never reported: every key is up now.
// Background devices, which stay acquired, see the releases.
void focusLost(uint32_t windowId)
{
    Tracked& t = tracked();
    std::lock_guard<std::mutex> guard(t.lock);
    for (InputDevice* d : t.devices)
        d->onFocusLost(windowId);
    DWORD time = GetTickCount();
    for (int dik = 1; dik < 256; ++dik) {
        if (t.dikCount[static_cast<size_t>(dik)] == 0)
            continue;
        t.dikCount[static_cast<size_t>(dik)] = 0;
        DWORD sequence = ++t.sequence;
        for (InputDevice* d : t.devices)
            d->onKey(static_cast<BYTE>(dik), false, time, sequence);
    }
    t.scancodes.fill(false);
}

int SDLCALL watchEvent(void*, SDL_Event* e)
{
    Tracked& t = tracked();
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        keyEvent(e->key);
        break;
    case SDL_MOUSEMOTION: {
        if (e->motion.xrel == 0 && e->motion.yrel == 0)
            break;
        std::lock_guard<std::mutex> guard(t.lock);
        DWORD time = GetTickCount();
        DWORD sequence = ++t.sequence;
        for (InputDevice* d : t.devices)
            d->onMouseMotion(e->motion.xrel, e->motion.yrel, time, sequence);
        break;
    }
    case SDL_MOUSEWHEEL: {
        int64_t notches = e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -int64_t{e->wheel.y} : e->wheel.y;
        if (notches == 0)
            break;
        // Far beyond any real wheel; keeps the step within a LONG.
        const int64_t limit = int64_t{1} << 30;
        LONG delta = static_cast<LONG>(std::clamp<int64_t>(notches * WHEEL_DELTA, -limit, limit));
        std::lock_guard<std::mutex> guard(t.lock);
        DWORD time = GetTickCount();
        DWORD sequence = ++t.sequence;
        for (InputDevice* d : t.devices)
            d->onMouseWheel(delta, time, sequence);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int button = directInputButton(e->button.button);
        bool down = e->type == SDL_MOUSEBUTTONDOWN;
        if (button < 0)
            break;
        std::lock_guard<std::mutex> guard(t.lock);
        BYTE bit = static_cast<BYTE>(1u << button);
        if (bool(t.buttons & bit) == down)
            break;
        t.buttons = down ? static_cast<BYTE>(t.buttons | bit) : static_cast<BYTE>(t.buttons & ~bit);
        DWORD time = GetTickCount();
        DWORD sequence = ++t.sequence;
        for (InputDevice* d : t.devices)
            d->onMouseButton(button, down, time, sequence);
        break;
    }
    case SDL_WINDOWEVENT:
        if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            focusLost(e->window.windowID);
        break;
    default:
        break;
    }
    return 1;
}

} // namespace

std::mutex& stateLock()
{
    return tracked().lock;
}

bool startEventWatch()
{
    static std::once_flag once;
    if (!Win32Internal::ensureVideo())
        return false;
    std::call_once(once, [] {
        Tracked& t = tracked();
        {
            // Keys already held when DirectInput starts count as held.
            std::lock_guard<std::mutex> guard(t.lock);
            for (int scancode = 1; scancode < SDL_NUM_SCANCODES; ++scancode) {
                if (Win32Internal::isScancodeDown(scancode))
                    setScancode(t, scancode, true);
            }
            uint32_t sdlButtons = Win32Internal::mouseButtonsDown();
            for (int b = 1; b <= 8; ++b) {
                if (sdlButtons & SDL_BUTTON(b))
                    t.buttons = static_cast<BYTE>(t.buttons | (1u << directInputButton(b)));
            }
        }
        SDL_AddEventWatch(watchEvent, nullptr);
    });
    return true;
}

void registerDevice(InputDevice* device)
{
    tracked().devices.push_back(device);
}

void unregisterDevice(InputDevice* device)
{
    auto& devices = tracked().devices;
    devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
}

const std::vector<InputDevice*>& liveDevices()
{
    return tracked().devices;
}

bool isKeyDown(BYTE dik)
{
    return tracked().dikCount[dik] > 0;
}

BYTE mouseButtonMask()
{
    return tracked().buttons;
}

DWORD nextSequence()
{
    return ++tracked().sequence;
}

void syncMouseMode()
{
    Tracked& t = tracked();
    bool wanted = false;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        for (InputDevice* d : t.devices) {
            if (d->kind() == DeviceKind::Mouse && d->isAcquired() && d->isExclusive())
                wanted = true;
        }
        if (wanted == t.relativeMode || !Win32Internal::isVideoThread())
            return;
        t.relativeMode = wanted;
    }
    // Refused by drivers without relative motion (offscreen); the events still arrive.
    SDL_SetRelativeMouseMode(wanted ? SDL_TRUE : SDL_FALSE);
}

void copyName(WCHAR (&field)[MAX_PATH], std::wstring_view text)
{
    size_t n = std::min<size_t>(text.size(), MAX_PATH - 1);
    std::copy_n(text.begin(), n, field);
    field[n] = 0;
}

} // namespace DInputInternal
