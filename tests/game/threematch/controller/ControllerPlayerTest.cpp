// What a player meets through the window: the pointer drawn where the mouse is, and the
// profile screens driven by clicks and keys (a second profile through "Neu", Enter on the
// list, deleting the last profile).
#include <windows.h>

#include <platform_test.h>

#include "gui/widgets/GUILabel.h"
#include "gui/windows/GUIWindow.h"
#include "engine/UlvoEngine.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/Profil.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"

#include "PlayThroughSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace ThreeMatch;
using PlayThrough::GameHost;
namespace Player = PlayThrough::Player;

namespace {

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

// Where two pictures differ, within a square around a point.
Box differences(const TestSupport::Image& a, const TestSupport::Image& b, int x, int y, int reach)
{
    Box box;
    for (int py = std::max(0, y - reach); py < std::min<int>(a.height, y + reach); ++py) {
        for (int px = std::max(0, x - reach); px < std::min<int>(a.width, x + reach); ++px) {
            if (TestSupport::near(a.at(px, py), b.at(px, py), 8))
                continue;
            box.left = std::min(box.left, px);
            box.top = std::min(box.top, py);
            box.right = std::max(box.right, px);
            box.bottom = std::max(box.bottom, py);
        }
    }
    return box;
}

void pointerAtTheMouse(const PlayThrough::RunFolder& folder);
void profilesThroughTheScreens(const PlayThrough::RunFolder& folder);
void refusedSwaps(const PlayThrough::RunFolder& folder);
void wheelOverScreens(const PlayThrough::RunFolder& folder);
void escapeAsTheWrathHintOpens(const PlayThrough::RunFolder& folder);

// The pointer is drawn centred on the mouse: its tip must be the middle of its picture, and
// nothing from the neighbouring frames of its strip may show beside it.
TEST(ControllerPlayer, ThePointersTipIsDrawnWhereTheMouseIs)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("pointer", [&] { pointerAtTheMouse(folder); }));
}

void pointerAtTheMouse(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(Player::waitForMenu(host, L"NEUES_PROFILE_MENU", 5.0));
    host.seconds(1.0);
    // Two places beside the name screen, over the plain background.
    const POINT here{150, 600}, there{900, 600};
    host.moveTo(here.x, here.y);
    host.frames(2);
    const TestSupport::Image with = host.screen(1);
    host.moveTo(there.x, there.y);
    host.frames(2);
    const TestSupport::Image without = host.screen(1);
    const Box pointer = differences(with, without, here.x, here.y, 60);
    ASSERT_FALSE(pointer.empty()) << "no pointer drawn";
    // The tip's sparkle reaches a few pixels up and left; the arrow goes right and down.
    EXPECT_GE(pointer.left, here.x - 8);
    EXPECT_GE(pointer.top, here.y - 8);
    EXPECT_GT(pointer.right, here.x + 8);
    EXPECT_GT(pointer.bottom, here.y + 12);
    EXPECT_LT(pointer.right, here.x + 22) << "something drawn right of the arrow";
    EXPECT_LT(pointer.bottom, here.y + 25) << "something drawn below the arrow";
}

bool menuIs(GameHost& host, const wchar_t* menu)
{
    return host.waitFor([menu] { return GameHost::activeMenu() == menu; }, 5.0);
}

// A second profile is made through "Neu" with the keyboard (the first name keeping a
// space), Enter on the list goes on, help switched off on the first help stays off for the
// profiles made after it, and deleting the last profile leads to naming a new one; Escape
// from there never ends on a help text over an empty screen.
TEST(ControllerPlayer, ProfilesAreMadeSwitchedAndDeletedThroughTheScreens)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("profiles", [&] { profilesThroughTheScreens(folder); }));
}

