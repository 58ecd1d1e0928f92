#include "lighting/deferred/DeferredLight.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"
#include "render/cameras/AttachPoint.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <span>

namespace Ulvo {

namespace {

constexpr uint32_t kTimedInterval = 200; // milliseconds between two renders of a TIMED map
constexpr int kMaxCombinationDepth = 16;

IDirect3DDevice9* device()
{
    return D3DInterface::getInstance()->getDevice();
}

DeferredShadowType shadowTypeFromWord(const std::wstring& word)
{
    if (word == L"DYNAMIC")
        return SHADOW_DYNAMIC;
    if (word == L"STATIC")
        return SHADOW_STATIC;
    if (word == L"TIMED")
        return SHADOW_TIMED;
    return SHADOW_NONE;
}

// One word sets all four quality levels, four (or more) set them in order; two or three words
// leave the defaults.
template <class Value, class Convert>
bool readPerLevel(const XMLNode* node, const wchar_t* key, Value (&levels)[4], Convert convert)
{
    std::vector<std::wstring> words;
    if (!node->readWords(key, words))
        return false;
    if (words.size() == 1) {
        std::fill(std::begin(levels), std::end(levels), convert(words[0]));
    } else if (words.size() >= 4) {
        for (int i = 0; i < 4; ++i)
            levels[i] = convert(words[i]);
    }
    return true;
}

} // namespace

DeferredLight::DeferredLight(XMLNode* node) : NamedObject(node)
{
    setDefaults();
    connectSignals();
    readNode(node);
}

DeferredLight::DeferredLight(const std::wstring& name, DeferredLightType type) : NamedObject(name), m_type(type)
{
    setDefaults();
    connectSignals();
}

DeferredLight::DeferredLight(const DeferredLight& other) : NamedObject(other), DeviceResource()
{
    setDefaults();
    connectSignals();
    copySettings(other);
    for (DeferredLight* child : other.m_children)
        m_children.push_back(child ? new (std::nothrow) DeferredLight(*child) : nullptr);
}

DeferredLight::~DeferredLight()
{
    releaseShadowMaps();
    releaseAndClear(m_children);
}

DeferredLight* DeferredLight::clone() const
{
    return new DeferredLight(*this);
}

DeferredLight* DeferredLight::createPointLight(const std::wstring& name, const D3DXCOLOR& color,
                                               const D3DXVECTOR3& position, float radius, float intensity)
{
    auto* light = new DeferredLight(name, LIGHT_POINT);
    light->m_color = color;
    light->m_position = position;
    light->m_radius = radius;
    light->m_intensity = intensity;
    return light;
}

DeferredLight* DeferredLight::createDirectionalLight(const std::wstring& name, const D3DXCOLOR& color,
                                                     const D3DXVECTOR3& direction, float intensity)
{
    auto* light = new DeferredLight(name, LIGHT_DIR);
    light->m_color = color;
    light->m_direction = direction;
    light->m_intensity = intensity;
    return light;
}

DeferredLight* DeferredLight::createSpotLight(const std::wstring& name, const D3DXCOLOR& color,
                                              const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float radius,
                                              float theta, float intensity)
{
    auto* light = new DeferredLight(name, LIGHT_SPOT);
    light->m_color = color;
    light->m_position = position;
    light->m_direction = direction;
    light->m_radius = radius;
    light->m_theta = theta;
    light->m_intensity = intensity;
    return light;
}

void DeferredLight::setDefaults()
{
    m_position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_direction = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    m_theta = 45.0f;
    m_radius = 1.0f;
    m_intensity = 1.0f;
    m_color = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);
    m_ambientColor = D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f);
    m_skyLight = false;
    m_falloffRadius = 1.0f;
    m_falloffTheta = 1.0f;
    m_attachedObject = nullptr;
    m_lastShadowPosition = m_lastShadowDirection = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    m_lastShadowTick = 0;
    std::fill(std::begin(m_shadowType), std::end(m_shadowType), SHADOW_NONE);
    const uint32_t sizes[4] = {0, 128, 256, 512};
    std::copy(std::begin(sizes), std::end(sizes), std::begin(m_shadowMapSize));
    m_shadowDegrade = false;
    std::fill(std::begin(m_degradeDistance), std::end(m_degradeDistance), FLT_MAX);
    m_intensityFading = false;
    m_fadeStart = m_fadeEnd = FLT_MAX;
    m_cameraDistance = 0.0f;
    m_canUseSoftShadows = true;
    m_shadowDensity = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    m_dirty = true;
    m_pssmLevels = 1;
    m_pssmLambda = 0.85f;
    m_specularMultiplier = D3DXVECTOR2(1.0f, 1.0f);
}

