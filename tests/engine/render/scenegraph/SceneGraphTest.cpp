// The scene graph: membership and its signals, visibility (every object, in the root's order),
// render lists filtered by pass, the render order, instance groups, the sun's light handed to a
// list once per change, and the SG_ commands on the running engine's console.
#include "engine/scene/TestObjekt.h"
#include "engine/render/ConsoleLine.h"
#include "engine/UlvoEngine.h"
#include "graphics/effects/Effect.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

using namespace Ulvo;
using RenderTesting::run;
using SceneTesting::makeObjekt;
using SceneTesting::TestObjekt;

namespace {

std::vector<std::wstring> namesOf(const std::vector<RenderObjekt*>& list)
{
    std::vector<std::wstring> names;
    for (const RenderObjekt* object : list)
        names.push_back(object->getName());
    return names;
}

using Names = std::vector<std::wstring>;

} // namespace

TEST(SceneGraphTest, EveryObjectIsVisibleInTheRootsOrderMovedObjectsLast)
{
    LogCapture logs;
    SceneGraph graph;
    LookAtCamera camera(L"Blick");
    TestObjekt* near = makeObjekt(L"Nah", D3DXVECTOR3(0, 0, 5));
    TestObjekt* far = makeObjekt(L"Weit", D3DXVECTOR3(0, 0, -5000)); // far outside the frustum
    TestObjekt* third = makeObjekt(L"Dritt");
    graph.addObject(near, true);
    graph.addObject(far, true);
    graph.addObject(far, true); // a second add leaves one entry
    graph.addObject(third, false);
    EXPECT_EQ(near->getSceneGraph(), &graph);

    std::vector<RenderObjekt*> list;
    graph.getVisibleObjects(&camera, list);
    EXPECT_EQ(namesOf(list), (Names{L"Nah", L"Weit", L"Dritt"}));

    // A moved object goes to the end; one added without connect does not follow.
    near->setPosition(D3DXVECTOR3(1, 0, 5));
    third->setPosition(D3DXVECTOR3(2, 0, 0));
    list.clear();
    graph.getVisibleObjects(&camera, list);
    EXPECT_EQ(namesOf(list), (Names{L"Weit", L"Dritt", L"Nah"}));

    // Deleting a connected object takes it out; removing clears its graph.
    far->Release();
    graph.removeObject(third, false);
    EXPECT_EQ(third->getSceneGraph(), nullptr);
    EXPECT_EQ(third->getSceneGraphNode(), nullptr);
    list.clear();
    graph.getVisibleObjects(&camera, list);
    EXPECT_EQ(namesOf(list), (Names{L"Nah"}));
    EXPECT_EQ(graph.getRoot().getOwnCount(), 1);
    third->Release();
    near->Release();
}

