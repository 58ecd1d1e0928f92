#include "scene/ObjektManager.h"

#include "scene/objects/BaseObjekt.h"

namespace Ulvo {

ObjektManager::ObjektManager()
{
    registerObjektKinds(m_kinds);
}

void ObjektManager::createDeviceResources()
{
    m_deviceResources = true;
}

void ObjektManager::collectRenderObjekte(std::vector<RenderObjekt*>& out)
{
    std::vector<BaseObjekt*> objects;
    getObjects(std::wstring(), objects);
    out.insert(out.end(), objects.begin(), objects.end());
}

void ObjektManager::drawBox(const AABB&, D3DCOLOR, bool) {}

} // namespace Ulvo
