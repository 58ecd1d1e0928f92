// The clipmap terrain object: its description with the hostile sizes limited, the physics
// settings, the copy, the sidecar document, the terrain queries against its field, the height
// modifier and the ray test.
#include "ClipmapTestSupport.h"

#include "graphics/textures/Texture2D.h"
#include <d3dx9.h>
#include "support/LogCapture.h"
#include "terrain/clipmap/ClipmapLevelSet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace Ulvo;

namespace {

// A cone round (0, 0.5): on the line v = 0.5 the field is u, so heights can be read off.
const std::wstring kCone = L"<HEIGHTMAP TYPE=\"DIST\" CENTER=\"0 0.5\" FALLOFF=\"1 0\" VALUE=\"1 0\"/>";

class ClipmapObjektTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(GraphicsTesting::startDevice(), nullptr); }

    void TearDown() override
    {
        for (ClipmapObjekt* object : m_objects)
            object->Release();
    }

    ClipmapObjekt* make(const std::wstring& clipmapData, const std::wstring& more = L"",
                        const std::wstring& base = L"<POSITION X=\"10\" Y=\"2\" Z=\"-20\"/>"
                                                   L"<SCALE X=\"100\" Y=\"10\" Z=\"100\"/>")
    {
        ClipmapObjekt* object =
            ClipmapTesting::build(m_manager, L"<OBJEKT NAME=\"Gelaende\" TYPE=\"CLIPMAP\"><BASE_DATA>" + base +
                                                 L"</BASE_DATA>" + clipmapData + more + L"</OBJEKT>");
        EXPECT_NE(object, nullptr);
        if (object)
            m_objects.push_back(object);
        return object;
    }

    ObjektManager m_manager;
    std::vector<ClipmapObjekt*> m_objects;
};

TEST_F(ClipmapObjektTest, TextureAndGridSizesAreLimitedToWhatTheLevelsCanHold)
{
    LogCapture logs;
    struct Case {
        const wchar_t* data;
        uint32_t texSize, gridSize;
    };
    for (const Case& c :
         {Case{L"", 1024, 127}, Case{L"SIZE_TEX=\"1000\"", 512, 127}, Case{L"SIZE_TEX=\"5000\"", 2048, 127},
          Case{L"SIZE_TEX=\"4096\"", 2048, 127}, Case{L"SIZE_TEX=\"70000\" SIZE_CENTER=\"8192\"", 2048, 1023},
          Case{L"SIZE_TEX=\"-1\"", 2048, 127}, Case{L"SIZE_TEX=\"0\"", 2, 0}, Case{L"SIZE_CENTER=\"128\"", 1024, 127},
          Case{L"SIZE_CENTER=\"100\"", 1024, 127}, Case{L"SIZE_CENTER=\"1000\"", 1024, 511},
          Case{L"SIZE_TEX=\"64\"", 64, 31}, Case{L"SIZE_TEX=\"64\" SIZE_CENTER=\"0\"", 64, 1}}) {
        ClipmapObjekt* object = make(std::wstring(L"<CLIPMAP_DATA ") + c.data + L"/>");
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->getTexSize(), c.texSize) << c.data;
        EXPECT_EQ(object->getGridSize(), c.gridSize) << c.data;
    }
    EXPECT_NE(logs.text().find("SIZE_TEX 0 becomes 2"), std::string::npos);
    // A grid of no cells is refused by the levels: the terrain draws nothing.
    ClipmapObjekt* empty = make(L"<CLIPMAP_DATA SIZE_TEX=\"0\"/>");
    empty->build(0);
    EXPECT_EQ(empty->getLevelSet(), nullptr);
    EXPECT_NE(logs.text().find("_n > 6"), std::string::npos);
}