TEST(SceneGraphTest, RenderListsFilterByPassAndSortIntoTheRenderOrder)
{
    LogCapture logs;
    SceneGraph graph;
    LookAtCamera camera(L"Blick");
    auto add = [&](TestObjekt* object) {
        graph.addObject(object, true);
        return object;
    };
    // As the render order asks: [transparent at 4, opaque with E2, PRIORITY 5, transparent at 9,
    // opaque with E1 (E1 < E2), PRIORITY 2].
    Effect first(false), second(false);
    Effect* low = std::less<Effect*>()(&first, &second) ? &first : &second;
    Effect* high = low == &first ? &second : &first;
    TestObjekt* t4 = add(makeObjekt(L"t4"));
    TestObjekt* e2 = add(makeObjekt(L"e2"));
    TestObjekt* p5 = add(makeObjekt(L"p5"));
    TestObjekt* t9 = add(makeObjekt(L"t9"));
    TestObjekt* e1 = add(makeObjekt(L"e1"));
    TestObjekt* p2 = add(makeObjekt(L"p2"));
    t4->setTransparent(true);
    t4->setCameraDistanceForTest(4.0);
    t9->setTransparent(true);
    t9->setCameraDistanceForTest(9.0);
    e1->setEffectForTest(low);
    e2->setEffectForTest(high);
    p5->setPriorityForTest(5);
    p2->setPriorityForTest(2);

    std::vector<RenderObjekt*> list;
    graph.GetRenderList(&camera, list, nullptr, true);
    EXPECT_EQ(namesOf(list), (Names{L"p2", L"p5", L"e1", L"e2", L"t9", L"t4"}));

    // A negative PRIORITY counts as a large unsigned one; a transparent object with a priority
    // goes before every object without one; a distance that is no number sorts as 0.
    p5->setPriorityForTest(-1);
    t4->setPriorityForTest(1);
    t9->setCameraDistanceForTest(std::numeric_limits<double>::quiet_NaN());
    list.clear();
    graph.GetRenderList(&camera, list, nullptr, true);
    EXPECT_EQ(namesOf(list), (Names{L"t4", L"p2", L"p5", L"e1", L"e2", L"t9"}));

    // A pass's names keep the visible order of the objects that take part.
    XMLNode filtered = SceneTesting::parseNode(L"<OBJEKT NAME=\"nurSchatten\"><BASE_DATA><RENDERPASSES>"
                                               L"<Shadow/></RENDERPASSES></BASE_DATA></OBJEKT>");
    auto* shadowOnly = add(new TestObjekt(&filtered));
    list.clear();
    const std::vector<std::wstring> shadowPass{L"Shadow"};
    graph.GetRenderList(&camera, list, &shadowPass, false);
    EXPECT_EQ(namesOf(list), (Names{L"nurSchatten"}));
    list.clear();
    const std::vector<std::wstring> mainPass{L"Render"};
    graph.GetRenderList(&camera, list, &mainPass, false);
    EXPECT_TRUE(list.empty()); // the others have no RENDERPASSES: out by default

    for (TestObjekt* object : {t4, e2, p5, t9, e1, p2, shadowOnly})
        object->Release();
}

TEST(SceneGraphTest, SortingMakesTheSameOrderAsTheRenderOrderComparisonAmongManyEqualObjects)
{
    // The sort reads each object's keys once; among objects that compare equal (the same effect,
    // opaque) it must still leave them exactly where sorting by the comparison does.
    LogCapture logs;
    SceneGraph graph;
    Effect first(false), second(false);
    std::vector<TestObjekt*> objects;
    std::vector<RenderObjekt*> list;
    for (int i = 0; i < 70; ++i) {
        TestObjekt* object = makeObjekt(L"o" + std::to_wstring(i));
        object->setEffectForTest(i % 3 == 0 ? &first : &second);
        object->setTransparent(i % 5 == 0);
        object->setCameraDistanceForTest(static_cast<double>(i % 4));
        object->setPriorityForTest(i % 11 == 0 ? i % 3 : 0);
        objects.push_back(object);
        list.push_back(object);
    }
    std::vector<RenderObjekt*> expected = list;
    std::sort(expected.begin(), expected.end(), &SceneGraph::compareRenderOrder);
    graph.sort(list);
    EXPECT_EQ(list, expected);
    for (TestObjekt* object : objects)
        object->Release();
}

TEST(SceneGraphTest, InstanceGroupsCollapseToTheFrontAndTheSunReachesEveryObjectWithAnEffect)
{
    LogCapture logs;
    SceneGraph graph;
    TestObjekt* single = makeObjekt(L"Einzel");
    TestObjekt* root = makeObjekt(L"Baum");
    root->setInstancingForTest(true);
    BaseObjekt* clone = root->clone();
    std::vector<RenderObjekt*> list{single, clone, root};
    graph.collapseInstances(list);
    EXPECT_EQ(namesOf(list), (Names{L"Baum", L"Einzel"}));
    EXPECT_EQ(root->getVisibleInstances(), (std::vector<RenderObjekt*>{clone, root}));
    // The next call starts the group afresh.
    list = {root};
    graph.collapseInstances(list);
    EXPECT_EQ(root->getVisibleInstances().size(), 1u);

    // An object without an effect takes the light later; every object with one takes it, not
    // only the list's first.
    const uint32_t stamp = graph.getLightStamp();
    list = {single, root};
    graph.applySunLight(list);
    EXPECT_NE(single->getLightStamp(), stamp);
    Effect effect(false);
    Effect other(false);
    single->setEffectForTest(&effect);
    graph.applySunLight(list);
    EXPECT_EQ(single->getLightStamp(), stamp);
    EXPECT_NE(root->getLightStamp(), stamp); // no effect yet
    root->setEffectForTest(&other);
    graph.getSunLightSystem().setTime(12, 0, 0);
    EXPECT_EQ(graph.getLightStamp(), stamp + 1);
    graph.applySunLight(list);
    EXPECT_EQ(single->getLightStamp(), stamp + 1);
    EXPECT_EQ(root->getLightStamp(), stamp + 1);
    single->setEffectForTest(nullptr);
    root->setEffectForTest(nullptr);

    clone->Release();
    root->Release();
    single->Release();
}

