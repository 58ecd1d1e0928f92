// Keyboard and mouse state, the cursor, and the test hooks that feed input. SDL does not
// update its own keyboard and mouse state from pushed events, so the layer keeps its own,
// from an event watch that sees every event as SDL queues it, real or injected.
#include <windows.h>

#include "win32/Strings.h"
#include "window/KeyMap.h"
#include "window/WindowInternal.h"

#include <platform_test.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace Win32Internal {

namespace {

struct Tracked {
    std::array<std::atomic<bool>, SDL_NUM_SCANCODES> keys{};
    std::atomic<uint32_t> buttons{0};
    std::mutex cursorLock;
    bool cursorKnown = false;
    uint32_t cursorWindow = 0; // 0: (cursorX, cursorY) are screen coordinates
    int cursorX = 0;
    int cursorY = 0;
};

Tracked& tracked()
{
    static Tracked* t = new Tracked;
    return *t;
}

std::atomic<int> s_cursorCount{0};
SDL_Cursor* s_devicePointer = nullptr;
bool s_devicePointerShown = false;

// SDL's pointer as the count and the device pointer want it; SDL's video must run.
void showPointerNow()
{
    const bool device = s_devicePointer && s_devicePointerShown;
    SDL_Cursor* wanted = device ? s_devicePointer : SDL_GetDefaultCursor();
    if (wanted && SDL_GetCursor() != wanted)
        SDL_SetCursor(wanted);
    SDL_ShowCursor(device || s_cursorCount.load() >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void applyPointer()
{
    if (videoStarted())
        showPointerNow();
}

// Runs on whatever thread queues the event; touches nothing but the tracked state.
int SDLCALL watchEvent(void*, SDL_Event* e)
{
    Tracked& t = tracked();
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (e->key.keysym.scancode > 0 && e->key.keysym.scancode < SDL_NUM_SCANCODES)
            t.keys[static_cast<size_t>(e->key.keysym.scancode)].store(e->type == SDL_KEYDOWN);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e->button.button >= 1 && e->button.button <= 32)
            t.buttons.fetch_or(SDL_BUTTON(e->button.button));
        break;
    case SDL_MOUSEBUTTONUP:
        if (e->button.button >= 1 && e->button.button <= 32)
            t.buttons.fetch_and(~SDL_BUTTON(e->button.button));
        break;
    case SDL_MOUSEMOTION: {
        std::lock_guard<std::mutex> guard(t.cursorLock);
        t.cursorKnown = true;
        t.cursorWindow = e->motion.windowID;
        t.cursorX = e->motion.x;
        t.cursorY = e->motion.y;
        break;
    }
    case SDL_WINDOWEVENT:
        // Focus loss releases every key, as the keys are let go elsewhere.
        if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            for (auto& key : t.keys)
                key.store(false);
        }
        break;
    default:
        break;
    }
    return 1;
}

void rememberScreenCursor(int x, int y)
{
    Tracked& t = tracked();
    std::lock_guard<std::mutex> guard(t.cursorLock);
    t.cursorKnown = true;
    t.cursorWindow = 0;
    t.cursorX = x;
    t.cursorY = y;
}

// The cursor in the client coordinates of `w`, when it was last seen there.
bool cursorInWindow(const WindowData& w, int& x, int& y)
{
    Tracked& t = tracked();
    std::lock_guard<std::mutex> guard(t.cursorLock);
    if (!t.cursorKnown)
        return false;
    if (t.cursorWindow == w.sdlId) {
        x = t.cursorX;
        y = t.cursorY;
        return true;
    }
    if (t.cursorWindow == 0) {
        POINT origin = clientOrigin(w);
        x = t.cursorX - origin.x;
        y = t.cursorY - origin.y;
        return true;
    }
    return false;
}

bool contains(const WindowData& w, int x, int y)
{
    POINT origin = clientOrigin(w);
    SIZE size = clientSize(w);
    return x >= origin.x && y >= origin.y && x < origin.x + size.cx && y < origin.y + size.cy;
}

