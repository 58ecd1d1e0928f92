#pragma once
// D3DX 9 maths: row vectors (v' = v * M), left-handed conventions, single precision.
// Every function returns its output pointer, and the output may alias an input.
#include <d3d9types.h>

#include <cmath>
#include <cstring>

#define D3DX_PI (3.14159265358979323846f)
#define D3DX_1BYPI (1.0f / D3DX_PI)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

#ifndef D3DERR_INVALIDCALL
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086CL)
#endif

struct D3DXVECTOR2;
struct D3DXVECTOR3;
struct D3DXVECTOR4;
struct D3DXMATRIX;
struct D3DXQUATERNION;
struct D3DXPLANE;
struct D3DXCOLOR;

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2);

// IEEE 754 half-precision value.
struct D3DXFLOAT16 {
    WORD value;

    D3DXFLOAT16() = default;
    D3DXFLOAT16(float f);
    operator float() const;
    bool operator==(const D3DXFLOAT16& other) const { return value == other.value; }
    bool operator!=(const D3DXFLOAT16& other) const { return value != other.value; }
};

D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const float* pIn, UINT n);
float* D3DXFloat16To32Array(float* pOut, const D3DXFLOAT16* pIn, UINT n);

// ---------------------------------------------------------------------------------------------
// Vectors

struct D3DXVECTOR2 {
    float x;
    float y;

    D3DXVECTOR2() = default;
    D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v)
    {
        x += v.x;
        y += v.y;
        return *this;
    }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v)
    {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    D3DXVECTOR2& operator*=(float f)
    {
        x *= f;
        y *= f;
        return *this;
    }
    D3DXVECTOR2& operator/=(float f)
    {
        x /= f;
        y /= f;
        return *this;
    }

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }

    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(float f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(float f) const { return D3DXVECTOR2(x / f, y / f); }
    friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return D3DXVECTOR2(f * v.x, f * v.y); }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};
typedef D3DXVECTOR2* LPD3DXVECTOR2;

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(const float* f)
    {
        x = f[0];
        y = f[1];
        z = f[2];
    }
    D3DXVECTOR3(const D3DVECTOR& v)
    {
        x = v.x;
        y = v.y;
        z = v.z;
    }
    D3DXVECTOR3(float fx, float fy, float fz)
    {
        x = fx;
        y = fy;
        z = fz;
    }

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(float f)
    {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    D3DXVECTOR3& operator/=(float f)
    {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(float f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(float f) const { return D3DXVECTOR3(x / f, y / f, z / f); }
    friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return D3DXVECTOR3(f * v.x, f * v.y, f * v.z); }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};
typedef D3DXVECTOR3* LPD3DXVECTOR3;

struct D3DXVECTOR4 {
    float x;
    float y;
    float z;
    float w;

    D3DXVECTOR4() = default;
    D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXVECTOR4(const D3DVECTOR& v, float fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        w += v.w;
        return *this;
    }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        w -= v.w;
        return *this;
    }
    D3DXVECTOR4& operator*=(float f)
    {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXVECTOR4& operator/=(float f)
    {
        x /= f;
        y /= f;
        z /= f;
        w /= f;
        return *this;
    }

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }

    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w); }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w); }
    D3DXVECTOR4 operator*(float f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(float f) const { return D3DXVECTOR4(x / f, y / f, z / f, w / f); }
    friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v)
    {
        return D3DXVECTOR4(f * v.x, f * v.y, f * v.z, f * v.w);
    }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};
typedef D3DXVECTOR4* LPD3DXVECTOR4;

// ---------------------------------------------------------------------------------------------
// Matrix

struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const float* f) { std::memcpy(m, f, sizeof(m)); }
    D3DXMATRIX(const D3DMATRIX& mat) { std::memcpy(m, mat.m, sizeof(m)); }
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24, float f31,
               float f32, float f33, float f34, float f41, float f42, float f43, float f44)
    {
        _11 = f11;
        _12 = f12;
        _13 = f13;
        _14 = f14;
        _21 = f21;
        _22 = f22;
        _23 = f23;
        _24 = f24;
        _31 = f31;
        _32 = f32;
        _33 = f33;
        _34 = f34;
        _41 = f41;
        _42 = f42;
        _43 = f43;
        _44 = f44;
    }

    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }

    operator float*() { return &_11; }
    operator const float*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat)
    {
        D3DXMatrixMultiply(this, this, &mat);
        return *this;
    }
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat)
    {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[i][j] += mat.m[i][j];
        return *this;
    }
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat)
    {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[i][j] -= mat.m[i][j];
        return *this;
    }
    D3DXMATRIX& operator*=(float f)
    {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[i][j] *= f;
        return *this;
    }
    D3DXMATRIX& operator/=(float f) { return *this *= 1.0f / f; }

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const
    {
        D3DXMATRIX r(*this);
        return r *= -1.0f;
    }

    D3DXMATRIX operator*(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r;
        D3DXMatrixMultiply(&r, this, &mat);
        return r;
    }
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r(*this);
        return r += mat;
    }
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r(*this);
        return r -= mat;
    }
    D3DXMATRIX operator*(float f) const
    {
        D3DXMATRIX r(*this);
        return r *= f;
    }
    D3DXMATRIX operator/(float f) const
    {
        D3DXMATRIX r(*this);
        return r /= f;
    }
    friend D3DXMATRIX operator*(float f, const D3DXMATRIX& mat)
    {
        D3DXMATRIX r(mat);
        return r *= f;
    }

    bool operator==(const D3DXMATRIX& mat) const
    {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                if (m[i][j] != mat.m[i][j])
                    return false;
        return true;
    }
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};
typedef D3DXMATRIX* LPD3DXMATRIX;

// ---------------------------------------------------------------------------------------------
// Quaternion, plane, colour

struct D3DXQUATERNION {
    float x;
    float y;
    float z;
    float w;

    D3DXQUATERNION() = default;
    D3DXQUATERNION(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q)
    {
        x += q.x;
        y += q.y;
        z += q.z;
        w += q.w;
        return *this;
    }
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q)
    {
        x -= q.x;
        y -= q.y;
        z -= q.z;
        w -= q.w;
        return *this;
    }
    // this then q, as D3DXQuaternionMultiply(this, q).
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q)
    {
        D3DXQuaternionMultiply(this, this, &q);
        return *this;
    }
    D3DXQUATERNION& operator*=(float f)
    {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXQUATERNION& operator/=(float f)
    {
        x /= f;
        y /= f;
        z /= f;
        w /= f;
        return *this;
    }

    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }

    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
    }
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
    }
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const
    {
        D3DXQUATERNION r;
        D3DXQuaternionMultiply(&r, this, &q);
        return r;
    }
    D3DXQUATERNION operator*(float f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
    D3DXQUATERNION operator/(float f) const { return D3DXQUATERNION(x / f, y / f, z / f, w / f); }
    friend D3DXQUATERNION operator*(float f, const D3DXQUATERNION& q)
    {
        return D3DXQUATERNION(f * q.x, f * q.y, f * q.z, f * q.w);
    }

    bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};
typedef D3DXQUATERNION* LPD3DXQUATERNION;

// ax + by + cz + d = 0
struct D3DXPLANE {
    float a;
    float b;
    float c;
    float d;

    D3DXPLANE() = default;
    D3DXPLANE(const float* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
    D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator float*() { return &a; }
    operator const float*() const { return &a; }

    D3DXPLANE& operator*=(float f)
    {
        a *= f;
        b *= f;
        c *= f;
        d *= f;
        return *this;
    }
    D3DXPLANE& operator/=(float f)
    {
        a /= f;
        b /= f;
        c /= f;
        d /= f;
        return *this;
    }

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }

