#pragma once
// Pick the right path (TYPE "RICHTIGER_PFAD"): a picture fills the work window and checkboxes
// over it mark the possible paths, at most one ticked at a time. OK with a wrong path ticked
// (or with none ticked) fails and starts the round again, the ticks and the time left as they
// are, while a new play starts with none ticked (else the last play's answer would solve it at
// once); OK with the right one solves the game, and during the end delay the goal animation
// shows as the work window's background, drawn with the picture.
#include "foundation/objects/NamedObject.h"
#include "minigames/frame/Minispiel.h"

#include <vector>

namespace Ulvo {
class GUICheckboxButton;
class Texture2DAnimation;
} // namespace Ulvo

namespace ThreeMatch {

class RichtigenPfadAnklicken : public Minispiel {
public:
    // One path: its checkbox over the picture, and around it the place that ticks it too (the
    // drawn start of the path is wider than the box).
    class Gebiet : public Ulvo::NamedObject {
    public:
        explicit Gebiet(Ulvo::XMLNode* node);
        ~Gebiet() override;
        void onCheckboxChanged(Ulvo::GUICheckboxButton& checkbox);
        void onPlacePressed(Ulvo::GUIWindow& window, const bool& pressed);

        Ulvo::GUICheckboxButton* checkbox = nullptr;
        Ulvo::GUIWindow* place = nullptr; // null without the template RICHTIGER_WEG_FELD
        bool checked = false;
        bool richtig = false;
        sigslot::signal1<Gebiet&> selected;
    };

    explicit RichtigenPfadAnklicken(Ulvo::XMLNode* node);
    ~RichtigenPfadAnklicken() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new RichtigenPfadAnklicken(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;
    // A new play starts with no path ticked (a wrong answer's restart keeps the ticks).
    void show() override;

    void onGebietSelected(Gebiet& gebiet);
    void onOK(Ulvo::GUIWindow& button);

    const std::vector<Gebiet*>& getGebiete() const { return m_gebiete; }
    Ulvo::GUIWindow* getArbeit() const { return m_arbeit; }
    Ulvo::GUIWindow* getOkButton() const { return m_ok; }

private:
    std::vector<Gebiet*> m_gebiete; // one reference each
    Ulvo::GUIWindow* m_arbeitsFlaeche = nullptr;
    Ulvo::GUIWindow* m_arbeit = nullptr;
    Ulvo::GUIWindow* m_ok = nullptr;
    Ulvo::Texture2DAnimation* m_goalAnimation = nullptr;
    Ulvo::Texture2DAnimation* m_animation = nullptr;
};

} // namespace ThreeMatch
