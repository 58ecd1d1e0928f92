#pragma once
// Spot the differences (TYPE "UNTERSCHIEDE"): the playing field holds one window per difference
// (UNTERSCHIED entries), each over one difference of the picture and showing its picture; a
// click on it (where its picture is opaque, when it has one) finds it, and its window fades
// to its "AUS" state. A label counts the differences still to find; when all are found the
// game is solved. Each game's windows come from the templates under its PRÄFIX.
#include "minigames/frame/Minispiel.h"

#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {
class GUILabel;
class Texture2DAnimation;
} // namespace Ulvo

namespace ThreeMatch {

class UnterschiedeAnklicken : public Minispiel {
public:
    // One difference: its window (a clone of the template GUI names, placed by GUIRECT inside
    // the field) and its picture.
    class UTeil : public sigslot::has_slots<> {
    public:
        explicit UTeil(Ulvo::XMLNode* node);
        UTeil(const UTeil&) = delete;
        UTeil& operator=(const UTeil&) = delete;
        ~UTeil() override;

        // Shown again ("AN" at once) and not found.
        void reset();
        void onClicked(Ulvo::GUIWindow& window);

        Ulvo::GUIWindow* window = nullptr;
        bool found = false;
        Ulvo::Texture2DAnimation* animation = nullptr;
    };

    explicit UnterschiedeAnklicken(Ulvo::XMLNode* node);
    ~UnterschiedeAnklicken() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new UnterschiedeAnklicken(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    const std::vector<UTeil*>& getTeile() const { return m_teile; }
    Ulvo::GUIWindow* getSpielfeld() const { return m_spielfeld; }
    Ulvo::GUILabel* getLabel() const { return m_label; }
    int countLeft() const;

private:
    // The label's text with the number left in it.
    void updateLabel(int left);

    Ulvo::GUIWindow* m_spielfeld = nullptr;
    Ulvo::GUILabel* m_label = nullptr;
    std::wstring m_labelTextId;
    std::vector<UTeil*> m_teile;
};

} // namespace ThreeMatch
