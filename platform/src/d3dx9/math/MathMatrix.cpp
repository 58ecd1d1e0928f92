// D3DX matrix functions.
#include <d3dx9math.h>

#include <cmath>

namespace {

// Cofactor expansion through the 2x2 minors of the top and bottom row pairs; the same
// minors serve the determinant and the adjugate.
struct Minors {
    float s0, s1, s2, s3, s4, s5;
    float c0, c1, c2, c3, c4, c5;

    explicit Minors(const D3DXMATRIX& a)
    {
        const float(*m)[4] = a.m;
        s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
        s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
        s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
        s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
        s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
        s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
        c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
        c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
        c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
        c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
        c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
        c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];
    }

    float determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};

D3DXMATRIX translation(float x, float y, float z)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

D3DXMATRIX rotation(const D3DXQUATERNION& q)
{
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    return m;
}

} // namespace

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] + pM1->m[i][2] * pM2->m[2][j] +
                        pM1->m[i][3] * pM2->m[3][j];
        }
    }
    *pOut = r;
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, pM1, pM2);
    return D3DXMatrixTranspose(pOut, &r);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = pM->m[j][i];
    *pOut = r;
    return pOut;
}

float D3DXMatrixDeterminant(const D3DXMATRIX* pM)
{
    return Minors(*pM).determinant();
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM)
{
    const Minors k(*pM);
    const float det = k.determinant();
    if (pDeterminant)
        *pDeterminant = det;
    if (det == 0.0f)
        return nullptr;

    const float(*m)[4] = pM->m;
    const float inv = 1.0f / det;
    D3DXMATRIX r;
    r.m[0][0] = (m[1][1] * k.c5 - m[1][2] * k.c4 + m[1][3] * k.c3) * inv;
    r.m[0][1] = (-m[0][1] * k.c5 + m[0][2] * k.c4 - m[0][3] * k.c3) * inv;
    r.m[0][2] = (m[3][1] * k.s5 - m[3][2] * k.s4 + m[3][3] * k.s3) * inv;
    r.m[0][3] = (-m[2][1] * k.s5 + m[2][2] * k.s4 - m[2][3] * k.s3) * inv;
    r.m[1][0] = (-m[1][0] * k.c5 + m[1][2] * k.c2 - m[1][3] * k.c1) * inv;
    r.m[1][1] = (m[0][0] * k.c5 - m[0][2] * k.c2 + m[0][3] * k.c1) * inv;
    r.m[1][2] = (-m[3][0] * k.s5 + m[3][2] * k.s2 - m[3][3] * k.s1) * inv;
    r.m[1][3] = (m[2][0] * k.s5 - m[2][2] * k.s2 + m[2][3] * k.s1) * inv;
    r.m[2][0] = (m[1][0] * k.c4 - m[1][1] * k.c2 + m[1][3] * k.c0) * inv;
    r.m[2][1] = (-m[0][0] * k.c4 + m[0][1] * k.c2 - m[0][3] * k.c0) * inv;
    r.m[2][2] = (m[3][0] * k.s4 - m[3][1] * k.s2 + m[3][3] * k.s0) * inv;
    r.m[2][3] = (-m[2][0] * k.s4 + m[2][1] * k.s2 - m[2][3] * k.s0) * inv;
    r.m[3][0] = (-m[1][0] * k.c3 + m[1][1] * k.c1 - m[1][2] * k.c0) * inv;
    r.m[3][1] = (m[0][0] * k.c3 - m[0][1] * k.c1 + m[0][2] * k.c0) * inv;
    r.m[3][2] = (-m[3][0] * k.s3 + m[3][1] * k.s1 - m[3][2] * k.s0) * inv;
    r.m[3][3] = (m[2][0] * k.s3 - m[2][1] * k.s1 + m[2][2] * k.s0) * inv;
    *pOut = r;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z)
{
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle)
{
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pV);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = t * v.x * v.x + c;
    pOut->_12 = t * v.x * v.y + s * v.z;
    pOut->_13 = t * v.x * v.z - s * v.y;
    pOut->_21 = t * v.x * v.y - s * v.z;
    pOut->_22 = t * v.y * v.y + c;
    pOut->_23 = t * v.y * v.z + s * v.x;
    pOut->_31 = t * v.x * v.z + s * v.y;
    pOut->_32 = t * v.y * v.z - s * v.x;
    pOut->_33 = t * v.z * v.z + c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ)
{
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 1.0f - 2.0f * (y * y + z * z);
    pOut->_12 = 2.0f * (x * y + z * w);
    pOut->_13 = 2.0f * (x * z - y * w);
    pOut->_21 = 2.0f * (x * y - z * w);
    pOut->_22 = 1.0f - 2.0f * (x * x + z * z);
    pOut->_23 = 2.0f * (y * z + x * w);
    pOut->_31 = 2.0f * (x * z + y * w);
    pOut->_32 = 2.0f * (y * z - x * w);
    pOut->_33 = 1.0f - 2.0f * (x * x + y * y);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll)
{
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = cr * cy + sr * sp * sy;
    pOut->_12 = sr * cp;
    pOut->_13 = sr * sp * cy - cr * sy;
    pOut->_21 = cr * sp * sy - sr * cy;
    pOut->_22 = cr * cp;
    pOut->_23 = sr * sy + cr * sp * cy;
    pOut->_31 = cp * sy;
    pOut->_32 = -sp;
    pOut->_33 = cp * cy;
    return pOut;
}

