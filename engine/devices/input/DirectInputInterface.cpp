#include "devices/input/DirectInputInterface.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DInputInitParams.h"
#include "devices/window/Window.h"
#include "foundation/app/MainLoopSignals.h"
#include "foundation/time/MeasureManager.h"

#include <cstring>

namespace Ulvo {

namespace {

constexpr DWORD kKeyboardBufferSize = 8;
constexpr DWORD kMouseBufferSize = 256;
constexpr LONG kJoystickAxisRange = 1000;
// A device still lost after this many Acquire calls is left for the next poll.
constexpr int kMaxAcquireTries = 4;

bool down(BYTE value)
{
    return (value & 0x80) != 0;
}

// Clamps to 0..upper: above the bound becomes the bound, not above 0 becomes 0.
float clampAxis(double value, uint32_t upper)
{
    if (value > upper)
        return static_cast<float>(upper);
    if (value <= 0.0)
        return 0.0f;
    return static_cast<float>(value);
}

} // namespace

DirectInputInterface* DirectInputInterface::getInstance()
{
    static DirectInputInterface instance;
    return &instance;
}

DirectInputInterface::DirectInputInterface()
{
    m_lastMousePoll = GetTickCount();
    m_lastKeyboardPoll = m_lastMousePoll;
    m_typedText.reserve(64);
    m_typedTextSent.reserve(64);
}

void DirectInputInterface::connect(MainLoopSignals& loop, DeviceLossSignals& device)
{
    m_loop = &loop;
    followDevice(device);
}

void DirectInputInterface::disconnect(MainLoopSignals& loop)
{
    stopFollowingDevice();
    loop.onWindowMessage.disconnect(this);
    loop.onConsoleShown.disconnect(this);
    loop.onActivate.disconnect(this);
    if (m_loop == &loop)
        m_loop = nullptr;
}

DirectInputInterface::~DirectInputInterface()
{
    if (!m_directInput)
        return;
    if (m_keyboardDevice) {
        m_keyboardDevice->Unacquire();
        m_keyboardDevice->Release();
        m_keyboardDevice = nullptr;
    }
    if (m_mouseDevice) {
        m_mouseDevice->Unacquire();
        m_mouseDevice->Release();
        m_mouseDevice = nullptr;
    }
    for (JoystickRecord& record : m_joystickDevices) {
        if (record.device) {
            record.device->Unacquire();
            record.device->Release();
        }
    }
    m_joystickDevices.clear();
    m_directInput->Release();
    m_directInput = nullptr;
}

void DirectInputInterface::refreshScreenSize()
{
    D3DInterface* d3d = D3DInterface::getInstance();
    const uint32_t oldWidth = m_screenWidth;
    const uint32_t oldHeight = m_screenHeight;
    m_screenWidth = d3d->getWidth();
    m_screenHeight = d3d->getHeight();
    if (!oldWidth || !oldHeight || (oldWidth == m_screenWidth && oldHeight == m_screenHeight))
        return;
    // Positions are back-buffer pixels: with a new back buffer the old numbers point elsewhere,
    // so the pointer is taken again from where it stands on the window.
    MouseState& m = m_inputStates.mouseState;
    double to[2] = {static_cast<double>(m.position[0]) * m_screenWidth / oldWidth,
                    static_cast<double>(m.position[1]) * m_screenHeight / oldHeight};
    HWND window = m_initParams && m_initParams->getWindow() ? m_initParams->getWindow()->getHWND() : nullptr;
    POINT cursor{};
    RECT area{};
    if (window && GetCursorPos(&cursor) && ScreenToClient(window, &cursor) && GetClientRect(window, &area) &&
        area.right > 0 && area.bottom > 0 && cursor.x >= 0 && cursor.y >= 0 && cursor.x < area.right &&
        cursor.y < area.bottom) {
        to[0] = static_cast<double>(cursor.x) * m_screenWidth / area.right;
        to[1] = static_cast<double>(cursor.y) * m_screenHeight / area.bottom;
    }
    const uint32_t upper[2] = {m_screenWidth, m_screenHeight};
    for (int axis = 0; axis < 2; ++axis) {
        m.position[axis] = clampAxis(to[axis], upper[axis]);
        m.unclampedPosition[axis] = static_cast<float>(to[axis]);
        m.relativePosition[axis] = static_cast<float>(static_cast<double>(m.position[axis]) / upper[axis]);
    }
}

bool DirectInputInterface::init(DInputInitParams* params)
{
    if (!params)
        return false;
    m_initParams = params;

    InputStates& s = m_inputStates;
    s.setSwapMouse(params->getSwapMouse());
    s.keyRepeatDelay = params->getKeyRepeatDelay();
    s.keyRepeatRate = params->getKeyRepeatRate();
    const unsigned long delay = s.keyRepeatDelay;
    const unsigned long rate = s.keyRepeatRate;
    s.keyRepeatChanged.emit(delay, rate);
    s.keyboardPollRate = params->getKeyboardPollRate();
    const unsigned long keyboardRate = s.keyboardPollRate;
    s.keyboardPollRateChanged.emit(keyboardRate);
    s.mousePollRate = params->getMousePollRate();
    const unsigned long mouseRate = s.mousePollRate;
    s.mousePollRateChanged.emit(mouseRate);
    s.mouseSensitivity = params->getMouseSensitivity();
    s.effectiveSensitivity = static_cast<float>(static_cast<double>(s.sensitivityFactor) * s.mouseSensitivity);
    const float sensitivity = params->getMouseSensitivity();
    s.sensitivityChanged.emit(sensitivity);

    if (MainLoopSignals* loop = m_loop) {
        loop->onWindowMessage.disconnect(this);
        loop->onConsoleShown.disconnect(this);
        loop->onActivate.disconnect(this);
        loop->onWindowMessage.connect(this, &DirectInputInterface::onWindowMessage);
        m_consoleOpen = loop->isConsoleVisible();
        loop->onConsoleShown.connect(this, &DirectInputInterface::setConsoleOpen);
        loop->onActivate.connect(this, &DirectInputInterface::onActivate);
    }

    refreshScreenSize();

    MeasureManager* measures = MeasureManager::getInstance();
    m_measureUpdate = measures->child(L"UpdateLoop.DirectInputInterface", true);
    m_measureMouse = measures->child(L"UpdateLoop.DirectInputInterface.updateMouse", true);
    m_measureKeyboard = measures->child(L"UpdateLoop.DirectInputInterface.updateKeyBoard", true);
    m_measureJoysticks = measures->child(L"UpdateLoop.DirectInputInterface.updateJoysticks", true);

    // A second init keeps the devices made by the first and adds what the
    // settings now need; controllers are listed once.
    if (!m_directInput && FAILED(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                                    reinterpret_cast<LPVOID*>(&m_directInput), nullptr))) {
        m_directInput = nullptr;
        return false;
    }
    HWND window = params->getWindow() ? params->getWindow()->getHWND() : nullptr;

