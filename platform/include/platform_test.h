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
// Text typed without a key SDL can place (a keymap's letter on a key SDL knows no position for,
// or one a tool types through a key it maps for the moment): only the text arrives.
bool PlatformInjectText(HWND window, const wchar_t* text);
bool PlatformInjectFocus(HWND window, bool gained);
bool PlatformInjectClose(HWND window); // the close button
// The window manager moving the client area's top left to a screen point.
bool PlatformInjectWindowMove(HWND window, int x, int y);
// The window manager (or its user) giving the client area a new size: resized, maximised, or
// put into the window manager's own full screen.
bool PlatformInjectWindowResize(HWND window, int width, int height);
// Whether the window is in the desktop's full screen (PlatformEnterFullScreen, a full-screen device).
bool PlatformWindowInFullScreen(HWND window);
// What SIGINT and SIGTERM do: the next look at the message queue closes the main window.
void PlatformRaiseTerminationSignal();
// Forgets a termination signal raised or served, as a new process starts without one.
void PlatformClearTerminationSignal();
// The injected input reaches DirectInput devices at once (immediate state and buffered
// data), exactly as real input does, without the message queue being looked at.

// Virtual game controllers (SDL's virtual joystick driver) that DirectInput lists and reads
// like attached ones. Attaching returns the controller's number, or -1. Axis values run
// -32768..32767; a hat takes a DirectInput POV angle (hundredths of a degree clockwise from
// north, 0xFFFFFFFF centred) and snaps to the nearest of eight directions. New values are seen
// by the next device read. Detaching unplugs the controller. False for an unknown number.
int PlatformAttachVirtualJoystick(const char* name, int axes, int buttons, int hats);
bool PlatformSetVirtualJoystickAxis(int joystick, int axis, int value);
bool PlatformSetVirtualJoystickButton(int joystick, int button, bool down);
bool PlatformSetVirtualJoystickHat(int joystick, int hat, DWORD povAngle);
bool PlatformDetachVirtualJoystick(int joystick);

// Makes a Direct3D device lost as a display-mode change would: the next TestCooperativeLevel
// reports D3DERR_DEVICELOST (and Present fails with it), the one after that
// D3DERR_DEVICENOTRESET until Reset succeeds. False for a null device.
struct IDirect3DDevice9;
bool PlatformLoseDevice(IDirect3DDevice9* device);
// How many batches of draws the device has handed to the driver before their frame ended, to
// bound what the driver holds (0 for a null device).
unsigned PlatformBatchesHandedOver(IDirect3DDevice9* device);

// The intro video's pictures as they reach the window. While capturing is on, every
// picture the video draws is also read back from the window; the last one is handed out as
// D3DCOLOR pixels, top row first, at the window's drawable size. The result is how many
// pictures were captured since capturing was switched (which also empties the capture).
// (Capturing draws through a target of the window's size, so the reading does not depend
// on SDL's offscreen windows, which keep the surface size they were created with.)
#include <vector>

void PlatformCaptureVideoFrames(bool on);
unsigned PlatformLastVideoFrame(std::vector<uint32_t>& pixels, int& width, int& height);

// Translated effect stages: how many were made by the HLSL translator in this process (not read
// from the memory or disk cache), and forgetting the ones kept in memory, so the next effect
// created finds its stages on disk or translates them anew.
unsigned PlatformEffectTranslationCount();
void PlatformForgetTranslatedEffects();

// Counts OpenGL calls (and of them, draws) made by the Direct3D and D3DX layers from now on,
// until switched off; the counts only grow. Needs a device to have been created once.
#include <cstdint>
void PlatformCountGLCalls(bool on);
void PlatformGLCallCounts(uint64_t& calls, uint64_t& draws);
// While calls are counted, draws made with this GL program are counted but not made (0: none), so
// that the CPU time a frame saves without them measures their cost without waiting for each draw.
void PlatformLeaveOutProgram(unsigned program);
// Counts the pixels written (draws' samples that passed, clears' and copies' areas) along with
// the calls, until switched off; waits for each draw, so for measuring only.
void PlatformCountPixels(bool on);
uint64_t PlatformPixelCount();
// Of those, the pixels written by copies between framebuffers (StretchRect, Present): the driver
// copies them as memory where the two storages have one layout and nothing scales, else shades them.
uint64_t PlatformCopiedPixelCount();
// Per GL program, what the draws counted so far cost: draws, pixels and nanoseconds until each
// draw had finished.
struct PlatformProgramCost {
    unsigned program = 0;
    uint64_t draws = 0;
    uint64_t pixels = 0;
    uint64_t nanoseconds = 0;
};
std::vector<PlatformProgramCost> PlatformProgramCosts();
