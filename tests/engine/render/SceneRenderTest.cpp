// A frame of scene objects on the real device: boxes drawn by a render pass through an effect
// bundle, seen by a look-at camera, culled by its frustum, filtered by their render passes, drawn in the scene
// graph's render order and lit by the sun; and the effect each render technique selects.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/BoxObjekt.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "render/RenderTechnique.h"
#include "render/cameras/LookAtCamera.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

using RenderTesting::BoxObjekt;

class SceneRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(RenderTesting::loadTestBoxEffect(TestSupport::sourceDir(), m_logs.folder()));
        ASSERT_NE(EffectManager::getInstance()->getEffectBundle(L"TestBox"), nullptr);
    }

    // baseData: the attributes and children of BASE_DATA after its EFFECT.
    BoxObjekt* box(const std::wstring& name, const std::wstring& baseData, const std::wstring& effect = L"TestBox")
    {
        BoxObjekt* object = RenderTesting::makeBox(name, baseData, effect);
        m_objects.push_back(object);
        return object;
    }

    void TearDown() override
    {
        for (BoxObjekt* object : m_objects)
            object->Release();
    }

    // The main pass: its render list, each object's camera step, the drawable ones collapsed
    // into instance groups and sorted, the sun's light, then each object through its effect with
    // blending for the transparent ones.
    void drawFrame(SceneGraph& graph, Camera& camera)
    {
        RenderPass pass(L"Render", T_DIFFUSE, 0, nullptr);
        pass.setSceneGraph(&graph);
        pass.addRef();
        pass.render(&camera);
        pass.release();
    }

    LogCapture m_logs; // also the working folder
    IDirect3DDevice9* m_device = nullptr;
    std::vector<BoxObjekt*> m_objects;
};

// The pixel a world point falls on.
POINT pixelOf(const Camera& camera, const D3DXVECTOR3& point, UINT width, UINT height)
{
    const D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &point, &viewport, &camera.getProjectionMatrix(), &camera.getViewMatrix(), nullptr);
    return POINT{static_cast<LONG>(screen.x), static_cast<LONG>(screen.y)};
}

