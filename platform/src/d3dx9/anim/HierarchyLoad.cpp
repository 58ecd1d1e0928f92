// D3DXLoadMeshHierarchyFromX over the layer's .x reader: frames and mesh containers made through
// the caller's allocator, skin info from the skin weights, and a controller of the file's
// animation sets. D3DXFrameDestroy and D3DXFrameFind walk what it builds.
#include <crt.h>
#include <d3dx9.h>

#include "common/Diagnostics.h"
#include "d3dx9/anim/AnimationInternal.h"
#include "d3dx9/mesh/MeshInternal.h"
#include "d3dx9/xfile/XFileReader.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Releases what it holds when the scope ends.
template <class T> struct Held {
    T* object = nullptr;
    ~Held()
    {
        if (object)
            object->Release();
    }
};

// The skin of one mesh: a bone per skin weight list, each file vertex's weight given to every
// vertex made from it.
HRESULT buildSkin(const XFile::HierarchyMesh& mesh, DWORD fvf, DWORD vertices, ID3DXSkinInfo** out)
{
    *out = nullptr;
    if (mesh.bones.empty())
        return D3D_OK;
    ID3DXSkinInfo* skin = nullptr;
    HRESULT hr = D3DXCreateSkinInfoFVF(vertices, fvf, static_cast<DWORD>(mesh.bones.size()), &skin);
    if (FAILED(hr))
        return hr;
    // The vertices made from each file vertex, as a list per file vertex.
    std::vector<uint32_t> firstMade(mesh.fileVertexCount + 1, 0);
    for (uint32_t file : mesh.fileVertex)
        ++firstMade[file + 1];
    for (size_t i = 1; i < firstMade.size(); ++i)
        firstMade[i] += firstMade[i - 1];
    std::vector<uint32_t> made(mesh.fileVertex.size());
    std::vector<uint32_t> filled(firstMade.begin(), firstMade.end() - 1);
    for (uint32_t v = 0; v < mesh.fileVertex.size(); ++v)
        made[filled[mesh.fileVertex[v]]++] = v;

    std::vector<DWORD> influenced;
    std::vector<float> weights;
    for (DWORD b = 0; b < mesh.bones.size() && SUCCEEDED(hr); ++b) {
        const XFile::SkinWeights& bone = mesh.bones[b];
        influenced.clear();
        weights.clear();
        for (size_t i = 0; i < bone.vertices.size(); ++i) {
            const uint32_t file = bone.vertices[i];
            for (uint32_t k = firstMade[file]; k < firstMade[file + 1]; ++k) {
                influenced.push_back(made[k]);
                weights.push_back(bone.weights[i]);
            }
        }
        hr = skin->SetBoneName(b, bone.frame.c_str());
        if (SUCCEEDED(hr))
            hr = skin->SetBoneOffsetMatrix(b, &bone.offset);
        if (SUCCEEDED(hr))
            hr = skin->SetBoneInfluence(b, static_cast<DWORD>(influenced.size()), influenced.data(), weights.data());
    }
    if (FAILED(hr)) {
        skin->Release();
        return hr;
    }
    *out = skin;
    return D3D_OK;
}

// Appends a container at the end of the frame's list.
void attach(D3DXFRAME* frame, D3DXMESHCONTAINER* container)
{
    D3DXMESHCONTAINER** end = &frame->pMeshContainer;
    while (*end)
        end = &(*end)->pNextMeshContainer;
    *end = container;
}

