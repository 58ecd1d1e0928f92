#include "devices/input/KeyState.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/app/MainLoopSignals.h"

#include <windows.h>

#include <cstring>

namespace Ulvo {

namespace {

// The raw value / 1000 when it lies in the direction the axis value names
// (remainder 0 negative, 1 positive, 2 either).
double directed(LONG raw, int direction)
{
    if (direction == 0 && raw >= 0)
        return 0.0;
    if (direction == 1 && raw <= 0)
        return 0.0;
    return raw / 1000.0;
}

} // namespace

KeyState::KeyState()
{
    std::memset(keys, 0, sizeof keys);
    std::memset(pressedThisPoll, 0, sizeof pressedThisPoll);
    std::memset(pressTimes, 0, sizeof pressTimes);
    std::memset(repeating, 0, sizeof repeating);
}

bool KeyState::isKeyDown(const unsigned char& key, const bool& ignoreConsole) const
{
    if (!ignoreConsole && MainLoopSignals::getInstance().isConsoleVisible())
        return false;
    return (keys[key] & 0x80) != 0;
}

MouseState::MouseState()
{
    std::memset(relativePosition, 0, sizeof relativePosition);
    std::memset(position, 0, sizeof position);
    std::memset(unclampedPosition, 0, sizeof unclampedPosition);
    std::memset(step, 0, sizeof step);
    std::memset(updateMovement, 0, sizeof updateMovement);
    std::memset(&rawState, 0, sizeof rawState);
}

bool MouseState::isButtonDown(const UlvoMouseButton& button) const
{
    int index = static_cast<int>(button);
    if (index < 0 || index > 7)
        return false;
    if (index < 2 && DirectInputInterface::getInstance()->getInputStates().isMouseSwapped())
        index = 1 - index;
    return (rawState.rgbButtons[index] & 0x80) != 0;
}

double MouseState::getAxisValue(const UlvoAchse& axis) const
{
    const int value = static_cast<int>(axis);
    if (value < 0 || value > 8)
        return 0.0;
    const LONG raws[3] = {rawState.lX, rawState.lY, rawState.lZ};
    return directed(raws[value / 3], value % 3);
}

JoystickState::JoystickState()
{
    std::memset(&state, 0, sizeof state);
}

bool JoystickState::isButtonDown(const int& button) const
{
    if (!connected || button < 0 || button >= 128)
        return false;
    return (state.rgbButtons[button] & 0x80) != 0;
}

double JoystickState::getAxisValue(const UlvoAchse& axis) const
{
    const int value = static_cast<int>(axis);
    if (!connected || value < 0 || value >= 18)
        return 0.0;
    const LONG axes[6] = {state.lX, state.lY, state.lZ, state.lRx, state.lRy, state.lRz};
    return directed(axes[value / 3], value % 3);
}

bool InputStates::isMouseSwapped() const
{
    if (swapMouse >= 0)
        return swapMouse != 0;
    return GetSystemMetrics(SM_SWAPBUTTON) != 0;
}

void InputStates::setSwapMouse(const int& value)
{
    if (value >= 0) {
        swapMouse = value != 0 ? 1 : 0;
        const bool swapped = value != 0;
        swapMouseChanged.emit(swapped);
    } else {
        swapMouse = -1;
        const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
        swapMouseChanged.emit(swapped);
    }
}

} // namespace Ulvo
