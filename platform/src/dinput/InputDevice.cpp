// The part of every DirectInput device that does not depend on its kind.
#include "dinput/InputDevice.h"

#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace DInputInternal {

namespace {

// Far above any sensible need; a larger request gets this size, as DirectInput gives the
// largest size it supports.
constexpr DWORD kMaxBufferSize = 65536;

// The sizes the older structure versions had.
constexpr DWORD kCapsSizeDx3 = offsetof(DIDEVCAPS, dwFFSamplePeriod);
constexpr DWORD kInstanceSizeDx3 = offsetof(DIDEVICEINSTANCEW, guidFFDriver);
constexpr DWORD kObjectDataSizeDx3 = offsetof(DIDEVICEOBJECTDATA, uAppData);

// An object id from EnumObjects names the instance and may widen the kind (DIDFT_AXIS).
bool idMatches(DWORD objectId, DWORD wanted)
{
    if (DIDFT_GETINSTANCE(objectId) != DIDFT_GETINSTANCE(wanted))
        return false;
    DWORD kinds = wanted & 0xFF;
    return kinds == 0 || (objectId & kinds) != 0;
}

} // namespace

InputDevice::InputDevice(DeviceKind kind) : m_kind(kind) {}

InputDevice::~InputDevice() = default;

void InputDevice::lastReleased()
{
    {
        std::lock_guard<std::mutex> guard(stateLock());
        unregisterDevice(this);
        if (m_acquired) {
            m_acquired = false;
            unacquired();
        }
    }
    if (m_kind == DeviceKind::Mouse)
        syncMouseMode();
}

HRESULT InputDevice::GetCapabilities(LPDIDEVCAPS caps)
{
    if (!caps || (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != kCapsSizeDx3))
        return DIERR_INVALIDPARAM;
    DIDEVCAPS full{};
    full.dwSize = caps->dwSize;
    capabilities(full);
    std::memcpy(caps, &full, caps->dwSize);
    return DI_OK;
}

HRESULT InputDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref, DWORD flags)
{
    if (!callback)
        return DIERR_INVALIDPARAM;
    // None of our objects has force feedback, output or vendor attributes.
    if (flags & (DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER | DIDFT_OUTPUT | DIDFT_VENDORDEFINED))
        return DI_OK;
    DWORD kinds = flags & 0xFF;
    DIDEVICEOBJECTINSTANCEW instance;
    for (const ObjectInfo& object : m_objects) {
        if (kinds != 0 && (object.id & kinds) == 0)
            continue;
        instance = DIDEVICEOBJECTINSTANCEW{};
        instance.dwSize = sizeof instance;
        instance.guidType = *object.type;
        instance.dwOfs = object.offset;
        instance.dwType = object.id;
        copyName(instance.tszName, object.name);
        if (callback(&instance, ref) == DIENUM_STOP)
            break;
    }
    return DI_OK;
}

const InputDevice::ObjectInfo* InputDevice::findObject(const DIPROPHEADER& header) const
{
    for (const ObjectInfo& object : m_objects) {
        if (header.dwHow == DIPH_BYOFFSET && m_formatSet && object.offset == header.dwObj)
            return &object;
        if (header.dwHow == DIPH_BYID && idMatches(object.id, header.dwObj))
            return &object;
    }
    return nullptr;
}