HRESULT buildController(const XFile::Hierarchy& file, const std::vector<D3DXFRAME*>& frames,
                        ID3DXAnimationController** out)
{
    *out = nullptr;
    ID3DXAnimationController* controller = nullptr;
    HRESULT hr = D3DXCreateAnimationController(static_cast<UINT>(frames.size()), static_cast<UINT>(file.sets.size()), 2,
                                               30, &controller);
    if (FAILED(hr))
        return hr;
    // Unnamed frames and later frames of a name already registered are not animated.
    for (D3DXFRAME* frame : frames) {
        if (frame->Name && *frame->Name)
            controller->RegisterAnimationOutput(frame->Name, &frame->TransformationMatrix, nullptr, nullptr, nullptr);
    }
    for (const XFile::AnimationSet& source : file.sets) {
        Held<ID3DXAnimationSet> set;
        hr = D3DXAnimation::createKeyframedSet(source, file.ticksPerSecond, &set.object);
        if (SUCCEEDED(hr))
            hr = controller->RegisterAnimationSet(set.object);
        if (FAILED(hr)) {
            controller->Release();
            return hr;
        }
    }
    Held<ID3DXAnimationSet> first;
    controller->GetAnimationSet(0, &first.object);
    controller->SetTrackAnimationSet(0, first.object);
    // The first pose is in the frames as soon as the file is loaded.
    controller->AdvanceTime(0.0, nullptr);
    *out = controller;
    return D3D_OK;
}

} // namespace

HRESULT D3DXLoadMeshHierarchyFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD MeshOptions,
                                           IDirect3DDevice9* pDevice, LPD3DXALLOCATEHIERARCHY pAlloc,
                                           LPD3DXLOADUSERDATA, LPD3DXFRAME* ppFrameHierarchy,
                                           LPD3DXANIMATIONCONTROLLER* ppAnimController)
{
    if (ppFrameHierarchy)
        *ppFrameHierarchy = nullptr;
    if (ppAnimController)
        *ppAnimController = nullptr;
    if (!Memory || !pDevice || !pAlloc || !ppFrameHierarchy)
        return D3DERR_INVALIDCALL;
    XFile::Hierarchy file;
    std::string error;
    if (!XFile::readHierarchy(Memory, SizeOfMemory, file, error)) {
        Diagnostics::error("D3DX", "mesh hierarchy file refused: %s", error.c_str());
        return E_FAIL;
    }

    // Frames are linked into the tree as they are made, so a failure gives back all made so far.
    D3DXFRAME* root = nullptr;
    D3DXFRAME* lastTop = nullptr;
    std::vector<D3DXFRAME*> frames(file.frames.size(), nullptr);
    std::vector<D3DXFRAME*> lastChild(file.frames.size(), nullptr);
    auto fail = [&](HRESULT hr) {
        D3DXFrameDestroy(root, pAlloc);
        return hr;
    };
    auto make = [&](const char* name, const D3DXMATRIX& local, D3DXFRAME** made) {
        D3DXFRAME* frame = nullptr;
        HRESULT hr = pAlloc->CreateFrame(name, &frame);
        if (SUCCEEDED(hr) && !frame)
            hr = E_OUTOFMEMORY;
        if (FAILED(hr))
            return hr;
        frame->TransformationMatrix = local;
        frame->pMeshContainer = nullptr;
        frame->pFrameSibling = nullptr;
        frame->pFrameFirstChild = nullptr;
        *made = frame;
        return D3D_OK;
    };
    auto linkTop = [&](D3DXFRAME* frame) {
        if (lastTop)
            lastTop->pFrameSibling = frame;
        else
            root = frame;
        lastTop = frame;
    };
    D3DXFRAME* outside = nullptr; // the frame of meshes outside every frame
    for (const XFile::HierarchyMesh& mesh : file.meshes) {
        if (mesh.frame < 0 && !outside) {
            D3DXMATRIX identity;
            D3DXMatrixIdentity(&identity);
            const HRESULT hr = make("", identity, &outside);
            if (FAILED(hr))
                return fail(hr);
            linkTop(outside);
        }
    }
    for (size_t f = 0; f < file.frames.size(); ++f) {
        const XFile::Frame& source = file.frames[f];
        const HRESULT hr = make(source.name.c_str(), source.local, &frames[f]);
        if (FAILED(hr))
            return fail(hr);
        if (source.parent < 0) {
            linkTop(frames[f]);
        } else {
            const size_t parent = static_cast<size_t>(source.parent);
            if (lastChild[parent])
                lastChild[parent]->pFrameSibling = frames[f];
            else
                frames[parent]->pFrameFirstChild = frames[f];
            lastChild[parent] = frames[f];
        }
    }

    for (const XFile::HierarchyMesh& mesh : file.meshes) {
        Held<ID3DXMesh> built;
        Held<ID3DXBuffer> adjacency, materials;
        Held<ID3DXSkinInfo> skin;
        DWORD materialCount = 0;
        HRESULT hr = D3DXMeshes::buildMesh(mesh.geometry, MeshOptions, pDevice, &adjacency.object, &materials.object,
                                           &materialCount, &built.object);
        if (SUCCEEDED(hr))
            hr = buildSkin(mesh, built.object->GetFVF(), built.object->GetNumVertices(), &skin.object);
        D3DXMESHCONTAINER* container = nullptr;
        if (SUCCEEDED(hr)) {
            const D3DXMESHDATA data{D3DXMESHTYPE_MESH, built.object};
            hr = pAlloc->CreateMeshContainer(
                mesh.name.c_str(), &data, static_cast<const D3DXMATERIAL*>(materials.object->GetBufferPointer()),
                nullptr, materialCount, static_cast<const DWORD*>(adjacency.object->GetBufferPointer()), skin.object,
                &container);
        }
        if (FAILED(hr))
            return fail(hr);
        if (container)
            attach(mesh.frame < 0 ? outside : frames[static_cast<size_t>(mesh.frame)], container);
    }

    if (ppAnimController && !file.sets.empty()) {
        const HRESULT hr = buildController(file, frames, ppAnimController);
        if (FAILED(hr))
            return fail(hr);
    }
    *ppFrameHierarchy = root;
    return D3D_OK;
}

