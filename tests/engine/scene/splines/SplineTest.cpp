// Splines against hand-computed values: the description format (slots, DEFAULT, parameter
// groups, blends, knot files), the build (pads, length, directions, frames), the rules at knots
// and between them, distance and parameter, the nearest point in x-z, and evaluation from
// several threads at once.
#include "scene/splines/Spline.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

std::wstring controlPoints(const std::vector<D3DXVECTOR3>& points)
{
    std::wstring out;
    for (const D3DXVECTOR3& p : points)
        out += L"<CONTROLPOINT><POSITION X=\"" + std::to_wstring(p.x) + L"\" Y=\"" + std::to_wstring(p.y) + L"\" Z=\"" +
               std::to_wstring(p.z) + L"\"/></CONTROLPOINT>";
    return out;
}

// A spline node of these points with the given attributes and extra content.
XMLNode splineNode(const std::vector<D3DXVECTOR3>& points, const std::wstring& attributes = L"",
                   const std::wstring& extra = L"")
{
    return parse(L"<SPLINE NAME=\"S\" " + attributes + L">" + extra + controlPoints(points) + L"</SPLINE>");
}

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

struct RebuildCounter : sigslot::has_slots<> {
    void onRebuilt(Spline&) { ++count; }
    int count = 0;
};

class SplineTest : public ::testing::Test {
protected:
    LogCapture logs; // also the working folder for knot files
};

} // namespace

TEST_F(SplineTest, BuildPadsBothEndsMeasuresAndFrames)
{
    XMLNode open = splineNode({{0, 0, 0}, {10, 0, 0}});
    Spline spline(&open);
    ASSERT_EQ(spline.getFrontPads().size(), 2u);
    ASSERT_EQ(spline.getBackPads().size(), 2u);
    expectNear(spline.getFrontPads()[0].position, {-20, 0, 0});
    expectNear(spline.getFrontPads()[1].position, {-10, 0, 0});
    expectNear(spline.getBackPads()[0].position, {20, 0, 0});
    expectNear(spline.getBackPads()[1].position, {30, 0, 0});
    EXPECT_FLOAT_EQ(spline.getLength(), 10.0f);
    // Along +x: binormal (0,0,1), normal (0,1,0); the direction keeps its length.
    for (const SplinePoint& point : spline.getPointStore()) {
        expectNear(point.direction, {10, 0, 0});
        expectNear(point.binormal, {0, 0, 1});
        expectNear(point.normal, {0, 1, 0});
    }

    // Closed: the pads are the points 1, 0, 1 in front and 0, 1, 0 behind; the closing chord counts.
    XMLNode closedNode = splineNode({{0, 0, 0}, {10, 0, 0}}, L"LOOP=\"1\"");
    Spline closed(&closedNode);
    EXPECT_FLOAT_EQ(closed.getLength(), 20.0f);
    ASSERT_EQ(closed.getFrontPads().size(), 3u);
    ASSERT_EQ(closed.getBackPads().size(), 3u);
    const float front[] = {10, 0, 10};
    const float back[] = {0, 10, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(closed.getFrontPads()[i].position.x, front[i]);
        EXPECT_FLOAT_EQ(closed.getBackPads()[i].position.x, back[i]);
    }

    // Averaged directions at a corner: the mean of the neighbouring chords, unnormalised.
    XMLNode cornerNode = splineNode({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}});
    Spline corner(&cornerNode);
    expectNear(corner.getPointStore()[1].direction, {5, 0, 5});
    XMLNode sharpNode = splineNode({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}}, L"AVERAGE=\"0\"");
    Spline sharp(&sharpNode);
    expectNear(sharp.getPointStore()[1].direction, {0, 0, 10});
    expectNear(sharp.getPointStore()[1].binormal, {-1, 0, 0});
}

TEST_F(SplineTest, RebuiltIsEmittedForCompleteBuildsOnly)
{
    Spline spline;
    RebuildCounter counter;
    spline.rebuilt.connect(&counter, &RebuildCounter::onRebuilt);
    spline.build();
    EXPECT_EQ(counter.count, 0);
    spline.getPointStore().resize(1);
    spline.build();
    EXPECT_EQ(counter.count, 0);
    EXPECT_FLOAT_EQ(spline.getLength(), 0.0f);
    spline.getPointStore().resize(2);
    spline.getPointStore()[1].position = D3DXVECTOR3(0, 3, 4);
    spline.build();
    EXPECT_EQ(counter.count, 1);
    EXPECT_FLOAT_EQ(spline.getLength(), 5.0f);
}

