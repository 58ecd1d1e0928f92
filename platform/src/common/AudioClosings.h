#pragma once
// Closing an audio output waits for its thread, which first lets the output drain (two of its
// buffers: about 46 ms for the intro's sound), and the program has its start to go on with.
// So a closing runs beside the program, and whatever opens an audio output next waits for the
// closings begun before (SDL's audio start and stop are not made for two threads at once).
#include <functional>

namespace PlatformInternal {

// Runs `close` on a thread of its own, after any closing begun before has ended.
void closeAudioBeside(std::function<void()> close);
// Returns once every closing begun before has ended. Call it before opening audio.
void waitForAudioClosings();

} // namespace PlatformInternal
