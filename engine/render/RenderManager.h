#pragma once
// The render core's manager. Stand-in: the class grows with the render passes and the frame;
// for now the engine creates it and hands it the scene graph.
namespace Ulvo {

class RenderPassZBuffer;
class SceneGraph;

class RenderManager {
public:
    RenderManager() = default;
    virtual ~RenderManager() = default;
    RenderManager(const RenderManager&) = delete;
    RenderManager& operator=(const RenderManager&) = delete;

    void setSceneGraph(SceneGraph* sceneGraph);
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }

    // The frame's z-buffer pass; none until the render passes are part of the frame.
    RenderPassZBuffer* getZBufferPass() const { return nullptr; }

private:
    SceneGraph* m_sceneGraph = nullptr;
};

} // namespace Ulvo
