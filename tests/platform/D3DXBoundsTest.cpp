// Bounding volumes over strided vertex positions and the ray-triangle test, against values worked
// out by hand.
#include "D3DXMathTestUtil.h"

#include <d3dx9mesh.h>

namespace {

// Position first, then a colour the helpers must step over.
struct Vertex {
    D3DXVECTOR3 position;
    DWORD colour;
};

} // namespace

TEST(D3DXBoundsTest, BoxAndSphereReadStridedPositions)
{
    const Vertex vertices[4] = {{D3DXVECTOR3(1, 2, 3), 0xFFFFFFFF},
                                {D3DXVECTOR3(-1, 0, 5), 0},
                                {D3DXVECTOR3(3, -2, 3), 0},
                                {D3DXVECTOR3(1, 4, 1), 0}};
    D3DXVECTOR3 low, high;
    ASSERT_EQ(D3DXComputeBoundingBox(&vertices[0].position, 4, sizeof(Vertex), &low, &high), D3D_OK);
    expectVec3Near(low, -1, -2, 1);
    expectVec3Near(high, 3, 4, 5);

    // Mean (1, 1, 3); the points lie 1, 3, sqrt(4 + 9) and sqrt(9 + 4) from it.
    D3DXVECTOR3 centre;
    float radius = 0.0f;
    ASSERT_EQ(D3DXComputeBoundingSphere(&vertices[0].position, 4, sizeof(Vertex), &centre, &radius), D3D_OK);
    expectVec3Near(centre, 1, 1, 3);
    EXPECT_NEAR(radius, std::sqrt(13.0f), kMathTolerance);

    // No vertices: the origin; missing pointers are refused.
    ASSERT_EQ(D3DXComputeBoundingSphere(&vertices[0].position, 0, sizeof(Vertex), &centre, &radius), D3D_OK);
    expectVec3Near(centre, 0, 0, 0);
    EXPECT_EQ(radius, 0.0f);
    ASSERT_EQ(D3DXComputeBoundingBox(&vertices[0].position, 0, sizeof(Vertex), &low, &high), D3D_OK);
    expectVec3Near(high, 0, 0, 0);
    EXPECT_EQ(D3DXComputeBoundingBox(nullptr, 4, sizeof(Vertex), &low, &high), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXComputeBoundingSphere(&vertices[0].position, 4, sizeof(Vertex), &centre, nullptr),
              D3DERR_INVALIDCALL);
}

TEST(D3DXBoundsTest, RayMeetsTriangleWithBarycentricsAndDistance)
{
    const D3DXVECTOR3 p0(0, 0, 5), p1(4, 0, 5), p2(0, 4, 5);
    // From (1, 2, 0) along (0, 0, 2): meets z = 5 after 2.5 lengths of the direction, at (1, 2, 5)
    // = p0 + 0.25 (p1 - p0) + 0.5 (p2 - p0).
    D3DXVECTOR3 origin(1, 2, 0), direction(0, 0, 2);
    float u = -1, v = -1, dist = -1;
    ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, &u, &v, &dist));
    EXPECT_NEAR(u, 0.25f, kMathTolerance);
    EXPECT_NEAR(v, 0.5f, kMathTolerance);
    EXPECT_NEAR(dist, 2.5f, kMathTolerance);

    // The back side counts too; a ray pointing away from the triangle misses.
    const D3DXVECTOR3 behind(1, 2, 10), back(0, 0, -1);
    ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &behind, &back, nullptr, nullptr, &dist));
    EXPECT_NEAR(dist, 5.0f, kMathTolerance);
    const D3DXVECTOR3 away(0, 0, -1);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &away, &u, &v, &dist));

    // Outside the edge u + v = 1, and parallel to the plane.
    const D3DXVECTOR3 outside(3, 3, 0);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &outside, &direction, &u, &v, &dist));
    const D3DXVECTOR3 along(1, 0, 0);
    EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &origin, &along, &u, &v, &dist));
}
