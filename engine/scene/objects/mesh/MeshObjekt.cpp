#include "scene/objects/mesh/MeshObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/meshes/Mesh.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "devices/d3d/PerfEvents.h"
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/LightAttachPoint.h"
#include "scene/objects/ObjektDrawing.h"

#include <d3d9.h>

bool INSTANCING = false;

namespace Ulvo {

using xmlwrite::write;

namespace {

constexpr D3DCOLOR kInstanceEventColour = 0xFF00FF00;

IDirect3DBaseTexture9* deviceTexture(Texture2D* texture)
{
    return texture ? texture->getBaseTexture() : nullptr;
}

} // namespace

MeshObjekt::MeshObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    refuseNonFiniteTransform();
    if (node)
        readMeshData(node);
    BaseObjekt::selectRenderEffect(0, 0);
}

MeshObjekt::MeshObjekt(const MeshObjekt& other)
    : BaseObjekt(other)
    , m_mesh(other.m_mesh)
    , m_sourceMesh(other.m_mesh)
    , m_amounts(other.m_amounts)
    , m_parallax{other.m_parallax[0], other.m_parallax[1]}
    , m_minSamples(other.m_minSamples)
    , m_maxSamples(other.m_maxSamples)
    , m_lodThreshold(other.m_lodThreshold)
    , m_bumpTexture(other.m_bumpTexture)
    , m_reflectionTexture(other.m_reflectionTexture)
    , m_emissive(other.m_emissive)
    , m_emissiveStored(other.m_emissiveStored)
    , m_diffuseTexture(other.m_diffuseTexture)
    , m_overrideDiffuse(other.m_overrideDiffuse)
    , m_hasBumpTexture(other.m_hasBumpTexture)
    , m_hasReflectionTexture(other.m_hasReflectionTexture)
    , m_takeEmissiveParams(other.m_takeEmissiveParams)
    , m_takeSpecularParams(other.m_takeSpecularParams)
    , m_switchEmissiveOff(other.m_switchEmissiveOff)
    , m_damage{other.m_damage[0], other.m_damage[1], other.m_damage[2]}
{
    if (m_mesh)
        m_mesh->AddRef();
}

MeshObjekt::~MeshObjekt()
{
    if (m_mesh)
        m_mesh->Release();
    m_mesh = nullptr;
}

// ------------------------------------------------------------------ description

void MeshObjekt::readMeshData(XMLNode* node)
{
    if (XMLNode* data = node->getNode(L"MESH_DATA")) {
        std::wstring name;
        MeshManager* meshes = D3DInterface::getInstance()->getMeshManager();
        if (data->readString(L"NAME", name) && meshes)
            m_mesh = meshes->getMesh(name);
        if (m_mesh)
            m_mesh->AddRef();
        else
            mainLogger().log(100, LOG_TYPE_WARNING, L"MeshObjekt ", getName(), L" has no Mesh!\n");
        m_amounts.read(*data);
        data->readFloats(L"PARALLAX_AMOUNT", m_parallax);
        int samples[2] = {m_minSamples, m_maxSamples};
        data->readInts(L"PARALLAX_SAMPLES", samples);
        m_minSamples = samples[0];
        m_maxSamples = samples[1];
        data->readInt(L"PARALLAX_LOD", m_lodThreshold);
        if (data->readFloat(L"EMISSIVE_AMOUNT", m_emissive))
            m_emissiveStored = m_emissive;
        data->readFlag(L"SWITCH_EMISSIVE_OFF", m_switchEmissiveOff);
        data->readFlag(L"OVERRIDE_DIFFUSE", m_overrideDiffuse);
        if (XMLNode* damage = data->getNode(L"DAMAGE_PARAMS")) {
            damage->readFloat(L"IMPULSE_THRESHOLD", m_damage[0]);
            damage->readFloat(L"PENETRATION_DEPTH", m_damage[1]);
            damage->readFloat(L"MAX_DEFORM_DIST", m_damage[2]);
        }
        data->readFlag(L"TAKE_EMISSIVE_PARAMS", m_takeEmissiveParams);
        data->readFlag(L"TAKE_SPECULAR_PARAMS", m_takeSpecularParams);
    }
    XMLNode* textures = node->getNode(L"TEXTURES");
    m_hasReflectionTexture = ObjektDrawing::readTexture(textures, L"TEX_REFLECTION", m_reflectionTexture);
    m_hasBumpTexture = ObjektDrawing::readTexture(textures, L"TEX_BUMP", m_bumpTexture);
    if (ObjektDrawing::readTexture(textures, L"TEX_DIFFUSE", m_diffuseTexture))
        m_overrideDiffuse = true;
}

