// The render order of scene objects and the distance order of the console listings.
#include "render/scenegraph/SceneGraph.h"
#include "render/scenegraph/RenderObjekt.h"

#include <cmath>
#include <functional>

namespace Ulvo {

// A distance that is no number sorts as 0, so that the order stays a strict weak ordering.
double SceneGraph::renderDistanceKey(const RenderObjekt* object)
{
    const double distance = object->getCameraDistance();
    return std::isnan(distance) ? 0.0 : distance;
}

bool SceneGraph::compareRenderOrder(RenderObjekt* a, RenderObjekt* b)
{
    const uint32_t pa = a->getPriority(), pb = b->getPriority();
    if (pa != 0 && pb != 0)
        return pa < pb;
    if (pa != 0 || pb != 0)
        return pa != 0;
    const bool ta = a->isTransparent(), tb = b->isTransparent();
    if (ta != tb)
        return !ta;
    if (!ta)
        return std::less<Effect*>()(a->getEffect(), b->getEffect());
    return renderDistanceKey(a) > renderDistanceKey(b);
}

bool SceneGraph::compareCameraDistance(RenderObjekt* a, RenderObjekt* b)
{
    return renderDistanceKey(a) > renderDistanceKey(b);
}

} // namespace Ulvo
