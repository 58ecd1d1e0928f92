#include "lighting/deferred/DeferredRenderer.h"

#include "foundation/logging/Logger.h"
#include "lighting/deferred/DeferredLight.h"

#include <algorithm>

namespace Ulvo {

DeferredRenderer::DeferredRenderer(RenderSettings* settings) : m_settings(settings)
{
    if (m_settings)
        m_settings->changed.connect(this, &DeferredRenderer::onSettingChanged);
}

void DeferredRenderer::onSettingChanged(RenderSetting kind, uint32_t, uint32_t now)
{
    if (kind != RenderSetting::ShadowQuality)
        return;
    for (DeferredLight* light : m_lights)
        light->setShadowQuality(static_cast<MyQuality>(now));
    for (DeferredLight* light : m_lightTemplates)
        light->setShadowQuality(static_cast<MyQuality>(now));
}

DeferredRenderer::~DeferredRenderer()
{
    releaseLights();
}

bool DeferredRenderer::addLight(DeferredLight* light)
{
    if (!light || std::find(m_lights.begin(), m_lights.end(), light) != m_lights.end())
        return false;
    light->AddRef();
    light->setShadowQuality(getShadowQuality());
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
    light->setShadowQuality(getShadowQuality());
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

// ------------------------------------------------------------------ the deferred stage

bool DeferredRenderer::setEnabled(bool enabled)
{
    const bool old = m_enabled;
    if (enabled) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         isDeferredAllowed() ? L"Ulvo::DeferredRenderer::setEnabled: this build makes no deferred "
                                               L"buffers; deferred rendering stays off\n"
                                             : L"Ulvo::DeferredRenderer::setEnabled: deferred rendering is not allowed "
                                               L"(RP_DEF); it stays off\n");
    }
    m_enabled = false;
    if (old != m_enabled)
        enabledChanged.emit(m_enabled);
    return m_enabled;
}

void DeferredRenderer::render(Camera&) {}

bool DeferredRenderer::getResult(IDirect3DTexture9*&, IDirect3DSurface9*&)
{
    return false;
}

bool DeferredRenderer::getBufferTextures(IDirect3DTexture9* textures[4]) const
{
    for (int i = 0; i < 4; ++i)
        textures[i] = nullptr;
    return false;
}

void DeferredRenderer::loadConfig(XMLNode&)
{
    mainLogger().log(50, LOG_TYPE_INFO,
                     L"Ulvo::DeferredRenderer::loadConfig: DEFERRED_RENDERING is kept for the deferred renderer and "
                     L"not read yet\n");
}

bool DeferredRenderer::saveBuffers(const std::wstring&)
{
    mainLogger().log(50, LOG_TYPE_INFO, L"Ulvo::DeferredRenderer::saveBuffers: no deferred buffers to save\n");
    return false;
}

bool DeferredRenderer::adopt(DeferredLight* light)
{
    if (!light)
        return false;
    const bool added = addLight(light);
    light->Release();
    return added;
}

bool DeferredRenderer::addPointLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                                     float radius, float intensity)
{
    return adopt(DeferredLight::createPointLight(name, colour, position, radius, intensity));
}

bool DeferredRenderer::addDirectionalLight(const std::wstring& name, const D3DXCOLOR& colour,
                                           const D3DXVECTOR3& direction, float intensity)
{
    return adopt(DeferredLight::createDirectionalLight(name, colour, direction, intensity));
}

bool DeferredRenderer::addSpotLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                                    const D3DXVECTOR3& direction, float radius, float theta, float intensity)
{
    return adopt(DeferredLight::createSpotLight(name, colour, position, direction, radius, theta, intensity));
}

bool DeferredRenderer::removeLightByName(const std::wstring& name)
{
    DeferredLight* light = getLight(name);
    return light && removeLight(light);
}

} // namespace Ulvo
