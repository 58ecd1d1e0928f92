#pragma once
// The engine singleton: owns or reaches every engine service, starts the
// devices once, runs the message pump and the fixed-interval update and render
// steps, announces each step through signals, offers the "E_" console commands
// and drives the in-game console line from keyboard events.
//
// It sits above every subsystem (its library links them all; none of them
// includes this header). Start-up and shutdown happen here and nowhere else:
// the constructor takes the services in a fixed order and calls each one's
// connect step, which makes its connections to the main loop's hub
// (foundation/MainLoopSignals.h) or to the device; no service's constructor
// reaches another singleton. The destructor undoes those connections in
// reverse order; the services themselves, built during the engine's
// construction, are destroyed after it, in reverse order of construction.
#include <windows.h>

#include "devices/window/Window.h"
#include "foundation/xml/ConfigSection.h"
#include "foundation/console/ConsoleCommandReceiver.h"
#include "engine/EngineParams.h"
#include "foundation/app/MainLoopSignals.h"
#include "foundation/time/PerfTimer.h"
#include "foundation/text/TextManager.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

class AppInfo;
class CameraManager;
class D3DInterface;
class D3DXFontInterface;
class DirectInputInterface;
class GUISystem;
class Inputmanager;
class KeyState;
struct TypedKey;
class MeasureManager;
class ObjektManager;
class DeferredRenderer;
class RenderManager;
class SceneGraph;
class SocketSubsystem;
class SoundInterface;
class SplineManager;
class UserGlobals;

class UlvoEngine : public ConsoleCommandReceiver {
    // The hub that holds the loop's signals below; declared first, as they refer to it.
    MainLoopSignals& m_loop;

public:
    // Built on first call, destroyed at process exit.
    static UlvoEngine* getInstance();
    ~UlvoEngine() override;

    // Starts the devices and managers once; true when all of them started.
    bool init();
    // The main loop; returns the exit code (-1 when init fails or an exit was
    // requested before the loop ran).
    int run();
    // run() in its three steps, so that a test can step the loop pass by pass:
    // beginLoop is false where run() returns -1; loopPass handles one waiting
    // message or the due update and render steps and the wait after them, and is
    // false once the loop has ended; endLoop announces the exit and returns its code.
    bool beginLoop();
    bool loopPass();
    int endLoop();
    // Ends the loop after the current pass with this code.
    void exit(const uint32_t& code);

    // "config.cfg": false when the file cannot be read.
    bool load(const std::wstring& path);
    bool save(const std::wstring& path);

    // The in-game console line by key, with the modifiers the key state holds now.
    void onKey(KeyState& keys, const unsigned char& key);
    // The same as the keyboard feeds it: every key in the order typed, however slow the frame,
    // with the modifiers held when it was typed; characters come from the active layout.
    void onConsoleText(KeyState& keys, const TypedKey& typed);
    // Keeps the history within its maximum and the newest line current.
    void trimConsoleHistory();
    // Puts text into the current console line at its cursor (the object editor's picked names).
    void insertConsoleText(const std::wstring& text);
    // Each update step moves the scene objects by the game clock, seen by the active camera.
    void updateSceneObjects();

    D3DInterface* getD3DInterface() const { return m_d3dInterface; }
    DirectInputInterface* getDirectInputInterface() const { return m_directInput; }
    SoundInterface* getSoundInterface() const { return m_soundInterface; }
    PerfTimer* getPerfTimer() { return &m_perfTimer; }
    TextManager* getTextManager() { return &m_textManager; }
    UserGlobals* getUserGlobals() const { return m_userGlobals; }
    D3DXFontInterface* getFontInterface() const { return m_fontInterface; }
    ObjektManager* getObjektManager() const { return m_objektManager.get(); }
    SceneGraph* getSceneGraph() const { return m_sceneGraph.get(); }
    RenderManager* getRenderManager() const { return m_renderManager.get(); }
    SplineManager* getSplineManager() const { return m_splineManager.get(); }
    Window* getWindow() { return &m_window; }
    AppInfo* getAppInfo() const { return m_appInfo; }
    EngineParams& getEngineParams() { return m_engineParams; }

