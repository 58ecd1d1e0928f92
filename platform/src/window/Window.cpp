// Window classes and windows on SDL windows. The layer keeps each window's outer
// rectangle itself and derives the client area from the fixed frame, so placement reads
// back exactly as it was set whatever the window manager (or none, offscreen) does; SDL's
// own moves and resizes are folded in as they are reported.
#include <windows.h>

#include "win32/Console.h"
#include "win32/Strings.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>

namespace Win32Internal {

namespace {

// How long after the layer placed a window a move it did not ask for is undone, and how often.
constexpr uint64_t kPlacementSettleMs = 1500;
constexpr int kPlacementRetries = 3;

struct WindowTable {
    std::mutex lock;
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
    std::map<HWND, WindowPtr> windows; // handles grow, so this is creation order
    uintptr_t nextHandle = 0x10004;
    HWND active = nullptr;
    HWND focus = nullptr;
};

// Never destroyed: windows may still be destroyed by static destructors at exit.
WindowTable& table()
{
    static WindowTable* t = new WindowTable;
    return *t;
}

bool sameClassName(const std::wstring& a, const wchar_t* b)
{
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0 || std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i])))
            return false;
    }
    return b[i] == 0;
}

// Caller holds the table lock.
std::shared_ptr<WindowClass> findClassLocked(LPCWSTR name)
{
    if (!name)
        return nullptr;
    for (const auto& c : table().classes) {
        if (IS_INTRESOURCE(name) ? c->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name))
                                 : sameClassName(c->name, name))
            return c;
    }
    return nullptr;
}

std::string classNameForLog(LPCWSTR name)
{
    if (!name)
        return "(null)";
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
    return wideToUtf8(name);
}

bool isConsole(HWND window)
{
    return isConsoleWindow(window);
}

void invalidWindow()
{
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
}

void sendAll(const std::vector<PendingMessage>& messages)
{
    for (const PendingMessage& m : messages) {
        if (WindowPtr w = findWindow(m.window))
            callWindowProc(w, m.message, m.wParam, m.lParam);
    }
}

// Puts the SDL window on the window's client area and tells the window when its client
// area moved or changed size since (oldOrigin, oldSize).
void applyClientArea(const WindowPtr& w, POINT oldOrigin, SIZE oldSize)
{
    POINT origin = clientOrigin(*w);
    SIZE size = clientSize(*w);
    if (w->sdl) {
        SDL_SetWindowPosition(w->sdl, origin.x, origin.y);
        SDL_SetWindowSize(w->sdl, std::max<LONG>(1, size.cx), std::max<LONG>(1, size.cy));
        w->placedUntil = SDL_GetTicks64() + kPlacementSettleMs;
        w->placementRetries = kPlacementRetries;
    }
    if (origin.x != oldOrigin.x || origin.y != oldOrigin.y)
        callWindowProc(w, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if (size.cx != oldSize.cx || size.cy != oldSize.cy)
        callWindowProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.cx, size.cy));
}

void placeWindow(const WindowPtr& w, const RECT& outer)
{
    POINT oldOrigin = clientOrigin(*w);
    SIZE oldSize = clientSize(*w);
    w->outer = outer;
    applyClientArea(w, oldOrigin, oldSize);
}

void showSdlWindow(const WindowPtr& w)
{
    if (w->visible)
        return;
    w->visible = true;
    w->invalid = true;
    if (w->sdl)
        SDL_ShowWindow(w->sdl);
}

void hideSdlWindow(const WindowPtr& w)
{
    if (!w->visible)
        return;
    w->visible = false;
    if (w->sdl)
        SDL_HideWindow(w->sdl);
    bool wasActive;
    {
        std::lock_guard<std::mutex> guard(table().lock);
        wasActive = table().active == w->handle;
    }
    if (wasActive)
        sendAll(changeActivation(nullptr));
}

void destroyWindowData(const WindowPtr& w)
{
    w->destroying = true;
    if (w->visible) {
        w->visible = false;
        if (w->sdl)
            SDL_HideWindow(w->sdl);
    }
    {
        // No deactivation messages here: the window is going, and at exit the receivers
        // of its activation may be gone before it.
        std::lock_guard<std::mutex> guard(table().lock);
        if (table().active == w->handle)
            table().active = nullptr;
        if (table().focus == w->handle)
            table().focus = nullptr;
    }
    callWindowProc(w, WM_DESTROY, 0, 0);
    discardWindowMessages(w->handle);
    callWindowProc(w, WM_NCDESTROY, 0, 0);
    {
        std::lock_guard<std::mutex> guard(table().lock);
        table().windows.erase(w->handle);
    }
    if (w->sdl) {
        SDL_DestroyWindow(w->sdl);
        w->sdl = nullptr;
    }
}

