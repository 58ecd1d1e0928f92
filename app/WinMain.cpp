// The entry function: builds the engine and the game around it in a fixed
// order, runs the main loop, tears the game down, writes the configuration back
// and returns the exit code.
#include <windows.h>
#include <objbase.h>
#include <platform_app.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/window/VideoPlayer.h"
#include "foundation/app/AppInfo.h"
#include "foundation/app/SaveFolderLock.h"
#include "engine/CommandLine.h"
#include "foundation/files/GOBFile.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "engine/UlvoEngine.h"
#include "graphics/effects/Effect.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/controller/ThreeMatchGame.h"

#include "StartFolders.h"

#include <cstdio>
#include <string>

namespace {

// The engine window's own procedure, under the one below.
WNDPROC s_engineWindowProc = nullptr;

// Set once the window was asked to close from outside the game's menus: its close button (the
// window manager's) or a signal.
bool s_closedFromOutside = false;

// A close asked from outside ends the loop as "Beenden" does, with the window left standing:
// taking it down first makes it leave full screen and wait for the window's unmapping, which
// waits up to 100 ms and more for a window manager that may not answer, and the saves would wait
// behind it. The window goes with the process once everything is saved.
LRESULT CALLBACK closeAskedFromOutside(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        s_closedFromOutside = true;
        PostQuitMessage(0);
        return 0;
    }
    return s_engineWindowProc ? s_engineWindowProc(window, message, wParam, lParam)
                              : DefWindowProcW(window, message, wParam, lParam);
}

void watchForCloseFromOutside(HWND window)
{
    if (!window)
        return;
    s_engineWindowProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&closeAskedFromOutside));
}

// The start's helper beside the main thread: the pictures' files are checked on other cores while
// this thread prepares the window and plays the intro, so the loading finds the verdicts made. The
// verdicts are kept in the cache folder beside the compiled effects, so a later start reads and
// checks only changed files. Ended (threads joined) once the game is loaded and on every way out
// of WinMain, which also lets go of the intro's libraries.
class StartHelpers {
public:
    StartHelpers() { PlatformStartImageChecksAhead(L"data", Ulvo::compiledEffectFolder + L"\\image-checks"); }
    ~StartHelpers() { end(); }
    StartHelpers(const StartHelpers&) = delete;
    StartHelpers& operator=(const StartHelpers&) = delete;
    static void end()
    {
        PlatformEndImageChecksAhead();
        PlatformLetGoOfVideoLibraries(); // waits for a closing handed off before
    }
};

int startAndRun(Ulvo::UlvoEngine* engine, const std::wstring& configPath)
{
    using namespace Ulvo;

    // No configuration yet: full screen at the best mode, 75 Hz.
    if (!engine->load(configPath))
        engine->getEngineParams().getD3DInitParams().useDefaults();
    // Whatever the file held, input runs buffered through window messages.
    ThreeMatch::ThreeMatchGame::prepareInput(engine->getEngineParams().getDInputInitParams());
    engine->getEngineParams().getD3DInitParams().setAutoDegrade(true, true);

    PlatformStartupMark("config read");
    // A failure has shown its own message box; the device start then fails.
    D3DInterface::getInstance()->createWindow();
    PlatformStartupMark("window made");
    watchForCloseFromOutside(engine->getWindow()->getHWND());
    // The intro's libraries open when it needs them, after the window loaded the GL driver (what
    // FFmpeg brought in beyond that is given back after the clip), and are held here so that
    // their closing happens beside this thread.
    PlatformOpenVideoLibrariesAhead();
    // Meanwhile another thread readies the drawing of the clip's pictures, which the first
    // picture would otherwise wait for.
    PlatformPrepareVideoPictures(engine->getWindow()->getHWND());
    PlatformWaitForVideoLibraries();
    PlatformStartupMark("video libraries open");

    // A quit from the window during the video ends with -1; an end asked from outside (a
    // signal) is an orderly quit.
    VideoPlayer intro(L"intro.wmv");
    // A full-screen start puts the window into full screen while the intro plays, so the device
    // finds it there: switching waits up to 100 ms for a window manager, and the main thread
    // only waits for the clip meanwhile.
    if (!engine->getEngineParams().getD3DInitParams().isWindowed()) {
        const HWND window = engine->getWindow()->getHWND();
        intro.setWhilePlaying([window] { PlatformEnterFullScreen(window); });
    }
    const bool quit = intro.play().quitRequested;
    // The clip has closed: its libraries go with the last holder.
    PlatformLetGoOfVideoLibraries();
    if (quit)
        return PlatformTerminationRequested() ? 0 : -1;
    PlatformStartupMark("intro over");

    if (!engine->init())
        return -1;
    PlatformStartupMark("engine started");

    DirectInputInterface::getInstance()->centerMouse();
    ThreeMatch::ThreeMatchGame game(false, true);
    // Loaded: the checkers' threads are done and their verdicts go; the intro's libraries are
    // closed.
    StartHelpers::end();
    // Closing the window while the game loads is an orderly quit: the loop has nothing to run.
    if (game.wasClosedWhileLoading())
        return 0;
    PlatformStartupMark("game loaded");
    return engine->run();
}

