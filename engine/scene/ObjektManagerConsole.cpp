// The object manager's OBJ_ console commands.
#include "foundation/xml/XMLNode.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"

namespace Ulvo {

const ConsoleCommandEntry<ObjektManager> ObjektManager::kCommands[1] = {
    {L"OBJ_LoadFile", 1, L"OBJ_LoadFile Filename toSG phy del; l\u00E4dt das angegebene File",
     &ObjektManager::cmdLoadFile},
};

void ObjektManager::cmdLoadFile(TypedConsoleCommand& line)
{
    XMLNode root;
    if (!XMLNode::load(&root, line.getToken(0), 0))
        return;
    setLastLoaded(loadSceneFile(&root));
    line.setAnswer(std::to_wstring(m_lastLoaded.size()) + L" Objekte geladen");
    // "phy" (argument 3) asks for a physics this engine does not have.
    if (line.getArgumentCount() >= 4 && line.getParamBool(3)) {
        for (BaseObjekt* object : getLastLoaded())
            remove(object);
    }
    // getLastLoaded holds only objects still registered, so "del" leaves nothing for the graph.
    if (line.getArgumentCount() >= 2 && line.getParamBool(1) && m_sceneGraph) {
        for (BaseObjekt* object : getLastLoaded())
            m_sceneGraph->addObject(object, true);
    }
}

} // namespace Ulvo
