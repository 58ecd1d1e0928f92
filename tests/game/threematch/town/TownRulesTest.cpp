// The town's rules without a window or a device: the minigame's saving and the building it
// settles, the order of the wrath stages and their refill at a level's start, the stages
// turning with the meter, and the catastrophe an empty meter brings.
#include "BoardTestSupport.h"
#include "GameTestSupport.h"

#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/GebaeudeManager.h"
#include "threematch/town/TownRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace ThreeMatch;

namespace {

TEST(TownRules, AMinigameScoreSavesBySingleprecisionRulesOnEachDifficulty)
{
    struct Case {
        int difficulty;
        int percent;
        int paidOf30;
    };
    // The saving is computed in single precision: on hard 30 x (1 - 0.33333334f) stays below 20.
    for (const Case c : {Case{0, 50, 15}, Case{1, 40, 17}, Case{2, 33, 19}}) {
        const TownRules::MinigameSaving saving = TownRules::minigameSaving(1.0f, c.difficulty);
        EXPECT_EQ(saving.percent, c.percent) << "difficulty " << c.difficulty;
        EXPECT_EQ(saving.paid(30), c.paidOf30) << "difficulty " << c.difficulty;
    }
    for (int difficulty = 0; difficulty < 3; ++difficulty) {
        const TownRules::MinigameSaving none = TownRules::minigameSaving(0.0f, difficulty);
        EXPECT_EQ(none.percent, 0);
        EXPECT_EQ(none.paid(30), 30) << "a score of 0 pays the whole amount";
    }
}

class TownRulesBuilding : public BoardTesting::BoardTest {};

// A building costing two resources is built once at what the score leaves of each; without a
// building nothing is paid.
TEST_F(TownRulesBuilding, ABuildingIsSettledAtWhatTheScoreLeavesOfEveryResource)
{
    GebaeudeManager& town = globals->getGebaeudeManager();
    town.load(GameTesting::parse(LR"(<GEBAEUDE>
  <A><RESOURCEN><KLASSE NAME="ERDE" ANZAHL="5"/><KLASSE NAME="WASSER" ANZAHL="3"/></RESOURCEN></A>
</GEBAEUDE>)"));
    RohstoffManager& stones = globals->getRohstoffManager();
    Rohstoffklasse* erde = stones.findKlasse(L"ERDE");
    Rohstoffklasse* wasser = stones.findKlasse(L"WASSER");
    erde->spend(-100);
    wasser->spend(-100);
    Gebaeude* a = town.findGebaeude(L"A");
    ASSERT_NE(a, nullptr);

    const TownRules::Settlement settled = TownRules::settleBuilding(a, 1.0f, 2);
    EXPECT_TRUE(a->isBuilt());
    EXPECT_EQ(settled.saving.percent, 33);
    EXPECT_EQ(settled.amount, 8);
    // trunc(5 x 0.6666666) + trunc(3 x 0.6666666)
    EXPECT_EQ(settled.paid, 3 + 1);
    // Whole resources paid: half the cost was saved, more than the rate's third.
    EXPECT_EQ(settled.savedPercent, 50);
    EXPECT_EQ(erde->getPunkte(), 97);
    EXPECT_EQ(wasser->getPunkte(), 99);

    const TownRules::Settlement nothing = TownRules::settleBuilding(nullptr, 0.5f, 1);
    EXPECT_EQ(nothing.amount, 0);
    EXPECT_EQ(nothing.paid, 0);
    EXPECT_EQ(nothing.saving.percent, 20);
    EXPECT_EQ(nothing.savedPercent, 20);

    // A rate of 8 % leaves 36 of 40 to pay, which saves 10 %; 134 of 190 saves 29.47 %.
    town.load(GameTesting::parse(LR"(<GEBAEUDE>
  <B><RESOURCEN><KLASSE NAME="ERDE" ANZAHL="40"/></RESOURCEN></B>
  <C><RESOURCEN><KLASSE NAME="ERDE" ANZAHL="190"/></RESOURCEN></C>
</GEBAEUDE>)"));
    erde->spend(-400);
    const TownRules::Settlement b = TownRules::settleBuilding(town.findGebaeude(L"B"), 0.2f, 1);
    EXPECT_LT(b.saving.percent, 10) << "the rate's own whole per cent understates what was saved";
    EXPECT_EQ(b.paid, 36);
    EXPECT_EQ(b.savedPercent, 10);
    const TownRules::Settlement c = TownRules::settleBuilding(town.findGebaeude(L"C"), 0.73f, 1);
    EXPECT_EQ(c.paid, 134);
    EXPECT_EQ(c.savedPercent, 29);
}

// Class A's types by value, the bonus type, the wrath class Z and the fill class with two stones.
const wchar_t* const kWrathStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="A"><ROHSTOFF NAME="T1" MULTIPLIER="5"/><ROHSTOFF NAME="T3" MULTIPLIER="5"/>
    <ROHSTOFF NAME="T4" MULTIPLIER="9"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="BONUS"><ROHSTOFF NAME="T2" MULTIPLIER="1"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="Z"><ROHSTOFF NAME="W" MULTIPLIER="50"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="FÜLLSTOFF"><ROHSTOFF NAME="F1"/><ROHSTOFF NAME="F2"/></ROHSTOFFKLASSE>
  <ZORNKLASSE>"|Z|"</ZORNKLASSE>
</ROHSTOFFE>)";

// The running level and town as the wrath rule sees them: every call written down in order.
class RecordedLevel : public TownRules::Level {
public:
    std::wstring calls;
    int story = 0;
    int losses = 2;

    void replaceStoneType(Rohstoff* from, Rohstoff* to, double seconds) override
    {
        calls += L"replace " + from->getName() + L">" + to->getName() + L" " + std::to_wstring(int(seconds)) + L";";
    }
    void wrathStageTurned(bool reached) override { calls += reached ? L"reached;" : L"left;"; }
    void wrathStagesChanged(bool added, bool removed) override
    {
        if (added || removed)
            calls += std::wstring(L"changed ") + (added ? L"+" : L"") + (removed ? L"-" : L"") + L";";
    }
    int storyLevel() const override { return story; }
    int strikeTown() override
    {
        calls += L"strike;";
        return losses;
    }
    void catastropheCame() override { calls += L"catastrophe;"; }
};

class TownRulesWrath : public ::testing::Test {
protected:
    void SetUp() override
    {
        stones.load(GameTesting::parse(kWrathStones));
        wrath = stones.getZornKlasse();
        ASSERT_NE(wrath, nullptr);
    }
    Rohstoff* type(const wchar_t* klasse, int index) { return stones.findKlasse(klasse)->getRohstoff(index); }
    void setStock(int stock) { wrath->spend(wrath->getPunkte() - stock); }
    std::string reached() const
    {
        std::string flags;
        for (const TownRules::WrathStage& stage : rules.getWrathStages())
            flags += stage.reached ? '1' : '0';
        return flags;
    }

    RohstoffManager stones;
    Rohstoffklasse* wrath = nullptr;
    TownRules rules;
    RecordedLevel level;
    static constexpr int kMax = 100;
    static constexpr double kInterval = 6.0;
};

TEST_F(TownRulesWrath, StagesPutBonusTypesFirstThenTheOthersByFallingValueAndTakeTheFillStones)
{
    Rohstoff* t1 = type(L"A", 0);
    Rohstoff* t3 = type(L"A", 1);
    Rohstoff* t4 = type(L"A", 2);
    Rohstoff* t2 = type(L"BONUS", 0);
    Rohstoff* w = type(L"Z", 0);
    EXPECT_EQ(TownRules::orderWrathTypes({t1, t2, w, t3, t4}, wrath), (std::vector<Rohstoff*>{t2, t4, t3, t1}));

    // Only as many stages as the fill class has stones.
    rules.startLevel(false, wrath, kMax, {t1, t2, w, t3, t4}, stones.findKlasse(L"FÜLLSTOFF"));
    ASSERT_EQ(rules.getWrathStages().size(), 2u);
    EXPECT_EQ(rules.getWrathStages()[0].from, t2);
    EXPECT_EQ(rules.getWrathStages()[0].to, type(L"FÜLLSTOFF", 0));
    EXPECT_EQ(rules.getWrathStages()[1].from, t4);
    EXPECT_EQ(rules.getWrathStages()[1].to, type(L"FÜLLSTOFF", 1));
    // An empty meter starts full.
    EXPECT_EQ(wrath->getPunkte(), kMax);
    rules.startLevel(false, wrath, kMax, {t1}, nullptr);
    EXPECT_TRUE(rules.getWrathStages().empty()) << "no fill class, no stages";
}

// Two stages turn at 1/3 and 2/3 of the fill, each with its stones, help and one sound call.
TEST_F(TownRulesWrath, StagesTurnAtTheirThresholdsBothWays)
{
    Rohstoff* from1 = type(L"A", 0);
    Rohstoff* from2 = type(L"A", 2);
    rules.startLevel(false, wrath, kMax, {from1, from2}, stones.findKlasse(L"FÜLLSTOFF"));
    ASSERT_EQ(rules.getWrathStages().size(), 2u);

    setStock(60); // fill 0.4
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(reached(), "10");
    setStock(10); // fill 0.9
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(reached(), "11");
    rules.updateWrath(*wrath, kMax, kInterval, level);
    setStock(67); // fill 0.33: not above the first threshold
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(reached(), "00");
    EXPECT_EQ(level.calls, L"replace T4>F1 2;reached;changed +;"
                           L"replace T1>F2 2;reached;changed +;"
                           L"replace F1>T4 2;left;replace F2>T1 2;left;changed -;");
}

// What the wrath took stays taken: the next level, a retry after a loss as much as a new one,
// starts with the meter as the last one left it and turns the stages it stands above at its first
// update; only an empty meter or a catastrophe fills it again. Clicking wrath stones calms it.
TEST_F(TownRulesWrath, AMeterLeftPartlyFullCarriesIntoTheNextLevel)
{
    Rohstoff* from1 = type(L"A", 0);
    Rohstoff* from2 = type(L"A", 2);
    const Rohstoffklasse* fill = stones.findKlasse(L"FÜLLSTOFF");
    rules.startLevel(false, wrath, kMax, {from1, from2}, fill);
    setStock(10);
    // The level is lost: what it collected is gone, the meter is not.
    wrath->addLevelPunkte(15);
    wrath->resetLevelPunkte();

    rules.startLevel(false, wrath, kMax, {from1, from2}, fill);
    EXPECT_EQ(wrath->getPunkte(), 10);
    EXPECT_EQ(reached(), "00");
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(reached(), "11");

    wrath->addLevelPunkte(30); // six wrath stones of 5
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), 40);
    EXPECT_EQ(reached(), "10");
}

