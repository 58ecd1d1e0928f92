// The light show: the file and its shows, a picture turned into lights, the flight in, the
// pulse and the flight out, the game's show, and the show drawn at each of its stages.
#include "GameTestSupport.h"
#include "GraphicsTestSupport.h"

#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/lightshow/LichterspielManager.h"

#include <crt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace ThreeMatch;

namespace {

const wchar_t* const kShows = LR"(<L>
  <LICHTERSPIEL_DEU NAME="ZWEI" TIMER_LEER="7"/>
  <LICHTERSPIEL NAME="EINS" ANZ_LICHTER="4 2" SOUNDS="a b c" SCALE="0.5 0.5" TIMER_LEER="2"
                SPEED_HIN="1 0" SPEED_ZURÜCK="0.5 0" ROTATION="90 30">
    <LICHT ANZ_FRAMES="2 2" FIRST_FRAME="0 0 16 16" SIZE="10 12"/>
  </LICHTERSPIEL>
  <LICHTERSPIEL NAME="ZWEI" TIMER_LEER="5"/>
</L>)";

// A 4 x 2 picture: the corners of the top row and the bottom row's middle are opaque.
LayoutPicture picture()
{
    LayoutPicture made;
    made.width = 4;
    made.height = 2;
    made.texels = {0xFF102030, 0, 0, 0x80FFFFFF, 0, 0xFF00FF00, 0xFF0000FF, 0};
    return made;
}

class LichterspielTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        crt_srand(0);
        shows.load(GameTesting::parse(kShows));
        ASSERT_EQ(shows.getLichterspiele().size(), 3u);
        eins = shows.find(L"EINS");
        ASSERT_NE(eins, nullptr);
        eins->setPicture(picture());
    }
    // Every light's brightness.
    std::vector<float> brightness() const
    {
        std::vector<float> values;
        for (const Lichterspiel::Licht& licht : eins->getLichter())
            values.push_back(licht.brightness);
        return values;
    }

    LichterspielManager shows;
    Lichterspiel* eins = nullptr;
};

} // namespace

TEST_F(LichterspielTest, ShowsByNameAndTheirKeys)
{
    // LICHTERSPIEL nodes first, then LICHTERSPIEL_DEU.
    EXPECT_EQ(shows.getLichterspiele()[0], eins);
    EXPECT_EQ(shows.getLichterspiele()[2]->getTimerLeer(), 7.0);
    EXPECT_EQ(shows.find(L"ZWEI")->getTimerLeer(), 5.0) << "the first of the name";
    shows.start(L"ZWEI");
    EXPECT_EQ(shows.getRunning(), shows.getLichterspiele()[2]) << "the last of the name runs";
    shows.start(L"KEINS");
    EXPECT_EQ(shows.getRunning(), nullptr);
    EXPECT_EQ(eins->getSound(1), L"b");
    EXPECT_TRUE(shows.find(L"ZWEI")->getLichter().empty()) << "no light without LICHT";
}

