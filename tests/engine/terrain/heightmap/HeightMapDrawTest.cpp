// The terrain scene ("data\Szenen\terrain.xml") through the real render path: the factory builds
// it, the build pass paints its layers, the scene pass draws it with the terrain effect. Two
// camera positions against golden images, the layers where the fields put them, fewer indices
// from farther away, and the same frame after a forced device reset.
#include "TerrainTestSupport.h"
#include "engine/render/PassTestSupport.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr UINT kW = 320;
constexpr UINT kH = 240;
constexpr D3DCOLOR kClear = 0xFF6080A0;

int red(D3DCOLOR c)
{
    return (c >> 16) & 0xFF;
}
int green(D3DCOLOR c)
{
    return (c >> 8) & 0xFF;
}
int blue(D3DCOLOR c)
{
    return c & 0xFF;
}

class HeightMapDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TerrainTesting::loadTerrainData(m_logs.folder()));
        m_device = D3DInterface::getInstance()->getDevice();
        m_manager = std::make_unique<RenderManager>();
        m_manager->setSceneGraph(&m_graph);
        CameraManager::getInstance()->setRenderManager(m_manager.get());
        m_camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
        m_camera.setFovAspect(50.0, 0.0);
        m_camera.setNearFar(0.5, 400.0);
        RenderTesting::sunAllDay(m_graph, L"X=\"-1\" Y=\"1.2\" Z=\"0.6\"", L"FFFFF4E0", L"FF606870", L"", L"");
        RenderTesting::configurePasses(*m_manager, m_graph, L"<RENDERPASS NAME=\"SZENE\"/>", m_active);

        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        XMLNode scene;
        ASSERT_TRUE(XMLNode::load(&scene, L"data\\Szenen\\terrain.xml", 0));
        XMLNode* node = scene.getNode(L"OBJEKT");
        ASSERT_NE(node, nullptr);
        m_terrain = dynamic_cast<HeightMapObjekt*>(createObjektByType(node, &m_objekte));
        ASSERT_NE(m_terrain, nullptr);
        m_objekte.add(m_terrain, true);
        m_terrain->build(0);
        m_graph.addObject(m_terrain, true);
    }

    void TearDown() override
    {
        CameraManager::getInstance()->setRenderManager(nullptr);
        for (RenderPass* pass : m_active)
            pass->release();
        if (m_terrain)
            m_graph.removeObject(m_terrain, true);
        m_manager.reset();
    }

    Image frame()
    {
        return RenderTesting::drawPasses(m_device, m_camera, {m_manager->getRenderPass(L"SZENE")}, kW, kH, kClear);
    }

    void look(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
    {
        m_camera.setEyePosition(eye);
        m_camera.setLookAt(at);
    }

    POINT pixelOf(const D3DXVECTOR3& point) const { return RenderTesting::pixelOf(m_camera, point, kW, kH); }

    ::testing::AssertionResult golden(const Image& image, const char* name)
    {
        return TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "terrain" / "golden",
                                          name);
    }

    // The world point of the terrain at a UV point.
    D3DXVECTOR3 at(float u, float v)
    {
        D3DXVECTOR3 p;
        return *m_terrain->getPositionUV(&p, D3DXVECTOR2(u, v));
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    TerrainTesting::TerrainManager m_objekte;
    SceneGraph m_graph;
    std::unique_ptr<RenderManager> m_manager;
    LookAtCamera m_camera{L"Szene"};
    std::vector<RenderPass*> m_active;
    HeightMapObjekt* m_terrain = nullptr;
};

// The highest and the flattest vertex of the grid's inner part, as UV points.
struct Landmarks {
    D3DXVECTOR2 peak, flat;
};

