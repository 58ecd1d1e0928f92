// Clears: the whole target, the viewport, rectangles and the scissor rectangle, only the
// targets that are bound, and depth and stencil clears that wait for a draw that reads them.
#include "D3D9TestSupport.h"

#include <platform_test.h>

using namespace D3D9Testing;

class D3D9ClearTest : public DeviceFixture {};

TEST_F(D3D9ClearTest, ClearsTheWholeBackBufferAndReadsItBackAfterPresent)
{
    ASSERT_TRUE(createDevice(64, 48));
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                              D3DCOLOR_ARGB(255, 10, 20, 30), 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 64u);
    ASSERT_EQ(image.height, 48u);
    for (D3DCOLOR c : image.pixels)
        ASSERT_EQ(c, D3DCOLOR_ARGB(255, 10, 20, 30));
}

TEST_F(D3D9ClearTest, PartialClearsStayInsideViewportRectanglesAndScissor)
{
    ASSERT_TRUE(createDevice(64, 48));
    const D3DCOLOR blue = 0xFF0000C0, red = 0xFFC00000, green = 0xFF00C000, yellow = 0xFFC0C000;
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, blue, 1.0f, 0);
    D3DVIEWPORT9 viewport{8, 6, 48, 36, 0.0f, 1.0f};
    ASSERT_EQ(m_device->SetViewport(&viewport), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, red, 1.0f, 0);
    // Rectangles are cut to the viewport: the first reaches out of it on the left.
    D3DRECT rects[2] = {{0, 10, 20, 20}, {40, 30, 50, 46}};
    ASSERT_EQ(m_device->Clear(2, rects, D3DCLEAR_TARGET, green, 1.0f, 0), D3D_OK);
    // The scissor rectangle limits clears while its test is on.
    RECT scissor{30, 8, 36, 14};
    m_device->SetScissorRect(&scissor);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, yellow, 1.0f, 0);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 64u * 48u);
    EXPECT_EQ(image.at(0, 0), blue);
    EXPECT_EQ(image.at(7, 6), blue);
    EXPECT_EQ(image.at(8, 6), red);
    EXPECT_EQ(image.at(55, 41), red);
    EXPECT_EQ(image.at(56, 41), blue);
    EXPECT_EQ(image.at(55, 42), blue);
    EXPECT_EQ(image.at(5, 15), blue);  // rectangle outside the viewport
    EXPECT_EQ(image.at(8, 10), green); // rectangle cut at the viewport's left edge
    EXPECT_EQ(image.at(19, 19), green);
    EXPECT_EQ(image.at(20, 19), red);
    EXPECT_EQ(image.at(45, 41), green); // cut at the viewport's bottom
    EXPECT_EQ(image.at(45, 42), blue);
    EXPECT_EQ(image.at(30, 8), yellow);
    EXPECT_EQ(image.at(35, 13), yellow);
    EXPECT_EQ(image.at(36, 13), red);
    EXPECT_TRUE(matchesGolden(image, "clear_viewport_rects", 0));
}

TEST_F(D3D9ClearTest, ClearsOnlyTheBoundTargetAndRejectsMissingBuffers)
{
    ASSERT_TRUE(createDevice(32, 32, D3DFMT_X8R8G8B8, false));
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);

    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(m_device->GetRenderTarget(0, &backBuffer), D3D_OK);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(m_device->CreateRenderTarget(16, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(m_device->CreateDepthStencilSurface(16, 8, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
              D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, target), D3D_OK);
    ASSERT_EQ(m_device->SetDepthStencilSurface(depth), D3D_OK);
    D3DVIEWPORT9 viewport{};
    m_device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 16u); // SetRenderTarget(0) covers the new target
    EXPECT_EQ(viewport.Height, 8u);
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80FF0000, 0.5f, 0), D3D_OK);
    // D24X8 has no stencil bits.
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 1), D3DERR_INVALIDCALL);

    Image rt = readTarget(target);
    ASSERT_EQ(rt.pixels.size(), 16u * 8u);
    EXPECT_EQ(rt.at(0, 0), 0x80FF0000u);
    EXPECT_EQ(rt.at(15, 7), 0x80FF0000u);
    m_device->SetRenderTarget(0, backBuffer);
    m_device->SetDepthStencilSurface(nullptr);
    Image back = readTarget(backBuffer);
    ASSERT_EQ(back.pixels.size(), 32u * 32u);
    EXPECT_EQ(back.at(0, 0), 0xFF102030u); // X8R8G8B8 reads back with an opaque alpha
    EXPECT_EQ(back.at(31, 31), 0xFF102030u);
    depth->Release();
    target->Release();
    backBuffer->Release();
}

