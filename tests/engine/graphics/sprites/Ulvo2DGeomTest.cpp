#include "graphics/sprites/FloatRect.h"
#include "graphics/sprites/Ulvo2DGeom.h"

#include <gtest/gtest.h>

#include <limits>

using Ulvo::FloatRect;
using Ulvo::Ulvo2DQuad;
using Ulvo::Ulvo2DTriangle;

namespace {

void expectRect(const FloatRect& r, float left, float right, float top, float bottom)
{
    EXPECT_FLOAT_EQ(r.left, left);
    EXPECT_FLOAT_EQ(r.right, right);
    EXPECT_FLOAT_EQ(r.top, top);
    EXPECT_FLOAT_EQ(r.bottom, bottom);
}

// Rectangles written in member order, as left, right, top, bottom.
FloatRect lrtb(float left, float right, float top, float bottom)
{
    return FloatRect(left, top, right, bottom);
}

} // namespace

TEST(Ulvo2DTriangleTest, EdgesAndCornersAreInsideDegenerateNothingIs)
{
    const Ulvo2DTriangle t({0, 0}, {10, 0}, {0, 10});
    EXPECT_FALSE(t.isDegenerate());
    EXPECT_TRUE(t.isInside({2, 2}));
    EXPECT_TRUE(t.isInside({5, 0}));  // edge
    EXPECT_TRUE(t.isInside({5, 5}));  // hypotenuse
    EXPECT_TRUE(t.isInside({10, 0})); // corner
    EXPECT_FALSE(t.isInside({6, 6}));
    EXPECT_FALSE(t.isInside({-0.001f, 1}));
    EXPECT_FALSE(t.isInside({std::numeric_limits<float>::quiet_NaN(), 1}));
    EXPECT_FLOAT_EQ(t.getArea(), 50.0f);

    // Clockwise corners give the same answers.
    const Ulvo2DTriangle cw({0, 0}, {0, 10}, {10, 0});
    EXPECT_TRUE(cw.isInside({2, 2}));
    EXPECT_FALSE(cw.isInside({6, 6}));

    const Ulvo2DTriangle twoEqual({1, 1}, {5, 3}, {1, 1});
    EXPECT_TRUE(twoEqual.isDegenerate());
    EXPECT_FALSE(twoEqual.isInside({1, 1}));
    EXPECT_FALSE(twoEqual.isInside({100, -7}));
    EXPECT_FLOAT_EQ(twoEqual.getArea(), 0.0f);
    EXPECT_TRUE(Ulvo2DTriangle().isDegenerate());
    EXPECT_FALSE(Ulvo2DTriangle().isInside({0, 0}));

    // Three distinct corners on a line hold only the segment between them, not the plane.
    const Ulvo2DTriangle flat({0, 0}, {5, 0}, {10, 0});
    EXPECT_FALSE(flat.isDegenerate());
    EXPECT_TRUE(flat.isInside({7, 0}));
    EXPECT_FALSE(flat.isInside({7, 1}));
    EXPECT_FALSE(flat.isInside({11, 0}));
    EXPECT_FLOAT_EQ(flat.getArea(), 0.0f);
    EXPECT_FLOAT_EQ(flat.getPerimeter(), 20.0f);
}

TEST(Ulvo2DQuadTest, SquareMeasuresAndCorners)
{
    const D3DXVECTOR2 corners[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const Ulvo2DQuad q(corners);
    EXPECT_TRUE(q.isInside({10, 5}));
    EXPECT_TRUE(q.isInside({5, 5}));
    EXPECT_TRUE(q.isInside({1, 9})); // only in the second triangle
    EXPECT_FALSE(q.isInside({11, 5}));
    EXPECT_FLOAT_EQ(q.getArea(), 100.0f);
    EXPECT_FLOAT_EQ(q.getPerimeter(), 40.0f);
    EXPECT_EQ(q.getCorner(3), D3DXVECTOR2(0, 10));
    EXPECT_EQ(q.getCorner(4), D3DXVECTOR2(5, 5));
    EXPECT_EQ(q.getCorner(-1), D3DXVECTOR2(5, 5));
}

TEST(Ulvo2DQuadTest, ConcaveQuadIsTheUnionOfItsTriangles)
{
    // A dart whose reflex corner c1 lies beside the c0-c2 diagonal: the split triangles
    // (c0, c1, c2) and (c0, c2, c3) also cover the notch below c1.
    const D3DXVECTOR2 corners[4] = {{0, 0}, {5, 3}, {10, 0}, {5, 10}};
    const Ulvo2DQuad q(corners);
    EXPECT_TRUE(q.isInside({5, 1})); // in the notch: both triangles
    EXPECT_TRUE(q.isInside({5, 5})); // second triangle only
    EXPECT_FALSE(q.isInside({5, -1}));
    EXPECT_FLOAT_EQ(q.getArea(), 15.0f + 50.0f);

    const FloatRect bounds = q.getBoundingRect();
    expectRect(bounds, 0, 10, 0, 10);
}

TEST(FloatRectTest, ConstructionAndIntersection)
{
    const float ltrb[4] = {1, 2, 3, 4};
    expectRect(FloatRect::fromLTRB(ltrb), 1, 3, 2, 4);
    const RECT r = {-5, 6, 7, 8};
    expectRect(FloatRect::fromRECT(r), -5, 7, 6, 8);

    const FloatRect a = lrtb(0, 10, 0, 10);
    EXPECT_TRUE(a.intersects(lrtb(10, 20, 0, 10))); // touching
    EXPECT_FALSE(a.intersects(lrtb(10.5f, 20, 0, 10)));
    EXPECT_FALSE(lrtb(10.5f, 20, 0, 10).intersects(a));
    EXPECT_FALSE(a.intersects(lrtb(0, 10, -20, -0.5f)));
    // Edges given the other way round.
    EXPECT_TRUE(a.intersects(lrtb(20, 5, 10, 2)));
    EXPECT_FALSE(a.intersects(lrtb(20, 11, 10, 2)));
}

TEST(FloatRectTest, ClampIntoMovesWithoutResizing)
{
    const FloatRect bounds = lrtb(0, 100, 0, 100);
    FloatRect r = lrtb(-5, 5, 0, 10);
    r.clampInto(bounds);
    expectRect(r, 0, 10, 0, 10);

    r = lrtb(0, 200, 0, 10);
    r.clampInto(bounds);
    expectRect(r, -100, 100, 0, 10);

    r = lrtb(20, 30, 95, 120);
    r.clampInto(bounds);
    expectRect(r, 20, 30, 75, 100);
}