    D3DXPLANE operator*(float f) const { return D3DXPLANE(a * f, b * f, c * f, d * f); }
    D3DXPLANE operator/(float f) const { return D3DXPLANE(a / f, b / f, c / f, d / f); }
    friend D3DXPLANE operator*(float f, const D3DXPLANE& p) { return D3DXPLANE(f * p.a, f * p.b, f * p.c, f * p.d); }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};
typedef D3DXPLANE* LPD3DXPLANE;

struct D3DXCOLOR : public D3DCOLORVALUE {
    D3DXCOLOR() = default;
    // From packed A R G B, each byte divided by 255.
    D3DXCOLOR(DWORD argb)
    {
        r = static_cast<float>((argb >> 16) & 0xffu) / 255.0f;
        g = static_cast<float>((argb >> 8) & 0xffu) / 255.0f;
        b = static_cast<float>(argb & 0xffu) / 255.0f;
        a = static_cast<float>((argb >> 24) & 0xffu) / 255.0f;
    }
    D3DXCOLOR(const float* f)
    {
        r = f[0];
        g = f[1];
        b = f[2];
        a = f[3];
    }
    D3DXCOLOR(const D3DCOLORVALUE& c)
    {
        r = c.r;
        g = c.g;
        b = c.b;
        a = c.a;
    }
    D3DXCOLOR(float fr, float fg, float fb, float fa)
    {
        r = fr;
        g = fg;
        b = fb;
        a = fa;
    }

    // To packed A R G B; each channel saturates to 0..255 and rounds to nearest.
    operator DWORD() const
    {
        return (channelToByte(a) << 24) | (channelToByte(r) << 16) | (channelToByte(g) << 8) | channelToByte(b);
    }

    operator float*() { return &r; }
    operator const float*() const { return &r; }
    operator D3DCOLORVALUE*() { return this; }
    operator const D3DCOLORVALUE*() const { return this; }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c)
    {
        r += c.r;
        g += c.g;
        b += c.b;
        a += c.a;
        return *this;
    }
    D3DXCOLOR& operator-=(const D3DXCOLOR& c)
    {
        r -= c.r;
        g -= c.g;
        b -= c.b;
        a -= c.a;
        return *this;
    }
    D3DXCOLOR& operator*=(float f)
    {
        r *= f;
        g *= f;
        b *= f;
        a *= f;
        return *this;
    }
    D3DXCOLOR& operator/=(float f)
    {
        r /= f;
        g /= f;
        b /= f;
        a /= f;
        return *this;
    }

    D3DXCOLOR operator+() const { return *this; }
    D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }

    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
    D3DXCOLOR operator*(float f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
    D3DXCOLOR operator/(float f) const { return D3DXCOLOR(r / f, g / f, b / f, a / f); }
    friend D3DXCOLOR operator*(float f, const D3DXCOLOR& c) { return D3DXCOLOR(f * c.r, f * c.g, f * c.b, f * c.a); }

    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

private:
    static DWORD channelToByte(float c)
    {
        if (c >= 1.0f)
            return 0xffu;
        // Written so that NaN also gives 0 instead of an undefined conversion.
        if (!(c > 0.0f))
            return 0u;
        return static_cast<DWORD>(c * 255.0f + 0.5f);
    }
};
typedef D3DXCOLOR* LPD3DXCOLOR;

// ---------------------------------------------------------------------------------------------
// 2D vector

inline float D3DXVec2Length(const D3DXVECTOR2* pV)
{
    return std::sqrt(pV->x * pV->x + pV->y * pV->y);
}
inline float D3DXVec2LengthSq(const D3DXVECTOR2* pV)
{
    return pV->x * pV->x + pV->y * pV->y;
}
inline float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y;
}
// z component of the 3D cross product; positive when V2 is counter-clockwise from V1.
inline float D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    return pV1->x * pV2->y - pV1->y * pV2->x;
}
inline D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, float s)
{
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, float s)
{
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    return pOut;
}
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                    const D3DXMATRIX* pM, UINT n);
D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                         const D3DXMATRIX* pM, UINT n);
D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV, UINT VStride,
                                          const D3DXMATRIX* pM, UINT n);

