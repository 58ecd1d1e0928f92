#pragma once
// The light shows of "data\lichter.lch" (every LICHTERSPIEL node, then every LICHTERSPIEL_DEU
// node), owned by the game's globals, and the one running among them. The game controller
// starts a show by name, and after a won minigame hands the show "THREEMATCH_MINI_WIN" the
// big picture of the new building first; the running show is updated every frame and drawn
// by the screen's drawing until it has finished.
#include "threematch/lightshow/Lichterspiel.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class LichterspielManager {
public:
    LichterspielManager() = default;
    ~LichterspielManager();
    LichterspielManager(const LichterspielManager&) = delete;
    LichterspielManager& operator=(const LichterspielManager&) = delete;

    // Replaces the shows with those of the file; false (and no shows) when it does not read.
    bool load(const std::wstring& fileName);
    void load(const Ulvo::XMLNode& root);

    // Restarts every show of that name; the last of them runs. An unknown name stops the
    // running one.
    void start(const std::wstring& name);
    void stop() { m_running = -1; }
    // The running show, by the game clock's real frame time; a finished show stops running.
    void update();
    void advance(double realDt);
    // The running show's lights, inside a begun sprite batch.
    void render(float offsetX, float offsetY, double scale) const;

    // The first show of that name, or null.
    Lichterspiel* find(const std::wstring& name) const;
    // Null while none runs.
    Lichterspiel* getRunning() const;
    const std::vector<Lichterspiel*>& getLichterspiele() const { return m_shows; }

private:
    void clear();

    std::vector<Lichterspiel*> m_shows; // one reference each
    int m_running = -1;
};

} // namespace ThreeMatch