void profilesThroughTheScreens(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    ProfileManager* profiles = ProfileManager::getInstance();

    // The first start's help over the name entry: help switched off there.
    // Keys typed while the help stands never reach the name field behind it.
    ASSERT_TRUE(menuIs(host, L"THREEMATCH_HELP_MENU"));
    host.type("xy");
    ASSERT_TRUE(host.click(L"THREEMATCH_HELP_CHECKBOX_2"));
    ASSERT_TRUE(host.click(L"THREEMATCH_HELP_OK"));
    ASSERT_TRUE(menuIs(host, L"NEUES_PROFILE_MENU"));
    host.seconds(0.5);
    host.type("anna b");
    // A letter the keymap types without a key the platform can place still joins the name.
    PlatformInjectText(host.window(), L"\u00f6");
    host.frames(2);
    host.key(PlayThrough::KEY_RETURN);
    ASSERT_TRUE(menuIs(host, L"PROFILE_MENU"));
    Profil* anna = profiles->getActiveProfile();
    ASSERT_NE(anna, nullptr);
    EXPECT_EQ(anna->getName(), L"anna b\u00f6");
    EXPECT_TRUE(anna->getShownHelp() & 0x40000) << "help stays off for the profile made";
    host.seconds(1.0);
    EXPECT_EQ(GameHost::activeMenu(), L"PROFILE_MENU") << "no help over the list";

    // "Neu": the name entry, without help, and Enter makes the profile.
    ASSERT_TRUE(host.click(L"P_NEUButton"));
    ASSERT_TRUE(menuIs(host, L"NEUES_PROFILE_MENU")) << PlayThrough::narrow(GameHost::activeMenu());
    host.seconds(0.5);
    EXPECT_TRUE(GameHost::shown(L"NP_Fenster"));
    host.type("bert");
    host.key(PlayThrough::KEY_RETURN);
    ASSERT_TRUE(menuIs(host, L"PROFILE_MENU"));
    EXPECT_EQ(profiles->getProfileCount(), 2);
    Profil* bert = profiles->getActiveProfile();
    ASSERT_NE(bert, nullptr);
    EXPECT_EQ(bert->getName(), L"bert");
    EXPECT_TRUE(bert->getShownHelp() & 0x40000);
    host.seconds(1.0);
    // Enter on the list goes on with the chosen profile.
    host.key(PlayThrough::KEY_RETURN);
    ASSERT_TRUE(menuIs(host, L"HAUPTMENU"));

    // The help pages stand one below the other with equal gaps, before and after the wheel
    // scrolled them.
    ASSERT_TRUE(host.click(L"H_Hilfe"));
    ASSERT_TRUE(menuIs(host, L"HILFE_MENU"));
    host.seconds(1.0);
    const auto gaps = [] {
        std::vector<float> between;
        for (int n = 0; GameHost::findWindow(L"H_HILFE_PAGE_" + std::to_wstring(n + 1)); ++n) {
            float bottom = GameHost::findWindow(L"H_HILFE_PAGE_" + std::to_wstring(n))->getScreenRect().bottom;
            // The wrath stone's picture stands between the second page and the one about the wrath.
            const Ulvo::GUIWindow* picture = GameHost::findWindow(L"H_HILFE_ZORN_BILD");
            if (picture && n + 1 == 2)
                bottom += picture->getScreenRect().bottom - picture->getScreenRect().top;
            between.push_back(GameHost::findWindow(L"H_HILFE_PAGE_" + std::to_wstring(n + 1))->getScreenRect().top -
                              bottom);
        }
        return between;
    };
    const std::vector<float> before = gaps();
    ASSERT_FALSE(before.empty());
    for (float gap : before)
        EXPECT_FLOAT_EQ(gap, 0.0f) << "each page ends where the next begins (its gap is its own)";
    for (int n = 0;
         auto* page = dynamic_cast<Ulvo::GUILabel*>(GameHost::findWindow(L"H_HILFE_PAGE_" + std::to_wstring(n))); ++n) {
        RECT text{};
        page->calcTextRect(text);
        EXPECT_GE(page->getScreenRect().bottom - page->getScreenRect().top, static_cast<float>(text.bottom - text.top))
            << "page " << n << " is shorter than its text: the next one overdraws it";
    }
    Ulvo::GUIWindow* first = GameHost::findWindow(L"H_HILFE_PAGE_0");
    const float top = first->getScreenRect().top;
    const Ulvo::FloatRect& panel = GameHost::findWindow(L"H_HilfeScroll")->getScreenRect();
    host.moveTo(static_cast<int>((panel.left + panel.right) / 2), static_cast<int>((panel.top + panel.bottom) / 2));
    PlatformInjectMouseWheel(host.window(), -2);
    host.frames(3);
    EXPECT_LT(first->getScreenRect().top, top - 10.0f) << "the wheel scrolled the pages";
    EXPECT_EQ(gaps(), before);
    host.key(PlayThrough::KEY_ESCAPE);
    ASSERT_TRUE(menuIs(host, L"HAUPTMENU"));

    // "Löschen" asks first, and Escape keeps the profile; deleting the active one of two
    // leaves the other one playing; the last one gone, a new profile is named.
    ASSERT_TRUE(host.click(L"H_Profil"));
    ASSERT_TRUE(menuIs(host, L"PROFILE_MENU"));
    ASSERT_TRUE(host.click(L"P_DELButton"));
    ASSERT_TRUE(menuIs(host, L"PROFILE_LOESCHEN_MENU"));
    host.seconds(0.5);
    host.key(PlayThrough::KEY_ESCAPE);
    ASSERT_TRUE(menuIs(host, L"PROFILE_MENU"));
    EXPECT_EQ(profiles->getProfileCount(), 2);
    host.seconds(0.5);
    ASSERT_TRUE(host.click(L"P_DELButton"));
    ASSERT_TRUE(menuIs(host, L"PROFILE_LOESCHEN_MENU"));
    host.seconds(0.5);
    ASSERT_TRUE(host.click(L"PL_JA"));
    ASSERT_TRUE(menuIs(host, L"PROFILE_MENU")) << PlayThrough::narrow(GameHost::activeMenu());
    ASSERT_EQ(profiles->getProfileCount(), 1);
    EXPECT_EQ(profiles->getActiveProfile(), profiles->getProfile(0)) << "the one left plays on";
    host.seconds(0.5);
    ASSERT_TRUE(host.click(L"P_DELButton"));
    ASSERT_TRUE(menuIs(host, L"PROFILE_LOESCHEN_MENU"));
    host.seconds(0.5);
    ASSERT_TRUE(host.click(L"PL_JA"));
    ASSERT_TRUE(Player::waitForMenu(host, L"NEUES_PROFILE_MENU"));
    EXPECT_EQ(profiles->getProfileCount(), 0);
    // Escape: back to the (empty) list; OK or Escape there lead to naming one again.
    host.seconds(0.5);
    host.key(PlayThrough::KEY_ESCAPE);
    ASSERT_TRUE(Player::waitForMenu(host, L"PROFILE_MENU"));
    host.seconds(0.5);
    host.key(PlayThrough::KEY_ESCAPE);
    ASSERT_TRUE(Player::waitForMenu(host, L"NEUES_PROFILE_MENU"));
    host.seconds(1.0);
    EXPECT_TRUE(GameHost::shown(L"NP_Fenster")) << "the name entry stands in front";
}

