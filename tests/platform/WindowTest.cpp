#include "WindowTestSupport.h"

#include <string>

using namespace WindowTesting;

namespace {

LRESULT CALLBACK refusingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    recorder().messages.push_back({window, message, wParam, lParam});
    return message == WM_CREATE ? -1 : 0;
}

} // namespace

class WindowTest : public WindowFixture {};

TEST_F(WindowTest, CreationSendsWmCreateAtOnceAndDestructionEndsWithNcDestroy)
{
    int marker = 0;
    HWND window = create(WS_CAPTION | WS_SYSMENU, 10, 20, 300, 200, &marker);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(recorder().messages.empty());
    EXPECT_EQ(recorder().messages.front().message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(recorder().createParam, &marker);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window)); // no WS_VISIBLE
    EXPECT_EQ(GetForegroundWindow(), nullptr);

    EXPECT_TRUE(SetWindowTextW(window, L"Titel \x00E4\x20AC"));
    wchar_t title[16];
    EXPECT_EQ(GetWindowTextW(window, title, 16), 8);
    EXPECT_EQ(std::wstring(title), L"Titel \x00E4\x20AC");
    EXPECT_EQ(GetWindowTextW(window, title, 4), 3); // cut to the buffer, terminated
    EXPECT_EQ(std::wstring(title), L"Tit");

    EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&recordingProc));

    // The class is taken while a window uses it; a second registration fails.
    EXPECT_FALSE(UnregisterClassW(kClassName, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    WNDCLASSEXW again{};
    again.cbSize = sizeof again;
    again.lpfnWndProc = recordingProc;
    again.lpszClassName = L"ulvotestwindow"; // class names ignore case
    EXPECT_EQ(RegisterClassExW(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    recorder().messages.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
}

TEST_F(WindowTest, CreationFailsCleanly)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = refusingProc;
    wc.lpszClassName = L"UlvoRefusingWindow";
    ASSERT_NE(RegisterClassExW(&wc), 0);
    EXPECT_EQ(CreateWindowExW(0, L"UlvoRefusingWindow", L"", WS_VISIBLE | WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("NoSuchClass"), std::string::npos);
    EXPECT_NE(log.find("WM_CREATE"), std::string::npos);
    EXPECT_TRUE(UnregisterClassW(L"UlvoRefusingWindow", nullptr));
    EXPECT_FALSE(UnregisterClassW(L"UlvoRefusingWindow", nullptr));

    wc.cbSize = 12; // neither this platform's size nor the 32-bit one
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(WindowTest, FrameMetricsPlacementAndClientAreaAgree)
{
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(frame, GetSystemMetrics(SM_CYFRAME));
    RECT r{0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRect(&r, kWindowedStyle, FALSE));
    EXPECT_EQ(r.left, -frame);
    EXPECT_EQ(r.top, -(frame + caption));
    EXPECT_EQ(r.right, 640 + frame);
    EXPECT_EQ(r.bottom, 480 + frame);
    RECT border{0, 0, 100, 100};
    AdjustWindowRect(&border, WS_BORDER, FALSE);
    EXPECT_EQ(border.left, -GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(border.bottom, 100 + GetSystemMetrics(SM_CYBORDER));
    RECT popup{5, 5, 10, 10};
    AdjustWindowRectEx(&popup, WS_POPUP, FALSE, WS_EX_TOPMOST);
    EXPECT_EQ(popup.left, 5);
    EXPECT_EQ(popup.bottom, 10);
    // Edges at the ends of the range stay there.
    RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    AdjustWindowRect(&huge, kWindowedStyle, FALSE);
    EXPECT_EQ(huge.left, INT32_MIN);
    EXPECT_EQ(huge.right, INT32_MAX);
    EXPECT_EQ(huge.bottom, INT32_MAX);

    // The desktop is SDL's display (1024x768 offscreen); screen metrics match it.
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    EXPECT_EQ(desktop.right - desktop.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.bottom - desktop.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(GetSystemMetrics(SM_CYFULLSCREEN), 0);

    const int width = r.right - r.left, height = r.bottom - r.top;
    HWND window = create(kWindowedStyle, 100, 50, width, height);
    ASSERT_NE(window, nullptr);
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 50);
    EXPECT_EQ(outer.right, 100 + width);
    EXPECT_EQ(outer.bottom, 50 + height);
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    POINT p{0, 0};
    ClientToScreen(window, &p);
    EXPECT_EQ(p.x, 100 + frame);
    EXPECT_EQ(p.y, 50 + frame + caption);
    ScreenToClient(window, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), kWindowedStyle);

    // A new outer size gives the client size less the frame; the move and the size are
    // reported once, SDL's own echo of them adds nothing.
    recorder().messages.clear();
    ASSERT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, 10, 20, 400 + 2 * frame, 300 + 2 * frame + caption,
                             SWP_SHOWWINDOW | SWP_FRAMECHANGED));
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 300);
    dispatchAll();
    auto sizes = received(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lParam), 400);
    EXPECT_EQ(HIWORD(sizes[0].lParam), 300);
    auto moves = received(WM_MOVE);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 10 + frame);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 20 + frame + caption);

    ASSERT_TRUE(SetWindowPos(window, HWND_TOP, 0, 0, 1, 1, SWP_NOSIZE | SWP_NOMOVE));
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(outer.right - outer.left, 400 + 2 * frame);

    // Full screen as the engine does it: a one-pixel border just outside the screen.
    SetWindowLongW(window, GWL_STYLE, WS_BORDER);
    RECT full{0, 0, 1024, 768};
    AdjustWindowRect(&full, WS_BORDER, FALSE);
    SetWindowPos(window, HWND_NOTOPMOST, full.left, full.top, full.right - full.left, full.bottom - full.top,
                 SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 1024);
    EXPECT_EQ(client.bottom, 768);
    p = POINT{0, 0};
    ClientToScreen(window, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), static_cast<DWORD>(WS_BORDER | WS_VISIBLE));
    EXPECT_NE(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), nullptr);
}

