#include "graphics/meshes/AnimatedMesh.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace Ulvo {

namespace {

FileLogger& aniMeshLog()
{
    return moduleLogger(LogModule::AniMesh);
}

// Poses sampled along each animation set's period for the bounds.
constexpr int kBoundSamples = 32;

} // namespace

// Makes UlvoFrames and AnimatedMeshContainers: names and materials copied, the mesh and skin
// info held, a skinned container's drawn mesh cloned from its source.
class AnimatedMesh::Allocator final : public ID3DXAllocateHierarchy {
public:
    explicit Allocator(AnimatedMesh& owner) : m_owner(owner) {}

    HRESULT CreateFrame(LPCSTR Name, LPD3DXFRAME* ppNewFrame) override
    {
        auto* frame = new UlvoFrame();
        const size_t length = Name ? std::strlen(Name) : 0;
        frame->Name = new char[length + 1];
        std::memcpy(frame->Name, Name ? Name : "", length + 1);
        D3DXMatrixIdentity(&frame->TransformationMatrix);
        D3DXMatrixIdentity(&frame->m_combinedMatrix);
        frame->pMeshContainer = nullptr;
        frame->pFrameSibling = nullptr;
        frame->pFrameFirstChild = nullptr;
        *ppNewFrame = frame;
        return D3D_OK;
    }

    HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData, const D3DXMATERIAL* pMaterials,
                                const D3DXEFFECTINSTANCE*, DWORD NumMaterials, const DWORD* pAdjacency,
                                LPD3DXSKININFO pSkinInfo, LPD3DXMESHCONTAINER* ppNewMeshContainer) override
    {
        *ppNewMeshContainer = nullptr;
        if (!pMeshData || pMeshData->Type != D3DXMESHTYPE_MESH || !pMeshData->pMesh)
            return E_FAIL;
        ID3DXMesh* mesh = pMeshData->pMesh;
        auto container = std::make_unique<AnimatedMeshContainer>();
        std::memset(static_cast<D3DXMESHCONTAINER*>(container.get()), 0, sizeof(D3DXMESHCONTAINER));
        container->name = Name ? Name : "";
        container->Name = container->name.data();
        container->MeshData.Type = D3DXMESHTYPE_MESH;

        container->materials.assign(pMaterials, pMaterials + NumMaterials);
        container->textureFiles.resize(NumMaterials);
        container->textures.resize(NumMaterials);
        for (DWORD i = 0; i < NumMaterials; ++i) {
            const char* file = pMaterials[i].pTextureFilename;
            container->materials[i].pTextureFilename = nullptr;
            if (!file || !*file)
                continue;
            container->textureFiles[i] = file;
            container->materials[i].pTextureFilename = container->textureFiles[i].data();
            container->textures[i].diffuse = loadTexture(file);
        }
        container->pMaterials = container->materials.data();
        container->NumMaterials = NumMaterials;
        if (pAdjacency) {
            container->adjacency.assign(pAdjacency, pAdjacency + static_cast<size_t>(mesh->GetNumFaces()) * 3);
            container->pAdjacency = container->adjacency.data();
        }

        if (pSkinInfo) {
            ID3DXMesh* drawn = nullptr;
            IDirect3DDevice9* device = nullptr;
            mesh->GetDevice(&device);
            const HRESULT hr = mesh->CloneMeshFVF(D3DXMESH_MANAGED, mesh->GetFVF(), device, &drawn);
            if (device)
                device->Release();
            if (FAILED(hr)) {
                destroyContainer(container.release());
                return hr;
            }
            mesh->AddRef();
            container->originalMesh = mesh;
            container->MeshData.pMesh = drawn;
            pSkinInfo->AddRef();
            container->pSkinInfo = pSkinInfo;
            const DWORD bones = pSkinInfo->GetNumBones();
            container->boneOffsets.resize(bones);
            for (DWORD b = 0; b < bones; ++b)
                container->boneOffsets[b] = *pSkinInfo->GetBoneOffsetMatrix(b);
            container->boneMatrices.assign(bones, nullptr);
        } else {
            mesh->AddRef();
            container->MeshData.pMesh = mesh;
        }
        DWORD ranges = 0;
        container->MeshData.pMesh->GetAttributeTable(nullptr, &ranges);
        container->attributeTable.resize(ranges);
        container->MeshData.pMesh->GetAttributeTable(container->attributeTable.data(), &ranges);
        *ppNewMeshContainer = container.release();
        return D3D_OK;
    }

    HRESULT DestroyFrame(LPD3DXFRAME pFrameToFree) override
    {
        auto* frame = static_cast<UlvoFrame*>(pFrameToFree);
        delete[] frame->Name;
        delete frame;
        return D3D_OK;
    }

    HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER pMeshContainerToFree) override
    {
        destroyContainer(static_cast<AnimatedMeshContainer*>(pMeshContainerToFree));
        return D3D_OK;
    }