// A press on a locked stone beside the selected one picks nothing: no stone moves, the
// selection stays, and the wrath meter, which runs on the game clock alone, does not move for
// it; a swap without a run goes there and back and leaves the meter too.
TEST(ControllerPlayer, ARefusedSwapMovesNothingButTheStonesThereAndBackAndLeavesTheWrath)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("refused", [&] { refusedSwaps(folder); }));
}

bool pickable(const Feld* cell)
{
    return cell && cell->has(FeldFlag::Spielbar) && cell->getStone() && !cell->has(FeldFlag::Locked) &&
           !cell->has(FeldFlag::kUnavailable);
}

void clickCell(GameHost& host, int column, int row)
{
    POINT at{};
    ASSERT_TRUE(Player::cellPoint(host, column, row, at));
    host.click(at.x, at.y);
    host.frames(2);
}

void refusedSwaps(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(Player::createProfile(host, "ella"));
    Profil* player = ProfileManager::getInstance()->getActiveProfile();
    ASSERT_NE(player, nullptr);
    player->setShownHelp(ScreenRules::kHelpOff);
    // The fifth level is the first with locked stones.
    for (int i = 0; i < 4; ++i)
        player->nextLevel();
    ASSERT_TRUE(host.click(L"H_Start"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
    ASSERT_TRUE(Player::playNextLevel(host));
    Spielfeld* board = host.game().getBoard();
    ASSERT_NE(board, nullptr);
    int width = 0, height = 0;
    board->getSize(width, height);
    int lx = -1, ly = -1, nx = -1, ny = -1;
    for (int y = 0; y < height && lx < 0; ++y) {
        for (int x = 0; x < width && lx < 0; ++x) {
            const Feld* cell = board->getFeld(x, y);
            if (!cell || !cell->has(FeldFlag::Locked))
                continue;
            for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
                if (pickable(board->getFeld(x + dx, y + dy))) {
                    lx = x, ly = y, nx = x + dx, ny = y + dy;
                    break;
                }
            }
        }
    }
    ASSERT_GE(lx, 0) << "no locked stone beside a free one";
    Feld* locked = board->getFeld(lx, ly);
    Feld* free = board->getFeld(nx, ny);
    const Bildchen* lockedStone = locked->getStone();
    const Bildchen* freeStone = free->getStone();

    // Right after the meter's step, the clicks fall well inside its next interval.
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    Rohstoffklasse* wrath = globals->getRohstoffManager().getZornKlasse();
    ASSERT_NE(wrath, nullptr);
    const int before = wrath->getPunkte();
    ASSERT_TRUE(host.waitFor([&] { return wrath->getPunkte() != before; }, globals->getWrathInterval() + 1.0));
    const int stock = wrath->getPunkte();

    clickCell(host, nx, ny);
    ASSERT_EQ(board->getSelected(), free);
    clickCell(host, lx, ly);
    host.seconds(0.5);
    EXPECT_EQ(locked->getStone(), lockedStone);
    EXPECT_EQ(free->getStone(), freeStone);
    EXPECT_TRUE(locked->has(FeldFlag::Locked));
    EXPECT_EQ(board->getSelected(), free) << "the locked stone is not picked";
    EXPECT_EQ(wrath->getPunkte(), stock);

    // A swap without a run with another free neighbour: there and back, the stones stay.
    Feld* other = nullptr;
    for (int d = 0; d < 4 && !other; ++d) {
        Feld* candidate = free->getNeighbour(d);
        if (pickable(candidate) && candidate->getStone()->getTypId() != freeStone->getTypId() &&
            !candidate->wouldMatch(freeStone->getTypId(), 3, candidate->neighbourIndex(free)) &&
            !free->wouldMatch(candidate->getStone()->getTypId(), 3, free->neighbourIndex(candidate)))
            other = candidate;
    }
    if (other) {
        const Bildchen* otherStone = other->getStone();
        int ox = 0, oy = 0;
        board->findFeld(other, ox, oy);
        clickCell(host, ox, oy);
        EXPECT_TRUE(free->has(FeldFlag::Tausch)) << "the stones go there and back";
        host.seconds(1.0);
        EXPECT_EQ(free->getStone(), freeStone);
        EXPECT_EQ(other->getStone(), otherStone);
        EXPECT_EQ(board->getSelected(), nullptr);
    }
    EXPECT_EQ(wrath->getPunkte(), stock) << "a refused swap left the wrath";
}

// The wheel turned up over the help pages scrolls them and nothing else: the next level starts
// without the magnifier over its board, which the wheel opens and closes over the level.
TEST(ControllerPlayer, TheWheelOpensTheMagnifierOverTheLevelOnly)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("wheel", [&] { wheelOverScreens(folder); }));
}