HRESULT D3DXLoadMeshHierarchyFromXW(LPCWSTR Filename, DWORD MeshOptions, IDirect3DDevice9* pDevice,
                                    LPD3DXALLOCATEHIERARCHY pAlloc, LPD3DXLOADUSERDATA pUserDataLoader,
                                    LPD3DXFRAME* ppFrameHierarchy, LPD3DXANIMATIONCONTROLLER* ppAnimController)
{
    if (ppFrameHierarchy)
        *ppFrameHierarchy = nullptr;
    if (ppAnimController)
        *ppAnimController = nullptr;
    if (!Filename || !pDevice || !pAlloc || !ppFrameHierarchy)
        return D3DERR_INVALIDCALL;
    std::vector<char> bytes;
    if (!D3DXMeshes::readFile(Filename, bytes))
        return D3DXERR_INVALIDDATA;
    return D3DXLoadMeshHierarchyFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), MeshOptions, pDevice,
                                              pAlloc, pUserDataLoader, ppFrameHierarchy, ppAnimController);
}

HRESULT D3DXFrameDestroy(LPD3DXFRAME pFrameRoot, LPD3DXALLOCATEHIERARCHY pAlloc)
{
    if (!pAlloc)
        return D3DERR_INVALIDCALL;
    // Siblings in a loop, children by recursion: the depth is the tree's depth only.
    while (pFrameRoot) {
        D3DXFRAME* sibling = pFrameRoot->pFrameSibling;
        D3DXFrameDestroy(pFrameRoot->pFrameFirstChild, pAlloc);
        for (D3DXMESHCONTAINER* container = pFrameRoot->pMeshContainer; container;) {
            D3DXMESHCONTAINER* next = container->pNextMeshContainer;
            pAlloc->DestroyMeshContainer(container);
            container = next;
        }
        pAlloc->DestroyFrame(pFrameRoot);
        pFrameRoot = sibling;
    }
    return D3D_OK;
}

LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* pFrameRoot, LPCSTR Name)
{
    for (const D3DXFRAME* frame = pFrameRoot; frame && Name; frame = frame->pFrameSibling) {
        if (frame->Name && std::strcmp(frame->Name, Name) == 0)
            return const_cast<D3DXFRAME*>(frame);
        if (D3DXFRAME* found = D3DXFrameFind(frame->pFrameFirstChild, Name))
            return found;
    }
    return nullptr;
}
