#include "scene/objects/water/WaterObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/meshes/Mesh.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"
#include "scene/objects/ObjektDrawing.h"
#include "scene/objects/SceneClock.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

using xmlwrite::numberText;
using xmlwrite::write;

namespace {

std::wstring listText(const float* values, int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += (i ? L" " : L"") + numberText(values[i]);
    return text;
}

bool finitePlane(const D3DXPLANE& plane)
{
    const float length = plane.a * plane.a + plane.b * plane.b + plane.c * plane.c;
    return std::isfinite(length) && std::isfinite(plane.d) && length > 1e-12f;
}

} // namespace

WaterObjekt::WaterObjekt(XMLNode* node, ObjektManager* owner) : MeshObjekt(node, owner)
{
    if (node)
        readWaterData(node);
    transformChanged.connect(this, &WaterObjekt::onTransformChanged);
    updatePlane();
}

WaterObjekt::WaterObjekt(const WaterObjekt& other)
    : MeshObjekt(other)
    , m_time(other.m_time)
    , m_fresnelFaktor(other.m_fresnelFaktor)
    , m_waterColor(other.m_waterColor)
    , m_fogColor(other.m_fogColor)
    , m_waterSpeed{other.m_waterSpeed[0], other.m_waterSpeed[1]}
    , m_waterTiling{other.m_waterTiling[0], other.m_waterTiling[1]}
    , m_waveTiling{other.m_waveTiling[0], other.m_waveTiling[1]}
    , m_waveHeight{other.m_waveHeight[0], other.m_waveHeight[1]}
    , m_maxRefractDepth(other.m_maxRefractDepth)
    , m_plane(other.m_plane)
    , m_inversePlane(other.m_inversePlane)
    , m_surfaceWorld(other.m_surfaceWorld)
{
    transformChanged.connect(this, &WaterObjekt::onTransformChanged);
    updatePlane();
}

WaterObjekt::~WaterObjekt()
{
    transformChanged.disconnect(this);
}

void WaterObjekt::readWaterData(XMLNode* node)
{
    XMLNode* data = node->getNode(L"WATER_DATA");
    if (!data)
        return;
    data->readColour(L"WATER_COLOR", m_waterColor);
    data->readFloat(L"FRESNEL_FAKTOR", m_fresnelFaktor);
    data->readFloats(L"WATER_COLOR_FLOAT", std::span<float>(&m_waterColor.r, 4));
    data->readColour(L"FOG_COLOR", m_fogColor);
    data->readFloats(L"FOG_COLOR_FLOAT", std::span<float>(&m_fogColor.r, 4));
    data->readFloat(L"MAX_REFRACT_DEPTH", m_maxRefractDepth);
    data->readFloats(L"WATER_SPEED", m_waterSpeed);
    data->readFloats(L"WATER_TILING", m_waterTiling);
    data->readFloats(L"WAVE_TILING", m_waveTiling);
    data->readFloats(L"WAVE_HEIGHT", m_waveHeight);
}

bool WaterObjekt::save(XMLNode* node)
{
    if (!MeshObjekt::save(node))
        return false;
    auto* data = new XMLNode(L"WATER_DATA");
    write(data, L"FRESNEL_FAKTOR", m_fresnelFaktor);
    write(data, L"WATER_COLOR_FLOAT", listText(&m_waterColor.r, 4));
    write(data, L"FOG_COLOR_FLOAT", listText(&m_fogColor.r, 4));
    write(data, L"MAX_REFRACT_DEPTH", m_maxRefractDepth);
    write(data, L"WATER_SPEED", listText(m_waterSpeed, 2));
    write(data, L"WATER_TILING", listText(m_waterTiling, 2));
    write(data, L"WAVE_TILING", listText(m_waveTiling, 2));
    write(data, L"WAVE_HEIGHT", listText(m_waveHeight, 2));
    node->addNode(data);
    return true;
}

// ------------------------------------------------------------------ planes

void WaterObjekt::onTransformChanged(RenderObjekt&)
{
    updatePlane();
}

void WaterObjekt::updatePlane()
{
    D3DXMatrixTransformation(&m_surfaceWorld, nullptr, nullptr, &m_scale, nullptr, &m_rotation, &m_position);
    const float lift = std::max(m_waveHeight[0], m_waveHeight[1]) + 0.01f;
    D3DXVECTOR3 points[3] = {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f}};
    D3DXVec3TransformCoordArray(points, sizeof(D3DXVECTOR3), points, sizeof(D3DXVECTOR3), &m_worldMatrix, 3);
    // The surface's up is a direction: the translation must not turn it.
    const D3DXVECTOR3 localUp(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 up;
    D3DXVec3TransformNormal(&up, &localUp, &m_worldMatrix);
    if (D3DXVec3LengthSq(&up) > 1e-12f)
        D3DXVec3Normalize(&up, &up);
    else
        up = localUp;
    for (D3DXVECTOR3& point : points)
        point += up * lift;
    D3DXPLANE plane, inverse;
    D3DXPlaneFromPoints(&plane, &points[0], &points[1], &points[2]);
    D3DXPlaneFromPoints(&inverse, &points[0], &points[2], &points[1]);
    if (finitePlane(plane)) {
        m_plane = plane;
        m_inversePlane = inverse;
        return;
    }
    // A surface squashed to a line or a point has no normal: mirror at the level through it.
    if (!m_planeWarned)
        mainLogger().log(100, LOG_TYPE_WARNING, L"WaterObjekt ", getName(),
                         L" has no water plane (its surface has no normal); the level plane through it is used\n");
    m_planeWarned = true;
    const float height = std::isfinite(points[0].y) ? points[0].y : 0.0f;
    m_plane = D3DXPLANE(0.0f, 1.0f, 0.0f, -height);
    m_inversePlane = D3DXPLANE(0.0f, -1.0f, 0.0f, height);
}

