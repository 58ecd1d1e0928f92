// The render-pass kinds on the real device: split shadow maps, water reflections, cube maps,
// render to texture and the z-buffer read-back, with their targets from the render manager's
// pool through quality changes and device resets.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/BoxObjekt.h"
#include "engine/render/PassTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/MirrorSurfaces.h"
#include "render/passes/RenderPassCubeMap.h"
#include "render/passes/RenderPassShadow.h"
#include "render/passes/RenderPassToTexture.h"
#include "render/passes/RenderPassWater.h"
#include "render/passes/RenderPassZBuffer.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <platform_test.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;
using RenderTesting::BoxObjekt;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;

// A flat box whose top is a water plane at its height.
class WaterBox : public BoxObjekt, public WaterSurface {
public:
    using BoxObjekt::BoxObjekt;
    D3DXPLANE getWaterPlane() const override { return D3DXPLANE(0.0f, 1.0f, 0.0f, -getPosition().y); }
    D3DXPLANE getInversePlane() const override { return D3DXPLANE(0.0f, -1.0f, 0.0f, getPosition().y); }
    const D3DXMATRIX& getSurfaceWorldMatrix() const override { return m_surfaceWorld; }
    float getMaxRefractDepth() const override { return 1.0f; }
    void updateSurface() { m_surfaceWorld = getWorldMatrix(); }

private:
    D3DXMATRIX m_surfaceWorld;
};

DWORD grey(float value)
{
    const DWORD c = static_cast<DWORD>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
    return 0xFF000000 | (c << 16) | (c << 8) | c;
}

class RenderPassKindsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice(kW, kH);
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(RenderTesting::loadTestPassEffects(TestSupport::sourceDir(), m_logs.folder()));
        m_manager = std::make_unique<RenderManager>();
        m_manager->setSceneGraph(&m_graph);
        CameraManager::getInstance()->setRenderManager(m_manager.get());
        m_camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
        m_camera.setFovAspect(45.0, 0.0);
        m_camera.setNearFar(1.0, 30.0);
    }

    void TearDown() override
    {
        CameraManager::getInstance()->setRenderManager(nullptr);
        for (RenderPass* pass : m_active)
            pass->release();
        for (BoxObjekt* object : m_objects)
            m_graph.removeObject(object, true);
        m_manager.reset();
        for (BoxObjekt* object : m_objects)
            object->Release();
    }

    // The sun: one direction and colour all day.
    void sun(const std::wstring& direction, const wchar_t* diffuse, const wchar_t* ambient)
    {
        RenderTesting::sunAllDay(m_graph, direction, diffuse, ambient);
    }

    template <class Box = BoxObjekt>
    Box* add(const std::wstring& name, const std::wstring& baseData, const std::wstring& effect = L"TestPasses")
    {
        XMLNode node;
        XMLNode::load(&node,
                      L"<OBJEKT NAME=\"" + name + L"\"><BASE_DATA EFFECT=\"" + effect + L"\" " + baseData +
                          L"</BASE_DATA></OBJEKT>",
                      1);
        auto* object = new Box(&node);
        m_objects.push_back(object);
        m_graph.addObject(object, true);
        return object;
    }

    // A cyan water surface in the water pass only (not reflected), placed and scaled by `placing`
    // (POSITION and SCALE nodes), its surface ready to draw.
    WaterBox* addWater(const std::wstring& name, const std::wstring& placing)
    {
        auto* water = add<WaterBox>(name,
                                    L"MASK_COLOR=\"FF00FFFF\"><RENDERPASSES><WASSER><REFLECTION ENABLED=\"0\"/>"
                                    L"</WASSER></RENDERPASSES>" +
                                        placing,
                                    L"TestWater");
        water->getBoundingBox();
        water->updateSurface();
        return water;
    }

    // The passes of a render configuration, each switched on.
    void configure(const std::wstring& passes)
    {
        RenderTesting::configurePasses(*m_manager, m_graph, passes, m_active);
    }

    template <class Kind> Kind* pass(const std::wstring& name)
    {
        return dynamic_cast<Kind*>(m_manager->getRenderPass(name));
    }

    // The passes drawn in order into a 320x240 picture cleared to the colour.
    Image frame(std::initializer_list<RenderPass*> passes, D3DCOLOR clear = 0xFF202020)
    {
        return RenderTesting::drawPasses(m_device, m_camera, passes, kW, kH, clear);
    }

    POINT pixelOf(const D3DXVECTOR3& point) const { return RenderTesting::pixelOf(m_camera, point, kW, kH); }

    // The shadow scene: a grey floor receiving, two boxes casting and receiving, one near and
    // one in the far split, lit from above at the front left.
    void shadowScene(const wchar_t* quality)
    {
        sun(L"X=\"-1\" Y=\"2\" Z=\"-1\"", L"FFFFFFFF", L"FF404040");
        configure(std::wstring(L"<RENDERPASS NAME=\"SCHATTEN\" TYPE=\"SHADOW\" SHADOW_QUALITY=\"") + quality +
                  L"\"><PSSM SPLITS=\"2\" LAMBDA=\"0.5\" LIGHTDIST=\"40\" ZMIN_OFFSET=\"0\"/></RENDERPASS>");
        add(L"Boden", L"MASK_COLOR=\"FF808080\"><RENDERPASSES><SCHATTEN><CAST ENABLED=\"0\"/></SCHATTEN>"
                      L"</RENDERPASSES><POSITION Y=\"-0.05\"/><SCALE X=\"20\" Y=\"0.1\" Z=\"30\"/>");
        add(L"Nah", L"MASK_COLOR=\"FFC00000\"><RENDERPASSES><SCHATTEN/></RENDERPASSES><POSITION Y=\"0.5\"/>");
        add(L"Fern", L"MASK_COLOR=\"FF0000C0\"><RENDERPASSES><SCHATTEN/></RENDERPASSES>"
                     L"<POSITION X=\"2\" Y=\"0.5\" Z=\"8\"/>");
        m_camera.setEyePosition(D3DXVECTOR3(0, 5, -8));
        m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    SceneGraph m_graph;
    std::unique_ptr<RenderManager> m_manager;
    LookAtCamera m_camera{L"Kamera"};
    std::vector<BoxObjekt*> m_objects;
    std::vector<RenderPass*> m_active;
};

} // namespace

