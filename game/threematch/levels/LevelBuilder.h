#pragma once
// Builds the board of a level: story levels from the level file and their layout pictures,
// free play from stamps, the level's stone types, and a running level resumed from the
// profile's "ACTIVE_LEVEL" node (which the board writes with Spielfeld::saveState).
//
// A builder lives for one build: it clears the board it is given and fills its cells, the
// cells to fill, the spawn cells, the stone types and the times, then lets the board fill and
// check its targets. It keeps nothing of its own.
namespace Ulvo {
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Feld;
class LayoutPictureSource;
class Rohstoff;
class Spielfeld;
struct LayoutPicture;

class LevelBuilder {
public:
    explicit LevelBuilder(Spielfeld& board) : m_board(board) {}
    LevelBuilder(const LevelBuilder&) = delete;
    LevelBuilder& operator=(const LevelBuilder&) = delete;

    // Story level n; with saved (an "ACTIVE_LEVEL" node) that level's cells, stones and time.
    // The board's state is 1 afterwards; false when the level has no cells.
    bool loadLevel(int number, const Ulvo::XMLNode* saved = nullptr);
    // A random board from the free-play stamps; state 1.
    void startFreePlay();
    // A saved level: its board, its classes' points and the time played.
    bool restoreLevel(const Ulvo::XMLNode& saved);
    // The level's stone types and their cumulative weights from a stone set, or from the
    // saved ROHSTOFF list.
    void setupStones(const Ulvo::XMLNode& set, bool useBoese, const Ulvo::XMLNode* savedStones);

private:
    void resetLevel(int levelNumber, bool freePlay);
    void makeGrid(int width, int height);
    void widenBounds(int column, int row);
    void takeCell(Feld& cell, bool receivesStone);
    void linkCells(int fieldSet, bool defaultSpawnRow);
    // A random stamp picture, or (false) a rectangle when there is none.
    bool drawStamp(LayoutPicture& stamp, bool& missingLogged);
    void placeStamp(const LayoutPicture& stamp);
    void addFreePlaySpawns();
    LayoutPictureSource& pictures();
    Rohstoff* levelStoneById(int id) const;

    Spielfeld& m_board;
};

} // namespace ThreeMatch
