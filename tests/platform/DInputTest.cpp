// DirectInput keyboard and mouse, driven by injected SDL events on a headless window.
#include "WindowTestSupport.h"

#include <dinput.h>

#include <memory>
#include <vector>

using namespace WindowTesting;

namespace {

// SDL scancodes (USB usage numbers).
constexpr int kScancodeA = 4;
constexpr int kScancodeB = 5;
constexpr int kScancodeC = 6;
constexpr int kScancodeD = 7;
constexpr int kScancodeLShift = 225;

struct ReleaseCom {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <class T> using Com = std::unique_ptr<T, ReleaseCom>;

DIPROPDWORD dwordProperty(DWORD value)
{
    DIPROPDWORD p{};
    p.diph.dwSize = sizeof p;
    p.diph.dwHeaderSize = sizeof p.diph;
    p.diph.dwHow = DIPH_DEVICE;
    p.dwData = value;
    return p;
}

std::vector<DIDEVICEOBJECTDATA> readEvents(IDirectInputDevice8W* device, HRESULT* result = nullptr, DWORD max = 64,
                                           DWORD flags = 0)
{
    std::vector<DIDEVICEOBJECTDATA> events(max);
    DWORD count = max;
    HRESULT hr = device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events.data(), &count, flags);
    if (result)
        *result = hr;
    events.resize(SUCCEEDED(hr) ? count : 0);
    return events;
}

} // namespace

class DInputTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        m_window = create(kWindowedStyle, 0, 0, 200, 200);
        ASSERT_NE(m_window, nullptr);
        dispatchAll();
        ASSERT_EQ(GetForegroundWindow(), m_window);
        IDirectInput8W* di = nullptr;
        ASSERT_EQ(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                     reinterpret_cast<void**>(&di), nullptr),
                  DI_OK);
        m_di.reset(di);
    }

    void TearDown() override
    {
        m_devices.clear();
        m_di.reset();
        PlatformUseVirtualClock(false);
        WindowFixture::TearDown();
    }

    // A device with its format and cooperative level set; buffered when bufferSize > 0.
    IDirectInputDevice8W* device(const GUID& guid, const DIDATAFORMAT& format, DWORD cooperation, DWORD bufferSize = 0)
    {
        IDirectInputDevice8W* d = nullptr;
        EXPECT_EQ(m_di->CreateDevice(guid, &d, nullptr), DI_OK);
        if (!d)
            return nullptr;
        m_devices.emplace_back(d);
        EXPECT_EQ(d->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(d->SetCooperativeLevel(m_window, cooperation), DI_OK);
        if (bufferSize) {
            DIPROPDWORD size = dwordProperty(bufferSize);
            EXPECT_EQ(d->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
        }
        return d;
    }

    void key(int scancode, bool down) { ASSERT_TRUE(PlatformInjectKey(m_window, scancode, down)); }

    HWND m_window = nullptr;
    Com<IDirectInput8W> m_di;
    std::vector<Com<IDirectInputDevice8W>> m_devices;
};

TEST_F(DInputTest, CreationAndMisuseFailAsDocumented)
{
    void* out = nullptr;
    EXPECT_EQ(DirectInput8Create(GetModuleHandleW(nullptr), 0x0900, IID_IDirectInput8W, &out, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInputDevice8W, &out, nullptr),
        DIERR_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    IDirectInputDevice8W* d = nullptr;
    EXPECT_EQ(m_di->CreateDevice(GUID_XAxis, &d, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(m_di->GetDeviceStatus(GUID_SysKeyboard), DI_OK);
    EXPECT_EQ(m_di->GetDeviceStatus(GUID_XAxis), DIERR_DEVICENOTREG);

    ASSERT_EQ(m_di->CreateDevice(GUID_SysKeyboard, &d, nullptr), DI_OK);
    Com<IDirectInputDevice8W> keyboard(d);
    BYTE keys[256];
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM); // no data format yet
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(m_window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
    EXPECT_EQ(keyboard->SetCooperativeLevel(m_window, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    EXPECT_EQ(keyboard->SetCooperativeLevel(m_window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY), DI_OK);
    DWORD count = 8;
    DIDEVICEOBJECTDATA event;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof event, &event, &count, 0), DIERR_NOTBUFFERED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(100, keys), DIERR_INVALIDPARAM);
    DIPROPDWORD size = dwordProperty(8);
    EXPECT_EQ(keyboard->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);

    // The keyboard and the mouse are listed; game controllers only when attached.
    std::vector<DWORD> types;
    auto collect = [](LPCDIDEVICEINSTANCEW instance, LPVOID ref) -> BOOL {
        static_cast<std::vector<DWORD>*>(ref)->push_back(GET_DIDEVICE_TYPE(instance->dwDevType));
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(m_di->EnumDevices(DI8DEVCLASS_ALL, collect, &types, DIEDFL_ATTACHEDONLY), DI_OK);
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types[0], static_cast<DWORD>(DI8DEVTYPE_KEYBOARD));
    EXPECT_EQ(types[1], static_cast<DWORD>(DI8DEVTYPE_MOUSE));
    types.clear();
    ASSERT_EQ(m_di->EnumDevices(DI8DEVCLASS_KEYBOARD, collect, &types, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(types, (std::vector<DWORD>{DI8DEVTYPE_KEYBOARD}));
    EXPECT_EQ(m_di->EnumDevices(0x77, collect, &types, 0), DIERR_INVALIDPARAM);

    IUnknown* unknown = nullptr;
    ASSERT_EQ(keyboard->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
}

TEST_F(DInputTest, KeyboardStateAndBufferedEventsFollowInjectedKeys)
{
    PlatformUseVirtualClock(true);
    IDirectInputDevice8W* keyboard = device(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 8);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    DWORD start = GetTickCount();

    key(kScancodeA, true);
    key(kScancodeA, true); // auto-repeat: no new event
    PlatformAdvanceVirtualClock(5000);
    key(kScancodeLShift, true);
    key(kScancodeA, false);

    BYTE keys[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0);
    EXPECT_EQ(keys[DIK_LSHIFT], 0x80);
    EXPECT_EQ(keys[DIK_RSHIFT], 0);

    // Peeking leaves the events in place.
    HRESULT hr;
    EXPECT_EQ(readEvents(keyboard, &hr, 64, DIGDD_PEEK).size(), 3u);
    std::vector<DIDEVICEOBJECTDATA> events = readEvents(keyboard, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_A));
    EXPECT_EQ(events[0].dwData, 0x80u);
    EXPECT_EQ(events[0].dwTimeStamp, start);
    EXPECT_EQ(events[1].dwOfs, static_cast<DWORD>(DIK_LSHIFT));
    EXPECT_EQ(events[1].dwTimeStamp, start + 5);
    EXPECT_EQ(events[2].dwOfs, static_cast<DWORD>(DIK_A));
    EXPECT_EQ(events[2].dwData, 0u);
    EXPECT_TRUE(DISEQUENCE_COMPARE(events[0].dwSequence, <, events[1].dwSequence));
    EXPECT_TRUE(DISEQUENCE_COMPARE(events[1].dwSequence, <, events[2].dwSequence));
    EXPECT_TRUE(readEvents(keyboard).empty());

    key(kScancodeLShift, false);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_LSHIFT], 0);
}

TEST_F(DInputTest, AFullBufferKeepsTheNewestEventsAndReportsTheOverflowOnce)
{
    IDirectInputDevice8W* keyboard = device(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 4);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    for (int scancode : {kScancodeA, kScancodeB, kScancodeC}) {
        key(scancode, true);
        key(scancode, false);
    }

    HRESULT hr;
    std::vector<DIDEVICEOBJECTDATA> events = readEvents(keyboard, &hr, 2);
    EXPECT_EQ(hr, DI_BUFFEROVERFLOW);
    ASSERT_EQ(events.size(), 2u);
    // A down and up were lost: B down and up are the oldest left.
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_B));
    EXPECT_EQ(events[0].dwData, 0x80u);
    EXPECT_EQ(events[1].dwOfs, static_cast<DWORD>(DIK_B));
    EXPECT_EQ(events[1].dwData, 0u);
    events = readEvents(keyboard, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_C));

    // A null buffer flushes (or counts, when peeking).
    key(kScancodeD, true);
    key(kScancodeD, false);
    DWORD count = INFINITE;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, DIGDD_PEEK), DI_OK);
    EXPECT_EQ(count, 2u);
    count = INFINITE;
    EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, 0), DI_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(readEvents(keyboard).empty());
}

