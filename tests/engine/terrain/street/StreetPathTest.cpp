// The road's description and path: profile order, segment values, control-point flags, guard
// points and step counts, the samples by value, carving and terrain heights on a fake flat and
// sloped terrain, the build passes' order, and hostile descriptions that must neither crash nor
// divide by zero.
#include "engine/terrain/street/StreetTestSupport.h"
#include "scene/SplineManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <platform_test.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace Ulvo;
using namespace StreetTesting;

namespace {

constexpr float kPi = 3.14159265358979f;

std::vector<float> xs(const StreetObjekt& road)
{
    std::vector<float> out;
    for (const StreetObjekt::Segment& s : road.getProfile())
        out.push_back(s.x);
    return out;
}

void expectVec(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

} // namespace

TEST(StreetDescription, ProfileIsSortedByXWithPinnedPointsAndItsValuesAreRead)
{
    StreetScene scene;
    auto road = scene.road(L"<SEGMENT X=\"2\"/><SEGMENT X=\"-1\" U_TILING=\"2\" UV_TILING=\"3\" COLOR=\"80FF0000\"/>"
                           L"<SEGMENT X=\"0.5\" SHADOW_RECEIVE=\"0.25\" PARALLAX_AMOUNT=\"0.1\" SYMETRIC=\"0\"/>",
                           L"", L"", L"ANZ_SEGMENTE=\"4\" DRAW_LAST_SEGMENT=\"0\"");
    ASSERT_TRUE(road);
    EXPECT_EQ(xs(*road), (std::vector<float>{-1.0f, 0.5f, 2.0f}));
    const auto& p = road->getProfile();
    // smoothSeg is off for the nodes first and last in the file, not the lowest and highest x.
    EXPECT_TRUE(p[0].smoothSeg);
    EXPECT_FALSE(p[1].smoothSeg);
    EXPECT_FALSE(p[2].smoothSeg);
    EXPECT_EQ(p[0].uTiling, 3.0f);
    EXPECT_EQ(p[0].vTiling, 3.0f);
    EXPECT_NEAR(p[0].color[0], 1.0f, 1e-6f);
    EXPECT_NEAR(p[0].color[1], 0.0f, 1e-6f);
    EXPECT_NEAR(p[0].color[3], 128.0f / 255.0f, 1e-6f);
    EXPECT_EQ(p[1].shadowFactor, 0.75f);
    EXPECT_NEAR(p[1].parallaxAmount[0], 0.1f, 1e-6f);
    EXPECT_EQ(p[1].parallaxAmount[1], 0.0f);
    EXPECT_FALSE(p[1].symmetric);
    EXPECT_EQ(p[1].specularPower, 32.0f);
    EXPECT_EQ(p[1].parallaxSamples[1], 50);
    EXPECT_EQ(road->getSegmentCount(), 4);
    EXPECT_FALSE(road->getDrawLastSegment());
    EXPECT_TRUE(road->hasSplineNode());

    auto pinned = scene.road(L"<SEGMENT X=\"1\"/><SEGMENT X=\"5\" SEGMENT=\"9\"/><SEGMENT X=\"-2\"/>"
                             L"<SEGMENT X=\"7\" SEGMENT=\"0\"/>",
                             L"", L"");
    EXPECT_EQ(xs(*pinned), (std::vector<float>{7.0f, -2.0f, 1.0f, 5.0f}));
}

TEST(StreetDescription, FlagWordsApplyInOrderAndDefaultsPrecedeEachPoint)
{
    StreetObjekt::ControlPoint cp;
    for (const wchar_t* word : {L"CATMULL_Y", L"NO_TERRAIN"})
        cp.applyFlagWord(word);
    EXPECT_EQ(cp.flags, 2u);
    cp.flags = 0;
    for (const wchar_t* word : {L"TERRAIN", L"NO_TERRAIN_PLACING", L"catmull", L"CHANGE", L"DONT_CHANGE"})
        cp.applyFlagWord(word);
    EXPECT_EQ(cp.flags, 4u);

    StreetScene scene;
    auto road = scene.road(kFlatProfile, L"DIST_INTERPOL=\"3\"",
                           L"<DEFAULT INTERPOL_DISTANCE=\"4\" SCALE=\"2\">\"|CHANGE|\"</DEFAULT>" + point(0, 0, 0) +
                               point(10, 0, 0, L"DONT_CHANGE", L"INTERPOL_DISTANCE=\"5\"") +
                               L"<PARAM_GROUP CONTROL_POINTS=\"1 -1 7 x\" SCALE=\"4\"/>");
    road->build(0);
    const auto& cps = road->getPath().controlPoints;
    ASSERT_EQ(cps.size(), 4u);
    // Guard points: in front a copy of p0 at p1's position, behind the mirror of p0 through p1.
    expectVec(cps[0].position, 10, 0, 0);
    expectVec(cps[1].position, 0, 0, 0);
    expectVec(cps[2].position, 10, 0, 0);
    expectVec(cps[3].position, 20, 0, 0);
    // DEFAULT's INTERPOL_DISTANCE gives way to DIST_INTERPOL; a point's own key wins.
    EXPECT_EQ(cps[1].interpolDistance, 3.0f);
    EXPECT_EQ(cps[1].stepCount, 3);
    EXPECT_EQ(cps[2].interpolDistance, 5.0f);
    EXPECT_EQ(cps[1].flags, 32u);
    EXPECT_EQ(cps[2].flags, 0u);
    // The group reached point 1 only; the other entries are out of range or no number.
    EXPECT_EQ(cps[1].scale, 2.0f);
    EXPECT_EQ(cps[2].scale, 4.0f);
}

TEST(StreetDescription, TerrainParametersPlaceThePointsAndLoopAddsThreeGuards)
{
    StreetScene scene;
    FakeTerrain* ground = scene.terrain(L"Boden", 1.5f);
    auto road = scene.road(kFlatProfile, L"TERRAIN=\"Boden\" PARAM_S_X=\"100\" PARAM_S_Y=\"50\"",
                           L"<DEFAULT IS_PARAM=\"1\"/>" + point(50, 7, 25) + point(75, 7, 25, L"", L"IS_PARAM=\"3\"") +
                               point(75, 7, 40) + L"\"|LOOP|\"");
    road->build(0);
    const auto& cps = road->getPath().controlPoints;
    ASSERT_EQ(cps.size(), 6u);
    // u = 50 / 100 = 0.5 → x = 0; v = 25 / 50 = 0.5 → z = 0; the point keeps its y unless IS_PARAM has 2.
    expectVec(cps[1].position, 0, 7, 0);
    expectVec(cps[2].position, 16, 1.5f, 0);
    expectVec(cps[3].position, 16, 7, 0.8f * 64 - 32);
    // p(n-1), p0 … p(n-1), p0, p1
    expectVec(cps[0].position, cps[3].position.x, cps[3].position.y, cps[3].position.z);
    expectVec(cps[4].position, 0, 7, 0);
    expectVec(cps[5].position, 16, 1.5f, 0);
    EXPECT_EQ(road->getPath().pathFlags, 1u);
    EXPECT_TRUE(ground->carves.empty());
}

TEST(StreetSampling, SamplesLieOnThePiecesWithHeadingsWidthsAndDistances)
{
    StreetScene scene;
    auto road = scene.road(kFlatProfile, L"DIST_INTERPOL=\"2.5\"",
                           point(0, 0, 0, L"", L"SCALE=\"1\"") + point(10, 0, 0, L"", L"SCALE=\"3\""));
    road->build(0);
    const auto& samples = road->getPath().samples;
    ASSERT_EQ(samples.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        expectVec(samples[k].position, 2.5f * k, 0, 0);
        EXPECT_NEAR(samples[k].heading, kPi / 2, 1e-6f);
        EXPECT_NEAR(samples[k].distance, 2.5f * k, 1e-5f);
        EXPECT_NEAR(samples[k].widthScale, 1.0f + 0.5f * k, 1e-6f);
        EXPECT_EQ(samples[k].controlPoint, &road->getPath().controlPoints[1]);
    }

    // Headings of the four axis directions.
    const struct {
        float dx, dz, heading;
    } axes[] = {{1, 0, kPi / 2}, {0, 1, 0.0f}, {-1, 0, -kPi / 2}, {0, -1, -kPi}};
    for (const auto& axis : axes) {
        auto along = scene.road(kFlatProfile, L"", point(0, 0, 0) + point(4 * axis.dx, 0, 4 * axis.dz));
        along->build(0);
        for (const auto& s : along->getPath().samples)
            EXPECT_NEAR(s.heading, axis.heading, 1e-6f) << axis.dx << "," << axis.dz;
    }
}

TEST(StreetSampling, CatmullFlagsBendOnlyTheirAxesAndLoopsCloseOnTheFirstSample)
{
    StreetScene scene;
    // A curved piece between equally spaced collinear points: the curve is the line.
    auto straight = scene.road(kFlatProfile, L"DIST_INTERPOL=\"1\"",
                               point(0, 0, 0) + point(0, 0, 4, L"CATMULL") + point(0, 0, 8) + point(0, 0, 12));
    straight->build(0);
    ASSERT_EQ(straight->getPath().samples.size(), 12u);
    for (std::size_t k = 0; k < 12; ++k)
        expectVec(straight->getPath().samples[k].position, 0, 0, static_cast<float>(k));

    // A bend with CATMULL_XZ only: x/z curve, y stays on the straight line between the points.
    auto bend = scene.road(kFlatProfile, L"DIST_INTERPOL=\"1\"",
                           point(0, 0, 0, L"CATMULL_XZ") + point(4, 4, 4, L"CATMULL_XZ") + point(8, 0, 4));
    bend->build(0);
    const auto& s = bend->getPath().samples;
    ASSERT_EQ(s.size(), 6u + 5u);
    D3DXVECTOR3 p0(4, 4, 4), p1(0, 0, 0), p2(4, 4, 4), p3(8, 0, 4), q;
    D3DXVec3CatmullRom(&q, &p0, &p1, &p2, &p3, 2.0f / 6.0f);
    expectVec(s[2].position, q.x, 4.0f * 2 / 6, q.z);

    // A closed square: the last sample is the first again, its distance the loop's length.
    auto loop = scene.road(kFlatProfile, L"DIST_INTERPOL=\"2\"",
                           point(0, 0, 0) + point(4, 0, 0) + point(4, 0, 4) + point(0, 0, 4) + L"\"|LOOP|\"");
    loop->build(0);
    const auto& ls = loop->getPath().samples;
    ASSERT_EQ(ls.size(), 9u);
    expectVec(ls.back().position, 0, 0, 0);
    EXPECT_EQ(ls.back().controlPoint, ls.front().controlPoint);
    EXPECT_NEAR(ls.back().distance, 16.0f, 1e-5f);
    // The first sample looks back to the closing copy, which stands on it: the heading of its way out.
    EXPECT_NEAR(ls.front().heading, kPi / 2, 1e-6f);
    EXPECT_NEAR(ls[3].heading, 0.0f, 1e-6f);
    EXPECT_NEAR(ls[4].heading, -kPi / 4, 1e-6f);
}

TEST(StreetCarving, ChangePiecesPullAFlatTerrainToTheRoadOnceAcrossAllPasses)
{
    StreetScene scene;
    FakeTerrain* ground = scene.terrain(L"Boden", 2.0f);
    auto road = scene.road(L"<SEGMENT X=\"-2\" Y=\"0.5\"/><SEGMENT X=\"2\" Y=\"0.5\"/>",
                           L"TERRAIN=\"Boden\" CHANGE_RADIUS=\"1.5\" CHANGE_FALLOFF=\"0.25\" DIST_INTERPOL=\"2\"",
                           point(0, 0.5f, -4, L"CHANGE") + point(0, 0.5f, 4, L"CHANGE"));
    road->build(0);
    // Four samples; at each the centre line, then each profile point without its height offset.
    ASSERT_EQ(ground->carves.size(), 4u + 4u * 2u);
    for (int k = 0; k < 4; ++k) {
        expectVec(ground->carves[k].centre, 0, 0.5f, -4.0f + 2 * k);
        EXPECT_EQ(ground->carves[k].radius, 1.5);
        EXPECT_EQ(ground->carves[k].factor, 0.25f);
    }
    expectVec(ground->carves[4].centre, -2, 0.5f, -4);
    expectVec(ground->carves[5].centre, 2, 0.5f, -4);
    EXPECT_EQ(ground->ends, 1);
    EXPECT_EQ(ground->begins, 0);
    // The trench: under the road the ground sits at the road's height, beside it unchanged.
    EXPECT_EQ(ground->heightAt(0, 0), 0.5f);
    EXPECT_EQ(ground->heightAt(3, -2), 0.5f);
    EXPECT_EQ(ground->heightAt(8, 0), 2.0f);

    road->build(1);
    road->build(2);
    road->build(5);
    EXPECT_EQ(ground->carves.size(), 12u) << "the trench is carved in pass 0 only";
    EXPECT_EQ(ground->ends, 2) << "pass 1 ends the edit once";

    // A CHANGE road whose terrain name matches nothing carves nothing and ends no edit.
    auto elsewhere = scene.road(kFlatProfile, L"TERRAIN=\"Niemand\"", point(0, 0, 0, L"CHANGE") + point(0, 0, 4));
    elsewhere->build(0);
    elsewhere->build(1);
    EXPECT_EQ(ground->carves.size(), 12u);
    EXPECT_EQ(ground->ends, 2);
}

// Ground that raises the termination signal at one of its carves.
class SignallingGround : public TerrainTesting::GridTerrain {
public:
    explicit SignallingGround(std::size_t raiseAt) : GridTerrain(L"Boden", 0.0f, 0.0f), m_raiseAt(raiseAt) {}
    void modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor) override
    {
        GridTerrain::modifyHeightRadius(centre, radius, factor);
        if (carves.size() == m_raiseAt)
            PlatformRaiseTerminationSignal();
    }

private:
    std::size_t m_raiseAt;
};

