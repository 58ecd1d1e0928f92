#pragma once
// An emitter definition (an EMITTER_INFO node of the particle file): where and how fast it
// emits particles and further emitters, how it moves, how long it lives and what it starts
// and plays when it ends. Base values come with the random spread a new emitter draws.
#include "threematch/particles/PartikelBewegung.h"

#include <string>
#include <vector>

namespace Ulvo {
class XMLNode;
}

namespace ThreeMatch {

struct EmitterInfo {
    explicit EmitterInfo(const Ulvo::XMLNode& node);

    std::wstring name;
    PartikelBewegung bewegung;
    float size[2] = {0.0f, 0.0f}; // emission area from the emitter's position
    double partikelProSekunde[2] = {0.0, 0.0};
    double emitterProSekunde[2] = {0.0, 0.0};
    int endAnzahl[2] = {1, 0}; // end emitters: base, spread
    std::vector<std::wstring> partikelInfos;
    std::vector<std::wstring> emitterInfos;
    std::vector<std::wstring> endEmitterInfos;
    std::vector<std::wstring> soundsOnDelete;
};

} // namespace ThreeMatch
