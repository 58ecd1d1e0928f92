#include "MinigameSolver.h"

#include "gui/windows/GUIWindow.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "minigames/bauen/Bauen.h"
#include "minigames/memory/Memory.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"
#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"
#include "minigames/zuordnen/MinispielZuordnen.h"

#include <algorithm>

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

D3DXVECTOR2 centre(const Ulvo::GUIWindow& window)
{
    const Ulvo::FloatRect& r = window.getScreenRect();
    return D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

::testing::AssertionResult solveMemory(Memory& game, const Hands& hands)
{
    // A player who remembers every card: the pairs one after the other.
    for (int move = 0; move < 100 && !game.getClosedCards().empty(); ++move) {
        const std::vector<Memory::Teil*>& closed = game.getClosedCards();
        const Memory::Teil* first = closed.front();
        const Memory::Teil* second = nullptr;
        for (const Memory::Teil* card : closed)
            second = !second && card != first && card->id == first->id ? card : second;
        if (!second)
            return ::testing::AssertionFailure() << "a card without its pair";
        const D3DXVECTOR2 a = game.centre(*first), b = game.centre(*second);
        hands.click(a);
        hands.click(b);
        if (!first->faceUp || !second->faceUp)
            return ::testing::AssertionFailure() << "a pair did not stay open at move " << move;
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the pairs are not all found";
    return ::testing::AssertionSuccess();
}

namespace {

bool placeFrom(const MinispielZuordnen& game, size_t k, std::vector<int>& places)
{
    const std::vector<MinispielZuordnen::Gegenstand*>& items = game.getGegenstaende();
    const std::vector<MinispielZuordnen::Gebiet*>& areas = game.getGebiete();
    if (k == items.size()) {
        for (size_t s = 0; s < game.getSumAreas().size(); ++s) {
            int total = 0;
            for (size_t i = 0; i < items.size(); ++i) {
                const auto& summed = game.getSumAreas()[s];
                if (places[i] >= 0 &&
                    std::find(summed.begin(), summed.end(), areas[static_cast<size_t>(places[i])]) != summed.end())
                    total += items[i]->value;
            }
            if (total != game.getSumTargets()[s])
                return false;
        }
        return true;
    }
    // An item with targets goes onto one of them; one without onto any area, or stays.
    for (int a = -1; a < static_cast<int>(areas.size()); ++a) {
        const bool target = a >= 0 && items[k]->isTarget(areas[static_cast<size_t>(a)]);
        if (!items[k]->targets.empty() ? !target : false)
            continue;
        places[k] = a;
        if (placeFrom(game, k + 1, places))
            return true;
    }
    return false;
}

} // namespace

bool uncovered(const Ulvo::GUIWindow& window, D3DXVECTOR2& at)
{
    const Ulvo::FloatRect& r = window.getScreenRect();
    for (int j = 1; j < 8; ++j) {
        for (int i = 1; i < 8; ++i) {
            at = D3DXVECTOR2(r.left + (r.right - r.left) * i / 8.0f, r.top + (r.bottom - r.top) * j / 8.0f);
            if (Ulvo::GUISystem::getInstance()->getWindowAt(at.x, at.y, Ulvo::GUIWindow::HIT_PRESS) == &window)
                return true;
        }
    }
    at = centre(window);
    return false;
}

D3DXVECTOR2 uncovered(const Ulvo::GUIWindow& window)
{
    D3DXVECTOR2 at;
    uncovered(window, at);
    return at;
}

void dragWindow(const Ulvo::GUIWindow& window, const D3DXVECTOR2& to, const Hands& hands)
{
    const D3DXVECTOR2 grip = uncovered(window);
    hands.drag(grip, to + grip - centre(window));
}

std::vector<int> placement(const MinispielZuordnen& game)
{
    std::vector<int> places(game.getGegenstaende().size(), -1);
    if (!placeFrom(game, 0, places))
        places.clear();
    return places;
}

::testing::AssertionResult solveZuordnen(MinispielZuordnen& game, const Hands& hands)
{
    const std::vector<int> places = placement(game);
    if (places.size() != game.getGegenstaende().size())
        return ::testing::AssertionFailure() << "the goods fit no placement";
    // Items on one area go side by side across it, so that each overlaps that area most; an
    // item under others waits until those have gone.
    std::vector<int> onArea(game.getGebiete().size(), 0);
    std::vector<size_t> left;
    for (size_t i = 0; i < places.size(); ++i) {
        if (places[i] >= 0 && game.getGegenstaende()[i]->window)
            left.push_back(i);
    }
    while (!left.empty()) {
        size_t next = 0;
        D3DXVECTOR2 grip;
        while (next < left.size() && !uncovered(*game.getGegenstaende()[left[next]]->window, grip))
            ++next;
        if (next == left.size())
            return ::testing::AssertionFailure() << "every item left lies under another";
        const size_t i = left[next];
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(next));
        MinispielZuordnen::Gegenstand& item = *game.getGegenstaende()[i];
        const Ulvo::GUIWindow* area = game.getGebiete()[static_cast<size_t>(places[i])]->window;
        if (!area)
            return ::testing::AssertionFailure() << "an area without window";
        const Ulvo::FloatRect& r = area->getScreenRect();
        const int slot = onArea[static_cast<size_t>(places[i])]++;
        const float w = item.window->getScreenRect().right - item.window->getScreenRect().left;
        const D3DXVECTOR2 to(r.left + w * (0.6f + 0.5f * static_cast<float>(slot % 4)),
                             (r.top + r.bottom) / 2 + w * 0.3f * static_cast<float>(slot / 4));
        hands.drag(grip, to + grip - centre(*item.window));
        if (item.area != game.getGebiete()[static_cast<size_t>(places[i])])
            return ::testing::AssertionFailure() << "item " << i << " did not land on its area";
    }
    if (!game.getOkButton())
        return ::testing::AssertionFailure() << "no OK button";
    hands.click(centre(*game.getOkButton()));
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the check failed";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveRichtigesSymbol(RichtigesSymbolAnklicken& game, const Hands& hands)
{
    for (const RichtigesSymbolAnklicken::Gebiet* gebiet : game.getGebiete()) {
        if (gebiet->checkbox && gebiet->checkbox->isChecked() != gebiet->richtig)
            hands.click(centre(*gebiet->checkbox));
    }
    if (!game.getOkButton())
        return ::testing::AssertionFailure() << "no OK button";
    hands.click(centre(*game.getOkButton()));
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the answer was not taken";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveRichtigerPfad(RichtigenPfadAnklicken& game, const Hands& hands)
{
    for (const RichtigenPfadAnklicken::Gebiet* gebiet : game.getGebiete()) {
        if (gebiet->richtig && gebiet->checkbox && !gebiet->checked)
            hands.click(centre(*gebiet->checkbox));
    }
    if (!game.getOkButton())
        return ::testing::AssertionFailure() << "no OK button";
    hands.click(centre(*game.getOkButton()));
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the path was not taken";
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
    if (auto* memory = dynamic_cast<Memory*>(&game))
        return solveMemory(*memory, hands);
    if (auto* zuordnen = dynamic_cast<MinispielZuordnen*>(&game))
        return solveZuordnen(*zuordnen, hands);
    if (auto* symbol = dynamic_cast<RichtigesSymbolAnklicken*>(&game))
        return solveRichtigesSymbol(*symbol, hands);
    if (auto* pfad = dynamic_cast<RichtigenPfadAnklicken*>(&game))
        return solveRichtigerPfad(*pfad, hands);
    return ::testing::AssertionFailure() << "no player for this kind";
}

} // namespace MinigameSolver
