// A game controller on SDL's joystick API.
#include "dinput/JoystickDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace DInputInternal {

namespace {

const GUID* const kAxisTypes[8] = {&GUID_XAxis,  &GUID_YAxis,  &GUID_ZAxis,  &GUID_RxAxis,
                                   &GUID_RyAxis, &GUID_RzAxis, &GUID_Slider, &GUID_Slider};
const wchar_t* const kAxisNames[8] = {L"X Axis",     L"Y Axis",     L"Z Axis", L"X Rotation",
                                      L"Y Rotation", L"Z Rotation", L"Slider", L"Slider 2"};

// The axis slots of DIJOYSTATE2 are consecutive LONGs: lX ... lRz, then the two sliders.
constexpr DWORD axisOffset(int axis)
{
    return static_cast<DWORD>(DIJOFS_X + axis * sizeof(LONG));
}

LONG& axisSlot(DIJOYSTATE2& state, int axis)
{
    switch (axis) {
    case 0:
        return state.lX;
    case 1:
        return state.lY;
    case 2:
        return state.lZ;
    case 3:
        return state.lRx;
    case 4:
        return state.lRy;
    case 5:
        return state.lRz;
    default:
        return state.rglSlider[axis == 6 ? 0 : 1];
    }
}

DWORD povAngle(Uint8 hat)
{
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return 0xFFFFFFFF;
    }
}

} // namespace

JoystickDevice* JoystickDevice::open(const JoystickInfo& info)
{
    SDL_Joystick* joystick = SDL_JoystickOpen(info.deviceIndex);
    if (!joystick)
        return nullptr;
    if (SDL_JoystickInstanceID(joystick) != info.id) {
        SDL_JoystickClose(joystick); // the list changed under us
        return nullptr;
    }
    return new JoystickDevice(info, joystick);
}

JoystickDevice::JoystickDevice(const JoystickInfo& info, SDL_Joystick* joystick)
    : InputDevice(DeviceKind::Joystick)
    , m_info(info)
    , m_joystick(joystick)
    , m_axisCount(std::clamp(SDL_JoystickNumAxes(joystick), 0, kMaxAxes))
    , m_hatCount(std::clamp(SDL_JoystickNumHats(joystick), 0, kMaxHats))
    , m_buttonCount(std::clamp(SDL_JoystickNumButtons(joystick), 0, kMaxButtons))
{
    for (int a = 0; a < m_axisCount; ++a)
        m_objects.push_back(
            ObjectInfo{kAxisTypes[a], axisOffset(a), DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(a), kAxisNames[a], a});
    for (int h = 0; h < m_hatCount; ++h) {
        std::wstring name = h == 0 ? L"Hat Switch" : L"Hat Switch " + std::to_wstring(h + 1);
        m_objects.push_back(
            ObjectInfo{&GUID_POV, static_cast<DWORD>(DIJOFS_POV(h)), DIDFT_POV | DIDFT_MAKEINSTANCE(h), name, -1});
    }
    for (int b = 0; b < m_buttonCount; ++b) {
        m_objects.push_back(ObjectInfo{&GUID_Button, static_cast<DWORD>(DIJOFS_BUTTON(b)),
                                       DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(b), L"Button " + std::to_wstring(b), -1});
    }
    scale(m_state);
}

JoystickDevice::~JoystickDevice()
{
    SDL_JoystickClose(m_joystick);
}

void JoystickDevice::instance(const JoystickInfo& info, DIDEVICEINSTANCEW& out)
{
    out.guidInstance = info.instance;
    out.guidProduct = info.product;
    out.dwDevType = info.devType;
    copyName(out.tszInstanceName, info.name);
    copyName(out.tszProductName, info.name);
}

void JoystickDevice::describe(DIDEVICEINSTANCEW& info) const
{
    instance(m_info, info);
}

void JoystickDevice::capabilities(DIDEVCAPS& caps) const
{
    caps.dwFlags = (m_attached ? DIDC_ATTACHED : 0) | DIDC_POLLEDDEVICE | DIDC_POLLEDDATAFORMAT;
    caps.dwDevType = m_info.devType;
    caps.dwAxes = static_cast<DWORD>(m_axisCount);
    caps.dwButtons = static_cast<DWORD>(m_buttonCount);
    caps.dwPOVs = static_cast<DWORD>(m_hatCount);
}

