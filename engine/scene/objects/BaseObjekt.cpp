#include "scene/objects/BaseObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/sound/PlayingSoundCue.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/textures/TextureCube.h"
#include "render/cameras/AttachPoint.h"
#include "render/cameras/Camera.h"
#include "scene/ObjektManager.h"
#include "scene/objects/LightAttachPoint.h"
#include "scene/objects/PlayableSound.h"

#include <algorithm>
#include <cmath>
#include <crt.h>
#include <malloc.h>
#include <type_traits>

namespace Ulvo {

namespace {

constexpr float kRadiansToDegrees = 57.2957763671875f;

// Deep copies of owned named objects.
template <class T> std::vector<T*> copyAll(const std::vector<T*>& from)
{
    std::vector<T*> copies;
    copies.reserve(from.size());
    for (const T* item : from)
        copies.push_back(new T(*item));
    return copies;
}

// The heap block an object made with new takes (its most derived kind's, padding included).
template <class T> uint64_t blockBytes(const T* item)
{
    if (!item)
        return 0;
    const void* block = item;
    if constexpr (std::is_polymorphic_v<T>)
        block = dynamic_cast<const void*>(item);
    return malloc_usable_size(const_cast<void*>(block));
}

uint64_t stringBytes(const std::wstring& text)
{
    // Short strings live inside the object.
    return text.capacity() > 3 ? (text.capacity() + 1) * sizeof(wchar_t) : 0;
}

template <class T> uint64_t ownedBytes(const std::vector<T*>& items)
{
    uint64_t bytes = items.capacity() * sizeof(T*);
    for (const T* item : items)
        bytes += blockBytes(item);
    return bytes;
}

} // namespace

uint64_t BaseObjekt::heldBytes() const
{
    uint64_t bytes = blockBytes(this) + kBookkeepingBytes + stringBytes(getName());
    bytes += ownedBytes(m_attachPoints) + ownedBytes(m_extraAttachPoints) + ownedBytes(m_lights) + ownedBytes(m_sounds);
    bytes += m_ambientSounds.capacity() * sizeof(std::wstring);
    for (const std::wstring& name : m_ambientSounds)
        bytes += stringBytes(name);
    return bytes;
}

BaseObjekt::BaseObjekt(const BaseObjekt& other)
    : RenderObjekt(other)
    , m_d3d(other.m_d3d)
    , m_input(other.m_input)
    , m_owner(other.m_owner)
    , m_cameraOffset(other.m_cameraOffset)
    , m_basePosition(other.m_basePosition)
    , m_rotation(other.m_rotation)
    , m_scale(other.m_scale)
    , m_worldMatrix(other.m_worldMatrix)
    , m_worldBox(other.m_worldBox)
    , m_boundingSphere(other.m_boundingSphere)
    , m_attachPoints(copyAll(other.m_attachPoints))
    , m_extraAttachPoints(copyAll(other.m_extraAttachPoints))
    , m_lights(copyAll(other.m_lights))
    , m_autoSwitchLights(other.m_autoSwitchLights)
    , m_lightsOn(other.m_lightsOn)
    , m_lightType(other.m_lightType)
    , m_lastEye(other.m_lastEye)
    , m_effectBundle(other.m_effectBundle)
    , m_flags(other.m_flags)
    , m_renderPasses(other.m_renderPasses)
    , m_skyMap(other.m_skyMap)
    , m_useStandardEnv(other.m_useStandardEnv)
    , m_billboard(other.m_billboard)
    , m_preTransform(other.m_preTransform)
    , m_autoUpdate(other.m_autoUpdate)
    , m_maskColor(other.m_maskColor)
    , m_insertInSceneGraph(other.m_insertInSceneGraph)
    , m_instanceGroup(this)
    , m_sounds(copyAll(other.m_sounds))
    , m_ambientSounds(other.m_ambientSounds)
    , m_ambientMin(other.m_ambientMin)
    , m_ambientMax(other.m_ambientMax)
    , m_renderMode(other.m_renderMode)
{
    std::copy(std::begin(other.m_farDist), std::end(other.m_farDist), std::begin(m_farDist));
    if (m_skyMap)
        m_skyMap->AddRef();
    m_instances.rehash(8);
    m_instances.max_load_factor(4.0f);
    updateWorldMatrix();
    addInstance(const_cast<BaseObjekt*>(&other), this);
}

BaseObjekt::~BaseObjekt()
{
    releaseOwned();
    if (!m_instances.empty() && m_instanceGroup) {
        // The first clone takes over the group.
        std::vector<BaseObjekt*> clones;
        for (const auto& entry : m_instances)
            clones.push_back(entry.second);
        m_instances.clear();
        BaseObjekt* newRoot = clones.front();
        newRoot->onDeleted.disconnect(this);
        newRoot->m_instanceGroup = nullptr;
        for (std::size_t i = 1; i < clones.size(); ++i) {
            clones[i]->onDeleted.disconnect(this);
            addInstance(newRoot, clones[i]);
        }
    }
    m_instances.clear();
    releaseAndNull(m_skyMap);
}

void BaseObjekt::releaseOwned()
{
    releaseAndClear(m_attachPoints);
    releaseAndClear(m_extraAttachPoints);
    releaseAndClear(m_lights);
    releaseAndClear(m_sounds);
}

void BaseObjekt::build(int) {}

void BaseObjekt::applyVelocity(const D3DXVECTOR3&) {}

bool BaseObjekt::getIntersectionDist(const D3DXVECTOR3&, const D3DXVECTOR3&, float&)
{
    return false;
}

void BaseObjekt::renderBoundingBox(D3DCOLOR colour, bool solid)
{
    if (m_owner)
        m_owner->drawBox(getBoundingBox(), colour, solid);
}

AttachPoint* BaseObjekt::getAttachPoint(unsigned index) const
{
    return index < m_attachPoints.size() ? m_attachPoints[index] : nullptr;
}

BaseObjekt::LightAttachPoint* BaseObjekt::getLight(unsigned index) const
{
    return index < m_lights.size() ? m_lights[index] : nullptr;
}

// ------------------------------------------------------------------ transform

void BaseObjekt::updateWorldMatrix()
{
    D3DXMATRIX transform;
    D3DXMatrixTransformation(&transform, nullptr, nullptr, &m_scale, nullptr, &m_rotation, &m_position);
    D3DXMatrixMultiply(&m_worldMatrix, &m_preTransform, &transform);
    m_worldBoxDirty = true;
    m_sphereDirty = true;
    for (AttachPoint* point : m_attachPoints)
        point->setParentMatrix(m_worldMatrix);
    for (AttachPoint* point : m_extraAttachPoints)
        point->setParentMatrix(m_worldMatrix);
    for (LightAttachPoint* light : m_lights)
        light->setParentMatrix(m_worldMatrix);
}

void BaseObjekt::refuseNonFiniteTransform()
{
    const float values[] = {m_basePosition.x, m_basePosition.y, m_basePosition.z, m_scale.x,    m_scale.y,
                            m_scale.z,        m_rotation.x,     m_rotation.y,     m_rotation.z, m_rotation.w};
    if (std::all_of(std::begin(values), std::end(values), [](float v) { return std::isfinite(v); }))
        return;
    mainLogger().log(100, LOG_TYPE_WARNING, L"Ulvo::BaseObjekt: OBJEKT \"", getName(),
                     L"\" has a transform that is not a number; placed at the origin\n");
    m_basePosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    m_rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    m_position = m_basePosition + m_cameraOffset;
    updateWorldMatrix();
}

void BaseObjekt::transformUpdated(bool position, bool rotation)
{
    updateWorldMatrix();
    if (position)
        positionChanged.emit(*this, m_position);
    if (rotation)
        rotationChanged.emit(*this, m_rotation);
    transformChanged.emit(*this);
}

bool BaseObjekt::setPosition(const D3DXVECTOR3& position)
{
    const bool changed = position != m_basePosition;
    m_basePosition = position;
    m_position = m_basePosition + m_cameraOffset;
    if (changed && m_autoUpdate)
        transformUpdated(true, false);
    return changed;
}

bool BaseObjekt::setScale(const D3DXVECTOR3& scale)
{
    const bool changed = scale != m_scale;
    m_scale = scale;
    if (!changed)
        return false;
    scaleChanged.emit(*this, m_scale);
    if (m_autoUpdate) {
        updateWorldMatrix();
        transformChanged.emit(*this);
    }
    return true;
}

bool BaseObjekt::setRotation(const D3DXQUATERNION& rotation)
{
    const bool changed = rotation != m_rotation;
    m_rotation = rotation;
    if (changed && m_autoUpdate)
        transformUpdated(false, true);
    return changed;
}

bool BaseObjekt::setRotationMatrix(const D3DXMATRIX& rotation)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &rotation);
    return setRotation(q);
}

