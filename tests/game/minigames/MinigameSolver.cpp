#include "MinigameSolver.h"

#include "gui/windows/GUIWindow.h"
#include "gui/system/GUISystem.h"
#include "gui/widgets/GUICheckboxButton.h"
#include "minigames/memory/Memory.h"
#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"
#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"
#include "minigames/zuordnen/MinispielZuordnen.h"
#include "minigames/austausch/Austausch.h"
#include "minigames/bauen/Bauen.h"
#include "minigames/labyrinth/Labyrinth.h"
#include "minigames/punkteverbinden/Punkteverbinden.h"
#include "minigames/objekteanklicken/ObjekteAnklicken.h"
#include "minigames/drehbild/Drehbild.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/ring/Ring.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"
#include "minigames/frame/Playfield.h"
#include "minigames/wegblasen/Wegblasen.h"

#include <algorithm>
#include <array>
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

} // namespace

std::vector<std::pair<int, int>> pushes(const Labyrinth& game, int depth)
{
    return game.pushes(depth);
}

std::vector<size_t> stroke(const Punkteverbinden& game)
{
    return game.stroke();
}

std::vector<const Maze::Raum*> shortestWay(const Maze& game)
{
    return game.shortestWay();
}

std::vector<uint32_t> way(const Schiebepuzzle_leicht& game)
{
    return game.gapWay();
}

