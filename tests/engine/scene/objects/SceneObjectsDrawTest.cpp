// The scene-object kinds on the real device through the render passes: a mesh of two materials
// lit by the sun, water mirroring a box, the sky with a cloud layer, the windmill at two times,
// the gizmo over a box with the depth test off; and every kind drawing the same frame after a
// forced device reset.
#include "devices/d3d/D3DInterface.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneDrawTest.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/Mesh.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/animesh/AnimatedMeshObjekt.h"
#include "scene/objects/coords/CoordsObjekt.h"
#include "scene/objects/mesh/MeshObjekt.h"
#include "scene/objects/sun/SunObjekt.h"
#include "scene/objects/water/WaterObjekt.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;
constexpr D3DCOLOR kClear = 0xFF202020;

DWORD rgb(float r, float g, float b)
{
    auto byte = [](float v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return 0xFF000000 | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

class SceneObjectsDrawTest : public SceneTesting::SceneDrawTest {
protected:
    SceneObjectsDrawTest() : SceneDrawTest(L"Szene") {}

    void SetUp() override
    {
        ASSERT_TRUE(SceneTesting::loadSceneData(m_logs.folder()));
        startScene(kW, kH, 45.0, 0.5, 200.0);
    }

    // The sun: one direction and colour all day, with the shipped sky maps and a cloud entry.
    void sun(const std::wstring& direction, const wchar_t* diffuse, const wchar_t* ambient)
    {
        std::wstring clouds = L"<CLOUD_PARAM>";
        for (const wchar_t* phase : {L"NACHT", L"MORGEN", L"MITTAG", L"ABEND"})
            clouds += std::wstring(L"<") + phase + L" COLOR=\"FFF0E0D0\" SPEED=\"0\" DENSITY=\"1.5 -0.2\"/>";
        RenderTesting::sunAllDay(
            m_graph, direction, diffuse, ambient,
            L"SKY_MAP=\"SKY\" BACKGROUND_MAP=\"SKY_BACKGROUND\" ENVIRONMENT_MAP=\"SKY_ENVIRONMENT\"",
            clouds + L"</CLOUD_PARAM>");
    }

    // An object of the description, in the scene graph; the fixture holds it.
    template <class Kind> Kind* add(const std::wstring& text)
    {
        Kind* object = SceneTesting::build<Kind>(m_objektManager, text);
        EXPECT_NE(object, nullptr);
        if (!object)
            return nullptr;
        m_objects.push_back(object);
        m_graph.addObject(object, true);
        return object;
    }

    // The passes of a render configuration, each switched on.
    void configure(const std::wstring& passes)
    {
        RenderTesting::configurePasses(*m_manager, m_graph, passes, m_active);
    }

    // The named passes drawn in order into a 320x240 picture.
    Image frame(std::initializer_list<const wchar_t*> names)
    {
        std::vector<RenderPass*> passes;
        for (const wchar_t* name : names)
            passes.push_back(m_manager->getRenderPass(name));
        EXPECT_EQ(std::count(passes.begin(), passes.end(), nullptr), 0);
        return RenderTesting::drawPasses(m_device, m_camera, passes, kW, kH, kClear);
    }

    void look(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
    {
        m_camera.setEyePosition(eye);
        m_camera.setLookAt(at);
    }

    POINT pixelOf(const D3DXVECTOR3& point) const { return RenderTesting::pixelOf(m_camera, point, kW, kH); }

    ::testing::AssertionResult golden(const Image& image, const char* name)
    {
        return TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "scene" / "golden",
                                          name);
    }

    ObjektManager m_objektManager;
};

const wchar_t* const kScenePass = L"<RENDERPASS NAME=\"SZENE\"/>";

} // namespace

TEST_F(SceneObjectsDrawTest, AHouseOfTwoTexturedMaterialsIsLitByTheSun)
{
    sun(L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF505058");
    configure(kScenePass);
    add<MeshObjekt>(L"<OBJEKT NAME=\"Haus\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES DEFAULT=\"1\"/>"
                    L"<ROTATION YAW=\"-30\"/></BASE_DATA><MESH_DATA NAME=\"HAUS\" SPECULAR_AMOUNT=\"0.3\""
                    L" SPECULAR_POWER=\"20\"/></OBJEKT>");
    look(D3DXVECTOR3(0, 3.5f, -9), D3DXVECTOR3(0, 1.5f, 0));
    const Image image = frame({L"SZENE"});
    // The clear colour round the house; wall and roof in colours of their own.
    EXPECT_PIXEL(image, 3, 3, kClear);
    const POINT wall = pixelOf(D3DXVECTOR3(0.0f, 1.0f, -1.6f));
    const POINT roof = pixelOf(D3DXVECTOR3(0.0f, 2.8f, -0.7f));
    EXPECT_NE(image.at(wall.x, wall.y), kClear);
    EXPECT_NE(image.at(roof.x, roof.y), kClear);
    EXPECT_NE(image.at(wall.x, wall.y), image.at(roof.x, roof.y));
    EXPECT_TRUE(golden(image, "mesh_house_sun"));
}

// Bundles share no effect pool: the sun's values must reach the effect of every bundle drawn, not
// only the first object's, and follow the sun when it changes.
TEST_F(SceneObjectsDrawTest, TheSunReachesTheEffectOfEveryBundleDrawn)
{
    sun(L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF505058");
    configure(kScenePass);
    MeshObjekt* house =
        add<MeshObjekt>(L"<OBJEKT NAME=\"Haus\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES "
                        L"DEFAULT=\"1\"/></BASE_DATA><MESH_DATA NAME=\"HAUS\"/></OBJEKT>");
    WaterObjekt* pond = add<WaterObjekt>(
        L"<OBJEKT NAME=\"See\" TYPE=\"WATER\"><BASE_DATA EFFECT=\"Wasser\"><RENDERPASSES><SZENE/><WASSER><REFLECTION "
        L"ENABLED=\"0\"/></WASSER></RENDERPASSES><POSITION X=\"3\"/></BASE_DATA><MESH_DATA NAME=\"BODEN\"/></OBJEKT>");
    ASSERT_TRUE(house && pond);
    look(D3DXVECTOR3(1, 4, -9), D3DXVECTOR3(1, 0.5f, 0));
    auto diffuseOf = [](BaseObjekt* object) {
        D3DXCOLOR value(0, 0, 0, 0);
        ID3DXEffect* effect = object->getEffect() ? object->getEffect()->getEffect() : nullptr;
        if (effect)
            effect->GetValue("g_LightDiffuse", &value, sizeof(value));
        return value;
    };
    for (const wchar_t* diffuse : {L"FFFFF0D0", L"FF4080C0"}) {
        sun(L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", diffuse, L"FF505058");
        frame({L"SZENE"});
        const D3DXCOLOR& sunDiffuse = m_graph.getSunLightSystem().getDiffuseColor();
        ASSERT_NE(house->getEffect(), pond->getEffect());
        for (BaseObjekt* object : std::initializer_list<BaseObjekt*>{house, pond}) {
            const D3DXCOLOR got = diffuseOf(object);
            EXPECT_FLOAT_EQ(got.r, sunDiffuse.r) << (object == house ? "house" : "pond");
            EXPECT_FLOAT_EQ(got.g, sunDiffuse.g) << (object == house ? "house" : "pond");
            EXPECT_FLOAT_EQ(got.b, sunDiffuse.b) << (object == house ? "house" : "pond");
        }
    }
}

// An object without a far band draws with a pass that leaves the fade out; one drawn after it
// with the same effect must still fade in its band, not keep the switch the first one left.
TEST_F(SceneObjectsDrawTest, ACrateInItsFarBandFadesAfterOneWithoutABandWasDrawn)
{
    sun(L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF505058");
    configure(kScenePass);
    const auto crate = [this](float x, const wchar_t* far) {
        return add<MeshObjekt>(std::wstring(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\" ") +
                               far + L"><RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"" + std::to_wstring(x) +
                               L"\" Y=\"0.5\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\"/></OBJEKT>");
    };
    MeshObjekt* plain = crate(-1.5f, L"");
    MeshObjekt* fading = crate(1.5f, L"FAR_DIST=\"1 4 16\"");
    ASSERT_TRUE(plain && fading);
    look(D3DXVECTOR3(0, 1.5f, -8), D3DXVECTOR3(0, 0.5f, 0));
    const Image image = frame({L"SZENE"});
    // The same face at mirrored places: the same lit colour, the far one blended over the clear
    // colour by its share of the band, 1 - (distance - 4) / 12.
    const D3DXVECTOR3 eye(0, 1.5f, -8), onFar(1.5f, 0.5f, -0.5f), toFar = onFar - eye;
    const double share = 1.0 - (D3DXVec3Length(&toFar) - 4.0) / 12.0;
    const POINT near = pixelOf(D3DXVECTOR3(-1.5f, 0.5f, -0.5f));
    const POINT far = pixelOf(onFar);
    const D3DCOLOR lit = image.at(near.x, near.y), faded = image.at(far.x, far.y);
    ASSERT_NE(lit, kClear);
    for (int shift : {16, 8, 0}) {
        const int clear = (kClear >> shift) & 0xFF, full = (lit >> shift) & 0xFF, got = (faded >> shift) & 0xFF;
        EXPECT_NEAR(got, clear + (full - clear) * share, 4) << "channel at bit " << shift;
    }
}

TEST_F(SceneObjectsDrawTest, WaterMirrorsTheBoxAboveIt)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\" QUALITY=\"LOW\"/>");
    m_manager->setWaterQuality(QUALITY_LOW);
    add<MeshObjekt>(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES><SZENE/>"
                    L"<WASSER><WATER ENABLED=\"0\"/></WASSER></RENDERPASSES><POSITION Y=\"1\"/></BASE_DATA>"
                    L"<MESH_DATA NAME=\"KISTE\"/></OBJEKT>");
    add<WaterObjekt>(L"<OBJEKT NAME=\"See\" TYPE=\"WATER\"><BASE_DATA EFFECT=\"Wasser\"><RENDERPASSES><WASSER>"
                     L"<REFLECTION ENABLED=\"0\"/></WASSER></RENDERPASSES><SCALE X=\"0.5\" Y=\"1\" Z=\"0.5\"/>"
                     L"</BASE_DATA><MESH_DATA NAME=\"BODEN\"/><WATER_DATA WATER_COLOR_FLOAT=\"0.2 0.4 0.6 1\"/>"
                     L"</OBJEKT>");
    look(D3DXVECTOR3(0, 3, -8), D3DXVECTOR3(0, 0, 0));
    const Image image = frame({L"SZENE", L"WASSER"});
    // Open water: the water colour towards the mirrored clear white by the Fresnel term of the
    // view (Schlick's, with the refraction index 1.33).
    const D3DXVECTOR3 open(-3.0f, 0.0f, -2.0f);
    D3DXVECTOR3 toEye = D3DXVECTOR3(0, 3, -8) - open;
    D3DXVec3Normalize(&toEye, &toEye);
    const float r0 = std::pow(0.33f / 2.33f, 2.0f);
    const float f = r0 + (1.0f - r0) * std::pow(1.0f - toEye.y, 5.0f);
    const POINT p = pixelOf(open);
    EXPECT_PIXEL(image, p.x, p.y, rgb(0.2f + 0.8f * f, 0.4f + 0.6f * f, 0.6f + 0.4f * f));
    // Below the box its mirror image darkens the water against the white it mirrors elsewhere.
    const POINT mirrored = pixelOf(D3DXVECTOR3(0.0f, -0.3f, -0.5f));
    const POINT beside = pixelOf(D3DXVECTOR3(2.5f, -0.3f, -0.5f));
    const D3DCOLOR a = image.at(mirrored.x, mirrored.y), b = image.at(beside.x, beside.y);
    EXPECT_LT(a & 0xFF, b & 0xFF) << TestSupport::hex(a) << " " << TestSupport::hex(b);
    EXPECT_TRUE(golden(image, "water_mirrors_box"));
}

// High waves move where a mirror reads its picture far beyond its own rectangle on the screen:
// under a ceiling that fills every mirrored view, none of it may read the cleared white.
TEST_F(SceneObjectsDrawTest, AMirrorWithHighWavesReadsNoClearedPicture)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"0\"", L"FFFFFFFF", L"FF404040");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"SPIEGEL\" TYPE=\"REFLECTION\" QUALITY=\"LOW\"/>");
    m_manager->setWaterQuality(QUALITY_LOW);
    // The waves lift the mirror plane to 30.01: the ceiling and the eye lie between it and the box.
    add<MeshObjekt>(L"<OBJEKT NAME=\"Decke\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES>"
                    L"<SPIEGEL><COMPOSE ENABLED=\"0\"/></SPIEGEL></RENDERPASSES><SCALE X=\"400\" Y=\"0.2\" Z=\"400\"/>"
                    L"<POSITION Y=\"37\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\"/></OBJEKT>");
    add<ReflektionObjekt>(
        L"<OBJEKT NAME=\"Spiegel\" TYPE=\"REFLECTION\"><BASE_DATA EFFECT=\"Spiegel\"><RENDERPASSES>"
        L"<SPIEGEL><REFLECTION ENABLED=\"0\"/></SPIEGEL></RENDERPASSES></BASE_DATA>"
        L"<MESH_DATA NAME=\"BODEN\"/><WATER_DATA WATER_COLOR_FLOAT=\"1 1 1 1\" WAVE_HEIGHT=\"30 30\"/>"
        L"</OBJEKT>");
    look(D3DXVECTOR3(0, 33, -40), D3DXVECTOR3(0, 0, 0));
    const Image image = frame({L"SZENE", L"SPIEGEL"});
    long mirrored = 0, white = 0;
    for (DWORD pixel : image.pixels) {
        mirrored += pixel != kClear ? 1 : 0;
        white += ((pixel >> 16) & 0xFF) > 160 && ((pixel >> 8) & 0xFF) > 160 && (pixel & 0xFF) > 160 ? 1 : 0;
    }
    EXPECT_GT(mirrored, 2000);
    EXPECT_EQ(white, 0);
}

