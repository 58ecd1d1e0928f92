#pragma once
// The sorting game (TYPE "ZUORDNEN"): items lie at random places on one or more shelves; the
// player drags each into one of the areas and presses OK. The check wants every item on one of
// its target areas, every area holding at least MIN_GEGENSTAND_ANZ and no more items than
// belong there, and every area that something belongs to occupied (CHECK_PLACES 0 skips all
// that), and each SUMME_VON total of the items' values met. A right check reports the score at
// once; a wrong one flashes the wrong items and areas red for two seconds, emits failed, and
// play goes on with everything where it lies.
//
// Items are GUI windows the GUI itself drags (MOUSE_MOVE); they are kept inside the work area.
// An item lies on the area its window overlaps most when it is dropped.
#include "minigames/frame/Minispiel.h"

#include <string>
#include <vector>

namespace Ulvo {
class GUIAnimationsGoal;
class Texture2DAnimation;
} // namespace Ulvo

namespace ThreeMatch {

class MinispielZuordnen : public Minispiel {
public:
    class Gegenstand;
    class Gebiet : public Ulvo::NamedObject {
    public:
        explicit Gebiet(Ulvo::XMLNode* node);
        ~Gebiet() override;

        Ulvo::GUIWindow* window = nullptr;
        std::wstring textId;
        Ulvo::Texture2DAnimation* image = nullptr;
        std::wstring fontStyle = L"default";
        int count = 0;
        int expected = 0;
        float flashLeft = 0.0f;
        float flashLength = 2.0f;
        // The margin round the window in its grid cell, as the data gives it.
        float marginX = 0.0f;
        float marginY = 0.0f;
        int minItems = 0;
        std::vector<Gegenstand*> placed;
    };

    class Gegenstand : public Ulvo::NamedObject {
    public:
        Gegenstand(Ulvo::XMLNode* node, MinispielZuordnen* owner);
        ~Gegenstand() override;
        bool isTarget(const Gebiet* gebiet) const;

        Ulvo::GUIWindow* window = nullptr;
        std::wstring textId;
        Ulvo::Texture2DAnimation* image = nullptr;
        std::wstring font = L"default";
        Gebiet* area = nullptr;
        std::vector<Gebiet*> targets;
        MinispielZuordnen* game = nullptr;
        float flashLeft = 0.0f;
        float flashLength = 2.0f;
        int value = 0;
    };

    explicit MinispielZuordnen(Ulvo::XMLNode* node);
    ~MinispielZuordnen() override;
    static Minispiel* create(Ulvo::XMLNode* node) { return new MinispielZuordnen(node); }

    void hook() override {}
    void update(const double& dt) override;
    void createGUI() override;
    bool start() override;

    // The OK button: true when the placement is right (the score is then reported).
    bool check();
    // The moves a player makes next, on what is drawn (see MinispielZug).
    void naechsteZuege(MinispielZuege& zuege) const override;
    // Where each item goes (an index into the areas, -1: it stays), in item order: onto one of
    // its targets, the items of each SUMME_VON meeting its total; empty when nothing fits.
    std::vector<int> platzierung() const;
    void onOK(Ulvo::GUIWindow& button);
    void onItemPressed(Ulvo::GUIWindow& window, const bool& taken);
    void onItemReleased(Ulvo::GUIWindow& window, const bool& taken);
    void onItemMoved(Ulvo::GUIWindow& window);
    void onLayoutChanged(Ulvo::GUIWindow& window);
    void onGoalReached(Ulvo::GUIWindow& window, Ulvo::GUIAnimationsGoal& goal);
    void onFlashDraw(Ulvo::GUIWindow& window, const bool& visible);

    // The alpha of the error flash at a position (seconds along its colour track, 0..1.25).
    static float flashAlpha(float position);

    const std::vector<Gebiet*>& getGebiete() const { return m_areas; }
    const std::vector<Gegenstand*>& getGegenstaende() const { return m_items; }
    const std::vector<Ulvo::GUIWindow*>& getAblagen() const { return m_shelves; }
    Ulvo::GUIWindow* getArbeitsFlaeche() const { return m_workArea; }
    Ulvo::GUIWindow* getOkButton() const { return m_ok; }
    int getGridColumns() const { return m_gridColumns; }
    int getGridRows() const { return m_gridRows; }
    const std::vector<std::vector<Gebiet*>>& getSumAreas() const { return m_sumAreas; }
    const std::vector<int>& getSumTargets() const { return m_sumTargets; }

private:
    Gebiet* findArea(const std::wstring& name) const;
    Gegenstand* itemOf(const Ulvo::GUIWindow& window) const;
    void dropItem(Gegenstand& item);
    void keepInside(Ulvo::GUIWindow& window);
    void keepAllInside();
    // Each area's window shrunk, in its grid cell, to its picture's proportions: the box the
    // player sees is the window the goods drop into and the flash frames.
    void fitAreas();

    std::vector<Gegenstand*> m_items; // one reference each
    std::vector<Gebiet*> m_areas;     // one reference each
    Ulvo::GUIWindow* m_workArea = nullptr;
    Ulvo::GUIWindow* m_areaPanel = nullptr;
    std::vector<Ulvo::GUIWindow*> m_shelves; // one reference each
    Ulvo::GUIWindow* m_ok = nullptr;
    bool m_gridOn = false;
    int m_gridColumns = -1;
    int m_gridRows = 1;
    bool m_checkPlaces = true;
    std::vector<std::vector<Gebiet*>> m_sumAreas;
    std::vector<int> m_sumTargets;
};

} // namespace ThreeMatch
