#include "lighting/deferred/DeferredRenderer.h"

#include "lighting/deferred/DeferredLight.h"

#include <algorithm>

namespace Ulvo {

DeferredRenderer::~DeferredRenderer()
{
    releaseLights();
}

bool DeferredRenderer::addLight(DeferredLight* light)
{
    if (!light || std::find(m_lights.begin(), m_lights.end(), light) != m_lights.end())
        return false;
    light->AddRef();
    m_lights.push_back(light);
    return true;
}

bool DeferredRenderer::removeLight(DeferredLight* light)
{
    bool removed = false;
    for (auto it = m_lights.begin(); it != m_lights.end();) {
        if (*it == light && light) {
            light->releaseShadowMaps();
            it = m_lights.erase(it);
            light->Release();
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

DeferredLight* DeferredRenderer::getLight(const std::wstring& name) const
{
    return findNamedObject(m_lights, name);
}

DeferredLight* DeferredRenderer::getLightTemplate(const std::wstring& name) const
{
    return findNamedObject(m_lightTemplates, name);
}

bool DeferredRenderer::addLightTemplate(DeferredLight* light, bool replace)
{
    if (!light)
        return false;
    std::vector<DeferredLight*> clashing;
    for (DeferredLight* existing : m_lightTemplates) {
        if (existing == light || existing->getName() == light->getName())
            clashing.push_back(existing);
    }
    if (!clashing.empty() && !replace)
        return false;
    // The light itself may be among them: keep it alive across its own removal.
    light->AddRef();
    for (DeferredLight* existing : clashing)
        removeLightTemplate(existing);
    m_lightTemplates.push_back(light);
    return true;
}

void DeferredRenderer::removeLightTemplate(DeferredLight* light)
{
    auto found = std::find(m_lightTemplates.begin(), m_lightTemplates.end(), light);
    if (found == m_lightTemplates.end())
        return;
    m_lightTemplates.erase(found);
    light->Release();
}

NamedObject* DeferredRenderer::createAttachedLight(const std::wstring& templateName, AttachPoint* point)
{
    DeferredLight* pattern = getLightTemplate(templateName);
    if (!pattern)
        return nullptr;
    DeferredLight* light = pattern->clone();
    light->setAttachedObject(point);
    return light;
}

// Only lights this renderer made for attach points come back here.
void DeferredRenderer::activateLight(NamedObject* light)
{
    addLight(static_cast<DeferredLight*>(light));
}

void DeferredRenderer::deactivateLight(NamedObject* light)
{
    removeLight(static_cast<DeferredLight*>(light));
}

void DeferredRenderer::releaseLights()
{
    std::vector<DeferredLight*> lights, templates;
    lights.swap(m_lights);
    templates.swap(m_lightTemplates);
    for (DeferredLight* light : lights)
        light->Release();
    for (DeferredLight* light : templates)
        light->Release();
}

} // namespace Ulvo
