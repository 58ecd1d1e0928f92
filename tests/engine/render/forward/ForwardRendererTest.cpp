// The forward renderer: its clear colour as read and as cleared, the format of its target by
// USE_ALPHA, the HDR forward bit and ENABLE, and the activations its two pass lists hold.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/LookAtCamera.h"
#include "render/forward/ForwardRenderer.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

class ForwardRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        m_manager.setRenderTargetSize(32, 16);
    }
    void load(const std::wstring& text)
    {
        XMLNode root;
        XMLNode::load(&root, L"<RENDERCONFIG>" + text + L"</RENDERCONFIG>", 1);
        m_manager.load(&root);
    }
    D3DFORMAT format()
    {
        IDirect3DTexture9* texture = nullptr;
        IDirect3DSurface9* surface = nullptr;
        D3DSURFACE_DESC desc{};
        if (!forward().getResult(texture, surface))
            return D3DFMT_UNKNOWN;
        surface->GetDesc(&desc);
        return desc.Format;
    }
    ForwardRenderer& forward() { return *m_manager.getForwardRenderer(); }
    static std::size_t count(const std::string& text, const std::string& part)
    {
        std::size_t found = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++found;
        return found;
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    RenderManager m_manager;
};

} // namespace

TEST_F(ForwardRendererTest, ClearColourIsReadAsHexadecimalAndClearedAsTheSameValue)
{
    load(L"<FORWARD_RENDERING CLEAR_COLOR=\"0x80FF0000\"/>");
    const D3DXCOLOR colour = forward().getClearColor();
    EXPECT_FLOAT_EQ(colour.r, 1.0f);
    EXPECT_FLOAT_EQ(colour.g, 0.0f);
    EXPECT_FLOAT_EQ(colour.a, 128.0f / 255.0f);
    EXPECT_EQ(forward().getClearColorValue(), 0x80FF0000u);

    LookAtCamera camera(L"Vorne");
    forward().render(&camera);
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(forward().getResult(texture, surface));
    const GraphicsTesting::Image image = GraphicsTesting::readSurface(surface);
    ASSERT_EQ(image.width, 32u);
    EXPECT_PIXEL(image, 5, 5, 0x80FF0000);
    EXPECT_EQ(forward().getFrameCounter(), 1u);

    // 0.5 x 255 + 0.5 = 128; out of range values saturate.
    forward().setClearColor(D3DXCOLOR(0.5f, 2.0f, -1.0f, 1.0f));
    EXPECT_EQ(forward().getClearColorValue(), 0xFF80FF00u);
    EXPECT_NE(m_logs.text().find("Forward Buffer erstellt!"), std::string::npos);
}

TEST_F(ForwardRendererTest, TargetFormatFollowsUseAlphaTheHdrBitAndEnable)
{
    EXPECT_EQ(format(), D3DFMT_A8R8G8B8);
    load(L"<FORWARD_RENDERING USE_ALPHA=\"0\"/>");
    EXPECT_EQ(format(), D3DFMT_X8R8G8B8);
    load(L"<FORWARD_RENDERING USE_ALPHA=\"-1\"/>"); // any value but 0 is true
    EXPECT_EQ(format(), D3DFMT_A8R8G8B8);

    forward().setUseAlpha(false);
    forward().setHDRMode(1);
    EXPECT_EQ(format(), D3DFMT_A16B16G16R16F);
    IDirect3DTexture9* before = nullptr;
    IDirect3DSurface9* surface = nullptr;
    forward().getResult(before, surface);
    forward().setHDRMode(1 | 4); // the other bits leave the target alone
    IDirect3DTexture9* after = nullptr;
    forward().getResult(after, surface);
    EXPECT_EQ(after, before);
    forward().setHDRMode(0);
    EXPECT_EQ(format(), D3DFMT_X8R8G8B8);

    load(L"<FORWARD_RENDERING ENABLE=\"0\"/>");
    EXPECT_FALSE(forward().isEnabled());
    EXPECT_FALSE(forward().hasBuffers());
    EXPECT_NE(m_logs.text().find("Forward Rendering Buffer gelöscht!"), std::string::npos);
    forward().setEnabled(true);
    EXPECT_EQ(format(), D3DFMT_X8R8G8B8);
}

TEST_F(ForwardRendererTest, ThePassesOfTheActiveListHoldOneActivationEach)
{
    load(L"<RENDERPASS NAME=\"A\"/><RENDERPASS NAME=\"B\"/>");
    RenderPass* a = m_manager.getRenderPass(L"A");
    RenderPass* b = m_manager.getRenderPass(L"B");
    ASSERT_TRUE(a && b);
    forward().insertPass(a, 0);
    forward().insertPass(a, 0); // listed once
    forward().addPass(L"A", 1);
    forward().addPass(L"B", 1);
    forward().addPass(L"Fehlt", 1);
    EXPECT_EQ(forward().getPasses(0), std::vector<RenderPass*>{a});
    EXPECT_EQ(forward().getPasses(1), (std::vector<RenderPass*>{a, b}));
    EXPECT_EQ(a->getRefCount(), 1u);
    EXPECT_EQ(b->getRefCount(), 0u);
    forward().removePass(b, 0); // not in list 0: no change
    EXPECT_EQ(b->getRefCount(), 0u);

    // To list 1: a is in both and keeps its one activation, b takes one.
    forward().selectPassList(true);
    EXPECT_EQ(a->getRefCount(), 1u);
    EXPECT_EQ(b->getRefCount(), 1u);
    EXPECT_EQ(forward().getPasses(-1), (std::vector<RenderPass*>{a, b}));
    forward().removePass(b, 5);
    EXPECT_EQ(b->getRefCount(), 0u);
    forward().clearPasses(-1);
    forward().clearPasses(0);
    EXPECT_EQ(a->getRefCount(), 0u);
    EXPECT_TRUE(forward().getPasses(0).empty());
}

TEST_F(ForwardRendererTest, ItsTargetGoesWithTheDeviceAndComesBackAlikeAndStillDraws)
{
    load(L"<FORWARD_RENDERING CLEAR_COLOR=\"0xFF00FF00\"/>");
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    ASSERT_TRUE(forward().getResult(texture, surface));
    D3DSURFACE_DESC before{};
    surface->GetDesc(&before);

    const auto made = [this] { return count(m_logs.text(), "Forward Buffer erstellt!"); };
    const auto dropped = [this] { return count(m_logs.text(), "Forward Rendering Buffer gelöscht!"); };
    const std::size_t madeBefore = made(), droppedBefore = dropped();
    // Each forward renderer (this one and the engine's) releases its default-pool target before
    // the reset and makes it again after it, once.
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    EXPECT_GE(dropped(), droppedBefore + 1);
    EXPECT_EQ(made() - madeBefore, dropped() - droppedBefore);

    ASSERT_TRUE(forward().hasBuffers());
    ASSERT_TRUE(forward().getResult(texture, surface));
    D3DSURFACE_DESC after{};
    surface->GetDesc(&after);
    EXPECT_EQ(after.Width, before.Width);
    EXPECT_EQ(after.Height, before.Height);
    EXPECT_EQ(after.Format, before.Format);
    EXPECT_EQ(after.Pool, D3DPOOL_DEFAULT);
    LookAtCamera camera(L"Vorne");
    forward().render(&camera);
    EXPECT_PIXEL(GraphicsTesting::readSurface(surface), 3, 3, 0xFF00FF00);
    EXPECT_EQ(m_logs.text().find("failed!"), std::string::npos);
}
