// The board's play on the virtual clock: swaps that clear runs in one staggered group, swaps
// that bounce back, falling and sliding, spawning, the initial fill, the hint, the re-deal and
// the level's end.
#include "BoardTestSupport.h"
#include "threematch/levels/LevelDatei.h"

#include <algorithm>
#include <climits>
#include <random>
#include <set>

using namespace ThreeMatch;
using BoardTesting::Rows;

namespace {

// One target keeps the level running.
const Rows kSquare = {"SSSSSS", "oooooo", "oooooo", "oooooo", "oooooo", "ooooot"};

// Five letters shifted by two from row to row: no two alike in any row or column, so the
// board has neither a run nor a move.
Rows cyclic(int width, int height)
{
    Rows rows(height, std::string(width, ' '));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            rows[y][x] = "abcde"[(x + 2 * y) % 5];
    }
    return rows;
}

struct Placed {
    int x, y;
    char letter;
};

Rows with(Rows rows, std::initializer_list<Placed> changes)
{
    for (const Placed& p : changes)
        rows[p.y][p.x] = p.letter;
    return rows;
}

class SpielfeldTest : public BoardTesting::BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        addLevel(0, kSquare);
    }
};

} // namespace

TEST_F(SpielfeldTest, SwapsClearRowsColumnsLAndTShapesAsOneStaggeredGroup)
{
    const Rows base = cyclic(6, 6);
    struct Scenario {
        const char* name;
        Rows stones;
        int ax, ay, bx, by;
        std::set<std::pair<int, int>> group;
    };
    const Scenario scenarios[] = {
        {"row",
         with(base, {{0, 3, 'a'}, {1, 3, 'a'}, {3, 3, 'a'}, {2, 2, 'a'}}),
         2,
         2,
         2,
         3,
         {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}},
        {"column", with(base, {{3, 1, 'b'}, {3, 2, 'b'}, {4, 3, 'b'}}), 4, 3, 3, 3, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
        {"L",
         with(base, {{1, 0, 'c'}, {1, 1, 'c'}, {2, 2, 'c'}, {0, 2, 'c'}, {1, 3, 'e'}}),
         0,
         2,
         1,
         2,
         {{1, 0}, {1, 1}, {1, 2}, {2, 2}, {3, 2}}},
        {"T",
         with(base, {{2, 4, 'e'}, {4, 4, 'e'}, {3, 2, 'e'}, {3, 5, 'e'}}),
         3,
         5,
         3,
         4,
         {{1, 4}, {2, 4}, {3, 4}, {4, 4}, {3, 2}, {3, 3}}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        crt_srand(0);
        ASSERT_TRUE(restore(0, s.stones));
        board->findMatches();
        ASSERT_TRUE(board->getGroups().empty()) << "the board starts without a run";

        board->trySwap(cell(s.ax, s.ay), cell(s.bx, s.by));
        EXPECT_TRUE(cell(s.ax, s.ay)->has(FeldFlag::Tausch));
        frames(0.1);
        for (const Feld& at : board->getFelder())
            EXPECT_FALSE(at.isExploding()) << "nothing bursts while the swap runs";
        frames(0.15);

        std::vector<double> times;
        std::set<std::pair<int, int>> exploding;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 6; ++x) {
                if (!cell(x, y)->isExploding())
                    continue;
                exploding.insert({x, y});
                times.push_back(cell(x, y)->getExplosionTime());
                EXPECT_EQ(cell(x, y)->getGroupSize(), static_cast<int>(s.group.size())) << x << "," << y;
            }
        }
        EXPECT_EQ(exploding, s.group);
        std::sort(times.begin(), times.end());
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_NEAR(times[i] - times[i - 1], 0.1, 1e-9) << "one cell after the other";

        // Falling stones may set off further runs; in the end the board is full and still.
        settle();
        EXPECT_EQ(emptyPlayableCells(), 0) << "the spawn row refills the board";
        EXPECT_FALSE(board->isBusy());
    }
}