bool openGlAvailable()
{
    // Loaded once and kept, so windows come and go without reloading the driver.
    static const bool available = [] {
        if (SDL_GL_LoadLibrary(nullptr) == 0)
            return true;
        Diagnostics::warning(nullptr, "OpenGL is not available (%s); windows are created without it", SDL_GetError());
        return false;
    }();
    return available;
}

} // namespace

Frame frameForStyle(DWORD style)
{
    if (hasCaption(style))
        return Frame{kFrameWidth, kFrameWidth + kCaptionHeight, kFrameWidth, kFrameWidth};
    if (style & (WS_THICKFRAME | WS_DLGFRAME))
        return Frame{kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth};
    if (style & WS_BORDER)
        return Frame{kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth};
    return Frame{0, 0, 0, 0};
}

bool hasCaption(DWORD style)
{
    return (style & WS_CAPTION) == WS_CAPTION;
}

WindowPtr findWindow(HWND window)
{
    if (!window)
        return nullptr;
    std::lock_guard<std::mutex> guard(table().lock);
    auto it = table().windows.find(window);
    return it == table().windows.end() ? nullptr : it->second;
}

WindowPtr findWindowBySdlId(uint32_t sdlId)
{
    if (sdlId == 0)
        return nullptr;
    std::lock_guard<std::mutex> guard(table().lock);
    for (const auto& [handle, w] : table().windows) {
        if (w->sdlId == sdlId)
            return w;
    }
    return nullptr;
}

std::vector<WindowPtr> allWindows()
{
    std::lock_guard<std::mutex> guard(table().lock);
    std::vector<WindowPtr> result;
    result.reserve(table().windows.size());
    for (const auto& [handle, w] : table().windows)
        result.push_back(w);
    return result;
}

HWND mainWindow()
{
    std::lock_guard<std::mutex> guard(table().lock);
    for (const auto& [handle, w] : table().windows) {
        if (!w->destroying)
            return handle;
    }
    return nullptr;
}

HWND paintableWindow(std::thread::id owner, HWND filter)
{
    std::lock_guard<std::mutex> guard(table().lock);
    for (const auto& [handle, w] : table().windows) {
        if (w->owner == owner && w->visible && w->invalid && !w->destroying && (!filter || filter == handle))
            return handle;
    }
    return nullptr;
}

POINT clientOrigin(const WindowData& window)
{
    Frame f = frameForStyle(window.style);
    return POINT{window.outer.left + f.left, window.outer.top + f.top};
}

SIZE clientSize(const WindowData& window)
{
    Frame f = frameForStyle(window.style);
    LONG width = window.outer.right - window.outer.left - f.left - f.right;
    LONG height = window.outer.bottom - window.outer.top - f.top - f.bottom;
    return SIZE{std::max<LONG>(0, width), std::max<LONG>(0, height)};
}

LRESULT callWindowProc(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = window->proc;
    return proc ? proc(window->handle, message, wParam, lParam) : 0;
}

std::vector<PendingMessage> changeActivation(HWND active)
{
    std::vector<PendingMessage> out;
    std::lock_guard<std::mutex> guard(table().lock);
    WindowTable& t = table();
    HWND oldActive = t.active;
    HWND oldFocus = t.focus;
    if (oldActive == active && oldFocus == active)
        return out;
    t.active = active;
    t.focus = active;
    if (oldActive != active) {
        auto toAll = [&](WPARAM activated) {
            for (const auto& [handle, w] : t.windows) {
                if (!w->destroying)
                    out.push_back({handle, WM_ACTIVATEAPP, activated, 0});
            }
        };
        if (oldActive) {
            out.push_back({oldActive, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(active)});
            if (!active)
                toAll(FALSE);
        }
        if (active) {
            if (!oldActive)
                toAll(TRUE);
            out.push_back({active, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(oldActive)});
        }
    }
    if (oldFocus != active) {
        if (oldFocus)
            out.push_back({oldFocus, WM_KILLFOCUS, reinterpret_cast<WPARAM>(active), 0});
        if (active)
            out.push_back({active, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldFocus), 0});
    }
    return out;
}

bool clientMovedTo(WindowData& window, int x, int y)
{
    POINT origin = clientOrigin(window);
    if (origin.x == x && origin.y == y)
        return false;
    LONG dx = x - origin.x, dy = y - origin.y;
    window.outer.left += dx;
    window.outer.right += dx;
    window.outer.top += dy;
    window.outer.bottom += dy;
    return true;
}

