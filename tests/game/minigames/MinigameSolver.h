#pragma once
// A scripted player of the minigame kinds, with the mouse only: it drags jigsaw pieces onto
// their outlines (moving decoys aside that cover them), clicks the tiles along the gap's way
// to the goal, and finds a plan for the building pieces (every piece on the grid, no quarter
// claimed twice) and drags them there; it turns the memory's pairs it knows, drags the goods
// onto their areas, ticks the right symbols or path and presses OK. The hands are the caller's: the kinds' tests inject the
// input state's signals, the play-through the window's mouse events.
#include <d3dx9math.h>

#include "minigames/maze/Maze.h"
#include "minigames/unterschiede/UnterschiedeAnklicken.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ThreeMatch {
class Austausch;
class Bauen;
class Labyrinth;
class Punkteverbinden;
class Drehbild;
class Minispiel;
class ObjekteAnklicken;
class UnterschiedeAnklicken;
class Wegblasen;
class Puzzle;
class Ring;
class Memory;
class MinispielZuordnen;
class RichtigenPfadAnklicken;
class RichtigesSymbolAnklicken;
class Schiebepuzzle_leicht;
} // namespace ThreeMatch

namespace Ulvo {
class GUIWindow;
}

namespace MinigameSolver {

struct Hands {
    // Press at from, move to to in steps, release there.
    std::function<void(const D3DXVECTOR2& from, const D3DXVECTOR2& to)> drag;
    std::function<void(const D3DXVECTOR2& at)> click;
    // Lets the game run for this long.
    std::function<void(double seconds)> wait;
    // Presses at the point, lets the game run for this long, releases.
    std::function<void(const D3DXVECTOR2& at, double seconds)> hold;
};

// Solves the game of any of the kinds above; the reason when it could not.
::testing::AssertionResult solve(ThreeMatch::Minispiel& game, const Hands& hands);
::testing::AssertionResult solvePuzzle(ThreeMatch::Puzzle& puzzle, const Hands& hands);
::testing::AssertionResult solveSchiebepuzzle(ThreeMatch::Schiebepuzzle_leicht& game, const Hands& hands);
::testing::AssertionResult solveBauen(ThreeMatch::Bauen& game, const Hands& hands);
::testing::AssertionResult solveLabyrinth(ThreeMatch::Labyrinth& game, const Hands& hands);
::testing::AssertionResult solvePunkteverbinden(ThreeMatch::Punkteverbinden& game, const Hands& hands);
::testing::AssertionResult solveMaze(ThreeMatch::Maze& game, const Hands& hands);
::testing::AssertionResult solveObjekteAnklicken(ThreeMatch::ObjekteAnklicken& game, const Hands& hands);
::testing::AssertionResult solveWegblasen(ThreeMatch::Wegblasen& game, const Hands& hands);
::testing::AssertionResult solveUnterschiede(ThreeMatch::UnterschiedeAnklicken& game, const Hands& hands);
// A point of the difference's window where a click finds it (its picture opaque); false when
// there is none.
bool findingPoint(const ThreeMatch::UnterschiedeAnklicken::UTeil& teil, D3DXVECTOR2& at, bool opaque = true);
// Swaps each tile out of place with the one in its home cell.
::testing::AssertionResult solveAustausch(ThreeMatch::Austausch& game, const Hands& hands);
// Left-clicks each tile until it stands upright.
::testing::AssertionResult solveDrehbild(ThreeMatch::Drehbild& game, const Hands& hands);
// Drags each turnable ring back to upright, along its middle, a sixth of a turn at a time.
::testing::AssertionResult solveRing(ThreeMatch::Ring& game, const Hands& hands);
::testing::AssertionResult solveMemory(ThreeMatch::Memory& game, const Hands& hands);
::testing::AssertionResult solveZuordnen(ThreeMatch::MinispielZuordnen& game, const Hands& hands);
::testing::AssertionResult solveRichtigesSymbol(ThreeMatch::RichtigesSymbolAnklicken& game, const Hands& hands);
::testing::AssertionResult solveRichtigerPfad(ThreeMatch::RichtigenPfadAnklicken& game, const Hands& hands);

// The middle of a window on the screen; a point of it that no window in front covers (its
// middle when there is none); a drag of the window by that point, so that its middle ends at to.
D3DXVECTOR2 centre(const Ulvo::GUIWindow& window);
D3DXVECTOR2 uncovered(const Ulvo::GUIWindow& window);
bool uncovered(const Ulvo::GUIWindow& window, D3DXVECTOR2& at);
void dragWindow(const Ulvo::GUIWindow& window, const D3DXVECTOR2& to, const Hands& hands);
// Where each item of the sorting game goes (an index into its areas, -1 for none), in item
// order: on one of its targets, and the items of each SUMME_VON meeting its total; empty when
// there is no such placement.
std::vector<int> placement(const ThreeMatch::MinispielZuordnen& game);

// The gap's way to the goal, cell by cell.
std::vector<uint32_t> way(const ThreeMatch::Schiebepuzzle_leicht& game);
// A place (column, row) for every piece, in the game's piece order; empty when there is none.
std::vector<std::pair<int, int>> plan(const ThreeMatch::Bauen& game);
// The shortest run of moves (quarter turns of the spare clockwise, then the ring cell pushed at,
// by border index) that links start and goal, up to depth moves; empty when none is found.
std::vector<std::pair<int, int>> pushes(const ThreeMatch::Labyrinth& game, int depth);
// The dots in the order one stroke along every goal join visits them (indices into the game's
// dots); empty when the goal joins take more than one stroke.
std::vector<size_t> stroke(const ThreeMatch::Punkteverbinden& game);
// The rooms of a shortest way from the start to the nearest goal, both left out; empty when the
// goal is next to the start or out of reach.
std::vector<const ThreeMatch::Maze::Raum*> shortestWay(const ThreeMatch::Maze& game);

} // namespace MinigameSolver