    if (!m_keyboardDevice) {
        if (FAILED(m_directInput->CreateDevice(GUID_SysKeyboard, &m_keyboardDevice, nullptr))) {
            m_keyboardDevice = nullptr;
            return false;
        }
        if (FAILED(m_keyboardDevice->SetDataFormat(&c_dfDIKeyboard)) ||
            FAILED(m_keyboardDevice->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)))
            return false;
    }
    m_keyboardDevice->Unacquire(); // the buffer size is set on a released device
    if (params->isBufferedKeyboard()) {
        DIPROPDWORD size{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, kKeyboardBufferSize};
        if (FAILED(m_keyboardDevice->SetProperty(DIPROP_BUFFERSIZE, &size.diph)))
            params->setBufferedKeyboard(false);
    }
    m_keyboardDevice->Acquire();

    if (!params->isUsingWindowMessages()) {
        if (!m_mouseDevice) {
            if (FAILED(m_directInput->CreateDevice(GUID_SysMouse, &m_mouseDevice, nullptr))) {
                m_mouseDevice = nullptr;
                return false;
            }
            if (FAILED(m_mouseDevice->SetDataFormat(&c_dfDIMouse2)) ||
                FAILED(m_mouseDevice->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND)))
                return false;
        }
        m_mouseDevice->Unacquire();
        if (params->isBufferedMouse()) {
            DIPROPDWORD size{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, kMouseBufferSize};
            if (FAILED(m_mouseDevice->SetProperty(DIPROP_BUFFERSIZE, &size.diph)))
                params->setBufferedMouse(false);
        }
    }

    if (m_joysticksListed)
        return true;
    if (FAILED(m_directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, &DirectInputInterface::enumJoystick, this,
                                          DIEDFL_ATTACHEDONLY)))
        return false;
    m_joysticksListed = true;

    for (std::size_t i = 0; i < m_joystickDevices.size(); ++i) {
        s.joystickStates.emplace_back();
        JoystickState& state = s.joystickStates.back();
        JoystickRecord& record = m_joystickDevices[i];
        if (!record.device) {
            state.connected = false;
            continue;
        }
        state.connected = true;
        if (m_directInput->GetDeviceStatus(record.instance) == DI_NOTATTACHED)
            state.connected = false;
        state.name = m_joystickNames[i];
        m_joystickCaps = DIDEVCAPS{};
        m_joystickCaps.dwSize = sizeof(DIDEVCAPS);
        m_joystickInSetup = record.device;
        if (FAILED(record.device->SetDataFormat(&c_dfDIJoystick2)) ||
            FAILED(record.device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND)) ||
            FAILED(record.device->GetCapabilities(&m_joystickCaps)) ||
            FAILED(record.device->EnumObjects(&DirectInputInterface::enumJoystickAxis, this, DIDFT_ALL))) {
            m_joystickInSetup = nullptr;
            return false;
        }
        m_joystickInSetup = nullptr;
    }
    return true;
}

