#pragma once
// The scene-object kinds by TYPE word. The object manager owns the registry and fills it with the
// scene layer's kinds when it is made (registerObjektKinds); a layer above (the terrain's
// HEIGHTMAP, CLIPMAP, STREET, TREE) adds its kinds to the manager's registry at start-up.
#include "foundation/objects/KindRegistry.h"

namespace Ulvo {

class BaseObjekt;
class ObjektManager;
class XMLNode;

// A new object from its object node for the manager that will hold it; the caller owns it.
using ObjektCreator = BaseObjekt* (*)(XMLNode* node, ObjektManager* owner);
using ObjektKinds = KindRegistry<ObjektCreator>;

// The scene layer's object kinds: MESH and IMESH, ANI_MESH, WATER, ICE, REFLECTION, SUN, COORDS.
void registerObjektKinds(ObjektKinds& kinds);

// The kind a TYPE of no registered kind (or no TYPE at all) is built as.
inline constexpr const wchar_t* kFallbackObjektType = L"MESH";

// The object of the node's TYPE through the owner's kinds (compared exactly, case included);
// any other TYPE, after a log line, is built as kFallbackObjektType, and gives null only when
// that is not registered either (or without an owner or node). While the scene file's
// MAKE_CLIPMAP_2_HEIGHTMAP is on (ObjektManager::getMakeClipmapToHeightMap), "CLIPMAP" is built
// by the "HEIGHTMAP" kind.
BaseObjekt* createObjektByType(XMLNode* node, ObjektManager* owner);

// For the grid terrain's constructor: whether the factory is building it for a "CLIPMAP"
// description (true) or a "HEIGHTMAP" one (false).
bool isHeightMapFromClipmap();

} // namespace Ulvo
