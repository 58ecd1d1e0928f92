// The demo scene of the README as the game shows it behind a level with "Schöne Grafik" on: the
// runtime folder's effects, meshes and textures, "OBJ_LoadFile data\Szenen\demo.xml" through the
// console, the sun at noon, the level's camera SPIEL at 0 3.5 -7 looking at the scene's centre, and
// one frame of the render manager at 1024x768 presented per iteration. The argument chooses the
// render configuration: 0 the game's own (renderpass.rp, forward rendering and post effects on),
// 1 the demo scene's (demoscene.rp: shadows, water, mirror, cube map, a small picture).
//
// Counters per frame: fps (wall clock), process CPU and main-thread CPU in milliseconds, the
// cores the process kept busy, and the GL draws (counted over a few frames after the timed ones,
// as counting costs time). Each frame is waited for by reading one pixel back.
#include <windows.h>
#include <crt.h>
#include <d3d9.h>
#include <platform_test.h>

#include "BenchDevice.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/meshes/MeshManager.h"
#include "graphics/textures/TextureManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

namespace {

constexpr unsigned kWidth = 1024;
constexpr unsigned kHeight = 768;

double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct DemoScene {
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> manager;
    Ulvo::LookAtCamera camera{L"SPIEL"};
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;
    std::filesystem::path previous;

    bool create(bool demoPasses)
    {
        using namespace Ulvo;
        logSwitch() = 0;
        // As the game starts: effects come from their sources, never from a compiled copy left in
        // the runtime folder by an older build of them.
        useCompiledEffects = false;
        device = BenchSupport::startDevice(kWidth, kHeight);
        if (!device)
            return false;
        previous = std::filesystem::current_path();
        // ULVO_BENCH_RUNTIME names another runtime folder, so builds of two versions can be run
        // side by side, each with its own data.
        const char* runtime = std::getenv("ULVO_BENCH_RUNTIME");
        std::filesystem::current_path(runtime && *runtime ? runtime : ULVO_RUNTIME_DIR);
        D3DInterface* d3d = D3DInterface::getInstance();
        XMLNode node;
        if (!XMLNode::load(&node, L"data\\FX\\effecte.fxf", 0))
            return false;
        EffectManager::getInstance()->load(&node);
        d3d->getMeshManager()->loadFile(L"data\\Meshes\\meshes.msh", d3d->getTextureManager());
        if (XMLNode::load(&node, L"data\\textures\\textures.tex", 0))
            d3d->getTextureManager()->load(&node);

        manager = std::make_unique<RenderManager>();
        if (!attachLightingRenderers(*manager))
            return false;
        if (!XMLNode::load(&node, demoPasses ? L"data\\FX\\demoscene.rp" : L"data\\FX\\renderpass.rp", 0))
            return false;
        manager->load(&node);
        manager->setForwardRenderingEnabled(true);
        manager->setPostEffectsEnabled(true);
        manager->setRenderTargetSize(kWidth, kHeight);
        SceneGraph* graph = UlvoEngine::getInstance()->getSceneGraph();
        manager->setSceneGraph(graph);
        CameraManager::getInstance()->setRenderManager(manager.get());

        // The random arrangement draws from the game's generator: the same scene every run.
        crt_srand(1);
        TypedConsoleCommand line(L"OBJ_LoadFile data\\Szenen\\demo.xml");
        ConsoleDispatcher::getInstance()->execute(line);
        if (line.getAnswer() != L"32 Objekte geladen")
            return false;
        graph->getSunLightSystem().setTime(12, 0, 0);
        camera.setAspect(static_cast<float>(kWidth) / static_cast<float>(kHeight));
        camera.setEyePosition(D3DXVECTOR3(0, 3.5f, -7));
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        device->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        return backBuffer && probe && probeMemory;
    }

    void frame()
    {
        device->SetRenderTarget(0, backBuffer);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        manager->render(&camera);
        // Waits for the rasteriser: one pixel of the finished frame comes back.
        const RECT pixel{0, 0, 1, 1};
        device->StretchRect(backBuffer, &pixel, probe, nullptr, D3DTEXF_NONE);
        device->GetRenderTargetData(probe, probeMemory);
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(probeMemory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            benchmark::DoNotOptimize(*static_cast<const DWORD*>(locked.pBits));
            probeMemory->UnlockRect();
        }
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    // The back buffer as a binary PPM, so that two versions' frames can be compared pixel by pixel.
    bool writeFrame(const char* path)
    {
        IDirect3DSurface9* memory = nullptr;
        if (FAILED(device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &memory,
                                                       nullptr)))
            return false;
        bool written = false;
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(device->GetRenderTargetData(backBuffer, memory)) &&
            SUCCEEDED(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            if (FILE* file = std::fopen(path, "wb")) {
                std::fprintf(file, "P6\n%u %u\n255\n", kWidth, kHeight);
                for (unsigned y = 0; y < kHeight; ++y) {
                    const auto* row = reinterpret_cast<const unsigned char*>(locked.pBits) + y * locked.Pitch;
                    for (unsigned x = 0; x < kWidth; ++x) {
                        const unsigned char rgb[3] = {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]};
                        std::fwrite(rgb, 1, 3, file);
                    }
                }
                written = std::fclose(file) == 0;
            }
            memory->UnlockRect();
        }
        memory->Release();
        return written;
    }