uint64_t JoystickDevice::identity() const
{
    return (uint64_t{3} << 32) | static_cast<uint32_t>(m_info.id);
}

InputDevice::AxisSettings* JoystickDevice::axisSettings(int axis)
{
    return axis >= 0 && axis < m_axisCount ? &m_axes[axis] : nullptr;
}

void JoystickDevice::scale(DIJOYSTATE2& out) const
{
    out = DIJOYSTATE2{};
    for (int a = 0; a < m_axisCount; ++a) {
        const AxisSettings& s = m_axes[a];
        Sint16 raw = m_rawAxes[a];
        double v = raw < 0 ? raw / 32768.0 : raw / 32767.0;
        double magnitude = std::fabs(v);
        double dead = s.deadZone / 10000.0;
        double saturation = s.saturation / 10000.0;
        if (magnitude <= dead)
            magnitude = 0.0;
        else if (magnitude >= saturation)
            magnitude = 1.0;
        else
            magnitude = (magnitude - dead) / (saturation - dead);
        v = v < 0 ? -magnitude : magnitude;
        double span = static_cast<double>(s.max) - static_cast<double>(s.min);
        axisSlot(out, a) = static_cast<LONG>(std::lround(s.min + (v + 1.0) * 0.5 * span));
    }
    for (int h = 0; h < kMaxHats; ++h)
        out.rgdwPOV[h] = h < m_hatCount ? povAngle(m_rawHats[h]) : 0xFFFFFFFF;
    for (int b = 0; b < m_buttonCount; ++b)
        out.rgbButtons[b] = m_rawButtons[b] ? 0x80 : 0x00;
}

void JoystickDevice::sample()
{
    SDL_JoystickUpdate();
    Sint16 axes[kMaxAxes] = {};
    Uint8 hats[kMaxHats] = {};
    Uint8 buttons[kMaxButtons] = {};
    bool attachedNow = SDL_JoystickGetAttached(m_joystick) == SDL_TRUE;
    if (attachedNow) {
        for (int a = 0; a < m_axisCount; ++a)
            axes[a] = SDL_JoystickGetAxis(m_joystick, a);
        for (int h = 0; h < m_hatCount; ++h)
            hats[h] = SDL_JoystickGetHat(m_joystick, h);
        for (int b = 0; b < m_buttonCount; ++b)
            buttons[b] = SDL_JoystickGetButton(m_joystick, b);
    }

    std::lock_guard<std::mutex> guard(stateLock());
    m_attached = attachedNow;
    if (!attachedNow) {
        loseAcquisition();
        return;
    }
    std::memcpy(m_rawAxes, axes, sizeof axes);
    std::memcpy(m_rawHats, hats, sizeof hats);
    std::memcpy(m_rawButtons, buttons, sizeof buttons);
    DIJOYSTATE2 now;
    scale(now);
    if (isAcquired() && isBuffered()) {
        // Events are the changes since the last read, in data-format order.
        DWORD time = GetTickCount();
        for (int a = 0; a < m_axisCount; ++a) {
            LONG value = axisSlot(now, a);
            if (axisSlot(m_state, a) != value)
                queueEvent(axisOffset(a), static_cast<DWORD>(value), time, nextSequence());
        }
        for (int h = 0; h < m_hatCount; ++h) {
            if (m_state.rgdwPOV[h] != now.rgdwPOV[h])
                queueEvent(static_cast<DWORD>(DIJOFS_POV(h)), now.rgdwPOV[h], time, nextSequence());
        }
        for (int b = 0; b < m_buttonCount; ++b) {
            if (m_state.rgbButtons[b] != now.rgbButtons[b])
                queueEvent(static_cast<DWORD>(DIJOFS_BUTTON(b)), now.rgbButtons[b], time, nextSequence());
        }
    }
    m_state = now;
}

void JoystickDevice::readState(void* data)
{
    std::memcpy(data, &m_state, sizeof m_state);
}

} // namespace DInputInternal
