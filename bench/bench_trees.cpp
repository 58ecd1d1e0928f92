// A forest's frame on the processor: 1,000 trees placed at random on a terrain, then per frame the
// camera step with its far-distance test of the cells and the collection of the visible trees into
// the instance arrays (both OpenMP loops over the cells). The textures are empty: placing and
// culling need no device. Also the placement itself.
#include "foundation/logging/Logger.h"
#include "fuzz/QuietTerrain.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/LookAtCamera.h"
#include "scene/ObjektManager.h"
#include "terrain/trees/BaumObjekt.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// 1,000 x 1,000 units at the origin; the height of a world point is its own y.
class Ground : public FuzzTesting::QuietTerrain {
public:
    Ground() : QuietTerrain(L"T") {}
    float getHeightUV(const D3DXVECTOR2& uv) override { return 20.0f * uv.x * uv.y; }
    float getHeight(const D3DXVECTOR3& p) override { return p.y; }
    float getHeight(const D3DXVECTOR2& p) override { return p.y; }
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override
    {
        *out = D3DXVECTOR3(1000.0f * uv.x, getHeightUV(uv), 1000.0f * uv.y);
        return out;
    }
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& p) override
    {
        *out = D3DXVECTOR2(p.x / 1000.0f, p.z / 1000.0f);
        return out;
    }
};

const std::wstring kForest =
    L"<OBJEKT NAME=\"Wald\" TYPE=\"TREE\"><BASE_DATA FAR_DIST=\"1 300 400\"/><TREE_DATA TERRAINNAME=\"T\""
    L" MAXANZAHL=\"1000\" RANDOM=\"1\"><BAUM_TYP TEXTUR=\"A\" PROP=\"2\"><MIN_SIZE X=\"3\" Y=\"9\" Z=\"3\"/>"
    L"<MAX_SIZE X=\"5\" Y=\"15\" Z=\"5\"/></BAUM_TYP><BAUM_TYP TEXTUR=\"B\"/></TREE_DATA></OBJEKT>";

struct Scene {
    Ulvo::ObjektManager manager;
    Ulvo::LookAtCamera camera{L"Bench"};

    Scene()
    {
        Ulvo::logSwitch() = 0;
        FuzzTesting::addEmptyTreeTextures();
        manager.add(new Ground(), true);
        camera.setAspect(4.0f / 3.0f);
        camera.setFovAspect(60.0, 0.0);
        camera.setNearFar(0.5, 2000.0);
        camera.setEyePosition(D3DXVECTOR3(200.0f, 60.0f, 150.0f));
        camera.setLookAt(D3DXVECTOR3(500.0f, 0.0f, 500.0f));
    }

    std::unique_ptr<Ulvo::BaumObjekt> forest()
    {
        Ulvo::XMLNode node;
        Ulvo::XMLNode::load(&node, kForest, 1);
        auto forest = std::make_unique<Ulvo::BaumObjekt>(&node, &manager);
        forest->loadTrees(node.getNode(L"TREE_DATA"));
        return forest;
    }
};

Scene& scene()
{
    static Scene instance;
    return instance;
}

void BM_TreeFrameOf1000Trees(benchmark::State& state)
{
    Scene& s = scene();
    auto forest = s.forest();
    for (auto _ : state) {
        forest->updateForCamera(&s.camera);
        benchmark::DoNotOptimize(forest->collectVisibleInstances(&s.camera));
    }
    state.counters["visible"] = forest->getVisibleCount();
    state.counters["cells"] = static_cast<double>(forest->getCells().size());
}
BENCHMARK(BM_TreeFrameOf1000Trees);

void BM_PlacementOf1000Trees(benchmark::State& state)
{
    Scene& s = scene();
    auto forest = s.forest();
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, kForest, 1);
    for (auto _ : state)
        forest->loadTrees(node.getNode(L"TREE_DATA"));
    state.counters["trees"] = static_cast<double>(forest->getTreeCount());
}
BENCHMARK(BM_PlacementOf1000Trees);

} // namespace