TEST_F(RenderPassKindsTest, BoxCastsASplitShadowOnThePlaneAtTwoSplits)
{
    shadowScene(L"LOW");
    auto* shadow = pass<RenderPassShadow>(L"SCHATTEN");
    ASSERT_NE(shadow, nullptr);
    ASSERT_TRUE(shadow->isCreated());
    ASSERT_NE(shadow->getShadowTarget(), nullptr);
    EXPECT_EQ(shadow->getShadowTarget()->getKey().width, 1024u);
    uint64_t callsBefore = 0, drawsBefore = 0, calls = 0, draws = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(callsBefore, drawsBefore);
    const Image image = frame({shadow});
    PlatformGLCallCounts(calls, draws);
    PlatformCountGLCalls(false);
    // Each split's map gets only the casters whose shadow can reach its slice: the far split's
    // both boxes and its receivers (floor, far box), the near split's near box and its receivers
    // (floor, near box). The far box's shadow falls beyond the near slice: drawn into its map, it
    // would make 8.
    EXPECT_EQ(draws - drawsBefore, 7u);

    // Floor: its grey (0.5) under the sun's ambient (0x40) and white light from (-1, 2, -1) where
    // lit, half that in the shadow.
    const float lit = 0.5f * (64.0f / 255.0f + 2.0f / std::sqrt(6.0f));
    // Light from -x, -z: the shadows fall half a unit to +x and +z per unit of height.
    for (const D3DXVECTOR3& shaded : {D3DXVECTOR3(0.8f, 0, 0.3f), D3DXVECTOR3(2.8f, 0, 8.3f)}) {
        const POINT p = pixelOf(shaded);
        EXPECT_PIXEL(image, p.x, p.y, grey(lit * 0.5f));
    }
    for (const D3DXVECTOR3& open : {D3DXVECTOR3(-1.5f, 0, 0), D3DXVECTOR3(-1.0f, 0, 8.0f)}) {
        const POINT p = pixelOf(open);
        EXPECT_PIXEL(image, p.x, p.y, grey(lit));
    }
    // The near box's shadow lies in the first split, the far one's in the second (view depths).
    std::vector<float> splits;
    computeSplitDistances(2, 0.5f, 1.0f, 30.0f, splits);
    D3DXVECTOR3 axis(0, -5, 8);
    D3DXVec3Normalize(&axis, &axis);
    const D3DXVECTOR3 near = D3DXVECTOR3(0.8f, 0, 0.3f) - D3DXVECTOR3(0, 5, -8);
    const D3DXVECTOR3 far = D3DXVECTOR3(2.8f, 0, 8.3f) - D3DXVECTOR3(0, 5, -8);
    EXPECT_LT(D3DXVec3Dot(&near, &axis), splits[1]);
    EXPECT_GT(D3DXVec3Dot(&far, &axis), splits[1] + 1.0f);
    double zNear = 0, zFar = 0;
    m_camera.getNearFar(zNear, zFar);
    EXPECT_EQ(zFar, 30.0); // given back after the splits
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "render" / "golden",
                                           "pass_shadow_two_splits"));
}

