#include "terrain/TerrainKinds.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds)
{
    // One line per kind; each object type's own header provides its create function.
    (void)kinds;
}

} // namespace Ulvo