    ~DemoScene()
    {
        Ulvo::CameraManager::getInstance()->setRenderManager(nullptr);
        manager.reset();
        if (Ulvo::ObjektManager* objects = Ulvo::UlvoEngine::getInstance()->getObjektManager())
            objects->clear();
        for (IDirect3DSurface9* surface : {probeMemory, probe, backBuffer})
            if (surface)
                surface->Release();
        std::error_code ignored;
        if (!previous.empty())
            std::filesystem::current_path(previous, ignored);
    }
};

void BM_DemoSceneFrame(benchmark::State& state)
{
    DemoScene scene;
    if (!scene.create(state.range(0) != 0)) {
        state.SkipWithError("the demo scene could not be set up (runtime folder built?)");
        return;
    }
    // The first frames compile shader variants and fill the caches.
    for (int i = 0; i < 5; ++i)
        scene.frame();
    // ULVO_BENCH_FRAME=<file> keeps the last warm-up frame (binary PPM) for comparing versions.
    const char* framePath = std::getenv("ULVO_BENCH_FRAME");
    if (framePath && *framePath && !scene.writeFrame(framePath)) {
        state.SkipWithError("the frame could not be written");
        return;
    }
    const double wall = seconds(CLOCK_MONOTONIC);
    const double process = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread = seconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state)
        scene.frame();
    const double frames = static_cast<double>(state.iterations());
    const double wallPer = (seconds(CLOCK_MONOTONIC) - wall) / frames;
    const double processPer = (seconds(CLOCK_PROCESS_CPUTIME_ID) - process) / frames;
    state.counters["fps"] = 1.0 / wallPer;
    state.counters["process_ms"] = processPer * 1e3;
    state.counters["main_ms"] = (seconds(CLOCK_THREAD_CPUTIME_ID) - thread) / frames * 1e3;
    state.counters["cores"] = processPer / wallPer;
    // ULVO_FRAME_STATS counts on its own (per program with ULVO_FRAME_PIXELS): switching counting
    // here would cut into its figures.
    if (std::getenv("ULVO_FRAME_STATS"))
        return;
    constexpr int kCounted = 3;
    uint64_t callsBefore = 0, drawsBefore = 0, calls = 0, draws = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(callsBefore, drawsBefore);
    for (int i = 0; i < kCounted; ++i)
        scene.frame();
    PlatformGLCallCounts(calls, draws);
    PlatformCountGLCalls(false);
    state.counters["draws"] = static_cast<double>(draws - drawsBefore) / kCounted;
}
BENCHMARK(BM_DemoSceneFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