void DeferredLight::connectSignals()
{
    followDevice();
}

void DeferredLight::copySettings(const DeferredLight& o)
{
    m_type = o.m_type;
    m_shadowQuality = o.m_shadowQuality;
    m_position = o.m_position;
    m_direction = o.m_direction;
    m_theta = o.m_theta;
    m_radius = o.m_radius;
    m_intensity = o.m_intensity;
    m_color = o.m_color;
    m_ambientColor = o.m_ambientColor;
    m_skyLight = o.m_skyLight;
    m_falloffRadius = o.m_falloffRadius;
    m_falloffTheta = o.m_falloffTheta;
    std::copy(std::begin(o.m_shadowType), std::end(o.m_shadowType), std::begin(m_shadowType));
    std::copy(std::begin(o.m_shadowMapSize), std::end(o.m_shadowMapSize), std::begin(m_shadowMapSize));
    m_shadowDegrade = o.m_shadowDegrade;
    std::copy(std::begin(o.m_degradeDistance), std::end(o.m_degradeDistance), std::begin(m_degradeDistance));
    m_intensityFading = o.m_intensityFading;
    m_fadeStart = o.m_fadeStart;
    m_fadeEnd = o.m_fadeEnd;
    m_cameraDistance = o.m_cameraDistance;
    m_canUseSoftShadows = o.m_canUseSoftShadows;
    m_shadowDensity = o.m_shadowDensity;
    m_pssmLevels = o.m_pssmLevels;
    m_pssmLambda = o.m_pssmLambda;
    m_specularMultiplier = o.m_specularMultiplier;
}

void DeferredLight::readNode(XMLNode* node)
{
    if (!node)
        return;
    if (const XMLAttribute* type = node->getAttribute(L"TYPE")) {
        const std::wstring& word = type->getValue();
        m_type = word == L"POINT"         ? LIGHT_POINT
                 : word == L"SPOT"        ? LIGHT_SPOT
                 : word == L"COMBINATION" ? LIGHT_COMBINATION
                                          : LIGHT_DIR;
    }
    if (m_type == LIGHT_COMBINATION) {
        // Combinations of combinations go a few levels deep; a file nested deeper is cut there.
        static int depth = 0;
        const unsigned count = node->getNodeCount(L"LIGHT");
        if (depth >= kMaxCombinationDepth && count > 0) {
            mainLogger().log(100, LOG_TYPE_ERROR,
                             L" Ulvo::DeferredLight::DeferredLight: \"" + getName() +
                                 L"\" combines lights nested too deep; its LIGHT nodes are ignored\n");
        } else {
            ++depth;
            for (unsigned i = 0; i < count; ++i)
                m_children.push_back(new (std::nothrow) DeferredLight(node->getNode(L"LIGHT", static_cast<int>(i))));
            --depth;
        }
    }
    node->readFloats(L"POSITION", std::span<float>(&m_position.x, 3));
    node->readFloats(L"DIRECTION", std::span<float>(&m_direction.x, 3));
    if (readPerLevel(node, L"SHADOW_TYPE", m_shadowType, shadowTypeFromWord))
        m_dirty = true;
    node->readFloats(L"SHADOW_DENSITY", std::span<float>(&m_shadowDensity.x, 3));

    std::vector<std::wstring> degrade;
    node->readWords(L"SHADOW_DEGRADE", degrade);
    if (!degrade.empty()) {
        m_shadowDegrade = XMLProperty(degrade[0]).getInt() != 0;
        for (std::size_t i = 1; i < degrade.size() && i <= 3; ++i)
            m_degradeDistance[i - 1] = XMLProperty(degrade[i]).getFloat();
    }
    std::vector<std::wstring> fading;
    node->readWords(L"INTENSITY_FADING", fading);
    if (!fading.empty()) {
        m_intensityFading = XMLProperty(fading[0]).getInt() != 0;
        if (fading.size() > 1)
            m_fadeStart = XMLProperty(fading[1]).getFloat();
        if (fading.size() > 2)
            m_fadeEnd = XMLProperty(fading[2]).getFloat();
    }
    if (readPerLevel(node, L"SHADOWMAPSIZE", m_shadowMapSize,
                     [](const std::wstring& w) { return static_cast<uint32_t>(XMLProperty(w).getInt()); }))
        m_dirty = true;
    node->readBool(L"CAN_USE_SOFTSHADOWS", m_canUseSoftShadows);
    node->readInt(L"PSSM_LEVELS", m_pssmLevels);
    node->readFloat(L"PSSM_LAMBDA", m_pssmLambda);
    node->readColour(L"COLOR", m_color);
    node->readColour(L"AMIBENT_COLOR", m_ambientColor);
    node->readFloat(L"RADIUS", m_radius);
    node->readFloat(L"FALLOFF_RADIUS", m_falloffRadius);
    node->readFloat(L"THETA", m_theta);
    node->readFloat(L"FALLOFF_THETA", m_falloffTheta);
    node->readFloat(L"INTENSITY", m_intensity);
    node->readBool(L"SKYLIGHT", m_skyLight);
    node->readPair(L"SPECULAR_MULTIPLIER", m_specularMultiplier.x, m_specularMultiplier.y);
}

