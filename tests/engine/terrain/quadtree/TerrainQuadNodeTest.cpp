// The terrain quadtree on hand-made grids: the fan of the smallest tree, refinement by distance on
// flat ground, roughness, the midpoint skipped towards a coarser neighbour, and the crack check
// over many camera positions: no vertex of one block may lie inside an edge of another (a
// T-junction opens a gap), and with everything in view the triangles cover the grid exactly once.
#include "render/cameras/LookAtCamera.h"
#include "terrain/heightmap/HeightMapVertex.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>
#include <set>
#include <vector>

using namespace Ulvo;

namespace {

// A grid of unit cells: vertex (column i, row j) at (i, height, j).
struct Grid {
    explicit Grid(uint32_t n, const std::function<float(uint32_t, uint32_t)>& height = {}, bool morphing = false)
        : n(n), vertices(n * n), marks(n * n, 0), a(n * n), b(n * n)
    {
        for (uint32_t j = 0; j < n; ++j)
            for (uint32_t i = 0; i < n; ++i) {
                const float y = height ? height(i, j) : 0.0f;
                vertices[j * n + i].position = D3DXVECTOR3(float(i), y, float(j));
                a[j * n + i] = b[j * n + i] = vertices[j * n + i].position;
            }
        const int32_t h = int32_t(n - 1) / 2;
        root = std::make_unique<TerrainQuadNode>(h, h, n, h, marks.data(), vertices.data(),
                                                 morphing ? a.data() : nullptr, morphing ? b.data() : nullptr, false);
    }

    std::vector<uint32_t> draw(const Camera& camera, const D3DXVECTOR3& eye, double lodC = 4.0, double lodSmallC = 10.0)
    {
        root->updateFrame(camera, eye, lodC, lodSmallC);
        // What the terrain's buffers hold, and room past it to see an overrun.
        const uint32_t room = TerrainQuadNode::kIndicesPerCell * (n - 1) * (n - 1);
        std::vector<uint32_t> indices(room + 64, 0xFFFFFFFFu);
        uint32_t count = 0;
        root->writeIndices(indices.data(), count);
        EXPECT_LE(count, room) << "more indices than the terrain's buffers take";
        indices.resize(count);
        return indices;
    }

    // Twice the area each triangle covers, in cells, summed.
    long long doubledArea(const std::vector<uint32_t>& indices) const
    {
        long long sum = 0;
        for (size_t t = 0; t + 2 < indices.size(); t += 3) {
            const long long x0 = indices[t] % n, z0 = indices[t] / n;
            const long long x1 = indices[t + 1] % n, z1 = indices[t + 1] / n;
            const long long x2 = indices[t + 2] % n, z2 = indices[t + 2] / n;
            sum += std::llabs((x1 - x0) * (z2 - z0) - (x2 - x0) * (z1 - z0));
        }
        return sum;
    }

    // The first edge with another triangle's vertex strictly inside it, or an empty text.
    std::string tJunction(const std::vector<uint32_t>& indices) const
    {
        const std::set<uint32_t> used(indices.begin(), indices.end());
        for (size_t t = 0; t + 2 < indices.size(); t += 3)
            for (int e = 0; e < 3; ++e) {
                const int64_t p = indices[t + e], q = indices[t + (e + 1) % 3];
                const int64_t px = p % n, pz = p / n, qx = q % n, qz = q / n;
                const int64_t steps = std::gcd(std::llabs(qx - px), std::llabs(qz - pz));
                for (int64_t s = 1; s < steps; ++s) {
                    const int64_t x = px + (qx - px) / steps * s, z = pz + (qz - pz) / steps * s;
                    if (used.count(uint32_t(z * n + x)))
                        return "vertex (" + std::to_string(x) + ", " + std::to_string(z) + ") inside edge (" +
                               std::to_string(px) + ", " + std::to_string(pz) + ")-(" + std::to_string(qx) + ", " +
                               std::to_string(qz) + ")";
                }
            }
        return {};
    }