TEST_F(RenderPassKindsTest, WaterReflectsTheBoxAboveIt)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"-1\"", L"FF000000", L"FFFFFFFF");
    configure(L"<RENDERPASS NAME=\"SZENE\"/><RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\" QUALITY=\"LOW\"/>");
    add(L"Kiste", L"MASK_COLOR=\"FFE04020\"><RENDERPASSES><SZENE/><WASSER><WATER ENABLED=\"0\"/></WASSER>"
                  L"</RENDERPASSES><POSITION Y=\"1.25\"/>");
    addWater(L"See", L"<SCALE X=\"8\" Y=\"0.0001\" Z=\"8\"/>");
    m_camera.setEyePosition(D3DXVECTOR3(0, 3, -8));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    auto* pass = this->pass<RenderPassWater>(L"WASSER");
    ASSERT_NE(pass, nullptr);
    ASSERT_TRUE(pass->isCreated());
    // A 640 x 480 screen: a quarter of 640, up to a power of two.
    EXPECT_EQ(pass->getTextureSize(), 256u);
    const Image image = frame({m_manager->getRenderPass(L"SZENE"), pass});

    // The box's front face and its mirror image below the water, in the box's own colour (lit by
    // the ambient light alone); the water elsewhere mirrors the cleared white.
    const POINT box = pixelOf(D3DXVECTOR3(0, 1.25f, -0.5f));
    EXPECT_PIXEL(image, box.x, box.y, 0xFFE04020);
    const POINT mirrored = pixelOf(D3DXVECTOR3(0, -1.25f, -0.5f));
    EXPECT_PIXEL(image, mirrored.x, mirrored.y, 0xFFE04020);
    const POINT open = pixelOf(D3DXVECTOR3(-3.0f, 0, -2.0f));
    EXPECT_PIXEL(image, open.x, open.y, 0xFFFFFFFF);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "render" / "golden",
                                           "pass_water_reflection"));
}

