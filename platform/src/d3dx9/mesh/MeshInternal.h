#pragma once
// What the mesh loader and the ray test need of the layer's one ID3DXMesh class.
#include <d3dx9mesh.h>

#include <vector>

namespace D3DXMeshes {

HRESULT createMesh(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out);
// Calls visit with every face's index and its three corner positions, in face order, for a mesh
// made by createMesh. Nothing is copied or allocated.
using TriangleVisitor = void (*)(void* context, DWORD face, const D3DXVECTOR3* corners);
void visitTriangles(ID3DXMesh* mesh, TriangleVisitor visit, void* context);

} // namespace D3DXMeshes
