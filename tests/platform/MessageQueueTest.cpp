#include "WindowTestSupport.h"

#include <platform_app.h>

#include <csignal>
#include <thread>
#include <unistd.h>

using namespace WindowTesting;

namespace {

// SDL scancodes (USB usage numbers).
constexpr int kScancodeA = 4;
constexpr int kScancodeF4 = 61;
constexpr int kScancodeUp = 82;
constexpr int kScancodeLShift = 225;
constexpr int kScancodeLAlt = 226;

} // namespace

class MessageQueueTest : public WindowFixture {};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndQuitComesLast)
{
    HWND window = create(WS_POPUP, 0, 0, 32, 32);
    ASSERT_NE(window, nullptr);
    recorder().messages.clear();

    ASSERT_TRUE(PostMessageW(window, WM_USER + 1, 11, 12));
    PostQuitMessage(42);
    ASSERT_TRUE(PostMessageW(nullptr, WM_APP, 5, 0)); // a thread message
    ASSERT_TRUE(PostMessageW(window, WM_USER + 2, 21, 22));

    // Looking without removing leaves the message; filters pick by window and range.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 21u);
    ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_QUIT, WM_QUIT, PM_NOREMOVE)); // quit has no window

    std::vector<UINT> seen;
    BOOL result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        seen.push_back(msg.message);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_APP, WM_USER + 2}));
    // The thread message reached no procedure.
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(recorder().messages[0].lParam, 12);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)); // the quit request is used up

    EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0x1234), 0, 0), -1);
}

TEST_F(MessageQueueTest, ClosingGoesThroughDefWindowProcToDestroyAndQuit)
{
    recorder().quitOnDestroy = true;
    HWND window = create(kWindowedStyle, 10, 10, 200, 150);
    ASSERT_NE(window, nullptr);
    recorder().messages.clear();
    ASSERT_TRUE(PlatformInjectClose(window));

    MSG msg;
    BOOL result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0)
        DispatchMessageW(&msg);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_FALSE(IsWindow(window));
    std::vector<UINT> kinds = receivedKinds();
    std::vector<UINT> closing;
    for (UINT kind : kinds) {
        if (kind == WM_CLOSE || kind == WM_DESTROY || kind == WM_NCDESTROY)
            closing.push_back(kind);
    }
    EXPECT_EQ(closing, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(MessageQueueTest, MouseInputArrivesInClientCoordinatesWithButtonsAndWheel)
{
    HWND window = create(kWindowedStyle, 100, 50, 326, 250);
    ASSERT_NE(window, nullptr);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    dispatchAll();
    recorder().messages.clear();

    ASSERT_TRUE(PlatformInjectMouseMove(window, 15, 25));
    ASSERT_TRUE(PlatformInjectMouseButton(window, 1, true, 15, 25));
    ASSERT_TRUE(PlatformInjectMouseButton(window, 1, false, 15, 25));
    ASSERT_TRUE(PlatformInjectMouseButton(window, 1, true, 15, 25)); // second click: double-click
    ASSERT_TRUE(PlatformInjectMouseWheel(window, 1));
    ASSERT_TRUE(PlatformInjectMouseWheel(window, -2));
    EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);               // follows SDL's queue at once
    ASSERT_TRUE(PlatformInjectMouseButton(window, 3, true, -4, 300)); // outside the client area
    ASSERT_TRUE(PlatformInjectMouseButton(window, 3, false, -4, 300));
    ASSERT_TRUE(PlatformInjectMouseButton(window, 1, false, 15, 25));
    dispatchAll();

    auto moves = received(WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 15);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 25);
    EXPECT_EQ(moves[0].wParam, 0u);

    std::vector<UINT> buttons;
    for (const Message& m : recorder().messages) {
        if (m.message >= WM_LBUTTONDOWN && m.message <= WM_MBUTTONDBLCLK)
            buttons.push_back(m.message);
    }
    EXPECT_EQ(buttons, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                                          WM_LBUTTONUP}));
    auto downs = received(WM_LBUTTONDOWN);
    EXPECT_EQ(downs[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
    auto rights = received(WM_RBUTTONDOWN);
    EXPECT_EQ(rights[0].wParam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON)); // left still held
    EXPECT_EQ(GET_X_LPARAM(rights[0].lParam), -4);
    EXPECT_EQ(GET_Y_LPARAM(rights[0].lParam), 300);
    EXPECT_EQ(received(WM_LBUTTONUP)[1].wParam, 0u);

    auto wheels = received(WM_MOUSEWHEEL);
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), 120);
    EXPECT_EQ(GET_KEYSTATE_WPARAM(wheels[0].wParam), MK_LBUTTON);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[1].wParam), -240);
    EXPECT_EQ(GET_X_LPARAM(wheels[0].lParam), origin.x + 15); // screen coordinates
    EXPECT_EQ(GET_Y_LPARAM(wheels[0].lParam), origin.y + 25);

    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(cursor.x, origin.x + 15);
    EXPECT_EQ(cursor.y, origin.y + 25);
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
}

