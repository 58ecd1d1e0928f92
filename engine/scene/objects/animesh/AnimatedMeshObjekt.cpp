#include "scene/objects/animesh/AnimatedMeshObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/FrameHierarchy.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/AnimatedMesh.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"
#include "scene/objects/ObjektDrawing.h"
#include "scene/objects/SceneClock.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

using xmlwrite::write;

AnimatedMeshObjekt::AnimatedMeshObjekt(XMLNode* node, ObjektManager* owner) : BaseObjekt(node, owner)
{
    refuseNonFiniteTransform();
    if (XMLNode* data = node ? node->getNode(L"ANIMESH_DATA") : nullptr) {
        std::wstring name;
        MeshManager* meshes = D3DInterface::getInstance()->getMeshManager();
        if (data->readString(L"NAME", name) && meshes)
            m_aniMesh = meshes->getAnimatedMesh(name);
        if (m_aniMesh)
            m_aniMesh->AddRef();
        else
            mainLogger().log(100, LOG_TYPE_WARNING, L"AnimatedMeshObjekt ", getName(), L" has no animated Mesh!\n");
        m_amounts.read(*data);
    }
    XMLNode* textures = node ? node->getNode(L"TEXTURES") : nullptr;
    m_hasReflectionTexture = ObjektDrawing::readTexture(textures, L"TEX_REFLECTION", m_reflectionTexture);
    m_hasBumpTexture = ObjektDrawing::readTexture(textures, L"TEX_BUMP", m_bumpTexture);
    cloneController();
    findSkinnedBundle();
    selectRenderEffect(0, 0);
}

AnimatedMeshObjekt::AnimatedMeshObjekt(const AnimatedMeshObjekt& other)
    : BaseObjekt(other)
    , m_aniMesh(other.m_aniMesh)
    , m_amounts(other.m_amounts)
    , m_bumpTexture(other.m_bumpTexture)
    , m_reflectionTexture(other.m_reflectionTexture)
    , m_hasBumpTexture(other.m_hasBumpTexture)
    , m_hasReflectionTexture(other.m_hasReflectionTexture)
{
    if (m_aniMesh)
        m_aniMesh->AddRef();
    cloneController();
    findSkinnedBundle();
}

AnimatedMeshObjekt::~AnimatedMeshObjekt()
{
    releaseAndNull(m_controller);
    if (m_aniMesh)
        m_aniMesh->Release();
    m_aniMesh = nullptr;
}

void AnimatedMeshObjekt::cloneController()
{
    ID3DXAnimationController* source = m_aniMesh ? m_aniMesh->getAnimationController() : nullptr;
    if (!source)
        return;
    const HRESULT result =
        source->CloneAnimationController(source->GetMaxNumAnimationOutputs(), source->GetMaxNumAnimationSets(),
                                         source->GetMaxNumTracks(), source->GetMaxNumEvents(), &m_controller);
    if (FAILED(result)) {
        m_controller = nullptr;
        failedCall(result, L"Ulvo::AnimatedMeshObjekt::AnimatedMeshObjekt", __LINE__,
                   L"m_mesh->m_animcontroller->CloneAnimationController( "
                   L"m_mesh->m_animcontroller->GetMaxNumAnimationOutputs(), "
                   L"m_mesh->m_animcontroller->GetMaxNumAnimationSets(), "
                   L"m_mesh->m_animcontroller->GetMaxNumTracks(), m_mesh->m_animcontroller->GetMaxNumEvents(), "
                   L"&m_animcontroller )");
    }
}

void AnimatedMeshObjekt::findSkinnedBundle()
{
    m_skinnedBundle = nullptr;
    if (!m_aniMesh || !m_effectBundle || m_aniMesh->getSkinningMethod() != AnimatedMesh::SKIN_IN_VERTEX_SHADER)
        return;
    m_skinnedBundle = EffectManager::getInstance()->getEffectBundle(m_effectBundle->getName() + L"Skinned");
}

bool AnimatedMeshObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    ObjektDrawing::setType(*node, L"ANI_MESH");
    auto* data = new XMLNode(L"ANIMESH_DATA");
    if (m_aniMesh)
        write(data, L"NAME", m_aniMesh->getName());
    m_amounts.write(*data);
    node->addNode(data);
    ObjektDrawing::writeTexture(*node, L"TEX_REFLECTION", m_reflectionTexture);
    ObjektDrawing::writeTexture(*node, L"TEX_BUMP", m_bumpTexture);
    return true;
}

