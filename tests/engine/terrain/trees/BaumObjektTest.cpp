// The forest's placement: types and frequencies, grid and random points, the density field, the
// cells, hostile counts and fields, and the culling loops with one thread and with many.
#include "TreeTestSupport.h"
#include "render/cameras/LookAtCamera.h"
#include "support/LogCapture.h"
#include "terrain/fields/ParameterHeight.h"

#include <crt.h>
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <memory>
#include <set>

using namespace Ulvo;
using TreeTesting::buildForest;

namespace {

struct ForestDeleter {
    void operator()(BaumObjekt* forest) const
    {
        if (forest)
            forest->Release();
    }
};
using Forest = std::unique_ptr<BaumObjekt, ForestDeleter>;

std::size_t treesInCells(const BaumObjekt& forest)
{
    std::size_t count = 0;
    for (const BaumZelle& cell : forest.getCells())
        count += cell.instances.size();
    return count;
}

} // namespace

TEST(BaumObjektTest, GridPlacementStandsOnTheTerrainWithTypesSizesAndWindFromTheirRanges)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    TreeTesting::TreeScene scene;
    crt_srand(5);
    Forest forest(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"10\""));
    ASSERT_TRUE(forest);
    EXPECT_TRUE(forest->isBuilt());
    EXPECT_TRUE(forest->hasBuffers());

    // Cumulative bounds 1/4 and 1.
    ASSERT_EQ(forest->getTypes().size(), 2u);
    EXPECT_FLOAT_EQ(forest->getTypes()[0].frequency, 0.25f);
    EXPECT_FLOAT_EQ(forest->getTypes()[1].frequency, 1.0f);

    // sqrt(10) -> a 3 x 3 grid at u, v in {0, 1/3, 2/3}; the terrain is 100 wide, 10·u high.
    ASSERT_EQ(forest->getTreeCount(), 9u);
    ASSERT_EQ(treesInCells(*forest), 9u);
    std::set<std::pair<int, int>> feet;
    for (const BaumZelle& cell : forest->getCells()) {
        for (const BaumInstanz& tree : cell.instances) {
            feet.insert({static_cast<int>(std::lround(tree.position.x * 3)),
                         static_cast<int>(std::lround(tree.position.z * 3))});
            EXPECT_NEAR(tree.position.y, tree.position.x / 10.0f, 1e-4f);
            const int type = static_cast<int>(tree.size.w);
            if (type == 0) {
                // One t for all three axes: (1 + 2t, 2 + 4t, 1).
                EXPECT_NEAR(tree.size.y, 2.0f * tree.size.x, 1e-4f);
                EXPECT_FLOAT_EQ(tree.size.z, 1.0f);
                EXPECT_GE(tree.position.w, 10.0f);
                EXPECT_LE(tree.position.w, 20.0f);
                EXPECT_NEAR(tree.wind.y, 2.0f * tree.wind.x, 1e-4f);
                EXPECT_NEAR(tree.wind.w, 0.1f + 0.1f * (tree.wind.x - 1.0f), 1e-5f);
            } else {
                EXPECT_EQ(type, 1);
                EXPECT_FLOAT_EQ(tree.size.y, 4.0f);
                // The defaults: a full turn, wind (1, 1, 0, 0.1).
                EXPECT_FLOAT_EQ(tree.wind.w, 0.1f);
            }
            // Each cell's box holds its trees with their full size on every side.
            EXPECT_LE(cell.box.getMin().x, tree.position.x - tree.size.x);
            EXPECT_GE(cell.box.getMax().y, tree.position.y + tree.size.y);
        }
    }
    EXPECT_EQ(feet,
              (std::set<std::pair<int, int>>{
                  {0, 0}, {0, 100}, {0, 200}, {100, 0}, {100, 100}, {100, 200}, {200, 0}, {200, 100}, {200, 200}}));
    // The object's box is the union of the cells'.
    const AABB& box = forest->getBoundingBox();
    for (const BaumZelle& cell : forest->getCells())
        EXPECT_TRUE(box.contains(cell.box));

    // TREE arrangements see every tree once, the first type's before the second's.
    std::vector<TreePlace> places;
    forest->collectTreePlaces(places);
    ASSERT_EQ(places.size(), 9u);
    std::set<std::pair<int, int>> placed;
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(places[i - 1].type, places[i].type);
        }
        EXPECT_NEAR(places[i].position.y, places[i].position.x / 10.0f, 1e-4f);
        placed.insert({static_cast<int>(std::lround(places[i].position.x * 3)),
                       static_cast<int>(std::lround(places[i].position.z * 3))});
    }
    EXPECT_EQ(placed, feet);
}