TEST_F(SpielfeldTest, ASwapWithoutARunBouncesBackAndAFarSwapOnlyUnselects)
{
    ASSERT_TRUE(restore(0, cyclic(6, 6)));
    Bildchen* first = cell(0, 1)->getStone();
    Bildchen* second = cell(1, 1)->getStone();
    cell(0, 1)->setSelected(true);
    board->setSelected(cell(0, 1));
    board->trySwap(cell(0, 1), cell(1, 1));
    EXPECT_EQ(board->getSelected(), nullptr);
    EXPECT_FALSE(cell(0, 1)->isSelected());
    EXPECT_TRUE(first->isMoving());
    frames(0.2);
    EXPECT_NE(first->getPosition(), cell(0, 1)->getPosition()) << "out to the other cell";
    frames(0.25);
    EXPECT_EQ(cell(0, 1)->getStone(), first);
    EXPECT_EQ(cell(1, 1)->getStone(), second);
    EXPECT_TRUE(cell(0, 1)->isStoneSettled());
    EXPECT_FALSE(cell(0, 1)->has(FeldFlag::Tausch));

    cell(2, 2)->setSelected(true);
    board->trySwap(cell(2, 2), cell(4, 2));
    EXPECT_FALSE(cell(2, 2)->getStone()->isMoving());
    EXPECT_FALSE(cell(2, 2)->isSelected());
    EXPECT_FALSE(cell(2, 2)->has(FeldFlag::Tausch));
}

TEST_F(SpielfeldTest, StonesFallAndSlideDiagonallyPastHolesButNotPastWalls)
{
    addLevel(1, {"o..", "oe.", "ooo"}); // past a hole to the lower right
    addLevel(2, {"o#.", "oe.", "ooo"}); // a wall blocks the slide
    addLevel(3, {".o.", "eoe", "ooo"}); // both sides open: left first
    addLevel(4, {"Lo", "eo", "oo"});    // a locked stone stays, its neighbour slides past
    addLevel(5, {"o", "e", "e", "o"});  // straight down, one cell at a time

    ASSERT_TRUE(restore(1, {"a..", "b..", "cde"}));
    Bildchen* sliding = cell(0, 0)->getStone();
    frames(0.5);
    EXPECT_EQ(cell(1, 1)->getStone(), sliding);
    EXPECT_TRUE(cell(1, 1)->isStoneSettled());

    ASSERT_TRUE(restore(2, {"a..", "b..", "cde"}));
    frames(0.5);
    EXPECT_EQ(cell(1, 1)->getStone(), nullptr);
    EXPECT_EQ(stoneAt(0, 0), 'a');
    // A burst of that empty cell (as a bonus may set off) ends like any other.
    board->explodeCell(cell(1, 1));
    frames(0.6);
    EXPECT_FALSE(cell(1, 1)->isExploding());
    EXPECT_FALSE(board->isBusy());

    ASSERT_TRUE(restore(3, {".a.", ".b.", "cde"}));
    sliding = cell(1, 0)->getStone();
    frames(0.5);
    EXPECT_EQ(cell(0, 1)->getStone(), sliding);

    // The locked stone stays, and the cell below it is filled past it as past a hole.
    ASSERT_TRUE(restore(4, {"ab", ".c", "de"}));
    sliding = cell(1, 0)->getStone();
    frames(0.5);
    EXPECT_EQ(stoneAt(0, 0), 'a');
    EXPECT_EQ(cell(0, 1)->getStone(), sliding);

    ASSERT_TRUE(restore(5, {"a", ".", ".", "b"}));
    Bildchen* falling = cell(0, 0)->getStone();
    frames(0.025);
    EXPECT_EQ(cell(0, 1)->getStone(), falling) << "one cell per step";
    frames(0.5);
    EXPECT_EQ(cell(0, 2)->getStone(), falling);
    EXPECT_TRUE(cell(0, 2)->isStoneSettled());
    EXPECT_NE(cell(0, 0)->getStone(), nullptr) << "the top row is the spawn row of a level without spawns";
}

TEST_F(SpielfeldTest, InitialFillMakesNoRunAndLeavesAMove)
{
    addLevel(1, {"SSSSSSSS", "oooooooo", "oooooooo", "oooooooo", "oooooooo", "oooooooo", "oooooooo", "oooooooo"});
    for (unsigned seed : {0u, 1u, 7u, 1234u}) {
        crt_srand(seed);
        ASSERT_TRUE(board->loadLevel(1));
        EXPECT_EQ(emptyPlayableCells(), 0);
        board->findMatches();
        EXPECT_TRUE(board->getGroups().empty()) << "seed " << seed;
        board->possibleMoves();
        EXPECT_FALSE(board->getPossibleMoves().empty()) << "seed " << seed;
    }
}

