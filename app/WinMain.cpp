// Start-up of the foundation: log files, main archive, search order and save folder.
#include <windows.h>

#include "foundation/AppInfo.h"
#include "foundation/GOBFile.h"
#include "foundation/GOBManager.h"
#include "foundation/Logger.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace Ulvo;
    openAllLogFiles();
    mainLogger().setPriority(25, 7);

    GOBManager& archives = *GOBManager::getInstance();
    archives.addGOBFile(new GOBFile(L"BASEGOB", L"Lumaro.gob", 0));
    archives.createDefaultOrder(0);

    AppInfo& info = *AppInfo::getInstance();
    info.setSavePathKind(1);
    info.createSaveFolder();

    moduleLogger(LogModule::Engine).log(
        50, LOG_TYPE_INFO, L"WinMain " + info.getProductName() + L" save folder " + info.expandSavePath() + L"\n");
    flushAllLogFiles();
    return 0;
}