HRESULT InputDevice::axisProperty(const GUID& property, const DIPROPHEADER* in, DIPROPHEADER* out)
{
    if (axisCount() == 0)
        return DIERR_UNSUPPORTED;
    const DIPROPHEADER& header = in ? *in : *out;
    bool range = property == DIPROP_RANGE;
    const DIPROPRANGE* newRange = range && in ? reinterpret_cast<const DIPROPRANGE*>(in) : nullptr;
    DWORD newValue = !range && in ? reinterpret_cast<const DIPROPDWORD*>(in)->dwData : 0;
    if (newRange ? newRange->lMin >= newRange->lMax : newValue > 10000)
        return DIERR_INVALIDPARAM;
    auto apply = [&](AxisSettings& s) {
        if (newRange) {
            s.min = newRange->lMin;
            s.max = newRange->lMax;
        } else if (property == DIPROP_DEADZONE) {
            s.deadZone = newValue;
        } else {
            s.saturation = newValue;
        }
    };
    if (header.dwHow == DIPH_DEVICE) {
        // A per-axis value has no single answer for the whole device.
        if (!in)
            return DIERR_UNSUPPORTED;
        for (int axis = 0; axis < axisCount(); ++axis)
            apply(*axisSettings(axis));
        return DI_OK;
    }
    const ObjectInfo* object = findObject(header);
    if (!object)
        return DIERR_OBJECTNOTFOUND;
    AxisSettings* settings = object->axis >= 0 ? axisSettings(object->axis) : nullptr;
    if (!settings)
        return DIERR_UNSUPPORTED;
    if (in) {
        apply(*settings);
    } else if (range) {
        DIPROPRANGE* r = reinterpret_cast<DIPROPRANGE*>(out);
        r->lMin = settings->min;
        r->lMax = settings->max;
    } else {
        reinterpret_cast<DIPROPDWORD*>(out)->dwData =
            property == DIPROP_DEADZONE ? settings->deadZone : settings->saturation;
    }
    return DI_OK;
}

namespace {

// The header every property call starts with: its sizes match the property
// and it names the device or one object in a known way.
bool isValidPropertyHeader(REFGUID property, const DIPROPHEADER* header)
{
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER))
        return false;
    const DWORD expected = property == DIPROP_RANGE ? sizeof(DIPROPRANGE) : sizeof(DIPROPDWORD);
    if (header->dwSize != expected)
        return false;
    return header->dwHow <= DIPH_BYUSAGE && !(header->dwHow == DIPH_DEVICE && header->dwObj != 0);
}

} // namespace

