#pragma once
// D3DX 9 geometry helpers over vertex positions: bounding volumes and the ray-triangle test.
#include <d3d9.h>
#include <d3dx9math.h>

// Every position is read as the first twelve bytes of a vertex, vertices dwStride bytes apart.
// The smallest box around NumVertices positions; D3DERR_INVALIDCALL for a null pointer.
// Without vertices both corners are the origin.
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride, D3DXVECTOR3* pMin,
                               D3DXVECTOR3* pMax);
// A sphere around the positions: its centre is their mean, its radius the largest distance of a
// position from that centre. D3DERR_INVALIDCALL for a null pointer; without vertices the centre is
// the origin and the radius 0.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                  D3DXVECTOR3* pCenter, FLOAT* pRadius);
// Whether the ray from pRayPos along pRayDir (any length) meets the triangle, from either side.
// On a hit: the hit point is p0 + u (p1 - p0) + v (p2 - p0) and pRayPos + dist * pRayDir; hits
// behind the ray's start do not count. Each output pointer may be null.
BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* pRayPos,
                      const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV, FLOAT* pDist);
