// Blow the objects away: a scripted player holds the button behind each object until all touch
// an edge and the score is the time left over the limit; the strength follows its ramp while the
// button is held and starts again on a new press, with equal hold times as a step (no division
// by zero, no NaN); the push acts only with the pointer inside the field, objects slide on and
// are braked; a game without objects is solved at once; hostile entries are logged.
#include "KindTestSupport.h"

#include "gui/windows/GUIWindow.h"
#include "minigames/wegblasen/Wegblasen.h"

#include <cmath>

using namespace ThreeMatch;
using KindTest = KindTesting::KindTest;

namespace {

using WegblasenTest = KindTest;

D3DXVECTOR2 fieldPoint(const Wegblasen& game, float x, float y)
{
    const Ulvo::FloatRect& r = game.getSpielfeld()->getScreenRect();
    return D3DXVECTOR2(r.left + (r.right - r.left) * x, r.top + (r.bottom - r.top) * y);
}

TEST_F(WegblasenTest, AScriptedPlayerBlowsEveryLeafToTheEdgeAndScoresTheTimeLeft)
{
    loadGames();
    Wegblasen* game = find<Wegblasen>(L"PUSTEN_HOF");
    ASSERT_NE(game, nullptr);
    ASSERT_NE(find<Wegblasen>(L"PUSTEN_TEICH"), nullptr);
    ASSERT_EQ(game->getObjekte().size(), 8u) << "four leaves and copies up to MIN_ANZ";
    // A start where some leaves lie inside.
    play(*game);
    for (int k = 0; k < 10 && game->isFlagSet(false); ++k)
        play(*game);
    ASSERT_FALSE(game->isFlagSet(false));
    EXPECT_TRUE(matchesGolden(picture(), "wegblasen_start"));
    ASSERT_TRUE(MinigameSolver::solveWegblasen(*game, hands()));
    for (const Wegblasen::Objekt* objekt : game->getObjekte())
        EXPECT_TRUE(objekt->atEdge());
    const double left = game->getTimeLeft();
    EXPECT_GT(left, 20.0) << "solved well within the minute";
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "wegblasen_solved"));
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 60.0, 1e-6);

    // The pond's heavier objects go too.
    Wegblasen* teich = find<Wegblasen>(L"PUSTEN_TEICH");
    play(*teich);
    ASSERT_TRUE(MinigameSolver::solveWegblasen(*teich, hands()));
    EXPECT_GT(teich->getTimeLeft(), 20.0);
}

TEST_F(WegblasenTest, TheStrengthRampsWhileHeldAndEqualTimesMakeAStep)
{
    loadGames(
        LR"(<MINISPIEL TYPE="PUSTEN" NAME="RAMPE" STRENGTH="2 6" STRENGTH_TIMER="1 3"><OBJEKT SIZE="1" MASS="1000"/></MINISPIEL>
          <MINISPIEL TYPE="PUSTEN" NAME="STUFE" STRENGTH="2 6"><OBJEKT SIZE="40"/><OBJEKT SIZE="40"/></MINISPIEL>)");
    Wegblasen* rampe = find<Wegblasen>(L"RAMPE");
    ASSERT_NE(rampe, nullptr);
    play(*rampe);
    // Too small to start at an edge, too heavy to move: the game goes on while the ramp is watched.
    ASSERT_FALSE(rampe->isFlagSet(false));
    rampe->getObjekte()[0]->pos = D3DXVECTOR2(0.5f, 0.3f);
    mouseTo(fieldPoint(*rampe, 0.5f, 0.5f));
    mouseDown();
    frames(0.5);
    EXPECT_FLOAT_EQ(rampe->getStrength(), 2.0f);
    frames(1.5);
    EXPECT_NEAR(rampe->getStrength(), 4.0f, 1e-3f);
    frames(1.5);
    EXPECT_FLOAT_EQ(rampe->getStrength(), 6.0f);
    mouseUp();
    EXPECT_EQ(rampe->getStrength(), 0.0f);
    mouseDown();
    frames(0.1);
    EXPECT_FLOAT_EQ(rampe->getStrength(), 2.0f) << "a new press starts from A";
    mouseUp();

    // The default hold times 1 1: A before a second, B from it on, and every position a number.
    Wegblasen* stufe = find<Wegblasen>(L"STUFE");
    ASSERT_NE(stufe, nullptr);
    play(*stufe);
    stufe->getObjekte()[0]->pos = D3DXVECTOR2(0.4f, 0.5f);
    stufe->getObjekte()[1]->pos = D3DXVECTOR2(0.6f, 0.45f);
    mouseTo(fieldPoint(*stufe, 0.5f, 0.5f));
    mouseDown();
    frames(0.9);
    EXPECT_FLOAT_EQ(stufe->getStrength(), 2.0f);
    frames(0.2);
    EXPECT_FLOAT_EQ(stufe->getStrength(), 6.0f);
    frames(1.0);
    mouseUp();
    for (const Wegblasen::Objekt* objekt : stufe->getObjekte()) {
        EXPECT_TRUE(std::isfinite(objekt->pos.x) && std::isfinite(objekt->pos.y));
        EXPECT_TRUE(objekt->atEdge() || objekt->velocity.x != 0.0f);
    }
    EXPECT_LT(stufe->getObjekte()[0]->pos.x, 0.4f) << "pushed away from the pointer";
    EXPECT_GT(stufe->getObjekte()[1]->pos.x, 0.6f);
}

