// The road's swept mesh by value: vertex and index layout, positions, texture coordinates,
// normals and tangent frames of a straight and a curved road, the chunks and the camera box.
#include "engine/terrain/street/StreetTestSupport.h"
#include "render/cameras/LookAtCamera.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Ulvo;
using namespace StreetTesting;

namespace {

void expectVec(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// A crowned three-point profile: the middle point 0.1 above the edges and smooth.
const std::wstring kCrown = L"<SEGMENT X=\"-1\"/><SEGMENT X=\"0\" Y=\"0.1\"/><SEGMENT X=\"1\"/>";

} // namespace

TEST(StreetMesh, AStraightRoadSweepsItsProfileWithStripsPerEdge)
{
    StreetScene scene;
    auto road = scene.road(kCrown, L"", point(0, 0, 0) + point(0, 0, 10));
    road->build(0);
    road->build(1);
    const auto& v = road->getVertices();
    const auto& idx = road->getIndices();
    ASSERT_EQ(v.size(), 60u);
    ASSERT_EQ(idx.size(), 60u);
    // Edge 1's strip starts at index 2·S = 20 with B, A of sample 0.
    EXPECT_EQ(idx[20], 3u);
    EXPECT_EQ(idx[21], 2u);
    EXPECT_EQ(idx[22], 2u * (1 * 3 + 1) + 1);
    // Sample 2, edge 0: A at the left edge, B on the crown.
    const StreetObjekt::StreetVertex& a = v[2 * (2 * 3 + 0)];
    const StreetObjekt::StreetVertex& b = v[2 * (2 * 3 + 0) + 1];
    expectVec(a.position, -1, 0, 2);
    expectVec(b.position, 0, 0.1f, 2);
    // u across the edge 0 → 1; v = distance / edge length (one repeat as long as the edge is wide).
    EXPECT_EQ(a.u, 0.0f);
    EXPECT_EQ(b.u, 1.0f);
    EXPECT_NEAR(a.v, 2.0f / std::sqrt(1.01f), 1e-5f);
    EXPECT_EQ(a.v, b.v);
    // The left edge (not smooth) takes the slope's flat normal; the smooth crown points straight up.
    const float n = 1.0f / std::sqrt(1.01f);
    expectVec(a.normal, -0.1f * n, n, 0);
    expectVec(b.normal, 0, 1, 0);
    // Tangent across the edge, binormal along the road.
    expectVec(a.tangent, n, 0.1f * n, 0);
    expectVec(a.binormal, 0, 0, 1);
    // The closing edge 2 runs under the road from x = 1 back to x = -1 and faces down.
    expectVec(v[2 * (2 * 3 + 2)].normal, 0, -1, 0);
    // The last ring has no triangle of its own: it keeps the ring before's frame.
    const StreetObjekt::StreetVertex& last = v[2 * (9 * 3 + 0) + 1];
    expectVec(last.tangent, n, 0.1f * n, 0);
    for (const auto& vertex : v)
        EXPECT_TRUE(std::isfinite(vertex.tangent.x + vertex.tangent.y + vertex.binormal.z + vertex.normal.y));
    // The object's box encloses every vertex.
    expectVec(road->getBoundingBox().getMin(), -1, 0, 0);
    expectVec(road->getBoundingBox().getMax(), 1, 0.1f, 9);
}

TEST(StreetMesh, TextureRulesFollowTheSegmentSwitches)
{
    StreetScene scene;
    auto road = scene.road(L"<SEGMENT X=\"-1\" SYMETRIC=\"0\" V_TILING=\"0.5\"/><SEGMENT X=\"0\" USE_LAST_TEX_U=\"1\"/>"
                           L"<SEGMENT X=\"1\" SCALE_TEX_U_LENGTH=\"1\" U_TILING=\"2\"/>",
                           L"DIST_INTERPOL=\"2\"", point(0, 0, 0) + point(0, 0, 10));
    road->build(0);
    const auto& v = road->getVertices();
    ASSERT_EQ(v.size(), 2u * 3u * 5u);
    const std::size_t j = 4; // distance 8
    // Not symmetric: v = V_TILING · distance on both vertices.
    EXPECT_EQ(v[2 * (j * 3 + 0)].v, 4.0f);
    EXPECT_EQ(v[2 * (j * 3 + 0) + 1].v, 4.0f);
    // USE_LAST_TEX_U continues u from the edge before: 1 → 2; the next edge starts again at 0.
    EXPECT_EQ(v[2 * (j * 3 + 1)].u, 1.0f);
    EXPECT_EQ(v[2 * (j * 3 + 1) + 1].u, 2.0f);
    EXPECT_EQ(v[2 * (j * 3 + 2)].u, 0.0f);
    EXPECT_EQ(v[2 * (j * 3 + 2) + 1].u, 2.0f);
    // Scaled to the road's length: distance / last distance · U_TILING.
    EXPECT_NEAR(v[2 * (j * 3 + 2)].v, 8.0f / 8.0f * 2.0f, 1e-6f);
    EXPECT_NEAR(v[2 * (2 * 3 + 2)].v, 4.0f / 8.0f * 2.0f, 1e-6f);
}

TEST(StreetMesh, ACurvedRoadTurnsItsProfileAcrossTheWayAndStaysUpright)
{
    StreetScene scene;
    auto road = scene.road(L"<SEGMENT X=\"-2\"/><SEGMENT X=\"2\"/>", L"DIST_INTERPOL=\"0.5\"",
                           point(0, 0, 0, L"CATMULL") + point(4, 0, 4, L"CATMULL") + point(8, 0, 0, L"CATMULL") +
                               point(12, 0, -4));
    road->build(0);
    road->build(1);
    const auto& samples = road->getPath().samples;
    const auto& v = road->getVertices();
    ASSERT_GT(samples.size(), 20u);
    for (std::size_t j = 1; j + 1 < samples.size(); ++j) {
        const auto& s = samples[j];
        const StreetObjekt::StreetVertex& a = v[2 * (j * 2 + 0)];
        const StreetObjekt::StreetVertex& b = v[2 * (j * 2 + 0) + 1];
        // The profile's +x is (cos h, 0, -sin h): right of the heading, horizontal.
        expectVec(a.position, s.position.x - 2 * std::cos(s.heading), 0, s.position.z + 2 * std::sin(s.heading), 1e-4f);
        expectVec(b.position, s.position.x + 2 * std::cos(s.heading), 0, s.position.z - 2 * std::sin(s.heading), 1e-4f);
        // Across the way: perpendicular to the direction between the neighbours.
        const D3DXVECTOR3 across = b.position - a.position;
        D3DXVECTOR3 along = samples[j + 1].position - samples[j - 1].position;
        along.y = 0;
        D3DXVec3Normalize(&along, &along);
        EXPECT_NEAR(D3DXVec3Dot(&across, &along), 0.0f, 1e-4f) << j;
        expectVec(a.normal, 0, 1, 0);
        expectVec(b.normal, 0, 1, 0);
        EXPECT_NEAR(D3DXVec3Length(&a.tangent), 1.0f, 1e-5f);
    }
    // The road sets out between +z and +x and turns on past +x.
    EXPECT_GT(samples.front().heading, 0.0f);
    EXPECT_LT(samples.front().heading, 1.5707964f);
    EXPECT_GT(samples.back().heading, 1.5707964f);
}

TEST(StreetMesh, ChunksCutTheSamplesIntoRunsThatTheCameraBoxCollects)
{
    StreetScene scene;
    auto road = scene.road(kFlatProfile, L"", point(0, 0, 0) + point(0, 0, 25), L"ANZ_SEGMENTE=\"10\"");
    road->build(0);
    ASSERT_EQ(road->getPath().samples.size(), 25u);
    const auto& chunks = road->getChunks();
    ASSERT_EQ(chunks.size(), 13u);
    EXPECT_EQ(chunks[0].firstSample, 0);
    EXPECT_EQ(chunks[0].lastSample, 1);
    expectVec(chunks[3].box.getMin(), -1, 0, 6);
    expectVec(chunks[3].box.getMax(), 1, 0, 7);
    EXPECT_EQ(chunks[12].firstSample, 24);
    EXPECT_EQ(chunks[12].lastSample, 24);

    auto shorter = scene.road(kFlatProfile, L"", point(0, 0, 0) + point(0, 0, 15), L"ANZ_SEGMENTE=\"10\"");
    shorter->build(0);
    EXPECT_EQ(shorter->getChunks().size(), 15u);

    // A camera that sees no chunk: the box is its eye point; one that looks along the road sees them.
    LookAtCamera camera(L"Blick");
    camera.setAspect(4.0f / 3.0f);
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 100.0);
    camera.setEyePosition(D3DXVECTOR3(0, 5, -10));
    camera.setLookAt(D3DXVECTOR3(0, 5, -30));
    const AABB& away = road->getBoundingBox(&camera);
    expectVec(away.getMin(), 0, 5, -10);
    expectVec(away.getMax(), 0, 5, -10);
    camera.setLookAt(D3DXVECTOR3(0, 0, 12));
    const AABB& seen = road->getBoundingBox(&camera);
    expectVec(seen.getMin(), -1, 0, -10);
    expectVec(seen.getMax(), 1, 5, 24);
}
