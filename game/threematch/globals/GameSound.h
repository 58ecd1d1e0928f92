#pragma once
// The game's short sounds: a cue of the default sound bank played once in 2D. Nothing plays
// while the sound engine has no bank (tools, tests, fuzzing).
#include <string>

namespace ThreeMatch {

// Plays the cue of that name and lets the bank end it; an empty or unknown name plays nothing.
void playGameSound(const std::wstring& name);

} // namespace ThreeMatch
