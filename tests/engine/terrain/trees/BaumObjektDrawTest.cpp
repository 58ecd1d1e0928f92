// The forest on the real device through the scene pass: a small forest of both types, the
// batches of 75 trees, drawing nothing without an effect, and the same frame after a forced
// device reset.
#include "TreeTestSupport.h"
#include "engine/render/PassTestSupport.h"
#include "engine/scene/SceneDrawTest.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/SceneClock.h"
#include "support/LogCapture.h"

#include <crt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;
constexpr D3DCOLOR kClear = 0xFF203040;

class BaumObjektDrawTest : public SceneTesting::SceneDrawTest {
protected:
    BaumObjektDrawTest() : SceneDrawTest(L"Wald") {}

    void SetUp() override
    {
        ASSERT_TRUE(TreeTesting::loadTreeData(m_logs.folder()));
        startScene(kW, kH, 45.0, 0.5, 300.0);
        RenderTesting::sunAllDay(m_graph, L"X=\"-1\" Y=\"2\" Z=\"-1.5\"", L"FFFFF0D0", L"FF505058");
        RenderTesting::configurePasses(*m_manager, m_graph, L"<RENDERPASS NAME=\"SZENE\"/>", m_active);
    }

    void plant(const std::wstring& treeData, const std::wstring& types = TreeTesting::kTwoTypes,
               const std::wstring& baseData = L"EFFECT=\"Baum\"")
    {
        m_forest = TreeTesting::buildForest(m_scene.manager, treeData, types, baseData);
        add(m_forest);
    }

    Image frame()
    {
        return RenderTesting::drawPasses(m_device, m_camera, {m_manager->getRenderPass(L"SZENE")}, kW, kH, kClear);
    }

    TreeTesting::TreeScene m_scene;
    BaumObjekt* m_forest = nullptr;
};

} // namespace

TEST_F(BaumObjektDrawTest, ASmallForestOfBothTypesStandsOnTheGroundAndSurvivesADeviceReset)
{
    crt_srand(3);
    // Sixteen trees on a 4 x 4 grid, 25 apart: firs 10 to 14 high, broadleaf trees 9 high.
    plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"16\"",
          L"<BAUM_TYP TEXTUR=\"BAUM_TANNE\" PROP=\"1\"><MIN_SIZE X=\"4\" Y=\"10\" Z=\"4\"/>"
          L"<MAX_SIZE X=\"6\" Y=\"14\" Z=\"6\"/></BAUM_TYP>"
          L"<BAUM_TYP TEXTUR=\"BAUM_LAUB\" PROP=\"1\"><MIN_SIZE X=\"6\" Y=\"9\" Z=\"6\"/>"
          L"<MAX_SIZE X=\"6\" Y=\"9\" Z=\"6\"/></BAUM_TYP>");
    m_camera.setEyePosition(D3DXVECTOR3(37.5f, 14.0f, -30.0f));
    m_camera.setLookAt(D3DXVECTOR3(37.5f, 6.0f, 40.0f));
    const Image image = frame();
    ASSERT_EQ(image.width, kW);
    // The trees of the cells the camera sees, here 14 of 16: the near corners are left out.
    uint32_t inView = 0;
    for (const BaumZelle& cell : m_forest->getCells())
        inView += m_camera.isAABBInFrustum(cell.box) ? static_cast<uint32_t>(cell.instances.size()) : 0u;
    EXPECT_EQ(inView, 14u);
    EXPECT_EQ(m_forest->getVisibleCount(), inView);
    // One batch per type.
    EXPECT_EQ(m_forest->getDrawCalls(), 2u);
    // The sky corner stays clear; the middle of the nearest tree's trunk does not.
    EXPECT_PIXEL(image, 2, 2, kClear);
    int covered = 0;
    for (DWORD pixel : image.pixels)
        covered += pixel != kClear ? 1 : 0;
    EXPECT_GT(covered, 1500);
    EXPECT_LT(covered, static_cast<int>(kW * kH) / 2);
    // The tree at (25, 0): in front of the camera, a little to the left.
    BaumInstanz tree;
    for (const BaumZelle& cell : m_forest->getCells()) {
        for (const BaumInstanz& placed : cell.instances) {
            if (placed.position.x == 25.0f && placed.position.z == 0.0f)
                tree = placed;
        }
    }
    ASSERT_EQ(tree.position.x, 25.0f);
    const POINT trunk = RenderTesting::pixelOf(
        m_camera, D3DXVECTOR3(tree.position.x, tree.position.y + 0.1f * tree.size.y, tree.position.z), kW, kH);
    EXPECT_NE(image.at(trunk.x, trunk.y), kClear);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "terrain" / "golden",
                                           "trees_forest"));

    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    EXPECT_TRUE(m_forest->hasBuffers());
    const Image after = frame();
    EXPECT_EQ(after.pixels, image.pixels);
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos);
}

