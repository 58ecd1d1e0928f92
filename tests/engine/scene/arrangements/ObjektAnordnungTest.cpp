// Object arrangements: each kind places its copies where the description says, checked by value
// on a flat and a sloped test terrain; copies are named, grouped and registered like their
// sources; hostile descriptions (huge counts, densities that never allow a place, splines of no
// length, zero divisors, flat ground under a tilt) end promptly with sound values.
#include "engine/scene/TestObjekt.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/HeightMap.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "scene/arrangements/ObjektAnordnung.h"
#include "scene/arrangements/PlacementSources.h"
#include "scene/splines/Spline.h"
#include "support/LogCapture.h"

#include <crt.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace Ulvo;
using SceneTesting::makeObjekt;
using SceneTesting::parseNode;
using SceneTesting::TestObjekt;

namespace {

// A plane y = base + slope.x x + slope.y z over 100 x 100 units from the origin.
class TestTerrain : public TestObjekt, public HeightMap {
public:
    TestTerrain(const std::wstring& name, D3DXVECTOR2 slope, float base)
        : TestObjekt(nullptr), m_slope(slope), m_base(base)
    {
        rename(name);
    }
    BaseObjekt* clone() const override { return nullptr; }

    float heightAt(float x, float z) const { return m_base + m_slope.x * x + m_slope.y * z; }
    D3DXVECTOR3 normal() const
    {
        D3DXVECTOR3 n(-m_slope.x, 1.0f, -m_slope.y);
        D3DXVec3Normalize(&n, &n);
        return n;
    }

    void setHeight(const D3DXVECTOR3&) override {}
    void setHeightUV(const D3DXVECTOR2&, double&) override {}
    void modifyHeightRadius(const D3DXVECTOR3&, double, float) override {}
    void addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double) override {}
    void addHeightUV(const D3DXVECTOR2&, double&) override {}
    float getHeightUV(const D3DXVECTOR2& uv) override { return heightAt(uv.x * 100, uv.y * 100); }
    float getHeight(const D3DXVECTOR3& p) override { return heightAt(p.x, p.z); }
    float getHeight(const D3DXVECTOR2& xz) override { return heightAt(xz.x, xz.y); }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(uv.x * 100, heightAt(uv.x * 100, uv.y * 100), uv.y * 100);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& p) override
    {
        *out = D3DXVECTOR2(p.x / 100, p.z / 100);
        return out;
    }
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return &(*out = normal()); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3&, bool) override { return &(*out = normal()); }
    D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2&, bool) override { return &(*out = normal()); }
    void beginModify() override {}
    void endModify() override {}

private:
    D3DXVECTOR2 m_slope;
    float m_base;
};

class TestTrees : public TestObjekt, public TreePlaceSource {
public:
    explicit TestTrees(std::vector<TreePlace> places) : TestObjekt(nullptr), m_places(std::move(places))
    {
        rename(L"Wald");
    }
    void collectTreePlaces(std::vector<TreePlace>& places) const override { places = m_places; }

private:
    std::vector<TreePlace> m_places;
};

// Density 1 where u is above one half (or nowhere).
class HalfDensity : public PlacementDensity {
public:
    explicit HalfDensity(bool anywhere) : m_anywhere(anywhere) {}
    float value(const D3DXVECTOR2& uv) override { return m_anywhere && uv.x > 0.5f ? 1.0f : 0.0f; }

private:
    bool m_anywhere;
};

std::unique_ptr<PlacementDensity> makeHalfDensity(XMLNode* node)
{
    return std::make_unique<HalfDensity>(node && node->getAttributeValue(L"TYPE") == L"HALF");
}

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-4f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A tilted copy stands along the ground's normal, not mirrored uphill.
D3DXVECTOR3 tiltedUp(const D3DXVECTOR3& normal)
{
    return normal;
}

// Yaw in degrees within (-180, 180].
float yawOf(const BaseObjekt& object)
{
    float yaw = std::fmod(object.getRotationYawPitchRoll().x, 360.0f);
    if (yaw > 180.0f)
        yaw -= 360.0f;
    if (yaw <= -180.0f)
        yaw += 360.0f;
    return yaw;
}