TEST_F(ClipmapObjektTest, LevelCountAndBorderModeAreRead)
{
    EXPECT_EQ(make(L"<CLIPMAP_DATA RAND_TYP=\"CLAMP\" ANZ_LAYERS=\"3\"/>")->getBorderMode(), 1);
    EXPECT_EQ(make(L"<CLIPMAP_DATA RAND_TYP=\"clamp\"/>")->getBorderMode(), 0);
    EXPECT_EQ(make(L"<CLIPMAP_DATA RAND_TYP=\"WRAP\"/>")->getBorderMode(), 2);
    EXPECT_EQ(make(L"<CLIPMAP_DATA RAND_TYP=\"LINEAR_NULL\"/>")->getBorderMode(), 3);
    EXPECT_EQ(make(L"<CLIPMAP_DATA ANZ_LAYERS=\"3\"/>")->getLevelCount(), 3u);
    EXPECT_EQ(make(L"<CLIPMAP_DATA ANZ_LAYERS=\"40\"/>")->getLevelCount(), ClipmapObjekt::kMaxLevels);
    EXPECT_EQ(make(L"<CLIPMAP_DATA ANZ_LAYERS=\"-3\"/>")->getLevelCount(), 0u);
    EXPECT_EQ(make(L"")->getLevelCount(), 5u);
}

TEST_F(ClipmapObjektTest, PhysicsRatioHasNoDivisionByZero)
{
    struct Case {
        const wchar_t* data;
        uint32_t size, ratio;
    };
    for (const Case& c :
         {Case{L"SIZE=\"1025\" PHYSXSIZE=\"33\"", 1024, 31}, Case{L"SIZE=\"513\" PHYSXSIZE=\"1\"", 512, 1},
          Case{L"SIZE=\"0\" PHYSXSIZE=\"5\"", 0, 1}, Case{L"SIZE=\"1\" PHYSXSIZE=\"5\"", 1, 1},
          Case{L"SIZE=\"256\" PHYSXSIZE=\"0\"", 256, 1}, Case{L"SIZE=\"256\" PHYSXSIZE=\"2\"", 256, 255},
          Case{L"SIZE=\"-8\" PHYSXSIZE=\"-8\"", 0, 1}}) {
        ClipmapObjekt* object = make(L"", std::wstring(L"<HEIGHTMAP_DATA ") + c.data + L"/>");
        EXPECT_EQ(object->getPhysics().size, c.size) << c.data;
        EXPECT_EQ(object->getPhysics().gridRatio, c.ratio) << c.data;
    }
}

TEST_F(ClipmapObjektTest, TextureScalesAndMaterialsFollowTheLayersTheyName)
{
    LogCapture logs;
    ClipmapObjekt* object =
        make(L"", L"<HEIGHTMAP_DATA SHADOW_RECEIVE=\"0.25\" BUMP=\"0.5\"><FORCE_FIELD CREATE=\"1\" COLL_GROUP=\"Wind\" "
                  L"CONST_FORCE=\"1 2\"/><TEX_PARAMETER><NEAR_FAR_BLENDING START_BLEND=\"3\" END_BLEND=\"30\"/>"
                  L"<SCALE LAYER_ID=\"2\" NEAR=\"3\" FAR=\"0.5\" PHYSX_MATERIAL=\"Fels\"/>"
                  L"<SCALE LAYER_ID=\"7\" NEAR=\"9\" PHYSX_MATERIAL=\"Sand\"/><SCALE LAYER_ID=\"9\" NEAR=\"9\"/>"
                  L"</TEX_PARAMETER></HEIGHTMAP_DATA>");
    EXPECT_FLOAT_EQ(object->getShadowValue(), 0.75f);
    EXPECT_FLOAT_EQ(object->getBumpAmount(), 0.5f);
    EXPECT_FLOAT_EQ(object->getBlendStart(), 3.0f);
    EXPECT_FLOAT_EQ(object->getBlendEnd(), 30.0f);
    // s = (100 + 100) / 2.
    for (int layer = 0; layer < 4; ++layer) {
        EXPECT_FLOAT_EQ(object->getTexScaleNear()[layer], layer == 2 ? 300.0f : 100.0f) << layer;
        EXPECT_FLOAT_EQ(object->getTexScaleFar()[layer], layer == 2 ? 50.0f : 10.0f) << layer;
    }
    EXPECT_EQ(object->getPhysics().materials[2], L"Fels");
    EXPECT_EQ(object->getPhysics().materials[3], L"DEFAULT");
    EXPECT_TRUE(object->getPhysics().forceField);
    EXPECT_EQ(object->getPhysics().collisionGroup, L"Wind");
    EXPECT_FLOAT_EQ(object->getPhysics().constForce[1], 2.0f);
    EXPECT_FLOAT_EQ(object->getPhysics().constForce[2], 0.0f);
    EXPECT_NE(logs.text().find("PHYSX_MATERIAL Sand names LAYER_ID 7, not 0..3"), std::string::npos) << logs.text();
    // The white texture stands in for the colour map; the blend texture has its default size.
    EXPECT_EQ(object->getColourMap(), object->getWhiteTexture());
    ASSERT_NE(object->getBlendTexture(), nullptr);
    EXPECT_EQ(object->getBlendTexture()->getWidth(), 256u);
}

