// The eight bonuses on a scripted board (virtual clock, seeded rand): the file and its kinds,
// charging and picking, and what each kind does to the cells it strikes.
#include "BoardTestSupport.h"

#include "threematch/animations/WegpunktManager.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/stones/RohstoffManager.h"

#include <crt.h>

#include <map>
#include <set>

using namespace ThreeMatch;
using BoardTesting::Rows;

namespace {

// A hole at (1, 4) and a wall at (4, 4); one target keeps the level running.
const Rows kLayout = {"SSSSSS", "oooooo", "oooooo", "oooooo", "o.oo#o", "ooooot"};

const wchar_t* const kBonuses = LR"(<BONI>
  <HAMMER ROHSTOFF="WASSER REGEN" NEEDS_FELD="1" ANIMATIONS_FILE="Schlag"/>
  <BLITZ ROHSTOFF="WASSER REGEN" NEEDS_FELD="0" ANZ_BLITZE="3" ANIMATIONS_FILE="Schlag"/>
  <BOMBE ROHSTOFF="WASSER REGEN" SIZE="1" ANIMATIONS_FILE="Schlag"/>
  <ZEIT ROHSTOFF="WASSER REGEN" NEEDS_FELD="0" TIME="20"/>
  <PUNKTE ROHSTOFF="WASSER REGEN" PUNKTE="50"/>
  <ZUFALL ROHSTOFF="WASSER REGEN" SIZE="1" ANIMATIONS_FILE="Schlag"/>
  <ZEILE ROHSTOFF="WASSER REGEN" ANIMATIONS_FILE="Schlag"/>
  <ROHSTOFF_ENTF ROHSTOFF="WASSER EIS"/>
</BONI>)";

enum Kind { Hammer, Blitz, Bombe, Zeit, Punkte, Zufall, Zeile, RohstoffEntf };

// No two alike in a row or column: the board neither clears nor moves by itself.
Rows cyclic()
{
    Rows rows(6, std::string(6, ' '));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x)
            rows[y][x] = "abcde"[(x + 2 * y) % 5];
    }
    return rows;
}

class BonusTest : public BoardTesting::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        addLevel(0, kLayout);
        globals->getWegpunktManager().load(
            GameTesting::parse(LR"(<A><VORLAGE NAME="Schlag" SIZE="10 10" FRAMES="1 1" SPEED="1"/></A>)"));
        bonuses().load(GameTesting::parse(kBonuses));
        ASSERT_EQ(bonuses().getBonusCount(), 8);
        ASSERT_TRUE(restore(0, cyclic()));
    }

    BonusManager& bonuses() const { return globals->getBonusManager(); }
    // The bonus picked for the running board, as the game picks it.
    Bonus& pick(Kind kind, const wchar_t* document = nullptr)
    {
        if (document)
            bonuses().load(GameTesting::parse(document));
        Bonus* bonus = bonuses().getBonus(kind);
        bonus->setSpielfeld(board.get());
        return *bonus;
    }
    // The bursting cells with their delays.
    std::map<std::pair<int, int>, double> bursting() const
    {
        std::map<std::pair<int, int>, double> cells;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 6; ++x) {
                if (cell(x, y)->isExploding())
                    cells[{x, y}] = cell(x, y)->getExplosionTime();
            }
        }
        return cells;
    }
    std::size_t strikes() const { return globals->getWegpunktManager().getAnimations().size(); }
};

struct Ready : sigslot::has_slots<> {
    std::vector<Bonus*> bonuses;
    void onReady(Bonus* bonus) { bonuses.push_back(bonus); }
};

} // namespace

