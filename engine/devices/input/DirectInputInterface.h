#pragma once
// The single owner of keyboard, mouse and joystick input: creates the
// DirectInput devices, polls them once per game update, keeps the input state
// block and turns every change into the signals of the state types.
#include <windows.h>
#include <dinput.h>

#include "devices/d3d/DeviceResource.h"
#include "devices/input/KeyState.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class DInputInitParams;
class MainLoopSignals;
class Measures;

// A device resource only in that it follows the device's resets: the screen size it
// clamps the mouse to is read again after each one.
class DirectInputInterface : public sigslot::has_slots<>, public DeviceResource {
public:
    static DirectInputInterface* getInstance();
    ~DirectInputInterface() override;

    // The engine's start-up step: takes the loop whose window messages, activation and
    // console state init follows, and follows device's resets.
    void connect(MainLoopSignals& loop, DeviceLossSignals& device);
    void disconnect(MainLoopSignals& loop);

    // True when every device it tries is set up; false without parameters or
    // when a DirectInput call fails (what was made stays in place).
    bool init(DInputInitParams* params);
    // Polls mouse, keyboard and joysticks, in that order.
    void update();
    // Puts the mouse position in the middle of the main window.
    void centerMouse();
    // True while this object has hidden the system cursor.
    bool isCursorHidden() const { return !m_cursorVisible; }

    KeyState& getKeyState() { return m_inputStates.keyState; }
    InputStates& getInputStates() { return m_inputStates; }
    DInputInitParams* getInitParams() const { return m_initParams; }
    uint32_t getScreenWidth() const { return m_screenWidth; }
    uint32_t getScreenHeight() const { return m_screenHeight; }
    const std::vector<std::wstring>& getJoystickNames() const { return m_joystickNames; }

    // Slots.
    void onWindowMessage(HWND& window, UINT& message, WPARAM& wParam, LPARAM& lParam);
    void setConsoleOpen(const bool& open);
    void refreshScreenSize();
    void onResetDevice() override { refreshScreenSize(); }
    // Losing the focus releases every held key: the foreground keyboard sees
    // no releases while the window is inactive.
    void onActivate(const bool& active);

private:
    struct JoystickRecord {
        IDirectInputDevice8W* device;
        GUID instance;
    };
    struct WindowMessage {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    DirectInputInterface();

    static BOOL CALLBACK enumJoystick(LPCDIDEVICEINSTANCEW instance, LPVOID context);
    static BOOL CALLBACK enumJoystickAxis(LPCDIDEVICEOBJECTINSTANCEW object, LPVOID context);

    void updateMouse();
    void updateMouseFromMessages();
    // Moves the message mode's position to a point of the window's client area, in back-buffer
    // coordinates: a full-screen picture is scaled to the screen, so the two differ.
    void moveMouseTo(HWND window, POINT client);
    void updateMouseBuffered();
    void updateMouseImmediate();
    void updateKeyBoard();
    void updateJoysticks();

    // Re-acquires a device that failed a read; a bounded number of tries, so a
    // device that stays lost costs one poll and no more.
    static bool reacquire(IDirectInputDevice8W* device);
    // Emits keyReleased for every key held in the state but up in deviceKeys
    // (all keys when null), and clears it.
    void releaseKeysUp(const BYTE* deviceKeys);
    // Brings the key state in line with the device after events may have been
    // missed; releases everything when the device cannot be read.
    void resyncKeyboard();
    // Adds a step to one mouse axis (0 x, 1 y), clamped and normalised.
    void addMouseStep(int axis, double delta);
    void emitMouseAxis(UlvoAchse axis);
    void emitMouseButton(bool pressed, int index);
    void emitKey(sigslot::signal2<KeyState&, const unsigned char&>& signal, int key, bool holdBack);
    // Hands on the text typed since the last update, in order.
    void emitTypedText();
    void heldKey(int key, uint32_t now);

    InputStates m_inputStates;
    DInputInitParams* m_initParams = nullptr;
    MainLoopSignals* m_loop = nullptr;
    uint32_t m_screenWidth = 0;
    uint32_t m_screenHeight = 0;
    uint32_t m_lastMousePoll = 0;
    uint32_t m_lastKeyboardPoll = 0;
    IDirectInput8W* m_directInput = nullptr;
    IDirectInputDevice8W* m_mouseDevice = nullptr;
    IDirectInputDevice8W* m_keyboardDevice = nullptr;
    std::vector<JoystickRecord> m_joystickDevices;
    std::vector<std::wstring> m_joystickNames;
    std::vector<WindowMessage> m_windowMessages;
    // Key and character messages queued for the next update: unlike the keyboard's event buffer
    // the queue keeps all of them, however long the frame.
    std::vector<TypedKey> m_typedText;
    std::vector<TypedKey> m_typedTextSent;
    // The modifiers as the key messages queued so far leave them (left and right apart).
    bool m_textShift[2] = {false, false};
    bool m_textControl[2] = {false, false};
    bool m_textAltGr = false;
    DIDEVCAPS m_joystickCaps{};
    bool m_consoleOpen = false;
    bool m_cursorVisible = true;

    bool m_joysticksListed = false;
    IDirectInputDevice8W* m_joystickInSetup = nullptr; // target of the axis callback
    Measures* m_measureUpdate = nullptr;
    Measures* m_measureMouse = nullptr;
    Measures* m_measureKeyboard = nullptr;
    Measures* m_measureJoysticks = nullptr;
};

} // namespace Ulvo
