#pragma once
// The GUI tests' fixture: the engine's device at 640 x 480, the GUI system with
// it, a virtual game clock that the test steps, an injected mouse, and the
// clean-up of what a test loaded. Also named textures in the global texture
// manager, rendering the GUI into a picture, and the GUI's golden images.
#include <d3d9.h>

#include "GraphicsTestSupport.h"
#include "devices/input/KeyState.h"
#include "foundation/time/PerfTimer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace Ulvo {
class GUISystem;
class GUIWindow;
class Texture2D;
} // namespace Ulvo

namespace GUITesting {

using TestSupport::Image;

constexpr UINT kScreenWidth = 640;
constexpr UINT kScreenHeight = 480;

class GUITest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Ulvo::GUISystem& gui();
    // Loads a description given as text; false when it does not parse or load.
    bool loadText(const std::wstring& text);
    Ulvo::GUIWindow* window(const std::wstring& name);

    // The game clock advances by seconds; the GUI updates with its real frame time.
    void step(double seconds);
    // The mouse: moves to a pixel position; presses and releases a button there.
    void moveMouse(float x, float y);
    void press(UlvoMouseButton button = ULVO_MOUSE_LEFT);
    void release(UlvoMouseButton button = ULVO_MOUSE_LEFT);

    // The GUI drawn into a width x height target cleared to background.
    Image render(UINT width, UINT height, D3DCOLOR background);

    Ulvo::MouseState m_mouse;
    std::unique_ptr<Ulvo::PerfTimer> m_clock;
};

// A width x height texture under name in the global texture manager (made once
// per test binary; later calls return the same one).
Ulvo::Texture2D* namedTexture(const std::wstring& name, UINT width, UINT height,
                              const std::function<D3DCOLOR(UINT x, UINT y)>& texel);
Ulvo::Texture2D* solidTexture(const std::wstring& name, D3DCOLOR colour);
// White inside a circle filling the texture, transparent outside.
Ulvo::Texture2D* circleTexture(const std::wstring& name);

// Source-alpha blending of src at alpha (0..255) over dst, the alpha channel blended alike.
D3DCOLOR blend(D3DCOLOR src, D3DCOLOR dst, int alpha);

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name);
// The same picture within one step per channel: the rasteriser may round a blend by one step
// differently when the picture it blends onto was stored in between (as keeping a copy does).
::testing::AssertionResult sameWithinOne(const Image& a, const Image& b);

} // namespace GUITesting
