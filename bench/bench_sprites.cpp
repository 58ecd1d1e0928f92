// 10,000 blended, textured 32x32 sprites per frame at 1024x768 on the offscreen
// driver: through the engine's batching sprite and its effect, and through
// SDL2's own SDL_Renderer (OpenGL backend) drawing the same sprites. Each frame
// is cleared, drawn, presented and waited for by reading one pixel back.
// The argument is the number of textures the sprites take turns with; the *OneSprite runs
// draw a single sprite, the frame's fixed cost. BM_SpritesAgainstSdl draws the two frame by frame
// in turn (the argument: sprites per frame, one texture), so both see the same load, and gives the
// engine's frame in its steps (e_draw, e_present, e_wait: main thread and wall microseconds).
// SDL_VIDEODRIVER=x11 with a display of 2056x768 or more draws into two real windows side by side
// (unset, the benchmark takes the offscreen driver, whose window surface keeps its first size and
// so barely measures Present's copy).
#include <windows.h>
#include <d3d9.h>

#include "BenchDevice.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/sprites/Sprite.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2D.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <unistd.h>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kSprites = 10000;
constexpr int kSize = 32;
constexpr int kMaxTextures = 4;

double threadMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

struct Placement {
    float x, y;
};

// The same scattered positions for both drawers.
const std::vector<Placement>& placements()
{
    static std::vector<Placement> list = [] {
        std::vector<Placement> out;
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFF;
        };
        for (int k = 0; k < kSprites; ++k)
            out.push_back(
                {static_cast<float>(next() % (kWidth - kSize)), static_cast<float>(next() % (kHeight - kSize))});
        return out;
    }();
    return list;
}

// Texel of texture t: a round blob in its own colour, soft at the edge.
uint32_t texel(int t, int x, int y)
{
    const float dx = static_cast<float>(x) - 15.5f, dy = static_cast<float>(y) - 15.5f;
    const float d = dx * dx + dy * dy;
    const uint32_t alpha = d < 200.0f ? 255u : d < 256.0f ? 128u : 0u;
    static const uint32_t colours[kMaxTextures] = {0xFF4040, 0x40FF40, 0x4040FF, 0xFFFF40};
    return (alpha << 24) | colours[t];
}

// ---------------------------------------------------------------------------------------------
// The engine's sprite

struct EngineScene {
    IDirect3DDevice9* device = nullptr;
    Ulvo::Texture2D textures[kMaxTextures];
    Ulvo::Effect* effect = nullptr;
    Ulvo::Sprite sprite;
    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;
    std::filesystem::path folder;

