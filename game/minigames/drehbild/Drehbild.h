#pragma once
// The turning tiles (TYPE "DREHBILD"): a picture cut into a grid of SIZE tiles, each turned by
// a random number of quarter turns at start. A left click turns the tile under the mouse a
// quarter turn one way, a right click the other way; the game is solved, as soon as the turn
// is ordered, when every tile stands upright (within 20 degrees).
//
// The turns are drawn from a generator of the game's own, seeded by the tick count at each
// start, so that a start leaves the shared random sequence of the rest of the game alone.
// Tiles are kept column by column, top to bottom; their rectangles are fractions of the
// playing field. Without a picture nothing is drawn, but the game still plays.
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

class Drehbild : public Minispiel {
public:
    struct Teil {
        // The angle in degrees; its end is where the last click sent it.
        Ulvo::Interpolation<float, float> angle{0.0f};
        Ulvo::FloatRect rect;
        int index = 0;
    };

    explicit Drehbild(Ulvo::XMLNode* node);
    ~Drehbild() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Drehbild(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    void onLeftClick(Ulvo::GUIWindow& window);
    void onRightClick(Ulvo::GUIWindow& window);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);
    // A click at a screen point: a quarter turn forward (left) or back (right).
    void clickAt(const D3DXVECTOR2& screen, bool right);

    // Within 20 degrees of upright by the end angle.
    static bool upright(float endAngle);
    // The tile's rectangle on screen.
    Ulvo::FloatRect screenRect(const Teil& teil) const;
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;
    const std::vector<Teil*>& getTeile() const { return m_teile; }
    int getColumns() const { return m_columns; }
    int getRows() const { return m_rows; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    const Ulvo::Texture2DAnimation* getPicture() const { return m_picture; }

private:
    void clearTiles();
    // The C runtime's sequence, on a state of the game's own.
    int nextRandom();

    Ulvo::GUIWindow* m_spielfeld = nullptr;
    std::vector<Teil*> m_teile;
    int m_columns = 4;
    int m_rows = 4;
    Ulvo::Texture2DAnimation* m_picture = nullptr;
    bool m_usePictureAspect = false;
    uint32_t m_random = 1;
};

} // namespace ThreeMatch
