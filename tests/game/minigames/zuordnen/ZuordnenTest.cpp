// The sorting game: the goods start on the shelves inside the work area; a good dropped over two
// areas lands on the one it overlaps most; OK with a wrong placement flashes the wrong goods and
// areas, emits failed and leaves everything where it lies; a scripted player drags every good
// to its room (or shares the sacks so the pans balance, where only the sums count) and the
// score comes at once. An ANORDNUNG of 0 is one column, the automatic grid is the square root.
#include "KindTestSupport.h"

#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/zuordnen/MinispielZuordnen.h"

#include <algorithm>

using namespace ThreeMatch;
using KindTesting::KindTest;
using MinigameSolver::centre;

namespace {

using ZuordnenTest = KindTest;
using Gebiet = MinispielZuordnen::Gebiet;
using Gegenstand = MinispielZuordnen::Gegenstand;

bool inside(const Ulvo::FloatRect& inner, const Ulvo::FloatRect& outer)
{
    return inner.left >= outer.left - 0.5f && inner.top >= outer.top - 0.5f && inner.right <= outer.right + 0.5f &&
           inner.bottom <= outer.bottom + 0.5f;
}

TEST_F(ZuordnenTest, AWrongPlacementFlashesAndFailsAndAScriptedPlayerSortsTheGoods)
{
    loadGames();
    auto* game = find<MinispielZuordnen>(L"ZUORDNEN_LAGER");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<Gebiet*>& areas = game->getGebiete();
    const std::vector<Gegenstand*>& items = game->getGegenstaende();
    ASSERT_EQ(areas.size(), 3u);
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(game->getAblagen().size(), 2u);
    for (const Gegenstand* item : items) {
        EXPECT_EQ(item->targets.size(), 1u);
        EXPECT_TRUE(inside(item->window->getScreenRect(), game->getArbeitsFlaeche()->getScreenRect()));
    }
    EXPECT_TRUE(matchesGolden(picture(), "zuordnen_start"));

    // The apple into the workshop, the rest left on the shelves.
    Gegenstand& apple = *items[0];
    MinigameSolver::dragWindow(*apple.window, centre(*areas[1]->window), hands());
    ASSERT_EQ(apple.area, areas[1]);
    EXPECT_EQ(results.right, 1);
    EXPECT_EQ(results.wrong, 0);
    const Ulvo::FloatRect where = apple.window->getScreenRect();
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.failed, 1);
    EXPECT_FALSE(game->isFlagSet(false));
    EXPECT_EQ(apple.flashLeft, apple.flashLength);
    EXPECT_EQ(areas[1]->flashLeft, areas[1]->flashLength) << "an apple is too many for the workshop";
    EXPECT_EQ(areas[0]->flashLeft, areas[0]->flashLength) << "the larder holds fewer than three";
    EXPECT_EQ(apple.window->getScreenRect().left, where.left) << "a failed check moves nothing";
    EXPECT_EQ(apple.area, areas[1]);
    frames(2.1);
    EXPECT_LE(apple.flashLeft, 0.0f);

    // Picking it up takes it off the area.
    mouseTo(MinigameSolver::uncovered(*apple.window));
    mouseDown();
    EXPECT_EQ(apple.area, nullptr);
    mouseUp();
    ASSERT_TRUE(MinigameSolver::solveZuordnen(*game, hands()));
    ASSERT_EQ(results.scores.size(), 1u) << "at once";
    EXPECT_NEAR(results.scores[0], game->getTimeLeft() / 60.0, 1e-6);
    for (const Gebiet* area : areas)
        EXPECT_EQ(area->count, 3);
    EXPECT_TRUE(matchesGolden(picture(), "zuordnen_solved"));
}

