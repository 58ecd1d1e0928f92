#include "devices/window/Window.h"

#include "foundation/app/MainLoopSignals.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

const wchar_t* const kClassName = L"MYWINDOWCLASS";
constexpr int kIconResource = 101;

} // namespace

Window::Window() : m_logger(L"window.log")
{
    m_logger.file().open();
    m_logger.log(0, LOG_TYPE_INFO, L"Ulvo::Window::Window\n");
}

Window::~Window()
{
    DestroyWindow(m_handle);
    m_logger.log(0, LOG_TYPE_INFO, L"Ulvo::Window::~Window\n");
    m_logger.file().close();
}

void Window::centreOnDesktop(int outerWidth, int outerHeight, int& x, int& y)
{
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    x = (desktop.right - desktop.left - outerWidth) / 2;
    y = (desktop.bottom - desktop.top - outerHeight) / 2;
    if (x < 1)
        x = 0;
    if (y < 1)
        y = 0;
}

bool Window::createWindow()
{
    if (m_handle)
        return true;
    m_logger.log(0, LOG_TYPE_INFO, L"Ulvo::Window::createWindow\n");
    m_logger.incIndent();

    m_appliedWidth = m_wantedWidth;
    m_appliedHeight = m_wantedHeight;
    m_appliedTitle = m_wantedTitle;

    if (m_instance && !m_icon)
        m_icon = LoadIconW(m_instance, MAKEINTRESOURCE(kIconResource));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = 48;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = &Window::windowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = m_icon;
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = m_icon;
    RegisterClassExW(&windowClass); // a second registration fails harmlessly

    RECT outer{0, 0, static_cast<LONG>(m_appliedWidth), static_cast<LONG>(m_appliedHeight)};
    AdjustWindowRect(&outer, m_style, FALSE);
    const int outerWidth = outer.right - outer.left;
    const int outerHeight = outer.bottom - outer.top;
    int x = 0;
    int y = 0;
    centreOnDesktop(outerWidth, outerHeight, x, y);

    m_handle = CreateWindowExW(0, kClassName, m_appliedTitle.c_str(), m_style, x, y, outerWidth, outerHeight, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_handle) {
        m_logger.log(100, LOG_TYPE_ERROR, L"CreateWindow failed\n");
        m_logger.decIndent();
        return false;
    }
    windowCreated.emit(m_handle);
    m_logger.decIndent();
    m_logger.log(75, LOG_TYPE_INFO, L"Ulvo::Window::createWindow succeded!\n");
    return true;
}

bool Window::show()
{
    if (!m_handle)
        return false;
    ShowWindow(m_handle, SW_SHOWDEFAULT);
    UpdateWindow(m_handle);
    return true;
}

int Window::getWidth() const
{
    if (m_appliedFullscreen)
        return GetSystemMetrics(SM_CXSCREEN);
    return static_cast<int>(m_appliedWidth);
}

int Window::getHeight() const
{
    if (m_appliedFullscreen)
        return GetSystemMetrics(SM_CYSCREEN);
    return static_cast<int>(m_appliedHeight);
}

void Window::setTitle(const std::wstring& title, bool apply)
{
    m_wantedTitle = title;
    if (apply)
        applySettings();
}

void Window::setSize(const unsigned& width, const unsigned& height, bool apply)
{
    m_wantedWidth = width;
    m_wantedHeight = height;
    if (apply)
        applySettings();
}

void Window::setFullscreen(const bool& fullscreen, bool apply)
{
    m_wantedFullscreen = fullscreen;
    if (apply)
        applySettings();
}

