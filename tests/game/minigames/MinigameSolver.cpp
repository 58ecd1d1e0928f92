#include "MinigameSolver.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/austausch/Austausch.h"
#include "minigames/bauen/Bauen.h"
#include "minigames/drehbild/Drehbild.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/ring/Ring.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"

#include <algorithm>
#include <cmath>

using namespace ThreeMatch;

namespace MinigameSolver {

namespace {

D3DXVECTOR2 centre(const Puzzle::Teil& teil)
{
    const Ulvo::FloatRect r = teil.screenRect();
    return D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

Puzzle::Teil* target(const Puzzle& puzzle, const Puzzle::Teil& teil)
{
    for (Puzzle::Teil* ziel : puzzle.getZiele()) {
        if (ziel->id == teil.id)
            return ziel;
    }
    return nullptr;
}

// The open piece a press at the point picks: the topmost whose shape covers it.
const Puzzle::Teil* pickedAt(const Puzzle& puzzle, const D3DXVECTOR2& point)
{
    const std::vector<Puzzle::Teil*>& teile = puzzle.getTeile();
    for (auto it = teile.rbegin(); it != teile.rend(); ++it) {
        if ((*it)->open && (*it)->hits(point, true))
            return *it;
    }
    return nullptr;
}

const Bauen::Bauteil* pickedAt(const Bauen& game, const D3DXVECTOR2& point)
{
    const std::vector<Bauen::Bauteil*>& pieces = game.getPieces();
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        if (game.hitsFilledQuarter(**it, point))
            return *it;
    }
    return nullptr;
}

// A full cell of the piece whose middle no piece above covers.
bool grip(const Bauen& game, const Bauen::Bauteil& piece, int& i, int& j)
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

bool fits(const Bauen& game, const std::vector<Bauen::Bauteil*>& pieces, std::vector<uint32_t>& grid, size_t k,
          std::vector<std::pair<int, int>>& places)
{
    if (k == pieces.size())
        return true;
    const Bauen::Bauteil& piece = *pieces[k];
    for (int row = 0; row + piece.h <= game.getSizeY(); ++row) {
        for (int col = 0; col + piece.w <= game.getSizeX(); ++col) {
            bool free = true;
            for (int j = 0; j < piece.h && free; ++j) {
                for (int i = 0; i < piece.w && free; ++i)
                    free = !(grid[static_cast<size_t>((row + j) * game.getSizeX() + col + i)] &
                             piece.cells[static_cast<size_t>(j * piece.w + i)]);
            }
            if (!free)
                continue;
            // The piece's quarters go in and, when the rest fits nowhere, out again.
            auto toggle = [&] {
                for (int j = 0; j < piece.h; ++j) {
                    for (int i = 0; i < piece.w; ++i)
                        grid[static_cast<size_t>((row + j) * game.getSizeX() + col + i)] ^=
                            piece.cells[static_cast<size_t>(j * piece.w + i)];
                }
            };
            toggle();
            places[k] = {col, row};
            if (fits(game, pieces, grid, k + 1, places))
                return true;
            toggle();
        }
    }
    return false;
}

} // namespace

std::vector<uint32_t> way(const Schiebepuzzle_leicht& game)
{
    std::vector<uint32_t> cells;
    const uint32_t rows = game.getRows();
    if (rows == 0)
        return cells;
    int c = static_cast<int>(game.getGap() / rows), r = static_cast<int>(game.getGap() % rows);
    const int gc = static_cast<int>(game.getGoal() / rows), gr = static_cast<int>(game.getGoal() % rows);
    while (c != gc) {
        c += c < gc ? 1 : -1;
        cells.push_back(static_cast<uint32_t>(c) * rows + static_cast<uint32_t>(r));
    }
    while (r != gr) {
        r += r < gr ? 1 : -1;
        cells.push_back(static_cast<uint32_t>(c) * rows + static_cast<uint32_t>(r));
    }
    return cells;
}

std::vector<std::pair<int, int>> plan(const Bauen& game)
{
    std::vector<Bauen::Bauteil*> pieces = game.getPieces();
    std::vector<uint32_t> grid(static_cast<size_t>(game.getSizeX()) * game.getSizeY(), 0u);
    std::vector<std::pair<int, int>> places(pieces.size(), {-1, -1});
    if (!fits(game, pieces, grid, 0, places))
        places.clear();
    return places;
}

::testing::AssertionResult solvePuzzle(Puzzle& puzzle, const Hands& hands)
{
    int asides = 0;
    for (int move = 0; move < 60 && !puzzle.isFlagSet(false); ++move) {
        Puzzle::Teil* next = nullptr;
        for (Puzzle::Teil* teil : puzzle.getTeile()) {
            if (teil->open && target(puzzle, *teil) && pickedAt(puzzle, centre(*teil)) == teil)
                next = teil;
        }
        if (!next) {
            // The loose pieces lie under decoys: the decoy on top of the first goes below the
            // picture.
            const Puzzle::Teil* cover = nullptr;
            for (Puzzle::Teil* teil : puzzle.getTeile())
                cover = !cover && teil->open && target(puzzle, *teil) ? teil : cover;
            for (int depth = 0; cover && depth < 20 && target(puzzle, *cover); ++depth)
                cover = pickedAt(puzzle, centre(*cover));
            if (!cover || !puzzle.getSpielfeld())
                return ::testing::AssertionFailure() << "no piece to move at move " << move;
            const Ulvo::FloatRect& field = puzzle.getSpielfeld()->getScreenRect();
            const float step = (field.right - field.left) * 0.45f;
            hands.drag(centre(*cover),
                       D3DXVECTOR2(field.left + 30.0f + step * static_cast<float>(++asides % 2), field.bottom + 60.0f));
            continue;
        }
        hands.drag(centre(*next), centre(*target(puzzle, *next)));
        if (next->open)
            return ::testing::AssertionFailure() << "a piece dropped on its outline stayed loose at move " << move;
        hands.wait(0.1);
    }
    if (!puzzle.isFlagSet(false))
        return ::testing::AssertionFailure() << "the puzzle is not solved";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveSchiebepuzzle(Schiebepuzzle_leicht& game, const Hands& hands)
{
    for (const uint32_t cell : way(game)) {
        hands.click(game.cellCentre(cell));
        if (game.getGap() != cell)
            return ::testing::AssertionFailure() << "the gap did not move to " << cell;
        hands.wait(0.6);
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the gap is not on the goal";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveBauen(Bauen& game, const Hands& hands)
{
    const std::vector<Bauen::Bauteil*> pieces = game.getPieces();
    const std::vector<std::pair<int, int>> places = plan(game);
    if (places.empty())
        return ::testing::AssertionFailure() << "the pieces fit no plan";
    // The piece just moved aside waits a turn, so that what it covered goes first.
    const Bauen::Bauteil* aside = nullptr;
    for (int move = 0; move < 60 && !game.isFlagSet(false); ++move) {
        bool moved = false;
        // From the top of the stack down, so that a piece placed covers none still loose.
        const std::vector<Bauen::Bauteil*> stack(game.getPieces().rbegin(), game.getPieces().rend());
        for (size_t s = 0; s < stack.size() && !moved; ++s) {
            const size_t k = static_cast<size_t>(std::find(pieces.begin(), pieces.end(), stack[s]) - pieces.begin());
            Bauen::Bauteil& piece = *pieces[k];
            int i = 0, j = 0;
            if (&piece == aside || (piece.col == places[k].first && piece.row == places[k].second) ||
                !grip(game, piece, i, j))
                continue;
            hands.drag(game.cellCentre(piece, i, j), game.gridCellCentre(places[k].first + i, places[k].second + j));
            if (piece.col != places[k].first || piece.row != places[k].second)
                return ::testing::AssertionFailure() << "piece " << k << " did not snap to its place";
            moved = true;
        }
        aside = nullptr;
        if (moved)
            continue;
        // The pieces left to place are covered: the one on top of the first goes to the field's
        // far corner.
        const Bauen::Bauteil* covered = nullptr;
        for (size_t k = 0; k < pieces.size() && !covered; ++k)
            covered = pieces[k]->col != places[k].first || pieces[k]->row != places[k].second ? pieces[k] : nullptr;
        const Bauen::Bauteil* top = nullptr;
        for (int j = 0; covered && !top && j < covered->h; ++j) {
            for (int i = 0; !top && i < covered->w; ++i) {
                if (covered->cells[static_cast<size_t>(j * covered->w + i)] == 15)
                    top = pickedAt(game, game.cellCentre(*covered, i, j));
            }
        }
        if (!top || !game.getSpielfeld())
            return ::testing::AssertionFailure() << "no piece to move at move " << move;
        const Ulvo::FloatRect rect = game.screenRect(*top);
        const Ulvo::FloatRect& field = game.getSpielfeld()->getScreenRect();
        int i = 0, j = 0;
        if (!grip(game, *top, i, j))
            return ::testing::AssertionFailure() << "the top piece has no full cell";
        const D3DXVECTOR2 from = game.cellCentre(*top, i, j);
        hands.drag(from, from + D3DXVECTOR2(field.right - rect.right, field.bottom - rect.bottom));
        aside = top;
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the building is not solved";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveAustausch(Austausch& game, const Hands& hands)
{
    for (int move = 0; move < 100 && !game.isFlagSet(false); ++move) {
        const Austausch::Teil* away = nullptr;
        for (const Austausch::Teil* teil : game.getTeile())
            away = !away && teil->place != teil->home ? teil : away;
        if (!away) {
            // Every tile at home before a click: choosing one and taking it back tests the grid.
            if (game.getTeile().empty())
                return ::testing::AssertionFailure() << "no tiles";
            hands.click(game.cellCentre(game.getTeile().front()->place));
            hands.click(game.cellCentre(game.getTeile().back()->place));
            continue;
        }
        const int home = away->home;
        hands.click(game.cellCentre(away->place));
        if (game.getSelected() != away)
            return ::testing::AssertionFailure() << "a click on a tile did not select it at move " << move;
        hands.click(game.cellCentre(home));
        if (away->place != home)
            return ::testing::AssertionFailure() << "the tile did not go home at move " << move;
        hands.wait(0.3);
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the tiles are not home";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveDrehbild(Drehbild& game, const Hands& hands)
{
    for (const Drehbild::Teil* teil : game.getTeile()) {
        const int quarters = static_cast<int>(std::lround(teil->angle.end / 90.0f));
        const int clicks = ((-quarters) % 4 + 4) % 4;
        const Ulvo::FloatRect r = game.screenRect(*teil);
        for (int k = 0; k < clicks; ++k)
            hands.click(D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        if (!Drehbild::upright(teil->angle.end))
            return ::testing::AssertionFailure() << "tile " << teil->index << " did not come upright";
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the picture is not upright";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveRing(Ring& game, const Hands& hands)
{
    const D3DXVECTOR2 c = game.centre();
    const float scale = game.pixelsPerUnit();
    for (const Ring::Teil* ring : game.getRinge()) {
        if (!ring->turnable || game.isFlagSet(false))
            continue;
        const float radius = (ring->inner + ring->outer) / 2 * scale;
        float left = std::fmod(ring->angle, 360.0f);
        left = left < 0.0f ? left + 360.0f : left;
        // The shorter way round: back by the angle, or on to the full turn.
        float turn = left <= 180.0f ? -left : 360.0f - left;
        float at = -90.0f;
        while (std::fabs(turn) > 1e-3f && !game.isFlagSet(false)) {
            const float step = std::clamp(turn, -60.0f, 60.0f);
            const auto point = [&](float degrees) {
                const float radians = degrees / 57.295776f;
                return c + D3DXVECTOR2(std::cos(radians), std::sin(radians)) * radius;
            };
            hands.drag(point(at), point(at + step));
            if (game.getGrabbed())
                return ::testing::AssertionFailure() << "a ring stayed grabbed after the release";
            at += step;
            turn -= step;
        }
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the rings do not stand right";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solve(Minispiel& game, const Hands& hands)
{
    if (auto* puzzle = dynamic_cast<Puzzle*>(&game))
        return solvePuzzle(*puzzle, hands);
    if (auto* tiles = dynamic_cast<Schiebepuzzle_leicht*>(&game))
        return solveSchiebepuzzle(*tiles, hands);
    if (auto* bauen = dynamic_cast<Bauen*>(&game))
        return solveBauen(*bauen, hands);
    if (auto* austausch = dynamic_cast<Austausch*>(&game))
        return solveAustausch(*austausch, hands);
    if (auto* drehbild = dynamic_cast<Drehbild*>(&game))
        return solveDrehbild(*drehbild, hands);
    if (auto* ring = dynamic_cast<Ring*>(&game))
        return solveRing(*ring, hands);
    return ::testing::AssertionFailure() << "no player for this kind";
}

} // namespace MinigameSolver
