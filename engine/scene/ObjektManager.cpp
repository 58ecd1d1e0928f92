#include "scene/ObjektManager.h"

#include "scene/objects/BaseObjekt.h"

namespace Ulvo {

void ObjektManager::createDeviceResources()
{
    m_deviceResources = true;
}

void ObjektManager::drawBox(const AABB&, D3DCOLOR, bool) {}

} // namespace Ulvo