// The water pass hands its targets to each surface's effect; every effect must let go of them
// when the pass moves on, or a device reset is refused and the targets outlive the pass.
TEST_F(SceneObjectsDrawTest, NoEffectKeepsTheWaterPassTargetsAfterTheFrame)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\" QUALITY=\"LOW\"/>");
    m_manager->setWaterQuality(QUALITY_LOW);
    std::vector<BaseObjekt*> surfaces;
    surfaces.push_back(add<WaterObjekt>(
        L"<OBJEKT NAME=\"See\" TYPE=\"WATER\"><BASE_DATA EFFECT=\"Wasser\"><RENDERPASSES><WASSER/></RENDERPASSES>"
        L"<SCALE X=\"0.3\" Y=\"1\" Z=\"0.3\"/><POSITION X=\"-2\"/></BASE_DATA><MESH_DATA NAME=\"BODEN\"/></OBJEKT>"));
    surfaces.push_back(add<IceObjekt>(
        L"<OBJEKT NAME=\"Eis\" TYPE=\"ICE\"><BASE_DATA EFFECT=\"Eis\"><RENDERPASSES><WASSER/></RENDERPASSES>"
        L"<SCALE X=\"0.3\" Y=\"1\" Z=\"0.3\"/><POSITION X=\"2\"/></BASE_DATA><MESH_DATA NAME=\"BODEN\"/></OBJEKT>"));
    look(D3DXVECTOR3(0, 3, -8), D3DXVECTOR3(0, 0, 0));
    frame({L"SZENE", L"WASSER"});
    for (BaseObjekt* surface : surfaces) {
        ASSERT_NE(surface, nullptr);
        ASSERT_NE(surface->getEffect(), nullptr);
        ID3DXEffect* fx = surface->getEffect()->getEffect();
        ASSERT_NE(fx, nullptr);
        for (const char* name : {"g_ReflectionMap", "g_RefractionMap", "g_DepthMap"}) {
            IDirect3DBaseTexture9* held = nullptr;
            if (SUCCEEDED(fx->GetTexture(name, &held)) && held) {
                held->Release();
                ADD_FAILURE() << "an effect still holds " << name;
            }
        }
    }
}

