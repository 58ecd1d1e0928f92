// Which casters a split's shadow map gets: those whose shadow can fall into the split's slice of
// the view, judged against the light camera the shadow pass fits to the slice. The brute-force
// check looks the map up as the shadow effects do (texel of the receiver's projection, clamped,
// clip z against the stored depth plus the bias) for receivers sampled along the light's rays.
#include "foundation/helpers/BoundingVolumes.h"
#include "render/cameras/LookAtCamera.h"
#include "render/passes/ShadowReach.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace Ulvo;

namespace {

// A view camera cut to a slice and a light camera fitted to it as the shadow pass does: the eye
// at the view's position plus the offset towards the sun, looking at the view's position.
struct Split {
    LookAtCamera view{L"Blick"};
    LookAtCamera light{L"Licht"};
    ShadowReach reach;
    unsigned mapSize;

    Split(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, float from, float to, const D3DXVECTOR3& towardsSun,
          float lightFov, float nearOffset = 0.0f, unsigned size = 1024)
        : mapSize(size)
    {
        view.setAspect(4.0f / 3.0f);
        view.setFov(60.0);
        view.setEyePosition(eye);
        view.setLookAt(at);
        view.setNearFar(from, to);
        light.setAspect(1.0f);
        light.setFov(lightFov);
        light.setLookAt(eye);
        light.setEyePosition(eye + towardsSun);
        light.setUpVector(Camera::lightUpVector(eye + towardsSun, eye));
        light.setNearFar(from + nearOffset, to);
        light.updateShadowCamera(view);
        reach.fit(view, light, mapSize);
    }

    // How far the light's far plane lies beyond its near one, as a factor of depth.
    float depthRange() const
    {
        // Clip z runs from 0 at the light's near plane to 1 at its far one, linearly in depth.
        const D3DXMATRIX& projection = light.getProjectionMatrix();
        return (1.0f - projection._43) / -projection._43;
    }

    D3DXVECTOR3 lightEye() const
    {
        const D3DXMATRIX& inverse = light.getViewInverseMatrix();
        return D3DXVECTOR3(inverse._41, inverse._42, inverse._43);
    }
};

AABB cube(const D3DXVECTOR3& centre, float half)
{
    return AABB(centre - D3DXVECTOR3(half, half, half), centre + D3DXVECTOR3(half, half, half));
}

// Whether the world point lies in the view camera's slice.
bool inSlice(const Split& split, const D3DXVECTOR3& point)
{
    D3DXVECTOR4 clip;
    D3DXVec3Transform(&clip, &point, &split.view.getViewProjectionMatrix());
    return clip.w > 0.0f && clip.z >= 0.0f && clip.z <= clip.w && std::fabs(clip.x) <= clip.w &&
           std::fabs(clip.y) <= clip.w;
}

// Whether some sampled point of the box, drawn into the map, darkens a receiver in the slice, the
// map looked up as the shadow effects do: the texel under the receiver's projection clamped to
// the map, within 1.5 texels of the point's projection (snapping and a neighbour tap), and the
// receiver's clip z beyond the stored one by more than the bias. The receivers are sampled along
// the light's rays whose lookups land there, from its near plane to a little past its far one.
bool darkensASample(const Split& split, const AABB& box)
{
    const D3DXMATRIX lightViewProjection = split.light.getViewMatrix() * split.light.getProjectionMatrix();
    D3DXMATRIX toWorld;
    D3DXMatrixInverse(&toWorld, nullptr, &lightViewProjection);
    const float texel = 2.0f / static_cast<float>(split.mapSize);
    const float reach = split.depthRange() * 1.02f - 1.0f;
    const D3DXVECTOR3 eye = split.lightEye();
    const float beyond[] = {0.0f, 0.02f, 0.1f, 0.3f, 0.7f, 1.5f, 3.0f};
    for (int i = 0; i < 27; ++i) {
        const D3DXVECTOR3 point = box.getPoint(D3DXVECTOR3((i % 3) / 2.0f, (i / 3 % 3) / 2.0f, (i / 9) / 2.0f));
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &point, &lightViewProjection);
        // Only what is rasterised reaches the map.
        if (!(clip.w > 0.0f && clip.z >= 0.0f && clip.z <= clip.w && std::fabs(clip.x) <= clip.w &&
              std::fabs(clip.y) <= clip.w))
            continue;
        const float u = clip.x / clip.w, v = clip.y / clip.w, stored = clip.z;
        for (int offset = 0; offset < 9; ++offset) {
            const float su = u + (offset % 3 - 1) * 1.5f * texel, sv = v + (offset / 3 - 1) * 1.5f * texel;
            // A lookup at the map's edge is also where receivers beyond it look.
            for (float outU : beyond) {
                for (float outV : beyond) {
                    if ((outU > 0.0f && std::fabs(su) < 1.0f) || (outV > 0.0f && std::fabs(sv) < 1.0f))
                        continue;
                    const float ru = std::fabs(su) < 1.0f ? su : std::copysign(1.0f + outU, su);
                    const float rv = std::fabs(sv) < 1.0f ? sv : std::copysign(1.0f + outV, sv);
                    D3DXVECTOR3 onNearPlane;
                    const D3DXVECTOR3 device(ru, rv, 0.0f);
                    D3DXVec3TransformCoord(&onNearPlane, &device, &toWorld);
                    for (int step = 0; step <= 128; ++step) {
                        const D3DXVECTOR3 receiver = eye + (onNearPlane - eye) * (1.0f + reach * step / 128.0f);
                        D3DXVECTOR4 seen;
                        D3DXVec3Transform(&seen, &receiver, &lightViewProjection);
                        if (seen.z > stored + 0.01f && inSlice(split, receiver))
                            return true;
                    }
                }
            }
        }
    }
    return false;
}

} // namespace

