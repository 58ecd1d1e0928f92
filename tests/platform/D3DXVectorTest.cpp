#include "D3DXMathTestUtil.h"

#include <cmath>
#include <limits>

namespace {

D3DXQUATERNION axisRotation(float x, float y, float z, float angle)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 axis(x, y, z);
    return *D3DXQuaternionRotationAxis(&q, &axis, angle);
}

D3DXMATRIX matrixOf(const D3DXQUATERNION& q)
{
    D3DXMATRIX m;
    return *D3DXMatrixRotationQuaternion(&m, &q);
}

} // namespace

TEST(D3DXVectorTest, BasicsAndAliasing)
{
    D3DXVECTOR3 a(1.0f, 0.0f, 0.0f), b(0.0f, 1.0f, 0.0f);
    D3DXVec3Cross(&a, &a, &b); // output aliases the first input
    expectVec3Near(a, 0, 0, 1);

    D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f), n;
    expectVec3Near(*D3DXVec3Normalize(&n, &zero), 0, 0, 0);
    D3DXVECTOR3 v(3.0f, 0.0f, 4.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
    D3DXVec3Normalize(&v, &v);
    expectVec3Near(v, 0.6f, 0, 0.8f);

    const D3DXVECTOR2 p(1.0f, 0.0f), q(0.0f, 1.0f);
    EXPECT_FLOAT_EQ(D3DXVec2CCW(&p, &q), 1.0f);
    EXPECT_FLOAT_EQ(D3DXVec2CCW(&q, &p), -1.0f);
    EXPECT_EQ(2.0f * p, D3DXVECTOR2(2.0f, 0.0f));

    const D3DXVECTOR3 lo(1.0f, 5.0f, -2.0f), hi(3.0f, 2.0f, 0.0f);
    D3DXVECTOR3 mn, mx, mid;
    expectVec3Near(*D3DXVec3Minimize(&mn, &lo, &hi), 1, 2, -2);
    expectVec3Near(*D3DXVec3Maximize(&mx, &lo, &hi), 3, 5, 0);
    expectVec3Near(*D3DXVec3Lerp(&mid, &lo, &hi, 0.5f), 2, 3.5f, -1);
}

TEST(D3DXVectorTest, TransformsAndStridedArrays)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1.0f, 2.0f, 3.0f);
    m._44 = 2.0f; // a w that the coordinate transform must divide by

    const D3DXVECTOR3 v(1.0f, 1.0f, 1.0f);
    D3DXVECTOR4 full;
    D3DXVec3Transform(&full, &v, &m);
    EXPECT_FLOAT_EQ(full.w, 2.0f);
    expectVec3Near(transformCoord(v, m), 1.0f, 1.5f, 2.0f);
    D3DXVECTOR3 normal;
    expectVec3Near(*D3DXVec3TransformNormal(&normal, &v, &m), 1, 1, 1);

    // Vertices with a colour between the positions: the stride skips it and leaves it alone.
    struct Vertex {
        D3DXVECTOR3 pos;
        DWORD colour;
    };
    Vertex in[2] = {{{0, 0, 0}, 0x11111111u}, {{1, 1, 1}, 0x22222222u}};
    Vertex out[2] = {{{9, 9, 9}, 0xAAAAAAAAu}, {{9, 9, 9}, 0xBBBBBBBBu}};
    D3DXVec3TransformCoordArray(&out[0].pos, sizeof(Vertex), &in[0].pos, sizeof(Vertex), &m, 2);
    expectVec3Near(out[0].pos, 0.5f, 1.0f, 1.5f);
    expectVec3Near(out[1].pos, 1.0f, 1.5f, 2.0f);
    EXPECT_EQ(out[0].colour, 0xAAAAAAAAu);
    EXPECT_EQ(out[1].colour, 0xBBBBBBBBu);

    D3DXMATRIX rot;
    D3DXMatrixRotationZ(&rot, D3DX_PI / 2);
    const D3DXVECTOR2 axes[2] = {{1, 0}, {0, 1}};
    D3DXVECTOR2 turned[2];
    D3DXVec2TransformNormalArray(turned, sizeof(D3DXVECTOR2), axes, sizeof(D3DXVECTOR2), &rot, 2);
    EXPECT_NEAR(turned[0].x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned[0].y, 1.0f, 1e-6f);
    EXPECT_NEAR(turned[1].x, -1.0f, 1e-6f);
    EXPECT_NEAR(turned[1].y, 0.0f, 1e-6f);
}

