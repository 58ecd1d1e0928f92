// The clipmap terrain's camera step on the demo scene's terrain (4 levels of 256 x 256 texels, a
// grid of 63, four octaves of noise): a camera flying one world unit a step, which refills the
// entering bands and rewrites the instances, and a camera that stays, which costs a comparison.
#include "BenchDevice.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/LookAtCamera.h"
#include "scene/ObjektManager.h"
#include "terrain/clipmap/ClipmapLevelSet.h"
#include "terrain/clipmap/ClipmapObjekt.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Terrain {
    Ulvo::ObjektManager manager;
    Ulvo::ClipmapObjekt* object = nullptr;
    Ulvo::LookAtCamera camera{L"Bench"};

    Terrain()
    {
        Ulvo::logSwitch() = 0;
        BenchSupport::startDevice(640, 480);
        Ulvo::XMLNode node;
        Ulvo::XMLNode::load(&node,
                            L"<OBJEKT NAME=\"Bench_Gelaende\" TYPE=\"CLIPMAP\"><BASE_DATA><POSITION X=\"-100\" "
                            L"Y=\"-25\" Z=\"-100\"/><SCALE X=\"200\" Y=\"55\" Z=\"200\"/></BASE_DATA><CLIPMAP_DATA "
                            L"SIZE_TEX=\"256\" SIZE_CENTER=\"64\" ANZ_LAYERS=\"4\" RAND_TYP=\"WRAP\"><HEIGHTMAP "
                            L"TYPE=\"PERLIN\" PERSISTANCE=\"0.5\" SCALE=\"6 6\" ANZAHL=\"4\" SEED=\"7\"/>"
                            L"</CLIPMAP_DATA></OBJEKT>",
                            1);
        object = new Ulvo::ClipmapObjekt(&node, &manager);
        object->build(0);
        camera.setEyePosition(D3DXVECTOR3(0.0f, 30.0f, -60.0f));
        camera.setLookAt(D3DXVECTOR3(0.0f, 0.0f, 20.0f));
    }
    ~Terrain() { object->Release(); }
};

Terrain& terrain()
{
    static Terrain instance;
    return instance;
}

void BM_ClipmapCameraStep(benchmark::State& state)
{
    Terrain& t = terrain();
    if (!t.object->getLevelSet()) {
        state.SkipWithError("no level set");
        return;
    }
    const uint64_t before = t.object->getLevelSet()->getTexelsWritten();
    float x = 0.0f;
    for (auto _ : state) {
        x += 1.0f;
        t.camera.setEyePosition(D3DXVECTOR3(x, 30.0f, -60.0f));
        t.camera.setLookAt(D3DXVECTOR3(x, 0.0f, 20.0f));
        t.object->updateForCamera(&t.camera);
    }
    state.counters["texels"] = benchmark::Counter(
        static_cast<double>(t.object->getLevelSet()->getTexelsWritten() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ClipmapCameraStep);

void BM_ClipmapStillCamera(benchmark::State& state)
{
    Terrain& t = terrain();
    t.object->updateForCamera(&t.camera);
    for (auto _ : state)
        t.object->updateForCamera(&t.camera);
}
BENCHMARK(BM_ClipmapStillCamera);

} // namespace
