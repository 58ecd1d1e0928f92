#pragma once
// The deferred renderer's lights. Stand-in: the renderer proper (its buffers, frame and shadow
// maps) is built with its own Parts, embedded in the render manager; until then the engine
// keeps this one, with the active lights and the light templates (VORLAGE_LIGHTS) that the light
// attach points of scene objects copy. Each listed light holds one reference.
#include "scene/objects/LightHost.h"

#include <string>
#include <vector>

namespace Ulvo {

class DeferredLight;

class DeferredRenderer : public LightHost {
public:
    DeferredRenderer() = default;
    ~DeferredRenderer() override;
    DeferredRenderer(const DeferredRenderer&) = delete;
    DeferredRenderer& operator=(const DeferredRenderer&) = delete;

    // False for null or a light already active (the same object); names may repeat.
    bool addLight(DeferredLight* light);
    // Every entry that is this light: its stored maps released, Released and erased. True when
    // one was removed.
    bool removeLight(DeferredLight* light);
    // The first active light, or the first template, named exactly so; null when none.
    DeferredLight* getLight(const std::wstring& name) const;
    DeferredLight* getLightTemplate(const std::wstring& name) const;
    // False for null; a template that is the same object or has the same name refuses the new
    // one, or is removed first when replace is set.
    bool addLightTemplate(DeferredLight* light, bool replace);
    void removeLightTemplate(DeferredLight* light);
    // Releases every active light and template.
    void releaseLights();

    // For the lights of scene objects: a clone of the template, attached to the point; added to
    // and removed from the active lights.
    NamedObject* createAttachedLight(const std::wstring& templateName, AttachPoint* point) override;
    void activateLight(NamedObject* light) override;
    void deactivateLight(NamedObject* light) override;

    const std::vector<DeferredLight*>& getLights() const { return m_lights; }
    const std::vector<DeferredLight*>& getLightTemplates() const { return m_lightTemplates; }

private:
    std::vector<DeferredLight*> m_lights;
    std::vector<DeferredLight*> m_lightTemplates;
};

} // namespace Ulvo