void wheelOverScreens(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder, 1);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(Player::createProfile(host, "carl"));
    ProfileManager::getInstance()->getActiveProfile()->setShownHelp(0x40000);
    ASSERT_TRUE(Player::waitForMenu(host, L"HAUPTMENU"));
    ASSERT_TRUE(host.click(L"H_Hilfe"));
    ASSERT_TRUE(menuIs(host, L"HILFE_MENU"));
    host.seconds(1.0);
    const Ulvo::FloatRect& panel = GameHost::findWindow(L"H_HilfeScroll")->getScreenRect();
    host.moveTo(static_cast<int>((panel.left + panel.right) / 2), static_cast<int>((panel.top + panel.bottom) / 2));
    PlatformInjectMouseWheel(host.window(), -3);
    host.frames(2);
    PlatformInjectMouseWheel(host.window(), 3);
    host.frames(2);
    EXPECT_LT(host.game().getMagnifierFade().speed, 0.0f) << "the help's wheel opened the magnifier";
    host.key(PlayThrough::KEY_ESCAPE);
    ASSERT_TRUE(menuIs(host, L"HAUPTMENU"));
    ASSERT_TRUE(host.click(L"H_Start"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
    ASSERT_TRUE(Player::playNextLevel(host));
    host.seconds(1.0);
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 0.0f) << "the level starts under the magnifier";

    // Over the level the wheel opens it and closes it again.
    POINT cell{};
    ASSERT_TRUE(Player::cellPoint(host, 3, 3, cell));
    host.moveTo(cell.x, cell.y);
    PlatformInjectMouseWheel(host.window(), 1);
    host.seconds(0.5);
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 1.0f);
    PlatformInjectMouseWheel(host.window(), -1);
    host.seconds(0.5);
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 0.0f);
}