    uint32_t n;
    std::vector<HeightMapVertex> vertices;
    std::vector<uint8_t> marks;
    std::vector<D3DXVECTOR3> a, b;
    std::unique_ptr<TerrainQuadNode> root;
};

class TerrainQuadNodeTest : public ::testing::Test {
protected:
    TerrainQuadNodeTest()
    {
        m_camera.setAspect(4.0f / 3.0f);
        m_camera.setFovAspect(60.0, 0.0);
        m_camera.setNearFar(0.1, 1000.0);
    }
    void look(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
    {
        m_eye = eye;
        m_camera.setEyePosition(eye);
        m_camera.setLookAt(at);
    }
    LookAtCamera m_camera{L"Quadtree"};
    D3DXVECTOR3 m_eye{0, 0, 0};
};

} // namespace

TEST_F(TerrainQuadNodeTest, TheSmallestTreeDrawsItsWholeFanWhateverTheDistance)
{
    Grid grid(3);
    EXPECT_EQ(grid.root->getChild(0), nullptr);
    for (float height : {2.0f, 500.0f}) {
        look(D3DXVECTOR3(1, height, 0.5f), D3DXVECTOR3(1, 0, 1));
        const std::vector<uint32_t> indices = grid.draw(m_camera, m_eye);
        ASSERT_EQ(indices.size(), 24u) << height;
        EXPECT_EQ(grid.doubledArea(indices), 8);
        // The first wedge: from the corner (0, 0) round the centre to (1, 0).
        EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 3), (std::vector<uint32_t>{0, 4, 1}));
    }
}

TEST_F(TerrainQuadNodeTest, OnFlatGroundBlocksRefineCloserThanLodCTimesTheirHalfSize)
{
    Grid grid(9);
    EXPECT_EQ(grid.root->getRoughness(), 0.0);
    // The root (half size 4, centre (4, 0, 4)) refines closer than 16, its children closer than 8.
    look(D3DXVECTOR3(4, 15.9f, 4), D3DXVECTOR3(4, 0, 4.01f));
    grid.draw(m_camera, m_eye);
    EXPECT_EQ(grid.marks[4 * 9 + 4], 1);
    EXPECT_EQ(grid.marks[2 * 9 + 2], 0);
    look(D3DXVECTOR3(4, 16.1f, 4), D3DXVECTOR3(4, 0, 4.01f));
    grid.draw(m_camera, m_eye);
    EXPECT_EQ(grid.marks[4 * 9 + 4], 0);
}

TEST_F(TerrainQuadNodeTest, RoughnessIsTheLargestDeviationAndSiblingsShareIt)
{
    // One raised vertex inside child 2's block: (6, 6) is its centre.
    Grid grid(9, [](uint32_t i, uint32_t j) { return i == 6 && j == 6 ? 3.0f : 0.0f; });
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(grid.root->getChild(k)->getRoughness(), 3.0) << k;
    // The root's own measures see only its corners and midpoints, which are flat; it takes its
    // children's, so that it refines whenever they may.
    EXPECT_EQ(grid.root->getRoughness(), 3.0);
    // The child's box reaches the raised vertex through its own children.
    EXPECT_FLOAT_EQ(grid.root->getChild(2)->getBox().getMax().y, 3.0f);
}

TEST_F(TerrainQuadNodeTest, ACoarserNeighbourMakesTheBlockSkipItsMidpoint)
{
    Grid grid(9);
    // Close to the lower left with lodC 2: child 0 (centre (2, 2)) refines, child 1 (centre (6, 2))
    // does not.
    look(D3DXVECTOR3(1, 1.5f, 1), D3DXVECTOR3(4, 0, 4));
    const std::vector<uint32_t> indices = grid.draw(m_camera, m_eye, 2.0);
    ASSERT_EQ(grid.marks[2 * 9 + 2], 1);
    ASSERT_EQ(grid.marks[2 * 9 + 6], 0);
    // Child 0's right side: (B3, centre, B5) = ((4, 0), (2, 2), (4, 4)) instead of two through (4, 2).
    bool found = false;
    for (size_t t = 0; t < indices.size(); t += 3)
        found |= indices[t] == 0 * 9 + 4 && indices[t + 1] == 2 * 9 + 2 && indices[t + 2] == 4 * 9 + 4;
    EXPECT_TRUE(found);
    EXPECT_EQ(grid.tJunction(indices), "");
}