TEST_F(SceneObjectsDrawTest, TheSkyShowsTheSunsGlowAndTheCloudLayer)
{
    sun(L"X=\"0.3\" Y=\"0.35\" Z=\"1\"", L"FFFFE8C0", L"FF606060");
    configure(kScenePass);
    add<SunObjekt>(L"<OBJEKT NAME=\"Himmel\" TYPE=\"SUN\"><BASE_DATA EFFECT=\"Himmel\" PRIORITY=\"1\">"
                   L"<RENDERPASSES DEFAULT=\"1\"/></BASE_DATA><MESH_DATA NAME=\"HIMMEL\"/>"
                   L"<SUN_DATA IS_SUN=\"1\" SUN_STRENGTH=\"400\"/></OBJEKT>");
    auto* clouds =
        add<SunObjekt>(L"<OBJEKT NAME=\"Wolken\" TYPE=\"SUN\"><BASE_DATA EFFECT=\"Himmel\" TRANSPARENT=\"1\">"
                       L"<RENDERPASSES DEFAULT=\"1\"/><SCALE X=\"0.9\" Y=\"0.9\" Z=\"0.9\"/></BASE_DATA>"
                       L"<MESH_DATA NAME=\"HIMMEL\"/><SUN_DATA IS_CLOUD=\"1\" CLOUD_TEXTURE=\"SKY_CLOUDS\"/>"
                       L"</OBJEKT>");
    ASSERT_NE(clouds, nullptr);
    m_graph.getSunLightSystem().setTime(12, 0, 0);
    // The cloud entry's values reached the layer.
    EXPECT_EQ(static_cast<DWORD>(clouds->getCloudColor()), 0xFFF0E0D0u);
    look(D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0.3f, 1.25f, 1));
    const Image image = frame({L"SZENE"});
    // Where the light comes from, the dome glows nearly white.
    D3DXVECTOR3 towards(0.3f, 0.35f, 1.0f);
    D3DXVec3Normalize(&towards, &towards);
    const POINT glow = pixelOf(towards * 49.0f);
    const D3DCOLOR centre = image.at(glow.x, glow.y);
    for (int shift : {0, 8, 16})
        EXPECT_GE((centre >> shift) & 0xFF, 0xE8u) << TestSupport::hex(centre);
    EXPECT_TRUE(golden(image, "sky_with_clouds"));
}

