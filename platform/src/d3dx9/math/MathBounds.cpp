// D3DX bounding volumes over strided vertex positions and the ray-triangle test.
#include <d3dx9mesh.h>

#include <cstring>

namespace {

// Positions sit at the start of vertices that may be unaligned for a float read.
D3DXVECTOR3 positionAt(const D3DXVECTOR3* first, DWORD index, DWORD stride)
{
    D3DXVECTOR3 position;
    std::memcpy(&position, reinterpret_cast<const unsigned char*>(first) + static_cast<size_t>(index) * stride,
                sizeof(position));
    return position;
}

} // namespace

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride, D3DXVECTOR3* pMin,
                               D3DXVECTOR3* pMax)
{
    if (!pFirstPosition || !pMin || !pMax)
        return D3DERR_INVALIDCALL;
    if (NumVertices == 0) {
        *pMin = *pMax = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return D3D_OK;
    }
    D3DXVECTOR3 low = positionAt(pFirstPosition, 0, dwStride), high = low;
    for (DWORD i = 1; i < NumVertices; ++i) {
        const D3DXVECTOR3 p = positionAt(pFirstPosition, i, dwStride);
        D3DXVec3Minimize(&low, &low, &p);
        D3DXVec3Maximize(&high, &high, &p);
    }
    *pMin = low;
    *pMax = high;
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                  D3DXVECTOR3* pCenter, FLOAT* pRadius)
{
    if (!pFirstPosition || !pCenter || !pRadius)
        return D3DERR_INVALIDCALL;
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    for (DWORD i = 0; i < NumVertices; ++i)
        centre += positionAt(pFirstPosition, i, dwStride);
    if (NumVertices > 0)
        centre /= static_cast<float>(NumVertices);
    float radiusSq = 0.0f;
    for (DWORD i = 0; i < NumVertices; ++i) {
        const D3DXVECTOR3 offset = positionAt(pFirstPosition, i, dwStride) - centre;
        const float distanceSq = D3DXVec3LengthSq(&offset);
        if (distanceSq > radiusSq)
            radiusSq = distanceSq;
    }
    *pCenter = centre;
    *pRadius = std::sqrt(radiusSq);
    return D3D_OK;
}

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* pRayPos,
                      const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV, FLOAT* pDist)
{
    // Solves pos + dist * dir = p0 + u e1 + v e2 by Cramer's rule.
    const D3DXVECTOR3 e1 = *p1 - *p0, e2 = *p2 - *p0;
    D3DXVECTOR3 p;
    D3DXVec3Cross(&p, pRayDir, &e2);
    const float determinant = D3DXVec3Dot(&e1, &p);
    if (determinant == 0.0f)
        return FALSE; // the ray runs parallel to the triangle's plane
    const float inverse = 1.0f / determinant;
    const D3DXVECTOR3 t = *pRayPos - *p0;
    const float u = D3DXVec3Dot(&t, &p) * inverse;
    if (u < 0.0f || u > 1.0f)
        return FALSE;
    D3DXVECTOR3 q;
    D3DXVec3Cross(&q, &t, &e1);
    const float v = D3DXVec3Dot(pRayDir, &q) * inverse;
    if (v < 0.0f || u + v > 1.0f)
        return FALSE;
    const float dist = D3DXVec3Dot(&e2, &q) * inverse;
    if (dist < 0.0f)
        return FALSE;
    if (pU)
        *pU = u;
    if (pV)
        *pV = v;
    if (pDist)
        *pDist = dist;
    return TRUE;
}