bool BaseObjekt::setRotationYawPitchRoll(const D3DXVECTOR3& degrees)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, degrees.x * kDegreesToRadians, degrees.y * kDegreesToRadians,
                                       degrees.z * kDegreesToRadians);
    return setRotation(q);
}

bool BaseObjekt::setRotationEuler(const D3DXVECTOR3& degrees)
{
    const float h = degrees.x * kDegreesToRadians * 0.5f;
    const float a = degrees.y * kDegreesToRadians * 0.5f;
    const float b = degrees.z * kDegreesToRadians * 0.5f;
    const float c1 = std::cos(h), s1 = std::sin(h), c2 = std::cos(a), s2 = std::sin(a), c3 = std::cos(b),
                s3 = std::sin(b);
    const D3DXQUATERNION q(s1 * s2 * c3 + c1 * c2 * s3, s1 * c2 * c3 + c1 * s2 * s3, c1 * s2 * c3 - s1 * c2 * s3,
                           c1 * c2 * c3 - s1 * s2 * s3);
    return setRotation(q);
}

bool BaseObjekt::setTransform(const D3DXMATRIX& transform)
{
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    if (FAILED(D3DXMatrixDecompose(&scale, &rotation, &translation, &transform)))
        return false;
    const bool position = setPosition(translation);
    const bool scaled = setScale(scale);
    const bool turned = setRotation(rotation);
    return position || scaled || turned;
}