    bool create()
    {
        using namespace Ulvo;
        device = BenchSupport::startDevice(kWidth, kHeight);
        if (!device)
            return false;
        // The effect sources, found as the program finds them: data\FX under the working folder.
        folder = std::filesystem::temp_directory_path() / ("bench_sprites_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "data" / "FX");
        for (const char* file : {"sprite.fx", "spritecommon.fxh"})
            std::filesystem::copy_file(std::filesystem::path(ULVO_SOURCE_DIR) / "data" / "FX" / file,
                                       folder / "data" / "FX" / file,
                                       std::filesystem::copy_options::overwrite_existing);
        std::filesystem::current_path(folder);
        XMLNode root;
        if (!XMLNode::load(&root, L"<EFFECT NAME=\"Sprite\"><FILE FILENAME=\"data\\FX\\sprite.fx\"/></EFFECT>", 1))
            return false;
        effect = new Effect(false);
        if (!effect->createFromNode(&root))
            return false;
        for (int t = 0; t < kMaxTextures; ++t) {
            if (!textures[t].create(kSize, kSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED))
                return false;
            D3DLOCKED_RECT locked{};
            if (FAILED(textures[t].getTexture()->LockRect(0, &locked, nullptr, 0)))
                return false;
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                        texel(t, x, y);
            textures[t].getTexture()->UnlockRect(0);
        }
        if (!sprite.create() || !sprite.getVertexBuffer())
            return false;
        D3DDEVICE_CREATION_PARAMETERS creation{};
        if (SUCCEEDED(device->GetCreationParameters(&creation)) && creation.hFocusWindow)
            SetWindowPos(creation.hFocusWindow, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
        device->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        return backBuffer && probe && probeMemory;
    }

    ~EngineScene()
    {
        for (IDirect3DSurface9* surface : {probeMemory, probe, backBuffer})
            if (surface)
                surface->Release();
        if (effect)
            effect->Release();
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    // drawer: the batching sprite, or for reference the D3DX sprite of the pair. phases, when
    // given, gains this thread's processor microseconds of the clear and draw, of Present and of
    // the wait.
    void frame(int textureCount, Ulvo::BaseSprite& drawer, int sprites = kSprites, double* phases = nullptr,
               double* wallPhases = nullptr)
    {
        const auto wallStart = std::chrono::steady_clock::now();
        const double start = phases ? threadMicroseconds() : 0.0;
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0);
        device->BeginScene();
        drawer.Begin(D3DXSPRITE_ALPHABLEND, effect);
        const std::vector<Placement>& at = placements();
        for (int k = 0; k < sprites; ++k) {
            const D3DXVECTOR2 place(at[k].x, at[k].y);
            drawer.drawTexture2D(&textures[k % textureCount], nullptr, nullptr, nullptr, 0.0f, &place, 0xFFFFFFFF);
        }
        drawer.End();
        device->EndScene();
        const double drawn = phases ? threadMicroseconds() : 0.0;
        const auto wallDrawn = std::chrono::steady_clock::now();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        const double presented = phases ? threadMicroseconds() : 0.0;
        const auto wallPresented = std::chrono::steady_clock::now();
        // Waits for the frame by reading one pixel of it back: the whole picture copied onto one
        // pixel is drawn after Present's copy to the window, which a rasteriser drawing in order
        // finishes first (a copy of one pixel alone would wait for the sprites only, and leave
        // Present's copy running into whatever is timed next).
        device->StretchRect(backBuffer, nullptr, probe, nullptr, D3DTEXF_POINT);
        device->GetRenderTargetData(probe, probeMemory);
        if (phases) {
            phases[0] += drawn - start;
            phases[1] += presented - drawn;
            phases[2] += threadMicroseconds() - presented;
        }
        if (wallPhases) {
            wallPhases[0] += std::chrono::duration<double, std::micro>(wallDrawn - wallStart).count();
            wallPhases[1] += std::chrono::duration<double, std::micro>(wallPresented - wallDrawn).count();
            wallPhases[2] +=
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallPresented).count();
        }
    }
};

void BM_UlvoSprite(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<EngineScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    const int textureCount = static_cast<int>(state.range(0));
    scene->frame(textureCount, scene->sprite); // first use compiles the shaders
    for (auto _ : state)
        scene->frame(textureCount, scene->sprite);
    state.counters["batches"] = scene->sprite.getBatchCount();
}
BENCHMARK(BM_UlvoSprite)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// For reference: the same frame through the platform's D3DX sprite.
void BM_D3DXSprite(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<EngineScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    Ulvo::D3DXSprite& drawer = Ulvo::D3DInterface::getInstance()->getSprite()->first;
    const int textureCount = static_cast<int>(state.range(0));
    scene->frame(textureCount, drawer);
    for (auto _ : state)
        scene->frame(textureCount, drawer);
}
BENCHMARK(BM_D3DXSprite)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------------------------
// SDL2's renderer

struct SdlScene {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* textures[kMaxTextures] = {};

    bool create()
    {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
        SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
        // On a real display the window is shown beside the engine's (a screen of 2056x768 or more
        // holds both whole), so that both pay the display server's copy of each frame.
        const bool offscreen = SDL_strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0;
        window = SDL_CreateWindow("bench_sprites", kWidth + 8, 0, kWidth, kHeight,
                                  SDL_WINDOW_OPENGL | (offscreen ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN));
        if (!window)
            return false;
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
        if (!renderer)
            return false;
        SDL_RendererInfo info{};
        if (SDL_GetRendererInfo(renderer, &info) != 0 || SDL_strcmp(info.name, "opengl") != 0)
            return false;
        std::vector<uint32_t> pixels(kSize * kSize);
        for (int t = 0; t < kMaxTextures; ++t) {
            textures[t] = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSize, kSize);
            if (!textures[t])
                return false;
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    pixels[y * kSize + x] = texel(t, x, y);
            SDL_UpdateTexture(textures[t], nullptr, pixels.data(), kSize * 4);
            SDL_SetTextureBlendMode(textures[t], SDL_BLENDMODE_BLEND);
            SDL_SetTextureScaleMode(textures[t], SDL_ScaleModeLinear);
        }
        return true;
    }

    ~SdlScene()
    {
        for (SDL_Texture* texture : textures)
            if (texture)
                SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
    }

    void frame(int textureCount, int sprites = kSprites)
    {
        SDL_SetRenderDrawColor(renderer, 0x20, 0x20, 0x20, 0xFF);
        SDL_RenderClear(renderer);
        const std::vector<Placement>& at = placements();
        for (int k = 0; k < sprites; ++k) {
            const SDL_FRect destination{at[k].x, at[k].y, static_cast<float>(kSize), static_cast<float>(kSize)};
            SDL_RenderCopyF(renderer, textures[k % textureCount], nullptr, &destination);
        }
        // Reading one pixel flushes the batch and waits for it.
        uint32_t pixel = 0;
        const SDL_Rect one{0, 0, 1, 1};
        SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
        SDL_RenderPresent(renderer);
    }
};

