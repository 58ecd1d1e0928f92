// The scene graph's per-pass work on 1,000 objects: the render list filtered by pass names, every
// object's camera step, the instance collapse, the render order sort and the sun's light, on a
// list the caller reuses; and the frustum test of one box.
#include "../tests/engine/scene/TestObjekt.h"
#include "foundation/logging/Logger.h"
#include "render/cameras/LookAtCamera.h"
#include "render/scenegraph/SceneGraph.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kObjects = 1000;

struct Scene {
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<SceneTesting::TestObjekt*> objects;

    Scene()
    {
        Ulvo::logSwitch() = 0;
        for (int i = 0; i < kObjects; ++i) {
            // A third transparent, the rest spread over a few priorities; all in the "Render" pass.
            Ulvo::XMLNode node = SceneTesting::parseNode(
                L"<OBJEKT NAME=\"O" + std::to_wstring(i) + L"\"><BASE_DATA TRANSPARENT=\"" +
                std::to_wstring(i % 3 == 0 ? 1 : 0) + L"\" PRIORITY=\"" + std::to_wstring(i % 7 == 0 ? i % 4 : 0) +
                L"\"><RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"" + std::to_wstring(i % 40 - 20) + L"\" Z=\"" +
                std::to_wstring(i / 40) + L"\"/></BASE_DATA></OBJEKT>");
            auto* object = new SceneTesting::TestObjekt(&node);
            objects.push_back(object);
            graph.addObject(object, true);
        }
        camera.setEyePosition(D3DXVECTOR3(0, 5, -20));
    }
    ~Scene()
    {
        for (SceneTesting::TestObjekt* object : objects)
            object->Release();
    }
};

Scene& scene()
{
    static Scene instance;
    return instance;
}

void BM_RenderListOfAPass(benchmark::State& state)
{
    Scene& s = scene();
    const std::vector<std::wstring> pass{L"Render"};
    std::vector<Ulvo::RenderObjekt*> list;
    list.reserve(kObjects);
    for (auto _ : state) {
        list.clear();
        s.graph.GetRenderList(&s.camera, list, &pass, false);
        s.graph.updateObjectsForCamera(&s.camera, list, nullptr);
        s.graph.collapseInstances(list);
        s.graph.sort(list);
        s.graph.applySunLight(list);
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_RenderListOfAPass);

void BM_BoxInFrustum(benchmark::State& state)
{
    Scene& s = scene();
    const D3DXVECTOR3 low(-1, -1, 10), high(1, 1, 12);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.camera.isAABBInFrustum(low, high));
}
BENCHMARK(BM_BoxInFrustum);

} // namespace
