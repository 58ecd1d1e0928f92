#include "GUITestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"
#include "gui/system/GUISystem.h"
#include "gui/windows/GUIWindow.h"
#include "support/TestSupport.h"

#include <platform_test.h>

#include <cstdlib>

namespace GUITesting {

using namespace Ulvo;

void GUITest::SetUp()
{
    ASSERT_NE(GraphicsTesting::startDevice(kScreenWidth, kScreenHeight), nullptr);
    // A game test before may have left the device at its own size; the GUI lays out on the screen.
    D3DInterface* d3d = D3DInterface::getInstance();
    D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    if (present.BackBufferWidth != kScreenWidth || present.BackBufferHeight != kScreenHeight) {
        present.BackBufferWidth = kScreenWidth;
        present.BackBufferHeight = kScreenHeight;
        ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    }
    // The device interface first, so it outlives the GUI system at exit.
    gui().init(D3DInterface::getInstance(), UlvoEngine::getInstance()->getTextManager());
    // A game test before may have left its windows; they would draw under this test's.
    gui().clear();
    PlatformUseVirtualClock(true);
    m_clock = std::make_unique<PerfTimer>(true);
}

void GUITest::TearDown()
{
    gui().clear();
    moveMouse(-100.0f, -100.0f);
    m_clock.reset();
    PlatformUseVirtualClock(false);
}

GUISystem& GUITest::gui()
{
    return *GUISystem::getInstance();
}

bool GUITest::loadText(const std::wstring& text)
{
    XMLNode root;
    if (!XMLNode::load(&root, text, 1))
        return false;
    return gui().load(&root);
}

GUIWindow* GUITest::window(const std::wstring& name)
{
    return gui().getWindow(name);
}

void GUITest::step(double seconds)
{
    PlatformAdvanceVirtualClock(static_cast<uint64_t>(seconds * 1e6 + 0.5));
    m_clock->update();
    gui().update(m_clock->getRealFrameTime());
}

void GUITest::moveMouse(float x, float y)
{
    m_mouse.position[0] = x;
    m_mouse.position[1] = y;
    m_mouse.relativePosition[0] = x / static_cast<float>(kScreenWidth);
    m_mouse.relativePosition[1] = y / static_cast<float>(kScreenHeight);
    gui().onMouseMove(m_mouse);
}

void GUITest::press(UlvoMouseButton button)
{
    m_mouse.rawState.rgbButtons[button] = 0x80;
    gui().onMouseButtonDown(m_mouse, button);
}

void GUITest::release(UlvoMouseButton button)
{
    m_mouse.rawState.rgbButtons[button] = 0;
    gui().onMouseButtonUp(m_mouse, button);
}

Image GUITest::render(UINT width, UINT height, D3DCOLOR background)
{
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    GraphicsTesting::ScopedTarget target(device, width, height);
    if (!target.ok())
        return Image{};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, background, 1.0f, 0);
    device->BeginScene();
    gui().draw();
    device->EndScene();
    return target.read();
}

Texture2D* namedTexture(const std::wstring& name, UINT width, UINT height,
                        const std::function<D3DCOLOR(UINT x, UINT y)>& texel)
{
    TextureManager* manager = D3DInterface::getInstance()->getTextureManager();
    Texture2D* texture = nullptr;
    if (manager->findTexture2D(name, texture) && texture)
        return texture;
    texture = new Texture2D();
    texture->rename(name);
    if (!GraphicsTesting::fillTexture(*texture, width, height, texel)) {
        texture->Release();
        return nullptr;
    }
    manager->add(texture, true);
    return texture;
}

Texture2D* solidTexture(const std::wstring& name, D3DCOLOR colour)
{
    return namedTexture(name, 8, 8, [colour](UINT, UINT) { return colour; });
}

Texture2D* circleTexture(const std::wstring& name)
{
    return namedTexture(name, 64, 64, [](UINT x, UINT y) {
        const float dx = static_cast<float>(x) + 0.5f - 32.0f, dy = static_cast<float>(y) + 0.5f - 32.0f;
        return dx * dx + dy * dy <= 32.0f * 32.0f ? 0xFFFFFFFFu : 0x00000000u;
    });
}

D3DCOLOR blend(D3DCOLOR src, D3DCOLOR dst, int alpha)
{
    const float a = static_cast<float>(alpha) / 255.0f;
    src = (src & 0x00FFFFFF) | (static_cast<D3DCOLOR>(alpha) << 24);
    D3DCOLOR out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float s = static_cast<float>((src >> shift) & 0xFF), d = static_cast<float>((dst >> shift) & 0xFF);
        out |= static_cast<D3DCOLOR>(s * a + d * (1.0f - a) + 0.5f) << shift;
    }
    return out;
}

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name)
{
    return TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "engine" / "gui" / "golden", name);
}

::testing::AssertionResult sameWithinOne(const Image& a, const Image& b)
{
    if (a.pixels.empty() || a.pixels.size() != b.pixels.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int x = static_cast<int>(a.pixels[i] >> shift & 0xFF),
                      y = static_cast<int>(b.pixels[i] >> shift & 0xFF);
            if (std::abs(x - y) > 1)
                return ::testing::AssertionFailure()
                       << "pixel " << i << ": " << std::hex << a.pixels[i] << " against " << b.pixels[i];
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace GUITesting
