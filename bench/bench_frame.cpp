// One full frame of the render manager at 1024x768 on the offscreen driver: the forward renderer's
// scene pass over 64 lit boxes, then two post effects of "data\FX\renderpass.rp", copied onto the
// back buffer. The argument chooses the post effects: 0 the configured magnifier and roll-in (as
// the game starts), 1 greyscale and soft focus. Each frame is waited for by reading one pixel back.
// BM_HDRFrame runs the frame with and without the HDR chain at two render-target sizes.
#include <windows.h>
#include <d3d9.h>
#include <platform_test.h>

#include "BenchDevice.h"
#include "engine/render/BoxObjekt.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/manager/RenderPostEffect.h"
#include "render/scenegraph/SceneGraph.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kWidth = 1024;
constexpr unsigned kHeight = 768;

struct FrameScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::SceneGraph graph;
    Ulvo::LookAtCamera camera{L"Bench"};
    std::vector<RenderTesting::BoxObjekt*> boxes;
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;
    std::filesystem::path folder;

    bool create()
    {
        using namespace Ulvo;
        logSwitch() = 0;
        device = BenchSupport::startDevice(kWidth, kHeight);
        if (!device)
            return false;
        // The effect sources and the render configuration as the program finds them.
        const std::filesystem::path source(ULVO_SOURCE_DIR);
        folder = std::filesystem::temp_directory_path() / ("bench_frame_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "data" / "FX");
        for (const auto& entry : std::filesystem::directory_iterator(source / "data" / "FX"))
            std::filesystem::copy_file(entry.path(), folder / "data" / "FX" / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::current_path(folder);
        XMLNode effects;
        if (!XMLNode::load(&effects, L"data\\FX\\effecte.fxf", 0))
            return false;
        EffectManager::getInstance()->load(&effects);
        if (!RenderTesting::loadTestBoxEffect(source, folder))
            return false;

        manager = std::make_unique<RenderManager>();
        if (!attachLightingRenderers(*manager))
            return false;
        manager->setRenderTargetSize(kWidth, kHeight);
        XMLNode config;
        if (!XMLNode::load(&config, L"data\\FX\\renderpass.rp", 0))
            return false;
        manager->load(&config);
        for (int i = 0; i < 64; ++i) {
            const std::wstring position = L"<POSITION X=\"" + std::to_wstring(i % 8 * 2 - 7) + L"\" Y=\"" +
                                          std::to_wstring(i / 8 * 2 - 7) + L"\" Z=\"" + std::to_wstring(i % 3) +
                                          L"\"/>";
            boxes.push_back(RenderTesting::makeBox(L"Box" + std::to_wstring(i),
                                                   L"MASK_COLOR=\"FF" + std::wstring(i % 2 ? L"C08040" : L"4080C0") +
                                                       L"\"><RENDERPASSES DEFAULT=\"1\"/>" + position));
            graph.addObject(boxes.back(), true);
        }
        graph.getSunLightSystem().setTime(12, 0, 0);
        manager->setSceneGraph(&graph);
        camera.setAspect(4.0f / 3.0f);
        camera.setEyePosition(D3DXVECTOR3(0, 2, -22));
        camera.setLookAt(D3DXVECTOR3(0, 0, 0));
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        device->SetRenderTarget(0, backBuffer);
        device->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        return backBuffer && probe && probeMemory;
    }

    // Greyscale and soft focus instead of the configured two.
    void useGreyAndBlur()
    {
        for (const wchar_t* name : {L"LUPE", L"EINROLLEN"})
            manager->deactivatePostEffectByName(name);
        for (const wchar_t* name : {L"GRAUSTUFEN", L"WEICHZEICHNER"})
            manager->activatePostEffect(manager->getPostEffect(name));
    }

    ~FrameScene()
    {
        manager.reset();
        for (RenderTesting::BoxObjekt* box : boxes) {
            graph.removeObject(box, true);
            box->Release();
        }
        for (IDirect3DSurface9* surface : {probeMemory, probe, backBuffer})
            if (surface)
                surface->Release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    void frame()
    {
        manager->render(&camera);
        device->StretchRect(backBuffer, nullptr, probe, nullptr, D3DTEXF_POINT);
        device->GetRenderTargetData(probe, probeMemory);
    }
};

void BM_RenderManagerFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    if (state.range(0) == 1)
        scene->useGreyAndBlur();
    scene->frame(); // first use compiles the shaders' programs
    for (auto _ : state)
        scene->frame();
    state.counters["post_effects"] = static_cast<double>(scene->manager->getActivePostEffects().size());
    // What one frame asks of GL, counted outside the timed loop.
    uint64_t calls = 0, draws = 0, callsAfter = 0, drawsAfter = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, draws);
    scene->frame();
    PlatformGLCallCounts(callsAfter, drawsAfter);
    PlatformCountGLCalls(false);
    state.counters["gl_calls"] = static_cast<double>(callsAfter - calls);
    state.counters["draws"] = static_cast<double>(drawsAfter - draws);
    if (drawsAfter > draws)
        state.counters["calls_per_draw"] =
            static_cast<double>(callsAfter - calls) / static_cast<double>(drawsAfter - draws);
}
BENCHMARK(BM_RenderManagerFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame at a render-target size of width x height, with the HDR chain after the post
// effects (RP_HDR 7) or without it (0): the difference is the chain's cost at that size.
void BM_HDRFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<FrameScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    scene->manager->setRenderTargetSize(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)));
    if (!scene->manager->setHDRMode(static_cast<uint32_t>(state.range(2)))) {
        state.SkipWithError("the HDR targets could not be made");
        return;
    }
    scene->frame();
    for (auto _ : state)
        scene->frame();
}
BENCHMARK(BM_HDRFrame)
    ->Args({320, 240, 0})
    ->Args({320, 240, 7})
    ->Args({1024, 768, 0})
    ->Args({1024, 768, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
