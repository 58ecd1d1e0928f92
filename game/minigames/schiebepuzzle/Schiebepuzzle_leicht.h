#pragma once
// The sliding tiles (TYPE "SCHIEBEPUZZLE_REV"): a grid of picture tiles with one empty cell
// (the gap) and a goal marker on another cell. A click on a tile beside the gap slides it into
// the gap, so the gap moves to the clicked cell; the game is solved when the gap reaches the
// goal. Tiles glide as the jigsaw's pieces do; after each move that does not solve, clicks
// wait half a second. A grid of fewer than two cells or a definition without tiles cannot be
// played: it is logged and stays unsolvable.
#include <d3dx9math.h>

#include "foundation/helpers/Interpolation.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Schiebepuzzle_leicht : public Minispiel {
public:
    struct Kachel {
        explicit Kachel(Ulvo::XMLNode* node);
        Kachel(const Kachel& other);
        Kachel& operator=(const Kachel&) = delete;
        ~Kachel();

        Ulvo::Texture2DAnimation* animation = nullptr;
        Ulvo::Interpolation<D3DXVECTOR2, float> position{D3DXVECTOR2(0.0f, 0.0f)};
    };

    explicit Schiebepuzzle_leicht(Ulvo::XMLNode* node);
    ~Schiebepuzzle_leicht() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Schiebepuzzle_leicht(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    // The cells the gap passes on a shortest way to the goal (a search over the gap's cells),
    // the goal last; each is clicked in turn. Empty once solved.
    std::vector<uint32_t> gapWay() const;
    void naechsteZuege(MinispielZuege& zuege) const override;

    void onClick(Ulvo::GUIWindow& window);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);
    // The click at a screen point (the click slot reads the mouse and calls it). A click while
    // the last slide's pause runs is kept and played when the pause ends (the latest one wins).
    void clickAt(const D3DXVECTOR2& screen);

    uint32_t getColumns() const { return m_columns; }
    uint32_t getRows() const { return m_rows; }
    uint32_t getGap() const { return m_gap; }
    uint32_t getGoal() const { return m_goal; }
    const std::vector<Kachel*>& getGrid() const { return m_grid; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    // The screen point in the middle of a cell.
    D3DXVECTOR2 cellCentre(uint32_t index) const;
    // A cell's rectangle on the screen.
    Ulvo::FloatRect cellRect(uint32_t index) const;
    float getCooldown() const { return m_cooldown; }

private:
    D3DXVECTOR2 cellCorner(uint32_t index) const;
    // The slide of the tile in that cell into the gap beside it, if there is one.
    void slide(uint32_t clicked);
    void clearTiles();
    bool playable() const { return !m_vorlagen.empty() && m_columns * m_rows >= 2; }

    std::vector<Kachel*> m_vorlagen;
    Kachel* m_ziel = nullptr;
    std::vector<Kachel*> m_kacheln;
    std::vector<Kachel*> m_grid;
    uint32_t m_columns = 4;
    uint32_t m_rows = 4;
    uint32_t m_gap = 0;
    uint32_t m_goal = 0;
    float m_cooldown = 0.0f;
    int64_t m_queued = -1; // the cell clicked during the pause, -1 for none
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