// A press goes to the good whose picture is under the pointer, not to a square's clear corner,
// and the goods start side by side on the shelves, whatever the draws.
TEST_F(ZuordnenTest, APressTakesTheDrawnGoodAndTheGoodsStartApart)
{
    loadGames();
    auto* game = find<MinispielZuordnen>(L"ZUORDNEN_LAGER");
    ASSERT_NE(game, nullptr);
    play(*game);
    for (unsigned seed = 1; seed <= 10; ++seed) {
        crt_srand(seed);
        game->start();
        frames(0.1);
        const std::vector<Gegenstand*>& items = game->getGegenstaende();
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Ulvo::FloatRect r = items[i]->window->getScreenRect();
            const float size = (r.right - r.left) * (r.bottom - r.top);
            for (std::size_t j = 0; j < i; ++j) {
                const Ulvo::FloatRect o = items[j]->window->getScreenRect();
                const float w = std::min(r.right, o.right) - std::max(r.left, o.left);
                const float h = std::min(r.bottom, o.bottom) - std::max(r.top, o.top);
                // The pictures keep clear margins: squares overlapping by a third leave the goods apart.
                EXPECT_LT(w > 0.0f && h > 0.0f ? w * h : 0.0f, 0.4f * size)
                    << "seed " << seed << ": goods " << j << " and " << i << " lie on each other";
            }
        }
    }
    for (const Gegenstand* item : game->getGegenstaende()) {
        const Ulvo::FloatRect r = item->window->getScreenRect();
        EXPECT_NE(Ulvo::GUISystem::getInstance()->getWindowAt(r.left + 1, r.top + 1, Ulvo::GUIWindow::HIT_PRESS),
                  item->window)
            << "a press on a clear corner takes no good";
        D3DXVECTOR2 at;
        EXPECT_TRUE(MinigameSolver::uncovered(*item->window, at)) << "its picture takes the press";
    }
}

TEST_F(ZuordnenTest, TheSacksBalanceByTheirSumsAlone)
{
    loadGames();
    auto* game = find<MinispielZuordnen>(L"ZUORDNEN_WAAGE");
    ASSERT_NE(game, nullptr);
    play(*game);
    ASSERT_EQ(game->getSumTargets().size(), 2u);
    const std::vector<Gegenstand*>& items = game->getGegenstaende();
    // Every sack on the left pan: no place is checked, but the sums are not met.
    const Ulvo::FloatRect& pan = game->getGebiete()[0]->window->getScreenRect();
    std::vector<Gegenstand*> left = items;
    for (size_t k = 0; k < items.size(); ++k) {
        // The first sack that none lies on.
        D3DXVECTOR2 grip;
        auto free = std::find_if(left.begin(), left.end(), [&grip](const Gegenstand* item) {
            return MinigameSolver::uncovered(*item->window, grip);
        });
        ASSERT_NE(free, left.end());
        Gegenstand& item = **free;
        left.erase(free);
        const float w = item.window->getScreenRect().right - item.window->getScreenRect().left;
        const D3DXVECTOR2 to(pan.left + w * (0.6f + 0.45f * k), pan.bottom - 0.55f * w);
        hands().drag(grip, to + grip - centre(*item.window));
        ASSERT_EQ(item.area, game->getGebiete()[0]);
    }
    click(centre(*game->getOkButton()));
    EXPECT_EQ(results.failed, 1);
    for (const Gegenstand* item : items)
        EXPECT_EQ(item->flashLeft, 0.0f);
    EXPECT_GT(game->getGebiete()[1]->flashLeft, 0.0f);
    ASSERT_TRUE(MinigameSolver::solveZuordnen(*game, hands()));
    EXPECT_EQ(results.scores.size(), 1u);
}

TEST_F(ZuordnenTest, TheLargerOverlapWinsAndTheGridNeverDividesByZero)
{
    const std::wstring areas = LR"(<GEBIET NAME="A" GUI="ZUORDNEN_GEBIET"/><GEBIET NAME="B" GUI="ZUORDNEN_GEBIET"/>
        <GEBIET NAME="C" GUI="ZUORDNEN_GEBIET"/><GEBIET NAME="D" GUI="ZUORDNEN_GEBIET"/>
        <GEBIET NAME="E" GUI="ZUORDNEN_GEBIET"/><GEBIET NAME="F" GUI="ZUORDNEN_GEBIET"/>
        <GEBIET NAME="G" GUI="ZUORDNEN_GEBIET"/><GEBIET NAME="H" GUI="ZUORDNEN_GEBIET"/>
        <GEBIET NAME="I" GUI="ZUORDNEN_GEBIET"/><GEBIET NAME="J" GUI="ZUORDNEN_GEBIET"/>
        <GEGENSTAND NAME="X" GUI="ZUORDNEN_GEGENSTAND" ZIEL_GEBIET="A" WEITERES="B"/>)";
    loadGames(L"<MINISPIEL TYPE=\"ZUORDNEN\" NAME=\"NULL\" ANORDNUNG=\"0\">" + areas +
              L"</MINISPIEL><MINISPIEL TYPE=\"ZUORDNEN\" NAME=\"AUTO\" ANORDNUNG=\"\">" + areas + L"</MINISPIEL>");
    auto* zero = find<MinispielZuordnen>(L"NULL");
    auto* automatic = find<MinispielZuordnen>(L"AUTO");
    ASSERT_NE(zero, nullptr);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(zero->getGridColumns(), 1);
    EXPECT_EQ(zero->getGridRows(), 10);
    EXPECT_EQ(automatic->getGridColumns(), 3) << "the square root of ten";
    EXPECT_EQ(automatic->getGridRows(), 3);
    const Gegenstand& x = *automatic->getGegenstaende()[0];
    EXPECT_EQ(x.targets.size(), 2u) << "every attribute that names an area";

    play(*automatic);
    // Dropped across A and B, a little more over B: B. Then a little more over A: A.
    const Ulvo::FloatRect& a = automatic->getGebiete()[0]->window->getScreenRect();
    const Ulvo::FloatRect& b = automatic->getGebiete()[1]->window->getScreenRect();
    const float seam = (a.right + b.left) / 2;
    MinigameSolver::dragWindow(*x.window, D3DXVECTOR2(seam + 3, (a.top + a.bottom) / 2), hands());
    EXPECT_EQ(x.area, automatic->getGebiete()[1]);
    MinigameSolver::dragWindow(*x.window, D3DXVECTOR2(seam - 3, (a.top + a.bottom) / 2), hands());
    EXPECT_EQ(x.area, automatic->getGebiete()[0]);
    // Dragged far out of the work area, it is kept inside.
    MinigameSolver::dragWindow(*x.window, D3DXVECTOR2(2000, 2000), hands());
    EXPECT_TRUE(inside(x.window->getScreenRect(), automatic->getArbeitsFlaeche()->getScreenRect()));
    picture();
}

