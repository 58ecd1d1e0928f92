#pragma once
// What the lights scene objects carry need of the renderer that keeps the active lights (the
// deferred renderer, a layer above): a copy of one of its template lights hung on an attach
// point, and that copy's entry into and out of its active lights. The engine hands the renderer
// down to the light attach points.
#include <string>

namespace Ulvo {

class AttachPoint;
class NamedObject;

class LightHost {
public:
    virtual ~LightHost() = default;
    // A new light copied from the template named so and attached to the point, holding one
    // reference for the caller; null without such a template.
    virtual NamedObject* createAttachedLight(const std::wstring& templateName, AttachPoint* point) = 0;
    // A light made by createAttachedLight joins the active lights (once) or leaves them.
    virtual void activateLight(NamedObject* light) = 0;
    virtual void deactivateLight(NamedObject* light) = 0;
};

} // namespace Ulvo