BOOL CALLBACK DirectInputInterface::enumJoystick(LPCDIDEVICEINSTANCEW instance, LPVOID context)
{
    auto* self = static_cast<DirectInputInterface*>(context);
    IDirectInputDevice8W* device = nullptr;
    if (SUCCEEDED(self->m_directInput->CreateDevice(instance->guidInstance, &device, nullptr)) && device) {
        self->m_joystickDevices.push_back(JoystickRecord{device, instance->guidInstance});
        self->m_joystickNames.emplace_back(instance->tszProductName);
    }
    return DIENUM_CONTINUE;
}

BOOL CALLBACK DirectInputInterface::enumJoystickAxis(LPCDIDEVICEOBJECTINSTANCEW object, LPVOID context)
{
    auto* self = static_cast<DirectInputInterface*>(context);
    if (!(object->dwType & DIDFT_AXIS) || !self->m_joystickInSetup)
        return DIENUM_CONTINUE;
    DIPROPRANGE range{{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), object->dwType, DIPH_BYID},
                      -kJoystickAxisRange,
                      kJoystickAxisRange};
    if (FAILED(self->m_joystickInSetup->SetProperty(DIPROP_RANGE, &range.diph)))
        return DIENUM_STOP;
    return DIENUM_CONTINUE;
}

void DirectInputInterface::update()
{
    const bool measuring = Measures::isMeasuring() && m_measureUpdate;
    if (measuring)
        m_measureUpdate->start();
    if (measuring)
        m_measureMouse->start();
    updateMouse();
    if (measuring) {
        m_measureMouse->stop();
        m_measureKeyboard->start();
    }
    updateKeyBoard();
    emitTypedText();
    if (measuring) {
        m_measureKeyboard->stop();
        m_measureJoysticks->start();
    }
    updateJoysticks();
    if (measuring) {
        m_measureJoysticks->stop();
        m_measureUpdate->stop();
    }
}

bool DirectInputInterface::reacquire(IDirectInputDevice8W* device)
{
    HRESULT hr = DIERR_INPUTLOST;
    for (int i = 0; i < kMaxAcquireTries && hr == DIERR_INPUTLOST; ++i)
        hr = device->Acquire();
    return SUCCEEDED(hr);
}

// ---------------------------------------------------------------------------------------------
// Mouse

void DirectInputInterface::addMouseStep(int axis, double delta)
{
    MouseState& m = m_inputStates.mouseState;
    m.step[axis] = static_cast<float>(delta);
    m.updateMovement[axis] = static_cast<float>(static_cast<double>(m.updateMovement[axis]) + delta);
    const uint32_t upper = axis == 0 ? m_screenWidth : m_screenHeight;
    m.position[axis] = clampAxis(static_cast<double>(m.position[axis]) + delta, upper);
    m.unclampedPosition[axis] = static_cast<float>(static_cast<double>(m.unclampedPosition[axis]) + delta);
    m.relativePosition[axis] = upper ? static_cast<float>(static_cast<double>(m.position[axis]) / upper) : 0.0f;
}

void DirectInputInterface::emitMouseAxis(UlvoAchse axis)
{
    m_inputStates.mouseState.axisMoved.emit(m_inputStates.mouseState, axis);
}

