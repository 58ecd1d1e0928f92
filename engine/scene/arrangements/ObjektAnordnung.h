#pragma once
// Object arrangements: one OBJEKT_ANORDNUNG node of a scene file places copies of registered
// source objects (at listed places, at random in a box, along a spline, by a density field or at
// a tree object's places). Each copy is a clone of its source, registered with the manager and,
// when its source is in a scene graph, put into the engine's scene graph; the loader takes the
// returned list as is and builds nothing of it.
#include <vector>

namespace Ulvo {

class BaseObjekt;
class ObjektManager;
class XMLNode;

// The copies the arrangement node made, in the order of its placement kinds.
std::vector<BaseObjekt*> loadArrangement(ObjektManager& manager, XMLNode* node);

} // namespace Ulvo
