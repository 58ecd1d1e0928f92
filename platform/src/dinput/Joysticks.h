#pragma once
// Game controllers through SDL's joystick API: started on first use, enumerated with instance
// GUIDs that name one connection of one controller.
#include <dinput.h>

#include <SDL.h>

#include <string>
#include <vector>

namespace DInputInternal {

struct JoystickInfo {
    SDL_JoystickID id;
    int deviceIndex;
    GUID instance;
    GUID product;
    DWORD devType;
    std::wstring name;
};

// Starts SDL's joystick support (no joystick events in SDL's queue: devices read the state
// themselves). False when it cannot start; the reason is logged once.
bool startJoysticks();
// The controllers attached now, in SDL's order (SDL's list is refreshed first).
std::vector<JoystickInfo> attachedJoysticks();
GUID joystickInstanceGuid(SDL_JoystickID id);
// True when `guid` is a controller instance GUID of ours (attached or not).
bool joystickFromGuid(const GUID& guid, SDL_JoystickID& id);

} // namespace DInputInternal
