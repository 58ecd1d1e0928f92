// The object description of every scene object: its XML constructor and writer (TYPE, BASE_DATA
// with transform, drawing settings, render passes, lights and attach points, then TEXTURES,
// SOUNDS and AMBIENT_SOUNDS).
#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"
#include "render/cameras/AttachPoint.h"
#include "scene/objects/BaseObjekt.h"
#include "scene/objects/LightAttachPoint.h"
#include "scene/objects/PlayableSound.h"

#include <cfloat>
#include <new>

namespace Ulvo {

using xmlwrite::numberText;
using xmlwrite::write;
using xmlwrite::writeQuaternion;
using xmlwrite::writeVector;

BaseObjekt::BaseObjekt(XMLNode* node, ObjektManager* owner)
    : RenderObjekt(node)
    , m_d3d(D3DInterface::getInstance())
    , m_input(DirectInputInterface::getInstance())
    , m_owner(owner)
    , m_farDist{0.0f, 0.0f, FLT_MAX, FLT_MAX}
    , m_instanceGroup(this)
{
    D3DXMatrixIdentity(&m_worldMatrix);
    D3DXMatrixIdentity(&m_preTransform);
    m_instances.rehash(8);
    m_instances.max_load_factor(4.0f);
    m_attachPoints.push_back(new AttachPoint(L"DEFAULT"));
    if (node) {
        readBaseData(node->getNode(L"BASE_DATA"));
        readObjectNodes(node);
    }
    m_position = m_basePosition + m_cameraOffset;
    updateWorldMatrix();
    if (!m_farDistEnabled)
        m_visible = true;
}

void BaseObjekt::readBaseData(XMLNode* data)
{
    if (!data)
        return;
    // The switch, then the near pair and the far pair; three values give the far pair alone.
    std::vector<std::wstring> far;
    data->readWords(L"FAR_DIST", far);
    if (!far.empty()) {
        m_farDistEnabled = XMLProperty(far[0]).getInt() > 0;
        if (far.size() == 3) {
            m_farDist[0] = m_farDist[1] = 0.0f;
            m_farDist[2] = XMLProperty(far[1]).getFloat();
            m_farDist[3] = XMLProperty(far[2]).getFloat();
        } else {
            for (std::size_t i = 1; i < far.size() && i <= 4; ++i)
                m_farDist[i - 1] = XMLProperty(far[i]).getFloat();
        }
    }
    data->readFlag(L"TRANSPARENT", m_transparent);
    double alpha = 1.0;
    if (data->readDouble(L"ALPHA", alpha))
        m_alpha = static_cast<float>(alpha);
    data->readColour(L"MASK_COLOR", m_maskColor);
    data->readInt(L"BILLBOARD", m_billboard);
    data->readInt(L"MOVE_WITH_CAMERA", m_moveWithCamera);
    std::wstring effect;
    if (data->readString(L"EFFECT", effect))
        m_effectBundle = EffectManager::getInstance()->getEffectBundle(effect);
    data->readInt(L"PRIORITY", m_priority);
    data->readFlag(L"INSERT_IN_SCENEGRAPH", m_insertInSceneGraph);
    if (const XMLNode* passes = data->getNode(L"RENDERPASSES"))
        m_renderPasses.load(passes);
    data->readPoint(L"POSITION", m_basePosition);
    // A SCALE node gives 0 to the axes it leaves out.
    if (data->getNode(L"SCALE")) {
        m_scale = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        data->readPoint(L"SCALE", m_scale);
    }
    D3DXVECTOR3 degrees(0.0f, 0.0f, 0.0f);
    if (readAngles(data, L"ROTATION", L"YAW", L"PITCH", L"ROLL", degrees))
        D3DXQuaternionRotationYawPitchRoll(&m_rotation, degrees.x * kDegreesToRadians, degrees.y * kDegreesToRadians,
                                           degrees.z * kDegreesToRadians);
    degrees = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (readAngles(data, L"ROTATION_EULER", L"HEADING", L"ATTITUDE", L"BANK", degrees)) {
        // Through the setter's rule while nothing listens and nothing is rebuilt yet.
        const bool autoUpdate = m_autoUpdate;
        m_autoUpdate = false;
        setRotationEuler(degrees);
        m_autoUpdate = autoUpdate;
    }
    readQuaternion(data, L"ROTATION_QUAT", m_rotation);
    readLightParams(data->getNode(L"LIGHT_PARAMS"));

    const unsigned attachCount = data->getNodeCount(L"CAMERA_ATTACH");
    if (attachCount > 0) {
        for (AttachPoint* point : m_attachPoints)
            point->Release();
        m_attachPoints.clear();
        for (unsigned i = 0; i < attachCount; ++i)
            m_attachPoints.push_back(new AttachPoint(data->getNode(L"CAMERA_ATTACH", static_cast<int>(i))));
    }
}

void BaseObjekt::readLightParams(XMLNode* lights)
{
    if (!lights)
        return;
    lights->readFlag(L"LIGHTS_ON", m_lightsOn);
    lights->readFlag(L"AUTO_SWITCH_LIGHTS", m_autoSwitchLights);
    // Decimal both ways, so that a save and a load keep the value.
    lights->readInt(L"LIGHT_TYPE", m_lightType);
    const unsigned count = lights->getNodeCount(L"LIGHT_ATTACH");
    for (unsigned i = 0; i < count; ++i)
        m_lights.push_back(new LightAttachPoint(lights->getNode(L"LIGHT_ATTACH", static_cast<int>(i))));
}

void BaseObjekt::readObjectNodes(XMLNode* node)
{
    if (const XMLNode* textures = node->getNode(L"TEXTURES")) {
        std::wstring sky;
        if (textures->readString(L"TEX_SKY", sky)) {
            TextureManager* manager = m_d3d->getTextureManager();
            if (TextureCube* map = manager ? manager->getTextureCube(sky) : nullptr) {
                map->AddRef();
                m_skyMap = map;
            }
            m_useStandardEnv = false;
        } else {
            textures->readFlag(L"USE_STANDARD_ENV", m_useStandardEnv);
        }
    }
    if (const XMLNode* sounds = node->getNode(L"SOUNDS")) {
        const unsigned count = sounds->getNodeCount(L"SOUND");
        for (unsigned i = 0; i < count; ++i)
            m_sounds.push_back(new PlayableSound(sounds->getNode(L"SOUND", static_cast<int>(i))));
    }
    if (const XMLNode* ambient = node->getNode(L"AMBIENT_SOUNDS")) {
        for (const XMLProperty* value : ambient->getProperties())
            m_ambientSounds.push_back(value->getValue());
        if (ambient->readInt(L"ANZ_SOUNDS_MIN", m_ambientMin))
            m_ambientMax = m_ambientMin;
        ambient->readInt(L"ANZ_SOUNDS_MAX", m_ambientMax);
    }
}

bool BaseObjekt::save(XMLNode* node)
{
    if (!node || !NamedObject::save(node))
        return false;
    write(node, L"TYPE", L"");
    writeBaseData(node);
    writeObjectNodes(node);
    return true;
}

void BaseObjekt::writeBaseData(XMLNode* node)
{
    auto* data = new XMLNode(L"BASE_DATA");
    std::wstring far = m_farDistEnabled ? L"1" : L"0";
    for (float value : m_farDist)
        far += L" " + numberText(value);
    write(data, L"FAR_DIST", far);
    write(data, L"TRANSPARENT", m_transparent);
    write(data, L"ALPHA", m_alpha);
    auto* mask = new XMLAttribute(L"MASK_COLOR");
    mask->setHex(static_cast<int>(static_cast<DWORD>(m_maskColor)));
    data->addAttribute(mask);
    write(data, L"BILLBOARD", m_billboard);
    write(data, L"MOVE_WITH_CAMERA", m_moveWithCamera);
    write(data, L"EFFECT", m_effectBundle ? m_effectBundle->getName() : std::wstring());
    write(data, L"PRIORITY", m_priority);
    write(data, L"INSERT_IN_SCENEGRAPH", m_insertInSceneGraph);
    writeVector(data, L"POSITION", m_basePosition);
    writeVector(data, L"SCALE", m_scale);
    writeQuaternion(data, L"ROTATION_QUAT", m_rotation);
    m_renderPasses.save(data);

    auto* lights = new XMLNode(L"LIGHT_PARAMS");
    write(lights, L"LIGHTS_ON", m_lightsOn);
    write(lights, L"AUTO_SWITCH_LIGHTS", m_autoSwitchLights);
    write(lights, L"LIGHT_TYPE", m_lightType);
    for (LightAttachPoint* light : m_lights) {
        auto* entry = new XMLNode(L"LIGHT_ATTACH");
        light->save(entry);
        lights->addNode(entry);
    }
    data->addNode(lights);
    for (AttachPoint* point : m_attachPoints) {
        if (point->getName() == L"DEFAULT")
            continue;
        auto* entry = new XMLNode(L"CAMERA_ATTACH");
        point->save(entry);
        data->addNode(entry);
    }
    node->addNode(data);
}

void BaseObjekt::writeObjectNodes(XMLNode* node)
{
    auto* textures = new XMLNode(L"TEXTURES");
    if (m_skyMap)
        write(textures, L"TEX_SKY", m_skyMap->getName());
    else
        write(textures, L"USE_STANDARD_ENV", m_useStandardEnv);
    node->addNode(textures);

    auto* sounds = new XMLNode(L"SOUNDS");
    for (PlayableSound* sound : m_sounds) {
        auto* entry = new XMLNode(L"SOUND");
        sound->save(entry);
        sounds->addNode(entry);
    }
    node->addNode(sounds);

    auto* ambient = new XMLNode(L"AMBIENT_SOUNDS");
    for (const std::wstring& name : m_ambientSounds)
        ambient->addProperty(new XMLProperty(name));
    write(ambient, L"ANZ_SOUNDS_MIN", m_ambientMin);
    write(ambient, L"ANZ_SOUNDS_MAX", m_ambientMax);
    node->addNode(ambient);
}

} // namespace Ulvo