TEST_F(LichterspielTest, OpaqueSamplesBecomeLightsAroundTheScreensMiddle)
{
    const auto& lichter = eins->getLichter();
    ASSERT_EQ(lichter.size(), 4u) << "columns outer, rows inner, transparent samples left out";
    EXPECT_EQ(lichter[0].colour, 0xFF102030u);
    EXPECT_EQ(lichter[1].colour, 0xFF00FF00u);
    EXPECT_EQ(lichter[3].colour, 0x80FFFFFFu);
    // Landscape: fitted to 1024 x 0.5 wide. The opaque samples span x 0..3 and y 0..1, so the
    // centre is (1, 0); a texel is 1024 / 4 x 0.5 = 128 virtual pixels.
    EXPECT_EQ(lichter[0].home[0], 512.0f - 128.0f);
    EXPECT_EQ(lichter[0].home[1], 384.0f);
    EXPECT_EQ(lichter[1].home[1], 384.0f + 128.0f) << "the picture stands upright";
    EXPECT_EQ(lichter[3].home[0], 512.0f + 2 * 128.0f);
    for (const auto& licht : lichter) {
        EXPECT_EQ(licht.size[0], 10.0f);
        EXPECT_LE(std::fabs(licht.angle), 90.0);
        EXPECT_LE(std::fabs(licht.rotationSpeed), 30.0);
        // Out of the screen, between one and two times the screen's diagonal measure away.
        const double away = std::hypot(licht.start[0] - 512.0, licht.start[1] - 768.0);
        EXPECT_GE(away, Lichterspiel::kFarAway - 1e-3);
        EXPECT_LE(away, 2 * Lichterspiel::kFarAway + 1e-3);
    }
    // Portrait: fitted to 768 x 0.5 high.
    LayoutPicture tall;
    tall.width = 1;
    tall.height = 2;
    tall.texels = {0xFFFFFFFF, 0xFFFFFFFF};
    eins->setPicture(tall);
    ASSERT_EQ(eins->getLichter().size(), 2u);
    EXPECT_EQ(eins->getLichter()[1].home[1] - eins->getLichter()[0].home[1], 768.0f * 0.5f / 2.0f);
    // A grid finer than the picture takes each texel once.
    Ulvo::XMLNode fine =
        GameTesting::parse(LR"(<LICHTERSPIEL NAME="F" ANZ_LICHTER="100000 100000"><LICHT/></LICHTERSPIEL>)");
    Lichterspiel many(&fine);
    many.setPicture(picture());
    EXPECT_EQ(many.getLichter().size(), 4u);
}

TEST_F(LichterspielTest, FlyInPulseFlyOutAndFinish)
{
    shows.start(L"EINS");
    shows.advance(0.5);
    const Lichterspiel::Licht& licht = eins->getLichter()[0];
    EXPECT_FLOAT_EQ(licht.position[0], (licht.start[0] + licht.home[0]) / 2.0f);
    EXPECT_FALSE(eins->hasArrived());
    shows.advance(0.5);
    EXPECT_TRUE(eins->hasArrived());
    EXPECT_EQ(licht.position[0], licht.home[0]);
    // Formed: the brightness runs from 2 down to 1 and up again, twice over TIMER_LEER.
    EXPECT_EQ(brightness(), std::vector<float>(4, 2.0f));
    float lowest = 2.0f, highest = 1.0f;
    for (int i = 0; i < 59; ++i) {
        shows.advance(0.025);
        for (float b : brightness()) {
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
        }
    }
    EXPECT_NEAR(lowest, 1.0f, 0.06f);
    EXPECT_NEAR(highest, 2.0f, 0.06f);
    EXPECT_FALSE(eins->isLeaving());
    shows.advance(0.05);
    ASSERT_TRUE(eins->isLeaving());
    EXPECT_EQ(licht.start[0], licht.home[0]) << "out from where the light stood";
    EXPECT_NEAR(std::hypot(licht.target[0] - 512.0, licht.target[1] - 768.0), Lichterspiel::kFarAway, 1e-3);
    shows.advance(0.25);
    EXPECT_FALSE(eins->isFinished());
    EXPECT_EQ(shows.getRunning(), eins);
    shows.advance(0.25);
    EXPECT_TRUE(eins->isFinished());
    EXPECT_EQ(shows.getRunning(), nullptr);
    // Starting again brings the lights back out of the screen.
    shows.start(L"EINS");
    EXPECT_FALSE(eins->isFinished());
    EXPECT_FALSE(eins->hasArrived());
}

TEST_F(LichterspielTest, APictureWithoutLightsEndsAfterItsFormedTime)
{
    eins->setPicture(LayoutPicture{});
    shows.start(L"EINS");
    ASSERT_TRUE(eins->hasArrived());
    shows.advance(1.9);
    EXPECT_FALSE(eins->isLeaving());
    shows.advance(0.2);
    EXPECT_TRUE(eins->isLeaving());
    shows.advance(0.01);
    EXPECT_EQ(shows.getRunning(), nullptr);
}

