#pragma once
// The render core's manager. Stand-in: the class grows with the render core;
// for now the engine creates it and hands it the scene graph.
namespace Ulvo {

class SceneGraph;

class RenderManager {
public:
    RenderManager() = default;
    virtual ~RenderManager() = default;
    RenderManager(const RenderManager&) = delete;
    RenderManager& operator=(const RenderManager&) = delete;

    void setSceneGraph(SceneGraph* sceneGraph);
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }

private:
    SceneGraph* m_sceneGraph = nullptr;
};

} // namespace Ulvo
