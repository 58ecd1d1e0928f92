#pragma once
// What the DirectInput sources share: one lock over every device, the registry the SDL event
// watch delivers to, and the keyboard and mouse state the watch keeps.
#include <dinput.h>

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

namespace DInputInternal {

class InputDevice;

// Guards every device's state, the registry and the tracked keyboard and mouse. The watch
// takes it on whatever thread queues an SDL event; device methods take it on the caller's.
// Nothing that can queue an SDL event or take a window-layer lock is called while it is held.
std::mutex& stateLock();

// Starts the SDL event watch once SDL video runs (seeding the keys from the window layer).
// False without video: devices then see no events.
bool startEventWatch();

// Registry of live devices, under stateLock().
void registerDevice(InputDevice* device);
void unregisterDevice(InputDevice* device);
const std::vector<InputDevice*>& liveDevices();

// Tracked input, under stateLock().
bool isKeyDown(BYTE dik);
BYTE mouseButtonMask(); // bit n: DirectInput button n is down
// One counter over all devices; the events one input produces share a number.
DWORD nextSequence();

// SDL's relative mouse mode follows whether an exclusive mouse is acquired (on Windows the
// cursor is hidden and held then). Called without stateLock().
void syncMouseMode();

// Copies text into a fixed name field, cut to fit, always terminated.
void copyName(WCHAR (&field)[MAX_PATH], std::wstring_view text);

} // namespace DInputInternal
