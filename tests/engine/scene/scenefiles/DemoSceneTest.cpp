// The shipped demo scene as a user loads it: OBJ_LoadFile through the console into the running
// engine's object manager and scene graph (which loads the scene objects' effects on the way),
// the objects it gives checked by kind and place, and a frame of it drawn by a render manager with
// the demo scene's render configuration.
#include <crt.h>

#include "DemoSceneSupport.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/HeightMap.h"
#include "scene/arrangements/PlacementSources.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/objects/animesh/AnimatedMeshObjekt.h"
#include "scene/objects/sun/SunObjekt.h"
#include "scene/objects/water/WaterObjekt.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;
using namespace DemoSceneTesting;

// A render configuration of one plain scene pass, as the game runs before a scene brings its own.
const wchar_t* const kPlainScene = L"<RENDERCONFIG><RENDERPASS NAME=\"SZENE\" TECHNIQUE=\"T_DIFFUSE\"/>"
                                   L"<FORWARD_RENDERING CLEAR_COLOR=\"FF000000\" ENABLE=\"1\"/>"
                                   L"<ACTIVE_RENDERPASSES>\"|SZENE|\"</ACTIVE_RENDERPASSES></RENDERCONFIG>";

TEST(DemoSceneTest, TheConsoleLoadsTheDemoSceneIntoTheEngineAndTheRenderManagerDrawsIt)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    UlvoEngine* engine = UlvoEngine::getInstance();
    ObjektManager* objects = engine->getObjektManager();
    SceneGraph* graph = engine->getSceneGraph();
    ASSERT_NE(objects, nullptr);
    ASSERT_NE(graph, nullptr);

    // The file's path goes into a spline manager of the test's own, so no spline of it outlives
    // the test in the engine's manager (whose console completion other tests see).
    OwnSplines own(*objects);

    // Eleven objects of the file (the meadow's eight, terrain, road, forest); the arrangements'
    // copies: nine stones along the path, two crates, three stumps at random, four stumps on
    // flat ground of the hills, three crates at tree places.
    // The random arrangement draws from the game's generator: the same start every run.
    crt_srand(1);
    EXPECT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    EffectManager* effects = EffectManager::getInstance();
    for (const wchar_t* bundle : {L"Material", L"Wasser", L"Himmel", L"Terrain", L"Strasse", L"Baum"})
        EXPECT_NE(effects->getEffectBundle(bundle), nullptr) << "the scene file brought its effects";
    const std::vector<BaseObjekt*> loaded = objects->getLastLoaded();
    ASSERT_EQ(loaded.size(), 32u);
    auto* terrain = dynamic_cast<HeightMap*>(objects->find(L"Gelaende"));
    ASSERT_NE(terrain, nullptr);
    EXPECT_NE(objects->find(L"Strasse"), nullptr);
    EXPECT_NE(objects->find(L"Wald"), nullptr);
    std::map<std::wstring, int> copies;
    for (BaseObjekt* object : loaded) {
        const std::wstring& name = object->getName();
        const std::size_t at = name.find(L"_INSTANZ_");
        if (at != std::wstring::npos)
            ++copies[name.substr(0, at)];
    }
    EXPECT_EQ(copies[L"Demo_Wegstein"], 9);
    EXPECT_EQ(copies[L"Demo_Kiste"], 2 + 3);
    EXPECT_EQ(copies[L"Demo_Baumstumpf"], 3 + 4);
    // No copy stands in the pond (the ground mesh spans 20 units, scaled).
    const BaseObjekt* pond = objects->find(L"Demo_Teich");
    ASSERT_NE(pond, nullptr);
    for (BaseObjekt* object : loaded) {
        const D3DXVECTOR3 p = object->getBasePosition() - pond->getBasePosition();
        if (object->getName().find(L"_INSTANZ_") != std::wstring::npos) {
            EXPECT_FALSE(std::fabs(p.x) < 10.0f * pond->getScale().x + 0.5f &&
                         std::fabs(p.z) < 10.0f * pond->getScale().z + 0.5f)
                << std::string(object->getName().begin(), object->getName().end()) << " in the pond";
        }
    }
    for (BaseObjekt* object : loaded) {
        const D3DXVECTOR3 p = object->getBasePosition();
        const D3DXVECTOR3 s = object->getScale();
        EXPECT_TRUE(std::isfinite(p.x + p.y + p.z + s.x + s.y + s.z))
            << std::string(object->getName().begin(), object->getName().end()) << " " << p.x << " " << p.y << " " << p.z
            << " / " << s.x << " " << s.y << " " << s.z;
    }
    EXPECT_NE(dynamic_cast<SunObjekt*>(objects->find(L"Demo_Himmel")), nullptr);
    EXPECT_NE(dynamic_cast<WaterObjekt*>(objects->find(L"Demo_Teich")), nullptr);
    EXPECT_NE(dynamic_cast<AnimatedMeshObjekt*>(objects->find(L"Demo_Muehle")), nullptr);
    ASSERT_NE(objects->find(L"Demo_Haus"), nullptr);
    EXPECT_EQ(objects->find(L"Demo_Haus")->getPosition(), D3DXVECTOR3(-6.5f, 0, 2));
    EXPECT_EQ(objects->find(L"Demo_Teich")->getScale(), D3DXVECTOR3(0.3f, 1, 0.25f));
    for (BaseObjekt* object : loaded)
        EXPECT_EQ(object->getSceneGraph(), graph);
    // The path the arrangement lays its stones along.
    EXPECT_NE(own.splines.getSpline(L"Weg"), nullptr);

    std::unique_ptr<RenderManager> manager = sceneManager(graph, L"data\\FX\\demoscene.rp", true);
    ASSERT_NE(manager, nullptr);
    // The scene brought its own sun and sky, at noon.
    EXPECT_NE(graph->getSunLightSystem().getSkyMap(), nullptr);
    EXPECT_EQ(graph->getSunLightSystem().getDayFraction(), 0.5);
    LookAtCamera camera(L"Demo");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 200.0);
    camera.setEyePosition(D3DXVECTOR3(0, 15, -30));
    camera.setLookAt(D3DXVECTOR3(0, 3, 0));
    const Image image = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);
    for (BaseObjekt* object : loaded)
        EXPECT_NE(object->getEffect(), nullptr) << "drawn with an effect of its bundle";

    // Sky above the meadow's far edge, grass in front, and the house's walls apart from both.
    const D3DCOLOR sky = image.at(kW / 2, 2);
    const POINT meadow = RenderTesting::pixelOf(camera, D3DXVECTOR3(0, 0, -6), kW, kH);
    const POINT wall = RenderTesting::pixelOf(camera, D3DXVECTOR3(-6.5f, 1, 0.6f), kW, kH);
    const D3DCOLOR grass = image.at(meadow.x, meadow.y);
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF) << "blue sky " << TestSupport::hex(sky);
    EXPECT_GT((grass >> 8) & 0xFF, grass & 0xFF) << "green grass " << TestSupport::hex(grass);
    EXPECT_NE(image.at(wall.x, wall.y), grass);
    // The arrangement's stones lie on the path, light on the grass.
    int stones = 0;
    for (BaseObjekt* object : loaded) {
        if (object->getName().rfind(L"Demo_Wegstein_INSTANZ_", 0) != 0)
            continue;
        ++stones;
        EXPECT_EQ(object->getInstanceGroup(), objects->find(L"Demo_Wegstein"));
        const POINT at = RenderTesting::pixelOf(camera, object->getBasePosition(), kW, kH);
        if (stones == 2) {
            EXPECT_GT(image.at(at.x, at.y) & 0xFF, 0xA0u) << "a light stone " << TestSupport::hex(image.at(at.x, at.y));
        }
    }
    EXPECT_EQ(stones, 9);
    // The terrain's layers where the test knows its ground: grid points in view and clear of the
    // forest, snow-white on flat tops, green on flat ground just above the meadow. A tree or the
    // road may cover some, so most of them must show their colour.
    std::vector<TreePlace> trees;
    if (auto* forest = dynamic_cast<TreePlaceSource*>(objects->find(L"Wald")))
        forest->collectTreePlaces(trees);
    EXPECT_EQ(trees.size(), 60u);
    auto nearTree = [&](const D3DXVECTOR3& p) {
        return std::any_of(trees.begin(), trees.end(), [&](const TreePlace& tree) {
            const float dx = tree.position.x - p.x;
            const float dz = tree.position.z - p.z;
            return dx * dx + dz * dz < 9.0f;
        });
    };
    auto share = [&](auto wanted, auto colour) {
        int seen = 0;
        int right = 0;
        for (int j = 2; j < 40; ++j) {
            for (int i = 2; i < 40; ++i) {
                const D3DXVECTOR2 uv(i / 41.0f, j / 41.0f);
                D3DXVECTOR3 p;
                D3DXVECTOR3 n;
                terrain->getPositionUV(&p, uv);
                terrain->getNormalUV(&n, uv, true);
                if (!wanted(p, n) || nearTree(p))
                    continue;
                const POINT px = RenderTesting::pixelOf(camera, p, kW, kH);
                if (px.x < 0 || px.y < 0 || px.x >= LONG(kW) || px.y >= LONG(kH))
                    continue;
                ++seen;
                right += colour(image.at(px.x, px.y)) ? 1 : 0;
            }
        }
        return std::pair{seen, right};
    };
    auto channel = [](D3DCOLOR c, int shift) { return (c >> shift) & 0xFF; };
    const auto [snowSeen, snowWhite] =
        share([](const D3DXVECTOR3& p, const D3DXVECTOR3& n) { return p.y > 6 && n.y > 0.8f; },
              [&](D3DCOLOR c) { return channel(c, 0) > 0xB0 && channel(c, 8) > 0xB0 && channel(c, 16) > 0xB0; });
    EXPECT_GE(snowSeen, 8);
    EXPECT_GT(snowWhite * 2, snowSeen) << snowWhite << " of " << snowSeen << " snow points white";
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                           "demo_scene"));
    CameraManager::getInstance()->setRenderManager(nullptr);
    manager.reset();
    objects->clear();
    EXPECT_EQ(graph->getRoot().getOwnCount(), 0);
}