// The sky lies just before the far plane: drawn after the scene (a larger PRIORITY), it stays
// behind what was drawn, even beyond the dome's radius, and fills only what is left.
TEST_F(SceneObjectsDrawTest, TheSkyDrawnAfterTheSceneStaysBehindItBeyondTheDome)
{
    sun(L"X=\"0.3\" Y=\"0.35\" Z=\"1\"", L"FFFFE8C0", L"FF606060");
    configure(kScenePass);
    add<SunObjekt>(L"<OBJEKT NAME=\"Himmel\" TYPE=\"SUN\"><BASE_DATA EFFECT=\"Himmel\" PRIORITY=\"2\">"
                   L"<RENDERPASSES DEFAULT=\"1\"/></BASE_DATA><MESH_DATA NAME=\"HIMMEL\"/>"
                   L"<SUN_DATA IS_SUN=\"1\" SUN_STRENGTH=\"400\"/></OBJEKT>");
    add<MeshObjekt>(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\" PRIORITY=\"1\">"
                    L"<RENDERPASSES DEFAULT=\"1\"/><POSITION Y=\"1\" Z=\"75\"/><SCALE X=\"10\" Y=\"10\" Z=\"10\"/>"
                    L"</BASE_DATA><MESH_DATA NAME=\"KISTE\"/></OBJEKT>");
    m_graph.getSunLightSystem().setTime(12, 0, 0);
    look(D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 1, 70));
    const Image image = frame({L"SZENE"});
    // The crate's wood, 70 units away, not the dome's blue in front of it.
    const D3DCOLOR crate = image.at(kW / 2, kH / 2);
    EXPECT_GT(TestSupport::channel(crate, 16), TestSupport::channel(crate, 0) + 30) << TestSupport::hex(crate);
    // Above the crate the sky still shows.
    const D3DCOLOR sky = image.at(kW / 2, 5);
    EXPECT_GT(TestSupport::channel(sky, 0), TestSupport::channel(sky, 16)) << TestSupport::hex(sky);
}