// ------------------------------------------------------------------ animation

void AnimatedMeshObjekt::update(Camera* camera, uint32_t value)
{
    BaseObjekt::update(camera, value);
    if (!m_aniMesh || !m_aniMesh->getRootFrame() || !m_controller)
        return;
    std::array<double, kWatchedTracks> before{};
    std::array<bool, kWatchedTracks> had{};
    for (int track = 0; track < kWatchedTracks; ++track) {
        ID3DXAnimationSet* set = nullptr;
        D3DXTRACK_DESC desc{};
        if (SUCCEEDED(m_controller->GetTrackAnimationSet(track, &set)) && set) {
            had[track] = SUCCEEDED(m_controller->GetTrackDesc(track, &desc));
            before[track] = desc.Position;
            set->Release();
        }
    }
    const double step = std::min(SceneClock::getFrameTime(), kMaxStep);
    m_controller->AdvanceTime(step, nullptr);
    updateFrameMatrices(m_aniMesh->getRootFrame(), &m_worldMatrix, m_aniMesh->getRootFrame());
    m_animationTime += step;
    signalLoops(before, had);
}

void AnimatedMeshObjekt::signalLoops(const std::array<double, kWatchedTracks>& before,
                                     const std::array<bool, kWatchedTracks>& had)
{
    for (int track = 0; track < kWatchedTracks; ++track) {
        if (!had[track])
            continue;
        ID3DXAnimationSet* set = nullptr;
        D3DXTRACK_DESC desc{};
        if (FAILED(m_controller->GetTrackAnimationSet(track, &set)) || !set)
            continue;
        const double period = set->GetPeriod() - m_periodOffset;
        // A set of no length has no loops to count.
        if (SUCCEEDED(m_controller->GetTrackDesc(track, &desc)) && period > 0.0) {
            const double from = before[track] / period, to = desc.Position / period;
            // A position landing exactly on a period's end has completed that loop too.
            if (from * to < 0.0 || std::floor(from) != std::floor(to))
                trackLooped.emit(*this, track, set);
        }
        set->Release();
    }
}

// ------------------------------------------------------------------ bounds

void AnimatedMeshObjekt::computeWorldBox()
{
    if (m_aniMesh)
        m_worldBox = ObjektDrawing::worldBox(m_aniMesh->getBoxMin(), m_aniMesh->getBoxMax(), m_worldMatrix);
}

bool AnimatedMeshObjekt::getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance)
{
    D3DXMATRIX inverse;
    if (!m_aniMesh || !D3DXMatrixInverse(&inverse, nullptr, &m_worldMatrix))
        return false;
    D3DXVECTOR3 localOrigin, localDirection;
    D3DXVec3TransformCoord(&localOrigin, &origin, &inverse);
    D3DXVec3TransformNormal(&localDirection, &direction, &inverse);
    bool found = false;
    m_aniMesh->forEachContainer([&](UlvoFrame*, AnimatedMeshContainer* container) {
        ID3DXMesh* mesh = container->originalMesh ? container->originalMesh : container->MeshData.pMesh;
        BOOL hit = FALSE;
        DWORD face = 0, hits = 0;
        float u = 0.0f, v = 0.0f, dist = 0.0f;
        if (!mesh ||
            FAILED(D3DXIntersect(mesh, &localOrigin, &localDirection, &hit, &face, &u, &v, &dist, nullptr, &hits)) ||
            !hit || (found && dist >= distance))
            return;
        distance = dist;
        found = true;
    });
    return found;
}

void AnimatedMeshObjekt::computeBoundingSphere()
{
    if (m_aniMesh)
        m_boundingSphere = ObjektDrawing::worldSphere(m_aniMesh->getSphereCenter(), m_aniMesh->getSphereRadius(),
                                                      m_worldMatrix, m_scale);
}

// ------------------------------------------------------------------ drawing

