// Render targets: textures rendered into and drawn into the back buffer, read-back into memory
// surfaces, copies between surfaces, and stencil clipping.
#include "D3D9TestSupport.h"

#include <platform_test.h>

using namespace D3D9Testing;

class D3D9RenderTargetTest : public DeviceFixture {
protected:
    void drawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color)
    {
        ScreenVertex quad[4];
        screenQuad(quad, x0, y0, x1, y1, color);
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    }
};

TEST_F(D3D9RenderTargetTest, RenderTargetTextureIsDrawnIntoTheBackBufferTheRightWayUp)
{
    ASSERT_TRUE(createDevice(64, 64));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
        D3D_OK);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(m_device->GetRenderTarget(0, &backBuffer), D3D_OK);
    IDirect3DTexture9* container = nullptr;
    ASSERT_EQ(level->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&container)), D3D_OK);
    EXPECT_EQ(container, texture);
    container->Release();

    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    ASSERT_EQ(m_device->SetRenderTarget(0, level), D3D_OK);
    m_device->BeginScene();
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
    drawQuad(-0.5f, -0.5f, 15.5f, 15.5f, 0xFFFF0000); // top left of the texture
    drawQuad(23.5f, 15.5f, 31.5f, 31.5f, 0xFF00FF00); // right edge, lower half
    m_device->EndScene();

    ASSERT_EQ(m_device->SetRenderTarget(0, backBuffer), D3D_OK);
    D3DVIEWPORT9 viewport{};
    m_device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 64u);
    m_device->BeginScene();
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000080, 1.0f, 0);
    m_device->SetTexture(0, texture);
    drawQuad(-0.5f, -0.5f, 63.5f, 63.5f, 0xFFFFFFFF); // twice the size, point sampled
    m_device->SetTexture(0, nullptr);
    m_device->EndScene();
    m_device->Present(nullptr, nullptr, nullptr, nullptr);

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 64u * 64u);
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(31, 31), 0xFFFF0000u);
    EXPECT_EQ(image.at(32, 31), 0xFF404040u);
    EXPECT_EQ(image.at(48, 32), 0xFF00FF00u);
    EXPECT_EQ(image.at(47, 32), 0xFF404040u);
    EXPECT_EQ(image.at(48, 31), 0xFF404040u);
    EXPECT_EQ(image.at(63, 63), 0xFF00FF00u);
    EXPECT_EQ(image.at(46, 63), 0xFF404040u);
    EXPECT_TRUE(matchesGolden(image, "render_target_texture", 0));
    level->Release();
    backBuffer->Release();
    texture->Release();
}

TEST_F(D3D9RenderTargetTest, GetRenderTargetDataCopiesIntoMemorySurfaces)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(m_device->CreateRenderTarget(8, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
              D3D_OK);
    m_device->SetRenderTarget(0, target);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x11223344, 1.0f, 0);
    D3DRECT corner{6, 2, 8, 4};
    m_device->Clear(1, &corner, D3DCLEAR_TARGET, 0xAABBCCDD, 1.0f, 0);

    IDirect3DSurface9* memory = nullptr;
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(8, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &memory, nullptr),
              D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(target, memory), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint8_t* bytes = static_cast<const uint8_t*>(locked.pBits);
    // A8R8G8B8 is stored B, G, R, A; the top row comes first.
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[1], 0x33);
    EXPECT_EQ(bytes[2], 0x22);
    EXPECT_EQ(bytes[3], 0x11);
    const uint8_t* last = bytes + 3 * locked.Pitch + 7 * 4;
    EXPECT_EQ(last[0], 0xDD);
    EXPECT_EQ(last[3], 0xAA);
    const uint8_t* top = bytes + 7 * 4;
    EXPECT_EQ(top[0], 0x44);
    memory->UnlockRect();

    // Sizes and pools must fit.
    IDirect3DSurface9* small = nullptr;
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr), D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(target, small), D3DERR_INVALIDCALL);
    IDirect3DSurface9* plainDefault = nullptr;
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(8, 4, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &plainDefault, nullptr),
              D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(target, plainDefault), D3DERR_INVALIDCALL);
    plainDefault->Release();
    small->Release();
    memory->Release();
    target->Release();
}

