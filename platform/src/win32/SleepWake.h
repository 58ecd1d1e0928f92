#pragma once
// A way to end every Sleep at once from a signal handler, whichever thread the signal reached:
// the termination signals use it, so that the program goes on to its orderly end (and its saves)
// without first sleeping out a frame.
namespace Win32Internal {

// Makes the pipe behind it (once); false when it cannot be made (sleeps then run their time).
bool openSleepWake();
// Async-signal-safe: every Sleep ends until drainSleepWake.
void wakeSleepers();
void drainSleepWake();
// Readable while woken; -1 before openSleepWake.
int sleepWakeFd();

} // namespace Win32Internal
