#pragma once
// The game controller. Stand-in: the class grows with the game; for now it
// takes its places on the engine's update, render and exit signals.
#include "foundation/sigslot.h"

#include <cstdint>

namespace ThreeMatch {

class ThreeMatchGame : public sigslot::has_slots<> {
public:
    ThreeMatchGame(bool first, bool second);
    ~ThreeMatchGame() override = default;
    ThreeMatchGame(const ThreeMatchGame&) = delete;
    ThreeMatchGame& operator=(const ThreeMatchGame&) = delete;

    // The game's per-frame work, after the input manager's update.
    void update();
    // The frame's drawing.
    void render();
    // The engine's loop ended with this code.
    void onEngineExit(const uint32_t& code);
};

} // namespace ThreeMatch