TEST_F(SceneObjectsDrawTest, TheWindmillTurnsItsSailsWithTheClock)
{
    sun(L"X=\"-1\" Y=\"1.5\" Z=\"-1\"", L"FFFFFFFF", L"FF505050");
    configure(kScenePass);
    auto* mill = add<AnimatedMeshObjekt>(L"<OBJEKT NAME=\"Muehle\" TYPE=\"ANI_MESH\"><BASE_DATA EFFECT=\"Material\">"
                                         L"<RENDERPASSES DEFAULT=\"1\"/></BASE_DATA>"
                                         L"<ANIMESH_DATA NAME=\"WINDMUEHLE\"/></OBJEKT>");
    ASSERT_NE(mill, nullptr);
    // Skinned in the vertex shader; the goldens are the processor's pictures.
    EffectBundle* skinned = EffectManager::getInstance()->getEffectBundle(L"MaterialSkinned");
    ASSERT_NE(skinned, nullptr);
    EXPECT_EQ(mill->getEffect(), skinned->getEffect(L"Render"));
    look(D3DXVECTOR3(0, 3, -9), D3DXVECTOR3(0, 2.5f, 0));
    SceneTesting::ScopedFrameTime clock(0.0);
    mill->update(&m_camera, 0);
    const Image start = frame({L"SZENE"});
    clock.set(0.5);
    mill->update(&m_camera, 0);
    const Image later = frame({L"SZENE"});
    EXPECT_NE(start.pixels, later.pixels);
    EXPECT_TRUE(golden(start, "windmill_at_0s"));
    EXPECT_TRUE(golden(later, "windmill_at_half_second"));
}

