// The building puzzle: a scripted player drags every piece of the house onto its place in the
// plan with the mouse, picking each by a filled quarter, and the score is the time left over
// the limit; two pieces may share a cell along a diagonal but never a quarter; a piece reaching
// past the grid fails the test; input after the solution changes nothing; a grid of SIZE 0 0
// is logged and stays unsolvable.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "minigames/bauen/Bauen.h"

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using BauenTest = KindTest;

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
    const std::vector<std::pair<int, int>> plan = MinigameSolver::plan(*game);
    ASSERT_EQ(plan.size(), pieces.size()) << "the house has a plan";
    ASSERT_TRUE(MinigameSolver::solveBauen(*game, hands()));
    const double left = game->getTimeLeft();
    // Input after the solution changes nothing.
    drag(game->cellCentre(*pieces[0], 0, 0), game->gridCellCentre(1, 2));
    EXPECT_EQ(pieces[0]->col, plan[0].first);
    EXPECT_EQ(pieces[0]->row, plan[0].second);
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "bauen_solved"));
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 120.0, 1e-6);
}

// However the pieces fall at the start, each lies wholly inside the field: one snapped at the
// field's edge takes the last column or row it fits, not one it would overhang.
TEST_F(BauenTest, EveryPieceStartsInsideTheField)
{
    loadGames();
    for (const wchar_t* name : {L"BAUEN_HAUS", L"BAUEN_TURM"}) {
        Bauen* game = find<Bauen>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        const Ulvo::FloatRect field = game->getSpielfeld()->getScreenRect();
        for (unsigned seed = 1; seed <= 40; ++seed) {
            crt_srand(seed);
            game->start();
            for (const Bauen::Bauteil* piece : game->getPieces()) {
                const Ulvo::FloatRect r = game->screenRect(*piece);
                EXPECT_TRUE(r.left >= field.left - 0.5f && r.top >= field.top - 0.5f && r.right <= field.right + 0.5f &&
                            r.bottom <= field.bottom + 0.5f)
                    << "seed " << seed << ": a piece of " << piece->w << " x " << piece->h << " at column "
                    << piece->col << ", row " << piece->row << " hangs past the field";
            }
        }
    }
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
    loadGames(
        LR"(<MINISPIEL TYPE="BAUEN" NAME="NICHTS" SIZE="0 0"><OBJEKT SIZE="1 1" WERTE="15"/><OBJEKT/></MINISPIEL>)");
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

namespace {

// The moves the game lists for the console, dragged at whole pixels and dropped a pixel short as a
// hand on the screen drags them, land where the list has them: each game of the kind is solved by its first list, however
// its pieces fall. A piece moved aside to the field's far corner lies on the border between
// snapping into the last cell and staying out; a drop a pixel short of it must not snap in.
TEST_F(BauenTest, TheListedMovesDraggedAtWholePixelsSolveEveryDeal)
{
    loadGames();
    const auto pixel = [](const D3DXVECTOR2& p) { return D3DXVECTOR2(std::round(p.x), std::round(p.y)); };
    // A hand stops up to a pixel short of where it aims.
    const auto short1 = [](const D3DXVECTOR2& from, const D3DXVECTOR2& to) {
        const auto step = [](float a, float b) { return b > a ? -1.0f : b < a ? 1.0f : 0.0f; };
        return D3DXVECTOR2(std::round(to.x) + step(from.x, to.x), std::round(to.y) + step(from.y, to.y));
    };
    for (const wchar_t* name : {L"BAUEN_HAUS", L"BAUEN_TURM"}) {
        Bauen* game = find<Bauen>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        for (unsigned seed = 1; seed <= 30; ++seed) {
            crt_srand(seed);
            game->start();
            MinispielZuege zuege;
            game->naechsteZuege(zuege);
            ASSERT_FALSE(zuege.empty()) << "seed " << seed;
            for (const MinispielZug& zug : zuege) {
                mouseTo(pixel(zug.from));
                mouseDown();
                mouseTo(short1(zug.from, zug.to));
                frames(0.05);
                mouseUp();
                frames(0.05);
            }
            EXPECT_TRUE(game->isFlagSet(false)) << std::string(name, name + std::wcslen(name)) << ", seed " << seed
                                                << ": " << zuege.size() << " listed moves left it unsolved";
        }
    }
}

} // namespace

namespace {

// What a piece shows is what a press on it takes: every piece of both plans is opaque over its
// filled quarters and transparent over its empty ones, outline included. Pixels within a pixel
// and a half of a quarter's edge are left to the edge's smoothing.
TEST_F(BauenTest, EachPiecesPictureIsTransparentExactlyOnItsEmptyQuarters)
{
    loadGames();
    for (const auto& [name, sheet] :
         {std::pair{L"BAUEN_HAUS", "bauen_haus_teile.png"}, std::pair{L"BAUEN_TURM", "bauen_turm_teile.png"}}) {
        Bauen* game = find<Bauen>(name);
        ASSERT_NE(game, nullptr);
        TestSupport::Image image;
        ASSERT_TRUE(TestSupport::readPng((TestSupport::runtimeDir() / "data" / "Games" / sheet).string(), image));
        int piece = 0;
        for (const Bauen::Bauteil* part : game->getPieces()) {
            ++piece;
            ASSERT_NE(part->animation, nullptr);
            const Ulvo::Texture2DAnimationFrame* frame = part->animation->getCurrentTexture();
            ASSERT_NE(frame, nullptr);
            const RECT r = frame->rect;
            ASSERT_EQ(r.right - r.left, 64 * part->w) << sheet << " piece " << piece;
            ASSERT_EQ(r.bottom - r.top, 64 * part->h) << sheet << " piece " << piece;
            ASSERT_LE(static_cast<UINT>(r.right), image.width);
            ASSERT_LE(static_cast<UINT>(r.bottom), image.height);
            int wrong = 0;
            std::string first;
            for (LONG y = r.top; y < r.bottom; ++y) {
                for (LONG x = r.left; x < r.right; ++x) {
                    // The pixel's centre in its cell, from the cell's centre.
                    const int i = (x - r.left) / 64, j = (y - r.top) / 64;
                    const float u = static_cast<float>((x - r.left) % 64) + 0.5f - 32.0f;
                    const float v = static_cast<float>((y - r.top) % 64) + 0.5f - 32.0f;
                    // Top 1, right 2, bottom 4, left 8: the triangle between an edge and the centre.
                    const int q = std::abs(v) >= std::abs(u) ? (v < 0.0f ? 0 : 2) : (u > 0.0f ? 1 : 3);
                    const float toDiagonal = std::abs(std::abs(u) - std::abs(v)) / std::sqrt(2.0f);
                    const float toEdge = 32.0f - std::max(std::abs(u), std::abs(v));
                    if (toDiagonal < 1.5f || toEdge < 1.5f)
                        continue;
                    const bool filled = part->cells[static_cast<size_t>(j * part->w + i)] & (1u << q);
                    const int alpha = TestSupport::channel(image.at(static_cast<UINT>(x), static_cast<UINT>(y)), 24);
                    if (filled ? alpha >= 250 : alpha <= 4)
                        continue;
                    if (wrong++ == 0)
                        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") alpha " +
                                std::to_string(alpha) + (filled ? " in a filled quarter" : " in an empty quarter");
                }
            }
            EXPECT_EQ(wrong, 0) << sheet << " piece " << piece << ": " << wrong << " pixels, the first " << first;
        }
    }
}

} // namespace
