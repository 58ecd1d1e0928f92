#pragma once
// The DirectInput object: makes devices and lists the attached ones.
#include <dinput.h>

#include <atomic>

namespace DInputInternal {

class DirectInput8 : public IDirectInput8W {
public:
    DirectInput8() = default;
    DirectInput8(const DirectInput8&) = delete;
    DirectInput8& operator=(const DirectInput8&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN outer) override;
    HRESULT EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKW callback, LPVOID ref, DWORD flags) override;
    HRESULT GetDeviceStatus(REFGUID instance) override;

private:
    virtual ~DirectInput8() = default;

    std::atomic<ULONG> m_refs{1};
};

} // namespace DInputInternal