TEST_F(ZuordnenTest, TheFlashRunsItsTrackBackwards)
{
    // Half-transparent red for the first second of the two, fading out, then once more.
    EXPECT_FLOAT_EQ(MinispielZuordnen::flashAlpha(1.0f), 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(MinispielZuordnen::flashAlpha(0.6f), 128.0f / 255.0f);
    EXPECT_NEAR(MinispielZuordnen::flashAlpha(0.375f), 64.0f / 255.0f, 1e-6);
    EXPECT_NEAR(MinispielZuordnen::flashAlpha(0.2499f), 128.0f / 255.0f, 1e-3);
    EXPECT_FLOAT_EQ(MinispielZuordnen::flashAlpha(0.0f), 0.0f);
}

// A room's window is the box it draws (its picture with its name), so that a wrong answer's flash
// (the window's outline) frames the room the player sees and not the grid cell around it.
TEST_F(ZuordnenTest, EachRoomsWindowIsItsDrawnBox)
{
    loadGames();
    for (const wchar_t* name : {L"ZUORDNEN_LAGER", L"ZUORDNEN_WAAGE"}) {
        MinispielZuordnen* game = find<MinispielZuordnen>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        const TestSupport::Image with = render(GUITesting::kScreenWidth, GUITesting::kScreenHeight, 0xFF202830);
        for (const Gebiet* area : game->getGebiete()) {
            ASSERT_NE(area->window, nullptr);
            // What the room draws: the pixels that change when it is hidden.
            area->window->getOptions().visible = false;
            const TestSupport::Image without = render(GUITesting::kScreenWidth, GUITesting::kScreenHeight, 0xFF202830);
            area->window->getOptions().visible = true;
            int x0 = static_cast<int>(with.width), y0 = static_cast<int>(with.height), x1 = -1, y1 = -1;
            for (UINT y = 0; y < with.height; ++y) {
                for (UINT x = 0; x < with.width; ++x) {
                    if (TestSupport::near(with.at(x, y), without.at(x, y), 8))
                        continue;
                    x0 = std::min(x0, static_cast<int>(x)), y0 = std::min(y0, static_cast<int>(y));
                    x1 = std::max(x1, static_cast<int>(x) + 1), y1 = std::max(y1, static_cast<int>(y) + 1);
                }
            }
            const Ulvo::FloatRect& window = area->window->getScreenRect();
            const std::string which = std::string(name, name + std::wcslen(name)) + " " +
                                      std::string(area->getName().begin(), area->getName().end());
            ASSERT_GE(x1, 0) << which << " draws nothing";
            EXPECT_NEAR(static_cast<float>(x0), window.left, 2.0f) << which;
            EXPECT_NEAR(static_cast<float>(y0), window.top, 2.0f) << which;
            EXPECT_NEAR(static_cast<float>(x1), window.right, 2.0f) << which;
            EXPECT_NEAR(static_cast<float>(y1), window.bottom, 2.0f) << which;
        }
    }
}

} // namespace