TEST_F(ClipmapObjektTest, ACopyTakesItsOwnFieldsAndTheSizes)
{
    ClipmapObjekt* source =
        make(L"<CLIPMAP_DATA SIZE_TEX=\"64\" SIZE_CENTER=\"16\" ANZ_LAYERS=\"3\" RAND_TYP=\"WRAP\">" + kCone +
                 L"<NORMALS TYPE=\"STATIC\"/></CLIPMAP_DATA>",
             L"<HEIGHTMAP_DATA BUMP=\"0.5\"/>");
    auto* copy = dynamic_cast<ClipmapObjekt*>(source->clone());
    ASSERT_NE(copy, nullptr);
    m_objects.push_back(copy);
    EXPECT_NE(copy->getHeightSource(), nullptr);
    EXPECT_NE(copy->getHeightSource(), source->getHeightSource());
    EXPECT_NE(copy->getNormalSource(), source->getNormalSource());
    EXPECT_EQ(copy->getTexSize(), 64u);
    EXPECT_EQ(copy->getGridSize(), 15u);
    EXPECT_EQ(copy->getLevelCount(), 3u);
    EXPECT_EQ(copy->getBorderMode(), 2);
    EXPECT_FLOAT_EQ(copy->getBumpAmount(), 0.5f);
    EXPECT_EQ(copy->getColourMap(), copy->getWhiteTexture());
    // What nothing writes after it is made is shared, not made again for every copy.
    EXPECT_EQ(copy->getWhiteTexture(), source->getWhiteTexture());
    EXPECT_EQ(copy->getBlendTexture(), source->getBlendTexture());
    EXPECT_FLOAT_EQ(copy->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), source->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)));
    // Each deletes its own field: the copy outlives its source.
    m_objects.erase(m_objects.begin());
    source->Release();
    EXPECT_FLOAT_EQ(copy->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 5.0f);
    copy->build(0);
    ASSERT_NE(copy->getLevelSet(), nullptr);
    EXPECT_TRUE(copy->getLevelSet()->isReady());
}

TEST_F(ClipmapObjektTest, ADeviceResetBuildsLevelsOnlyForTheTerrainsThatHadThem)
{
    // Thousands of copies in an arrangement draw nothing of their own; a reset must not give each
    // a level set the scene never paid for.
    ClipmapObjekt* source =
        make(L"<CLIPMAP_DATA SIZE_TEX=\"64\" SIZE_CENTER=\"16\" ANZ_LAYERS=\"3\">" + kCone + L"</CLIPMAP_DATA>");
    source->build(0);
    auto* copy = dynamic_cast<ClipmapObjekt*>(source->clone());
    ASSERT_NE(copy, nullptr);
    m_objects.push_back(copy);
    for (ClipmapObjekt* object : {source, copy})
        object->onLostDevice();
    for (ClipmapObjekt* object : {source, copy})
        object->onResetDevice();
    ASSERT_NE(source->getLevelSet(), nullptr);
    EXPECT_TRUE(source->getLevelSet()->isReady());
    EXPECT_EQ(copy->getLevelSet(), nullptr);
}

TEST_F(ClipmapObjektTest, TheSidecarDocumentPlacesAndSizesTheTerrain)
{
    LogCapture logs;
    std::ofstream(logs.folder() / "Gelaende.data") << "<DATA MIN=\"-4\" HEIGHT=\"25\" BLENDSIZE=\"64\"/>";
    ClipmapObjekt* object = make(L"<CLIPMAP_DATA>" + kCone + L"</CLIPMAP_DATA>");
    EXPECT_EQ(object->getBasePosition(), D3DXVECTOR3(10.0f, -4.0f, -20.0f));
    EXPECT_EQ(object->getScale(), D3DXVECTOR3(100.0f, 25.0f, 100.0f));
    EXPECT_EQ(object->getBlendSize(), 64u);
    ASSERT_NE(object->getBlendTexture(), nullptr);
    EXPECT_EQ(object->getBlendTexture()->getWidth(), 64u);
    // The texture scales took the scale before HEIGHT, which does not enter them.
    EXPECT_FLOAT_EQ(object->getTexScaleNear()[0], 100.0f);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 0.3f * 25.0f - 4.0f);
}

