#pragma once
// GPU effects. Stand-in: this grows with the effect subsystem; for now it holds
// the program-wide switch for compiled-effect files, which the entry function
// turns off at start-up.
namespace Ulvo {

// Allows reading compiled-effect files (and is required for writing them).
extern bool useCompiledEffects;

} // namespace Ulvo
