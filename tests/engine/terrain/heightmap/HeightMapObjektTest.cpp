// The grid terrain on the real device: grid sizes and the skirt, reads against hand-computed
// heights and normals (off the terrain, at vertices, between them), edits with their flags and
// signals and what endModify makes of them, smoothing, painting, the height sources' hostile
// values, the ".data" sidecar, and the flattening along a spline on one thread and on many.
#include "TerrainTestSupport.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/textures/Texture2D.h"
#include "scene/SplineManager.h"
#include "scene/splines/Spline.h"
#include "support/LogCapture.h"
#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <d3dx9.h>
#include <gtest/gtest.h>
#include <omp.h>
#include <platform_test.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace Ulvo;

namespace {

// The counts of the two signals.
struct Listener : sigslot::has_slots<> {
    void height(HeightMapObjekt&, const D3DXVECTOR3& p) { heights.push_back(p); }
    void changed(HeightMapObjekt&) { ++changes; }
    std::vector<D3DXVECTOR3> heights;
    int changes = 0;
};

// A terrain of n = 2^k + 1 vertices a side over [-2, 2]² (scale 4, no skirt): vertex (i, j) lies
// at x = 4 i / (n - 1) - 2, z likewise.
std::wstring flat(int size, const std::wstring& extra = L"", const std::wstring& name = L"Feld")
{
    return L"<OBJEKT NAME=\"" + name +
           L"\" TYPE=\"HEIGHTMAP\"><BASE_DATA><SCALE X=\"4\" Y=\"1\" Z=\"4\"/></BASE_DATA>"
           L"<HEIGHTMAP_DATA SIZE=\"" +
           std::to_wstring(size) + L"\" RAND_FAKTOR=\"1\" " + extra + L"</HEIGHTMAP_DATA></OBJEKT>";
}

class HeightMapObjektTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TerrainTesting::loadTerrainData(m_logs.folder())); }

    // Heights h(i, j) = i + 2 j on a 5 x 5 grid: a plane rising 1 per unit along x, 2 along z.
    HeightMapObjekt* plane()
    {
        HeightMapObjekt* t = m_manager.build(flat(5, L">", L"Ebene" + std::to_wstring(m_planes++)));
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 5; ++i) {
                double h = i + 2 * j;
                t->addHeightUV(D3DXVECTOR2(i / 4.0f, j / 4.0f), h);
            }
        t->endModify();
        return t;
    }

    LogCapture m_logs;
    TerrainTesting::TerrainManager m_manager;
    int m_planes = 0;
};

} // namespace

TEST_F(HeightMapObjektTest, GridSizesFollowSizeAndTheSkirtReachesOutByTheBorderFactor)
{
    for (auto [size, n] : {std::pair{257, 257u}, {300, 257u}, {1, 2u}, {5, 5u}}) {
        HeightMapObjekt* t = m_manager.build(flat(size, L">", L"G" + std::to_wstring(size)));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->getGridSize(), n) << size;
        EXPECT_EQ(t->getBlendSize(), n - 1) << size;
        EXPECT_TRUE(t->hasBuffers());
    }
    // The default skirt: the outer columns at twice the distance, their texture u at -0.5 and 1.5.
    HeightMapObjekt* skirt = m_manager.build(
        L"<OBJEKT NAME=\"Rand\" TYPE=\"HEIGHTMAP\"><BASE_DATA><POSITION X=\"10\"/><SCALE X=\"4\" Y=\"1\" Z=\"4\"/>"
        L"</BASE_DATA><HEIGHTMAP_DATA SIZE=\"9\"/></OBJEKT>");
    const std::vector<HeightMapVertex>& v = skirt->getVertices();
    EXPECT_FLOAT_EQ(v[0].position.x, 6.0f);
    EXPECT_FLOAT_EQ(v[8].position.x, 14.0f);
    EXPECT_FLOAT_EQ(v[1].position.x, 8.5f);
    EXPECT_FLOAT_EQ(v[0].uv.x, -0.5f);
    EXPECT_FLOAT_EQ(v[8].uv.x, 1.5f);
    EXPECT_FLOAT_EQ(v[1].uv.x, 0.125f);
}