void DirectInputInterface::emitMouseButton(bool pressed, int index)
{
    const UlvoMouseButton button = static_cast<UlvoMouseButton>(index);
    MouseState& m = m_inputStates.mouseState;
    if (pressed)
        m.buttonPressed.emit(m, button);
    else
        m.buttonReleased.emit(m, button);
}

void DirectInputInterface::updateMouse()
{
    const uint32_t now = GetTickCount();
    if (now - m_lastMousePoll < m_inputStates.mousePollRate)
        return;
    m_lastMousePoll = now;
    if (!m_initParams)
        return;
    if (m_initParams->isUsingWindowMessages()) {
        updateMouseFromMessages();
        return;
    }
    if (!m_mouseDevice)
        return;
    if (m_initParams->isBufferedMouse())
        updateMouseBuffered();
    else
        updateMouseImmediate();
}

void DirectInputInterface::updateMouseFromMessages()
{
    MouseState& m = m_inputStates.mouseState;
    std::memset(m.step, 0, sizeof m.step);
    std::memset(m.updateMovement, 0, sizeof m.updateMovement);
    m.rawState.lX = m.rawState.lY = m.rawState.lZ = 0;

    for (const WindowMessage& record : m_windowMessages) {
        switch (record.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE: {
            POINT p{static_cast<short>(LOWORD(record.lParam)), static_cast<short>(HIWORD(record.lParam))};
            // The frame's messages carry screen coordinates.
            if (record.message == WM_NCMOUSEMOVE)
                ScreenToClient(record.window, &p);
            moveMouseTo(record.window, p);
            break;
        }
        case WM_MOUSEWHEEL: {
            const short d = static_cast<short>(HIWORD(record.wParam));
            if (d == 0)
                break;
            m.rawState.lZ = d;
            m.rawState.lX = m.rawState.lY = 0;
            m.step[0] = m.step[1] = 0.0f;
            m.step[2] = d;
            m.updateMovement[2] = static_cast<float>(static_cast<double>(m.updateMovement[2]) + d);
            emitMouseAxis(d > 0 ? ULVO_ACHSE_WHEEL_POS : ULVO_ACHSE_WHEEL_NEG);
            emitMouseAxis(ULVO_ACHSE_WHEEL);
            break;
        }
        // The second press of a quick double click comes as a double-click message: it is a
        // press like any other.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const UINT msg = record.message;
            const bool pressed = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                                 msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
            int index = 0;
            if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK)
                index = 1;
            else if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK)
                index = 2;
            // A click lands where its message says, even without a move there first.
            moveMouseTo(record.window,
                        POINT{static_cast<short>(LOWORD(record.lParam)), static_cast<short>(HIWORD(record.lParam))});
            std::memset(m.step, 0, sizeof m.step);
            m.rawState.lX = m.rawState.lY = m.rawState.lZ = 0;
            m.rawState.rgbButtons[index] = pressed ? 0x80 : 0;
            emitMouseButton(pressed, index);
            break;
        }
        default:
            break;
        }
    }
    m_windowMessages.clear();
}

void DirectInputInterface::moveMouseTo(HWND window, POINT client)
{
    MouseState& m = m_inputStates.mouseState;
    double x = client.x;
    double y = client.y;
    RECT area{};
    if (GetClientRect(window, &area) && area.right > 0 && area.bottom > 0 && m_screenWidth > 0 && m_screenHeight > 0) {
        x = x * m_screenWidth / area.right;
        y = y * m_screenHeight / area.bottom;
    }
    // X first, then Y, each only when it changed.
    const double to[2] = {x, y};
    LONG* raw[2] = {&m.rawState.lX, &m.rawState.lY};
    const UlvoAchse axes[2][3] = {{ULVO_ACHSE_X_NEG, ULVO_ACHSE_X_POS, ULVO_ACHSE_X},
                                  {ULVO_ACHSE_Y_NEG, ULVO_ACHSE_Y_POS, ULVO_ACHSE_Y}};
    for (int axis = 0; axis < 2; ++axis) {
        if (to[axis] == m.position[axis])
            continue;
        const double delta = to[axis] - static_cast<double>(m.position[axis]);
        *raw[axis] = static_cast<LONG>(delta);
        std::memset(m.step, 0, sizeof m.step);
        addMouseStep(axis, delta);
        emitMouseAxis(axes[axis][delta > 0 ? 1 : 0]);
        emitMouseAxis(axes[axis][2]);
    }
}