TEST(D3DXVectorTest, SplinesPassThroughTheirPoints)
{
    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 2, 3), p2(4, -1, 2), p3(7, 7, 7);
    D3DXVECTOR3 r;
    expectVec3Near(*D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.0f), 1, 2, 3);
    expectVec3Near(*D3DXVec3CatmullRom(&r, &p0, &p1, &p2, &p3, 1.0f), 4, -1, 2);

    const D3DXVECTOR4 q0(0, 0, 0, 0), q1(1, 2, 3, 4), q2(5, 6, 7, 8), q3(9, 9, 9, 9);
    D3DXVECTOR4 r4;
    D3DXVec4CatmullRom(&r4, &q0, &q1, &q2, &q3, 1.0f);
    EXPECT_EQ(r4, q2);
    // Evenly spaced points on a line give the straight midpoint.
    const D3DXVECTOR4 l0(0, 0, 0, 0), l1(1, 1, 1, 1), l2(2, 2, 2, 2), l3(3, 3, 3, 3);
    D3DXVec4CatmullRom(&r4, &l0, &l1, &l2, &l3, 0.5f);
    EXPECT_FLOAT_EQ(r4.w, 1.5f);

    const D3DXVECTOR3 zero(0, 0, 0);
    expectVec3Near(*D3DXVec3Hermite(&r, &p1, &zero, &p2, &zero, 0.0f), 1, 2, 3);
    expectVec3Near(*D3DXVec3Hermite(&r, &p1, &zero, &p2, &zero, 1.0f), 4, -1, 2);
    expectVec3Near(*D3DXVec3Hermite(&r, &p1, &zero, &p2, &zero, 0.5f), 2.5f, 0.5f, 2.5f);
}

TEST(D3DXQuaternionTest, MultiplyIsFirstThenSecond)
{
    const D3DXQUATERNION a = axisRotation(1, 0, 0, D3DX_PI / 2);
    const D3DXQUATERNION b = axisRotation(0, 1, 0, D3DX_PI / 2);
    D3DXQUATERNION ab;
    D3DXQuaternionMultiply(&ab, &a, &b);
    expectMatrixNear(matrixOf(ab), matrixOf(a) * matrixOf(b));
    // (0, 1, 0): a takes it to (0, 0, 1), then b to (1, 0, 0).
    expectVec3Near(transformCoord({0, 1, 0}, matrixOf(ab)), 1, 0, 0);
    EXPECT_EQ(a * b, ab);

    D3DXQUATERNION ypr, manual;
    D3DXQuaternionRotationYawPitchRoll(&ypr, 0.9f, 0.4f, -0.6f);
    D3DXMATRIX yprMatrix;
    D3DXMatrixRotationYawPitchRoll(&yprMatrix, 0.9f, 0.4f, -0.6f);
    expectMatrixNear(matrixOf(ypr), yprMatrix);
    manual = axisRotation(0, 0, 1, -0.6f) * axisRotation(1, 0, 0, 0.4f) * axisRotation(0, 1, 0, 0.9f);
    EXPECT_NEAR(D3DXQuaternionDot(&manual, &ypr), 1.0f, 1e-5f);

    D3DXQUATERNION inv, product;
    const D3DXQUATERNION scaled = ab * 2.0f;
    D3DXQuaternionInverse(&inv, &scaled);
    D3DXQuaternionMultiply(&product, &scaled, &inv);
    EXPECT_NEAR(product.w, 1.0f, 1e-5f);
    EXPECT_NEAR(product.x, 0.0f, 1e-5f);
}

TEST(D3DXQuaternionTest, MatrixRoundTripCoversEveryBranch)
{
    // Half turns have trace -1, so each picks a different largest-diagonal branch.
    const D3DXQUATERNION cases[] = {
        axisRotation(1, 0, 0, D3DX_PI), axisRotation(0, 1, 0, D3DX_PI),  axisRotation(0, 0, 1, D3DX_PI),
        axisRotation(1, 2, 3, 0.8f),    axisRotation(-1, 1, 0.5f, 2.9f),
    };
    for (const D3DXQUATERNION& q : cases) {
        D3DXQUATERNION back;
        const D3DXMATRIX m = matrixOf(q);
        D3DXQuaternionRotationMatrix(&back, &m);
        expectMatrixNear(matrixOf(back), m);
    }
}

TEST(D3DXQuaternionTest, SlerpNormalizeAndAxisAngle)
{
    D3DXQUATERNION identity, r;
    D3DXQuaternionIdentity(&identity);
    const D3DXQUATERNION quarter = axisRotation(0, 0, 1, D3DX_PI / 2);
    const D3DXQUATERNION eighth = axisRotation(0, 0, 1, D3DX_PI / 4);
    D3DXQuaternionSlerp(&r, &identity, &quarter, 0.5f);
    EXPECT_NEAR(D3DXQuaternionDot(&r, &eighth), 1.0f, 1e-5f);

    // The same rotation with the opposite sign still takes the short way.
    const D3DXQUATERNION negated = -quarter;
    D3DXQuaternionSlerp(&r, &identity, &negated, 0.5f);
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&r, &eighth)), 1.0f, 1e-5f);

    D3DXQuaternionSlerp(&r, &quarter, &quarter, 0.3f);
    EXPECT_NEAR(D3DXQuaternionDot(&r, &quarter), 1.0f, 1e-5f);

    D3DXQUATERNION n(0.0f, 0.0f, 3.0f, 4.0f);
    D3DXQuaternionNormalize(&n, &n);
    EXPECT_FLOAT_EQ(n.z, 0.6f);
    EXPECT_FLOAT_EQ(D3DXQuaternionLength(&n), 1.0f);

    D3DXVECTOR3 axis;
    float angle = 0.0f;
    D3DXQuaternionToAxisAngle(&quarter, &axis, &angle);
    EXPECT_NEAR(angle, D3DX_PI / 2, 1e-5f);
    expectVec3Near(axis, 0, 0, std::sin(D3DX_PI / 4));
}