// The visible window whose client area holds the screen point, the active one first.
WindowPtr windowAt(int x, int y)
{
    if (WindowPtr active = findWindow(GetForegroundWindow())) {
        if (active->visible && active->sdl && contains(*active, x, y))
            return active;
    }
    for (const WindowPtr& w : allWindows()) {
        if (w->visible && w->sdl && !w->destroying && contains(*w, x, y))
            return w;
    }
    return nullptr;
}

} // namespace

void startInputTracking()
{
    SDL_AddEventWatch(watchEvent, nullptr);
    showPointerNow();
}

void setDevicePointer(SDL_Cursor* cursor)
{
    s_devicePointer = cursor;
    applyPointer();
}

PointerState pointerState()
{
    if (!videoStarted())
        return PointerState{};
    return PointerState{SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE, s_devicePointer && SDL_GetCursor() == s_devicePointer};
}

bool showDevicePointer(bool show)
{
    const bool before = s_devicePointerShown;
    s_devicePointerShown = show;
    applyPointer();
    return before;
}

bool isScancodeDown(int sdlScancode)
{
    if (sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES)
        return false;
    return tracked().keys[static_cast<size_t>(sdlScancode)].load();
}

uint32_t mouseButtonsDown()
{
    return tracked().buttons.load();
}

} // namespace Win32Internal

using namespace Win32Internal;

SHORT GetAsyncKeyState(int virtualKey)
{
    bool down = false;
    uint32_t buttons = mouseButtonsDown();
    switch (virtualKey) {
    case VK_LBUTTON:
        down = buttons & SDL_BUTTON_LMASK;
        break;
    case VK_RBUTTON:
        down = buttons & SDL_BUTTON_RMASK;
        break;
    case VK_MBUTTON:
        down = buttons & SDL_BUTTON_MMASK;
        break;
    case VK_XBUTTON1:
        down = buttons & SDL_BUTTON_X1MASK;
        break;
    case VK_XBUTTON2:
        down = buttons & SDL_BUTTON_X2MASK;
        break;
    default: {
        int scancodes[2];
        int count = scancodesForVirtualKey(virtualKey, scancodes);
        for (int i = 0; i < count; ++i)
            down = down || isScancodeDown(scancodes[i]);
        break;
    }
    }
    return down ? static_cast<SHORT>(0x8000) : 0;
}

namespace {

LANGID languageOfXkbLayout(const char* layouts)
{
    if (!layouts)
        return LANG_NEUTRAL;
    // The first of a list ("de,us"), without a variant ("de(nodeadkeys)").
    const std::string first(layouts, std::strcspn(layouts, ",("));
    if (first == "de")
        return MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    if (first == "us")
        return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    return LANG_NEUTRAL;
}

// The offscreen and dummy drivers have no keymap of their own (SDL's built-in one says nothing
// about the keyboard).
LANGID languageOfKeymap()
{
    const char* driver = ensureVideo() ? SDL_GetCurrentVideoDriver() : nullptr;
    if (!driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)
        return LANG_NEUTRAL;
    auto gives = [](SDL_Scancode key, SDL_Keycode character) { return SDL_GetKeyFromScancode(key) == character; };
    if (gives(SDL_SCANCODE_Y, SDLK_z) && gives(SDL_SCANCODE_Z, SDLK_y))
        return MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    if (gives(SDL_SCANCODE_Y, SDLK_y) && gives(SDL_SCANCODE_Q, SDLK_q) &&
        gives(SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON) && gives(SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE) &&
        gives(SDL_SCANCODE_LEFTBRACKET, SDLK_LEFTBRACKET) && gives(SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH))
        return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    return LANG_NEUTRAL;
}

} // namespace

HKL GetKeyboardLayout(DWORD)
{
    LANGID language = languageOfKeymap();
    if (language == LANG_NEUTRAL)
        language = languageOfXkbLayout(std::getenv("XKB_DEFAULT_LAYOUT"));
    // As on Windows: the device identifier in the high word is the language for a plain layout.
    return reinterpret_cast<HKL>(static_cast<uintptr_t>(language) * 0x10001u);
}

