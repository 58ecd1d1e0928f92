// The built game and its intro video, started headless from a copy of its runtime folder:
// the video plays before the engine starts, an end asked from outside during it ends the
// program in order before any device exists, and a missing video is skipped with a log line.
#include "GameRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const kEngineInit = "Ulvo::UlvoEngine::init";

TEST(IntroVideo, PlaysBeforeTheEngineStarts)
{
    GameRun game;
    ASSERT_TRUE(fs::exists(game.runFolder() / "intro.wmv"));
    game.start();
    ASSERT_TRUE(game.waitForWindow(120s));
    const double windowAt = game.secondsRunning();
    // The clip lasts 3.3 s; the engine waits for it.
    ASSERT_TRUE(game.waitForLog("UlvoEngine.log", kEngineInit, 120s));
    EXPECT_GT(game.secondsRunning() - windowAt, 3.0);
    game.terminate();
    EXPECT_EQ(game.waitForExit(180s), 0);
}

TEST(IntroVideo, AnEndAskedFromOutsideDuringTheVideoIsAnOrderlyQuitBeforeTheEngineStarts)
{
    for (int signal : {SIGTERM, SIGHUP}) {
        GameRun game;
        game.start();
        ASSERT_TRUE(game.waitForWindow(120s));
        std::this_thread::sleep_for(300ms); // into the clip
        game.signal(signal);                // closes the main window
        EXPECT_EQ(game.waitForExit(60s), 0) << signal;
        EXPECT_EQ(game.log("UlvoEngine.log").find(kEngineInit), std::string::npos);
        // The configuration is written on this path too.
        EXPECT_TRUE(fs::exists(game.configFile()));
    }
}

TEST(IntroVideo, AMissingVideoIsSkippedWithALogLine)
{
    GameRun game;
    fs::remove(game.runFolder() / "intro.wmv");
    game.start("-LOG_WARNING 0");
    ASSERT_TRUE(game.waitForWindow(120s));
    ASSERT_TRUE(game.waitForLog("UlvoEngine.log", kEngineInit, 120s));
    EXPECT_NE(game.log("logfile.log").find("\"intro.wmv\" not found, the video is skipped"), std::string::npos);
    game.terminate();
    EXPECT_EQ(game.waitForExit(180s), 0);
}

} // namespace
