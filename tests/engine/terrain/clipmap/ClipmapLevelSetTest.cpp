// The clipmap levels: the shared meshes by value, the levels nesting without holes while the
// camera flies, the toroidal refill (only entering bands sampled, heights equal to a full
// refill, each vertex reading the texel of its own position), the set-up's limits and a failed
// instance buffer.
#include "ClipmapTestSupport.h"
#include "SignallingField.h"

#include "support/LogCapture.h"
#include "terrain/clipmap/ClipmapGeometry.h"
#include "terrain/clipmap/ClipmapLevelSet.h"

#include <gtest/gtest.h>
#include <platform_test.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

using namespace Ulvo;
using ClipmapTesting::HillField;

namespace {

TEST(ClipmapGeometryTest, MeshSizesFollowTheGrid)
{
    const ClipmapGeometry geometry(127);
    EXPECT_EQ(geometry.getBlockSize(), 32u);
    const ClipmapMesh block = geometry.block();
    EXPECT_EQ(block.vertices.size(), 32u * 32u);
    EXPECT_EQ(block.triangleCount(), 2u * 31u * 31u);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(geometry.trimVertices(t).size(), 258u);
    EXPECT_EQ(geometry.trimIndices().size(), 254u * 3u);
    const ClipmapMesh ring = geometry.outerRing();
    EXPECT_EQ(ring.vertices.size(), 504u);
    EXPECT_EQ(ring.triangleCount(), 250u);
    const ClipmapMesh fixUp = geometry.fixUp();
    EXPECT_EQ(fixUp.vertices.size(), 384u);
    EXPECT_EQ(fixUp.triangleCount(), 496u);
    EXPECT_EQ(ClipmapGeometry(7).getBlockSize(), 2u);
}

TEST(ClipmapGeometryTest, VerticesLieWhereTheLevelNeedsThem)
{
    // n = 15: m = 4, blocks 4 x 4, the open middle from 3 to 11.
    const ClipmapGeometry geometry(15);
    auto at = [](const std::vector<ClipmapVertex>& v, size_t i) { return std::make_pair(v[i].x, v[i].z); };
    using P = std::pair<int16_t, int16_t>;
    const ClipmapMesh block = geometry.block();
    EXPECT_EQ(at(block.vertices, 4 * 2 + 3), P(2, 3));
    EXPECT_EQ(std::vector<uint16_t>(block.indices.begin(), block.indices.begin() + 6),
              (std::vector<uint16_t>{0, 1, 5, 4, 0, 5}));
    // Trim 0: the left column from z = 3 up to 11, then the top row from x = 4 to 11.
    const std::vector<ClipmapVertex> trim0 = geometry.trimVertices(0);
    EXPECT_EQ(at(trim0, 0), P(4, 3));
    EXPECT_EQ(at(trim0, 1), P(3, 3));
    EXPECT_EQ(at(trim0, 17), P(3, 11));
    EXPECT_EQ(at(trim0, 18), P(4, 10));
    EXPECT_EQ(at(trim0, 33), P(11, 11));
    // Trim 2: the right column from z = 11 down, then the bottom row from x = 10 down to 3.
    const std::vector<ClipmapVertex> trim2 = geometry.trimVertices(2);
    EXPECT_EQ(at(trim2, 0), P(10, 11));
    EXPECT_EQ(at(trim2, 18), P(10, 4));
    EXPECT_EQ(at(trim2, 33), P(3, 3));
    const std::vector<uint16_t> trim = geometry.trimIndices();
    EXPECT_EQ(std::vector<uint16_t>(trim.begin(), trim.begin() + 6), (std::vector<uint16_t>{0, 1, 2, 1, 3, 2}));
    EXPECT_EQ(std::vector<uint16_t>(trim.end() - 6, trim.end()), (std::vector<uint16_t>{30, 31, 33, 30, 33, 32}));
    // The ring runs up the left edge, along the top, down the right and back along the bottom.
    const ClipmapMesh ring = geometry.outerRing();
    EXPECT_EQ(at(ring.vertices, 14), P(0, 14));
    EXPECT_EQ(at(ring.vertices, 15), P(1, 14));
    EXPECT_EQ(at(ring.vertices, 28), P(14, 14));
    EXPECT_EQ(at(ring.vertices, 55), P(1, 0));
    // Its triangles have no area: three vertices on one edge.
    for (size_t k = 0; k < ring.indices.size(); k += 3) {
        const ClipmapVertex& a = ring.vertices[ring.indices[k]];
        const ClipmapVertex& b = ring.vertices[ring.indices[k + 1]];
        const ClipmapVertex& c = ring.vertices[ring.indices[k + 2]];
        EXPECT_EQ((b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x), 0) << k;
    }
    // Fix-up strip 1 closes the bottom gap: z 0..3 at x = 8, 7, 6.
    const ClipmapMesh fixUp = geometry.fixUp();
    EXPECT_EQ(at(fixUp.vertices, 12), P(8, 0));
    EXPECT_EQ(at(fixUp.vertices, 14), P(6, 0));
    EXPECT_EQ(at(fixUp.vertices, 23), P(6, 3));
    EXPECT_EQ(geometry.ringBlockOrigins()[5], (std::array<int, 2>{11, 8}));
    EXPECT_EQ(geometry.centreBlockOrigins()[3], (std::array<int, 2>{7, 7}));
}

// ------------------------------------------------------------------ the level set on the device

class ClipmapLevelSetTest : public ::testing::Test {
public:
    static constexpr uint16_t kN = 15;
    static constexpr uint16_t kS = 32;
    static constexpr uint16_t kLevels = 3;

protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
    }