void AnimatedMeshObjekt::render(Camera* camera)
{
    if (!m_aniMesh || !m_effect || !m_effect->getEffect() || !camera || !m_aniMesh->getRootFrame())
        return;
    ID3DXEffect* effect = m_effect->getEffect();
    ObjektDrawing::setWorldMatrices(effect, m_worldMatrix, camera);
    effect->SetMatrix("g_ViewInv", &camera->getViewInverseMatrix());
    effect->SetFloat("g_SpecExpon", m_amounts.specularPower);
    effect->SetFloat("g_Ks", m_amounts.specular);
    effect->SetFloat("g_Shadow", m_amounts.shadow);
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    if (m_bumpTexture)
        effect->SetTexture("g_BumpTextur", m_bumpTexture->getBaseTexture());
    effect->SetFloat("g_Bump", m_bumpTexture ? m_amounts.bump : 0.0f);
    ObjektDrawing::bindCubeMap(effect, *this);
    if (m_reflectionTexture)
        effect->SetTexture("g_RefTextur", m_reflectionTexture->getBaseTexture());
    effect->SetFloat("g_Kr", m_reflectionTexture ? m_amounts.reflection : 0.0f);
    ObjektDrawing::setFarDistance(effect, *this);
    effect->SetValue("g_CameraPosWorld", &m_lastEye, sizeof(float) * 3);
    if (m_controller) {
        // Every clone of the resource writes the same frames: this object's pose goes in now.
        m_controller->AdvanceTime(0.0, nullptr);
        updateFrameMatrices(m_aniMesh->getRootFrame(), &m_worldMatrix, m_aniMesh->getRootFrame());
    }
    m_aniMesh->forEachContainer(
        [&](UlvoFrame* frame, AnimatedMeshContainer* container) { drawContainer(effect, frame, container, camera); });
    // The meshes bound buffers of their own.
    RenderObjekt::setDrawStateMarker(nullptr);
}

void AnimatedMeshObjekt::setMaterial(ID3DXEffect* effect, AnimatedMeshContainer* container, DWORD material)
{
    if (material >= container->NumMaterials || material >= container->textures.size())
        return;
    const D3DMATERIAL9& colours = container->pMaterials[material].MatD3D;
    const AnimatedMeshContainer::Textures& textures = container->textures[material];
    effect->SetBool("g_useDiffTextur", textures.diffuse != nullptr);
    effect->SetTexture("g_Textur", textures.diffuse ? textures.diffuse->getBaseTexture() : nullptr);
    const D3DXCOLOR colour = textures.diffuse ? D3DXCOLOR(0.0f, 0.0f, 0.0f, m_alpha)
                                              : D3DXCOLOR(colours.Diffuse.r, colours.Diffuse.g, colours.Diffuse.b,
                                                          colours.Diffuse.a * m_alpha);
    effect->SetValue("g_materialcolor", &colour, sizeof(float) * 4);
    if (!m_hasBumpTexture) {
        effect->SetTexture("g_BumpTextur", textures.bump ? textures.bump->getBaseTexture() : nullptr);
        effect->SetFloat("g_Bump", textures.bump ? m_amounts.bump : 0.0f);
    }
    if (!m_hasReflectionTexture) {
        effect->SetTexture("g_RefTextur", textures.reflection ? textures.reflection->getBaseTexture() : nullptr);
        effect->SetFloat("g_Kr", textures.reflection ? m_amounts.reflection : 0.0f);
    }
}

void AnimatedMeshObjekt::drawContainer(ID3DXEffect* effect, UlvoFrame* frame, AnimatedMeshContainer* container,
                                       Camera* camera)
{
    ID3DXMesh* mesh = container->MeshData.pMesh;
    if (!mesh)
        return;
    UINT bones = 0;
    const D3DXMATRIX* palette = m_skinnedBundle ? m_aniMesh->bonePalette(container, bones) : nullptr;
    if (m_skinnedBundle)
        effect->SetBool("g_Skinned", palette != nullptr);
    if (!container->pSkinInfo) {
        ObjektDrawing::setWorldMatrices(effect, frame->m_combinedMatrix, camera);
        for (DWORD material = 0; material < container->NumMaterials; ++material) {
            setMaterial(effect, container, material);
            effect->CommitChanges();
            mesh->DrawSubset(material);
        }
        return;
    }
    // The bones carry the object's world matrix.
    if (palette) {
        effect->SetMatrixArray("g_Bones", palette, bones);
        mesh = container->blendedMesh;
    } else if (!m_aniMesh->skinContainer(container)) {
        return; // a container the processor cannot skin is left out
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ObjektDrawing::setWorldMatrices(effect, identity, camera);
    for (const D3DXATTRIBUTERANGE& range : container->attributeTable) {
        setMaterial(effect, container, range.AttribId);
        effect->CommitChanges();
        mesh->DrawSubset(range.AttribId);
    }
}

} // namespace Ulvo
