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

// The scene layer's object kinds; they join here as their classes come.
void registerObjektKinds(ObjektKinds& kinds);

// The object of the node's TYPE through the owner's kinds; null, after a log line, for a TYPE no
// kind is registered for in this build (or without an owner or node).
BaseObjekt* createObjektByType(XMLNode* node, ObjektManager* owner);

} // namespace Ulvo
