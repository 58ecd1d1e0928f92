#pragma once
// State blocks: a copy of the parts of the device state their mask names.
#include "d3d9/DeviceState.h"
#include "d3d9/ObjectBase.h"

namespace D3D9Internal {

class StateBlock final : public IDirect3DStateBlock9, public ObjectBase {
public:
    StateBlock(Device* device, const StateMask& mask);
    ~StateBlock() override;

    ULVO_D3D_UNKNOWN_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return getDevice(ppDevice); }
    HRESULT Capture() override;
    HRESULT Apply() override;

    // While recording: the device writes the states set into the block.
    DeviceState& state() { return m_state; }
    StateMask& mask() { return m_mask; }
    // Drops the binding references the block holds on textures, buffers and shaders.
    void releaseObjects();

private:
    bool hasInterface(REFIID riid) const;

    StateMask m_mask;
    DeviceState m_state{};
};

} // namespace D3D9Internal
