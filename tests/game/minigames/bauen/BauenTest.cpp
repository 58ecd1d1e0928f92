// The building puzzle: a scripted player drags every piece of the house onto its place in the
// plan with the mouse, picking each by a filled quarter, and the score is the time left over
// the limit; two pieces may share a cell along a diagonal but never a quarter; a piece reaching
// past the grid fails the test; input after the solution changes nothing; a grid of SIZE 0 0
// is logged and stays unsolvable.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/bauen/Bauen.h"

#include <algorithm>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

struct Place {
    int col;
    int row;
};

class BauenTest : public KindTest {
protected:
    // The topmost piece with a filled quarter under the point, as a press picks it.
    static const Bauen::Bauteil* pickedAt(const Bauen& game, const D3DXVECTOR2& point)
    {
        const std::vector<Bauen::Bauteil*>& pieces = game.getPieces();
        for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
            if (game.hitsFilledQuarter(**it, point))
                return *it;
        }
        return nullptr;
    }
    // A full cell of the piece whose middle no piece above covers; false when there is none.
    static bool grip(const Bauen& game, const Bauen::Bauteil& piece, int& i, int& j)
    {
        for (j = 0; j < piece.h; ++j) {
            for (i = 0; i < piece.w; ++i) {
                if (piece.cells[static_cast<size_t>(j * piece.w + i)] == 15 &&
                    pickedAt(game, game.cellCentre(piece, i, j)) == &piece)
                    return true;
            }
        }
        return false;
    }
    // Moves pieces to their places; a piece covered everywhere is uncovered by moving the one
    // on top of it aside first.
    void solve(Bauen& game, const std::vector<Bauen::Bauteil*>& pieces, const std::vector<Place>& places)
    {
        // The piece just moved aside waits a turn, so that what it covered goes first.
        const Bauen::Bauteil* aside = nullptr;
        for (int move = 0; move < 40 && !game.isFlagSet(false); ++move) {
            bool moved = false;

            // From the top of the stack down, so that a piece placed covers none still loose.
            const std::vector<Bauen::Bauteil*> stack(game.getPieces().rbegin(), game.getPieces().rend());
            for (size_t s = 0; s < stack.size() && !moved; ++s) {
                const size_t k = static_cast<size_t>(std::find(pieces.begin(), pieces.end(), stack[s]) - pieces.begin());
                Bauen::Bauteil& piece = *pieces[k];
                int i = 0, j = 0;
                if (&piece == aside || (piece.col == places[k].col && piece.row == places[k].row) ||
                    !grip(game, piece, i, j))
                    continue;
                drag(game.cellCentre(piece, i, j), game.gridCellCentre(places[k].col + i, places[k].row + j));
                EXPECT_EQ(piece.col, places[k].col);
                EXPECT_EQ(piece.row, places[k].row);
                moved = true;
            }
            aside = nullptr;
            if (!moved) {
                // The pieces left to place are covered: the one on top of the first goes aside,
                // to the field's far corner.
                const Bauen::Bauteil* covered = nullptr;
                for (size_t k = 0; k < pieces.size() && !covered; ++k)
                    covered = pieces[k]->col != places[k].col || pieces[k]->row != places[k].row ? pieces[k] : nullptr;
                ASSERT_NE(covered, nullptr);
                int i = 0, j = 0;
                while (covered->cells[static_cast<size_t>(j * covered->w + i)] != 15 && ++i >= covered->w) {
                    i = 0;
                    ASSERT_LT(++j, covered->h);
                }
                const Bauen::Bauteil* top = pickedAt(game, game.cellCentre(*covered, i, j));
                ASSERT_NE(top, nullptr);
                const Ulvo::FloatRect rect = game.screenRect(*top);
                const Ulvo::FloatRect& field = game.getSpielfeld()->getScreenRect();
                const D3DXVECTOR2 from = game.cellCentre(*top, 0, 0);
                drag(from, from + D3DXVECTOR2(field.right - rect.right, field.bottom - rect.bottom));
                aside = top;
            }
        }
    }
};

TEST_F(BauenTest, AScriptedPlayerBuildsTheHouseAndScoresTheTimeLeft)
{
    loadGames();
    Bauen* game = find<Bauen>(L"BAUEN_HAUS");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getPieces().size(), 5u);
    play(*game);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR(field.right - field.left, field.bottom - field.top, 1.0f);
    EXPECT_TRUE(matchesGolden(picture(), "bauen_start"));
    const std::vector<Bauen::Bauteil*> pieces = game->getPieces();
    solve(*game, pieces, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}});
    ASSERT_TRUE(game->isFlagSet(false));
    const double left = game->getTimeLeft();
    // Input after the solution changes nothing.
    drag(game->cellCentre(*pieces[0], 0, 0), game->gridCellCentre(1, 2));
    EXPECT_EQ(pieces[0]->col, 0);
    EXPECT_EQ(pieces[0]->row, 0);
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "bauen_solved"));
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 120.0, 1e-6);
}

TEST_F(BauenTest, TwoPiecesShareACellAlongTheDiagonalButNeverAQuarter)
{
    loadGames(LR"(<MINISPIEL TYPE="BAUEN" NAME="DIAGONALE" SIZE="2 1">
          <OBJEKT SIZE="1 1" WERTE="3"/><OBJEKT SIZE="1 1" WERTE="12"/><OBJEKT SIZE="2 1" WERTE="0 15 99 99"/></MINISPIEL>)");
    Bauen* game = find<Bauen>(L"DIAGONALE");
    ASSERT_NE(game, nullptr);
    play(*game);
    const std::vector<Bauen::Bauteil*> pieces = game->getPieces();
    ASSERT_EQ(pieces[2]->cells.size(), 2u) << "values beyond the cells are left out";
    for (Bauen::Bauteil* piece : pieces) {
        piece->col = 0;
        piece->row = 0;
    }
    EXPECT_TRUE(game->solutionTest());
    pieces[1]->cells[0] = 13;
    EXPECT_FALSE(game->solutionTest()) << "the top quarter claimed twice";
    pieces[1]->cells[0] = 12;
    pieces[0]->col = 1;
    EXPECT_FALSE(game->solutionTest()) << "reaching past the grid";
    // The upper right half picks its piece; a press on the lower left half reaches the other.
    pieces[0]->col = 0;
    const D3DXVECTOR2 middle = game->cellCentre(*pieces[0], 0, 0);
    EXPECT_TRUE(game->hitsFilledQuarter(*pieces[0], middle + D3DXVECTOR2(10, -3)));
    EXPECT_FALSE(game->hitsFilledQuarter(*pieces[0], middle + D3DXVECTOR2(-3, 10)));
    EXPECT_TRUE(game->hitsFilledQuarter(*pieces[1], middle + D3DXVECTOR2(-3, 10)));
}

TEST_F(BauenTest, AGridOfNoCellsIsLoggedAndStaysUnsolvable)
{
    loadGames(LR"(<MINISPIEL TYPE="BAUEN" NAME="NICHTS" SIZE="0 0"><OBJEKT SIZE="1 1" WERTE="15"/><OBJEKT/></MINISPIEL>)");
    Bauen* game = find<Bauen>(L"NICHTS");
    ASSERT_NE(game, nullptr);
    play(*game);
    for (const Bauen::Bauteil* piece : game->getPieces())
        EXPECT_LT(piece->col, 0);
    drag(D3DXVECTOR2(320, 240), D3DXVECTOR2(330, 250));
    EXPECT_FALSE(game->solutionTest());
    EXPECT_FALSE(game->isFlagSet(false));
    picture();
}

} // namespace
