#include "scene/objects/animesh/AnimatedMeshObjekt.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/FrameHierarchy.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
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
        data->readFloat(L"REFLECTION_AMOUNT", m_reflectionAmount);
        data->readFloat(L"BUMP_AMOUNT", m_bumpAmount);
        data->readFloat(L"SPECULAR_AMOUNT", m_specularAmount);
        data->readFloat(L"SPECULAR_POWER", m_specularPower);
        float receive = 1.0f;
        data->readFloat(L"SHADOW_RECEIVE", receive);
        m_shadow = 1.0f - receive;
    }
    if (XMLNode* textures = node ? node->getNode(L"TEXTURES") : nullptr) {
        TextureManager* manager = D3DInterface::getInstance()->getTextureManager();
        std::wstring name;
        if (textures->readString(L"TEX_REFLECTION", name)) {
            m_reflectionTexture = manager ? manager->getTexture2D(name) : nullptr;
            m_hasReflectionTexture = true;
        }
        if (textures->readString(L"TEX_BUMP", name)) {
            m_bumpTexture = manager ? manager->getTexture2D(name) : nullptr;
            m_hasBumpTexture = true;
        }
    }
    cloneController();
    BaseObjekt::selectRenderEffect(0, 0);
}

AnimatedMeshObjekt::AnimatedMeshObjekt(const AnimatedMeshObjekt& other)
    : BaseObjekt(other)
    , m_aniMesh(other.m_aniMesh)
    , m_bumpAmount(other.m_bumpAmount)
    , m_bumpTexture(other.m_bumpTexture)
    , m_reflectionAmount(other.m_reflectionAmount)
    , m_reflectionTexture(other.m_reflectionTexture)
    , m_specularAmount(other.m_specularAmount)
    , m_specularPower(other.m_specularPower)
    , m_shadow(other.m_shadow)
    , m_hasBumpTexture(other.m_hasBumpTexture)
    , m_hasReflectionTexture(other.m_hasReflectionTexture)
{
    if (m_aniMesh)
        m_aniMesh->AddRef();
    cloneController();
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

bool AnimatedMeshObjekt::save(XMLNode* node)
{
    if (!BaseObjekt::save(node))
        return false;
    if (XMLAttribute* type = node->getAttribute(L"TYPE"))
        type->setValue(L"ANI_MESH");
    auto* data = new XMLNode(L"ANIMESH_DATA");
    if (m_aniMesh)
        write(data, L"NAME", m_aniMesh->getName());
    write(data, L"REFLECTION_AMOUNT", m_reflectionAmount);
    write(data, L"BUMP_AMOUNT", m_bumpAmount);
    write(data, L"SPECULAR_AMOUNT", m_specularAmount);
    write(data, L"SPECULAR_POWER", m_specularPower);
    write(data, L"SHADOW_RECEIVE", 1.0f - m_shadow);
    node->addNode(data);
    XMLNode* textures = node->getNode(L"TEXTURES");
    if (!textures) {
        textures = new XMLNode(L"TEXTURES");
        node->addNode(textures);
    }
    if (m_reflectionTexture)
        write(textures, L"TEX_REFLECTION", m_reflectionTexture->getName());
    if (m_bumpTexture)
        write(textures, L"TEX_BUMP", m_bumpTexture->getName());
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
    effect->SetFloat("g_SpecExpon", m_specularPower);
    effect->SetFloat("g_Ks", m_specularAmount);
    effect->SetFloat("g_Shadow", m_shadow);
    effect->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    if (m_bumpTexture)
        effect->SetTexture("g_BumpTextur", m_bumpTexture->getBaseTexture());
    effect->SetFloat("g_Bump", m_bumpTexture ? m_bumpAmount : 0.0f);
    ObjektDrawing::bindCubeMap(effect, *this);
    if (m_reflectionTexture)
        effect->SetTexture("g_RefTextur", m_reflectionTexture->getBaseTexture());
    effect->SetFloat("g_Kr", m_reflectionTexture ? m_reflectionAmount : 0.0f);
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
        effect->SetFloat("g_Bump", textures.bump ? m_bumpAmount : 0.0f);
    }
    if (!m_hasReflectionTexture) {
        effect->SetTexture("g_RefTextur", textures.reflection ? textures.reflection->getBaseTexture() : nullptr);
        effect->SetFloat("g_Kr", textures.reflection ? m_reflectionAmount : 0.0f);
    }
}

void AnimatedMeshObjekt::drawContainer(ID3DXEffect* effect, UlvoFrame* frame, AnimatedMeshContainer* container,
                                       Camera* camera)
{
    ID3DXMesh* mesh = container->MeshData.pMesh;
    if (!mesh)
        return;
    if (!container->pSkinInfo) {
        ObjektDrawing::setWorldMatrices(effect, frame->m_combinedMatrix, camera);
        for (DWORD material = 0; material < container->NumMaterials; ++material) {
            setMaterial(effect, container, material);
            effect->CommitChanges();
            mesh->DrawSubset(material);
        }
        return;
    }
    // Only skinning on the processor exists; a container it cannot skin is left out.
    if (m_aniMesh->getSkinningMethod() != 0 || !m_aniMesh->skinContainer(container))
        return;
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