// The object's up axis after its rotation.
D3DXVECTOR3 upOf(const BaseObjekt& object)
{
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &object.getRotation());
    D3DXVECTOR3 up(0, 1, 0);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &up, &m);
    return out;
}

class ObjektAnordnungTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        crt_srand(7);
        m_engineMaker = PlacementDensities::getMaker();
        m_first = makeObjekt(L"A");
        m_second = makeObjekt(L"B");
        m_second->setScale(D3DXVECTOR3(2, 2, 2));
        m_manager.add(m_first, true);
        m_manager.add(m_second, true);
    }
    // The engine's maker back for the tests that load scenes through the engine.
    void TearDown() override { PlacementDensities::setMaker(m_engineMaker); }
    PlacementDensityMaker m_engineMaker = nullptr;

    std::vector<BaseObjekt*> arrange(const std::wstring& kinds, const std::wstring& sources = L"")
    {
        XMLNode node = parseNode(L"<OBJEKT_ANORDNUNG>" +
                                 (sources.empty() ? L"<SRC_OBJECT NAME=\"A\"/><SRC_OBJECT NAME=\"B\"/>" : sources) +
                                 kinds + L"</OBJEKT_ANORDNUNG>");
        return loadArrangement(m_manager, &node, &m_splines);
    }

    TestTerrain* addTerrain(D3DXVECTOR2 slope, float base)
    {
        auto* terrain = new TestTerrain(L"Boden", slope, base);
        m_manager.add(terrain, true);
        return terrain;
    }

    LogCapture m_logs;
    ObjektManager m_manager;
    SplineManager m_splines;
    BaseObjekt* m_first = nullptr;
    BaseObjekt* m_second = nullptr;
};

} // namespace

TEST_F(ObjektAnordnungTest, CopiesAreNamedGroupedRegisteredAndJoinTheSourcesGraph)
{
    SceneGraph graph;
    graph.addObject(m_first, true);
    const auto made = arrange(L"<INSTANZEN><INSTANZ OBJEKT_OVERRIDE=\"0\"><POSITION X=\"3\"/></INSTANZ></INSTANZEN>");
    ASSERT_EQ(made.size(), 1u);
    BaseObjekt* copy = made[0];
    EXPECT_EQ(copy->getName(), L"A_INSTANZ_" + std::to_wstring(copy->getNumber()));
    EXPECT_EQ(m_manager.find(copy->getName()), copy);
    EXPECT_EQ(copy->getInstanceGroup(), m_first);
    EXPECT_EQ(copy->getSceneGraph(), &graph);

    // Without a registered source the arrangement makes nothing.
    EXPECT_TRUE(arrange(L"<RANDOM ANZAHL=\"3\"/>", L"<SRC_OBJECT NAME=\"Z\"/>").empty());
}

TEST_F(ObjektAnordnungTest, SourcesAreChosenByWeightOrByIndex)
{
    const auto made = arrange(L"<RANDOM ANZAHL=\"800\"/>", L"<SRC_OBJECT NAME=\"A\"/><SRC_OBJECT NAME=\"Z\"/>"
                                                           L"<SRC_OBJECT NAME=\"B\" PROP=\"3\"/>");
    ASSERT_EQ(made.size(), 800u);
    int first = 0;
    for (BaseObjekt* copy : made)
        first += copy->getInstanceGroup() == m_first;
    EXPECT_NEAR(first, 200, 50); // a quarter, within about four standard deviations

    const auto chosen = arrange(L"<INSTANZEN><INSTANZ OBJEKT_OVERRIDE=\"7\"/><INSTANZ OBJEKT_OVERRIDE=\"-2\"/>"
                                L"</INSTANZEN>");
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0]->getInstanceGroup(), m_second);
    EXPECT_EQ(chosen[1]->getInstanceGroup(), m_first);
}

