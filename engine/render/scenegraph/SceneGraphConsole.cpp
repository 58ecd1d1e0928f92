// The scene graph's SG_ console commands and their completion.
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"
#include "render/cameras/CameraManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "render/scenegraph/RenderObjekt.h"

#include <algorithm>

namespace Ulvo {

const ConsoleCommandEntry<SceneGraph> SceneGraph::kCommands[4] = {
    {L"SG_getVisibleObjectNames", 1,
     L"SG_getVisibleObjectNames Cameraname/NULL; gibt eine Liste der sichtbaren Objekten aus",
     &SceneGraph::cmdGetVisibleObjectNames},
    {L"SG_addObject", 1, L"SG_addObject Objektname; f\u00FCgt das Objekt dem Rendering hinzu",
     &SceneGraph::cmdAddObject, &SceneGraph::completeManagerObject},
    {L"SG_removeObject", 1, L"SG_removeObject Objektname; entfernt das Objekt vom Rendering",
     &SceneGraph::cmdRemoveObject, &SceneGraph::completeGraphObject},
    {L"SG_getAllObjectNames", 0, L"SG_getAllObjectNames; gibt alle sichtbaren Objektenamen aus",
     &SceneGraph::cmdGetAllObjectNames},
};

std::wstring SceneGraph::listing(std::vector<RenderObjekt*>& objects)
{
    std::sort(objects.begin(), objects.end(), &SceneGraph::compareCameraDistance);
    std::wstring text;
    for (const RenderObjekt* object : objects) {
        const D3DXVECTOR3& p = object->getPosition();
        text += object->getName() + L" Pos: " + xmlwrite::numberText(p.x) + L" " + xmlwrite::numberText(p.y) + L" " +
                xmlwrite::numberText(p.z) + L"\n";
    }
    return text;
}

void SceneGraph::cmdGetVisibleObjectNames(TypedConsoleCommand& line)
{
    CameraManager* cameras = CameraManager::getInstance();
    const std::wstring name = line.getToken(0);
    Camera* camera = name == L"NULL" ? cameras->getActiveCamera() : cameras->getCamera(name);
    if (!camera) {
        line.setAnswer(L"Camera nicht gefunden");
        return;
    }
    std::vector<RenderObjekt*> objects;
    getVisibleObjects(camera, objects);
    updateObjectsForCamera(camera, objects, nullptr);
    line.setAnswer(listing(objects));
}

RenderObjekt* SceneGraph::findObject(TypedConsoleCommand& line) const
{
    RenderObjekt* object = m_objekte ? m_objekte->findRenderObjekt(line.getToken(0)) : nullptr;
    if (!object)
        line.setAnswer(L"Objekt nicht gefunden!");
    return object;
}

void SceneGraph::cmdAddObject(TypedConsoleCommand& line)
{
    if (RenderObjekt* object = findObject(line)) {
        addObject(object, true);
        line.setAnswer(L"Objekt hinzugef\u00FCgt!");
    }
}

void SceneGraph::cmdRemoveObject(TypedConsoleCommand& line)
{
    if (RenderObjekt* object = findObject(line)) {
        removeObject(object, true);
        line.setAnswer(L"Objekt entfernt!");
    }
}

void SceneGraph::cmdGetAllObjectNames(TypedConsoleCommand& line)
{
    std::vector<RenderObjekt*> objects;
    m_root.collectAll(objects);
    line.setAnswer(listing(objects));
}

void SceneGraph::completeFrom(const std::vector<RenderObjekt*>& objects, TypedConsoleCommand& line,
                              std::vector<std::wstring>& candidates)
{
    const std::wstring typed = line.getToken(0);
    for (const RenderObjekt* object : objects) {
        if (object->getName().compare(0, typed.size(), typed) == 0)
            candidates.push_back(object->getName());
    }
}

void SceneGraph::completeGraphObject(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    std::vector<RenderObjekt*> objects;
    m_root.collectAll(objects);
    completeFrom(objects, line, candidates);
}

void SceneGraph::completeManagerObject(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    std::vector<RenderObjekt*> objects;
    if (m_objekte)
        m_objekte->collectRenderObjekte(objects);
    completeFrom(objects, line, candidates);
}

} // namespace Ulvo