    bool isRunning() const { return m_loopState > 0; }
    bool isInitialised() const { return m_initialised; }
    bool isActive() const { return m_active; }
    bool isConsoleVisible() const { return m_loop.isConsoleVisible(); }
    bool isDebug() const { return m_debug; }
    bool isInGameConsoleEnabled() const { return m_inGameConsoleEnabled; }
    bool getShowConsole() const { return m_showConsole; }
    bool getShowConsoleFirst() const { return m_showConsoleFirst; }
    uint32_t getExitCode() const { return m_exitCode; }

    // Owned from here on; deleted with the engine.
    void setUserGlobals(UserGlobals* globals) { m_userGlobals = globals; }
    void setDebug(bool debug) { m_debug = debug; }
    void setShowConsole(bool show) { m_showConsole = show; }
    void setShowConsoleFirst(bool first) { m_showConsoleFirst = first; }
    void setInGameConsoleEnabled(bool enabled) { m_inGameConsoleEnabled = enabled; }

    // Per second.
    void setUpdateFrequency(double frequency) { m_updateInterval = 1.0 / frequency; }
    void setRenderFrequency(double frequency) { m_renderInterval = 1.0 / frequency; }
    void setFrameFrequency(double frequency) { m_frameInterval = 1.0 / frequency; }
    double getUpdateInterval() const { return m_updateInterval; }
    double getRenderInterval() const { return m_renderInterval; }
    double getFrameInterval() const { return m_frameInterval; }

    // Measured by the loop.
    double getUpdateRate() const { return m_updateRate; }
    double getUpdateDurationRate() const { return m_updateDurationRate; }
    double getRenderRate() const { return m_renderRate; }
    double getRenderDurationRate() const { return m_renderDurationRate; }
    double getFrameRate() const { return m_frameRate; }
    double getTimeBetweenUpdates() const { return m_timeBetweenUpdates; }
    double getTimeBetweenRenders() const { return m_timeBetweenRenders; }
    double getUpdateDuration() const { return m_updateDuration; }
    double getRenderDuration() const { return m_renderDuration; }
    // Time waiting to be stepped, in seconds.
    double getFrameAccumulator() const { return m_frameAccumulator; }
    double getUpdateAccumulator() const { return m_updateAccumulator; }
    double getRenderAccumulator() const { return m_renderAccumulator; }

    // Console history, oldest first; the newest line is the one being edited.
    const std::vector<TypedConsoleCommand*>& getConsoleHistory() const { return m_consoleHistory; }
    TypedConsoleCommand* getCurrentConsoleLine() const { return m_currentLine; }
    int getMaxConsoleHistory() const { return m_maxConsoleHistory; }

    // The loop's signals: those of the hub, which the layers below connect to.
    // The exit code, once after the loop ended.
    sigslot::signal1<const uint32_t&>& onExit;
    sigslot::signal0<>& onUpdate;
    sigslot::signal0<>& onBeforeUpdate;
    sigslot::signal0<>& onAfterUpdate;
    sigslot::signal0<>& onRender;
    sigslot::signal0<>& onBeforeRender;
    sigslot::signal0<>& onAfterRender;
    // Every message of the main window while the loop runs.
    sigslot::signal4<HWND&, UINT&, WPARAM&, LPARAM&>& onWindowMessage;
    // Activation (true) and deactivation of the application.
    sigslot::signal1<const bool&>& onActivate;
    // The in-game console was toggled: its new visibility.
    sigslot::signal1<const bool&>& onConsoleShown;
    // A line was edited, executed or recalled; a line is about to be deleted.
    sigslot::signal1<TypedConsoleCommand*> onConsoleLineChanged;
    sigslot::signal1<TypedConsoleCommand*> onConsoleLineRemoved;
    // A new line entered the history at this position.
    sigslot::signal2<TypedConsoleCommand*, int> onConsoleLineAdded;

private:
    UlvoEngine();
    UlvoEngine(const UlvoEngine&) = delete;
    UlvoEngine& operator=(const UlvoEngine&) = delete;