TEST_F(SplineTest, PointNodesFillSlotsDefaultsAndGroups)
{
    XMLNode node =
        parse(L"<SPLINE NAME=\"S\">"
              L"<DEFAULT><USERDATA X=\"7\"/></DEFAULT>"
              L"<CONTROLPOINT><POSITION X=\"1\"/>"
              L"<INTERPOL_TYPE TYPE=\"CATMULL\" PARAM=\"0.5\">\"|POS|\" \"|USERDATA_Y|\" \"|BOGUS|\" </INTERPOL_TYPE>"
              L"<INTERPOL_TYPE TYPE=\"CATMULL+\">\"|DIR_X|\" </INTERPOL_TYPE>"
              L"<INTERPOL_TYPE TYPE=\"WIGGLE\">\"|NORM|\" </INTERPOL_TYPE>"
              L"<FLAG><SET>\"|3|\" \"|5|\" </SET></FLAG></CONTROLPOINT>"
              L"<CONTROLPOINT><POSITION Z=\"2\"/><USERDATA Y=\"4\"/></CONTROLPOINT>"
              L"<CONTROLPOINT/>"
              L"<PARAM_GROUP CONTROL_POINTS=\"1 2 9 -1\"><POSITION Y=\"6\"/></PARAM_GROUP>"
              L"</SPLINE>");
    Spline spline(&node);
    const std::vector<SplinePoint>& points = spline.getPointStore();
    ASSERT_EQ(points.size(), 3u);
    const SplinePoint& first = points[0];
    EXPECT_EQ(first.rule[0], SPLINE_RULE_CATMULL);
    EXPECT_EQ(first.ruleType[0], 3);
    EXPECT_EQ(first.channelMask[0], 0x2007u);
    EXPECT_FLOAT_EQ(first.param[0], 0.5f);
    EXPECT_EQ(first.ruleType[1], 4);
    EXPECT_EQ(first.channelMask[1], 0x8u);
    // An unknown rule word: linear, with the identifier the slot had.
    EXPECT_EQ(first.rule[2], SPLINE_RULE_LINEAR);
    EXPECT_EQ(first.ruleType[2], 0);
    EXPECT_EQ(first.channelMask[2], 0x1C0u);
    EXPECT_EQ(first.rule[3], SPLINE_RULE_UNSET);
    EXPECT_EQ(first.flags.get(), (1u << 3) | (1u << 5));
    EXPECT_FLOAT_EQ(first.userData.x, 7.0f);
    EXPECT_FLOAT_EQ(first.position.x, 1.0f);
    EXPECT_FLOAT_EQ(first.position.y, 0.0f);

    // The untouched point keeps the default slot; the group reaches the listed points in range.
    EXPECT_EQ(points[1].rule[0], SPLINE_RULE_LINEAR);
    EXPECT_EQ(points[1].channelMask[0], 0x7FFFu);
    EXPECT_FLOAT_EQ(points[1].userData.x, 7.0f);
    EXPECT_FLOAT_EQ(points[1].userData.y, 4.0f);
    EXPECT_FLOAT_EQ(points[1].position.y, 6.0f);
    EXPECT_FLOAT_EQ(points[1].position.z, 2.0f);
    EXPECT_FLOAT_EQ(points[2].position.y, 6.0f);

    // At most fifteen slots are read.
    std::wstring many = L"<SPLINE NAME=\"M\"><CONTROLPOINT>";
    for (int k = 0; k < 17; ++k)
        many += L"<INTERPOL_TYPE TYPE=\"NONE\">\"|POS_X|\" </INTERPOL_TYPE>";
    many += L"</CONTROLPOINT></SPLINE>";
    XMLNode manyNode = parse(many);
    Spline manySlots(&manyNode);
    ASSERT_EQ(manySlots.getPointStore().size(), 1u);
    for (int k = 0; k < SplinePoint::SLOTS; ++k)
        EXPECT_EQ(manySlots.getPointStore()[0].rule[k], SPLINE_RULE_NONE);
}