TEST(StreetCarving, ATerminationSignalStopsTheCarvingAndLeavesTheRoadWithoutAMesh)
{
    // Each carve of a real terrain walks its whole grid: a long CHANGE road on a large terrain
    // carves for minutes. The signal comes among the path's carves, then among the mesh's.
    const std::wstring spline = L"TERRAIN=\"Boden\" CHANGE_RADIUS=\"1\" DIST_INTERPOL=\"0.5\"";
    const std::wstring points = point(0, 0, -30, L"CHANGE") + point(0, 0, 30, L"CHANGE");
    std::size_t samples = 0;
    {
        StreetScene scene;
        scene.terrain(L"Boden");
        auto road = scene.road(kFlatProfile, spline, points);
        road->build(0);
        samples = road->getPath().samples.size();
        ASSERT_GT(samples, 60u);
    }
    for (const std::size_t raiseAt : {std::size_t(10), samples + 3}) {
        StreetScene scene;
        auto* ground = new SignallingGround(raiseAt);
        scene.manager.add(ground, true);
        auto road = scene.road(kFlatProfile, spline, points);
        road->build(0);
        PlatformClearTerminationSignal();
        // At most the rest of one ring of the mesh (two profile points) after the signal.
        EXPECT_LE(ground->carves.size(), raiseAt + 2) << raiseAt;
        EXPECT_TRUE(road->getVertices().empty()) << raiseAt;
        EXPECT_TRUE(road->getIndices().empty()) << raiseAt;
    }
}