TEST_F(ClipmapObjektTest, AHeightPictureInTheSidecarReplacesTheDescribedField)
{
    LogCapture logs;
    Texture2D picture;
    ASSERT_TRUE(GraphicsTesting::fillTexture(picture, 4, 4, [](UINT, UINT) { return D3DCOLOR{0xFF808080}; }));
    ASSERT_TRUE(SUCCEEDED(D3DXSaveTextureToFileW(L"hoehe.png", D3DXIFF_PNG, picture.getBaseTexture(), nullptr)));
    std::ofstream(logs.folder() / "Gelaende.data") << "<DATA TEXTUR=\"hoehe.png\"/>";
    ClipmapObjekt* object = make(L"<CLIPMAP_DATA>" + kCone + L"</CLIPMAP_DATA>");
    // Red, green and blue of the grey picture, 128 / 255 each, instead of the cone's 0.3.
    EXPECT_NEAR(object->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 128.0f / 255.0f * 10.0f + 2.0f, 1e-4f);
}

TEST_F(ClipmapObjektTest, QueriesReadTheFieldUnderTheTransform)
{
    ClipmapObjekt* object = make(L"<CLIPMAP_DATA>" + kCone + L"</CLIPMAP_DATA>");
    // Field u on v = 0.5, times the height scale 10, plus the position's 2.
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 5.0f);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(1.3f, 0.5f)), 5.0f);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(-0.7f, 1.5f)), 5.0f);
    D3DXVECTOR2 uv;
    object->worldToUV(&uv, D3DXVECTOR3(40.0f, 99.0f, 30.0f));
    EXPECT_FLOAT_EQ(uv.x, 0.3f);
    EXPECT_FLOAT_EQ(uv.y, 0.5f);
    EXPECT_FLOAT_EQ(object->getHeight(D3DXVECTOR3(40.0f, -7.0f, 30.0f)), 5.0f);
    EXPECT_FLOAT_EQ(object->getHeight(D3DXVECTOR2(40.0f, 30.0f)), 5.0f);
    D3DXVECTOR3 p;
    object->getPositionUV(&p, D3DXVECTOR2(0.3f, 0.5f));
    EXPECT_NEAR(p.x, 40.0f, 1e-4f);
    EXPECT_NEAR(p.y, 5.0f, 1e-4f);
    EXPECT_NEAR(p.z, 30.0f, 1e-4f);
    object->getPositionUV(&p, D3DXVECTOR2(1.5f, 0.5f));
    EXPECT_EQ(p, D3DXVECTOR3(10.0f, 2.0f, -20.0f));
    // The slope along x is 10 / 100: the normal leans back against it.
    D3DXVECTOR3 n;
    object->getNormal(&n, D3DXVECTOR3(40.0f, 0.0f, 30.0f), true);
    EXPECT_NEAR(n.x, -0.1f / std::sqrt(1.01f), 1e-3f);
    EXPECT_NEAR(n.y, 1.0f / std::sqrt(1.01f), 1e-3f);
    EXPECT_NEAR(n.z, 0.0f, 1e-3f);
    // The edits of a stored grid do nothing here.
    double h = 50.0;
    object->setHeightUV(D3DXVECTOR2(0.3f, 0.5f), h);
    object->addHeightUV(D3DXVECTOR2(0.3f, 0.5f), h);
    object->setHeight(D3DXVECTOR3(40.0f, 50.0f, 30.0f));
    object->modifyHeightRadius(D3DXVECTOR3(40.0f, 50.0f, 30.0f), 20.0, 1.0f);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 5.0f);
}

TEST_F(ClipmapObjektTest, WithoutAFieldTheTerrainIsFlatAtItsHeight)
{
    ClipmapObjekt* object = make(L"");
    EXPECT_FLOAT_EQ(object->getHeight(D3DXVECTOR3(40.0f, 9.0f, 30.0f)), 2.0f);
    D3DXVECTOR3 n;
    object->getNormalUV(&n, D3DXVECTOR2(0.5f, 0.5f), false);
    EXPECT_NEAR(n.y, 1.0f, 1e-5f);
    // The box runs from the position less half the scale to the position plus 1.5 times it.
    ClipmapObjekt* origin = make(L"", L"", L"<SCALE X=\"100\" Y=\"10\" Z=\"100\"/>");
    const AABB& box = origin->getBoundingBox();
    EXPECT_EQ(box.getMin(), D3DXVECTOR3(-50.0f, -5.0f, -50.0f));
    EXPECT_EQ(box.getMax(), D3DXVECTOR3(150.0f, 15.0f, 150.0f));
}