std::vector<std::pair<int, int>> plan(const Bauen& game)
{
    return game.plan();
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

::testing::AssertionResult solveLabyrinth(Labyrinth& game, const Hands& hands)
{
    const std::vector<std::pair<int, int>> moves = pushes(game, 3);
    if (moves.empty())
        return ::testing::AssertionFailure() << "no run of three pushes links start and goal";
    for (const auto& [quarters, border] : moves) {
        // A click beside the ring (on the parked spare) turns the spare clockwise.
        for (int q = 0; q < quarters; ++q)
            hands.click(game.cellCentre(game.getParking()));
        const Labyrinth::Cell ring = game.borderCell(border);
        hands.click(game.cellCentre(D3DXVECTOR2(static_cast<float>(ring.x), static_cast<float>(ring.y))));
        hands.wait(0.2);
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "start and goal are not linked";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solvePunkteverbinden(Punkteverbinden& game, const Hands& hands)
{
    const std::vector<size_t> dots = stroke(game);
    if (dots.empty())
        return ::testing::AssertionFailure() << "the goal joins take more than one stroke";
    // The first click only selects; each later one joins the selected dot to the clicked one.
    for (const size_t k : dots)
        hands.click(game.screenCentre(*game.getPunkte()[k]));
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the dots are not satisfied";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveMaze(Maze& game, const Hands& hands)
{
    const std::vector<const Maze::Raum*> rooms = shortestWay(game);
    if (!game.getGoal() || game.getGoal()->distance == Maze::Raum::kUnreached)
        return ::testing::AssertionFailure() << "the goal is out of reach";
    // A goal next to the start needs one click anywhere on the field; the goal itself will do.
    if (rooms.empty())
        hands.click(game.screenCentre(*game.getGoal()));
    for (const Maze::Raum* raum : rooms)
        hands.click(game.screenCentre(*raum));
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the path does not reach the goal";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveObjekteAnklicken(ObjekteAnklicken& game, const Hands& hands)
{
    // The centre of a turning shape stays where it is while the click is on its way.
    for (int round = 0; round < 100 && !game.isFlagSet(false); ++round) {
        const int runde = game.getRunde();
        if (game.getTarget() < 0 || game.getTarget() >= static_cast<int>(game.getObjekte().size()))
            return ::testing::AssertionFailure() << "no shape to find in round " << runde;
        const Ulvo::FloatRect r = game.screenRect(*game.getObjekte()[static_cast<size_t>(game.getTarget())]);
        hands.click(D3DXVECTOR2((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        if (game.getRunde() != runde + 1)
            return ::testing::AssertionFailure() << "a click on the shape did not win round " << runde;
        hands.wait(0.2);
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "the rounds are not over";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult solveWegblasen(Wegblasen& game, const Hands& hands)
{
    if (!hands.hold || !game.getSpielfeld())
        return ::testing::AssertionFailure() << "no hand to hold the button or no field";
    const Ulvo::FloatRect& field = game.getSpielfeld()->getScreenRect();
    for (int push = 0; push < 100 && !game.isFlagSet(false); ++push) {
        const Wegblasen::Objekt* inside = nullptr;
        for (const Wegblasen::Objekt* objekt : game.getObjekte())
            inside = inside || objekt->atEdge() ? inside : objekt;
        if (!inside) {
            hands.wait(0.1);
            continue;
        }
        // The wind from just behind it, towards the nearest edge.
        const D3DXVECTOR2 p = inside->pos;
        const float edges[4] = {p.x, 1.0f - p.x, p.y, 1.0f - p.y};
        const D3DXVECTOR2 away[4] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        const int nearest = static_cast<int>(std::min_element(edges, edges + 4) - edges);
        D3DXVECTOR2 from = p - away[nearest] * 0.07f;
        from.x = std::clamp(from.x, 0.02f, 0.98f);
        from.y = std::clamp(from.y, 0.02f, 0.98f);
        hands.hold(D3DXVECTOR2(field.left + (field.right - field.left) * from.x,
                               field.top + (field.bottom - field.top) * from.y),
                   0.8);
        hands.wait(0.2);
    }
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "objects are left in the field";
    return ::testing::AssertionSuccess();
}

bool findingPoint(const UnterschiedeAnklicken::UTeil& teil, D3DXVECTOR2& at, bool opaque)
{
    if (!teil.window)
        return false;
    const Ulvo::FloatRect& r = teil.window->getScreenRect();
    for (int j = 1; j < 16; ++j) {
        for (int i = 1; i < 16; ++i) {
            at = D3DXVECTOR2(r.left + (r.right - r.left) * i / 16.0f, r.top + (r.bottom - r.top) * j / 16.0f);
            if ((!teil.animation || Playfield::hitsOpaque(teil.animation, r, at)) == opaque)
                return true;
        }
    }
    return false;
}

::testing::AssertionResult solveUnterschiede(UnterschiedeAnklicken& game, const Hands& hands)
{
    const std::vector<UnterschiedeAnklicken::UTeil*>& teile = game.getTeile();
    for (size_t k = 0; k < teile.size(); ++k) {
        D3DXVECTOR2 at;
        if (teile[k]->found)
            continue;
        if (!findingPoint(*teile[k], at))
            return ::testing::AssertionFailure() << "difference " << k << " has nothing to click";
        hands.click(at);
        if (!teile[k]->found)
            return ::testing::AssertionFailure() << "a click on difference " << k << " did not find it";
        hands.wait(0.3);
    }
    hands.wait(0.05);
    if (!game.isFlagSet(false))
        return ::testing::AssertionFailure() << "differences are left";
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
    return game.platzierung();
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
    if (auto* maze = dynamic_cast<Maze*>(&game))
        return solveMaze(*maze, hands);
    if (auto* dots = dynamic_cast<Punkteverbinden*>(&game))
        return solvePunkteverbinden(*dots, hands);
    if (auto* labyrinth = dynamic_cast<Labyrinth*>(&game))
        return solveLabyrinth(*labyrinth, hands);
    if (auto* unterschiede = dynamic_cast<UnterschiedeAnklicken*>(&game))
        return solveUnterschiede(*unterschiede, hands);
    if (auto* wegblasen = dynamic_cast<Wegblasen*>(&game))
        return solveWegblasen(*wegblasen, hands);
    if (auto* objekte = dynamic_cast<ObjekteAnklicken*>(&game))
        return solveObjekteAnklicken(*objekte, hands);
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
