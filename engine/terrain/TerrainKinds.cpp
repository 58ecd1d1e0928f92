#include "terrain/TerrainKinds.h"

#include "terrain/street/StreetObjekt.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds)
{
    // One line per kind; each object type's own header provides its create function.
    kinds.add(L"STREET", &StreetObjekt::create);
}

} // namespace Ulvo
