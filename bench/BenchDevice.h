#pragma once
// The engine's device for the drawing benchmarks: started once through the engine, windowed at
// the given size on whatever SDL video driver is set, presenting without waiting for the display.
#include <d3d9.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"

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

} // namespace BenchSupport