    std::unique_ptr<ClipmapLevelSet> make(int32_t border = 0, uint16_t levels = kLevels, uint16_t n = kN,
                                          uint16_t S = kS)
    {
        auto set = std::make_unique<ClipmapLevelSet>(D3DInterface::getInstance(), m_device);
        EXPECT_TRUE(set->initClipmap(nullptr, &m_field, border, levels, n, S));
        return set;
    }

    void moveTo(ClipmapLevelSet& set, float x, float z)
    {
        const float c[3] = {x, 0.0f, z};
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        set.update(c, identity);
    }

    // Every level's texels, (height, coarse height) per texel.
    static std::vector<std::vector<float>> texels(const ClipmapLevelSet& set)
    {
        std::vector<std::vector<float>> out;
        const unsigned S = set.getTexSize();
        for (unsigned i = 0; i < set.getLevelCount(); ++i) {
            std::vector<float>& level = out.emplace_back();
            D3DLOCKED_RECT locked{};
            IDirect3DTexture9* texture = set.getLevel(i).heightTexture;
            EXPECT_TRUE(SUCCEEDED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)));
            for (unsigned z = 0; z < S; ++z) {
                const auto* row =
                    reinterpret_cast<const float*>(static_cast<const unsigned char*>(locked.pBits) + z * locked.Pitch);
                for (unsigned x = 0; x < S; ++x) {
                    level.push_back(row[4 * x]);
                    level.push_back(row[4 * x + 1]);
                }
            }
            texture->UnlockRect(0);
        }
        return out;
    }

    IDirect3DDevice9* m_device = nullptr;
    HillField m_field;
};

