#pragma once
// The pairs game (TYPE "MEMORY"): every card picture of the definition lies twice, face down,
// in a grid of SPALTEN columns; the player turns two cards per move. Equal cards stay open,
// unequal ones turn back after two seconds (or at the next click); the game is solved when
// every pair is open. Cards are laid out in fractions of the playing field, which keeps the
// grid's proportions, and take the clicks the field receives.
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <cstdint>
#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class Memory : public Minispiel {
public:
    // One card; a template holds one pair's pictures.
    struct Teil {
        Teil() = default;
        Teil(const Teil& other);
        Teil& operator=(const Teil&) = delete;
        ~Teil();

        uint32_t id = 0;
        Ulvo::Texture2DAnimation* front = nullptr;
        Ulvo::Texture2DAnimation* back = nullptr;
        Ulvo::FloatRect rect; // the card's cell in field units
        bool faceUp = false;
    };

    // How long a wrong pair stays open.
    static constexpr float kTurnBackTime = 2.0f;

    explicit Memory(Ulvo::XMLNode* node);
    ~Memory() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new Memory(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    // A click at the screen point (the field's click slot passes the mouse).
    void clickAt(const D3DXVECTOR2& screen);
    // The card's rectangle on the screen.
    Ulvo::FloatRect screenRect(const Teil& card) const;
    D3DXVECTOR2 centre(const Teil& card) const;
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;

    const std::vector<Teil*>& getCards() const { return m_cards; }
    const std::vector<Teil*>& getClosedCards() const { return m_closed; }
    const Teil* getFirstCard() const { return m_first; }
    const Teil* getSecondCard() const { return m_second; }
    float getTurnBackLeft() const { return m_turnBackLeft; }
    int getColumns() const { return m_columns; }
    int getRows() const { return m_rows; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }

private:
    void onClick(Ulvo::GUIWindow& field);
    void onDrawSpielfeld(Ulvo::GUIWindow& window, const bool& visible);
    void turnBack();

    Ulvo::GUIWindow* m_spielfeld = nullptr;
    std::vector<Teil*> m_cards;     // owned, grid order
    std::vector<Teil*> m_closed;    // pairs not found yet
    std::vector<Teil*> m_templates; // owned, one per pair
    Teil* m_first = nullptr;
    Teil* m_second = nullptr;
    float m_turnBackLeft = 0.0f;
    int m_columns = 1;
    int m_rows = 0;
};

} // namespace ThreeMatch