bool undoForeignMove(WindowData& window, int x, int y)
{
    if (!window.sdl || window.placementRetries <= 0 || SDL_GetTicks64() >= window.placedUntil ||
        (SDL_GetWindowFlags(window.sdl) & SDL_WINDOW_FULLSCREEN))
        return false;
    POINT origin = clientOrigin(window);
    if (origin.x == x && origin.y == y)
        return false;
    // A window manager that insists keeps its place after the last try: no endless tug.
    --window.placementRetries;
    SDL_SetWindowPosition(window.sdl, origin.x, origin.y);
    return true;
}

bool clientResizedTo(WindowData& window, int width, int height)
{
    SIZE size = clientSize(window);
    // The SDL window is never smaller than 1x1, even for an empty client area.
    if (std::max<LONG>(1, size.cx) == width && std::max<LONG>(1, size.cy) == height)
        return false;
    window.outer.right += width - size.cx;
    window.outer.bottom += height - size.cy;
    return true;
}

SDL_Window* sdlWindowFor(HWND window)
{
    WindowPtr w = findWindow(window);
    return w ? w->sdl : nullptr;
}

bool coverDisplay(HWND window)
{
    WindowPtr w = findWindow(window);
    if (!w || !w->sdl || w->destroying)
        return false;
    // SDL takes no placement while the window is full screen.
    if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN)
        return true;
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(w->sdl);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
        return false;
    SDL_SetWindowBordered(w->sdl, SDL_FALSE);
    const Frame f = frameForStyle(w->style);
    placeWindow(
        w, RECT{bounds.x - f.left, bounds.y - f.top, bounds.x + bounds.w + f.right, bounds.y + bounds.h + f.bottom});
    return true;
}

} // namespace Win32Internal

