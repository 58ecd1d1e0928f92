// The main window: creation, applying the wanted state, its configuration node
// and its procedure.
#include <windows.h>

#include "devices/window/Window.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

constexpr DWORD kWindowedStyle = 0x10CF0000; // resizable, with a maximise box

class SignalProbe : public sigslot::has_slots<> {
public:
    explicit SignalProbe(Window& window)
    {
        window.windowCreated.connect(this, &SignalProbe::created);
        window.titleChanged.connect(this, &SignalProbe::title);
        window.sizeChanged.connect(this, &SignalProbe::size);
        window.fullscreenChanged.connect(this, &SignalProbe::fullscreen);
        UlvoEngine::getInstance()->onActivate.connect(this, &SignalProbe::activated);
        UlvoEngine::getInstance()->onWindowMessage.connect(this, &SignalProbe::message);
    }
    void created(HWND) { events.push_back(L"created"); }
    void title(HWND, const std::wstring& text) { events.push_back(L"title " + text); }
    void size(HWND, const int& w, const int& h)
    {
        events.push_back(L"size " + std::to_wstring(w) + L"x" + std::to_wstring(h));
    }
    void fullscreen(HWND, const bool& on) { events.push_back(on ? L"fullscreen" : L"windowed"); }
    void activated(const bool& on) { events.push_back(on ? L"active" : L"inactive"); }
    void message(HWND&, UINT&, WPARAM&, LPARAM&) { ++messages; }

    std::vector<std::wstring> events;
    int messages = 0;
};

RECT outerRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT desktop()
{
    RECT r{};
    GetWindowRect(GetDesktopWindow(), &r);
    return r;
}

// The outer size of a client area in the windowed style.
SIZE outerSize(LONG width, LONG height)
{
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, kWindowedStyle, FALSE);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The cursor's display counter, unchanged.
int cursorCount()
{
    const int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    return count;
}

void drainMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageW(&msg);
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override { drainMessages(); }
};

} // namespace

TEST_F(MainWindowTest, CreatesItselfCentredWithTheWantedSizeAndTitle)
{
    Window window;
    SignalProbe probe(window);
    EXPECT_FALSE(window.applySettings()); // nothing to apply to yet
    EXPECT_FALSE(window.show());
    window.setSize(320, 200, true);
    window.setTitle(L"Lumaro", false);
    ASSERT_TRUE(window.createWindow());
    HWND handle = window.getHWND();
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(window.createWindow()); // once only
    EXPECT_EQ(window.getHWND(), handle);
    EXPECT_EQ(std::count(probe.events.begin(), probe.events.end(), L"created"), 1);

    RECT client{};
    GetClientRect(handle, &client);
    EXPECT_EQ(client.right - client.left, 320);
    EXPECT_EQ(client.bottom - client.top, 200);
    EXPECT_EQ(window.getWidth(), 320);
    EXPECT_EQ(window.getHeight(), 200);
    const SIZE outer = outerSize(320, 200);
    const RECT screen = desktop();
    EXPECT_EQ(outerRect(handle).left, (screen.right - screen.left - outer.cx) / 2);
    EXPECT_EQ(outerRect(handle).top, (screen.bottom - screen.top - outer.cy) / 2);
    wchar_t title[32] = {};
    GetWindowTextW(handle, title, 32);
    EXPECT_EQ(std::wstring(title), L"Lumaro");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE),
              kWindowedStyle & ~static_cast<DWORD>(WS_VISIBLE));
}