TEST_F(ClipmapLevelSetTest, OnlyTheEnteringBandIsSampledAndTheHeightsEqualAFullRefill)
{
    auto set = make();
    const uint64_t full = uint64_t{kLevels} * kS * kS;
    EXPECT_EQ(set->getTexelsWritten(), full);
    EXPECT_EQ(set->getWindowOffset(), 8);
    uint64_t before = set->getTexelsWritten();
    // One finest cell: level 0 moves by pairs of cells, so odd steps write nothing.
    for (int step = 1; step <= 6; ++step) {
        moveTo(*set, static_cast<float>(step) + 0.5f, 0.25f);
        const uint64_t written = set->getTexelsWritten() - before;
        before = set->getTexelsWritten();
        EXPECT_EQ(set->getLevel(0).shift[0], step / 2 * 2) << step;
        if (step == 4)
            EXPECT_EQ(written, 2u * kS + 2u * kS) << "level 0 and level 1 each take a band of two columns";
        else
            EXPECT_EQ(written, step % 2 == 0 ? 2u * kS : 0u) << step;
    }
    // A camera that stays in its cell writes no texel but still rewrites the instances.
    moveTo(*set, 6.9f, 0.9f);
    EXPECT_EQ(set->getTexelsWritten(), before);
    EXPECT_EQ(set->getInstances()[set->levelRecord(0)].cell[2], 6.0f - 7.0f);
    // A flight over both axes, both ways, and a jump past the window.
    for (const auto& p : {std::pair{9.0f, 5.0f}, {-3.5f, 12.0f}, {-20.0f, -7.0f}, {300.0f, -250.0f}, {301.0f, -249.0f}})
        moveTo(*set, p.first, p.second);
    const uint64_t flown = set->getTexelsWritten();
    const auto incremental = texels(*set);
    set->refreshAll();
    EXPECT_EQ(set->getTexelsWritten() - flown, full);
    EXPECT_EQ(texels(*set), incremental);
}

TEST_F(ClipmapLevelSetTest, TheBorderModesContinueTheField)
{
    ClipmapTesting::PlaneField plane(0.2f, 0.5f, 0.25f);
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 0, 1.25, 0.5), 0.0f);
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 0, 0.5, 0.5), 0.2f + 0.25f + 0.125f);
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 1, 1.25, -0.5), 0.2f + 0.5f);
    // Mirrored at every integer line.
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 2, 1.25, 0.5), plane.getValue(D3DXVECTOR2(0.75f, 0.5f)));
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 2, -0.25, 0.5), plane.getValue(D3DXVECTOR2(0.25f, 0.5f)));
    // Linear to nothing at 8 units below the square.
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 3, -4.0, 0.5), 0.5f * (0.2f + 0.125f));
    EXPECT_FLOAT_EQ(ClipmapLevelSet::sampleField(&plane, 3, 0.5, -9.0), 0.0f);
    // The plain lookup repeats the square; a position of no number reads nothing.
    EXPECT_FLOAT_EQ(ClipmapLevelSet::lookupField(&plane, -0.75, 2.5), plane.getValue(D3DXVECTOR2(0.25f, 0.5f)));
    EXPECT_FLOAT_EQ(ClipmapLevelSet::lookupField(&plane, 1.0, 1.0), plane.getValue(D3DXVECTOR2(1.0f, 1.0f)));
    EXPECT_FLOAT_EQ(ClipmapLevelSet::lookupField(&plane, -1e30, NAN), 0.0f);
    EXPECT_FLOAT_EQ(ClipmapLevelSet::lookupField(nullptr, 0.5, 0.5), 0.0f);
}

// The triangles one draw of a mesh with an instance record puts down, in finest cells.
struct Triangle {
    D3DXVECTOR2 p[3];
};

void place(std::vector<Triangle>& out, const std::vector<ClipmapVertex>& vertices, const std::vector<uint16_t>& indices,
           const ClipmapInstance& record)
{
    for (size_t k = 0; k + 2 < indices.size(); k += 3) {
        Triangle t;
        for (int c = 0; c < 3; ++c) {
            const ClipmapVertex& v = vertices[indices[k + c]];
            t.p[c] = D3DXVECTOR2(record.cell[2] + v.x * record.cell[0], record.cell[3] + v.z * record.cell[1]);
        }
        out.push_back(t);
    }
}