TEST(DemoSceneTest, TheClipmapSceneBringsTheClipmapsBundle)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    ObjektManager* objects = UlvoEngine::getInstance()->getObjektManager();
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(run(L"OBJ_LoadFile data\\Szenen\\clipmap.xml"), L"2 Objekte geladen");
    EXPECT_NE(EffectManager::getInstance()->getEffectBundle(L"Clipmap"), nullptr);
    ASSERT_NE(objects->find(L"Clipmap_Gelaende"), nullptr);
    EXPECT_NE(objects->find(L"Clipmap_Gelaende")->getEffect(), nullptr);
    // The README loads it after the demo scene, whose shadow pass stays: the bundle has no shadowed
    // permutation, so as a receiver the hills would draw with the light-depth one, white.
    EXPECT_FALSE(objects->find(L"Clipmap_Gelaende")->isInRenderPass({L"SCHATTEN", L"RECEIVE"}));
    EXPECT_FALSE(objects->find(L"Clipmap_Gelaende")->isInRenderPass({L"SCHATTEN", L"CAST"}));
    EXPECT_EQ(logs.text().find("could not be read"), std::string::npos);
    objects->clear();
}

// The engine's update steps move the loaded scene by the game clock: the windmill turns, with no
// draw needed.
TEST(DemoSceneTest, TheEnginesUpdateStepsTurnTheWindmillByTheGameClock)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    ObjektManager* objects = UlvoEngine::getInstance()->getObjektManager();
    ASSERT_NE(objects, nullptr);
    OwnSplines own(*objects);
    crt_srand(1);
    ASSERT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    auto* mill = dynamic_cast<AnimatedMeshObjekt*>(objects->find(L"Demo_Muehle"));
    ASSERT_NE(mill, nullptr);
    const double start = mill->getAnimationTime();
    {
        SceneTesting::ScopedFrameTime clock(0.25);
        UlvoEngine::getInstance()->onUpdate.emit();
        UlvoEngine::getInstance()->onUpdate.emit();
    }
    EXPECT_DOUBLE_EQ(mill->getAnimationTime(), start + 0.5);
}