namespace {

D3DXMATRIX* lookAt(D3DXMATRIX* pOut, const D3DXVECTOR3& eye, const D3DXVECTOR3& forward, const D3DXVECTOR3& up)
{
    D3DXVECTOR3 zaxis, xaxis, yaxis;
    D3DXVec3Normalize(&zaxis, &forward);
    D3DXVec3Cross(&xaxis, &up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f, xaxis.y, yaxis.y, zaxis.y, 0.0f, xaxis.z, yaxis.z, zaxis.z,
                       0.0f, -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye), -D3DXVec3Dot(&zaxis, &eye), 1.0f);
    return pOut;
}

} // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    return lookAt(pOut, *pEye, *pAt - *pEye, *pUp);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    return lookAt(pOut, *pEye, *pEye - *pAt, *pUp);
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf)
{
    std::memset(pOut->m, 0, sizeof(pOut->m));
    pOut->_11 = 2.0f * zn / w;
    pOut->_22 = 2.0f * zn / h;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = zn * zf / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf)
{
    const float yScale = 1.0f / std::tan(fovy * 0.5f);
    std::memset(pOut->m, 0, sizeof(pOut->m));
    pOut->_11 = yScale / aspect;
    pOut->_22 = yScale;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = -zn * zf / (zf - zn);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf)
{
    const float yScale = 1.0f / std::tan(fovy * 0.5f);
    std::memset(pOut->m, 0, sizeof(pOut->m));
    pOut->_11 = yScale / aspect;
    pOut->_22 = yScale;
    pOut->_33 = zf / (zn - zf);
    pOut->_34 = -1.0f;
    pOut->_43 = zn * zf / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / w;
    pOut->_22 = 2.0f / h;
    pOut->_33 = 1.0f / (zf - zn);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / w;
    pOut->_22 = 2.0f / h;
    pOut->_33 = 1.0f / (zn - zf);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / (r - l);
    pOut->_22 = 2.0f / (t - b);
    pOut->_33 = 1.0f / (zf - zn);
    pOut->_41 = (l + r) / (l - r);
    pOut->_42 = (t + b) / (b - t);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / (r - l);
    pOut->_22 = 2.0f / (t - b);
    pOut->_33 = 1.0f / (zn - zf);
    pOut->_41 = (l + r) / (l - r);
    pOut->_42 = (t + b) / (b - t);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);

    if (pScaling) {
        const D3DXVECTOR3 sc = pScalingCenter ? *pScalingCenter : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        D3DXMATRIX scaleRot;
        D3DXMatrixIdentity(&scaleRot);
        if (pScalingRotation)
            scaleRot = rotation(*pScalingRotation);
        D3DXMATRIX scaleRotInv;
        D3DXMatrixTranspose(&scaleRotInv, &scaleRot);
        D3DXMATRIX s;
        D3DXMatrixScaling(&s, pScaling->x, pScaling->y, pScaling->z);

        m = translation(-sc.x, -sc.y, -sc.z);
        D3DXMatrixMultiply(&m, &m, &scaleRotInv);
        D3DXMatrixMultiply(&m, &m, &s);
        D3DXMatrixMultiply(&m, &m, &scaleRot);
        const D3DXMATRIX back = translation(sc.x, sc.y, sc.z);
        D3DXMatrixMultiply(&m, &m, &back);
    }
    // Without a scaling the scaling centre and rotation cancel out: Msc^-1 Msr^-1 Msr Msc = I.

    if (pRotation) {
        const D3DXVECTOR3 rc = pRotationCenter ? *pRotationCenter : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        const D3DXMATRIX toCentre = translation(-rc.x, -rc.y, -rc.z);
        const D3DXMATRIX r = rotation(*pRotation);
        const D3DXMATRIX back = translation(rc.x, rc.y, rc.z);
        D3DXMatrixMultiply(&m, &m, &toCentre);
        D3DXMatrixMultiply(&m, &m, &r);
        D3DXMatrixMultiply(&m, &m, &back);
    }

    if (pTranslation) {
        m._41 += pTranslation->x;
        m._42 += pTranslation->y;
        m._43 += pTranslation->z;
    }
    *pOut = m;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter, float scalingRotation,
                                       const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, float rotation,
                                       const D3DXVECTOR2* pTranslation)
{
    // The same product as the general form, worked out in the plane: sprites build one of
    // these per quad, and the 4x4 products dominated drawing thousands of them.
    // Row vectors: p' = ((p - sc) A + sc - rc) R + rc + t, with A = Rsr^-1 S Rsr.
    float a11 = 1.0f, a12 = 0.0f, a21 = 0.0f, a22 = 1.0f, ax = 0.0f, ay = 0.0f;
    if (pScaling) {
        const float c = std::cos(scalingRotation), s = std::sin(scalingRotation);
        const float sx = pScaling->x, sy = pScaling->y;
        // Rsr = [c s; -s c], its inverse the transpose.
        a11 = c * c * sx + s * s * sy;
        a12 = c * s * sx - s * c * sy;
        a21 = s * c * sx - c * s * sy;
        a22 = s * s * sx + c * c * sy;
        if (pScalingCenter) {
            const float cx = pScalingCenter->x, cy = pScalingCenter->y;
            ax = cx - (cx * a11 + cy * a21);
            ay = cy - (cx * a12 + cy * a22);
        }
    }
    float rx = 0.0f, ry = 0.0f;
    if (pRotationCenter) {
        rx = pRotationCenter->x;
        ry = pRotationCenter->y;
    }
    const float c = std::cos(rotation), s = std::sin(rotation);
    const float ox = ax - rx, oy = ay - ry;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = a11 * c - a12 * s;
    pOut->_12 = a11 * s + a12 * c;
    pOut->_21 = a21 * c - a22 * s;
    pOut->_22 = a21 * s + a22 * c;
    pOut->_41 = ox * c - oy * s + rx + (pTranslation ? pTranslation->x : 0.0f);
    pOut->_42 = ox * s + oy * c + ry + (pTranslation ? pTranslation->y : 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling, const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation)
{
    const D3DXVECTOR3 s(scaling, scaling, scaling);
    return D3DXMatrixTransformation(pOut, nullptr, nullptr, &s, pRotationCenter, pRotation, pTranslation);
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation, D3DXVECTOR3* pOutTranslation,
                            const D3DXMATRIX* pM)
{
    const D3DXVECTOR3 row0(pM->_11, pM->_12, pM->_13);
    const D3DXVECTOR3 row1(pM->_21, pM->_22, pM->_23);
    const D3DXVECTOR3 row2(pM->_31, pM->_32, pM->_33);
    const D3DXVECTOR3 scale(D3DXVec3Length(&row0), D3DXVec3Length(&row1), D3DXVec3Length(&row2));

    if (pOutTranslation)
        *pOutTranslation = D3DXVECTOR3(pM->_41, pM->_42, pM->_43);
    if (pOutScale)
        *pOutScale = scale;
    if (scale.x == 0.0f || scale.y == 0.0f || scale.z == 0.0f)
        return D3DERR_INVALIDCALL;

    if (pOutRotation) {
        D3DXMATRIX r;
        D3DXMatrixIdentity(&r);
        r._11 = row0.x / scale.x;
        r._12 = row0.y / scale.x;
        r._13 = row0.z / scale.x;
        r._21 = row1.x / scale.y;
        r._22 = row1.y / scale.y;
        r._23 = row1.z / scale.y;
        r._31 = row2.x / scale.z;
        r._32 = row2.y / scale.z;
        r._33 = row2.z / scale.z;
        D3DXQuaternionRotationMatrix(pOutRotation, &r);
    }
    return S_OK;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    *pOut = D3DXMATRIX(1.0f - 2.0f * p.a * p.a, -2.0f * p.a * p.b, -2.0f * p.a * p.c, 0.0f, -2.0f * p.b * p.a,
                       1.0f - 2.0f * p.b * p.b, -2.0f * p.b * p.c, 0.0f, -2.0f * p.c * p.a, -2.0f * p.c * p.b,
                       1.0f - 2.0f * p.c * p.c, 0.0f, -2.0f * p.d * p.a, -2.0f * p.d * p.b, -2.0f * p.d * p.c, 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const D3DXVECTOR4 l = *pLight;
    const float d = -D3DXPlaneDot(&p, &l);
    const float pl[4] = {p.a, p.b, p.c, p.d};
    const float ll[4] = {l.x, l.y, l.z, l.w};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            pOut->m[i][j] = pl[i] * ll[j] + (i == j ? d : 0.0f);
    return pOut;
}
