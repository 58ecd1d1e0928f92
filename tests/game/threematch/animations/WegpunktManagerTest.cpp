// Path animations: templates, start delay, the path on game time and the frames on real
// time, the end with its signal, and the game's animation file.
#include "GameTestSupport.h"

#include "threematch/animations/WegpunktManager.h"

#include <gtest/gtest.h>

using namespace ThreeMatch;

namespace {

const wchar_t* const kTemplates = LR"(<ANIMATIONEN>
  <VORLAGE NAME="PFAD" SIZE="10 10" FRAMES="2 2" SPEED="10" ANIM_FRAMES="3">
    <WEGPUNKTE WEGPUNKT="0 0 0" WEGPUNKT="100 0 1" WEGPUNKT="100 50 0.5"/>
  </VORLAGE>
  <VORLAGE NAME="STILL" SIZE="10 10" FRAMES="4 1" SPEED="8"/>
  <VORLAGE NAME="STILL" SIZE="20 20" FRAMES="1 1" SPEED="4" ANIM_FRAMES="0"/>
  <VORLAGE NAME="LEER" SPEED="5"/>
</ANIMATIONEN>)";

struct Finished : sigslot::has_slots<> {
    std::vector<float> endX;
    void onFinished(WegpunktAnimation& animation) { endX.push_back(animation.getX()); }
};

} // namespace

TEST(WegpunktManager, LaterTemplateHidesAnEarlierOneOfTheSameName)
{
    WegpunktManager manager;
    manager.load(GameTesting::parse(kTemplates));
    ASSERT_EQ(manager.getVorlagen().size(), 4u);
    ASSERT_NE(manager.findVorlage(L"STILL"), nullptr);
    EXPECT_EQ(manager.findVorlage(L"STILL")->getGrid().frameWidth, 20);
    EXPECT_EQ(manager.findVorlage(L"PFAD")->getWegpunkte().size(), 3u);
    EXPECT_EQ(manager.findVorlage(L"FEHLT"), nullptr);
    // Without FRAMES the grid still has one frame to take numbers modulo.
    EXPECT_EQ(manager.findVorlage(L"LEER")->getGrid().frameCount(), 1);
    EXPECT_EQ(manager.findVorlage(L"LEER")->getGrid().frameRect(7).right, 0);
}

TEST(WegpunktManager, AnimationWaitsMovesAlongItsPathAndSignalsItsEnd)
{
    WegpunktManager manager;
    manager.load(GameTesting::parse(kTemplates));
    auto* animation = new WegpunktAnimation(*manager.findVorlage(L"PFAD"), RECT{0, 0, 10, 10}, false, 0.3);
    Finished finished;
    animation->finished.connect(&finished, &Finished::onFinished);
    manager.add(animation);

    // A delay of 0.3 s in a frame of 0.5 s: it starts in that same frame, and the time past the
    // first point (reached at once) carries over to the next stretch.
    manager.advance(0.5, 0.5);
    EXPECT_GT(animation->getFrameClock(), 0.0);
    manager.advance(0.25, 0.25);
    EXPECT_NEAR(animation->getX(), 75.0f, 1e-3f) << "three quarters of the one-second stretch";
    EXPECT_FALSE(animation->isPathFinished());

    // Paused game: the position stays, the frames go on.
    const double frames = animation->getFrameClock();
    manager.advance(0.0, 0.5);
    EXPECT_NEAR(animation->getX(), 75.0f, 1e-3f);
    EXPECT_GT(animation->getFrameClock(), frames);

    for (int i = 0; i < 5 && !manager.getAnimations().empty(); ++i)
        manager.advance(0.5, 0.5);
    EXPECT_TRUE(manager.getAnimations().empty());
    ASSERT_EQ(finished.endX.size(), 1u) << "the end is signalled once";
    EXPECT_FLOAT_EQ(finished.endX[0], 100.0f);
}

TEST(WegpunktManager, WithoutWayPointsItEndsAfterItsFramesUnlessItHasNone)
{
    WegpunktManager manager;
    manager.load(GameTesting::parse(kTemplates));
    const WegpunktVorlage& still = *manager.getVorlagen()[1];
    auto* playing = new WegpunktAnimation(still, RECT{0, 0, 10, 10}, false, 0.0);
    EXPECT_TRUE(playing->isPathFinished());
    manager.add(playing);
    manager.add(new WegpunktAnimation(*manager.findVorlage(L"STILL"), RECT{0, 0, 20, 20}, true, 0.0));
    manager.advance(0.25, 0.25); // 2 of 4 frames
    EXPECT_EQ(manager.getAnimations().size(), 2u);
    manager.advance(0.3, 0.3);
    ASSERT_EQ(manager.getAnimations().size(), 1u) << "played its four frames";
    manager.advance(100.0, 100.0);
    EXPECT_EQ(manager.getAnimations().size(), 1u) << "fewer than one frame to play: stays until clear";
    manager.clear();
    EXPECT_TRUE(manager.getAnimations().empty());
}

TEST(WegpunktManager, GameAnimationFileHasTheStrikesAndPassersBy)
{
    WegpunktManager manager;
    GameTesting::inRuntimeFolder([&] { ASSERT_TRUE(manager.load(L"data\\Animationen\\Animation_alt.ani")); });
    for (const wchar_t* name : {L"Blitz_Einschlag", L"Hammer_Schlag", L"Bomben_Explosion", L"Zufall_Wirbel",
                                L"Zeilen_Strahl", L"Rohstoff_Sog", L"Vogelzug", L"Schmetterling"}) {
        const WegpunktVorlage* vorlage = manager.findVorlage(name);
        ASSERT_NE(vorlage, nullptr) << std::string(name, name + wcslen(name));
        EXPECT_GT(vorlage->getGrid().product(), 0);
        EXPECT_GT(vorlage->getSpeed(), 0.0);
    }
    EXPECT_EQ(manager.findVorlage(L"Blitz_Einschlag")->getGrid().frameHeight, 300);
    EXPECT_GE(manager.findVorlage(L"Vogelzug")->getWegpunkte().size(), 2u);
}