TEST_F(D3D9RenderTargetTest, StretchRectAndColorFillCopyBetweenTargets)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DSurface9* source = nullptr;
    ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &source, nullptr),
              D3D_OK);
    RECT left{0, 0, 2, 4}, right{2, 0, 4, 4};
    ASSERT_EQ(m_device->ColorFill(source, &left, 0xFFFF0000), D3D_OK);
    ASSERT_EQ(m_device->ColorFill(source, &right, 0xFF0000FF), D3D_OK);
    RECT outside{2, 0, 6, 4};
    EXPECT_EQ(m_device->ColorFill(source, &outside, 0), D3DERR_INVALIDCALL);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(16, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
        D3D_OK);
    IDirect3DSurface9* dest = nullptr;
    texture->GetSurfaceLevel(0, &dest);
    ASSERT_EQ(m_device->ColorFill(dest, nullptr, 0xFF00FF00), D3D_OK);
    RECT to{8, 0, 16, 8};
    ASSERT_EQ(m_device->StretchRect(source, nullptr, dest, &to, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(m_device->StretchRect(source, nullptr, source, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);

    Image image = readTarget(dest);
    ASSERT_EQ(image.pixels.size(), 16u * 8u);
    EXPECT_EQ(image.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(7, 7), 0xFF00FF00u);
    EXPECT_EQ(image.at(8, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(11, 7), 0xFFFF0000u);
    EXPECT_EQ(image.at(12, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(15, 7), 0xFF0000FFu);
    dest->Release();
    texture->Release();
    source->Release();
}

// Copies between the same surfaces again, from a target made right after another was released,
// and with the roles swapped: the copy framebuffers keep what they hold, yet each copy reads its
// source as it is now.
TEST_F(D3D9RenderTargetTest, RepeatedCopiesAndCopiesFromARemadeTargetReadTheirSourceNow)
{
    ASSERT_TRUE(createDevice(32, 32));
    struct Target {
        IDirect3DTexture9* texture = nullptr;
        IDirect3DSurface9* surface = nullptr;
        void release()
        {
            surface->Release();
            texture->Release();
        }
    };
    auto target = [&](UINT width) {
        Target t;
        EXPECT_EQ(m_device->CreateTexture(width, 2, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                          &t.texture, nullptr),
                  D3D_OK);
        if (t.texture)
            t.texture->GetSurfaceLevel(0, &t.surface);
        return t;
    };
    Target dest = target(2);
    Target source = target(2);
    ASSERT_TRUE(dest.surface && source.surface);
    for (D3DCOLOR colour : {0xFFFF0000u, 0xFF00FF00u}) {
        ASSERT_EQ(m_device->ColorFill(source.surface, nullptr, colour), D3D_OK);
        ASSERT_EQ(m_device->StretchRect(source.surface, nullptr, dest.surface, nullptr, D3DTEXF_POINT), D3D_OK);
        EXPECT_EQ(readTarget(dest.surface).at(1, 1), colour);
    }
    // Released right after a copy read it, with nothing read in between.
    ASSERT_EQ(m_device->StretchRect(source.surface, nullptr, dest.surface, nullptr, D3DTEXF_POINT), D3D_OK);
    source.release();
    source = target(4);
    ASSERT_TRUE(source.surface);
    ASSERT_EQ(m_device->ColorFill(source.surface, nullptr, 0xFF0000FF), D3D_OK);
    ASSERT_EQ(m_device->StretchRect(source.surface, nullptr, dest.surface, nullptr, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(readTarget(dest.surface).at(1, 1), 0xFF0000FFu);
    // The other way round: the former destination is now read.
    ASSERT_EQ(m_device->ColorFill(dest.surface, nullptr, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(m_device->StretchRect(dest.surface, nullptr, source.surface, nullptr, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(readTarget(source.surface).at(3, 1), 0xFFFFFFFFu);
    source.release();
    dest.release();
}

// An X8R8G8B8 target keeps the alpha that clears, draws and copies write into its storage, but its
// format has none: blending, read-backs and copies into targets with alpha take it as 1.
TEST_F(D3D9RenderTargetTest, TargetsWithoutAlphaShowTheirAlphaAsOne)
{
    ASSERT_TRUE(createDevice(16, 16, D3DFMT_X8R8G8B8));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_device->BeginScene();
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00336699, 1.0f, 0);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVDESTALPHA);
    drawQuad(-0.5f, -0.5f, 7.5f, 15.5f, 0x00FF0000);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHASAT);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    drawQuad(7.5f, -0.5f, 15.5f, 15.5f, 0xFFFFFFFF);
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 16u * 16u);
    EXPECT_EQ(hex(image.at(3, 3)), hex(0xFFFF0000u));
    EXPECT_EQ(hex(image.at(12, 3)), hex(0xFF336699u));

    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* withAlpha = nullptr;
    ASSERT_EQ(m_device->GetRenderTarget(0, &backBuffer), D3D_OK);
    ASSERT_EQ(m_device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &withAlpha, nullptr),
              D3D_OK);
    ASSERT_EQ(m_device->ColorFill(withAlpha, nullptr, 0x00000000), D3D_OK);
    RECT part{4, 4, 12, 12};
    // Counted as copied pixels, apart from drawn ones.
    PlatformCountPixels(true);
    const uint64_t pixels = PlatformPixelCount(), copied = PlatformCopiedPixelCount();
    ASSERT_EQ(m_device->StretchRect(backBuffer, &part, withAlpha, &part, D3DTEXF_NONE), D3D_OK);
    EXPECT_EQ(PlatformCopiedPixelCount() - copied, 64u);
    EXPECT_EQ(PlatformPixelCount() - pixels, 64u);
    PlatformCountPixels(false);
    image = readTarget(withAlpha);
    EXPECT_EQ(hex(image.at(5, 5)), hex(0xFFFF0000u));
    EXPECT_EQ(hex(image.at(11, 11)), hex(0xFF336699u));
    EXPECT_EQ(hex(image.at(3, 3)), hex(0x00000000u));
    EXPECT_EQ(hex(image.at(12, 12)), hex(0x00000000u));
    withAlpha->Release();
    backBuffer->Release();
}

TEST_F(D3D9RenderTargetTest, StencilClipsDrawingToAMarkedArea)
{
    ASSERT_TRUE(createDevice(48, 48));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    // Mark a vertical bar with stencil 1, colour writes off.
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_device->SetRenderState(D3DRS_STENCILREF, 1);
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawQuad(15.5f, 3.5f, 31.5f, 43.5f, 0xFFFFFFFF);
    // Where both bars cross the stencil is incremented to 2.
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT);
    drawQuad(3.5f, 15.5f, 43.5f, 31.5f, 0xFFFFFFFF);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    // Draw over everything where the stencil equals 1, then where it equals 2.
    m_device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    drawQuad(-0.5f, -0.5f, 47.5f, 47.5f, 0xFFFF8000);
    m_device->SetRenderState(D3DRS_STENCILREF, 2);
    drawQuad(-0.5f, -0.5f, 47.5f, 47.5f, 0xFF0080FF);
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 48u * 48u);
    EXPECT_EQ(image.at(2, 2), 0xFF000000u);
    EXPECT_EQ(image.at(20, 5), 0xFFFF8000u);  // vertical bar only
    EXPECT_EQ(image.at(5, 20), 0xFFFF8000u);  // horizontal bar only (0 + 1)
    EXPECT_EQ(image.at(20, 20), 0xFF0080FFu); // both
    EXPECT_EQ(image.at(44, 20), 0xFF000000u);
    EXPECT_TRUE(matchesGolden(image, "stencil_clip", 0));
}
