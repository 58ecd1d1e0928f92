#pragma once
// A window class whose procedure records every message, and a fixture that leaves no
// window, message or quit request behind.
#include <windows.h>

#include <platform_test.h>

#include <gtest/gtest.h>

#include <vector>

namespace WindowTesting {

struct Message {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Recorder {
    std::vector<Message> messages;
    void* createParam = nullptr;
    LRESULT createResult = 0;
    bool quitOnDestroy = false;
};

inline Recorder& recorder()
{
    static Recorder r;
    return r;
}

inline LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Recorder& r = recorder();
    r.messages.push_back({window, message, wParam, lParam});
    switch (message) {
    case WM_CREATE:
        r.createParam = reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
        return r.createResult;
    case WM_DESTROY:
        if (r.quitOnDestroy)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

inline const wchar_t* const kClassName = L"UlvoTestWindow";
// The engine's windowed style: visible, caption, system menu, minimise box.
inline const DWORD kWindowedStyle = 0x10CA0000;

inline bool registerTestClass()
{
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
        wc.lpfnWndProc = recordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    return atom != 0;
}

// Dispatches everything waiting and drops a pending quit request.
inline void drainMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageW(&msg);
    }
}

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerTestClass());
        drainMessages();
        recorder() = Recorder{};
    }

    void TearDown() override
    {
        for (HWND window : m_windows) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        drainMessages();
        recorder() = Recorder{};
    }

    HWND create(DWORD style, int x, int y, int width, int height, void* param = nullptr)
    {
        HWND window = CreateWindowExW(0, kClassName, L"test", style, x, y, width, height, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), param);
        if (window)
            m_windows.push_back(window);
        return window;
    }

    // Messages the procedure received, optionally only those of one kind.
    static std::vector<Message> received(UINT only = 0)
    {
        std::vector<Message> out;
        for (const Message& m : recorder().messages) {
            if (only == 0 || m.message == only)
                out.push_back(m);
        }
        return out;
    }

    static std::vector<UINT> receivedKinds()
    {
        std::vector<UINT> out;
        for (const Message& m : recorder().messages)
            out.push_back(m.message);
        return out;
    }

    // Peeks and dispatches until nothing is left; returns what the queue gave, in order.
    static std::vector<MSG> dispatchAll()
    {
        std::vector<MSG> out;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            out.push_back(msg);
            if (msg.message != WM_QUIT)
                DispatchMessageW(&msg);
        }
        return out;
    }

    std::vector<HWND> m_windows;
};

} // namespace WindowTesting