int ShowCursor(BOOL show)
{
    int step = show ? 1 : -1;
    int before = s_cursorCount.fetch_add(step);
    int after = before + step;
    if ((before >= 0) != (after >= 0))
        applyPointer();
    return after;
}

BOOL SetCursorPos(int x, int y)
{
    if (ensureVideo()) {
        if (WindowPtr w = windowAt(x, y)) {
            POINT origin = clientOrigin(*w);
            SDL_WarpMouseInWindow(w->sdl, x - origin.x, y - origin.y);
        } else {
            SDL_WarpMouseGlobal(x, y); // refused without a display; the position is kept anyway
        }
    }
    rememberScreenCursor(x, y);
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Tracked& t = tracked();
    {
        std::unique_lock<std::mutex> guard(t.cursorLock);
        if (t.cursorKnown) {
            if (t.cursorWindow == 0) {
                *point = POINT{t.cursorX, t.cursorY};
                return TRUE;
            }
            uint32_t sdlId = t.cursorWindow;
            int x = t.cursorX, y = t.cursorY;
            guard.unlock();
            if (WindowPtr w = findWindowBySdlId(sdlId)) {
                POINT origin = clientOrigin(*w);
                *point = POINT{origin.x + x, origin.y + y};
                return TRUE;
            }
        }
    }
    int x = 0, y = 0;
    if (videoStarted())
        SDL_GetGlobalMouseState(&x, &y);
    *point = POINT{x, y};
    return TRUE;
}

