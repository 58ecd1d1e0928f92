#include "scene/EditorOverlayPass.h"

#include "scene/ObjektManager.h"
#include "scene/objects/coords/CoordsObjekt.h"

namespace Ulvo {

EditorOverlayPass::EditorOverlayPass(ObjektManager& objects, RenderManager* renderManager)
    : RenderPass(L"EDITOR", T_NORMAL, 0, renderManager), m_objects(objects)
{
    m_coords.reserve(1);
}

void EditorOverlayPass::render(Camera* camera)
{
    BaseObjekt* edited = m_objects.getEditObject();
    if (!edited || !camera)
        return;
    m_objects.drawEditorMarks(*camera);
    auto* coords = dynamic_cast<CoordsObjekt*>(m_objects.find(L"COORDS"));
    if (!coords || !m_objects.getMouseMode())
        return;
    // Follows the object through every drag step; shows the tool of the drag kind.
    coords->setPosition(edited->getBasePosition());
    coords->setEditMode(m_objects.getEditKind());
    m_coords.assign(1, coords);
    setObjectList(m_coords, false, false);
    RenderPass::render(camera);
}

} // namespace Ulvo