TEST_F(SplineTest, BlendsTakeTheirPointCountAndMeansFromBothSplines)
{
    auto blend = [](const std::wstring& attributes) {
        std::wstring a = L"<SPLINE1>" + controlPoints({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}) + L"</SPLINE1>";
        std::wstring b = L"<SPLINE2 LOOP=\"1\">";
        for (int i = 0; i < 7; ++i)
            b += controlPoints({{float(i), 0, 4}});
        b += L"</SPLINE2>";
        XMLNode node = parse(L"<SPLINE NAME=\"B\" LOOP=\"1\"><AVERAGE " + attributes + L">" + a + b + L"</AVERAGE>" +
                             controlPoints({{9, 9, 9}}) + L"</SPLINE>");
        return Spline(&node);
    };
    EXPECT_EQ(blend(L"NUMPTS=\"1\"").getPointStore().size(), 7u);
    EXPECT_EQ(blend(L"NUMPTS=\"-1\"").getPointStore().size(), 4u);
    EXPECT_EQ(blend(L"NUMPTS=\"0 12\"").getPointStore().size(), 12u);
    EXPECT_EQ(blend(L"").getPointStore().size(), 0u);

    // Point 1 of 4: t1 = 1 (1,0,0), t2 = 1.75 (1.75,0,4); the mean, and half the gap as user data.
    const Spline saved = blend(L"NUMPTS=\"-1\" SAVE_DIST=\"1\" DIST_SCALE=\"2\"");
    expectNear(saved.getPointStore()[1].position, {1.375f, 0, 2});
    EXPECT_NEAR(saved.getPointStore()[1].userData.x, std::sqrt(0.75f * 0.75f + 16.0f), 1e-5f);
    // The settings come from the first spline: open, although the node and SPLINE2 say LOOP.
    EXPECT_FALSE(saved.isLoop());
    EXPECT_TRUE(blend(L"NUMPTS=\"-1\" TAKE_FIRST_AS_DEFAULT=\"0\"").isLoop());

    // A blend asking for an absurd count is cut down with a log line, not allocated.
    EXPECT_EQ(blend(L"NUMPTS=\"0 2000000000\"").getPointStore().size(), 65536u);
    EXPECT_NE(logs.text().find("too many"), std::string::npos);

    // Without SPLINE2 the node is read as a plain spline.
    XMLNode lone = parse(L"<SPLINE NAME=\"L\"><AVERAGE NUMPTS=\"1\"><SPLINE1/></AVERAGE>" +
                         controlPoints({{1, 2, 3}, {4, 5, 6}}) + L"</SPLINE>");
    EXPECT_EQ(Spline(&lone).getPointStore().size(), 2u);
}

TEST_F(SplineTest, KnotFilesAddOrMovePointsWithYAndZExchanged)
{
    TestSupport::writeText(logs.folder() / "knots.ase", "*SHAPE_LINE 0 {\n"
                                                        "\t\t*SHAPE_VERTEX_KNOT\t0\t1.0\t2.0\t3.0\n"
                                                        "\t\t*SHAPE_VERTEX_KNOT 1 4.0 5.0 6.0\r\n"
                                                        "\t\t*SHAPE_VERTEX_KNOT 7\n"
                                                        "\t\t*SHAPE_VERTEX_KNOT\t9\t-1.0\t0.0\t0.0\n}\n");
    XMLNode node = parse(L"<SPLINE NAME=\"K\" CREATE_FROM_ASE=\"knots.ase\" ASE_FAKTOR=\"2 2 2\" "
                         L"ASE_DISPLACE=\"0 0 10\"><DEFAULT><USERDATA X=\"5\"/></DEFAULT></SPLINE>");
    Spline made(&node);
    ASSERT_EQ(made.getPointStore().size(), 3u); // the line without coordinates names no point
    expectNear(made.getPointStore()[0].position, {2, 16, 4});
    expectNear(made.getPointStore()[1].position, {8, 22, 10});
    EXPECT_FLOAT_EQ(made.getPointStore()[0].userData.x, 5.0f);

    // With control points the knots move the point of their index; index 9 is out of range.
    XMLNode moving = splineNode({{0, 0, 0}, {1, 1, 1}}, L"CREATE_FROM_ASE=\"knots.ase\"");
    Spline moved(&moving);
    ASSERT_EQ(moved.getPointStore().size(), 2u);
    expectNear(moved.getPointStore()[0].position, {1, 3, 2});
    expectNear(moved.getPointStore()[1].position, {4, 6, 5});

    // A missing file changes nothing.
    XMLNode missing = splineNode({{0, 0, 0}, {1, 1, 1}}, L"CREATE_FROM_ASE=\"none.ase\"");
    expectNear(Spline(&missing).getPointStore()[1].position, {1, 1, 1});
}