TEST_F(SpielfeldTest, ALevelNumberOutOfRangeIsRefused)
{
    for (int number : {INT_MAX, LevelDatei::kMaxLevelNumber + 1, -1}) {
        EXPECT_FALSE(board->loadLevel(number)) << number;
        EXPECT_EQ(board->getLevelNumber(), 0) << "nothing to add 1 to past the largest int";
    }
}

TEST_F(SpielfeldTest, HintBlinksAfterFiveIdleSecondsAndAStuckBoardIsDealtAnew)
{
    ASSERT_TRUE(board->loadLevel(0));
    board->start();
    auto hinted = [this] {
        std::vector<const Feld*> cells;
        for (const Feld& at : board->getFelder()) {
            if (at.getStone() && at.getStone()->getHintTime() > 0.0)
                cells.push_back(&at);
        }
        return cells;
    };
    frames(4.9);
    EXPECT_TRUE(hinted().empty());
    frames(0.2);
    const std::vector<const Feld*> pair = hinted();
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_TRUE(pair[0]->isNeighbour(pair[1]));
    EXPECT_LT(board->getIdleTime(), 0.2);
    // While the stones blink down to nothing, their cells carry the marked frame; it goes with
    // the blinking.
    int marked = 0;
    for (const Feld& at : board->getFelder())
        marked += at.isHint() ? 1 : 0;
    EXPECT_EQ(marked, 2);
    EXPECT_TRUE(pair[0]->isHint() && pair[1]->isHint());
    frames(3.1);
    EXPECT_TRUE(hinted().empty());
    EXPECT_FALSE(pair[0]->isHint() || pair[1]->isHint());

    ASSERT_TRUE(restore(0, cyclic(6, 6)));
    board->possibleMoves();
    ASSERT_TRUE(board->getPossibleMoves().empty());
    // The old stones are freed by the deal, so their addresses may come back: compare the
    // types lying on the cells instead.
    auto types = [this] {
        std::vector<const Rohstoff*> lying;
        for (const Feld& at : board->getFelder())
            lying.push_back(at.getStone() ? at.getStone()->getRohstoff() : nullptr);
        return lying;
    };
    const std::vector<const Rohstoff*> before = types();
    frames(5.1);
    EXPECT_NE(types(), before) << "the board was dealt anew";
    EXPECT_EQ(emptyPlayableCells(), 0);
    board->possibleMoves();
    EXPECT_FALSE(board->getPossibleMoves().empty());
}

TEST_F(SpielfeldTest, TheTimeRunningOutLosesEvenInTheFrameTheLastTargetGoes)
{
    addLevel(1, {"SSSSS", "ooooo", "ootoo", "ooooo"});
    const Rows stones = cyclic(5, 4);
    ASSERT_TRUE(restore(1, stones, 0.5));
    board->explodeCell(cell(2, 2)); // bursts after 0.5 s, when the time is up too
    frames(0.6);
    EXPECT_FALSE(cell(2, 2)->has(FeldFlag::kZiel)) << "the target went";
    EXPECT_EQ(board->getState(), Spielfeld::Endet);
    EXPECT_FALSE(board->isWon());
    frames(5.0);
    EXPECT_EQ(board->getState(), Spielfeld::Verloren);
    EXPECT_NEAR(cell(0, 1)->getFadeProgress(), 1.0, 1e-9) << "the cells have faded out";
}

TEST_F(SpielfeldTest, ClearingTheLastTargetWinsOnceNothingMoves)
{
    addLevel(1, {"SSSSS", "ooooo", "ootoo", "ooooo"});
    ASSERT_TRUE(restore(1, cyclic(5, 4)));
    board->explodeCell(cell(2, 2));
    frames(0.55);
    EXPECT_EQ(board->getState(), Spielfeld::Endet);
    EXPECT_TRUE(board->isWon());
    EXPECT_TRUE(board->isBusy()) << "stones still fall into the gap";
    EXPECT_DOUBLE_EQ(board->getEndDelay(), 0.0) << "the sweep waits";
    frames(5.0);
    EXPECT_EQ(board->getState(), Spielfeld::Gewonnen);
}

