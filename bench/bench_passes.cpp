// One frame with split shadows from the sun: the demo scene's shadow pass ("data\FX\demoscene.rp",
// two splits, medium quality: a 2048 map) over a floor and 16 boxes, drawn into a target of
// width x height on the offscreen driver, against the same frame drawn by the plain scene pass
// alone (shadows 0). Each frame is waited for by reading one pixel back.
#include <windows.h>
#include <d3d9.h>

#include "BenchDevice.h"
#include "engine/render/BoxObjekt.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct ShadowScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<RenderTesting::BoxObjekt*> boxes;
    Ulvo::RenderPass* pass = nullptr;
    BenchSupport::OffscreenTarget screen;
    std::filesystem::path folder;

    bool create(UINT width, UINT height, bool shadows)
    {
        using namespace Ulvo;
        logSwitch() = 0;
        device = BenchSupport::startDevice(1024, 768);
        if (!device)
            return false;
        const std::filesystem::path source(ULVO_SOURCE_DIR);
        folder = std::filesystem::temp_directory_path() / ("bench_passes_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        if (!RenderTesting::loadTestPassEffects(source, folder))
            return false;
        manager = std::make_unique<RenderManager>();
        XMLNode config;
        if (!XMLNode::load(&config, (source / "data" / "FX" / "demoscene.rp").wstring(), 0))
            return false;
        manager->load(&config);
        const std::wstring passes = L"><RENDERPASSES DEFAULT=\"1\"><SCHATTEN><CAST ENABLED=\"0\"/></SCHATTEN>";
        boxes.push_back(RenderTesting::makeBox(L"Boden",
                                               L"MASK_COLOR=\"FF808080\"" + passes +
                                                   L"</RENDERPASSES><POSITION Y=\"-0.05\"/>"
                                                   L"<SCALE X=\"30\" Y=\"0.1\" Z=\"40\"/>",
                                               L"TestPasses"));
        for (int i = 0; i < 16; ++i) {
            const std::wstring position = L"<POSITION X=\"" + std::to_wstring(i % 4 * 3 - 5) + L"\" Y=\"0.5\" Z=\"" +
                                          std::to_wstring(i / 4 * 5 - 4) + L"\"/>";
            boxes.push_back(RenderTesting::makeBox(L"Box" + std::to_wstring(i),
                                                   L"MASK_COLOR=\"FFC08040\"><RENDERPASSES DEFAULT=\"1\"/>" + position,
                                                   L"TestPasses"));
        }
        for (RenderTesting::BoxObjekt* box : boxes)
            graph.addObject(box, true);
        graph.getSunLightSystem().setTime(12, 0, 0);
        manager->setSceneGraph(&graph);
        pass = manager->getRenderPass(shadows ? L"SCHATTEN" : L"SZENE");
        if (!pass)
            return false;
        pass->addRef();
        camera.setAspect(static_cast<float>(width) / static_cast<float>(height));
        camera.setNearFar(1.0, 40.0);
        camera.setEyePosition(D3DXVECTOR3(0, 6, -14));
        camera.setLookAt(D3DXVECTOR3(0, 0, 4));
        return screen.create(device, width, height);
    }

    ~ShadowScene()
    {
        if (pass)
            pass->release();
        manager.reset();
        for (RenderTesting::BoxObjekt* box : boxes) {
            graph.removeObject(box, true);
            box->Release();
        }
        screen.release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    void frame()
    {
        screen.frame(device, [this] {
            device->BeginScene();
            pass->render(&camera);
            device->EndScene();
        });
    }
};

void BM_ShadowFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<ShadowScene>();
    if (!scene->create(static_cast<UINT>(state.range(0)), static_cast<UINT>(state.range(1)), state.range(2) != 0)) {
        state.SkipWithError("no engine device or no demo-scene pass (offscreen GL unavailable?)");
        return;
    }
    scene->frame(); // first use compiles the shaders' programs
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_ShadowFrame)
    ->Args({320, 240, 0})
    ->Args({320, 240, 1})
    ->Args({1024, 768, 0})
    ->Args({1024, 768, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