TEST(ShadowReachTest, CasterBesideTheSliceIsKeptWhenItsShadowFallsIntoItAndCutWhenItFallsAway)
{
    LogCapture logs;
    // Looking along +z, the sun low on the left: shadows run towards +x.
    Split split(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 2, 10), 1.0f, 20.0f, D3DXVECTOR3(-38.3f, 11.5f, 0.0f), 45.0f);
    ASSERT_FALSE(split.reach.isOpen());
    const AABB left = cube(D3DXVECTOR3(-15, 2, 10), 0.5f);
    const AABB right = cube(D3DXVECTOR3(15, 2, 10), 0.5f);
    for (const AABB* box : {&left, &right}) {
        EXPECT_EQ(split.view.isAABBInFrustum(*box), 0);  // beside the slice
        EXPECT_NE(split.light.isAABBInFrustum(*box), 0); // but the light sees it
    }
    EXPECT_TRUE(split.reach.mayDarken(left));
    EXPECT_TRUE(darkensASample(split, left));
    EXPECT_FALSE(split.reach.mayDarken(right));
    // Within the slice, a caster is always kept.
    EXPECT_TRUE(split.reach.mayDarken(cube(D3DXVECTOR3(0, 0, 12), 0.5f)));

    // The same box, the sun now on the right: the roles swap.
    Split mirrored(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 2, 10), 1.0f, 20.0f, D3DXVECTOR3(38.3f, 11.5f, 0.0f), 45.0f);
    EXPECT_FALSE(mirrored.reach.mayDarken(left));
    EXPECT_TRUE(mirrored.reach.mayDarken(right));
}

TEST(ShadowReachTest, CastersBehindTheLightAndSlicesBeforeItsNearPlane)
{
    LogCapture logs;
    const D3DXVECTOR3 sun(-20.0f, 30.0f, -10.0f);
    Split split(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 2, 10), 1.0f, 20.0f, sun, 60.0f);
    ASSERT_FALSE(split.reach.isOpen());
    const D3DXVECTOR3 eye = split.lightEye();
    // Beyond the light's eye its shadow runs away from the scene; around the eye it spreads
    // every way, and a box that may reach everywhere stays.
    EXPECT_FALSE(split.reach.mayDarken(cube(eye + sun * 0.25f, 1.0f)));
    EXPECT_TRUE(split.reach.mayDarken(cube(eye, 1.0f)));
    EXPECT_TRUE(split.reach.mayDarken(cube(eye - sun * 0.5f, 1.0f)));

    // A slice wholly nearer the light than its near plane finds no shadow: nothing is drawn.
    Split before(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 2, 10), 1.0f, 5.0f, sun, 60.0f, 60.0f);
    ASSERT_FALSE(before.reach.isOpen());
    EXPECT_FALSE(before.reach.mayDarken(cube(D3DXVECTOR3(0, 2, 3), 0.5f)));
    EXPECT_FALSE(darkensASample(before, cube(D3DXVECTOR3(0, 2, 3), 0.5f)));

    // A light that is no perspective one is not judged.
    D3DXVECTOR3 corners[8] = {};
    D3DXMATRIX orthographic;
    D3DXMatrixOrthoLH(&orthographic, 10.0f, 10.0f, 1.0f, 50.0f);
    split.reach.fit(corners, split.light.getViewMatrix(), orthographic, 1024);
    EXPECT_TRUE(split.reach.mayDarken(cube(eye + sun * 0.25f, 1.0f)));
}

