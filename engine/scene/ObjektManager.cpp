#include "scene/ObjektManager.h"

namespace Ulvo {

void ObjektManager::createDeviceResources()
{
    m_deviceResources = true;
}

} // namespace Ulvo
