#pragma once
// The swapping tiles (TYPE "AUSTAUSCH"): tiles, each with a picture of its own, fill a grid
// of SPALTEN columns and as many rows as they need, in file order; start shuffles them. The
// player clicks one tile (it shows red) and then another, and the two glide into each other's
// cells. The game is solved, tested after each click that selects nothing new, when every tile
// stands in its home cell.
//
// A tile's rectangle is fractions 0..1 of the playing field. The list order is the drawing
// order; a clicked tile goes to its end, so it is drawn on top. Fewer than two tiles give
// nothing to shuffle: such a definition is logged and starts as it stands.
#include <d3dx9math.h>

#include "foundation/helpers/Interpolation.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Austausch : public Minispiel {
public:
    // A tile: its cell rectangle (left, top, right, bottom) as it glides, its picture, its
    // home cell and the cell it stands in.
    struct Teil {
        explicit Teil(Ulvo::XMLNode* node);
        Teil(const Teil&) = delete;
        Teil& operator=(const Teil&) = delete;
        ~Teil();

        Ulvo::Interpolation<D3DXVECTOR4, float> rect{D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f)};
        Ulvo::Texture2DAnimation* animation = nullptr;
        D3DXVECTOR4 homeRect{0.0f, 0.0f, 0.0f, 0.0f};
        int place = 0;
        int home = 0;
        bool marked = false;
    };

    explicit Austausch(Ulvo::XMLNode* node);
    ~Austausch() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Austausch(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    void onSpielfeldClicked(Ulvo::GUIWindow& window);
    void drawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);
    // The click at a screen point (the click slot reads the mouse and calls it).
    void clickAt(const D3DXVECTOR2& screen);

    // The tile's rectangle on screen as it stands now.
    Ulvo::FloatRect screenRect(const Teil& teil) const;
    // The screen point in the middle of a cell.
    D3DXVECTOR2 cellCentre(int cell) const;
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;
    const std::vector<Teil*>& getTeile() const { return m_teile; }
    const Teil* getSelected() const { return m_selected; }
    int getSpalten() const { return m_spalten; }
    int getZeilen() const { return m_zeilen; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }

private:
    D3DXVECTOR4 cellRect(int cell) const;

    Ulvo::GUIWindow* m_spielfeld = nullptr;
    std::vector<Teil*> m_teile;
    Teil* m_selected = nullptr;
    Teil* m_second = nullptr;
    int m_spalten = 1;
    int m_zeilen = 0;
};

} // namespace ThreeMatch