using namespace Win32Internal;

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    // 48 is the structure's size on 32-bit Windows, which callers may have written down.
    if (!windowClass || (windowClass->cbSize != sizeof(WNDCLASSEXW) && windowClass->cbSize != 48) ||
        !windowClass->lpfnWndProc || !windowClass->lpszClassName || IS_INTRESOURCE(windowClass->lpszClassName) ||
        windowClass->lpszClassName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::mutex> guard(table().lock);
    if (findClassLocked(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = windowClass->lpszClassName;
    c->atom = table().nextAtom++;
    c->style = windowClass->style;
    c->proc = windowClass->lpfnWndProc;
    c->instance = windowClass->hInstance;
    c->icon = windowClass->hIcon ? windowClass->hIcon : windowClass->hIconSm;
    table().classes.push_back(c);
    return c->atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    std::lock_guard<std::mutex> guard(table().lock);
    std::shared_ptr<WindowClass> c = findClassLocked(className);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (const auto& [handle, w] : table().windows) {
        if (w->windowClass == c) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    }
    auto& classes = table().classes;
    classes.erase(std::remove(classes.begin(), classes.end(), c), classes.end());
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    std::shared_ptr<const WindowClass> windowClass;
    {
        std::lock_guard<std::mutex> guard(table().lock);
        windowClass = findClassLocked(className);
    }
    if (!windowClass) {
        Diagnostics::error("CreateWindowExW", "window class \"%s\" is not registered",
                           classNameForLog(className).c_str());
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (style & WS_CHILD) {
        Diagnostics::error("CreateWindowExW", "child windows are not supported");
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!ensureVideo()) {
        Diagnostics::error("CreateWindowExW", "no window without SDL video");
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }

    auto w = std::make_shared<WindowData>();
    w->windowClass = windowClass;
    w->proc = windowClass->proc;
    w->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w->exStyle = exStyle;
    w->instance = instance;
    w->title = windowName ? windowName : L"";
    w->owner = std::this_thread::get_id();

    RECT desktop = desktopRect();
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    if (x == CW_USEDEFAULT) {
        x = desktop.left + (desktop.right - desktop.left - width) / 2;
        y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    }
    w->outer = RECT{x, y, x + width, y + height};

    POINT origin = clientOrigin(*w);
    SIZE size = clientSize(*w);
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!hasCaption(w->style))
        flags |= SDL_WINDOW_BORDERLESS;
    if (w->style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    std::string title = wideToUtf8(w->title);
    bool withGl = openGlAvailable();
    w->sdl = SDL_CreateWindow(title.c_str(), origin.x, origin.y, std::max<LONG>(1, size.cx), std::max<LONG>(1, size.cy),
                              flags | (withGl ? SDL_WINDOW_OPENGL : 0));
    if (!w->sdl && withGl) {
        Diagnostics::warning("CreateWindowExW", "no OpenGL window (%s); trying without OpenGL", SDL_GetError());
        w->sdl = SDL_CreateWindow(title.c_str(), origin.x, origin.y, std::max<LONG>(1, size.cx),
                                  std::max<LONG>(1, size.cy), flags);
    }
    if (!w->sdl) {
        Diagnostics::error("CreateWindowExW", "SDL could not create the window: %s", SDL_GetError());
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    w->sdlId = SDL_GetWindowID(w->sdl);
    showClassIcon(w->sdl, windowClass->icon);

    bool first;
    {
        std::lock_guard<std::mutex> guard(table().lock);
        w->handle = reinterpret_cast<HWND>(table().nextHandle);
        table().nextHandle += 4;
        first = table().windows.empty();
        table().windows.emplace(w->handle, w);
    }
    if (first)
        installTerminationHandlers();

    CREATESTRUCTW create{};
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (callWindowProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        Diagnostics::error("CreateWindowExW", "the window procedure refused WM_CREATE");
        if (!w->destroying)
            destroyWindowData(w);
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    if (w->destroying) {
        Diagnostics::error("CreateWindowExW", "the window was destroyed while it was created");
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (style & WS_VISIBLE)
        ShowWindow(w->handle, SW_SHOW);
    return w->handle;
}

BOOL DestroyWindow(HWND window)
{
    if (isConsole(window))
        return TRUE;
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return FALSE;
    }
    destroyWindowData(w);
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    default:
        return 0;
    }
}

BOOL IsWindow(HWND window)
{
    if (window == desktopWindow() || isConsole(window))
        return TRUE;
    WindowPtr w = findWindow(window);
    return w && !w->destroying ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window)
{
    if (window == desktopWindow())
        return TRUE;
    WindowPtr w = findWindow(window);
    return w && w->visible ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return FALSE;
    }
    w->title = text ? text : L"";
    if (w->sdl)
        SDL_SetWindowTitle(w->sdl, wideToUtf8(w->title).c_str());
    return TRUE;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int bufferLength)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return 0;
    }
    if (!buffer || bufferLength <= 0)
        return 0;
    size_t count = std::min(w->title.size(), static_cast<size_t>(bufferLength - 1));
    std::copy_n(w->title.data(), count, buffer);
    buffer[count] = 0;
    return static_cast<int>(count);
}

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return 0;
    }
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG>(w->style | (w->visible ? WS_VISIBLE : 0));
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return 0;
    }
    LONG_PTR previous = GetWindowLongPtrW(window, index);
    switch (index) {
    case GWL_STYLE: {
        DWORD style = static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_VISIBLE);
        bool captionChanged = hasCaption(style) != hasCaption(w->style);
        bool sizingChanged = ((style ^ w->style) & WS_THICKFRAME) != 0;
        POINT oldOrigin = clientOrigin(*w);
        SIZE oldSize = clientSize(*w);
        w->style = style;
        if (w->sdl && captionChanged)
            SDL_SetWindowBordered(w->sdl, hasCaption(style) ? SDL_TRUE : SDL_FALSE);
        if (w->sdl && sizingChanged)
            SDL_SetWindowResizable(w->sdl, (style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
        // The outer rectangle stays; the client area follows the new frame.
        applyClientArea(w, oldOrigin, oldSize);
        break;
    }
    case GWL_EXSTYLE:
        w->exStyle = static_cast<DWORD>(value);
        break;
    case GWLP_USERDATA:
        w->userData = value;
        break;
    case GWLP_WNDPROC:
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_HINSTANCE:
        w->instance = reinterpret_cast<HINSTANCE>(value);
        break;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return previous;
}

LONG GetWindowLongW(HWND window, int index)
{
    return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG SetWindowLongW(HWND window, int index, LONG value)
{
    // A style's high bits must not be sign-extended into the pointer-sized value.
    LONG_PTR wide = (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                                                                 : static_cast<LONG_PTR>(value);
    return static_cast<LONG>(SetWindowLongPtrW(window, index, wide));
}

BOOL Win32Internal::setWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags)
{
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return FALSE;
    }
    RECT outer = w->outer;
    if (!(flags & SWP_NOMOVE)) {
        LONG width = outer.right - outer.left, height = outer.bottom - outer.top;
        outer = RECT{x, y, x + width, y + height};
    }
    if (!(flags & SWP_NOSIZE)) {
        outer.right = outer.left + std::max(0, cx);
        outer.bottom = outer.top + std::max(0, cy);
    }
    placeWindow(w, outer);
    if (flags & SWP_SHOWWINDOW) {
        showSdlWindow(w);
        if (!(flags & SWP_NOACTIVATE))
            sendAll(changeActivation(w->handle));
    } else if (flags & SWP_HIDEWINDOW) {
        hideSdlWindow(w);
    }
    return TRUE;
}

BOOL Win32Internal::showWindow(HWND window, int command)
{
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return FALSE;
    }
    bool wasVisible = w->visible;
    bool activate = true;
    switch (command) {
    case SW_HIDE:
        hideSdlWindow(w);
        return wasVisible ? TRUE : FALSE;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        showSdlWindow(w);
        if (w->sdl)
            SDL_MinimizeWindow(w->sdl);
        activate = command == SW_SHOWMINIMIZED;
        break;
    case SW_SHOWMAXIMIZED:
        showSdlWindow(w);
        if (w->sdl)
            SDL_MaximizeWindow(w->sdl);
        break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
        activate = false;
        showSdlWindow(w);
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        showSdlWindow(w);
        if (w->sdl && (SDL_GetWindowFlags(w->sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)))
            SDL_RestoreWindow(w->sdl);
        break;
    default:
        showSdlWindow(w);
        break;
    }
    if (activate)
        sendAll(changeActivation(w->handle));
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window)
{
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return FALSE;
    }
    if (w->visible && w->invalid)
        callWindowProc(w, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL)
{
    if (!window) {
        for (const WindowPtr& w : allWindows()) {
            if (w->owner == std::this_thread::get_id())
                w->invalid = true;
        }
        return TRUE;
    }
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return FALSE;
    }
    w->invalid = true;
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*)
{
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return FALSE;
    }
    w->invalid = false;
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Frame f = frameForStyle(style);
    // Edges at the ends of the range stay there rather than wrap.
    auto widen = [](LONG edge, int by) {
        const long long moved = static_cast<long long>(edge) + by;
        return static_cast<LONG>(std::clamp<long long>(moved, INT32_MIN, INT32_MAX));
    };
    rect->left = widen(rect->left, -f.left);
    rect->top = widen(rect->top, -f.top);
    rect->right = widen(rect->right, f.right);
    rect->bottom = widen(rect->bottom, f.bottom);
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu)
{
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (window == desktopWindow()) {
        *rect = desktopRect();
        return TRUE;
    }
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return FALSE;
    }
    *rect = w->outer;
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (window == desktopWindow()) {
        RECT desktop = desktopRect();
        *rect = RECT{0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top};
        return TRUE;
    }
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return FALSE;
    }
    SIZE size = clientSize(*w);
    *rect = RECT{0, 0, size.cx, size.cy};
    return TRUE;
}