// Depth and stencil clears of a surface only draws reach wait for the first draw that tests
// depth or stencil, and a clear to the value already there is left out; what the draws see is
// the same as with every clear done at once.
class D3D9DepthClearTest : public D3D9ClearTest {
protected:
    void TearDown() override
    {
        PlatformCountPixels(false);
        D3D9ClearTest::TearDown();
    }

    void quad(float x0, float y0, float x1, float y1, float z, D3DCOLOR color)
    {
        ScreenVertex v[4];
        screenQuad(v, x0, y0, x1, y1, color);
        for (ScreenVertex& corner : v)
            corner.z = z;
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
    }

    // Pixels written by the call (clears count their rectangle).
    template <typename F> uint64_t pixelsOf(F&& call)
    {
        const uint64_t before = PlatformPixelCount();
        call();
        return PlatformPixelCount() - before;
    }
};

TEST_F(D3D9DepthClearTest, ClearsWaitForADrawThatTestsAndKeepTheirValues)
{
    ASSERT_TRUE(createDevice(32, 32));
    PlatformCountPixels(true);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    // Depth 0.1 everywhere, stencil 1 on the left half.
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_device->SetRenderState(D3DRS_STENCILREF, 1);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    quad(-0.5f, -0.5f, 15.5f, 31.5f, 0.1f, 0xFF000010);
    m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    quad(15.5f, -0.5f, 31.5f, 31.5f, 0.1f, 0xFF000010);

    // A clear of depth and stencil costs nothing until something tests them.
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 0); }), 0u);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    EXPECT_EQ(pixelsOf([&] { quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.9f, 0xFF00FF00); }), 16u);
    // The first draw that tests depth sees the cleared 0.5, not the 0.1 drawn before.
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    EXPECT_EQ(pixelsOf([&] { quad(-0.5f, 3.5f, 31.5f, 7.5f, 0.3f, 0xFFFF0000); }), 32u * 4u + 32u * 32u);
    quad(-0.5f, 7.5f, 31.5f, 11.5f, 0.7f, 0xFF0000FF); // behind 0.5: not drawn
    // Clearing to what is there already is left out; the stencil clear still holds (0, not 1).
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 0); }), 0u);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_device->SetRenderState(D3DRS_STENCILREF, 0);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    quad(-0.5f, 11.5f, 31.5f, 19.5f, 0.0f, 0xFFFFFF00);
    // After a draw that may write stencil, a clear to the same value is done again (only the
    // rectangle asked for), and a partial clear keeps what is around it.
    D3DRECT left{0, 0, 16, 32};
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(1, &left, D3DCLEAR_STENCIL, 0, 1.0f, 0); }), 16u * 32u);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    quad(-0.5f, 15.5f, 31.5f, 19.5f, 0.0f, 0xFFFFFFFF);
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 32u * 32u);
    EXPECT_EQ(image.at(1, 1), 0xFF00FF00u);
    EXPECT_EQ(image.at(20, 5), 0xFFFF0000u);
    EXPECT_EQ(image.at(20, 9), 0xFF000010u);
    EXPECT_EQ(image.at(4, 13), 0xFFFFFF00u);
    EXPECT_EQ(image.at(20, 13), 0xFFFFFF00u);
    EXPECT_EQ(image.at(4, 17), 0xFFFFFFFFu);  // cleared back to 0
    EXPECT_EQ(image.at(20, 17), 0xFFFFFF00u); // still 1 from the increment
}

TEST_F(D3D9DepthClearTest, AWaitingClearReachesACopyAndAClearOfTheColour)
{
    ASSERT_TRUE(createDevice(16, 16));
    PlatformCountPixels(true);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* copy = nullptr;
    ASSERT_EQ(m_device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(m_device->CreateDepthStencilSurface(16, 16, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &copy, nullptr),
              D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.2f, 0);
    m_device->BeginScene();
    m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.6f, 0);
    // The copy takes the waiting value along.
    ASSERT_EQ(m_device->StretchRect(depth, nullptr, copy, nullptr, D3DTEXF_NONE), D3D_OK);
    m_device->SetDepthStencilSurface(copy);
    quad(-0.5f, -0.5f, 15.5f, 3.5f, 0.4f, 0xFFFF0000); // before 0.6: drawn
    EXPECT_EQ(readBackBuffer().at(3, 1), 0xFFFF0000u);
    // Waiting depth goes along with a colour clear of the whole target, in one clear.
    m_device->SetDepthStencilSurface(depth);
    m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.3f, 0);
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0); }), 16u * 16u);
    quad(-0.5f, 3.5f, 15.5f, 7.5f, 0.4f, 0xFF00FF00);   // behind 0.3: not drawn
    quad(-0.5f, 7.5f, 15.5f, 11.5f, 0.25f, 0xFF0000FF); // drawn
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 16u * 16u);
    EXPECT_EQ(image.at(3, 1), 0xFF000000u); // cleared again
    EXPECT_EQ(image.at(3, 5), 0xFF000000u);
    EXPECT_EQ(image.at(3, 9), 0xFF0000FFu);
    copy->Release();
    depth->Release();
}