TEST_F(HeightMapObjektTest, HostileSizesAndNoiseAreLoggedAndGiveNoGridOrAFiniteOne)
{
    HeightMapObjekt* none = m_manager.build(flat(0, L">", L"Null"));
    EXPECT_EQ(none->getGridSize(), 0u);
    EXPECT_FALSE(none->hasBuffers());
    EXPECT_EQ(none->getHeightUV(D3DXVECTOR2(0.5f, 0.5f)), 0.0f);
    double h = 3.0;
    none->setHeightUV(D3DXVECTOR2(0.5f, 0.5f), h);
    none->beginModify();
    none->endModify();
    EXPECT_EQ(m_manager.build(flat(-7, L">", L"Negativ"))->getGridSize(), 0u);
    EXPECT_EQ(m_manager.build(flat(1000000000, L">", L"Riesig"))->getGridSize(), HeightMapObjekt::kMaxGridSize);
    EXPECT_NE(m_logs.text().find("capped"), std::string::npos);
    // No octave: the noise adds nothing rather than 0 / 0 to every height.
    HeightMapObjekt* noise = m_manager.build(flat(9, L"><PERLIN_NOISE ENABLE=\"1\" ANZAHL=\"0\"/>", L"Rauschen"));
    for (const HeightMapVertex& v : noise->getVertices())
        ASSERT_EQ(v.position.y, 0.0f);
    EXPECT_NE(m_logs.text().find("ANZAHL 0 below 1"), std::string::npos);
    // Hostile smoothing and blend sizes are capped, not run for ever.
    HeightMapObjekt* smooth = m_manager.build(
        flat(9,
             L"BLEND_SIZE=\"1000000\"><SMOOTH_TERRAIN_PARAMETER RADIUS=\"1000000\" FAKTOR=\"1\" ANZAHL=\"1000000000\">"
             L"<PARAMETER TYPE=\"STATIC\"/></SMOOTH_TERRAIN_PARAMETER>",
             L"Glatt"));
    EXPECT_EQ(smooth->getBlendSize(), 8u);
    for (const HeightMapVertex& v : smooth->getVertices())
        ASSERT_EQ(v.position.y, 0.0f);
    // A missing height picture leaves the ground flat; a huge layer id paints no layer.
    HeightMapObjekt* missing = m_manager.build(flat(
        9,
        L"><TEXTURE ENABLE=\"1\" TEXTURE=\"FEHLT\"/><TEX_PARAMETER><PARAMETER LAYER_ID=\"1000000000\" TYPE=\"STATIC\"/>"
        L"</TEX_PARAMETER>",
        L"Fehlt"));
    ASSERT_EQ(missing->getGridSize(), 9u);
    missing->build(0);
    for (const HeightMapVertex& v : missing->getVertices())
        ASSERT_EQ(v.position.y, 0.0f);
    EXPECT_EQ(missing->getLayerWeights()->getParameter(0), nullptr);
}

TEST_F(HeightMapObjektTest, ReadsInterpolateTheGridAndAnswerDefaultsOffTheTerrain)
{
    HeightMapObjekt* t = plane();
    // At vertex UV i / (n - 1) the vertex itself: a placed object sits on its vertex.
    EXPECT_FLOAT_EQ(t->getHeightUV(D3DXVECTOR2(0.25f, 0.5f)), 1.0f + 4.0f);
    // Between vertices the bilinear value: grid (1.2, 2.4) on the plane.
    EXPECT_NEAR(t->getHeightUV(D3DXVECTOR2(0.3f, 0.6f)), 1.2f + 4.8f, 1e-5f);
    // (1, 1) is the last vertex; just beyond the square nothing.
    EXPECT_FLOAT_EQ(t->getHeightUV(D3DXVECTOR2(1.0f, 1.0f)), 12.0f);
    EXPECT_EQ(t->getHeightUV(D3DXVECTOR2(1.0001f, 0.5f)), 0.0f);
    EXPECT_EQ(t->getHeightUV(D3DXVECTOR2(std::nanf(""), 0.5f)), 0.0f);
    // World points: x = -1 is column 1, z = 0.5 lies between rows 2 and 3.
    EXPECT_NEAR(t->getHeight(D3DXVECTOR3(-1.0f, 99.0f, 0.5f)), 1.0f + 5.0f, 1e-5f);
    EXPECT_EQ(t->getHeight(D3DXVECTOR2(-1.0f, 0.5f)), t->getHeight(D3DXVECTOR3(-1.0f, -7.0f, 0.5f)));
    D3DXVECTOR3 p;
    EXPECT_EQ(*t->getPositionUV(&p, D3DXVECTOR2(0.5f, 0.25f)), D3DXVECTOR3(0.0f, 2.0f + 2.0f, -1.0f));
    EXPECT_EQ(*t->getPositionUV(&p, D3DXVECTOR2(-0.1f, 0.5f)), t->getPosition());

    // The plane y = x + 2 z (+ const): its normal is (-1, 1, -2) / sqrt 6, smooth or flat.
    const D3DXVECTOR3 expected(-1.0f / std::sqrt(6.0f), 1.0f / std::sqrt(6.0f), -2.0f / std::sqrt(6.0f));
    for (bool smooth : {true, false})
        for (D3DXVECTOR2 uv : {D3DXVECTOR2(0.5f, 0.5f), D3DXVECTOR2(0.3f, 0.6f), D3DXVECTOR2(0.55f, 0.3f)}) {
            D3DXVECTOR3 n;
            t->getNormalUV(&n, uv, smooth);
            EXPECT_NEAR(n.x, expected.x, 1e-5f) << smooth;
            EXPECT_NEAR(n.y, expected.y, 1e-5f) << smooth;
            EXPECT_NEAR(n.z, expected.z, 1e-5f) << smooth;
        }
    D3DXVECTOR3 n;
    for (bool smooth : {true, false})
        EXPECT_EQ(*t->getNormalUV(&n, D3DXVECTOR2(-0.1f, 0.5f), smooth), D3DXVECTOR3(0, 1, 0));
    HeightMapObjekt* level = m_manager.build(flat(9, L">", L"Eben"));
    for (bool smooth : {true, false})
        EXPECT_EQ(*level->getNormalUV(&n, D3DXVECTOR2(0.37f, 0.61f), smooth), D3DXVECTOR3(0, 1, 0));
}

