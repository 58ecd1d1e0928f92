// DDS files written by D3DXSaveTextureToFileW/D3DXSaveSurfaceToFileW and read back: every level
// of every format bit for bit, float extremes, render targets, cube faces in the order and
// orientation the device samples them, and hostile headers refused with a log line.
#include "D3D9TestSupport.h"
#include "d3dx9/ImageData.h"
#include "support/TestSupport.h"

#include <d3dx9.h>

#include <cfloat>
#include <cstring>
#include <limits>

using namespace D3D9Testing;

namespace {

uint32_t get32(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, &bytes[offset], 4);
    return value;
}

void put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    std::memcpy(&bytes[offset], &value, 4);
}

// A level's texels without row padding.
std::vector<uint8_t> levelBytes(IDirect3DSurface9* surface)
{
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    const UINT rowBytes = desc.Width * D3DXImage::texelBytes(desc.Format);
    std::vector<uint8_t> bytes(size_t(rowBytes) * desc.Height);
    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return {};
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(&bytes[size_t(y) * rowBytes], static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch,
                    rowBytes);
    surface->UnlockRect();
    return bytes;
}

void fillLevel(IDirect3DSurface9* surface, const std::vector<uint8_t>& bytes)
{
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    const UINT rowBytes = desc.Width * D3DXImage::texelBytes(desc.Format);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &bytes[size_t(y) * rowBytes], rowBytes);
    surface->UnlockRect();
}

// Channel values of a float level as raw bit patterns: varied, signed and NaN-free.
std::vector<uint8_t> floatPattern(D3DFORMAT format, size_t bytes, uint32_t seed)
{
    std::vector<uint8_t> out(bytes);
    const bool half = format == D3DFMT_G16R16F || format == D3DFMT_A16B16G16R16F;
    for (size_t i = 0, n = 0; i < bytes; i += half ? 2 : 4, ++n) {
        const float value = (float(int((n * 37 + seed * 11) % 97)) - 48.0f) * 0.3125f;
        if (half) {
            const D3DXFLOAT16 h(value);
            std::memcpy(&out[i], &h.value, 2);
        } else {
            std::memcpy(&out[i], &value, 4);
        }
    }
    return out;
}

std::vector<uint8_t> bytePattern(size_t bytes, uint32_t seed)
{
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i < bytes; ++i)
        out[i] = uint8_t(i * 131 + seed * 17 + (i >> 3));
    return out;
}

} // namespace

class D3DXDdsFileTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        ASSERT_TRUE(createDevice(24, 16));
    }

    std::wstring path(const char* name) const { return (m_dir / name).wstring(); }
    std::vector<uint8_t> file(const char* name) const { return TestSupport::readBytes(m_dir / name); }

    IDirect3DTexture9* load(const std::vector<uint8_t>& bytes, D3DPOOL pool = D3DPOOL_MANAGED)
    {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                      m_device, bytes.data(), UINT(bytes.size()), D3DX_FROM_FILE, D3DX_FROM_FILE, D3DX_FROM_FILE, 0,
                      D3DFMT_FROM_FILE, pool, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture),
                  D3D_OK);
        return texture;
    }

    TestSupport::TempDir m_dir;
};

TEST_F(D3DXDdsFileTest, EveryFormatRoundTripsBitForBit)
{
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,      D3DFMT_R32F,
                                 D3DFMT_G16R16F,  D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F};
    for (D3DFORMAT format : formats) {
        SCOPED_TRACE(testing::Message() << "format " << format);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(m_device->CreateTexture(8, 4, 0, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        ASSERT_EQ(texture->GetLevelCount(), 4u);
        std::vector<std::vector<uint8_t>> levels;
        for (UINT level = 0; level < 4; ++level) {
            IDirect3DSurface9* surface = nullptr;
            texture->GetSurfaceLevel(level, &surface);
            D3DSURFACE_DESC desc{};
            surface->GetDesc(&desc);
            const size_t size = size_t(desc.Width) * desc.Height * D3DXImage::texelBytes(format);
            levels.push_back(format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8
                                 ? bytePattern(size, level)
                                 : floatPattern(format, size, level));
            fillLevel(surface, levels.back());
            surface->Release();
        }
        ASSERT_EQ(D3DXSaveTextureToFileW(path("a.dds").c_str(), D3DXIFF_DDS, texture, nullptr), D3D_OK);
        texture->Release();

        const std::vector<uint8_t> saved = file("a.dds");
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(saved.data(), UINT(saved.size()), &info), D3D_OK);
        EXPECT_EQ(info.Format, format);
        EXPECT_EQ(info.MipLevels, 4u);
        EXPECT_EQ(info.Width, 8u);
        EXPECT_EQ(info.Height, 4u);
        IDirect3DTexture9* reloaded = load(saved);
        ASSERT_NE(reloaded, nullptr);
        ASSERT_EQ(reloaded->GetLevelCount(), 4u);
        for (UINT level = 0; level < 4; ++level) {
            IDirect3DSurface9* surface = nullptr;
            reloaded->GetSurfaceLevel(level, &surface);
            EXPECT_EQ(levelBytes(surface), levels[level]) << "level " << level;
            surface->Release();
        }
        // Written again, the file is the same file.
        ASSERT_EQ(D3DXSaveTextureToFileW(path("b.dds").c_str(), D3DXIFF_DDS, reloaded, nullptr), D3D_OK);
        EXPECT_EQ(file("b.dds"), saved);
        reloaded->Release();
    }
}

