// The game's screens as the player sees them after a first start (golden images at a quarter of
// 1024x768): the loading screen, the new profile, the main menu, the options, the town and a level
// in play with and without the high-resolution renderer; the screenshot key and the magnifier; the
// demo scene around a level's board, with the deferred and HDR renderers.
#include "PlayThroughSupport.h"

#include "engine/UlvoEngine.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "gui/windows/GUIWindow.h"
#include "threematch/controller/ThreeMatchGame.h"

#include <crt.h>

#include <gtest/gtest.h>
#include <platform_test.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

using PlayThrough::GameHost;
using PlayThrough::Image;
using PlayThrough::RunFolder;
namespace Player = PlayThrough::Player;
namespace fs = std::filesystem;

namespace {

// Fewer pixels than this (1 % of the screen) change within a second of a level in play: the
// clock, the stones' idle animations.
constexpr int kMoving = 1024 * 768 / 100;

// Pixels whose colour (alpha aside) differs by more than 8 in a channel, those inside the
// rectangle left aside.
int differingPixels(const Image& a, const Image& b, const RECT* aside = nullptr)
{
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        const LONG x = static_cast<LONG>(i % a.width), y = static_cast<LONG>(i / a.width);
        if (aside && x >= aside->left && x < aside->right && y >= aside->top && y < aside->bottom)
            continue;
        count += TestSupport::near(a.pixels[i] | 0xFF000000u, b.pixels[i] | 0xFF000000u, 8) ? 0 : 1;
    }
    return count;
}

// From a first start to a level running, with the screens on the way compared where asked.
bool reachALevel(GameHost& host, bool compareScreens)
{
    if (compareScreens) {
        // The back buffer still holds the loading screen's last picture.
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "loading_screen"));
    }
    if (!Player::waitForMenu(host, L"NEUES_PROFILE_MENU"))
        return false;
    if (compareScreens) {
        while (Player::dismissPopup(host)) {}
        host.seconds(1.5);
        host.type("anna");
        host.seconds(0.5);
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "new_profile"));
    }
    if (!Player::createProfile(host, compareScreens ? "" : "anna"))
        return false;
    if (compareScreens) {
        // Behind the menus the landscape covers the screen: a frame of the main menu copies the
        // kept picture of it and its darkened edges, draws the menu and presents; not the town's
        // picture, the colour under it, the depth and stencil nothing reads, nor the landscape and
        // edges again (those were six screens of pixels more). Counted over the wait the screens
        // take anyway: frames of their own would move the town's smoke in the goldens that follow.
        PlatformCountPixels(true);
        const uint64_t before = PlatformPixelCount();
        const int rendersBefore = GameHost::renders();
        host.seconds(1.5);
        const double screens = static_cast<double>(PlatformPixelCount() - before) /
                               std::max(1, GameHost::renders() - rendersBefore) / (1024.0 * 768.0);
        PlatformCountPixels(false);
        std::printf("main menu: %.2f screens of pixels per frame\n", screens);
        EXPECT_GT(screens, 2.0);
        EXPECT_LT(screens, 2.6);
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "main_menu"));
        if (!host.click(L"H_Optionen") || !Player::waitForMenu(host, L"OPTIONEN_MENU"))
            return false;
        while (Player::dismissPopup(host)) {}
        host.seconds(1.5);
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "options"));
        if (!host.click(L"O_OKButton") || !Player::waitForMenu(host, L"HAUPTMENU"))
            return false;
    }
    if (!host.click(L"H_Start") || !Player::waitForMenu(host, L"THREEMATCH_BAUEN_MENU"))
        return false;
    if (compareScreens) {
        while (Player::dismissPopup(host)) {}
        host.seconds(1.5);
        EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "town"));
    }
    if (!Player::playNextLevel(host))
        return false;
    host.seconds(1.0);
    return true;
}