TEST_F(BonusTest, TheFileGivesTheKindsInButtonOrderWithTheirKeys)
{
    EXPECT_NE(dynamic_cast<Hammer_Bonus*>(bonuses().getBonus(Hammer)), nullptr);
    EXPECT_NE(dynamic_cast<Zeile_entfernen_Bonus*>(bonuses().getBonus(Zeile)), nullptr);
    EXPECT_EQ(bonuses().getBonus(-1), nullptr);
    EXPECT_EQ(bonuses().getBonus(8), nullptr);
    EXPECT_FALSE(bonuses().getBonus(Blitz)->needsFeld());
    EXPECT_TRUE(bonuses().getBonus(Bombe)->needsFeld()) << "NEEDS_FELD defaults to true";
    EXPECT_EQ(bonuses().getBonus(Bombe)->getSize(), 1);
    EXPECT_EQ(static_cast<Blitz_Bonus*>(bonuses().getBonus(Blitz))->getStrikes(), 3);
    EXPECT_EQ(static_cast<Time_Bonus*>(bonuses().getBonus(Zeit))->getTime(), 20.0);
    EXPECT_EQ(static_cast<Punkte_Bonus*>(bonuses().getBonus(Punkte))->getPunkte(), 50);
    EXPECT_EQ(bonuses().getBonus(Hammer)->getSoundName(), L"platzen");
    EXPECT_TRUE(bonuses().getBonus(Hammer)->isAvailable());
    EXPECT_FALSE(bonuses().getBonus(RohstoffEntf)->isAvailable()) << "EIS is locked";

    // A kind the file lacks leaves its place out; a stone that is not found makes a bonus that
    // is never available and never charged.
    bonuses().load(GameTesting::parse(LR"(<BONI><ZEILE ROHSTOFF="WASSER REGEN"/>
        <HAMMER ROHSTOFF="FEUER GLUT"/></BONI>)"));
    ASSERT_EQ(bonuses().getBonusCount(), 2);
    EXPECT_NE(dynamic_cast<Hammer_Bonus*>(bonuses().getBonus(0)), nullptr);
    EXPECT_NE(dynamic_cast<Zeile_entfernen_Bonus*>(bonuses().getBonus(1)), nullptr);
    Bonus& lost = *bonuses().getBonus(0);
    EXPECT_FALSE(lost.isAvailable());
    EXPECT_EQ(lost.getCharge(), 0.0);
    EXPECT_FALSE(lost.isCharged());
    EXPECT_EQ(lost.getTexture(), nullptr);
}

TEST_F(BonusTest, ChargesFillFromClearedStonesAndPickingUsesThemUp)
{
    Ready ready;
    bonuses().bonusReady.connect(&ready, &Ready::onReady);
    // Loading again connects every bonus once.
    bonuses().load(
        GameTesting::parse(LR"(<BONI><HAMMER ROHSTOFF="WASSER REGEN"/><ZEILE ROHSTOFF="ERDE TON"/></BONI>)"));
    Bonus& hammer = pick(Hammer);
    ASSERT_EQ(stoneAt(4, 0), 'e') << "a REGEN stone";
    ASSERT_TRUE(hammer.apply(cell(4, 0)));
    hammer.reset();
    EXPECT_EQ(hammer.getSpielfeld(), nullptr);
    EXPECT_FALSE(hammer.isCharged());
    settle();
    // The burst REGEN stone filled its one charge: only the bonus on REGEN became ready.
    EXPECT_TRUE(hammer.isCharged());
    EXPECT_EQ(hammer.getCharge(), 1.0);
    ASSERT_EQ(ready.bonuses.size(), 1u);
    EXPECT_EQ(ready.bonuses[0], &hammer);
    EXPECT_FALSE(bonuses().getBonus(1)->isCharged());
    hammer.setSpielfeld(board.get());
    EXPECT_EQ(hammer.getCharge(), 0.0) << "picking empties the charge at once";
}

TEST_F(BonusTest, CellBonusesRefuseCellsTheyCannotStrike)
{
    Feld* hole = cell(1, 4);
    // (The bomb and the random bonus test only the cells around the one picked.)
    for (Kind kind : {Hammer, Punkte, Zeile, RohstoffEntf}) {
        Bonus& bonus = pick(kind);
        EXPECT_FALSE(bonus.apply(hole)) << kind;
        EXPECT_FALSE(bonus.apply(nullptr)) << kind;
        EXPECT_EQ(bonus.getSpielfeld(), board.get()) << "a refused bonus stays picked";
    }
    EXPECT_TRUE(bursting().empty());
    // A cell whose stone is already bursting gives the hammer nothing to do; a bomb of radius 0
    // there finds no cell either.
    cell(2, 2)->startExplosion(2.0, L"");
    EXPECT_FALSE(pick(Hammer).apply(cell(2, 2)));
    EXPECT_FALSE(
        pick(Bombe, LR"(<BONI><HAMMER/><BLITZ/><BOMBE ROHSTOFF="WASSER REGEN" SIZE="0"/></BONI>)").apply(cell(2, 2)));
    // Without a board a bonus does nothing.
    EXPECT_FALSE(bonuses().getBonus(Hammer)->apply(cell(3, 3)));
}

TEST_F(BonusTest, HammerAndPointsBurstTheCellWithTheBaseDelay)
{
    ASSERT_TRUE(pick(Hammer).apply(cell(3, 3)));
    EXPECT_EQ(bursting(), (std::map<std::pair<int, int>, double>{{{3, 3}, 0.5}}));
    EXPECT_EQ(strikes(), 1u);

    Rohstoffklasse* erde = globals->getRohstoffManager().findKlasse(L"ERDE");
    ASSERT_EQ(stoneAt(0, 1), 'c') << "KIES, of the class ERDE";
    const int before = erde->getLevelPunkte();
    const std::size_t popups = board->getPopups().size();
    ASSERT_TRUE(pick(Punkte).apply(cell(0, 1)));
    EXPECT_EQ(erde->getLevelPunkte(), before + 50);
    // The extra points rise from the struck stone, where the player looks.
    ASSERT_EQ(board->getPopups().size(), popups + 1);
    EXPECT_EQ(board->getPopups().back()->getValue(), 50);
    EXPECT_EQ(board->getPopups().back()->getPosition(), cell(0, 1)->getStone()->getPosition());
    EXPECT_EQ(bursting().at({0, 1}), 0.5);
    settle();
    EXPECT_EQ(emptyPlayableCells(), 0) << "the struck cells are refilled";
}

TEST_F(BonusTest, LightningStrikesItsCountAndStopsWhenNoCellIsLeft)
{
    ASSERT_TRUE(pick(Blitz).apply(nullptr));
    EXPECT_EQ(bursting().size(), 3u);
    EXPECT_EQ(strikes(), 3u);
    for (const auto& [place, delay] : bursting())
        EXPECT_EQ(delay, 0.5);

    // More strikes than cells: every playable cell is struck, and the draws end.
    Bonus& storm = pick(Blitz, LR"(<BONI><HAMMER/><BLITZ ROHSTOFF="WASSER REGEN" ANZ_BLITZE="100"/></BONI>)");
    ASSERT_TRUE(storm.apply(nullptr));
    EXPECT_EQ(bursting().size(), 34u);

    // A count of 0 makes exactly one draw: two numbers of the generator.
    Bonus& none = pick(Blitz, LR"(<BONI><HAMMER/><BLITZ ROHSTOFF="WASSER REGEN" ANZ_BLITZE="0"/></BONI>)");
    crt_srand(7);
    crt_rand();
    crt_rand();
    const int third = crt_rand();
    crt_srand(7);
    ASSERT_TRUE(none.apply(nullptr));
    EXPECT_EQ(crt_rand(), third);
}

TEST_F(BonusTest, BombBurstsItsDiskLaterTowardsTheRim)
{
    ASSERT_TRUE(pick(Bombe).apply(cell(2, 2)));
    // Radius 1: the cell and its four neighbours, each step of distance 0.2 s later.
    EXPECT_EQ(bursting(), (std::map<std::pair<int, int>, double>{
                              {{2, 2}, 0.5}, {{1, 2}, 0.7}, {{3, 2}, 0.7}, {{2, 1}, 0.7}, {{2, 3}, 0.7}}));
    EXPECT_EQ(strikes(), 5u);
    const WegpunktAnimation& first = *globals->getWegpunktManager().getAnimations()[0];
    EXPECT_NEAR(first.getStartDelay(), 0.2, 1e-9) << "the strikes start with their cells' distance";

    // At a corner the clamped walk comes to the edge cells several times, the first time from
    // offsets two steps away; each bursts once, at that first visit's distance.
    ASSERT_TRUE(restore(0, cyclic()));
    const std::size_t before = strikes();
    Bonus& corner = pick(Bombe, LR"(<BONI><HAMMER/><BLITZ/>
        <BOMBE ROHSTOFF="WASSER REGEN" SIZE="2" ANIMATIONS_FILE="Schlag"/></BONI>)");
    ASSERT_TRUE(corner.apply(cell(0, 0)));
    EXPECT_EQ(bursting(),
              (std::map<std::pair<int, int>, double>{
                  {{0, 0}, 0.9}, {{0, 1}, 0.9}, {{0, 2}, 0.9}, {{1, 0}, 0.9}, {{1, 1}, 0.9}, {{2, 0}, 0.9}}));
    EXPECT_EQ(strikes(), before + 6);
}

TEST_F(BonusTest, TimeJoinsAfterItsDelayUpToTheLimit)
{
    globals->setTimeBonusDuration(1.0);
    globals->getPartikelManager().load(GameTesting::parse(LR"(<P><EMITTER_INFO NAME="Zeit_Emitter"/></P>)"));
    globals->getZigZagStart() = D3DXVECTOR2(10.0f, 10.0f);
    globals->getZigZagEnd() = D3DXVECTOR2(210.0f, 10.0f);
    const double limit = board->getTimeLimit();
    ASSERT_TRUE(restore(0, cyclic(), limit - 30.0));
    ASSERT_TRUE(pick(Zeit).apply(nullptr));
    EXPECT_EQ(globals->getZigZagPath().size(), 5u);
    EXPECT_EQ(globals->getPartikelManager().getEmitters().size(), 1u) << "the sparks fly the zig-zag";
    frames(0.5);
    EXPECT_NEAR(board->getTimeLeft(), limit - 30.5, 1e-6) << "nothing before the delay";
    frames(0.75);
    EXPECT_NEAR(board->getTimeLeft(), limit - 11.25, 1e-6);
    ASSERT_TRUE(pick(Zeit).apply(nullptr));
    frames(1.5);
    // Capped when it joined (a frame either side of the second), then counting down again.
    EXPECT_NEAR(board->getTimeLeft(), limit - 0.5, 0.03) << "capped at the level's limit";
}

TEST_F(BonusTest, RandomGivesTheDiskNewStonesAndBurstsNothing)
{
    std::map<std::pair<int, int>, const Bildchen*> before;
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x)
            before[{x, y}] = cell(x, y)->getStone();
    }
    cell(2, 1)->markSwapped(1.0);
    ASSERT_TRUE(pick(Zufall).apply(cell(2, 2)));
    EXPECT_TRUE(bursting().empty());
    for (const auto& [place, stone] : before) {
        const bool inDisk = std::abs(place.first - 2) + std::abs(place.second - 2) <= 1 && place != std::pair{2, 1};
        EXPECT_EQ(cell(place.first, place.second)->getStone() != stone, inDisk) << place.first << "," << place.second;
    }
    EXPECT_EQ(strikes(), 4u) << "the swapping cell is passed over";
}

