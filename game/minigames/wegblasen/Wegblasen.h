#pragma once
// Blow the objects away (TYPE "PUSTEN"): objects lie scattered over the playing field; while
// the player holds a mouse button over the field, every object is pushed away from the pointer
// with a force that falls off with distance (POW) and grows with the time the button is held
// (STRENGTH from A to B between the hold times of STRENGTH_TIMER). Objects slide, are braked
// and stop at the field's edges; the game is solved when every object touches an edge.
//
// Positions and sizes are field units (0..1 of the playing field); SIZE is given in pixels of
// a 1024 x 768 reference. The push of a frame uses the strength of the frame before. Equal
// hold times make the ramp a step at that time. While the button is held over the field the
// pointer animation (MOUSE_ANI) is drawn at the pointer.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Wegblasen : public Minispiel {
public:
    struct Objekt {
        Objekt(Ulvo::XMLNode* node, Wegblasen* owner);
        Objekt(const Objekt& other);
        Objekt& operator=(const Objekt&) = delete;
        ~Objekt();

        D3DXVECTOR2 accel{0.0f, 0.0f};
        D3DXVECTOR2 velocity{0.0f, 0.0f};
        D3DXVECTOR2 pos{0.0f, 0.0f};
        D3DXVECTOR2 size{0.0f, 0.0f};
        float angle = 0.0f;
        float mass = 1.0f;
        float brems = 1.0f;
        Ulvo::Texture2DAnimation* animation = nullptr;
        Wegblasen* owner = nullptr;

        // Touches an edge of the field.
        bool atEdge() const;
    };

    explicit Wegblasen(Ulvo::XMLNode* node);
    ~Wegblasen() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Wegblasen(node); }

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

    // The screen rectangle of an object (before its turn).
    Ulvo::FloatRect screenRect(const Objekt& objekt) const;
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;

    const std::vector<Objekt*>& getObjekte() const { return m_objekte; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    float getStrength() const { return m_strength; }
    float getHoldTime() const { return m_holdTime; }
    bool isPressed() const { return m_pressed; }

private:
    // The pointer lies over the field (the field's relative position in at).
    bool pointerInField(D3DXVECTOR2& at) const;

    std::vector<Objekt*> m_objekte;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
    bool m_visible = false;
    Ulvo::Texture2DAnimation* m_background = nullptr;
    Ulvo::Texture2DAnimation* m_mouseAnimation = nullptr;
    float m_strength = 0.0f;
    float m_strengthA = 0.0f;
    float m_strengthB = 0.0f;
    float m_holdTime = 0.0f;
    float m_strengthTimerA = 1.0f;
    float m_strengthTimerB = 1.0f;
    bool m_pressed = false;
    float m_pow = 1.0f;
};

} // namespace ThreeMatch