TEST(BaumObjektTest, RandomPlacementFollowsTheFrequenciesAndTheDensityField)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    TreeTesting::TreeScene scene;
    crt_srand(1234);
    // Trees only where u < 0.5.
    Forest forest(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"1000\" RANDOM=\"1\"",
                              TreeTesting::kTwoTypes +
                                  L"<PARAMETER TYPE=\"DIST\" CENTER=\"0 0.5\" FALLOFF=\"0.5 0.5\" VALUE=\"0 1\"/>"));
    ASSERT_TRUE(forest);
    ASSERT_EQ(forest->getTreeCount(), 1000u);
    EXPECT_EQ(treesInCells(*forest), 1000u);
    EXPECT_LE(forest->getCells().size(), 256u);
    int firs = 0;
    for (const BaumZelle& cell : forest->getCells()) {
        for (const BaumInstanz& tree : cell.instances) {
            firs += tree.size.w == 0.0f ? 1 : 0;
            EXPECT_LT(std::hypot(tree.position.x, tree.position.z - 50.0f), 50.0f);
        }
    }
    // One in four is a fir: 250 expected, binomial deviation about 14.
    EXPECT_NEAR(firs, 250, 45);
}

TEST(BaumObjektTest, HostileCountsTypesAndFieldsPlaceNothingOrLessWithALogLine)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    TreeTesting::TreeScene scene;
    const std::wstring nowhere = L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0\"/>";

    Forest negative(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"-5\" RANDOM=\"1\""));
    EXPECT_EQ(negative->getTreeCount(), 0u);
    EXPECT_NE(logs.text().find("MAXANZAHL -5 negativ"), std::string::npos);

    // Every TEXTUR missing, or frequencies that add up to nothing: no type could be drawn.
    Forest untyped(
        buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"20\"", L"<BAUM_TYP TEXTUR=\"GIBTSNICHT\"/>"));
    EXPECT_EQ(untyped->getTreeCount(), 0u);
    Forest zero(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"20\"",
                            L"<BAUM_TYP TEXTUR=\"BAUM_TANNE\" PROP=\"0\"/>"));
    EXPECT_EQ(zero->getTreeCount(), 0u);
    EXPECT_NE(logs.text().find("kein gueltiger BAUM_TYP"), std::string::npos);

    // A field that accepts nowhere ends random placement, also for fewer than four trees.
    Forest few(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"2\" RANDOM=\"1\"",
                           TreeTesting::kTwoTypes + nowhere));
    EXPECT_EQ(few->getTreeCount(), 0u);
    EXPECT_NE(logs.text().find("das Dichtefeld nimmt 0 von 2"), std::string::npos);
    Forest grid(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"2000000000\" SLICES=\"0\"",
                            TreeTesting::kTwoTypes + nowhere));
    EXPECT_EQ(grid->getTreeCount(), 0u);
    EXPECT_NE(logs.text().find("auf 100000 begrenzt"), std::string::npos);
    EXPECT_EQ(grid->getSlices(), 1u);
    Forest sliced(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"1\" SLICES=\"99\""));
    EXPECT_EQ(sliced->getSlices(), 16u);
    EXPECT_EQ(sliced->getTreeCount(), 1u);
    EXPECT_NE(logs.text().find("SLICES 99 ausserhalb 1..16"), std::string::npos);

    // No terrain of that name, no TERRAINNAME, an object that is no terrain: no trees, still buffers.
    scene.manager.add(new TerrainTesting::FakeTerrain(L"Anderes", 1.0f, [](float, float) { return 0.0f; }), true);
    Forest missing(buildForest(scene.manager, L"TERRAINNAME=\"Fehlt\" MAXANZAHL=\"4\""));
    EXPECT_EQ(missing->getTreeCount(), 0u);
    EXPECT_TRUE(missing->hasBuffers());
    Forest unnamed(buildForest(scene.manager, L"MAXANZAHL=\"4\""));
    EXPECT_EQ(unnamed->getTreeCount(), 0u);
    EXPECT_EQ(unnamed->getCells().size(), 0u);
}