TEST_F(RenderPassKindsTest, TheMirroredCameraCullsToWhatCanShowInTheWater)
{
    // A slab above a small pond, drawn whole into the mirror, asks the camera it is drawn with
    // about two small boxes of its own: one whose mirror image the pond's centre shows, one whose
    // mirror image lies far to the side of the pond on the screen.
    struct Slab : BoxObjekt {
        using BoxObjekt::BoxObjekt;
        void render(Camera* camera) override
        {
            const D3DXVECTOR3 half(0.05f, 0.05f, 0.05f);
            asked.push_back({camera->getEyePosition().y < 0.0f,
                             camera->isAABBInFrustum(inside - half, inside + half) != 0,
                             camera->isAABBInFrustum(beside - half, beside + half) != 0});
            BoxObjekt::render(camera);
        }
        struct Answer {
            bool mirrored, inside, beside;
        };
        std::vector<Answer> asked;
        // The eye at (0, 3, -8) sees the pond's centre along (0, -3, 8) and, below it, the mirror
        // image (0, -0.75, 2) of the inner box; the other box's image, (5, -0.75, 2), lies about 0.85
        // to the right in device coordinates, where the pond reaches 0.24.
        D3DXVECTOR3 inside{0.0f, 0.75f, 2.0f}, beside{5.0f, 0.75f, 2.0f};
    };
    sun(L"X=\"0\" Y=\"1\" Z=\"-1\"", L"FF000000", L"FFFFFFFF");
    configure(L"<RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\" QUALITY=\"LOW\"/>");
    auto* slab =
        add<Slab>(L"Steg", L"MASK_COLOR=\"FFE04020\"><RENDERPASSES><WASSER><WATER ENABLED=\"0\"/></WASSER>"
                           L"</RENDERPASSES><POSITION Y=\"0.75\" Z=\"2\"/><SCALE X=\"12\" Y=\"0.5\" Z=\"2\"/>");
    auto* water = addWater(L"Teich", L"<SCALE X=\"2\" Y=\"0.0001\" Z=\"2\"/>");
    m_camera.setEyePosition(D3DXVECTOR3(0, 3, -8));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    frame({pass<RenderPassWater>(L"WASSER")});

    ASSERT_EQ(slab->asked.size(), 1u) << "the slab is drawn into the mirror and only there";
    EXPECT_TRUE(slab->asked[0].mirrored);
    EXPECT_TRUE(slab->asked[0].inside) << "cut away what the water shows";
    EXPECT_FALSE(slab->asked[0].beside);
    // Only the window keeps it out: the mirrored view as such sees it.
    LookAtCamera mirrored(m_camera);
    mirrored.reflect(water->getWaterPlane());
    const D3DXVECTOR3 half(0.05f, 0.05f, 0.05f);
    EXPECT_NE(mirrored.isAABBInFrustum(slab->beside - half, slab->beside + half), 0);
    EXPECT_NE(m_camera.isAABBInFrustum(slab->beside - half, slab->beside + half), 0);
}

TEST_F(RenderPassKindsTest, CubeMapRendersItsSixFacesFromAPosition)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"0\"", L"FF000000", L"FFFFFFFF");
    configure(L"<RENDERPASS NAME=\"WUERFEL\" TYPE=\"CUBE_MAP\" USE_POSITION=\"POSITION\" Z_MIN=\"0.5\" Z_MAX=\"20\">"
              L"<CLEAR_PARAMS CLEAR=\"COLOR STENCIL\" CLEAR_COLOR=\"FF303030\"/></RENDERPASS>");
    const wchar_t* colours[6] = {L"FFFF0000", L"FF00FF00", L"FF0000FF", L"FFFFFF00", L"FFFF00FF", L"FF00FFFF"};
    const wchar_t* positions[6] = {L"X=\"3\"", L"X=\"-3\"", L"Y=\"3\"", L"Y=\"-3\"", L"Z=\"3\"", L"Z=\"-3\""};
    for (int i = 0; i < 6; ++i)
        add(L"Seite" + std::to_wstring(i), std::wstring(L"MASK_COLOR=\"") + colours[i] +
                                               L"\"><RENDERPASSES><WUERFEL/></RENDERPASSES><POSITION " + positions[i] +
                                               L"/><SCALE X=\"1.8\" Y=\"1.8\" Z=\"1.8\"/>");
    auto* cube = pass<RenderPassCubeMap>(L"WUERFEL");
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->getClearFlags(), static_cast<DWORD>(D3DCLEAR_ZBUFFER | D3DCLEAR_TARGET | D3DCLEAR_STENCIL));
    cube->setCubeMap(L"Test.Wuerfel", 64, D3DFMT_A8R8G8B8);
    cube->setPosition(D3DXVECTOR3(0, 0, 0), true);
    ASSERT_TRUE(cube->isCreated());
    ASSERT_EQ(m_manager->getTargetPool().find(L"Test.Wuerfel"), cube->getCubeTarget());
    frame({cube});

    // The six faces side by side in face order +X, -X, +Y, -Y, +Z, -Z: each sees its box filling
    // the middle, with the clear colour around.
    Image all;
    all.width = 64 * 6;
    all.height = 64;
    all.pixels.resize(static_cast<std::size_t>(all.width) * all.height);
    for (unsigned face = 0; face < 6; ++face) {
        const Image one = GraphicsTesting::readSurface(cube->getCubeTarget()->getSurface(face));
        ASSERT_EQ(one.width, 64u);
        for (UINT y = 0; y < 64; ++y)
            for (UINT x = 0; x < 64; ++x)
                all.pixels[static_cast<std::size_t>(y) * all.width + face * 64 + x] = one.at(x, y);
        uint32_t colour = 0;
        swscanf(colours[face], L"%x", &colour);
        EXPECT_PIXEL(one, 32, 32, colour) << "face " << face;
        EXPECT_PIXEL(one, 1, 1, 0xFF303030u) << "face " << face;
    }
    EXPECT_TRUE(TestSupport::matchesGolden(all, TestSupport::sourceDir() / "tests" / "engine" / "render" / "golden",
                                           "pass_cube_map_faces"));
}