TEST(D3DXPlaneTest, ConstructionIntersectionAndTransform)
{
    const D3DXVECTOR3 a(0, 2, 0), b(0, 2, 1), c(1, 2, 0);
    D3DXPLANE p;
    D3DXPlaneFromPoints(&p, &a, &b, &c);
    EXPECT_EQ(p, D3DXPLANE(0, 1, 0, -2));
    const D3DXVECTOR3 above(5, 7, 5);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &above), 5.0f);

    D3DXVECTOR3 hit;
    const D3DXVECTOR3 from(1, 5, 1), to(1, 3, 1);
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &p, &from, &to), nullptr);
    expectVec3Near(hit, 1, 2, 1);
    const D3DXVECTOR3 along(4, 5, 1);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &p, &from, &along), nullptr);

    D3DXPLANE big(0, 2, 0, 4);
    D3DXPlaneNormalize(&big, &big);
    EXPECT_EQ(big, D3DXPLANE(0, 1, 0, 2));

    // Planes move with the inverse transpose of the point transform.
    D3DXMATRIX t, it;
    D3DXMatrixTranslation(&t, 0, 3, 0);
    D3DXMatrixInverse(&it, nullptr, &t);
    D3DXMatrixTranspose(&it, &it);
    D3DXPlaneTransform(&p, &p, &it);
    EXPECT_EQ(p, D3DXPLANE(0, 1, 0, -5));
}

TEST(D3DXColorTest, PackedConversionsRoundAndClamp)
{
    const D3DXCOLOR c(0x80FF4000u);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    for (DWORD v = 0; v < 256; ++v) {
        const DWORD packed = D3DCOLOR_ARGB(v, 255 - v, v / 2, v);
        EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(packed)), packed);
    }
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(0.5f, 1.5f, -0.2f, 1.0f)), 0xFF80FF00u);
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f, 1.0f)), 0xFF000000u);
    // The macro truncates where the class rounds.
    EXPECT_EQ(D3DCOLOR_COLORVALUE(1.0f, 0.5f, 0.0f, 1.0f), D3DCOLOR_ARGB(255, 255, 127, 0));
    EXPECT_EQ(D3DCOLOR_XRGB(1, 2, 3), 0xFF010203u);
    EXPECT_EQ(D3DCOLOR_RGBA(1, 2, 3, 4), 0x04010203u);
}

TEST(D3DXColorTest, ColourFunctionsKeepAlphaWhereDocumented)
{
    const D3DXCOLOR c(0.2f, 0.6f, 1.0f, 0.4f);
    D3DXCOLOR r;
    D3DXColorAdjustSaturation(&r, &c, 0.0f);
    const float grey = 0.2f * 0.2125f + 0.6f * 0.7154f + 1.0f * 0.0721f;
    EXPECT_FLOAT_EQ(r.r, grey);
    EXPECT_FLOAT_EQ(r.b, grey);
    EXPECT_FLOAT_EQ(r.a, 0.4f);
    D3DXColorAdjustContrast(&r, &c, 0.0f);
    EXPECT_EQ(r, D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.4f));
    D3DXColorNegative(&r, &c);
    EXPECT_FLOAT_EQ(r.g, 0.4f);
    EXPECT_FLOAT_EQ(r.a, 0.4f);
    D3DXColorModulate(&r, &c, &c);
    EXPECT_FLOAT_EQ(r.a, 0.16f);
    const D3DXCOLOR white(1.0f, 1.0f, 1.0f, 1.0f);
    D3DXColorLerp(&r, &c, &white, 0.5f);
    EXPECT_FLOAT_EQ(r.a, 0.7f);
}

TEST(D3DXFloat16Test, ConversionsRoundToNearestEven)
{
    const float in[] = {1.0f, 0.5f, 65504.0f, -2.0f, 0.0f, std::ldexp(1.0f, -24)};
    const WORD expected[] = {0x3C00, 0x3800, 0x7BFF, 0xC000, 0x0000, 0x0001};
    D3DXFLOAT16 half[6];
    float back[6];
    D3DXFloat32To16Array(half, in, 6);
    D3DXFloat16To32Array(back, half, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(half[i].value, expected[i]) << in[i];
        EXPECT_EQ(back[i], in[i]);
    }

    EXPECT_EQ(D3DXFLOAT16(1.0f + std::ldexp(1.0f, -11)).value, 0x3C00);     // tie: stays even
    EXPECT_EQ(D3DXFLOAT16(1.0f + 3 * std::ldexp(1.0f, -11)).value, 0x3C02); // tie: up to even
    EXPECT_EQ(D3DXFLOAT16(65520.0f).value, 0x7C00);                         // rounds past the largest half
    EXPECT_EQ(D3DXFLOAT16(1e-9f).value, 0x0000);
    EXPECT_TRUE(std::isnan(static_cast<float>(D3DXFLOAT16(std::numeric_limits<float>::quiet_NaN()))));
}
