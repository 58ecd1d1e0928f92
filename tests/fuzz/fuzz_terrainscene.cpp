// Reads arbitrary bytes as a scene file and loads it into an object manager with the terrain
// kinds (grid terrains, clipmaps, roads, forests) as well as the scene layer's, under a small
// scene budget: whatever the file asks for, what is made stays within the budget, every object
// returned is registered under its own name, and clearing the manager leaves nothing.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "terrain/TerrainKinds.h"

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

    Ulvo::ObjektManager manager;
    Ulvo::registerTerrainKinds(manager.getKinds());
    // Small, so that one input stays quick; the cuts are the same as at the real size.
    const Ulvo::SceneBudget::Cost limit{256, 1u << 22};
    manager.getSceneBudget().setLimit(limit);
    const std::vector<Ulvo::BaseObjekt*> loaded = manager.loadSceneFile(&root);
    const Ulvo::SceneBudget::Cost& used = manager.getSceneBudget().used();
    check(used.objects <= limit.objects && used.bytes <= limit.bytes);
    check(loaded.size() <= manager.getCount());
    for (Ulvo::BaseObjekt* object : loaded)
        check(manager.find(object->getName()) == object);
    manager.clear();
    check(manager.getCount() == 0);
    return 0;
}
