#include "devices/d3d/DeviceResource.h"

#include "devices/d3d/D3DInterface.h"

namespace Ulvo {

DeviceResource::DeviceResource() : m_link(*this) {}

DeviceResource::DeviceResource(const DeviceResource&) : m_link(*this) {}

DeviceResource& DeviceResource::operator=(const DeviceResource&)
{
    return *this;
}

// The link's destructor ends the connections.
DeviceResource::~DeviceResource() = default;

void DeviceResource::followDevice()
{
    followDevice(*D3DInterface::getInstance());
}

void DeviceResource::followDevice(DeviceLossSignals& source)
{
    stopFollowingDevice();
    source.lostDevice.connect(&m_link, &Link::lost);
    source.resetDevice.connect(&m_link, &Link::reset);
    m_following = true;
}

void DeviceResource::stopFollowingDevice()
{
    // Through the slot side: safe also when the source is already gone.
    m_link.disconnect_all();
    m_following = false;
}

} // namespace Ulvo