// ------------------------------------------------------------------ queries

D3DXVECTOR3 DeferredLight::getWorldPosition() const
{
    return m_attachedObject ? m_attachedObject->getWorldPosition() : m_position;
}

D3DXVECTOR3 DeferredLight::getWorldDirection() const
{
    if (!m_attachedObject)
        return m_direction;
    D3DXVECTOR3 turned;
    D3DXVec3TransformCoord(&turned, &m_direction, &m_attachedObject->getWorldMatrix());
    return turned - m_attachedObject->getWorldPosition();
}

float DeferredLight::getCurrentIntensity() const
{
    if (!m_intensityFading)
        return m_intensity;
    if (m_cameraDistance > m_fadeEnd)
        return 0.0f;
    if (m_cameraDistance > m_fadeStart)
        return (m_cameraDistance - m_fadeEnd) / (m_fadeStart - m_fadeEnd) * m_intensity;
    return m_intensity;
}

unsigned DeferredLight::getQualityLevel() const
{
    const unsigned base = qualityToLevel(m_shadowQuality);
    unsigned level = base;
    if (m_shadowDegrade) {
        for (unsigned i = 0; i < 3; ++i) {
            if (m_cameraDistance > m_degradeDistance[i])
                level = base > i + 1 ? base - i - 1 : 0;
        }
    }
    return level;
}

DeferredShadowType DeferredLight::getCurrentShadowType()
{
    const DeferredShadowType type = m_shadowType[getQualityLevel()];
    if (type == SHADOW_TIMED && GetTickCount() - m_lastShadowTick > kTimedInterval)
        m_dirty = true;
    if (type == SHADOW_STATIC && m_attachedObject) {
        const D3DXVECTOR3 moved = m_attachedObject->getWorldPosition() - m_lastShadowPosition;
        const D3DXVECTOR3 turned = getWorldDirection() - m_lastShadowDirection;
        if (D3DXVec3LengthSq(&moved) > 0.1f || D3DXVec3LengthSq(&turned) > 0.001f)
            m_dirty = true;
    }
    return type;
}

uint32_t DeferredLight::getCurrentShadowMapSize() const
{
    return m_shadowMapSize[getQualityLevel()];
}