void DirectInputInterface::updateMouseBuffered()
{
    MouseState& m = m_inputStates.mouseState;
    std::memset(m.step, 0, sizeof m.step);
    std::memset(m.updateMovement, 0, sizeof m.updateMovement);
    m.rawState.lX = m.rawState.lY = m.rawState.lZ = 0;
    const double sensitivity = m_inputStates.effectiveSensitivity;

    static DIDEVICEOBJECTDATA events[kMouseBufferSize];
    DWORD count = kMouseBufferSize;
    HRESULT hr = m_mouseDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0);
    if (FAILED(hr)) {
        count = kMouseBufferSize;
        hr = reacquire(m_mouseDevice) ? m_mouseDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0)
                                      : DIERR_NOTACQUIRED;
    }
    if (FAILED(hr))
        count = 0;

    for (DWORD i = 0; i < count; ++i) {
        const DWORD offset = events[i].dwOfs;
        const LONG data = static_cast<LONG>(events[i].dwData);
        if (offset == DIMOFS_X || offset == DIMOFS_Y) {
            const int axis = offset == DIMOFS_X ? 0 : 1;
            m.rawState.lX = axis == 0 ? data : 0;
            m.rawState.lY = axis == 1 ? data : 0;
            m.rawState.lZ = 0;
            std::memset(m.step, 0, sizeof m.step);
            addMouseStep(axis, sensitivity * data);
            if (axis == 0) {
                emitMouseAxis(data > 0 ? ULVO_ACHSE_X_POS : ULVO_ACHSE_X_NEG);
                emitMouseAxis(ULVO_ACHSE_X);
            } else {
                emitMouseAxis(data > 0 ? ULVO_ACHSE_Y_POS : ULVO_ACHSE_Y_NEG);
                emitMouseAxis(ULVO_ACHSE_Y);
            }
        } else if (offset == DIMOFS_Z) {
            m.rawState.lZ = data;
            m.rawState.lX = m.rawState.lY = 0;
            m.step[0] = m.step[1] = 0.0f;
            m.step[2] = static_cast<float>(data);
            m.updateMovement[2] = static_cast<float>(static_cast<double>(m.updateMovement[2]) + data);
            emitMouseAxis(data > 0 ? ULVO_ACHSE_WHEEL_POS : ULVO_ACHSE_WHEEL_NEG);
            emitMouseAxis(ULVO_ACHSE_WHEEL);
        } else if (offset >= DIMOFS_BUTTON0 && offset <= DIMOFS_BUTTON7) {
            std::memset(m.step, 0, sizeof m.step);
            m.rawState.lX = m.rawState.lY = m.rawState.lZ = 0;
            int index = static_cast<int>(offset - DIMOFS_BUTTON0);
            m.rawState.rgbButtons[index] = static_cast<BYTE>(data);
            if (index < 2 && m_inputStates.isMouseSwapped())
                index = 1 - index;
            emitMouseButton((data & 0x80) != 0, index);
        }
    }

    if (count != 0) {
        hr = m_mouseDevice->GetDeviceState(sizeof(DIMOUSESTATE2), &m.rawState);
        if (FAILED(hr)) {
            if (!reacquire(m_mouseDevice) || FAILED(m_mouseDevice->GetDeviceState(sizeof(DIMOUSESTATE2), &m.rawState)))
                return;
        }
    } else if (FAILED(hr)) {
        return;
    }
    m.step[0] = static_cast<float>(sensitivity * m.rawState.lX);
    m.step[1] = static_cast<float>(sensitivity * m.rawState.lY);
    m.step[2] = static_cast<float>(m.rawState.lZ);
    m.updateMovement[0] = static_cast<float>(sensitivity * m.updateMovement[0]);
    m.updateMovement[1] = static_cast<float>(sensitivity * m.updateMovement[1]);

    const uint32_t now = GetTickCount();
    m.history.push_back(MouseState::HistoryRecord{now, m.updateMovement[0], m.updateMovement[1], m.updateMovement[2]});
    while (!m.history.empty() && now - m.history.front().time > m.historyMaxAge)
        m.history.erase(m.history.begin());
}

