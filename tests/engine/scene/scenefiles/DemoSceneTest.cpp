// The shipped demo scene as a user loads it: OBJ_LoadFile through the console into the running
// engine's object manager and scene graph (which loads the scene objects' effects on the way),
// the objects it gives checked by kind and place, and a frame of it drawn by a render manager with
// the demo scene's render configuration.
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
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/objects/animesh/AnimatedMeshObjekt.h"
#include "scene/objects/sun/SunObjekt.h"
#include "scene/objects/water/WaterObjekt.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

// The data folders the scene file and its effects come from, as the runtime folder has them.
void copyData(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    for (const char* sub : {"FX", "Szenen"}) {
        const fs::path target = folder / "data" / sub;
        fs::create_directories(target);
        for (const auto& entry : fs::directory_iterator(TestSupport::sourceDir() / "data" / sub))
            fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
}

// One frame of the manager into a target of its own with a depth buffer, read back.
Image frame(IDirect3DDevice9* device, RenderManager& manager, Camera& camera)
{
    GraphicsTesting::ScopedTarget target(device, kW, kH);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    device->CreateDepthStencilSurface(kW, kH, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
    device->GetDepthStencilSurface(&previousDepth);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    manager.render(&camera);
    Image image = target.read();
    device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    if (depth)
        depth->Release();
    return image;
}

} // namespace

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

    // Eight objects of the file and the arrangement's nine stones along the path.
    EXPECT_EQ(run(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"17 Objekte geladen");
    EffectManager* effects = EffectManager::getInstance();
    for (const wchar_t* bundle : {L"Material", L"Wasser", L"Himmel"})
        EXPECT_NE(effects->getEffectBundle(bundle), nullptr) << "the scene file brought its effects";
    const std::vector<BaseObjekt*> loaded = objects->getLastLoaded();
    ASSERT_EQ(loaded.size(), 17u);
    EXPECT_NE(dynamic_cast<SunObjekt*>(objects->find(L"Demo_Himmel")), nullptr);
    EXPECT_NE(dynamic_cast<WaterObjekt*>(objects->find(L"Demo_Teich")), nullptr);
    EXPECT_NE(dynamic_cast<AnimatedMeshObjekt*>(objects->find(L"Demo_Muehle")), nullptr);
    ASSERT_NE(objects->find(L"Demo_Haus"), nullptr);
    EXPECT_EQ(objects->find(L"Demo_Haus")->getPosition(), D3DXVECTOR3(-6.5f, 0, 2));
    EXPECT_EQ(objects->find(L"Demo_Teich")->getScale(), D3DXVECTOR3(0.3f, 1, 0.25f));
    for (BaseObjekt* object : loaded)
        EXPECT_EQ(object->getSceneGraph(), graph);
    // The path the arrangement lays its stones along.
    ASSERT_NE(engine->getSplineManager(), nullptr);
    EXPECT_NE(engine->getSplineManager()->getSpline(L"Weg"), nullptr);

    auto manager = std::make_unique<RenderManager>();
    ASSERT_NE(attachLightingRenderers(*manager), nullptr);
    XMLNode config;
    ASSERT_TRUE(XMLNode::load(&config, L"data\\FX\\demoscene.rp", 0));
    manager->load(&config);
    manager->setSceneGraph(graph);
    manager->setShadowQuality(QUALITY_LOW);
    manager->setWaterQuality(QUALITY_LOW);
    manager->setRenderTargetSize(kW, kH);
    CameraManager::getInstance()->setRenderManager(manager.get());
    RenderTesting::sunAllDay(*graph, L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF606068",
                             L"SKY_MAP=\"SKY\" BACKGROUND_MAP=\"SKY_BACKGROUND\" ENVIRONMENT_MAP=\"SKY_ENVIRONMENT\"");
    LookAtCamera camera(L"Demo");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 200.0);
    camera.setEyePosition(D3DXVECTOR3(0, 6, -15));
    camera.setLookAt(D3DXVECTOR3(0, 1, 0));
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
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                           "demo_scene"));

    CameraManager::getInstance()->setRenderManager(nullptr);
    manager.reset();
    objects->clear();
    EXPECT_EQ(graph->getRoot().getOwnCount(), 0);
}