void BM_SdlRenderer(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<SdlScene>();
    if (!scene->create()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const int textureCount = static_cast<int>(state.range(0));
    scene->frame(textureCount);
    for (auto _ : state)
        scene->frame(textureCount);
}
BENCHMARK(BM_SdlRenderer)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fixed cost of a frame: clear, one sprite, present and the wait, through the engine's
// sprite and through SDL's renderer; for the engine also the main thread's processor time per
// frame of each step (the wait is the benchmark's own: the picture copied onto one pixel and
// that pixel read back).
void BM_UlvoSpriteOneSprite(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<EngineScene>();
    if (!scene->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    scene->frame(1, scene->sprite, 1);
    double phases[3] = {};
    for (auto _ : state)
        scene->frame(1, scene->sprite, 1, phases);
    const double frames = static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["draw_main_us"] = phases[0] / frames;
    state.counters["present_main_us"] = phases[1] / frames;
    state.counters["wait_main_us"] = phases[2] / frames;
}
BENCHMARK(BM_UlvoSpriteOneSprite)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SdlRendererOneSprite(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto scene = std::make_unique<SdlScene>();
    if (!scene->create()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    scene->frame(1, 1);
    for (auto _ : state)
        scene->frame(1, 1);
}
BENCHMARK(BM_SdlRendererOneSprite)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Both drawers frame by frame in turn: the medians of each one's frame time and of its main
// thread's processor time, and SDL's time over the engine's in blocks of ten frames (median,
// least and most; above 1 the engine is faster).
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void BM_SpritesAgainstSdl(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    auto engine = std::make_unique<EngineScene>();
    if (!engine->create()) {
        state.SkipWithError("no engine device at 1024x768 (offscreen GL unavailable?)");
        return;
    }
    auto sdl = std::make_unique<SdlScene>();
    if (!sdl->create()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const int sprites = static_cast<int>(state.range(0));
    engine->frame(1, engine->sprite, sprites);
    sdl->frame(1, sprites);
    using Clock = std::chrono::steady_clock;
    std::vector<double> engineUs, sdlUs, engineMain, sdlMain, ratios;
    double engineBlock = 0.0, sdlBlock = 0.0;
    double phases[3] = {}, wallPhases[3] = {};
    for (auto _ : state) {
        const double mainA = threadMicroseconds();
        const Clock::time_point a = Clock::now();
        engine->frame(1, engine->sprite, sprites, phases, wallPhases);
        const Clock::time_point b = Clock::now();
        const double mainB = threadMicroseconds();
        sdl->frame(1, sprites);
        const Clock::time_point c = Clock::now();
        engineMain.push_back(mainB - mainA);
        sdlMain.push_back(threadMicroseconds() - mainB);
        engineUs.push_back(std::chrono::duration<double, std::micro>(b - a).count());
        sdlUs.push_back(std::chrono::duration<double, std::micro>(c - b).count());
        engineBlock += engineUs.back();
        sdlBlock += sdlUs.back();
        if (engineUs.size() % 10 == 0) {
            ratios.push_back(sdlBlock / engineBlock);
            engineBlock = sdlBlock = 0.0;
        }
    }
    const double frames = static_cast<double>(std::max<size_t>(1, engineUs.size()));
    const char* names[3] = {"draw", "present", "wait"};
    for (int k = 0; k < 3; ++k) {
        state.counters[std::string("e_") + names[k] + "_main"] = phases[k] / frames;
        state.counters[std::string("e_") + names[k] + "_wall"] = wallPhases[k] / frames;
    }
    state.counters["engine_us"] = median(engineUs);
    state.counters["sdl_us"] = median(sdlUs);
    state.counters["engine_main_us"] = median(engineMain);
    state.counters["sdl_main_us"] = median(sdlMain);
    if (!ratios.empty()) {
        state.counters["sdl_per_engine"] = median(ratios);
        state.counters["sdl_per_engine_min"] = *std::min_element(ratios.begin(), ratios.end());
        state.counters["sdl_per_engine_max"] = *std::max_element(ratios.begin(), ratios.end());
    }
}
// A frame of all the sprites takes a tenth of a second on a busy machine: ten seconds give the
// ratio blocks enough to take a median of.
BENCHMARK(BM_SpritesAgainstSdl)->Arg(kSprites)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(10.0);
BENCHMARK(BM_SpritesAgainstSdl)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);

} // namespace