TEST_F(ObjektAnordnungTest, InstancesTakeTheirPlaceScaleAndRotation)
{
    m_second->setPosition(D3DXVECTOR3(1, 2, 3));
    const auto made = arrange(
        L"<INSTANZEN MIN_Y=\"5\"><INSTANZ OBJEKT_OVERRIDE=\"1\" MULTIPLY_SCALES=\"1\"><POSITION X=\"9\"/>"
        L"<SCALE X=\"3\"/><ROTATION YAW=\"90\"/></INSTANZ>"
        L"<INSTANZ OBJEKT_OVERRIDE=\"1\"><SCALE Y=\"4\"/><ROTATION_QUAT Y=\"2\" W=\"2\"/></INSTANZ></INSTANZEN>");
    ASSERT_EQ(made.size(), 2u);
    expectNear(made[0]->getBasePosition(), {9, 5, 3});
    expectNear(made[0]->getScale(), {6, 2, 2});
    expectNear(made[0]->getRotationYawPitchRoll(), {90, 0, 0}, 1e-3f);
    expectNear(made[1]->getScale(), {2, 4, 2});
    const float half = std::sqrt(0.5f);
    EXPECT_NEAR(made[1]->getRotation().y, half, 1e-5f);
    EXPECT_NEAR(made[1]->getRotation().w, half, 1e-5f);
}

TEST_F(ObjektAnordnungTest, InstancesStandOnFlatAndSlopedTerrain)
{
    addTerrain(D3DXVECTOR2(0, 0), 4);
    auto flat = arrange(L"<INSTANZEN HEIGHTMAP=\"Boden\" ROTATE_XZ=\"1\"><INSTANZ OBJEKT_OVERRIDE=\"0\">"
                        L"<POSITION X=\"10\" Y=\"1\" Z=\"20\"/><ROTATION YAW=\"30\"/></INSTANZ></INSTANZEN>");
    ASSERT_EQ(flat.size(), 1u);
    expectNear(flat[0]->getBasePosition(), {10, 5, 20});
    // Flat ground has no tilt axis: the rotation is the yaw alone, not NaN.
    expectNear(flat[0]->getRotationYawPitchRoll(), {30, 0, 0}, 1e-3f);

    m_manager.removeByName(L"Boden");
    TestTerrain* slope = addTerrain(D3DXVECTOR2(0.5f, 0.25f), 1);
    auto tilted = arrange(L"<INSTANZEN HEIGHTMAP=\"Boden\" ROTATE_XZ=\"1\"><INSTANZ OBJEKT_OVERRIDE=\"0\">"
                          L"<POSITION_PARAM X=\"0.5\" Y=\"0.2\"/></INSTANZ></INSTANZEN>");
    ASSERT_EQ(tilted.size(), 1u);
    expectNear(tilted[0]->getBasePosition(), {50, 1 + 25 + 5, 20});
    expectNear(upOf(*tilted[0]), tiltedUp(slope->normal()), 1e-4f);
}

TEST_F(ObjektAnordnungTest, RandomCopiesStayInTheirBoxAndRanges)
{
    const auto made =
        arrange(L"<RANDOM ANZAHL=\"50\"><MINPOS X=\"-1\" Y=\"2\" Z=\"10\"/><MAXPOS X=\"1\" Y=\"2\" Z=\"20\"/>"
                L"<MINSCALE X=\"1\" Y=\"2\" Z=\"3\"/><MAXSCALE X=\"2\" Y=\"4\" Z=\"6\"/>"
                L"<MINROT YAW=\"0\"/><MAXROT YAW=\"90\"/></RANDOM>");
    ASSERT_EQ(made.size(), 50u);
    for (BaseObjekt* copy : made) {
        const D3DXVECTOR3& p = copy->getBasePosition();
        EXPECT_TRUE(p.x >= -1 && p.x <= 1 && p.y == 2 && p.z >= 10 && p.z <= 20);
        // One draw for all three axes: the same share of each range.
        const D3DXVECTOR3& s = copy->getScale();
        EXPECT_NEAR(s.y, 2 * s.x, 1e-4f);
        EXPECT_NEAR(s.z, 3 * s.x, 1e-4f);
        const float yaw = copy->getRotationYawPitchRoll().x;
        EXPECT_TRUE(yaw >= -1e-3f && yaw <= 90.001f) << yaw;
    }

    // An absurd count is cut to the bound with a log line (the copies' own lines left out).
    mainLogger().setPriority(1000, 4);
    EXPECT_EQ(arrange(L"<RANDOM ANZAHL=\"1000000000\"/>").size(), static_cast<size_t>(kMaxArrangementCopies));
    EXPECT_NE(m_logs.text().find("too many"), std::string::npos);
}