TEST_F(RenderPassKindsTest, RenderToTextureDrawsIntoItsTargetWithinItsFrameBudget)
{
    sun(L"X=\"0\" Y=\"1\" Z=\"0\"", L"FF000000", L"FFFFFFFF");
    configure(L"<RENDERPASS NAME=\"BILD\" TYPE=\"TO_TEXTURE\" SIZE_TEXTURE=\"128 96\"/>");
    BoxObjekt* box = add(L"Kiste", L"MASK_COLOR=\"FF20A040\"><RENDERPASSES><BILD/></RENDERPASSES>"
                                   L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/>");
    auto* pass = this->pass<RenderPassToTexture>(L"BILD");
    ASSERT_NE(pass, nullptr);
    ASSERT_TRUE(pass->isCreated());
    m_camera.setEyePosition(D3DXVECTOR3(0, 0, -6));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    pass->setFrameBudget(1);
    frame({pass});
    const Image image = GraphicsTesting::readSurface(pass->getTarget()->getSurface());
    ASSERT_EQ(image.width, 128u);
    ASSERT_EQ(image.height, 96u);
    EXPECT_PIXEL(image, 64, 48, 0xFF20A040u);
    EXPECT_PIXEL(image, 2, 2, 0xFFFFFFFFu);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "render" / "golden",
                                           "pass_render_to_texture"));
    // Its budget spent, the pass keeps its picture.
    BoxObjekt::drawn.clear();
    frame({pass});
    EXPECT_EQ(std::count(BoxObjekt::drawn.begin(), BoxObjekt::drawn.end(), box->getName()), 0);
    EXPECT_EQ(pass->getFrameBudget(), 0);
}

TEST_F(RenderPassKindsTest, ZBufferReadBackFindsTheWorldPositionUnderAPixelAndTheFocus)
{
    // The clock stands still, so a slow machine cannot let the pass's redraw interval pass.
    struct StillClock {
        StillClock() { PlatformUseVirtualClock(true); }
        ~StillClock() { PlatformUseVirtualClock(false); }
    } still;
    sun(L"X=\"0\" Y=\"1\" Z=\"0\"", L"FF000000", L"FFFFFFFF");
    add(L"Wand", L"MASK_COLOR=\"FFFFFFFF\"><RENDERPASSES DEFAULT=\"1\"/><POSITION Z=\"5\"/>"
                 L"<SCALE X=\"40\" Y=\"40\" Z=\"1\"/>");
    m_camera.setEyePosition(D3DXVECTOR3(0, 0, -10));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    RenderPassZBuffer* zbuffer = m_manager->getZBufferPass();
    ASSERT_NE(zbuffer, nullptr);
    EXPECT_EQ(m_manager->getZBufferPass(), zbuffer);
    ASSERT_TRUE(zbuffer->isCreated());
    EXPECT_EQ(zbuffer->getTextureSize(), 1024u); // the larger side of 640 x 480, up to a power of two

    // The wall's front at z = 4.5, 14.5 along the view axis. A texel of the picture covers this
    // much of the wall across.
    const float cell = 2.0f * 14.5f * std::tan(22.5f * 3.14159265f / 180.0f) * m_camera.getAspect() / 1024.0f;
    for (const D3DXVECTOR2& screen : {D3DXVECTOR2(0.5f, 0.5f), D3DXVECTOR2(0.2f, 0.7f), D3DXVECTOR2(0.9f, 0.1f)}) {
        D3DXVECTOR3 world;
        ASSERT_TRUE(zbuffer->getWorldPosition(&m_camera, screen, world, 1));
        // By hand: the ray through the point, scaled to reach the wall's view depth.
        const D3DXMATRIX& p = m_camera.getProjectionMatrix();
        const float x = (2.0f * screen.x - 1.0f) / p._11 * 14.5f;
        const float y = -(2.0f * screen.y - 1.0f) / p._22 * 14.5f;
        EXPECT_NEAR(world.x, x, cell) << screen.x;
        EXPECT_NEAR(world.y, y, cell) << screen.y;
        EXPECT_NEAR(world.z, 4.5f, 0.01f);
    }
    // A still camera is not drawn again within the interval; renderMode -1 only reads.
    const unsigned renders = zbuffer->getRenderCount();
    D3DXVECTOR3 world;
    EXPECT_TRUE(zbuffer->getWorldPosition(&m_camera, D3DXVECTOR2(0.5f, 0.5f), world, -1));
    EXPECT_TRUE(zbuffer->getWorldPosition(&m_camera, D3DXVECTOR2(0.5f, 0.5f), world, 0));
    EXPECT_EQ(zbuffer->getRenderCount(), renders);

    // The z-buffer focus: the mean distance from the eye to the wall under its sample points.
    m_camera.getFocalParams().calcType = FOCUS_ZBUFFER;
    m_camera.calcFocalDistance();
    float sum = 0.0f;
    const std::vector<D3DXVECTOR2> samples = m_camera.getFocusSamplePoints();
    for (const D3DXVECTOR2& point : samples) {
        const D3DXMATRIX& p = m_camera.getProjectionMatrix();
        const D3DXVECTOR3 ray((2.0f * point.x - 1.0f) / p._11, -(2.0f * point.y - 1.0f) / p._22, 1.0f);
        sum += D3DXVec3Length(&ray) * 14.5f;
    }
    EXPECT_EQ(m_camera.getHitCount(), static_cast<int>(samples.size()));
    EXPECT_NEAR(m_camera.getTargetFocalDistance(), sum / static_cast<float>(samples.size()), 0.05f);
}

