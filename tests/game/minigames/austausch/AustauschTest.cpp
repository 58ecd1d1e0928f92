// The swapping tiles: a scripted player swaps every tile home through the GUI and the score is
// the time left over the limit; a chosen tile shows red, a second click on it takes it back;
// input after the solution changes nothing; seven tiles in three columns need three rows; with
// two tiles the shuffle leaves both at home; fewer than two tiles (or SPALTEN 0) are logged
// and neither hang nor crash.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/austausch/Austausch.h"

#include <algorithm>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using AustauschTest = KindTest;

bool allHome(const Austausch& game)
{
    return std::all_of(game.getTeile().begin(), game.getTeile().end(),
                       [](const Austausch::Teil* t) { return t->place == t->home; });
}

TEST_F(AustauschTest, AScriptedPlayerSwapsEveryTileHomeAndScoresTheTimeLeft)
{
    loadGames();
    Austausch* game = find<Austausch>(L"AUSTAUSCH_MARKT");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getTeile().size(), 9u);
    EXPECT_EQ(game->getZeilen(), 3);
    play(*game);
    ASSERT_FALSE(allHome(*game));
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR(field.right - field.left, field.bottom - field.top, 1.0f) << "three by three keeps square";
    EXPECT_TRUE(matchesGolden(picture(), "austausch_start"));

    // A chosen tile goes on top and shows red; a second click on it takes it back.
    Austausch::Teil* first = game->getTeile().front();
    const D3DXVECTOR2 at = game->cellCentre(first->place);
    click(at);
    EXPECT_EQ(game->getSelected(), first);
    EXPECT_TRUE(first->marked);
    EXPECT_EQ(game->getTeile().back(), first);
    const DWORD red = picture().at(static_cast<UINT>(at.x / 2), static_cast<UINT>(at.y / 2));
    EXPECT_LT(TestSupport::channel(red, 8), 8) << TestSupport::hex(red);
    EXPECT_LT(TestSupport::channel(red, 0), 8) << TestSupport::hex(red);
    click(at);
    EXPECT_EQ(game->getSelected(), nullptr);
    EXPECT_FALSE(first->marked);
    EXPECT_FALSE(game->isFlagSet(false));

    // A swap glides both tiles: halfway they stand between their cells.
    Austausch::Teil* a = game->getTeile()[0];
    Austausch::Teil* b = game->getTeile()[1];
    const int placeA = a->place, placeB = b->place;
    click(game->cellCentre(placeA));
    mouseTo(game->cellCentre(placeB));
    mouseDown();
    mouseUp();
    EXPECT_EQ(a->place, placeB);
    EXPECT_EQ(b->place, placeA);
    EXPECT_FALSE(a->marked);
    manager().update(0.125);
    EXPECT_GT(std::fabs(a->rect.value.x - a->rect.end.x) + std::fabs(a->rect.value.y - a->rect.end.y), 0.01f);
    frames(0.3);
    EXPECT_NEAR(a->rect.value.x, a->rect.end.x, 1e-6f);
    EXPECT_NEAR(a->rect.value.w, a->rect.end.w, 1e-6f);

    ASSERT_TRUE(MinigameSolver::solveAustausch(*game, hands()));
    EXPECT_TRUE(allHome(*game));
    const double left = game->getTimeLeft();
    frames(0.3);
    EXPECT_TRUE(matchesGolden(picture(), "austausch_solved"));
    // Input after the solution changes nothing.
    click(game->cellCentre(0));
    click(game->cellCentre(4));
    EXPECT_EQ(game->getSelected(), nullptr);
    EXPECT_TRUE(allHome(*game));
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 90.0, 1e-6);
    EXPECT_EQ(results.wrong, 0);
}

TEST_F(AustauschTest, SevenTilesNeedThreeRowsAndTwoTilesStartAtHome)
{
    loadGames(LR"(<MINISPIEL TYPE="AUSTAUSCH" NAME="SIEBEN" SPALTEN="3">
          <AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/>
          <AUSTAUSCH_TEIL/></MINISPIEL>
        <MINISPIEL TYPE="AUSTAUSCH" NAME="ZWEI" SPALTEN="2" TIMER="0.5">
          <AUSTAUSCH_TEIL ANIMATION="AUSTAUSCH_MARKT_0_0"/><AUSTAUSCH_TEIL ANIMATION="AUSTAUSCH_MARKT_1_0"/></MINISPIEL>)");
    Austausch* seven = find<Austausch>(L"SIEBEN");
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->getZeilen(), 3);
    const D3DXVECTOR4& last = seven->getTeile()[6]->homeRect;
    EXPECT_FLOAT_EQ(last.x, 0.0f);
    EXPECT_FLOAT_EQ(last.y, 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(last.z, 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(last.w, 1.0f);

    // Twenty exchanges of the same pair leave both at home; a click that selects nothing new
    // finds the game solved.
    Austausch* two = find<Austausch>(L"ZWEI");
    ASSERT_NE(two, nullptr);
    play(*two);
    EXPECT_TRUE(allHome(*two));
    EXPECT_FALSE(two->isFlagSet(false)) << "the test runs on clicks only";
    frames(0.5);
    EXPECT_FALSE(two->isFlagSet(false));
    const D3DXVECTOR2 tile = two->cellCentre(0);
    click(tile);
    EXPECT_FALSE(two->isFlagSet(false)) << "a selecting click does not test";
    click(tile);
    EXPECT_TRUE(two->isFlagSet(false));
    frames(1.0);
    EXPECT_EQ(results.scores.size(), 1u);
}

TEST_F(AustauschTest, FewerThanTwoTilesOrNoColumnsAreLoggedAndNeverHang)
{
    const wchar_t* one = LR"(<MINISPIEL TYPE="AUSTAUSCH" NAME="EINS"><AUSTAUSCH_TEIL ANIMATION="FEHLT"/></MINISPIEL>)";
    const wchar_t* none = LR"(<MINISPIEL TYPE="AUSTAUSCH" NAME="KEINS" SPALTEN="4"/>)";
    const wchar_t* zero =
        LR"(<MINISPIEL TYPE="AUSTAUSCH" NAME="NULL" SPALTEN="0"><AUSTAUSCH_TEIL/><AUSTAUSCH_TEIL/></MINISPIEL>)";
    const std::string logged = logOfMaking(one);
    EXPECT_NE(logged.find("EINS hat 1 AUSTAUSCH_TEIL"), std::string::npos) << logged;
    EXPECT_NE(logged.find("FEHLT"), std::string::npos) << "a missing picture is named";
    EXPECT_NE(logOfMaking(none).find("KEINS hat 0 AUSTAUSCH_TEIL"), std::string::npos);
    EXPECT_NE(logOfMaking(zero).find("SPALTEN 0"), std::string::npos);
    loadGames(std::wstring(one) + none + zero);
    Austausch* single = find<Austausch>(L"EINS");
    ASSERT_NE(single, nullptr);
    play(*single);
    EXPECT_EQ(single->getTeile()[0]->place, 0);
    ASSERT_TRUE(MinigameSolver::solveAustausch(*single, hands()));
    Austausch* column = find<Austausch>(L"NULL");
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->getSpalten(), 1);
    EXPECT_EQ(column->getZeilen(), 2);
    play(*column);
    ASSERT_TRUE(MinigameSolver::solveAustausch(*column, hands()));
    Austausch* empty = find<Austausch>(L"KEINS");
    ASSERT_NE(empty, nullptr);
    play(*empty);
    click(D3DXVECTOR2(320, 240));
    picture();
}

} // namespace
