#pragma once
// The terrain layer's object kinds (HEIGHTMAP, CLIPMAP, STREET, TREE), added by the engine to the
// object manager's registry when it makes the managers.
#include "scene/ObjektKinds.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds);

// The effect bundles and picture lists of those kinds, which the manager's scene-file loader reads
// before it makes the first object of a kind.
void registerTerrainKindData(ObjektManager& manager);

} // namespace Ulvo