TEST_F(SpielfeldTest, ALockGoesBeforeTheTargetLayersAndTheDarkLayerBeforeTheLight)
{
    addLevel(1, {"SSSSS", "ooooo", "ooKoo", "ooooo"});
    ASSERT_TRUE(restore(1, cyclic(5, 4)));
    ASSERT_TRUE(cell(2, 2)->has(FeldFlag::Locked | FeldFlag::Ziel2));
    const uint32_t layers[] = {FeldFlag::Ziel1 | FeldFlag::Ziel2, FeldFlag::Ziel1, 0u};
    // Each burst is read before the stone falling into the gap settles, so no new run can
    // reach the cell in between.
    for (uint32_t expected : layers) {
        board->explodeCell(cell(2, 2));
        frames(0.55);
        EXPECT_FALSE(cell(2, 2)->has(FeldFlag::Locked));
        EXPECT_EQ(cell(2, 2)->getFlags() & FeldFlag::kZiel, expected);
        EXPECT_NE(cell(2, 2)->getStone(), nullptr) << "a stone falls in";
    }
}

TEST_F(SpielfeldTest, BonusTimeJoinsTheClockAfterItsDelayButNotBeyondTheLimit)
{
    ASSERT_TRUE(restore(0, cyclic(6, 6), 100.0));
    const double limit = board->getTimeLimit();
    board->setBonusTime(10.0, 2.0);
    frames(1.9);
    EXPECT_NEAR(board->getTimeLeft(), 98.1, 1e-6);
    frames(0.2);
    EXPECT_NEAR(board->getTimeLeft(), std::min(limit, 97.9 + 10.0), 1e-6);
    EXPECT_DOUBLE_EQ(board->getBonusCountdown(), -1.0);
}

TEST_F(SpielfeldTest, TheScanAndTheMoveSearchAgreeWithTheCellsOwnRulesOnRandomBoards)
{
    // Few stone types, holes, locks, empty cells and cells in a swap: many runs and moves, next
    // to every kind of cell that takes part in neither.
    std::mt19937 random(61);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        const int width = 5 + trial % 6, height = 4 + trial % 5;
        Rows layout(height, std::string(width, 'o')), stones(height, std::string(width, '.'));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned roll = random() % 20;
                layout[y][x] = roll == 0 ? '.' : roll == 1 ? 'L' : roll == 2 ? 't' : 'o';
                if (layout[y][x] != '.' && roll != 3)
                    stones[y][x] = "abc"[random() % 3];
            }
        }
        addLevel(1 + trial, layout);
        ASSERT_TRUE(restore(1 + trial, stones));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (random() % 15 == 0)
                    cell(x, y)->markSwapped(1.0);

        auto available = [&](int x, int y) {
            const Feld* at = cell(x, y);
            return at && !at->has(FeldFlag::kUnavailable) && at->isStoneSettled() ? at->getStoneType() : -1;
        };
        std::set<const Feld*> inRuns, grouped;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int type = available(x, y);
                for (auto [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}}) {
                    if (type != -1 && available(x + dx, y + dy) == type && available(x + 2 * dx, y + 2 * dy) == type)
                        inRuns.insert({cell(x, y), cell(x + dx, y + dy), cell(x + 2 * dx, y + 2 * dy)});
                }
            }
        }
        board->findMatches();
        for (const Gruppe& group : board->getGroups())
            grouped.insert(group.getCells().begin(), group.getCells().end());
        EXPECT_EQ(grouped, inRuns);

        auto movable = [](const Feld* at) {
            return at && at->has(FeldFlag::Spielbar) && !at->has(FeldFlag::kUnavailable | FeldFlag::Locked) &&
                   at->getStone();
        };
        std::vector<std::pair<Feld*, Feld*>> expected;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Feld* from = cell(x, y);
                if (!movable(from))
                    continue;
                for (int d = 0; d < 4; ++d) {
                    Feld* to = from->getNeighbour(d);
                    if (movable(to) && to->wouldMatch(from->getStoneType(), globals->getMinRun(), d ^ 1))
                        expected.emplace_back(from, to);
                }
            }
        }
        board->possibleMoves();
        EXPECT_EQ(board->getPossibleMoves(), expected);
    }
}
