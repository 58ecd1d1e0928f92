// The pairs game: a scripted player turns a wrong pair, which turns back after two seconds (or
// at once at the next click, which turns its own card up), then finds every pair, and the score
// is the time left over the limit; the grid follows SPALTEN, a SPALTEN below 1 is taken as 1 (no
// division by zero), and a game without cards is logged and stays unsolvable.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/memory/Memory.h"

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using MemoryTest = KindTest;

// Two cards of different pairs, the first and the next that differs from it.
std::pair<const Memory::Teil*, const Memory::Teil*> wrongPair(const Memory& game)
{
    const Memory::Teil* a = game.getCards()[0];
    for (const Memory::Teil* b : game.getCards()) {
        if (b->id != a->id)
            return {a, b};
    }
    return {a, nullptr};
}

TEST_F(MemoryTest, AWrongPairTurnsBackAfterTwoSecondsAndAScriptedPlayerFindsEveryPair)
{
    loadGames();
    Memory* game = find<Memory>(L"MEMORY_OBST");
    ASSERT_NE(game, nullptr);
    play(*game);
    ASSERT_EQ(game->getCards().size(), 12u);
    EXPECT_EQ(game->getColumns(), 4);
    EXPECT_EQ(game->getRows(), 3);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR((field.right - field.left) / (field.bottom - field.top), 4.0f / 3.0f, 0.02f);
    EXPECT_TRUE(matchesGolden(picture(), "memory_start"));

    // The same card twice is one card.
    const auto [a, b] = wrongPair(*game);
    ASSERT_NE(b, nullptr);
    click(game->centre(*a));
    click(game->centre(*a));
    EXPECT_EQ(game->getFirstCard(), a);
    EXPECT_EQ(game->getSecondCard(), nullptr);
    click(game->centre(*b));
    EXPECT_TRUE(a->faceUp && b->faceUp);
    EXPECT_EQ(results.wrong, 1);
    frames(1.8);
    EXPECT_TRUE(a->faceUp && b->faceUp) << "still open before two seconds";
    frames(0.3);
    EXPECT_FALSE(a->faceUp || b->faceUp) << "turned back after two seconds";
    EXPECT_EQ(game->getFirstCard(), nullptr);

    ASSERT_TRUE(MinigameSolver::solveMemory(*game, hands()));
    EXPECT_EQ(results.right, 6);
    const double left = game->getTimeLeft();
    for (const Memory::Teil* card : game->getCards())
        EXPECT_TRUE(card->faceUp);
    // Clicks after the solution change nothing.
    click(game->centre(*a));
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "memory_solved"));
    EXPECT_TRUE(results.scores.empty()) << "the end delay runs first";
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 90.0, 1e-6);
}

TEST_F(MemoryTest, AClickDuringTheTurnBackTurnsThePairAtOnceAndItsCardUp)
{
    loadGames(LR"(<MINISPIEL TYPE="MEMORY" NAME="FUENF" SPALTEN="4">
          <MEMORY_TEIL ANIMATION="MEMORY_APFEL" ANIMATION_BACK="MEMORY_RUECKSEITE_HOLZ"/>
          <MEMORY_TEIL ANIMATION="MEMORY_BIRNE" ANIMATION_BACK="MEMORY_RUECKSEITE_HOLZ"/>
          <MEMORY_TEIL ANIMATION="MEMORY_BROT" ANIMATION_BACK="MEMORY_RUECKSEITE_HOLZ"/>
          <MEMORY_TEIL ANIMATION="MEMORY_AXT" ANIMATION_BACK="MEMORY_RUECKSEITE_HOLZ"/>
          <MEMORY_TEIL ANIMATION="MEMORY_SACK" ANIMATION_BACK="MEMORY_RUECKSEITE_HOLZ"/></MINISPIEL>)");
    Memory* game = find<Memory>(L"FUENF");
    ASSERT_NE(game, nullptr);
    play(*game);
    ASSERT_EQ(game->getCards().size(), 10u);
    EXPECT_EQ(game->getRows(), 3) << "the last row holds two cards";
    EXPECT_FLOAT_EQ(game->getCards()[9]->rect.top, 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(game->getCards()[9]->rect.left, 0.25f);
    const auto [a, b] = wrongPair(*game);
    const Memory::Teil* third = nullptr;
    for (const Memory::Teil* card : game->getCards())
        third = !third && card != a && card != b ? card : third;
    click(game->centre(*a));
    click(game->centre(*b));
    frames(0.5);
    click(game->centre(*third));
    EXPECT_FALSE(a->faceUp || b->faceUp);
    EXPECT_TRUE(third->faceUp);
    EXPECT_EQ(game->getFirstCard(), third);
    EXPECT_EQ(game->getTurnBackLeft(), 0.0f);
}

TEST_F(MemoryTest, ColumnsBelowOneAreOneAndAGameWithoutCardsIsUnsolvable)
{
    loadGames(LR"(<MINISPIEL TYPE="MEMORY" NAME="NULL" SPALTEN="0"><MEMORY_TEIL ANIMATION="MEMORY_APFEL"/></MINISPIEL>
        <MINISPIEL TYPE="MEMORY" NAME="MINUS" SPALTEN="-3"><MEMORY_TEIL ANIMATION="MEMORY_APFEL"/></MINISPIEL>
        <MINISPIEL TYPE="MEMORY" NAME="OHNE" SPALTEN="2"/>)");
    for (const wchar_t* name : {L"NULL", L"MINUS"}) {
        Memory* game = find<Memory>(name);
        ASSERT_NE(game, nullptr);
        play(*game);
        EXPECT_EQ(game->getColumns(), 1);
        EXPECT_EQ(game->getRows(), 2);
        ASSERT_TRUE(MinigameSolver::solveMemory(*game, hands()));
        picture();
    }
    Memory* empty = find<Memory>(L"OHNE");
    ASSERT_NE(empty, nullptr);
    play(*empty);
    EXPECT_TRUE(empty->getCards().empty());
    click(D3DXVECTOR2(320, 240));
    frames(0.5);
    EXPECT_FALSE(empty->isFlagSet(false));
    picture();
}

} // namespace
