#pragma once
// An attached game controller: DIJOYSTATE2 with up to six axes and two sliders scaled to
// their set range (dead zone and saturation applied), four hats and 128 buttons. The state
// is read from SDL at each call; buffered events are the changes between reads.
#include "dinput/InputDevice.h"
#include "dinput/Joysticks.h"

namespace DInputInternal {

class JoystickDevice : public InputDevice {
public:
    // Null when the controller is no longer attached.
    static JoystickDevice* open(const JoystickInfo& info);
    ~JoystickDevice() override;

    static void instance(const JoystickInfo& info, DIDEVICEINSTANCEW& out);

protected:
    const DIDATAFORMAT& dataFormat() const override { return c_dfDIJoystick2; }
    void describe(DIDEVICEINSTANCEW& info) const override;
    void capabilities(DIDEVCAPS& caps) const override;
    uint64_t identity() const override;
    void readState(void* data) override;
    void sample() override;
    bool attached() const override { return m_attached; }
    bool polled() const override { return true; }
    AxisSettings* axisSettings(int axis) override;
    int axisCount() const override { return m_axisCount; }

private:
    static constexpr int kMaxAxes = 8; // six axes, two sliders
    static constexpr int kMaxHats = 4;
    static constexpr int kMaxButtons = 128;

    JoystickDevice(const JoystickInfo& info, SDL_Joystick* joystick);

    // The state from SDL's values and the axis settings.
    void scale(DIJOYSTATE2& out) const;

    JoystickInfo m_info;
    SDL_Joystick* m_joystick;
    int m_axisCount;
    int m_hatCount;
    int m_buttonCount;
    AxisSettings m_axes[kMaxAxes];
    // SDL's values at the last read.
    Sint16 m_rawAxes[kMaxAxes] = {};
    Uint8 m_rawHats[kMaxHats] = {};
    Uint8 m_rawButtons[kMaxButtons] = {};
    bool m_attached = true;
    DIJOYSTATE2 m_state{};
};

} // namespace DInputInternal