DWORD argb(float a, float r, float g, float b)
{
    auto byte = [](float c) { return static_cast<DWORD>(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

} // namespace

TEST_F(SceneRenderTest, BoxesCulledFilteredSortedAndLitBySun)
{
    SceneGraph graph;
    for (BoxObjekt* object :
         {box(L"Gelb", L"ALPHA=\"0.5\" MASK_COLOR=\"FFFFFF00\"><RENDERPASSES DEFAULT=\"1\"/>"),
          box(L"Rot", L"MASK_COLOR=\"FF800000\"><RENDERPASSES DEFAULT=\"1\"/>"
                      L"<POSITION X=\"-2.5\"/><SCALE X=\"1.5\" Y=\"1.5\" Z=\"1.5\"/>"),
          box(L"Fern", L"MASK_COLOR=\"FFFFFFFF\"><RENDERPASSES DEFAULT=\"1\"/><POSITION Z=\"-50\"/>"),
          box(L"Blau", L"ALPHA=\"0.5\" MASK_COLOR=\"FF0000FF\"><RENDERPASSES DEFAULT=\"1\"/><POSITION Z=\"3\"/>"
                       L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/>"),
          box(L"Versteckt", L"MASK_COLOR=\"FFFFFFFF\"><RENDERPASSES DEFAULT=\"1\"><Render ENABLED=\"0\"/>"
                            L"</RENDERPASSES>"),
          box(L"Gruen", L"MASK_COLOR=\"FF008000\"><RENDERPASSES DEFAULT=\"1\"/>"
                        L"<POSITION X=\"2.5\"/><SCALE X=\"1.5\" Y=\"1.5\" Z=\"1.5\"/>")})
        graph.addObject(object, true);
    // 6:00: the morning's values, light from the front left: (-1, 0, -1) normalised.
    graph.getSunLightSystem().setTime(6, 0, 0);

    LookAtCamera camera(L"Szene");
    camera.setAspect(4.0f / 3.0f);
    camera.setFovAspect(45.0, 0.0);
    camera.setEyePosition(D3DXVECTOR3(0, 0, -10));
    camera.setLookAt(D3DXVECTOR3(0, 0, 0));

    const UINT width = 160, height = 120;
    GraphicsTesting::ScopedTarget target(m_device, width, height);
    ASSERT_TRUE(target.ok());
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    ASSERT_EQ(m_device->CreateDepthStencilSurface(width, height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth,
                                                  nullptr),
              D3D_OK);
    m_device->GetDepthStencilSurface(&previousDepth);
    m_device->SetDepthStencilSurface(depth);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    m_device->BeginScene();
    BoxObjekt::drawn.clear();
    BoxObjekt::culled.clear();
    drawFrame(graph, camera);
    m_device->EndScene();
    const Image image = target.read();
    m_device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    depth->Release();

    // Opaque first (one effect), then the transparent ones from far to near; the hidden one never
    // enters the list, the one behind the camera is culled by its frustum.
    ASSERT_EQ(BoxObjekt::drawn.size(), 4u);
    EXPECT_EQ(std::vector<std::wstring>(BoxObjekt::drawn.begin() + 2, BoxObjekt::drawn.end()),
              (std::vector<std::wstring>{L"Blau", L"Gelb"}));
    EXPECT_EQ(BoxObjekt::culled, std::vector<std::wstring>{L"Fern"});

    // Front faces (normal -z) see the light at 45 degrees: mask x (ambient 0.4 + diffuse x 0.7071).
    const float lit = 0.70710678f;
    const float half = 128.0f / 255.0f, clear = 32.0f / 255.0f;
    const POINT red = pixelOf(camera, D3DXVECTOR3(-2.5f, 0, -0.75f), width, height);
    EXPECT_PIXEL(image, red.x, red.y, argb(1, half * (0.4f + lit), 0, 0));
    const POINT green = pixelOf(camera, D3DXVECTOR3(2.5f, 0, -0.75f), width, height);
    EXPECT_PIXEL(image, green.x, green.y, argb(1, 0, half * (0.4f + 0.8353f * lit), 0));
    // Yellow over blue over the background, each at alpha 0.5 (alpha blended like the colours):
    // right only when blue came first, since yellow's depth would otherwise hide blue.
    auto over = [](const D3DXCOLOR& source, const D3DXCOLOR& below) {
        return source * source.a + below * (1.0f - source.a);
    };
    const D3DXCOLOR background(clear, clear, clear, 1.0f);
    const D3DXCOLOR blue(0, 0, 0.4f + 0.4392f * lit, 0.5f);
    const D3DXCOLOR yellow(1.0f, std::min(1.0f, 0.4f + 0.8353f * lit), 0, 0.5f);
    D3DXCOLOR expected = over(yellow, over(blue, background));
    expected.a = 0.5f * 0.5f + over(blue, background).a * 0.5f;
    const POINT centre = pixelOf(camera, D3DXVECTOR3(0, 0, -0.5f), width, height);
    EXPECT_PIXEL(image, centre.x, centre.y, argb(expected.a, expected.r, expected.g, expected.b));
    // The background around them is untouched.
    EXPECT_PIXEL(image, 2, 2, 0xFF202020);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "render" / "golden",
                                           "scene_boxes_sun_morning"));
}

TEST_F(SceneRenderTest, RenderTechniqueSelectsTheBundlesEffectByName)
{
    BoxObjekt* object = box(L"Wechsel", L">");
    EffectBundle* bundle = EffectManager::getInstance()->getEffectBundle(L"TestBox");
    EXPECT_EQ(object->getEffect(), bundle->getEffect(L"Render"));
    EXPECT_EQ(object->getRenderMode(), T_DIFFUSE);

    object->selectRenderEffect(T_DEPTH, 0);
    EXPECT_EQ(object->getEffect(), bundle->getEffect(L"RenderDepth"));
    object->selectRenderEffect(T_SHADOW, 2);
    EXPECT_EQ(object->getEffect(), bundle->getEffect(L"RenderShadowMED"));
    // A technique the bundle lacks keeps the effect; an unknown one changes nothing at all.
    object->selectRenderEffect(T_SHADOW, 1);
    EXPECT_EQ(object->getEffect(), bundle->getEffect(L"RenderShadowMED"));
    EXPECT_EQ(object->getRenderMode(), T_SHADOW);
    object->selectRenderEffect(12, 0);
    EXPECT_EQ(object->getRenderMode(), T_SHADOW);
    object->selectRenderEffect(T_DEFERRED_3RT, 0);
    EXPECT_EQ(object->getRenderMode(), T_DEFERRED_3RT);
    object->selectRenderEffect(T_DIFFUSE, 0);
    EXPECT_EQ(object->getEffect(), bundle->getEffect(L"Render"));

    // An object without a bundle keeps no effect whatever the technique.
    BoxObjekt* plain = box(L"Ohne", L">", L"Keins");
    plain->selectRenderEffect(T_DIFFUSE, 0);
    EXPECT_EQ(plain->getEffect(), nullptr);
}
