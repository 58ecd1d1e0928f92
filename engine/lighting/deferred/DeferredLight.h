#pragma once
// One light of the deferred renderer: a point, directional or spot light, or a COMBINATION that
// groups child lights. It carries colour, range, cone and intensity (faded with the camera
// distance when asked), a shadow setting per shadow-quality level (lowered with the camera
// distance when asked), and keeps the shadow maps a STATIC or TIMED light stores between renders.
// Attached to an attach point it takes its position from it and turns its direction with it.
//
// Lights are reference counted: whoever keeps one in a list holds a reference.
//
// The stored maps are scratch targets of the render manager's target pool (same-size maps of
// different lights reuse the same spare targets); a device loss drops them and marks the light
// dirty, so the next render stores new ones.
#include <d3d9.h>
#include <d3dx9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/objects/NamedObject.h"
#include "render/MyQuality.h"
#include "render/targets/RenderTargetPool.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class AttachPoint;
class XMLNode;

enum DeferredLightType : uint32_t { LIGHT_POINT = 1, LIGHT_DIR = 2, LIGHT_SPOT = 4, LIGHT_COMBINATION = 8 };
enum DeferredShadowType : uint32_t { SHADOW_NONE = 0, SHADOW_STATIC = 1, SHADOW_TIMED = 2, SHADOW_DYNAMIC = 3 };

class DeferredLight : public NamedObject, public DeviceResource {
public:
    // NAME, the defaults, then the light's attributes (TYPE, POSITION, COLOR, SHADOW_TYPE ...); a
    // COMBINATION builds its LIGHT child nodes as children.
    explicit DeferredLight(XMLNode* node);
    DeferredLight(const std::wstring& name, DeferredLightType type);
    // Every setting, children deep-copied; no attachment, no stored maps, dirty.
    DeferredLight(const DeferredLight& other);
    DeferredLight& operator=(const DeferredLight&) = delete;
    ~DeferredLight() override;

    DeferredLight* clone() const;
    // New lights holding one reference for the caller.
    static DeferredLight* createPointLight(const std::wstring& name, const D3DXCOLOR& color,
                                           const D3DXVECTOR3& position, float radius, float intensity);
    static DeferredLight* createDirectionalLight(const std::wstring& name, const D3DXCOLOR& color,
                                                 const D3DXVECTOR3& direction, float intensity);
    static DeferredLight* createSpotLight(const std::wstring& name, const D3DXCOLOR& color, const D3DXVECTOR3& position,
                                          const D3DXVECTOR3& direction, float radius, float theta, float intensity);

    // Every setting to its default (the type stays); connects the device-lost signal once.
    void setDefaults();

    DeferredLightType getType() const { return m_type; }
    D3DXVECTOR3 getWorldPosition() const;
    D3DXVECTOR3 getWorldDirection() const;
    const D3DXCOLOR& getColor() const { return m_color; }
    const D3DXCOLOR& getAmbientColor() const { return m_ambientColor; }
    float getRadius() const { return m_radius; }
    float getFalloffRadius() const { return m_falloffRadius; }
    const D3DXVECTOR2& getSpecularMultiplier() const { return m_specularMultiplier; }
    float getTheta() const { return m_theta; }
    float getIntensity() const { return m_intensity; }
    float getCurrentIntensity() const;
    bool usesCameraDistance() const { return m_shadowDegrade || m_intensityFading; }
    float getCameraDistance() const { return m_cameraDistance; }
    void updateCameraDistance(const D3DXVECTOR3& cameraPosition);
    // The per-level index after the distance steps of SHADOW_DEGRADE.
    unsigned getQualityLevel() const;
    // The engine-wide shadow quality, handed in by the renderer listing the light (high until
    // then); a new one releases the stored maps, here and in the children.
    void setShadowQuality(MyQuality quality);
    MyQuality getShadowQuality() const { return m_shadowQuality; }
    // Marks the light dirty when a TIMED light's map is older than 200 ms or a STATIC light's
    // attach point moved or turned since the last store.
    DeferredShadowType getCurrentShadowType();
    uint32_t getCurrentShadowMapSize() const;
    DeferredShadowType getShadowType(unsigned level) const { return m_shadowType[level & 3u]; }
    uint32_t getShadowMapSize(unsigned level) const { return m_shadowMapSize[level & 3u]; }
    bool needsShadowUpdate() const;
    bool isDirty() const { return m_dirty; }
    bool canUseSoftShadows() const { return m_canUseSoftShadows; }
    uint32_t getPSSMLevels() const { return m_pssmLevels; }
    float getPSSMLambda() const { return m_pssmLambda; }
    // The split count limited to at most `most` (written back to the light); the new count.
    uint32_t limitPSSMLevels(uint32_t most)
    {
        m_pssmLevels = m_pssmLevels > most ? most : m_pssmLevels;
        return m_pssmLevels;
    }