// The draws in their order: position X, Y, Z, scale X, Y, Z, yaw, pitch, roll, then the source;
// every compiler lays the same copies out.
TEST_F(ObjektAnordnungTest, RandomCopiesDrawTheirNumbersInOrder)
{
    crt_srand(11);
    float u[10];
    for (float& value : u)
        value = static_cast<float>(crt_rand() / 32767.0);
    crt_srand(11);
    const auto made = arrange(L"<RANDOM ANZAHL=\"1\" SCALE_SYMETRIC=\"0\"><MINPOS X=\"0\" Y=\"0\" Z=\"0\"/>"
                              L"<MAXPOS X=\"10\" Y=\"20\" Z=\"30\"/><MINSCALE X=\"1\" Y=\"1\" Z=\"1\"/>"
                              L"<MAXSCALE X=\"2\" Y=\"3\" Z=\"4\"/><MINROT YAW=\"0\" PITCH=\"0\" ROLL=\"0\"/>"
                              L"<MAXROT YAW=\"60\" PITCH=\"30\" ROLL=\"20\"/></RANDOM>");
    ASSERT_EQ(made.size(), 1u);
    // A value of a range is MAX + u (MIN - MAX).
    const D3DXVECTOR3& p = made[0]->getBasePosition();
    EXPECT_NEAR(p.x, 10 - 10 * u[0], 1e-4f);
    EXPECT_NEAR(p.y, 20 - 20 * u[1], 1e-4f);
    EXPECT_NEAR(p.z, 30 - 30 * u[2], 1e-4f);
    const D3DXVECTOR3& scale = made[0]->getScale();
    EXPECT_NEAR(scale.x, 2 - u[3], 1e-4f);
    EXPECT_NEAR(scale.y, 3 - 2 * u[4], 1e-4f);
    EXPECT_NEAR(scale.z, 4 - 3 * u[5], 1e-4f);
    BaseObjekt* turned = makeObjekt(L"Gedreht");
    m_manager.add(turned, true);
    turned->setRotationYawPitchRoll(D3DXVECTOR3(60 - 60 * u[6], 30 - 30 * u[7], 20 - 20 * u[8]));
    const D3DXQUATERNION& want = turned->getRotation();
    const D3DXQUATERNION& got = made[0]->getRotation();
    EXPECT_NEAR(got.x, want.x, 1e-5f);
    EXPECT_NEAR(got.y, want.y, 1e-5f);
    EXPECT_NEAR(got.z, want.z, 1e-5f);
    EXPECT_NEAR(got.w, want.w, 1e-5f);
    // The source came last: A up to half the range, B above.
    EXPECT_EQ(made[0]->getInstanceGroup(), u[9] <= 0.5f ? m_first : m_second);
}