TEST_F(TerrainQuadNodeTest, NoCrackBetweenBlocksAndFewerIndicesFartherAway)
{
    auto hills = [](uint32_t i, uint32_t j) {
        return float(std::sin(i * 0.21) * 2.0 + std::cos(j * 0.17) * 1.5 + std::sin((i + j) * 0.05) * 4.0);
    };
    for (bool rough : {false, true}) {
        Grid grid(65, rough ? std::function<float(uint32_t, uint32_t)>(hills) : nullptr);
        // Walking over the grid and beyond it, looking at the middle.
        for (float distance : {2.0f, 10.0f, 25.0f, 50.0f, 100.0f, 200.0f}) {
            look(D3DXVECTOR3(32, 8 + distance * 0.3f, 32 - distance), D3DXVECTOR3(32, 0, 32));
            EXPECT_EQ(grid.tJunction(grid.draw(m_camera, m_eye)), "") << "rough " << rough << " distance " << distance;
        }
        // Rising above the grid with everything in view: the triangles cover the grid once, without
        // gaps, and there are fewer of them the higher the eye.
        size_t previous = SIZE_MAX, first = 0;
        for (float height : {60.0f, 120.0f, 250.0f, 500.0f}) {
            look(D3DXVECTOR3(32, height, 31.9f), D3DXVECTOR3(32, 0, 32));
            const std::vector<uint32_t> indices = grid.draw(m_camera, m_eye, 16.0);
            EXPECT_EQ(grid.doubledArea(indices), 2LL * 64 * 64) << height;
            EXPECT_EQ(grid.tJunction(indices), "") << height;
            EXPECT_LE(indices.size(), previous) << height;
            previous = indices.size();
            first = first ? first : previous;
        }
        EXPECT_LT(previous, first);
        // Turning on the spot: the blocks behind the eye are left out, and stale marks of blocks
        // the update no longer reaches open no crack.
        for (int turn = 0; turn < 8; ++turn) {
            const float a = turn * 0.785f;
            look(D3DXVECTOR3(20, 6, 20), D3DXVECTOR3(20 + std::cos(a) * 10, 2, 20 + std::sin(a) * 10));
            EXPECT_EQ(grid.tJunction(grid.draw(m_camera, m_eye)), "") << turn;
        }
        const std::vector<uint32_t> all = [&] {
            look(D3DXVECTOR3(32, 400, 31.9f), D3DXVECTOR3(32, 0, 32));
            return grid.draw(m_camera, m_eye, 1000.0);
        }();
        EXPECT_EQ(all.size(), 6u * 64 * 64) << "every block refined: two triangles per cell";
    }
}

