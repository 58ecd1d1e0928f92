// The rings: a scripted player drags every turnable ring upright around the middle with the
// input state's mouse and the score is the time left over the limit; a press outside every
// ring or on the fixed middle grabs nothing; the upright test keeps to DELTA_WINKEL; rings
// are sorted by their outer radius; a ring's animation plays once it and the rings around it
// stand right, on the hard difficulty only after the release; input while hidden or after the
// solution changes nothing; RADIUS_MAX 0 is logged and stays unsolvable without a crash.
#include "KindTestSupport.h"

#include "engine/UlvoEngine.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/ring/Ring.h"
#include "threematch/globals/MyGlobals.h"

#include <cmath>

using namespace ThreeMatch;
using KindTesting::KindTest;

namespace {

using RingTest = KindTest;

// The screen point at a radius (definition units) and an angle (degrees) about the middle.
D3DXVECTOR2 around(const Ring& game, float radius, float degrees)
{
    const float r = radius * game.pixelsPerUnit(), a = degrees / 57.295776f;
    return game.centre() + D3DXVECTOR2(std::cos(a), std::sin(a)) * r;
}

TEST_F(RingTest, AScriptedPlayerDragsEveryRingUprightAndScoresTheTimeLeft)
{
    loadGames();
    Ring* game = find<Ring>(L"RING_DORF");
    ASSERT_NE(game, nullptr);
    ASSERT_EQ(game->getRinge().size(), 4u);
    EXPECT_EQ(game->getRadiusMax(), 256.0);
    play(*game);
    const Ulvo::FloatRect& field = game->getSpielfeld()->getScreenRect();
    EXPECT_NEAR(field.right - field.left, field.bottom - field.top, 1.0f) << "the wall is square";
    EXPECT_NEAR(game->getRinge()[3]->outer * game->pixelsPerUnit(), (field.right - field.left) / 2, 1.0f);
    EXPECT_EQ(game->getRinge()[0]->angle, 0.0f) << "the fixed middle stands";
    EXPECT_TRUE(matchesGolden(picture(), "ring_start"));

    // The fixed middle and the wall outside the rings grab nothing.
    for (const D3DXVECTOR2& at : {game->centre() + D3DXVECTOR2(3, 3), around(*game, 135.0f, 45.0f)}) {
        mouseTo(at);
        mouseDown();
        EXPECT_EQ(game->getGrabbed(), nullptr);
        mouseUp();
    }
    // A grabbed ring turns with the mouse, by the angle swept about the middle.
    const Ring::Teil* outer = game->getRinge()[3];
    const float before = outer->angle;
    mouseTo(around(*game, 115.0f, 10.0f));
    mouseDown();
    EXPECT_EQ(game->getGrabbed(), outer);
    mouseTo(around(*game, 115.0f, 40.0f));
    EXPECT_NEAR(std::fmod(outer->angle - before + 720.0f, 360.0f), 30.0f, 0.01f);
    mouseUp();
    EXPECT_EQ(game->getGrabbed(), nullptr);

    Ulvo::Texture2DAnimation* glow = game->getRinge()[1]->animation;
    ASSERT_NE(glow, nullptr);
    ASSERT_TRUE(MinigameSolver::solveRing(*game, hands()));
    EXPECT_TRUE(glow->isPlaying()) << "the ring with START_ANI plays once all stand right";
    const double left = game->getTimeLeft();
    frames(0.2);
    EXPECT_TRUE(matchesGolden(picture(), "ring_solved"));
    // Input after the solution changes nothing.
    const float angle = outer->angle;
    drag(around(*game, 115.0f, 0.0f), around(*game, 115.0f, 60.0f));
    EXPECT_EQ(outer->angle, angle);
    frames(1.5);
    ASSERT_EQ(results.scores.size(), 1u);
    EXPECT_NEAR(results.scores[0], left / 120.0, 1e-6);
}

TEST_F(RingTest, RadiiDeltaAndOrderFollowTheDefinition)
{
    loadGames(LR"(<MINISPIEL TYPE="RING" NAME="RINGE" RADIUS_MAX="300">
          <OBJEKT RADIUS="50 120"/><OBJEKT RADIUS="80"/><OBJEKT RADIUS="10 40" ROTIERBAR="0"/></MINISPIEL>
        <MINISPIEL TYPE="RING" NAME="OHNE_MAX"><OBJEKT RADIUS="0 30"/><OBJEKT RADIUS="30 90"/></MINISPIEL>)");
    Ring* game = find<Ring>(L"RINGE");
    ASSERT_NE(game, nullptr);
    const std::vector<Ring::Teil*>& rings = game->getRinge();
    ASSERT_EQ(rings.size(), 3u);
    EXPECT_EQ(rings[0]->outer, 40.0f) << "sorted by outer radius";
    EXPECT_EQ(rings[1]->inner, 80.0f);
    EXPECT_EQ(rings[1]->outer, 80.0f);
    EXPECT_EQ(rings[2]->inner, 50.0f);
    EXPECT_EQ(rings[2]->outer, 120.0f);
    EXPECT_EQ(game->getRadiusMax(), 300.0) << "a given RADIUS_MAX wins";
    EXPECT_EQ(game->getDeltaWinkel(), 2.0f);
    Ring* computed = find<Ring>(L"OHNE_MAX");
    ASSERT_NE(computed, nullptr);
    EXPECT_EQ(computed->getRadiusMax(), 90.0) << "the largest outer radius";

    play(*game);
    // A ring of no width is never grabbed; the press at 100 units reaches the wide ring.
    mouseTo(around(*game, 80.0f, 30.0f));
    mouseDown();
    EXPECT_EQ(game->getGrabbed(), rings[2]);
    mouseUp();
    // The upright test: within DELTA_WINKEL either side of upright, angles brought into 0..360.
    rings[1]->angle = 0.0f;
    for (const auto& [angle, right] : std::vector<std::pair<float, bool>>{
             {1.5f, true}, {358.5f, true}, {2.0f, false}, {-1.0f, true}, {721.0f, true}}) {
        rings[2]->angle = angle;
        EXPECT_EQ(game->uprightTest(false), right) << angle;
        EXPECT_GE(rings[2]->angle, 0.0f);
        EXPECT_LT(rings[2]->angle, 360.0f);
    }
    // While hidden the mouse grabs nothing.
    game->hide();
    mouseTo(around(*game, 100.0f, 0.0f));
    mouseDown();
    EXPECT_EQ(game->getGrabbed(), nullptr);
    mouseUp();
}

TEST_F(RingTest, OnTheHardDifficultyTheAnimationWaitsForTheRelease)
{
    auto* engine = Ulvo::UlvoEngine::getInstance();
    Ulvo::UserGlobals* previous = engine->getUserGlobals();
    auto* globals = new MyGlobals();
    engine->setUserGlobals(globals);
    globals->setSchwierigkeit(2);
    loadGames(LR"(<MINISPIEL TYPE="RING" NAME="SCHWER" RADIUS_MAX="100" DELTA_WINKEL="3">
          <OBJEKT RADIUS="10 50" START_ANI="1" ANIMATION="RING_SEE_0"/></MINISPIEL>)");
    Ring* game = find<Ring>(L"SCHWER");
    ASSERT_NE(game, nullptr);
    play(*game);
    Ring::Teil* ring = game->getRinge()[0];
    ring->angle = 20.0f;
    mouseTo(around(*game, 30.0f, 0.0f));
    mouseDown();
    ASSERT_EQ(game->getGrabbed(), ring);
    mouseTo(around(*game, 30.0f, -10.0f));
    EXPECT_FALSE(ring->animation->isPlaying());
    EXPECT_FALSE(game->isFlagSet(false));
    mouseTo(around(*game, 30.0f, -20.0f));
    EXPECT_TRUE(game->isFlagSet(false)) << "solved while dragging";
    EXPECT_FALSE(ring->animation->isPlaying()) << "hard: not while the mouse is held";
    EXPECT_TRUE(game->uprightTest(false));
    EXPECT_TRUE(ring->animation->isPlaying()) << "after the release it plays";
    mouseUp();
    engine->setUserGlobals(previous);
    delete globals;
}

TEST_F(RingTest, RadiusMaxZeroIsLoggedAndStaysUnsolvable)
{
    const wchar_t* entry = LR"(<MINISPIEL TYPE="RING" NAME="NULL" RADIUS_MAX="0" BACKGROUND="FEHLT">
          <OBJEKT RADIUS="0 50" ANIMATION="RING_SEE_0"/><OBJEKT RADIUS="50 80" ANIMATION="AUCH_FEHLT"/></MINISPIEL>)";
    const std::string logged = logOfMaking(entry);
    EXPECT_NE(logged.find("RADIUS_MAX 0"), std::string::npos) << logged;
    EXPECT_NE(logged.find("AUCH_FEHLT"), std::string::npos) << logged;
    loadGames(std::wstring(entry) + LR"(<MINISPIEL TYPE="RING" NAME="LEER"/>)");
    for (const wchar_t* name : {L"NULL", L"LEER"}) {
        Ring* game = find<Ring>(name);
        ASSERT_NE(game, nullptr);
        EXPECT_EQ(game->pixelsPerUnit(), 0.0f);
        play(*game);
        drag(game->centre() + D3DXVECTOR2(20, 0), game->centre() + D3DXVECTOR2(0, 20));
        EXPECT_EQ(game->getGrabbed(), nullptr);
        frames(0.2);
        EXPECT_FALSE(game->isFlagSet(false));
        picture();
    }
}

} // namespace