TEST_F(ObjektAnordnungTest, SplineCopiesAreSpacedAlongTheSpline)
{
    XMLNode line = parseNode(L"<SPLINE NAME=\"Linie\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"100\"/>"
                             L"</CONTROLPOINT></SPLINE>");
    m_splines.addSpline(&line);
    const auto sparse =
        arrange(L"<SPLINE SPLINE_NAME=\"Linie\" ANZAHL=\"10\" MIN_DIST=\"20\" USE_EXACT_DISTANCE=\"0\"/>");
    ASSERT_EQ(sparse.size(), 5u);
    for (size_t i = 0; i < sparse.size(); ++i)
        expectNear(sparse[i]->getBasePosition(), {20.0f * i, 0, 0});

    // By straight-line distance, START_POS shifts the first; ROTATE_Y turns against the direction.
    const auto exact = arrange(L"<SPLINE SPLINE_NAME=\"Linie\" ANZAHL=\"4\" START_POS=\"5\" ROTATE_Y=\"1\" "
                               L"ROTATION_Y_OFFSET=\"90\"/>");
    ASSERT_EQ(exact.size(), 4u);
    for (size_t i = 0; i < exact.size(); ++i) {
        // The search steps spacing / 50 at a time, so a copy may lie one step further.
        EXPECT_NEAR(exact[i]->getBasePosition().x, 5 + 25.0f * i + 0.25f, 0.26f);
        EXPECT_NEAR(yawOf(*exact[i]), -90.0f, 1e-3f);
    }

    // Offsets along the frame: binormal of +x is +z, normal +y.
    const auto shifted =
        arrange(L"<SPLINE SPLINE_NAME=\"Linie\" ANZAHL=\"1\"><MIN_VERSCHIEBUNG NORM=\"2\" BINORM=\"3\"/>"
                L"<MAX_VERSCHIEBUNG NORM=\"2\" BINORM=\"3\"/></SPLINE>");
    ASSERT_EQ(shifted.size(), 1u);
    expectNear(shifted[0]->getBasePosition(), {0, 2, 3});
}

TEST_F(ObjektAnordnungTest, ChangedSplinesAndSplinesOfNoLengthStaySound)
{
    XMLNode line = parseNode(L"<SPLINE NAME=\"Linie\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"100\" Z=\"40\"/>"
                             L"</CONTROLPOINT></SPLINE>");
    m_splines.addSpline(&line);
    // PARAM_S_Y defaults to 0: that axis is left as it is rather than divided by 0.
    const auto halved = arrange(L"<SPLINE SPLINE_NAME=\"Linie\" ANZAHL=\"2\" USE_EXACT_DISTANCE=\"0\">"
                                L"<CHANGE_SPLINE PARAM_S_X=\"2\"/></SPLINE>");
    ASSERT_EQ(halved.size(), 2u);
    expectNear(halved[1]->getBasePosition(), {25, 0, 20});
    // The registered spline itself is not changed.
    EXPECT_FLOAT_EQ(m_splines.getSpline(L"Linie")->getPointStore()[1].position.x, 100.0f);

    XMLNode point = parseNode(L"<SPLINE NAME=\"Punkt\" LOOP=\"1\"><CONTROLPOINT/><CONTROLPOINT/></SPLINE>");
    m_splines.addSpline(&point);
    EXPECT_TRUE(arrange(L"<SPLINE SPLINE_NAME=\"Punkt\" ANZAHL=\"5\"/>").empty());
    EXPECT_TRUE(arrange(L"<SPLINE SPLINE_NAME=\"Keiner\" ANZAHL=\"5\"/>").empty());
}

TEST_F(ObjektAnordnungTest, SplineCopiesOnTerrain)
{
    addTerrain(D3DXVECTOR2(0.5f, 0), 1);
    XMLNode line = parseNode(L"<SPLINE NAME=\"Linie\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"0.8\"/>"
                             L"</CONTROLPOINT></SPLINE>");
    m_splines.addSpline(&line);
    // The spline drapes over the terrain in its coordinates; copies stand on it, tilted.
    const auto made = arrange(L"<SPLINE SPLINE_NAME=\"Linie\" HEIGHTMAP=\"Boden\" ANZAHL=\"2\" ROTATE_XZ=\"1\" "
                              L"PLACE_ON_HEIGHTMAP=\"1\" USE_EXACT_DISTANCE=\"0\"><CHANGE_SPLINE PARAM_S_X=\"1\" "
                              L"PARAM_S_Y=\"1\"/></SPLINE>");
    ASSERT_EQ(made.size(), 2u);
    expectNear(made[1]->getBasePosition(), {40, 21, 0});
    D3DXVECTOR3 n(-0.5f, 1, 0);
    D3DXVec3Normalize(&n, &n);
    expectNear(upOf(*made[1]), tiltedUp(n));
}

