#pragma once
// Tolerant comparisons for the D3DX maths tests.
#include <d3dx9math.h>
#include <gtest/gtest.h>

inline constexpr float kMathTolerance = 1e-5f;

inline void expectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance = kMathTolerance)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "element _" << i + 1 << j + 1;
}

inline void expectVec3Near(const D3DXVECTOR3& actual, float x, float y, float z, float tolerance = kMathTolerance)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

inline D3DXVECTOR3 transformCoord(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}
