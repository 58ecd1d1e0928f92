// The input owner with injected keys, mouse messages, focus and a virtual
// controller on the virtual clock: signal order within a poll, key repeat,
// clamping, and keys that must not stay down.
#include <windows.h>
#include <dinput.h>
#include <platform_test.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DInputInitParams.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/TastaturLayoutManager.h"
#include "devices/window/Window.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

constexpr int kScancodeA = 4;
constexpr int kScancodeB = 5;
constexpr int kScancodeC = 6;
constexpr int kScancodeD = 7;
constexpr int kScancodeE = 8;

class Recorder : public sigslot::has_slots<> {
public:
    explicit Recorder(InputStates& s)
    {
        s.keyState.keyPressed.connect(this, &Recorder::pressed);
        s.keyState.keyTyped.connect(this, &Recorder::typed);
        s.keyState.keyReleased.connect(this, &Recorder::released);
        s.mouseState.buttonPressed.connect(this, &Recorder::mousePressed);
        s.mouseState.buttonReleased.connect(this, &Recorder::mouseReleased);
        s.mouseState.axisMoved.connect(this, &Recorder::mouseAxis);
        for (JoystickState& j : s.joystickStates) {
            j.buttonPressed.connect(this, &Recorder::joyPressed);
            j.axisMoved.connect(this, &Recorder::joyAxis);
        }
    }
    void pressed(KeyState&, const unsigned char& k) { events.push_back(L"key+" + std::to_wstring(k)); }
    void typed(KeyState&, const unsigned char& k)
    {
        typedTimes.push_back(GetTickCount());
        typedKeys.push_back(k);
    }
    void released(KeyState&, const unsigned char& k) { events.push_back(L"key-" + std::to_wstring(k)); }
    void mousePressed(MouseState&, const UlvoMouseButton& b) { events.push_back(L"mouse+" + std::to_wstring(b)); }
    void mouseReleased(MouseState&, const UlvoMouseButton& b) { events.push_back(L"mouse-" + std::to_wstring(b)); }
    void mouseAxis(MouseState&, const UlvoAchse& a) { events.push_back(L"axis" + std::to_wstring(a)); }
    void joyPressed(JoystickState&, const int& b) { events.push_back(L"joy+" + std::to_wstring(b)); }
    // Only the stick's x axis: the controller's other axes may rest off centre.
    void joyAxis(JoystickState&, const UlvoAchse& a)
    {
        if (a <= ULVO_ACHSE_X)
            events.push_back(L"joyaxis" + std::to_wstring(a));
    }

    std::vector<std::wstring> events;
    std::vector<uint32_t> typedTimes;
    std::vector<unsigned char> typedKeys;
};

int g_joystick = -1;

class DirectInputInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformUseVirtualClock(true);
        UlvoEngine* engine = UlvoEngine::getInstance();
        D3DInitParams* display = &engine->getEngineParams().getD3DInitParams();
        *display->getDisplayMode() = D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8};
        *display->getPresentParams() = D3DInitParams::defaultPresentParams();
        display->setMinRes(0, 0);
        display->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
        display->setAutoDegrade(false, false);
        ASSERT_TRUE(D3DInterface::getInstance()->init(display));
        window = engine->getWindow()->getHWND();
        ASSERT_NE(window, nullptr);
        PlatformInjectFocus(window, true);

        // Controllers are listed once, by the first init.
        if (g_joystick < 0)
            g_joystick = PlatformAttachVirtualJoystick("Test Pad", 6, 16, 1);

        params = &engine->getEngineParams().getDInputInitParams();
        params->setBufferedKeyboard(true);
        params->setBufferedMouse(true);
        params->setMousePollRate(10);
        params->setKeyboardPollRate(10);
        params->setKeyRepeat(500, 100);
        params->setUseWindowMessages(true);
        params->setSwapMouse(0);
        input = DirectInputInterface::getInstance();
        ASSERT_TRUE(input->init(params));
        poll(); // settle whatever an earlier test left
    }

    void TearDown() override
    {
        for (int sc : {kScancodeA, kScancodeB, kScancodeC, kScancodeD, kScancodeE})
            PlatformInjectKey(window, sc, false);
        if (g_joystick >= 0) {
            PlatformSetVirtualJoystickButton(g_joystick, 0, false);
            PlatformSetVirtualJoystickAxis(g_joystick, 0, 0);
        }
        poll();
        PlatformUseVirtualClock(false);
    }

    // One poll 10 ms after the last.
    void poll()
    {
        PlatformAdvanceVirtualClock(10000);
        input->update();
    }

    void message(UINT msg, WPARAM wParam, LPARAM lParam) { input->onWindowMessage(window, msg, wParam, lParam); }

    // The German layout the game ships (and picks on a German keyboard).
    static void useShippedLayout()
    {
        const std::filesystem::path run = TestSupport::runtimeDir();
        ASSERT_TRUE(std::filesystem::is_regular_file(run / "tastaturlayout.lay"));
        TestSupport::ScopedCwd cwd(run);
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, L"tastaturlayout.lay", 0));
        TastaturLayoutManager::getInstance()->load(root);
    }

    // The window's messages, as the running main loop hands them on before an update: typed
    // text comes from its key messages.
    void pumpMessages()
    {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            input->onWindowMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }

    HWND window = nullptr;
    DInputInitParams* params = nullptr;
    DirectInputInterface* input = nullptr;
};

TEST_F(DirectInputInterfaceTest, HeldKeyRepeatsAfterTheDelayThenAtTheRate)
{
    Recorder rec(input->getInputStates());
    PlatformInjectKey(window, kScancodeA, true);
    const uint32_t start = GetTickCount();
    for (int i = 0; i < 85; ++i) // 850 ms
        poll();
    ASSERT_EQ(rec.typedTimes.size(), 5u);
    const uint32_t expected[] = {0, 500, 600, 700, 800};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(rec.typedKeys[i], DIK_A);
        // The press counts from its event time; polls come every 10 ms.
        EXPECT_NEAR(static_cast<double>(rec.typedTimes[i] - start), expected[i] + 10.0, 10.0) << i;
    }
    EXPECT_TRUE(input->getKeyState().isKeyDown(DIK_A, true));

    PlatformInjectKey(window, kScancodeA, false);
    poll();
    EXPECT_EQ(rec.events.back(), L"key-" + std::to_wstring(DIK_A));
    for (int i = 0; i < 60; ++i)
        poll();
    EXPECT_EQ(rec.typedTimes.size(), 5u);
}