TEST_F(RenderPassKindsTest, ForcedDeviceResetAtEachQualityKeepsEveryPassDrawing)
{
    shadowScene(L"LOW");
    configure(L"<RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\" QUALITY=\"LOW\"/>"
              L"<RENDERPASS NAME=\"BILD\" TYPE=\"TO_TEXTURE\" SIZE_TEXTURE=\"64\"/>");
    addWater(L"See", L"<POSITION X=\"-4\" Z=\"-2\"/><SCALE X=\"3\" Y=\"0.0001\" Z=\"3\"/>");
    std::vector<RenderPass*> passes{m_manager->getRenderPass(L"SCHATTEN"), m_manager->getRenderPass(L"WASSER"),
                                    m_manager->getRenderPass(L"BILD")};
    D3DInterface* d3d = D3DInterface::getInstance();
    for (MyQuality quality : {QUALITY_LOW, QUALITY_MEDIUM, QUALITY_HIGH}) {
        m_manager->setShadowQuality(quality);
        m_manager->setWaterQuality(quality);
        EXPECT_EQ(passes[0]->getQuality(), static_cast<unsigned>(quality));
        EXPECT_EQ(passes[1]->getQuality(), static_cast<unsigned>(quality));
        const Image before = frame({passes[0], passes[1], passes[2]});
        ASSERT_TRUE(PlatformLoseDevice(m_device));
        for (int i = 0; i < 3 && !d3d->TestCooperative(); ++i) {}
        ASSERT_TRUE(d3d->TestCooperative()) << m_logs.text();
        EXPECT_EQ(m_manager->getTargetPool().getCreatedCount(), m_manager->getTargetPool().getTargetCount());
        const Image after = frame({passes[0], passes[1], passes[2]});
        EXPECT_EQ(after.pixels, before.pixels) << quality;
    }
}

