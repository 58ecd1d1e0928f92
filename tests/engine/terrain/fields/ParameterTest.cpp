// The procedural fields: the factory's kinds and fallbacks, the leaf kinds by value, the noise
// against values worked out by hand from its integer hash, and the combiners.
#include "FakeTerrain.h"
#include "engine/scene/TestObjekt.h"
#include "foundation/xml/XMLNode.h"
#include "scene/ObjektManager.h"
#include "support/LogCapture.h"
#include "terrain/fields/ParameterDensity.h"
#include "terrain/fields/ParameterDist.h"
#include "terrain/fields/ParameterHeight.h"
#include "terrain/fields/ParameterMap.h"
#include "terrain/fields/ParameterPerlin.h"
#include "terrain/fields/ParameterRANGE.h"
#include "terrain/fields/ParameterStatic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace Ulvo;

namespace {

std::unique_ptr<Parameter> make(const std::wstring& text)
{
    XMLNode node;
    XMLNode::load(&node, text, 1);
    return std::unique_ptr<Parameter>(createParameter(&node));
}

float at(const Parameter& field, float x, float y)
{
    return field.getValue(D3DXVECTOR2(x, y));
}

D3DXVECTOR4 vectorAt(const Parameter& field, float x, float y)
{
    D3DXVECTOR4 out;
    field.getVector(&out, D3DXVECTOR2(x, y));
    return out;
}

// Hands the fields an object manager holding the given terrain for the test's length.
class TerrainScope {
public:
    explicit TerrainScope(TerrainTesting::FakeTerrain* terrain)
    {
        m_manager.add(terrain, true);
        ParameterHeight::setObjektManager(&m_manager);
    }
    ~TerrainScope() { ParameterHeight::setObjektManager(nullptr); }
    ObjektManager& manager() { return m_manager; }

private:
    ObjektManager m_manager;
};

} // namespace

