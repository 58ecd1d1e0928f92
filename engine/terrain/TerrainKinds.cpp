#include "terrain/TerrainKinds.h"

#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/street/StreetObjekt.h"
#include "terrain/trees/BaumObjekt.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds)
{
    // One line per kind; each object type's own header provides its create function.
    kinds.add(L"CLIPMAP", &ClipmapObjekt::create);
    kinds.add(L"HEIGHTMAP", &HeightMapObjekt::create);
    kinds.add(L"STREET", &StreetObjekt::create);
    kinds.add(L"TREE", &BaumObjekt::create);
}

} // namespace Ulvo