private:
    static void destroyContainer(AnimatedMeshContainer* container)
    {
        releaseAndNull(container->MeshData.pMesh);
        releaseAndNull(container->originalMesh);
        releaseAndNull(container->blendedMesh);
        releaseAndNull(container->pSkinInfo);
        for (AnimatedMeshContainer::Textures& t : container->textures) {
            releaseAndNull(t.diffuse);
            releaseAndNull(t.bump);
            releaseAndNull(t.reflection);
        }
        delete container;
    }

    Texture2D* loadTexture(const char* file)
    {
        if (!m_owner.m_textures)
            return nullptr;
        const std::wstring fileName(file, file + std::strlen(file));
        if (!File::checkDataReference(fileName))
            return nullptr;
        Texture2D* texture = m_owner.m_textures->getTexture2DFromFile(fileName);
        if (texture)
            texture->AddRef();
        else
            aniMeshLog().log(50, LOG_TYPE_ERROR, L"Ulvo::AnimatedMesh::createFromMemory AniMesh ", m_owner.getName(),
                             L": texture \"", fileName, L"\" not loaded\n");
        return texture;
    }

    AnimatedMesh& m_owner;
};

AnimatedMesh::AnimatedMesh() = default;

AnimatedMesh::~AnimatedMesh()
{
    destroy();
}

void AnimatedMesh::destroy()
{
    releaseAndNull(m_controller);
    if (m_root) {
        Allocator allocator(*this);
        D3DXFrameDestroy(m_root, &allocator);
        m_root = nullptr;
    }
    m_boneMatrices.clear();
    m_shaderSkinned = false;
    m_boxMin = m_boxMax = m_sphereCenter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_sphereRadius = 0.0f;
}

bool AnimatedMesh::createFromNode(XMLNode* entry, TextureManager* textures)
{
    static const wchar_t* const kFunction = L"Ulvo::AnimatedMesh::createFromNode";
    if (!entry)
        return false;
    rename(entry->getAttributeValue(L"NAME"));
    XMLNode* fileNode = entry->getNode(L"FILE");
    if (!fileNode) {
        aniMeshLog().log(100, LOG_TYPE_ERROR, kFunction, L" AniMesh ", getName(), L" names no FILE\n");
        return false;
    }
    File file(fileNode);
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    if (!file.isOpen() || !file.getFILE_DATA(bytes, size) || !bytes) {
        aniMeshLog().log(100, LOG_TYPE_ERROR, kFunction, L" AniMesh ", getName(), L": file \"", file.getFileName(),
                         L"\" not loaded\n");
        return false;
    }
    std::unique_ptr<unsigned char[]> owned(bytes);
    if (!createFromMemory(bytes, size, textures)) {
        aniMeshLog().log(100, LOG_TYPE_ERROR, kFunction, L" AniMesh ", getName(), L": file \"", file.getFileName(),
                         L"\" is no animated mesh that can be read\n");
        return false;
    }
    aniMeshLog().log(25, LOG_TYPE_INFO, kFunction, L" AniMesh ", getName(), L" is OK\n");
    return true;
}

bool AnimatedMesh::createFromMemory(const void* bytes, uint32_t size, TextureManager* textures)
{
    destroy();
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    if (!device || !bytes)
        return false;
    m_textures = textures;
    Allocator allocator(*this);
    const HRESULT hr = D3DXLoadMeshHierarchyFromXInMemory(bytes, size, D3DXMESH_MANAGED, device, &allocator, nullptr,
                                                          &m_root, &m_controller);
    m_textures = nullptr;
    if (FAILED(hr) || !m_root || !linkBones()) {
        destroy();
        return false;
    }
    makeBlendedMeshes(device);
    computeBounds();
    return true;
}

