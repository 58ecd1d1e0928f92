#pragma once
// Owner of keyboard, mouse and joystick input. Stand-in: the class grows with
// the input subsystem; for now it holds the keyboard state whose consoleKey
// signal drives the in-game console.
#include "devices/KeyState.h"

namespace Ulvo {

class DInputInitParams;

class DirectInputInterface {
public:
    static DirectInputInterface* getInstance();

    // False without parameters.
    bool init(DInputInitParams* params);
    // Puts the mouse position in the middle of the main window.
    void centerMouse();

    KeyState& getKeyState() { return m_keyState; }
    DInputInitParams* getInitParams() const { return m_initParams; }

private:
    DirectInputInterface() = default;

    KeyState m_keyState;
    DInputInitParams* m_initParams = nullptr;
};

} // namespace Ulvo
