#pragma once
// Boards for the board and level tests: levels written as rows of characters (the legend of the
// game's layout pictures), stones as rows of letters, the game clock on the virtual clock and
// the game's rand seeded as the game seeds it.
//
// Layout:  .  hole   #  wall   e  empty cell   o  stone   S  stone and spawn
//          t  one target layer   T  two layers   L  locked   l  locked on one layer   K  on two
// Stones:  a LEHM, b SAND, c KIES, d TON (class ERDE), e REGEN (class WASSER), . none
#include "GameTestSupport.h"

#include "threematch/board/Spielfeld.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/stones/Rohstoff.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace BoardTesting {

using Rows = std::vector<std::string>;

// The texel the game's pictures use for a layout character.
uint32_t texelOf(char kind);
ThreeMatch::LayoutPicture picture(const Rows& rows);

// Pictures kept in memory, by file name and by texture name.
class Pictures : public ThreeMatch::LayoutPictureSource {
public:
    std::map<std::wstring, ThreeMatch::LayoutPicture> files;
    std::map<std::wstring, ThreeMatch::LayoutPicture> textures;

    bool readFile(const std::wstring& fileName, ThreeMatch::LayoutPicture& picture) override;
    bool readTexture(const std::wstring& name, ThreeMatch::LayoutPicture& picture) override;
};

// The test's stone classes: ERDE (LEHM 1, SAND 2, KIES 3 with MULTIPLIER 2, TON 4), WASSER
// (REGEN 1001, EIS 1002 locked, NEBEL 1003), the wrath class WUT and the evil class BOESE.
extern const wchar_t* const kStones;
// The five unlocked resource stones, as a stone set.
extern const wchar_t* const kFiveStones;

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends a level node written out in full to the board's level document.
    void addLevelText(const std::wstring& text);
    // Level n of the board's level document: its layout, further attributes and stone set.
    void addLevel(int n, const Rows& layout, const std::wstring& attributes = L"",
                  const std::wstring& stoneSet = kFiveStones);
    // An "ACTIVE_LEVEL" node for level n with exactly these stones (every playable cell without
    // a letter left empty) and the layout's targets and locks.
    Ulvo::XMLNode savedLevel(int n, const Rows& stones, double restTime = 600.0) const;
    // Restores it and starts the level.
    bool restore(int n, const Rows& stones, double restTime = 600.0);

    ThreeMatch::Feld* cell(int x, int y) const { return board->getFeld(x, y); }
    // The stone's letter on the cell, '.' for none.
    char stoneAt(int x, int y) const;
    ThreeMatch::Rohstoff* type(char letter) const;
    // Runs the board for seconds of frames of 25 ms on the virtual clock.
    void frames(double seconds);
    // Runs the board until nothing bursts or moves (at most maxSeconds).
    void settle(double maxSeconds = 10.0);
    // The cells of the level that have not got a stone.
    int emptyPlayableCells() const;

    GameTesting::VirtualGameClock clock;
    std::unique_ptr<ThreeMatch::MyGlobals> globals;
    Pictures pictures;
    std::wstring levelText;
    Ulvo::XMLNode levels;
    std::unique_ptr<ThreeMatch::Spielfeld> board;
    std::map<int, Rows> layouts;
};

} // namespace BoardTesting
