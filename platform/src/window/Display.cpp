// SDL's start, the desktop and its metrics.
#include <windows.h>
#include <platform_app.h>
#include <platform_test.h>

#include "win32/Strings.h"
#include "window/WindowInternal.h"
#include "win32/MessageText.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace Win32Internal {

namespace {

std::atomic<bool> s_videoStarted{false};
std::thread::id s_videoThread;
std::mutex s_modeLock;
int s_modeWidth = 0;
int s_modeHeight = 0;
int s_modeBits = 0;

// Distinct values standing for the desktop and for displays.
constexpr uintptr_t kDesktopHandle = 0x10000;
constexpr uintptr_t kMonitorBase = 0x20000;

bool readDesktopMode(int& width, int& height, int& bits)
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
        return false;
    width = mode.w;
    height = mode.h;
    bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    if (bits <= 0)
        bits = 32;
    return true;
}

} // namespace

bool ensureVideo()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The layer turns SIGINT/SIGTERM into WM_CLOSE itself, and closing the last window
        // is the program's decision, not SDL's.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            Diagnostics::error(nullptr, "SDL video could not start: %s", SDL_GetError());
            return;
        }
        s_videoThread = std::this_thread::get_id();
        {
            std::lock_guard<std::mutex> guard(s_modeLock);
            readDesktopMode(s_modeWidth, s_modeHeight, s_modeBits);
        }
        startInputTracking();
        s_videoStarted.store(true);
    });
    return s_videoStarted.load();
}

bool videoStarted()
{
    return s_videoStarted.load();
}

bool isVideoThread()
{
    return s_videoStarted.load() && std::this_thread::get_id() == s_videoThread;
}

RECT desktopRect()
{
    SDL_Rect bounds;
    if (ensureVideo() && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0)
        return RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    return RECT{0, 0, kFallbackDesktopWidth, kFallbackDesktopHeight};
}

bool refreshDesktopMode(int& width, int& height, int& bitsPerPixel)
{
    int w = 0, h = 0, bits = 0;
    if (!videoStarted() || !readDesktopMode(w, h, bits))
        return false;
    std::lock_guard<std::mutex> guard(s_modeLock);
    bool changed = w != s_modeWidth || h != s_modeHeight || bits != s_modeBits;
    s_modeWidth = width = w;
    s_modeHeight = height = h;
    s_modeBits = bitsPerPixel = bits;
    return changed;
}

HWND desktopWindow()
{
    return reinterpret_cast<HWND>(kDesktopHandle);
}

HMONITOR monitorForDisplay(int displayIndex)
{
    if (displayIndex < 0)
        displayIndex = 0;
    return reinterpret_cast<HMONITOR>(kMonitorBase + 4 * (static_cast<uintptr_t>(displayIndex) + 1));
}

int displayForMonitor(HMONITOR monitor)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(monitor);
    if (value <= kMonitorBase || value >= kMonitorBase + 4 * 1024 || (value - kMonitorBase) % 4 != 0)
        return -1;
    return static_cast<int>((value - kMonitorBase) / 4 - 1);
}

namespace {

int desktopMetric(int index)
{
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        int width = 0, height = 0, bits = 0;
        if (!ensureVideo() || !readDesktopMode(width, height, bits)) {
            RECT desktop = desktopRect();
            width = desktop.right - desktop.left;
            height = desktop.bottom - desktop.top;
        }
        return index == SM_CXSCREEN ? width : height;
    }
    case SM_CXFULLSCREEN:
    case SM_CYFULLSCREEN: {
        // The client area of a maximised window: the usable part of the desktop, less a caption.
        SDL_Rect usable;
        RECT area = desktopRect();
        if (videoStarted() && SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0)
            area = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
        return index == SM_CXFULLSCREEN ? area.right - area.left : area.bottom - area.top - kCaptionHeight;
    }
    default:
        return 0;
    }
}

// Only on a real screen: the offscreen and dummy drivers have none, and a box there (or on a
// display a test run happens to see) would wait for nobody.
bool showMessage(const wchar_t* caption, const wchar_t* text, bool error)
{
    const char* driver = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0))
        return false;
    // SDL sizes the box to its longest line and centres it: lines are kept to what the screen
    // holds in the box's font (about 8.5 pixels a character; 10 leaves room for wide letters and
    // the border), and the lines to what its height holds (about 24 pixels each).
    int width = 1024, height = 768, bits = 0;
    if (ensureVideo())
        readDesktopMode(width, height, bits);
    const std::size_t columns = static_cast<std::size_t>(std::clamp((width - 80) / 10, 30, 90));
    const std::size_t lines = static_cast<std::size_t>(std::max((height - 160) / 26, 4));
    const std::string title = wideToUtf8(caption);
    const std::string message = wideToUtf8(wrapMessage(text, columns, lines));
    return SDL_ShowSimpleMessageBox(error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION, title.c_str(),
                                    message.c_str(), nullptr) == 0;
}

const WindowSystem kWindowSystem{desktopMetric, setWindowPos, showWindow, showMessage};

} // namespace

} // namespace Win32Internal

// The window family's link options name this (-u), so every program that links the family has
// its desktop and windows installed, even one that calls nothing else of this file.
extern "C" const bool ulvo_window_system_installed = Win32Internal::installWindowSystem(&Win32Internal::kWindowSystem);

using namespace Win32Internal;

HWND GetDesktopWindow()
{
    return desktopWindow();
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags)
{
    WindowPtr data = findWindow(window);
    if (!data) {
        if (flags == MONITOR_DEFAULTTONULL && window != desktopWindow())
            return nullptr;
        return monitorForDisplay(0);
    }
    int display = data->sdl ? SDL_GetWindowDisplayIndex(data->sdl) : 0;
    return monitorForDisplay(display < 0 ? 0 : display);
}

namespace {

bool inDesktopFullScreen(SDL_Window* sdl)
{
    return (SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
}

} // namespace

bool PlatformDisplayOpens()
{
    return ensureVideo();
}

bool PlatformEnterFullScreen(HWND window)
{
    SDL_Window* sdl = sdlWindowFor(window);
    if (!sdl)
        return false;
    if (inDesktopFullScreen(sdl))
        return true;
    // Only a window that already shows as full screen: one smaller would grow under what it
    // draws now (the intro keeps its picture's place).
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(sdl);
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0)
        return false;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &width, &height);
    if (x != bounds.x || y != bounds.y || width != bounds.w || height != bounds.h)
        return false;
    return SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

bool PlatformWindowInFullScreen(HWND window)
{
    SDL_Window* sdl = sdlWindowFor(window);
    return sdl && inDesktopFullScreen(sdl);
}
