#include "foundation/helpers/BoundingVolumes.h"

#include <gtest/gtest.h>

using Ulvo::AABB;
using Ulvo::BoundingSphere;

TEST(AABBTest, InsideContainsAndPoints)
{
    const AABB box(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(box.isInside(D3DXVECTOR3(1, 1, 3))); // on two faces
    EXPECT_FALSE(box.isInside(D3DXVECTOR3(1, 1, 3.01f)));
    EXPECT_TRUE(box.contains(box));
    EXPECT_FALSE(box.contains(AABB(D3DXVECTOR3(0.5f, 0, 0), D3DXVECTOR3(1.5f, 1, 1))));
    EXPECT_EQ(box.getPoint(D3DXVECTOR3(0.5f, 0.5f, 0.5f)), D3DXVECTOR3(0.5f, 1, 1.5f));

    D3DXVECTOR3 corners[8];
    box.getCorners(corners);
    EXPECT_EQ(corners[0], D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(corners[1], D3DXVECTOR3(0, 0, 3));
    EXPECT_EQ(corners[2], D3DXVECTOR3(0, 2, 0));
    EXPECT_EQ(corners[4], D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(corners[7], D3DXVECTOR3(1, 2, 3));
}

TEST(AABBTest, GrowingKeepsTheOriginOfAnEmptyBox)
{
    AABB box;
    box.addPoint(D3DXVECTOR3(2, 3, 4));
    EXPECT_EQ(box.getMin(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(box.getMax(), D3DXVECTOR3(2, 3, 4));

    box.merge(AABB(D3DXVECTOR3(-1, 1, 1), D3DXVECTOR3(1, 5, 1)));
    EXPECT_EQ(box.getMin(), D3DXVECTOR3(-1, 0, 0));
    EXPECT_EQ(box.getMax(), D3DXVECTOR3(2, 5, 4));
}

TEST(BoundingSphereTest, AddPointGrowsOnlyWhenNeeded)
{
    BoundingSphere s(D3DXVECTOR3(0, 0, 0), 1.0f);
    s.addPoint(BoundingSphere(D3DXVECTOR3(0.5f, 0, 0), 0.2f));
    EXPECT_FLOAT_EQ(s.getRadius(), 1.0f);
    EXPECT_FLOAT_EQ(s.getRadiusSq(), 1.0f);

    s.addPoint(BoundingSphere(D3DXVECTOR3(3, 0, 0), 1.0f));
    EXPECT_FLOAT_EQ(s.getRadius(), 4.0f);
    EXPECT_FLOAT_EQ(s.getRadiusSq(), 16.0f);
    EXPECT_EQ(s.getCentre(), D3DXVECTOR3(0, 0, 0));

    s.addPoint(BoundingSphere(D3DXVECTOR3(0, 0, -5), 0.0f)); // a plain point
    EXPECT_FLOAT_EQ(s.getRadius(), 5.0f);
}
