#include "devices/d3d/D3DInterface.h"

#include <objbase.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/window/Window.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/app/MainLoopSignals.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace Ulvo {

namespace {

FileLogger& renderLog()
{
    return moduleLogger(LogModule::RenderInterface);
}

bool deviceFailureForced()
{
    const char* forced = std::getenv("ULVO_TEST_FAIL_DEVICE");
    return forced && std::strcmp(forced, "1") == 0;
}

// The game cannot go on without its device: a player who started it from the desktop sees the
// message in a box that waits for OK (system-modal; see MessageBoxW), not only on stderr.
void showError(const wchar_t* text)
{
    MessageBoxW(nullptr, text, L"Fehler!", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
}

} // namespace

D3DInterface* D3DInterface::getInstance()
{
    static D3DInterface instance;
    return &instance;
}

D3DInterface::D3DInterface()
{
    static const ConsoleCommandEntry<D3DInterface> kCommands[] = {
        {L"D3D_getResolution", 0, L"D3D_getResolution; gibt die Aufl\u00F6sung und Farbtiefe",
         &D3DInterface::consoleGetResolution},
        {L"D3D_setResolution", 2, L"D3D_setResolution res rey bpp; setzt die Aufl\u00F6sung",
         &D3DInterface::consoleSetResolution},
        {L"D3D_setFullscreen", 1, L"D3D_setFullscreen 0/1; Vollbildmodus an/aus", &D3DInterface::consoleSetFullscreen},
        {L"D3D_setMaxScreenSize", 2, L"D3D_setMaxScreenSize x y; maximalen Screensize setzen",
         &D3DInterface::consoleSetMaxScreenSize},
        {L"D3D_setMinScreenSize", 2, L"D3D_setMinScreenSize x y; minimalen Screensize setzen",
         &D3DInterface::consoleSetMinScreenSize},
        {L"D3D_autodegrade", 2, L"D3D_autodegrade 0/1 0/1; autmatisches anpassen der max. Aufl\u00F6sung an /aus",
         &D3DInterface::consoleAutoDegrade},
    };
    registerCommands(kCommands);
    renderLog().log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::D3DInterface\n");
    readWorkArea();
}

D3DInterface::~D3DInterface()
{
    renderLog().log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::~D3DInterface\n");
    releaseDevice();
    setGraphics(nullptr);
}

void D3DInterface::connect(MainLoopSignals& loop, D3DInitParams* configured)
{
    m_configuredParams = configured;
    loop.onWindowMessage.connect(this, &D3DInterface::onWindowMessage);
}

void D3DInterface::disconnect(MainLoopSignals& loop)
{
    loop.onWindowMessage.disconnect(this);
    m_configuredParams = nullptr;
}

void D3DInterface::setGraphics(DeviceGraphics* graphics)
{
    if (graphics == m_graphics)
        return;
    delete m_graphics;
    m_graphics = graphics;
    m_effectManager = graphics ? graphics->getEffectManager() : nullptr;
    m_textureManager = graphics ? graphics->getTextureManager() : nullptr;
    m_meshManager = graphics ? graphics->getMeshManager() : nullptr;
    m_sprites = graphics ? graphics->getSprites() : nullptr;
}

Window* D3DInterface::getMainWindow() const
{
    if (D3DInitParams* params = m_initParams ? m_initParams : m_configuredParams)
        return params->getWindow();
    return nullptr;
}

void D3DInterface::releaseDevice()
{
    releaseAndNull(m_device);
    releaseAndNull(m_d3d);
    m_initialized = false;
}

void D3DInterface::readWorkArea()
{
    const int width = GetSystemMetrics(SM_CXFULLSCREEN);
    const int height = GetSystemMetrics(SM_CYFULLSCREEN);
    m_workAreaWidth = width > 0 ? static_cast<unsigned>(width) : 0;
    m_workAreaHeight = height > 0 ? static_cast<unsigned>(height) : 0;
}

bool D3DInterface::init(D3DInitParams* params)
{
    FileLogger& log = renderLog();
    log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::init\n");
    {
        LogIndent<FileLogger> indent(log);
        if (!startDevice(params))
            return false;
    }
    const D3DPRESENT_PARAMETERS& present = *m_initParams->getPresentParams();
    log.log(100, LOG_TYPE_INFO, L"Ulvo::D3DInterface::init succeded!\n");
    log.log(100, LOG_TYPE_INFO, L"Created ScreenSize: ", std::to_wstring(present.BackBufferWidth), L"x",
            std::to_wstring(present.BackBufferHeight), L"\n");
    if (m_graphics)
        m_graphics->onDeviceStarted();
    return true;
}

bool D3DInterface::startDevice(D3DInitParams* params)
{
    FileLogger& log = renderLog();
    if (!params) {
        log.log(100, LOG_TYPE_ERROR, L"no display settings\n");
        return false;
    }
    // A second start (tests) begins from scratch.
    releaseDevice();
    m_initParams = params;
    CoInitialize(nullptr);

    createDisplayModeList();
    if (params->getAutoDegradeLimit()) {
        if (params->isWindowed())
            params->setMaxRes(m_workAreaWidth, m_workAreaHeight);
        else
            params->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
    }
    createWindow();

    m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_d3d) {
        log.log(100, LOG_TYPE_ERROR, L"Direct3DCreate9 failed\n");
        showError(L"Direct3DCreate9() schlug fehl");
        return false;
    }