TEST_F(HeightMapObjektTest, EditsAskForTheRebuildSoThatEndModifyShowsThem)
{
    HeightMapObjekt* t = m_manager.build(flat(9, L">"));
    Listener listener;
    t->heightChanged.connect(&listener, &Listener::height);
    t->terrainChanged.connect(&listener, &Listener::changed);
    ASSERT_EQ(t->getQuadtree()->getRoughness(), 0.0);

    // (1, 1): the last vertex alone, four signals.
    double h = 5.0;
    t->setHeightUV(D3DXVECTOR2(1.0f, 1.0f), h);
    ASSERT_EQ(listener.heights.size(), 4u);
    for (const D3DXVECTOR3& p : listener.heights)
        EXPECT_EQ(p, D3DXVECTOR3(2.0f, 5.0f, 2.0f));
    EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::CHANGED));
    EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::HEIGHTS_CHANGED));
    EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::REBUILD));
    // A bump in the middle: the cell round (0.5, 0.5) gets the height.
    h = 2.0;
    t->setHeightUV(D3DXVECTOR2(0.5f, 0.5f), h);
    t->endModify();
    EXPECT_EQ(t->getChangeFlags().get(), 0u);
    EXPECT_EQ(listener.changes, 1);
    // Bounds, normals and quadtree follow the edit.
    EXPECT_FLOAT_EQ(t->getBoundingBox().getMax().y, 5.0f);
    EXPECT_GT(t->getQuadtree()->getRoughness(), 0.0);
    D3DXVECTOR3 n;
    t->getNormalUV(&n, D3DXVECTOR2(0.375f, 0.5f), true);
    EXPECT_LT(n.x, -0.1f) << "the slope up to the bump faces away from it";
    EXPECT_EQ(t->getPositionsA()[4 * 9 + 4].y, 2.0f);
    EXPECT_EQ(t->getPositionsB()[4 * 9 + 4].y, 2.0f);

    // addHeightUV: the vertex under the point alone.
    double delta = 1.5;
    t->addHeightUV(D3DXVECTOR2(0.0f, 0.0f), delta);
    EXPECT_EQ(listener.heights.back(), D3DXVECTOR3(-2.0f, 1.5f, -2.0f));
    t->endModify();
    EXPECT_FLOAT_EQ(t->getBoundingBox().getMin().y, 0.0f);

    // Nested brackets end whole at the first endModify.
    t->beginModify();
    t->beginModify();
    EXPECT_TRUE(t->getBlendTexture()->isLocked());
    t->endModify();
    EXPECT_EQ(t->getBlendLockCount(), 0u);
    EXPECT_FALSE(t->getBlendTexture()->isLocked());

    // Locked heights: nothing changes and nothing fires.
    HeightMapObjekt* locked = m_manager.build(flat(5, L"LOCK_HEIGHT=\"1\">", L"Fest"));
    locked->heightChanged.connect(&listener, &Listener::height);
    const size_t signals = listener.heights.size();
    h = 9.0;
    locked->setHeightUV(D3DXVECTOR2(0.5f, 0.5f), h);
    locked->addHeightUV(D3DXVECTOR2(0.5f, 0.5f), h);
    locked->setHeight(D3DXVECTOR3(0, 9, 0));
    locked->modifyHeightRadius(D3DXVECTOR3(0, 9, 0), 3.0, 1.0f);
    EXPECT_EQ(listener.heights.size(), signals);
    EXPECT_EQ(locked->getHeightUV(D3DXVECTOR2(0.5f, 0.5f)), 0.0f);
}

TEST_F(HeightMapObjektTest, ModifyHeightRadiusPullsEveryCopyTowardsTheCentre)
{
    HeightMapObjekt* t = plane();
    // Factor 1: everything within the radius at the centre's height, in every copy.
    t->modifyHeightRadius(D3DXVECTOR3(0.0f, 3.0f, 0.0f), 1.5, 1.0f);
    EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::REBUILD));
    for (uint32_t i : {12u, 11u, 13u, 7u, 17u, 6u}) {
        EXPECT_FLOAT_EQ(t->getVertices()[i].position.y, 3.0f) << i;
        EXPECT_EQ(t->getPositionsA()[i].y, 3.0f) << i;
        EXPECT_EQ(t->getPositionsB()[i].y, 3.0f) << i;
    }
    EXPECT_FLOAT_EQ(t->getVertices()[10].position.y, 4.0f) << "outside the radius";
    t->endModify();
    EXPECT_FLOAT_EQ(t->getBoundingBox().getMax().y, 12.0f);
    // Factor 0: the vertex under the centre keeps its height; one at half the radius moves halfway.
    HeightMapObjekt* u = plane();
    u->modifyHeightRadius(D3DXVECTOR3(0.0f, 10.0f, 0.0f), 2.0, 0.0f);
    EXPECT_FLOAT_EQ(u->getVertices()[12].position.y, 6.0f);
    EXPECT_FLOAT_EQ(u->getVertices()[13].position.y, 7.0f + (10.0f - 7.0f) * 0.5f);
}

