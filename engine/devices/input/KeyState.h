#pragma once
// The input states that carry keyboard, mouse and joystick input through the
// program, the block that holds them with the live input settings, and the
// button and axis numbering their signals use.
#include <dinput.h>

#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

// Mouse buttons in DIMOUSESTATE2 order.
enum UlvoMouseButton : int32_t {
    ULVO_MOUSE_LEFT = 0,
    ULVO_MOUSE_RIGHT = 1,
    ULVO_MOUSE_MIDDLE = 2,
    ULVO_MOUSE_BUTTON3 = 3,
    ULVO_MOUSE_BUTTON4 = 4,
    ULVO_MOUSE_BUTTON5 = 5,
    ULVO_MOUSE_BUTTON6 = 6,
    ULVO_MOUSE_BUTTON7 = 7,
};

// Each axis has three values: negative direction, positive direction, whole.
// 0-17 are the joystick axes in DIJOYSTATE2 order; the mouse signals x and y
// with 0-5 and the wheel with 18-20, but reads the wheel as 6-8.
enum UlvoAchse : int32_t {
    ULVO_ACHSE_X_NEG = 0,
    ULVO_ACHSE_X_POS = 1,
    ULVO_ACHSE_X = 2,
    ULVO_ACHSE_Y_NEG = 3,
    ULVO_ACHSE_Y_POS = 4,
    ULVO_ACHSE_Y = 5,
    ULVO_ACHSE_Z_NEG = 6,
    ULVO_ACHSE_Z_POS = 7,
    ULVO_ACHSE_Z = 8,
    ULVO_ACHSE_RX_NEG = 9,
    ULVO_ACHSE_RX_POS = 10,
    ULVO_ACHSE_RX = 11,
    ULVO_ACHSE_RY_NEG = 12,
    ULVO_ACHSE_RY_POS = 13,
    ULVO_ACHSE_RY = 14,
    ULVO_ACHSE_RZ_NEG = 15,
    ULVO_ACHSE_RZ_POS = 16,
    ULVO_ACHSE_RZ = 17,
    ULVO_ACHSE_WHEEL_NEG = 18,
    ULVO_ACHSE_WHEEL_POS = 19,
    ULVO_ACHSE_WHEEL = 20,
};

namespace Ulvo {

// A key going down (or repeating) as the window's key messages bring it, with the modifiers
// held at that moment: text is read from these in the order typed, whatever a frame lasts.
struct TypedKey {
    unsigned char key = 0; // DirectInput code
    bool shift = false;
    bool control = false;
    bool altGr = false; // right Alt
    // A character the system typed without a key of its own (key 0): a letter the keymap gives
    // on a key the platform cannot place.
    wchar_t character = 0;
};

class KeyState {
public:
    KeyState();

    // Bit 7 of the key's byte; false for every key while the in-game console is
    // open, unless ignoreConsole is set.
    bool isKeyDown(const unsigned char& key, const bool& ignoreConsole) const;

    unsigned char keys[256];            // DirectInput state by DIK_* code, bit 7 = down
    unsigned char pressedThisPoll[256]; // 1 when the key went down in the last poll
    uint32_t pressTimes[256];           // GetTickCount of the last press or repeat

    sigslot::signal2<KeyState&, const unsigned char&> keyDown;     // every poll while down
    sigslot::signal2<KeyState&, const unsigned char&> keyPressed;  // went down
    sigslot::signal2<KeyState&, const unsigned char&> keyTyped;    // went down or repeated
    sigslot::signal2<KeyState&, const unsigned char&> keyReleased; // went up
    // Went down or repeated, also while the in-game console is open.
    sigslot::signal2<KeyState&, const unsigned char&> consoleKey;
    // Text as typed, every key in its order however long the frame took (the key states above
    // keep only what a poll's small buffer holds): consoleText always, textTyped not while the
    // in-game console is open.
    sigslot::signal2<KeyState&, const TypedKey&> consoleText;
    sigslot::signal2<KeyState&, const TypedKey&> textTyped;

    unsigned char repeating[256]; // 1 once the key's repeat has started
};

class MouseState {
public:
    struct HistoryRecord {
        uint32_t time; // GetTickCount
        float x;
        float y;
        float wheel;
    };

    MouseState();

    // Bit 7 of the button byte; left and right trade places while the mouse is
    // swapped.
    bool isButtonDown(const UlvoMouseButton& button) const;
    // The last poll's raw value / 1000 for 0-8 (wheel as 6-8), filtered by
    // direction; 0 for any other axis.
    double getAxisValue(const UlvoAchse& axis) const;

    float relativePosition[2];  // position / screen size
    float position[2];          // client pixels, clamped to the screen
    float unclampedPosition[2]; // the same movement, not clamped
    float step[3];              // x, y, wheel of the last movement applied
    float updateMovement[3];    // movement summed over the last poll
    DIMOUSESTATE2 rawState;
    uint32_t historyMaxAge = 5000; // ms
    std::vector<HistoryRecord> history;

    sigslot::signal2<MouseState&, const UlvoMouseButton&> buttonPressed;
    sigslot::signal2<MouseState&, const UlvoMouseButton&> buttonReleased;
    sigslot::signal2<MouseState&, const UlvoAchse&> axisMoved;
};

class JoystickState {
public:
    JoystickState();

    // False when not connected or the index is outside 0-127.
    bool isButtonDown(const int& button) const;
    // The axis / 1000 (-1..+1) filtered by direction; 0 when not connected or
    // for an axis outside 0-17.
    double getAxisValue(const UlvoAchse& axis) const;

    DIJOYSTATE2 state;
    bool connected = false;
    std::wstring name;

    sigslot::signal2<JoystickState&, const UlvoAchse&> axisMoved;
    sigslot::signal2<JoystickState&, const int&> buttonDown;
    sigslot::signal2<JoystickState&, const int&> buttonReleased;
    sigslot::signal2<JoystickState&, const int&> buttonPressed;
};

class InputStates {
public:
    // swapMouse >= 0 fixes the setting; -1 follows the system.
    bool isMouseSwapped() const;
    // Announces the resulting swap state through swapMouseChanged.
    void setSwapMouse(const int& value);

    KeyState keyState;
    MouseState mouseState;
    std::vector<JoystickState> joystickStates;

    sigslot::signal1<const float&> sensitivityChanged;
    sigslot::signal1<const bool&> swapMouseChanged;
    sigslot::signal1<const unsigned long&> mousePollRateChanged;
    sigslot::signal1<const unsigned long&> keyboardPollRateChanged;
    sigslot::signal2<const unsigned long&, const unsigned long&> keyRepeatChanged; // delay, rate

    int32_t swapMouse = 0;
    float effectiveSensitivity = 1.0f;
    float mouseSensitivity = 1.0f;
    float sensitivityFactor = 1.0f;
    uint32_t mousePollRate = 10;    // ms
    uint32_t keyboardPollRate = 10; // ms
    uint32_t keyRepeatDelay = 500;  // ms
    uint32_t keyRepeatRate = 100;   // ms
};

} // namespace Ulvo
