// SDL's events become window messages. The button and modifier bits that mouse and key
// messages carry come from the events translated so far, so every message describes the
// moment of its own event even when many wait in SDL's queue.
#include <windows.h>

#include "win32/Strings.h"
#include "window/KeyMap.h"
#include "window/WindowInternal.h"

#include <algorithm>
#include <array>

namespace Win32Internal {

namespace {

struct Translator {
    uint32_t buttons = 0;
    std::array<bool, SDL_NUM_SCANCODES> keys{};
    // The key whose text SDL sends next (0: none). Text that comes without a key of its own (a
    // letter the keymap gives on a key SDL cannot place, or one a tool types through a key
    // mapped for the moment) is handed on with no scan code.
    int textKey = 0;

    bool shift() const { return keys[SDL_SCANCODE_LSHIFT] || keys[SDL_SCANCODE_RSHIFT]; }
    bool control() const { return keys[SDL_SCANCODE_LCTRL] || keys[SDL_SCANCODE_RCTRL]; }
    bool alt() const { return keys[SDL_SCANCODE_LALT] || keys[SDL_SCANCODE_RALT]; }

    WORD mouseKeys() const
    {
        WORD mk = 0;
        if (buttons & SDL_BUTTON_LMASK)
            mk |= MK_LBUTTON;
        if (buttons & SDL_BUTTON_RMASK)
            mk |= MK_RBUTTON;
        if (buttons & SDL_BUTTON_MMASK)
            mk |= MK_MBUTTON;
        if (buttons & SDL_BUTTON_X1MASK)
            mk |= MK_XBUTTON1;
        if (buttons & SDL_BUTTON_X2MASK)
            mk |= MK_XBUTTON2;
        if (shift())
            mk |= MK_SHIFT;
        if (control())
            mk |= MK_CONTROL;
        return mk;
    }
};

// Used on the video thread only.
Translator& translator()
{
    static Translator* t = new Translator;
    return *t;
}

WindowPtr liveWindow(uint32_t sdlId)
{
    WindowPtr w = findWindowBySdlId(sdlId);
    return w && !w->destroying ? w : nullptr;
}

// Keys go to the window SDL names, else to the focused window.
HWND keyboardTarget(uint32_t sdlId)
{
    if (WindowPtr w = liveWindow(sdlId))
        return w->handle;
    return GetFocus();
}

LPARAM clientPoint(int x, int y)
{
    return MAKELPARAM(static_cast<SHORT>(x), static_cast<SHORT>(y));
}

void postAll(const std::vector<PendingMessage>& messages)
{
    for (const PendingMessage& m : messages)
        postMessage(m.window, m.message, m.wParam, m.lParam);
}

void translateWindowEvent(const SDL_WindowEvent& e)
{
    WindowPtr w = liveWindow(e.windowID);
    if (!w)
        return;
    switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        w->invalid = true;
        break;
    case SDL_WINDOWEVENT_MOVED:
        if (!undoForeignMove(*w, e.data1, e.data2) && clientMovedTo(*w, e.data1, e.data2))
            postMessage(w->handle, WM_MOVE, 0, clientPoint(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (clientResizedTo(*w, e.data1, e.data2)) {
            bool maximized = w->sdl && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED);
            SIZE size = clientSize(*w);
            postMessage(w->handle, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED, MAKELPARAM(size.cx, size.cy));
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (!w->minimized) {
            w->minimized = true;
            postMessage(w->handle, WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        if (w->minimized) {
            w->minimized = false;
            SIZE size = clientSize(*w);
            postMessage(w->handle, WM_SIZE, e.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED,
                        MAKELPARAM(size.cx, size.cy));
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        postAll(changeActivation(w->handle));
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Keys let go elsewhere are never reported to us: none is held any more.
        translator().keys.fill(false);
        if (GetForegroundWindow() == w->handle)
            postAll(changeActivation(nullptr));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        postMessage(w->handle, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void translateButton(const SDL_MouseButtonEvent& e)
{
    Translator& t = translator();
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    if (e.button >= 1 && e.button <= 32) {
        if (down)
            t.buttons |= SDL_BUTTON(e.button);
        else
            t.buttons &= ~SDL_BUTTON(e.button);
    }
    WindowPtr w = liveWindow(e.windowID);
    if (!w)
        return;
    // Windows' pattern: down, double-click, down, double-click...
    bool doubleClick = down && (w->windowClass->style & CS_DBLCLKS) && e.clicks >= 2 && e.clicks % 2 == 0;
    UINT message;
    WORD xButton = 0;
    switch (e.button) {
    case SDL_BUTTON_LEFT:
        message = down ? (doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
        break;
    case SDL_BUTTON_RIGHT:
        message = down ? (doubleClick ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
        break;
    case SDL_BUTTON_MIDDLE:
        message = down ? (doubleClick ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN) : WM_MBUTTONUP;
        break;
    case SDL_BUTTON_X1:
    case SDL_BUTTON_X2:
        message = down ? (doubleClick ? WM_XBUTTONDBLCLK : WM_XBUTTONDOWN) : WM_XBUTTONUP;
        xButton = e.button == SDL_BUTTON_X1 ? XBUTTON1 : XBUTTON2;
        break;
    default:
        return;
    }
    postMessage(w->handle, message, MAKEWPARAM(t.mouseKeys(), xButton), clientPoint(e.x, e.y));
}

void translateWheel(const SDL_MouseWheelEvent& e)
{
    int notches = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.y : e.y;
    WindowPtr w = liveWindow(e.windowID);
    if (!w || notches == 0)
        return;
    int delta = std::clamp(notches * WHEEL_DELTA, -32768, 32767);
    // The wheel's point is in screen coordinates, as on Windows.
    POINT origin = clientOrigin(*w);
    postMessage(w->handle, WM_MOUSEWHEEL, MAKEWPARAM(translator().mouseKeys(), static_cast<SHORT>(delta)),
                clientPoint(origin.x + e.mouseX, origin.y + e.mouseY));
}

void translateKey(const SDL_KeyboardEvent& e)
{
    Translator& t = translator();
    bool down = e.type == SDL_KEYDOWN;
    int scancode = e.keysym.scancode;
    bool altBefore = t.alt();
    if (scancode > 0 && scancode < SDL_NUM_SCANCODES)
        t.keys[static_cast<size_t>(scancode)] = down;
    KeyInfo key = keyInfo(scancode);
    if (down) {
        const bool modifier = key.virtualKey == VK_SHIFT || key.virtualKey == VK_CONTROL || key.virtualKey == VK_MENU ||
                              key.virtualKey == VK_LWIN || key.virtualKey == VK_RWIN || key.virtualKey == VK_CAPITAL;
        // A key without key messages (one a tool maps for the moment may land on such a key)
        // gives its text as text alone.
        t.textKey = modifier || key.virtualKey == 0 ? 0 : scancode;
    }
    HWND target = keyboardTarget(e.windowID);
    if (key.virtualKey == 0 || !target)
        return;

    // Alt (without Control, which makes AltGr) and F10 make system keys.
    bool alt = down ? t.alt() : altBefore;
    bool system = !t.control() && (alt || key.virtualKey == VK_F10);
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode) << 16);
    if (key.extended)
        lParam |= LPARAM(1) << 24;
    if (system && alt)
        lParam |= LPARAM(1) << 29;
    if (!down || e.repeat)
        lParam |= LPARAM(1) << 30;
    if (!down)
        lParam |= LPARAM(1) << 31;
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    postMessage(target, message, key.virtualKey, lParam);

    // Text input carries no control characters; these keys give theirs as on Windows.
    if (down && !t.control() && !t.alt()) {
        WPARAM ch = 0;
        switch (key.virtualKey) {
        case VK_BACK:
            ch = 0x08;
            break;
        case VK_TAB:
            ch = 0x09;
            break;
        case VK_RETURN:
            ch = 0x0D;
            break;
        case VK_ESCAPE:
            ch = 0x1B;
            break;
        default:
            break;
        }
        if (ch)
            postMessage(target, WM_CHAR, ch, lParam);
    }
}

void translateText(const SDL_TextInputEvent& e)
{
    HWND target = keyboardTarget(e.windowID);
    Translator& t = translator();
    const KeyInfo key = keyInfo(t.textKey);
    t.textKey = 0;
    if (!target)
        return;
    LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode) << 16);
    if (key.extended)
        lParam |= LPARAM(1) << 24;
    for (wchar_t ch : utf8ToWide(e.text))
        postMessage(target, WM_CHAR, static_cast<WPARAM>(ch), lParam);
}

void translateDisplayEvent()
{
    int width, height, bits;
    if (!refreshDesktopMode(width, height, bits))
        return;
    for (const WindowPtr& w : allWindows()) {
        if (!w->destroying)
            postMessage(w->handle, WM_DISPLAYCHANGE, static_cast<WPARAM>(bits), MAKELPARAM(width, height));
    }
}

void translate(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_QUIT:
        requestClose();
        break;
    case SDL_WINDOWEVENT:
        translateWindowEvent(e.window);
        break;
    case SDL_DISPLAYEVENT:
        translateDisplayEvent();
        break;
    case SDL_MOUSEMOTION:
        if (WindowPtr w = liveWindow(e.motion.windowID))
            postMessage(w->handle, WM_MOUSEMOVE, translator().mouseKeys(), clientPoint(e.motion.x, e.motion.y));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        translateButton(e.button);
        break;
    case SDL_MOUSEWHEEL:
        translateWheel(e.wheel);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        translateKey(e.key);
        break;
    case SDL_TEXTINPUT:
        translateText(e.text);
        break;
    default:
        break;
    }
}

} // namespace

void pumpSdlEvents()
{
    if (!isVideoThread())
        return;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        translate(e);
}

} // namespace Win32Internal
