#pragma once
// Shared by the game's tests: documents from text, the engine's game clock on the virtual
// clock, and a save folder of its own for the profile file.
#include "foundation/xml/XMLNode.h"

#include <filesystem>
#include <string>

namespace GameTesting {

// The document of text; an empty node when it does not parse.
Ulvo::XMLNode parse(const std::wstring& text);

// The engine's game clock, moved by hand: every step advances the virtual clock and
// updates the engine's timer once, as one update step of the main loop does.
class VirtualGameClock {
public:
    VirtualGameClock();
    ~VirtualGameClock();
    VirtualGameClock(const VirtualGameClock&) = delete;
    VirtualGameClock& operator=(const VirtualGameClock&) = delete;

    void step(double seconds);
    void setPaused(bool paused);
};

// The program's save folder (below the test's private XDG folder), emptied of profile files
// before and after the test.
class SaveFolder {
public:
    SaveFolder();
    ~SaveFolder();
    SaveFolder(const SaveFolder&) = delete;
    SaveFolder& operator=(const SaveFolder&) = delete;

    std::filesystem::path profile() const;
    std::filesystem::path file(const std::string& name) const;

private:
    void clean() const;
    int m_oldKind;
    std::filesystem::path m_path;
};

// Runs the body with the working folder at the built runtime folder and logging off, so the
// data files load as the game loads them.
template <class Body> void inRuntimeFolder(Body body);

} // namespace GameTesting

#include "support/TestSupport.h"
#include "foundation/logging/Logger.h"

template <class Body> void GameTesting::inRuntimeFolder(Body body)
{
    const int logs = Ulvo::logSwitch();
    Ulvo::logSwitch() = 0;
    {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        body();
    }
    Ulvo::logSwitch() = logs;
}