Landmarks landmarks(HeightMapObjekt& terrain)
{
    Landmarks l{};
    const uint32_t n = terrain.getGridSize();
    float highest = -1e9f, flattest = -1.0f;
    for (uint32_t j = n / 4; j < 3 * n / 4; ++j)
        for (uint32_t i = n / 4; i < 3 * n / 4; ++i) {
            const HeightMapVertex& v = terrain.getVertices()[j * n + i];
            const D3DXVECTOR2 uv(i / float(n - 1), j / float(n - 1));
            if (v.position.y > highest)
                highest = v.position.y, l.peak = uv;
            if (v.normal.y > flattest && v.position.y > 11.0f && v.position.y < 16.0f)
                flattest = v.normal.y, l.flat = uv;
        }
    return l;
}

} // namespace

TEST_F(HeightMapDrawTest, TheHillsShowGrassRockAndSnowFromTwoPlaces)
{
    // From the south, over the hills towards the middle.
    look(D3DXVECTOR3(20, 34, -72), D3DXVECTOR3(0, 8, 0));
    const Image south = frame();
    EXPECT_PIXEL(south, 2, 2, kClear);
    const uint32_t fromSouth = m_terrain->getIndexCount();
    EXPECT_GT(fromSouth, 0u);

    EXPECT_TRUE(golden(south, "terrain_from_south"));

    // From high in the east, farther away: the quadtree chooses coarser blocks.
    look(D3DXVECTOR3(110, 70, 20), D3DXVECTOR3(0, 2, 0));
    const Image east = frame();
    EXPECT_LT(m_terrain->getIndexCount(), fromSouth);
    EXPECT_TRUE(golden(east, "terrain_from_east"));

    // Straight down on the highest and on the flattest grassland vertex: snow and grass.
    const Landmarks l = landmarks(*m_terrain);
    const D3DXVECTOR3 peak = at(l.peak.x, l.peak.y), flat = at(l.flat.x, l.flat.y);
    ASSERT_GT(peak.y, 19.0f) << "the fields put snow above 17";
    for (const D3DXVECTOR3& target : {peak, flat}) {
        look(target + D3DXVECTOR3(0, 40, -0.5f), target);
        const Image top = frame();
        const POINT p = pixelOf(target);
        const D3DCOLOR c = top.at(p.x, p.y);
        if (target == peak) {
            EXPECT_GT(blue(c), 170) << TestSupport::hex(c);
            EXPECT_GT(red(c), 150) << TestSupport::hex(c);
        } else {
            EXPECT_GT(green(c), red(c) + 20) << TestSupport::hex(c);
            EXPECT_GT(green(c), blue(c) + 40) << TestSupport::hex(c);
        }
    }
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos);
}

TEST_F(HeightMapDrawTest, CamerasInTurnKeepTheirIndicesAndUploadOnlyWhatNoBufferHolds)
{
    // A frame draws the terrain for the scene and for the water's mirror: each camera's indices
    // stay in a buffer of their own, and the pictures stay those drawn with fresh indices.
    const D3DXVECTOR3 eyes[4] = {{20, 34, -72}, {110, 70, 20}, {-60, 40, 60}, {0, 90, -30}};
    auto view = [&](int k) {
        look(eyes[k], D3DXVECTOR3(0, 4, 0));
        return frame();
    };
    const Image south = view(0), east = view(1);
    const uint32_t uploads = m_terrain->getIndexUploads(), walks = m_terrain->getTreeUpdates();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(view(0).pixels, south.pixels);
        EXPECT_EQ(view(1).pixels, east.pixels);
    }
    EXPECT_EQ(m_terrain->getIndexUploads(), uploads);
    // Views a buffer holds the choice of need no walk through the tree either.
    EXPECT_EQ(m_terrain->getTreeUpdates(), walks);
    // More cameras than buffers: the least recently used one is filled again.
    view(2);
    view(3);
    EXPECT_EQ(m_terrain->getIndexUploads(), uploads + 2);
    EXPECT_EQ(view(0).pixels, south.pixels);
    EXPECT_EQ(m_terrain->getIndexUploads(), uploads + 3);
    EXPECT_EQ(m_terrain->getTreeUpdates(), walks + 3);
    // An edit makes a new tree: a view held before is worked out again, not taken from a buffer.
    double raise = 12.0;
    m_terrain->addHeightUV(D3DXVECTOR2(0.5f, 0.5f), raise);
    m_terrain->endModify();
    EXPECT_NE(view(0).pixels, south.pixels);
    EXPECT_EQ(m_terrain->getTreeUpdates(), walks + 4);
}