TEST_F(SceneObjectsDrawTest, TheGizmoIsDrawnOverTheBoxItSitsIn)
{
    sun(L"X=\"-1\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"EDITOR\" TECHNIQUE=\"T_NORMAL\"/>");
    add<MeshObjekt>(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\"><RENDERPASSES><SZENE/>"
                    L"</RENDERPASSES><SCALE X=\"1.5\" Y=\"1.5\" Z=\"1.5\"/></BASE_DATA><MESH_DATA NAME=\"KISTE\"/>"
                    L"</OBJEKT>");
    std::wstring parts;
    const std::pair<const wchar_t*, const wchar_t*> meshes[] = {{L"LOKAL_X", L"GIZMO_ACHSE_X"},
                                                                {L"LOKAL_Y", L"GIZMO_ACHSE_Y"},
                                                                {L"LOKAL_Z", L"GIZMO_ACHSE_Z"},
                                                                {L"MOVE", L"GIZMO_VERSCHIEBEN"},
                                                                {L"SCALE", L"GIZMO_SKALIEREN"}};
    for (const auto& [node, mesh] : meshes)
        parts += std::wstring(L"<") + node + L" TYPE=\"MESH\" NAME=\"" + node + L"\"><BASE_DATA EFFECT=\"Gizmo\"/>" +
                 L"<MESH_DATA NAME=\"" + mesh + L"\"/></" + node + L">";
    auto* gizmo = add<CoordsObjekt>(L"<OBJEKT NAME=\"COORDS\" TYPE=\"COORDS\"><BASE_DATA EFFECT=\"Gizmo\">"
                                    L"<RENDERPASSES><EDITOR/></RENDERPASSES></BASE_DATA><COORDS_DATA>" +
                                    parts + L"</COORDS_DATA></OBJEKT>");
    ASSERT_NE(gizmo, nullptr);
    gizmo->setEditMode(1);
    gizmo->setPosition(D3DXVECTOR3(0, 0, 0));
    look(D3DXVECTOR3(2.5f, 2.5f, -4), D3DXVECTOR3(0, 0, 0));
    const Image image = frame({L"SZENE", L"EDITOR"});
    // The move handle at the centre of the box shows through it in its flat colour; so does the
    // x axis's cone near its end.
    const D3DCOLORVALUE handle =
        D3DInterface::getInstance()->getMeshManager()->getMesh(L"GIZMO_VERSCHIEBEN")->getMaterials()[0].colours.Diffuse;
    const POINT centre = pixelOf(D3DXVECTOR3(0, 0, 0));
    EXPECT_PIXEL(image, centre.x, centre.y, rgb(handle.r, handle.g, handle.b));
    const D3DCOLORVALUE axis =
        D3DInterface::getInstance()->getMeshManager()->getMesh(L"GIZMO_ACHSE_X")->getMaterials()[0].colours.Diffuse;
    const POINT tip = pixelOf(D3DXVECTOR3(0.85f, 0, 0));
    EXPECT_PIXEL(image, tip.x, tip.y, rgb(axis.r, axis.g, axis.b));
    EXPECT_TRUE(golden(image, "gizmo_over_box"));
}