TEST_F(MessageQueueTest, KeysCarryVirtualKeysScanCodesAndCharacters)
{
    HWND window = create(kWindowedStyle, 0, 0, 200, 200);
    ASSERT_NE(window, nullptr);
    dispatchAll();
    recorder().messages.clear();

    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, true)); // auto-repeat
    EXPECT_TRUE(GetAsyncKeyState('A') & 0x8000);
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLShift, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLShift, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeUp, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeUp, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLAlt, true));
    EXPECT_TRUE(GetAsyncKeyState(VK_MENU) & 0x8000);
    EXPECT_TRUE(GetAsyncKeyState(VK_LMENU) & 0x8000);
    EXPECT_FALSE(GetAsyncKeyState(VK_RMENU) & 0x8000);
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeF4, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeF4, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLAlt, false));

    std::vector<MSG> queued = dispatchAll();
    std::vector<Message> keys;
    for (const Message& m : recorder().messages) {
        if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST)
            keys.push_back(m);
    }
    ASSERT_EQ(keys.size(), 16u);
    // A down: VK 'A', scan code 0x1E, first press; then its character.
    EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ((keys[0].lParam >> 16) & 0xFF, 0x1E);
    EXPECT_EQ(keys[0].lParam & 0xFFFF, 1);
    EXPECT_EQ((keys[0].lParam >> 30) & 3, 0);
    EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('a'));
    EXPECT_EQ((keys[2].lParam >> 30) & 1, 1); // the repeat knew the key was down
    EXPECT_EQ(keys[4].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ((keys[4].lParam >> 30) & 3, 3);
    // Shift + A types a capital.
    EXPECT_EQ(keys[5].wParam, static_cast<WPARAM>(VK_SHIFT));
    EXPECT_EQ(keys[7].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(keys[7].wParam, static_cast<WPARAM>('A'));
    // Arrow keys are extended.
    EXPECT_EQ(keys[10].wParam, static_cast<WPARAM>(VK_UP));
    EXPECT_EQ((keys[10].lParam >> 24) & 1, 1);
    // Alt makes system keys with the context bit.
    EXPECT_EQ(keys[12].message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(keys[12].wParam, static_cast<WPARAM>(VK_MENU));
    EXPECT_EQ(keys[13].message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(keys[13].wParam, static_cast<WPARAM>(VK_F4));
    EXPECT_EQ((keys[13].lParam >> 29) & 1, 1);
    EXPECT_EQ(keys[14].message, static_cast<UINT>(WM_SYSKEYUP));
    EXPECT_EQ(keys[15].message, static_cast<UINT>(WM_SYSKEYUP));

    for (const MSG& m : queued) {
        bool isKey =
            m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP;
        EXPECT_EQ(TranslateMessage(&m), isKey ? TRUE : FALSE);
    }
    EXPECT_FALSE(GetAsyncKeyState(VK_MENU) & 0x8000);
}

TEST_F(MessageQueueTest, TextWithoutAKeyOfItsOwnCarriesNoScanCode)
{
    // A letter the keymap gives on a key SDL cannot place arrives as text alone; it must not
    // pass for the key typed before it (or the Shift held for it).
    HWND window = create(kWindowedStyle, 0, 0, 200, 200);
    ASSERT_NE(window, nullptr);
    dispatchAll();
    recorder().messages.clear();
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, true));
    ASSERT_TRUE(PlatformInjectText(window, L"\u00f6"));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, false));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLShift, true));
    ASSERT_TRUE(PlatformInjectText(window, L"\u00c4"));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeLShift, false));
    EXPECT_FALSE(PlatformInjectText(window, L""));
    dispatchAll();
    std::vector<Message> chars;
    for (const Message& m : recorder().messages) {
        if (m.message == WM_CHAR)
            chars.push_back(m);
    }
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>('a'));
    EXPECT_EQ((chars[0].lParam >> 16) & 0xFF, 0x1E); // the key's own text names the key
    EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>(0xF6));
    EXPECT_EQ((chars[1].lParam >> 16) & 0xFF, 0);
    EXPECT_EQ(chars[2].wParam, static_cast<WPARAM>(0xC4));
    EXPECT_EQ((chars[2].lParam >> 16) & 0xFF, 0);
}