bool MeshObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, getTypeWord());
    auto* data = new XMLNode(L"MESH_DATA");
    if (m_mesh)
        write(data, L"NAME", m_mesh->getName());
    m_amounts.write(*data);
    write(data, L"PARALLAX_LOD", m_lodThreshold);
    write(data, L"EMISSIVE_AMOUNT", m_emissive);
    write(data, L"SWITCH_EMISSIVE_OFF", m_switchEmissiveOff);
    write(data, L"OVERRIDE_DIFFUSE", m_overrideDiffuse);
    write(data, L"TAKE_EMISSIVE_PARAMS", m_takeEmissiveParams);
    write(data, L"TAKE_SPECULAR_PARAMS", m_takeSpecularParams);
    write(data, L"PARALLAX_AMOUNT", xmlwrite::numberText(m_parallax[0]) + L" " + xmlwrite::numberText(m_parallax[1]));
    write(data, L"PARALLAX_SAMPLES", std::to_wstring(m_minSamples) + L" " + std::to_wstring(m_maxSamples));
    node->addNode(data);
    ObjektDrawing::writeTexture(*node, L"TEX_REFLECTION", m_reflectionTexture);
    ObjektDrawing::writeTexture(*node, L"TEX_BUMP", m_bumpTexture);
    ObjektDrawing::writeTexture(*node, L"TEX_DIFFUSE", m_diffuseTexture);
    return true;
}

// ------------------------------------------------------------------ lights

void MeshObjekt::switchLightsOn()
{
    BaseObjekt::switchLightsOn();
    if (m_switchEmissiveOff)
        m_emissive = m_emissiveStored;
}

void MeshObjekt::switchLightsOff()
{
    BaseObjekt::switchLightsOff();
    if (m_switchEmissiveOff)
        m_emissive = 0.0f;
}

void MeshObjekt::autoSwitchLights(double t)
{
    if (!m_switchEmissiveOff) {
        BaseObjekt::autoSwitchLights(t);
        return;
    }
    // Which lights the base switches shows in their states before and after.
    std::vector<bool> before;
    before.reserve(m_lights.size());
    for (LightAttachPoint* light : m_lights)
        before.push_back(light->isOn());
    BaseObjekt::autoSwitchLights(t);
    for (std::size_t i = 0; i < m_lights.size(); ++i) {
        if (before[i] && !m_lights[i]->isOn())
            m_emissive = 0.0f;
        else if (!before[i] && m_lights[i]->isOn())
            m_emissive = m_emissiveStored;
    }
}

// ------------------------------------------------------------------ bounds and rays

bool MeshObjekt::getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance)
{
    if (!m_mesh || !m_mesh->getD3DXMesh())
        return false;
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &m_worldMatrix))
        return false;
    D3DXVECTOR3 localOrigin, localDirection;
    D3DXVec3TransformCoord(&localOrigin, &origin, &inverse);
    D3DXVec3TransformNormal(&localDirection, &direction, &inverse);
    BOOL hit = FALSE;
    DWORD face = 0, hits = 0;
    float u = 0.0f, v = 0.0f, dist = 0.0f;
    if (FAILED(D3DXIntersect(m_mesh->getD3DXMesh(), &localOrigin, &localDirection, &hit, &face, &u, &v, &dist, nullptr,
                             &hits)) ||
        !hit)
        return false;
    distance = dist;
    return true;
}