TEST_F(ClipmapObjektTest, APickHitsTheGroundAtTheHandComputedHeight)
{
    LogCapture logs;
    ClipmapObjekt* object = make(L"<CLIPMAP_DATA>" + kCone + L"</CLIPMAP_DATA>");
    // Straight down onto (40, 30), where the ground is at 5: 45 below the eye. The march over
    // 2 |scale| = 283.5 finds it in steps of 0.2835, then of 45.08 / 10000; the next step
    // would be below 0.001, so the second pass is the last.
    float distance = -1.0f;
    ASSERT_TRUE(
        object->getIntersectionDist(D3DXVECTOR3(40.0f, 50.0f, 30.0f), D3DXVECTOR3(0.0f, -3.0f, 0.0f), distance));
    EXPECT_LE(distance, 45.0f);
    EXPECT_GE(distance, 45.0f - 0.0046f);
    // Rising out of the ground: the last sample still below it; one pass (the next step would
    // be 4.25 / 10000).
    ASSERT_TRUE(object->getIntersectionDist(D3DXVECTOR3(40.0f, 1.0f, 30.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f), distance));
    EXPECT_LE(distance, 4.0f);
    EXPECT_GE(distance, 4.0f - 0.2835f);
    // Upward from above the ground nothing is met; a thousand samples are logged.
    distance = -1.0f;
    EXPECT_FALSE(
        object->getIntersectionDist(D3DXVECTOR3(40.0f, 50.0f, 30.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f), distance));
    EXPECT_FLOAT_EQ(distance, -1.0f);
    EXPECT_NE(logs.text().find("Ulvo::ClipmapObjekt::getIntersectionDist Ticks Needed: "), std::string::npos);
    EXPECT_NE(logs.text().find(" Iterations: 1000\n"), std::string::npos) << logs.text();
    // A ray of no length meets nothing.
    EXPECT_FALSE(
        object->getIntersectionDist(D3DXVECTOR3(40.0f, 50.0f, 30.0f), D3DXVECTOR3(0.0f, -1.0f, 0.0f), 0.0f, distance));
}

TEST_F(ClipmapObjektTest, AHeightModifierReachesTheLevelsAtTheEndOfTheEdit)
{
    ClipmapObjekt* object = make(L"<CLIPMAP_DATA SIZE_TEX=\"64\" SIZE_CENTER=\"16\" ANZ_LAYERS=\"2\">" + kCone +
                                 L"<NORMALS TYPE=\"STATIC\" VALUE=\"0\"/></CLIPMAP_DATA>");
    object->build(0);
    ClipmapLevelSet* set = object->getLevelSet();
    ASSERT_NE(set, nullptr);
    const uint64_t before = set->getTexelsWritten();
    // 2 units up at (0.3, 0.5), nothing from 20 world units (0.2 in u) away.
    object->beginModify();
    object->addHeightModifier(D3DXVECTOR2(0.3f, 0.5f), D3DXVECTOR2(0.0f, 0.2f), 20.0);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(0.3f, 0.5f)), 7.0f);
    EXPECT_FLOAT_EQ(object->getHeightUV(D3DXVECTOR2(0.6f, 0.5f)), 8.0f);
    EXPECT_TRUE(object->needsRefresh());
    EXPECT_EQ(set->getTexelsWritten(), before);
    object->endModify();
    EXPECT_FALSE(object->needsRefresh());
    EXPECT_TRUE(object->heightsModified());
    EXPECT_EQ(set->getTexelsWritten() - before, 2u * 64u * 64u);
    // The normal field no longer answers: the normals come from the modified heights.
    D3DXVECTOR3 n;
    object->getNormalUV(&n, D3DXVECTOR2(0.8f, 0.5f), false);
    EXPECT_NEAR(n.y, 1.0f / std::sqrt(1.01f), 1e-3f);
}

} // namespace