D3DXVECTOR3 BaseObjekt::getRotationEuler() const
{
    D3DXQUATERNION q;
    D3DXQuaternionNormalize(&q, &m_rotation);
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    const float n = x * x + y * y + z * z + w * w;
    const float test = x * y + z * w;
    float heading, attitude, bank;
    if (test > 0.499f * n) {
        heading = 2.0f * std::atan2(x, w);
        attitude = D3DX_PI * 0.5f;
        bank = 0.0f;
    } else if (test < -0.499f * n) {
        heading = -2.0f * std::atan2(x, w);
        attitude = -D3DX_PI * 0.5f;
        bank = 0.0f;
    } else {
        heading = std::atan2(2.0f * y * w - 2.0f * x * z, x * x - y * y - z * z + w * w);
        attitude = std::asin(2.0f * test / n);
        bank = std::atan2(2.0f * x * w - 2.0f * y * z, -x * x + y * y - z * z + w * w);
    }
    return D3DXVECTOR3(heading, attitude, bank) * kRadiansToDegrees;
}

D3DXVECTOR3 BaseObjekt::getRotationYawPitchRoll() const
{
    D3DXQUATERNION q;
    D3DXQuaternionNormalize(&q, &m_rotation);
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    const float first = std::asin(std::clamp(m._31, -1.0f, 1.0f));
    float second = 0.0f, third;
    if (std::fabs(std::cos(first)) > 0.005f) {
        second = std::atan2(-m._32, m._33);
        third = std::atan2(-m._21, m._11);
    } else {
        third = std::atan2(m._12, m._22);
    }
    D3DXVECTOR3 degrees = D3DXVECTOR3(first, second, third) * kRadiansToDegrees;
    for (float* angle : {&degrees.x, &degrees.y, &degrees.z}) {
        if (*angle < 0.0f)
            *angle += 360.0f;
    }
    return degrees;
}

// ------------------------------------------------------------------ per frame and per camera

void BaseObjekt::turnToCamera(Camera* camera)
{
    m_preTransform = camera->getViewInverseMatrix();
    m_preTransform._41 = m_preTransform._42 = m_preTransform._43 = 0.0f;
    if (m_autoUpdate)
        updateWorldMatrix();
}

void BaseObjekt::update(Camera* camera, uint32_t)
{
    updateSounds();
    if ((m_billboard == 0 && m_moveWithCamera == 0) || !camera)
        return;
    if (m_billboard > 0)
        turnToCamera(camera);
    if (m_moveWithCamera > 0) {
        m_cameraOffset = camera->getEyePosition();
        m_position = m_basePosition + m_cameraOffset;
        if (m_autoUpdate)
            transformUpdated(true, false);
    }
}

void BaseObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    if (!camera)
        return;
    const D3DXVECTOR3 eyePosition = camera->getEyePosition();
    if (m_moveWithCamera >= 2) {
        m_cameraOffset = eye ? *eye : eyePosition;
        const D3DXVECTOR3 position = m_cameraOffset + m_basePosition;
        const bool changed = position != m_position;
        m_position = position;
        if (m_autoUpdate && changed)
            transformUpdated(true, false);
    }
    if (m_billboard >= 2)
        turnToCamera(camera);
    const D3DXVECTOR3 offset = eyePosition - m_position;
    m_cameraDistanceSq = static_cast<double>(D3DXVec3LengthSq(&offset));
    if (eye)
        return;
    m_lastEye = eyePosition;
    if (!m_farDistEnabled)
        return;
    m_visible = true;
    const AABB& box = getBoundingBox();
    if (box.isInside(eyePosition))
        return;
    D3DXVECTOR3 nearest;
    D3DXVec3Maximize(&nearest, &eyePosition, &box.getMin());
    D3DXVec3Minimize(&nearest, &nearest, &box.getMax());
    const D3DXVECTOR3 gap = eyePosition - nearest;
    if (D3DXVec3LengthSq(&gap) > m_farDist[3] * m_farDist[3])
        m_visible = false;
}

const AABB& BaseObjekt::getBoundingBox()
{
    if (m_worldBoxDirty) {
        computeWorldBox();
        m_worldBoxDirty = false;
    }
    return m_worldBox;
}

void BaseObjekt::setAlpha(float alpha)
{
    m_alpha = std::clamp(alpha, 0.0f, 1.0f);
}

void BaseObjekt::setMaskColor(const D3DXCOLOR& colour)
{
    m_maskColor = colour;
}

void BaseObjekt::setLightParams(const D3DXVECTOR3& direction, const D3DXCOLOR& diffuse, const D3DXCOLOR& ambient)
{
    ID3DXEffect* effect = m_effect ? m_effect->getEffect() : nullptr;
    if (!effect)
        return;
    effect->SetValue("g_LightDir", &direction, sizeof(float) * 3);
    effect->SetValue("g_LightDiffuse", &diffuse, sizeof(float) * 4);
    effect->SetValue("g_LightAmbient", &ambient, sizeof(float) * 4);
}

void BaseObjekt::selectRenderEffect(int mode, unsigned shadowQuality)
{
    EffectBundle* bundle = drawingBundle();
    if (!bundle)
        return;
    const wchar_t* name = nullptr;
    switch (mode) {
    case 0:
        name = L"Render";
        break;
    case 1:
        name = L"RenderDepth";
        break;
    case 2:
        name = L"RenderDepthLinear";
        break;
    case 3:
        name = L"RenderWaterDepth";
        break;
    case 4:
        name = shadowQuality == 1   ? L"RenderShadowLOW"
               : shadowQuality == 2 ? L"RenderShadowMED"
               : shadowQuality == 3 ? L"RenderShadowHIGH"
                                    : L"Render";
        break;
    case 5:
    case 9:
        name = L"Render_Deferred_3Rts";
        break;
    case 6:
        name = L"RenderNormal";
        break;
    case 7:
        name = L"RenderMask";
        break;
    case 8:
        name = L"RenderSSOA";
        break;
    case 10:
        name = L"Render_Deferred_1Rt";
        break;
    case 11:
        name = L"RenderDistance";
        break;
    default:
        return;
    }
    if (m_effect && m_effect->getName() == name)
        return;
    m_renderMode = mode;
    bundle->selectEffect(name);
    m_effect = bundle->getCurrentEffect();
}

bool BaseObjekt::isInRenderPass(const std::vector<std::wstring>& path) const
{
    return m_renderPasses.isInRenderPass(path);
}

// ------------------------------------------------------------------ scene graph and instances

void BaseObjekt::setSceneGraphNode(SceneGraphNode* node)
{
    if (m_autoSwitchLights) {
        if (!node)
            switchLightsOff();
        else if (!m_sceneGraphNode && m_lightsOn)
            switchLightsOn();
    }
    m_sceneGraphNode = node;
}