TEST(BaumObjektTest, FadingShadowAndARebuildDiscardTheEarlierForest)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    TreeTesting::TreeScene scene;
    Forest defaults(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"4\""));
    EXPECT_TRUE(defaults->getBlend());
    EXPECT_FALSE(defaults->getScaleFading());
    Forest off(buildForest(scene.manager, L"FADING=\"0\""));
    EXPECT_FALSE(off->getBlend());
    EXPECT_FALSE(off->getScaleFading());
    Forest on(buildForest(scene.manager, L"FADING=\"1 1\""));
    EXPECT_TRUE(on->getBlend());
    EXPECT_TRUE(on->getScaleFading());

    // Loading again replaces the trees (the terrain is read again, not remembered).
    XMLNode data;
    XMLNode::load(&data,
                  L"<TREE_DATA TERRAINNAME=\"Boden\" MAXANZAHL=\"16\">" + TreeTesting::kTwoTypes + L"</TREE_DATA>", 1);
    defaults->loadTrees(&data);
    EXPECT_EQ(defaults->getTreeCount(), 16u);
    EXPECT_EQ(treesInCells(*defaults), 16u);
    EXPECT_EQ(defaults->getTypes().size(), 2u);
    EXPECT_EQ(defaults->clone(), nullptr);
    // Written back as it was read, so a saved scene plants the same forest.
    XMLNode saved(L"OBJEKT");
    ASSERT_TRUE(defaults->save(&saved));
    EXPECT_EQ(saved.getAttributeValue(L"TYPE"), L"TREE");
    ASSERT_NE(saved.getNode(L"TREE_DATA"), nullptr);
    EXPECT_EQ(saved.getNode(L"TREE_DATA")->getAttributeValue(L"MAXANZAHL"), L"4");
}

TEST(BaumObjektTest, FarCellsAreHiddenAndTheCullingLoopsGiveTheSameArraysWithOneThreadAndMany)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    TreeTesting::TreeScene scene;
    crt_srand(77);
    Forest forest(buildForest(scene.manager, L"TERRAINNAME=\"Boden\" MAXANZAHL=\"900\" RANDOM=\"1\"",
                              TreeTesting::kTwoTypes, L"EFFECT=\"Baum\" FAR_DIST=\"1 30 40\""));
    ASSERT_EQ(forest->getTreeCount(), 900u);
    ASSERT_GT(forest->getCells().size(), 100u);

    LookAtCamera camera(L"Blick");
    camera.setAspect(4.0f / 3.0f);
    camera.setFovAspect(60.0, 0.0);
    camera.setEyePosition(D3DXVECTOR3(-10.0f, 30.0f, -10.0f));
    camera.setLookAt(D3DXVECTOR3(50.0f, 0.0f, 50.0f));

    // Every cell count shares the loops out here, so the team really runs them.
    const int parallelCells = BaumObjekt::getParallelCells();
    BaumObjekt::setParallelCells(1);
    auto run = [&](int threads) {
        omp_set_num_threads(threads);
        forest->updateForCamera(&camera);
        std::vector<bool> near;
        for (const BaumZelle& cell : forest->getCells())
            near.push_back(cell.withinDistance);
        const uint32_t visible = forest->collectVisibleInstances(&camera);
        return std::make_tuple(
            near, std::vector<D3DXVECTOR4>(forest->getPositions().begin(), forest->getPositions().begin() + visible),
            std::vector<D3DXVECTOR4>(forest->getScales().begin(), forest->getScales().begin() + visible),
            std::vector<D3DXVECTOR4>(forest->getWind().begin(), forest->getWind().begin() + visible));
    };
    const auto one = run(1);
    const auto many = run(8);
    omp_set_num_threads(omp_get_num_procs());
    BaumObjekt::setParallelCells(parallelCells);
    EXPECT_EQ(one, many);

    // A cell counts as near when a corner is within 40 of the eye.
    const D3DXVECTOR3 eye(-10.0f, 30.0f, -10.0f);
    int nearCells = 0;
    for (std::size_t i = 0; i < forest->getCells().size(); ++i) {
        D3DXVECTOR3 corners[8];
        forest->getCells()[i].box.getCorners(corners);
        bool expected = false;
        for (const D3DXVECTOR3& corner : corners) {
            const D3DXVECTOR3 offset = corner - eye;
            expected = expected || D3DXVec3Length(&offset) < 40.0f;
        }
        EXPECT_EQ(std::get<0>(one)[i], expected) << i;
        nearCells += expected ? 1 : 0;
    }
    EXPECT_GT(nearCells, 0);
    EXPECT_LT(nearCells, static_cast<int>(forest->getCells().size()) / 2);
    // Only near cells' trees are collected, and the forest itself never fades.
    EXPECT_GT(forest->getVisibleCount(), 0u);
    EXPECT_LT(forest->getVisibleCount(), 450u);
    EXPECT_TRUE(forest->isVisible());

    // Looking away: no cell passes, the visible box is the eye.
    camera.setLookAt(D3DXVECTOR3(-100.0f, 30.0f, -100.0f));
    EXPECT_EQ(forest->collectVisibleInstances(&camera), 0u);
    const AABB& seen = forest->getBoundingBox(&camera);
    const D3DXVECTOR3 low = seen.getMin() - eye;
    const D3DXVECTOR3 high = seen.getMax() - eye;
    EXPECT_LT(D3DXVec3Length(&low), 1e-3f);
    EXPECT_LT(D3DXVec3Length(&high), 1e-3f);
}

