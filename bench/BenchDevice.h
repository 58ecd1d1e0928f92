#pragma once
// The engine's device for the drawing benchmarks: started once through the engine, windowed at
// the given size on whatever SDL video driver is set, presenting without waiting for the display.
#include <d3d9.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace BenchSupport {

// Null when no device of that size can be had.
inline IDirect3DDevice9* startDevice(unsigned width, unsigned height)
{
    using namespace Ulvo;
    D3DInterface* d3d = D3DInterface::getInstance();
    if (!d3d->isInitialized()) {
        D3DInitParams* display = &UlvoEngine::getInstance()->getEngineParams().getD3DInitParams();
        *display->getDisplayMode() = D3DDISPLAYMODE{width, height, 60, D3DFMT_X8R8G8B8};
        *display->getPresentParams() = D3DInitParams::defaultPresentParams();
        display->getPresentParams()->PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        display->setMinRes(0, 0);
        display->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
        display->setAutoDegrade(false, false);
        if (!d3d->init(display))
            return nullptr;
    }
    if (!d3d->getDevice() || d3d->getWidth() != width || d3d->getHeight() != height)
        return nullptr;
    return d3d->getDevice();
}

// A temporary folder named for the benchmark and the process with a copy of the source tree's
// data/FX, made the working folder, as the program finds its effects; the caller removes it.
inline std::filesystem::path effectFolder(const std::filesystem::path& source, const std::string& name)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "data" / "FX");
    for (const auto& entry : std::filesystem::directory_iterator(source / "data" / "FX"))
        std::filesystem::copy_file(entry.path(), folder / "data" / "FX" / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    std::filesystem::current_path(folder);
    return folder;
}

// A target of the benchmark's size with its depth buffer, drawn into in place of the device's own;
// each frame is waited for by reading its first pixel back.
struct OffscreenTarget {
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* probe = nullptr;
    IDirect3DSurface9* probeMemory = nullptr;

    bool create(IDirect3DDevice9* device, UINT width, UINT height)
    {
        device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr);
        device->CreateDepthStencilSurface(width, height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
        device->CreateRenderTarget(1, 1, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
        device->CreateOffscreenPlainSurface(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &probeMemory, nullptr);
        return target && depth && probe && probeMemory;
    }

    void release()
    {
        for (IDirect3DSurface9** surface : {&probeMemory, &probe, &depth, &target})
            if (*surface) {
                (*surface)->Release();
                *surface = nullptr;
            }
    }

    // Binds and clears the target, runs draw, puts the device's own targets back and waits.
    template <class Draw> void frame(IDirect3DDevice9* device, Draw&& draw)
    {
        IDirect3DSurface9* previous = nullptr;
        IDirect3DSurface9* previousDepth = nullptr;
        device->GetRenderTarget(0, &previous);
        device->GetDepthStencilSurface(&previousDepth);
        device->SetRenderTarget(0, target);
        device->SetDepthStencilSurface(depth);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF8090A0, 1.0f, 0);
        draw();
        device->SetRenderTarget(0, previous);
        device->SetDepthStencilSurface(previousDepth);
        for (IDirect3DSurface9* surface : {previous, previousDepth})
            if (surface)
                surface->Release();
        const RECT centre{0, 0, 1, 1};
        device->StretchRect(target, &centre, probe, nullptr, D3DTEXF_POINT);
        device->GetRenderTargetData(probe, probeMemory);
    }
};

} // namespace BenchSupport
