#pragma once
// One cell of the board: its place (100 x 100 board units, row 0 at the top), its four
// neighbours (up, down, right, left), a flag word and the stone lying on it. The board owns
// the stones; a cell only refers to one. A cell counts down its own explosion and swap lock,
// fades out at the level's end, draws its ground and frame pieces and answers the two
// questions a swap asks: would a stone placed here make a run, and which stones does a run
// made here take along.
#include <windef.h>
#include <d3d9types.h>
#include <d3dx9math.h>

#include <array>
#include <cstdint>
#include <string>

namespace Ulvo {
class Texture2D;
}

namespace ThreeMatch {

class Bildchen;
class MyGlobals;
class Spielfeld;

// The flag word of a cell.
struct FeldFlag {
    enum : uint32_t {
        Spielbar = 0x001, // part of the playing field; a cell without flags is a hole
        Leer = 0x002,     // holds no stone
        Tausch = 0x004,   // a swap runs through it: out of matching and falling
        Sprengt = 0x008,  // its stone is exploding
        Wand = 0x010,     // solid, not playable: stones do not slide past it
        Ziel1 = 0x040,    // target layer 1
        Ziel2 = 0x080,    // target layer 2
        Locked = 0x100,   // the stone is locked: no swap, no fall; an explosion only unlocks it
        Quelle = 0x200,   // spawn cell: gets a new stone when empty
    };
    // Cells with any of these take part in neither matching nor swapping.
    static constexpr uint32_t kUnavailable = Leer | Tausch | Sprengt;
    static constexpr uint32_t kBusy = Tausch | Sprengt;
    static constexpr uint32_t kZiel = Ziel1 | Ziel2;
};

// A cell starts a cache line, so that what a frame reads of it is one line.
class alignas(64) Feld {
public:
    // The pieces of a field texture set, in the order the drawing indexes them.
    enum Piece {
        BorderOben,
        BorderUnten,
        BorderRechts,
        BorderLinks,
        Hintergrund,
        Ziel1Piece,
        Ziel2Piece,
        Marked,
        LockedPiece,
        EckeInnen, // four, top-left, top-right, bottom-left, bottom-right
        EckeAussen = EckeInnen + 4,
        PieceCount = EckeAussen + 4
    };
    // The pieces of one field texture set, shared by the cells of a board.
    using Texturen = std::array<Ulvo::Texture2D*, PieceCount>;
    // The pieces of "FELD_<set>" as the texture manager has them (missing ones null).
    static Texturen lookUpTextures(int setNumber);

    // Neighbour directions; 4 means "not a neighbour".
    enum Direction { Oben, Unten, Rechts, Links, None };

    Feld() = default;
    Feld(const D3DXVECTOR2& position, uint32_t flags);

    const D3DXVECTOR2& getPosition() const { return m_position; }
    int getColumn() const { return m_column; }
    int getRow() const { return m_row; }

    uint32_t getFlags() const { return m_flags; }
    void setFlags(uint32_t flags) { m_flags = flags; }
    bool has(uint32_t flags) const { return (m_flags & flags) != 0; }
    void setQuelle() { m_flags |= FeldFlag::Quelle; }

    Bildchen* getStone() const { return m_stone; }
    // On a playable cell the pointer also sets or clears Leer; a hole keeps its flags.
    void setStone(Bildchen* stone);
    // The type id of the stone on the cell, 0 without one; kept here so that the board's
    // searches need not visit every stone.
    int getStoneType() const { return m_stoneType; }
    // The stone changed its type.
    void refreshStoneType();

    // Null before the cell is linked into a board and at the board's edge.
    Feld* getNeighbour(int direction) const;
    bool isNeighbour(const Feld* cell) const;
    // The direction in which cell lies, or None.
    int neighbourIndex(const Feld* cell) const;

    // The stone lies within 0.1 board units of the cell.
    bool isStoneSettled() const;
    // Locks the cell for a swap; an existing lock keeps its time.
    void markSwapped(double seconds);
    // An exploding cell keeps its first delay and sound.
    void startExplosion(double delay, const std::wstring& soundName);
    bool isExploding() const { return has(FeldFlag::Sprengt); }
    bool isExplosionDone() const { return isExploding() && m_explosionTime <= 0.0; }
    // Ends the explosion: unlocks a locked cell, or takes off (or, for an evil stone, adds)
    // a target layer with its splinters.
    void finishExplosion();

