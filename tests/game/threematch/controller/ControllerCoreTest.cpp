// The controller's own rules: the wrath meter, the time display, screenshot names, the first
// start and a window closed while the game loads.
#include <windows.h>

#include <platform_test.h>

#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/meshes/Mesh.h"
#include "graphics/meshes/MeshManager.h"
#include "gui/menus/GUIMenu.h"
#include "gui/menus/GUIMenuManager.h"
#include "gui/widgets/GUIButton.h"
#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/Bonus.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

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
    // A folder of its own, gone afterwards: not the folder the tests were started in.
    const TestSupport::TempDir temp;
    const fs::path& folder = temp.path();
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

// Update steps of 25 ms on the game clock, without the loop's drawing.
void updateSteps(ThreeMatchGame& game, int count)
{
    PlayThrough::Player::updates(game, count);
}

void setStock(ThreeMatch::Rohstoffklasse& klasse, int stock)
{
    klasse.spend(klasse.getPunkte() - stock);
}

// The start menu is shown while the menus load, before the controller listens; it must still
// be prepared, so that a first start leads to the new-profile screen. Without any profile a
// free-play level still runs and ends.
TEST(ControllerCore, AFirstStartOpensTheNewProfileScreenAndPlaysWithoutAProfile)
{
    PlayThrough::RunFolder folder;
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    EXPECT_TRUE(host.game().isLoaded());
    // The mesh list was read with the rest of the data: the light volume is there by name.
    Ulvo::Mesh* sphere = Ulvo::D3DInterface::getInstance()->getMeshManager()->getMesh(L"KUGEL");
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->getSubsetCount(), 1);
    // Its help may stand over it.
    std::wstring menus;
    for (const Ulvo::GUIMenu* menu : Ulvo::GUIMenuManager::getInstance()->getHistory())
        menus += menu->getName() + L" ";
    EXPECT_NE(menus.find(L"HAUPTMENU NEUES_PROFILE_MENU"), std::wstring::npos)
        << std::string(menus.begin(), menus.end());

    ASSERT_EQ(ThreeMatch::ProfileManager::getInstance()->getActiveProfile(), nullptr);
    ThreeMatchGame& game = host.game();
    game.requestIngame(ThreeMatchGame::REQUEST_FREE_PLAY);
    updateSteps(game, 200);
    ThreeMatch::Spielfeld* board = game.getBoard();
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(board->isFreePlay());
    EXPECT_EQ(board->getState(), ThreeMatch::Spielfeld::Laeuft);
}

// A window closed while loading stops the constructor early; the half-built controller goes
// away cleanly and the loop does not run. In a process of its own: a fork of this one would
// inherit locks that the audio and rasteriser threads held and never come back to free them.
TEST(ControllerCore, AWindowClosedWhileLoadingStopsTheLoadingAndTearsDownCleanly)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("closed-while-loading", [&folder] {
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
        // The same during the splash screen: the quit is not swallowed by the splash's messages.
        PostQuitMessage(0);
        {
            ThreeMatchGame game(true, true);
            EXPECT_TRUE(game.wasClosedWhileLoading());
        }
        EXPECT_FALSE(Ulvo::UlvoEngine::getInstance()->beginLoop());
    }));
}

// A new active profile with help switched off; the game's globals, or null when it was refused.
ThreeMatch::MyGlobals* addActiveProfile()
{
    ThreeMatch::ProfileManager* profiles = ThreeMatch::ProfileManager::getInstance();
    auto* profil = new ThreeMatch::Profil(L"Tester");
    profil->setShownHelp(0x40000);
    if (!profiles->createProfile(profil)) {
        profil->Release();
        return nullptr;
    }
    profiles->selectProfile(profil);
    return static_cast<ThreeMatch::MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
}

