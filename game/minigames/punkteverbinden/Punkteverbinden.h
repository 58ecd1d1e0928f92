#pragma once
// Connect the dots (TYPE "PUNKTE_VERBINDEN"): dots lie on a picture; the player joins two by
// clicking one and then the other. Each dot lists the dots it may be joined to (valid) and the
// joins it must end up with (goal); -1 in a list stands for any dot. The game is solved when
// every dot has exactly its goal joins. A right click on a dot undoes all its joins; a middle
// click selects a dot without joining.
//
// Positions and sizes are fractions of the playing field; a dot's position is its middle.
// Once solved, the board is final: later clicks change nothing.
#include <d3dx9math.h>

#include "devices/input/KeyState.h"
#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/LineDrawer.h"
#include "minigames/frame/Minispiel.h"

#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Punkteverbinden : public Minispiel {
public:
    struct Punkt {
        explicit Punkt(Ulvo::XMLNode* node);
        Punkt(const Punkt&) = delete;
        Punkt& operator=(const Punkt&) = delete;
        ~Punkt();

        // Never to itself; else when this dot's valid or goal list holds the other's ID (or -1).
        bool mayJoin(const Punkt& other) const;
        // Both ways, once; nothing when this dot may not join the other.
        void connect(Punkt& other);
        void disconnect(Punkt& other);
        bool isConnected(const Punkt* other) const;
        // Exactly the goal joins, each goal ID used once.
        bool satisfied(bool onlyGoals) const;
        bool isGoal(const Punkt& other) const;

        D3DXVECTOR2 position{0.0f, 0.0f};
        D3DXVECTOR2 size{0.0f, 0.0f};
        int id = 0;
        std::vector<int> valid;
        std::vector<int> goal;
        std::vector<Punkt*> connections;
        Ulvo::Texture2DAnimation* animation = nullptr;
    };

    explicit Punkteverbinden(Ulvo::XMLNode* node);
    ~Punkteverbinden() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Punkteverbinden(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    void show() override;
    void hide() override;

    void onMousePressed(Ulvo::MouseState& state, const UlvoMouseButton& button);
    void onMouseReleased(Ulvo::MouseState&, const UlvoMouseButton&) {}
    void onMouseMoved(Ulvo::MouseState&, const UlvoAchse&) {}
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);

    // Every dot satisfied.
    bool solutionTest() const;
    // The dots in the order one stroke along every goal join visits them (indices into the
    // dots); empty when the goal joins take more than one stroke.
    std::vector<size_t> stroke() const;
    // Clicks along the stroke (joins made so far undone first, by a right click on their dots).
    void naechsteZuege(MinispielZuege& zuege) const override;
    // A dot's drawn rectangle and middle on the screen.
    Ulvo::FloatRect screenRect(const Punkt& punkt) const;
    D3DXVECTOR2 screenCentre(const Punkt& punkt) const;

    const std::vector<Punkt*>& getPunkte() const { return m_punkte; }
    const Punkt* getSelected() const { return m_selected; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    bool hasLines() const { return m_lines.exists(); }

private:
    void test();

    std::vector<Punkt*> m_punkte;
    Punkt* m_selected = nullptr;
    Ulvo::Texture2DAnimation* m_background = nullptr;
    bool m_onlyGoalsToFinish = true;
    LineDrawer m_lines;
    bool m_input = false;
    Ulvo::GUIWindow* m_spielfeld = nullptr;
};

} // namespace ThreeMatch