TEST_F(HeightMapDrawTest, ACullingWindowDrawsTheSamePixelsWithinItFromFewerBlocks)
{
    look(D3DXVECTOR3(20, 34, -72), D3DXVECTOR3(0, 8, 0));
    const Image whole = frame();
    const uint32_t all = m_terrain->getIndexCount();
    // The middle of the picture, a little to the right: pixels 112 to 240 across, 48 to 144 down.
    m_camera.setCullingWindow(D3DXVECTOR4(-0.3f, -0.2f, 0.5f, 0.6f));
    const Image part = frame();
    EXPECT_LT(m_terrain->getIndexCount(), all);
    EXPECT_GT(m_terrain->getIndexCount(), 0u);
    int differing = 0;
    for (UINT y = 49; y < 143; ++y)
        for (UINT x = 113; x < 239; ++x)
            differing += part.at(x, y) != whole.at(x, y);
    EXPECT_EQ(differing, 0);
    // Without the window, the same matrices choose all of it again, not the window's indices.
    m_camera.setCullingWindow(D3DXVECTOR4(-1, -1, 1, 1));
    EXPECT_EQ(frame().pixels, whole.pixels);
    EXPECT_EQ(m_terrain->getIndexCount(), all);
}

TEST_F(HeightMapDrawTest, TheTerrainDrawsTheSameFrameAfterTheDeviceIsReset)
{
    look(D3DXVECTOR3(20, 34, -72), D3DXVECTOR3(0, 8, 0));
    const Image before = frame();
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    EXPECT_TRUE(m_terrain->hasBuffers());
    const Image after = frame();
    ASSERT_EQ(after.width, kW);
    EXPECT_EQ(after.pixels, before.pixels);
}

TEST_F(HeightMapDrawTest, AMorphingTerrainDrawsAndTheSmallestGridGetsItsBuffersBack)
{
    XMLNode node;
    XMLNode::load(
        &node,
        L"<OBJEKT NAME=\"Wandel\" TYPE=\"HEIGHTMAP\"><BASE_DATA EFFECT=\"Terrain\"><RENDERPASSES DEFAULT=\"1\"/>"
        L"<POSITION X=\"80\"/><SCALE X=\"32\" Y=\"10\" Z=\"32\"/></BASE_DATA><HEIGHTMAP_DATA SIZE=\"33\""
        L" MORPHING=\"1\"><PERLIN_NOISE ENABLE=\"1\" SEED=\"9\" SCALE=\"3\"/></HEIGHTMAP_DATA>"
        L"<TEXTURES TEX_TERRAIN0=\"TERRAIN_FELS\"/></OBJEKT>",
        1);
    auto* morphing = dynamic_cast<HeightMapObjekt*>(createObjektByType(&node, &m_objekte));
    ASSERT_NE(morphing, nullptr);
    m_objekte.add(morphing, true);
    ASSERT_TRUE(morphing->isMorphing());
    morphing->build(0);
    m_graph.addObject(morphing, true);
    look(D3DXVECTOR3(80, 14, -20), D3DXVECTOR3(80, 3, 0));
    const Image image = frame();
    m_graph.removeObject(morphing, true);
    EXPECT_GT(morphing->getIndexCount(), 0u);
    // Some vertex slid off its true height towards a coarser block, and an edit's rebuild puts it
    // back before the normals and the tree are made.
    bool slid = false;
    for (size_t i = 0; i < morphing->getVertices().size(); ++i)
        slid |= morphing->getVertices()[i].position.y != morphing->getPositionsA()[i].y;
    EXPECT_TRUE(slid);
    double h = 1.0;
    morphing->addHeightUV(D3DXVECTOR2(0.0f, 0.0f), h);
    morphing->endModify();
    for (size_t i = 0; i < morphing->getVertices().size(); ++i)
        ASSERT_EQ(morphing->getVertices()[i].position, morphing->getPositionsA()[i]) << i;
    int drawn = 0;
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x)
            drawn += image.at(x, y) != kClear;
    EXPECT_GT(drawn, 1000);

    // A grid of one cell: its buffers come back after a reset, and it draws nothing to pick from.
    XMLNode smallest;
    XMLNode::load(&smallest, L"<OBJEKT NAME=\"Zelle\" TYPE=\"HEIGHTMAP\"><HEIGHTMAP_DATA SIZE=\"1\"/></OBJEKT>", 1);
    auto* cell = dynamic_cast<HeightMapObjekt*>(createObjektByType(&smallest, &m_objekte));
    m_objekte.add(cell, true);
    ASSERT_TRUE(cell->hasBuffers());
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    EXPECT_TRUE(cell->hasBuffers());
    EXPECT_EQ(cell->getQuadtree(), nullptr);
    EXPECT_TRUE(morphing->hasBuffers());
}

