#pragma once
// One point of a path: the position reached (pixels) and the seconds it takes to get there
// from the previous point. Way-point animations, emitters and the time sparks share it.
#include <vector>

namespace ThreeMatch {

struct Wegpunkt {
    float x = 0.0f;
    float y = 0.0f;
    double dauer = 0.0;
};

using WegpunktListe = std::vector<Wegpunkt>;

} // namespace ThreeMatch
