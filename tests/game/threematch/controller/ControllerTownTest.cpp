// The town behind a minigame's result: a press beside the result lands on its darkened
// background, which must neither buy anything below nor rise over the dialog and take its
// clicks; the town's buttons start nothing until the result is confirmed.
#include <windows.h>

#include <platform_test.h>

#include "engine/UlvoEngine.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/MinispielManager.h"
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

#include "PlayThroughSupport.h"

#include <gtest/gtest.h>

using namespace ThreeMatch;
using PlayThrough::GameHost;
namespace Player = PlayThrough::Player;

namespace {

POINT centre(const Ulvo::GUIWindow& window)
{
    const Ulvo::FloatRect& r = window.getScreenRect();
    return POINT{static_cast<LONG>((r.left + r.right) / 2), static_cast<LONG>((r.top + r.bottom) / 2)};
}

// The result's OK is what a press on its middle reaches.
bool okTakesClicks()
{
    Ulvo::GUIWindow* ok = GameHost::findWindow(L"THREEMATCHAUSWERTUNG_MINISPIEL_OK");
    if (!ok)
        return false;
    const POINT at = centre(*ok);
    const Ulvo::GUIWindow* hit = Ulvo::GUISystem::getInstance()->getWindowAt(
        static_cast<float>(at.x), static_cast<float>(at.y), Ulvo::GUIWindow::HIT_PRESS);
    for (; hit; hit = hit->getParent()) {
        if (hit == ok)
            return true;
    }
    return false;
}

void townBehindTheResult(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(Player::createProfile(host, "dora"));
    Profil* player = ProfileManager::getInstance()->getActiveProfile();
    ASSERT_NE(player, nullptr);
    player->setShownHelp(ScreenRules::kHelpOff);
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    for (Rohstoffklasse* klasse : globals->getRohstoffManager().getKlassen()) {
        klasse->addLevelPunkte(1000);
        klasse->commitLevelPunkte();
    }
    ASSERT_TRUE(host.click(L"H_Start"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
    host.game().refreshBuildingButtons();
    host.seconds(1.0);
    MinispielManager* minigames = MinispielManager::getInstance();
    GebaeudeManager& town = globals->getGebaeudeManager();
    const std::vector<Ulvo::GUIWindow*> buttons = host.game().getBuildingButtons();
    ASSERT_GE(buttons.size(), 3u);
    Gebaeude* second = town.getGebaeude(1, 0);
    ASSERT_NE(second, nullptr);

    // The first building bought at its full price; its result stands.
    const POINT first = centre(*buttons[0]);
    host.click(first.x, first.y);
    ASSERT_NE(minigames->getActiveMinispiel(), nullptr);
    ASSERT_TRUE(host.click(L"MINISPIEL_H_SkipButton"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU", 5.0));
    host.seconds(1.0);
    ASSERT_TRUE(okTakesClicks());
    const POINT dialog = centre(*GameHost::findWindow(L"THREEMATCHAUSWERTUNG_MINISPIEL_TITEL"));
    const TestSupport::Image before = host.screen(1);

    // A press beside the dialog, where the second building's button is in the town.
    const POINT beside = centre(*buttons[1]);
    host.click(beside.x, beside.y);
    host.seconds(1.0);
    EXPECT_EQ(minigames->getActiveMinispiel(), nullptr) << "nothing is bought under the result";
    EXPECT_FALSE(second->isBuilt());
    EXPECT_EQ(GameHost::activeMenu(), L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU");
    EXPECT_TRUE(okTakesClicks()) << "the darkened background rose over the dialog";
    EXPECT_TRUE(TestSupport::near(host.screen(1).at(dialog.x, dialog.y), before.at(dialog.x, dialog.y), 4))
        << "the dialog is drawn darkened";

    // Whatever reaches the town's buttons while the result stands starts nothing.
    host.game().onButtonClicked(*buttons[1]);
    EXPECT_EQ(minigames->getActiveMinispiel(), nullptr);
    ASSERT_NE(GameHost::findWindow(L"THREEMATCH_BAUEN_SPIELEN"), nullptr);
    host.game().onButtonClicked(*GameHost::findWindow(L"THREEMATCH_BAUEN_SPIELEN"));
    host.seconds(1.5);
    EXPECT_EQ(GameHost::activeMenu(), L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU") << "no level starts";

    ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_MINISPIEL_OK"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0));
    host.seconds(1.0);

    // Back in the town its buttons buy again; a press while the next result fades in leaves
    // that dialog usable too.
    host.click(beside.x, beside.y);
    ASSERT_NE(minigames->getActiveMinispiel(), nullptr) << "the town takes clicks again";
    ASSERT_TRUE(host.click(L"MINISPIEL_H_SkipButton"));
    ASSERT_TRUE(host.waitFor([] { return GameHost::activeMenu() == L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU"; }, 5.0));
    EXPECT_TRUE(second->isBuilt());
    const POINT third = centre(*buttons[2]);
    host.click(third.x, third.y);
    host.seconds(1.0);
    EXPECT_FALSE(town.getGebaeude(2, 0)->isBuilt());
    EXPECT_TRUE(okTakesClicks());
    ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_MINISPIEL_OK"));
    EXPECT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0));
}

TEST(ControllerTown, TheTownTakesNoClicksWhileAMinigamesResultStandsAndTheResultStaysUsable)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("town", [&] { townBehindTheResult(folder); }));
}

} // namespace
