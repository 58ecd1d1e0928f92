#pragma once
// What the mesh loaders and the ray test need of the layer's one ID3DXMesh class.
#include <d3dx9mesh.h>

#include <vector>

namespace XFile {
struct Scene;
}

namespace D3DXMeshes {

// One ID3DXMesh from a read scene: its vertices, faces sorted by material with an attribute
// table, and (each optional) its adjacency, its materials as D3DXMATERIAL records with the texture
// names behind them, and their count.
HRESULT buildMesh(const XFile::Scene& scene, DWORD options, IDirect3DDevice9* device, LPD3DXBUFFER* ppAdjacency,
                  LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
// A whole file's bytes; false when it cannot be opened or is past 2 GiB.
bool readFile(const wchar_t* fileName, std::vector<char>& bytes);

HRESULT createMesh(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out);
// Calls visit with every face's index and its three corner positions, in face order, for a mesh
// made by createMesh. Nothing is copied or allocated.
using TriangleVisitor = void (*)(void* context, DWORD face, const D3DXVECTOR3* corners);
void visitTriangles(ID3DXMesh* mesh, TriangleVisitor visit, void* context);

} // namespace D3DXMeshes
