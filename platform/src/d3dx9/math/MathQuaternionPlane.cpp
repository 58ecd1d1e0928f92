// D3DX quaternion and plane functions.
#include <d3dx9math.h>

// ---------------------------------------------------------------------------------------------
// Quaternions

// Q1 then Q2: the Hamilton product Q2 * Q1, so that the rotation matrix of the result is
// matrix(Q1) * matrix(Q2) with row vectors.
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    const D3DXQUATERNION a = *pQ1, b = *pQ2;
    pOut->x = b.w * a.x + a.w * b.x + b.y * a.z - b.z * a.y;
    pOut->y = b.w * a.y + a.w * b.y + b.z * a.x - b.x * a.z;
    pOut->z = b.w * a.z + a.w * b.z + b.x * a.y - b.y * a.x;
    pOut->w = b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const float len = D3DXQuaternionLength(pQ);
    if (len == 0.0f) {
        pOut->x = pOut->y = pOut->z = pOut->w = 0.0f;
    } else {
        pOut->x = pQ->x / len;
        pOut->y = pQ->y / len;
        pOut->z = pQ->z / len;
        pOut->w = pQ->w / len;
    }
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const float normSq = D3DXQuaternionDot(pQ, pQ);
    if (normSq == 0.0f) {
        pOut->x = pOut->y = pOut->z = pOut->w = 0.0f;
        return pOut;
    }
    pOut->x = -pQ->x / normSq;
    pOut->y = -pQ->y / normSq;
    pOut->z = -pQ->z / normSq;
    pOut->w = pQ->w / normSq;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, float angle)
{
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pV);
    const float s = std::sin(angle * 0.5f);
    pOut->x = v.x * s;
    pOut->y = v.y * s;
    pOut->z = v.z * s;
    pOut->w = std::cos(angle * 0.5f);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM)
{
    const D3DXMATRIX& m = *pM;
    const float trace = m._11 + m._22 + m._33 + 1.0f;
    // Take the root of the largest term, so the divisor never gets small.
    if (trace > 1.0f) {
        const float s = 2.0f * std::sqrt(trace);
        pOut->x = (m._23 - m._32) / s;
        pOut->y = (m._31 - m._13) / s;
        pOut->z = (m._12 - m._21) / s;
        pOut->w = 0.25f * s;
    } else if (m._11 >= m._22 && m._11 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);
        pOut->x = 0.25f * s;
        pOut->y = (m._12 + m._21) / s;
        pOut->z = (m._13 + m._31) / s;
        pOut->w = (m._23 - m._32) / s;
    } else if (m._22 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);
        pOut->x = (m._12 + m._21) / s;
        pOut->y = 0.25f * s;
        pOut->z = (m._23 + m._32) / s;
        pOut->w = (m._31 - m._13) / s;
    } else {
        const float s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);
        pOut->x = (m._13 + m._31) / s;
        pOut->y = (m._23 + m._32) / s;
        pOut->z = 0.25f * s;
        pOut->w = (m._12 - m._21) / s;
    }
    return pOut;
}

// Roll about z, then pitch about x, then yaw about y, as D3DXMatrixRotationYawPitchRoll.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch, float roll)
{
    const float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
    const float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
    const float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
    pOut->x = cy * sp * cr + sy * cp * sr;
    pOut->y = sy * cp * cr - cy * sp * sr;
    pOut->z = cy * cp * sr - sy * sp * cr;
    pOut->w = cy * cp * cr + sy * sp * sr;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2, float t)
{
    float cosTheta = D3DXQuaternionDot(pQ1, pQ2);
    float sign = 1.0f;
    if (cosTheta < 0.0f) {
        cosTheta = -cosTheta;
        sign = -1.0f;
    }
    float w1, w2;
    if (1.0f - cosTheta > 1e-6f) {
        const float theta = std::acos(cosTheta);
        const float sinTheta = std::sin(theta);
        w1 = std::sin((1.0f - t) * theta) / sinTheta;
        w2 = std::sin(t * theta) / sinTheta;
    } else {
        // Nearly the same rotation: sin(x) ~ x, so the weights become linear.
        w1 = 1.0f - t;
        w2 = t;
    }
    w2 *= sign;
    const D3DXQUATERNION a = *pQ1, b = *pQ2;
    pOut->x = w1 * a.x + w2 * b.x;
    pOut->y = w1 * a.y + w2 * b.y;
    pOut->z = w1 * a.z + w2 * b.z;
    pOut->w = w1 * a.w + w2 * b.w;
    return pOut;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle)
{
    if (pAxis)
        *pAxis = D3DXVECTOR3(pQ->x, pQ->y, pQ->z);
    if (pAngle) {
        // Rounding can push |w| of a unit quaternion just past 1.
        const float w = pQ->w > 1.0f ? 1.0f : (pQ->w < -1.0f ? -1.0f : pQ->w);
        *pAngle = 2.0f * std::acos(w);
    }
}

// ---------------------------------------------------------------------------------------------
// Planes

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal)
{
    const D3DXVECTOR3 n = *pNormal;
    pOut->a = n.x;
    pOut->b = n.y;
    pOut->c = n.z;
    pOut->d = -D3DXVec3Dot(pPoint, &n);
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3)
{
    const D3DXVECTOR3 edge1 = *pV2 - *pV1;
    const D3DXVECTOR3 edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP)
{
    const float len = std::sqrt(pP->a * pP->a + pP->b * pP->b + pP->c * pP->c);
    if (len == 0.0f) {
        pOut->a = pOut->b = pOut->c = pOut->d = 0.0f;
    } else {
        pOut->a = pP->a / len;
        pOut->b = pP->b / len;
        pOut->c = pP->c / len;
        pOut->d = pP->d / len;
    }
    return pOut;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2)
{
    const D3DXVECTOR3 direction = *pV2 - *pV1;
    const float along = D3DXPlaneDotNormal(pP, &direction);
    if (along == 0.0f)
        return nullptr;
    const float t = D3DXPlaneDotCoord(pP, pV1) / along;
    *pOut = *pV1 - direction * t;
    return pOut;
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM)
{
    const D3DXPLANE p = *pP;
    pOut->a = p.a * pM->_11 + p.b * pM->_21 + p.c * pM->_31 + p.d * pM->_41;
    pOut->b = p.a * pM->_12 + p.b * pM->_22 + p.c * pM->_32 + p.d * pM->_42;
    pOut->c = p.a * pM->_13 + p.b * pM->_23 + p.c * pM->_33 + p.d * pM->_43;
    pOut->d = p.a * pM->_14 + p.b * pM->_24 + p.c * pM->_34 + p.d * pM->_44;
    return pOut;
}
