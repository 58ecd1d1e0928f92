#include "scene/objects/sun/SunObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"
#include "scene/objects/SceneClock.h"

namespace Ulvo {

using xmlwrite::numberText;
using xmlwrite::write;

SunObjekt::SunObjekt(XMLNode* node, ObjektManager* owner) : MeshObjekt(node, owner)
{
    XMLNode* data = node ? node->getNode(L"SUN_DATA") : nullptr;
    if (!data)
        return;
    data->readFloat(L"SUN_STRENGTH", m_sunStrength);
    bool isSun = true;
    if (data->readFlag(L"IS_SUN", isSun))
        m_skyType = isSun ? SKY_SUN : SKY_BACKGROUND;
    // Present at all, whatever its value, it makes a cloud layer.
    if (data->getAttribute(L"IS_CLOUD"))
        m_skyType = SKY_CLOUDS;
    data->readFloat(L"CLOUD_SPEED", m_cloudSpeed);
    std::wstring name;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (data->readString(L"CLOUD_TEXTURE", name) && textures) {
        m_cloudTexture = textures->getTextureCube(name);
        if (m_cloudTexture)
            m_cloudTexture->AddRef();
    }
    uint32_t colour = 0;
    if (data->readHex(L"CLOUD_COLOR", colour)) {
        const float scale = 0.003921568859368563f;
        m_cloudColor = D3DXCOLOR(
            static_cast<float>((colour >> 16) & 0xFF) * scale, static_cast<float>((colour >> 8) & 0xFF) * scale,
            static_cast<float>(colour & 0xFF) * scale, static_cast<float>((colour >> 24) & 0xFF) * scale);
    }
    data->readFloats(L"CLOUD_DENSITY_OFFSET", std::span<float>(&m_cloudDensityOffset.x, 2));
}

SunObjekt::SunObjekt(const SunObjekt& other)
    : MeshObjekt(other)
    , m_sunStrength(other.m_sunStrength)
    , m_skyType(other.m_skyType)
    , m_cloudTexture(other.m_cloudTexture)
    , m_cloudRotation(other.m_cloudRotation)
    , m_cloudSpeed(other.m_cloudSpeed)
    , m_cloudDensityOffset(other.m_cloudDensityOffset)
    , m_cloudColor(other.m_cloudColor)
{
    if (m_cloudTexture)
        m_cloudTexture->AddRef();
}

SunObjekt::~SunObjekt()
{
    releaseAndNull(m_cloudTexture);
}

bool SunObjekt::save(XMLNode* node)
{
    if (!MeshObjekt::save(node))
        return false;
    auto* data = new XMLNode(L"SUN_DATA");
    write(data, L"SUN_STRENGTH", m_sunStrength);
    write(data, L"IS_SUN", m_skyType == SKY_SUN);
    if (m_skyType == SKY_CLOUDS)
        write(data, L"IS_CLOUD", true);
    write(data, L"CLOUD_SPEED", m_cloudSpeed);
    if (m_cloudTexture)
        write(data, L"CLOUD_TEXTURE", m_cloudTexture->getName());
    auto* colour = new XMLAttribute(L"CLOUD_COLOR");
    colour->setHex(static_cast<int>(static_cast<DWORD>(m_cloudColor)));
    data->addAttribute(colour);
    write(data, L"CLOUD_DENSITY_OFFSET",
          numberText(m_cloudDensityOffset.x) + L" " + numberText(m_cloudDensityOffset.y));
    node->addNode(data);
    return true;
}

void SunObjekt::update(Camera* camera, uint32_t value)
{
    MeshObjekt::update(camera, value);
    m_cloudRotation += m_cloudSpeed * static_cast<float>(SceneClock::getFrameTime());
}

bool SunObjekt::bindCubeMap(ID3DXEffect* effect)
{
    // Without a sky map the dome draws black rather than with whatever map the last object bound.
    TextureCube* sky = RenderObjekt::getSkyMap();
    effect->SetTexture("g_CubeMap", sky ? sky->getBaseTexture() : nullptr);
    return sky != nullptr;
}

void SunObjekt::render(Camera* camera)
{
    if (m_effect && m_effect->getEffect()) {
        ID3DXEffect* effect = m_effect->getEffect();
        effect->SetFloat("g_SunStrength", m_sunStrength);
        effect->SetInt("g_Type", m_skyType);
        effect->SetFloat("g_cloudrotation", m_cloudRotation);
        if (m_skyType == SKY_CLOUDS) {
            effect->SetTexture("g_Clouds", m_cloudTexture ? m_cloudTexture->getBaseTexture() : nullptr);
            effect->SetValue("g_clouddensityoffset", &m_cloudDensityOffset, sizeof(float) * 2);
            effect->SetValue("g_CloudColor", &m_cloudColor, sizeof(float) * 4);
        } else if (m_skyType == SKY_BACKGROUND) {
            TextureCube* background = RenderObjekt::getBackgroundMap();
            effect->SetTexture("g_Background", background ? background->getBaseTexture() : nullptr);
        }
    }
    renderMesh(camera);
}

} // namespace Ulvo