// ------------------------------------------------------------------ per frame

void WaterObjekt::update(Camera* camera, uint32_t value)
{
    MeshObjekt::update(camera, value);
    m_time += SceneClock::getFrameTime();
}

void WaterObjekt::selectNamedEffect(const wchar_t* name, int mode, unsigned quality)
{
    if (!name)
        BaseObjekt::selectRenderEffect(mode, quality);
    else if (m_effectBundle)
        m_effectBundle->selectEffect(name);
    if (m_effectBundle)
        m_effect = m_effectBundle->getCurrentEffect();
    m_renderMode = mode;
}

void WaterObjekt::selectRenderEffect(int mode, unsigned quality)
{
    const wchar_t* name = nullptr;
    if (mode == 0 && (quality == 2 || quality == 3))
        name = L"RenderWaterHIGH";
    else if (mode == 0 && quality == 1)
        name = L"RenderWater";
    selectNamedEffect(name, mode, quality);
}

void ReflektionObjekt::selectRenderEffect(int mode, unsigned quality)
{
    selectNamedEffect(mode == 0 && quality >= 1 && quality <= 3 ? L"RenderReflection" : nullptr, mode, quality);
}

void WaterObjekt::render(Camera* camera)
{
    renderWater(camera);
}

void WaterObjekt::renderWater(Camera* camera)
{
    ID3DXEffect* effect = drawingEffect(camera);
    if (!effect)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    const bool material = m_renderMode == 0 || m_renderMode == 4 || m_renderMode == 9;
    const bool bump = material || m_renderMode == 8 || m_renderMode == 6;

    ObjektDrawing::setWorldMatrices(effect, m_surfaceWorld, camera);
    effect->SetMatrix("g_ViewInv", &camera->getViewInverseMatrix());
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    ObjektDrawing::setFarDistance(effect, *this);
    if (bump) {
        effect->SetTexture("g_BumpTextur", m_bumpTexture ? m_bumpTexture->getBaseTexture() : nullptr);
        effect->SetFloat("g_Bump", m_bumpTexture ? m_amounts.bump : 0.0f);
    }
    effect->SetValue("g_tiling_wave", m_waveTiling, sizeof(m_waveTiling));
    effect->SetValue("g_height_wave", m_waveHeight, sizeof(m_waveHeight));
    if (material) {
        effect->SetValue("g_geschwindigkeit", m_waterSpeed, sizeof(m_waterSpeed));
        effect->SetValue("g_tiling", m_waterTiling, sizeof(m_waterTiling));
        effect->SetFloat("g_SpecExpon", m_amounts.specularPower);
        effect->SetFloat("g_Ks", m_amounts.specular);
        effect->SetFloat("g_FresnelFaktor", m_fresnelFaktor);
        effect->SetFloat("g_Emissive", 0.0f);
        effect->SetValue("g_WaterColor", &m_waterColor, sizeof(float) * 4);
        effect->SetValue("g_WaterFogColor", &m_fogColor, sizeof(float) * 4);
    }
    effect->SetFloat("g_time", static_cast<float>(m_time));
    ObjektDrawing::bindBuffers(device, m_mesh, m_mesh->getVertexBuffer(), m_mesh->getStride(), m_mesh->getIndexBuffer(),
                               m_mesh->getVertexDeclaration());
    for (const D3DXATTRIBUTERANGE& range : m_mesh->getAttributeRanges()) {
        effect->CommitChanges();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount, range.FaceStart * 3,
                                     range.FaceCount);
    }
}

// ------------------------------------------------------------------ ice

IceObjekt::IceObjekt(XMLNode* node, ObjektManager* owner) : WaterObjekt(node, owner)
{
    XMLNode* data = node ? node->getNode(L"ICE_DATA") : nullptr;
    if (!data)
        return;
    data->readFloat(L"MAX_REFRACT_DEPTH", m_maxRefractDepth);
    data->readFloats(L"LERPS", m_colorLerp);
    std::wstring name;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (data->readString(L"SURFACE_TEXTURE", name) && textures)
        m_surfaceTexture = textures->getTexture2D(name);
}

bool IceObjekt::save(XMLNode* node)
{
    if (!WaterObjekt::save(node))
        return false;
    auto* data = new XMLNode(L"ICE_DATA");
    write(data, L"MAX_REFRACT_DEPTH", m_maxRefractDepth);
    write(data, L"LERPS", listText(m_colorLerp, 3));
    if (m_surfaceTexture)
        write(data, L"SURFACE_TEXTURE", m_surfaceTexture->getName());
    node->addNode(data);
    return true;
}

void IceObjekt::render(Camera* camera)
{
    if (m_effect && m_effect->getEffect()) {
        ID3DXEffect* effect = m_effect->getEffect();
        effect->SetTexture("g_Textur", m_surfaceTexture ? m_surfaceTexture->getBaseTexture() : nullptr);
        effect->SetValue("g_colorlerp", m_colorLerp, sizeof(m_colorLerp));
    }
    renderWater(camera);
}

} // namespace Ulvo
