// The screen rectangle of a point light: it holds every point of the sphere's picture, hugs it,
// and gives way to the whole screen where a rectangle cannot be worked out.
#include "lighting/deferred/PointLightBatch.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Ulvo;

namespace {

D3DXMATRIX perspective()
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.87f, 4.0f / 3.0f, 0.5f, 200.0f);
    return projection;
}

// The extent of the sphere's picture, from points all over its surface.
PointLightBatch::ScreenRect pictureOf(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& projection)
{
    PointLightBatch::ScreenRect extent{1e9f, 1e9f, -1e9f, -1e9f};
    for (int i = 0; i <= 200; ++i) {
        const float polar = 3.14159265f * static_cast<float>(i) / 200.0f;
        for (int j = 0; j < 400; ++j) {
            const float around = 6.2831853f * static_cast<float>(j) / 400.0f;
            const D3DXVECTOR3 point = centre + radius * D3DXVECTOR3(std::sin(polar) * std::cos(around), std::cos(polar),
                                                                    std::sin(polar) * std::sin(around));
            D3DXVECTOR3 ndc;
            D3DXVec3TransformCoord(&ndc, &point, &projection);
            extent.left = std::min(extent.left, ndc.x);
            extent.right = std::max(extent.right, ndc.x);
            extent.bottom = std::min(extent.bottom, ndc.y);
            extent.top = std::max(extent.top, ndc.y);
        }
    }
    return extent;
}

} // namespace

TEST(PointLightBatchTest, TheRectangleHoldsAndHugsTheSpheresPicture)
{
    const D3DXMATRIX projection = perspective();
    const D3DXVECTOR2 noMargin(0.0f, 0.0f);
    // Ahead, off to each side, near and far, small and large.
    const D3DXVECTOR4 spheres[] = {{0, 0, 10, 1},      {3, -2, 8, 1.5f}, {-6, 4, 12, 2},
                                   {1, 1, 2.5f, 1.8f}, {-2, -3, 40, 5},  {0.5f, 2, 6, 0.2f}};
    for (const D3DXVECTOR4& s : spheres) {
        const D3DXVECTOR3 centre(s.x, s.y, s.z);
        PointLightBatch::ScreenRect rect{};
        ASSERT_TRUE(PointLightBatch::screenRect(centre, s.w, projection, noMargin, rect));
        const PointLightBatch::ScreenRect picture = pictureOf(centre, s.w, projection);
        // Within the screen the rectangle holds the picture and is at most a sliver larger.
        EXPECT_LE(rect.left, std::max(-1.0f, picture.left) + 1e-5f) << s.x << " " << s.y << " " << s.z;
        EXPECT_GE(rect.right, std::min(1.0f, picture.right) - 1e-5f) << s.x << " " << s.y << " " << s.z;
        EXPECT_LE(rect.bottom, std::max(-1.0f, picture.bottom) + 1e-5f) << s.x << " " << s.y << " " << s.z;
        EXPECT_GE(rect.top, std::min(1.0f, picture.top) - 1e-5f) << s.x << " " << s.y << " " << s.z;
        EXPECT_NEAR(rect.left, std::max(-1.0f, picture.left), 0.01f);
        EXPECT_NEAR(rect.right, std::min(1.0f, picture.right), 0.01f);
        EXPECT_NEAR(rect.bottom, std::max(-1.0f, picture.bottom), 0.01f);
        EXPECT_NEAR(rect.top, std::min(1.0f, picture.top), 0.01f);
    }
    // The margin widens it on every side.
    PointLightBatch::ScreenRect plain{}, wide{};
    PointLightBatch::screenRect(D3DXVECTOR3(0, 0, 10), 1.0f, projection, noMargin, plain);
    PointLightBatch::screenRect(D3DXVECTOR3(0, 0, 10), 1.0f, projection, D3DXVECTOR2(0.01f, 0.02f), wide);
    EXPECT_FLOAT_EQ(wide.left, plain.left - 0.01f);
    EXPECT_FLOAT_EQ(wide.top, plain.top + 0.02f);
}

TEST(PointLightBatchTest, TheWholeScreenWhereNoRectangleCanBeWorkedOutAndNoneOffScreen)
{
    const D3DXMATRIX projection = perspective();
    const D3DXVECTOR2 margin(0.01f, 0.01f);
    auto whole = [](const PointLightBatch::ScreenRect& r) {
        return r.left < -1.0f && r.bottom < -1.0f && r.right > 1.0f && r.top > 1.0f;
    };
    PointLightBatch::ScreenRect rect{};
    // The eye inside the sphere, and a sphere reaching the near plane from ahead.
    EXPECT_TRUE(PointLightBatch::screenRect(D3DXVECTOR3(0.5f, 0, 1), 2.0f, projection, margin, rect));
    EXPECT_TRUE(whole(rect));
    EXPECT_TRUE(PointLightBatch::screenRect(D3DXVECTOR3(0, 0, 1.4f), 1.0f, projection, margin, rect));
    EXPECT_TRUE(whole(rect));
    // An orthographic projection.
    D3DXMATRIX orthographic;
    D3DXMatrixOrthoLH(&orthographic, 20.0f, 15.0f, 0.5f, 100.0f);
    EXPECT_TRUE(PointLightBatch::screenRect(D3DXVECTOR3(0, 0, 10), 1.0f, orthographic, margin, rect));
    EXPECT_TRUE(whole(rect));
    // Wholly beside the view: nothing to draw.
    EXPECT_FALSE(PointLightBatch::screenRect(D3DXVECTOR3(40, 0, 10), 1.0f, projection, margin, rect));
}