TEST_F(WindowTest, AWindowManagersOwnMoveAfterPlacementIsUndoneUntilItInsists)
{
    // Some window managers move a window by their frame's height just after it got its frame
    // back, which pushed a desktop-high window's bottom off the screen.
    HWND window = create(kWindowedStyle, 0, 0, 400, 300);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, 10, 20, 400, 300, SWP_SHOWWINDOW | SWP_FRAMECHANGED));
    POINT placed{0, 0};
    ClientToScreen(window, &placed);
    dispatchAll();
    recorder().messages.clear();
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(PlatformInjectWindowMove(window, placed.x + 1, placed.y + 40));
        dispatchAll();
        POINT p{0, 0};
        ClientToScreen(window, &p);
        if (round < 3) {
            EXPECT_EQ(p.x, placed.x) << round;
            EXPECT_EQ(p.y, placed.y) << round;
            EXPECT_TRUE(received(WM_MOVE).empty()) << round;
        } else {
            // The window manager insists: the window is where it says, and is told so.
            EXPECT_EQ(p.y, placed.y + 40);
            EXPECT_EQ(received(WM_MOVE).size(), 1u);
        }
    }
}

TEST_F(WindowTest, ShowingActivatesHidingDeactivatesAndPaintingFollowsTheRegion)
{
    HWND window = create(WS_POPUP, 0, 0, 64, 64);
    ASSERT_NE(window, nullptr);
    recorder().messages.clear();
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT)); // was hidden
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_EQ(received(WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_ACTIVE));
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_EQ(GetFocus(), window);

    // Shown means invalid: UpdateWindow paints until the window is validated.
    recorder().messages.clear();
    EXPECT_TRUE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_PAINT})); // DefWindowProcW validated it
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(recorder().messages.size(), 1u);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)); // stays until validated
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(window, nullptr);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    recorder().messages.clear();
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(receivedKinds(), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}));
    EXPECT_EQ(received(WM_ACTIVATE)[0].wParam, static_cast<WPARAM>(WA_INACTIVE));
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)); // hidden windows are not painted
}

TEST_F(WindowTest, ShowCursorKeepsADisplayCounter)
{
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_EQ(ShowCursor(FALSE), 0);
}

TEST_F(WindowTest, TheConsolePlaceholderAcceptsPlacementAndOthersAreRefused)
{
    ASSERT_TRUE(AllocConsole());
    HWND console = GetConsoleWindow();
    EXPECT_TRUE(SetWindowPos(console, HWND_NOTOPMOST, 1, 2, 3, 4, SWP_SHOWWINDOW));
    EXPECT_TRUE(ShowWindow(console, SW_HIDE));
    FreeConsole();
    EXPECT_FALSE(SetWindowPos(console, HWND_TOP, 0, 0, 1, 1, 0));
    EXPECT_FALSE(ShowWindow(reinterpret_cast<HWND>(0x1234), SW_SHOW));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    RECT r;
    EXPECT_FALSE(GetClientRect(nullptr, &r));
}