TEST_F(DirectInputInterfaceTest, MouseMessagesGivePositionsClampedToTheWindow)
{
    MouseState& m = input->getInputStates().mouseState;
    message(WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    poll();
    EXPECT_FLOAT_EQ(m.position[0], 100.0f);
    EXPECT_FLOAT_EQ(m.position[1], 50.0f);

    const float unclamped = m.unclampedPosition[0];
    Recorder rec(input->getInputStates());
    message(WM_MOUSEMOVE, 0, MAKELPARAM(100, 50)); // same place: nothing
    message(WM_MOUSEMOVE, 0, MAKELPARAM(700, 50)); // beyond the right edge: x only
    poll();
    EXPECT_EQ(rec.events, (std::vector<std::wstring>{L"axis1", L"axis2"}));
    EXPECT_FLOAT_EQ(m.position[0], 640.0f);
    EXPECT_FLOAT_EQ(m.relativePosition[0], 1.0f);
    EXPECT_FLOAT_EQ(m.unclampedPosition[0], unclamped + 600.0f);

    message(WM_MOUSEMOVE, 0, MAKELPARAM(-5, -20));
    poll();
    EXPECT_FLOAT_EQ(m.position[0], 0.0f);
    EXPECT_FLOAT_EQ(m.position[1], 0.0f);
    EXPECT_FLOAT_EQ(m.relativePosition[1], 0.0f);
}

TEST_F(DirectInputInterfaceTest, FrameMouseMoveIsTakenFromScreenCoordinates)
{
    MouseState& m = input->getInputStates().mouseState;
    POINT p{30, 40};
    ClientToScreen(window, &p);
    message(WM_NCMOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    poll();
    EXPECT_FLOAT_EQ(m.position[0], 30.0f);
    EXPECT_FLOAT_EQ(m.position[1], 40.0f);
}

TEST_F(DirectInputInterfaceTest, ScaledFullScreenPositionsAndClicksAreInBackBufferCoordinates)
{
    // 640x480 full screen fills the 1024x768 desktop: the picture is scaled up.
    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_EQ(d3d->setDisplayMode(d3d->getInitParams()->getDisplayMode(), 1, false), 1);
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_EQ(client.right, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(client.bottom, GetSystemMetrics(SM_CYSCREEN));
    const double scaleX = 640.0 / client.right;
    const double scaleY = 480.0 / client.bottom;

    MouseState& m = input->getInputStates().mouseState;
    message(WM_MOUSEMOVE, 0, MAKELPARAM(900, 700));
    poll();
    EXPECT_FLOAT_EQ(m.position[0], static_cast<float>(900 * scaleX));
    EXPECT_FLOAT_EQ(m.position[1], static_cast<float>(700 * scaleY));
    // A click at a place no move went to first still lands there.
    Recorder rec(input->getInputStates());
    message(WM_LBUTTONDOWN, 0, MAKELPARAM(512, 384));
    poll();
    EXPECT_EQ(rec.events.back(), L"mouse+0");
    EXPECT_FLOAT_EQ(m.position[0], static_cast<float>(512 * scaleX));
    EXPECT_FLOAT_EQ(m.position[1], static_cast<float>(384 * scaleY));
    message(WM_LBUTTONUP, 0, MAKELPARAM(512, 384));
    input->centerMouse();
    EXPECT_FLOAT_EQ(m.position[0], 320.0f);
    EXPECT_FLOAT_EQ(m.position[1], 240.0f);
    d3d->setDisplayMode(d3d->getInitParams()->getDisplayMode(), 0, false);
}

TEST_F(DirectInputInterfaceTest, ANewBackBufferKeepsThePointerWhereItStandsOnTheWindow)
{
    // 640x480 full screen, scaled up to the desktop; the pointer in the middle of the picture.
    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_EQ(d3d->setDisplayMode(d3d->getInitParams()->getDisplayMode(), 1, false), 1);
    RECT client{};
    GetClientRect(window, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    message(WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
    poll();
    ClientToScreen(window, &middle);
    SetCursorPos(middle.x, middle.y);
    MouseState& m = input->getInputStates().mouseState;
    EXPECT_FLOAT_EQ(m.position[0], 320.0f);

    // A larger back buffer on the same screen (as a display change and its revert make): the
    // pointer stays in the middle without a move.
    D3DDISPLAYMODE larger{800, 600, 60, D3DFMT_X8R8G8B8};
    ASSERT_EQ(d3d->setDisplayMode(&larger, 1, false), 1);
    ASSERT_EQ(d3d->getWidth(), 800u);
    EXPECT_NEAR(m.position[0], 400.0f, 1.0f);
    EXPECT_NEAR(m.position[1], 300.0f, 1.0f);
    EXPECT_NEAR(m.relativePosition[0], 0.5f, 0.01f);
    d3d->setDisplayMode(d3d->getInitParams()->getDisplayMode(), 0, false);
}

TEST_F(DirectInputInterfaceTest, TheSecondPressOfADoubleClickIsAPress)
{
    Recorder rec(input->getInputStates());
    message(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
    message(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    message(WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
    message(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    message(WM_RBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
    message(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    poll();
    std::vector<std::wstring> clicks;
    for (const std::wstring& event : rec.events) {
        if (event.rfind(L"mouse", 0) == 0)
            clicks.push_back(event);
    }
    EXPECT_EQ(clicks,
              (std::vector<std::wstring>{L"mouse+0", L"mouse-0", L"mouse+0", L"mouse-0", L"mouse+1", L"mouse-1"}));
}

TEST_F(DirectInputInterfaceTest, OnePollEmitsMouseThenKeyboardThenJoysticks)
{
    ASSERT_GE(g_joystick, 0);
    ASSERT_FALSE(input->getInputStates().joystickStates.empty());
    EXPECT_TRUE(input->getInputStates().joystickStates[0].connected);
    EXPECT_EQ(input->getInputStates().joystickStates[0].name, L"Test Pad");
    message(WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)); // where the clicks below are
    poll();
    Recorder rec(input->getInputStates());

    PlatformSetVirtualJoystickButton(g_joystick, 0, true);
    PlatformInjectKey(window, kScancodeB, true);
    message(WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0); // zero delta: ignored
    message(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    message(WM_LBUTTONDOWN, 0, 0);
    poll();
    EXPECT_EQ(rec.events, (std::vector<std::wstring>{L"axis18", L"axis20", L"mouse+0", L"key+" + std::to_wstring(DIK_B),
                                                     L"joy+0"}));
    EXPECT_TRUE(input->getInputStates().mouseState.isButtonDown(ULVO_MOUSE_LEFT));
    EXPECT_TRUE(input->getInputStates().joystickStates[0].isButtonDown(0));
    EXPECT_FALSE(input->getInputStates().joystickStates[0].isButtonDown(-1));
    EXPECT_FALSE(input->getInputStates().joystickStates[0].isButtonDown(128));

    rec.events.clear();
    message(WM_LBUTTONUP, 0, 0);
    PlatformSetVirtualJoystickAxis(g_joystick, 0, 32767);
    poll();
    EXPECT_EQ(rec.events, (std::vector<std::wstring>{L"mouse-0", L"joyaxis1", L"joyaxis2"}));
    EXPECT_NEAR(input->getInputStates().joystickStates[0].getAxisValue(ULVO_ACHSE_X), 1.0, 0.01);
}

TEST_F(DirectInputInterfaceTest, LosingFocusWhileAKeyIsHeldReleasesIt)
{
    Recorder rec(input->getInputStates());
    PlatformInjectKey(window, kScancodeC, true);
    poll();
    ASSERT_TRUE(input->getKeyState().isKeyDown(DIK_C, true));

    // Let go while the window is inactive: the foreground keyboard never sees it.
    PlatformInjectFocus(window, false);
    PlatformInjectKey(window, kScancodeC, false);
    poll();
    EXPECT_FALSE(input->getKeyState().isKeyDown(DIK_C, true));
    EXPECT_EQ(rec.events.back(), L"key-" + std::to_wstring(DIK_C));

    PlatformInjectFocus(window, true);
    rec.typedTimes.clear();
    for (int i = 0; i < 80; ++i)
        poll();
    EXPECT_FALSE(input->getKeyState().isKeyDown(DIK_C, true));
    EXPECT_TRUE(rec.typedTimes.empty()); // no repeat of a key nobody holds
}

TEST_F(DirectInputInterfaceTest, DeactivationReleasesHeldKeysAtOnce)
{
    Recorder rec(input->getInputStates());
    PlatformInjectKey(window, kScancodeD, true);
    poll();
    ASSERT_TRUE(input->getKeyState().isKeyDown(DIK_D, true));
    input->onActivate(false);
    EXPECT_FALSE(input->getKeyState().isKeyDown(DIK_D, true));
    EXPECT_EQ(rec.events.back(), L"key-" + std::to_wstring(DIK_D));
}

TEST_F(DirectInputInterfaceTest, ReleaseLostToABufferOverflowIsRecovered)
{
    Recorder rec(input->getInputStates());
    PlatformInjectKey(window, kScancodeA, true);
    poll();
    ASSERT_TRUE(input->getKeyState().isKeyDown(DIK_A, true));

    // Ten events for a buffer of eight: the release of A is the one dropped.
    PlatformInjectKey(window, kScancodeA, false);
    for (int sc : {kScancodeB, kScancodeC, kScancodeD, kScancodeE}) {
        PlatformInjectKey(window, sc, true);
        PlatformInjectKey(window, sc, false);
    }
    PlatformInjectKey(window, kScancodeB, true);
    PlatformInjectKey(window, kScancodeB, false);
    poll();
    EXPECT_FALSE(input->getKeyState().isKeyDown(DIK_A, true));
    EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), L"key-" + std::to_wstring(DIK_A)), rec.events.end());
}

// At two frames a second a line typed 30 ms a key holds far more key events than the keyboard's
// buffer of eight; the console still gets every character, in order, with its Shift.
TEST_F(DirectInputInterfaceTest, ConsoleGetsEveryKeyOfALineTypedAtTwoFramesASecond)
{
    constexpr int kShift = 225; // SDL's left Shift
    constexpr int kGrave = 53;  // the key left of 1
    constexpr int kSlash = 56;  // "_" with Shift on a German keyboard
    ASSERT_NO_FATAL_FAILURE(useShippedLayout());
    UlvoEngine* engine = UlvoEngine::getInstance();
    engine->setInGameConsoleEnabled(true);
    uint32_t sinceFrame = 0;
    auto frame = [&] {
        pumpMessages();
        input->update();
        sinceFrame = 0;
    };
    auto key = [&](int scancode, bool shift) {
        if (shift)
            PlatformInjectKey(window, kShift, true);
        PlatformInjectKey(window, scancode, true);
        PlatformInjectKey(window, scancode, false);
        if (shift)
            PlatformInjectKey(window, kShift, false);
        PlatformAdvanceVirtualClock(30000);
        sinceFrame += 30;
        if (sinceFrame >= 500)
            frame();
    };
    const std::wstring line = L"TIME_UserTimeFaktor 300";
    key(kGrave, false);
    for (wchar_t c : line) {
        const bool upper = c >= L'A' && c <= L'Z';
        const int scancode = c == L'_'                ? kSlash
                             : c == L' '              ? 44
                             : c == L'0'              ? 39
                             : c >= L'1' && c <= L'9' ? 30 + (c - L'1')
                                                      : 4 + (std::towlower(c) - L'a');
        key(scancode, upper || c == L'_');
    }
    frame();
    ASSERT_TRUE(engine->isConsoleVisible());
    ASSERT_NE(engine->getCurrentConsoleLine(), nullptr);
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), line);
    // Erased again, so that the console keeps no line for whatever types into it next.
    constexpr int kBackspace = 42;
    for (std::size_t i = 0; i < line.size(); ++i)
        key(kBackspace, false);
    frame();
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), L"");
    key(kGrave, false);
    frame();
    EXPECT_FALSE(engine->isConsoleVisible());
}

// Keys held 20 ms each, 80 ms apart, while frames come three times a second (each frame's
// messages pumped before its update): every key arrives once, none twice, none lost.
TEST_F(DirectInputInterfaceTest, KeysHeldBrieflyBetweenSlowFramesArriveOnceEach)
{
    constexpr int kShift = 225;
    constexpr int kGrave = 53;
    constexpr int kSlash = 56;
    ASSERT_NO_FATAL_FAILURE(useShippedLayout());
    UlvoEngine* engine = UlvoEngine::getInstance();
    engine->setInGameConsoleEnabled(true);
    uint32_t sinceFrame = 0;
    auto wait = [&](uint32_t ms) {
        for (uint32_t left = ms; left > 0; left -= std::min<uint32_t>(left, 10)) {
            PlatformAdvanceVirtualClock(std::min<uint32_t>(left, 10) * 1000);
            sinceFrame += std::min<uint32_t>(left, 10);
            if (sinceFrame >= 330) {
                pumpMessages();
                input->update();
                sinceFrame = 0;
            }
        }
    };
    auto key = [&](int scancode, bool shift) {
        if (shift) {
            PlatformInjectKey(window, kShift, true);
            wait(10);
        }
        PlatformInjectKey(window, scancode, true);
        wait(20);
        PlatformInjectKey(window, scancode, false);
        if (shift) {
            wait(10);
            PlatformInjectKey(window, kShift, false);
        }
        wait(80);
    };
    const std::wstring line = L"OBJ_SetEditMouseMode 1";
    key(kGrave, false);
    for (wchar_t c : line) {
        const bool upper = c >= L'A' && c <= L'Z';
        const int scancode = c == L'_' ? kSlash : c == L' ' ? 44 : c == L'1' ? 30 : 4 + (std::towlower(c) - L'a');
        key(scancode, upper || c == L'_');
    }
    wait(400);
    ASSERT_TRUE(engine->isConsoleVisible());
    ASSERT_NE(engine->getCurrentConsoleLine(), nullptr);
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), line);
    for (std::size_t i = 0; i < line.size(); ++i)
        key(42, false);
    key(kGrave, false);
    wait(400);
    EXPECT_FALSE(engine->isConsoleVisible());
}

TEST_F(DirectInputInterfaceTest, ConsoleHoldsBackAllButConsoleKeyAndCursorHidesOverTheClient)
{
    Recorder rec(input->getInputStates());
    int consoleKeys = 0;
    struct Counter : sigslot::has_slots<> {
        int* count;
        void key(KeyState&, const unsigned char&) { ++*count; }
    } counter;
    counter.count = &consoleKeys;
    input->getKeyState().consoleKey.connect(&counter, &Counter::key);

    input->setConsoleOpen(true);
    PlatformInjectKey(window, kScancodeE, true);
    poll();
    EXPECT_EQ(consoleKeys, 1);
    EXPECT_TRUE(rec.events.empty());
    input->setConsoleOpen(false);

    message(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(input->isCursorHidden());
    message(WM_NCMOUSEMOVE, 0, MAKELPARAM(0, 0));
    EXPECT_FALSE(input->isCursorHidden());
}

TEST_F(DirectInputInterfaceTest, PollSoonerThanTheRateChangesNothing)
{
    message(WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
    poll();
    Recorder rec(input->getInputStates());
    message(WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
    input->update(); // no time has passed
    EXPECT_TRUE(rec.events.empty());
    EXPECT_FLOAT_EQ(input->getInputStates().mouseState.position[0], 200.0f);
    poll();
    EXPECT_FLOAT_EQ(input->getInputStates().mouseState.position[0], 300.0f);

    input->centerMouse();
    EXPECT_FLOAT_EQ(input->getInputStates().mouseState.relativePosition[0], 0.5f);
}

TEST_F(DirectInputInterfaceTest, DirectInputMouseScalesClampsAndKeepsHistory)
{
    params->setUseWindowMessages(false);
    params->setMouseSensitivity(2.0f);
    ASSERT_TRUE(input->init(params));
    MouseState& m = input->getInputStates().mouseState;
    PlatformInjectMouseMove(window, 100, 100);
    poll();
    input->centerMouse(); // 320, 240
    m.history.clear();

    Recorder rec(input->getInputStates());
    PlatformInjectMouseMove(window, 110, 95); // +10, -5: doubled
    PlatformInjectMouseButton(window, 3, true, 110, 95);
    poll();
    EXPECT_FLOAT_EQ(m.position[0], 340.0f);
    EXPECT_FLOAT_EQ(m.position[1], 230.0f);
    EXPECT_EQ(rec.events, (std::vector<std::wstring>{L"axis1", L"axis2", L"axis3", L"axis5", L"mouse+1"}));
    ASSERT_EQ(m.history.size(), 1u);
    EXPECT_GT(m.history[0].x, 0.0f);
    EXPECT_LT(m.history[0].y, 0.0f);
    EXPECT_TRUE(m.isButtonDown(ULVO_MOUSE_RIGHT));

    PlatformInjectMouseButton(window, 3, false, 110, 95);
    PlatformInjectMouseMove(window, 600, 95); // far beyond the right edge
    poll();
    EXPECT_FLOAT_EQ(m.position[0], 640.0f);
    EXPECT_FLOAT_EQ(m.relativePosition[0], 1.0f);

    // Records older than five seconds go.
    for (int i = 0; i < 520; ++i)
        poll();
    EXPECT_LE(m.history.size(), 501u);
    params->setMouseSensitivity(1.0f);
}

TEST_F(DirectInputInterfaceTest, SettingsRoundTripThroughConfigCfg)
{
    TestSupport::TempDir dir;
    const std::wstring file = (dir.path() / "config.cfg").wstring();
    // Live changes reach the file; the switches come from the parameters.
    InputStates& live = input->getInputStates();
    live.mouseSensitivity = 2.5f;
    live.swapMouse = 1;
    live.keyboardPollRate = 15;
    live.mousePollRate = 25;
    live.keyRepeatDelay = 400;
    live.keyRepeatRate = 80;
    ASSERT_TRUE(UlvoEngine::getInstance()->save(file));

    XMLNode document;
    ASSERT_TRUE(XMLNode::load(&document, file, 0));
    XMLNode* engineNode = document.getNode(L"ENGINE_PARAMS");
    ASSERT_NE(engineNode, nullptr);
    XMLNode* section = engineNode->getNode(L"DINPUTINITPARAMS");
    ASSERT_NE(section, nullptr);
    DInputInitParams reread(nullptr);
    EXPECT_TRUE(reread.load(section));
    EXPECT_FLOAT_EQ(reread.getMouseSensitivity(), 2.5f);
    EXPECT_EQ(reread.getSwapMouse(), 1);
    EXPECT_EQ(reread.getKeyboardPollRate(), 15u);
    EXPECT_EQ(reread.getMousePollRate(), 25u);
    EXPECT_EQ(reread.getKeyRepeatDelay(), 400u);
    EXPECT_EQ(reread.getKeyRepeatRate(), 80u);
    EXPECT_TRUE(reread.isBufferedKeyboard());
    EXPECT_TRUE(reread.isBufferedMouse());
    EXPECT_TRUE(reread.isUsingWindowMessages());
    EXPECT_EQ(params->getKeyRepeatDelay(), 400u); // copied back by the save
}

} // namespace

// The whole road of a typed console command: injected keys, the DirectInput
// poll, the engine's console line and the shipped German layout.
TEST_F(DirectInputInterfaceTest, TypedConsoleCommandGoesThroughTheLayout)
{
    ASSERT_NO_FATAL_FAILURE(useShippedLayout());
    UlvoEngine* engine = UlvoEngine::getInstance();
    engine->setInGameConsoleEnabled(true);

    // SDL scancodes of a German keyboard's keys.
    constexpr int kGrave = 53, kShift = 225, kE = 8, kX = 27, kI = 12, kT = 23, kSlash = 56, kSpace = 44, kZero = 39,
                  kReturn = 40, kY = 28;
    auto tap = [&](int scancode) {
        PlatformInjectKey(window, scancode, true);
        pumpMessages();
        poll();
        PlatformInjectKey(window, scancode, false);
        pumpMessages();
        poll();
    };
    auto shifted = [&](int scancode) {
        PlatformInjectKey(window, kShift, true);
        pumpMessages();
        poll();
        tap(scancode);
        PlatformInjectKey(window, kShift, false);
        pumpMessages();
        poll();
    };

    tap(kGrave); // opens the console
    ASSERT_TRUE(engine->isConsoleVisible());
    shifted(kE);
    shifted(kSlash); // "_" sits on Shift + the key right of "." on a German keyboard
    shifted(kE);
    for (int key : {kX, kI, kT, kSpace, kZero})
        tap(key);
    ASSERT_NE(engine->getCurrentConsoleLine(), nullptr);
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), L"E_Exit 0");

    tap(kReturn);
    const auto& history = engine->getConsoleHistory();
    ASSERT_GE(history.size(), 2u);
    const TypedConsoleCommand* executed = history[history.size() - 2];
    EXPECT_EQ(executed->getLine(), L"E_Exit 0");
    EXPECT_EQ(executed->getAnswer(), L" still running!");

    tap(kY); // the Y/Z swap: the key labelled Y on a US keyboard types z here
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), L"z");

    tap(kGrave); // closes it again
    EXPECT_FALSE(engine->isConsoleVisible());
    engine->setInGameConsoleEnabled(false);
}

