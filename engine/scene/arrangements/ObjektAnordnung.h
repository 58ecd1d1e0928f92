#pragma once
// Object arrangements: one OBJEKT_ANORDNUNG node of a scene file places copies of registered
// source objects (at listed places, at random in a box, along a spline, by a density field or at
// a tree object's places). Each copy is a clone of its source in the source's instance group,
// named after it, registered with the manager and, when its source is in a scene graph, put into
// that graph; the loader takes the returned list as is and builds nothing of it.
//
// Hostile descriptions stay bounded: a node asks for at most kMaxArrangementCopies copies, a
// density that never allows a place gives up after a bounded number of draws, and a spline of no
// length places nothing.
#include <vector>

namespace Ulvo {

class BaseObjekt;
class ObjektManager;
class SplineManager;
class XMLNode;

// Copies one arrangement node of one kind may ask for; more are cut with a log line.
constexpr int kMaxArrangementCopies = 4096;

// The copies the arrangement node made, in the order of its placement kinds. SPLINE
// arrangements look their spline up in the manager's spline manager (the engine's when it has
// none).
std::vector<BaseObjekt*> loadArrangement(ObjektManager& manager, XMLNode* node);
// The same with the splines of the given manager (null: SPLINE arrangements place nothing).
std::vector<BaseObjekt*> loadArrangement(ObjektManager& manager, XMLNode* node, SplineManager* splines);

} // namespace Ulvo
