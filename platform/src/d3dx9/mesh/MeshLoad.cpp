// D3DXLoadMeshFromX over the layer's own .x text reader: the file's meshes become one ID3DXMesh
// sorted by material, with its materials and adjacency.
#include <crt.h>
#include <d3dx9.h>

#include "common/Diagnostics.h"
#include "d3dx9/mesh/MeshInternal.h"
#include "d3dx9/xfile/XFileReader.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace D3DXMeshes {

HRESULT buildMesh(const XFile::Scene& scene, DWORD options, IDirect3DDevice9* device, LPD3DXBUFFER* ppAdjacency,
                  LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    const DWORD vertices = static_cast<DWORD>(scene.positions.size());
    const DWORD faces = static_cast<DWORD>(scene.attributes.size());
    if (vertices > 0xFFFF)
        options |= D3DXMESH_32BIT;
    DWORD fvf = D3DFVF_XYZ;
    if (!scene.normals.empty())
        fvf |= D3DFVF_NORMAL;
    if (!scene.texCoords.empty())
        fvf |= D3DFVF_TEX1;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXMeshes::createMesh(faces, vertices, options, fvf, device, &mesh);
    if (FAILED(hr))
        return hr;

    uint8_t* vertexBytes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertexBytes)))) {
        mesh->Release();
        return E_FAIL;
    }
    const DWORD stride = mesh->GetNumBytesPerVertex();
    for (DWORD v = 0; v < vertices; ++v) {
        uint8_t* at = vertexBytes + static_cast<size_t>(v) * stride;
        std::memcpy(at, &scene.positions[v], 12);
        at += 12;
        if (!scene.normals.empty()) {
            std::memcpy(at, &scene.normals[v], 12);
            at += 12;
        }
        if (!scene.texCoords.empty())
            std::memcpy(at, &scene.texCoords[v], 8);
    }
    mesh->UnlockVertexBuffer();
    uint8_t* indexBytes = nullptr;
    if (FAILED(mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&indexBytes)))) {
        mesh->Release();
        return E_FAIL;
    }
    for (size_t i = 0; i < scene.indices.size(); ++i) {
        if (options & D3DXMESH_32BIT) {
            std::memcpy(indexBytes + i * 4, &scene.indices[i], 4);
        } else {
            const WORD narrow = static_cast<WORD>(scene.indices[i]);
            std::memcpy(indexBytes + i * 2, &narrow, 2);
        }
    }
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    std::memcpy(attributes, scene.attributes.data(), faces * sizeof(DWORD));
    mesh->UnlockAttributeBuffer();

    std::vector<DWORD> adjacency(static_cast<size_t>(faces) * 3);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    std::vector<DWORD> sorted(adjacency.size());
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), sorted.data(), nullptr, nullptr);

    if (ppAdjacency) {
        *ppAdjacency = nullptr;
        if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(sorted.size() * sizeof(DWORD)), ppAdjacency))) {
            mesh->Release();
            return E_OUTOFMEMORY;
        }
        std::memcpy((*ppAdjacency)->GetBufferPointer(), sorted.data(), sorted.size() * sizeof(DWORD));
    }
    if (ppMaterials) {
        // The records first, then the texture names they point at, in one buffer.
        size_t size = scene.materials.size() * sizeof(D3DXMATERIAL);
        for (const XFile::Material& m : scene.materials)
            size += m.textureFile.empty() ? 0 : m.textureFile.size() + 1;
        *ppMaterials = nullptr;
        if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(size), ppMaterials))) {
            if (ppAdjacency && *ppAdjacency) {
                (*ppAdjacency)->Release();
                *ppAdjacency = nullptr;
            }
            mesh->Release();
            return E_OUTOFMEMORY;
        }
        auto* records = static_cast<D3DXMATERIAL*>((*ppMaterials)->GetBufferPointer());
        char* names = reinterpret_cast<char*>(records + scene.materials.size());
        for (size_t i = 0; i < scene.materials.size(); ++i) {
            const XFile::Material& m = scene.materials[i];
            D3DMATERIAL9& d = records[i].MatD3D;
            d.Diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
            // The format has no ambient colour; D3DX leaves it black.
            d.Ambient = {0.0f, 0.0f, 0.0f, 0.0f};
            d.Specular = {m.specular[0], m.specular[1], m.specular[2], 1.0f};
            d.Emissive = {m.emissive[0], m.emissive[1], m.emissive[2], 1.0f};
            d.Power = m.power;
            records[i].pTextureFilename = nullptr;
            if (!m.textureFile.empty()) {
                std::memcpy(names, m.textureFile.c_str(), m.textureFile.size() + 1);
                records[i].pTextureFilename = names;
                names += m.textureFile.size() + 1;
            }
        }
    }
    if (pNumMaterials)
        *pNumMaterials = static_cast<DWORD>(scene.materials.size());
    *ppMesh = mesh;
    return D3D_OK;
}

bool readFile(const wchar_t* fileName, std::vector<char>& bytes)
{
    bytes.clear();
    FILE* file = _wfopen(fileName, L"rb");
    if (!file)
        return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > 0x7FFFFFFF)
            break;
    }
    std::fclose(file);
    return bytes.size() <= 0x7FFFFFFF;
}

} // namespace D3DXMeshes

HRESULT D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances,
                                  DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    if (ppEffectInstances)
        *ppEffectInstances = nullptr;
    if (!Memory || !pD3DDevice || !ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    XFile::Scene scene;
    std::string error;
    if (!XFile::read(Memory, SizeOfMemory, scene, error)) {
        Diagnostics::error("D3DX", "mesh file refused: %s", error.c_str());
        return E_FAIL;
    }
    return D3DXMeshes::buildMesh(scene, Options, pD3DDevice, ppAdjacency, ppMaterials, pNumMaterials, ppMesh);
}

HRESULT D3DXLoadMeshFromXW(LPCWSTR pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                           LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                           LPD3DXMESH* ppMesh)
{
    if (ppEffectInstances)
        *ppEffectInstances = nullptr;
    if (!pFilename || !pD3DDevice || !ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    std::vector<char> bytes;
    if (!D3DXMeshes::readFile(pFilename, bytes))
        return D3DXERR_INVALIDDATA;
    return D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), Options, pD3DDevice, ppAdjacency,
                                     ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
}