TEST_F(BonusTest, RowBurstsBothWaysUpToTheFirstUnplayableCell)
{
    ASSERT_TRUE(pick(Zeile).apply(cell(3, 4)));
    // Left to the hole at (1, 4), right to the wall at (4, 4).
    EXPECT_EQ(bursting(), (std::map<std::pair<int, int>, double>{{{3, 4}, 0.5}, {{2, 4}, 0.6}}));

    // A bursting cell is passed over without counting; the sides count apart.
    cell(4, 1)->startExplosion(3.0, L"");
    ASSERT_TRUE(pick(Zeile).apply(cell(2, 1)));
    const auto row = bursting();
    EXPECT_EQ(row.at({2, 1}), 0.5);
    EXPECT_NEAR(row.at({1, 1}), 0.6, 1e-9);
    EXPECT_NEAR(row.at({0, 1}), 0.7, 1e-9);
    EXPECT_EQ(row.at({3, 1}), 0.5);
    EXPECT_EQ(row.at({4, 1}), 3.0);
    EXPECT_NEAR(row.at({5, 1}), 0.6, 1e-9);
}

TEST_F(BonusTest, RemoveTypeBurstsEveryStoneOfTheTypeOneAfterAnother)
{
    Bonus& remove = pick(RohstoffEntf);
    std::set<std::pair<int, int>> lehm;
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (stoneAt(x, y) == 'a' && cell(x, y)->has(FeldFlag::Spielbar))
                lehm.insert({x, y});
        }
    }
    // One LEHM cell swaps and is left alone; the picked cell may swap.
    cell(0, 0)->markSwapped(1.0);
    cell(3, 1)->markSwapped(1.0);
    lehm.erase({3, 1});
    ASSERT_EQ(stoneAt(0, 0), 'a');
    ASSERT_TRUE(remove.apply(cell(0, 0)));
    lehm.erase({0, 0});
    const auto burst = bursting();
    std::set<std::pair<int, int>> places;
    std::set<long> delays;
    for (const auto& [place, delay] : burst) {
        places.insert(place);
        delays.insert(std::lround((delay - 0.5) / 0.1));
    }
    EXPECT_EQ(places, lehm);
    std::set<long> steps;
    for (long i = 0; i < static_cast<long>(lehm.size()); ++i)
        steps.insert(i);
    EXPECT_EQ(delays, steps) << "one after another, 0.1 s apart";

    // An empty cell, and a playable one without a stone, have no type to remove.
    cell(5, 5)->setStone(nullptr);
    EXPECT_FALSE(remove.apply(cell(5, 5)));
    cell(5, 5)->setFlags(FeldFlag::Spielbar);
    ASSERT_EQ(cell(5, 5)->getStone(), nullptr);
    EXPECT_FALSE(remove.apply(cell(5, 5)));
}