bool AnimatedMesh::linkBones()
{
    size_t most = 0;
    bool linked = true;
    forEachContainer([&](UlvoFrame*, AnimatedMeshContainer* container) {
        if (!container->pSkinInfo)
            return;
        for (DWORD b = 0; b < container->boneMatrices.size(); ++b) {
            const char* bone = container->pSkinInfo->GetBoneName(b);
            auto* frame = static_cast<UlvoFrame*>(D3DXFrameFind(m_root, bone));
            if (!frame) {
                aniMeshLog().log(100, LOG_TYPE_ERROR, L"Ulvo::AnimatedMesh::createFromMemory AniMesh ", getName(),
                                 L": bone \"", std::wstring(bone, bone + std::strlen(bone)), L"\" has no frame\n");
                linked = false;
                return;
            }
            container->boneMatrices[b] = &frame->m_combinedMatrix;
        }
        most = std::max(most, container->boneMatrices.size());
    });
    // One more for the palette's identity.
    m_boneMatrices.assign(most + 1, D3DXMATRIX());
    return linked;
}

void AnimatedMesh::makeBlendedMeshes(IDirect3DDevice9* device)
{
    D3DCAPS9 caps{};
    if (FAILED(device->GetDeviceCaps(&caps)) || caps.MaxVertexShaderConst < kSkinningConstants ||
        D3DSHADER_VERSION_MAJOR(caps.VertexShaderVersion) < 3) {
        aniMeshLog().log(50, LOG_TYPE_INFO, L"Ulvo::AnimatedMesh::createFromMemory AniMesh ", getName(),
                         L": the device has too few vertex shader constants, skinned on the processor\n");
        return;
    }
    forEachContainer([&](UlvoFrame*, AnimatedMeshContainer* container) {
        if (container->pSkinInfo && makeBlendedMesh(container, device))
            m_shaderSkinned = true;
    });
}

bool AnimatedMesh::makeBlendedMesh(AnimatedMeshContainer* container, IDirect3DDevice9* device)
{
    ID3DXMesh* source = container->originalMesh;
    ID3DXSkinInfo* skin = container->pSkinInfo;
    const DWORD bones = skin->GetNumBones();
    DWORD most = 0;
    if (!source || bones + 1 > kPaletteSize || FAILED(skin->GetMaxVertexInfluences(&most)) || most > 4 ||
        (source->GetFVF() & D3DFVF_POSITION_MASK) != D3DFVF_XYZ)
        return false;
    // Four weights and the four bone indices after the position; the rest of the layout kept.
    const DWORD fvf = (source->GetFVF() & ~D3DFVF_POSITION_MASK) | D3DFVF_XYZB5 | D3DFVF_LASTBETA_UBYTE4;
    ID3DXMesh* blended = nullptr;
    if (FAILED(source->CloneMeshFVF(D3DXMESH_MANAGED, fvf, device, &blended)))
        return false;
    uint8_t* vertices = nullptr;
    if (FAILED(blended->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices)))) {
        blended->Release();
        return false;
    }
    constexpr size_t kWeights = sizeof(D3DXVECTOR3), kIndices = kWeights + 4 * sizeof(float);
    const DWORD count = blended->GetNumVertices(), stride = blended->GetNumBytesPerVertex();
    std::vector<uint8_t> used(count, 0);
    std::vector<DWORD> influenced;
    std::vector<float> weights;
    for (DWORD b = 0; b < bones; ++b) {
        influenced.resize(skin->GetNumBoneInfluences(b));
        weights.resize(influenced.size());
        if (influenced.empty() || FAILED(skin->GetBoneInfluence(b, influenced.data(), weights.data())))
            continue;
        for (size_t i = 0; i < influenced.size(); ++i) {
            const DWORD v = influenced[i];
            if (v >= count || used[v] >= 4)
                continue;
            uint8_t* at = vertices + static_cast<size_t>(v) * stride;
            std::memcpy(at + kWeights + used[v] * sizeof(float), &weights[i], sizeof(float));
            at[kIndices + used[v]] = static_cast<uint8_t>(b);
            ++used[v];
        }
    }
    // A vertex no bone moves stays where the source has it, as on the processor.
    for (DWORD v = 0; v < count; ++v) {
        if (used[v])
            continue;
        const float one = 1.0f;
        uint8_t* at = vertices + static_cast<size_t>(v) * stride;
        std::memcpy(at + kWeights, &one, sizeof(float));
        at[kIndices] = static_cast<uint8_t>(bones);
    }
    blended->UnlockVertexBuffer();
    container->blendedMesh = blended;
    return true;
}

const D3DXMATRIX* AnimatedMesh::bonePalette(const AnimatedMeshContainer* container, UINT& count)
{
    count = 0;
    if (!container || !container->blendedMesh)
        return nullptr;
    const size_t bones = container->boneMatrices.size();
    if (bones + 1 > m_boneMatrices.size())
        return nullptr;
    for (size_t b = 0; b < bones; ++b)
        D3DXMatrixMultiply(&m_boneMatrices[b], &container->boneOffsets[b], container->boneMatrices[b]);
    D3DXMatrixIdentity(&m_boneMatrices[bones]);
    count = static_cast<UINT>(bones + 1);
    return m_boneMatrices.data();
}