// Escape pressed in the very pass in which the wrath grows and its help opens: whatever the
// screen shows afterwards, the clock agrees with it (a pause that stands holds the level, a
// level shown running runs).
TEST(ControllerPlayer, EscapeAsTheWrathHintOpensLeavesThePauseAndTheClockAgreeing)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("wrath-hint", [&] { escapeAsTheWrathHintOpens(folder); }));
}

void escapeAsTheWrathHintOpens(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(Player::createProfile(host, "emil"));
    ASSERT_TRUE(Player::waitForMenu(host, L"HAUPTMENU"));
    auto* globals = static_cast<MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    globals->setUseZorn(true);
    ASSERT_TRUE(host.click(L"H_Start"));
    ASSERT_TRUE(Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"));
    ASSERT_TRUE(Player::playNextLevel(host));
    host.seconds(1.0);
    while (Player::dismissPopup(host)) {}
    ASSERT_EQ(GameHost::activeMenu(), L"THREEMATCH_INGAME_MENU");
    Spielfeld* board = host.game().getBoard();
    Rohstoffklasse* wrath = globals->getRohstoffManager().getZornKlasse();
    ASSERT_TRUE(board && wrath && !board->getLevelStones().empty());
    Rohstoff* stone = board->getLevelStones().front();
    host.game().wrathStages().assign(3, ThreeMatchGame::WrathStage{stone, stone, false});

    // The key and the stage's turn in the same passes.
    PlatformInjectKey(host.window(), PlayThrough::KEY_ESCAPE, true);
    wrath->spend(wrath->getPunkte() - globals->getWrathMax() * 70 / 100);
    host.frames(2);
    PlatformInjectKey(host.window(), PlayThrough::KEY_ESCAPE, false);
    host.seconds(1.5);
    EXPECT_TRUE(host.game().getWrathStages()[0].reached);
    if (GameHost::activeMenu() == L"THREEMATCH_HELP_MENU") {
        ASSERT_TRUE(host.click(L"THREEMATCH_HELP_OK"));
    }
    host.seconds(1.5);
    const std::wstring menu = GameHost::activeMenu();
    const double before = board->getRestTime();
    host.seconds(2.0);
    if (menu == L"THREEMATCH_INGAME_PAUSE_MENU") {
        EXPECT_DOUBLE_EQ(board->getRestTime(), before) << "the pause stands and the clock runs on";
        ASSERT_TRUE(host.click(L"PAUSE_Weiter"));
        host.seconds(1.5);
        const double resumed = board->getRestTime();
        host.seconds(1.0);
        EXPECT_LT(board->getRestTime(), resumed) << "Weiter did not let the level go on";
    } else {
        EXPECT_EQ(menu, L"THREEMATCH_INGAME_MENU");
        EXPECT_FALSE(GameHost::shown(L"PAUSE_Fenster"));
        EXPECT_LT(board->getRestTime(), before) << "the level stands still without its pause";
    }
}

} // namespace
