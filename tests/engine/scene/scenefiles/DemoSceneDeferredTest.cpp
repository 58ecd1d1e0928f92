// The shipped demo scene through the deferred renderer of the running engine (the game's render
// configuration, deferred switched on by the console): the terrain, road, forest and water reach
// the G-buffer with their own permutations, the sun with split shadows and two point lights light
// it, and the composed frame and the G-buffer's colour are compared with golden images.
#include <crt.h>

#include "DemoSceneSupport.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace Ulvo;
using GraphicsTesting::Image;
using namespace DemoSceneTesting;

TEST(DemoSceneDeferredTest, TheDemoSceneReachesTheGBufferAndIsLitByTheSunAndTwoPointLights)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    UlvoEngine* engine = UlvoEngine::getInstance();
    ObjektManager* objects = engine->getObjektManager();
    SceneGraph* graph = engine->getSceneGraph();
    RenderManager* manager = engine->getRenderManager();
    ASSERT_TRUE(objects && graph && manager);
    OwnSplines own(*objects);
    crt_srand(1);
    ASSERT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");

    // The game's configuration: deferred off until the console asks, the sun with two split
    // shadow maps and the lantern as its lights.
    EffectManager* effects = EffectManager::getInstance();
    if (!effects->getEffect(L"DeferredCompose")) {
        XMLNode engineEffects;
        ASSERT_TRUE(XMLNode::load(&engineEffects, L"data\\FX\\effecte.fxf", 0));
        effects->load(&engineEffects);
    }
    XMLNode config;
    ASSERT_TRUE(XMLNode::load(&config, L"data\\FX\\renderpass.rp", 0));
    if (manager->getPostEffects().empty())
        manager->load(&config);
    ASSERT_NE(manager->getRenderPass(L"DEF_GBUFFER"), nullptr) << logs.text();
    auto* deferred = static_cast<DeferredRenderer*>(manager->getDeferredRenderer());
    ASSERT_NE(deferred, nullptr);
    if (!deferred->getSphereMesh())
        deferred->loadConfig(*config.getNode(L"DEFERRED_RENDERING"));
    EXPECT_FALSE(deferred->isEnabled());
    SceneGraph* previousGraph = manager->getSceneGraph();
    manager->setSceneGraph(graph);
    manager->setShadowQuality(QUALITY_LOW);
    manager->setRenderTargetSize(kW, kH);
    RenderTesting::sunAllDay(*graph, L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF606068",
                             L"SKY_MAP=\"SKY\" BACKGROUND_MAP=\"SKY_BACKGROUND\" ENVIRONMENT_MAP=\"SKY_ENVIRONMENT\"");
    ASSERT_EQ(run(L"RP_DEF 1"), L"gesetzt");
    ASSERT_TRUE(deferred->isEnabled()) << logs.text();
    // A blue light low over the meadow in front of the house.
    ASSERT_EQ(run(L"RP_DEF_addPointLight Blau FF4060FF 0 1 -6 4 1"), L"erstellt");
    EXPECT_EQ(deferred->getLights().size(), 3u);

    LookAtCamera camera(L"Demo");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 200.0);
    camera.setEyePosition(D3DXVECTOR3(0, 15, -30));
    camera.setLookAt(D3DXVECTOR3(0, 3, 0));
    const Image image = frame(D3DInterface::getInstance()->getDevice(), *manager, camera);
    EXPECT_EQ(deferred->getSplitShadowCount(), 2u);

    std::filesystem::create_directories(logs.folder() / "dumps");
    EXPECT_EQ(run(L"RP_DEF_SaveAll dumps"), L"gespeichert!");
    Image colour;
    ASSERT_TRUE(TestSupport::readPng((logs.folder() / "dumps" / "m_color_tex.png").string(), colour));
    for (DWORD& pixel : colour.pixels)
        pixel |= 0xFF000000u;
    // The meadow (terrain) in the G-buffer's colour: green, where the forward picture has grass.
    const POINT meadow = RenderTesting::pixelOf(camera, D3DXVECTOR3(0, 0, -6), kW, kH);
    const DWORD grass = colour.at(meadow.x, meadow.y);
    EXPECT_GT((grass >> 8) & 0xFF, (grass >> 16) & 0xFF) << TestSupport::hex(grass);
    EXPECT_GT((grass >> 8) & 0xFF, grass & 0xFF) << TestSupport::hex(grass);
    // The pond (listed in the G-buffer pass) in its water colour 0.15 0.35 0.55.
    const POINT pond = RenderTesting::pixelOf(camera, D3DXVECTOR3(5, 0.05f, -2.5f), kW, kH);
    EXPECT_TRUE(TestSupport::near(colour.at(pond.x, pond.y), 0xFF26598Cu, 2))
        << TestSupport::hex(colour.at(pond.x, pond.y));
    // The composed meadow straight under the blue light (1 over it, radius 4: three quarters of its
    // colour) is its albedo times the gathered light: the configured sun (FFC0B8A8 from
    // -0.4 -1 0.5) on the upward normal, its ambient FF202028 and the blue light; green and blue
    // gather more than 1 and keep the albedo.
    const float ndl = 1.0f / std::sqrt(0.16f + 1.0f + 0.25f);
    const float sun[3] = {0xC0 / 255.0f, 0xB8 / 255.0f, 0xA8 / 255.0f};
    const float ambient[3] = {0x20 / 255.0f, 0x20 / 255.0f, 0x28 / 255.0f};
    const float blue[3] = {0x40 / 255.0f, 0x60 / 255.0f, 0xFF / 255.0f};
    const DWORD lit = image.at(meadow.x, meadow.y);
    for (int i = 0; i < 3; ++i) {
        const int shift = 16 - 8 * i;
        const float light = std::min(1.0f, sun[i] * ndl + ambient[i] + blue[i] * 0.75f);
        const long expected = std::lround(((grass >> shift) & 0xFF) * light);
        EXPECT_NEAR(static_cast<long>((lit >> shift) & 0xFF), expected, 2)
            << "channel " << i << " of " << TestSupport::hex(lit) << " over " << TestSupport::hex(grass);
    }
    // The hills behind the meadow (the band of rows they fill) take the sun as the meadow does:
    // the composed picture keeps most of their colour, not the ambient share alone.
    long gathered = 0;
    long albedo = 0;
    for (UINT y = kH / 5; y < kH * 2 / 5; ++y) {
        for (UINT x = 0; x < kW; ++x) {
            gathered += TestSupport::channel(image.at(x, y), 8);
            albedo += TestSupport::channel(colour.at(x, y), 8);
        }
    }
    EXPECT_GT(gathered * 10, albedo * 6) << gathered << " of " << albedo;
    const std::filesystem::path golden = TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden";
    EXPECT_TRUE(TestSupport::matchesGolden(image, golden, "demo_scene_deferred"));
    EXPECT_TRUE(TestSupport::matchesGolden(colour, golden, "demo_scene_deferred_color"));

    EXPECT_EQ(run(L"RP_DEF_removeLight Blau"), L"gelöscht!");
    EXPECT_EQ(run(L"RP_DEF 0"), L"gesetzt");
    manager->setSceneGraph(previousGraph);
    manager->setRenderTargetSize(0xFFFFFFFFu, 0xFFFFFFFFu);
}
