#pragma once
// What the mesh loader and the ray test need of the layer's one ID3DXMesh class.
#include <d3dx9mesh.h>

#include <vector>

namespace D3DXMeshes {

HRESULT createMesh(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out);
// The positions and the indices (three per face) of a mesh made by createMesh.
bool readMeshGeometry(ID3DXMesh* mesh, std::vector<D3DXVECTOR3>& positions, std::vector<DWORD>& indices);

} // namespace D3DXMeshes