void MeshObjekt::computeWorldBox()
{
    if (m_mesh)
        m_worldBox = ObjektDrawing::worldBox(m_mesh->getBoxMin(), m_mesh->getBoxMax(), m_worldMatrix);
}

void MeshObjekt::computeBoundingSphere()
{
    if (m_mesh)
        m_boundingSphere =
            ObjektDrawing::worldSphere(m_mesh->getSphereCenter(), m_mesh->getSphereRadius(), m_worldMatrix, m_scale);
}

// ------------------------------------------------------------------ drawing

void MeshObjekt::render(Camera* camera)
{
    renderMesh(camera);
}

bool MeshObjekt::bindCubeMap(ID3DXEffect* effect)
{
    return ObjektDrawing::bindCubeMap(effect, *this);
}

void MeshObjekt::setBump(ID3DXEffect* effect, Texture2D* texture)
{
    if (!texture) {
        effect->SetTexture("g_BumpTextur", nullptr);
        effect->SetFloat("g_Bump", 0.0f);
        return;
    }
    effect->SetTexture("g_BumpTextur", deviceTexture(texture));
    effect->SetFloat("g_Bump", m_amounts.bump);
    effect->SetValue("g_Parallax", m_parallax, sizeof(m_parallax));
    effect->SetInt("g_nMinSamples", m_minSamples);
    effect->SetInt("g_nMaxSamples", m_maxSamples);
    effect->SetInt("g_nLODThreshold", m_lodThreshold);
}

ID3DXEffect* MeshObjekt::drawingEffect(Camera* camera) const
{
    if (!m_mesh || !m_effect || !m_effect->getEffect() || !camera || !m_d3d->getDevice())
        return nullptr;
    // The drawing copies are gone while the device is lost.
    if (!m_mesh->getVertexBuffer() || !m_mesh->getIndexBuffer())
        return nullptr;
    return m_effect->getEffect();
}