TEST_F(RenderPassKindsTest, QualityLowHighNoneReleasesAndRemakesTargetsWithoutALeak)
{
    const std::size_t idle = m_manager->getTargetPool().getTargetCount();
    configure(L"<RENDERPASS NAME=\"SCHATTEN\" TYPE=\"SHADOW\"/><RENDERPASS NAME=\"WASSER\" TYPE=\"WATER\"/>");
    auto* shadow = pass<RenderPassShadow>(L"SCHATTEN");
    auto* water = pass<RenderPassWater>(L"WASSER");
    // No quality words: nothing made yet.
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), idle);
    m_manager->setShadowQuality(QUALITY_LOW);
    m_manager->setWaterQuality(QUALITY_LOW);
    // The shadow map and its depth; water's three pictures and their depth.
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), idle + 6);
    EXPECT_EQ(shadow->getShadowTarget()->getKey().width, 1024u);
    m_manager->setShadowQuality(QUALITY_HIGH);
    m_manager->setWaterQuality(QUALITY_HIGH);
    EXPECT_EQ(shadow->getShadowTarget()->getKey().width, 4096u);
    EXPECT_EQ(water->getTextureSize(), 1024u);
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), idle + 6);
    EXPECT_EQ(m_manager->getTargetPool().getCreatedCount(), m_manager->getTargetPool().getTargetCount());
    m_manager->setShadowQuality(QUALITY_NONE);
    m_manager->setWaterQuality(QUALITY_NONE);
    EXPECT_TRUE(shadow->isCreated());
    EXPECT_EQ(shadow->getShadowTarget(), nullptr);
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), idle);
    // Switched off, and with nothing left over, the device resets.
    for (RenderPass* pass : m_active)
        pass->release();
    m_active.clear();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    D3DInterface* d3d = D3DInterface::getInstance();
    for (int i = 0; i < 3 && !d3d->TestCooperative(); ++i) {}
    EXPECT_TRUE(d3d->TestCooperative());
    EXPECT_EQ(m_logs.text().find("Reset refused"), std::string::npos);
}

TEST_F(RenderPassKindsTest, BrokenSettingsGetSoundDefaultsWithALogLine)
{
    configure(L"<RENDERPASS NAME=\"MINUS\" TYPE=\"SHADOW\"><PSSM SPLITS=\"-3\" LAMBDA=\"1.5\"/></RENDERPASS>"
              L"<RENDERPASS NAME=\"KARTE\" TYPE=\"SHADOW_MAP\"/>"
              L"<RENDERPASS NAME=\"ORT\" TYPE=\"CUBE_MAP\" USE_POSITION=\"POSITION\"/>"
              L"<RENDERPASS NAME=\"LEER\" TYPE=\"TO_TEXTURE\" SIZE_TEXTURE=\"0 -4\"/>");
    EXPECT_EQ(pass<RenderPassShadow>(L"MINUS")->getSettings().splits, 2);
    EXPECT_NE(m_logs.text().find("\"MINUS\" has SPLITS -3; it draws 2 splits"), std::string::npos);

    // The split shadow map without a light direction or size from its user: straight down, 1024.
    auto* map = pass<RenderPassPSSMShadowMap>(L"KARTE");
    EXPECT_TRUE(map->isCreated());
    add(L"Kiste", L"MASK_COLOR=\"FFFFFFFF\"><RENDERPASSES><KARTE/></RENDERPASSES>");
    RenderTargetHandle split = m_manager->getTargetPool().acquire(
        RenderTargetKey{L"Test.Split", 1024, 1024, D3DFMT_R32F, RenderTargetKind::Texture});
    map->setTargetName({split->getSurface(), split->getSurface(), split->getSurface()});
    m_camera.setEyePosition(D3DXVECTOR3(0, 2, -6));
    m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    frame({map});
    std::vector<float> distances;
    map->getSplitDistances(distances);
    EXPECT_EQ(distances.size(), 3u); // two splits, though three surfaces were given
    EXPECT_EQ(map->getSplitMatrices().size(), 2u);

    // A cube map told to render from a position it was never given: the origin, said once.
    auto* cube = pass<RenderPassCubeMap>(L"ORT");
    frame({cube});
    frame({cube});
    const std::string logs = m_logs.text();
    const std::size_t first = logs.find("\"ORT\" has no position; it renders from the origin");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(logs.find("\"ORT\" has no position", first + 1), std::string::npos);

    // A picture of no size is drawn at the default size.
    auto* empty = pass<RenderPassToTexture>(L"LEER");
    EXPECT_EQ(empty->getWidth(), 512);
    EXPECT_EQ(empty->getHeight(), 512);
    EXPECT_TRUE(empty->isCreated());
    EXPECT_NE(m_logs.text().find("\"LEER\" has SIZE_TEXTURE 0 -4; it draws 512 x 512"), std::string::npos);

    // A screen of no size sizes the targets as for a 1024-wide one.
    EXPECT_EQ(PassTargets::screenTextureSize(2, RECT{0, 0, 0, 0}, L"Test"), 512u);
    EXPECT_NE(m_logs.text().find(" Test: the screen has no size"), std::string::npos);
}