TEST_F(BaumObjektDrawTest, VisibleTreesAreDrawnInBatchesOfSeventyFive)
{
    crt_srand(9);
    plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"160\" RANDOM=\"1\"");
    ASSERT_EQ(m_forest->getTreeCount(), 160u);
    m_camera.setEyePosition(D3DXVECTOR3(50.0f, 150.0f, -60.0f));
    m_camera.setLookAt(D3DXVECTOR3(50.0f, 0.0f, 50.0f));
    frame();
    EXPECT_EQ(m_forest->getVisibleCount(), 160u);
    EXPECT_EQ(m_forest->getDrawCalls(), 3u);
    // Looking away, nothing is drawn.
    m_camera.setLookAt(D3DXVECTOR3(50.0f, 300.0f, -200.0f));
    const Image empty = frame();
    EXPECT_EQ(m_forest->getDrawCalls(), 0u);
    EXPECT_PIXEL(empty, kW / 2, kH / 2, kClear);
}

TEST_F(BaumObjektDrawTest, EachTreeIsDrawnWithItsOwnTypesPicture)
{
    // The same grid of broadleaf trees, once as the second of two types (the first never drawn)
    // and once as the only type: the frames agree only if the second type's picture is the one
    // its trees are drawn with.
    const std::wstring laub = L"<BAUM_TYP TEXTUR=\"BAUM_LAUB\" PROP=\"1\"><MIN_SIZE X=\"6\" Y=\"9\" Z=\"6\"/>"
                              L"<MAX_SIZE X=\"6\" Y=\"9\" Z=\"6\"/></BAUM_TYP>";
    const std::wstring tanne = L"<BAUM_TYP TEXTUR=\"BAUM_TANNE\" PROP=\"0\"><MIN_SIZE X=\"6\" Y=\"9\" Z=\"6\"/>"
                               L"<MAX_SIZE X=\"6\" Y=\"9\" Z=\"6\"/></BAUM_TYP>";
    m_camera.setEyePosition(D3DXVECTOR3(37.5f, 14.0f, -30.0f));
    m_camera.setLookAt(D3DXVECTOR3(37.5f, 6.0f, 40.0f));
    crt_srand(5);
    plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"16\"", tanne + laub);
    const Image second = frame();
    ASSERT_GT(m_forest->getVisibleCount(), 0u);
    EXPECT_EQ(m_forest->getVisibleTypeCount(0), 0u);
    EXPECT_EQ(m_forest->getVisibleTypeCount(1), m_forest->getVisibleCount());
    m_graph.removeObject(m_forest, true);
    crt_srand(5);
    plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"16\"", laub);
    const Image only = frame();
    EXPECT_NE(std::count(only.pixels.begin(), only.pixels.end(), kClear), static_cast<long>(only.pixels.size()));
    EXPECT_EQ(second.pixels, only.pixels);
}

