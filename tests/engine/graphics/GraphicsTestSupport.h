#pragma once
// The engine's real device (SDL's offscreen driver) for graphics tests, read-back of surfaces and
// golden images in tests/engine/graphics/golden/.
#include <d3d9.h>

#include "support/GoldenImage.h"

#include <string>

namespace GraphicsTesting {

using TestSupport::Image;

// Starts the engine's device with a windowed back buffer of the given size (A8R8G8B8 via the
// X8R8G8B8 display mode, D24S8 depth) and returns it; a device already running at that size is
// reused, so textures made by earlier tests of the same binary stay valid. Null on failure.
IDirect3DDevice9* startDevice(UINT width = 320, UINT height = 240);

// The pixels of a render target (A8R8G8B8 / X8R8G8B8) through GetRenderTargetData.
Image readSurface(IDirect3DSurface9* surface);
Image readBackBuffer();

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance = 2);

} // namespace GraphicsTesting