// The editor shows what it edits only while it edits: its overlay draws the object's box in the
// colour of the drag kind, the axes a drag may change, the edit plane, and its own axes object
// "COORDS" (from the shipped file) at the object, following it.
TEST_F(SceneObjectsDrawTest, TheEditorShowsTheEditedObjectsBoxAxesAndPlaneAndFollowsIt)
{
    sun(L"X=\"-1\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(kScenePass);
    auto* kiste = add<MeshObjekt>(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">"
                                  L"<RENDERPASSES><SZENE/></RENDERPASSES></BASE_DATA><MESH_DATA NAME=\"KISTE\"/>"
                                  L"</OBJEKT>");
    ASSERT_NE(kiste, nullptr);
    // The render manager goes before the fixture's object manager.
    struct Detach {
        ObjektManager& objects;
        ~Detach()
        {
            objects.setEditObject(nullptr);
            objects.setRenderManager(nullptr);
        }
    } detach{m_objektManager};
    m_objektManager.createDeviceResources();
    m_objektManager.setSceneGraph(&m_graph);
    m_objektManager.setRenderManager(m_manager.get());
    EXPECT_TRUE(m_manager->getOverlayPasses().empty()) << "nothing edited, no overlay";

    m_objektManager.setMouseMode(true);
    m_objektManager.setEditKind(1); // move: a yellow box and the move handle
    m_objektManager.setAxisMask(5); // x and z
    {
        // The axes object comes from the shipped file, read at the first edit.
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        m_objektManager.setEditObject(kiste);
    }
    ASSERT_EQ(m_manager->getOverlayPasses().size(), 1u);
    auto* coords = dynamic_cast<CoordsObjekt*>(m_objektManager.find(L"COORDS"));
    ASSERT_NE(coords, nullptr);
    look(D3DXVECTOR3(3, 3, -5), D3DXVECTOR3(0, 0, 0));
    RenderPass* scene = m_manager->getRenderPass(L"SZENE");
    RenderPass* overlay = m_manager->getOverlayPasses().front();
    const Image plain = RenderTesting::drawPasses(m_device, m_camera, {scene}, kW, kH, kClear);
    const Image edited = RenderTesting::drawPasses(m_device, m_camera, {scene, overlay}, kW, kH, kClear);
    EXPECT_EQ(coords->getEditMode(), 1);
    // The box's upper front corner, drawn over the picture in yellow.
    const AABB& box = kiste->getBoundingBox();
    const POINT corner = pixelOf(D3DXVECTOR3(box.getMin().x, box.getMax().y, box.getMin().z));
    int yellow = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            yellow += edited.at(corner.x + dx, corner.y + dy) == 0xFFFFFF00 ? 1 : 0;
    EXPECT_GT(yellow, 0);
    EXPECT_NE(plain.pixels, edited.pixels);
    EXPECT_TRUE(golden(edited, "editor_box_axes_plane"));

    // Moved, the axes object follows the object at the next frame.
    kiste->setPosition(D3DXVECTOR3(1, 0, 0));
    RenderTesting::drawPasses(m_device, m_camera, {scene, overlay}, kW, kH, kClear);
    EXPECT_EQ(coords->getBasePosition(), D3DXVECTOR3(1, 0, 0));

    m_objektManager.setEditObject(nullptr);
    EXPECT_TRUE(m_manager->getOverlayPasses().empty()) << "nothing edited, no overlay";
}

TEST_F(SceneObjectsDrawTest, EveryKindDrawsTheSameFrameAfterTheDeviceIsReset)
{
    sun(L"X=\"-1\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"EDITOR\" TECHNIQUE=\"T_NORMAL\"/>");
    const std::wstring passes = L"<RENDERPASSES><SZENE/></RENDERPASSES>";
    add<SunObjekt>(L"<OBJEKT NAME=\"Himmel\" TYPE=\"SUN\"><BASE_DATA EFFECT=\"Himmel\">" + passes +
                   L"</BASE_DATA><MESH_DATA NAME=\"HIMMEL\"/><SUN_DATA IS_SUN=\"1\"/></OBJEKT>");
    add<MeshObjekt>(L"<OBJEKT NAME=\"Haus\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">" + passes +
                    L"<POSITION X=\"-3\"/></BASE_DATA><MESH_DATA NAME=\"HAUS\"/></OBJEKT>");
    add<WaterObjekt>(L"<OBJEKT NAME=\"See\" TYPE=\"WATER\"><BASE_DATA EFFECT=\"Wasser\">" + passes +
                     L"<SCALE X=\"0.5\" Y=\"1\" Z=\"0.5\"/><POSITION Y=\"-0.2\"/></BASE_DATA>"
                     L"<MESH_DATA NAME=\"BODEN\"/></OBJEKT>");
    add<IceObjekt>(L"<OBJEKT NAME=\"Eis\" TYPE=\"ICE\"><BASE_DATA EFFECT=\"Eis\">" + passes +
                   L"<SCALE X=\"0.1\" Y=\"1\" Z=\"0.1\"/><POSITION X=\"3\" Y=\"0.1\" Z=\"-2\"/></BASE_DATA>"
                   L"<MESH_DATA NAME=\"BODEN\"/></OBJEKT>");
    add<ReflektionObjekt>(L"<OBJEKT NAME=\"Spiegel\" TYPE=\"REFLECTION\"><BASE_DATA EFFECT=\"Spiegel\">" + passes +
                          L"<SCALE X=\"0.1\" Y=\"1\" Z=\"0.1\"/><POSITION X=\"-1\" Y=\"0.1\" Z=\"-3\"/></BASE_DATA>"
                          L"<MESH_DATA NAME=\"BODEN\"/></OBJEKT>");
    add<AnimatedMeshObjekt>(L"<OBJEKT NAME=\"Muehle\" TYPE=\"ANI_MESH\"><BASE_DATA EFFECT=\"Material\">" + passes +
                            L"<POSITION X=\"3\" Z=\"2\"/></BASE_DATA><ANIMESH_DATA NAME=\"WINDMUEHLE\"/></OBJEKT>");
    add<CoordsObjekt>(L"<OBJEKT NAME=\"COORDS\" TYPE=\"COORDS\"><BASE_DATA EFFECT=\"Gizmo\"><RENDERPASSES><EDITOR/>"
                      L"</RENDERPASSES></BASE_DATA><COORDS_DATA><LOKAL_Y TYPE=\"MESH\" NAME=\"y\">"
                      L"<BASE_DATA EFFECT=\"Gizmo\"/><MESH_DATA NAME=\"GIZMO_ACHSE_Y\"/></LOKAL_Y></COORDS_DATA>"
                      L"</OBJEKT>");
    look(D3DXVECTOR3(0, 4, -12), D3DXVECTOR3(0, 1, 0));
    const Image before = frame({L"SZENE", L"EDITOR"});
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    const Image after = frame({L"SZENE", L"EDITOR"});
    ASSERT_EQ(after.width, before.width);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos) << m_logs.text();
}

