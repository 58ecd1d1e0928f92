// The game's globals: the "API_PARAMS" section with its ranges, the difficulty, the frame
// geometry and the zig-zag of the time sparks.
#include "GameTestSupport.h"

#include "threematch/globals/GameRandom.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ThreeMatch;

TEST(MyGlobals, ApiParamsRoundTripKeepsValuesInRangeAndUnknownsAsRead)
{
    MyGlobals defaults;
    Ulvo::XMLNode empty(L"API_PARAMS");
    defaults.load(&empty);
    EXPECT_FLOAT_EQ(defaults.getSoundVolume(), 75.0f);
    EXPECT_FLOAT_EQ(defaults.getMusicVolume(), 50.0f);
    EXPECT_EQ(defaults.getMouse(), 0);
    EXPECT_EQ(defaults.getSchwierigkeit(), 1);
    EXPECT_TRUE(defaults.getHires());

    MyGlobals globals;
    Ulvo::XMLNode section = GameTesting::parse(LR"(<API_PARAMS SCHWIERIGKEIT="9" HIRES="0" EIGENES="x">
              <VOLUME SOUNDVOLUME="150" MUSICVOLUME="-5" MOUSE="7"/><ANDERES WERT="1"/></API_PARAMS>)");
    globals.load(&section);
    EXPECT_FLOAT_EQ(globals.getSoundVolume(), 100.0f);
    EXPECT_FLOAT_EQ(globals.getMusicVolume(), 0.0f);
    EXPECT_EQ(globals.getMouse(), 0) << "only four cursors";
    EXPECT_EQ(globals.getSchwierigkeit(), 2);
    EXPECT_FALSE(globals.getHires());
    EXPECT_DOUBLE_EQ(globals.getWrathInterval(), 4.0);
    EXPECT_DOUBLE_EQ(globals.getLevelTimeFactor(), 1.0);

    globals.setMusicVolume(0.0f);
    globals.setSoundVolume(42.5f);
    globals.setMouse(3);
    Ulvo::XMLNode written(L"API_PARAMS");
    globals.save(&written);
    EXPECT_EQ(written.getAttributeValue(L"SCHWIERIGKEIT"), L"2");
    EXPECT_EQ(written.getAttributeValue(L"HIRES"), L"0");
    EXPECT_EQ(written.getAttributeValue(L"EIGENES"), L"x") << "unknown settings survive";
    ASSERT_NE(written.getNode(L"ANDERES"), nullptr);
    const Ulvo::XMLNode* volume = written.getNode(L"VOLUME");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->getAttributeValue(L"SOUNDVOLUME"), L"42.5");
    EXPECT_EQ(volume->getAttributeValue(L"MUSICVOLUME"), L"0");
    EXPECT_EQ(volume->getAttributeValue(L"MOUSE"), L"3");

    MyGlobals again;
    again.load(&written);
    EXPECT_FLOAT_EQ(again.getSoundVolume(), 42.5f);
    EXPECT_EQ(again.getMouse(), 3);
    EXPECT_EQ(again.getSchwierigkeit(), 2);
}

TEST(MyGlobals, FrameIsCutWithCornersOfAtMostHalfTheBoxAndStylesOnTheGrid)
{
    RECT parts[9];
    MyGlobals::cutFrame(RECT{10, 20, 50, 220}, 30, parts);
    EXPECT_EQ(parts[0].right - parts[0].left, 20) << "half of a width of 40";
    EXPECT_EQ(parts[4].top, 40);
    EXPECT_EQ(parts[4].bottom, 200);
    EXPECT_EQ(parts[8].right, 50);
    EXPECT_EQ(parts[8].bottom, 220);

    MyGlobals globals;
    globals.selectFrameStyle(2, 1);
    const RECT* pieces = globals.getCurrentFramePieces();
    EXPECT_EQ(pieces[0].left, 100);
    EXPECT_EQ(pieces[0].top, 200);
    EXPECT_EQ(pieces[8].right, 190);
    EXPECT_EQ(pieces[8].bottom, 290);
}

TEST(MyGlobals, ZigZagHasFivePointsEachOffTheLineByAtMostAnEighthOfItsLengthHalved)
{
    crt_srand(0);
    MyGlobals globals;
    globals.setTimeBonusDuration(2.5);
    globals.makeZigZag(D3DXVECTOR2(0.0f, 0.0f), D3DXVECTOR2(400.0f, 0.0f));
    const WegpunktListe& path = globals.getZigZagPath();
    ASSERT_EQ(path.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(std::hypot(path[i].x - 80.0f * (i + 1), path[i].y), 0.0, 25.0 + 1e-3);
        EXPECT_DOUBLE_EQ(path[i].dauer, 0.5);
    }
    EXPECT_FLOAT_EQ(path[4].x, 400.0f);
    EXPECT_FLOAT_EQ(path[4].y, 0.0f);
}

TEST(MyGlobals, TheDifficultyIsTheActiveProfilesAndNoChangeRefillsItsLives)
{
    GameTesting::SaveFolder folder;
    MyGlobals globals;
    ProfileManager* profiles = ProfileManager::getInstance();
    profiles->loadProfiles();
    auto* anna = new Profil(L"Anna");
    ASSERT_TRUE(profiles->createProfile(anna));
    anna->setLeben(1);
    globals.applyProfileSchwierigkeit(2);
    EXPECT_EQ(anna->getLeben(), 1) << "applying a profile keeps its lives";
    globals.setSchwierigkeit(-1);
    EXPECT_EQ(globals.getSchwierigkeit(), 0);
    EXPECT_EQ(anna->getSchwierigkeit(), 0);
    EXPECT_EQ(anna->getLeben(), 1) << "a change of difficulty refills no lives";
    EXPECT_DOUBLE_EQ(globals.getWrathInterval(), 8.0);
    // The active profile owns the difficulty: the game plays the profile's.
    anna->setSchwierigkeit(2);
    EXPECT_EQ(globals.getSchwierigkeit(), 2);
    EXPECT_DOUBLE_EQ(globals.getLevelTimeFactor(), 1.0);
    profiles->deleteProfile(anna);
}