TEST_F(HeightMapObjektTest, CarvesOfATurnedAndTiltedTerrainChangeWhatTheFormulaSaysOverTheWholeGrid)
{
    // Turned and tilted, so that rows run across x and z and x and z follow the heights; the
    // stretched border rows reach past the others. Each carve must change exactly the vertices a
    // walk over the whole grid changes.
    HeightMapObjekt* t =
        m_manager.build(L"<OBJEKT NAME=\"Schief\" TYPE=\"HEIGHTMAP\"><BASE_DATA><SCALE X=\"40\" Y=\"3\" Z=\"30\"/>"
                        L"<ROTATION YAW=\"37\" PITCH=\"20\" ROLL=\"-11\"/></BASE_DATA><HEIGHTMAP_DATA SIZE=\"33\" "
                        L"RAND_FAKTOR=\"1.5\"><PERLIN_NOISE ENABLE=\"1\" ANZAHL=\"3\" SCALE=\"4\" PERSITANCE=\"0.5\" "
                        L"FAKTOR=\"1\" SEED=\"7\"/></HEIGHTMAP_DATA></OBJEKT>");
    ASSERT_NE(t, nullptr);
    std::vector<D3DXVECTOR3> expected;
    for (const HeightMapVertex& v : t->getVertices())
        expected.push_back(v.position);
    ASSERT_EQ(expected.size(), 33u * 33u);
    const struct {
        D3DXVECTOR3 centre;
        double radius;
        float factor;
    } carves[] = {{{0.0f, 2.0f, 0.0f}, 3.0, 0.0f},    {{15.0f, -1.0f, -9.0f}, 4.5, 0.5f},
                  {{-26.0f, 5.0f, 21.0f}, 6.0, 1.0f}, {{30.0f, 0.0f, 30.0f}, 12.0, 0.25f},
                  {{3.0f, 1.0f, -2.0f}, 0.4, 1.0f},   {{0.0f, 0.0f, 0.0f}, 100.0, 0.5f}};
    size_t changed = 0;
    for (const auto& carve : carves) {
        const float limit = static_cast<float>(carve.radius * carve.radius);
        for (D3DXVECTOR3& p : expected) {
            const float dx = p.x - carve.centre.x, dz = p.z - carve.centre.z;
            const float squared = dx * dx + dz * dz;
            if (!(squared < limit))
                continue;
            const double d = std::sqrt(squared), dh = carve.centre.y - p.y, k = carve.factor * dh;
            p.y = static_cast<float>(p.y + (d * (dh - k) / carve.radius + k));
            ++changed;
        }
        t->modifyHeightRadius(carve.centre, carve.radius, carve.factor);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(t->getVertices()[i].position, expected[i])
                << "vertex " << i << " after the carve at " << carve.centre.x << " " << carve.centre.z;
    }
    EXPECT_GT(changed, 33u * 33u) << "the carves reach vertices, the last one all of them";
}

TEST_F(HeightMapObjektTest, SmoothingKeepsLevelGroundLevelUpToBothBorders)
{
    HeightMapObjekt* t = m_manager.build(flat(9, L">"));
    for (uint32_t j = 0; j < 9; ++j)
        for (uint32_t i = 0; i < 9; ++i) {
            double h = 3.0;
            t->addHeightUV(D3DXVECTOR2(i / 8.0f, j / 8.0f), h);
        }
    t->endModify();
    t->smoothHeights(3, 1.0, nullptr);
    // The far rows reflect like the near ones instead of pulling towards 0.
    for (const HeightMapVertex& v : t->getVertices())
        ASSERT_NEAR(v.position.y, 3.0f, 1e-5f);
    EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::REBUILD));
    // A ridge is spread: its top lowers, its neighbours rise, by the kernel (1 2 1) / 4 along each
    // axis.
    HeightMapObjekt* ridge = m_manager.build(flat(5, L">", L"Grat"));
    double h = 4.0;
    ridge->addHeightUV(D3DXVECTOR2(0.5f, 0.5f), h);
    ridge->endModify();
    ridge->smoothHeights(1, 1.0, nullptr);
    EXPECT_FLOAT_EQ(ridge->getVertices()[12].position.y, 4.0f * 0.25f);
    EXPECT_FLOAT_EQ(ridge->getVertices()[11].position.y, 4.0f * 0.125f);
    EXPECT_FLOAT_EQ(ridge->getVertices()[6].position.y, 4.0f * 0.0625f);
    EXPECT_EQ(ridge->getPositionsA()[6].y, ridge->getVertices()[6].position.y);
    ridge->endModify();
    EXPECT_FLOAT_EQ(ridge->getBoundingBox().getMax().y, 1.0f);
    // Radius 0: the kernel is the single weight 1.
    HeightMapObjekt* still = plane();
    still->smoothHeights(0, 1.0, nullptr);
    EXPECT_FLOAT_EQ(still->getHeightUV(D3DXVECTOR2(0.75f, 0.25f)), 5.0f);
}