TEST_F(SplineTest, LinearPointsAndPadsOnAStraightLine)
{
    XMLNode node = splineNode({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});
    const Spline spline(&node);
    expectNear(spline.getPointAt(0.5f).position, {5, 0, 0});
    expectNear(spline.getPointAt(1.0f).position, {10, 0, 0});
    expectNear(spline.getPointAt(-1.0f).position, {-10, 0, 0});
    expectNear(spline.getPointAt(3.0f).position, {30, 0, 0});
    expectNear(spline.getPointAt(10.0f).position, {40, 0, 0});
    expectNear(spline.getPointAt(-10.0f).position, {-20, 0, 0});
    // Absurd parameters stay on the outermost pads.
    expectNear(spline.getPointAt(1e30f).position, {40, 0, 0});
    expectNear(spline.getPointAt(-1e30f).position, {-20, 0, 0});
    ASSERT_EQ(spline.getPaddedPoint(-3), &spline.getFrontPads()[0]);
    ASSERT_EQ(spline.getPaddedPoint(4), &spline.getBackPads()[1]);

    // Empty: the default point; one point: that point everywhere.
    const Spline empty;
    EXPECT_EQ(empty.getPaddedPoint(0), nullptr);
    expectNear(empty.getPointAt(1.5f).direction, {0, 0, 1});
    XMLNode oneNode = splineNode({{3, 4, 5}});
    const Spline one(&oneNode);
    for (float t : {-2.0f, 0.0f, 0.7f, 5.0f})
        expectNear(one.getPointAt(t).position, {3, 4, 5});
}

TEST_F(SplineTest, NoneHoldsAPointsValuesAndCatmullPassesKnotsAndCurvesBetween)
{
    const std::wstring none = L"<DEFAULT><INTERPOL_TYPE TYPE=\"NONE\">\"|POS|\" </INTERPOL_TYPE></DEFAULT>";
    XMLNode stepNode = splineNode({{0, 0, 0}, {10, 0, 0}}, L"", none);
    const Spline steps(&stepNode);
    for (float t : {0.0f, 0.3f, 0.99f})
        expectNear(steps.getPointAt(t).position, {0, 0, 0});

    const std::wstring catmull = L"<DEFAULT><INTERPOL_TYPE TYPE=\"CATMULL\">\"|POS|\" </INTERPOL_TYPE></DEFAULT>";
    XMLNode node = splineNode({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}}, L"", catmull);
    const Spline spline(&node);
    for (int i = 0; i < 4; ++i)
        expectNear(spline.getPointAt(float(i)).position, spline.getPointStore()[i].position);
    // Midway the weights are -1/16, 9/16, 9/16, -1/16 of the four points around the segment.
    expectNear(spline.getPointAt(1.5f).position, {11.25f, 0, 5});
    // The first segment reads the front pad (-10,0,0).
    expectNear(spline.getPointAt(0.5f).position, {5.625f, 0, -0.625f});
    // Only the position is curved: the other channels keep point 1's.
    expectNear(spline.getPointAt(1.5f).userData, {1, 1, 1});
    expectNear(spline.getPointAt(1.5f).direction, spline.getPointStore()[1].direction);
}

