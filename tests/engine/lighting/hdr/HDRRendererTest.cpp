// The HDR renderer on the real device at 320x240: its configuration and mode bits, the activation
// (RP_HDR), its targets in the pool, the chain's frame (bloom, star streaks, tone mapping, eye
// adaptation over virtual frames), the glare switch, the dumps and a forced device reset.
#include "engine/lighting/posteffects/FrameTestSupport.h"

#include "FailingBeginEffect.h"
#include "devices/d3d/D3DInterface.h"
#include "graphics/effects/Effect.h"
#include "lighting/hdr/HDRRenderer.h"
#include "render/targets/RenderTargetPool.h"

#include <platform_test.h>

#include <cmath>
#include <fstream>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

const std::filesystem::path kGolden = TestSupport::sourceDir() / "tests" / "engine" / "lighting" / "golden";
constexpr UINT kW = 320, kH = 240;

// A dim room with the two boxes, the chain after the post effects (none active).
const wchar_t* const kConfig =
    L"<RENDERCONFIG><RENDERPASS NAME=\"SZENE\" TECHNIQUE=\"T_DIFFUSE\"/>"
    L"<FORWARD_RENDERING CLEAR_COLOR=\"FF181818\" ENABLE=\"1\"/><POSTEFFECT_RENDERING ENABLE=\"1\"/>"
    L"<ACTIVE_RENDERPASSES>\"|SZENE|\"</ACTIVE_RENDERPASSES>"
    L"<HDR_RENDERING HDR_EFFECT=\"HDR\" INIT_HDR=\"1\" MIDDLE_GRAY=\"0.5\" BRIGHT_PASS=\"1.5 2\"/></RENDERCONFIG>";

struct ModeLog : sigslot::has_slots<> {
    std::vector<uint32_t> bits;
    void onMode(const uint32_t& mode) { bits.push_back(mode); }
};

int brightness(DWORD c)
{
    return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
}

class HDRRendererTest : public FrameTesting::FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_manager->setRenderTargetSize(kW, kH);
        hdr().setFrameTimeSource(&m_frameTime);
        hdr().modeChanged.connect(&m_modes, &ModeLog::onMode);
    }

    HDRRenderer& hdr() { return *static_cast<HDRRenderer*>(m_manager->getHDRRenderer()); }
    Image hdrFrame() { return frame(kW, kH); }
    float luminanceOf(HDRRenderer::Target target)
    {
        return FrameTesting::redOfLuminance(m_device, hdr().getSurface(target));
    }
    // Pixels clearly brighter in one image than in the other.
    static int brighterPixels(const Image& image, const Image& than)
    {
        int count = 0;
        for (std::size_t i = 0; i < image.pixels.size(); ++i)
            count += brightness(image.pixels[i]) > brightness(than.pixels[i]) + 12 ? 1 : 0;
        return count;
    }

    double m_frameTime = 0.02;
    ModeLog m_modes;
};

} // namespace