TEST_F(WegblasenTest, ThePushActsOnlyInsideTheFieldAndObjectsSlideOnBraked)
{
    loadGames(LR"(<MINISPIEL TYPE="PUSTEN" NAME="AUSSEN" STRENGTH="20 20" STRENGTH_TIMER="0 0">
          <OBJEKT SIZE="40" BREMS="2"/><OBJEKT SIZE="40"/></MINISPIEL>)");
    Wegblasen* game = find<Wegblasen>(L"AUSSEN");
    ASSERT_NE(game, nullptr);
    play(*game);
    Wegblasen::Objekt& first = *game->getObjekte()[0];
    Wegblasen::Objekt& second = *game->getObjekte()[1];
    first.pos = D3DXVECTOR2(0.3f, 0.5f);
    second.pos = D3DXVECTOR2(0.7f, 0.5f);
    // Held outside the field: nothing moves.
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    mouseTo(D3DXVECTOR2(field.left - 20, field.top + 20));
    mouseDown();
    frames(0.5);
    mouseUp();
    EXPECT_FLOAT_EQ(first.pos.x, 0.3f);
    EXPECT_FALSE(game->isFlagSet(false));
    // Sliding without the button: braked by mass x dt x BREMS each frame.
    first.velocity = D3DXVECTOR2(0.2f, 0.0f);
    frames(0.05);
    EXPECT_NEAR(first.velocity.x, 0.2f * 0.9f, 1e-5f);
    EXPECT_NEAR(first.pos.x, 0.3f + 0.2f * 0.9f * 0.05f, 1e-5f);
    // One object at its edge counts while the other is still inside.
    first.pos.x = 0.0f;
    first.velocity = D3DXVECTOR2(0.0f, 0.0f);
    frames(0.05);
    EXPECT_TRUE(first.atEdge());
    EXPECT_FLOAT_EQ(first.pos.x, 20.0f / 1024.0f) << "kept inside the field";
    EXPECT_FALSE(game->isFlagSet(false));
    second.pos.y = 1.0f;
    frames(0.05);
    EXPECT_TRUE(game->isFlagSet(false));
}

TEST_F(WegblasenTest, HostileEntriesAreLoggedAndPlaySafely)
{
    loadGames(LR"(<MINISPIEL TYPE="PUSTEN" NAME="LEER"/>
          <MINISPIEL TYPE="PUSTEN" NAME="BOESE" POW="-2" MIN_ANZ="100000" STRENGTH="5 5" STRENGTH_TIMER="0 0">
          <OBJEKT ANIMATION="GIBT_ES_NICHT" SIZE="40" MASS="0"/></MINISPIEL>)");
    Wegblasen* leer = find<Wegblasen>(L"LEER");
    ASSERT_NE(leer, nullptr);
    play(*leer);
    EXPECT_TRUE(leer->isFlagSet(false)) << "nothing to blow away";

    Wegblasen* boese = find<Wegblasen>(L"BOESE");
    ASSERT_NE(boese, nullptr);
    EXPECT_EQ(boese->getObjekte().size(), 500u) << "copies are capped";
    EXPECT_EQ(boese->getObjekte()[0]->mass, 0.01f);
    play(*boese);
    mouseTo(fieldPoint(*boese, 0.5f, 0.5f));
    mouseDown();
    frames(0.3);
    // The pointer leaves the field while held: a negative exponent would make that force infinite.
    mouseTo(D3DXVECTOR2(2, 2));
    frames(0.3);
    mouseUp();
    picture();
    for (const Wegblasen::Objekt* objekt : boese->getObjekte())
        ASSERT_TRUE(std::isfinite(objekt->pos.x) && std::isfinite(objekt->pos.y));
}

} // namespace
