#pragma once
// The base of everything that holds device resources.
//
// Direct3D 9 throws away every default-pool resource (render targets, dynamic buffers,
// the state of D3DX objects) when the device is reset. The device interface therefore
// announces each reset twice: lostDevice before it, when holders release such resources,
// and resetDevice after it, when they make them again. Every holder derives from
// DeviceResource, overrides onLostDevice and onResetDevice, and calls followDevice once it
// holds something worth rebuilding. The base keeps the connections in one place: following
// again first ends the old connections, so no holder is called twice, and they end by
// themselves when either side goes away (also at process exit, when the device interface
// may already be gone).
//
// What a resource follows is a DeviceLossSignals: the device interface, or any object with
// the same two signals that rebuilds resources of its own in between (a renderer whose
// passes follow it rather than the device, say).
#include "foundation/sigslot.h"

namespace Ulvo {

class DeviceLossSignals {
public:
    // Before every device reset: holders of device resources release them.
    sigslot::signal0<> lostDevice;
    // After every successful reset: holders recreate them.
    sigslot::signal0<> resetDevice;
};

class DeviceResource {
public:
    DeviceResource();
    // A copy follows nothing: whoever makes it decides what it follows.
    DeviceResource(const DeviceResource& other);
    // Keeps what this object follows.
    DeviceResource& operator=(const DeviceResource& other);
    virtual ~DeviceResource();

    // Release what does not survive a reset.
    virtual void onLostDevice() {}
    // Make it again.
    virtual void onResetDevice() {}

    // Follows the device interface, or source; a resource follows one source at a time.
    void followDevice();
    void followDevice(DeviceLossSignals& source);
    void stopFollowingDevice();
    bool isFollowingDevice() const { return m_following; }

private:
    // The slot holder. Many resources are slot holders themselves (named objects); a
    // member keeps the device connections apart from theirs.
    class Link : public sigslot::has_slots<> {
    public:
        explicit Link(DeviceResource& owner) : m_owner(owner) {}
        Link(const Link&) = delete;
        Link& operator=(const Link&) = delete;
        void lost() { m_owner.onLostDevice(); }
        void reset() { m_owner.onResetDevice(); }

    private:
        DeviceResource& m_owner;
    };

    Link m_link;
    bool m_following = false;
};

} // namespace Ulvo