// The scene file brings its shadow pass into the render manager the game already runs (a plain
// scene pass), and at noon the house throws its shadow onto the meadow.
TEST(DemoSceneTest, TheDemoSceneBringsItsShadowPassAndTheHouseShadowsTheMeadowAtNoon)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    UlvoEngine* engine = UlvoEngine::getInstance();
    ObjektManager* objects = engine->getObjektManager();
    SceneGraph* graph = engine->getSceneGraph();
    ASSERT_NE(objects, nullptr);
    OwnSplines own(*objects);

    std::unique_ptr<RenderManager> manager = sceneManager(graph, kPlainScene, false);
    ASSERT_NE(manager, nullptr);
    crt_srand(1);
    EXPECT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    ASSERT_NE(manager->getRenderPass(L"SCHATTEN"), nullptr);
    EXPECT_EQ(graph->getSunLightSystem().getDayFraction(), 0.5);
    // The meadow would only fill the maps: it receives, it does not cast. The terrain and the
    // forest have neither a light-depth nor a shadowed technique (they would write their colours
    // into the maps and draw again unchanged per split): they stay out. The house casts.
    ASSERT_NE(objects->find(L"Demo_Wiese"), nullptr);
    EXPECT_FALSE(objects->find(L"Demo_Wiese")->isInRenderPass({L"SCHATTEN", L"CAST"}));
    EXPECT_TRUE(objects->find(L"Demo_Wiese")->isInRenderPass({L"SCHATTEN", L"RECEIVE"}));
    for (const wchar_t* name : {L"Gelaende", L"Wald"}) {
        ASSERT_NE(objects->find(name), nullptr);
        EXPECT_FALSE(objects->find(name)->isInRenderPass({L"SCHATTEN", L"CAST"})) << name;
        EXPECT_FALSE(objects->find(name)->isInRenderPass({L"SCHATTEN", L"RECEIVE"})) << name;
    }
    EXPECT_TRUE(objects->find(L"Demo_Haus")->isInRenderPass({L"SCHATTEN", L"CAST"}));
    // The shadow pass draws its receivers itself, so they stay out of the scene pass: drawn there
    // too, each of their pixels would be shaded twice.
    for (const wchar_t* name : {L"Demo_Wiese", L"Demo_Haus", L"Demo_Muehle"}) {
        ASSERT_NE(objects->find(name), nullptr);
        EXPECT_FALSE(objects->find(name)->isInRenderPass({L"SZENE"})) << name;
        EXPECT_TRUE(objects->find(name)->isInRenderPass({L"SCHATTEN"})) << name;
    }

    LookAtCamera camera(L"Demo");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 200.0);
    camera.setEyePosition(D3DXVECTOR3(2, 9, -12));
    camera.setLookAt(D3DXVECTOR3(-5, 0, 1));
    const Image image = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);

    // The same view with the shadows switched off: the pixels the shadow darkens by a quarter or
    // more are many, and they lie round the house's foot (its box on the screen, widened).
    manager->setShadowQuality(QUALITY_NONE);
    const Image plain = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);
    // Without shadows the pass still draws its receivers: the open meadow stays green.
    const POINT meadow = RenderTesting::pixelOf(camera, D3DXVECTOR3(-1, 0, 2), kW, kH);
    ASSERT_TRUE(meadow.x >= 0 && meadow.y >= 0 && meadow.x < LONG(kW) && meadow.y < LONG(kH));
    const D3DCOLOR grass = plain.at(UINT(meadow.x), UINT(meadow.y));
    EXPECT_GT(TestSupport::channel(grass, 8), TestSupport::channel(grass, 16) + 40) << TestSupport::hex(grass);
    EXPECT_GT(TestSupport::channel(grass, 8), TestSupport::channel(grass, 0) + 40) << TestSupport::hex(grass);
    BaseObjekt* house = objects->find(L"Demo_Haus");
    ASSERT_NE(house, nullptr);
    D3DXVECTOR3 corners[8];
    house->getBoundingBox().getCorners(corners);
    LONG left = LONG(kW), right = 0, top = LONG(kH), bottom = 0;
    for (const D3DXVECTOR3& corner : corners) {
        const POINT p = RenderTesting::pixelOf(camera, corner, kW, kH);
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    auto brightness = [](D3DCOLOR c) { return int(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)); };
    int darker = 0;
    int nearHouse = 0;
    for (UINT y = 0; y < kH; ++y) {
        for (UINT x = 0; x < kW; ++x) {
            if (brightness(image.at(x, y)) * 4 >= brightness(plain.at(x, y)) * 3)
                continue;
            ++darker;
            if (LONG(x) >= left - 10 && LONG(x) <= right + 10 && LONG(y) >= top && LONG(y) <= bottom + 10)
                ++nearHouse;
        }
    }
    EXPECT_GT(darker, 200) << "shadowed pixels";
    EXPECT_GT(nearHouse * 2, darker) << nearHouse << " of " << darker << " round the house";
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                           "demo_scene_noon_shadow"));
    CameraManager::getInstance()->setRenderManager(nullptr);
    manager.reset();
}