TEST_F(HDRRendererTest, ConfigurationAloneLeavesHdrOffAndRpHdrMakesAndReleasesEveryTarget)
{
    configure(L"<RENDERCONFIG><HDR_RENDERING HDR_EFFECT=\"HDR\" HDR_MODE=\"ALL\" INIT_HDR=\"1\" LUMINANCE=\"0.5\" "
              L"GLARE_TYPE=\"8\"/></RENDERCONFIG>");
    EXPECT_EQ(hdr().getMode(), 0u);
    EXPECT_FALSE(hdr().isCreated());
    EXPECT_TRUE(hdr().getInitHDR());
    EXPECT_FLOAT_EQ(hdr().getMinLuminance(), 0.5f);
    EXPECT_FLOAT_EQ(hdr().getMaxLuminance(), 3.4028235e38f);
    EXPECT_EQ(hdr().getActiveGlare().name, L"Cross Screen Filter"); // until the next creation
    ASSERT_NE(hdr().getEffect(), nullptr);

    const std::size_t before = m_manager->getTargetPool().getTargetCount();
    m_modes.bits.clear();
    EXPECT_TRUE(m_manager->setHDRMode(7));
    EXPECT_TRUE(hdr().isCreated());
    EXPECT_EQ(m_modes.bits, (std::vector<uint32_t>{7, 7}));
    EXPECT_NE(m_logs.text().find("HDR Buffer erstellt!"), std::string::npos);
    EXPECT_EQ(hdr().getActiveGlare().name, L"Sunny Cross Filter");
    // The result and the 25 targets of the chain.
    EXPECT_GE(m_manager->getTargetPool().getTargetCount(), before + 26);
    D3DSURFACE_DESC desc{};
    hdr().getSurface(HDRRenderer::BrightPass)->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kW / 4 + 2);
    hdr().getSurface(HDRRenderer::Bloom0)->GetDesc(&desc);
    EXPECT_EQ(desc.Width, kW / 8);
    hdr().getSurface(HDRRenderer::AdaptedLumCur)->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_G16R16F);

    EXPECT_TRUE(m_manager->setHDRMode(0));
    EXPECT_FALSE(hdr().isCreated());
    EXPECT_EQ(m_manager->getTargetPool().getTargetCount(), before);
    EXPECT_NE(m_logs.text().find("HDR Buffer gelöscht!"), std::string::npos);
}

TEST_F(HDRRendererTest, ModeWordsAndGlareTypes)
{
    m_manager->getSettings().set(RenderSetting::HDRActivation, 7);
    const std::pair<const wchar_t*, uint32_t> cases[] = {
        {L"F P", 5u}, {L"forward", 0u}, {L"3", 4u}, {L"4", 0u}, {L"D", 2u}};
    for (const auto& [words, bits] : cases) {
        configure(std::wstring(L"<RENDERCONFIG><HDR_RENDERING HDR_MODE=\"") + words + L"\"/></RENDERCONFIG>");
        EXPECT_EQ(hdr().getMode(), bits) << words;
        hdr().setMode(0);
    }

    hdr().setGlareType(12);
    EXPECT_EQ(hdr().getGlareType(), 12u);
    EXPECT_EQ(hdr().getActiveGlare().name, L"Cross Screen Filter");
    EXPECT_EQ(hdr().applyGlareType(12), E_FAIL);
    hdr().setGlareType(-1);
    EXPECT_EQ(hdr().getActiveGlare().name, L"Cross Screen Filter");
    hdr().setGlareType(8);
    EXPECT_EQ(hdr().getActiveGlare().starDefinition.getLineCount(), 8);
    hdr().setGlareType(0);
    EXPECT_EQ(hdr().getActiveGlare().name, L"Disable");
}

