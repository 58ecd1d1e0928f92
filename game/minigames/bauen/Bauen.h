#pragma once
// The building puzzle (TYPE "BAUEN"): flat pieces made of grid cells, each cell's four
// triangular quarters (top 1, right 2, bottom 4, left 8) filled or empty, lie scattered over
// the playing field; the player drags them onto a centred build grid, where they snap to
// cells. The game is solved when, after a drop, every piece lies wholly on the grid and no two
// pieces claim the same quarter of a cell. Picking tests the filled quarters under the mouse,
// so a click on an empty quarter reaches the piece beneath.
//
// Positions are fractions of the playing field; the grid covers SPACE of it. A grid or piece
// without cells (SIZE 0) can never be placed: the game then ends by cancel or close only.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Bauen : public Minispiel {
public:
    struct Bauteil {
        Bauteil(Ulvo::XMLNode* node, Bauen* owner);
        Bauteil(const Bauteil&) = delete;
        Bauteil& operator=(const Bauteil&) = delete;
        ~Bauteil();

        float x = 0.0f;
        float y = 0.0f;
        std::vector<uint32_t> cells;
        int w = 0;
        int h = 0;
        int col = -1;
        int row = -1;
        Ulvo::Texture2DAnimation* animation = nullptr;
        Bauen* owner = nullptr;
    };

    explicit Bauen(Ulvo::XMLNode* node);
    ~Bauen() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Bauen(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    void show() override;
    void hide() override;

    void onMouseButtonDown(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseButtonUp(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseMove(Ulvo::MouseState& state, const UlvoAchse& axis);
    void drawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    // Every piece on the grid, no quarter claimed twice.
    bool solutionTest();
    // A place (column, row) for every piece, in piece order, that solves the game (a search
    // over the grid); empty when there is none.
    std::vector<std::pair<int, int>> plan() const;
    // Drags that put the pieces on a plan's places, each by a filled quarter no piece above
    // covers, from the top of the heap down; a covering piece moved aside when none is free.
    void naechsteZuege(MinispielZuege& zuege) const override;
    // The screen rectangle of a piece, and the screen point of the middle of its cell (i, j).
    Ulvo::FloatRect screenRect(const Bauteil& piece) const;
    D3DXVECTOR2 cellCentre(const Bauteil& piece, int i, int j) const;
    // A filled quarter of the piece lies under the screen point.
    bool hitsFilledQuarter(const Bauteil& piece, const D3DXVECTOR2& mouse) const;
    // The same with the piece's top-left corner at (x, y) in field units.
    bool hitsFilledQuarterAt(const Bauteil& piece, float x, float y, const D3DXVECTOR2& mouse) const;
    // The screen point of the middle of grid cell (column, row).
    D3DXVECTOR2 gridCellCentre(int column, int row) const;

    const std::vector<Bauteil*>& getPieces() const { return m_pieces; }
    const Bauteil* getDragged() const { return m_dragged; }
    int getSizeX() const { return m_sizeX; }
    int getSizeY() const { return m_sizeY; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }

private:
    float cellW() const { return m_spaceX / static_cast<float>(std::max(m_sizeX, 1)); }
    float cellH() const { return m_spaceY / static_cast<float>(std::max(m_sizeY, 1)); }
    void placeAt(Bauteil& piece, float x, float y);
    // atStart: a piece dealt at the field's edge takes the last column or row it fits rather
    // than one it would overhang (a drop keeps its nearest cell, so a piece can be put aside).
    void snap(Bauteil& piece, bool atStart = false);
    // The cell a piece with its top-left corner at (x, y) snaps to; false for none.
    bool snapCell(const Bauteil& piece, float x, float y, bool atStart, int& col, int& row) const;

    std::vector<Bauteil*> m_pieces;
    bool m_visible = false;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
    Ulvo::Texture2DAnimation* m_background = nullptr;
    Bauteil* m_dragged = nullptr;
    D3DXVECTOR2 m_grabOffset{0.0f, 0.0f};
    std::vector<uint32_t> m_grid;
    int m_sizeX = 0;
    int m_sizeY = 0;
    float m_spaceX = 0.75f;
    float m_spaceY = 0.75f;
    float m_offX = 0.125f;
    float m_offY = 0.125f;
};

} // namespace ThreeMatch
