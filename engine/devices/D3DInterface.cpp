#include "devices/D3DInterface.h"

#include <windows.h>

#include "devices/Window.h"
#include "foundation/Logger.h"
#include "foundation/UlvoEngine.h"

#include <cstdlib>
#include <cstring>

namespace Ulvo {

D3DInterface* D3DInterface::getInstance()
{
    static D3DInterface instance;
    return &instance;
}

bool D3DInterface::createWindow()
{
    if (!UlvoEngine::getInstance()->getWindow()->createWindow()) {
        MessageBoxW(nullptr, L"createWindow() schlug fehl", L"Fehler!", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

bool D3DInterface::init(D3DInitParams* params)
{
    FileLogger& log = moduleLogger(LogModule::RenderInterface);
    log.log(0, LOG_TYPE_INFO, L"Ulvo::D3DInterface::init\n");
    LogIndent<FileLogger> indent(log);
    m_initParams = params;
    createWindow();

    const char* forced = std::getenv("ULVO_TEST_FAIL_DEVICE");
    if (m_failInitForTest || (forced && std::strcmp(forced, "1") == 0)) {
        log.log(100, LOG_TYPE_ERROR, L"CreateDevice failed\n");
        MessageBoxW(nullptr, L"CreateDevice() schlug fehl", L"Fehler!", MB_OK | MB_ICONERROR);
        return false;
    }
    m_initialized = true;
    return true;
}

bool D3DInterface::TestCooperative()
{
    return !m_deviceLostForTest;
}

void D3DInterface::update() {}

} // namespace Ulvo
