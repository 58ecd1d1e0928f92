#include "render/RenderManager.h"

namespace Ulvo {

void RenderManager::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
}

} // namespace Ulvo