bool Window::applySettings()
{
    if (!m_handle)
        return false;
    bool changed = false;

    if (m_wantedTitle != m_appliedTitle) {
        m_appliedTitle = m_wantedTitle;
        SetWindowTextW(m_handle, m_appliedTitle.c_str());
        titleChanged.emit(m_handle, m_appliedTitle);
        changed = true;
    }

    const bool sizeDiffers = m_wantedWidth != m_appliedWidth || m_wantedHeight != m_appliedHeight;
    if (sizeDiffers || (m_appliedFullscreen && !m_wantedFullscreen)) {
        m_appliedWidth = m_wantedWidth;
        m_appliedHeight = m_wantedHeight;
        if (!m_wantedFullscreen) {
            RECT outer{0, 0, static_cast<LONG>(m_appliedWidth), static_cast<LONG>(m_appliedHeight)};
            AdjustWindowRect(&outer, m_style, FALSE);
            const int outerWidth = outer.right - outer.left;
            const int outerHeight = outer.bottom - outer.top;
            int x = 0;
            int y = 0;
            if (m_appliedFullscreen) {
                // Leaving full screen: back to the windowed style, centred.
                SetWindowLongW(m_handle, GWL_STYLE, static_cast<LONG>(m_style));
                centreOnDesktop(outerWidth, outerHeight, x, y);
            } else {
                // Keep the window's centre where it is.
                RECT current{};
                GetWindowRect(m_handle, &current);
                x = (current.left + current.right) / 2 - outerWidth / 2;
                y = (current.top + current.bottom) / 2 - outerHeight / 2;
                if (x < 1)
                    x = 0;
                if (y < 1)
                    y = 0;
            }
            SetWindowPos(m_handle, HWND_NOTOPMOST, x, y, outerWidth, outerHeight, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        }
        const int width = static_cast<int>(m_appliedWidth);
        const int height = static_cast<int>(m_appliedHeight);
        sizeChanged.emit(m_handle, width, height);
        changed = true;
    }

    if (m_appliedFullscreen != m_wantedFullscreen) {
        m_appliedFullscreen = m_wantedFullscreen;
        fullscreenChanged.emit(m_handle, m_appliedFullscreen);
        changed = true;
    }

    if (m_appliedFullscreen) {
        // Border just outside the screen; repeated on every call.
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        AdjustWindowRect(&screen, WS_BORDER, FALSE);
        SetWindowLongW(m_handle, GWL_STYLE, static_cast<LONG>(WS_BORDER));
        SetWindowPos(m_handle, HWND_NOTOPMOST, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    }

    ShowCursor(FALSE);
    return changed;
}

bool Window::load(XMLNode* node)
{
    m_logger.log(10, LOG_TYPE_INFO, L"Ulvo::Window::load\n");
    if (!node)
        return true;
    readSize(node, L"SIZE_X", m_wantedWidth);
    readSize(node, L"SIZE_Y", m_wantedHeight);
    return true;
}

void Window::readSize(const XMLNode* node, const wchar_t* key, uint32_t& field)
{
    // No window system takes a window wider or taller than this; such a size keeps the field.
    constexpr int kLargestSize = 16384;
    int size = 0;
    if (!node->readInt(key, size))
        return;
    if (size >= 1 && size <= kLargestSize) {
        field = static_cast<unsigned>(size);
        return;
    }
    // The size the window gets is decided later (the device's mode may set it), so the line
    // names no value it cannot vouch for.
    m_logger.log(50, LOG_TYPE_WARNING,
                 std::wstring(L"Ulvo::Window::load ") + key + L"=\"" + node->getAttributeValue(key) +
                     L"\" is not usable and is ignored\n");
}

bool Window::save(XMLNode* node)
{
    m_logger.log(10, LOG_TYPE_INFO, L"Ulvo::Window::save\n");
    if (!node)
        return true;
    node->addAttribute(new XMLAttribute(L"SIZE_X", static_cast<int>(m_wantedWidth)));
    node->addAttribute(new XMLAttribute(L"SIZE_Y", static_cast<int>(m_wantedHeight)));
    return true;
}

LRESULT CALLBACK Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The procedure belongs to the window class, not to one Window: it reaches the loop
    // through the process's hub.
    MainLoopSignals& loop = MainLoopSignals::getInstance();
    if (loop.isRunning())
        loop.onWindowMessage.emit(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        KillTimer(window, 0);
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE: {
        const bool active = LOWORD(wParam) != WA_INACTIVE;
        loop.onActivate.emit(active);
        return 0;
    }
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace Ulvo