TEST_F(DInputTest, ForegroundDevicesLoseAcquisitionWithTheFocusAndHeldKeysAreReleased)
{
    IDirectInputDevice8W* keyboard = device(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, 8);
    IDirectInputDevice8W* background =
        device(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, 8);
    ASSERT_TRUE(keyboard && background);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(background->Acquire(), DI_OK);
    key(kScancodeA, true);
    readEvents(keyboard);
    readEvents(background);

    ASSERT_TRUE(PlatformInjectFocus(m_window, false));
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    HRESULT hr;
    readEvents(keyboard, &hr);
    EXPECT_EQ(hr, DIERR_NOTACQUIRED);
    // The background device stays acquired and sees the key go up.
    std::vector<DIDEVICEOBJECTDATA> events = readEvents(background, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_A));
    EXPECT_EQ(events[0].dwData, 0u);
    ASSERT_EQ(background->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0);

    dispatchAll(); // the window layer deactivates the window
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_TRUE(PlatformInjectFocus(m_window, true));
    dispatchAll();
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_A], 0);
    key(kScancodeA, false); // the late release changes nothing
    EXPECT_TRUE(readEvents(keyboard).empty());

    // Another window taking the activation without any SDL event counts as well.
    HWND other = create(kWindowedStyle, 10, 10, 50, 50);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(GetForegroundWindow(), other);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(background->GetDeviceState(sizeof keys, keys), DI_OK);
}

TEST_F(DInputTest, MouseReportsRelativeMotionWheelStepsAndButtons)
{
    IDirectInputDevice8W* mouse = device(GUID_SysMouse, c_dfDIMouse2, DISCL_EXCLUSIVE | DISCL_FOREGROUND, 32);
    ASSERT_NE(mouse, nullptr);
    ASSERT_TRUE(PlatformInjectMouseMove(m_window, 10, 10)); // before acquiring: not counted
    ASSERT_EQ(mouse->Acquire(), DI_OK);

    // A second exclusive user of the mouse is refused; a shared one is not.
    IDirectInputDevice8W* exclusive = device(GUID_SysMouse, c_dfDIMouse2, DISCL_EXCLUSIVE | DISCL_FOREGROUND);
    IDirectInputDevice8W* shared = device(GUID_SysMouse, c_dfDIMouse2, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_TRUE(exclusive && shared);
    EXPECT_EQ(exclusive->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(shared->Acquire(), DI_OK);

    ASSERT_TRUE(PlatformInjectMouseMove(m_window, 25, 5));
    ASSERT_TRUE(PlatformInjectMouseMove(m_window, 20, 5));
    ASSERT_TRUE(PlatformInjectMouseWheel(m_window, 1));
    ASSERT_TRUE(PlatformInjectMouseWheel(m_window, -2));
    ASSERT_TRUE(PlatformInjectMouseButton(m_window, 1, true, 20, 5)); // left
    ASSERT_TRUE(PlatformInjectMouseButton(m_window, 3, true, 20, 5)); // right
    ASSERT_TRUE(PlatformInjectMouseButton(m_window, 3, false, 20, 5));

    DIMOUSESTATE2 state{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 10);
    EXPECT_EQ(state.lY, -5);
    EXPECT_EQ(state.lZ, -120);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0);
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0); // the movement since the last read
    EXPECT_EQ(state.lZ, 0);
    ASSERT_EQ(shared->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 10); // each device counts for itself

    std::vector<DIDEVICEOBJECTDATA> events = readEvents(mouse);
    struct Expected {
        DWORD offset;
        LONG data;
    };
    const Expected expected[] = {{DIMOFS_X, 15},   {DIMOFS_Y, -5},         {DIMOFS_X, -5},         {DIMOFS_Z, 120},
                                 {DIMOFS_Z, -240}, {DIMOFS_BUTTON0, 0x80}, {DIMOFS_BUTTON1, 0x80}, {DIMOFS_BUTTON1, 0}};
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].dwOfs, expected[i].offset) << i;
        EXPECT_EQ(static_cast<LONG>(events[i].dwData), expected[i].data) << i;
    }
    // X and Y of one movement share their sequence number.
    EXPECT_EQ(events[0].dwSequence, events[1].dwSequence);
    EXPECT_NE(events[1].dwSequence, events[2].dwSequence);

    // In absolute mode the axes give the summed position.
    ASSERT_EQ(mouse->Unacquire(), DI_OK);
    DIPROPDWORD mode = dwordProperty(DIPROPAXISMODE_ABS);
    ASSERT_EQ(mouse->SetProperty(DIPROP_AXISMODE, &mode.diph), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    ASSERT_TRUE(PlatformInjectMouseMove(m_window, 23, 9));
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 13);
    EXPECT_EQ(state.lY, -1);
    ASSERT_TRUE(PlatformInjectMouseButton(m_window, 1, false, 23, 9));
}
