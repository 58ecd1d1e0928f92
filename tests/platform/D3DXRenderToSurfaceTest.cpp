// ID3DXRenderToSurface: binding a texture level for one scene, putting the previous target,
// depth buffer and viewport back, level generation, and device loss.
#include "D3D9TestSupport.h"

#include <d3dx9.h>
#include <platform_test.h>

using namespace D3D9Testing;

class D3DXRenderToSurfaceTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        release(m_rts);
        release(m_surface);
        release(m_target);
        DeviceFixture::TearDown();
    }

    template <typename T> static void release(T*& object)
    {
        if (object)
            object->Release();
        object = nullptr;
    }

    // A render-target texture of the given size and levels, its level 0 and a renderer for it.
    bool makeTarget(UINT width, UINT height, UINT levels = 1, BOOL depth = TRUE)
    {
        EXPECT_EQ(m_device->CreateTexture(width, height, levels, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                          D3DPOOL_DEFAULT, &m_target, nullptr),
                  D3D_OK);
        if (!m_target)
            return false;
        EXPECT_EQ(m_target->GetSurfaceLevel(0, &m_surface), D3D_OK);
        EXPECT_EQ(D3DXCreateRenderToSurface(m_device, width, height, D3DFMT_A8R8G8B8, depth, D3DFMT_D24S8, &m_rts),
                  D3D_OK);
        return m_surface && m_rts;
    }

    IDirect3DTexture9* m_target = nullptr;
    IDirect3DSurface9* m_surface = nullptr;
    ID3DXRenderToSurface* m_rts = nullptr;
};

TEST_F(D3DXRenderToSurfaceTest, SceneDrawsIntoTheSurfaceAndPutsTheBackBufferBack)
{
    ASSERT_TRUE(createDevice(32, 32));
    ASSERT_TRUE(makeTarget(16, 8));
    D3DXRTS_DESC desc{};
    ASSERT_EQ(m_rts->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_TRUE(desc.DepthStencil);
    EXPECT_EQ(desc.DepthStencilFormat, D3DFMT_D24S8);

    IDirect3DSurface9* backBuffer = nullptr;
    IDirect3DSurface9* depth = nullptr;
    m_device->GetRenderTarget(0, &backBuffer);
    m_device->GetDepthStencilSurface(&depth);
    const D3DVIEWPORT9 callersViewport{2, 3, 20, 10, 0.0f, 1.0f};
    m_device->SetViewport(&callersViewport);

    // Left half red, right half green through a viewport of the right half.
    ASSERT_EQ(m_rts->BeginScene(m_surface, nullptr), D3D_OK);
    EXPECT_EQ(m_rts->BeginScene(m_surface, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface9* bound = nullptr;
    m_device->GetRenderTarget(0, &bound);
    EXPECT_EQ(bound, m_surface);
    release(bound);
    D3DVIEWPORT9 viewport{};
    m_device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 16u);
    EXPECT_EQ(viewport.Height, 8u);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0);
    ASSERT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3D_OK);
    const D3DVIEWPORT9 rightHalf{8, 0, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(m_rts->BeginScene(m_surface, &rightHalf), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3D_OK);
    EXPECT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3DERR_INVALIDCALL);

    m_device->GetRenderTarget(0, &bound);
    EXPECT_EQ(bound, backBuffer);
    release(bound);
    IDirect3DSurface9* boundDepth = nullptr;
    m_device->GetDepthStencilSurface(&boundDepth);
    EXPECT_EQ(boundDepth, depth);
    release(boundDepth);
    m_device->GetViewport(&viewport);
    EXPECT_EQ(viewport.X, 2u);
    EXPECT_EQ(viewport.Y, 3u);
    EXPECT_EQ(viewport.Width, 20u);
    EXPECT_EQ(viewport.Height, 10u);
    release(backBuffer);
    release(depth);

    Image image = readTarget(m_surface);
    ASSERT_EQ(image.width, 16u);
    for (UINT x = 0; x < 16; ++x)
        EXPECT_EQ(image.at(x, 4), x < 8 ? 0xFFFF0000u : 0xFF00FF00u) << "x " << x;
}

