#pragma once
// The scene graph. Stand-in: the class grows with the render core.
namespace Ulvo {

class SceneGraph {
public:
    SceneGraph() = default;
    SceneGraph(const SceneGraph&) = delete;
    SceneGraph& operator=(const SceneGraph&) = delete;
};

} // namespace Ulvo
