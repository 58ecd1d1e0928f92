#pragma once
// A window and a Direct3D device for rendering tests, read-back of surfaces, and comparison with
// golden PNG images in tests/platform/golden/.
#include <d3d9.h>
#include <windows.h>

#include "support/GoldenImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace D3D9Testing {

using TestSupport::channel;
using TestSupport::hex;
using TestSupport::Image;
using TestSupport::near;
using TestSupport::readPng;
using TestSupport::writePng;

// Creates a hidden window of the given client size and a device on it (back buffer of that
// size, A8R8G8B8 unless asked otherwise, D24S8 depth-stencil).
class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates m_d3d and m_device; false (with a test failure) when that is impossible.
    bool createDevice(UINT width, UINT height, D3DFORMAT backBufferFormat = D3DFMT_A8R8G8B8, bool autoDepth = true);
    void releaseDevice();

    // The render target's pixels through GetRenderTargetData (A8R8G8B8 or X8R8G8B8 targets).
    Image readTarget(IDirect3DSurface9* target);
    Image readBackBuffer();

    HWND m_window = nullptr;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    D3DPRESENT_PARAMETERS m_params{};
};

// A texture of the given A8R8G8B8 pixels (managed pool, one level).
IDirect3DTexture9* createTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                 const std::vector<D3DCOLOR>& pixels);

// Compares with golden/<name>.png (per channel within `tolerance`). On a mismatch the image is
// written as <build>/golden-failures/<name>.png beside a copy of the expected one. With
// ULVO_UPDATE_GOLDEN=1 in the environment the golden file is (re)written instead.
::testing::AssertionResult matchesGolden(const Image& image, const std::string& name, int tolerance = 2);

// Pre-transformed vertex with one texture coordinate set (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1).
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Pre-transformed vertex with a three-component texture coordinate (a cube map direction).
struct CubeVertex {
    float x, y, z, rhw;
    float u, v, w;
};
constexpr DWORD kCubeVertexFvf = D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0);

// A quad as a triangle strip from (x0, y0) to (x1, y1), texture coordinates 0..1.
void screenQuad(ScreenVertex (&quad)[4], float x0, float y0, float x1, float y1, D3DCOLOR color);

} // namespace D3D9Testing
