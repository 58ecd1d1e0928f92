#pragma once
// Pick the right symbols (TYPE "RICHTIGES_SYMBOL"): areas, each a window with a picture, a
// text and a checkbox, lie on a work surface; the player ticks the right ones and presses OK.
// Ticking an area unticks every other area that shares a bit of its GROUP mask. When the
// ticks match the right areas exactly the game reports at once; otherwise it fails and starts
// again, the areas shuffled (with ANORDNUNG) and unticked, the time running on.
#include "foundation/objects/NamedObject.h"
#include "minigames/frame/Minispiel.h"

#include <string>
#include <vector>

namespace Ulvo {
class GUICheckboxButton;
class GUILabel;
class Texture2DAnimation;
} // namespace Ulvo

namespace ThreeMatch {

class RichtigesSymbolAnklicken : public Minispiel {
public:
    class Gebiet : public Ulvo::NamedObject {
    public:
        explicit Gebiet(Ulvo::XMLNode* node);
        ~Gebiet() override;
        void onCheckboxChanged(Ulvo::GUICheckboxButton& checkbox);
        // A press anywhere on the card ticks or unticks it, as its checkbox does.
        void onCardPressed(Ulvo::GUIWindow& card, const bool& taken);

        Ulvo::GUIWindow* window = nullptr;
        Ulvo::GUILabel* label = nullptr;
        Ulvo::GUICheckboxButton* checkbox = nullptr;
        std::wstring textId;
        std::wstring font = L"default";
        std::wstring fontStyle = L"default";
        Ulvo::Texture2DAnimation* animation = nullptr;
        bool richtig = false;
        int group = -1;
        sigslot::signal2<Gebiet&, const bool&> toggled;
    };

    explicit RichtigesSymbolAnklicken(Ulvo::XMLNode* node);
    ~RichtigesSymbolAnklicken() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new RichtigesSymbolAnklicken(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    // A new play starts with nothing ticked, also without ANORDNUNG (whose restart after a
    // wrong answer keeps the ticks): else the last play's answer would solve it at once.
    void show() override;

    void onGebietToggled(Gebiet& gebiet, const bool& checked);
    void onOK(Ulvo::GUIWindow& button);
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;

    const std::vector<Gebiet*>& getGebiete() const { return m_gebiete; }
    Ulvo::GUIWindow* getOkButton() const { return m_ok; }
    Ulvo::GUIWindow* getArbeit() const { return m_arbeit; }
    int getAnordnung() const { return m_anordnung; }

private:
    void untick();

    std::vector<Gebiet*> m_gebiete; // one reference each
    Ulvo::GUIWindow* m_arbeitsFlaeche = nullptr;
    Ulvo::GUIWindow* m_arbeit = nullptr;
    Ulvo::GUIWindow* m_ablage = nullptr;
    Ulvo::GUIWindow* m_ok = nullptr;
    int m_anordnung = -1;
    bool m_hasAnordnung = false;
};

} // namespace ThreeMatch
