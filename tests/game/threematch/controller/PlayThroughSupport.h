#pragma once
// The program inside the test process: started as the program entry starts it (windowed
// 1024x768 on the offscreen driver, in a private copy of the runtime folder, with the save
// folder below the test's private XDG folder), the game controller built, and the main loop
// stepped render step by render step on the virtual clock, with injected mouse and keys.
#include <windows.h>

#include "support/GoldenImage.h"

#include "GameTestSupport.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace ThreeMatch {
class Feld;
class Spielfeld;
class ThreeMatchGame;
} // namespace ThreeMatch
namespace Ulvo {
class GUIWindow;
}

namespace PlayThrough {

using TestSupport::Image;

// SDL scancodes the tests press.
enum Scancode : int {
    KEY_A = 4,
    KEY_L = 15,
    KEY_RETURN = 40,
    KEY_ESCAPE = 41,
    KEY_BACKSPACE = 42,
    KEY_F7 = 64,
};

// The working folder a game runs in: a copy of the built runtime folder, removed at the end.
// It outlives one GameHost, so a second start finds what the first one left there; a phase
// process takes over the folder of the test's process, and its save folder.
class RunFolder {
public:
    RunFolder();
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    bool m_owned = true;
};

class GameHost {
public:
    // Starts the devices (once per process), builds the controller and begins the loop. The
    // hires setting, when not negative, is written into "config.cfg" before it is read.
    explicit GameHost(const RunFolder& folder, int hires = -1);
    // Ends the loop as a quit does, destroys the controller and writes "config.cfg" back.
    ~GameHost();
    GameHost(const GameHost&) = delete;
    GameHost& operator=(const GameHost&) = delete;

    ThreeMatch::ThreeMatchGame& game() { return *m_game; }
    HWND window() const;
    bool running() const { return m_running; }
    int exitCode() const { return m_exitCode; }

    // Loop passes until `count` render steps have run (fewer when the loop ends).
    void frames(int count);
    // Render steps run so far, for measuring over a wait without adding frames to it.
    static int renders();
    // Loop passes for this much time on the virtual clock.
    void seconds(double seconds);
    // Steps until the condition holds; false when it did not within the time.
    // fastForward does the same with one render step per second (the updates keep their rate).
    bool fastForward(const std::function<bool()>& condition, double seconds);
    bool waitFor(const std::function<bool()>& condition, double seconds);
    // The loop, stepped until it ends by itself; false when it did not within the time.
    bool runToExit(double seconds);

    // The mouse, in client pixels; a click is a press and a release a few frames apart.
    void moveTo(int x, int y);
    void click(int x, int y);
    // A press at (x0, y0), the mouse moved in steps to (x1, y1), released there.
    void drag(int x0, int y0, int x1, int y1);
    // A click on the middle of the window's screen rectangle, once it is shown; false when there
    // is no such window or it was not shown within 3 s.
    bool click(const std::wstring& windowName);
    void key(int scancode);
    // Lower-case letters, digits, spaces and hyphens, one key each.
    void type(const std::string& text);

    // The back buffer as the last render step left it, each pixel the mean of divisor^2.
    Image screen(unsigned divisor = 4) const;

    static Ulvo::GUIWindow* findWindow(const std::wstring& name);
    // The window is shown on screen (visible and not faded out).
    static bool shown(const std::wstring& name);
    static std::wstring activeMenu();
    static std::filesystem::path saveFile(const std::string& name);

private:
    void pass();

    std::unique_ptr<ThreeMatch::ThreeMatchGame> m_game;
    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
    std::wstring m_configPath;
    int m_renders = 0;
    int m_exitCode = 0;
    bool m_running = false;
    bool m_ended = false;
    int m_logs = 0;
};

// What a player does, through GameHost. Each step waits for the screen it leads to and is false
// (with the reason added as a test failure) when that screen did not come.
namespace Player {
// Closes a help or introduction screen in the way, by its OK button; true when one was closed.
bool dismissPopup(GameHost& host);
// Steps until the menu is the active one, closing help and introductions on the way.
bool waitForMenu(GameHost& host, const std::wstring& menu, double seconds = 10.0);
// Fast-forwards until the condition holds, closing help and introductions on the way.
bool idleUntil(GameHost& host, const std::function<bool()>& condition, double seconds);
// From the new-profile screen: the name typed, OK, then OK on the profile list.
bool createProfile(GameHost& host, const std::string& name);
// From the town: the next story level, until it runs (after its roll-in).
bool playNextLevel(GameHost& host);
// One swap that clears a run, chosen from the board's possible moves (those near target cells
// first, or last) and made with two clicks; false when no move was possible.
bool swapClearingARun(GameHost& host, bool nearTargets = true);
// The possible move a player takes: the one whose runs clear the most targets, else the one with
// the most target cells near it (or, away from the targets, the fewest).
bool chooseMove(ThreeMatch::Spielfeld& board, ThreeMatch::Feld*& first, ThreeMatch::Feld*& second,
                bool nearTargets = true);
// Game updates of 25 ms on the virtual clock without drawing; help screens do not stop them.
void updates(ThreeMatch::ThreeMatchGame& game, int count);
// Swaps until the level is won; false when it did not end won within maxSwaps.
bool winLevel(GameHost& host, int maxSwaps);
// The screen point of a board cell, found through the controller's own mapping.
bool cellPoint(GameHost& host, int column, int row, POINT& point);
} // namespace Player

// A game runs in a process of its own: the engine starts its devices once per process, a
// restart is a new process, and the process's end is the program's end (the game's globals
// save the profiles on their way out). runPhase, in the test's process, runs the same test again
// in a new process (with the faster JIT rasteriser) where only the body of that phase runs, and is
// true when that process passed; in that process it runs the body when it is the phase asked for.
// Parts of a test outside every phase run in both processes; guard the test's own checks with
// !isPhaseProcess().
bool runPhase(const char* name, const std::function<void()>& body);
bool isPhaseProcess();

// Names for failure messages.
std::string narrow(const std::wstring& text);

// Compares with tests/game/threematch/controller/golden/<name>.png.
::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance = 6);

} // namespace PlayThrough