// A story level runs; the wrath meter's stages turn at 1/4, 2/4 and 3/4 of three stages, and an
// empty meter brings one catastrophe that stays pending while the meter stays empty.
TEST(ControllerCore, WrathStagesTurnAtTheirThresholdsAndAnEmptyMeterBringsOneCatastrophe)
{
    PlayThrough::RunFolder folder;
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    ThreeMatchGame& game = host.game();
    ThreeMatch::MyGlobals* globals = addActiveProfile();
    ASSERT_NE(globals, nullptr);
    globals->setUseZorn(true);

    game.requestIngame(ThreeMatchGame::REQUEST_NEXT_LEVEL);
    // Ignored while the first one waits: the story level comes.
    game.requestIngame(ThreeMatchGame::REQUEST_FREE_PLAY);
    updateSteps(game, 400);
    ThreeMatch::Spielfeld* board = game.getBoard();
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(game.getPendingRequest(), ThreeMatchGame::REQUEST_NONE);
    EXPECT_FALSE(board->isFreePlay());
    ASSERT_EQ(board->getState(), ThreeMatch::Spielfeld::Laeuft);
    ThreeMatch::Rohstoffklasse* wrath = globals->getRohstoffManager().getZornKlasse();
    ASSERT_NE(wrath, nullptr);
    ASSERT_FALSE(board->getLevelStones().empty());
    // The first level's 8x8 cells (and a cell of margin round them) fill the picture's height.
    EXPECT_NEAR(globals->getBoardViewScale(), 0.768, 0.01);

    ThreeMatch::Rohstoff* stone = board->getLevelStones().front();
    game.wrathStages().assign(3, ThreeMatchGame::WrathStage{stone, stone, false});
    auto reached = [&game] {
        std::string flags;
        for (const ThreeMatchGame::WrathStage& stage : game.getWrathStages())
            flags += stage.reached ? '1' : '0';
        return flags;
    };
    const int maximum = globals->getWrathMax();
    setStock(*wrath, maximum * 70 / 100); // fill 0.3
    updateSteps(game, 1);
    EXPECT_EQ(reached(), "100");
    setStock(*wrath, maximum * 20 / 100); // fill 0.8
    updateSteps(game, 1);
    EXPECT_EQ(reached(), "111");
    setStock(*wrath, maximum * 60 / 100); // fill 0.4
    updateSteps(game, 1);
    EXPECT_EQ(reached(), "100");

    ThreeMatch::Gebaeude* market = globals->getGebaeudeManager().findGebaeude(L"MARKT");
    ASSERT_NE(market, nullptr);
    market->build(1.0);
    setStock(*wrath, 0);
    const int interval = static_cast<int>(globals->getWrathInterval() * 40.0);
    updateSteps(game, interval + 1);
    EXPECT_TRUE(game.isCatastrophePending());
    // The market was the last built: torn down, and gone from the saved profile with its well, so
    // that a restart does not bring them back.
    EXPECT_FALSE(market->isBuilt());
    Ulvo::XMLNode saved;
    ASSERT_TRUE(Ulvo::XMLNode::load(&saved, PlayThrough::GameHost::saveFile("profile.prf").wstring(), 0));
    const Ulvo::XMLNode* profil = saved.getNode(L"PROFIL");
    ASSERT_NE(profil, nullptr);
    const Ulvo::XMLNode* built = profil->getNode(L"GEBAEUDE");
    ASSERT_NE(built, nullptr);
    for (const Ulvo::XMLProperty* value : built->getProperties())
        EXPECT_TRUE(value->getValue() != L"MARKT" && value->getValue() != L"BRUNNEN")
            << PlayThrough::narrow(value->getValue());
    // While it is pending the meter stays empty and no further catastrophe comes.
    updateSteps(game, interval + 1);
    EXPECT_TRUE(game.isCatastrophePending());
    EXPECT_EQ(wrath->getPunkte(), 0);
}