TEST_F(SceneObjectsDrawTest, WithInstancingTheGroupsRootDrawsEveryVisibleInstance)
{
    sun(L"X=\"-1\" Y=\"1\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
    configure(kScenePass);
    auto* root = add<MeshObjekt>(L"<OBJEKT NAME=\"Kiste\" TYPE=\"MESH\"><BASE_DATA EFFECT=\"Material\">"
                                 L"<RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"-2\"/></BASE_DATA>"
                                 L"<MESH_DATA NAME=\"KISTE\"/></OBJEKT>");
    ASSERT_NE(root, nullptr);
    for (float x : {0.0f, 2.0f}) {
        auto* copy = static_cast<MeshObjekt*>(root->clone());
        copy->setPosition(D3DXVECTOR3(x, 0, 0));
        m_objects.push_back(copy);
        m_graph.addObject(copy, true);
    }
    look(D3DXVECTOR3(0, 2, -7), D3DXVECTOR3(0, 0, 0));
    const Image single = frame({L"SZENE"});
    INSTANCING = true;
    const Image instanced = frame({L"SZENE"});
    INSTANCING = false;
    // The same three boxes, drawn once each by the root of their group.
    for (float x : {-2.0f, 0.0f, 2.0f}) {
        const POINT p = pixelOf(D3DXVECTOR3(x, 0, -0.5f));
        EXPECT_NE(instanced.at(p.x, p.y), kClear) << x;
    }
    EXPECT_EQ(instanced.pixels, single.pixels);
}
