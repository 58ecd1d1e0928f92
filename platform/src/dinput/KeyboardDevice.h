#pragma once
// The system keyboard: 256 key bytes indexed by DIK_* code, events with the code as offset.
#include "dinput/InputDevice.h"

namespace DInputInternal {

class KeyboardDevice : public InputDevice {
public:
    KeyboardDevice();

    static void instance(DIDEVICEINSTANCEW& info);

    void onKey(BYTE dik, bool down, DWORD time, DWORD sequence) override;

protected:
    const DIDATAFORMAT& dataFormat() const override { return c_dfDIKeyboard; }
    void describe(DIDEVICEINSTANCEW& info) const override { instance(info); }
    void capabilities(DIDEVCAPS& caps) const override;
    uint64_t identity() const override { return 1; }
    void readState(void* data) override;
};

} // namespace DInputInternal
