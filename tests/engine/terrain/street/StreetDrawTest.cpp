// A road through the real render path: the shipped road effect, textures and sky cube map, a
// curved road with kerbs over a ground plane drawn by the scene pass, the same frame again after
// a forced device reset, and the device buffers of each build pass.
#include "devices/d3d/D3DInterface.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneDrawTest.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "engine/terrain/TerrainTestSupport.h"
#include "engine/terrain/street/StreetTestSupport.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/Texture2D.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/mesh/MeshObjekt.h"
#include "support/LogCapture.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace Ulvo;
using namespace StreetTesting;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;
constexpr D3DCOLOR kClear = 0xFF8098B8;

// "data\textures\street.tex" from the runtime folder and the road bundle "Strasse" compiled from
// the source tree's effect files copied into folder.
bool loadStreetData(const std::filesystem::path& folder)
{
    if (!SceneTesting::loadSceneData(folder))
        return false;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    EffectManager* effects = EffectManager::getInstance();
    const int logs = logSwitch();
    logSwitch() = 0;
    GraphicsTesting::loadTextureList(L"data\\textures\\street.tex", L"STRASSE_ASPHALT");
    GraphicsTesting::loadSourceBundle(folder, L"Strasse", L"data\\FX\\street.fxf",
                                      {"street.fxf", "street.fx", "scenecommon.fxh"});
    logSwitch() = logs;
    return textures->getTexture2D(L"STRASSE_ASPHALT") && textures->getTexture2D(L"STRASSE_BORDSTEIN") &&
           textures->getTexture2D(L"STRASSE_ASPHALT_BUMP") && textures->getTexture2D(L"STRASSE_NASS") &&
           textures->getTextureCube(L"STRASSE_HIMMEL") && effects->getEffectBundle(L"Strasse");
}

// Kerbs of granite with grey tops either side of wet asphalt; the closing edge under the road is
// left out.
const std::wstring kProfile =
    L"<SEGMENT X=\"-2.3\" TEXTUR=\"STRASSE_BORDSTEIN\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"-2.3\" Y=\"0.15\" COLOR=\"FF666666\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"-2\" Y=\"0.15\" TEXTUR=\"STRASSE_BORDSTEIN\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"-2\" Y=\"0.05\" TEXTUR=\"STRASSE_ASPHALT\" TEX_BUMP=\"STRASSE_ASPHALT_BUMP\" BUMP_AMOUNT=\"0.6\""
    L" TEX_SKY=\"STRASSE_HIMMEL\" TEX_REFLECTION=\"STRASSE_NASS\" REFLECTION_AMOUNT=\"0.7\" SPECULAR_AMOUNT=\"0.3\""
    L" SPECULAR_POWER=\"24\" SMOOTH_SEG=\"0\"/>"
    L"<SEGMENT X=\"2\" Y=\"0.05\" TEXTUR=\"STRASSE_BORDSTEIN\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"2\" Y=\"0.15\" COLOR=\"FF666666\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"2.3\" Y=\"0.15\" TEXTUR=\"STRASSE_BORDSTEIN\" SMOOTH_SEG=\"0\" SPECULAR_AMOUNT=\"0\"/>"
    L"<SEGMENT X=\"2.3\" SMOOTH_SEG=\"0\"/>";

class StreetDrawTest : public SceneTesting::SceneDrawTest {
protected:
    StreetDrawTest() : SceneDrawTest(L"Strasse") {}

    void SetUp() override
    {
        ASSERT_TRUE(loadStreetData(m_logs.folder()));
        startScene(kW, kH, 45.0, 0.5, 200.0);
        RenderTesting::sunAllDay(m_graph, L"X=\"0\" Y=\"1\" Z=\"0\"", L"FFFFFFFF", L"FF404040");
        RenderTesting::configurePasses(*m_manager, m_graph, L"<RENDERPASS NAME=\"SZENE\"/>", m_active);
    }

    Image frame()
    {
        return RenderTesting::drawPasses(m_device, m_camera, {m_manager->getRenderPass(L"SZENE")}, kW, kH, kClear);
    }

    StreetScene m_scene;
};

} // namespace

