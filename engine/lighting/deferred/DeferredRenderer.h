#pragma once
// The deferred renderer. Stand-in: the renderer proper (its G-buffer, light passes, shadow maps and
// compose) comes with its own Parts; until then it answers the render manager as a deferred stage
// that cannot make its buffers, so deferred rendering stays off whatever RP_DEF says, and it keeps
// the active lights and the light templates (VORLAGE_LIGHTS) that the light attach points of scene
// objects copy. Each listed light holds one reference. The render manager owns it; the engine
// hands it to the light attach points. It follows the manager's settings: the deferred switch
// (RP_DEF) and the shadow quality, which it hands to every light it lists.
#include "foundation/sigslot.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/RenderSettings.h"
#include "scene/objects/LightHost.h"

#include <d3d9.h>

#include <string>
#include <vector>

namespace Ulvo {

class DeferredLight;

class DeferredRenderer : public sigslot::has_slots<>, public LightHost, public DeferredStage {
public:
    // settings: the render manager's (null: deferred not allowed, shadow quality high).
    explicit DeferredRenderer(RenderSettings* settings = nullptr);
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

    // The deferred stage.
    bool isEnabled() const override { return m_enabled; }
    // Switching on needs buffers this build does not make: it stays off, after a log line.
    bool setEnabled(bool enabled) override;
    bool isDeferredAllowed() const { return m_settings && m_settings->isDeferredAllowed(); }
    MyQuality getShadowQuality() const { return m_settings ? m_settings->getShadowQuality() : QUALITY_HIGH; }
    void setSceneGraph(SceneGraph* sceneGraph) override { m_sceneGraph = sceneGraph; }
    void setHDRMode(uint32_t bits) override { m_hdrMode = bits; }
    void setForwardTexture(IDirect3DTexture9* texture) override { m_forwardTexture = texture; }
    void render(Camera& camera) override;
    bool getResult(IDirect3DTexture9*& texture, IDirect3DSurface9*& surface) override;
    // The section is the renderer proper's; logged and left alone.
    void loadConfig(XMLNode& node) override;
    bool saveBuffers(const std::wstring& folder) override;
    void setBlurLights(bool blur) override { m_blurLights = blur; }
    bool addPointLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position, float radius,
                       float intensity) override;
    bool addDirectionalLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& direction,
                             float intensity) override;
    bool addSpotLight(const std::wstring& name, const D3DXCOLOR& colour, const D3DXVECTOR3& position,
                      const D3DXVECTOR3& direction, float radius, float theta, float intensity) override;
    bool removeLightByName(const std::wstring& name) override;
    // The G-buffer's colour, normal, depth and misc textures; false while there is none.
    bool getBufferTextures(IDirect3DTexture9* textures[4]) const;
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }
    uint32_t getHDRMode() const { return m_hdrMode; }
    bool getBlurLights() const { return m_blurLights; }

    const std::vector<DeferredLight*>& getLights() const { return m_lights; }
    const std::vector<DeferredLight*>& getLightTemplates() const { return m_lightTemplates; }

private:
    // Offers a new light to the active lights and drops the maker's reference.
    bool adopt(DeferredLight* light);
    // A new shadow quality reaches every listed light.
    void onSettingChanged(RenderSetting kind, uint32_t old, uint32_t now);

    RenderSettings* m_settings;

    bool m_enabled = false;
    bool m_blurLights = false;
    uint32_t m_hdrMode = 0;
    IDirect3DTexture9* m_forwardTexture = nullptr;
    SceneGraph* m_sceneGraph = nullptr;
    std::vector<DeferredLight*> m_lights;
    std::vector<DeferredLight*> m_lightTemplates;
};

} // namespace Ulvo
