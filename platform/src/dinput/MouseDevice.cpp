// The system mouse. Motion, wheel and buttons come from the event watch while acquired.
#include "dinput/MouseDevice.h"

#include <cstring>
#include <string>

namespace DInputInternal {

namespace {

constexpr DWORD kButtonCount = 8;

// Sums wrap as the hardware counters do instead of overflowing.
LONG wrapAdd(LONG a, LONG b)
{
    return static_cast<LONG>(static_cast<DWORD>(a) + static_cast<DWORD>(b));
}

} // namespace

MouseDevice::MouseDevice() : InputDevice(DeviceKind::Mouse)
{
    m_objects.push_back(ObjectInfo{&GUID_XAxis, DIMOFS_X, DIDFT_RELAXIS | DIDFT_MAKEINSTANCE(0), L"X-axis", -1});
    m_objects.push_back(ObjectInfo{&GUID_YAxis, DIMOFS_Y, DIDFT_RELAXIS | DIDFT_MAKEINSTANCE(1), L"Y-axis", -1});
    m_objects.push_back(ObjectInfo{&GUID_ZAxis, DIMOFS_Z, DIDFT_RELAXIS | DIDFT_MAKEINSTANCE(2), L"Wheel", -1});
    for (DWORD b = 0; b < kButtonCount; ++b) {
        m_objects.push_back(ObjectInfo{&GUID_Button, static_cast<DWORD>(DIMOFS_BUTTON0 + b),
                                       DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(b), L"Button " + std::to_wstring(b), -1});
    }
}

void MouseDevice::instance(DIDEVICEINSTANCEW& info)
{
    info.guidInstance = GUID_SysMouse;
    info.guidProduct = GUID_SysMouse;
    info.dwDevType = DI8DEVTYPE_MOUSE | (DI8DEVTYPEMOUSE_TRADITIONAL << 8);
    copyName(info.tszInstanceName, L"Mouse");
    copyName(info.tszProductName, L"Mouse");
}

void MouseDevice::onMouseMotion(LONG dx, LONG dy, DWORD time, DWORD sequence)
{
    if (!isAcquired())
        return;
    const LONG moved[2] = {dx, dy};
    const DWORD offsets[2] = {DIMOFS_X, DIMOFS_Y};
    for (int axis = 0; axis < 2; ++axis) {
        if (moved[axis] == 0)
            continue;
        m_delta[axis] = wrapAdd(m_delta[axis], moved[axis]);
        m_position[axis] = wrapAdd(m_position[axis], moved[axis]);
        LONG reported = m_absolute ? m_position[axis] : moved[axis];
        queueEvent(offsets[axis], static_cast<DWORD>(reported), time, sequence);
    }
}

void MouseDevice::onMouseWheel(LONG delta, DWORD time, DWORD sequence)
{
    if (!isAcquired())
        return;
    m_delta[2] = wrapAdd(m_delta[2], delta);
    m_position[2] = wrapAdd(m_position[2], delta);
    queueEvent(DIMOFS_Z, static_cast<DWORD>(m_absolute ? m_position[2] : delta), time, sequence);
}

void MouseDevice::onMouseButton(int button, bool down, DWORD time, DWORD sequence)
{
    if (button >= 0 && button < static_cast<int>(kButtonCount))
        queueEvent(static_cast<DWORD>(DIMOFS_BUTTON0 + button), down ? 0x80 : 0x00, time, sequence);
}

void MouseDevice::capabilities(DIDEVCAPS& caps) const
{
    caps.dwFlags = DIDC_ATTACHED;
    caps.dwDevType = DI8DEVTYPE_MOUSE | (DI8DEVTYPEMOUSE_TRADITIONAL << 8);
    caps.dwAxes = 3;
    caps.dwButtons = kButtonCount;
}

void MouseDevice::readState(void* data)
{
    DIMOUSESTATE2 state{};
    const LONG* source = m_absolute ? m_position : m_delta;
    state.lX = source[0];
    state.lY = source[1];
    state.lZ = source[2];
    BYTE buttons = mouseButtonMask();
    for (DWORD b = 0; b < kButtonCount; ++b)
        state.rgbButtons[b] = (buttons >> b) & 1 ? 0x80 : 0x00;
    m_delta[0] = m_delta[1] = m_delta[2] = 0;
    std::memcpy(data, &state, sizeof state);
}

void MouseDevice::acquired()
{
    m_delta[0] = m_delta[1] = m_delta[2] = 0;
}

HRESULT MouseDevice::setAxisMode(DWORD mode)
{
    m_absolute = mode == DIPROPAXISMODE_ABS;
    return DI_OK;
}

HRESULT MouseDevice::axisMode(DWORD& mode) const
{
    mode = m_absolute ? DIPROPAXISMODE_ABS : DIPROPAXISMODE_REL;
    return DI_OK;
}

} // namespace DInputInternal
