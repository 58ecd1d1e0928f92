// The Direct3D object: adapter, display modes (a fixed list where SDL knows none), capabilities,
// format and multisample checks, and device creation failures.
#include "D3D9TestSupport.h"

#include "window/PointerState.h"

#include <malloc.h>

using namespace D3D9Testing;

class D3D9Direct3DTest : public DeviceFixture {};

TEST_F(D3D9Direct3DTest, AdapterModesCapsAndChecks)
{
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(m_d3d, nullptr);
    EXPECT_EQ(m_d3d->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER9 identifier{};
    EXPECT_EQ(m_d3d->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &identifier), D3D_OK);
    EXPECT_NE(identifier.Description[0], '\0');

    // The offscreen driver lists one mode: the common sizes that fit the desktop stand in beside
    // it, in both depths; the largest is the desktop's own.
    UINT count32 = m_d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    UINT count16 = m_d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_R5G6B5);
    ASSERT_GE(count32, 3u);
    EXPECT_EQ(count16, count32);
    EXPECT_EQ(m_d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u); // not a display format
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(m_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), D3D_OK);
    bool has640 = false, has1024 = false;
    D3DDISPLAYMODE previous{};
    for (UINT i = 0; i < count32; ++i) {
        D3DDISPLAYMODE mode{};
        ASSERT_EQ(m_d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode), D3D_OK);
        EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
        EXPECT_GT(mode.RefreshRate, 0u);
        EXPECT_TRUE(mode.Width > previous.Width || (mode.Width == previous.Width && mode.Height >= previous.Height));
        previous = mode;
        has640 |= mode.Width == 640 && mode.Height == 480;
        has1024 |= mode.Width == 1024 && mode.Height == 768;
        EXPECT_LE(mode.Width, desktop.Width);
        EXPECT_LE(mode.Height, desktop.Height);
    }
    EXPECT_TRUE(has640 && has1024);
    EXPECT_EQ(previous.Width, desktop.Width);
    EXPECT_EQ(previous.Height, desktop.Height);
    D3DDISPLAYMODE mode{};
    EXPECT_EQ(m_d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, count32, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);

    D3DCAPS9 caps{};
    ASSERT_EQ(m_d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_EQ(caps.VertexShaderVersion, static_cast<DWORD>(D3DVS_VERSION(3, 0)));
    EXPECT_EQ(caps.PixelShaderVersion, static_cast<DWORD>(D3DPS_VERSION(3, 0)));
    EXPECT_EQ(caps.NumSimultaneousRTs, 4u);
    EXPECT_EQ(caps.MaxStreams, 16u);
    EXPECT_EQ(caps.MaxTextureWidth, 8192u);
    EXPECT_TRUE(caps.DevCaps2 & D3DDEVCAPS2_STREAMOFFSET);
    EXPECT_EQ(m_d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);

    DWORD quality = 99;
    EXPECT_EQ(
        m_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE, &quality),
        D3D_OK);
    EXPECT_EQ(quality, 1u);
    EXPECT_EQ(
        m_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES, &quality),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(m_d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                       D3DFMT_A16B16G16R16F),
              D3D_OK);
    EXPECT_EQ(m_d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5), D3D_OK);
    EXPECT_EQ(m_d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                       D3DFMT_DXT1),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(m_d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                       D3DFMT_D24S8),
              D3D_OK);
    EXPECT_EQ(m_d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_D24X8), D3D_OK);
}

TEST_F(D3D9Direct3DTest, CreateDeviceFillsPresentParametersAndRejectsWhatItCannotDo)
{
    m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(m_d3d, nullptr);
    D3DPRESENT_PARAMETERS params{};
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    // No window at all.
    EXPECT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    params.hDeviceWindow = m_window;
    params.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    EXPECT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device),
              D3DERR_INVALIDCALL);
    params.MultiSampleType = D3DMULTISAMPLE_NONE;
    ASSERT_EQ(m_d3d->CreateDevice(0, D3DDEVTYPE_HAL, m_window,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &params, &device),
              D3D_OK);
    m_device = device;
    // A windowed device takes the window's client size and the desktop's format.
    EXPECT_EQ(params.BackBufferWidth, 320u);
    EXPECT_EQ(params.BackBufferHeight, 240u);
    EXPECT_EQ(params.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(params.BackBufferCount, 1u);
    D3DDEVICE_CREATION_PARAMETERS creation{};
    ASSERT_EQ(m_device->GetCreationParameters(&creation), D3D_OK);
    EXPECT_EQ(creation.hFocusWindow, m_window);
    IDirect3D9* d3d = nullptr;
    ASSERT_EQ(m_device->GetDirect3D(&d3d), D3D_OK);
    EXPECT_EQ(d3d, m_d3d);
    d3d->Release();

    // Documented defaults.
    DWORD value = 0;
    m_device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
    m_device->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
    EXPECT_EQ(value, 0xFu);
    m_device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    m_device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
    m_device->GetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
    m_device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    m_device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_SELECTARG1));
    m_device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(250), 7), D3D_OK); // kept, no effect
    m_device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(250), &value);
    EXPECT_EQ(value, 7u);

    // Scenes nest; EndScene without BeginScene fails.
    EXPECT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
    // No debug context asked for: the events reach no tool, and the status says so.
    EXPECT_EQ(D3DPERF_GetStatus(), 0u);
    EXPECT_EQ(D3DPERF_BeginEvent(0xFF00FF00, L"outer"), 0);
    EXPECT_EQ(D3DPERF_BeginEvent(0xFF00FF00, L"inner \x00E4"), 1);
    D3DPERF_SetMarker(0xFFFF0000, L"marker");
    EXPECT_EQ(D3DPERF_EndEvent(), 1);
    EXPECT_EQ(D3DPERF_EndEvent(), 0);
    EXPECT_EQ(D3DPERF_EndEvent(), -1);
}

