#pragma once
// A scripted player of the minigame kinds, with the mouse only: it drags jigsaw pieces onto
// their outlines (moving decoys aside that cover them), clicks the tiles along the gap's way
// to the goal, and finds a plan for the building pieces (every piece on the grid, no quarter
// claimed twice) and drags them there. The hands are the caller's: the kinds' tests inject the
// input state's signals, the play-through the window's mouse events.
#include <d3dx9math.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ThreeMatch {
class Austausch;
class Bauen;
class Drehbild;
class Minispiel;
class Puzzle;
class Ring;
class Schiebepuzzle_leicht;
} // namespace ThreeMatch

namespace MinigameSolver {

struct Hands {
    // Press at from, move to to in steps, release there.
    std::function<void(const D3DXVECTOR2& from, const D3DXVECTOR2& to)> drag;
    std::function<void(const D3DXVECTOR2& at)> click;
    // Lets the game run for this long.
    std::function<void(double seconds)> wait;
};

// Solves the game of any of the kinds above; the reason when it could not.
::testing::AssertionResult solve(ThreeMatch::Minispiel& game, const Hands& hands);
::testing::AssertionResult solvePuzzle(ThreeMatch::Puzzle& puzzle, const Hands& hands);
::testing::AssertionResult solveSchiebepuzzle(ThreeMatch::Schiebepuzzle_leicht& game, const Hands& hands);
::testing::AssertionResult solveBauen(ThreeMatch::Bauen& game, const Hands& hands);
// Swaps each tile out of place with the one in its home cell.
::testing::AssertionResult solveAustausch(ThreeMatch::Austausch& game, const Hands& hands);
// Left-clicks each tile until it stands upright.
::testing::AssertionResult solveDrehbild(ThreeMatch::Drehbild& game, const Hands& hands);
// Drags each turnable ring back to upright, along its middle, a sixth of a turn at a time.
::testing::AssertionResult solveRing(ThreeMatch::Ring& game, const Hands& hands);

// The gap's way to the goal, cell by cell: columns first, then rows.
std::vector<uint32_t> way(const ThreeMatch::Schiebepuzzle_leicht& game);
// A place (column, row) for every piece, in the game's piece order; empty when there is none.
std::vector<std::pair<int, int>> plan(const ThreeMatch::Bauen& game);

} // namespace MinigameSolver