TEST(StreetCarving, SamplesAndVerticesFollowASlopedTerrain)
{
    StreetScene scene;
    FakeTerrain* ground = scene.terrain(L"Hang", 1.0f, 0.25f);
    auto road = scene.road(L"<SEGMENT X=\"-1\" Y=\"0.2\"/><SEGMENT X=\"1\" Y=\"0.2\"/>",
                           L"TERRAIN=\"Hang\" DIST_INTERPOL=\"2\"", point(0, 9, -4, L"TERRAIN") + point(0, 9, 4));
    road->build(0);
    const auto& s = road->getPath().samples;
    ASSERT_EQ(s.size(), 4u);
    for (const auto& sample : s)
        EXPECT_FLOAT_EQ(sample.position.y, 1.0f + 0.25f * sample.position.z);
    EXPECT_TRUE(ground->carves.empty());
    road->build(1);
    // Placing: every vertex on the ground plus its profile height.
    for (const StreetObjekt::StreetVertex& v : road->getVertices())
        EXPECT_FLOAT_EQ(v.position.y, 1.0f + 0.25f * v.position.z + 0.2f);
    EXPECT_EQ(ground->ends, 1);

    // Carving on the slope: a road across it at z = 8 cuts a level shelf at its own height; one
    // up the slope between points on the ground follows the plane and leaves it as it was.
    FakeTerrain* hill = scene.terrain(L"Berg", 1.0f, 0.25f);
    auto across =
        scene.road(kFlatProfile, L"TERRAIN=\"Berg\" CHANGE_RADIUS=\"1\"", point(-6, 2, 8, L"CHANGE") + point(6, 2, 8));
    across->build(0);
    EXPECT_EQ(hill->heightAt(0, 8), 2.0f);
    EXPECT_EQ(hill->heightAt(0, 9), 2.0f);
    EXPECT_EQ(hill->heightAt(0, 12), 4.0f);
    auto up = scene.road(kFlatProfile, L"TERRAIN=\"Berg\" CHANGE_RADIUS=\"0.5\" PARAM_S_X=\"64\" PARAM_S_Y=\"64\"",
                         L"<DEFAULT IS_PARAM=\"3\">\"|CHANGE|\"</DEFAULT>" + point(20, 0, 8) + point(20, 0, 24));
    up->build(0);
    for (float z = -24.0f; z <= -8.0f; z += 1.0f)
        EXPECT_FLOAT_EQ(hill->heightAt(-12, z), 1.0f + 0.25f * z) << z;
}