// ---------------------------------------------------------------------------------------------
// 3D vector

inline float D3DXVec3Length(const D3DXVECTOR3* pV)
{
    return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
}
inline float D3DXVec3LengthSq(const D3DXVECTOR3* pV)
{
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}
inline float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    const float x = pV1->y * pV2->z - pV1->z * pV2->y;
    const float y = pV1->z * pV2->x - pV1->x * pV2->z;
    const float z = pV1->x * pV2->y - pV1->y * pV2->x;
    pOut->x = x;
    pOut->y = y;
    pOut->z = z;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    pOut->x = pV1->x < pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y < pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z < pV2->z ? pV1->z : pV2->z;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    pOut->x = pV1->x > pV2->x ? pV1->x : pV2->x;
    pOut->y = pV1->y > pV2->y ? pV1->y : pV2->y;
    pOut->z = pV1->z > pV2->z ? pV1->z : pV2->z;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s)
{
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, float s)
{
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    return pOut;
}
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                                         const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                                          const D3DXMATRIX* pM, UINT n);
// Object space to screen space; null matrices count as identity, a null viewport keeps
// the projected coordinates in -1..1.
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                             const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
// Screen space back to object space, the inverse of D3DXVec3Project; NULL when the
// combined matrix is singular.
D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DVIEWPORT9* pViewport,
                               const D3DXMATRIX* pProjection, const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, float s);
D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2,
                             const D3DXVECTOR3* pT2, float s);

// ---------------------------------------------------------------------------------------------
// 4D vector

inline float D3DXVec4Length(const D3DXVECTOR4* pV)
{
    return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z + pV->w * pV->w);
}
inline float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}
inline D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    pOut->x = pV1->x + pV2->x;
    pOut->y = pV1->y + pV2->y;
    pOut->z = pV1->z + pV2->z;
    pOut->w = pV1->w + pV2->w;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    pOut->x = pV1->x - pV2->x;
    pOut->y = pV1->y - pV2->y;
    pOut->z = pV1->z - pV2->z;
    pOut->w = pV1->w - pV2->w;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s)
{
    pOut->x = pV->x * s;
    pOut->y = pV->y * s;
    pOut->z = pV->z * s;
    pOut->w = pV->w * s;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, float s)
{
    pOut->x = pV1->x + s * (pV2->x - pV1->x);
    pOut->y = pV1->y + s * (pV2->y - pV1->y);
    pOut->z = pV1->z + s * (pV2->z - pV1->z);
    pOut->w = pV1->w + s * (pV2->w - pV1->w);
    return pOut;
}
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR4* pV, UINT VStride,
                                    const D3DXMATRIX* pM, UINT n);
D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, float s);
D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2,
                             const D3DXVECTOR4* pT2, float s);

// ---------------------------------------------------------------------------------------------
// Matrix functions

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    std::memset(pOut->m, 0, sizeof(pOut->m));
    pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
    return pOut;
}
inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (pM->m[i][j] != (i == j ? 1.0f : 0.0f))
                return FALSE;
    return TRUE;
}
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);
// transpose(M1 * M2), the layout shaders take.
D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
// Returns NULL (and leaves pOut alone) when the matrix is singular.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
// Roll about z first, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf);
// Msc^-1 * Msr^-1 * Ms * Msr * Msc * Mrc^-1 * Mr * Mrc * Mt; null arguments are identity.
D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation);
// The same in the xy plane, rotations about z in radians.
D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter, float scalingRotation,
                                       const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter, float rotation,
                                       const D3DXVECTOR2* pTranslation);
