#include "D3DXMathTestUtil.h"

namespace {

D3DXMATRIX someAffineMatrix()
{
    D3DXMATRIX s, r, t, m;
    D3DXMatrixScaling(&s, 2.0f, 3.0f, 4.0f);
    D3DXVECTOR3 axis(1.0f, 2.0f, 3.0f);
    D3DXMatrixRotationAxis(&r, &axis, 0.7f);
    D3DXMatrixTranslation(&t, 1.0f, -2.0f, 3.0f);
    m = s * r * t;
    return m;
}

} // namespace

TEST(D3DXMatrixTest, RotationsTurnUnitVectorsLeftHanded)
{
    D3DXMATRIX m;
    expectVec3Near(transformCoord({1, 0, 0}, *D3DXMatrixRotationZ(&m, D3DX_PI / 2)), 0, 1, 0);
    expectVec3Near(transformCoord({0, 1, 0}, *D3DXMatrixRotationX(&m, D3DX_PI / 2)), 0, 0, 1);
    expectVec3Near(transformCoord({0, 0, 1}, *D3DXMatrixRotationY(&m, D3DX_PI / 2)), 1, 0, 0);

    // The axis is normalised first.
    D3DXMATRIX rz, axisRot;
    D3DXVECTOR3 axis(0.0f, 0.0f, 2.0f);
    D3DXMatrixRotationZ(&rz, 0.3f);
    expectMatrixNear(*D3DXMatrixRotationAxis(&axisRot, &axis, 0.3f), rz);

    // Roll, then pitch, then yaw.
    D3DXMATRIX rx, ry, ypr;
    D3DXMatrixRotationX(&rx, 0.4f);
    D3DXMatrixRotationY(&ry, 0.9f);
    D3DXMatrixRotationZ(&rz, -0.6f);
    expectMatrixNear(*D3DXMatrixRotationYawPitchRoll(&ypr, 0.9f, 0.4f, -0.6f), rz * rx * ry);
}

TEST(D3DXMatrixTest, InverseDeterminantAndTranspose)
{
    const D3DXMATRIX m = someAffineMatrix();
    D3DXMATRIX inv, identity;
    float det = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
    EXPECT_NEAR(det, 24.0f, 1e-4f);
    EXPECT_NEAR(D3DXMatrixDeterminant(&m), 24.0f, 1e-4f);
    expectMatrixNear(inv * m, *D3DXMatrixIdentity(&identity));
    expectMatrixNear(m * inv, identity);

    // In place, as callers commonly do.
    D3DXMATRIX same = m;
    D3DXMatrixInverse(&same, nullptr, &same);
    expectMatrixNear(same, inv);

    D3DXMATRIX singular, untouched;
    D3DXMatrixScaling(&singular, 1.0f, 0.0f, 1.0f);
    D3DXMatrixIdentity(&untouched);
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));

    D3DXMATRIX t, mt;
    D3DXMatrixTranspose(&t, &m);
    EXPECT_EQ(t._12, m._21);
    EXPECT_EQ(t._43, m._34);
    D3DXMatrixMultiplyTranspose(&mt, &m, &inv);
    expectMatrixNear(mt, identity);
}

TEST(D3DXMatrixTest, ClassOperatorsMatchFunctions)
{
    const D3DXMATRIX a = someAffineMatrix();
    D3DXMATRIX b;
    D3DXMatrixRotationY(&b, 1.0f);
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, &a, &b);
    EXPECT_EQ(a * b, product);
    D3DXMATRIX c = a;
    c *= b;
    EXPECT_EQ(c, product);

    EXPECT_EQ(a(3, 1), a._42);
    const float* f = a;
    EXPECT_EQ(f[14], a._43);
    const D3DXMATRIX twice = 2.0f * a;
    EXPECT_EQ(twice, a + a);
    EXPECT_EQ(twice / 2.0f, a);
    EXPECT_TRUE((a - a) == D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_NE(a, b);
}