    // Settings that fail are never kept: the defaults get one more try, and are what is saved.
    if (!createDevice(*params)) {
        log.log(100, LOG_TYPE_ERROR, L"CreateDevice failed with the configured settings, trying the defaults\n");
        params->useDefaults();
        applyAutoLimit(params->isWindowed());
        if (!createDevice(*params)) {
            log.log(100, LOG_TYPE_ERROR, L"CreateDevice failed\n");
            // The device stands on an OpenGL 3.3 core context; what fails is nearly always that.
            showError(L"CreateDevice() schlug fehl: Der Grafiktreiber bietet keinen OpenGL-3.3-Core-Kontext an.\n"
                      L"Bitte den Grafiktreiber installieren oder aktualisieren (unter Debian und Ubuntu das Paket "
                      L"\"libgl1-mesa-dri\", oder den Treiber des Grafikkartenherstellers). Ohne Grafikkarte "
                      L"zeichnet Mesa mit LIBGL_ALWAYS_SOFTWARE=1 auf dem Prozessor.");
            return false;
        }
    }

    Window* window = params->getWindow();
    const D3DDISPLAYMODE best = *params->getDisplayMode();
    const D3DPRESENT_PARAMETERS& present = *params->getPresentParams();
    if (window) {
        window->setSize(best.Width, best.Height, false);
        window->setFullscreen(present.Windowed == FALSE, true);
    }
    if (!window || !window->show()) {
        showError(L"showWindow() schlug fehl");
        return false;
    }

    m_initialized = true;
    deviceCreated.emit();
    return true;
}

bool D3DInterface::createDevice(D3DInitParams& params)
{
    Window* window = params.getWindow();
    D3DPRESENT_PARAMETERS& present = *params.getPresentParams();
    m_requestedMode = *params.getDisplayMode();
    const D3DDISPLAYMODE* listed = getBestDisplayMode(&m_requestedMode);
    if (!listed) {
        // No adapter mode in any of the display formats: nothing to size the
        // device by.
        renderLog().log(100, LOG_TYPE_ERROR, L"no display mode available\n");
        return false;
    }
    const D3DDISPLAYMODE best = *listed;
    *params.getDisplayMode() = best;
    present.BackBufferWidth = best.Width;
    present.BackBufferHeight = best.Height;
    present.BackBufferFormat = best.Format;
    present.FullScreen_RefreshRateInHz = present.Windowed ? 0 : best.RefreshRate;
    present.hDeviceWindow = window ? window->getHWND() : nullptr;

    D3DCAPS9 caps;
    const bool hardwareTnL = SUCCEEDED(m_d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)) &&
                             (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    const DWORD vertexProcessing =
        hardwareTnL ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

    // The configured quality is always replaced by the highest the adapter has.
    DWORD qualityLevels = 0;
    HRESULT multisample =
        m_d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, present.BackBufferFormat,
                                          present.Windowed, present.MultiSampleType, &qualityLevels);
    if (SUCCEEDED(multisample))
        multisample =
            m_d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, present.AutoDepthStencilFormat,
                                              present.Windowed, present.MultiSampleType, &qualityLevels);
    if (SUCCEEDED(multisample)) {
        present.MultiSampleQuality = qualityLevels > 0 ? qualityLevels - 1 : 0;
    } else {
        present.MultiSampleType = D3DMULTISAMPLE_NONE;
        present.MultiSampleQuality = 0;
    }

    HRESULT created = D3DERR_NOTAVAILABLE;
    if (!m_failInitForTest && !deviceFailureForced())
        created = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, present.hDeviceWindow,
                                      vertexProcessing | D3DCREATE_MULTITHREADED, &present, &m_device);
    if (FAILED(created) || !m_device) {
        m_device = nullptr;
        return false;
    }
    return true;
}

bool D3DInterface::TestCooperative()
{
    if (m_deviceLostForTest || !m_device)
        return false;
    const HRESULT hr = m_device->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST)
        return false;
    if (hr == D3DERR_DEVICENOTRESET) {
        FileLogger& log = renderLog();
        log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::TestCooperative\n");
        LogIndent<FileLogger> indent(log);
        if (m_initParams)
            setPresenterParams(m_initParams->getPresentParams());
        return false;
    }
    return true;
}