TEST_F(StreetDrawTest, ACurvedRoadWithKerbsLiesOnTheGroundAndDrawsTheSameAfterADeviceReset)
{
    add(SceneTesting::build<MeshObjekt>(m_scene.manager,
                                        L"<OBJEKT NAME=\"Wiese\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">"
                                        L"<RENDERPASSES DEFAULT=\"1\"/><SCALE X=\"3\" Y=\"1\" Z=\"3\"/></BASE_DATA>"
                                        L"<MESH_DATA NAME=\"BODEN\"/></OBJEKT>"));
    StreetPtr road = m_scene.street(
        L"<OBJEKT NAME=\"Strasse\" TYPE=\"STREET\"><BASE_DATA EFFECT=\"Strasse\"><RENDERPASSES DEFAULT=\"1\"/>"
        L"</BASE_DATA><STREET_DATA DRAW_LAST_SEGMENT=\"0\"><STREET_PROFIL>" +
        kProfile + L"</STREET_PROFIL><STREET_SPLINE DIST_INTERPOL=\"0.4\">" + point(-6, 0, -6, L"CATMULL") +
        point(-2, 0, 0, L"CATMULL") + point(3, 0, 2, L"CATMULL") + point(6, 0, 9) +
        L"</STREET_SPLINE></STREET_DATA></OBJEKT>");
    ASSERT_TRUE(road);
    road->build(0);
    EXPECT_EQ(road->getVertexBuffer(), nullptr) << "pass 0 builds on the CPU only";
    road->build(1);
    ASSERT_NE(road->getVertexBuffer(), nullptr);
    ASSERT_NE(road->getIndexBuffer(), nullptr);
    ASSERT_NE(road->getVertexDeclaration(), nullptr);
    IDirect3DVertexBuffer9* buffer = road->getVertexBuffer();
    road->build(2);
    EXPECT_EQ(road->getVertexBuffer(), buffer) << "later passes leave the road as it is";
    road->AddRef();
    add(road.get());

    m_camera.setEyePosition(D3DXVECTOR3(-1.0f, 7.0f, -13.0f));
    m_camera.setLookAt(D3DXVECTOR3(0.5f, 0.0f, 0.5f));
    // The scene graph hands the sun to the effect of the first object it draws (the ground's); the
    // road's effect is one of its own, shared with no other, so it is handed the sun here.
    const SunLightSystem& sun = m_graph.getSunLightSystem();
    road->setLightParams(sun.getLightDirection(), sun.getDiffuseColor(), sun.getAmbientColor());
    const Image image = frame();
    ASSERT_EQ(image.width, kW);

    // A kerb top lit straight from above: grey 0.4 · (ambient 0.25 + 1).
    const auto& samples = road->getPath().samples;
    const auto& mid = samples[samples.size() / 2];
    const D3DXVECTOR3 kerb =
        mid.position + D3DXVECTOR3(2.15f * std::cos(mid.heading), 0.15f, -2.15f * std::sin(mid.heading));
    const POINT k = RenderTesting::pixelOf(m_camera, kerb, kW, kH);
    const DWORD expected = 0xFF000000 | 0x808080;
    const DWORD got = image.at(k.x, k.y);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((expected >> shift) & 0xFF), 2)
            << TestSupport::hex(got);
    // The asphalt in the middle of the road is darker than the kerb top and is no ground.
    const POINT centre = RenderTesting::pixelOf(m_camera, mid.position + D3DXVECTOR3(0, 0.05f, 0), kW, kH);
    const POINT ground = RenderTesting::pixelOf(m_camera, D3DXVECTOR3(6.0f, 0.0f, -4.0f), kW, kH);
    EXPECT_NE(image.at(centre.x, centre.y), image.at(ground.x, ground.y));
    EXPECT_LT(image.at(centre.x, centre.y) & 0xFF, got & 0xFF);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "terrain" / "golden",
                                           "street_curve"));

    // A forced device reset: the road's buffers are made again from its CPU arrays.
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    ASSERT_NE(road->getVertexBuffer(), nullptr);
    const Image after = frame();
    ASSERT_EQ(after.pixels.size(), image.pixels.size());
    std::size_t differ = 0, first = 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        if (after.pixels[i] != image.pixels[i] && differ++ == 0)
            first = i;
    EXPECT_EQ(differ, 0u) << "first at " << first % kW << "," << first / kW << " "
                          << TestSupport::hex(image.pixels[first]) << " -> " << TestSupport::hex(after.pixels[first]);
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos);
}