TEST_F(LichterspielTest, ColourAndFrameOfALight)
{
    Lichterspiel::Licht licht;
    licht.colour = 0x80402010;
    licht.brightness = 2.0f;
    EXPECT_EQ(licht.drawColour(), 0xFF804020u) << "every channel doubled, within 255";
    licht.brightness = 1.0f;
    EXPECT_EQ(licht.drawColour(), 0x80402010u);
    Ulvo::Texture2D texture;
    licht.texture = &texture;
    licht.columns = 2;
    licht.rows = 2;
    licht.firstFrame = RECT{4, 4, 20, 20};
    licht.frameClock = 3.5;
    const RECT frame = licht.frameRect();
    EXPECT_EQ(frame.left, 20);
    EXPECT_EQ(frame.bottom, 36);
}

TEST(LichterspielData, TheGamesShowFormsTheEmblem)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    LichterspielManager shows;
    GameTesting::inRuntimeFolder([&] { ASSERT_TRUE(shows.load(L"data\\lichter.lch")); });
    const Lichterspiel* win = shows.find(L"THREEMATCH_MINI_WIN");
    ASSERT_NE(win, nullptr);
    ASSERT_GT(win->getLichter().size(), 100u);
    EXPECT_NE(win->getLichter()[0].texture, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(win->getSound(i).empty());
}

// The game's show forming the picture of a newly built mill, drawn at 320 x 240 while the
// lights fly in, while they pulse (at their brightest) and while they fly out.
TEST(LichterspielDrawing, FlyInPulseAndFlyOut)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    constexpr D3DCOLOR kNight = 0xFF101828;
    crt_srand(0);
    LichterspielManager shows;
    Ulvo::Texture2D* mill = nullptr;
    GameTesting::inRuntimeFolder([&] {
        ASSERT_TRUE(shows.load(L"data\\lichter.lch"));
        mill = gameTextureFromFile(L"data\\Gebaeude\\muehle_vorschau_big.png");
    });
    Lichterspiel* win = shows.find(L"THREEMATCH_MINI_WIN");
    ASSERT_NE(win, nullptr);
    ASSERT_NE(mill, nullptr);
    win->setBild(mill);
    shows.start(L"THREEMATCH_MINI_WIN");
    auto draw = [&](const char* name) {
        GraphicsTesting::ScopedTarget target(device, 320, 240);
        EXPECT_TRUE(target.ok());
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kNight, 1.0f, 0);
        device->BeginScene();
        Ulvo::D3DXSprite* sprite = gameSprite();
        EXPECT_TRUE(sprite->Begin(D3DXSPRITE_ALPHABLEND));
        shows.render(0.0f, 0.0f, 320.0 / 1024.0);
        sprite->End();
        device->EndScene();
        const TestSupport::Image image = target.read();
        EXPECT_TRUE(TestSupport::matchesGolden(
            image, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "golden", name, 2));
        return image;
    };
    auto run = [&](double seconds) {
        for (double t = 0.0; t < seconds - 1e-9; t += 0.025)
            shows.advance(0.025);
    };
    run(1.0);
    ASSERT_FALSE(win->hasArrived());
    draw("lichter_hin");
    while (!win->hasArrived())
        shows.advance(0.025);
    // Halfway up to the brightest.
    run(0.375 * win->getTimerLeer() - 0.025);
    ASSERT_NEAR(win->getLichter()[0].brightness, 1.5f, 0.1f);
    const TestSupport::Image formed = draw("lichter_puls");
    // Formed, the lights leave the screen's corners to the night.
    EXPECT_PIXEL(formed, 2, 2, kNight);
    EXPECT_PIXEL(formed, 317, 237, kNight);
    while (!win->isLeaving())
        shows.advance(0.025);
    run(0.4);
    ASSERT_FALSE(win->isFinished());
    draw("lichter_zurueck");
}
