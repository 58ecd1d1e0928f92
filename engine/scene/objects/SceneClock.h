#pragma once
// The game clock as the scene objects see it: the frame time of the current update step, in
// seconds. The engine hands down the game clock's value at start-up (the clock lives above the
// scene layer); without one the objects see steps of 0 and nothing that runs on time moves.
namespace Ulvo {

class SceneClock {
public:
    // seconds: read at every step; null stops the objects' clock.
    static void setFrameTime(const double* seconds) { s_frameTime = seconds; }
    static double getFrameTime() { return s_frameTime ? *s_frameTime : 0.0; }

private:
    static inline const double* s_frameTime = nullptr;
};

} // namespace Ulvo
