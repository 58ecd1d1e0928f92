// Textured, blended 16x16 quads drawn through DrawIndexedPrimitive from a dynamic vertex buffer
// (NOOVERWRITE appends, DISCARD when full) into a 256x256 render target, offscreen. Each
// iteration ends with a read-back, so the figure includes the rasterising, not just queuing.
#include <d3d9.h>
#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT kTarget = 256;
constexpr UINT kQuadsPerIteration = 4096;
constexpr UINT kBufferQuads = 4096;

LRESULT CALLBACK benchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Scene {
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DTexture9* sprite = nullptr;
    IDirect3DTexture9* target = nullptr;
    IDirect3DSurface9* targetSurface = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    std::vector<Vertex> quads;

    bool create()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = benchWindowProc;
        wc.lpszClassName = L"UlvoBenchD3D9";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, L"UlvoBenchD3D9", L"bench", WS_POPUP, 0, 0, kTarget, kTarget, nullptr, nullptr,
                                 nullptr, nullptr);
        d3d = window ? Direct3DCreate9(D3D_SDK_VERSION) : nullptr;
        if (!d3d)
            return false;
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = kTarget;
        params.BackBufferHeight = kTarget;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.hDeviceWindow = window;
        params.Windowed = TRUE;
        params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &params, &device)))
            return false;
        if (FAILED(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &sprite, nullptr)))
            return false;
        D3DLOCKED_RECT locked{};
        sprite->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                    D3DCOLOR_ARGB((x + y) * 8, x * 16, y * 16, 128);
        sprite->UnlockRect(0);
        if (FAILED(device->CreateTexture(kTarget, kTarget, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                         &target, nullptr)))
            return false;
        target->GetSurfaceLevel(0, &targetSurface);
        device->CreateRenderTarget(1, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        if (FAILED(device->CreateVertexBuffer(kBufferQuads * 4 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                              kFvf, D3DPOOL_DEFAULT, &vertices, nullptr)))
            return false;
        if (FAILED(device->CreateIndexBuffer(kBufferQuads * 6 * sizeof(DWORD), D3DUSAGE_WRITEONLY, D3DFMT_INDEX32,
                                             D3DPOOL_MANAGED, &indices, nullptr)))
            return false;
        void* data = nullptr;
        indices->Lock(0, 0, &data, 0);
        DWORD* index = static_cast<DWORD*>(data);
        for (DWORD q = 0; q < kBufferQuads; ++q) {
            const DWORD corners[6] = {0, 1, 2, 2, 1, 3};
            for (int i = 0; i < 6; ++i)
                *index++ = q * 4 + corners[i];
        }
        indices->Unlock();
        // Quads scattered over the target, as a sprite layer would place them.
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFF;
        };
        for (UINT q = 0; q < kQuadsPerIteration; ++q) {
            float x = static_cast<float>(next() % (kTarget - 16)) - 0.5f;
            float y = static_cast<float>(next() % (kTarget - 16)) - 0.5f;
            D3DCOLOR color = D3DCOLOR_ARGB(255, 128 + next() % 128, 128 + next() % 128, 255);
            quads.push_back(Vertex{x, y, 0.5f, 1.0f, color, 0.0f, 0.0f});
            quads.push_back(Vertex{x + 16, y, 0.5f, 1.0f, color, 1.0f, 0.0f});
            quads.push_back(Vertex{x, y + 16, 0.5f, 1.0f, color, 0.0f, 1.0f});
            quads.push_back(Vertex{x + 16, y + 16, 0.5f, 1.0f, color, 1.0f, 1.0f});
        }
        device->SetRenderTarget(0, targetSurface);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTexture(0, sprite);
        device->SetFVF(kFvf);
        device->SetStreamSource(0, vertices, 0, sizeof(Vertex));
        device->SetIndices(indices);
        return true;
    }

    ~Scene()
    {
        for (IUnknown* object : std::initializer_list<IUnknown*>{indices, vertices, probeMemory, probe, targetSurface,
                                                                 target, sprite, device, d3d})
            if (object)
                object->Release();
        if (window)
            DestroyWindow(window);
    }

    // Waits for the drawing to finish by reading one pixel of it back.
    void finish()
    {
        device->StretchRect(targetSurface, nullptr, probe, nullptr, D3DTEXF_POINT);
        device->GetRenderTargetData(probe, probeMemory);
    }
};

void BM_TexturedQuadsDynamicBuffer(benchmark::State& state)
{
    Scene scene;
    if (!scene.create()) {
        state.SkipWithError("no Direct3D device (offscreen GL unavailable)");
        return;
    }
    const UINT perDraw = static_cast<UINT>(state.range(0));
    UINT used = 0; // quads written into the vertex buffer since the last DISCARD
    for (auto _ : state) {
        scene.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        scene.device->BeginScene();
        for (UINT first = 0; first < kQuadsPerIteration; first += perDraw) {
            UINT count = std::min(perDraw, kQuadsPerIteration - first);
            DWORD flags = D3DLOCK_NOOVERWRITE;
            if (used + count > kBufferQuads) {
                flags = D3DLOCK_DISCARD;
                used = 0;
            }
            void* data = nullptr;
            UINT bytes = count * 4 * sizeof(Vertex);
            scene.vertices->Lock(used * 4 * sizeof(Vertex), bytes, &data, flags);
            std::memcpy(data, &scene.quads[first * 4], bytes);
            scene.vertices->Unlock();
            scene.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, used * 4, count * 4, used * 6, count * 2);
            used += count;
        }
        scene.device->EndScene();
        scene.finish();
    }
    // Shown as quads per second: "370k/s" is 370 quads per millisecond.
    state.counters["quads"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kQuadsPerIteration, benchmark::Counter::kIsRate);
    state.counters["draws_per_frame"] = static_cast<double>((kQuadsPerIteration + perDraw - 1) / perDraw);
}
BENCHMARK(BM_TexturedQuadsDynamicBuffer)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