TEST_F(HeightMapObjektTest, PaintingWeighsTheLayersAndAnEmptyTexelStaysEmpty)
{
    HeightMapObjekt* t = m_manager.build(flat(9, L">"));
    Texture2D* blend = t->getBlendTexture();
    auto texel = [&](uint32_t x, uint32_t y) {
        D3DXVECTOR4 c(-1, -1, -1, -1);
        D3DLOCKED_RECT locked;
        blend->lock(0, &locked, blend->getRect(), D3DLOCK_READONLY);
        blend->getPixel(c, x, y);
        blend->unlock(0);
        return c;
    };
    const float one = 1.0f, half = 0.5f;
    t->beginModify();
    t->setBlendWeight(1, 1, 2, one);
    t->setBlendWeight(2, 2, 0, one);
    t->setBlendWeight(2, 2, 1, half);
    t->setBlendWeight(8, 0, 0, one);
    t->setBlendWeight(0, 0, 4, one);
    t->endModify();
    EXPECT_EQ(texel(1, 1), D3DXVECTOR4(0, 0, 1, 0));
    const D3DXVECTOR4 mixed = texel(2, 2);
    EXPECT_NEAR(mixed.x, 0.5f, 1.0f / 255);
    EXPECT_NEAR(mixed.y, 0.5f, 1.0f / 255);
    EXPECT_EQ(mixed.z, 0.0f);
    // Untouched texels hold no weight; normalising leaves them so instead of dividing by zero.
    t->normalizeBlendWeights();
    t->endModify();
    const D3DXVECTOR4 empty = texel(5, 5);
    EXPECT_EQ(empty, D3DXVECTOR4(0, 0, 0, 0));
    EXPECT_NEAR(texel(2, 2).x, 0.5f, 1.0f / 255);

    // Locked weights: nothing is painted, and the build still closes the edit.
    HeightMapObjekt* locked = m_manager.build(flat(9, L"LOCK_TEXTUR=\"1\">", L"Gemalt"));
    Listener listener;
    locked->terrainChanged.connect(&listener, &Listener::changed);
    locked->setBlendWeight(1, 1, 2, one);
    locked->build(0);
    EXPECT_EQ(listener.changes, 1);
    // Smoothed heights still reach the bounds when the build paints nothing.
    HeightMapObjekt* smoothed = m_manager.build(
        flat(5,
             L"LOCK_TEXTUR=\"1\"><PERLIN_NOISE ENABLE=\"1\" SEED=\"5\" SCALE=\"4\" FAKTOR=\"8\"/>"
             L"<SMOOTH_TERRAIN_PARAMETER RADIUS=\"1\" FAKTOR=\"1\" ANZAHL=\"3\"><PARAMETER TYPE=\"STATIC\"/>"
             L"</SMOOTH_TERRAIN_PARAMETER>",
             L"Geglaettet"));
    smoothed->build(0);
    float highest = -1e9f;
    for (const D3DXVECTOR3& p : smoothed->getPositionsA())
        highest = std::max(highest, p.y);
    EXPECT_FLOAT_EQ(smoothed->getBoundingBox().getMax().y, highest);
}

TEST_F(HeightMapObjektTest, TheBuildPaintsTheLayerFieldsOfTheDescription)
{
    HeightMapObjekt* t = m_manager.build(
        flat(9, L"><TEX_PARAMETER><SCALE LAYER_ID=\"1\" NEAR=\"2\" FAR=\"0.5\"/><SCALE LAYER_ID=\"5\" NEAR=\"9\"/>"
                L"<PARAMETER LAYER_ID=\"0\" TYPE=\"STATIC\" VALUE=\"1\"/>"
                L"<PARAMETER LAYER_ID=\"3\" TYPE=\"DIST\" CENTER=\"0 0\" FALLOFF=\"0 0.5\" VALUE=\"1 0\"/>"
                L"</TEX_PARAMETER>"));
    EXPECT_FLOAT_EQ(t->getTexScaleNear()[1], 8.0f);
    EXPECT_FLOAT_EQ(t->getTexScaleFar()[1], 2.0f);
    EXPECT_FLOAT_EQ(t->getTexScaleNear()[0], 4.0f);
    t->build(0);
    Texture2D* blend = t->getBlendTexture();
    D3DLOCKED_RECT locked;
    ASSERT_TRUE(blend->lock(0, &locked, blend->getRect(), D3DLOCK_READONLY));
    D3DXVECTOR4 corner, far;
    blend->getPixel(corner, 0, 0);
    blend->getPixel(far, 7, 7);
    blend->unlock(0);
    // Every texel's weights sum to 1; the field of layer 3 covers layer 0 where it is high.
    EXPECT_NEAR(corner.x + corner.y + corner.z + corner.w, 1.0f, 2.0f / 255);
    EXPECT_GT(corner.w, far.w);
    EXPECT_NEAR(far.x + far.w, 1.0f, 2.0f / 255);
}

TEST_F(HeightMapObjektTest, TheDataSidecarPlacesAndScalesTheTerrain)
{
    TestSupport::ScopedCwd cwd(m_logs.folder());
    std::ofstream(m_logs.folder() / "Insel.data") << "<HEIGHTMAP MIN=\"-3\" HEIGHT=\"7\" BLENDSIZE=\"16\"/>";
    HeightMapObjekt* t = m_manager.build(flat(5, L"><PERLIN_NOISE ENABLE=\"1\" SEED=\"3\" ANZAHL=\"2\"/>", L"Insel"));
    EXPECT_FLOAT_EQ(t->getPosition().y, -3.0f);
    EXPECT_FLOAT_EQ(t->getScale().y, 7.0f);
    EXPECT_EQ(t->getBlendSize(), 16u);
    for (const HeightMapVertex& v : t->getVertices()) {
        EXPECT_GE(v.position.y, -3.0f);
        EXPECT_LE(v.position.y, 4.0f);
    }
    EXPECT_FALSE(t->isHeightLocked());

    // A name with path parts reads its sidecar under a safe name in the working folder, never
    // where the name leads.
    std::filesystem::create_directories(m_logs.folder() / "sub");
    TestSupport::ScopedCwd below(m_logs.folder() / "sub");
    std::ofstream(m_logs.folder() / "Weg.data") << "<HEIGHTMAP MIN=\"-9\"/>";
    std::ofstream(m_logs.folder() / "sub" / ".._Weg.data") << "<HEIGHTMAP MIN=\"5\"/>";
    EXPECT_FLOAT_EQ(m_manager.build(flat(5, L">", L"..\\Weg"))->getPosition().y, 5.0f);
    EXPECT_FLOAT_EQ(m_manager.build(flat(5, L">", L"../Weg"))->getPosition().y, 5.0f);
}

