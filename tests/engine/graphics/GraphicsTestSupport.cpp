// Device start, read-back and golden images for the engine's graphics tests.
#include "GraphicsTestSupport.h"

#include "devices/D3DInitParams.h"
#include "devices/D3DInterface.h"
#include "foundation/UlvoEngine.h"
#include "support/TestSupport.h"

#include <cstring>

namespace GraphicsTesting {

IDirect3DDevice9* startDevice(UINT width, UINT height)
{
    using namespace Ulvo;
    D3DInterface* d3d = D3DInterface::getInstance();
    if (d3d->isInitialized() && d3d->getDevice() && d3d->getWidth() == width && d3d->getHeight() == height)
        return d3d->getDevice();
    D3DInitParams* display = &UlvoEngine::getInstance()->getEngineParams().getD3DInitParams();
    *display->getDisplayMode() = D3DDISPLAYMODE{width, height, 60, D3DFMT_X8R8G8B8};
    *display->getPresentParams() = D3DInitParams::defaultPresentParams();
    display->setMinRes(0, 0);
    display->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
    display->setAutoDegrade(false, false);
    if (!d3d->init(display))
        return nullptr;
    return d3d->getDevice();
}

Image readSurface(IDirect3DSurface9* surface)
{
    Image image;
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    D3DSURFACE_DESC desc{};
    if (!device || !surface || FAILED(surface->GetDesc(&desc)))
        return image;
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return image;
    if (SUCCEEDED(device->GetRenderTargetData(surface, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            image.width = desc.Width;
            image.height = desc.Height;
            image.pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const auto* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
                std::memcpy(&image.pixels[static_cast<size_t>(y) * desc.Width], row, desc.Width * 4);
            }
            copy->UnlockRect();
        }
    }
    copy->Release();
    return image;
}

Image readBackBuffer()
{
    IDirect3DDevice9* device = Ulvo::D3DInterface::getInstance()->getDevice();
    IDirect3DSurface9* backBuffer = nullptr;
    if (!device || FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return Image{};
    Image image = readSurface(backBuffer);
    backBuffer->Release();
    return image;
}

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance)
{
    return TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "graphics" / "golden",
                                      name, tolerance);
}

} // namespace GraphicsTesting