    void setGroupSize(int size) { m_groupSize = size; }
    int getGroupSize() const { return m_groupSize; }
    void setSelected(bool selected) { m_selected = selected; }
    bool isSelected() const { return m_selected; }
    void setHint(bool hint) { m_hint = hint; }
    bool isHint() const { return m_hint; }
    void setAddTarget(bool addTarget) { m_addTarget = addTarget; }
    bool getAddTarget() const { return m_addTarget; }
    double getExplosionTime() const { return m_explosionTime; }
    double getSwapTime() const { return m_swapTime; }

    // The level-end fade: starts after delay and lasts duration (real time); a delay of 0 or
    // less finishes it at once.
    void setFade(double delay, double duration);
    double getFadeProgress() const;
    double getFadeDelay() const { return m_fadeDelay; }

    // Links the cell into the board's grid (its place and neighbours) and takes the 17 pieces
    // of the field texture set "FELD_<set>".
    void loadTextures(int setNumber, Spielfeld& board);
    // The corner caps of a hole beside playable cells; a playable cell has none.
    void computeCorners();
    bool hasInnerCorner(int corner) const { return m_innerCorner[corner]; }
    bool hasOuterCorner(int corner) const { return m_outerCorner[corner]; }
    Ulvo::Texture2D* getTexture(int piece) const { return m_textures ? (*m_textures)[piece] : nullptr; }

    // Once a frame: the fade on real time, the explosion and the swap lock on game time. A
    // cell with no fade, explosion or swap lock running has nothing to count.
    void update(double realDt, double gameDt)
    {
        if (m_fadeDelay != -1.0 || has(FeldFlag::kBusy))
            updateTimers(realDt, gameDt);
    }

    // A stone of type typeId placed here would complete a run of runLength along a line not
    // leaving through excludedDirection.
    bool wouldMatch(int typeId, int runLength, int excludedDirection) const;
    // Locks this cell and the like stones in line with it for the swap; with addTarget they
    // gain a target layer when they burst.
    void collectRun(int typeId, int excludedDirection, double seconds, bool addTarget);

    // The cell's screen rectangle for a board drawn at offset and scale.
    RECT screenRect(const D3DXVECTOR2& offset, double scale) const;
    // The point lies in that rectangle (left and top edges in, right and bottom out).
    bool contains(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point) const;
    // The ground, target and lock pieces of a playable cell, the frame of a hole; inside a
    // begun sprite batch.
    void draw(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const;
    // The lock and the selection mark over the stones.
    void drawOverlay(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const;

private:
    void drawPiece(int piece, const RECT& rect, D3DCOLOR colour) const;
    // Adds a target layer (Ziel1, then Ziel2) for a burst evil stone.
    void addTargetLayer();

    // The timers' work beyond the idle test of update.
    void updateTimers(double realDt, double gameDt);

    // What every frame reads (the update, the scan, the move search) shares the first cache
    // line; the rest follows.
    uint32_t m_flags = 0;
    int m_stoneType = 0;
    Bildchen* m_stone = nullptr;
    D3DXVECTOR2 m_position{0.0f, 0.0f};
    double m_fadeDelay = -1.0;
    double m_explosionTime = 0.0;
    double m_swapTime = 0.0;
    bool m_linked = false;
    bool m_selected = false;
    bool m_hint = false;
    bool m_addTarget = false;
    std::array<Feld*, 4> m_neighbours{};
    double m_fadeElapsed = 0.0;
    double m_fadeDuration = 1.0;
    int m_groupSize = 0;
    int m_column = 0;
    int m_row = 0;
    bool m_innerCorner[4] = {false, false, false, false};
    bool m_outerCorner[4] = {false, false, false, false};
    MyGlobals* m_globals = nullptr;
    const Texturen* m_textures = nullptr; // the board's
    std::wstring m_explosionSound;
};

} // namespace ThreeMatch