// The stock is kept within the maximum and joined by what the level collected; each interval
// takes one stone; an empty meter brings exactly one catastrophe, which keeps the meter empty.
TEST_F(TownRulesWrath, AnEmptyMeterBringsOneCatastropheThatStaysPendingUntilTheNextLevel)
{
    rules.startLevel(false, wrath, kMax, {}, nullptr);
    setStock(250);
    wrath->addLevelPunkte(5);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), kMax + 5);

    setStock(2);
    rules.advance(3.0 * kInterval);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), 0);
    EXPECT_EQ(level.calls, L"strike;catastrophe;");
    EXPECT_TRUE(rules.isCatastrophePending());
    EXPECT_EQ(rules.getCatastropheLosses(), 2);
    EXPECT_TRUE(rules.showsCatastropheResult());
    EXPECT_DOUBLE_EQ(rules.getWrathTimer(), 0.0);

    // Pending, the meter stays empty whatever the level collects, and no second one comes.
    wrath->addLevelPunkte(30);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), 30) << "emptied before the level's stones join";
    rules.advance(2.0 * kInterval);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), 0);
    EXPECT_EQ(level.calls, L"strike;catastrophe;");

    // The next level starts with a full meter and nothing pending; resuming keeps both as they are.
    rules.startLevel(true, wrath, kMax, {}, nullptr);
    EXPECT_TRUE(rules.isCatastrophePending());
    rules.startLevel(false, wrath, kMax, {}, nullptr);
    EXPECT_FALSE(rules.isCatastrophePending());
    EXPECT_EQ(wrath->getPunkte(), kMax);
}

