#pragma once
// The concentric rings (TYPE "RING"): a round picture cut into rings around the playing
// field's middle, each turned by a random angle at start. The player grabs a ring with the
// left button and drags it around the middle; the game is solved when every turnable ring
// stands within DELTA_WINKEL degrees of upright, tested while dragging and on release. A ring
// may carry an animation that plays once it and every larger ring stand right (on the hard
// difficulty only after the release).
//
// Radii are the definition's units: RADIUS_MAX of them span the smaller side of the field in
// pixels. Without a positive RADIUS_MAX no ring has a size on screen: such a definition is
// logged, nothing is drawn and nothing can be grabbed, so it stays unsolvable. Input counts
// only while the game is shown.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "minigames/frame/Minispiel.h"

#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Ring : public Minispiel {
public:
    struct Teil {
        explicit Teil(Ulvo::XMLNode* node);
        Teil(const Teil&) = delete;
        Teil& operator=(const Teil&) = delete;
        ~Teil();

        float inner = 0.0f;
        float outer = 0.0f;
        float angle = 0.0f; // degrees
        Ulvo::Texture2DAnimation* animation = nullptr;
        bool turnable = true;
        bool startAnimation = false;
    };

    explicit Ring(Ulvo::XMLNode* node);
    ~Ring() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Ring(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    void show() override;
    void hide() override;

    void onMouseDown(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseUp(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseMove(Ulvo::MouseState& state, const UlvoAchse& axis);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    // Every turnable ring within DELTA_WINKEL of upright (angles brought into 0..360); starts
    // or stops the rings' animations on the way.
    bool uprightTest(bool dragging);
    // The ring stands within DELTA_WINKEL of upright (a fixed ring always does).
    bool standsRight(const Teil& ring) const;
    // The field's middle on screen and the pixels of one radius unit (0 without a positive
    // RADIUS_MAX or a field).
    D3DXVECTOR2 centre() const;
    float pixelsPerUnit() const;
    // The angle of a screen point about the middle, in degrees.
    float mouseAngle(const D3DXVECTOR2& point) const;
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;

    const std::vector<Teil*>& getRinge() const { return m_ringe; }
    const Teil* getGrabbed() const { return m_grabbed; }
    float getGrabAngle() const { return m_grabAngle; }
    double getRadiusMax() const { return m_radiusMax; }
    float getDeltaWinkel() const { return m_deltaWinkel; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }

private:
    std::vector<Teil*> m_ringe;
    Ulvo::Texture2DAnimation* m_background = nullptr;
    Teil* m_grabbed = nullptr;
    float m_lastAngle = 0.0f;
    float m_grabAngle = 0.0f;
    double m_radiusMax = 0.0;
    float m_deltaWinkel = 2.0f;
    bool m_input = false;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