TEST_F(SplineTest, PlusRulesLookAheadForTheirFrame)
{
    const std::wstring slots =
        L"<DEFAULT><INTERPOL_TYPE>\"|POS|\" </INTERPOL_TYPE>"
        L"<INTERPOL_TYPE TYPE=\"LINEAR+\" PARAM=\"0.25\">\"|DIR|\" \"|NORM|\" \"|BINORM|\" </INTERPOL_TYPE>"
        L"</DEFAULT>";
    XMLNode node = splineNode({{0, 0, 0}, {0, 0, 10}, {0, 0, 20}}, L"", slots);
    const Spline spline(&node);
    const SplinePoint p = spline.getPointAt(0.5f);
    expectNear(p.position, {0, 0, 5});
    expectNear(p.direction, {0, 0, 2.5f});
    expectNear(p.binormal, {-1, 0, 0});
    expectNear(p.normal, {0, 1, 0});

    // A PARAM beyond 1 is held at 1; CATMULL+ looks ahead along the curve.
    const std::wstring curved =
        L"<DEFAULT><INTERPOL_TYPE TYPE=\"CATMULL+\" PARAM=\"4\">\"|DIR|\" </INTERPOL_TYPE></DEFAULT>";
    XMLNode curvedNode = splineNode({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}, L"", curved);
    expectNear(Spline(&curvedNode).getPointAt(0.5f).direction, {10, 0, 0});

    // PARAM 0: a zero direction and a zero frame.
    const std::wstring still =
        L"<DEFAULT><INTERPOL_TYPE TYPE=\"LINEAR+\">\"|DIR|\" \"|NORM|\" \"|BINORM|\" </INTERPOL_TYPE></DEFAULT>";
    XMLNode stillNode = splineNode({{0, 0, 0}, {10, 0, 0}}, L"", still);
    const SplinePoint q = Spline(&stillNode).getPointAt(0.5f);
    expectNear(q.direction, {0, 0, 0});
    expectNear(q.normal, {0, 0, 0});
    expectNear(q.binormal, {0, 0, 0});
}

TEST_F(SplineTest, DistanceAndParameterConvertBothWays)
{
    XMLNode node = splineNode({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});
    const Spline line(&node);
    EXPECT_FLOAT_EQ(line.getParamAtDistance(15.0f), 1.5f);
    EXPECT_FLOAT_EQ(line.getDistanceAtParam(1.5f), 15.0f);
    EXPECT_FLOAT_EQ(line.getParamAtDistance(25.0f), 2.0f);
    EXPECT_FLOAT_EQ(line.getParamAtDistance(-3.0f), 0.0f);

    XMLNode squareNode = splineNode({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}}, L"LOOP=\"1\"");
    const Spline square(&squareNode);
    EXPECT_FLOAT_EQ(square.getLength(), 40.0f);
    EXPECT_FLOAT_EQ(square.getParamAtDistance(-5.0f), 3.5f);
    EXPECT_FLOAT_EQ(square.getParamAtDistance(45.0f), 0.5f);
    EXPECT_FLOAT_EQ(square.getParamAtDistance(80.0f), 4.0f);
    EXPECT_TRUE(std::isfinite(square.getParamAtDistance(-1e30f)));

    // Round trip over chords of different lengths, within 1e-4 of the length.
    XMLNode unevenNode = splineNode({{0, 0, 0}, {3, 0, 4}, {3, 0, 5}, {13, 2, 5}, {13, 2, 25}});
    const Spline uneven(&unevenNode);
    const float total = uneven.getLength();
    for (float d = 0.0f; d <= total; d += total / 97.0f)
        EXPECT_NEAR(uneven.getDistanceAtParam(uneven.getParamAtDistance(d)), d, 1e-4f * total) << d;
}