namespace {

bool originOf(HWND window, POINT& origin)
{
    if (window == desktopWindow()) {
        RECT desktop = desktopRect();
        origin = POINT{desktop.left, desktop.top};
        return true;
    }
    WindowPtr w = findWindow(window);
    if (!w) {
        invalidWindow();
        return false;
    }
    origin = clientOrigin(*w);
    return true;
}

} // namespace

BOOL ClientToScreen(HWND window, LPPOINT point)
{
    POINT origin{};
    if (!point || !originOf(window, origin))
        return FALSE;
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point)
{
    POINT origin{};
    if (!point || !originOf(window, origin))
        return FALSE;
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

HWND GetForegroundWindow()
{
    std::lock_guard<std::mutex> guard(table().lock);
    return table().active;
}

BOOL SetForegroundWindow(HWND window)
{
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return FALSE;
    }
    if (w->sdl)
        SDL_RaiseWindow(w->sdl);
    sendAll(changeActivation(window));
    return TRUE;
}

HWND GetFocus()
{
    std::lock_guard<std::mutex> guard(table().lock);
    return table().focus;
}

HWND SetFocus(HWND window)
{
    HWND previous = GetFocus();
    if (!window) {
        {
            std::lock_guard<std::mutex> guard(table().lock);
            table().focus = nullptr;
        }
        if (previous)
            sendAll({PendingMessage{previous, WM_KILLFOCUS, 0, 0}});
        return previous;
    }
    WindowPtr w = findWindow(window);
    if (!w || w->destroying) {
        invalidWindow();
        return nullptr;
    }
    // Our windows are all top-level: focusing one activates it.
    sendAll(changeActivation(window));
    return previous;
}

namespace {

// Placeholders: there are no resources to load (icons: Icon.cpp).
char s_module;
char s_cursor;

} // namespace

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR)
{
    return reinterpret_cast<HCURSOR>(&s_cursor);
}

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (moduleName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&s_module);
}