bool DeferredLight::needsShadowUpdate() const
{
    if (m_dirty)
        return true;
    return (m_type == LIGHT_POINT && !m_storedPoint) || (m_type == LIGHT_SPOT && !m_storedSpot) ||
           (m_type == LIGHT_DIR && m_storedSplits.empty());
}

void DeferredLight::updateCameraDistance(const D3DXVECTOR3& cameraPosition)
{
    if (!usesCameraDistance())
        return;
    const DeferredShadowType type = getCurrentShadowType();
    const uint32_t size = getCurrentShadowMapSize();
    const D3DXVECTOR3 offset = getWorldPosition() - cameraPosition;
    m_cameraDistance = D3DXVec3Length(&offset);
    if (getCurrentShadowType() != type || getCurrentShadowMapSize() != size)
        m_dirty = true;
    if (m_dirty)
        releaseShadowMaps();
}

DeferredLight* DeferredLight::getChildLight(unsigned index) const
{
    if (m_type != LIGHT_COMBINATION || index >= m_children.size())
        return nullptr;
    return m_children[index];
}

// ------------------------------------------------------------------ stored shadow maps

void DeferredLight::markStored()
{
    m_dirty = false;
    m_lastShadowPosition = getWorldPosition();
    m_lastShadowDirection = getWorldDirection();
    m_lastShadowTick = GetTickCount();
}

RenderTargetHandle DeferredLight::storedTarget(RenderTargetPool& pool, RenderTargetKind kind) const
{
    const UINT size = getCurrentShadowMapSize();
    return pool.acquireScratch(RenderTargetKey{L"StoredShadowMap", size, size, D3DFMT_R32F, kind});
}

HRESULT DeferredLight::storeSpotShadowMap(RenderTargetPool& pool, IDirect3DSurface9* shared)
{
    m_storedSpot.reset();
    IDirect3DDevice9* d = device();
    if (!d || !shared)
        return D3DERR_INVALIDCALL;
    RenderTargetHandle map = storedTarget(pool, RenderTargetKind::Texture);
    if (!map->isCreated()) {
        logFailedCall(mainLogger(), L"Ulvo::DeferredLight::storeSpotShadowMap", __LINE__,
                      L"pool.acquireScratch(R32F shadow map)");
        return D3DERR_INVALIDCALL;
    }
    ULVO_CHECK_RESULT(L"Ulvo::DeferredLight::storeSpotShadowMap",
                      d->StretchRect(shared, nullptr, map->getSurface(), nullptr, D3DTEXF_NONE));
    m_storedSpot = std::move(map);
    markStored();
    return D3D_OK;
}

HRESULT DeferredLight::storePointShadowMap(RenderTargetPool& pool, IDirect3DCubeTexture9* shared)
{
    m_storedPoint.reset();
    IDirect3DDevice9* d = device();
    if (!d || !shared)
        return D3DERR_INVALIDCALL;
    RenderTargetHandle map = storedTarget(pool, RenderTargetKind::Cube);
    if (!map->isCreated()) {
        logFailedCall(mainLogger(), L"Ulvo::DeferredLight::storePointShadowMap", __LINE__,
                      L"pool.acquireScratch(R32F shadow cube)");
        return D3DERR_INVALIDCALL;
    }
    for (int face = 0; face < 6; ++face) {
        IDirect3DSurface9* from = nullptr;
        if (SUCCEEDED(shared->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &from)))
            d->StretchRect(from, nullptr, map->getSurface(static_cast<unsigned>(face)), nullptr, D3DTEXF_NONE);
        releaseAndNull(from);
    }
    m_storedPoint = std::move(map);
    markStored();
    return D3D_OK;
}

