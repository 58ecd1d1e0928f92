// The town behind a minigame's result: a press beside the result lands on its darkened
// background, which must neither buy anything below nor rise over the dialog and take its
// clicks; the town's buttons start nothing until the result is confirmed, and the cards keep
// their order. A town with every building built shows each one whole, clear of the town's panels.
#include <windows.h>

#include <platform_test.h>

#include "engine/UlvoEngine.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "graphics/textures/Texture2D.h"
#include "minigames/frame/MinispielManager.h"
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/lightshow/Lichterspiel.h"
#include "threematch/lightshow/LichterspielManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/town/Gebaeude.h"
#include "threematch/town/GebaeudeManager.h"

#include "PlayThroughSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// The new building's picture, formed by the light show behind the result, stands whole beside
// the dialog (the show's screen is the picture of the town, 1024 x 768 like the test's screen).
void formedAboveTheResult(GameHost& host)
{
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    const Lichterspiel* show = globals->getLichterspiele().getRunning();
    ASSERT_NE(show, nullptr) << "the build's light show runs";
    ASSERT_TRUE(host.waitFor([show] { return show->hasArrived(); }, 4.0));
    ASSERT_FALSE(show->getLichter().empty());
    const Ulvo::GUIWindow* dialog = GameHost::findWindow(L"THREEMATCHAUSWERTUNG_MINISPIEL");
    ASSERT_NE(dialog, nullptr);
    const Ulvo::FloatRect& r = dialog->getScreenRect();
    float top = 768.0f, bottom = 0.0f;
    int covered = 0;
    for (const Lichterspiel::Licht& light : show->getLichter()) {
        // A light is drawn up to its place, its size up and to the left of it.
        const float left = light.position[0] - light.size[0], right = light.position[0];
        const float upper = light.position[1] - light.size[1], lower = light.position[1];
        top = std::min(top, upper);
        bottom = std::max(bottom, lower);
        if (right > r.left && left < r.right && lower > r.top && upper < r.bottom)
            ++covered;
    }
    EXPECT_EQ(covered, 0) << "of " << show->getLichter().size() << " lights behind the result (" << r.left << ", "
                          << r.top << ", " << r.right << ", " << r.bottom << ")";
    EXPECT_GE(top, 0.0f);
    EXPECT_LE(bottom - top, 768.0f / 3.0f) << "the picture of lights stays a picture, not the whole screen";
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

    // The first building bought at its full price; its result stands.
    const POINT first = centre(*buttons[0]);
    host.click(first.x, first.y);
    Minispiel* played = minigames->getActiveMinispiel();
    ASSERT_NE(played, nullptr);
    ASSERT_TRUE(host.click(L"MINISPIEL_H_SkipButton"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU", 5.0));
    // The game fades out behind its result: a late click on its cancel button leaves the result.
    minigames->closedSignal.emit(*played);
    host.seconds(1.0);
    EXPECT_EQ(GameHost::activeMenu(), L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU") << "the build ends with its result";
    ASSERT_TRUE(okTakesClicks());
    formedAboveTheResult(host);
    const POINT dialog = centre(*GameHost::findWindow(L"THREEMATCHAUSWERTUNG_MINISPIEL_TITEL"));
    const TestSupport::Image before = host.screen(1);

    // A press beside the dialog, where the button of a building not built yet is in the town.
    const Ulvo::FloatRect shown = GameHost::findWindow(L"THREEMATCHAUSWERTUNG_MINISPIEL")->getScreenRect();
    const auto besideTheResult = [&shown](const Ulvo::GUIWindow& button) {
        const POINT p = centre(button);
        return p.x < shown.left || p.x > shown.right || p.y < shown.top || p.y > shown.bottom;
    };
    std::size_t place = 1;
    while (place < buttons.size() && !besideTheResult(*buttons[place]))
        ++place;
    ASSERT_LT(place, buttons.size()) << "no building's button beside the result";
    Gebaeude* second = town.getGebaeude(static_cast<int>(place), 0);
    ASSERT_NE(second, nullptr);
    const POINT beside = centre(*buttons[place]);
    host.click(beside.x, beside.y);
    host.seconds(1.0);
    EXPECT_EQ(minigames->getActiveMinispiel(), nullptr) << "nothing is bought under the result";
    EXPECT_FALSE(second->isBuilt());
    EXPECT_EQ(GameHost::activeMenu(), L"THREEMATCHAUSWERTUNG_MINISPIEL_MENU");
    EXPECT_TRUE(okTakesClicks()) << "the darkened background rose over the dialog";
    EXPECT_TRUE(TestSupport::near(host.screen(1).at(dialog.x, dialog.y), before.at(dialog.x, dialog.y), 4))
        << "the dialog is drawn darkened";

    // Whatever reaches the town's buttons while the result stands starts nothing.
    host.game().onButtonClicked(*buttons[place]);
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
    const std::size_t other = place == 1 ? 2 : 1;
    const POINT third = centre(*buttons[other]);
    host.click(third.x, third.y);
    host.seconds(1.0);
    EXPECT_FALSE(town.getGebaeude(static_cast<int>(other), 0)->isBuilt());
    EXPECT_TRUE(okTakesClicks());
    ASSERT_TRUE(host.click(L"THREEMATCHAUSWERTUNG_MINISPIEL_OK"));
    EXPECT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU", 5.0));

    // The cards pressed and built keep their places, left to right in place order.
    host.game().refreshBuildingButtons();
    host.seconds(0.5);
    for (std::size_t i = 1; i < buttons.size(); ++i) {
        ASSERT_NE(buttons[i]->getParent(), nullptr);
        EXPECT_LT(buttons[i - 1]->getParent()->getScreenRect().left, buttons[i]->getParent()->getScreenRect().left)
            << "card " << i << " stands left of card " << i - 1;
    }
}

// The opaque texels of a building's picture, over every frame, in the frame's own pixels.
bool opaqueBox(const Gebaeude& building, RECT& box)
{
    Ulvo::Texture2D* picture = building.getAnimation();
    const FrameGrid& grid = building.getGrid();
    if (!picture || grid.frameWidth <= 0 || grid.frameHeight <= 0)
        return false;
    D3DLOCKED_RECT locked{};
    if (!picture->lock(0, &locked, picture->getRect(), D3DLOCK_READONLY))
        return false;
    box = RECT{grid.frameWidth, grid.frameHeight, -1, -1};
    for (uint32_t y = 0; y < picture->getLockHeight(); ++y) {
        for (uint32_t x = 0; x < picture->getLockWidth(); ++x) {
            D3DXVECTOR4 texel;
            if (!picture->getPixel(texel, x, y) || texel.w < 0.1f)
                continue;
            const LONG fx = static_cast<LONG>(x) % grid.frameWidth, fy = static_cast<LONG>(y) % grid.frameHeight;
            box = RECT{std::min(box.left, fx), std::min(box.top, fy), std::max(box.right, fx + 1),
                       std::max(box.bottom, fy + 1)};
        }
    }
    picture->unlock(0);
    return box.right > box.left;
}

void everyBuildingInView(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(Player::createProfile(host, "emil"));
    ProfileManager::getInstance()->getActiveProfile()->setShownHelp(ScreenRules::kHelpOff);
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    GebaeudeManager& town = globals->getGebaeudeManager();
    for (Gebaeude* building : town.getGebaeudeList())
        building->setBuilt(true);
    ASSERT_TRUE(host.click(L"H_Start"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
    host.seconds(1.5);

    // The town's picture fills the screen (1024 x 768, as the picture's own pixels).
    int drawn = 0;
    for (const Gebaeude* building : town.getDrawList()) {
        if (!building->isBuilt() && !building->isBuildOnStart())
            continue;
        RECT box{};
        ASSERT_TRUE(opaqueBox(*building, box)) << PlayThrough::narrow(building->getID());
        ++drawn;
        const float left = building->getX() + static_cast<float>(box.left);
        const float top = building->getY() + static_cast<float>(box.top);
        const float right = building->getX() + static_cast<float>(box.right);
        const float bottom = building->getY() + static_cast<float>(box.bottom);
        EXPECT_TRUE(left >= 0.0f && top >= 0.0f && right <= 1024.0f && bottom <= 768.0f)
            << PlayThrough::narrow(building->getID()) << " leaves the screen";
        for (const wchar_t* name : {L"BAUEN_Vorrat", L"BAUEN_Wege", L"BAUEN_Kaufen"}) {
            const Ulvo::GUIWindow* panel = GameHost::findWindow(name);
            ASSERT_NE(panel, nullptr);
            const Ulvo::FloatRect& r = panel->getScreenRect();
            const bool apart = right <= r.left || left >= r.right || bottom <= r.top || top >= r.bottom;
            EXPECT_TRUE(apart) << PlayThrough::narrow(building->getID()) << " (" << left << ", " << top << ", " << right
                               << ", " << bottom << ") stands under " << PlayThrough::narrow(name) << " (" << r.left
                               << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
        }
    }
    EXPECT_EQ(drawn, static_cast<int>(town.getGebaeudeList().size() + town.getBuildOnStart().size() +
                                      town.getTemporary().size()));
}

TEST(ControllerTown, EveryBuiltBuildingStandsWholeAndClearOfTheTownsPanels)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("town", [&] { everyBuildingInView(folder); }));
}

TEST(ControllerTown, TheTownTakesNoClicksWhileAMinigamesResultStandsAndTheResultStaysUsable)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("town", [&] { townBehindTheResult(folder); }));
}

} // namespace