TEST_F(HeightMapObjektTest, ASidecarBehindALinkOutIsNotReadAndALargeBlendPaysForItsTexels)
{
    TestSupport::ScopedCwd cwd(m_logs.folder());
    TestSupport::TempDir away;
    std::ofstream(away / "Fern.data") << "<HEIGHTMAP MIN=\"-9\"/>";
    std::filesystem::create_symlink(away / "Fern.data", m_logs.folder() / "Fern.data");
    EXPECT_FLOAT_EQ(m_manager.build(flat(5, L">", L"Fern"))->getPosition().y, 0.0f);
    EXPECT_NE(m_logs.text("UlvoFile.log").find("Fern.data leads out of the data folders"), std::string::npos);

    // A blend of 4096 squared on a grid of 3 is 16 million texels: past the budget the terrain
    // keeps a blend of its own size, and the line says what was left out.
    m_manager.getSceneBudget().setLimit({100, 1u << 20});
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, L"<SZENE>" + flat(3, L"BLEND_SIZE=\"4096\">", L"Breit") + L"</SZENE>", 1));
    ASSERT_EQ(m_manager.loadSceneFile(&root).size(), 1u);
    EXPECT_EQ(dynamic_cast<HeightMapObjekt*>(m_manager.find(L"Breit"))->getBlendSize(), 2u);
    EXPECT_NE(m_logs.text().find("from \"Breit\" on are left out"), std::string::npos);
    m_manager.getSceneBudget().setLimit(SceneBudget::kSceneLimit);
}

TEST_F(HeightMapObjektTest, SidecarPicturesOfAnotherSizeAreStretchedAndPaidFromTheScenesBudget)
{
    TestSupport::ScopedCwd cwd(m_logs.folder());
    Texture2D picture;
    ASSERT_TRUE(GraphicsTesting::fillTexture(picture, 3, 2, [](UINT, UINT) { return D3DCOLOR{0xFF808080}; }));
    ASSERT_TRUE(SUCCEEDED(D3DXSaveTextureToFileW(L"hoehe.png", D3DXIFF_PNG, picture.getBaseTexture(), nullptr)));
    for (const char* name : {"Schmal", "Teuer"})
        std::ofstream(m_logs.folder() / (std::string(name) + ".data"))
            << "<HEIGHTMAP TEXTUR=\"hoehe.png\" TBLEND_03=\"hoehe.png\"/>";

    // A 3 x 2 picture over 9 x 9 vertices and as the 8 x 8 blend: both stretched, each said once.
    HeightMapObjekt* narrow = m_manager.build(flat(9, L">", L"Schmal"));
    ASSERT_EQ(narrow->getGridSize(), 9u);
    for (const HeightMapVertex& v : narrow->getVertices())
        ASSERT_NEAR(v.position.y, 128.0f / 255.0f, 1e-3f);
    EXPECT_EQ(narrow->getBlendTexture()->getWidth(), 3u);
    const std::string log = m_logs.text();
    for (const char* key : {"TEXTUR picture", "TBLEND_03 picture"}) {
        const std::size_t line = log.find(key);
        EXPECT_NE(line, std::string::npos) << key << log;
        EXPECT_NE(log.find("3x2 texels", line), std::string::npos) << key;
        EXPECT_EQ(log.find(key, line + 1), std::string::npos) << key << " said once";
    }

    // In a scene without room for the pictures' texels the terrain goes without them: flat, with
    // a blank blend of its own size.
    // The room kept for the object itself is not the pictures' to take.
    m_manager.getSceneBudget().setLimit({100, BaseObjekt::kReservedBytes + HeightMapObjekt::gridBytes(8) +
                                                  HeightMapObjekt::blendBytes(8) + SceneBudget::deviceBytes(5 * 4)});
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, L"<SZENE>" + flat(9, L">", L"Teuer") + L"</SZENE>", 1));
    ASSERT_EQ(m_manager.loadSceneFile(&root).size(), 1u);
    auto* costly = dynamic_cast<HeightMapObjekt*>(m_manager.find(L"Teuer"));
    for (const HeightMapVertex& v : costly->getVertices())
        ASSERT_EQ(v.position.y, 0.0f);
    EXPECT_FALSE(costly->isHeightLocked());
    EXPECT_EQ(costly->getBlendTexture()->getWidth(), 8u);
    EXPECT_NE(m_logs.text().find("left out"), std::string::npos);
}