TEST_F(TerrainQuadNodeTest, VisibleBoundsLeaveTheBorderBlocksOutAndMorphingSlidesNewVertices)
{
    Grid grid(
        17, [](uint32_t i, uint32_t j) { return float((i * i + 3 * j) % 7); }, true);
    look(D3DXVECTOR3(8, 40, 7.9f), D3DXVECTOR3(8, 0, 8));
    AABB box(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 1, 1));
    grid.root->selectVisible(m_camera, m_eye, 4.0, 10.0, box);
    // Interior blocks only: the box stays inside the outer rows and columns.
    EXPECT_GT(box.getMax().x, box.getMin().x);
    EXPECT_GE(box.getMin().x, 0.0f);
    EXPECT_LE(box.getMax().x, 16.0f);
    // A camera that sees only the corner block: nothing is added.
    AABB untouched(D3DXVECTOR3(5, 5, 5), D3DXVECTOR3(5, 5, 5));
    look(D3DXVECTOR3(-0.5f, 3, -0.5f), D3DXVECTOR3(-3, 2.5f, -3));
    grid.root->selectVisible(m_camera, m_eye, 4.0, 10.0, untouched);
    EXPECT_EQ(untouched.getMin(), D3DXVECTOR3(5, 5, 5));
    EXPECT_EQ(untouched.getMax(), D3DXVECTOR3(5, 5, 5));

    // Morphing: a refined block's new vertices lie between their true height (q = 0) and the
    // coarser surface (q = 1).
    look(D3DXVECTOR3(8, 30, 7.9f), D3DXVECTOR3(8, 0, 8));
    grid.draw(m_camera, m_eye);
    ASSERT_EQ(grid.marks[8 * 17 + 8], 1);
    const float truth = grid.a[8 * 17 + 8].y, coarse = grid.b[8 * 17 + 8].y, now = grid.vertices[8 * 17 + 8].position.y;
    EXPECT_GE(now, std::min(truth, coarse) - 1e-5f);
    EXPECT_LE(now, std::max(truth, coarse) + 1e-5f);
    EXPECT_NE(now, truth);
}

TEST_F(TerrainQuadNodeTest, RoughGroundSeenFromAnywhereHasNoCrack)
{
    // Noisy ground on a long swell, seen from eyes scattered over and around it: a block refined
    // for its roughness must not meet a neighbour two levels coarser.
    uint32_t seed = 12345;
    auto random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 16) & 0x7FFF) / 32767.0f;
    };
    std::vector<float> noise(129 * 129);
    for (float& h : noise)
        h = random() * 3.0f;
    Grid grid(129, [&noise](uint32_t i, uint32_t j) { return noise[j * 129 + i] + std::sin(i * 0.1f) * 10.0f; });
    int cracks = 0;
    for (int k = 0; k < 60; ++k) {
        const D3DXVECTOR3 eye(random() * 160 - 16, 1 + random() * 40, random() * 160 - 16);
        look(eye, D3DXVECTOR3(random() * 129, 0, random() * 129));
        for (double lodC : {2.0, 4.0}) {
            const std::string junction = grid.tJunction(grid.draw(m_camera, m_eye, lodC, 10.0));
            if (!junction.empty() && cracks++ < 3)
                ADD_FAILURE() << junction << " lodC " << lodC << " eye " << eye.x << " " << eye.y << " " << eye.z;
        }
    }
    EXPECT_EQ(cracks, 0);
}

TEST_F(TerrainQuadNodeTest, ABuildAskedToStopLeavesNoTreeAndAWholeTreeHasTheCountedNodes)
{
    const std::function<int(const TerrainQuadNode*)> nodes = [&](const TerrainQuadNode* node) {
        int count = node ? 1 : 0;
        for (int k = 0; node && k < 4; ++k)
            count += nodes(node->getChild(k));
        return count;
    };
    for (uint32_t n : {3u, 5u, 17u, 65u}) {
        Grid grid(n);
        int asked = 0;
        const auto never = [&] { return ++asked < 0; };
        const std::unique_ptr<TerrainQuadNode> whole =
            TerrainQuadNode::build(n, grid.marks.data(), grid.vertices.data(), nullptr, nullptr, never);
        ASSERT_NE(whole, nullptr);
        EXPECT_EQ(uint64_t(nodes(whole.get())), TerrainQuadNode::nodeCount(n)) << n;
        EXPECT_EQ(uint64_t(nodes(grid.root.get())), TerrainQuadNode::nodeCount(n)) << n;
        // Asked between the nodes: stopped halfway, nothing is handed out.
        const int half = asked / 2;
        asked = 0;
        EXPECT_EQ(TerrainQuadNode::build(n, grid.marks.data(), grid.vertices.data(), nullptr, nullptr,
                                         [&] { return ++asked > half; }),
                  nullptr)
            << n;
    }
}
