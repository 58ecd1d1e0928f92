// Clears: the whole target, the viewport, rectangles and the scissor rectangle, and only the
// targets that are bound.
#include "D3D9TestSupport.h"

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