TEST(RenderPassSplitsTest, LambdaMixesEvenAndLogarithmicSplitsAndSizesFollowTheQuality)
{
    std::vector<float> splits;
    computeSplitDistances(2, 0.0f, 1.0f, 100.0f, splits);
    EXPECT_EQ(splits, (std::vector<float>{1.0f, 50.5f, 100.0f}));
    computeSplitDistances(2, 1.5f, 1.0f, 100.0f, splits); // acts as 1
    EXPECT_NEAR(splits[1], 10.0f, 1e-4f);
    computeSplitDistances(1, 0.5f, 1.0f, 100.0f, splits);
    EXPECT_EQ(splits, (std::vector<float>{1.0f, 100.0f}));
    computeSplitDistances(0, 0.5f, 1.0f, 100.0f, splits);
    EXPECT_TRUE(splits.empty());
    // A far plane beyond the shadows' reach leaves the first splits where they were; the last
    // reaches on to it.
    computeSplitDistances(2, 0.0f, 1.0f, 2000.0f, splits);
    EXPECT_EQ(splits, (std::vector<float>{1.0f, 50.5f, 2000.0f}));

    const RECT wide{0, 0, 1280, 720}, tall{0, 0, 720, 1280};
    for (const RECT& screen : {wide, tall}) {
        EXPECT_EQ(PassTargets::screenTextureSize(1, screen, L"Test"), 512u);
        EXPECT_EQ(PassTargets::screenTextureSize(2, screen, L"Test"), 1024u);
        EXPECT_EQ(PassTargets::screenTextureSize(3, screen, L"Test"), 2048u);
    }
    EXPECT_EQ(PassTargets::shadowMapSize(0), 0u);
    EXPECT_EQ(PassTargets::shadowMapSize(3), 4096u);
    EXPECT_EQ(PassTargets::shadowMapSize(7), 1024u);
    EXPECT_EQ(PassTargets::qualityFromWord(L"high"), 1u);
}

// The demo scene's configuration builds every kind; the game's own keeps its frame to the scene
// pass, so a game frame draws no shadows.
TEST_F(RenderPassKindsTest, DemoSceneConfigurationHasEveryKindAndTheGameFrameNoShadows)
{
    const std::filesystem::path fx = TestSupport::sourceDir() / "data" / "FX";
    XMLNode demo;
    ASSERT_TRUE(XMLNode::load(&demo, (fx / "demoscene.rp").wstring(), 0));
    m_manager->load(&demo);
    m_manager->setSceneGraph(&m_graph);
    EXPECT_NE(pass<RenderPassDepthLinear>(L"TIEFE"), nullptr);
    EXPECT_NE(pass<RenderPassPSSMShadowMap>(L"SONNENKARTE"), nullptr);
    EXPECT_NE(pass<RenderPassReflection>(L"SPIEGEL"), nullptr);
    EXPECT_NE(pass<RenderPassToTexture>(L"BILD"), nullptr);
    auto* shadow = pass<RenderPassShadow>(L"SCHATTEN");
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->getSettings().splits, 2);
    EXPECT_EQ(shadow->getQuality(), 2u);
    EXPECT_EQ(shadow->getRefCount(), 1u); // active in the forward list
    auto* cube = pass<RenderPassCubeMap>(L"UMGEBUNG");
    ASSERT_NE(cube, nullptr);
    ASSERT_EQ(cube->getFoundPasses().size(), 1u);
    EXPECT_EQ(cube->getFoundPasses().front()->getName(), L"SZENE");
    EXPECT_EQ(pass<RenderPassWater>(L"WASSER")->getQuality(), 2u);

    RenderManager game;
    XMLNode shipped;
    ASSERT_TRUE(XMLNode::load(&shipped, (fx / "renderpass.rp").wstring(), 0));
    game.load(&shipped);
    for (int list : {0, 1}) {
        for (RenderPass* active : game.getForwardRenderer()->getPasses(list))
            EXPECT_EQ(active->getName(), L"SZENE");
    }
    for (RenderPass* each : game.getRenderPasses())
        EXPECT_EQ(dynamic_cast<RenderPassShadow*>(each), nullptr) << each->getName();
}
