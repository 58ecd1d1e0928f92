#pragma once
// Closing an audio output waits for its thread, which first lets the output drain (two of its
// buffers: about 46 ms for the intro's sound), and the program has its start to go on with.
// So a closing runs beside the program, and whatever opens an audio output next waits for the
// closings begun before (SDL's audio start and stop are not made for two threads at once).
#include <functional>

namespace PlatformInternal {

// Runs `close` on a thread of its own, after any closing begun before has ended. `then` runs on
// the next thread that waits, before it opens audio: what must not run beside the program's own
// start-up calls (ending a subsystem changes counts that other subsystems' starts change too).
void closeAudioBeside(std::function<void()> close, std::function<void()> then = nullptr);
// Returns once every closing begun before has ended and its `then` has run. Call it before
// opening audio.
void waitForAudioClosings();

} // namespace PlatformInternal