TEST(SceneGraphTest, ConsoleCommandsOfTheRunningEngine)
{
    LogCapture logs;
    UlvoEngine* engine = UlvoEngine::getInstance();
    SceneGraph* graph = engine->getSceneGraph();
    ObjektManager* objects = engine->getObjektManager();
    ASSERT_NE(graph, nullptr);
    ASSERT_NE(objects, nullptr);
    objects->add(makeObjekt(L"Haus", D3DXVECTOR3(0, 0, 10)), true);
    objects->add(makeObjekt(L"Turm", D3DXVECTOR3(0, 2, 30)), true);
    objects->add(makeObjekt(L"Hof", D3DXVECTOR3(0, 0, 0)), true);

    EXPECT_EQ(run(L"SG_addObject Haus"), L"Objekt hinzugef\u00FCgt!");
    EXPECT_EQ(run(L"SG_addObject Haus"), L"Objekt hinzugef\u00FCgt!"); // still one entry
    EXPECT_EQ(run(L"sg_addobject Turm"), L"Objekt hinzugef\u00FCgt!");
    EXPECT_EQ(run(L"SG_addObject Hof"), L"Objekt hinzugef\u00FCgt!");
    EXPECT_EQ(run(L"SG_addObject Keller"), L"Objekt nicht gefunden!");
    EXPECT_EQ(graph->getRoot().getOwnCount(), 3);

    CameraManager* cameras = CameraManager::getInstance();
    auto* camera = new LookAtCamera(L"Konsole");
    cameras->addCamera(camera);
    camera->Release();
    camera->setEyePosition(D3DXVECTOR3(0, 0, -10));
    EXPECT_EQ(run(L"SG_getVisibleObjectNames Anderswo"), L"Camera nicht gefunden");
    EXPECT_EQ(run(L"SG_getVisibleObjectNames NULL"), L"Camera nicht gefunden"); // none active
    EXPECT_EQ(run(L"SG_getVisibleObjectNames Konsole"),
              L"Turm Pos: 0 2 30\nHaus Pos: 0 0 10\nHof Pos: 0 0 0\n"); // farthest first
    cameras->setActiveCamera(camera);
    camera->setEyePosition(D3DXVECTOR3(0, 0, 40));
    EXPECT_EQ(run(L"SG_getVisibleObjectNames NULL"), L"Hof Pos: 0 0 0\nHaus Pos: 0 0 10\nTurm Pos: 0 2 30\n");
    // The whole graph with the distances the objects hold.
    EXPECT_EQ(run(L"SG_getAllObjectNames"), L"Hof Pos: 0 0 0\nHaus Pos: 0 0 10\nTurm Pos: 0 2 30\n");

    std::vector<std::wstring> candidates;
    TypedConsoleCommand typed(L"SG_removeObject H");
    ConsoleDispatcher::getInstance()->complete(typed, candidates);
    EXPECT_EQ(candidates, (Names{L"SG_removeObject Haus", L"SG_removeObject Hof"}));

    EXPECT_EQ(run(L"SG_removeObject Haus"), L"Objekt entfernt!");
    EXPECT_EQ(run(L"SG_removeObject"), L"SG_removeObject Objektname; entfernt das Objekt vom Rendering");
    EXPECT_EQ(graph->getRoot().getOwnCount(), 2);
    objects->clear(); // destroyed: they leave the graph
    EXPECT_EQ(graph->getRoot().getOwnCount(), 0);
    cameras->removeCamera(camera);
}