TEST_F(D3DXDdsFileTest, BlockFormatsKeepTheirBlocksAndSaveAsPictures)
{
    // An 8x8 DXT1 level of four flat blocks: red, green / blue, white (both end points one colour).
    const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    std::vector<uint8_t> blocks(4 * 8, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        const uint16_t c = colours[i];
        const uint8_t block[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 8)};
        std::memcpy(&blocks[i * 8], block, 4);
    }
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int row = 0; row < 2; ++row)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch, &blocks[size_t(row) * 16], 16);
    texture->UnlockRect(0);
    ASSERT_EQ(D3DXSaveTextureToFileW(path("b.dds").c_str(), D3DXIFF_DDS, texture, nullptr), D3D_OK);
    const std::vector<uint8_t> saved = file("b.dds");
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 128, saved.end()), blocks);
    EXPECT_EQ(get32(saved, 84), uint32_t(D3DFMT_DXT1));
    // As a picture the second row of blocks lies below the first.
    ASSERT_EQ(D3DXSaveTextureToFileW(path("b.png").c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    texture->Release();
    Image picture;
    ASSERT_TRUE(readPng((m_dir / "b.png").string(), picture));
    ASSERT_EQ(picture.width, 8u);
    EXPECT_EQ(picture.at(1, 1), 0xFFFF0000u);
    EXPECT_EQ(picture.at(6, 1), 0xFF00FF00u);
    EXPECT_EQ(picture.at(1, 6), 0xFF0000FFu);
    EXPECT_EQ(picture.at(6, 6), 0xFFFFFFFFu);
}

TEST_F(D3DXDdsFileTest, FloatExtremesReadBackExactly)
{
    const float tiny = std::numeric_limits<float>::denorm_min();
    const float halves[] = {65504.0f, -65504.0f, 6.103515625e-05f, -5.9604644775390625e-08f, -0.0f, 1.0f, -2.5f, 0.0f};
    const float floats[] = {FLT_MAX, -FLT_MAX, FLT_MIN, tiny, -0.0f, 1.0f, -3.0e38f, 0.1f};
    std::vector<uint8_t> halfBytes, floatBytes(sizeof floats);
    for (float value : halves) {
        const D3DXFLOAT16 h(value);
        halfBytes.push_back(uint8_t(h.value));
        halfBytes.push_back(uint8_t(h.value >> 8));
    }
    std::memcpy(floatBytes.data(), floats, sizeof floats);
    const struct {
        D3DFORMAT format;
        UINT width;
        const std::vector<uint8_t>& bytes;
    } cases[] = {{D3DFMT_A16B16G16R16F, 2, halfBytes}, {D3DFMT_A32B32G32R32F, 2, floatBytes}};
    for (const auto& c : cases) {
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(m_device->CreateTexture(c.width, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        IDirect3DSurface9* surface = nullptr;
        texture->GetSurfaceLevel(0, &surface);
        fillLevel(surface, c.bytes);
        // The surface alone writes the same texels as its texture.
        ASSERT_EQ(D3DXSaveSurfaceToFileW(path("s.dds").c_str(), D3DXIFF_DDS, surface, nullptr, nullptr), D3D_OK);
        surface->Release();
        texture->Release();
        const std::vector<uint8_t> saved = file("s.dds");
        ASSERT_GE(saved.size(), 128u);
        EXPECT_EQ(get32(saved, 84), uint32_t(c.format)); // the format's number as its FourCC
        IDirect3DTexture9* reloaded = load(saved, D3DPOOL_SYSTEMMEM);
        ASSERT_NE(reloaded, nullptr);
        reloaded->GetSurfaceLevel(0, &surface);
        EXPECT_EQ(levelBytes(surface), c.bytes);
        surface->Release();
        reloaded->Release();
    }
    // The values themselves survived, not just some bits: 65504 is the largest half.
    D3DXFLOAT16 largest;
    std::memcpy(&largest.value, &halfBytes[0], 2);
    EXPECT_EQ(float(largest), 65504.0f);
    D3DXFLOAT16 smallest;
    std::memcpy(&smallest.value, &halfBytes[6], 2);
    EXPECT_EQ(float(smallest), -5.9604644775390625e-08f);
}

TEST_F(D3DXDdsFileTest, FloatRenderTargetsAreReadBackAndSaved)
{
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT, &target,
                                      nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    target->GetSurfaceLevel(0, &surface);
    m_device->SetRenderTarget(0, surface);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 255, 0, 51), 1.0f, 0);
    surface->Release();
    IDirect3DSurface9* backBuffer = nullptr;
    m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    m_device->SetRenderTarget(0, backBuffer);
    backBuffer->Release();
    ASSERT_EQ(D3DXSaveTextureToFileW(path("rt.dds").c_str(), D3DXIFF_DDS, target, nullptr), D3D_OK);
    target->Release();

    IDirect3DTexture9* reloaded = load(file("rt.dds"), D3DPOOL_SYSTEMMEM);
    ASSERT_NE(reloaded, nullptr);
    reloaded->GetSurfaceLevel(0, &surface);
    const std::vector<uint8_t> bytes = levelBytes(surface);
    surface->Release();
    reloaded->Release();
    ASSERT_EQ(bytes.size(), 4u * 4u * 8u);
    const float expected[4] = {1.0f, 0.0f, 0.2f, 1.0f}; // R, G, B, A as the format stores them
    for (int channel = 0; channel < 4; ++channel) {
        D3DXFLOAT16 h;
        std::memcpy(&h.value, &bytes[(5 * 8) + channel * 2], 2);
        EXPECT_NEAR(float(h), expected[channel], 0.001f) << "channel " << channel;
    }
}

TEST_F(D3DXDdsFileTest, CubeFacesKeepTheirOrderAndOrientation)
{
    // Face f: its top half colour top[f], its bottom half bottom[f].
    const D3DCOLOR top[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    const D3DCOLOR bottom[6] = {0xFF800000, 0xFF008000, 0xFF000080, 0xFF808000, 0xFF008080, 0xFF800080};
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(m_device->CreateCubeTexture(8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    for (int face = 0; face < 6; ++face)
        for (UINT level = 0; level < 2; ++level) {
            IDirect3DSurface9* surface = nullptr;
            cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, &surface);
            const UINT size = 8 >> level;
            std::vector<uint8_t> bytes(size * size * 4);
            for (UINT y = 0; y < size; ++y)
                for (UINT x = 0; x < size; ++x) {
                    const D3DCOLOR c = y < size / 2 ? top[face] : bottom[face];
                    std::memcpy(&bytes[(y * size + x) * 4], &c, 4);
                }
            fillLevel(surface, bytes);
            surface->Release();
        }
    ASSERT_EQ(D3DXSaveTextureToFileW(path("cube.dds").c_str(), D3DXIFF_DDS, cube, nullptr), D3D_OK);
    cube->Release();
    const std::vector<uint8_t> saved = file("cube.dds");
    ASSERT_EQ(saved.size(), 128u + 6u * (64u + 16u) * 4u);
    EXPECT_EQ(get32(saved, 4 + 108), 0x200u | 0xFC00u);

    IDirect3DCubeTexture9* loaded = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(m_device, saved.data(), UINT(saved.size()), D3DX_FROM_FILE,
                                                      D3DX_FROM_FILE, 0, D3DFMT_FROM_FILE, D3DPOOL_MANAGED,
                                                      D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &loaded),
              D3D_OK);
    ASSERT_EQ(D3D_OK, D3DXSaveTextureToFileW(path("again.dds").c_str(), D3DXIFF_DDS, loaded, nullptr));
    EXPECT_EQ(file("again.dds"), saved);

    // Sample each face through the device: one pixel per (face, half), the direction pointing at
    // the face's centre moved half way towards the texels of its top or bottom rows. "Down" on
    // a face is -Y for the four side faces, +Z on +Y and -Z on -Y.
    const D3DXVECTOR3 centres[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const D3DXVECTOR3 downs[6] = {{0, -1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}, {0, -1, 0}};
    std::vector<CubeVertex> vertices;
    for (int face = 0; face < 6; ++face)
        for (int half = 0; half < 2; ++half) {
            const D3DXVECTOR3 d = centres[face] + downs[face] * (half ? 0.5f : -0.5f);
            const float x = float(face * 4), y = float(half * 8);
            const CubeVertex quad[4] = {{x, y, 0, 1, d.x, d.y, d.z},
                                        {x + 4, y, 0, 1, d.x, d.y, d.z},
                                        {x, y + 8, 0, 1, d.x, d.y, d.z},
                                        {x + 4, y + 8, 0, 1, d.x, d.y, d.z}};
            for (int i : {0, 1, 2, 2, 1, 3})
                vertices.push_back(quad[i]);
        }
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_device->BeginScene();
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetTexture(0, loaded);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_device->SetFVF(kCubeVertexFvf);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(), sizeof(CubeVertex));
    m_device->EndScene();
    m_device->SetTexture(0, nullptr);
    loaded->Release();
    const Image image = readBackBuffer();
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(image.at(UINT(face * 4 + 2), 4), top[face]) << "face " << face << " top";
        EXPECT_EQ(image.at(UINT(face * 4 + 2), 12), bottom[face]) << "face " << face << " bottom";
    }
}

TEST_F(D3DXDdsFileTest, HostileHeadersAreRefusedWithALogLine)
{
    // A valid 4x4 A8R8G8B8 2D file to spoil one field at a time.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(D3DXSaveTextureToFileW(path("ok.dds").c_str(), D3DXIFF_DDS, texture, nullptr), D3D_OK);
    texture->Release();
    const std::vector<uint8_t> valid = file("ok.dds");
    ASSERT_EQ(valid.size(), 128u + 64u);
    const size_t h = 4;
    std::vector<std::pair<const char*, std::vector<uint8_t>>> hostile;
    auto spoil = [&](const char* what, size_t offset, uint32_t value, uint32_t orFlags = 0) {
        std::vector<uint8_t> bytes = valid;
        put32(bytes, offset, value);
        if (orFlags)
            put32(bytes, h + 4, get32(bytes, h + 4) | orFlags);
        hostile.emplace_back(what, bytes);
    };
    spoil("larger than the data", h + 12, 4096);
    spoil("past the data by a row", h + 8, 5);
    spoil("mip count 255", h + 24, 255, 0x20000);
    spoil("zero width", h + 12, 0);
    spoil("zero height", h + 8, 0);
    spoil("cube flag without faces", h + 108, 0x200);
    spoil("huge", h + 12, 0x80000000);
    spoil("unknown FourCC", h + 76, 0x4);
    hostile.emplace_back("header only", std::vector<uint8_t>(valid.begin(), valid.begin() + 128));
    for (const auto& [what, bytes] : hostile) {
        SCOPED_TRACE(what);
        testing::internal::CaptureStderr();
        IDirect3DTexture9* loaded = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, bytes.data(), UINT(bytes.size()), 0, 0, 0, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                      nullptr, nullptr, &loaded),
                  D3DXERR_INVALIDDATA);
        IDirect3DCubeTexture9* cube = nullptr;
        EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(m_device, bytes.data(), UINT(bytes.size()), 0, 0, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                                          0, nullptr, nullptr, &cube),
                  D3DXERR_INVALIDDATA);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("DDS file refused"), std::string::npos) << log;
        EXPECT_EQ(loaded, nullptr);
        EXPECT_EQ(cube, nullptr);
    }
    // Volumes and formats without a DDS form are not written.
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(m_device->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr), D3D_OK);
    EXPECT_EQ(D3DXSaveTextureToFileW(path("v.dds").c_str(), D3DXIFF_DDS, volume, nullptr), D3DERR_INVALIDCALL);
    volume->Release();
}