TEST(StreetPasses, PassZeroReadsAndBuildsOnTheCpuAndPassOneFinishesAndLaterPassesDoNothing)
{
    StreetScene scene;
    auto road = scene.road(kFlatProfile, L"", point(0, 0, 0) + point(0, 0, 3));
    EXPECT_EQ(road->getBuildPassCount(), 2);
    EXPECT_EQ(road->clone(), nullptr);
    EXPECT_TRUE(road->getPath().controlPoints.empty()) << "the path waits for pass 0";
    road->build(0);
    ASSERT_EQ(road->getVertices().size(), 2u * 2u * 3u);
    // Between the passes: normals still (0, 1, 0) and no tangents yet.
    expectVec(road->getVertices()[3].normal, 0, 1, 0);
    expectVec(road->getVertices()[3].tangent, 0, 0, 0);
    road->build(1);
    expectVec(road->getVertices()[3].normal, 0, -1, 0);
    const std::vector<StreetObjekt::StreetVertex> finished = road->getVertices();
    road->build(2);
    ASSERT_EQ(road->getVertices().size(), finished.size());
    EXPECT_EQ(std::memcmp(road->getVertices().data(), finished.data(), finished.size() * sizeof(finished[0])), 0);
}

TEST(StreetHostile, BadValuesGiveAFallbackAndALogLine)
{
    LogCapture logs;
    StreetScene scene;
    // No STREET_DATA at all, a road of one point, and an empty node.
    auto empty = scene.street(L"<OBJEKT NAME=\"Leer\" TYPE=\"STREET\"/>");
    ASSERT_TRUE(empty);
    for (int pass = 0; pass < 3; ++pass)
        empty->build(pass);
    EXPECT_TRUE(empty->getVertices().empty());
    auto single = scene.road(kFlatProfile, L"", point(1, 2, 3));
    single->build(0);
    single->build(1);
    EXPECT_TRUE(single->getPath().controlPoints.empty());
    EXPECT_TRUE(single->getVertices().empty());

    // Zero and negative sampling distances, a zero divisor, zero chunks and points that are not numbers.
    auto zero = scene.road(kFlatProfile, L"DIST_INTERPOL=\"0\" PARAM_S_X=\"0\"",
                           L"<DEFAULT IS_PARAM=\"1\"/>" + point(1, 0, 0) +
                               point(2, 0, 0, L"", L"INTERPOL_DISTANCE=\"-3\"") + point(5, 0, 0),
                           L"ANZ_SEGMENTE=\"0\"");
    EXPECT_EQ(zero->getSegmentCount(), 1);
    scene.terrain(L"Boden");
    zero->build(0);
    zero->build(1);
    EXPECT_EQ(zero->getPath().samples.size(), 2u);
    auto nan = scene.road(kFlatProfile, L"", point(0, 0, 0) + L"<CONTROLLPOINT X=\"nan\" Z=\"inf\" SCALE=\"nan\"/>");
    nan->build(0);
    nan->build(1);
    for (const auto& v : nan->getVertices())
        EXPECT_TRUE(std::isfinite(v.position.x + v.position.z + v.u + v.v + v.normal.y + v.tangent.x));

    // Points on top of each other: the heading of the sample before (0 at the start), no NaN.
    auto stacked = scene.road(L"<SEGMENT X=\"-1\"/><SEGMENT X=\"-1\"/><SEGMENT X=\"1\"/>", L"",
                              point(0, 0, 0) + point(0, 0, 0) + point(0, 5, 0) + point(3, 5, 0));
    stacked->build(0);
    stacked->build(1);
    for (const auto& s : stacked->getPath().samples)
        EXPECT_TRUE(std::isfinite(s.heading));
    for (const auto& v : stacked->getVertices())
        EXPECT_TRUE(std::isfinite(v.u + v.v + v.normal.x + v.normal.y + v.tangent.x + v.binormal.z));

    // A piece asking for millions of steps is cut to the cap; a wide profile on a long road ends
    // where the mesh reaches its limit.
    auto far = scene.road(kFlatProfile, L"DIST_INTERPOL=\"0.000001\"", point(0, 0, 0) + point(0, 0, 100));
    far->build(0);
    EXPECT_EQ(far->getPath().samples.size(), static_cast<std::size_t>(StreetObjekt::kMaxPieceSteps));
    std::wstring wide;
    for (int i = 0; i < 300; ++i)
        wide += L"<SEGMENT X=\"" + std::to_wstring(i) + L"\"/>";
    auto broad = scene.road(wide, L"DIST_INTERPOL=\"0.01\"", point(0, 0, 0) + point(0, 0, 100));
    broad->build(0);
    EXPECT_EQ(broad->getProfile().size(), StreetObjekt::kMaxProfilePoints);
    EXPECT_EQ(broad->getVertices().size(),
              StreetObjekt::kMaxVertices / (2 * StreetObjekt::kMaxProfilePoints) * 2 * StreetObjekt::kMaxProfilePoints);
    EXPECT_TRUE(logs.text().find("ANZ_SEGMENTE 0") != std::string::npos);
    EXPECT_TRUE(logs.text().find("PARAM_S_X") != std::string::npos);
    EXPECT_TRUE(logs.text().find("INTERPOL_DISTANCE") != std::string::npos);
    EXPECT_TRUE(logs.text().find("two control points") != std::string::npos);
    EXPECT_TRUE(logs.text().find("not a number") != std::string::npos);
    EXPECT_TRUE(logs.text().find("10000 steps") != std::string::npos);
    EXPECT_TRUE(logs.text().find("profile edge of length 0") != std::string::npos);
    EXPECT_TRUE(logs.text().find("only the first 256") != std::string::npos);
    EXPECT_TRUE(logs.text().find("it ends after 4096 samples") != std::string::npos);
}