TEST_F(HeightMapObjektTest, TerrainsAndClipmapsPastTheScenesBudgetAreNotMade)
{
    // Room for three grids of 65 x 65 and a clipmap of two small levels: ten grids and a clipmap
    // at every maximum ask for more.
    // Each object itself is paid too, far less than a grid.
    constexpr uint64_t kObjects = 11 * BaseObjekt::kReservedBytes;
    ASSERT_LT(kObjects, HeightMapObjekt::gridBytes(64));
    m_manager.getSceneBudget().setLimit(
        {100, kObjects + 3 * (HeightMapObjekt::gridBytes(64) + HeightMapObjekt::blendBytes(64)) +
                  ClipmapObjekt::levelSetBytes(2, 16, 7) + ClipmapObjekt::blendBytes(256)});
    std::wstring scene = L"<SZENE>";
    for (int i = 0; i < 10; ++i)
        scene += flat(65, L">", L"Gross" + std::to_wstring(i));
    scene +=
        L"<OBJEKT NAME=\"Riesig\" TYPE=\"CLIPMAP\"><CLIPMAP_DATA SIZE_TEX=\"2048\" ANZ_LAYERS=\"16\"/></OBJEKT>"
        L"<OBJEKT NAME=\"Klein\" TYPE=\"CLIPMAP\"><CLIPMAP_DATA SIZE_TEX=\"16\" SIZE_CENTER=\"8\" ANZ_LAYERS=\"2\"/>"
        L"</OBJEKT></SZENE>";
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, scene, 1));
    m_manager.loadSceneFile(&root);
    int grids = 0;
    for (int i = 0; i < 10; ++i)
        grids += dynamic_cast<HeightMapObjekt*>(m_manager.find(L"Gross" + std::to_wstring(i)))->getGridSize() > 0;
    EXPECT_EQ(grids, 3);
    EXPECT_EQ(m_manager.find(L"Riesig"), nullptr);
    EXPECT_NE(m_manager.find(L"Klein"), nullptr);
    EXPECT_NE(m_logs.text().find("left out"), std::string::npos);
}

TEST_F(HeightMapObjektTest, AClipmapAtEveryMaximumIsPastTheDefaultBudget)
{
    // Sixteen levels of 2048 squared texels of sixteen bytes are a gigabyte of textures alone.
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root,
                              L"<SZENE><OBJEKT NAME=\"Riesig\" TYPE=\"CLIPMAP\"><CLIPMAP_DATA SIZE_TEX=\"2048\" "
                              L"ANZ_LAYERS=\"16\"/></OBJEKT></SZENE>",
                              1));
    m_manager.loadSceneFile(&root);
    EXPECT_EQ(m_manager.find(L"Riesig"), nullptr);
    EXPECT_NE(m_logs.text().find("left out"), std::string::npos);
}

TEST_F(HeightMapObjektTest, ATerminationSignalWhileAHugeSceneBuildsEndsTheLoadingEarly)
{
    // Two clipmaps at every maximum (let in by a larger budget), over a height field, take many seconds to
    // build; the signal arrives while the first builds. Nothing here bounds the time: the test
    // only hangs (and the runner fails it) when the loading does not stop.
    std::wstring scene = L"<SZENE>";
    for (const wchar_t* name : {L"Erste", L"Zweite"})
        scene += std::wstring(L"<OBJEKT NAME=\"") + name +
                 L"\" TYPE=\"CLIPMAP\"><CLIPMAP_DATA SIZE_TEX=\"2048\" SIZE_CENTER=\"512\" ANZ_LAYERS=\"16\">"
                 L"<HEIGHTMAP TYPE=\"DIST\" CENTER=\"0.5 0.5\" FALLOFF=\"1 0\" VALUE=\"1 0\"/></CLIPMAP_DATA></OBJEKT>";
    XMLNode root;
    ASSERT_TRUE(XMLNode::load(&root, scene + L"</SZENE>", 1));
    SceneBudget::Cost room = SceneBudget::kSceneLimit;
    room.bytes =
        2 * (BaseObjekt::kReservedBytes + ClipmapObjekt::levelSetBytes(16, 2048, 511) + ClipmapObjekt::blendBytes(256));
    m_manager.getSceneBudget().setLimit(room);
    std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(getpid(), SIGTERM);
    });
    const std::vector<BaseObjekt*> loaded = m_manager.loadSceneFile(&root);
    sender.join();
    ASSERT_EQ(loaded.size(), 2u);
    // The first stops between two of its levels, the second is not built at all.
    for (BaseObjekt* object : loaded)
        EXPECT_EQ(dynamic_cast<ClipmapObjekt*>(object)->getLevelSet(), nullptr) << object->getName();
    EXPECT_NE(m_logs.text().find("the game is ending"), std::string::npos);
    // The tests after this one build terrains and forests, which stop at a pending signal.
    PlatformClearTerminationSignal();
}

