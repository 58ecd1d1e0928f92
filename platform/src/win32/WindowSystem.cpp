// System metrics and the placing and showing of windows, with or without the window family.
#include <windows.h>

#include "win32/Console.h"
#include "win32/WindowSystem.h"

#include <atomic>

namespace Win32Internal {

namespace {

std::atomic<const WindowSystem*> s_windowSystem{nullptr};

} // namespace

bool installWindowSystem(const WindowSystem* system)
{
    s_windowSystem.store(system);
    return true;
}

const WindowSystem* windowSystem()
{
    return s_windowSystem.load();
}

} // namespace Win32Internal

using namespace Win32Internal;

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CYFULLSCREEN:
        if (const WindowSystem* system = s_windowSystem.load())
            return system->desktopMetric(index);
        if (index == SM_CXSCREEN || index == SM_CXFULLSCREEN)
            return kFallbackDesktopWidth;
        return index == SM_CYSCREEN ? kFallbackDesktopHeight : kFallbackDesktopHeight - kCaptionHeight;
    case SM_CYCAPTION:
        return kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return kBorderWidth;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
    case SM_CXFRAME:
    case SM_CYFRAME:
        return kFrameWidth;
    default:
        return 0;
    }
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    // The console stands in for a window that cannot be placed here.
    if (isConsoleWindow(window))
        return TRUE;
    if (const WindowSystem* system = s_windowSystem.load())
        return system->setWindowPos(window, insertAfter, x, y, cx, cy, flags);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

BOOL ShowWindow(HWND window, int command)
{
    if (isConsoleWindow(window))
        return TRUE;
    if (const WindowSystem* system = s_windowSystem.load())
        return system->showWindow(window, command);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}