TEST_F(MainWindowTest, ApplyingTwiceChangesNothingTheSecondTimeExceptInFullScreen)
{
    Window window;
    ASSERT_TRUE(window.createWindow());
    SignalProbe probe(window);
    HWND handle = window.getHWND();

    window.setTitle(L"Titel", false);
    window.setSize(400, 300, false);
    EXPECT_TRUE(window.applySettings());
    EXPECT_EQ(probe.events, (std::vector<std::wstring>{L"title Titel", L"size 400x300"}));
    const int cursor = cursorCount();
    EXPECT_FALSE(window.applySettings());
    EXPECT_EQ(cursorCount(), cursor - 1); // hidden on every call

    probe.events.clear();
    window.setFullscreen(true, true);
    EXPECT_EQ(probe.events, std::vector<std::wstring>{L"fullscreen"});
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT bordered{0, 0, screenWidth, screenHeight};
    AdjustWindowRect(&bordered, WS_BORDER, FALSE);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE),
              static_cast<DWORD>(WS_BORDER));
    EXPECT_EQ(outerRect(handle).left, bordered.left);
    EXPECT_EQ(outerRect(handle).right, bordered.right);
    // The size reported is the screen's, not the stored client size.
    EXPECT_EQ(window.getWidth(), screenWidth);
    EXPECT_EQ(window.getHeight(), screenHeight);

    // Moved away, the next call puts it back although nothing changed.
    SetWindowPos(handle, HWND_NOTOPMOST, 10, 10, 200, 100, 0);
    const int before = cursorCount();
    EXPECT_FALSE(window.applySettings());
    EXPECT_EQ(outerRect(handle).left, bordered.left);
    EXPECT_EQ(outerRect(handle).bottom, bordered.bottom);
    EXPECT_EQ(cursorCount(), before - 1);
}

TEST_F(MainWindowTest, LeavingFullScreenRestoresTheStyleAndCentres)
{
    Window window;
    window.setSize(300, 200, false);
    ASSERT_TRUE(window.createWindow());
    HWND handle = window.getHWND();
    window.setFullscreen(true, true);

    SignalProbe probe(window);
    window.setFullscreen(false, false);
    EXPECT_TRUE(window.applySettings()); // same size, still re-placed
    EXPECT_EQ(probe.events, (std::vector<std::wstring>{L"size 300x200", L"windowed"}));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE),
              kWindowedStyle & ~static_cast<DWORD>(WS_VISIBLE));
    const SIZE outer = outerSize(300, 200);
    const RECT screen = desktop();
    EXPECT_EQ(outerRect(handle).left, (screen.right - screen.left - outer.cx) / 2);
    EXPECT_EQ(outerRect(handle).top, (screen.bottom - screen.top - outer.cy) / 2);
    EXPECT_EQ(window.getWidth(), 300);

    // A windowed size change keeps the window's centre.
    const RECT old = outerRect(handle);
    window.setSize(200, 100, true);
    const RECT now = outerRect(handle);
    EXPECT_NEAR((now.left + now.right) / 2, (old.left + old.right) / 2, 1);
    EXPECT_NEAR((now.top + now.bottom) / 2, (old.top + old.bottom) / 2, 1);
}

TEST_F(MainWindowTest, WindowLargerThanTheDesktopStartsAtTheOrigin)
{
    const RECT screen = desktop();
    Window window;
    window.setSize(static_cast<unsigned>(screen.right - screen.left + 200),
                   static_cast<unsigned>(screen.bottom - screen.top + 200), false);
    ASSERT_TRUE(window.createWindow());
    EXPECT_EQ(outerRect(window.getHWND()).left, 0);
    EXPECT_EQ(outerRect(window.getHWND()).top, 0);
}

TEST_F(MainWindowTest, SizeIsKeptInTheWindowNode)
{
    Window window;
    XMLNode node(L"WINDOW");
    node.addAttribute(new XMLAttribute(L"SIZE_X", 640));
    EXPECT_TRUE(window.load(&node));
    EXPECT_EQ(window.getWantedWidth(), 640u);
    EXPECT_EQ(window.getWantedHeight(), 100u); // absent: unchanged

    XMLNode saved(L"WINDOW");
    EXPECT_TRUE(window.save(&saved));
    ASSERT_NE(saved.getAttribute(L"SIZE_X"), nullptr);
    EXPECT_EQ(saved.getAttribute(L"SIZE_X")->getValue(), L"640");
    EXPECT_EQ(saved.getAttribute(L"SIZE_Y")->getValue(), L"100");
}

TEST_F(MainWindowTest, ProcedureReportsActivationAndClosingQuits)
{
    Window window;
    ASSERT_TRUE(window.createWindow());
    drainMessages();
    SignalProbe probe(window);
    HWND handle = window.getHWND();

    SendMessageW(handle, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(handle, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(probe.events, (std::vector<std::wstring>{L"inactive", L"active"}));
    // The engine's loop is not running: its message signal stays quiet.
    EXPECT_EQ(probe.messages, 0);

    // Close -> destroyed -> quit message with code 0.
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(handle));
    MSG msg{};
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 0u);
        } else {
            DispatchMessageW(&msg);
        }
    }
    EXPECT_TRUE(quit);
}
