#pragma once
// A named input binding: on while any of its keys, mouse buttons, mouse axes,
// joystick buttons or joystick axes is on. Each poll updates a short history
// of activations and announces going on, staying on and going off.
#include "devices/input/KeyState.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class PerfTimer;

class Input : public NamedObject {
public:
    // Bits of the source set.
    enum Source : unsigned int {
        SOURCE_KEYS = 1,
        SOURCE_MOUSE_BUTTONS = 2,
        SOURCE_MOUSE_AXES = 4,
        SOURCE_JOYSTICK_BUTTONS = 8,
        SOURCE_JOYSTICK_AXES = 16,
        SOURCE_ALL = 31,
    };

    static constexpr std::size_t kHistorySize = 10;
    static constexpr double kJoystickDeadZone = 0.25;

    // A joystick button (index = button number) or axis (index = UlvoAchse 0-17).
    struct JoystickReference {
        int32_t joystick = 0;
        int32_t index = 0;
        std::wstring name;
    };

    struct ActivationRecord {
        uint32_t sources = 0;      // bit set of the sources that are on
        uint32_t startSources = 0; // the bit set when the record was opened
        double minValue = 1.0;
        double maxValue = 0.0;
        double value = 0.0;      // the last value; 0 after going off
        uint32_t lastActive = 0; // GetTickCount when a source was last on
        uint32_t changeTime = 0; // GetTickCount when opened, then when it went off
        double heldTime = 0.0;   // seconds of real frame time while on
        bool analog = false;     // the last value came from an axis
    };

    // inputStates: the state block the sources are read from; clock: the
    // timer whose real frame time sums up the held time. Either may be null
    // (no sources are read, no time is summed).
    Input(const std::wstring& name, InputStates* inputStates, PerfTimer* clock);
    ~Input() override = default;

    // Evaluates the sources named by the bit set, updates the history and
    // emits the signals.
    void poll(const unsigned int& sources);

    bool isOn() const { return getCurrent().sources != 0; }
    const ActivationRecord& getCurrent() const { return m_history.back(); }
    const std::vector<ActivationRecord>& getHistory() const { return m_history; }

    void setKeysDisabled(bool disabled) { m_keysDisabled = disabled; }
    bool areKeysDisabled() const { return m_keysDisabled; }

    void addKey(unsigned char key) { m_keys.push_back(key); }
    void addMouseButton(UlvoMouseButton button) { m_mouseButtons.push_back(button); }
    void addMouseAxis(UlvoAchse axis) { m_mouseAxes.push_back(axis); }
    void addJoystickButton(int32_t joystick, int32_t button, const std::wstring& name = std::wstring());
    void addJoystickAxis(int32_t joystick, UlvoAchse axis, const std::wstring& name = std::wstring());

    sigslot::signal1<Input&> activated;   // went on
    sigslot::signal1<Input&> held;        // every poll while on
    sigslot::signal1<Input&> deactivated; // went off

private:
    bool validJoystick(int32_t joystick) const;

    InputStates* m_inputStates;
    PerfTimer* m_clock;
    std::vector<ActivationRecord> m_history;
    bool m_keysDisabled = false;
    std::vector<unsigned char> m_keys;
    std::vector<UlvoMouseButton> m_mouseButtons;
    std::vector<UlvoAchse> m_mouseAxes;
    std::vector<JoystickReference> m_joystickButtons;
    std::vector<JoystickReference> m_joystickAxes;
};

} // namespace Ulvo
