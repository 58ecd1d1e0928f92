// Device loss as D3D9 has it: lost, then ready to reset, Reset refused while default-pool
// resources (or references to the back buffer) live, and Reset restoring the defaults.
#include "D3D9TestSupport.h"

#include <platform_app.h>
#include <platform_test.h>

#include <cstring>

using namespace D3D9Testing;

class D3D9DeviceLossTest : public DeviceFixture {
protected:
    // A 640x480 full-screen device's parameters for the fixture's window, with m_d3d made (no device yet).
    D3DPRESENT_PARAMETERS fullScreenParams()
    {
        m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 640;
        params.BackBufferHeight = 480;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.hDeviceWindow = m_window;
        params.Windowed = FALSE;
        return params;
    }
};

TEST_F(D3D9DeviceLossTest, LostThenNotResetThenResetOnceDefaultResourcesAreGone)
{
    ASSERT_TRUE(createDevice(32, 32));
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);

    IDirect3DTexture9* managed = createTexture(m_device, 2, 1, {0xFF112233, 0xFF445566});
    ASSERT_NE(managed, nullptr);
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
        D3D_OK);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetTexture(0, managed);

    ASSERT_TRUE(PlatformLoseDevice(m_device));
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // Drawing calls keep succeeding while lost.
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    D3DPRESENT_PARAMETERS params = m_params;
    params.BackBufferWidth = 48;
    params.BackBufferHeight = 24;
    EXPECT_EQ(m_device->Reset(&params), D3DERR_INVALIDCALL); // the render target texture lives
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    target->Release();
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    EXPECT_EQ(m_device->Reset(&params), D3DERR_INVALIDCALL); // so does a reference to the back buffer
    backBuffer->Release();
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);

    // Defaults are back, the viewport covers the new back buffer.
    DWORD value = 0;
    m_device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    m_device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    m_device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    D3DVIEWPORT9 viewport{};
    m_device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 48u);
    EXPECT_EQ(viewport.Height, 24u);
    Image image = (m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), readBackBuffer());
    EXPECT_EQ(image.width, 48u);
    EXPECT_EQ(image.height, 24u);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // A managed texture keeps its texels across the reset.
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(managed->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    D3DCOLOR texels[2];
    std::memcpy(texels, locked.pBits, sizeof texels);
    managed->UnlockRect(0);
    EXPECT_EQ(texels[0], 0xFF112233u);
    EXPECT_EQ(texels[1], 0xFF445566u);
    managed->Release();
}

TEST_F(D3D9DeviceLossTest, ResetWithoutLossAndAfterFailureKeepsTheDeviceUsable)
{
    ASSERT_TRUE(createDevice(32, 32));
    D3DPRESENT_PARAMETERS bad = m_params;
    bad.BackBufferFormat = D3DFMT_DXT1;
    EXPECT_EQ(m_device->Reset(&bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = m_params;
    params.BackBufferWidth = 0; // windowed: taken from the window's client area
    params.BackBufferHeight = 0;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    EXPECT_EQ(params.BackBufferWidth, 320u);
    EXPECT_EQ(params.BackBufferHeight, 240u);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(D3D9DeviceLossTest, FullScreenDeviceIsLostWhileItsWindowIsInactive)
{
    ASSERT_TRUE(PlatformInjectFocus(m_window, true));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    ASSERT_EQ(GetForegroundWindow(), m_window);
    D3DPRESENT_PARAMETERS params = fullScreenParams();
    ASSERT_NE(m_d3d, nullptr);
    params.FullScreen_RefreshRateInHz = 60;
    ASSERT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                  &params, &m_device),
              D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);

    ASSERT_TRUE(PlatformInjectFocus(m_window, false));
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST); // until it is active again
    EXPECT_EQ(m_device->Reset(&params), D3DERR_DEVICELOST);

    ASSERT_TRUE(PlatformInjectFocus(m_window, true));
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->Reset(&params), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(D3D9DeviceLossTest, AWindowCoveringItsDisplayEntersFullScreenAheadOfTheDeviceThatKeepsIt)
{
    // A window smaller than its display keeps its place and size.
    EXPECT_FALSE(PlatformEnterFullScreen(m_window));
    EXPECT_FALSE(PlatformWindowInFullScreen(m_window));
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(m_window, &rect));
    EXPECT_EQ(rect.right - rect.left, 320);

    // One that covers it goes at once, and the full-screen device made for it later keeps it.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(SetWindowPos(m_window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_SHOWWINDOW));
    ASSERT_TRUE(PlatformEnterFullScreen(m_window));
    EXPECT_TRUE(PlatformWindowInFullScreen(m_window));
    EXPECT_TRUE(PlatformEnterFullScreen(m_window)); // already there
    D3DPRESENT_PARAMETERS params = fullScreenParams();
    ASSERT_NE(m_d3d, nullptr);
    ASSERT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                  &params, &m_device),
              D3D_OK);
    EXPECT_TRUE(PlatformWindowInFullScreen(m_window));
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // Settings changed to a window later still leave full screen.
    params.Windowed = TRUE;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    EXPECT_FALSE(PlatformWindowInFullScreen(m_window));
}
