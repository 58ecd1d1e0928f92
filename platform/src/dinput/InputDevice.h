#pragma once
// What every DirectInput device shares: reference counting, the data format, the cooperative
// level and acquisition, properties, objects, and the event buffer. The keyboard, the mouse
// and game controllers supply their objects, their state and their events.
#include "dinput/DInputInternal.h"
#include "common/ComObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace DInputInternal {

enum class DeviceKind { Keyboard, Mouse, Joystick };

class InputDevice : public PlatformInternal::ComObject<IDirectInputDevice8W> {
public:
    // IDirectInputDevice8W
    HRESULT GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref, DWORD flags) override;
    HRESULT GetProperty(REFGUID property, LPDIPROPHEADER header) override;
    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT GetDeviceData(DWORD objectSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags) override;
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT SetEventNotification(HANDLE event) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT GetDeviceInfo(LPDIDEVICEINSTANCEW info) override;
    HRESULT Poll() override;

    DeviceKind kind() const { return m_kind; }

    // Input from the event watch, under stateLock(). The defaults ignore it.
    virtual void onKey(BYTE /*dik*/, bool /*down*/, DWORD /*time*/, DWORD /*sequence*/) {}
    virtual void onMouseMotion(LONG /*dx*/, LONG /*dy*/, DWORD /*time*/, DWORD /*sequence*/) {}
    virtual void onMouseWheel(LONG /*delta*/, DWORD /*time*/, DWORD /*sequence*/) {}
    virtual void onMouseButton(int /*button*/, bool /*down*/, DWORD /*time*/, DWORD /*sequence*/) {}
    // A window of ours lost the focus: a foreground device bound to it loses its acquisition.
    void onFocusLost(uint32_t sdlWindowId);

    bool isAcquired() const { return m_acquired; } // under stateLock()
    bool isExclusive() const { return m_cooperation & DISCL_EXCLUSIVE; }

protected:
    explicit InputDevice(DeviceKind kind);
    ~InputDevice() override;

    struct AxisSettings {
        LONG min = 0;
        LONG max = 65535;
        DWORD deadZone = 0;       // 0..10000
        DWORD saturation = 10000; // 0..10000
    };

    struct ObjectInfo {
        const GUID* type;
        DWORD offset; // in the device's data format
        DWORD id;     // DIDFT_* kind | DIDFT_MAKEINSTANCE(n)
        std::wstring name;
        int axis; // index into the device's axis settings, -1 when it has none
    };

    // Filled by the constructor of each kind; never changes afterwards.
    std::vector<ObjectInfo> m_objects;

    // What each kind supplies.
    virtual const DIDATAFORMAT& dataFormat() const = 0;
    virtual void describe(DIDEVICEINSTANCEW& info) const = 0;
    virtual void capabilities(DIDEVCAPS& caps) const = 0;
    // Two device objects with the same identity read the same hardware.
    virtual uint64_t identity() const = 0;
    // Copies the immediate state (dataFormat().dwDataSize bytes), under stateLock().
    virtual void readState(void* data) = 0;
    // Reads the hardware before a call looks at the state; takes stateLock() itself.
    virtual void sample() {}
    // False when the hardware is gone (under stateLock()).
    virtual bool attached() const { return true; }
    // Whether Poll has work to do for this device.
    virtual bool polled() const { return false; }
    // Acquisition starts or ends, under stateLock().
    virtual void acquired() {}
    virtual void unacquired() {}
    // Axis settings for DIPROP_RANGE, DIPROP_DEADZONE and DIPROP_SATURATION; null when the
    // device has no absolute axes.
    virtual AxisSettings* axisSettings(int /*axis*/) { return nullptr; }
    virtual int axisCount() const { return 0; }
    // DIPROP_AXISMODE; DIERR_UNSUPPORTED when the device has no such choice.
    virtual HRESULT setAxisMode(DWORD /*mode*/) { return DIERR_UNSUPPORTED; }
    virtual HRESULT axisMode(DWORD& /*mode*/) const { return DIERR_UNSUPPORTED; }

    // Adds an event to the buffer when the device is acquired and buffered; a full buffer
    // drops its oldest event. Under stateLock().
    void queueEvent(DWORD offset, DWORD data, DWORD time, DWORD sequence);
    // The acquisition was taken away (focus loss, unplugging). Under stateLock().
    void loseAcquisition();
    bool isBuffered() const { return m_bufferSize > 0; }

private:
    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_IDirectInputDevice8W); }
    // The last reference is gone: the device leaves the watch and gives up its acquisition.
    void lastReleased() override;
    // Before a read: real events reach the watch, the hardware is sampled, and a foreground
    // device whose window is no longer active loses its acquisition.
    void prepareRead();
    // DI_OK while acquired; else DIERR_INPUTLOST once after a loss, then DIERR_NOTACQUIRED.
    HRESULT readStatus();
    const ObjectInfo* findObject(const DIPROPHEADER& header) const;
    // Sets from `in` or reads into `out` one of the per-axis properties.
    HRESULT axisProperty(const GUID& property, const DIPROPHEADER* in, DIPROPHEADER* out);
    void clearBuffer();

    DeviceKind m_kind;
    bool m_formatSet = false;
    DWORD m_cooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    HWND m_window = nullptr;
    uint32_t m_sdlWindowId = 0;
    bool m_acquired = false;
    bool m_lost = false;
    // Event buffer: a ring of m_bufferSize entries.
    DWORD m_bufferSize = 0;
    std::vector<DIDEVICEOBJECTDATA> m_buffer;
    size_t m_head = 0;
    size_t m_count = 0;
    bool m_overflow = false;
};

} // namespace DInputInternal
