// The game's screens as the player sees them after a first start (golden images at a quarter of
// 1024x768): the loading screen, the new profile, the main menu, the options, the town and a level
// in play with and without the high-resolution renderer; the screenshot key and the magnifier; the
// demo scene around a level's board, with the deferred and HDR renderers.
#include "PlayThroughSupport.h"

#include "engine/UlvoEngine.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "gui/windows/GUIWindow.h"
#include "render/cameras/CameraManager.h"
#include "scene/ObjektManager.h"
#include "scene/objects/BaseObjekt.h"
#include "threematch/controller/ThreeMatchGame.h"

#include <crt.h>

#include <gtest/gtest.h>
#include <platform_test.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>
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

// The screen rectangle the corners of the edited object's box project to, through the active
// camera and the rectangle the game lays the 3D picture into.
RECT projectedBox(const Ulvo::ObjektManager& objects, const Ulvo::BaseObjekt& object)
{
    const Ulvo::Camera* camera = Ulvo::CameraManager::getInstance()->getActiveCamera();
    const RECT& picture = objects.getPictureRect();
    const Ulvo::AABB& box = const_cast<Ulvo::BaseObjekt&>(object).getBoundingBox();
    RECT found{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int i = 0; i < 8 && camera; ++i) {
        const D3DXVECTOR3 corner((i & 1) ? box.getMax().x : box.getMin().x, (i & 2) ? box.getMax().y : box.getMin().y,
                                 (i & 4) ? box.getMax().z : box.getMin().z);
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &corner, &camera->getViewProjectionMatrix());
        const float x = picture.left + (ndc.x + 1.0f) * 0.5f * static_cast<float>(picture.right - picture.left);
        const float y = picture.top + (1.0f - ndc.y) * 0.5f * static_cast<float>(picture.bottom - picture.top);
        found = RECT{std::min(found.left, static_cast<LONG>(std::floor(x))),
                     std::min(found.top, static_cast<LONG>(std::floor(y))),
                     std::max(found.right, static_cast<LONG>(std::ceil(x))),
                     std::max(found.bottom, static_cast<LONG>(std::ceil(y)))};
    }
    return found;
}

bool within(const RECT& r, LONG x, LONG y, LONG slack)
{
    return x >= r.left - slack && x <= r.right + slack && y >= r.top - slack && y <= r.bottom + slack;
}

