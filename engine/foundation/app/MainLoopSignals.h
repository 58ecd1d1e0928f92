#pragma once
// The main loop's hub: the signals that carry the loop's steps and the main window's
// messages, and the loop state that lower layers follow.
//
// The engine object sits above devices, graphics and the rest, so nothing below it may
// include it. Whatever a lower layer needs of the loop lives here instead: the engine
// object's onUpdate, onRender, onExit, onWindowMessage, onActivate and onConsoleShown are
// these very signals, and the engine keeps the running and console-visible states current.
// At start-up the engine hands the hub to each service's connect step, in a fixed order;
// the main window's procedure and the keyboard state, which have no owner to hand it to
// them, use the process's hub directly. A lower layer that wants the loop to end asks
// through exitRequested.
#include <windows.h>

#include "foundation/sigslot.h"

#include <cstdint>

namespace Ulvo {

class MainLoopSignals {
public:
    // The process's hub: built on first call, before the engine that fills it, and
    // destroyed at exit after it. Building it touches nothing else.
    static MainLoopSignals& getInstance();

    // Tests build hubs of their own.
    MainLoopSignals() = default;
    MainLoopSignals(const MainLoopSignals&) = delete;
    MainLoopSignals& operator=(const MainLoopSignals&) = delete;

    // True while the main loop runs.
    bool isRunning() const { return m_running; }
    void setRunning(bool running) { m_running = running; }
    // The in-game console is shown; keys then go to it, not to the game.
    bool isConsoleVisible() const { return m_consoleVisible; }
    void setConsoleVisible(bool visible) { m_consoleVisible = visible; }

    // The exit code, once after the loop ended.
    sigslot::signal1<const uint32_t&> onExit;
    sigslot::signal0<> onUpdate;
    sigslot::signal0<> onBeforeUpdate;
    sigslot::signal0<> onAfterUpdate;
    sigslot::signal0<> onRender;
    sigslot::signal0<> onBeforeRender;
    sigslot::signal0<> onAfterRender;
    // Every message of the main window while the loop runs.
    sigslot::signal4<HWND&, UINT&, WPARAM&, LPARAM&> onWindowMessage;
    // Activation (true) and deactivation of the application.
    sigslot::signal1<const bool&> onActivate;
    // The in-game console was toggled: its new visibility.
    sigslot::signal1<const bool&> onConsoleShown;
    // A lower layer asks the loop to end with this code; the engine's exit follows it.
    sigslot::signal1<const uint32_t&> exitRequested;

private:
    bool m_running = false;
    bool m_consoleVisible = false;
};

} // namespace Ulvo
