// D3DX transform builders and vector arrays against values worked out by hand.
#include "D3DXMathTestUtil.h"

TEST(D3DXMathTransformTest, TransformationScalesAlongItsOwnAxesAboutItsCentresThenTurnsAndMoves)
{
    // Scaling (2, 1, 3) whose axes are turned 90 degrees about z, about the centre (1, 0, 0):
    // a stretch of 2 along y and 3 along z. Then a quarter turn about z through (0, 1, 0), then
    // a move by (5, 0, 0). (1, 2, 1) -> (1, 4, 3) -> (-3, 2, 3) -> (2, 2, 3).
    D3DXQUATERNION quarterTurn;
    const D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&quarterTurn, &zAxis, D3DX_PI / 2);
    const D3DXVECTOR3 scalingCentre(1.0f, 0.0f, 0.0f), scaling(2.0f, 1.0f, 3.0f), rotationCentre(0.0f, 1.0f, 0.0f),
        translation(5.0f, 0.0f, 0.0f);
    D3DXMATRIX m;
    ASSERT_EQ(D3DXMatrixTransformation(&m, &scalingCentre, &quarterTurn, &scaling, &rotationCentre, &quarterTurn,
                                       &translation),
              &m);
    expectVec3Near(transformCoord({1, 2, 1}, m), 2, 2, 3);
    // The scaling centre stays put by the scaling alone.
    D3DXMatrixTransformation(&m, &scalingCentre, &quarterTurn, &scaling, nullptr, nullptr, nullptr);
    expectVec3Near(transformCoord({1, 0, 0}, m), 1, 0, 0);
    expectVec3Near(transformCoord({2, 0, 0}, m), 2, 0, 0);

    // Every argument null is the identity; a rotation centre without a rotation does nothing.
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &rotationCentre, nullptr, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
}

TEST(D3DXMathTransformTest, ArraysStepByTheirStridesAndMayWorkInPlace)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._11 = 2.0f;
    m._41 = 1.0f;
    m._42 = -1.0f;
    m._14 = 1.0f; // w = x + 1

    const D3DXVECTOR2 points2[2] = {{1, 2}, {3, 4}};
    D3DXVECTOR4 out4[3];
    std::memset(out4, 0, sizeof out4);
    // Every second output slot.
    D3DXVec2TransformArray(out4, 2 * sizeof(D3DXVECTOR4), points2, sizeof(D3DXVECTOR2), &m, 2);
    EXPECT_EQ(out4[0], D3DXVECTOR4(3, 1, 0, 2));
    EXPECT_EQ(out4[1], D3DXVECTOR4(0, 0, 0, 0));
    EXPECT_EQ(out4[2], D3DXVECTOR4(7, 3, 0, 4));

    D3DXVECTOR2 coords[2];
    D3DXVec2TransformCoordArray(coords, sizeof(D3DXVECTOR2), points2, sizeof(D3DXVECTOR2), &m, 2);
    EXPECT_FLOAT_EQ(coords[0].x, 1.5f);
    EXPECT_FLOAT_EQ(coords[0].y, 0.5f);
    EXPECT_FLOAT_EQ(coords[1].x, 1.75f);
    EXPECT_FLOAT_EQ(coords[1].y, 0.75f);

    D3DXVECTOR4 points4[2] = {{1, 1, 1, 0}, {1, 0, 0, 1}};
    D3DXVec4TransformArray(points4, sizeof(D3DXVECTOR4), points4, sizeof(D3DXVECTOR4), &m, 2);
    EXPECT_EQ(points4[0], D3DXVECTOR4(2, 1, 1, 1)); // w 0: no translation
    EXPECT_EQ(points4[1], D3DXVECTOR4(3, -1, 0, 2));

    // A projective matrix (w = z): coordinates come back divided.
    D3DXMATRIX projective;
    D3DXMatrixIdentity(&projective);
    projective._34 = 1.0f;
    projective._44 = 0.0f;
    D3DXVECTOR3 points3[2] = {{2, 4, 2}, {3, 6, 3}};
    D3DXVec3TransformCoordArray(points3, sizeof(D3DXVECTOR3), points3, sizeof(D3DXVECTOR3), &projective, 2);
    expectVec3Near(points3[0], 1, 2, 1);
    expectVec3Near(points3[1], 1, 2, 1);

    // Normals ignore the translation row.
    D3DXVECTOR3 normals[1] = {{1, 0, 0}};
    D3DXVec3TransformNormalArray(normals, sizeof(D3DXVECTOR3), normals, sizeof(D3DXVECTOR3), &m, 1);
    expectVec3Near(normals[0], 2, 0, 0);
    // n = 0 touches nothing.
    D3DXVec3TransformNormalArray(nullptr, 0, nullptr, 0, &m, 0);
}

TEST(D3DXMathTransformTest, CatmullRomWeightsAtTheMiddle)
{
    // At s = 0.5 the weights are -1/16, 9/16, 9/16, -1/16.
    const D3DXVECTOR4 p0(0, 0, 0, 0), p1(1, 0, 0, 2), p2(0, 1, 0, 4), p3(8, 8, 8, 8);
    D3DXVECTOR4 r;
    ASSERT_EQ(D3DXVec4CatmullRom(&r, &p0, &p1, &p2, &p3, 0.5f), &r);
    EXPECT_FLOAT_EQ(r.x, 0.0625f);
    EXPECT_FLOAT_EQ(r.y, 0.0625f);
    EXPECT_FLOAT_EQ(r.z, -0.5f);
    EXPECT_FLOAT_EQ(r.w, 2.875f);
    // The output may be one of the inputs.
    D3DXVECTOR4 q = p1;
    D3DXVec4CatmullRom(&q, &p0, &q, &p2, &p3, 0.0f);
    EXPECT_EQ(q, p1);
}
