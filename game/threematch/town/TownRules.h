#pragma once
// The town's rules around a level and a minigame: the wrath meter with its stages, the
// catastrophe an empty meter brings over the town, and what a minigame's score saves of a
// building's cost. They keep the wrath's state of the running level and reach the board, the
// town and the screens only through the Level they are handed, so they run without a window or
// a device; the game controller feeds them and shows what they report.
#include <cstddef>
#include <vector>

namespace ThreeMatch {

class Gebaeude;
class Rohstoff;
class Rohstoffklasse;

class TownRules {
public:
    // A wrath stage of the running level: stones of `from` turn into `to` while the wrath
    // meter stands above the stage's threshold.
    struct WrathStage {
        Rohstoff* from = nullptr;
        Rohstoff* to = nullptr;
        bool reached = false;
    };

    // What the wrath rule does to the running level and the town, and tells the screens; called
    // in the order the rule runs.
    class Level {
    public:
        virtual ~Level() = default;
        // The level's stones of one type turn into another over the seconds.
        virtual void replaceStoneType(Rohstoff* from, Rohstoff* to, double seconds) = 0;
        // A stage was reached (true) or left (false).
        virtual void wrathStageTurned(bool reached) = 0;
        // After the stages of one update: whether any was reached, whether any was left.
        virtual void wrathStagesChanged(bool added, bool removed) = 0;
        // The active profile's story level; -1 without a profile.
        virtual int storyLevel() const = 0;
        // The catastrophe's strike: tears down one or two built buildings; how many.
        virtual int strikeTown() = 0;
        // A catastrophe came (its losses are kept); its screen is to be shown.
        virtual void catastropheCame() = 0;
    };

    // What a minigame score saves of a building on a difficulty: the saving r in single
    // precision, its whole per cent, and the part of an amount that is still paid.
    struct MinigameSaving {
        float saving = 0.0f;
        int percent = 0;
        int reached = 0;     // the share of the minigame's time that was left, in whole per cent
        double factor = 1.0; // 1 - r, what the building is built with
        int paid(int amount) const;
    };
    // A building settled after its minigame: the saving, the full amounts of its cost and what
    // of them was paid (every resource of the cost, not the first kind only).
    struct Settlement {
        MinigameSaving saving;
        int amount = 0;
        int paid = 0;
        // What was really saved of the amounts, in per cent rounded to the nearest: each resource
        // pays a whole number, so this may differ from the saving's own per cent.
        int savedPercent = 0;
    };

    // A stage's change of stones takes this long.
    static constexpr double kStageChangeSeconds = 2.0;
    // From this story level on a catastrophe tears nothing down and stays pending no longer.
    static constexpr int kLastStoryLevel = 100;

    // The wrath meter's fill: 1 - stock / maximum, full (1) without a usable maximum.
    static double wrathFill(double stock, double maximum);
    // The stone types of a level in the order of its wrath stages: the types of class "BONUS"
    // first (in the reverse of the level's order), then the others by falling value, the later
    // one first among equal values; the wrath class's types are left out.
    static std::vector<Rohstoff*> orderWrathTypes(const std::vector<Rohstoff*>& levelTypes,
                                                  const Rohstoffklasse* wrath);

    // A level starts: the wrath timer restarts. Unless resuming, the wrath class (when there is
    // one) is filled up to the maximum after a catastrophe and whenever it stands empty, and no
    // catastrophe stays pending; resuming, a catastrophe is pending exactly when the meter stands
    // empty (what it tore down is not known then). The stages pair the ordered level types with the stones of the
    // fill class, as far as it has stones.
    void startLevel(bool resume, Rohstoffklasse* wrath, int maximum, const std::vector<Rohstoff*>& levelTypes,
                    const Rohstoffklasse* fill);
    // The game time of a running level.
    void advance(double gameDt) { m_timer += gameDt; }
    // One update of the wrath meter: the stock kept within the maximum (empty while a catastrophe
    // is pending) and joined by what the level collected; the stages turned by the fill; then
    // per full interval of the timer one stone of the stock taken, or, the stock empty and no
    // catastrophe pending, a catastrophe.
    void updateWrath(Rohstoffklasse& wrath, int maximum, double interval, Level& level);

    bool isCatastrophePending() const { return m_catastrophePending; }
    int getCatastropheLosses() const { return m_catastropheLosses; }
    // The level's result leads to the catastrophe's screen: one is pending and tore down something.
    bool showsCatastropheResult() const { return m_catastrophePending && m_catastropheLosses > 0; }
    double getWrathTimer() const { return m_timer; }
    const std::vector<WrathStage>& getWrathStages() const { return m_stages; }
    std::vector<WrathStage>& wrathStages() { return m_stages; }

    static MinigameSaving minigameSaving(float score, int schwierigkeit);
    // Builds the building (none: nothing) at what the score leaves of its cost.
    static Settlement settleBuilding(Gebaeude* building, float score, int schwierigkeit);

private:
    std::vector<WrathStage> m_stages;
    double m_timer = 0.0;
    bool m_catastrophePending = false;
    int m_catastropheLosses = 0;
};

} // namespace ThreeMatch
