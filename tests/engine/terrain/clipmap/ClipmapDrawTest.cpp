// The clipmap terrain of the shipped scene "data\Szenen\clipmap.xml" drawn through a render
// pass on the real device: the hills under the sun, the pick through a pixel, a flight that
// keeps the terrain drawn, and the same frame after a forced device reset.
#include "ClipmapTestSupport.h"

#include "engine/render/PassTestSupport.h"
#include "render/RenderTechnique.h"
#include "render/cameras/LookAtCamera.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "terrain/clipmap/ClipmapLevelSet.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;
constexpr D3DCOLOR kClear = 0xFF8098B8;

class ClipmapDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(ClipmapTesting::loadClipmapEffect(m_logs.folder()));
        registerTerrainKinds(m_manager.getKinds());
        XMLNode scene;
        {
            TestSupport::ScopedCwd cwd(TestSupport::sourceDir());
            ASSERT_TRUE(XMLNode::load(&scene, L"data\\Szenen\\clipmap.xml", 0));
        }
        for (XMLNode* node : scene.getNodes()) {
            if (node->getAttributeValue(L"NAME") == L"Clipmap_Gelaende")
                m_terrain = dynamic_cast<ClipmapObjekt*>(createObjektByType(node, &m_manager));
        }
        ASSERT_NE(m_terrain, nullptr);
        m_terrain->build(0);
        ASSERT_NE(m_terrain->getLevelSet(), nullptr);
        m_graph.addObject(m_terrain, true);
        RenderTesting::sunAllDay(m_graph, L"X=\"-0.6\" Y=\"0.7\" Z=\"0.4\"", L"FFFFF4E0", L"FF48505C");
        m_camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
        m_camera.setFovAspect(45.0, 0.0);
        m_camera.setNearFar(0.5, 1000.0);
        look(D3DXVECTOR3(0.0f, 30.0f, -60.0f), D3DXVECTOR3(0.0f, 0.0f, 20.0f));
    }

    void TearDown() override
    {
        if (m_terrain) {
            m_graph.removeObject(m_terrain, true);
            m_terrain->Release();
        }
    }

    void look(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
    {
        m_camera.setEyePosition(eye);
        m_camera.setLookAt(at);
    }

    Image frame()
    {
        RenderPass pass(L"Render", T_DIFFUSE, 0, nullptr);
        pass.setSceneGraph(&m_graph);
        pass.addRef();
        const Image image = RenderTesting::drawPasses(m_device, m_camera, {&pass}, kW, kH, kClear);
        pass.release();
        return image;
    }

    POINT pixelOf(const D3DXVECTOR3& point) const { return RenderTesting::pixelOf(m_camera, point, kW, kH); }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    ObjektManager m_manager;
    SceneGraph m_graph;
    LookAtCamera m_camera{L"Szene"};
    ClipmapObjekt* m_terrain = nullptr;
};

TEST_F(ClipmapDrawTest, TheHillsOfTheDemoSceneLieUnderTheSun)
{
    const Image image = frame();
    ASSERT_EQ(image.width, kW);
    // The sky above the horizon is left clear; the ground in front is drawn.
    EXPECT_PIXEL(image, kW / 2, 2, kClear);
    const D3DXVECTOR3 ground(5.0f, m_terrain->getHeight(D3DXVECTOR2(5.0f, 0.0f)), 0.0f);
    const POINT p = pixelOf(ground);
    ASSERT_GE(p.y, 0);
    ASSERT_LT(p.y, static_cast<LONG>(kH));
    const D3DCOLOR colour = image.at(p.x, p.y);
    EXPECT_NE(colour, kClear);
    // Lit grass: green above red and blue.
    EXPECT_GT((colour >> 8) & 0xFF, (colour >> 16) & 0xFF) << TestSupport::hex(colour);
    EXPECT_GT((colour >> 8) & 0xFF, colour & 0xFF) << TestSupport::hex(colour);
    // A pick from the eye through that point meets the ground there.
    const D3DXVECTOR3 eye(0.0f, 22.0f, -60.0f);
    const D3DXVECTOR3 towards = ground - eye;
    float distance = 0.0f;
    ASSERT_TRUE(m_terrain->getIntersectionDist(eye, towards, distance));
    EXPECT_NEAR(distance, D3DXVec3Length(&towards), 0.6f);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "terrain" / "golden",
                                           "clipmap_hills"));
}

TEST_F(ClipmapDrawTest, AFlightSlidesTheLevelsAndTheTerrainStaysDrawn)
{
    frame();
    ClipmapLevelSet* set = m_terrain->getLevelSet();
    const uint64_t before = set->getTexelsWritten();
    for (int step = 1; step <= 6; ++step) {
        look(D3DXVECTOR3(12.0f * step, 22.0f, -60.0f + 9.0f * step),
             D3DXVECTOR3(12.0f * step, 0.0f, 20.0f + 9.0f * step));
        const Image image = frame();
        const POINT p = pixelOf(
            D3DXVECTOR3(12.0f * step, m_terrain->getHeight(D3DXVECTOR2(12.0f * step, 9.0f * step)), 9.0f * step));
        EXPECT_NE(image.at(p.x, p.y), kClear) << step;
    }
    // Bands entered; far less than a full refill per step.
    const uint64_t written = set->getTexelsWritten() - before;
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, uint64_t{4} * 256 * 256);
    // A camera that stays puts nothing in the textures.
    frame();
    EXPECT_EQ(set->getTexelsWritten() - before, written);
}

TEST_F(ClipmapDrawTest, AForcedDeviceResetKeepsTheTerrainDrawing)
{
    const Image before = frame();
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    ASSERT_NE(m_terrain->getLevelSet(), nullptr);
    EXPECT_TRUE(m_terrain->getLevelSet()->isReady());
    const Image after = frame();
    ASSERT_EQ(after.width, kW);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos) << m_logs.text();
}

} // namespace