TEST(ShadowReachTest, NoCutCasterDarkensASampledReceiverWithOrWithoutClampedEdges)
{
    LogCapture logs;
    // A slice the light's picture holds, on a coarse map (its lookups land far beside the
    // receivers' rays), and one of the demo's kind: the sun forty units away with a 45 degree
    // picture, the slice running past the map's edges and before the light's near plane.
    Split held(D3DXVECTOR3(0, 2, 0), D3DXVECTOR3(0, 0, 10), 2.0f, 15.0f, D3DXVECTOR3(-20, 30, 10), 60.0f, 0.0f, 64);
    Split overflowing(D3DXVECTOR3(0, 3.5f, -7), D3DXVECTOR3(0, 0, 0), 8.0f, 120.0f, D3DXVECTOR3(-16, 36, 11), 45.0f);
    const D3DXMATRIX overflowingLight = overflowing.light.getViewMatrix() * overflowing.light.getProjectionMatrix();
    bool pastEdge = false, beforeNear = false;
    for (int i = 0; i < 8; ++i) {
        const D3DXVECTOR3 device((i & 1) ? 1.0f : -1.0f, (i & 2) ? 1.0f : -1.0f, (i & 4) ? 1.0f : 0.0f);
        D3DXVECTOR3 corner;
        D3DXVec3TransformCoord(&corner, &device, &overflowing.view.getViewProjectionInverseMatrix());
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &corner, &overflowingLight);
        pastEdge = pastEdge || std::fabs(clip.x) > clip.w || std::fabs(clip.y) > clip.w;
        beforeNear = beforeNear || clip.z < 0.0f;
    }
    EXPECT_TRUE(pastEdge);
    EXPECT_TRUE(beforeNear);

    std::mt19937 random(7);
    for (Split* split : {&held, &overflowing}) {
        ASSERT_FALSE(split->reach.isOpen());
        // Boxes placed where the light looks, out to a little past its picture's edges.
        const D3DXMATRIX light = split->light.getViewMatrix() * split->light.getProjectionMatrix();
        D3DXMATRIX toWorld;
        D3DXMatrixInverse(&toWorld, nullptr, &light);
        const D3DXVECTOR3 eye = split->lightEye();
        std::uniform_real_distribution<float> across(-1.15f, 1.15f), along(1.0f, split->depthRange()),
            size(0.05f, 1.5f);
        int cut = 0, darkening = 0;
        for (int i = 0; i < 600; ++i) {
            const D3DXVECTOR3 device(across(random), across(random), 0.0f);
            D3DXVECTOR3 onNearPlane;
            D3DXVec3TransformCoord(&onNearPlane, &device, &toWorld);
            const D3DXVECTOR3 centre = eye + (onNearPlane - eye) * along(random);
            const D3DXVECTOR3 half(size(random), size(random), size(random));
            const AABB box(centre - half, centre + half);
            // The pass asks only about boxes its light camera sees.
            if (split->light.isAABBInFrustum(box) == 0)
                continue;
            const bool darkens = darkensASample(*split, box);
            if (split->reach.mayDarken(box)) {
                darkening += darkens ? 1 : 0;
            } else {
                ++cut;
                EXPECT_FALSE(darkens) << "box at " << centre.x << " " << centre.y << " " << centre.z;
            }
        }
        // Both ways happen, and the check finds shadows where they are.
        EXPECT_GT(cut, 20);
        EXPECT_GT(darkening, 20);
    }
}