HRESULT DeferredLight::storeSplitShadowMaps(RenderTargetPool& pool, const std::vector<IDirect3DSurface9*>& shared,
                                            const std::vector<D3DXMATRIX>& matrices,
                                            const std::vector<float>& positions)
{
    releaseSplitMaps();
    IDirect3DDevice9* d = device();
    if (!d)
        return D3DERR_INVALIDCALL;
    for (IDirect3DSurface9* from : shared) {
        RenderTargetHandle map = storedTarget(pool, RenderTargetKind::Texture);
        if (!map->isCreated()) {
            logFailedCall(mainLogger(), L"Ulvo::DeferredLight::storeSplitShadowMaps", __LINE__,
                          L"pool.acquireScratch(R32F shadow map)");
            return D3DERR_INVALIDCALL;
        }
        m_storedSplits.push_back(map);
        ULVO_CHECK_RESULT(L"Ulvo::DeferredLight::storeSplitShadowMaps",
                          d->StretchRect(from, nullptr, map->getSurface(), nullptr, D3DTEXF_NONE));
    }
    m_storedSplitMatrices = matrices;
    m_storedSplitPositions = positions;
    markStored();
    return D3D_OK;
}

std::vector<IDirect3DTexture9*> DeferredLight::getStaticSplitMaps() const
{
    std::vector<IDirect3DTexture9*> maps;
    for (const RenderTargetHandle& map : m_storedSplits)
        maps.push_back(map->getTexture());
    return maps;
}

void DeferredLight::releaseSplitMaps()
{
    m_storedSplits.clear();
}

void DeferredLight::releaseShadowMaps()
{
    m_storedSpot.reset();
    m_storedPoint.reset();
    releaseSplitMaps();
    m_dirty = true;
}

void DeferredLight::setShadowQuality(MyQuality quality)
{
    for (DeferredLight* child : m_children) {
        if (child)
            child->setShadowQuality(quality);
    }
    if (quality == m_shadowQuality)
        return;
    m_shadowQuality = quality;
    releaseShadowMaps();
}

void DeferredLight::onLostDevice()
{
    releaseShadowMaps();
}

// ------------------------------------------------------------------ attachment and effects

void DeferredLight::setAttachedObject(AttachPoint* point)
{
    if (m_attachedObject)
        m_attachedObject->onDeleted.disconnect(this);
    m_attachedObject = point;
    if (m_attachedObject)
        m_attachedObject->onDeleted.connect(this, &DeferredLight::onObjectDeleted);
    for (DeferredLight* child : m_children) {
        if (child)
            child->setAttachedObject(point);
    }
}

void DeferredLight::onObjectDeleted(NamedObject* object)
{
    if (object && object == static_cast<NamedObject*>(m_attachedObject))
        m_attachedObject = nullptr;
}

void DeferredLight::setEffectParameters(ID3DXEffect* effect, bool hdr)
{
    if (!effect)
        return;
    const bool positioned = m_type == LIGHT_POINT || m_type == LIGHT_SPOT;
    const bool directed = m_type == LIGHT_SPOT || m_type == LIGHT_DIR;
    const D3DXVECTOR3 position = getWorldPosition();
    const D3DXVECTOR3 direction = getWorldDirection();
    if (positioned) {
        D3DXMATRIX scaling, translation, world;
        D3DXMatrixScaling(&scaling, m_radius, m_radius, m_radius);
        D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
        world = scaling * translation;
        effect->SetMatrix("World", &world);
        effect->SetValue("lightPosition", &position, 12);
        effect->SetFloat("lightRadius", m_radius);
        effect->SetFloat("lightFalloffRadius", m_falloffRadius);
    }
    const float intensity = getCurrentIntensity();
    effect->SetFloat("lightIntensity", hdr ? intensity : std::clamp(intensity, 0.0f, 1.0f));
    effect->SetValue("lightColor", &m_color, 16);
    effect->SetValue("lightAmbientColor", &m_ambientColor, 16);
    if (directed)
        effect->SetValue("lightDirection", &direction, 12);
    if (m_type == LIGHT_SPOT) {
        effect->SetFloat("lightTheta", std::cos(m_theta * kDegreesToRadians));
        effect->SetFloat("lightFalloffTheta", m_falloffTheta);
    }
    effect->SetValue("shadowDenisty", &m_shadowDensity, 12);
    effect->SetValue("lightSpecularMulti", &m_specularMultiplier, 8);
    if (m_type == LIGHT_DIR)
        effect->SetBool("isSkyLight", m_skyLight);
}

} // namespace Ulvo