TEST(D3DXMatrixTest, ViewMatrices)
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f), origin(0.0f, 0.0f, 0.0f);

    // Looking down -x from (2, 0, 0).
    D3DXMATRIX view;
    D3DXVECTOR3 eye(2.0f, 0.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    expectMatrixNear(view, D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 2, 1));

    eye = D3DXVECTOR3(0.0f, 0.0f, -5.0f);
    D3DXMatrixLookAtRH(&view, &eye, &origin, &up);
    expectMatrixNear(view, D3DXMATRIX(-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -5, 1));
}

TEST(D3DXMatrixTest, ProjectionMatrices)
{
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
    expectMatrixNear(p, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0));
    // Near plane to depth 0, far plane to depth 1.
    EXPECT_NEAR(transformCoord({0, 0, 1}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(transformCoord({0, 0, 11}, p).z, 1.0f, 1e-6f);

    D3DXMatrixPerspectiveFovRH(&p, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
    expectMatrixNear(p, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1.1f, -1, 0, 0, -1.1f, 0));

    D3DXMatrixPerspectiveLH(&p, 2.0f, 4.0f, 1.0f, 11.0f);
    expectMatrixNear(p, D3DXMATRIX(1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0));

    D3DXMatrixOrthoLH(&p, 4.0f, 2.0f, 0.0f, 10.0f);
    expectMatrixNear(p, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.1f, 0, 0, 0, 0, 1));
    D3DXMatrixOrthoRH(&p, 4.0f, 2.0f, 0.0f, 10.0f);
    EXPECT_NEAR(p._33, -0.1f, 1e-6f);

    // A screen-space projection: top-left pixel to (-1, 1), bottom-right to (1, -1).
    D3DXMatrixOrthoOffCenterLH(&p, 0.0f, 800.0f, 600.0f, 0.0f, 0.0f, 1.0f);
    expectVec3Near(transformCoord({0, 0, 0}, p), -1, 1, 0);
    expectVec3Near(transformCoord({800, 600, 1}, p), 1, -1, 1);
    D3DXMatrixOrthoOffCenterRH(&p, 0.0f, 800.0f, 600.0f, 0.0f, 0.0f, 1.0f);
    expectVec3Near(transformCoord({800, 600, -1}, p), 1, -1, 1);
}

TEST(D3DXMatrixTest, TransformationBuilders)
{
    D3DXMATRIX m;
    // Scale (2, 3), rotate a quarter turn about (1, 1), then translate by (10, 20).
    const D3DXVECTOR2 scaling(2.0f, 3.0f), centre(1.0f, 1.0f), move(10.0f, 20.0f);
    D3DXMatrixTransformation2D(&m, nullptr, 0.0f, &scaling, &centre, D3DX_PI / 2, &move);
    expectVec3Near(transformCoord({1, 0, 0}, m), 12, 22, 0);

    // Scaling along a rotated axis about a centre: a stretch of 2 along y through (1, 1).
    const D3DXVECTOR2 stretch(2.0f, 1.0f);
    D3DXMatrixTransformation2D(&m, &centre, D3DX_PI / 2, &stretch, nullptr, 0.0f, nullptr);
    expectVec3Near(transformCoord({1, 2, 0}, m), 1, 3, 0);
    expectVec3Near(transformCoord({5, 1, 0}, m), 5, 1, 0);

    D3DXMatrixTransformation2D(&m, nullptr, 0.0f, nullptr, nullptr, 0.0f, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));

    // The plane form agrees with the general one for every combination of given arguments.
    const D3DXVECTOR2 sc(3.0f, -2.0f), s(1.5f, -0.5f), rc(-4.0f, 7.0f), shift(9.0f, 11.0f);
    const D3DXVECTOR3 sc3(3.0f, -2.0f, 0.0f), s3(1.5f, -0.5f, 1.0f), rc3(-4.0f, 7.0f, 0.0f), shift3(9.0f, 11.0f, 0.0f);
    const float scaleAngle = 0.7f, angle = -2.3f;
    const D3DXVECTOR3 z(0.0f, 0.0f, 1.0f);
    D3DXQUATERNION scaleRot, rot;
    D3DXQuaternionRotationAxis(&scaleRot, &z, scaleAngle);
    D3DXQuaternionRotationAxis(&rot, &z, angle);
    for (int given = 0; given < 16; ++given) {
        const bool hasSc = given & 1, hasS = given & 2, hasRc = given & 4, hasT = given & 8;
        D3DXMATRIX plane, general;
        D3DXMatrixTransformation2D(&plane, hasSc ? &sc : nullptr, scaleAngle, hasS ? &s : nullptr,
                                   hasRc ? &rc : nullptr, angle, hasT ? &shift : nullptr);
        D3DXMatrixTransformation(&general, hasSc ? &sc3 : nullptr, &scaleRot, hasS ? &s3 : nullptr,
                                 hasRc ? &rc3 : nullptr, &rot, hasT ? &shift3 : nullptr);
        for (int k = 0; k < 16; ++k)
            EXPECT_NEAR(plane.m[k / 4][k % 4], general.m[k / 4][k % 4], 1e-4f) << "given " << given << " at " << k;
    }

    D3DXQUATERNION q;
    D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f), t(1.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationAxis(&q, &zAxis, D3DX_PI / 2);
    D3DXMatrixAffineTransformation(&m, 2.0f, nullptr, &q, &t);
    expectVec3Near(transformCoord({1, 0, 0}, m), 1, 2, 0);
}

