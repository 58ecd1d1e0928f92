#pragma once
// The system mouse: DIMOUSESTATE2 with the movement since the last read (or the summed
// position in absolute axis mode), the wheel in WHEEL_DELTA steps, and eight buttons.
#include "dinput/InputDevice.h"

namespace DInputInternal {

class MouseDevice : public InputDevice {
public:
    MouseDevice();

    static void instance(DIDEVICEINSTANCEW& info);

    void onMouseMotion(LONG dx, LONG dy, DWORD time, DWORD sequence) override;
    void onMouseWheel(LONG delta, DWORD time, DWORD sequence) override;
    void onMouseButton(int button, bool down, DWORD time, DWORD sequence) override;

protected:
    const DIDATAFORMAT& dataFormat() const override { return c_dfDIMouse2; }
    void describe(DIDEVICEINSTANCEW& info) const override { instance(info); }
    void capabilities(DIDEVCAPS& caps) const override;
    uint64_t identity() const override { return 2; }
    void readState(void* data) override;
    void acquired() override;
    HRESULT setAxisMode(DWORD mode) override;
    HRESULT axisMode(DWORD& mode) const override;

private:
    bool m_absolute = false;
    LONG m_delta[3] = {0, 0, 0};    // since the last GetDeviceState
    LONG m_position[3] = {0, 0, 0}; // summed since the device was made
};

} // namespace DInputInternal