void screensWithoutHires(const RunFolder& folder)
{
    // Two older screenshots: the next one goes past them.
    TestSupport::writeText(folder.path() / "Screenshot_0.png", "older");
    TestSupport::writeText(folder.path() / "Screenshot_1.png", "older");

    GameHost host(folder, 0);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(reachALevel(host, true));
    const Image level = host.screen();
    EXPECT_TRUE(PlayThrough::matchesGolden(level, "level_hires0"));

    // F7 writes the whole back buffer past the files there are; the older ones stay.
    host.key(PlayThrough::KEY_F7);
    EXPECT_EQ(TestSupport::readText(folder.path() / "Screenshot_0.png"), "older");
    EXPECT_EQ(TestSupport::readText(folder.path() / "Screenshot_1.png"), "older");
    Image shot;
    ASSERT_TRUE(TestSupport::readPng((folder.path() / "Screenshot_2.png").string(), shot));
    ASSERT_EQ(shot.width, 1024u);
    ASSERT_EQ(shot.height, 768u);
    host.key(PlayThrough::KEY_F7);
    EXPECT_TRUE(fs::exists(folder.path() / "Screenshot_3.png"));

    // A note that the screenshot was saved stands over the picture (not in the file) for a while.
    host.seconds(0.5);
    const Image after = host.screen(1);
    const Image afterSmall = host.screen();
    const Ulvo::GUIWindow* note = GameHost::findWindow(L"BILDSCHIRMFOTO_HINWEIS");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(host.game().isScreenshotNoteShown());
    // Its frame's edge and shadow reach a little past its rectangle.
    constexpr LONG kEdge = 16;
    const Ulvo::FloatRect& r = note->getScreenRect();
    const RECT noteRect{static_cast<LONG>(r.left) - kEdge, static_cast<LONG>(r.top) - kEdge,
                        static_cast<LONG>(r.right) + kEdge, static_cast<LONG>(r.bottom) + kEdge};
    const RECT noteSmall{noteRect.left / 4, noteRect.top / 4, noteRect.right / 4 + 1, noteRect.bottom / 4 + 1};
    EXPECT_GT(differingPixels(shot, after), differingPixels(shot, after, &noteRect) + 1000) << "no note drawn";
    EXPECT_LT(differingPixels(shot, after, &noteRect), kMoving);
    EXPECT_LT(differingPixels(level, afterSmall, &noteSmall), kMoving / 16);
    host.seconds(3.0);
    EXPECT_FALSE(host.game().isScreenshotNoteShown());
    EXPECT_FALSE(note->getOptions().visible) << "the note is gone after a while";

    // Without hires there is no magnifier: L says so in a word over the picture for a few
    // seconds; after that only what moves differs.
    host.key(PlayThrough::KEY_L);
    host.seconds(0.5);
    const Image told = host.screen();
    EXPECT_GT(differingPixels(level, told), kMoving / 8);
    EXPECT_TRUE(PlayThrough::matchesGolden(told, "level_hires0_no_magnifier"));
    host.seconds(3.0);
    EXPECT_LT(differingPixels(level, host.screen()), kMoving / 16);

    // The pause button pauses, and the pause's own button leads back.
    ASSERT_TRUE(host.click(L"THREEMATCH_PAUSE"));
    EXPECT_TRUE(Player::waitForMenu(host, L"THREEMATCH_INGAME_PAUSE_MENU"));
    ASSERT_TRUE(host.click(L"PAUSE_Weiter"));
    EXPECT_TRUE(Player::waitForMenu(host, L"THREEMATCH_INGAME_MENU"));

    // A frame of the running level copies back the kept picture of its background and frames where
    // the frame before drew over it, draws the board's picture (cleared, drawn and laid into its
    // window only where it changed), the head-up display and the bonus bar, and presents (a
    // screen); not the background and the frames again (a screen more), nor the whole board.
    host.seconds(0.5);
    PlatformCountPixels(true);
    const uint64_t before = PlatformPixelCount();
    const int rendersBefore = GameHost::renders();
    host.seconds(1.0);
    const double screens = static_cast<double>(PlatformPixelCount() - before) /
                           std::max(1, GameHost::renders() - rendersBefore) / (1024.0 * 768.0);
    PlatformCountPixels(false);
    std::printf("level: %.2f screens of pixels per frame\n", screens);
    EXPECT_GT(screens, 1.0);
    EXPECT_LT(screens, 2.2);
}