TEST(BonusData, TheGameFileBindsTheEightBonusesToTheirCoins)
{
    MyGlobals globals;
    GameTesting::inRuntimeFolder([&] {
        ASSERT_TRUE(globals.getRohstoffManager().load(L"data\\stones\\stones.roh"));
        ASSERT_TRUE(globals.getWegpunktManager().load(L"data\\Animationen\\Animation_alt.ani"));
        ASSERT_TRUE(globals.getBonusManager().load(L"data\\stones\\bonus.bon"));
    });
    const BonusManager& bonuses = globals.getBonusManager();
    ASSERT_EQ(bonuses.getBonusCount(), 8);
    const wchar_t* coins[] = {L"HAMMER", L"BLITZ", L"BOMBE", L"ZEIT", L"STERN", L"WUERFEL", L"PFEIL", L"SAMMLER"};
    for (int i = 0; i < 8; ++i) {
        const Bonus& bonus = *bonuses.getBonus(i);
        ASSERT_NE(bonus.getRohstoff(), nullptr) << i;
        EXPECT_EQ(bonus.getRohstoff()->getName(), coins[i]);
        EXPECT_EQ(bonus.getKlasse()->getName(), L"BONUS");
        if (!bonus.getTemplateName().empty()) {
            EXPECT_NE(globals.getWegpunktManager().findVorlage(bonus.getTemplateName()), nullptr) << i;
        }
    }
    EXPECT_TRUE(bonuses.getBonus(0)->isAvailable()) << "the hammer is open from the start";
    EXPECT_FALSE(bonuses.getBonus(1)->isAvailable()) << "the others come with buildings";
}
