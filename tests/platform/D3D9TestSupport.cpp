// Device fixture, read-back and golden images for the Direct3D tests.
#include "D3D9TestSupport.h"

#include "support/TestSupport.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>

namespace D3D9Testing {

namespace {

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* windowClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = testWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UlvoD3D9TestWindow";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? L"UlvoD3D9TestWindow" : nullptr;
}

std::filesystem::path goldenDir()
{
    return TestSupport::sourceDir() / "tests" / "platform" / "golden";
}

} // namespace

void DeviceFixture::SetUp()
{
    ASSERT_NE(windowClass(), nullptr);
    m_window = CreateWindowExW(0, windowClass(), L"d3d9 test", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(m_window, nullptr);
}

void DeviceFixture::TearDown()
{
    releaseDevice();
    if (m_window)
        DestroyWindow(m_window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

bool DeviceFixture::createDevice(UINT width, UINT height, D3DFORMAT backBufferFormat, bool autoDepth)
{
    m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    EXPECT_NE(m_d3d, nullptr);
    if (!m_d3d)
        return false;
    m_params = D3DPRESENT_PARAMETERS{};
    m_params.BackBufferWidth = width;
    m_params.BackBufferHeight = height;
    m_params.BackBufferFormat = backBufferFormat;
    m_params.BackBufferCount = 1;
    m_params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_params.hDeviceWindow = m_window;
    m_params.Windowed = TRUE;
    m_params.EnableAutoDepthStencil = autoDepth;
    m_params.AutoDepthStencilFormat = D3DFMT_D24S8;
    m_params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    HRESULT hr = m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &m_params, &m_device);
    EXPECT_EQ(hr, D3D_OK);
    return SUCCEEDED(hr) && m_device;
}

void DeviceFixture::releaseDevice()
{
    if (m_device) {
        m_device->Release();
        m_device = nullptr;
    }
    if (m_d3d) {
        m_d3d->Release();
        m_d3d = nullptr;
    }
}

Image DeviceFixture::readTarget(IDirect3DSurface9* target)
{
    Image image;
    D3DSURFACE_DESC desc{};
    if (!target || FAILED(target->GetDesc(&desc)))
        return image;
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(m_device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                     nullptr)))
        return image;
    if (SUCCEEDED(m_device->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            image.width = desc.Width;
            image.height = desc.Height;
            image.pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
                std::memcpy(&image.pixels[static_cast<size_t>(y) * desc.Width], row, desc.Width * 4);
            }
            copy->UnlockRect();
        }
    }
    copy->Release();
    return image;
}

Image DeviceFixture::readBackBuffer()
{
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return Image{};
    Image image = readTarget(backBuffer);
    backBuffer->Release();
    return image;
}

IDirect3DTexture9* createTexture(IDirect3DDevice9* device, UINT width, UINT height, const std::vector<D3DCOLOR>& pixels)
{
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    &pixels[static_cast<size_t>(y) * width], width * 4);
    texture->UnlockRect(0);
    return texture;
}

void screenQuad(ScreenVertex (&quad)[4], float x0, float y0, float x1, float y1, D3DCOLOR color)
{
    quad[0] = ScreenVertex{x0, y0, 0.5f, 1.0f, color, 0.0f, 0.0f};
    quad[1] = ScreenVertex{x1, y0, 0.5f, 1.0f, color, 1.0f, 0.0f};
    quad[2] = ScreenVertex{x0, y1, 0.5f, 1.0f, color, 0.0f, 1.0f};
    quad[3] = ScreenVertex{x1, y1, 0.5f, 1.0f, color, 1.0f, 1.0f};
}

::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance)
{
    return TestSupport::matchesGolden(image, goldenDir(), name, tolerance);
}

} // namespace D3D9Testing