// The demo scene's hills and road: the road carves its bed and the hills' layers are painted
// again over the carved ground, so the flattened strip beside the kerbs loses the rock of the
// uncut slope.
TEST_F(StreetDrawTest, TheDemoRoadRepaintsTheLayersOfTheHillsItCuts)
{
    ASSERT_TRUE(TerrainTesting::loadTerrainData(m_logs.folder()));
    XMLNode root;
    {
        TestSupport::ScopedCwd cwd(TestSupport::sourceDir());
        ASSERT_TRUE(XMLNode::load(&root, L"data\\Szenen\\demo.xml", 0));
    }
    TerrainTesting::TerrainManager objects;
    HeightMapObjekt* hills = nullptr;
    StreetObjekt* road = nullptr;
    for (XMLNode* node : root.getNodes()) {
        std::wstring name;
        if (node->getName() != L"OBJEKT" || !node->readString(L"NAME", name) ||
            (name != L"Gelaende" && name != L"Strasse"))
            continue;
        // In the demo the shadow pass draws the road; here the plain scene pass shows it.
        if (name == L"Strasse") {
            XMLNode* passes = node->getNode(L"BASE_DATA")->getNode(L"RENDERPASSES");
            ASSERT_NE(passes, nullptr);
            ASSERT_TRUE(passes->removeNode(passes->getNode(L"SZENE")));
        }
        BaseObjekt* object = createObjektByType(node, &objects);
        ASSERT_NE(object, nullptr);
        objects.add(object, true);
        if (name == L"Gelaende")
            hills = dynamic_cast<HeightMapObjekt*>(object);
        else
            road = dynamic_cast<StreetObjekt*>(object);
    }
    ASSERT_NE(hills, nullptr);
    ASSERT_NE(road, nullptr);
    hills->build(0);
    road->build(0);
    // The rock weight of the blend texels under the road's edges, summed.
    const auto rockBesideTheKerbs = [&] {
        Texture2D* blend = hills->getBlendTexture();
        const uint32_t size = hills->getBlendSize();
        float rock = 0.0f;
        if (!blend->lock(0, nullptr, RECT{0, 0, LONG(size), LONG(size)}, D3DLOCK_READONLY))
            return -1.0f;
        for (const StreetObjekt::PathSample& sample : road->getPath().samples)
            for (float side : {-2.6f, 2.6f}) {
                const D3DXVECTOR3 edge =
                    sample.position + D3DXVECTOR3(side * std::cos(sample.heading), 0, -side * std::sin(sample.heading));
                D3DXVECTOR2 uv;
                hills->worldToUV(&uv, edge);
                D3DXVECTOR4 texel;
                if (blend->sample(texel, uv, 0))
                    rock += texel.y;
            }
        blend->unlock(0);
        return rock;
    };
    const float carvedOnly = rockBesideTheKerbs();
    hills->build(1);
    road->build(1);
    const float repainted = rockBesideTheKerbs();
    EXPECT_LT(repainted, 0.5f * carvedOnly) << carvedOnly << " " << repainted;

    hills->AddRef();
    add(hills);
    road->AddRef();
    add(road);
    // Over the road's middle, along it.
    const auto& samples = road->getPath().samples;
    const D3DXVECTOR3 middle = samples[samples.size() / 2].position;
    m_camera.setEyePosition(middle + D3DXVECTOR3(-16, 14, -20));
    m_camera.setLookAt(middle + D3DXVECTOR3(2, -3, 4));
    const SunLightSystem& sun = m_graph.getSunLightSystem();
    road->setLightParams(sun.getLightDirection(), sun.getDiffuseColor(), sun.getAmbientColor());
    const Image image = frame();
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "terrain" / "golden",
                                           "demo_road_on_hills"));
}

TEST_F(StreetDrawTest, ARoadWithoutVerticesMakesNoBuffersAndDrawsNothing)
{
    StreetPtr road = m_scene.street(L"<OBJEKT NAME=\"Kurz\" TYPE=\"STREET\"><BASE_DATA EFFECT=\"Strasse\">"
                                    L"<RENDERPASSES DEFAULT=\"1\"/></BASE_DATA><STREET_DATA><STREET_PROFIL>" +
                                    kFlatProfile + L"</STREET_PROFIL><STREET_SPLINE>" + point(0, 0, 0) +
                                    L"</STREET_SPLINE></STREET_DATA></OBJEKT>");
    road->build(0);
    road->build(1);
    EXPECT_EQ(road->getVertexBuffer(), nullptr);
    EXPECT_EQ(road->getIndexBuffer(), nullptr);
    road->onLostDevice();
    road->onResetDevice();
    EXPECT_EQ(road->getVertexBuffer(), nullptr);
    road->AddRef();
    add(road.get());
    m_camera.setEyePosition(D3DXVECTOR3(0, 5, -10));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    const Image image = frame();
    EXPECT_EQ(image.at(kW / 2, kH / 2), kClear);
}

