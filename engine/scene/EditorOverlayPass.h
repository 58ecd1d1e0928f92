#pragma once
// What the object editor shows over the finished picture while it has an edited object: the
// object's box in the colour of the drag kind, the axes a drag may change, the edit plane, and,
// with the mouse mode on, the axes object "COORDS" at the object with the tool of the drag kind.
// The object manager puts it on the render manager's overlays while it edits and takes it off
// after, so frames without editing draw no overlay.
#include "render/passes/RenderPass.h"

#include <vector>

namespace Ulvo {

class ObjektManager;
class RenderObjekt;

class EditorOverlayPass : public RenderPass {
public:
    EditorOverlayPass(ObjektManager& objects, RenderManager* renderManager);

    void render(Camera* camera) override;

private:
    ObjektManager& m_objects;
    std::vector<RenderObjekt*> m_coords;
};

} // namespace Ulvo
