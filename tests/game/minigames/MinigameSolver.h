#pragma once
// A scripted player of the minigame kinds, with the mouse only: it drags jigsaw pieces onto
// their outlines (moving decoys aside that cover them), clicks the tiles along the gap's way
// to the goal, and finds a plan for the building pieces (every piece on the grid, no quarter
// claimed twice) and drags them there; it turns the memory's pairs it knows, drags the goods
// onto their areas, ticks the right symbols or path and presses OK. The hands are the caller's: the kinds' tests inject the
// input state's signals, the play-through the window's mouse events.
#include <d3dx9math.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ThreeMatch {
class Bauen;
class Memory;
class Minispiel;
class MinispielZuordnen;
class Puzzle;
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
};

// Solves the game of any of the kinds; the reason when it could not.
::testing::AssertionResult solve(ThreeMatch::Minispiel& game, const Hands& hands);
::testing::AssertionResult solvePuzzle(ThreeMatch::Puzzle& puzzle, const Hands& hands);
::testing::AssertionResult solveSchiebepuzzle(ThreeMatch::Schiebepuzzle_leicht& game, const Hands& hands);
::testing::AssertionResult solveBauen(ThreeMatch::Bauen& game, const Hands& hands);
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

// The gap's way to the goal, cell by cell: columns first, then rows.
std::vector<uint32_t> way(const ThreeMatch::Schiebepuzzle_leicht& game);
// A place (column, row) for every piece, in the game's piece order; empty when there is none.
std::vector<std::pair<int, int>> plan(const ThreeMatch::Bauen& game);

} // namespace MinigameSolver
