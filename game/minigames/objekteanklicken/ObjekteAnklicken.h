#pragma once
// Find the shown object (TYPE "OBJEKT_KLICKEN"): a preview window shows one shape in its own
// colours; the play window shows a heap of randomly placed, sized and slowly turning shapes,
// all tinted with one colour key, among them exactly one copy of the previewed shape. A click
// on it (also where decoys cover it) wins the round and builds the next; a click on a decoy
// alone is wrong; a click on empty space does nothing. After RUNDEN rounds the game is solved.
//
// Shapes are placed in play-window units: x and y of the top-left corner as fractions of its
// width and height, the size as a fraction of its width (square on screen). With fewer than
// two forms no decoy can differ from the target, so rounds have none; with no form at all no
// round can be built and the game stays unsolvable.
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"
#include "minigames/frame/Minispiel.h"

#include <vector>

namespace Ulvo {
class Texture2DAnimation;
}

namespace ThreeMatch {

class ObjekteAnklicken : public Minispiel {
public:
    struct Form {
        Ulvo::Texture2DAnimation* animation = nullptr;
        ObjekteAnklicken* owner = nullptr;
    };
    struct Objekt {
        Ulvo::Texture2DAnimation* animation = nullptr;
        float x = 0.0f;
        float y = 0.0f;
        float w = 0.0f;
        float h = 0.0f;
        float angle = 0.0f;
        float rotSpeed = 0.0f;
        ObjekteAnklicken* owner = nullptr;
    };

    explicit ObjekteAnklicken(Ulvo::XMLNode* node);
    ~ObjekteAnklicken() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new ObjekteAnklicken(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    // The click that wins this round: the middle of the shown shape, which its turning keeps in
    // place (the next round is dealt only then).
    void naechsteZuege(MinispielZuege& zuege) const override;

    void onSpielClicked(Ulvo::GUIWindow& window);
    void onDrawWindow(Ulvo::GUIWindow& window, const bool& visible);

    // The screen rectangle of a shape before its turn.
    Ulvo::FloatRect screenRect(const Objekt& objekt) const;
    // The shape's turned rectangle holds the screen point.
    bool hits(const Objekt& objekt, const D3DXVECTOR2& point) const;

    const std::vector<Objekt*>& getObjekte() const { return m_objekte; }
    const std::vector<Form*>& getFormen() const { return m_formen; }
    int getTarget() const { return m_target; }
    int getRunde() const { return m_runde; }
    int getRunden() const { return m_runden; }
    Ulvo::GUIWindow* getSpiel() const { return m_spiel; }
    Ulvo::GUIWindow* getVorschau() const { return m_vorschau; }

private:
    void nextRound();
    void clearObjekte();
    Objekt* place(const Form& form);

    Ulvo::GUIWindow* m_vorschau = nullptr;
    Ulvo::GUIWindow* m_spiel = nullptr;
    std::vector<Objekt*> m_objekte;
    std::vector<Form*> m_formen;
    int m_target = -1;
    D3DXCOLOR m_colorKey{0.0f, 0.0f, 0.0f, 0.0f};
    int m_runde = -1;
    int m_runden = 5;
    int m_anzahlA = 10;
    int m_anzahlB = 10;
    float m_sizeA = 0.1f;
    float m_sizeB = 0.1f;
    float m_rotSpeedA = -180.0f;
    float m_rotSpeedB = 180.0f;
};

} // namespace ThreeMatch
