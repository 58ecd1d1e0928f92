// Reads arbitrary bytes as a scene file and loads it into an object manager with the scene
// layer's kinds, a scene graph and a spline manager: whatever the file holds (unknown kinds,
// taken names, insertion lists naming nothing, arrangements, splines), loading ends, every object
// returned is registered under its own name, the graph holds only registered objects, and
// clearing the manager leaves the graph empty.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);

    Ulvo::SceneGraph graph;
    Ulvo::SplineManager splines;
    Ulvo::ObjektManager manager;
    manager.setSceneGraph(&graph);
    manager.setSplineManager(&splines);
    const std::vector<Ulvo::BaseObjekt*> loaded = manager.loadSceneFile(&root);
    check(loaded.size() <= manager.getCount());
    for (Ulvo::BaseObjekt* object : loaded)
        check(manager.find(object->getName()) == object);
    std::vector<Ulvo::RenderObjekt*> drawn;
    graph.getRoot().collectAll(drawn);
    check(drawn.size() <= manager.getCount());
    manager.clear();
    drawn.clear();
    graph.getRoot().collectAll(drawn);
    check(drawn.empty());
    return 0;
}