TEST_F(SplineTest, DistancesOnSplinesWithoutLengthOrWithRepeatedPointsStayFinite)
{
    // A closed spline of length 0 once wrapped negative distances for ever.
    XMLNode still = splineNode({{2, 0, 2}, {2, 0, 2}, {2, 0, 2}}, L"LOOP=\"1\"");
    const Spline point(&still);
    EXPECT_FLOAT_EQ(point.getParamAtDistance(-5.0f), 0.0f);
    EXPECT_FLOAT_EQ(point.getParamAtDistance(5.0f), 0.0f);
    EXPECT_FLOAT_EQ(Spline().getParamAtDistance(-1.0f), 0.0f);

    // A repeated point is a chord of no length: passed over, not divided by.
    XMLNode repeated = splineNode({{0, 0, 0}, {0, 0, 0}, {10, 0, 0}});
    const Spline spline(&repeated);
    EXPECT_FLOAT_EQ(spline.getParamAtDistance(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(spline.getParamAtDistance(5.0f), 1.5f);
    EXPECT_FLOAT_EQ(spline.getParamAtDistance(10.0f), 2.0f);
}

TEST_F(SplineTest, NearestPointInXZ)
{
    XMLNode node = splineNode({{0, 7, 0}, {10, 7, 0}, {20, 7, 0}});
    const Spline spline(&node);
    float param = -1.0f;
    float distance = -1.0f;
    ASSERT_TRUE(spline.findNearestParamXZ(D3DXVECTOR2(12, 5), param, distance, 0.5f));
    EXPECT_NEAR(param, 1.2f, 1e-5f);
    EXPECT_NEAR(distance, 5.0f, 1e-5f);
    ASSERT_TRUE(spline.findNearestParamXZ(D3DXVECTOR2(-4, -3), param, distance, 0.1f));
    EXPECT_NEAR(param, 0.0f, 1e-5f);
    EXPECT_NEAR(distance, 5.0f, 1e-5f);

    EXPECT_FALSE(Spline().findNearestParamXZ(D3DXVECTOR2(0, 0), param, distance, 0.1f));
    // A step past the parameter range (or one that never advances) samples nothing.
    for (float step : {5.0f, 0.0f, -1.0f, NAN}) {
        ASSERT_TRUE(spline.findNearestParamXZ(D3DXVECTOR2(12, 5), param, distance, step));
        EXPECT_EQ(param, 0.0f);
        EXPECT_FLOAT_EQ(distance, std::sqrt(2147483648.0f));
    }
    // A vanishing step samples a bounded number of points and still finds the place.
    ASSERT_TRUE(spline.findNearestParamXZ(D3DXVECTOR2(12, 5), param, distance, 1e-30f));
    EXPECT_NEAR(param, 1.2f, 1e-4f);
}

TEST_F(SplineTest, EvaluationFromSeveralThreadsMatchesOneThread)
{
    const std::wstring catmull =
        L"<DEFAULT><INTERPOL_TYPE TYPE=\"CATMULL+\" PARAM=\"0.1\">\"|POS|\" \"|DIR|\" \"|NORM|\" "
        L"</INTERPOL_TYPE></DEFAULT>";
    XMLNode node = splineNode({{0, 0, 0}, {0.3f, 0.1f, 0.2f}, {0.5f, 0.3f, 0.7f}, {0.9f, 0, 0.8f}}, L"", catmull);
    const Spline spline(&node);
    constexpr int kSamples = 64;
    auto run = [&](std::vector<float>& out) {
        out.clear();
        for (int i = 0; i < kSamples; ++i) {
            const float u = float(i) / kSamples;
            float t = 0.0f;
            float d = 0.0f;
            spline.findNearestParamXZ(D3DXVECTOR2(u, 1.0f - u), t, d, 0.1f);
            const SplinePoint p = spline.getPointAt(t);
            out.insert(out.end(), {t, d, p.position.y, p.direction.x, p.normal.y});
        }
    };
    std::vector<float> expected;
    run(expected);
    std::vector<std::vector<float>> results(4);
    std::vector<std::thread> threads;
    for (std::vector<float>& result : results)
        threads.emplace_back([&run, &result] { run(result); });
    for (std::thread& thread : threads)
        thread.join();
    for (const std::vector<float>& result : results)
        EXPECT_EQ(result, expected);
}

TEST_F(SplineTest, CopiesCarryShapeAndDescriptionButNoConnections)
{
    XMLNode node = splineNode({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}}, L"LOOP=\"1\"");
    Spline spline(&node);
    RebuildCounter counter;
    spline.rebuilt.connect(&counter, &RebuildCounter::onRebuilt);

    alignas(Spline) unsigned char storage[sizeof(Spline)];
    Spline* copy = spline.copyTo(storage);
    ASSERT_EQ(static_cast<void*>(copy), static_cast<void*>(storage));
    EXPECT_EQ(copy->getName(), L"S");
    EXPECT_TRUE(copy->isLoop());
    EXPECT_TRUE(copy->hasDescription());
    EXPECT_EQ(copy->getDescription().getAttributeValue(L"NAME"), L"S");
    EXPECT_FLOAT_EQ(copy->getLength(), spline.getLength());
    expectNear(copy->getPointAt(2.5f).position, spline.getPointAt(2.5f).position);
    copy->getPointStore()[0].position.x = -5.0f;
    copy->build();
    EXPECT_EQ(counter.count, 0);
    EXPECT_FLOAT_EQ(spline.getPointStore()[0].position.x, 0.0f);
    copy->~Spline();

    Spline assigned;
    assigned.rename(L"Other");
    assigned = spline;
    EXPECT_EQ(assigned.getName(), L"Other");
    EXPECT_EQ(assigned.getPointStore().size(), 3u);
    EXPECT_TRUE(assigned.hasDescription());
}