// Without targets for the asked bits, the other renderers must not stay in floating point.
TEST_F(HDRRendererTest, FailedCreationSetsTheModeZeroAndSaysSo)
{
    configure(kConfig);
    m_manager->setRenderTargetSize(20000, 20000);
    m_modes.bits.clear();
    EXPECT_FALSE(m_manager->setHDRMode(1));
    EXPECT_EQ(hdr().getMode(), 0u);
    EXPECT_EQ(m_modes.bits, (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(m_manager->getForwardRenderer()->getHDRMode(), 0u);
    m_manager->setRenderTargetSize(kW, kH);
}

TEST_F(HDRRendererTest, BrightBoxesBloomWithStarStreaksAndToneMappingChangesTheFrame)
{
    configure(kConfig);
    const Image plain = hdrFrame();
    ASSERT_TRUE(m_manager->setHDRMode(7));
    hdr().setGlareType(4);
    hdr().setBloomStarScale(1.0f, 2.0f);
    // Long frames: the eye has adapted after a few.
    m_frameTime = 2.0;
    Image starred;
    for (int i = 0; i < 8; ++i)
        starred = hdrFrame();
    EXPECT_TRUE(TestSupport::matchesGolden(starred, kGolden, "hdr_cross_screen_filter"));
    DWORD scissor = TRUE;
    m_device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
    EXPECT_EQ(scissor, static_cast<DWORD>(FALSE));

    hdr().setGlareType(2); // bloom only
    const Image bloomed = hdrFrame();
    hdr().setGlareType(0); // neither
    const Image bare = hdrFrame();
    // Glow spreads past the boxes' edges; the streaks reach further still.
    EXPECT_TRUE(TestSupport::matchesGolden(bloomed, kGolden, "hdr_natural_bloom"));
    EXPECT_GT(brighterPixels(bloomed, bare), 5000);
    EXPECT_GT(brighterPixels(starred, bloomed), 2000);
    const POINT above = FrameTesting::pixelOf(m_camera, D3DXVECTOR3(-2, 1.3f, -1), kW, kH);
    EXPECT_GT(brightness(bloomed.at(above.x, above.y)), brightness(bare.at(above.x, above.y)));

    hdr().setGlareType(4);
    hdr().setToneMapping(0);
    const Image untoned = hdrFrame();
    hdr().setToneMapping(1);
    const Image toned = hdrFrame();
    EXPECT_NE(untoned.pixels, toned.pixels);
    EXPECT_NE(toned.pixels, plain.pixels);
    EXPECT_TRUE(TestSupport::matchesGolden(untoned, kGolden, "hdr_no_tone_mapping"));
}

// The law is handed the time gathered since it last adapted (once per frame, in steps of at least
// 1/60 s, nothing in between), so one second adapts the eye as far at any frame rate, and as far
// when the chain runs twice a frame.
TEST_F(HDRRendererTest, AdaptationFollowsTheGameTimeAtAnyFrameRate)
{
    configure(kConfig);
    // Mode 5 runs the chain after the forward stage and again after the post effects.
    const std::pair<int, uint32_t> runs[] = {{20, 1u}, {40, 1u}, {60, 1u}, {144, 1u}, {40, 5u}};
    float expected = 0.0f;
    for (const auto& [fps, mode] : runs) {
        ASSERT_TRUE(m_manager->setHDRMode(0));
        ASSERT_TRUE(m_manager->setHDRMode(mode)); // from black again
        m_frameTime = 1.0 / fps;
        for (int i = 0; i < fps; ++i)
            hdrFrame();
        if (expected == 0.0f) {
            const float measured = luminanceOf(HDRRenderer::Luminance0);
            ASSERT_GT(measured, 0.0f);
            expected = measured * (1.0f - std::pow(0.98f, 30.0f));
        }
        EXPECT_NEAR(luminanceOf(HDRRenderer::AdaptedLumCur), expected, 0.01f * expected) << fps << " " << mode;
    }
}

TEST_F(HDRRendererTest, StagesResultGoesOnWhenTheTargetsAreGone)
{
    configure(kConfig);
    const Image plain = hdrFrame();
    ASSERT_TRUE(m_manager->setHDRMode(1));
    // As between a lost device and the pool's remaking of the targets.
    m_manager->getTargetPool().onLostDevice();
    const Image without = hdrFrame();
    m_manager->getTargetPool().onResetDevice();
    EXPECT_EQ(without.pixels, plain.pixels);
}

TEST_F(HDRRendererTest, WithoutItsEffectTheChainHandsOnACopyOfTheScene)
{
    std::wstring config = kConfig;
    config.replace(config.find(L"HDR_EFFECT=\"HDR\""), 16, L"HDR_EFFECT=\"Fehlt\"");
    configure(config);
    EXPECT_EQ(hdr().getEffect(), nullptr);
    const Image plain = hdrFrame();
    ASSERT_TRUE(m_manager->setHDRMode(7));
    const Image copied = hdrFrame();
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(hdr().getLastResult(texture, surface));
    EXPECT_EQ(surface, hdr().getResultSurface());
    EXPECT_EQ(copied.pixels, plain.pixels);
}

// Whatever draws after a failed bright pass must not be clipped to the bright-pass rectangle.
TEST_F(HDRRendererTest, AFailedBrightPassLeavesNoScissorTestBehind)
{
    configure(kConfig);
    const Image plain = hdrFrame();
    ASSERT_TRUE(m_manager->setHDRMode(7));
    ID3DXEffect*& fx = hdr().getEffect()->getEffect();
    ID3DXEffect* const real = fx;
    HDRTesting::FailingBeginEffect failing(real, "BrightPassFilter");
    fx = &failing;
    const Image image = hdrFrame();
    fx = real;
    DWORD scissor = TRUE;
    m_device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
    EXPECT_EQ(scissor, static_cast<DWORD>(FALSE));
    EXPECT_EQ(image.pixels, plain.pixels); // the chain gave up: a copy of the scene
}

TEST_F(HDRRendererTest, ForcedDeviceResetKeepsTheFrame)
{
    configure(kConfig);
    ASSERT_TRUE(m_manager->setHDRMode(7));
    Image before;
    for (int i = 0; i < 3; ++i)
        before = hdrFrame();
    D3DInterface* d3d = D3DInterface::getInstance();
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    ASSERT_TRUE(d3d->TestCooperative()) << m_logs.text();
    EXPECT_EQ(hdr().getMode(), 7u);
    // Adaptation starts from black again, so the third frame is the same third frame.
    Image after;
    for (int i = 0; i < 3; ++i)
        after = hdrFrame();
    EXPECT_EQ(after.pixels, before.pixels);
}

// As the deferred dumps: an existing folder is written into, and only a dump that wrote says so.
TEST_F(HDRRendererTest, SaveAllWritesTheDumpsAndSaysWhetherItDid)
{
    configure(kConfig);
    EXPECT_FALSE(hdr().saveBuffers(L"leer")); // HDR off: nothing to write
    ASSERT_TRUE(m_manager->setHDRMode(1));
    m_frameTime = 2.0; // adapted after a few frames
    for (int i = 0; i < 8; ++i)
        hdrFrame();
    EXPECT_TRUE(hdr().saveBuffers(L"leer")); // made by the first call
    EXPECT_TRUE(std::filesystem::exists(m_logs.folder() / "leer" / "m_hdr_bloom_tex[0].png"));
    EXPECT_TRUE(hdr().saveBuffers(L"dumps"));
    std::ofstream(m_logs.folder() / "datei") << "x";
    EXPECT_FALSE(hdr().saveBuffers(L"datei")); // a file where the folder would be
    const std::filesystem::path folder = m_logs.folder() / "dumps";
    for (const char* name :
         {"m_hdr_src_tex.dds", "m_hdr_scaled_tex.dds", "m_hdr_brightpass_tex.png", "m_hdr_AdaptedLum_Cur_tex.dds",
          "m_hdr_AdaptedLum_Last_tex.dds", "m_hdr_bloom_tex[0].png", "m_hdr_star_tex[0].dds"})
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    Image bloom;
    ASSERT_TRUE(TestSupport::readPng((folder / "m_hdr_bloom_tex[0].png").string(), bloom));
    EXPECT_EQ(bloom.width, kW / 8);
    EXPECT_TRUE(TestSupport::matchesGolden(bloom, kGolden, "hdr_dump_bloom"));

    // Links are never written through: one to a folder outside is refused, one at a dump's name
    // (to a file outside, or dangling) is replaced by the dump.
    TestSupport::TempDir away;
    TestSupport::writeText(away / "kept.dds", "kept");
    std::filesystem::create_directory_symlink(away.path(), m_logs.folder() / "weg");
    EXPECT_FALSE(hdr().saveBuffers(L"weg"));
    EXPECT_FALSE(std::filesystem::exists(away / "m_hdr_src_tex.dds"));
    std::filesystem::remove(folder / "m_hdr_src_tex.dds");
    std::filesystem::create_symlink(away / "kept.dds", folder / "m_hdr_src_tex.dds");
    std::filesystem::remove(folder / "m_hdr_scaled_tex.dds");
    std::filesystem::create_symlink(away / "made.dds", folder / "m_hdr_scaled_tex.dds");
    EXPECT_TRUE(hdr().saveBuffers(L"dumps"));
    EXPECT_EQ(TestSupport::readText(away / "kept.dds"), "kept");
    EXPECT_FALSE(std::filesystem::exists(away / "made.dds"));
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "m_hdr_src_tex.dds"));
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "m_hdr_scaled_tex.dds"));
}
