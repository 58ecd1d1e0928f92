// D3DX vector functions.
#include <d3dx9math.h>

namespace {

// Walks strided arrays the way the D3DX array functions do: strides are in bytes.
template <typename T> T* stepped(T* base, UINT stride, UINT i)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(base) + static_cast<size_t>(stride) * i);
}

template <typename T> const T* stepped(const T* base, UINT stride, UINT i)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(base) + static_cast<size_t>(stride) * i);
}

// The Catmull-Rom and Hermite weights, shared by the 3D and 4D versions.
struct CatmullRomWeights {
    float w0, w1, w2, w3;
    explicit CatmullRomWeights(float s)
    {
        const float s2 = s * s;
        const float s3 = s2 * s;
        w0 = 0.5f * (-s3 + 2.0f * s2 - s);
        w1 = 0.5f * (3.0f * s3 - 5.0f * s2 + 2.0f);
        w2 = 0.5f * (-3.0f * s3 + 4.0f * s2 + s);
        w3 = 0.5f * (s3 - s2);
    }
};

struct HermiteWeights {
    float v1, t1, v2, t2;
    explicit HermiteWeights(float s)
    {
        const float s2 = s * s;
        const float s3 = s2 * s;
        v1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
        t1 = s3 - 2.0f * s2 + s;
        v2 = -2.0f * s3 + 3.0f * s2;
        t2 = s3 - s2;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// 2D

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV)
{
    const float len = D3DXVec2Length(pV);
    if (len == 0.0f) {
        pOut->x = pOut->y = 0.0f;
    } else {
        pOut->x = pV->x / len;
        pOut->y = pV->y / len;
    }
    return pOut;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y;
    pOut->x = x * pM->_11 + y * pM->_21 + pM->_41;
    pOut->y = x * pM->_12 + y * pM->_22 + pM->_42;
    pOut->z = x * pM->_13 + y * pM->_23 + pM->_43;
    pOut->w = x * pM->_14 + y * pM->_24 + pM->_44;
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y;
    const float w = x * pM->_14 + y * pM->_24 + pM->_44;
    pOut->x = (x * pM->_11 + y * pM->_21 + pM->_41) / w;
    pOut->y = (x * pM->_12 + y * pM->_22 + pM->_42) / w;
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y;
    pOut->x = x * pM->_11 + y * pM->_21;
    pOut->y = x * pM->_12 + y * pM->_22;
    return pOut;
}

D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                    const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec2Transform(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                         const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec2TransformCoord(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                          const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec2TransformNormal(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

// ---------------------------------------------------------------------------------------------
// 3D

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    const float len = D3DXVec3Length(pV);
    if (len == 0.0f) {
        pOut->x = pOut->y = pOut->z = 0.0f;
    } else {
        pOut->x = pV->x / len;
        pOut->y = pV->y / len;
        pOut->z = pV->z / len;
    }
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y, z = pV->z;
    pOut->x = x * pM->_11 + y * pM->_21 + z * pM->_31 + pM->_41;
    pOut->y = x * pM->_12 + y * pM->_22 + z * pM->_32 + pM->_42;
    pOut->z = x * pM->_13 + y * pM->_23 + z * pM->_33 + pM->_43;
    pOut->w = x * pM->_14 + y * pM->_24 + z * pM->_34 + pM->_44;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y, z = pV->z;
    const float w = x * pM->_14 + y * pM->_24 + z * pM->_34 + pM->_44;
    pOut->x = (x * pM->_11 + y * pM->_21 + z * pM->_31 + pM->_41) / w;
    pOut->y = (x * pM->_12 + y * pM->_22 + z * pM->_32 + pM->_42) / w;
    pOut->z = (x * pM->_13 + y * pM->_23 + z * pM->_33 + pM->_43) / w;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y, z = pV->z;
    pOut->x = x * pM->_11 + y * pM->_21 + z * pM->_31;
    pOut->y = x * pM->_12 + y * pM->_22 + z * pM->_32;
    pOut->z = x * pM->_13 + y * pM->_23 + z * pM->_33;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                                         const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec3TransformCoord(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                                          const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec3TransformNormal(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

namespace {

// world * view * projection, skipping the null ones.
D3DXMATRIX combinedTransform(const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (pWorld)
        m = *pWorld;
    if (pView)
        D3DXMatrixMultiply(&m, &m, pView);
    if (pProjection)
        D3DXMatrixMultiply(&m, &m, pProjection);
    return m;
}

} // namespace

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                             const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld)
{
    const D3DXMATRIX m = combinedTransform(pProjection, pView, pWorld);
    D3DXVECTOR3 v;
    D3DXVec3TransformCoord(&v, pV, &m);
    if (pViewport) {
        const float width = static_cast<float>(pViewport->Width);
        const float height = static_cast<float>(pViewport->Height);
        v.x = static_cast<float>(pViewport->X) + (1.0f + v.x) * width * 0.5f;
        v.y = static_cast<float>(pViewport->Y) + (1.0f - v.y) * height * 0.5f;
        v.z = pViewport->MinZ + v.z * (pViewport->MaxZ - pViewport->MinZ);
    }
    *pOut = v;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                               const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld)
{
    D3DXMATRIX m = combinedTransform(pProjection, pView, pWorld);
    if (!D3DXMatrixInverse(&m, nullptr, &m))
        return nullptr;
    D3DXVECTOR3 v = *pV;
    if (pViewport) {
        const float width = static_cast<float>(pViewport->Width);
        const float height = static_cast<float>(pViewport->Height);
        v.x = 2.0f * (v.x - static_cast<float>(pViewport->X)) / width - 1.0f;
        v.y = 1.0f - 2.0f * (v.y - static_cast<float>(pViewport->Y)) / height;
        v.z = (v.z - pViewport->MinZ) / (pViewport->MaxZ - pViewport->MinZ);
    }
    D3DXVec3TransformCoord(pOut, &v, &m);
    return pOut;
}

D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float s)
{
    const CatmullRomWeights w(s);
    const D3DXVECTOR3 r(w.w0 * pV0->x + w.w1 * pV1->x + w.w2 * pV2->x + w.w3 * pV3->x,
                        w.w0 * pV0->y + w.w1 * pV1->y + w.w2 * pV2->y + w.w3 * pV3->y,
                        w.w0 * pV0->z + w.w1 * pV1->z + w.w2 * pV2->z + w.w3 * pV3->z);
    *pOut = r;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2,
                             const D3DXVECTOR3* pT2, float s)
{
    const HermiteWeights w(s);
    const D3DXVECTOR3 r(w.v1 * pV1->x + w.t1 * pT1->x + w.v2 * pV2->x + w.t2 * pT2->x,
                        w.v1 * pV1->y + w.t1 * pT1->y + w.v2 * pV2->y + w.t2 * pT2->y,
                        w.v1 * pV1->z + w.t1 * pT1->z + w.v2 * pV2->z + w.t2 * pT2->z);
    *pOut = r;
    return pOut;
}

// ---------------------------------------------------------------------------------------------
// 4D

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV)
{
    const float len = D3DXVec4Length(pV);
    if (len == 0.0f) {
        pOut->x = pOut->y = pOut->z = pOut->w = 0.0f;
    } else {
        pOut->x = pV->x / len;
        pOut->y = pV->y / len;
        pOut->z = pV->z / len;
        pOut->w = pV->w / len;
    }
    return pOut;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM)
{
    const float x = pV->x, y = pV->y, z = pV->z, w = pV->w;
    pOut->x = x * pM->_11 + y * pM->_21 + z * pM->_31 + w * pM->_41;
    pOut->y = x * pM->_12 + y * pM->_22 + z * pM->_32 + w * pM->_42;
    pOut->z = x * pM->_13 + y * pM->_23 + z * pM->_33 + w * pM->_43;
    pOut->w = x * pM->_14 + y * pM->_24 + z * pM->_34 + w * pM->_44;
    return pOut;
}

D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR4* pV, UINT VStride,
                                    const D3DXMATRIX* pM, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        D3DXVec4Transform(stepped(pOut, OutStride, i), stepped(pV, VStride, i), pM);
    return pOut;
}

D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float s)
{
    const CatmullRomWeights w(s);
    const D3DXVECTOR4 r(w.w0 * pV0->x + w.w1 * pV1->x + w.w2 * pV2->x + w.w3 * pV3->x,
                        w.w0 * pV0->y + w.w1 * pV1->y + w.w2 * pV2->y + w.w3 * pV3->y,
                        w.w0 * pV0->z + w.w1 * pV1->z + w.w2 * pV2->z + w.w3 * pV3->z,
                        w.w0 * pV0->w + w.w1 * pV1->w + w.w2 * pV2->w + w.w3 * pV3->w);
    *pOut = r;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2,
                             const D3DXVECTOR4* pT2, float s)
{
    const HermiteWeights w(s);
    const D3DXVECTOR4 r(w.v1 * pV1->x + w.t1 * pT1->x + w.v2 * pV2->x + w.t2 * pT2->x,
                        w.v1 * pV1->y + w.t1 * pT1->y + w.v2 * pV2->y + w.t2 * pT2->y,
                        w.v1 * pV1->z + w.t1 * pT1->z + w.v2 * pV2->z + w.t2 * pT2->z,
                        w.v1 * pV1->w + w.t1 * pT1->w + w.v2 * pV2->w + w.t2 * pT2->w);
    *pOut = r;
    return pOut;
}