TEST(ParameterFactoryTest, TypesBuildTheirKindsAndUnknownOrMissingOnesAStaticFieldWithALogLine)
{
    LogCapture logs;
    EXPECT_NE(dynamic_cast<ParameterMUL*>(make(L"<P TYPE=\"MUL\"/>").get()), nullptr);
    EXPECT_NE(dynamic_cast<ParameterMAX*>(make(L"<P TYPE=\"OR\"/>").get()), nullptr);
    EXPECT_NE(dynamic_cast<ParameterMIN*>(make(L"<P TYPE=\"AND\"/>").get()), nullptr);
    EXPECT_NE(dynamic_cast<ParameterSUM*>(make(L"<P TYPE=\"ADD\"/>").get()), nullptr);
    EXPECT_NE(dynamic_cast<ParameterNormal*>(make(L"<P TYPE=\"NORMAL\" HEIGHTMAP=\"T\"/>").get()), nullptr);
    EXPECT_NE(dynamic_cast<ParameterPerlin*>(make(L"<P TYPE=\"PERLIN\"/>").get()), nullptr);
    EXPECT_EQ(logs.text().find("TYPE"), std::string::npos);

    // Case counts: "or" is no MAX.
    auto lower = make(L"<P TYPE=\"or\"/>");
    EXPECT_NE(dynamic_cast<ParameterStatic*>(lower.get()), nullptr);
    EXPECT_FLOAT_EQ(at(*lower, 0.3f, 0.3f), 1.0f);
    EXPECT_NE(logs.text().find("unbekannter TYPE \"or\""), std::string::npos);

    auto none = make(L"<P INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*none, 0.0f, 0.0f), 0.0f);
    EXPECT_NE(logs.text().find("PARAMETER ohne TYPE"), std::string::npos);

    std::unique_ptr<Parameter> nothing(createParameter(nullptr));
    EXPECT_FLOAT_EQ(at(*nothing, 0.0f, 0.0f), 1.0f);
}

TEST(ParameterFactoryTest, ArrangementDensitiesAreTheDescribedFields)
{
    XMLNode node;
    XMLNode::load(&node, L"<P TYPE=\"DIST\" CENTER=\"0 0.5\" FALLOFF=\"0.5 0.5\" VALUE=\"0 1\"/>", 1);
    auto density = makeParameterDensity(&node);
    ASSERT_TRUE(density);
    auto field = make(L"<P TYPE=\"DIST\" CENTER=\"0 0.5\" FALLOFF=\"0.5 0.5\" VALUE=\"0 1\"/>");
    for (float u : {0.0f, 0.3f, 0.9f})
        EXPECT_FLOAT_EQ(density->value(D3DXVECTOR2(u, 0.5f)), at(*field, u, 0.5f));
    EXPECT_EQ(makeParameterDensity(nullptr), nullptr);
}

TEST(ParameterLeafTest, StaticValueAndVectorAreIndependentAndInvertedOnce)
{
    auto field = make(L"<P TYPE=\"STATIC\" VALUE=\"0.25\" VECTOR=\"0.1 0.2 0.3 0.4 0.9\" INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*field, 5.0f, 5.0f), 0.75f);
    const D3DXVECTOR4 v = vectorAt(*field, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(v.x, 0.9f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_FLOAT_EQ(v.z, 0.7f);
    EXPECT_FLOAT_EQ(v.w, 0.6f);
}

TEST(ParameterLeafTest, DistRingsAndTheHardStepOfEqualFalloffs)
{
    EXPECT_FLOAT_EQ(at(*make(L"<P TYPE=\"DIST\"/>"), 0.5f, 0.5f), 0.0f);

    auto ring = make(L"<P TYPE=\"DIST\" VALUE=\"1 0\"/>");
    EXPECT_FLOAT_EQ(at(*ring, 0.5f, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(at(*ring, 0.75f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(at(*ring, 0.5f, 0.25f), 0.5f);
    EXPECT_FLOAT_EQ(at(*ring, 0.5f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(at(*ring, 3.0f, 3.0f), 0.0f);
    // The vector is the value in every channel.
    EXPECT_FLOAT_EQ(vectorAt(*ring, 0.75f, 0.5f).w, 0.5f);

    // A single CENTER item moves only x.
    auto moved = make(L"<P TYPE=\"DIST\" CENTER=\"0\" FALLOFF=\"0.1 0.3\" VALUE=\"2 1\"/>");
    EXPECT_FLOAT_EQ(at(*moved, 0.0f, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(at(*moved, 0.2f, 0.5f), 1.5f);

    auto step = make(L"<P TYPE=\"DIST\" FALLOFF=\"0.25 0.25\" VALUE=\"1 0\"/>");
    EXPECT_FLOAT_EQ(at(*step, 0.5f, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(at(*step, 0.75f, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(at(*step, 0.9f, 0.5f), 1.0f);

    const float center[2] = {0.0f, 0.0f};
    const float falloff[2] = {0.0f, 1.0f};
    const float value[2] = {4.0f, 0.0f};
    ParameterDist coded(center, falloff, value);
    EXPECT_FLOAT_EQ(at(coded, 0.0f, 0.25f), 3.0f);
}

TEST(ParameterLeafTest, HeightBandRampsOverTheTerrainFoundByName)
{
    // The height is 100·u, so u picks the height.
    auto* terrain = new TerrainTesting::FakeTerrain(L"Boden", 10.0f, [](float u, float) { return 100.0f * u; });
    TerrainScope scope(terrain);
    auto field = make(L"<P TYPE=\"HEIGHT\" MIN=\"10\" MAX=\"50\" TRANSITION=\"5\" HEIGHTMAP=\"Boden\"/>");
    EXPECT_FLOAT_EQ(at(*field, 0.1f, 0.0f), 0.0f);
    EXPECT_NEAR(at(*field, 0.125f, 0.0f), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(at(*field, 0.3f, 0.0f), 1.0f);
    EXPECT_NEAR(at(*field, 0.475f, 0.0f), 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(at(*field, 0.5f, 0.0f), 0.0f);

    // Without transition a plain step; inverted outside the band.
    auto step = make(L"<P TYPE=\"HEIGHT\" MIN=\"10\" MAX=\"50\" HEIGHTMAP=\"Boden\" INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*step, 0.11f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(at(*step, 0.6f, 0.0f), 1.0f);

    // The lookup happens on every call: a renamed terrain is missed at once.
    terrain->rename(L"Anders");
    EXPECT_FLOAT_EQ(at(*field, 0.3f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(at(*step, 0.3f, 0.0f), 1.0f);
}

TEST(ParameterLeafTest, NormalBandIsTheSlopeInDegreesAndAnObjectThatIsNoTerrainGivesZero)
{
    // A slope of 30 degrees for u above one half, flat below.
    const float s = std::sin(30.0f * 3.14159265f / 180.0f);
    const float c = std::cos(30.0f * 3.14159265f / 180.0f);
    auto* terrain = new TerrainTesting::FakeTerrain(
        L"Hang", 10.0f, [](float, float) { return 0.0f; },
        [s, c](float u, float) { return u > 0.5f ? D3DXVECTOR3(s, c, 0.0f) : D3DXVECTOR3(0.0f, 1.0f, 0.0f); });
    TerrainScope scope(terrain);
    auto field = make(L"<P TYPE=\"NORMAL\" MIN=\"20\" MAX=\"40\" TRANSITION=\"20\" HEIGHTMAP=\"Hang\"/>");
    EXPECT_NEAR(at(*field, 0.75f, 0.5f), 0.5f, 1e-4f);
    // Flat ground is angle 0, on the lower edge of the default band: 0.
    EXPECT_FLOAT_EQ(at(*field, 0.25f, 0.5f), 0.0f);
    auto defaults = make(L"<P TYPE=\"NORMAL\" HEIGHTMAP=\"Hang\"/>");
    EXPECT_FLOAT_EQ(at(*defaults, 0.25f, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(at(*defaults, 0.75f, 0.5f), 1.0f);

    // An object that is no terrain, and no name at all.
    scope.manager().add(SceneTesting::makeObjekt(L"Kiste"), true);
    EXPECT_FLOAT_EQ(at(*make(L"<P TYPE=\"NORMAL\" HEIGHTMAP=\"Kiste\" INVERT=\"1\"/>"), 0.75f, 0.5f), 1.0f);
    LogCapture logs;
    auto missing = make(L"<P TYPE=\"NORMAL\" INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*missing, 0.75f, 0.5f), 1.0f);
    EXPECT_NE(logs.text().find("NORMAL ohne HEIGHTMAP"), std::string::npos);
}

TEST(ParameterLeafTest, RangeMapsClampsAndFillsItsBoundsFromTheFront)
{
    auto field = make(L"<P TYPE=\"RANGE\" MIN=\"0.2\" MAX=\"0.8\"><PARAMETER TYPE=\"STATIC\" VALUE=\"0.5\"/></P>");
    EXPECT_FLOAT_EQ(at(*field, 0.0f, 0.0f), 0.5f);
    auto inverted = make(L"<P TYPE=\"RANGE\" MIN=\"0.2\" MAX=\"0.8\" INVERT=\"1\">"
                         L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.25\"/></P>");
    EXPECT_FLOAT_EQ(at(*inverted, 0.0f, 0.0f), 0.65f);
    auto clamped = make(L"<P TYPE=\"RANGE\" MIN=\"0.2\" MAX=\"0.8\" CLAMP=\"1\">"
                        L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.9\"/></P>");
    EXPECT_FLOAT_EQ(at(*clamped, 0.0f, 0.0f), 0.8f);

    LogCapture logs;
    auto childless = make(L"<P TYPE=\"RANGE\" MIN=\"0 1\" MAX=\"3\"/>");
    EXPECT_FLOAT_EQ(at(*childless, 0.0f, 0.0f), 0.0f);
    // "0 1" fills (0, 1, 1, 1).
    const D3DXVECTOR4 low = vectorAt(*childless, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(low.x, 0.0f);
    EXPECT_FLOAT_EQ(low.y, 1.0f);
    EXPECT_FLOAT_EQ(low.w, 1.0f);
    EXPECT_NE(logs.text().find("RANGE ohne PARAMETER"), std::string::npos);
    auto invertedChildless = make(L"<P TYPE=\"RANGE\" MAX=\"3\" INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*invertedChildless, 0.0f, 0.0f), 3.0f);

    // Channel by channel on the child's vector; the clone owns a child of its own.
    auto vector = make(L"<P TYPE=\"RANGE\" MIN=\"0 1\" MAX=\"1 3\">"
                       L"<PARAMETER TYPE=\"STATIC\" VECTOR=\"0.5 0.5 0.25 0\"/></P>");
    std::unique_ptr<Parameter> copy(vector->clone());
    vector.reset();
    const D3DXVECTOR4 mapped = vectorAt(*copy, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(mapped.x, 0.5f);
    EXPECT_FLOAT_EQ(mapped.y, 2.0f);
    EXPECT_FLOAT_EQ(mapped.z, 1.5f);
    EXPECT_FLOAT_EQ(mapped.w, 1.0f);
}

// The lattice value is 1 - bit 30 of h·(h·h·15731 + 789221) - 771171059 with h = k ^ (k << 13),
// all modulo 2^32. By hand: L(0): m = -771171059 = 0xD208DD0D, bit 30 set, so 0. L(-1): h = -1 ^
// -8192 = 8191, m = 8191·(8191²·15731 + 789221) - 771171059 = 0x066454B5, bit 30 clear, so 1.
// The neighbourhoods below were summed from such values (seed 0: S(0,0) = 6/16).
TEST(PerlinNoiseTest, LatticePointsGiveTheSmoothedHashAndBetweenThemTheCosineBlend)
{
    EXPECT_DOUBLE_EQ(perlinNoise(0.0, 0.0, 0.5, 1, 0), 0.375);
    EXPECT_DOUBLE_EQ(perlinNoise(1.0, 0.0, 0.5, 1, 0), 0.3125);
    EXPECT_DOUBLE_EQ(perlinNoise(0.0, 1.0, 0.5, 1, 0), 0.6875);
    EXPECT_DOUBLE_EQ(perlinNoise(1.0, 1.0, 0.5, 1, 0), 0.5625);
    EXPECT_DOUBLE_EQ(perlinNoise(3.0, 2.0, 0.5, 1, 7), 0.375);
    // Halfway the cosine weights are 1/2: the mean of the four corners.
    EXPECT_NEAR(perlinNoise(0.5, 0.5, 0.5, 1, 0), (0.375 + 0.3125 + 0.6875 + 0.5625) / 4.0, 1e-12);
    // Truncation toward zero: -0.25 uses the cells 0 and 1 with the weight of 0.25.
    EXPECT_DOUBLE_EQ(perlinNoise(-0.25, 0.0, 0.5, 1, 0), perlinNoise(0.25, 0.0, 0.5, 1, 0));
    EXPECT_NEAR(perlinNoise(0.25, 0.0, 0.5, 1, 0), 0.36584708691207957, 1e-12);
    // Three octaves weigh 1, 1/2, 1/4 and divide by 1.75.
    EXPECT_NEAR(perlinNoise(0.3, 0.7, 0.5, 3, 42), 0.29876801110068285, 1e-12);
    EXPECT_NEAR(perlinNoise(0.3, 0.7, 0.5, 3, 42),
                (perlinNoise(0.3, 0.7, 0.5, 1, 42) + 0.5 * perlinNoise(0.6, 1.4, 0.5, 1, 42) +
                 0.25 * perlinNoise(1.2, 2.8, 0.5, 1, 42)) /
                    1.75,
                1e-12);
}

// Neighbouring samples share a lattice cell and a row's fade: walked in rows, backwards, or with
// another seed asked in between, every point gives the same bits.
TEST(PerlinNoiseTest, AValueDoesNotDependOnThePointsAskedBefore)
{
    auto x = [](int i) { return i * 0.37 - 3.0; };
    auto y = [](int j) { return j * 0.29 - 2.0; };
    std::vector<double> rows;
    for (int j = 0; j < 20; ++j)
        for (int i = 0; i < 20; ++i)
            rows.push_back(perlinNoise(x(i), y(j), 0.5, 4, 11));
    for (int k = 399; k >= 0; --k) {
        perlinNoise(x(k % 20) + 0.01, y(k / 20), 0.5, 4, 12);
        EXPECT_EQ(perlinNoise(x(k % 20), y(k / 20), 0.5, 4, 11), rows[static_cast<std::size_t>(k)]) << k;
    }
}

TEST(PerlinNoiseTest, HostileOctaveCountsAndCoordinatesGiveNumbers)
{
    LogCapture logs;
    EXPECT_EQ(perlinNoise(0.3, 0.7, 0.5, 0, 1), 0.0);
    EXPECT_EQ(perlinNoise(0.3, 0.7, 0.5, -5, 1), 0.0);
    auto none = make(L"<P TYPE=\"PERLIN\" ANZAHL=\"0\" SEED=\"3\"/>");
    EXPECT_EQ(at(*none, 0.3f, 0.7f), 0.0f);
    EXPECT_NE(logs.text().find("ANZAHL 0 kleiner als 1"), std::string::npos);

    auto many = make(L"<P TYPE=\"PERLIN\" ANZAHL=\"1000000000\" SEED=\"3\"/>");
    EXPECT_NE(logs.text().find("auf 32 begrenzt"), std::string::npos);
    const float value = at(*many, 1e6f, -1e9f);
    EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << value;
    const double far = perlinNoise(1e300, std::nan(""), 0.5, 3, 1);
    EXPECT_TRUE(far >= 0.0 && far <= 1.0) << far;
}

TEST(PerlinNoiseTest, FieldScalesInvertsAndRepeatsWithItsSeed)
{
    auto field = make(L"<P TYPE=\"PERLIN\" SCALE=\"4 2\" ANZAHL=\"1\" SEED=\"0\"/>");
    EXPECT_FLOAT_EQ(at(*field, 0.25f, 0.5f), 0.5625f);
    auto inverted = make(L"<P TYPE=\"PERLIN\" SCALE=\"4 2\" ANZAHL=\"1\" SEED=\"0\" INVERT=\"1\"/>");
    EXPECT_FLOAT_EQ(at(*inverted, 0.25f, 0.5f), 0.4375f);
    EXPECT_FLOAT_EQ(vectorAt(*inverted, 0.25f, 0.5f).z, 0.4375f);

    auto a = make(L"<P TYPE=\"PERLIN\" PERSISTANCE=\"0.7\" ANZAHL=\"4\" SEED=\"99\"/>");
    auto b = make(L"<P TYPE=\"PERLIN\" PERSISTANCE=\"0.7\" ANZAHL=\"4\" SEED=\"99\"/>");
    std::unique_ptr<Parameter> copy(a->clone());
    for (float x = -2.0f; x < 2.0f; x += 0.37f) {
        EXPECT_EQ(at(*a, x, 0.4f * x), at(*b, x, 0.4f * x));
        EXPECT_EQ(at(*a, x, 0.4f * x), at(*copy, x, 0.4f * x));
    }
}

TEST(ParameterCombinerTest, FoldsInListOrderWithTheirEmptyValues)
{
    const std::wstring children = L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.2\" VECTOR=\"0.2 0.2 0.2 0.2\"/>"
                                  L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.7\" VECTOR=\"0.7 0.7 0.7 0.1\"/>"
                                  L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.4\" VECTOR=\"0.4 0.4 0.4 0.4\"/>";
    auto max = make(L"<P TYPE=\"MAX\">" + children + L"</P>");
    auto min = make(L"<P TYPE=\"MIN\">" + children + L"</P>");
    auto sum = make(L"<P TYPE=\"SUM\">" + children + L"</P>");
    auto clamped = make(L"<P TYPE=\"SUM\" CLAMP=\"1\">" + children + L"</P>");
    auto mul = make(L"<P TYPE=\"MUL\">" + children + L"</P>");
    EXPECT_FLOAT_EQ(at(*max, 0, 0), 0.7f);
    EXPECT_FLOAT_EQ(at(*min, 0, 0), 0.2f);
    EXPECT_FLOAT_EQ(at(*sum, 0, 0), 1.3f);
    EXPECT_FLOAT_EQ(at(*clamped, 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(at(*mul, 0, 0), 0.056f);
    // Vectors fold per channel.
    EXPECT_FLOAT_EQ(vectorAt(*max, 0, 0).w, 0.4f);
    EXPECT_FLOAT_EQ(vectorAt(*min, 0, 0).w, 0.1f);

    EXPECT_FLOAT_EQ(at(*make(L"<P TYPE=\"MAX\"/>"), 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(at(*make(L"<P TYPE=\"MUL\"/>"), 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(at(*make(L"<P TYPE=\"MAX\" INVERT=\"1\"/>"), 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(vectorAt(*make(L"<P TYPE=\"MIN\" INVERT=\"1\"/>"), 0, 0).y, 0.0f);

    // A misspelt child contributes a constant 1.
    auto misspelt = make(L"<P TYPE=\"MUL\"><PARAMETER TYPE=\"STATC\" /><PARAMETER VALUE=\"0.5\"/></P>");
    EXPECT_FLOAT_EQ(at(*misspelt, 0, 0), 0.5f);

    // Ten thousand siblings: the first 64 are folded (each is read at every terrain point), said once.
    LogCapture log;
    std::wstring many = L"<P TYPE=\"SUM\">";
    for (int i = 0; i < 10000; ++i)
        many += L"<PARAMETER TYPE=\"STATIC\" VALUE=\"1\"/>";
    EXPECT_FLOAT_EQ(at(*make(many + L"</P>"), 0, 0), 64.0f);
    EXPECT_NE(log.text().find("10000 PARAMETER, die ersten 64 gelten"), std::string::npos);
}

TEST(ParameterCombinerTest, SumClampsOnlyItsValueAndOwnsWhatIsAddedInCode)
{
    auto sum = make(L"<P TYPE=\"SUM\" CLAMP=\"1\"><PARAMETER TYPE=\"STATIC\" VALUE=\"0.8\" VECTOR=\"0.8 0.8 0.8 0.8\"/>"
                    L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.6\" VECTOR=\"0.6 0.6 0.6 0.6\"/></P>");
    EXPECT_FLOAT_EQ(at(*sum, 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(vectorAt(*sum, 0, 0).x, 1.4f);

    ParameterSUM coded(false);
    coded.addParameter(nullptr);
    coded.addParameter(new ParameterStatic(0.25f));
    const float center[2] = {0.5f, 0.5f};
    const float falloff[2] = {0.0f, 0.5f};
    const float value[2] = {1.0f, 0.0f};
    coded.addParameter(new ParameterDist(center, falloff, value));
    EXPECT_EQ(coded.getChildCount(), 2u);
    std::unique_ptr<Parameter> copy(coded.clone());
    EXPECT_FLOAT_EQ(at(*copy, 0.5f, 0.5f), 1.25f);
    EXPECT_FLOAT_EQ(at(*copy, 0.5f, 0.75f), 0.75f);
}
