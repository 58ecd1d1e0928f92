#pragma once
// The DirectInput object: makes devices and lists the attached ones.
#include <dinput.h>

#include "common/ComObject.h"

namespace DInputInternal {

class DirectInput8 final : public PlatformInternal::ComObject<IDirectInput8W> {
public:
    DirectInput8() = default;

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN outer) override;
    HRESULT EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKW callback, LPVOID ref, DWORD flags) override;
    HRESULT GetDeviceStatus(REFGUID instance) override;

private:
    ~DirectInput8() override = default;
    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_IDirectInput8W); }
};

} // namespace DInputInternal