// The archive with entries, or the loose files the start reads first.
bool hasGameData(const Ulvo::GOBFile& archive)
{
    return !archive.getEntries().empty() || StartFolders::holdsGameData(".");
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    using namespace Ulvo;

    // On Windows the module loggers open their files before entry.
    PlatformStartupMark("entry");
    openAllLogFiles();
    Logger& log = mainLogger();
    log.setPriority(25, 7);
    log.log(100, LOG_TYPE_INFO, L"WinMain\n");
    log.incIndent();

    CoInitialize(nullptr);

    GOBManager* archives = GOBManager::getInstance();
    GOBFile* archive = new GOBFile(L"BASEGOB", L"Lumaro.gob", 0);
    archives->addGOBFile(archive);
    archives->createDefaultOrder(0);
    if (!hasGameData(*archive)) {
        // Nothing to show but a white screen: say where it was looked for and end before the
        // settings are touched.
        const std::wstring text = StartFolders::missingDataText(StartFolders::processCandidates());
        log.log(100, LOG_TYPE_ERROR, text + L"\n");
        MessageBoxW(nullptr, text.c_str(), L"Fehler!", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
        log.decIndent();
        return -1;
    }

    log.showConsole(false);
    StartHelpers helpers;

    UlvoEngine* engine = UlvoEngine::getInstance();
    useCompiledEffects = false;
    parseCommandLine(engine, commandLine ? std::string(commandLine) : std::string());

    // A display named but not reachable (a closed session): the same end as without one.
    if (!PlatformDisplayOpens()) {
        const std::wstring text = L"no display: the display could not be opened; the game would run unseen.\n";
        log.log(100, LOG_TYPE_ERROR, text);
        std::fputs("threematch: no display: the display could not be opened; the game would run unseen.\n", stderr);
        log.decIndent();
        return 1;
    }

    AppInfo* info = AppInfo::getInstance();
    info->setSavePathKind(AppInfo::SAVE_PATH_APP_DATA);
    info->createSaveFolder();
    // A second game on the same saves would write its profiles over the first one's at exit:
    // it says so and ends before it reads or writes anything there.
    SaveFolderLock saveLock;
    if (saveLock.take(info->expandSavePath()) == SaveFolderLock::IN_USE) {
        const std::wstring text = L"Das Spiel läuft bereits mit dem Speicherordner\n\"" + info->expandSavePath() +
                                  L"\".\nBitte zuerst das laufende Spiel beenden.";
        log.log(100, LOG_TYPE_ERROR, text + L"\n");
        MessageBoxW(nullptr, text.c_str(), L"Fehler!", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
        log.decIndent();
        return -1;
    }

    engine->setUserGlobals(new ThreeMatch::MyGlobals());
    engine->getWindow()->setInstance(instance);

    const std::wstring configPath = info->expandSavePath() + L"\\config.cfg";
    const int exitCode = startAndRun(engine, configPath);
    // Before the end below, which runs no destructors.
    StartHelpers::end();

    log.decIndent();
    log.log(100, LOG_TYPE_INFO, L"WinMain\t EXIT !!!\n");

    // Written on every path, also after a quit during the video or a failed start.
    engine->save(configPath);
    // Asked from outside to end (a signal, the window's close): everything is saved, and what is
    // left (window, driver, memory, a scene of a gigabyte) the system takes back faster than the
    // teardown would.
    if (PlatformTerminationRequested() || s_closedFromOutside)
        PlatformEndProcess(exitCode);
    return exitCode;
}