TEST(D3DXMatrixTest, DecomposeRecoversParts)
{
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, 2.0f, 3.0f, 4.0f);
    D3DXMatrixRotationYawPitchRoll(&r, 0.5f, -0.3f, 2.0f);
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    const D3DXMATRIX m = s * r * t;

    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    ASSERT_EQ(D3DXMatrixDecompose(&scale, &rotation, &translation, &m), S_OK);
    expectVec3Near(scale, 2, 3, 4);
    expectVec3Near(translation, 1, 2, 3);
    D3DXMATRIX back;
    expectMatrixNear(*D3DXMatrixRotationQuaternion(&back, &rotation), r);

    D3DXMatrixScaling(&s, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(D3DXMatrixDecompose(&scale, &rotation, &translation, &s), D3DERR_INVALIDCALL);
}

TEST(D3DXMatrixTest, ReflectAndShadow)
{
    D3DXMATRIX m;
    const D3DXPLANE yIsOne(0.0f, 2.0f, 0.0f, -2.0f); // not normalised on purpose
    D3DXMatrixReflect(&m, &yIsOne);
    expectVec3Near(transformCoord({3, 0, 0}, m), 3, 2, 0);

    const D3DXPLANE ground(0.0f, 1.0f, 0.0f, 0.0f);
    const D3DXVECTOR4 sun(0.0f, 1.0f, 0.0f, 0.0f);
    D3DXMatrixShadow(&m, &sun, &ground);
    expectVec3Near(transformCoord({1, 5, 2}, m), 1, 0, 2);

    const D3DXVECTOR4 lamp(0.0f, 10.0f, 0.0f, 1.0f);
    D3DXMatrixShadow(&m, &lamp, &ground);
    expectVec3Near(transformCoord({1, 5, 0}, m), 2, 0, 0);
}

TEST(D3DXMatrixTest, ProjectAndUnproject)
{
    const D3DVIEWPORT9 viewport = {10, 20, 640, 480, 0.0f, 1.0f};
    D3DXVECTOR3 out;
    const D3DXVECTOR3 centre(0.0f, 0.0f, 0.5f);
    D3DXVec3Project(&out, &centre, &viewport, nullptr, nullptr, nullptr);
    expectVec3Near(out, 330, 260, 0.5f);
    const D3DXVECTOR3 corner(-1.0f, 1.0f, 0.0f);
    D3DXVec3Project(&out, &corner, &viewport, nullptr, nullptr, nullptr);
    expectVec3Near(out, 10, 20, 0);

    D3DXMATRIX proj, view, world;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 1.0f, 100.0f);
    const D3DXVECTOR3 eye(3.0f, 4.0f, -10.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixRotationY(&world, 0.4f);
    const D3DXVECTOR3 p(0.5f, -1.0f, 2.0f);
    D3DXVECTOR3 screen, back;
    D3DXVec3Project(&screen, &p, &viewport, &proj, &view, &world);
    ASSERT_NE(D3DXVec3Unproject(&back, &screen, &viewport, &proj, &view, &world), nullptr);
    expectVec3Near(back, p.x, p.y, p.z, 1e-3f);
}