HRESULT InputDevice::GetProperty(REFGUID property, LPDIPROPHEADER header)
{
    if (!isValidPropertyHeader(property, header))
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> guard(stateLock());
    if (property == DIPROP_BUFFERSIZE) {
        if (header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        reinterpret_cast<DIPROPDWORD*>(header)->dwData = m_bufferSize;
        return DI_OK;
    }
    if (property == DIPROP_AXISMODE) {
        if (header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        DWORD mode = 0;
        HRESULT hr = axisMode(mode);
        if (SUCCEEDED(hr))
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = mode;
        return hr;
    }
    if (property == DIPROP_RANGE || property == DIPROP_DEADZONE || property == DIPROP_SATURATION) {
        if (header->dwHow == DIPH_BYUSAGE)
            return DIERR_UNSUPPORTED;
        return axisProperty(property, nullptr, header);
    }
    return DIERR_UNSUPPORTED;
}

HRESULT InputDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header)
{
    if (!isValidPropertyHeader(property, header))
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> guard(stateLock());
    if (property == DIPROP_BUFFERSIZE) {
        if (header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        if (m_acquired)
            return DIERR_ACQUIRED;
        m_bufferSize = std::min(reinterpret_cast<const DIPROPDWORD*>(header)->dwData, kMaxBufferSize);
        m_buffer.assign(m_bufferSize, DIDEVICEOBJECTDATA{});
        clearBuffer();
        return DI_OK;
    }
    if (property == DIPROP_AXISMODE) {
        if (header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        if (m_acquired)
            return DIERR_ACQUIRED;
        DWORD mode = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        if (mode != DIPROPAXISMODE_ABS && mode != DIPROPAXISMODE_REL)
            return DIERR_INVALIDPARAM;
        return setAxisMode(mode);
    }
    if (property == DIPROP_RANGE || property == DIPROP_DEADZONE || property == DIPROP_SATURATION) {
        if (header->dwHow == DIPH_BYUSAGE)
            return DIERR_UNSUPPORTED;
        return axisProperty(property, header, nullptr);
    }
    return DIERR_UNSUPPORTED;
}

HRESULT InputDevice::Acquire()
{
    sample();
    HWND foreground = GetForegroundWindow();
    {
        std::lock_guard<std::mutex> guard(stateLock());
        if (!m_formatSet)
            return DIERR_INVALIDPARAM;
        if (m_acquired)
            return DI_NOEFFECT;
        if (!attached())
            return DIERR_UNPLUGGED;
        if ((m_cooperation & DISCL_FOREGROUND) && (!foreground || foreground != m_window))
            return DIERR_OTHERAPPHASPRIO;
        if (isExclusive()) {
            for (InputDevice* other : liveDevices()) {
                if (other != this && other->m_acquired && other->isExclusive() && other->identity() == identity())
                    return DIERR_OTHERAPPHASPRIO;
            }
        }
        m_acquired = true;
        m_lost = false;
        clearBuffer();
        acquired();
    }
    if (m_kind == DeviceKind::Mouse)
        syncMouseMode();
    return DI_OK;
}

HRESULT InputDevice::Unacquire()
{
    {
        std::lock_guard<std::mutex> guard(stateLock());
        m_lost = false;
        if (!m_acquired)
            return DI_NOEFFECT;
        m_acquired = false;
        unacquired();
    }
    if (m_kind == DeviceKind::Mouse)
        syncMouseMode();
    return DI_OK;
}

void InputDevice::prepareRead()
{
    // DirectInput does not wait for the message loop: hardware events reach the watch now.
    if (Win32Internal::isVideoThread())
        SDL_PumpEvents();
    sample();
    HWND foreground = GetForegroundWindow();
    {
        std::lock_guard<std::mutex> guard(stateLock());
        if (m_acquired && (m_cooperation & DISCL_FOREGROUND) && foreground != m_window)
            loseAcquisition();
    }
    if (m_kind == DeviceKind::Mouse)
        syncMouseMode();
}

HRESULT InputDevice::readStatus()
{
    if (m_acquired)
        return DI_OK;
    if (m_lost) {
        m_lost = false;
        return DIERR_INPUTLOST;
    }
    return DIERR_NOTACQUIRED;
}

HRESULT InputDevice::GetDeviceState(DWORD size, LPVOID data)
{
    if (!data)
        return DIERR_INVALIDPARAM;
    prepareRead();
    std::lock_guard<std::mutex> guard(stateLock());
    if (m_formatSet && size != dataFormat().dwDataSize)
        return DIERR_INVALIDPARAM;
    HRESULT hr = readStatus();
    if (FAILED(hr))
        return hr;
    readState(data);
    return DI_OK;
}

HRESULT InputDevice::GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags)
{
    if (!inOut || (objectSize != sizeof(DIDEVICEOBJECTDATA) && objectSize != kObjectDataSizeDx3) ||
        (flags & ~DWORD(DIGDD_PEEK)))
        return DIERR_INVALIDPARAM;
    prepareRead();
    std::lock_guard<std::mutex> guard(stateLock());
    if (m_bufferSize == 0)
        return DIERR_NOTBUFFERED;
    HRESULT hr = readStatus();
    if (FAILED(hr))
        return hr;
    bool peek = flags & DIGDD_PEEK;
    size_t count = std::min<size_t>(*inOut, m_count);
    if (!data && peek) {
        // Only asks how many are waiting.
        count = m_count;
    } else if (data) {
        BYTE* out = reinterpret_cast<BYTE*>(data);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(out + i * objectSize, &m_buffer[(m_head + i) % m_bufferSize], objectSize);
    }
    if (!peek) {
        m_head = (m_head + count) % m_bufferSize;
        m_count -= count;
    }
    *inOut = static_cast<DWORD>(count);
    bool overflow = m_overflow;
    if (!peek)
        m_overflow = false;
    return overflow ? DI_BUFFEROVERFLOW : DI_OK;
}

HRESULT InputDevice::SetDataFormat(LPCDIDATAFORMAT format)
{
    if (!format)
        return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> guard(stateLock());
    if (m_acquired)
        return DIERR_ACQUIRED;
    const DIDATAFORMAT& own = dataFormat();
    bool same = format == &own;
    if (!same && format->dwSize == own.dwSize && format->dwObjSize == own.dwObjSize && format->dwFlags == own.dwFlags &&
        format->dwDataSize == own.dwDataSize && format->dwNumObjs == own.dwNumObjs && format->rgodf) {
        // A copy of the predefined format is the same format.
        same = true;
        for (DWORD i = 0; same && i < own.dwNumObjs; ++i) {
            const DIOBJECTDATAFORMAT& a = format->rgodf[i];
            const DIOBJECTDATAFORMAT& b = own.rgodf[i];
            bool guidsMatch = (!a.pguid && !b.pguid) || (a.pguid && b.pguid && *a.pguid == *b.pguid);
            same = guidsMatch && a.dwOfs == b.dwOfs && a.dwType == b.dwType && a.dwFlags == b.dwFlags;
        }
    }
    if (!same) {
        Diagnostics::error("DirectInput", "only the predefined data format of the device is supported");
        return DIERR_INVALIDPARAM;
    }
    m_formatSet = true;
    return DI_OK;
}

HRESULT InputDevice::SetEventNotification(HANDLE)
{
    std::lock_guard<std::mutex> guard(stateLock());
    return m_acquired ? DIERR_ACQUIRED : DI_OK;
}

HRESULT InputDevice::SetCooperativeLevel(HWND window, DWORD flags)
{
    const DWORD known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    bool exclusive = flags & DISCL_EXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND;
    if ((flags & ~known) || exclusive == bool(flags & DISCL_NONEXCLUSIVE) ||
        foreground == bool(flags & DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    // The system keyboard is never taken from everybody else.
    if (m_kind == DeviceKind::Keyboard && exclusive && !foreground)
        return DIERR_UNSUPPORTED;
    uint32_t sdlId = 0;
    if (window) {
        Win32Internal::WindowPtr w = Win32Internal::findWindow(window);
        if (!w || w->destroying)
            return E_HANDLE;
        sdlId = w->sdlId;
    } else if (exclusive || foreground) {
        return E_HANDLE;
    }
    std::lock_guard<std::mutex> guard(stateLock());
    if (m_acquired)
        return DIERR_ACQUIRED;
    m_cooperation = flags;
    m_window = window;
    m_sdlWindowId = sdlId;
    return DI_OK;
}

HRESULT InputDevice::GetDeviceInfo(LPDIDEVICEINSTANCEW info)
{
    if (!info || (info->dwSize != sizeof(DIDEVICEINSTANCEW) && info->dwSize != kInstanceSizeDx3))
        return DIERR_INVALIDPARAM;
    DIDEVICEINSTANCEW full{};
    full.dwSize = info->dwSize;
    describe(full);
    std::memcpy(info, &full, info->dwSize);
    return DI_OK;
}

HRESULT InputDevice::Poll()
{
    prepareRead();
    std::lock_guard<std::mutex> guard(stateLock());
    HRESULT hr = readStatus();
    if (FAILED(hr))
        return hr;
    return polled() ? DI_OK : DI_NOEFFECT;
}

void InputDevice::onFocusLost(uint32_t sdlWindowId)
{
    if (m_acquired && (m_cooperation & DISCL_FOREGROUND) && m_sdlWindowId != 0 && m_sdlWindowId == sdlWindowId)
        loseAcquisition();
}

void InputDevice::queueEvent(DWORD offset, DWORD data, DWORD time, DWORD sequence)
{
    if (!m_acquired || m_bufferSize == 0)
        return;
    if (m_count == m_bufferSize) {
        m_head = (m_head + 1) % m_bufferSize;
        --m_count;
        m_overflow = true;
    }
    m_buffer[(m_head + m_count) % m_bufferSize] = DIDEVICEOBJECTDATA{offset, data, time, sequence, 0};
    ++m_count;
}

void InputDevice::loseAcquisition()
{
    if (!m_acquired)
        return;
    m_acquired = false;
    m_lost = true;
    unacquired();
}

void InputDevice::clearBuffer()
{
    m_head = 0;
    m_count = 0;
    m_overflow = false;
}

} // namespace DInputInternal