TEST_F(StreetDrawTest, TheSceneFilesRoadCrossesItsTerrainWithTheShippedTexturesAndEffect)
{
    XMLNode root;
    {
        TestSupport::ScopedCwd cwd(TestSupport::sourceDir());
        ASSERT_TRUE(XMLNode::load(&root, L"data\\Szenen\\street.xml", 0));
    }
    FakeTerrain* ground = m_scene.terrain(L"Gelaende", 1.0f);
    std::vector<StreetPtr> roads;
    for (XMLNode* node : root.getNodes())
        if (node->getName() == L"OBJEKT")
            roads.emplace_back(dynamic_cast<StreetObjekt*>(createObjektByType(node, &m_scene.manager)));
    ASSERT_EQ(roads.size(), 1u);
    StreetObjekt& road = *roads[0];
    EXPECT_EQ(road.getName(), L"Strasse");
    EXPECT_NE(road.getEffect(), nullptr);
    for (int pass = 0; pass < road.getBuildPassCount(); ++pass)
        road.build(pass);
    const auto& profile = road.getProfile();
    ASSERT_EQ(profile.size(), 8u);
    for (std::size_t p = 0; p + 1 < profile.size(); ++p)
        EXPECT_TRUE(profile[p].diffuseTexture || p == 1 || p == 5) << p;
    EXPECT_NE(profile[3].bumpTexture, nullptr);
    EXPECT_NE(profile[3].skyTexture, nullptr);
    EXPECT_NE(profile[3].reflectionTexture, nullptr);
    // The points stand at their share of the terrain, on its height; the road carved and lies on it.
    const auto& points = road.getPath().controlPoints;
    ASSERT_EQ(points.size(), 7u);
    EXPECT_NEAR(points[1].position.x, 0.08f * 64 - 32, 1e-4f);
    EXPECT_NEAR(points[1].position.z, 0.18f * 64 - 32, 1e-4f);
    EXPECT_EQ(points[1].position.y, 1.0f);
    EXPECT_FALSE(ground->carves.empty());
    ASSERT_FALSE(road.getVertices().empty());
    for (std::size_t i = 0; i < road.getVertices().size(); i += 2) {
        const float y = road.getVertices()[i].position.y;
        const bool onGround =
            std::fabs(y - 1.0f) < 1e-5f || std::fabs(y - 1.05f) < 1e-5f || std::fabs(y - 1.15f) < 1e-5f;
        EXPECT_TRUE(onGround) << i << " " << y;
    }
    EXPECT_NE(road.getVertexBuffer(), nullptr);
}

TEST_F(StreetDrawTest, EachDrawnProfileEdgeIsOneStripWithItsMaterial)
{
    StreetPtr road = m_scene.street(
        L"<OBJEKT NAME=\"Kante\" TYPE=\"STREET\"><BASE_DATA EFFECT=\"Strasse\" ALPHA=\"0.5\"><RENDERPASSES "
        L"DEFAULT=\"1\"/>"
        L"</BASE_DATA><STREET_DATA DRAW_LAST_SEGMENT=\"0\"><STREET_PROFIL><SEGMENT X=\"-1\"/><SEGMENT X=\"0\" "
        L"Y=\"0.2\"/>"
        L"<SEGMENT X=\"1\" COLOR=\"FF808080\"/><SEGMENT X=\"1\" Y=\"-0.3\"/></STREET_PROFIL><STREET_SPLINE>" +
        point(0, 0, -3) + point(0, 0, 3) + L"</STREET_SPLINE></STREET_DATA></OBJEKT>");
    road->build(0);
    road->build(1);
    road->AddRef();
    add(road.get());
    m_camera.setEyePosition(D3DXVECTOR3(0, 4, -8));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    frame();
    uint64_t calls = 0, before = 0, after = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, before);
    frame();
    PlatformGLCallCounts(calls, after);
    m_graph.removeObject(road.get(), true);
    uint64_t empty = 0;
    frame();
    PlatformGLCallCounts(calls, empty);
    PlatformCountGLCalls(false);
    // Four profile points, the closing edge left out: three strips.
    EXPECT_EQ((after - before) - (empty - after), 3u);
    // The last strip drawn (edge 2) carries its colour with the object's alpha.
    float colour[4] = {};
    road->getEffect()->getEffect()->GetValue("g_materialcolor", colour, sizeof(colour));
    EXPECT_NEAR(colour[0], 128.0f / 255.0f, 1e-6f);
    EXPECT_NEAR(colour[3], 0.5f, 1e-6f);
    m_objects.pop_back();
    road->Release();
}