TEST(BaumObjektTest, SlicesStandAtEvenTurnsWithTheirSlotInTheThirdCoordinate)
{
    std::vector<BaumVertex> vertices;
    std::vector<uint32_t> indices;
    BaumObjekt::buildSliceGeometry(2, vertices, indices);
    ASSERT_EQ(vertices.size(), 75u * 2 * 8);
    ASSERT_EQ(indices.size(), 75u * 2 * 12);
    const BaumVertex& v = vertices[8 * (1 * 2 + 0) + 3];
    EXPECT_EQ(v.texcoord, D3DXVECTOR3(1.0f, 0.0f, 1.0f));
    EXPECT_EQ(v.position, D3DXVECTOR3(0.5f, 1.0f, 0.01f));
    EXPECT_EQ(std::vector<uint32_t>(indices.begin() + 12 * 3, indices.begin() + 12 * 4),
              (std::vector<uint32_t>{24, 25, 26, 25, 27, 26, 28, 30, 29, 29, 30, 31}));

    BaumObjekt::buildSliceGeometry(4, vertices, indices);
    // Slice 1 of 4 is turned by 45 degrees: the front normal points between +z and +x.
    const BaumVertex& turned = vertices[8 * 1];
    const float half = std::sqrt(0.5f);
    EXPECT_NEAR(turned.normal.x, half, 1e-5f);
    EXPECT_NEAR(turned.normal.z, half, 1e-5f);
    EXPECT_NEAR(vertices[8 * 1 + 4].normal.z, -half, 1e-5f);
    EXPECT_EQ(vertices.back().texcoord.z, 74.0f);
}

TEST(BaumObjektTest, TheShippedForestSceneFindsItsPicturesAndEffectAndStandsOnItsTerrain)
{
    LogCapture logs;
    ASSERT_TRUE(TreeTesting::loadTreeData(logs.folder()));
    XMLNode root;
    {
        TestSupport::ScopedCwd cwd(TestSupport::runtimeDir());
        ASSERT_TRUE(XMLNode::load(&root, L"data\\Szenen\\trees.xml", 0));
    }
    XMLNode* description = root.getNode(L"OBJEKT");
    ASSERT_NE(description, nullptr);
    ObjektManager manager;
    registerTerrainKinds(manager.getKinds());
    // Flat ground with a steep strip (u above 0.8) where no tree may stand.
    manager.add(new TerrainTesting::FakeTerrain(
                    L"Gelaende", 500.0f, [](float, float) { return 0.0f; },
                    [](float u, float) { return u > 0.8f ? D3DXVECTOR3(0.8f, 0.6f, 0.0f) : D3DXVECTOR3(0, 1, 0); }),
                true);
    ParameterHeight::setObjektManager(&manager);
    Forest forest(dynamic_cast<BaumObjekt*>(createObjektByType(description, &manager)));
    ASSERT_TRUE(forest);
    forest->build(0);
    ParameterHeight::setObjektManager(nullptr);
    EXPECT_NE(forest->getEffect(), nullptr);
    EXPECT_TRUE(forest->isFarDistEnabled());
    ASSERT_EQ(forest->getTypes().size(), 2u);
    EXPECT_FLOAT_EQ(forest->getTypes()[0].frequency, 2.0f / 3.0f);
    EXPECT_EQ(forest->getTreeCount(), 600u);
    for (const BaumZelle& cell : forest->getCells()) {
        for (const BaumInstanz& tree : cell.instances)
            EXPECT_LE(tree.position.x, 400.0f);
    }
    EXPECT_EQ(logs.text().find("Baeume"), std::string::npos) << logs.text();
}