// With the demo scene round the board, a click on what the level shows of each object outside the
// board selects that object, and the box the editor then draws frames what was drawn of it.
void editorPicksInTheLevel(const RunFolder& folder)
{
    GameHost host(folder, 1);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(reachALevel(host, false));
    crt_srand(1);
    ASSERT_EQ(console(L"OBJ_LoadFile data\\Szenen\\demo.xml"), L"32 Objekte geladen");
    console(L"CAM_setEyePosition SPIEL 0 3.5 -7");
    // Without shadows and mirror images an object's pixels are the object's alone.
    console(L"RP_setShadowQuality off");
    console(L"RP_setWaterQuality off");
    console(L"OBJ_SetEditMouseMode 1");
    host.moveTo(1000, 700);
    host.seconds(1.0);
    Ulvo::ObjektManager* objects = Ulvo::UlvoEngine::getInstance()->getObjektManager();
    ASSERT_NE(objects, nullptr);
    // The board's cells, a cell wider all round for its frame.
    RECT board{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    int cells = 0;
    for (int column = 0; column < 12; ++column)
        for (int row = 0; row < 12; ++row) {
            POINT at{};
            if (!Player::cellPoint(host, column, row, at))
                continue;
            ++cells;
            board = RECT{std::min(board.left, at.x), std::min(board.top, at.y), std::max(board.right, at.x),
                         std::max(board.bottom, at.y)};
        }
    ASSERT_GT(cells, 20);
    const LONG cell = (board.right - board.left) / std::max(1, static_cast<int>(std::sqrt(cells)) - 1);
    board = RECT{board.left - cell, board.top - cell, board.right + cell, board.bottom + cell};
    const RECT picture = objects->getPictureRect();
    ASSERT_LT(picture.left, board.left) << "the picture is laid into the board's panel";

    int allEdges = 0;
    for (const wchar_t* name : {L"Demo_Haus", L"Demo_Baumstumpf"}) {
        SCOPED_TRACE(std::string(name, name + std::wcslen(name)));
        Ulvo::BaseObjekt* object = objects->find(name);
        ASSERT_NE(object, nullptr);
        const D3DXVECTOR3 at = object->getBasePosition();
        objects->setEditObject(nullptr);
        host.frames(2);
        const Image shown = host.screen(1);
        host.frames(2);
        // The turning sails and the swaying trees are left out.
        const Image again = host.screen(1);
        console(std::wstring(L"OBJ_SetPosition ") + name + L" 0 -500 0");
        host.frames(2);
        const Image gone = host.screen(1);
        console(std::wstring(L"OBJ_SetPosition ") + name + L" " + std::to_wstring(at.x) + L" " + std::to_wstring(at.y) +
                L" " + std::to_wstring(at.z));
        host.frames(2);
        // The object's pixels: the largest patch that changed within the picture and beside the
        // board (the edges of swaying trees change as well, in slivers).
        const LONG width = static_cast<LONG>(shown.width);
        std::vector<char> changed(shown.pixels.size(), 0);
        for (LONG y = std::max<LONG>(0, picture.top); y < std::min<LONG>(picture.bottom, shown.height); ++y)
            for (LONG x = std::max<LONG>(0, picture.left); x < std::min<LONG>(picture.right, width); ++x)
                changed[static_cast<std::size_t>(y * width + x)] =
                    !within(board, x, y, 0) &&
                    TestSupport::near(shown.at(x, y) | 0xFF000000u, again.at(x, y) | 0xFF000000u, 8) &&
                    !TestSupport::near(shown.at(x, y) | 0xFF000000u, gone.at(x, y) | 0xFF000000u, 24);
        std::vector<POINT> pixels;
        for (std::size_t seed = 0; seed < changed.size(); ++seed) {
            if (changed[seed] != 1)
                continue;
            std::vector<POINT> patch{POINT{static_cast<LONG>(seed % width), static_cast<LONG>(seed / width)}};
            changed[seed] = 2;
            for (std::size_t i = 0; i < patch.size(); ++i) {
                const POINT p = patch[i];
                for (const POINT& n :
                     {POINT{p.x - 1, p.y}, POINT{p.x + 1, p.y}, POINT{p.x, p.y - 1}, POINT{p.x, p.y + 1}}) {
                    if (n.x < 0 || n.y < 0 || n.x >= width || n.y >= static_cast<LONG>(shown.height))
                        continue;
                    char& c = changed[static_cast<std::size_t>(n.y * width + n.x)];
                    if (c == 1) {
                        c = 2;
                        patch.push_back(n);
                    }
                }
            }
            if (patch.size() > pixels.size())
                pixels.swap(patch);
        }
        ASSERT_GT(pixels.size(), 200u) << "the object shows beside the board";
        double cx = 0.0, cy = 0.0;
        for (const POINT& p : pixels) {
            cx += static_cast<double>(p.x) / static_cast<double>(pixels.size());
            cy += static_cast<double>(p.y) / static_cast<double>(pixels.size());
        }
        const POINT* aim = &pixels[0];
        for (const POINT& p : pixels)
            if (std::hypot(p.x - cx, p.y - cy) < std::hypot(aim->x - cx, aim->y - cy))
                aim = &p;
        host.click(aim->x, aim->y);
        host.frames(2);
        EXPECT_EQ(objects->getEditObject(), object) << "clicked at " << aim->x << "," << aim->y;
        if (objects->getEditObject() != object)
            continue;
        const RECT box = projectedBox(*objects, *object);
        int outside = 0;
        for (const POINT& p : pixels)
            outside += within(box, p.x, p.y, 3) ? 0 : 1;
        EXPECT_LT(outside * 50, static_cast<int>(pixels.size()))
            << "box " << box.left << "," << box.top << " - " << box.right << "," << box.bottom;
        // The box's white edges stand where its corners project.
        const Image selected = host.screen(1);
        int edges = 0, stray = 0;
        for (LONG y = std::max<LONG>(0, picture.top); y < std::min<LONG>(picture.bottom, shown.height); ++y)
            for (LONG x = std::max<LONG>(0, picture.left); x < std::min<LONG>(picture.right, shown.width); ++x) {
                const DWORD c = selected.at(x, y);
                if (within(board, x, y, 0) || (c & 0xFFFFFF) != 0xFFFFFF || (shown.at(x, y) & 0xFFFFFF) == 0xFFFFFF)
                    continue;
                ++edges;
                stray += within(box, x, y, 3) ? 0 : 1;
            }
        allEdges += edges;
        EXPECT_LT(stray * 50, std::max(edges, 1)) << "box edges away from the box";
    }
    EXPECT_GT(allEdges, 5) << "the boxes' edges beside the board";
    console(L"OBJ_SetEditMouseMode 0");
}

// The clipmap's hills around the board from high above and from far out: the level's camera sees
// them beside the board, where a far plane shorter than the eye's height once showed nothing.
void clipmapFromAboveAndFar(const RunFolder& folder)
{
    GameHost host(folder, 1);
    ASSERT_TRUE(host.running());
    ASSERT_TRUE(reachALevel(host, false));
    ASSERT_EQ(console(L"OBJ_LoadFile data\\Szenen\\clipmap.xml"), L"2 Objekte geladen");
    console(L"SUN_SetTime 12 0 0");
    host.moveTo(1000, 700);
    const Ulvo::FloatRect& window = GameHost::findWindow(L"THREEMATCHGAME_WINDOW")->getScreenRect();
    auto greenAt = [&](const Image& image, float x, float y, const char* what) {
        const D3DCOLOR ground = image.at(static_cast<unsigned>(x / 4), static_cast<unsigned>(y / 4));
        EXPECT_GT((ground >> 8) & 0xFF, (ground >> 16) & 0xFF) << what << " " << TestSupport::hex(ground);
        EXPECT_GT((ground >> 8) & 0xFF, ground & 0xFF) << what << " " << TestSupport::hex(ground);
    };
    console(L"CAM_setEyePosition SPIEL 5 150 5");
    host.seconds(1.0);
    const Image above = host.screen();
    greenAt(above, window.left + 24, (window.top + window.bottom) / 2, "from above, beside the board");
    EXPECT_TRUE(PlayThrough::matchesGolden(above, "level_clipmap_above"));
    console(L"CAM_setEyePosition SPIEL 2000 60 -1500");
    host.seconds(1.0);
    const Image far = host.screen();
    greenAt(far, window.left + 24, window.bottom - 24, "from far, low beside the board");
    EXPECT_TRUE(PlayThrough::matchesGolden(far, "level_clipmap_far"));
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

TEST(ControllerGolden, TheEditorPicksAndFramesTheDemoObjectsInTheLevelsPanel)
{
    RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("play", [&] { editorPicksInTheLevel(folder); }));
}

TEST(ControllerGolden, TheClipmapAroundALevelFromAboveAndFromFar)
{
    RunFolder folder;
    EXPECT_TRUE(PlayThrough::runPhase("play", [&] { clipmapFromAboveAndFar(folder); }));
}