void levelWithHires(const RunFolder& folder)
{
    GameHost host(folder, 1);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(reachALevel(host, false));
    host.moveTo(512, 384);
    host.seconds(0.5);
    const Image level = host.screen();
    EXPECT_TRUE(PlayThrough::matchesGolden(level, "level_hires1"));

    // L opens the magnifier over a quarter second where the pointer is, and closes it again.
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 0.0f);
    host.key(PlayThrough::KEY_L);
    host.seconds(0.5);
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 1.0f);
    const Image magnified = host.screen();
    EXPECT_GT(differingPixels(level, magnified) * 16, kMoving);
    EXPECT_TRUE(PlayThrough::matchesGolden(magnified, "level_hires1_magnifier"));
    host.key(PlayThrough::KEY_L);
    host.seconds(0.5);
    EXPECT_FLOAT_EQ(host.game().getMagnifierFade().value, 0.0f);
    EXPECT_LT(differingPixels(level, host.screen()), kMoving / 16);
}

std::wstring console(const std::wstring& text)
{
    Ulvo::TypedConsoleCommand line(text);
    Ulvo::ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

// The screen's pixels at the centres of a few cells: the stones, as the board drew them.
std::vector<D3DCOLOR> stones(GameHost& host)
{
    std::vector<D3DCOLOR> found;
    const Image screen = host.screen(1);
    for (int cell = 0; cell < 6; ++cell) {
        POINT at{};
        if (Player::cellPoint(host, 1 + cell, 1 + cell % 3, at))
            found.push_back(
                screen.pixels[static_cast<std::size_t>(at.y) * screen.width + static_cast<std::size_t>(at.x)]);
    }
    return found;
}

int sameStones(const std::vector<D3DCOLOR>& a, const std::vector<D3DCOLOR>& b)
{
    int same = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        same += TestSupport::near(a[i] | 0xFF000000u, b[i] | 0xFF000000u, 24) ? 1 : 0;
    return same;
}

void demoSceneAroundTheBoard(const RunFolder& folder)
{
    GameHost host(folder, 1);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(reachALevel(host, false));
    // The random arrangement draws from the game's generator: the same stumps every run.
    crt_srand(1);
    EXPECT_EQ(console(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    console(L"CAM_setEyePosition SPIEL 0 3.5 -7");
    host.moveTo(1000, 700);
    host.seconds(1.0);
    // After the roll-in the scene shows wherever the level leaves the picture's window free: sky
    // above the board, not the parchment of a board-only picture.
    const Image scene = host.screen();
    EXPECT_TRUE(PlayThrough::matchesGolden(scene, "level_demo_scene"));
    const Ulvo::FloatRect& window = GameHost::findWindow(L"THREEMATCHGAME_WINDOW")->getScreenRect();
    const D3DCOLOR sky =
        scene.at(static_cast<unsigned>(window.left / 4 + 2), static_cast<unsigned>(window.top / 4 + 2));
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF) << "sky blue above the board " << TestSupport::hex(sky);
    const std::vector<D3DCOLOR> forward = stones(host);
    ASSERT_GE(forward.size(), 5u);

    // The deferred and HDR renderers light the scene; the board comes over their picture as it is.
    EXPECT_EQ(console(L"RP_DEF 1"), L"gesetzt");
    host.seconds(0.5);
    EXPECT_GE(sameStones(forward, stones(host)), 5) << "the stones drawn over the deferred picture";
    EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "level_demo_deferred"));
    console(L"RP_DEF 0");
    EXPECT_EQ(console(L"RP_HDR 7"), L"gesetzt");
    host.seconds(0.5);
    EXPECT_GE(sameStones(forward, stones(host)), 5) << "the stones' colours after HDR";
    EXPECT_TRUE(PlayThrough::matchesGolden(host.screen(), "level_demo_hdr"));
    console(L"RP_HDR 0");
}

} // namespace

TEST(ControllerGolden, ScreensOfAFirstStartAndALevelWithoutHires)
{
    RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("play", [&] { screensWithoutHires(folder); }));
}

TEST(ControllerGolden, ALevelWithHiresAndItsMagnifier)
{
    RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("play", [&] { levelWithHires(folder); }));
}

TEST(ControllerGolden, TheDemoSceneAroundALevelWithTheDeferredAndHDRRenderers)
{
    RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("play", [&] { demoSceneAroundTheBoard(folder); }));
}
