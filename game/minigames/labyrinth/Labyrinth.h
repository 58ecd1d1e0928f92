#pragma once
// The shifting-tile maze (TYPE "LABYRINTH"): columns x rows square tiles, each open on some of
// its four sides, inside a ring of arrow tiles, with one tile left over (the spare) parked left
// of the ring. A click on an arrow pushes the spare into that row or column; the tile pushed
// out at the far end becomes the spare. A click anywhere else turns the spare a quarter
// clockwise, a right click counter-clockwise. The game is solved when open sides link the start
// cell to the goal cell, both on the ring.
//
// Cells are (column, row) in grid units: the board is 1..columns x 1..rows, the ring the cells
// around it (corners excluded), the spare rests at (-1, (rows + 1) / 2). Tiles glide between
// cells and turn in degrees, never reduced modulo 360.
#include <d3dx9math.h>

#include "foundation/helpers/Interpolation.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Labyrinth : public Minispiel {
public:
    enum Side { TOP = 0, RIGHT = 1, BOTTOM = 2, LEFT = 3 };

    struct Tile {
        explicit Tile(Ulvo::XMLNode* node);
        Tile(const Tile& other);
        Tile& operator=(const Tile&) = delete;
        ~Tile();

        // A quarter turn; the open sides turn with it. With time 0 or less at once, else
        // gliding at that speed (1: one second).
        void turn(bool clockwise, float time);
        void placeAt(const D3DXVECTOR2& cell);
        void glideTo(const D3DXVECTOR2& cell, float time);
        void update(double dt);

        Ulvo::Interpolation<D3DXVECTOR2, float> position{D3DXVECTOR2(0.0f, 0.0f)};
        Ulvo::Interpolation<float, float> angle{0.0f};
        std::array<uint8_t, 4> sides{0, 0, 0, 0};
        Ulvo::Texture2DAnimation* animation = nullptr;
    };

    struct Cell {
        int x = 0;
        int y = 0;
        bool operator==(const Cell&) const = default;
    };

    explicit Labyrinth(Ulvo::XMLNode* node);
    ~Labyrinth() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Labyrinth(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    void onClick(Ulvo::GUIWindow& window);
    void onRightClick(Ulvo::GUIWindow& window);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    // Ring cell number index (0 .. 2 x (columns + rows) - 1), clockwise from the top left.
    Cell borderCell(int index) const;
    int borderCount() const { return 2 * (m_columns + m_rows); }
    // Pushes the spare in at the ring cell (glide time as for a turn).
    void push(const Cell& ring, float time);
    // Open sides link the start to the goal.
    bool pathTest();
    // The shortest run of moves (quarter turns of the spare clockwise, then the ring cell pushed
    // at, by border index) that links start and goal, searched up to depth moves on a copy of
    // the sides; empty when none is found.
    std::vector<std::pair<int, int>> pushes(int depth) const;
    // Clicks that make a shortest run of up to three moves; without one, the one move that opens
    // the most cells to start and goal (asked again, the search goes on from there).
    void naechsteZuege(MinispielZuege& zuege) const override;
    bool passable(const Cell& from, const Cell& to) const;

    // The tile in a cell of the board or ring; null outside or on a corner.
    Tile* tileAt(const Cell& cell) const;
    Tile* getSpare() const { return m_spare; }
    int getColumns() const { return m_columns; }
    int getRows() const { return m_rows; }
    const Cell& getStart() const { return m_startCell; }
    const Cell& getGoal() const { return m_goalCell; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    // The screen rectangle of a cell (the parking place at (-1, (rows + 1) / 2)).
    Ulvo::FloatRect cellRect(const D3DXVECTOR2& cell) const;
    D3DXVECTOR2 cellCentre(const D3DXVECTOR2& cell) const;
    D3DXVECTOR2 getParking() const { return m_parking; }
    // Pushes made by the last start to break a path that was already there.
    int getStartPushes() const { return m_startPushes; }

private:
    bool playable() const;
    size_t index(const Cell& cell) const
    {
        return static_cast<size_t>(cell.x) * static_cast<size_t>(m_rows + 2) + static_cast<size_t>(cell.y);
    }
    bool inGrid(const Cell& cell) const
    {
        return cell.x >= 0 && cell.y >= 0 && cell.x < m_columns + 2 && cell.y < m_rows + 2;
    }
    void logMarks() const;
    void chooseGoal();

    std::vector<Tile*> m_templates;
    std::vector<float> m_weights;
    Tile* m_eingang = nullptr;
    Tile* m_startMarker = nullptr;
    Tile* m_goalMarker = nullptr;
    std::vector<Tile*> m_pool;
    std::vector<Tile*> m_arrows;
    std::vector<Tile*> m_board;
    std::vector<int> m_marks;
    Tile* m_spare = nullptr;
    int m_columns = 4;
    int m_rows = 4;
    Cell m_startCell;
    Cell m_goalCell;
    D3DXVECTOR2 m_parking{-1.0f, 2.5f};
    int m_startPushes = 0;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
