#include "threematch/particles/EmitterInfo.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"

namespace ThreeMatch {

EmitterInfo::EmitterInfo(const Ulvo::XMLNode& node)
{
    node.readString(L"NAME", name);
    bewegung.read(node);
    node.readFloats(L"SIZE", size);
    readDoubles(node, L"PARTIKEL_P_SEK", partikelProSekunde);
    readDoubles(node, L"EMITTER_P_SEK", emitterProSekunde);
    node.readInts(L"PARTIKEL_EMITTER_END_ANZAHL", endAnzahl);
    node.readWords(L"PARTIKEL_INFOS", partikelInfos);
    node.readWords(L"PARTIKEL_EMITTER_INFOS", emitterInfos);
    node.readWords(L"PARTIKEL_EMITTER_END_INFOS", endEmitterInfos);
    node.readWords(L"SOUNDS_ON_DELETE", soundsOnDelete);
}

} // namespace ThreeMatch