// Seen low over the pond, the water pass mirrors the house standing beyond it and the sky; with
// the water quality off the pond is its plain colour.
TEST(DemoSceneTest, ThePondMirrorsTheHouseAndTheSky)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    UlvoEngine* engine = UlvoEngine::getInstance();
    ObjektManager* objects = engine->getObjektManager();
    SceneGraph* graph = engine->getSceneGraph();
    ASSERT_NE(objects, nullptr);
    OwnSplines own(*objects);
    std::unique_ptr<RenderManager> manager = sceneManager(graph, kPlainScene, false);
    ASSERT_NE(manager, nullptr);
    crt_srand(1);
    ASSERT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    ASSERT_NE(manager->getRenderPass(L"WASSER"), nullptr);

    LookAtCamera camera(L"Demo");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 200.0);
    camera.setEyePosition(D3DXVECTOR3(11, 0.6f, -4));
    camera.setLookAt(D3DXVECTOR3(-6.5f, 0.5f, 2));
    manager->setWaterQuality(QUALITY_LOW);
    const Image image = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);
    manager->setWaterQuality(QUALITY_NONE);
    const Image plain = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);
    auto difference = [](D3DCOLOR a, D3DCOLOR b) {
        int sum = 0;
        for (int shift : {0, 8, 16})
            sum += std::abs(TestSupport::channel(a, shift) - TestSupport::channel(b, shift));
        return sum;
    };
    // The house's wall mirrored in the water plane shows in the pond, not the water's colour.
    const BaseObjekt* pond = objects->find(L"Demo_Teich");
    ASSERT_NE(pond, nullptr);
    const float mirror = 2.0f * pond->getPosition().y;
    const POINT wall = RenderTesting::pixelOf(camera, D3DXVECTOR3(-6.5f, mirror - 1.0f, 2), kW, kH);
    ASSERT_TRUE(wall.x >= 0 && wall.y >= 0 && wall.x < LONG(kW) && wall.y < LONG(kH)) << wall.x << " " << wall.y;
    const D3DCOLOR plainWall = plain.at(UINT(wall.x), UINT(wall.y));
    EXPECT_GT(TestSupport::channel(plainWall, 0), TestSupport::channel(plainWall, 8)) << "the plain pond there";
    EXPECT_GT(difference(image.at(UINT(wall.x), UINT(wall.y)), plainWall), 60)
        << TestSupport::hex(image.at(UINT(wall.x), UINT(wall.y))) << " over " << TestSupport::hex(plainWall);
    // All over the pond (its plain colour in the plain picture) the mirrored sky, house and hills
    // change it.
    const POINT middle = RenderTesting::pixelOf(camera, pond->getPosition(), kW, kH);
    const D3DCOLOR plainWater = plain.at(UINT(middle.x), UINT(middle.y));
    int water = 0;
    int mirrored = 0;
    for (UINT y = 0; y < kH; ++y) {
        for (UINT x = 0; x < kW; ++x) {
            const D3DCOLOR c = plain.at(x, y);
            if (difference(c, plainWater) > 12)
                continue;
            ++water;
            mirrored += difference(image.at(x, y), c) > 40 ? 1 : 0;
        }
    }
    EXPECT_GT(water, 1000);
    EXPECT_GT(mirrored * 4, water * 3) << mirrored << " of " << water;
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                           "demo_pond_mirrors_house"));
    CameraManager::getInstance()->setRenderManager(nullptr);
    manager.reset();
}
