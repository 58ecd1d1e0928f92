#pragma once
// What the window, message, display and input sources share, and what the Direct3D and
// DirectInput layers need from the windows (their SDL windows, the tracked input state).
#include <windows.h>

#include "win32/WindowSystem.h"
#include "window/PointerState.h"

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Win32Internal {

struct Frame {
    int left, top, right, bottom;
};
Frame frameForStyle(DWORD style);
bool hasCaption(DWORD style);

// SetWindowPos and ShowWindow for the windows of this family (not the console).
BOOL setWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL showWindow(HWND window, int command);

// Shows the icon LoadIconW decoded as the window's icon; placeholders change nothing.
void showClassIcon(SDL_Window* window, HICON icon);

// SDL video and events, started on first use. False when SDL cannot start (the reason
// has been logged once).
bool ensureVideo();
bool videoStarted();
// SDL's events are read on the thread that started SDL.
bool isVideoThread();
// Display 0's bounds, or 0, 0, 1024, 768.
RECT desktopRect();
// Reads display 0's desktop mode; true when it differs from the last reading.
bool refreshDesktopMode(int& width, int& height, int& bitsPerPixel);
HWND desktopWindow();
HMONITOR monitorForDisplay(int displayIndex);
int displayForMonitor(HMONITOR monitor); // -1 for an unknown handle

struct WindowClass {
    std::wstring name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr; // the large one, else the small one
};

// A window. Its fields belong to the thread that created it.
struct WindowData {
    HWND handle = nullptr;
    std::shared_ptr<const WindowClass> windowClass;
    WNDPROC proc = nullptr;
    DWORD style = 0; // without WS_VISIBLE, which `visible` holds
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    std::wstring title;
    RECT outer{}; // screen coordinates, frame included
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    bool visible = false;
    bool invalid = false;
    bool minimized = false;
    bool destroying = false;
    // Some window managers move a window on their own just after it was placed (after its
    // frame came back, by the frame's size): such a move is undone a few times for a while.
    uint64_t placedUntil = 0; // SDL ticks
    int placementRetries = 0;
    std::thread::id owner;
};
using WindowPtr = std::shared_ptr<WindowData>;

WindowPtr findWindow(HWND window);
WindowPtr findWindowBySdlId(uint32_t sdlId);
// Live windows in creation order.
std::vector<WindowPtr> allWindows();
// The oldest window still alive, or null.
HWND mainWindow();
// The first visible, invalid window of `owner` that the filter (null: any) admits.
HWND paintableWindow(std::thread::id owner, HWND filter);
POINT clientOrigin(const WindowData& window);
SIZE clientSize(const WindowData& window);
LRESULT callWindowProc(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam);

struct PendingMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// Makes `active` (or nobody) the active and focused window and lists the messages that
// tell the windows so (WM_ACTIVATEAPP, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS).
std::vector<PendingMessage> changeActivation(HWND active);
// Client area reported by SDL; true when it differs from what the window holds.
bool clientMovedTo(WindowData& window, int x, int y);
// A move SDL reports that the layer did not ask for, shortly after it placed the window: the
// window is put back where it was placed, and true is returned (the move is not taken).
bool undoForeignMove(WindowData& window, int x, int y);
bool clientResizedTo(WindowData& window, int width, int height);

// The SDL window behind a window of ours (null for others): the Direct3D layer draws into it.
SDL_Window* sdlWindowFor(HWND window);
// Puts the window's client area over its whole display, without SDL's border. Called before
// SDL's full screen, which without a window manager marks the window full screen but moves
// and sizes nothing: the window would keep its place while SDL reports the display's size.
// False for no window of ours.
bool coverDisplay(HWND window);

// Message queue.
bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void discardWindowMessages(HWND window);
void installTerminationHandlers();
// A close request from outside (signal, SDL_QUIT): WM_CLOSE to the main window, or
// WM_QUIT(0) on the calling thread when there is none.
void requestClose();
// Turns the SDL events waiting so far into messages (on the video thread only).
void pumpSdlEvents();

// Input state, following every SDL event as SDL queues it (injected events too).
void startInputTracking();
bool isScancodeDown(int sdlScancode);
uint32_t mouseButtonsDown(); // SDL_BUTTON(n) masks

// The Direct3D device's colour pointer: while one is set and shown it is the pointer over our
// windows, whatever ShowCursor's count says; otherwise the count decides about the arrow.
// The cursor stays the caller's (null: none).
void setDevicePointer(SDL_Cursor* cursor);
bool showDevicePointer(bool show); // what was shown before

} // namespace Win32Internal
