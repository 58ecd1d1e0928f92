// The display-mode part of the device interface: the adapter's mode list, the
// main window's creation, switching modes with the confirmation timer, and the
// automatic resolution limit.
#include "devices/d3d/D3DInterface.h"

#include "devices/d3d/D3DInitParams.h"
#include "devices/window/Window.h"
#include "foundation/logging/Logger.h"

#include <string>

namespace Ulvo {

namespace {

FileLogger& renderLog()
{
    return moduleLogger(LogModule::RenderInterface);
}

// The formats whose modes are listed, in this order.
constexpr D3DFORMAT kListedFormats[] = {D3DFMT_A1R5G5B5, D3DFMT_A2R10G10B10, D3DFMT_A8R8G8B8,
                                        D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,    D3DFMT_X8R8G8B8};

} // namespace

void D3DInterface::createDisplayModeList()
{
    m_displayModes.clear();
    IDirect3D9* d3d = m_d3d;
    const bool temporary = d3d == nullptr;
    if (temporary) {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d)
            return;
    }
    FileLogger& log = renderLog();
    log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::createDisplayModeList\n");
    for (D3DFORMAT format : kListedFormats) {
        const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
        for (UINT i = 0; i < count; ++i) {
            D3DDISPLAYMODE mode{};
            if (SUCCEEDED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode)))
                m_displayModes.push_back(mode);
        }
    }
    if (temporary)
        d3d->Release();
    log.log(0, LOG_TYPE_INFO, L"create ", std::to_wstring(m_displayModes.size()), L" DisplayModes\n");
    sortDisplayModeList(0, 1, 2);
}

void D3DInterface::sortDisplayModeList(unsigned key1, unsigned key2, unsigned key3)
{
    renderLog().log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::sortDisplayModeList ", std::to_wstring(key1), L" ",
                    std::to_wstring(key2), L" ", std::to_wstring(key3), L"\n");
    m_sortKeys[0] = key1;
    m_sortKeys[1] = key2;
    m_sortKeys[2] = key3;
    sortDisplayModes(m_displayModes, key1, key2, key3);
}

D3DDISPLAYMODE* D3DInterface::getBestDisplayMode(const D3DDISPLAYMODE* wanted)
{
    renderLog().log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::getBestDisplayMode\n");
    return bestDisplayMode(m_displayModes, wanted, m_initParams);
}

int D3DInterface::findDisplayMode(const D3DDISPLAYMODE* mode) const
{
    return mode ? Ulvo::findDisplayMode(m_displayModes, *mode) : -1;
}

std::wstring D3DInterface::displayModeToString(const D3DDISPLAYMODE* mode, const std::wstring& separator)
{
    return Ulvo::displayModeToString(mode, separator);
}