void BaseObjekt::setSceneGraph(SceneGraph* graph)
{
    m_sceneGraph = graph;
    if (!m_autoSwitchLights)
        return;
    if (!graph)
        switchLightsOff();
    else if (m_lightsOn)
        switchLightsOn();
}

bool BaseObjekt::addInstance(BaseObjekt* source, BaseObjekt* clone)
{
    if (!source || !clone)
        return false;
    BaseObjekt* root = source;
    while (root->m_instanceGroup && root->m_instanceGroup != root) {
        if (root == clone)
            return false;
        root = root->m_instanceGroup;
    }
    if (root == clone || root->m_instances.count(clone->getNumber()))
        return false;
    clone->onDeleted.connect(root, &BaseObjekt::onInstanceDeleted);
    clone->setInstanceGroup(root);
    root->m_instances.emplace(clone->getNumber(), clone);
    return true;
}

void BaseObjekt::setInstanceGroup(BaseObjekt* root)
{
    m_instanceGroup = root;
    if (!root || m_instances.empty())
        return;
    std::vector<BaseObjekt*> moving;
    for (const auto& entry : m_instances)
        moving.push_back(entry.second);
    m_instances.clear();
    for (BaseObjekt* instance : moving) {
        instance->onDeleted.disconnect(this);
        addInstance(root, instance);
    }
}

void BaseObjekt::onInstanceDeleted(NamedObject* instance)
{
    if (instance)
        m_instances.erase(instance->getNumber());
}

// ------------------------------------------------------------------ lights

void BaseObjekt::switchLightsOn()
{
    for (LightAttachPoint* light : m_lights)
        light->switchOn();
}

void BaseObjekt::switchLightsOff()
{
    for (LightAttachPoint* light : m_lights)
        light->switchOff();
}

void BaseObjekt::setLightsOn(bool on, int autoSwitch)
{
    if (autoSwitch != 0)
        m_autoSwitchLights = true;
    const bool changed = on != m_lightsOn;
    m_lightsOn = on;
    if (!changed)
        return;
    // Automatically switched lights wait until the object enters a scene graph.
    if (on && !(m_autoSwitchLights && !m_sceneGraph))
        switchLightsOn();
    else
        switchLightsOff();
}

void BaseObjekt::autoSwitchLights(double t)
{
    if (!m_autoSwitchLights || !m_sceneGraph)
        return;
    for (LightAttachPoint* light : m_lights) {
        const double on = light->getOnTime(), off = light->getOffTime();
        if (on > off) {
            // Lit from the on time across the end of the period to the off time.
            if (light->isOn() && t > off && t < on)
                light->switchOff();
            else if (!light->isOn() && (t > on || t < off))
                light->switchOn();
        } else {
            // On time before the off time: lit between the two.
            const bool lit = t > on && t < off;
            if (light->isOn() && !lit)
                light->switchOff();
            else if (!light->isOn() && lit)
                light->switchOn();
        }
    }
}

// ------------------------------------------------------------------ sounds

PlayingSoundCue* BaseObjekt::playSound(const std::wstring& name, BaseObjekt* requester)
{
    if (requester && requester != this)
        return nullptr;
    for (auto it = m_sounds.rbegin(); it != m_sounds.rend(); ++it) {
        if ((*it)->getName() == name)
            return (*it)->play(m_position, requester);
    }
    return nullptr;
}

void BaseObjekt::playRandomAmbientSounds()
{
    if (m_ambientPlayed)
        return;
    m_ambientPlayed = true;
    // A list without names has nothing to pick from.
    if (m_ambientSounds.empty())
        return;
    const int count = static_cast<int>(m_ambientMax + static_cast<double>(m_ambientMin - m_ambientMax) *
                                                          static_cast<double>(crt_rand()) / CRT_RAND_MAX);
    for (int i = 0; i < count; ++i) {
        const std::wstring& name = m_ambientSounds[static_cast<std::size_t>(crt_rand()) % m_ambientSounds.size()];
        if (PlayingSoundCue* cue = playSound(name, nullptr))
            cue->Release();
    }
}

void BaseObjekt::updateSounds()
{
    for (auto it = m_sounds.rbegin(); it != m_sounds.rend(); ++it)
        (*it)->update(m_position);
}

} // namespace Ulvo