BOOL ClipCursor(const RECT* rect)
{
    if (!videoStarted())
        return TRUE;
    WindowPtr target;
    SDL_Rect area{};
    if (rect) {
        // SDL confines the mouse within one window: the one holding the rectangle's centre.
        target = windowAt((rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2);
        if (target) {
            POINT origin = clientOrigin(*target);
            SIZE size = clientSize(*target);
            int left = std::clamp<int>(rect->left - origin.x, 0, size.cx);
            int top = std::clamp<int>(rect->top - origin.y, 0, size.cy);
            int right = std::clamp<int>(rect->right - origin.x, 0, size.cx);
            int bottom = std::clamp<int>(rect->bottom - origin.y, 0, size.cy);
            area = SDL_Rect{left, top, right - left, bottom - top};
        }
    }
    for (const WindowPtr& w : allWindows()) {
        if (!w->sdl)
            continue;
        if (w == target && area.w > 0 && area.h > 0)
            SDL_SetWindowMouseRect(w->sdl, &area);
        else
            SDL_SetWindowMouseRect(w->sdl, nullptr);
    }
    return TRUE;
}

// Test hooks: events go through SDL's queue like real ones.

namespace {

WindowPtr injectionTarget(HWND window)
{
    WindowPtr w = findWindow(window);
    return w && w->sdl && !w->destroying && videoStarted() ? w : nullptr;
}

bool push(SDL_Event& e)
{
    return SDL_PushEvent(&e) == 1;
}

struct ClickHistory {
    Uint32 time = 0;
    int x = 0;
    int y = 0;
    uint32_t window = 0;
    int clicks = 0;
};
std::array<ClickHistory, 6> s_clicks;

} // namespace

bool PlatformInjectMouseMove(HWND window, int x, int y)
{
    WindowPtr w = injectionTarget(window);
    if (!w)
        return false;
    int lastX = x, lastY = y;
    cursorInWindow(*w, lastX, lastY);
    SDL_Event e{};
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.windowID = w->sdlId;
    e.motion.state = mouseButtonsDown();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = x - lastX;
    e.motion.yrel = y - lastY;
    return push(e);
}

bool PlatformInjectMouseButton(HWND window, int button, bool down, int x, int y)
{
    WindowPtr w = injectionTarget(window);
    if (!w || button < 1 || button > 5)
        return false;
    SDL_Event e{};
    e.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = w->sdlId;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    // Counted as SDL counts: another press nearby within half a second.
    ClickHistory& h = s_clicks[static_cast<size_t>(button)];
    if (down) {
        Uint32 now = SDL_GetTicks();
        bool again = h.clicks > 0 && h.window == w->sdlId && now - h.time <= 500 && std::abs(x - h.x) <= 4 &&
                     std::abs(y - h.y) <= 4;
        h = ClickHistory{now, x, y, w->sdlId, again ? h.clicks + 1 : 1};
    }
    e.button.clicks = static_cast<Uint8>(std::clamp(h.clicks, 1, 255));
    return push(e);
}

bool PlatformInjectMouseWheel(HWND window, int notches)
{
    WindowPtr w = injectionTarget(window);
    if (!w)
        return false;
    int x = 0, y = 0;
    cursorInWindow(*w, x, y);
    SDL_Event e{};
    e.wheel.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = w->sdlId;
    e.wheel.y = notches;
    e.wheel.preciseY = static_cast<float>(notches);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.mouseX = x;
    e.wheel.mouseY = y;
    return push(e);
}

bool PlatformInjectKey(HWND window, int sdlScancode, bool down)
{
    WindowPtr w = injectionTarget(window);
    if (!w || sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES)
        return false;
    bool shift = isScancodeDown(SDL_SCANCODE_LSHIFT) || isScancodeDown(SDL_SCANCODE_RSHIFT);
    bool control = isScancodeDown(SDL_SCANCODE_LCTRL) || isScancodeDown(SDL_SCANCODE_RCTRL);
    bool alt = isScancodeDown(SDL_SCANCODE_LALT) || isScancodeDown(SDL_SCANCODE_RALT);
    SDL_Scancode scancode = static_cast<SDL_Scancode>(sdlScancode);
    SDL_Event e{};
    e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = w->sdlId;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = down && isScancodeDown(sdlScancode) ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    e.key.keysym.mod = static_cast<Uint16>((shift ? KMOD_SHIFT : 0) | (control ? KMOD_CTRL : 0) | (alt ? KMOD_ALT : 0));
    if (!push(e))
        return false;
    // Printable keys type their character, as the keyboard would through text input.
    SDL_Keycode sym = e.key.keysym.sym;
    if (down && !control && !alt && sym >= 32 && sym < 127) {
        char ch = static_cast<char>(sym);
        // With Shift, as a US keyboard types.
        static const char kPlain[] = "`1234567890-=[]\\;',./";
        static const char kShifted[] = "~!@#$%^&*()_+{}|:\"<>?";
        if (shift && ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        else if (const char* at = shift ? std::strchr(kPlain, ch) : nullptr; at && *at)
            ch = kShifted[at - kPlain];
        SDL_Event text{};
        text.text.type = SDL_TEXTINPUT;
        text.text.windowID = w->sdlId;
        text.text.text[0] = ch;
        return push(text);
    }
    return true;
}

bool PlatformInjectText(HWND window, const wchar_t* text)
{
    WindowPtr w = injectionTarget(window);
    if (!w || !text || !*text)
        return false;
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    e.text.windowID = w->sdlId;
    const std::string utf8 = wideToUtf8(text);
    if (utf8.size() >= sizeof e.text.text)
        return false;
    std::memcpy(e.text.text, utf8.c_str(), utf8.size() + 1);
    return push(e);
}

bool PlatformInjectFocus(HWND window, bool gained)
{
    WindowPtr w = injectionTarget(window);
    if (!w)
        return false;
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.windowID = w->sdlId;
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    return push(e);
}

bool PlatformInjectClose(HWND window)
{
    WindowPtr w = injectionTarget(window);
    if (!w)
        return false;
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.windowID = w->sdlId;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    return push(e);
}

namespace {

// A window event for the window as the window system would send it.
bool pushWindowEvent(HWND window, Uint8 event, int data1, int data2)
{
    WindowPtr w = injectionTarget(window);
    if (!w)
        return false;
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.windowID = w->sdlId;
    e.window.event = event;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return push(e);
}

} // namespace

bool PlatformInjectWindowResize(HWND window, int width, int height)
{
    return width > 0 && height > 0 && pushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
}

bool PlatformInjectWindowMove(HWND window, int x, int y)
{
    return pushWindowEvent(window, SDL_WINDOWEVENT_MOVED, x, y);
}