void DirectInputInterface::updateMouseImmediate()
{
    MouseState& m = m_inputStates.mouseState;
    const DIMOUSESTATE2 before = m.rawState;
    if (FAILED(m_mouseDevice->GetDeviceState(sizeof(DIMOUSESTATE2), &m.rawState)) &&
        (!reacquire(m_mouseDevice) || FAILED(m_mouseDevice->GetDeviceState(sizeof(DIMOUSESTATE2), &m.rawState)))) {
        // An unread mouse has not moved; the last movement must not repeat.
        m.rawState.lX = m.rawState.lY = m.rawState.lZ = 0;
    }

    const double sensitivity = m_inputStates.effectiveSensitivity;
    const LONG rx = m.rawState.lX, ry = m.rawState.lY, rz = m.rawState.lZ;
    std::memset(m.updateMovement, 0, sizeof m.updateMovement);
    addMouseStep(0, sensitivity * rx);
    addMouseStep(1, sensitivity * ry);
    m.step[2] = static_cast<float>(rz);
    m.updateMovement[2] = static_cast<float>(rz);

    if (rx < 0)
        emitMouseAxis(ULVO_ACHSE_X_NEG);
    if (rx > 0)
        emitMouseAxis(ULVO_ACHSE_X_POS);
    if (rx != 0)
        emitMouseAxis(ULVO_ACHSE_X);
    if (ry < 0)
        emitMouseAxis(ULVO_ACHSE_Y_NEG);
    if (ry > 0)
        emitMouseAxis(ULVO_ACHSE_Y_POS);
    if (ry != 0)
        emitMouseAxis(ULVO_ACHSE_Y);
    if (rz < 0)
        emitMouseAxis(ULVO_ACHSE_WHEEL_NEG);
    if (rz > 0)
        emitMouseAxis(ULVO_ACHSE_WHEEL_POS);
    if (rz != 0)
        emitMouseAxis(ULVO_ACHSE_WHEEL);

    const bool swapped = m_inputStates.isMouseSwapped();
    for (int b = 0; b < 8; ++b) {
        const int index = (b < 2 && swapped) ? 1 - b : b;
        const bool now = down(m.rawState.rgbButtons[b]);
        const bool was = down(before.rgbButtons[b]);
        if (now && !was)
            emitMouseButton(true, index);
        else if (!now && was)
            emitMouseButton(false, index);
    }

    const uint32_t time = GetTickCount();
    m.history.push_back(MouseState::HistoryRecord{time, m.updateMovement[0], m.updateMovement[1], m.updateMovement[2]});
    while (!m.history.empty() && time - m.history.front().time > m.historyMaxAge)
        m.history.erase(m.history.begin());
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void DirectInputInterface::emitKey(sigslot::signal2<KeyState&, const unsigned char&>& signal, int key, bool holdBack)
{
    if (holdBack && m_consoleOpen)
        return;
    const unsigned char code = static_cast<unsigned char>(key);
    signal.emit(m_inputStates.keyState, code);
}

void DirectInputInterface::heldKey(int k, uint32_t now)
{
    KeyState& ks = m_inputStates.keyState;
    emitKey(ks.keyDown, k, true);
    const uint32_t wait = ks.repeating[k] ? m_inputStates.keyRepeatRate : m_inputStates.keyRepeatDelay;
    if (now - ks.pressTimes[k] >= wait) {
        ks.pressTimes[k] = now;
        ks.repeating[k] = 1;
        emitKey(ks.consoleKey, k, false);
        emitKey(ks.keyTyped, k, true);
    }
}

void DirectInputInterface::releaseKeysUp(const BYTE* deviceKeys)
{
    KeyState& ks = m_inputStates.keyState;
    for (int k = 0; k < 256; ++k) {
        if (!down(ks.keys[k]) || (deviceKeys && down(deviceKeys[k])))
            continue;
        ks.keys[k] = 0;
        ks.repeating[k] = 0;
        ks.pressedThisPoll[k] = 0;
        emitKey(ks.keyReleased, k, true);
    }
}

void DirectInputInterface::resyncKeyboard()
{
    static BYTE deviceKeys[256];
    if (m_keyboardDevice && SUCCEEDED(m_keyboardDevice->GetDeviceState(sizeof deviceKeys, deviceKeys)))
        releaseKeysUp(deviceKeys);
    else
        releaseKeysUp(nullptr);
}

void DirectInputInterface::onActivate(const bool& active)
{
    if (active)
        return;
    releaseKeysUp(nullptr);
    // Modifiers let go elsewhere send no key message here.
    m_textShift[0] = m_textShift[1] = false;
    m_textControl[0] = m_textControl[1] = false;
    m_textAltGr = false;
}

void DirectInputInterface::updateKeyBoard()
{
    const uint32_t now = GetTickCount();
    if (now - m_lastKeyboardPoll < m_inputStates.keyboardPollRate)
        return;
    m_lastKeyboardPoll = now;
    if (!m_keyboardDevice || !m_initParams)
        return;

    KeyState& ks = m_inputStates.keyState;
    BYTE before[256];
    std::memcpy(before, ks.keys, sizeof before);

    if (!m_initParams->isBufferedKeyboard()) {
        if (FAILED(m_keyboardDevice->GetDeviceState(sizeof ks.keys, ks.keys))) {
            // A keyboard that cannot be read has no key down: without this a key
            // let go while the window was inactive would repeat forever.
            if (!reacquire(m_keyboardDevice) || FAILED(m_keyboardDevice->GetDeviceState(sizeof ks.keys, ks.keys))) {
                releaseKeysUp(nullptr);
                return;
            }
        }
        for (int k = 0; k < 256; ++k) {
            const bool wasDown = down(before[k]);
            const bool isDown = down(ks.keys[k]);
            if (wasDown && !isDown) {
                ks.repeating[k] = 0;
                emitKey(ks.keyReleased, k, true);
            }
            ks.pressedThisPoll[k] = !wasDown && isDown;
            if (ks.pressedThisPoll[k]) {
                ks.pressTimes[k] = now;
                ks.repeating[k] = 0;
                emitKey(ks.consoleKey, k, false);
                emitKey(ks.keyPressed, k, true);
                emitKey(ks.keyTyped, k, true);
            }
            if (isDown)
                heldKey(k, now);
        }
        return;
    }

    static DIDEVICEOBJECTDATA events[kKeyboardBufferSize];
    DWORD count = kKeyboardBufferSize;
    HRESULT hr = m_keyboardDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0);
    bool resync = hr == DI_BUFFEROVERFLOW;
    if (FAILED(hr)) {
        count = kKeyboardBufferSize;
        if (!reacquire(m_keyboardDevice)) {
            releaseKeysUp(nullptr);
            return;
        }
        hr = m_keyboardDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0);
        if (FAILED(hr)) {
            releaseKeysUp(nullptr);
            return;
        }
        // Events from before the loss are gone: whatever was let go meanwhile
        // is known only from the device state.
        resync = true;
    }
    if (hr == DI_BUFFEROVERFLOW)
        resync = true;

    for (DWORD i = 0; i < count; ++i) {
        const int k = static_cast<int>(events[i].dwOfs & 0xFF);
        ks.keys[k] = static_cast<BYTE>(events[i].dwData & 0xFF);
        if (ks.keys[k] != 0) {
            ks.pressTimes[k] = events[i].dwTimeStamp;
            ks.repeating[k] = 0;
            emitKey(ks.consoleKey, k, false);
            if (!m_consoleOpen) {
                ks.pressedThisPoll[k] = 1;
                emitKey(ks.keyPressed, k, true);
                emitKey(ks.keyTyped, k, true);
            }
        } else {
            ks.repeating[k] = 0;
            emitKey(ks.keyReleased, k, true);
        }
    }
    // Releases dropped with an overflowing buffer would leave keys down for good.
    if (resync)
        resyncKeyboard();
    for (int k = 0; k < 256; ++k) {
        const bool isDown = down(ks.keys[k]);
        ks.pressedThisPoll[k] = !down(before[k]) && isDown;
        if (isDown)
            heldKey(k, now);
    }
}