bool D3DInterface::createWindow()
{
    if (!m_initParams && m_configuredParams) {
        createDisplayModeList();
        m_initParams = m_configuredParams;
        if (m_initParams->getAutoDegradeLimit() && m_initParams->isWindowed())
            m_initParams->setMaxRes(m_workAreaWidth, m_workAreaHeight);
    }
    Window* window = m_initParams ? m_initParams->getWindow() : nullptr;
    if (window && !window->createWindow()) {
        // A size the window system refuses is not kept: the default size gets one more try.
        renderLog().log(100, LOG_TYPE_ERROR, L"createWindow failed with the configured size, trying the default\n");
        window->setSize(Window::kDefaultSize, Window::kDefaultSize, false);
    }
    if (!window || !window->createWindow()) {
        // Shown in a box that waits, as the device's own failures are (D3DInterface.cpp).
        MessageBoxW(nullptr, L"createWindow() schlug fehl", L"Fehler!", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
        return false;
    }
    if (const D3DDISPLAYMODE* best = getBestDisplayMode(m_initParams->getDisplayMode()))
        window->setSize(best->Width, best->Height, false);
    window->setFullscreen(!m_initParams->isWindowed(), true);
    return true;
}

void D3DInterface::applyAutoLimit(bool windowed)
{
    if (!m_initParams->getAutoDegradeLimit())
        return;
    if (windowed)
        m_initParams->setMaxRes(m_workAreaWidth, m_workAreaHeight);
    else
        m_initParams->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
}

signed char D3DInterface::setDisplayMode(const D3DDISPLAYMODE* wanted, int choice, const bool& confirm)
{
    FileLogger& log = renderLog();
    log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::setDisplayMode\n");
    LogIndent<FileLogger> indent(log);
    if (!m_initParams || m_displayModes.empty()) {
        log.log(100, LOG_TYPE_ERROR, L"no display mode to switch to\n");
        return 0;
    }
    m_changingMode = true;
    D3DInitParams& params = *m_initParams;
    D3DDISPLAYMODE& current = *params.getDisplayMode();
    D3DPRESENT_PARAMETERS& present = *params.getPresentParams();
    // wanted may point at the current mode, which changes below.
    const D3DDISPLAYMODE requested = wanted ? *wanted : current;

    if (confirm) {
        params.m_previousMode = current;
        params.m_previousPresentParams = present;
        params.m_pending = true;
        params.m_changeTime = GetTickCount();
    }
    const bool windowed = (choice < 0 && present.Windowed) || choice == 0;
    applyAutoLimit(windowed);

    m_requestedMode = requested;
    const D3DDISPLAYMODE best = *getBestDisplayMode(wanted ? &requested : nullptr);

    signed char result = 0;
    if (!sameDisplayMode(best, current) || choice >= 0) {
        current = best;
        present.BackBufferWidth = best.Width;
        present.BackBufferHeight = best.Height;
        present.BackBufferFormat = best.Format;
        if (choice == 0)
            present.Windowed = TRUE;
        else if (choice > 0)
            present.Windowed = FALSE;
        present.FullScreen_RefreshRateInHz = present.Windowed ? 0 : best.RefreshRate;
        setPresenterParams(&present);
        displayModeChanged.emit(current);
        result = 1;
    }

    if (!confirm) {
        if (params.getAutoDegradeLimit() && (best.Width < requested.Width || best.Height < requested.Height))
            displayModeDegraded.emit();
    } else {
        confirmRequested.emit();
    }
    m_changingMode = false;
    return result;
}

void D3DInterface::revertPendingMode()
{
    const D3DDISPLAYMODE previous = m_initParams->m_previousMode;
    setDisplayMode(&previous, m_initParams->m_previousPresentParams.Windowed ? 0 : 1, false);
}

void D3DInterface::update()
{
    if (!m_initParams || !m_initParams->m_pending)
        return;
    // Elapsed time in unsigned arithmetic, so the tick counter's wrap after
    // 49.7 days does not end the wait early.
    const uint32_t elapsed = GetTickCount() - m_initParams->m_changeTime;
    const uint32_t limit = m_initParams->m_confirmationTime;
    if (elapsed > limit) {
        m_initParams->m_pending = false;
        revertPendingMode();
        confirmResult.emit(false);
    } else {
        const double left = static_cast<double>(limit) - static_cast<double>(elapsed);
        const float secondsLeft = static_cast<float>(left / 1000.0);
        confirmSecondsLeft.emit(secondsLeft);
    }
}

void D3DInterface::confirmDisplayMode(const bool& ok)
{
    if (!m_initParams || !m_initParams->m_pending)
        return;
    m_initParams->m_pending = false;
    if (!ok)
        revertPendingMode();
    confirmResult.emit(ok);
}

void D3DInterface::setAutoDegrade(const bool& limit, const bool& reapply)
{
    if (!m_initParams)
        return;
    m_initParams->setAutoDegrade(limit, reapply);
    if (limit && reapply && m_initParams->isWindowed()) {
        readWorkArea();
        m_initParams->setMaxRes(m_workAreaWidth, m_workAreaHeight);
        const D3DDISPLAYMODE current = *m_initParams->getDisplayMode();
        setDisplayMode(&current, -1, false);
    }
}

void D3DInterface::onWindowMessage(HWND&, UINT& message, WPARAM&, LPARAM&)
{
    if (message != WM_DISPLAYCHANGE || m_changingMode || !m_initParams)
        return;
    if (m_initParams->isWindowed())
        readWorkArea();
    if (!m_initParams->getAutoDegradeLimit())
        return;
    // Also in full screen, where the area was not read again.
    m_initParams->setMaxRes(m_workAreaWidth, m_workAreaHeight);
    if (m_initParams->getAutoDegradeReapply()) {
        const D3DDISPLAYMODE current = *m_initParams->getDisplayMode();
        setDisplayMode(&current, -1, false);
    }
}

} // namespace Ulvo
