// The command-line switches.
#include "engine/CommandLine.h"
#include "foundation/logging/Logger.h"
#include "engine/UlvoEngine.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = UlvoEngine::getInstance();
        if (engine->isInitialised())
            GTEST_SKIP() << "the engine already started in this process";
        m_switch = logSwitch();
        m_error = mainLogger().getErrorPriority();
        m_warning = mainLogger().getWarningPriority();
        m_info = mainLogger().getInfoPriority();
    }

    void TearDown() override
    {
        if (engine->isInitialised())
            return;
        parseCommandLine(engine, "");
        logSwitch() = m_switch;
        mainLogger().setPriority(m_error, 1);
        mainLogger().setPriority(m_warning, 2);
        mainLogger().setPriority(m_info, 4);
    }

    static void expectThresholds(int error, int warning, int info)
    {
        EXPECT_EQ(mainLogger().getErrorPriority(), error);
        EXPECT_EQ(mainLogger().getWarningPriority(), warning);
        EXPECT_EQ(mainLogger().getInfoPriority(), info);
    }

    UlvoEngine* engine = nullptr;

private:
    int m_switch = 1;
    int m_error = 0;
    int m_warning = 0;
    int m_info = 0;
};

} // namespace

TEST_F(CommandLineTest, EmptyLineSetsTheDefaults)
{
    mainLogger().setPriority(5, 7);
    engine->setDebug(true);
    engine->setShowConsole(true);
    engine->getEngineParams().setShowVideo(false);
    INSTANCING = true;

    EXPECT_TRUE(parseCommandLine(engine, ""));
    expectThresholds(200, 200, 200);
    EXPECT_FALSE(engine->isDebug());
    EXPECT_FALSE(engine->getShowConsole());
    EXPECT_FALSE(engine->getShowConsoleFirst());
    EXPECT_FALSE(engine->isInGameConsoleEnabled());
    EXPECT_TRUE(engine->getEngineParams().getShowVideo());
    EXPECT_FALSE(INSTANCING);
    EXPECT_EQ(logSwitch(), 1);
}

TEST_F(CommandLineTest, LogThresholdsTakeTheirValues)
{
    EXPECT_TRUE(parseCommandLine(engine, "-LOG_MISC 10 -LOG_ERROR 0"));
    expectThresholds(0, 200, 10);
    EXPECT_TRUE(parseCommandLine(engine, "  ignored text -LOG_WARNING  +30  -LOG_MISC 12abc"));
    expectThresholds(200, 30, 12);
}

TEST_F(CommandLineTest, SwitchesWithoutValueOrInAnotherCaseAreIgnored)
{
    EXPECT_TRUE(parseCommandLine(engine, "-SHOW_CONSOLE"));
    EXPECT_FALSE(engine->getShowConsole());
    EXPECT_TRUE(parseCommandLine(engine, "-SHOW_CONSOLE 1"));
    EXPECT_TRUE(engine->getShowConsole());

    // The minus sign starts a switch of its own: no negative threshold.
    EXPECT_TRUE(parseCommandLine(engine, "-LOG_ERROR -5"));
    expectThresholds(200, 200, 200);

    EXPECT_TRUE(parseCommandLine(engine, "-log_misc 10 -Debug 1"));
    expectThresholds(200, 200, 200);
    EXPECT_FALSE(engine->isDebug());

    EXPECT_TRUE(parseCommandLine(engine, "-DISABLE_LOG"));
    EXPECT_EQ(logSwitch(), 1);
    EXPECT_TRUE(parseCommandLine(engine, "-DISABLE_LOG x"));
    EXPECT_EQ(logSwitch(), 0);
}

TEST_F(CommandLineTest, FlagsFollowTheirValues)
{
    EXPECT_TRUE(parseCommandLine(engine, "-SHOW_CONSOLE_FIRST 1 -ENABLE_INGAME_CONSOLE 2 -SHOW_VIDEO 0 -DEBUG 7 "
                                         "-INSTANCING 1 -VISUAL_DEBUGGER 1 -UNKNOWN 4"));
    EXPECT_TRUE(engine->getShowConsoleFirst());
    EXPECT_TRUE(engine->isInGameConsoleEnabled());
    EXPECT_FALSE(engine->getEngineParams().getShowVideo());
    EXPECT_TRUE(engine->isDebug());
    EXPECT_TRUE(INSTANCING);

    EXPECT_TRUE(parseCommandLine(engine, "-DEBUG x -SHOW_VIDEO 0x1"));
    EXPECT_FALSE(engine->isDebug());                        // no digits read as 0
    EXPECT_FALSE(engine->getEngineParams().getShowVideo()); // "0x1" reads as 0
}