// ---------------------------------------------------------------------------------------------
// Joysticks

void DirectInputInterface::updateJoysticks()
{
    const std::size_t count = std::min(m_joystickDevices.size(), m_inputStates.joystickStates.size());
    for (std::size_t i = 0; i < count; ++i) {
        JoystickState& js = m_inputStates.joystickStates[i];
        IDirectInputDevice8W* device = m_joystickDevices[i].device;
        const DIJOYSTATE2 before = js.state;
        if (device && FAILED(device->GetDeviceState(sizeof(DIJOYSTATE2), &js.state)) && reacquire(device))
            device->GetDeviceState(sizeof(DIJOYSTATE2), &js.state);
        if (!js.connected)
            continue;
        for (int b = 0; b < 128; ++b) {
            const bool was = down(before.rgbButtons[b]);
            const bool now = down(js.state.rgbButtons[b]);
            if (was && !now)
                js.buttonReleased.emit(js, b);
            if (!was && now)
                js.buttonPressed.emit(js, b);
            if (now)
                js.buttonDown.emit(js, b);
        }
        const LONG axes[6] = {js.state.lX, js.state.lY, js.state.lZ, js.state.lRx, js.state.lRy, js.state.lRz};
        for (int n = 0; n < 6; ++n) {
            if (axes[n] < 0)
                js.axisMoved.emit(js, static_cast<UlvoAchse>(3 * n));
            if (axes[n] > 0)
                js.axisMoved.emit(js, static_cast<UlvoAchse>(3 * n + 1));
            if (axes[n] != 0)
                js.axisMoved.emit(js, static_cast<UlvoAchse>(3 * n + 2));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Window messages, console, centring

void DirectInputInterface::emitTypedText()
{
    // Slots may type again (a test, a replay): what they queue waits for the next update.
    m_typedTextSent.swap(m_typedText);
    KeyState& ks = m_inputStates.keyState;
    for (const TypedKey& text : m_typedTextSent) {
        ks.consoleText.emit(ks, text);
        // The console may have opened or closed with the text before.
        if (!m_consoleOpen)
            ks.textTyped.emit(ks, text);
    }
    m_typedTextSent.clear();
}

void DirectInputInterface::onWindowMessage(HWND& window, UINT& message, WPARAM& wParam, LPARAM& lParam)
{
    if (!m_initParams)
        return;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP) {
        // The scan code, with the extended-key bit as DirectInput's high bit.
        const auto scanCode = static_cast<unsigned>((lParam >> 16) & 0xFF);
        const unsigned extended = (lParam >> 24) & 1 ? 0x80u : 0u;
        const auto key = static_cast<unsigned char>(scanCode | extended);
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        switch (key) {
        case DIK_LSHIFT:
        case DIK_RSHIFT:
            m_textShift[key == DIK_RSHIFT] = down;
            break;
        case DIK_LCONTROL:
        case DIK_RCONTROL:
            m_textControl[key == DIK_RCONTROL] = down;
            break;
        case DIK_RMENU:
            m_textAltGr = down;
            break;
        default:
            break;
        }
        if (down && scanCode != 0)
            m_typedText.push_back(
                TypedKey{key, m_textShift[0] || m_textShift[1], m_textControl[0] || m_textControl[1], m_textAltGr});
    }
    // Text without a key (no scan code) is typed as its character; text a key typed comes
    // through that key and the layout.
    if (message == WM_CHAR && ((lParam >> 16) & 0xFF) == 0 && wParam >= 0x20 && wParam != 0x7F)
        m_typedText.push_back(TypedKey{0, m_textShift[0] || m_textShift[1], m_textControl[0] || m_textControl[1],
                                       m_textAltGr, static_cast<wchar_t>(wParam)});
    if (!m_initParams->isUsingWindowMessages())
        return;
    if (message == WM_MOUSEMOVE && m_cursorVisible) {
        while (ShowCursor(FALSE) >= 0) {}
        m_cursorVisible = false;
    } else if (message == WM_NCMOUSEMOVE && !m_cursorVisible) {
        while (ShowCursor(TRUE) < 0) {}
        m_cursorVisible = true;
    }
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_MOUSEWHEEL:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        m_windowMessages.push_back(WindowMessage{window, message, wParam, lParam});
        break;
    default:
        break;
    }
}

void DirectInputInterface::setConsoleOpen(const bool& open)
{
    m_consoleOpen = open;
}

void DirectInputInterface::centerMouse()
{
    if (!m_initParams || !m_initParams->getWindow())
        return;
    Window* window = m_initParams->getWindow();
    MouseState& m = m_inputStates.mouseState;
    // The middle of the picture, in back-buffer coordinates as every position.
    m.position[0] = static_cast<float>((m_screenWidth ? m_screenWidth : window->getWidth()) * 0.5);
    m.position[1] = static_cast<float>((m_screenHeight ? m_screenHeight : window->getHeight()) * 0.5);
    m.unclampedPosition[0] = m.position[0];
    m.unclampedPosition[1] = m.position[1];
    m.relativePosition[0] = m.relativePosition[1] = 0.5f;
}

} // namespace Ulvo