TEST_F(HeightMapDrawTest, NearTheCameraTheTerrainShowsItsNearRepeatWhereverItLies)
{
    // The same flat terrain at the origin and far from it, each seen from just above its middle:
    // the near/far blend and the fade go by the distance from the eye, so both frames match.
    m_graph.removeObject(m_terrain, true);
    m_terrain = nullptr;
    auto frameAt = [&](const wchar_t* name, int x) {
        XMLNode node;
        const std::wstring xml =
            std::wstring(L"<OBJEKT NAME=\"") + name +
            L"\" TYPE=\"HEIGHTMAP\"><BASE_DATA EFFECT=\"Terrain\"><RENDERPASSES DEFAULT=\"1\"/>"
            L"<POSITION X=\"" +
            std::to_wstring(x) +
            L"\"/><SCALE X=\"32\" Y=\"4\" Z=\"32\"/></BASE_DATA><HEIGHTMAP_DATA SIZE=\"33\"><TEX_PARAMETER>"
            L"<PARAMETER LAYER_ID=\"0\" TYPE=\"STATIC\" VALUE=\"1\"/></TEX_PARAMETER></HEIGHTMAP_DATA>"
            L"<TEXTURES TEX_TERRAIN0=\"TERRAIN_FELS\"/></OBJEKT>";
        XMLNode::load(&node, xml.c_str(), 1);
        auto* terrain = dynamic_cast<HeightMapObjekt*>(createObjektByType(&node, &m_objekte));
        if (!terrain)
            return Image{};
        m_objekte.add(terrain, true);
        terrain->build(0);
        m_graph.addObject(terrain, true);
        D3DXVECTOR3 middle;
        terrain->getPositionUV(&middle, D3DXVECTOR2(0.5f, 0.5f));
        look(middle + D3DXVECTOR3(0, 3, -1), middle);
        const Image image = frame();
        m_graph.removeObject(terrain, true);
        return image;
    };
    const Image home = frameAt(L"Daheim", 0), away = frameAt(L"Fern", 600);
    ASSERT_EQ(home.width, kW);
    ASSERT_EQ(away.width, kW);
    int differing = 0;
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x) {
            const D3DCOLOR a = home.at(x, y), b = away.at(x, y);
            differing +=
                std::abs(red(a) - red(b)) > 8 || std::abs(green(a) - green(b)) > 8 || std::abs(blue(a) - blue(b)) > 8;
        }
    EXPECT_NE(home.at(kW / 2, kH / 2), kClear);
    EXPECT_LT(differing, static_cast<int>(kW * kH / 50));
}
