#pragma once
// The game's random numbers: the runtime library's generator (0..32767), seeded once at
// start, so that a seed replays a game exactly.
#include <crt.h>

namespace ThreeMatch {

// rand() / 32767: 0 to 1, both ends included.
inline double randomFraction()
{
    return static_cast<double>(crt_rand()) / static_cast<double>(CRT_RAND_MAX);
}

// A base value spread around itself: base + (r - 0.5) * spread.
inline double randomSpread(double base, double spread)
{
    return base + (randomFraction() - 0.5) * spread;
}

// One of count choices (rand() modulo count); 0 when there is at most one.
inline int randomIndex(int count)
{
    return count > 1 ? crt_rand() % count : 0;
}

} // namespace ThreeMatch
