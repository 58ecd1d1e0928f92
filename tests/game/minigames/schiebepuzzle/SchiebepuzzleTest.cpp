// The sliding tiles: a scripted player clicks the gap's way to the goal through the GUI and the
// score is the time left over the limit; a tile not beside the gap changes nothing, a click
// during the cool-down waits for its end; input after the solution changes nothing; a
// definition with fewer than two cells or without tiles is logged and stays unsolvable.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"

#include <cstdlib>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using SchiebepuzzleTest = KindTest;
using MinigameSolver::way;

TEST_F(SchiebepuzzleTest, AScriptedPlayerMovesTheGapToTheGoalAndScoresTheTimeLeft)
{
    loadGames();
    Schiebepuzzle_leicht* game = find<Schiebepuzzle_leicht>(L"SCHIEBEPUZZLE_HOF");
    ASSERT_NE(game, nullptr);
    // A start where the goal lies at least three steps from the gap.
    play(*game);
    for (int k = 0; k < 20 && way(*game).size() < 3; ++k)
        play(*game);
    ASSERT_GE(way(*game).size(), 3u);
    EXPECT_EQ(game->getGrid()[game->getGap()], nullptr);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR(field.right - field.left, field.bottom - field.top, 1.0f) << "four by four keeps square";
    EXPECT_TRUE(matchesGolden(picture(), "schiebepuzzle_start"));

    // A tile away from the gap (diagonal or further) only says no.
    const uint32_t rows = game->getRows();
    for (uint32_t cell = 0; cell < game->getGrid().size(); ++cell) {
        const int dc = std::abs(static_cast<int>(cell / rows) - static_cast<int>(game->getGap() / rows));
        const int dr = std::abs(static_cast<int>(cell % rows) - static_cast<int>(game->getGap() % rows));
        if (dc + dr >= 2) {
            const uint32_t gap = game->getGap();
            click(game->cellCentre(cell));
            EXPECT_EQ(game->getGap(), gap);
            EXPECT_EQ(results.wrong, 1);
            break;
        }
    }

    const std::vector<uint32_t> steps = way(*game);
    for (size_t k = 0; k < steps.size(); ++k) {
        click(game->cellCentre(steps[k]));
        EXPECT_EQ(game->getGap(), steps[k]);
        if (k == 0) {
            // A click during the cool-down is kept and played once it ends.
            click(game->cellCentre(steps[1]));
            EXPECT_EQ(game->getGap(), steps[0]);
            frames(0.6);
            EXPECT_EQ(game->getGap(), steps[1]);
            k = 1;
        }
        frames(0.6);
    }
    ASSERT_TRUE(game->isFlagSet(false));
    EXPECT_EQ(results.right, static_cast<int>(steps.size()));
    const double left = game->getTimeLeft();
    // The gap shows the goal marker: its gold star at the cell's middle.
    const TestSupport::Image solved = picture();
    EXPECT_TRUE(matchesGolden(solved, "schiebepuzzle_solved"));
    const D3DXVECTOR2 goal = game->cellCentre(game->getGoal());
    const DWORD star = solved.at(static_cast<UINT>(goal.x / 2), static_cast<UINT>(goal.y / 2));
    EXPECT_GT(TestSupport::channel(star, 16), 200) << TestSupport::hex(star);
    EXPECT_GT(TestSupport::channel(star, 8), 140) << TestSupport::hex(star);
    EXPECT_LT(TestSupport::channel(star, 0), 140) << TestSupport::hex(star);
    // Input after the solution changes nothing.
    const uint32_t gap = game->getGap();
    for (uint32_t cell = 0; cell < game->getGrid().size(); ++cell)
        click(game->cellCentre(cell));
    EXPECT_EQ(game->getGap(), gap);
    frames(1.2);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 45.0, 1e-6);
}

TEST_F(SchiebepuzzleTest, OneClickSolvesATwoCellGridAndATimeOutScoresNothing)
{
    loadGames(LR"(<MINISPIEL TYPE="SCHIEBEPUZZLE_REV" NAME="ZWEI" SIZE="1 2" LSG_TIME="10" TIMER="0.5">
          <KACHEL_TEIL ANIMATION="SCHIEBEPUZZLE_KISTE"/></MINISPIEL>)");
    Schiebepuzzle_leicht* game = find<Schiebepuzzle_leicht>(L"ZWEI");
    ASSERT_NE(game, nullptr);
    play(*game);
    EXPECT_NE(game->getGap(), game->getGoal());
    for (int k = 0; k < 12; ++k)
        manager().update(1.0);
    click(game->cellCentre(game->getGoal()));
    EXPECT_TRUE(game->isFlagSet(false));
    frames(1.0);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_EQ(results.scores[0], 0.0f);
}

TEST_F(SchiebepuzzleTest, OneCellOrNoTileIsLoggedAndStaysUnsolvable)
{
    loadGames(
        LR"(<MINISPIEL TYPE="SCHIEBEPUZZLE_REV" NAME="EINS" SIZE="1"><KACHEL_TEIL ANIMATION="SCHIEBEPUZZLE_KISTE"/></MINISPIEL>
        <MINISPIEL TYPE="SCHIEBEPUZZLE_REV" NAME="LEER" SIZE="3 3"/>
        <MINISPIEL TYPE="SCHIEBEPUZZLE_REV" NAME="NULL" SIZE="0 5"><KACHEL_TEIL/></MINISPIEL>)");
    for (const wchar_t* name : {L"EINS", L"LEER", L"NULL"}) {
        Schiebepuzzle_leicht* game = find<Schiebepuzzle_leicht>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        EXPECT_TRUE(game->getGrid().empty());
        click(D3DXVECTOR2(320, 240));
        frames(0.3);
        EXPECT_FALSE(game->isFlagSet(false));
        picture();
    }
}

} // namespace