TEST_F(HeightMapObjektTest, AnEditEndedAfterATerminationSignalLeavesNoTreeAndComputesNothingMore)
{
    // A road's carve ends its edit while the game ends: the normals, the upload, the bounds and
    // the tree of a terrain of the largest size would keep it waiting.
    HeightMapObjekt* t = m_manager.build(flat(9, L">", L"Endend"));
    ASSERT_NE(t->getQuadtree(), nullptr);
    const AABB box = t->getBoundingBox();
    t->modifyHeightRadius(D3DXVECTOR3(0.0f, 3.0f, 0.0f), 2.0, 1.0f);
    PlatformRaiseTerminationSignal();
    t->endModify();
    PlatformClearTerminationSignal();
    EXPECT_EQ(t->getQuadtree(), nullptr);
    for (const HeightMapVertex& v : t->getVertices())
        ASSERT_EQ(v.normal, D3DXVECTOR3(0.0f, 1.0f, 0.0f)) << "normals were computed";
    EXPECT_EQ(t->getBoundingBox().getMax().y, box.getMax().y) << "bounds were computed";
}

TEST_F(HeightMapObjektTest, FlatteningAlongASplineIsTheSameOnOneThreadAndOnMany)
{
    XMLNode node;
    XMLNode::load(&node,
                  L"<SPLINE NAME=\"Weg\"><CONTROLPOINT><POSITION X=\"0.1\" Y=\"0\" Z=\"0.2\"/></CONTROLPOINT>"
                  L"<CONTROLPOINT><POSITION X=\"0.5\" Y=\"0\" Z=\"0.5\"/></CONTROLPOINT>"
                  L"<CONTROLPOINT><POSITION X=\"0.9\" Y=\"0\" Z=\"0.7\"/></CONTROLPOINT></SPLINE>",
                  1);
    Spline spline(&node);
    const std::wstring hills = L"><PERLIN_NOISE ENABLE=\"1\" SEED=\"11\" ANZAHL=\"4\" SCALE=\"3\" FAKTOR=\"2\"/>";
    const float factors[2] = {1.0f, 1.0f};
    const bool onTerrain = true;
    const double falloff = 1.0;
    HeightMapObjekt* untouched = m_manager.build(flat(65, hills, L"Unberuehrt"));
    std::vector<std::vector<HeightMapVertex>> results;
    const int threads = omp_get_max_threads();
    for (int count : {1, std::max(threads, 4)}) {
        HeightMapObjekt* t = m_manager.build(flat(65, hills, L"Pfad" + std::to_wstring(count)));
        omp_set_num_threads(count);
        t->modifyAlongSpline(1.0, &spline, factors, onTerrain, falloff);
        omp_set_num_threads(threads);
        EXPECT_TRUE(t->getChangeFlags().isSet(HeightMapObjekt::REBUILD));
        t->endModify();
        results.push_back(t->getVertices());
        // At a control point the path was set on the terrain; far from the path nothing changes;
        // beside it the ground takes the path's height.
        const D3DXVECTOR2 point(0.5f, 0.5f), far(0.05f, 0.95f), beside(0.5f + 2.0f / 64, 0.5f);
        EXPECT_NEAR(t->getHeightUV(point), untouched->getHeightUV(point), 1e-4f);
        EXPECT_EQ(t->getHeightUV(far), untouched->getHeightUV(far));
        EXPECT_NE(t->getHeightUV(beside), untouched->getHeightUV(beside));
        EXPECT_EQ(t->getPositionsA()[32 * 65 + 32].y, t->getVertices()[32 * 65 + 32].position.y);
    }
    ASSERT_EQ(results[0].size(), results[1].size());
    EXPECT_EQ(std::memcmp(results[0].data(), results[1].data(), results[0].size() * sizeof(HeightMapVertex)), 0);

    // Through the description: the spline found by name.
    SplineManager splines;
    splines.addSpline(&node);
    m_manager.setSplineManager(&splines);
    HeightMapObjekt* described = m_manager.build(
        flat(65, hills + L"<FLATTEN_AT_SPLINE RADIUS=\"1.9\" FALLOFF=\"1.7\" SPLINE=\"Weg\"/>", L"Beschrieben"));
    m_manager.setSplineManager(nullptr);
    described->build(0);
    // RADIUS and FALLOFF are taken as whole numbers.
    for (size_t i = 0; i < results[0].size(); ++i)
        ASSERT_EQ(described->getVertices()[i].position.y, results[0][i].position.y) << i;
}

TEST_F(HeightMapObjektTest, AClipmapDescriptionBuiltAsGridTerrainMovesToItsCornerAndTakesTheSceneEffect)
{
    ObjektManager::setMakeClipmapToHeightMap(true);
    ObjektManager::setHeightMapEffectName(L"Terrain");
    HeightMapObjekt* t =
        m_manager.build(L"<OBJEKT NAME=\"Clip\" TYPE=\"CLIPMAP\"><BASE_DATA><POSITION X=\"1\" Y=\"2\" Z=\"3\"/>"
                        L"<SCALE X=\"8\" Y=\"1\" Z=\"4\"/></BASE_DATA><HEIGHTMAP_DATA SIZE=\"5\"/></OBJEKT>");
    ObjektManager::setMakeClipmapToHeightMap(false);
    ObjektManager::setHeightMapEffectName(L"");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->getPosition(), D3DXVECTOR3(5.0f, 2.0f, 5.0f));
    ASSERT_NE(t->getEffectBundle(), nullptr);
    EXPECT_EQ(t->getEffectBundle()->getName(), L"Terrain");
    // Others find it as a terrain.
    EXPECT_EQ(dynamic_cast<HeightMap*>(m_manager.find(L"Clip")), static_cast<HeightMap*>(t));
}