    // COMBINATION members; null for other types or past the end.
    DeferredLight* getChildLight(unsigned index) const;
    std::size_t getChildCount() const { return m_children.size(); }

    std::vector<IDirect3DTexture9*> getStaticSplitMaps() const;
    std::vector<D3DXMATRIX> getStaticSplitMatrices() const { return m_storedSplitMatrices; }
    std::vector<float> getStaticSplitPositions() const { return m_storedSplitPositions; }
    IDirect3DTexture9* getStoredSpotMap() const { return m_storedSpot ? m_storedSpot->getTexture() : nullptr; }
    IDirect3DCubeTexture9* getStoredPointMap() const
    {
        return m_storedPoint ? m_storedPoint->getCubeTexture() : nullptr;
    }
    // Copies, into targets of the pool, of the shared shadow targets the renderer drew into; a
    // failed device call returns its code and leaves the light dirty.
    HRESULT storeSpotShadowMap(RenderTargetPool& pool, IDirect3DSurface9* shared);
    HRESULT storePointShadowMap(RenderTargetPool& pool, IDirect3DCubeTexture9* shared);
    HRESULT storeSplitShadowMaps(RenderTargetPool& pool, const std::vector<IDirect3DSurface9*>& shared,
                                 const std::vector<D3DXMATRIX>& matrices, const std::vector<float>& positions);
    void releaseShadowMaps();

    // The attach point the light follows (and its children with it); null detaches.
    void setAttachedObject(AttachPoint* point);
    AttachPoint* getAttachedObject() const { return m_attachedObject; }
    void onObjectDeleted(NamedObject* object);

    // The light's values on a light effect, by parameter name; intensity clamped to 0..1 unless
    // deferred HDR is on.
    void setEffectParameters(ID3DXEffect* effect, bool hdr);

    // Device loss: the stored maps go; the next render stores new ones.
    void onLostDevice() override;

private:
    void readNode(XMLNode* node);
    void copySettings(const DeferredLight& other);
    void connectSignals();
    void releaseSplitMaps();
    // A scratch target of the pool for a stored map of the current size.
    RenderTargetHandle storedTarget(RenderTargetPool& pool, RenderTargetKind kind) const;
    // Remembers where the light stood when its maps were stored, and clears dirty.
    void markStored();

    DeferredLightType m_type = LIGHT_DIR;
    MyQuality m_shadowQuality = QUALITY_HIGH;
    D3DXVECTOR3 m_position;
    D3DXVECTOR3 m_direction;
    float m_theta;
    float m_radius;
    float m_intensity;
    D3DXCOLOR m_color;
    D3DXCOLOR m_ambientColor;
    bool m_skyLight;
    float m_falloffRadius;
    float m_falloffTheta;
    AttachPoint* m_attachedObject = nullptr;
    D3DXVECTOR3 m_lastShadowPosition;
    D3DXVECTOR3 m_lastShadowDirection;
    uint32_t m_lastShadowTick;
    DeferredShadowType m_shadowType[4];
    uint32_t m_shadowMapSize[4];
    bool m_shadowDegrade;
    float m_degradeDistance[3];
    bool m_intensityFading;
    float m_fadeStart;
    float m_fadeEnd;
    float m_cameraDistance;
    bool m_canUseSoftShadows;
    D3DXVECTOR3 m_shadowDensity;
    bool m_dirty = true;
    RenderTargetHandle m_storedSpot;
    RenderTargetHandle m_storedPoint;
    uint32_t m_pssmLevels;
    float m_pssmLambda;
    std::vector<RenderTargetHandle> m_storedSplits;
    std::vector<D3DXMATRIX> m_storedSplitMatrices;
    std::vector<float> m_storedSplitPositions;
    std::vector<DeferredLight*> m_children;
    D3DXVECTOR2 m_specularMultiplier;
};

} // namespace Ulvo