TEST_F(D3D9DepthClearTest, AScissorRectangleReachingPastTheTopLeftKeepsItsOtherEdges)
{
    ASSERT_TRUE(createDevice(16, 16));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    RECT scissor{-8, -4, 6, 5};
    m_device->SetScissorRect(&scissor);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    m_device->BeginScene();
    quad(-0.5f, -0.5f, 15.5f, 15.5f, 0.0f, 0xFFFFFFFF);
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 16u * 16u);
    EXPECT_EQ(image.at(5, 4), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(6, 4), 0xFF000000u);
    EXPECT_EQ(image.at(5, 5), 0xFF000000u);
}

// A depth clear writes a stencil known to hold one value along with it; a stencil that draws
// changed in places stays as they left it.
TEST_F(D3D9DepthClearTest, ADepthClearKeepsTheStencilKnownOrDrawn)
{
    ASSERT_TRUE(createDevice(16, 16));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 3);
    m_device->BeginScene();
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    auto stencilEqual = [&](DWORD value, float y0, D3DCOLOR colour) {
        m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        m_device->SetRenderState(D3DRS_STENCILREF, value);
        quad(-0.5f, y0, 15.5f, y0 + 4.0f, 0.5f, colour);
        m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    };
    quad(-0.5f, -0.5f, 15.5f, 15.5f, 0.5f, 0xFF000010); // depth 0.5, stencil untouched
    // Depth alone, with a stencil argument other than the 3 it holds.
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 9);
    stencilEqual(3, -0.5f, 0xFFFF0000);
    EXPECT_EQ(readBackBuffer().at(3, 1), 0xFFFF0000u);
    // Stencil 7 drawn on the left half; the next depth clear keeps both halves.
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_device->SetRenderState(D3DRS_STENCILREF, 7);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    quad(-0.5f, -0.5f, 7.5f, 15.5f, 0.5f, 0xFF000010);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    stencilEqual(7, 3.5f, 0xFF00FF00);
    stencilEqual(3, 7.5f, 0xFF0000FF);
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 16u * 16u);
    EXPECT_EQ(image.at(3, 1), 0xFF000000u); // the second clear's colour
    EXPECT_EQ(image.at(3, 5), 0xFF00FF00u);
    EXPECT_EQ(image.at(12, 5), 0xFF000000u);
    EXPECT_EQ(image.at(3, 9), 0xFF000000u);
    EXPECT_EQ(image.at(12, 9), 0xFF0000FFu);
}

// A clear within the rectangle a partial clear left at the same values is left out, until a
// draw or a clear reaching past it may have changed them.
TEST_F(D3D9DepthClearTest, AClearWithinAPartClearedToTheSameValuesIsLeftOut)
{
    ASSERT_TRUE(createDevice(32, 32));
    PlatformCountPixels(true);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    RECT part{4, 4, 20, 20};
    m_device->SetScissorRect(&part);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    const auto all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, all, 0xFF000000, 0.5f, 2); }), 16u * 16u);
    // Depth and stencil as they are: nothing; a smaller rectangle within the part: nothing.
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 2); }), 0u);
    D3DRECT inner{6, 6, 10, 10};
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(1, &inner, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, 2); }), 0u);
    // Another value is written.
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 3); }), 16u * 16u);
    // A draw that tests stencil may write it: the clear is done again.
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_device->SetRenderState(D3DRS_STENCILREF, 1);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    quad(-0.5f, -0.5f, 31.5f, 31.5f, 0.0f, 0xFF000010);
    m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 3); }), 16u * 16u);
    // A rectangle reaching past the part is cleared whole.
    RECT wider{0, 0, 24, 24};
    m_device->SetScissorRect(&wider);
    EXPECT_EQ(pixelsOf([&] { m_device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 3); }), 24u * 24u);
    m_device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_device->SetRenderState(D3DRS_STENCILREF, 3);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    quad(-0.5f, -0.5f, 31.5f, 31.5f, 0.0f, 0xFFFFFFFF);
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 32u * 32u);
    EXPECT_EQ(image.at(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(22, 22), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(26, 26), 0xFF000000u); // stencil 0 from the first clear
}