// Ms * Mrc^-1 * Mr * Mrc * Mt
D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, float scaling, const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation, const D3DXVECTOR3* pTranslation);
// Splits a scale * rotation * translation matrix; D3DERR_INVALIDCALL when a scale is 0.
HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation, D3DXVECTOR3* pOutTranslation,
                            const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);
// Flattens geometry onto the plane as seen from the light (w = 0: directional, w = 1: point).
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane);

// ---------------------------------------------------------------------------------------------
// Quaternion functions

inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut)
{
    pOut->x = pOut->y = pOut->z = 0.0f;
    pOut->w = 1.0f;
    return pOut;
}
inline float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}
inline float D3DXQuaternionLength(const D3DXQUATERNION* pQ)
{
    return std::sqrt(D3DXQuaternionDot(pQ, pQ));
}
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    pOut->x = -pQ->x;
    pOut->y = -pQ->y;
    pOut->z = -pQ->z;
    pOut->w = pQ->w;
    return pOut;
}
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, float angle);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch, float roll);
// Spherical interpolation along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                    float t);
// Expects a unit quaternion; the axis is (x, y, z) as stored, the angle 2 acos(w).
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, float* pAngle);

// ---------------------------------------------------------------------------------------------
// Plane functions

inline float D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w;
}
inline float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}
inline float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal);
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3);
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
// Where the infinite line through V1 and V2 meets the plane; NULL when parallel.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2);
// Transforms the plane as a 4D row vector; pass the inverse transpose of the point transform.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);

// ---------------------------------------------------------------------------------------------
// Colour functions

inline D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    pOut->r = pC1->r + pC2->r;
    pOut->g = pC1->g + pC2->g;
    pOut->b = pC1->b + pC2->b;
    pOut->a = pC1->a + pC2->a;
    return pOut;
}
inline D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    pOut->r = pC1->r - pC2->r;
    pOut->g = pC1->g - pC2->g;
    pOut->b = pC1->b - pC2->b;
    pOut->a = pC1->a - pC2->a;
    return pOut;
}
inline D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s)
{
    pOut->r = pC->r * s;
    pOut->g = pC->g * s;
    pOut->b = pC->b * s;
    pOut->a = pC->a * s;
    return pOut;
}
inline D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    pOut->r = pC1->r * pC2->r;
    pOut->g = pC1->g * pC2->g;
    pOut->b = pC1->b * pC2->b;
    pOut->a = pC1->a * pC2->a;
    return pOut;
}
inline D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s)
{
    pOut->r = pC1->r + s * (pC2->r - pC1->r);
    pOut->g = pC1->g + s * (pC2->g - pC1->g);
    pOut->b = pC1->b + s * (pC2->b - pC1->b);
    pOut->a = pC1->a + s * (pC2->a - pC1->a);
    return pOut;
}
// 1 - c per colour channel; alpha is kept.
inline D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* pOut, const D3DXCOLOR* pC)
{
    pOut->r = 1.0f - pC->r;
    pOut->g = 1.0f - pC->g;
    pOut->b = 1.0f - pC->b;
    pOut->a = pC->a;
    return pOut;
}
// grey + s * (c - grey), grey being the luminance; alpha is kept.
inline D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s)
{
    const float grey = pC->r * 0.2125f + pC->g * 0.7154f + pC->b * 0.0721f;
    pOut->r = grey + s * (pC->r - grey);
    pOut->g = grey + s * (pC->g - grey);
    pOut->b = grey + s * (pC->b - grey);
    pOut->a = pC->a;
    return pOut;
}
// 0.5 + c * (channel - 0.5); alpha is kept.
inline D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float c)
{
    pOut->r = 0.5f + c * (pC->r - 0.5f);
    pOut->g = 0.5f + c * (pC->g - 0.5f);
    pOut->b = 0.5f + c * (pC->b - 0.5f);
    pOut->a = pC->a;
    return pOut;
}