bool AnimatedMesh::skinContainer(AnimatedMeshContainer* container)
{
    if (!container || !container->pSkinInfo || !container->originalMesh || !container->MeshData.pMesh)
        return false;
    const size_t bones = container->boneMatrices.size();
    if (bones > m_boneMatrices.size())
        return false;
    for (size_t b = 0; b < bones; ++b)
        D3DXMatrixMultiply(&m_boneMatrices[b], &container->boneOffsets[b], container->boneMatrices[b]);
    void* source = nullptr;
    void* target = nullptr;
    if (FAILED(container->originalMesh->LockVertexBuffer(D3DLOCK_READONLY, &source)))
        return false;
    bool skinned = false;
    if (SUCCEEDED(container->MeshData.pMesh->LockVertexBuffer(0, &target))) {
        skinned = SUCCEEDED(container->pSkinInfo->UpdateSkinnedMesh(m_boneMatrices.data(), nullptr, source, target));
        container->MeshData.pMesh->UnlockVertexBuffer();
    }
    container->originalMesh->UnlockVertexBuffer();
    return skinned;
}

void AnimatedMesh::growBounds(bool& first)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    updateFrameMatrices(m_root, &identity, nullptr);
    forEachContainer([&](UlvoFrame* frame, AnimatedMeshContainer* container) {
        const bool skinned = skinContainer(container);
        ID3DXMesh* mesh = container->MeshData.pMesh;
        const uint8_t* vertices = nullptr;
        if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&vertices)))
            return;
        const DWORD stride = mesh->GetNumBytesPerVertex();
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
            D3DXVECTOR3 p;
            std::memcpy(&p, vertices + static_cast<size_t>(v) * stride, sizeof(p));
            if (!skinned)
                D3DXVec3TransformCoord(&p, &p, &frame->m_combinedMatrix);
            if (first) {
                m_boxMin = m_boxMax = p;
                first = false;
            }
            D3DXVec3Minimize(&m_boxMin, &m_boxMin, &p);
            D3DXVec3Maximize(&m_boxMax, &m_boxMax, &p);
        }
        mesh->UnlockVertexBuffer();
    });
}

void AnimatedMesh::computeBounds()
{
    bool first = true;
    growBounds(first);
    if (m_controller) {
        // Frames no set of the resource's own track moves keep their matrices only if put back.
        std::vector<std::pair<D3DXFRAME*, D3DXMATRIX>> kept;
        auto keep = [&](auto& self, D3DXFRAME* frame) -> void {
            for (; frame; frame = frame->pFrameSibling) {
                kept.emplace_back(frame, frame->TransformationMatrix);
                self(self, frame->pFrameFirstChild);
            }
        };
        keep(keep, m_root);
        // A clone samples the sets; the resource's own controller then puts its pose back.
        ID3DXAnimationController* sampler = nullptr;
        if (SUCCEEDED(m_controller->CloneAnimationController(m_controller->GetMaxNumAnimationOutputs(),
                                                             m_controller->GetMaxNumAnimationSets(), 1,
                                                             m_controller->GetMaxNumEvents(), &sampler))) {
            for (UINT s = 0; s < sampler->GetNumAnimationSets(); ++s) {
                ID3DXAnimationSet* set = nullptr;
                sampler->GetAnimationSet(s, &set);
                sampler->SetTrackAnimationSet(0, set);
                sampler->SetTrackEnable(0, TRUE);
                sampler->SetTrackWeight(0, 1.0f);
                for (int k = 0; k < kBoundSamples; ++k) {
                    sampler->SetTrackPosition(0, set->GetPeriod() * k / kBoundSamples);
                    sampler->AdvanceTime(0.0, nullptr);
                    growBounds(first);
                }
                set->Release();
            }
            sampler->Release();
        }
        for (const auto& [frame, matrix] : kept)
            frame->TransformationMatrix = matrix;
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        updateFrameMatrices(m_root, &identity, nullptr);
    }
    m_sphereCenter = 0.5f * (m_boxMin + m_boxMax);
    const D3DXVECTOR3 half = m_boxMax - m_sphereCenter;
    m_sphereRadius = D3DXVec3Length(&half);
}

} // namespace Ulvo
