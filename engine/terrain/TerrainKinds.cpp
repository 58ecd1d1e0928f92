#include "terrain/TerrainKinds.h"

#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/trees/BaumObjekt.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds)
{
    // One line per kind; each object type's own header provides its create function.
    kinds.add(L"HEIGHTMAP", &HeightMapObjekt::create);
    kinds.add(L"TREE", &BaumObjekt::create);
}

} // namespace Ulvo
