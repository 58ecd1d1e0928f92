#pragma once
// The engine's real device (SDL's offscreen driver) for graphics tests, read-back of surfaces,
// golden images in tests/engine/graphics/golden/, and the textures, targets and pixel checks
// the drawing tests share.
#include <d3d9.h>

#include "foundation/sigslot.h"
#include "support/GoldenImage.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

namespace Ulvo {
class RenderToTexture;
class Texture2D;
} // namespace Ulvo

namespace GraphicsTesting {

using TestSupport::Image;

// Starts the engine's device windowed at the listed display mode closest to the given size
// (the smallest listed mode is 640x480, so small pictures belong in render targets of their
// own) and returns it; a device already running is reused, so textures made by earlier tests of
// the same binary stay valid. Null on failure.
IDirect3DDevice9* startDevice(UINT width = 640, UINT height = 480);

// The pixels of a render target (A8R8G8B8 / X8R8G8B8) through GetRenderTargetData.
Image readSurface(IDirect3DSurface9* surface);
Image readBackBuffer();

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance = 2);

// Makes texture a width x height A8R8G8B8 managed texture with texel(x, y) in every texel.
bool fillTexture(Ulvo::Texture2D& texture, UINT width, UINT height,
                 const std::function<D3DCOLOR(UINT x, UINT y)>& texel);

// A small A8R8G8B8 render target of its own, bound in place of the device's
// while the object lives.
class ScopedTarget {
public:
    explicit ScopedTarget(IDirect3DDevice9* device, UINT width = 64, UINT height = 64,
                          D3DFORMAT format = D3DFMT_A8R8G8B8);
    ~ScopedTarget();
    ScopedTarget(const ScopedTarget&) = delete;
    ScopedTarget& operator=(const ScopedTarget&) = delete;

    bool ok() const { return m_target != nullptr; }
    IDirect3DDevice9* device() const { return m_device; }
    Image read() const { return readSurface(m_target); }

private:
    IDirect3DDevice9* m_device;
    IDirect3DSurface9* m_target = nullptr;
    IDirect3DSurface9* m_previous = nullptr;
};

// The texture list (a path in the runtime folder) into the device's texture manager, unless it
// holds probe already (an earlier test of the binary loaded it).
void loadTextureList(const std::wstring& list, const std::wstring& probe);
// The effect file fxf ("data\FX\x.fxf") compiled in folder from the source tree's effect files
// copied into folder/data/FX, unless the effect manager holds bundle already; true when it
// holds it afterwards.
bool loadSourceBundle(const std::filesystem::path& folder, const std::wstring& bundle, const std::wstring& fxf,
                      std::initializer_list<const char*> files);

// Runs paint from a render-to-texture signal and counts the calls.
struct Painter : public sigslot::has_slots<> {
    std::function<void(Ulvo::RenderToTexture&)> paint;
    int calls = 0;
    void onRender(Ulvo::RenderToTexture& target)
    {
        ++calls;
        if (paint)
            paint(target);
    }
};

} // namespace GraphicsTesting

// One pixel of an Image within 2 per channel of the expected colour.
#define EXPECT_PIXEL(image, x, y, expected)                                                                            \
    EXPECT_TRUE(TestSupport::near((image).at(x, y), (expected), 2))                                                    \
        << "pixel (" << (x) << ", " << (y) << ") is " << TestSupport::hex((image).at(x, y)) << ", expected "           \
        << TestSupport::hex(expected)
