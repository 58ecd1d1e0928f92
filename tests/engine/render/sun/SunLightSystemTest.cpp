// The sun light: the phases at their borders and between them, the reduction of the clock
// fields, the day length, phases that leave no span or point opposite ways, the configuration
// node, and the SUN_ commands on the running engine's console.
#include "engine/render/ConsoleLine.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "render/scenegraph/SceneGraph.h"
#include "render/sun/SunLightSystem.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Ulvo;
using RenderTesting::run;

namespace {

void expectDirection(const D3DXVECTOR3& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

// The sun of a graph the test builds: its console commands would compete with the engine's.
class SunTest : public ::testing::Test {
protected:
    LogCapture m_logs;
    SunLightSystem m_sun{L"TestSonne"};
};

} // namespace

TEST_F(SunTest, PhasesAtTheirBordersAndBetweenThem)
{
    const float halfRoot = 1.0f / std::sqrt(2.0f);
    // 6:00 lies on the border: the first matching interval (NACHT to MORGEN) wins, t = 1.
    m_sun.setTime(6, 0, 0);
    EXPECT_EQ(m_sun.getPhaseFrom(), PHASE_NACHT);
    EXPECT_DOUBLE_EQ(m_sun.getLinearFactor(), 1.0);
    EXPECT_DOUBLE_EQ(m_sun.getColorFactor(), 1.0);
    expectDirection(m_sun.getLightDirection(), -halfRoot, 0, -halfRoot);
    EXPECT_NEAR(m_sun.getDiffuseColor().g, 0.8353f, 1e-4f);

    // 3:00: halfway into the night's interval, colours by 0.5^4.
    m_sun.setTime(3, 0, 0);
    EXPECT_DOUBLE_EQ(m_sun.getLinearFactor(), 0.5);
    EXPECT_DOUBLE_EQ(m_sun.getColorFactor(), 0.0625);
    EXPECT_NEAR(m_sun.getAmbientColor().r, 0.4f * 0.0625f, 1e-6f);

    // 21:00: evening towards midnight across the end of the day, 1 - 0.5^4.
    m_sun.setTime(21, 0, 0);
    EXPECT_EQ(m_sun.getPhaseFrom(), PHASE_ABEND);
    EXPECT_EQ(m_sun.getPhaseTo(), PHASE_NACHT);
    EXPECT_DOUBLE_EQ(m_sun.getLinearFactor(), 0.5);
    EXPECT_DOUBLE_EQ(m_sun.getColorFactor(), 0.9375);
    EXPECT_NEAR(m_sun.getDiffuseColor().r, 0.0625f, 1e-6f);
    // (1, 0, 1) and (0, -1, 0) halfway, normalised.
    expectDirection(m_sun.getLightDirection(), 0.5f / std::sqrt(0.75f), -0.5f / std::sqrt(0.75f),
                    0.5f / std::sqrt(0.75f));

    const float values[PHASE_COUNT] = {0, 10, 20, 30};
    EXPECT_FLOAT_EQ(m_sun.interpolatePhaseFloat(values, true), 15.0f);
    EXPECT_FLOAT_EQ(m_sun.interpolatePhaseFloat(values, false), 30.0f - 30.0f * 0.9375f);
}

TEST_F(SunTest, ClockFieldsReduceOneByOneAndTheDayLengthKeepsTheShare)
{
    m_sun.setTime(25, -1, 61);
    const double reduced = m_sun.getTimeOfDay();
    m_sun.setTime(1, 59, 1);
    EXPECT_DOUBLE_EQ(m_sun.getTimeOfDay(), reduced);

    m_sun.setTime(12, 0, 0);
    EXPECT_DOUBLE_EQ(m_sun.getTimeOfDay(), 30.0); // half of the 60-second day
    m_sun.setDayDuration(600.0);
    EXPECT_DOUBLE_EQ(m_sun.getTimeOfDay(), 300.0);
    EXPECT_DOUBLE_EQ(m_sun.getDayFraction(), 0.5);

    // Without a day length the clock sets the share directly, and a new length keeps it.
    m_sun.setDayDuration(0.0);
    m_sun.setTime(18, 0, 0);
    EXPECT_DOUBLE_EQ(m_sun.getDayFraction(), 0.75);
    m_sun.setDayDuration(100.0);
    EXPECT_DOUBLE_EQ(m_sun.getTimeOfDay(), 75.0);
}

TEST_F(SunTest, PhasesWithoutSpanOrOppositeDirectionsKeepFiniteValues)
{
    // MORGEN starts with NACHT, and MITTAG points against MORGEN.
    XMLNode config;
    ASSERT_TRUE(XMLNode::load(&config,
                              L"<SUN TAGES_DAUER=\"100\"><UHRZEIT STUNDE=\"0\"/>"
                              L"<MORGEN TAG_PARAM=\"0\"><LIGHTDIR X=\"1\" Y=\"0\" Z=\"0\"/>"
                              L"<COLORS DIFFUSE=\"FFFF0000\" AMBIENT=\"FF000080\"/></MORGEN>"
                              L"<MITTAG><LIGHTDIR X=\"-1\" Y=\"0\" Z=\"0\"/></MITTAG></SUN>",
                              1));
    ASSERT_TRUE(m_sun.load(&config));
    // The loaded phases show from the next change of the time on.
    EXPECT_FLOAT_EQ(m_sun.getDiffuseColor().r, 0.0f);
    m_sun.setTime(0, 0, 0);
    EXPECT_EQ(m_sun.getPhaseFrom(), PHASE_NACHT);
    EXPECT_DOUBLE_EQ(m_sun.getLinearFactor(), 0.0); // no span between NACHT and MORGEN
    EXPECT_FALSE(std::isnan(m_sun.getDiffuseColor().r));

    // Halfway between opposite directions there is none: the last one stays.
    m_sun.setTime(3, 0, 0); // MORGEN (0) to MITTAG (0.5): t = 0.25
    expectDirection(m_sun.getLightDirection(), 1, 0, 0);
    m_sun.setTime(6, 0, 0); // t = 0.5: the blend is the zero vector
    expectDirection(m_sun.getLightDirection(), 1, 0, 0);
    m_sun.setTime(9, 0, 0);
    expectDirection(m_sun.getLightDirection(), -1, 0, 0);
}

TEST(SunConsoleTest, CommandsOfTheRunningEngine)
{
    LogCapture logs;
    SunLightSystem& sun = UlvoEngine::getInstance()->getSceneGraph()->getSunLightSystem();
    EXPECT_EQ(run(L"SUN_SetTime 21 0 0"), L"Tageszeit ge\u00E4ndert auf:21:0:0");
    EXPECT_DOUBLE_EQ(sun.getColorFactor(), 0.9375);
    // A value that is no time of day changes nothing and is answered with the help line.
    for (const wchar_t* unusable : {L"SUN_SetTime 7 x 0", L"SUN_SetTime 25 99 0", L"SUN_SetTime -1 0 0"})
        EXPECT_EQ(run(unusable), L"SUN_SetTime hour min sec;  Zum \u00C4ndern der Tageszeit!") << unusable;
    EXPECT_DOUBLE_EQ(sun.getColorFactor(), 0.9375);
    EXPECT_EQ(run(L"SUN_SetTime 7"), L"SUN_SetTime hour min sec;  Zum \u00C4ndern der Tageszeit!");
    EXPECT_EQ(run(L"SUN_SetTime 12 0 0"), L"Tageszeit ge\u00E4ndert auf:12:0:0");
    EXPECT_EQ(run(L"sun_setdayduration 120"), L"Tagesdauer ge\u00E4ndert auf:120 sek");
    EXPECT_DOUBLE_EQ(sun.getDayFraction(), 0.5); // noon stays noon
    run(L"SUN_SetDayDuration 60");
}
