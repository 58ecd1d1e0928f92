#pragma once
// The scene objects' manager. Stand-in: the class grows with the scene objects (scene files, the
// OBJ_ commands, the editor); for now it is the registry of the scene objects by name and of the
// object kinds by TYPE (ObjektKinds.h), the engine creates it and lets it make its device
// resources.
#include <d3d9.h>

#include "scene/ObjektKinds.h"
#include "scene/objects/BaseObjekt.h"
#include "scene/registry/MySingleObjektManager.h"

namespace Ulvo {

class ObjektManager : public MySingleObjektManager<BaseObjekt*>, public RenderObjektRegistry {
public:
    // With the scene layer's object kinds registered.
    ObjektManager();

    // The object kinds by TYPE, for createObjektByType; layers above add theirs at start-up.
    ObjektKinds& getKinds() { return m_kinds; }

    // The registry as the scene graph's console sees it.
    RenderObjekt* findRenderObjekt(const std::wstring& name) override { return find(name); }
    void collectRenderObjekte(std::vector<RenderObjekt*>& out) override;

    // Once, after the devices started.
    void createDeviceResources();
    bool hasDeviceResources() const { return m_deviceResources; }

    // Box display of the editor; draws nothing until the editor's drawing resources exist.
    void drawBox(const AABB& box, D3DCOLOR colour, bool solid) override;

private:
    ObjektKinds m_kinds;
    bool m_deviceResources = false;
};

} // namespace Ulvo