// A story level stands still while the game clock is paused; lost, it keeps nothing it
// collected, and its result screen opens with the tally running.
TEST(ControllerCore, APausedClockHoldsTheLevelAndALostLevelKeepsNothing)
{
    PlayThrough::RunFolder folder;
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    ThreeMatchGame& game = host.game();
    ThreeMatch::MyGlobals* globals = addActiveProfile();
    ASSERT_NE(globals, nullptr);

    Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    game.requestIngame(ThreeMatchGame::REQUEST_NEXT_LEVEL);
    clock->setPause(2, true);
    updateSteps(game, 200);
    ThreeMatch::Spielfeld* board = game.getBoard();
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->getState(), ThreeMatch::Spielfeld::Geladen) << "the roll-in waits for the clock";
    clock->setPause(2, false);
    updateSteps(game, 200);
    ASSERT_EQ(board->getState(), ThreeMatch::Spielfeld::Laeuft);

    ThreeMatch::Rohstoffklasse* klasse = globals->getRohstoffManager().getKlasse(0);
    ASSERT_NE(klasse, nullptr);
    klasse->addLevelPunkte(7);
    clock->setUserTimeFactor(200.0);
    for (int i = 0; i < 2000 && !game.isTallyRunning(); ++i)
        updateSteps(game, 1);
    clock->setUserTimeFactor(1.0);
    EXPECT_EQ(board->getState(), ThreeMatch::Spielfeld::Verloren);
    EXPECT_TRUE(game.isTallyRunning());
    EXPECT_EQ(klasse->getLevelPunkte(), 0);
    EXPECT_EQ(PlayThrough::GameHost::activeMenu(), L"THREEMATCH_AUSWERTUNG_LOSE_MENU");
}

// In the first level only the hammer is there: the bonuses the town has not brought yet show
// dark, unlike the hammer, which charges.
TEST(ControllerCore, BonusesNotBroughtYetShowDark)
{
    PlayThrough::RunFolder folder;
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    ThreeMatchGame& game = host.game();
    ThreeMatch::MyGlobals* globals = addActiveProfile();
    ASSERT_NE(globals, nullptr);
    game.requestIngame(ThreeMatchGame::REQUEST_NEXT_LEVEL);
    updateSteps(game, 200);
    ASSERT_NE(game.getBoard(), nullptr);
    host.frames(2);
    ThreeMatch::BonusManager& bonuses = globals->getBonusManager();
    ASSERT_TRUE(bonuses.getBonus(0) && bonuses.getBonus(0)->isAvailable());
    ASSERT_TRUE(bonuses.getBonus(1) && !bonuses.getBonus(1)->isAvailable());
    const auto brightness = [](const wchar_t* name) {
        Ulvo::GUIWindow* button = PlayThrough::GameHost::findWindow(name);
        const D3DXCOLOR& c = button ? button->getDrawOptions().modulate : D3DXCOLOR(0, 0, 0, 0);
        return c.r + c.g + c.b;
    };
    EXPECT_GT(brightness(L"THREEMATCH_BONUS_HAMMER"), 2.9f);
    EXPECT_LT(brightness(L"THREEMATCH_BONUS_BLITZ"), 1.5f);
}

// An empty bonus list leaves every bonus slot of a level blank and shut, never showing the
// label's raw format text.
TEST(ControllerCore, AnEmptyBonusListLeavesTheBonusSlotsBlank)
{
    PlayThrough::RunFolder folder;
    std::ofstream(folder.path() / "data" / "stones" / "bonus.bon", std::ios::trunc).flush();
    PlayThrough::GameHost host(folder);
    ASSERT_TRUE(host.running());
    ThreeMatchGame& game = host.game();
    ASSERT_NE(addActiveProfile(), nullptr);
    game.requestIngame(ThreeMatchGame::REQUEST_NEXT_LEVEL);
    updateSteps(game, 200);
    ASSERT_NE(game.getBoard(), nullptr);
    host.frames(2);
    for (const wchar_t* name : {L"THREEMATCH_BONUS_HAMMER", L"THREEMATCH_BONUS_BLITZ", L"THREEMATCH_BONUS_ZEILE"}) {
        Ulvo::GUIWindow* button = PlayThrough::GameHost::findWindow(name);
        ASSERT_NE(button, nullptr) << PlayThrough::narrow(name);
        auto* label =
            dynamic_cast<Ulvo::GUIButton*>(button) ? dynamic_cast<Ulvo::GUIButton*>(button)->getLabel() : nullptr;
        ASSERT_NE(label, nullptr) << PlayThrough::narrow(name);
        EXPECT_EQ(label->getText().find(L'%'), std::wstring::npos) << PlayThrough::narrow(label->getText());
        EXPECT_FALSE(button->getOptions().enabled) << PlayThrough::narrow(name);
    }
}

} // namespace