TEST_F(D3DXRenderToSurfaceTest, RenderedTextureDrawsThroughASprite)
{
    ASSERT_TRUE(createDevice(32, 32));
    ASSERT_TRUE(makeTarget(8, 8));
    ID3DXSprite* sprite = nullptr;
    ASSERT_EQ(D3DXCreateSprite(m_device, &sprite), D3D_OK);
    IDirect3DTexture9* cell = createTexture(m_device, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_NE(cell, nullptr);

    // Into the target: the 2 x 2 cell at (3, 3) over grey; a sprite inside the scene uses the
    // target's own pixel space.
    ASSERT_EQ(m_rts->BeginScene(m_surface, nullptr), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF404040, 1.0f, 0);
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    const D3DXVECTOR3 inTarget(3, 3, 0);
    sprite->Draw(cell, nullptr, nullptr, &inTarget, 0xFFFFFFFF);
    sprite->End();
    ASSERT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3D_OK);

    // Then the target onto the back buffer at (10, 20).
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    const D3DXVECTOR3 onScreen(10, 20, 0);
    sprite->Draw(m_target, nullptr, nullptr, &onScreen, 0xFFFFFFFF);
    sprite->End();
    m_device->EndScene();
    sprite->Release();
    cell->Release();

    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 32u);
    EXPECT_EQ(image.at(10, 20), 0xFF404040u);
    EXPECT_EQ(image.at(13, 23), 0xFFFF0000u);
    EXPECT_EQ(image.at(14, 23), 0xFF00FF00u);
    EXPECT_EQ(image.at(13, 24), 0xFF0000FFu);
    EXPECT_EQ(image.at(14, 24), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(17, 27), 0xFF404040u);
    EXPECT_EQ(image.at(18, 28), 0xFF000000u);
    EXPECT_EQ(image.at(9, 19), 0xFF000000u);
}

TEST_F(D3DXRenderToSurfaceTest, MipFilterFillsTheLowerLevels)
{
    ASSERT_TRUE(createDevice(16, 16));
    ASSERT_TRUE(makeTarget(8, 8, 2));
    IDirect3DSurface9* lower = nullptr;
    ASSERT_EQ(m_target->GetSurfaceLevel(1, &lower), D3D_OK);
    m_device->ColorFill(lower, nullptr, 0xFF000000);

    ASSERT_EQ(m_rts->BeginScene(m_surface, nullptr), D3D_OK);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF20A0E0, 1.0f, 0);
    ASSERT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3D_OK);
    Image untouched = readTarget(lower);
    ASSERT_EQ(untouched.width, 4u);
    EXPECT_EQ(untouched.at(1, 1), 0xFF000000u);

    ASSERT_EQ(m_rts->BeginScene(m_surface, nullptr), D3D_OK);
    ASSERT_EQ(m_rts->EndScene(D3DX_DEFAULT), D3D_OK);
    Image filled = readTarget(lower);
    ASSERT_EQ(filled.width, 4u);
    EXPECT_TRUE(near(filled.at(1, 1), 0xFF20A0E0, 1)) << hex(filled.at(1, 1));
    lower->Release();
}

TEST_F(D3DXRenderToSurfaceTest, RefusesSurfacesOfAnotherSizeAndLeavesTheDeviceAlone)
{
    ASSERT_TRUE(createDevice(16, 16));
    ASSERT_TRUE(makeTarget(8, 8));
    ID3DXRenderToSurface* other = nullptr;
    ASSERT_EQ(D3DXCreateRenderToSurface(m_device, 4, 4, D3DFMT_A8R8G8B8, FALSE, D3DFMT_UNKNOWN, &other), D3D_OK);
    EXPECT_EQ(other->BeginScene(m_surface, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(other->BeginScene(nullptr, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface9* bound = nullptr;
    m_device->GetRenderTarget(0, &bound);
    EXPECT_NE(bound, m_surface);
    release(bound);
    other->Release();
}

TEST_F(D3DXRenderToSurfaceTest, LostDeviceReleasesTheDepthBufferAndResetRebuildsIt)
{
    ASSERT_TRUE(createDevice(16, 16));
    ASSERT_TRUE(makeTarget(8, 8));
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    ASSERT_EQ(m_rts->OnLostDevice(), D3D_OK);
    release(m_surface);
    release(m_target);
    m_device->TestCooperativeLevel();
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = m_params;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK); // nothing of the renderer holds it back
    ASSERT_EQ(m_rts->OnResetDevice(), D3D_OK);

    ASSERT_EQ(
        m_device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_target, nullptr),
        D3D_OK);
    ASSERT_EQ(m_target->GetSurfaceLevel(0, &m_surface), D3D_OK);
    ASSERT_EQ(m_rts->BeginScene(m_surface, nullptr), D3D_OK);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(m_device->GetDepthStencilSurface(&depth), D3D_OK);
    D3DSURFACE_DESC desc{};
    depth->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_D24S8);
    depth->Release();
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(m_rts->EndScene(D3DX_FILTER_NONE), D3D_OK);
    Image image = readTarget(m_surface);
    ASSERT_EQ(image.width, 8u);
    EXPECT_EQ(image.at(7, 7), 0xFF00FF00u);
}
