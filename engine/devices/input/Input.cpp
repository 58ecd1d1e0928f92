#include "devices/input/Input.h"

#include "foundation/time/PerfTimer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace Ulvo {

Input::Input(const std::wstring& name, InputStates* inputStates, PerfTimer* clock)
    : NamedObject(name), m_inputStates(inputStates), m_clock(clock)
{
    // The history is never empty: a binding starts with one record that is off.
    m_history.emplace_back();
    m_history.back().changeTime = GetTickCount();
}

void Input::addJoystickButton(int32_t joystick, int32_t button, const std::wstring& name)
{
    m_joystickButtons.push_back(JoystickReference{joystick, button, name});
}

void Input::addJoystickAxis(int32_t joystick, UlvoAchse axis, const std::wstring& name)
{
    m_joystickAxes.push_back(JoystickReference{joystick, static_cast<int32_t>(axis), name});
}

bool Input::validJoystick(int32_t joystick) const
{
    // Both bounds: a negative index must not reach before the first controller.
    return m_inputStates && joystick >= 0 && static_cast<std::size_t>(joystick) < m_inputStates->joystickStates.size();
}

void Input::poll(const unsigned int& sources)
{
    // Sources this call does not look at keep the state they had.
    uint32_t on = sources != SOURCE_ALL ? m_history.back().sources : 0;
    double minimum = 1.0;
    double maximum = 0.0;
    double value = 0.0;
    const uint32_t now = GetTickCount();
    uint32_t lastActive = now;
    bool changed = false;
    bool analog = false;

    auto digitalOn = [&](uint32_t bit) {
        on |= bit;
        maximum = 1.0;
        minimum = std::min(minimum, 1.0);
        lastActive = now;
        value = 1.0;
        changed = true;
    };
    auto analogOn = [&](uint32_t bit, double v) {
        on |= bit;
        maximum = std::max(maximum, v);
        minimum = std::min(minimum, v);
        lastActive = now;
        value = v;
        changed = true;
        analog = true;
    };

    if (m_inputStates) {
        if ((sources & SOURCE_KEYS) && !m_keysDisabled) {
            on &= ~static_cast<uint32_t>(SOURCE_KEYS);
            for (unsigned char key : m_keys) {
                // Not ignoring the console: every key reads as up while it is open.
                if (m_inputStates->keyState.isKeyDown(key, false))
                    digitalOn(SOURCE_KEYS);
            }
        }
        if (sources & SOURCE_MOUSE_BUTTONS) {
            on &= ~static_cast<uint32_t>(SOURCE_MOUSE_BUTTONS);
            for (UlvoMouseButton button : m_mouseButtons) {
                if (m_inputStates->mouseState.isButtonDown(button))
                    digitalOn(SOURCE_MOUSE_BUTTONS);
            }
        }
        if (sources & SOURCE_MOUSE_AXES) {
            on &= ~static_cast<uint32_t>(SOURCE_MOUSE_AXES);
            for (UlvoAchse axis : m_mouseAxes) {
                const double v = std::fabs(m_inputStates->mouseState.getAxisValue(axis));
                if (v > 0.0)
                    analogOn(SOURCE_MOUSE_AXES, v);
            }
        }
        if (sources & SOURCE_JOYSTICK_BUTTONS) {
            on &= ~static_cast<uint32_t>(SOURCE_JOYSTICK_BUTTONS);
            for (const JoystickReference& reference : m_joystickButtons) {
                if (validJoystick(reference.joystick) &&
                    m_inputStates->joystickStates[reference.joystick].isButtonDown(reference.index))
                    digitalOn(SOURCE_JOYSTICK_BUTTONS);
            }
        }
        if (sources & SOURCE_JOYSTICK_AXES) {
            on &= ~static_cast<uint32_t>(SOURCE_JOYSTICK_AXES);
            for (const JoystickReference& reference : m_joystickAxes) {
                if (!validJoystick(reference.joystick) || reference.index < 0 || reference.index > ULVO_ACHSE_RZ)
                    continue;
                const double a = m_inputStates->joystickStates[reference.joystick].getAxisValue(
                    static_cast<UlvoAchse>(reference.index));
                if (std::fabs(a) <= kJoystickDeadZone)
                    continue;
                // 0 at the edge of the dead zone, 1 at full deflection.
                double v = static_cast<float>((std::fabs(a) - kJoystickDeadZone) / (1.0 - kJoystickDeadZone));
                if (a < 0.0)
                    v = -v;
                analogOn(SOURCE_JOYSTICK_AXES, v);
            }
        }
    }

    ActivationRecord& current = m_history.back();
    if (current.sources == 0 && on != 0) {
        ActivationRecord record;
        record.sources = on;
        record.startSources = on;
        record.minValue = minimum;
        record.maxValue = maximum;
        record.value = value;
        record.lastActive = lastActive;
        record.changeTime = now;
        record.heldTime = 0.0;
        record.analog = analog;
        m_history.push_back(record);
        while (m_history.size() > kHistorySize)
            m_history.erase(m_history.begin());
        activated.emit(*this);
    } else if (current.sources != 0 && on == 0) {
        current.sources = 0;
        current.changeTime = GetTickCount();
        current.value = 0.0;
        current.analog = analog;
        deactivated.emit(*this);
    } else if (current.sources != 0) {
        current.sources = on;
        current.lastActive = lastActive;
        if (m_clock)
            current.heldTime += m_clock->getRealFrameTime();
        current.minValue = std::min(current.minValue, minimum);
        current.maxValue = std::max(current.maxValue, maximum);
        if (changed)
            current.value = value;
        current.analog = analog;
        held.emit(*this);
    }
}

} // namespace Ulvo
