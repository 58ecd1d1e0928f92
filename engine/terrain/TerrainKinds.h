#pragma once
// The terrain layer's object kinds (HEIGHTMAP, CLIPMAP, STREET, TREE), added by the engine to the
// object manager's registry when it makes the managers.
#include "scene/ObjektKinds.h"

namespace Ulvo {

void registerTerrainKinds(ObjektKinds& kinds);

} // namespace Ulvo
