#pragma once
// Hooks for tests of code that runs on the platform layer.
#include <cstdint>

// While on, QueryPerformanceCounter, GetTickCount and timeGetTime read a virtual clock
// that starts at the current real reading and moves only by PlatformAdvanceVirtualClock
// and Sleep (which then returns at once).
void PlatformUseVirtualClock(bool on);
void PlatformAdvanceVirtualClock(uint64_t microseconds);

// Input and window events for the windows of this layer, queued through SDL as real ones
// are, so they reach the next PeekMessageW/GetMessageW and the tracked keyboard and mouse
// state. Coordinates are client coordinates; buttons are numbered 1 left, 2 middle,
// 3 right, 4 and 5 the X buttons; keys are SDL scancodes (USB usage numbers: 4 is A).
// A key going down also types its character when it has one. False when the window is
// not one of ours.
#include <windef.h>

bool PlatformInjectMouseMove(HWND window, int x, int y);
bool PlatformInjectMouseButton(HWND window, int button, bool down, int x, int y);
bool PlatformInjectMouseWheel(HWND window, int notches); // at the last injected position
bool PlatformInjectKey(HWND window, int sdlScancode, bool down);
bool PlatformInjectFocus(HWND window, bool gained);
bool PlatformInjectClose(HWND window); // the close button
// What SIGINT and SIGTERM do: the next look at the message queue closes the main window.
void PlatformRaiseTerminationSignal();