D3DPRESENT_PARAMETERS* D3DInterface::setPresenterParams(const D3DPRESENT_PARAMETERS* pp)
{
    if (!m_initParams)
        return nullptr;
    FileLogger& log = renderLog();
    log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::setPresenterParams\n");
    LogIndent<FileLogger> indent(log);

    lostDevice.emit();
    D3DPRESENT_PARAMETERS& present = *m_initParams->getPresentParams();
    if (pp && pp != &present)
        present = *pp;
    const HRESULT hr = m_device ? m_device->Reset(&present) : D3DERR_INVALIDCALL;
    const std::wstring code = std::to_wstring(static_cast<long>(hr));
    log.log(0, LOG_TYPE_INFO, L"Reset D3DDevice with HRESULT:", code, L"\n");
    if (SUCCEEDED(hr))
        log.log(0, LOG_TYPE_INFO, L"Reset D3DDevice with HRESULT:", code, L"\n");
    else
        log.log(100, LOG_TYPE_ERROR, L"Reset D3DDevice Failed HRESULT:", code, L"\n");

    updateWindow();
    // After a failed reset the holders keep their resources released: the
    // device stays lost and reports not-reset, which tries again.
    if (SUCCEEDED(hr)) {
        resetDevice.emit();
        backBufferSizeChanged.emit(present.BackBufferWidth, present.BackBufferHeight);
    }
    return &present;
}

void D3DInterface::updateWindow()
{
    Window* window = m_initParams ? m_initParams->getWindow() : nullptr;
    if (!window)
        return;
    const D3DPRESENT_PARAMETERS& present = *m_initParams->getPresentParams();
    window->setSize(present.BackBufferWidth, present.BackBufferHeight, false);
    window->setFullscreen(present.Windowed == FALSE, true);
}

unsigned D3DInterface::getWidth() const
{
    return m_initParams ? m_initParams->getDisplayMode()->Width : 0;
}

unsigned D3DInterface::getHeight() const
{
    return m_initParams ? m_initParams->getDisplayMode()->Height : 0;
}

RECT* D3DInterface::getScreenRect(RECT* rect) const
{
    if (rect)
        *rect = RECT{0, 0, static_cast<LONG>(getWidth()), static_cast<LONG>(getHeight())};
    return rect;
}

D3DPRESENT_PARAMETERS* D3DInterface::getPresentParams() const
{
    return m_initParams ? m_initParams->getPresentParams() : nullptr;
}

void D3DInterface::flipCullMode()
{
    if (!m_device)
        return;
    DWORD mode = 0;
    if (FAILED(m_device->GetRenderState(D3DRS_CULLMODE, &mode))) {
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        return;
    }
    if (mode == D3DCULL_CCW)
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    else if (mode == D3DCULL_CW)
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void D3DInterface::consoleGetResolution(TypedConsoleCommand& line)
{
    const D3DDISPLAYMODE mode = m_initParams ? *m_initParams->getDisplayMode() : D3DDISPLAYMODE{};
    line.setAnswer(std::to_wstring(mode.Width) + L" " + std::to_wstring(mode.Height) + L" " +
                   (mode.Format == D3DFMT_R5G6B5 ? L"16" : L"32"));
}

void D3DInterface::consoleSetResolution(TypedConsoleCommand& line)
{
    // Without a depth the current one stays.
    D3DFORMAT format = m_initParams ? m_initParams->getDisplayMode()->Format : D3DFMT_X8R8G8B8;
    if (line.getArgumentCount() > 2)
        format = line.getParamInt(2) == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    const D3DDISPLAYMODE wanted{static_cast<UINT>(line.getParamInt(0)), static_cast<UINT>(line.getParamInt(1)),
                                0xFFFFFFFFu, format};
    setDisplayMode(&wanted, -1, false);
    line.setAnswer(L"Aufl\u00F6sung wurde angepasst");
}

void D3DInterface::consoleSetFullscreen(TypedConsoleCommand& line)
{
    if (m_initParams) {
        const D3DDISPLAYMODE current = *m_initParams->getDisplayMode();
        setDisplayMode(&current, line.getParamBool(0) ? 1 : 0, false);
    }
    line.setAnswer(L"Vollbildmodus wurde angepasst");
}

void D3DInterface::consoleSetMaxScreenSize(TypedConsoleCommand& line)
{
    if (m_initParams)
        m_initParams->setMaxRes(static_cast<uint32_t>(line.getParamInt(0)), static_cast<uint32_t>(line.getParamInt(1)));
    line.setAnswer(L"gesetzt");
}

void D3DInterface::consoleSetMinScreenSize(TypedConsoleCommand& line)
{
    if (m_initParams)
        m_initParams->setMinRes(static_cast<uint32_t>(line.getParamInt(0)), static_cast<uint32_t>(line.getParamInt(1)));
    line.setAnswer(L"gesetzt");
}

void D3DInterface::consoleAutoDegrade(TypedConsoleCommand& line)
{
    setAutoDegrade(line.getParamBool(0), line.getParamBool(1));
    line.setAnswer(L"gesetzt");
}

} // namespace Ulvo
