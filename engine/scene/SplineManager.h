#pragma once
// The engine's splines by name, and the console command SPL_reload, which rebuilds a spline from
// the description it was made from, so a path edited in its file takes effect while the program
// runs. Splines enter through registration: scene files register their SPLINE nodes
// (addSpline), and the engine loads the start-up spline file (STARTUP_FILE) when it is there.
// A spline keeps its identity for its whole registered life: registering a name again or
// reloading changes the shape in place and emits the spline's rebuilt signal, so every holder of
// a pointer (roads, arrangements, terrain edits) follows.
#include "foundation/console/ConsoleCommandReceiver.h"

#include <string>
#include <vector>

namespace Ulvo {

class Spline;
class XMLNode;

class SplineManager : public ConsoleCommandReceiver {
public:
    // The spline file the engine reads at start-up; a missing one is no error.
    static constexpr const wchar_t* STARTUP_FILE = L"data\\Splines.xml";

    SplineManager();
    ~SplineManager() override;

    // The engine's manager, for the scene and terrain layers, which cannot reach the engine
    // object above them (arrangements, roads, terrain edits look splines up here). The engine
    // hands it down at start-up; null before and after, and in tests that set none.
    static void setEngineSplines(SplineManager* manager) { s_engineSplines = manager; }
    static SplineManager* getEngineSplines() { return s_engineSplines; }

    // The first spline named exactly so; null when there is none.
    Spline* getSpline(const std::wstring& name) const;
    const std::vector<Spline*>& getSplines() const { return m_splines; }

    // Builds a spline from a SPLINE node and registers it. When a spline of that name is
    // registered already, it takes the new shape and description and is rebuilt instead.
    // Returns the registered spline (the manager's reference), or null for a node without NAME.
    Spline* addSpline(XMLNode* node);
    // Registers a spline the caller made, taking a reference of its own; a name registered
    // already takes the given spline's shape and description (as above) and that spline is kept.
    // Returns the registered spline.
    Spline* addSpline(Spline* spline);

    // Registers every SPLINE node of a spline file (the root's children, or the root itself).
    // Returns the number registered, or -1 when the file is missing or cannot be read (logged).
    int loadFile(const std::wstring& fileName);
    // loadFile of STARTUP_FILE when it exists; a missing file is passed over quietly.
    int loadStartupFile();

    // Rebuilds the spline from its description in place (nothing without a description).
    void reload(Spline* spline);

private:
    static const ConsoleCommandEntry<SplineManager> kCommands[1];

    void consoleReload(TypedConsoleCommand& line);
    void completeSplineName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    std::vector<Spline*> m_splines; // one reference each

    static inline SplineManager* s_engineSplines = nullptr;
};

} // namespace Ulvo