TEST_F(MessageQueueTest, FocusEventsActivateAndDeactivateAndReleaseKeys)
{
    HWND window = create(WS_POPUP, 0, 0, 50, 50); // hidden: not activated by creation
    ASSERT_NE(window, nullptr);
    recorder().messages.clear();

    ASSERT_TRUE(PlatformInjectFocus(window, true));
    ASSERT_TRUE(PlatformInjectKey(window, kScancodeA, true));
    dispatchAll();
    EXPECT_EQ(GetForegroundWindow(), window);
    std::vector<UINT> kinds = receivedKinds();
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ((std::vector<UINT>(kinds.begin(), kinds.begin() + 3)),
              (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_TRUE(GetAsyncKeyState('A') & 0x8000);

    recorder().messages.clear();
    ASSERT_TRUE(PlatformInjectFocus(window, false));
    EXPECT_FALSE(GetAsyncKeyState('A') & 0x8000);
    dispatchAll();
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}));
    EXPECT_EQ(received(WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_INACTIVE));
    EXPECT_EQ(received(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(MessageQueueTest, TerminationSignalsCloseTheOldestWindowAndWakeAWaitingLoop)
{
    HWND first = create(WS_POPUP, 0, 0, 20, 20); // installs the signal handlers
    HWND second = create(WS_POPUP, 0, 0, 20, 20);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    ASSERT_EQ(raise(SIGTERM), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(msg.hwnd, first);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)); // one signal, one close

    // A signal ends a sleep at once, whichever thread it reached, so that the close is served
    // without sleeping out the frame first.
    std::thread waker([] {
        usleep(80 * 1000);
        kill(getpid(), SIGTERM);
    });
    // Asleep for a minute unless woken: only a sleep that ignored the signal comes near the bound.
    const DWORD asleep = GetTickCount();
    Sleep(60000);
    waker.join();
    EXPECT_LT(GetTickCount() - asleep, 30000u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    const DWORD served = GetTickCount();
    Sleep(200); // and only until it is served
    EXPECT_GE(GetTickCount() - served, 150u);

    // A loop blocked in GetMessageW notices a signal sent while it waits, and a message
    // posted from another thread.
    std::thread sender([] {
        usleep(80 * 1000);
        kill(getpid(), SIGINT);
    });
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    sender.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(msg.hwnd, first);
    std::thread poster([second] { PostMessageW(second, WM_USER + 7, 0, 0); });
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    poster.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));

    // Without any window the signal ends the loop.
    DestroyWindow(first);
    DestroyWindow(second);
    drainMessages();
    PlatformRaiseTerminationSignal();
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 0u);
    PlatformClearTerminationSignal();
}

TEST_F(MessageQueueTest, LongWorkSeesAWindowsCloseWaitingUntilTheQueueServesIt)
{
    HWND window = create(kWindowedStyle, 10, 10, 200, 150);
    ASSERT_NE(window, nullptr);
    drainMessages();
    ASSERT_TRUE(PlatformInjectClose(window));
    // Work that keeps the thread from its queue (a scene loading) learns of the close: the queues
    // are looked at every 100 ms at most.
    bool seen = false;
    for (int i = 0; i < 200 && !(seen = PlatformTerminationPending()); ++i)
        usleep(10 * 1000);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(PlatformTerminationRequested()) << "the user's close, not a signal from outside";
    bool elsewhere = true;
    std::thread other([&] { elsewhere = PlatformTerminationPending(); });
    other.join();
    EXPECT_FALSE(elsewhere) << "only the thread that serves the windows waits for their close";

    // Turned into the window's WM_CLOSE, it still waits; once served, nothing does.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    EXPECT_TRUE(PlatformTerminationPending());
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_FALSE(PlatformTerminationPending());
}

TEST_F(MessageQueueTest, TimersFireUntilKilled)
{
    HWND window = create(WS_POPUP, 0, 0, 20, 20);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SetTimer(window, 5, 15, nullptr), 5u);
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, window, WM_TIMER, WM_TIMER), 1);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_TRUE(KillTimer(window, 5));
    EXPECT_FALSE(KillTimer(window, 5));
    usleep(30 * 1000);
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}