TEST_F(D3D9Direct3DTest, ObjectsOutliveTheirDevice)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DTexture9* texture = createTexture(m_device, 2, 2, {1, 2, 3, 4});
    ASSERT_NE(texture, nullptr);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(texture->Release(), 1u); // the level holds the texture
    m_device->SetTexture(0, texture);
    releaseDevice();
    // The program may release what it still holds after the device is gone.
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(1);
    EXPECT_EQ(level->GetDevice(&device), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
}

// The rasteriser takes and frees blocks of 64 KB every frame: once a device is made, freeing a few
// megabytes of them at the heap's top leaves that space in the heap rather than handing it back
// to the system, to be faulted in again by the next frame.
TEST_F(D3D9Direct3DTest, TheHeapKeepsFreedBlocksAtItsTop)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator has no heap top";
#else
    ASSERT_TRUE(createDevice(16, 16));
    std::vector<void*> blocks;
    for (int i = 0; i < 64; ++i)
        blocks.push_back(std::malloc(64 << 10));
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        std::free(*it);
    EXPECT_GE(mallinfo2().keepcost, std::size_t{2} << 20);
    releaseDevice();
#endif
}

TEST_F(D3D9Direct3DTest, DeviceOutlivesItsWindow)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DTexture9* texture = createTexture(m_device, 1, 1, {0xFF00FF00});
    ASSERT_NE(texture, nullptr);
    ASSERT_TRUE(DestroyWindow(m_window));
    m_window = nullptr;
    // Rendering goes on into the back buffer; presenting has nowhere to go and succeeds.
    EXPECT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    texture->Release();
    releaseDevice();
}

// The pointer picture is the system's colour pointer while the device shows it, even over the
// arrow that ShowCursor hid; hidden again, the arrow's count decides. Only a video driver with
// pointers (x11, as under a virtual X server) gets that far.
TEST_F(D3D9Direct3DTest, ThePointerPictureIsTheSystemsPointerWhileShown)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DSurface9* picture = nullptr;
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &picture, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(picture->LockRect(&locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            static_cast<DWORD*>(locked.pBits)[y * locked.Pitch / 4 + x] = x == y ? 0xFFFFD040 : 0;
    picture->UnlockRect();
    EXPECT_EQ(m_device->SetCursorProperties(8, 0, picture), D3DERR_INVALIDCALL) << "the hot spot lies outside";

    using Win32Internal::pointerState;
    int count = ShowCursor(FALSE);
    while (count >= 0)
        count = ShowCursor(FALSE);
    EXPECT_FALSE(pointerState().visible);
    if (m_device->SetCursorProperties(0, 0, picture) != D3D_OK) {
        // A video driver without pointers (offscreen) refuses: the program draws its own.
        EXPECT_FALSE(m_device->ShowCursor(TRUE));
        EXPECT_FALSE(pointerState().devicePicture);
        m_device->ShowCursor(FALSE);
        while (count < 0)
            count = ShowCursor(TRUE);
        picture->Release();
        GTEST_SKIP() << "no colour pointers with this video driver";
    }
    EXPECT_FALSE(pointerState().devicePicture) << "set, not yet shown";
    EXPECT_FALSE(m_device->ShowCursor(TRUE));
    EXPECT_TRUE(pointerState().visible);
    EXPECT_TRUE(pointerState().devicePicture);
    EXPECT_TRUE(m_device->ShowCursor(FALSE));
    EXPECT_FALSE(pointerState().visible);
    while (count < 0)
        count = ShowCursor(TRUE);
    EXPECT_TRUE(pointerState().visible);
    picture->Release();
    releaseDevice();
}