// Every triangle the level set draws, as its draw would place it.
std::vector<Triangle> drawnTriangles(const ClipmapLevelSet& set)
{
    const ClipmapGeometry geometry(set.getGridSize());
    const ClipmapMesh block = geometry.block();
    const ClipmapMesh fixUp = geometry.fixUp();
    const std::vector<uint16_t> trimIndices = geometry.trimIndices();
    const std::vector<ClipmapInstance>& records = set.getInstances();
    std::vector<Triangle> out;
    for (unsigned i = 0; i < set.getLevelCount(); ++i) {
        const ClipmapInstance& level = records[set.levelRecord(i)];
        if (i == 0) {
            place(out, geometry.trimVertices(1), trimIndices, level);
            place(out, geometry.trimVertices(3), trimIndices, level);
            for (unsigned t = 0; t < set.getCentreBlockCount(); ++t)
                place(out, block.vertices, block.indices, records[set.centreRecord(t)]);
        } else {
            place(out, geometry.trimVertices(set.trimForLevel(i)), trimIndices, level);
        }
        for (unsigned j = 0; j < set.getLevel(i).blockInstanceCount; ++j)
            place(out, block.vertices, block.indices, records[set.ringRecord(i, j)]);
        place(out, fixUp.vertices, fixUp.indices, level);
    }
    return out;
}

