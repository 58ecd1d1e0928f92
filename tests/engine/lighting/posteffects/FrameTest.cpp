// Whole frames of the render manager with the render configuration of data/FX: the forward
// renderer's scene pass and clear colour, the post effects (pass-through as configured, greyscale,
// the magnifier "LUPE"), the copy into a caller's target of another size, USE_ALPHA and ENABLE,
// and the same frame again after a device reset.
#include "FrameTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "render/manager/RenderPostEffect.h"

#include <platform_test.h>

#include <algorithm>

using namespace Ulvo;
using FrameTesting::FrameFixture;
using GraphicsTesting::Image;

namespace {

const std::filesystem::path kGolden = TestSupport::sourceDir() / "tests" / "engine" / "lighting" / "golden";

DWORD byte(float value)
{
    return static_cast<DWORD>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

DWORD rgb(float r, float g, float b)
{
    return 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

// The boxes' front faces at 6:00: mask colour x (ambient 0.4 + diffuse x cos 45 degrees), the
// morning's diffuse colour being (1, 0.8353, 0.4392).
const float kLit = 0.70710678f;
const float kRed = 128.0f / 255.0f * (0.4f + kLit);
const float kGreen = 192.0f / 255.0f * (0.4f + 0.8353f * kLit);

class FrameTest : public FrameFixture {};

} // namespace

TEST_F(FrameTest, DataFileFrameIsTheForwardSceneStretchedIntoTheCallersTarget)
{
    configure();
    const Image image = frame();
    ASSERT_EQ(image.width, 240u);
    const POINT red = pixelIn(D3DXVECTOR3(-2, 0, -1));
    const POINT green = pixelIn(D3DXVECTOR3(2, 0, -1));
    EXPECT_PIXEL(image, red.x, red.y, rgb(kRed, 0, 0));
    EXPECT_PIXEL(image, green.x, green.y, rgb(0, kGreen, 0));
    // The forward renderer's CLEAR_COLOR, not what the caller's target held.
    EXPECT_PIXEL(image, 1, 1, 0x00000000);
    EXPECT_PIXEL(image, 239, 179, 0x00000000);
    EXPECT_TRUE(TestSupport::matchesGolden(image, kGolden, "frame_forward_scene"));

    // The configured post effects (the magnifier at 1 and the roll-in at 1) leave the picture.
    ASSERT_EQ(m_manager->getActivePostEffects().size(), 2u);
    m_manager->setPostEffectsEnabled(false);
    const Image direct = frame();
    EXPECT_EQ(direct.pixels, image.pixels);
}

TEST_F(FrameTest, GreyscaleAndMagnifierChangeTheFrame)
{
    configure();
    const Image plain = frame();
    m_manager->activatePostEffect(m_manager->getPostEffect(L"GRAUSTUFEN"));
    const Image grey = frame();
    const POINT red = pixelIn(D3DXVECTOR3(-2, 0, -1));
    const POINT green = pixelIn(D3DXVECTOR3(2, 0, -1));
    const float redGrey = 0.299f * kRed, greenGrey = 0.587f * kGreen;
    EXPECT_PIXEL(grey, red.x, red.y, rgb(redGrey, redGrey, redGrey));
    EXPECT_PIXEL(grey, green.x, green.y, rgb(greenGrey, greenGrey, greenGrey));
    EXPECT_TRUE(TestSupport::matchesGolden(grey, kGolden, "frame_greyscale"));
    // Half strength through the mapping the console writes.
    ASSERT_TRUE(m_manager->setPostEffectParamFloat(L"GRAU", 0.5f));
    const Image half = frame();
    EXPECT_PIXEL(half, red.x, red.y, rgb(0.5f * (kRed + redGrey), 0.5f * redGrey, 0.5f * redGrey));
    m_manager->deactivatePostEffectByName(L"GRAUSTUFEN");

    // The magnifier over the red box's face, enlarged 1.5 times: the box's left edge moves out
    // from 1 to 1.5 of its half width, so a point just beyond the edge turns red.
    D3DXVECTOR3 lens;
    const D3DXVECTOR3 centre(-2, 0, -1);
    const D3DVIEWPORT9 unit{0, 0, 1, 1, 0.0f, 1.0f};
    D3DXVec3Project(&lens, &centre, &unit, &m_camera.getProjectionMatrix(), &m_camera.getViewMatrix(), nullptr);
    ASSERT_TRUE(m_manager->setPostEffectParamVector(L"LUPE_POSITION", D3DXVECTOR4(lens.x, lens.y, 0, 0)));
    ASSERT_TRUE(m_manager->setPostEffectParamVector(L"LUPE_PARAMS", D3DXVECTOR4(1.5f, 1, 0, 0)));
    const Image lupe = frame();
    const POINT beyond = pixelIn(D3DXVECTOR3(-3.25f, 0, -1));
    EXPECT_PIXEL(plain, beyond.x, beyond.y, 0x00000000);
    EXPECT_PIXEL(lupe, beyond.x, beyond.y, rgb(kRed, 0, 0));
    EXPECT_PIXEL(lupe, red.x, red.y, rgb(kRed, 0, 0));
    // Outside the lens nothing moves.
    EXPECT_PIXEL(lupe, green.x, green.y, rgb(0, kGreen, 0));
    EXPECT_TRUE(TestSupport::matchesGolden(lupe, kGolden, "frame_lupe"));
}

TEST_F(FrameTest, UseAlphaKeepsTheClearAlphaAndDisabledForwardLeavesTheTarget)
{
    // Half-transparent red background: with USE_ALPHA its alpha reaches the caller's target.
    configure(L"<RENDERCONFIG><RENDERPASS NAME=\"SZENE\"/><FORWARD_RENDERING CLEAR_COLOR=\"0x80FF0000\"/>"
              L"<ACTIVE_RENDERPASSES>\"|SZENE|\"</ACTIVE_RENDERPASSES></RENDERCONFIG>");
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(m_manager->getForwardRenderer()->getResult(texture, surface));
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Width, kWidth);
    EXPECT_PIXEL(frame(), 1, 1, 0x80FF0000);

    // Without alpha the target has none: the background arrives opaque.
    XMLNode noAlpha;
    XMLNode::load(&noAlpha, L"<RENDERCONFIG><FORWARD_RENDERING USE_ALPHA=\"0\"/></RENDERCONFIG>", 1);
    m_manager->load(&noAlpha);
    ASSERT_TRUE(m_manager->getForwardRenderer()->getResult(texture, surface));
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_PIXEL(frame(), 1, 1, 0xFFFF0000);

    // ENABLE 0: no target, and the frame leaves the caller's picture to the post effects.
    XMLNode off;
    XMLNode::load(&off, L"<RENDERCONFIG><FORWARD_RENDERING ENABLE=\"0\"/></RENDERCONFIG>", 1);
    m_manager->load(&off);
    EXPECT_FALSE(m_manager->getForwardRenderer()->getResult(texture, surface));
    const Image untouched = frame(240, 180, 0xFF336699);
    EXPECT_PIXEL(untouched, 120, 90, 0xFF336699);
}

TEST_F(FrameTest, SameFrameAfterTheDeviceWasLostAndReset)
{
    configure();
    m_manager->activatePostEffect(m_manager->getPostEffect(L"GRAUSTUFEN"));
    const Image before = frame();
    EXPECT_TRUE(TestSupport::matchesGolden(before, kGolden, "frame_greyscale"));

    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_FALSE(d3d->TestCooperative()); // lost
    EXPECT_FALSE(d3d->TestCooperative()); // reset: every default-pool target was released
    ASSERT_TRUE(d3d->TestCooperative()) << m_logs.text();
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    EXPECT_TRUE(m_manager->getForwardRenderer()->getResult(texture, surface));

    const Image after = frame();
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_TRUE(TestSupport::matchesGolden(after, kGolden, "frame_greyscale"));
}

TEST_F(FrameTest, EveryConfiguredPostEffectCompilesAndDraws)
{
    configure();
    const std::vector<std::wstring> names{L"LUPE",           L"EINROLLEN",     L"GRAUSTUFEN", L"WEICHZEICHNER",
                                          L"TIEFENSCHAERFE", L"KOMBINATION",   L"MASKE",      L"BEWEGUNGSUNSCHAERFE",
                                          L"REGEN",          L"GOTTESSTRAHLEN"};
    ASSERT_EQ(m_manager->getPostEffects().size(), names.size());
    for (const std::wstring& name : names) {
        RenderPostEffect* effect = m_manager->getPostEffect(name);
        ASSERT_NE(effect, nullptr);
        m_manager->activatePostEffect(effect);
    }
    EXPECT_EQ(m_manager->getActivePostEffects().size(), names.size());
    EXPECT_NE(m_manager->getPostEffect(L"KOMBI_WEICH"), nullptr); // a child of the combination
    // The depth-of-field effect's extra pass is drawn and holds the pass active.
    EXPECT_EQ(m_manager->getRenderPass(L"TIEFE")->getRefCount(), 1u);
    const Image image = frame();
    ASSERT_EQ(image.width, 240u);
    const std::string effectLog = m_logs.text("UlvoEffect.log");
    EXPECT_EQ(effectLog.find("failed"), std::string::npos) << effectLog;
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos) << m_logs.text();
    for (const std::wstring& name : names)
        m_manager->deactivatePostEffectByName(name);
    EXPECT_EQ(m_manager->getRenderPass(L"TIEFE")->getRefCount(), 0u);
}