void MeshObjekt::renderMesh(Camera* camera)
{
    ID3DXEffect* effect = drawingEffect(camera);
    if (!effect)
        return;
    IDirect3DDevice9* device = m_d3d->getDevice();
    const bool material = m_renderMode == 0 || m_renderMode == 4 || m_renderMode == 9;
    const bool bump = material || m_renderMode == 8;
    const bool instancing = isInstancingEnabled();

    effect->SetMatrix("g_ViewInv", &camera->getViewInverseMatrix());
    effect->SetMatrix("g_View", &camera->getViewMatrix());
    if (material) {
        effect->SetFloat("g_SpecExpon", m_amounts.specularPower);
        effect->SetFloat("g_Ks", m_amounts.specular);
        effect->SetFloat("g_Shadow", m_amounts.shadow);
        effect->SetFloat("g_Emissive", m_emissive);
    }
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    ObjektDrawing::setFarDistance(effect, *this);
    if (!instancing) {
        effect->SetValue("g_CameraPosWorld", &m_lastEye, sizeof(float) * 3);
    } else {
        if (m_visibleInstances.empty())
            return;
        if (auto* first = dynamic_cast<MeshObjekt*>(m_visibleInstances.front()))
            effect->SetValue("g_CameraPosWorld", &first->m_lastEye, sizeof(float) * 3);
    }
    if (m_overrideDiffuse) {
        effect->SetBool("g_useDiffTextur", m_diffuseTexture != nullptr);
        effect->SetTexture("g_Textur", deviceTexture(m_diffuseTexture));
        const D3DXCOLOR colour(0.0f, 0.0f, 0.0f, m_alpha);
        effect->SetValue("g_materialcolor", &colour, sizeof(float) * 4);
    }
    if (bump && m_hasBumpTexture)
        setBump(effect, m_bumpTexture);
    m_cubeMapSet = false;
    if (material) {
        m_cubeMapSet = bindCubeMap(effect);
        if (m_hasReflectionTexture) {
            effect->SetTexture("g_RefTextur", deviceTexture(m_reflectionTexture));
            effect->SetBool("g_useRefTextur", m_reflectionTexture != nullptr);
            effect->SetFloat("g_Kr", m_cubeMapSet ? m_amounts.reflection : 1.0f);
        }
    }
    if (!instancing)
        ObjektDrawing::setWorldMatrices(effect, m_worldMatrix, camera);
    ObjektDrawing::bindBuffers(device, m_mesh, m_mesh->getVertexBuffer(), m_mesh->getStride(), m_mesh->getIndexBuffer(),
                               m_mesh->getVertexDeclaration());

    const std::vector<Mesh::Material>& materials = m_mesh->getMaterials();
    const std::vector<D3DXATTRIBUTERANGE>& ranges = m_mesh->getAttributeRanges();
    const std::vector<int>* remap = m_mesh->getRemap();
    for (int subset = 0; subset < m_mesh->getSubsetCount(); ++subset) {
        const int m = m_mesh->getSubsetMaterial(subset);
        if (m < 0 || m >= static_cast<int>(materials.size()))
            continue;
        const int a = remap ? (m < static_cast<int>(remap->size()) ? (*remap)[m] : -1) : m;
        if (a < 0 || a >= static_cast<int>(ranges.size()))
            continue;
        const Mesh::Material& mat = materials[m];
        if (material) {
            if (m_takeSpecularParams) {
                effect->SetFloat("g_SpecExpon", mat.colours.Power / 255.0f * m_amounts.specularPower);
                effect->SetFloat("g_Ks", mat.colours.Specular.r * 0.39215687f * m_amounts.specular);
                effect->SetFloat("g_Emissive", mat.colours.Emissive.g * m_emissive);
            } else if (m_takeEmissiveParams) {
                effect->SetFloat("g_SpecExpon", mat.colours.Emissive.g * m_amounts.specularPower);
                effect->SetFloat("g_Ks", mat.colours.Emissive.b * m_amounts.specular);
                effect->SetFloat("g_Emissive", m_emissive);
            }
        }
        if (!m_overrideDiffuse) {
            const bool textured = mat.diffuse != nullptr;
            effect->SetBool("g_useDiffTextur", textured);
            effect->SetTexture("g_Textur", deviceTexture(mat.diffuse));
            const D3DXCOLOR colour = textured ? D3DXCOLOR(0.0f, 0.0f, 0.0f, m_alpha)
                                              : D3DXCOLOR(mat.colours.Diffuse.r, mat.colours.Diffuse.g,
                                                          mat.colours.Diffuse.b, mat.colours.Diffuse.a * m_alpha);
            effect->SetValue("g_materialcolor", &colour, sizeof(float) * 4);
        }
        if (bump && !m_hasBumpTexture)
            setBump(effect, mat.bump);
        if (material && !m_hasReflectionTexture) {
            effect->SetBool("g_useRefTextur", mat.reflection != nullptr);
            effect->SetTexture("g_RefTextur", deviceTexture(mat.reflection));
            const float kr =
                !m_cubeMapSet ? 1.0f : (m_takeEmissiveParams ? mat.colours.Emissive.r : m_amounts.reflection);
            effect->SetFloat("g_Kr", kr);
        }
        drawRange(effect, ranges[a], camera);
    }
}

void MeshObjekt::drawRange(ID3DXEffect* effect, const D3DXATTRIBUTERANGE& range, Camera* camera)
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!isInstancingEnabled()) {
        effect->CommitChanges();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount, range.FaceStart * 3,
                                     range.FaceCount);
        return;
    }
    for (RenderObjekt* instance : m_visibleInstances) {
        perfEventBegin(kInstanceEventColour, instance->getName().c_str());
        auto* placed = static_cast<BaseObjekt*>(instance);
        ObjektDrawing::setWorldMatrices(effect, placed->getWorldMatrix(), camera);
        effect->CommitChanges();
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount, range.FaceStart * 3,
                                     range.FaceCount);
        perfEventEnd();
    }
}

} // namespace Ulvo