TEST_F(DirectInputInterfaceTest, EveryGermanLetterReachesTheConsoleByItsKeyOrAsTextAlone)
{
    ASSERT_NO_FATAL_FAILURE(useShippedLayout());
    UlvoEngine* engine = UlvoEngine::getInstance();
    engine->setInGameConsoleEnabled(true);
    // SDL scancodes of the keys of ö, ä, ü and ß on a German keyboard, and the key left of 1.
    constexpr int kGrave = 53, kShift = 225, kSemicolon = 51, kApostrophe = 52, kLeftBracket = 47, kMinus = 45;
    auto step = [&] {
        pumpMessages();
        poll();
    };
    auto tap = [&](int scancode, bool shift) {
        if (shift)
            PlatformInjectKey(window, kShift, true);
        PlatformInjectKey(window, scancode, true);
        PlatformInjectKey(window, scancode, false);
        if (shift)
            PlatformInjectKey(window, kShift, false);
        step();
    };
    tap(kGrave, false);
    ASSERT_TRUE(engine->isConsoleVisible());
    ASSERT_NE(engine->getCurrentConsoleLine(), nullptr);
    const std::wstring before = engine->getCurrentConsoleLine()->getLine(); // what an earlier test left
    tap(kSemicolon, false);
    tap(kApostrophe, true);
    tap(kLeftBracket, false);
    tap(kMinus, false);
    // A keymap whose letter SDL cannot place on a key sends the text alone: the letter the
    // layouts know is typed, a character none of them types is not.
    PlatformInjectText(window, L"\u00f6");
    PlatformInjectKey(window, kShift, true);
    PlatformInjectText(window, L"\u00dc");
    PlatformInjectKey(window, kShift, false);
    PlatformInjectText(window, L"\u0436");
    step();
    ASSERT_NE(engine->getCurrentConsoleLine(), nullptr);
    EXPECT_EQ(engine->getCurrentConsoleLine()->getLine(), before + L"\u00f6\u00c4\u00fc\u00df\u00f6\u00dc");
    tap(kGrave, false);
    EXPECT_FALSE(engine->isConsoleVisible());
    engine->setInGameConsoleEnabled(false);
}

TEST_F(DirectInputInterfaceTest, AWindowTheWindowManagerEnlargesScalesItsClicksIntoTheBackBuffer)
{
    // The windowed style lets a window manager resize and maximise the window (or put it into its
    // own full screen); the 640x480 picture is then scaled into the larger client area.
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    ASSERT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), static_cast<DWORD>(WS_THICKFRAME | WS_MAXIMIZEBOX));
    RECT before{};
    GetClientRect(window, &before);
    ASSERT_TRUE(PlatformInjectWindowResize(window, 1024, 768));
    pumpMessages();
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_EQ(client.right, 1024);
    ASSERT_EQ(client.bottom, 768);
    MouseState& m = input->getInputStates().mouseState;
    message(WM_MOUSEMOVE, 0, MAKELPARAM(900, 700));
    poll();
    EXPECT_FLOAT_EQ(m.position[0], static_cast<float>(900 * 640.0 / 1024));
    EXPECT_FLOAT_EQ(m.position[1], static_cast<float>(700 * 480.0 / 768));
    PlatformInjectWindowResize(window, before.right, before.bottom);
    pumpMessages();
}
