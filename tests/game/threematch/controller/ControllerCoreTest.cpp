// The controller's own rules: the wrath meter, the time display, screenshot names, the first
// start and a window closed while the game loads.
#include <windows.h>

#include "foundation/UlvoEngine.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "threematch/controller/ThreeMatchGame.h"

#include "PlayThroughSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using ThreeMatch::ThreeMatchGame;

namespace {

TEST(ControllerCore, WrathFillStandsFullWithoutAUsableMaximumAndTimesSplitIntoTheirParts)
{
    EXPECT_DOUBLE_EQ(ThreeMatchGame::wrathFill(25.0, 100.0), 0.75);
    EXPECT_DOUBLE_EQ(ThreeMatchGame::wrathFill(0.0, 100.0), 1.0);
    // A maximum set to 0 or below would divide by zero.
    EXPECT_DOUBLE_EQ(ThreeMatchGame::wrathFill(0.0, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(ThreeMatchGame::wrathFill(5.0, -3.0), 1.0);

    int minutes = -1, seconds = -1, hundredths = -1;
    ThreeMatchGame::splitTime(83.456, minutes, seconds, hundredths);
    EXPECT_EQ(minutes, 1);
    EXPECT_EQ(seconds, 23);
    EXPECT_EQ(hundredths, 45);
    ThreeMatchGame::splitTime(-2.5, minutes, seconds, hundredths);
    EXPECT_EQ(minutes + seconds + hundredths, 0);
}

TEST(ControllerCore, ScreenshotNamesGoOnPastFilesAlreadyThere)
{
    const fs::path folder = fs::current_path() / "screenshots";
    fs::remove_all(folder);
    fs::create_directories(folder);
    TestSupport::ScopedCwd cwd(folder);
    int counter = 0;
    EXPECT_EQ(ThreeMatchGame::nextScreenshotName(counter), L"Screenshot_0.png");
    EXPECT_EQ(counter, 0);
    std::ofstream(folder / "Screenshot_0.png") << "old";
    std::ofstream(folder / "Screenshot_1.png") << "old";
    std::ofstream(folder / "Screenshot_3.png") << "old";
    EXPECT_EQ(ThreeMatchGame::nextScreenshotName(counter), L"Screenshot_2.png");
    EXPECT_EQ(counter, 2);
    ++counter;
    EXPECT_EQ(ThreeMatchGame::nextScreenshotName(counter), L"Screenshot_4.png");
}

// The start menu is shown while the menus load, before the controller listens; it must still
// be prepared, so that a first start leads to the new-profile screen.
TEST(ControllerCore, AFirstStartOpensTheNewProfileScreen)
{
    PlayThrough::RunFolder folder;
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    EXPECT_TRUE(host.game().isLoaded());
    // Its help may stand over it.
    std::wstring menus;
    for (const Ulvo::GUIMenu* menu : Ulvo::GUIMenuManager::getInstance()->getHistory())
        menus += menu->getName() + L" ";
    EXPECT_NE(menus.find(L"HAUPTMENU NEUES_PROFILE_MENU"), std::wstring::npos)
        << std::string(menus.begin(), menus.end());
}

// A window closed while loading stops the constructor early; the half-built controller goes
// away cleanly and the loop does not run.
TEST(ControllerCore, AWindowClosedWhileLoadingStopsTheLoadingAndTearsDownCleanly)
{
    EXPECT_TRUE(PlayThrough::inChildProcess([] {
        PlayThrough::RunFolder folder;
        {
            PlayThrough::GameHost host(folder);
            ASSERT_TRUE(host.running());
        }
        TestSupport::ScopedCwd cwd(folder.path());
        PostQuitMessage(0);
        {
            ThreeMatchGame game(false, true);
            EXPECT_TRUE(game.wasClosedWhileLoading());
            EXPECT_FALSE(game.isLoaded());
            EXPECT_EQ(game.getBoard(), nullptr);
        }
        EXPECT_FALSE(Ulvo::UlvoEngine::getInstance()->beginLoop());
    }));
}

} // namespace
