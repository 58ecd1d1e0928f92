// DirectInput game controllers on SDL's virtual joystick driver.
#include "WindowTestSupport.h"

#include <dinput.h>

#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

struct ReleaseCom {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <class T> using Com = std::unique_ptr<T, ReleaseCom>;

struct Found {
    GUID instance;
    std::wstring name;
    DWORD type;
};

BOOL CALLBACK collectDevice(LPCDIDEVICEINSTANCEW instance, LPVOID ref)
{
    static_cast<std::vector<Found>*>(ref)->push_back(
        Found{instance->guidInstance, instance->tszProductName, instance->dwDevType});
    return DIENUM_CONTINUE;
}

struct AxisSetup {
    IDirectInputDevice8W* device;
    int axes;
};

// What the engine does for every axis: the range -1000..+1000, set by object id.
BOOL CALLBACK setAxisRange(LPCDIDEVICEOBJECTINSTANCEW object, LPVOID ref)
{
    auto* setup = static_cast<AxisSetup*>(ref);
    if (!(object->dwType & DIDFT_AXIS))
        return DIENUM_CONTINUE;
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = -1000;
    range.lMax = 1000;
    if (FAILED(setup->device->SetProperty(DIPROP_RANGE, &range.diph)))
        return DIENUM_STOP;
    ++setup->axes;
    return DIENUM_CONTINUE;
}

} // namespace

class DInputJoystickTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        m_window = create(kWindowedStyle, 0, 0, 200, 200);
        ASSERT_NE(m_window, nullptr);
        dispatchAll();
        IDirectInput8W* di = nullptr;
        ASSERT_EQ(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                     reinterpret_cast<void**>(&di), nullptr),
                  DI_OK);
        m_di.reset(di);
    }

    void TearDown() override
    {
        m_device.reset();
        m_di.reset();
        if (m_joystick >= 0)
            PlatformDetachVirtualJoystick(m_joystick);
        WindowFixture::TearDown();
    }

    std::vector<Found> controllers()
    {
        std::vector<Found> found;
        EXPECT_EQ(m_di->EnumDevices(DI8DEVCLASS_GAMECTRL, collectDevice, &found, DIEDFL_ATTACHEDONLY), DI_OK);
        return found;
    }

    HWND m_window = nullptr;
    Com<IDirectInput8W> m_di;
    Com<IDirectInputDevice8W> m_device;
    int m_joystick = -1;
};

TEST_F(DInputJoystickTest, AVirtualControllerIsListedScaledToItsRangeAndUnplugged)
{
    size_t before = controllers().size();
    m_joystick = PlatformAttachVirtualJoystick("Test Pad", 6, 16, 1);
    ASSERT_GE(m_joystick, 0);
    std::vector<Found> found = controllers();
    ASSERT_EQ(found.size(), before + 1);
    const Found& pad = found.back();
    EXPECT_EQ(pad.name, L"Test Pad");
    EXPECT_EQ(GET_DIDEVICE_TYPE(pad.type), static_cast<BYTE>(DI8DEVTYPE_GAMEPAD));
    EXPECT_EQ(m_di->GetDeviceStatus(pad.instance), DI_OK);

    IDirectInputDevice8W* device = nullptr;
    ASSERT_EQ(m_di->CreateDevice(pad.instance, &device, nullptr), DI_OK);
    m_device.reset(device);
    ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(device->SetCooperativeLevel(m_window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwAxes, 6u);
    EXPECT_EQ(caps.dwButtons, 16u);
    EXPECT_EQ(caps.dwPOVs, 1u);
    EXPECT_TRUE(caps.dwFlags & DIDC_ATTACHED);
    AxisSetup setup{device, 0};
    ASSERT_EQ(device->EnumObjects(setAxisRange, &setup, DIDFT_ALL), DI_OK);
    EXPECT_EQ(setup.axes, 6);

    DIPROPDWORD buffer{};
    buffer.diph.dwSize = sizeof buffer;
    buffer.diph.dwHeaderSize = sizeof buffer.diph;
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = 16;
    ASSERT_EQ(device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);

    ASSERT_TRUE(PlatformSetVirtualJoystickAxis(m_joystick, 0, 32767));
    ASSERT_TRUE(PlatformSetVirtualJoystickAxis(m_joystick, 1, -32768));
    ASSERT_TRUE(PlatformSetVirtualJoystickAxis(m_joystick, 2, 16384));
    ASSERT_TRUE(PlatformSetVirtualJoystickButton(m_joystick, 3, true));
    ASSERT_TRUE(PlatformSetVirtualJoystickHat(m_joystick, 0, 9000));
    DIJOYSTATE2 state{};
    ASSERT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 1000);
    EXPECT_EQ(state.lY, -1000);
    EXPECT_EQ(state.lZ, 500);
    EXPECT_EQ(state.lRx, 0);
    EXPECT_EQ(state.rgbButtons[3], 0x80);
    EXPECT_EQ(state.rgbButtons[2], 0);
    EXPECT_EQ(state.rgdwPOV[0], 9000u);
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);

    // The changes came as buffered events, in data-format order.
    std::vector<DIDEVICEOBJECTDATA> events(16);
    DWORD count = 16;
    ASSERT_EQ(device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events.data(), &count, 0), DI_OK);
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIJOFS_X));
    EXPECT_EQ(static_cast<LONG>(events[0].dwData), 1000);
    EXPECT_EQ(events[1].dwOfs, static_cast<DWORD>(DIJOFS_Y));
    EXPECT_EQ(events[3].dwOfs, static_cast<DWORD>(DIJOFS_POV(0)));
    EXPECT_EQ(events[4].dwOfs, static_cast<DWORD>(DIJOFS_BUTTON3));
    EXPECT_EQ(events[4].dwData, 0x80u);

    // A dead zone of a quarter by offset: a fifth of a deflection reads as rest, full as full.
    DIPROPDWORD dead{};
    dead.diph.dwSize = sizeof dead;
    dead.diph.dwHeaderSize = sizeof dead.diph;
    dead.diph.dwHow = DIPH_BYOFFSET;
    dead.diph.dwObj = DIJOFS_X;
    dead.dwData = 2500;
    ASSERT_EQ(device->SetProperty(DIPROP_DEADZONE, &dead.diph), DI_OK);
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.diph.dwObj = DIJOFS_X;
    ASSERT_EQ(device->GetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    EXPECT_EQ(range.lMin, -1000);
    EXPECT_EQ(range.lMax, 1000);
    range.diph.dwObj = DIJOFS_BUTTON0;
    EXPECT_EQ(device->GetProperty(DIPROP_RANGE, &range.diph), DIERR_UNSUPPORTED);
    ASSERT_TRUE(PlatformSetVirtualJoystickAxis(m_joystick, 0, 6553));
    ASSERT_TRUE(PlatformSetVirtualJoystickAxis(m_joystick, 1, -32768));
    ASSERT_EQ(device->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, -1000);

    // Unplugged: lost once, then not acquired; it cannot be taken back.
    ASSERT_TRUE(PlatformDetachVirtualJoystick(m_joystick));
    m_joystick = -1;
    EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
    EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(device->Acquire(), DIERR_UNPLUGGED);
    EXPECT_EQ(m_di->GetDeviceStatus(pad.instance), DI_NOTATTACHED);
    EXPECT_EQ(controllers().size(), before);
    IDirectInputDevice8W* gone = nullptr;
    EXPECT_EQ(m_di->CreateDevice(pad.instance, &gone, nullptr), DIERR_DEVICENOTREG);
}