    // The "E_" commands.
    void registerConsoleCommands();
    void consoleExit(TypedConsoleCommand& line);
    void consoleMaxHistory(TypedConsoleCommand& line);
    void consoleDebug(TypedConsoleCommand& line);
    void consoleShowOutputWindow(TypedConsoleCommand& line);
    void consoleErrorPriority(TypedConsoleCommand& line);
    void consoleWarningPriority(TypedConsoleCommand& line);
    void consoleInfoPriority(TypedConsoleCommand& line);
    struct LoopClocks;
    std::unique_ptr<LoopClocks> m_loopClocks;

    // Takes the services in order and connects each.
    void startUp();
    // Undoes startUp's connections in reverse order.
    void shutDown();
    // The loop state; the hub's running state follows it.
    void setLoopState(int state);
    // Slot of onActivate once initialised.
    void setActive(const bool& active) { m_active = active; }
    // Appends an empty line and reports it.
    void addConsoleLine();
    // Console line editing of onKey for the current line.
    void editConsoleLine(const TypedKey& typed, int keyType);
    void completeConsoleLine();

    EngineParams m_engineParams;
    // Sections of "config.cfg" this build does not know, written back unchanged.
    ConfigSection m_otherConfigSections;
    std::vector<TypedConsoleCommand*> m_consoleHistory; // owned
    TypedConsoleCommand* m_currentLine = nullptr;
    int m_historyCursor = 0;

    D3DInterface* m_d3dInterface = nullptr;
    DirectInputInterface* m_directInput = nullptr;
    Inputmanager* m_inputManager = nullptr;
    SoundInterface* m_soundInterface = nullptr;
    PerfTimer m_perfTimer;
    TextManager m_textManager;
    GUISystem* m_guiSystem = nullptr;
    D3DXFontInterface* m_fontInterface = nullptr;
    std::unique_ptr<ObjektManager> m_objektManager;
    std::unique_ptr<SceneGraph> m_sceneGraph;
    std::unique_ptr<RenderManager> m_renderManager;
    // The render manager's deferred renderer, which keeps the scene objects' lights.
    DeferredRenderer* m_deferredRenderer = nullptr;
    std::unique_ptr<SplineManager> m_splineManager;
    AppInfo* m_appInfo = nullptr;
    MeasureManager* m_measureManager = nullptr;
    CameraManager* m_cameraManager = nullptr;
    Window m_window;
    SocketSubsystem* m_socketSubsystem = nullptr;
    UserGlobals* m_userGlobals = nullptr;
    uint32_t m_exitCode = 0;
    int m_loopState = 0; // 1 running, 0 told to end, -1 exit requested before the loop
    bool m_initialised = false;

    double m_updateInterval = 1.0 / 600.0;
    double m_renderInterval = 0.025;
    double m_frameInterval = 1.0 / 600.0;

    double m_updateRate = 0.0;
    double m_updateDurationRate = 0.0;
    double m_renderRate = 0.0;
    double m_renderDurationRate = 0.0;
    double m_frameRate = 0.0;
    double m_timeBetweenUpdates = 0.0;
    double m_timeBetweenRenders = 0.0;
    double m_updateDuration = 0.0;
    double m_renderDuration = 0.0;
    double m_frameAccumulator = 0.0;
    double m_updateAccumulator = 0.0;
    double m_renderAccumulator = 0.0;

    bool m_debug = false;
    bool m_inGameConsoleEnabled = false;
    bool m_showConsole = false;
    bool m_showConsoleFirst = false;
    int m_maxConsoleHistory = 10;
    bool m_active = true;
};

} // namespace Ulvo