float cross(const D3DXVECTOR2& a, const D3DXVECTOR2& b, const D3DXVECTOR2& p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

TEST_F(ClipmapLevelSetTest, LevelsNestWithoutHolesWhileTheCameraFlies)
{
    auto set = make();
    const float outer = static_cast<float>((kN - 1) << (kLevels - 1));
    int checked = 0;
    for (float t = 0.0f; t < 40.0f; t += 1.7f) {
        moveTo(*set, 3.0f * t - 20.0f, 11.0f - 2.3f * t);
        // Two sample points per finest cell over the coarsest level's grid, never on an edge.
        const ClipmapInstance& coarsest = set->getInstances()[set->levelRecord(kLevels - 1)];
        const int cells = static_cast<int>(outer);
        std::vector<int> cover(static_cast<size_t>(cells * cells * 2), 0);
        for (const Triangle& tri : drawnTriangles(*set)) {
            const float area = cross(tri.p[0], tri.p[1], tri.p[2]);
            if (area == 0.0f)
                continue;
            float minX = std::min({tri.p[0].x, tri.p[1].x, tri.p[2].x}) - coarsest.cell[2];
            float maxX = std::max({tri.p[0].x, tri.p[1].x, tri.p[2].x}) - coarsest.cell[2];
            float minZ = std::min({tri.p[0].y, tri.p[1].y, tri.p[2].y}) - coarsest.cell[3];
            float maxZ = std::max({tri.p[0].y, tri.p[1].y, tri.p[2].y}) - coarsest.cell[3];
            ASSERT_GE(minX, 0.0f);
            ASSERT_GE(minZ, 0.0f);
            ASSERT_LE(maxX, outer);
            ASSERT_LE(maxZ, outer);
            for (int z = static_cast<int>(minZ); z < static_cast<int>(maxZ); ++z) {
                for (int x = static_cast<int>(minX); x < static_cast<int>(maxX); ++x) {
                    const D3DXVECTOR2 samples[2] = {{coarsest.cell[2] + x + 0.3f, coarsest.cell[3] + z + 0.6f},
                                                    {coarsest.cell[2] + x + 0.7f, coarsest.cell[3] + z + 0.2f}};
                    for (int k = 0; k < 2; ++k) {
                        const float a = cross(tri.p[0], tri.p[1], samples[k]);
                        const float b = cross(tri.p[1], tri.p[2], samples[k]);
                        const float c = cross(tri.p[2], tri.p[0], samples[k]);
                        if ((a > 0 && b > 0 && c > 0) || (a < 0 && b < 0 && c < 0))
                            ++cover[static_cast<size_t>((z * cells + x) * 2 + k)];
                    }
                }
            }
        }
        const auto holes = std::count(cover.begin(), cover.end(), 0);
        const auto doubled = std::count_if(cover.begin(), cover.end(), [](int c) { return c > 1; });
        EXPECT_EQ(holes, 0) << "camera at t = " << t;
        // Only the two corner cells where level 0's trims 1 and 3 meet are drawn twice.
        EXPECT_EQ(doubled, 4) << "camera at t = " << t;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST_F(ClipmapLevelSetTest, EveryVertexReadsTheTexelOfItsOwnPosition)
{
    auto set = make();
    moveTo(*set, 13.4f, -22.7f);
    const auto stored = texels(*set);
    const ClipmapGeometry geometry(kN);
    const ClipmapMesh block = geometry.block();
    const std::vector<ClipmapInstance>& records = set->getInstances();
    for (unsigned i = 0; i < kLevels; ++i) {
        for (unsigned j = 0; j < 12; ++j) {
            const ClipmapInstance& r = records[set->ringRecord(i, j)];
            for (const ClipmapVertex& v : block.vertices) {
                const float px = r.cell[2] + v.x * r.cell[0], pz = r.cell[3] + v.z * r.cell[1];
                const int tx = static_cast<int>(std::lround(r.texture[2] * kS)) + v.x;
                const int tz = static_cast<int>(std::lround(r.texture[3] * kS)) + v.z;
                const size_t texel = static_cast<size_t>(((tz & (kS - 1)) * kS + (tx & (kS - 1))) * 2);
                ASSERT_FLOAT_EQ(stored[i][texel], ClipmapLevelSet::sampleField(&m_field, 0, px / kS, pz / kS))
                    << "level " << i << " block " << j << " vertex " << v.x << "," << v.z;
            }
        }
    }
}

TEST_F(ClipmapLevelSetTest, ViolatedLimitsAreReportedAndBuildNothing)
{
    LogCapture logs;
    ClipmapLevelSet set(D3DInterface::getInstance(), m_device);
    EXPECT_FALSE(set.initClipmap(nullptr, &m_field, 0, kLevels, 6, kS));
    EXPECT_FALSE(set.initClipmap(nullptr, &m_field, 0, 0, kN, kS));
    EXPECT_FALSE(set.initClipmap(nullptr, &m_field, 0, kLevels, 63, 32));
    EXPECT_FALSE(set.isReady());
    EXPECT_EQ(set.getLevelCount(), 0u);
    const std::string text = logs.text();
    EXPECT_NE(text.find("_n > 6, file UlvoObjekt"), std::string::npos) << text;
    EXPECT_NE(text.find("levelCount > 0"), std::string::npos) << text;
    EXPECT_NE(text.find("_n < _texSize"), std::string::npos) << text;
    const float c[3] = {5.0f, 0.0f, 5.0f};
    set.update(c, D3DXMATRIX());
    set.draw(D3DXMATRIX());
    set.refreshAll();
}

TEST_F(ClipmapLevelSetTest, ATerminationSignalStopsALevelsFillBetweenTwoRows)
{
    // The first level filled has 16 x 16 groups of 9 samples; the signal comes in its third row.
    constexpr long kRowSamples = (kS / 2) * 9;
    TerrainTesting::SignallingField field(2 * kRowSamples + 5);
    ClipmapLevelSet set(D3DInterface::getInstance(), m_device);
    EXPECT_FALSE(set.initClipmap(nullptr, &field, ClipmapLevelSet::BORDER_CLAMP, kLevels, kN, kS));
    PlatformClearTerminationSignal();
    EXPECT_LT(field.samplesAfter(), kRowSamples) << "the rest of the level was sampled";
    EXPECT_FALSE(set.isReady());
    EXPECT_EQ(set.getLevelCount(), 0u);
}

// A device that cannot give the instances a buffer, or cannot lock it.
class FailingInstances : public ClipmapLevelSet {
public:
    FailingInstances(bool failCreate)
        : ClipmapLevelSet(D3DInterface::getInstance(), D3DInterface::getInstance()->getDevice())
        , m_failCreate(failCreate)
    {
    }

protected:
    HRESULT createInstanceBuffer(UINT length, IDirect3DVertexBuffer9** buffer) override
    {
        return m_failCreate ? E_OUTOFMEMORY : ClipmapLevelSet::createInstanceBuffer(length, buffer);
    }
    HRESULT lockInstanceBuffer(void** data, DWORD flags) override
    {
        return m_failCreate ? ClipmapLevelSet::lockInstanceBuffer(data, flags) : D3DERR_INVALIDCALL;
    }

private:
    bool m_failCreate;
};

TEST_F(ClipmapLevelSetTest, AFailedInstanceBufferEndsTheSetUpNotTheProgram)
{
    LogCapture logs;
    for (bool failCreate : {true, false}) {
        FailingInstances set(failCreate);
        EXPECT_FALSE(set.initClipmap(nullptr, &m_field, 0, kLevels, kN, kS));
        EXPECT_FALSE(set.isReady());
        EXPECT_EQ(set.getLevelCount(), 0u);
        set.draw(D3DXMATRIX());
    }
    const std::string text = logs.text();
    EXPECT_NE(text.find("CreateVertexBuffer(instances) failed!"), std::string::npos) << text;
    EXPECT_NE(text.find("m_instanceBuffer->Lock failed!"), std::string::npos) << text;
}

// Height rows handed out with padding after each row, as a driver may lock them.
class PaddedRows : public ClipmapLevelSet {
public:
    static constexpr INT kPitch = ClipmapLevelSetTest::kS * 16 + 48;

    PaddedRows()
        : ClipmapLevelSet(D3DInterface::getInstance(), D3DInterface::getInstance()->getDevice())
        , rows(static_cast<size_t>(kPitch) * ClipmapLevelSetTest::kS, 0xAB)
    {
    }
    std::vector<unsigned char> rows;

protected:
    HRESULT lockHeights(IDirect3DTexture9*, D3DLOCKED_RECT* locked) override
    {
        locked->Pitch = kPitch;
        locked->pBits = rows.data();
        return D3D_OK;
    }
    void unlockHeights(IDirect3DTexture9*) override {}
};

TEST_F(ClipmapLevelSetTest, HeightRowsAreWrittenAtTheLockedPitch)
{
    PaddedRows set;
    ASSERT_TRUE(set.initClipmap(nullptr, &m_field, 0, 1, kN, kS));
    const int32_t origin = set.getLevel(0).origin[0];
    const int32_t offset = set.getWindowOffset();
    for (unsigned Z = 0; Z < kS; ++Z) {
        const unsigned char* row = set.rows.data() + static_cast<size_t>(Z) * PaddedRows::kPitch;
        for (unsigned X = 0; X < kS; ++X) {
            // Texel X holds the window's column x with x = X modulo S, x in [-offset, S - offset).
            const int32_t x = static_cast<int32_t>(X) >= kS - offset ? static_cast<int32_t>(X) - kS : X;
            const int32_t z = static_cast<int32_t>(Z) >= kS - offset ? static_cast<int32_t>(Z) - kS : Z;
            float height = 0.0f;
            std::memcpy(&height, row + 16 * X, sizeof(float));
            ASSERT_FLOAT_EQ(
                height, ClipmapLevelSet::sampleField(&m_field, 0, (origin + x) / double{kS}, (origin + z) / double{kS}))
                << X << "," << Z;
        }
        // The padding after the row is left as it was.
        for (size_t b = kS * 16; b < static_cast<size_t>(PaddedRows::kPitch); ++b)
            ASSERT_EQ(row[b], 0xAB) << Z;
    }
}

} // namespace
