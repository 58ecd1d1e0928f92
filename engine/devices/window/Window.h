#pragma once
// The program's single top-level window. Keeps the wanted title, client size
// and full-screen state apart from the applied ones and applies them on
// request; its procedure hands every message to the main loop's hub.
#include <windows.h>

#include "foundation/logging/Logger.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class XMLNode;

class Window {
public:
    // The client size a new window wants.
    static constexpr uint32_t kDefaultSize = 100;

    Window();
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void setInstance(const HINSTANCE& instance) { m_instance = instance; }
    // Creates the window centred on the desktop; true at once when it exists.
    bool createWindow();
    // False without a window.
    bool show();

    HWND getHWND() const { return m_handle; }
    // The screen size while full screen is applied, else the applied client size.
    int getWidth() const;
    int getHeight() const;

    void setTitle(const std::wstring& title, bool apply);
    void setSize(const unsigned& width, const unsigned& height, bool apply);
    void setFullscreen(const bool& fullscreen, bool apply);
    // Applies the wanted state; true when anything changed. False without a window.
    bool applySettings();

    // The node WINDOW of "D3DINITPARAMS": SIZE_X and SIZE_Y, the wanted size.
    bool load(XMLNode* node);
    bool save(XMLNode* node);

    const std::wstring& getTitle() const { return m_appliedTitle; }
    bool isFullscreen() const { return m_appliedFullscreen; }
    unsigned getWantedWidth() const { return m_wantedWidth; }
    unsigned getWantedHeight() const { return m_wantedHeight; }
    bool isFullscreenWanted() const { return m_wantedFullscreen; }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    sigslot::signal1<HWND> windowCreated;
    sigslot::signal2<HWND, const std::wstring&> titleChanged;
    sigslot::signal3<HWND, const int&, const int&> sizeChanged;
    sigslot::signal2<HWND, const bool&> fullscreenChanged;

private:
    // Top-left corner that centres an outer size on the desktop; coordinates
    // below 1 become 0.
    static void centreOnDesktop(int outerWidth, int outerHeight, int& x, int& y);
    void readSize(const XMLNode* node, const wchar_t* key, uint32_t& field);

    uint32_t m_appliedWidth = kDefaultSize;
    uint32_t m_appliedHeight = kDefaultSize;
    std::wstring m_appliedTitle;
    bool m_appliedFullscreen = false;
    HWND m_handle = nullptr;
    HINSTANCE m_instance = nullptr;
    HICON m_icon = nullptr;
    // WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, and a sizing frame with a maximise box:
    // the player may resize and maximise the window (the picture is scaled into it), and a
    // window manager may put it into its own full screen.
    uint32_t m_style = 0x10CF0000;
    uint32_t m_wantedWidth = kDefaultSize;
    uint32_t m_wantedHeight = kDefaultSize;
    std::wstring m_wantedTitle;
    bool m_wantedFullscreen = false;
    FileLogger m_logger;
};

} // namespace Ulvo