// The effect picks each tree's picture among "g_Textur0" to "g_Textur3" by the type index in
// "g_Scales": a grid of broadleaf trees as type 0, 1, 2 or 3 of five looks as the broadleaf forest
// alone; as type 4, which has no picture of its own, it takes the fourth type's.
TEST_F(BaumObjektDrawTest, TheFirstFourTypesEachBindTheirPictureAndAFifthHasNone)
{
    auto type = [](const wchar_t* picture, int prop) {
        return std::wstring(L"<BAUM_TYP TEXTUR=\"") + picture + L"\" PROP=\"" + std::to_wstring(prop) +
               L"\"><MIN_SIZE X=\"6\" Y=\"9\" Z=\"6\"/><MAX_SIZE X=\"6\" Y=\"9\" Z=\"6\"/></BAUM_TYP>";
    };
    m_camera.setEyePosition(D3DXVECTOR3(37.5f, 14.0f, -30.0f));
    m_camera.setLookAt(D3DXVECTOR3(37.5f, 6.0f, 40.0f));
    auto forestFrame = [&](const std::wstring& types) {
        if (m_forest)
            m_graph.removeObject(m_forest, true);
        crt_srand(5);
        plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"16\"", types);
        return frame();
    };
    const Image laub = forestFrame(type(L"BAUM_LAUB", 1));
    const Image tanne = forestFrame(type(L"BAUM_TANNE", 1));
    ASSERT_NE(laub.pixels, tanne.pixels);
    for (int drawn = 0; drawn < 5; ++drawn) {
        std::wstring types;
        for (int t = 0; t < 5; ++t) {
            // The broadleaf picture is the drawn type's own, or the fourth type's for type 4.
            const bool broadleaf = drawn < 4 ? t == drawn : t == 3;
            types += type(broadleaf ? L"BAUM_LAUB" : L"BAUM_TANNE", t == drawn ? 1 : 0);
        }
        const Image image = forestFrame(types);
        ASSERT_GT(m_forest->getVisibleTypeCount(static_cast<std::size_t>(drawn)), 0u) << drawn;
        EXPECT_EQ(m_forest->getVisibleTypeCount(static_cast<std::size_t>(drawn)), m_forest->getVisibleCount());
        EXPECT_EQ(image.pixels, laub.pixels) << drawn;
    }
}

TEST_F(BaumObjektDrawTest, WithoutAnEffectOrBeforeBuildingNothingIsDrawnAndTheClockRuns)
{
    plant(L"TERRAINNAME=\"Boden\" MAXANZAHL=\"9\"", TreeTesting::kTwoTypes, L"EFFECT=\"GibtsNicht\"");
    m_camera.setEyePosition(D3DXVECTOR3(35.0f, 12.0f, -40.0f));
    m_camera.setLookAt(D3DXVECTOR3(35.0f, 4.0f, 35.0f));
    const Image image = frame();
    EXPECT_EQ(m_forest->getDrawCalls(), 0u);
    for (DWORD pixel : image.pixels)
        ASSERT_EQ(pixel, kClear);

    double step = 0.25;
    SceneClock::setFrameTime(&step);
    m_forest->update(&m_camera, 0);
    m_forest->update(&m_camera, 0);
    SceneClock::setFrameTime(nullptr);
    EXPECT_FLOAT_EQ(m_forest->getTime(), 0.5f);

    XMLNode node;
    XMLNode::load(&node, L"<OBJEKT NAME=\"Roh\" TYPE=\"TREE\"><BASE_DATA EFFECT=\"Baum\"/></OBJEKT>", 1);
    BaumObjekt raw(&node, &m_scene.manager);
    raw.render(&m_camera);
    EXPECT_FALSE(raw.isBuilt());
    EXPECT_EQ(raw.getDrawCalls(), 0u);
    raw.onLostDevice();
    EXPECT_FALSE(raw.hasBuffers());
}