TEST_F(ObjektAnordnungTest, ParameterCopiesGoWhereTheDensityAllows)
{
    // No field maker handed down: nothing, with a line.
    PlacementDensities::setMaker(nullptr);
    EXPECT_TRUE(arrange(L"<PARAMETER ANZAHL=\"3\"><PARAMETER TYPE=\"HALF\"/></PARAMETER>").empty());

    PlacementDensities::setMaker(&makeHalfDensity);
    const auto made = arrange(L"<PARAMETER ANZAHL=\"20\"><PARAMETER TYPE=\"HALF\"/></PARAMETER>");
    ASSERT_EQ(made.size(), 20u);
    for (BaseObjekt* copy : made) {
        EXPECT_GT(copy->getBasePosition().x, 0.5f);
        EXPECT_LE(copy->getBasePosition().x, 1.0f);
        EXPECT_EQ(copy->getBasePosition().y, 0.0f);
    }

    // On a sloped terrain the copies stand on it.
    TestTerrain* terrain = addTerrain(D3DXVECTOR2(0.1f, 0), 2);
    const auto placed =
        arrange(L"<PARAMETER ANZAHL=\"5\" HEIGHTMAP=\"Boden\" ROTATE_XZ=\"1\"><PARAMETER TYPE=\"HALF\"/>"
                L"</PARAMETER>");
    ASSERT_EQ(placed.size(), 5u);
    for (BaseObjekt* copy : placed) {
        const D3DXVECTOR3& p = copy->getBasePosition();
        EXPECT_GT(p.x, 50.0f);
        EXPECT_NEAR(p.y, terrain->heightAt(p.x, p.z), 1e-3f);
        expectNear(upOf(*copy), tiltedUp(terrain->normal()));
    }

    // A density that never reaches 0.5 gives up after bounded draws.
    EXPECT_TRUE(arrange(L"<PARAMETER ANZAHL=\"50\"><PARAMETER TYPE=\"NONE\"/></PARAMETER>").empty());
    EXPECT_NE(m_logs.text().find("no place of density"), std::string::npos);
}

TEST_F(ObjektAnordnungTest, TreeCopiesTakeEveryPlaceOnce)
{
    std::vector<TreePlace> places;
    for (int i = 0; i < 6; ++i)
        places.push_back({D3DXVECTOR3(float(i), 0, 0), D3DXVECTOR3(1, 2, 1), 45.0f, i % 3});
    m_manager.add(new TestTrees(places), true);

    const auto all = arrange(L"<TREE BAUMOBJEKT=\"Wald\" SCALE_FAKTOR=\"2\"/>");
    ASSERT_EQ(all.size(), 6u);
    std::set<float> xs;
    for (BaseObjekt* copy : all) {
        xs.insert(copy->getBasePosition().x);
        const D3DXVECTOR3 own = copy->getInstanceGroup() == m_second ? D3DXVECTOR3(2, 2, 2) : D3DXVECTOR3(1, 1, 1);
        expectNear(copy->getScale(), {own.x * 2, own.y * 4, own.z * 2});
        EXPECT_NEAR(copy->getRotationYawPitchRoll().x, 45.0f, 1e-3f);
    }
    EXPECT_EQ(xs.size(), 6u);

    // In stored order, the source by the place's type (clamped into the two sources).
    const auto ordered = arrange(L"<TREE BAUMOBJEKT=\"Wald\" ANZAHL=\"3\" RANDOM_INSTANCE=\"0\" RANDOM_TREE=\"0\"/>");
    ASSERT_EQ(ordered.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ordered[i]->getBasePosition().x, float(i));
        EXPECT_EQ(ordered[i]->getInstanceGroup(), i == 0 ? m_first : m_second);
    }
    EXPECT_TRUE(arrange(L"<TREE BAUMOBJEKT=\"A\"/>").empty());
    EXPECT_TRUE(arrange(L"<TREE BAUMOBJEKT=\"Wald\" ANZAHL=\"0\"/>").empty());
}
