// A level's screens as the player sees them: the result of a level whose time ran out fades in
// over the level, nothing of the level drawn over it; a target's splinters start on its cell.
#include "PlayThroughSupport.h"

#include "engine/UlvoEngine.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/controller/ScreenRules.h"
#include "threematch/controller/ThreeMatchGame.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelEmitter.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/profiles/Profil.h"
#include "threematch/profiles/ProfileManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using PlayThrough::GameHost;
using ThreeMatch::Spielfeld;
namespace Player = PlayThrough::Player;

namespace {

// A new profile, help off, in the town's first level.
bool firstLevel(GameHost& host)
{
    if (!host.running() || !Player::createProfile(host, "otto"))
        return false;
    ThreeMatch::ProfileManager::getInstance()->getActiveProfile()->setShownHelp(ThreeMatch::ScreenRules::kHelpOff);
    return host.click(L"H_Start") && Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU") && Player::playNextLevel(host);
}

// A target layer broken on the last cell of the level's bottom row that has one: its splinters
// fly from the middle of the cell as the board draws it.
void splintersOnTheirCell(Spielfeld& board)
{
    auto* globals = static_cast<ThreeMatch::MyGlobals*>(Ulvo::UlvoEngine::getInstance()->getUserGlobals());
    int width = 0, height = 0;
    board.getSize(width, height);
    ThreeMatch::Feld* target = nullptr;
    for (int y = 0; y < height && !target; ++y) {
        for (int x = width - 1; x >= 0 && !target; --x) {
            ThreeMatch::Feld* cell = board.getFeld(x, height - 1 - y);
            if (cell && cell->has(ThreeMatch::FeldFlag::kZiel))
                target = cell;
        }
    }
    ASSERT_NE(target, nullptr);
    const ThreeMatch::PartikelManager& particles = globals->getPartikelManager();
    const std::size_t before = particles.getEmitters().size();
    target->finishExplosion();
    ASSERT_EQ(particles.getEmitters().size(), before + 1);
    const ThreeMatch::PartikelEmitter& splinters = *particles.getEmitters().back();
    const RECT r = target->screenRect(globals->getBoardViewOffset(), globals->getBoardViewScale());
    EXPECT_NEAR(splinters.getX(), (r.left + r.right) / 2.0f, 1.0f);
    EXPECT_NEAR(splinters.getY(), (r.top + r.bottom) / 2.0f, 1.0f);
}

void timeUp(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(firstLevel(host));
    Spielfeld* board = host.game().getBoard();
    splintersOnTheirCell(*board);
    // The clock runs down to its last second.
    board->setBonusTime(1.0 - board->getTimeLeft(), 0.0);
    ASSERT_TRUE(host.waitFor([board] { return board->getState() != Spielfeld::Laeuft; }, 5.0));
    ASSERT_TRUE(host.waitFor([] { return GameHost::activeMenu() == L"THREEMATCH_AUSWERTUNG_LOSE_MENU"; }, 10.0));
    const Ulvo::GUIWindow* dialog = GameHost::findWindow(L"THREEMATCHAUSWERTUNG_LOSE");
    const Ulvo::GUIWindow* level = GameHost::findWindow(L"IG_Ebene");
    ASSERT_TRUE(dialog && level);
    const auto root = [](const Ulvo::GUIWindow* window) {
        while (window->getParent())
            window = window->getParent();
        return window;
    };
    const std::vector<Ulvo::GUIWindow*>& order = Ulvo::GUISystem::getInstance()->windows();
    const auto place = [&order](const Ulvo::GUIWindow* window) {
        return std::find(order.begin(), order.end(), window) - order.begin();
    };
    // Every frame of the fade-in the GUI draws the level first and the result over it: nothing
    // of the level (its frame, its picture) comes over the dialog.
    const Ulvo::FloatRect r = dialog->getScreenRect();
    const POINT edge{static_cast<LONG>(r.left + 4.0f), static_cast<LONG>((r.top + r.bottom) / 2)};
    const TestSupport::Image before = host.screen(1);
    for (int i = 0; i < 30; ++i) {
        host.frames(1);
        EXPECT_LT(place(root(level)), place(root(dialog))) << "frame " << i;
    }
    // Faded in, the dialog's wooden edge stands where the level's parchment was.
    const TestSupport::Image after = host.screen(1);
    EXPECT_FALSE(TestSupport::near(before.at(edge.x, edge.y), after.at(edge.x, edge.y), 40));
}

// Frames that draw the board's picture only where it changed show what drawing it whole shows:
// the board at rest, the pointer crossing it, a swap, the stones clearing, falling and their
// points.
void boardInPart(const PlayThrough::RunFolder& folder)
{
    GameHost host(folder);
    ASSERT_TRUE(firstLevel(host));
    ThreeMatch::ThreeMatchGame& game = host.game();
    Spielfeld* board = game.getBoard();
    ASSERT_TRUE(board);
    host.seconds(5.0); // the roll-in
    int inPart = 0, laidInPart = 0, mismatches = 0;
    auto compareFrames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            host.frames(1);
            inPart += game.boardRedrawnInPart() ? 1 : 0;
            laidInPart += game.boardLaidInPart() ? 1 : 0;
            const TestSupport::Image drawn = host.screen(1);
            // The same frame again, the board's picture drawn whole.
            game.redrawBoardWhole();
            game.render();
            const TestSupport::Image whole = host.screen(1);
            if (drawn.pixels != whole.pixels && ++mismatches <= 3)
                ADD_FAILURE() << "frame " << i << " differs from the board drawn whole";
        }
    };
    compareFrames(8);
    // The pointer crossing the board.
    POINT start{};
    ASSERT_TRUE(Player::cellPoint(host, 1, 1, start));
    for (int i = 0; i < 8; ++i) {
        host.moveTo(start.x + 9 * i, start.y + 6 * i);
        compareFrames(1);
    }
    for (int swaps = 0; swaps < 2; ++swaps) {
        ThreeMatch::Feld* first = nullptr;
        ThreeMatch::Feld* second = nullptr;
        int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
        POINT p1{}, p2{};
        ASSERT_TRUE(Player::chooseMove(*board, first, second) && board->findFeld(first, c1, r1) &&
                    board->findFeld(second, c2, r2) && Player::cellPoint(host, c1, r1, p1) &&
                    Player::cellPoint(host, c2, r2, p2));
        host.click(p1.x, p1.y);
        host.click(p2.x, p2.y);
        compareFrames(60);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(inPart, 20);
    EXPECT_GT(laidInPart, 20);
}

TEST(ControllerLevel, TheBoardDrawnWhereItChangedShowsTheWholeBoardsPixels)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("board", [&] { boardInPart(folder); }));
}

TEST(ControllerLevel, TheResultOfALevelLostByTimeFadesInOverTheLevel)
{
    PlayThrough::RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("level", [&] { timeUp(folder); }));
}

} // namespace