// A level resumed after a restart finds its meter as saved: empty, its catastrophe has come (the
// town is not struck again and no result screen names losses it does not know); with stones in
// it, a catastrophe left pending by another profile's level neither empties it nor strikes.
TEST_F(TownRulesWrath, AResumedLevelWithAnEmptyMeterIsNotStruckAgain)
{
    rules.startLevel(false, wrath, kMax, {}, nullptr);
    setStock(0);
    TownRules restarted;
    restarted.startLevel(true, wrath, kMax, {}, nullptr);
    EXPECT_TRUE(restarted.isCatastrophePending());
    EXPECT_FALSE(restarted.showsCatastropheResult());
    restarted.advance(3.0 * kInterval);
    restarted.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(level.calls, L"");
    EXPECT_EQ(wrath->getPunkte(), 0);

    // Pending after a strike, then another profile's level with a meter of 50 is resumed.
    rules.advance(kInterval);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    ASSERT_TRUE(rules.isCatastrophePending());
    setStock(50);
    rules.startLevel(true, wrath, kMax, {}, nullptr);
    EXPECT_FALSE(rules.isCatastrophePending());
    rules.advance(kInterval);
    rules.updateWrath(*wrath, kMax, kInterval, level);
    EXPECT_EQ(wrath->getPunkte(), 49) << "one stone per interval, not the whole meter";
}

// Past the story, or without a profile, the screen shows but nothing is torn down or kept
// pending; a broken interval never runs the timer.
TEST_F(TownRulesWrath, PastTheStoryACatastropheTearsNothingDown)
{
    rules.startLevel(false, wrath, kMax, {}, nullptr);
    setStock(0);
    for (const int story : {TownRules::kLastStoryLevel, -1}) {
        level.calls.clear();
        level.story = story;
        rules.advance(kInterval);
        rules.updateWrath(*wrath, kMax, kInterval, level);
        EXPECT_EQ(level.calls, L"catastrophe;") << story;
        EXPECT_FALSE(rules.isCatastrophePending());
    }
    level.calls.clear();
    level.story = 0;
    rules.advance(kInterval);
    rules.updateWrath(*wrath, kMax, 0.0, level);
    EXPECT_EQ(level.calls, L"");
    EXPECT_DOUBLE_EQ(rules.getWrathTimer(), kInterval);
}

} // namespace
