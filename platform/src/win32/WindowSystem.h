#pragma once
// The window calls the base layer answers without SDL. Logging opens and places a console
// window, so GetSystemMetrics, SetWindowPos and ShowWindow belong to the base: there they know
// the console's placeholder window, the fixed frame sizes and a desktop of the fallback size.
// The window family (windows and the message queue on SDL) installs the real desktop and its
// windows behind them as soon as it is linked.
#include <windef.h>

namespace Win32Internal {

// The fixed frame (see GetSystemMetrics).
constexpr int kCaptionHeight = 23;
constexpr int kFrameWidth = 3;
constexpr int kBorderWidth = 1;
// Desktop used when there is no display.
constexpr int kFallbackDesktopWidth = 1024;
constexpr int kFallbackDesktopHeight = 768;

struct WindowSystem {
    // SM_CXSCREEN, SM_CYSCREEN, SM_CXFULLSCREEN and SM_CYFULLSCREEN of the real desktop.
    int (*desktopMetric)(int index);
    // The calls for windows other than the console.
    BOOL (*setWindowPos)(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    BOOL (*showWindow)(HWND window, int command);
    // Shows a message on the screen and waits for it to be closed; false without a screen.
    bool (*showMessage)(const wchar_t* caption, const wchar_t* text, bool error);
};

// The installed window family, or null.
const WindowSystem* windowSystem();

// Returns true, so the installation can initialise a constant at namespace scope.
bool installWindowSystem(const WindowSystem* system);

} // namespace Win32Internal