TEST(StreetDescription, ControlPointsComeFromANamedSplineWithItsCurveSwitches)
{
    SplineManager splines;
    XMLNode node;
    XMLNode::load(&node, LR"(<SPLINE NAME="Weg"><DEFAULT><INTERPOL_TYPE TYPE="CATMULL">"|POS|"</INTERPOL_TYPE></DEFAULT>
                      <CONTROLPOINT><POSITION X="0" Y="1" Z="0"/></CONTROLPOINT>
                      <CONTROLPOINT><POSITION X="4" Y="2" Z="0"/>
                        <INTERPOL_TYPE TYPE="LINEAR">"|POS_Y|"</INTERPOL_TYPE></CONTROLPOINT>
                      <CONTROLPOINT><POSITION X="8" Y="3" Z="4"/>
                        <INTERPOL_TYPE TYPE="LINEAR+">"|POS_X|" "|POS_Y|"</INTERPOL_TYPE></CONTROLPOINT></SPLINE>)",
                  1);
    ASSERT_NE(splines.addSpline(&node), nullptr);
    SplineManager::setEngineSplines(&splines);
    StreetScene scene;
    auto road = scene.road(kFlatProfile, L"CREATE_FROM_SPLINE=\"Weg\" DIST_INTERPOL=\"2\"",
                           L"<DEFAULT SCALE=\"1.5\">\"|CHANGE|\"</DEFAULT>");
    auto none = scene.road(kFlatProfile, L"CREATE_FROM_SPLINE=\"Niemand\"", L"");
    road->build(0);
    none->build(0);
    SplineManager::setEngineSplines(nullptr);

    const auto& cps = road->getPath().controlPoints;
    ASSERT_EQ(cps.size(), 5u);
    expectVec(cps[1].position, 0, 1, 0);
    expectVec(cps[3].position, 8, 3, 4);
    EXPECT_EQ(cps[1].paramX, 0.0f);
    EXPECT_EQ(cps[3].paramZ, 4.0f);
    EXPECT_EQ(cps[1].scale, 1.5f);
    // Catmull everywhere; a linear y on the second; on the third a linear slot for x and y, which
    // decides x/z together.
    EXPECT_EQ(cps[1].flags, 32u | 1u | 2u);
    EXPECT_EQ(cps[2].flags, 32u | 1u);
    EXPECT_EQ(cps[3].flags, 32u);
    EXPECT_EQ(cps[1].stepCount, 2);
    EXPECT_TRUE(none->getPath().controlPoints.empty());
}
