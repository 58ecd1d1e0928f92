// D3DX textures from image files in memory: decoding, formats, colour keys, resizing, mip
// chains, DDS data, image information and saving as PNG.
#include "D3D9TestSupport.h"
#include "d3d9/D3D9Internal.h"
#include "d3d9/Resources.h"
#include "d3dx9/ImageData.h"
#include "support/TestSupport.h"

#include <d3dx9.h>
#include <platform_app.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <fstream>
#include <filesystem>
#include <cstring>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

using namespace D3D9Testing;

namespace {

enum class FileKind { Png, Bmp, Tga };

// RGBA texels from D3DCOLORs, for stb_image_write.
std::vector<uint8_t> rgba(const std::vector<D3DCOLOR>& colours)
{
    std::vector<uint8_t> bytes;
    for (D3DCOLOR c : colours) {
        bytes.push_back(uint8_t(c >> 16));
        bytes.push_back(uint8_t(c >> 8));
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 24));
    }
    return bytes;
}

// An image file in memory; components 3 drops alpha, 2 keeps red as grey with alpha, 1 grey.
std::vector<uint8_t> imageFile(FileKind kind, int width, int height, const std::vector<D3DCOLOR>& colours,
                               int components = 4)
{
    std::vector<uint8_t> texels = rgba(colours);
    if (components < 4) {
        std::vector<uint8_t> fewer;
        for (size_t i = 0; i < texels.size(); i += 4) {
            if (components == 3)
                fewer.insert(fewer.end(), texels.begin() + i, texels.begin() + i + 3);
            else
                fewer.push_back(texels[i]);
            if (components == 2)
                fewer.push_back(texels[i + 3]);
        }
        texels = fewer;
    }
    std::vector<uint8_t> out;
    auto sink = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (kind == FileKind::Png)
        stbi_write_png_to_func(sink, &out, width, height, components, texels.data(), width * components);
    else if (kind == FileKind::Bmp)
        stbi_write_bmp_to_func(sink, &out, width, height, components, texels.data());
    else {
        stbi_write_tga_with_rle = 0;
        stbi_write_tga_to_func(sink, &out, width, height, components, texels.data());
    }
    return out;
}

// An RGBA PNG of rows as given (each its filter byte, then the texels), packed by the writer's
// zlib and cut to the first keep bytes of the stream. The CRCs are left 0: no reader checks them.
std::vector<uint8_t> pngOfRows(uint8_t width, uint8_t height, const std::vector<uint8_t>& rows,
                               size_t keep = size_t(-1))
{
    int length = 0;
    unsigned char* packed = stbi_zlib_compress(const_cast<unsigned char*>(rows.data()), int(rows.size()), &length, 8);
    const std::vector<uint8_t> stream(packed, packed + std::min(size_t(length), keep));
    STBIW_FREE(packed);
    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&file](const char* tag, const std::vector<uint8_t>& body) {
        for (int shift = 24; shift >= 0; shift -= 8)
            file.push_back(uint8_t(body.size() >> shift));
        file.insert(file.end(), tag, tag + 4);
        file.insert(file.end(), body.begin(), body.end());
        file.insert(file.end(), 4, uint8_t(0));
    };
    chunk("IHDR", {0, 0, 0, width, 0, 0, 0, height, 8, 6, 0, 0, 0});
    chunk("IDAT", stream);
    chunk("IEND", {});
    return file;
}

void put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

// A DDS header for a 2D texture; fourCC 0 means 32-bit A8R8G8B8 masks.
std::vector<uint8_t> ddsHeader(uint32_t width, uint32_t height, uint32_t levels, uint32_t fourCC)
{
    std::vector<uint8_t> bytes(128, 0);
    std::memcpy(bytes.data(), "DDS ", 4);
    put32(bytes, 4, 124);
    put32(bytes, 8, 0x1007 | (levels > 1 ? 0x20000 : 0));
    put32(bytes, 12, height);
    put32(bytes, 16, width);
    put32(bytes, 28, levels);
    put32(bytes, 76, 32);
    if (fourCC) {
        put32(bytes, 80, 0x4);
        put32(bytes, 84, fourCC);
    } else {
        put32(bytes, 80, 0x41);
        put32(bytes, 88, 32);
        put32(bytes, 92, 0xFF0000);
        put32(bytes, 96, 0xFF00);
        put32(bytes, 100, 0xFF);
        put32(bytes, 104, 0xFF000000);
    }
    put32(bytes, 108, 0x1000);
    return bytes;
}

} // namespace

class D3DXTextureTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        ASSERT_TRUE(createDevice(16, 16));
    }

    // Sets the states for screen quads that show a texture's texels unfiltered, colour and alpha as they are.
    void showTexelsUnfiltered()
    {
        m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_device->SetFVF(kScreenVertexFvf);
    }

    IDirect3DTexture9* load(const std::vector<uint8_t>& file, UINT width, UINT height, UINT levels, D3DFORMAT format,
                            DWORD filter = D3DX_FILTER_NONE, D3DCOLOR key = 0, D3DXIMAGE_INFO* info = nullptr,
                            D3DPOOL pool = D3DPOOL_MANAGED)
    {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr =
            D3DXCreateTextureFromFileInMemoryEx(m_device, file.data(), UINT(file.size()), width, height, levels, 0,
                                                format, pool, filter, D3DX_DEFAULT, key, info, nullptr, &texture);
        EXPECT_EQ(hr, D3D_OK);
        return texture;
    }

    // Level texels as D3DCOLOR, for A8R8G8B8 and X8R8G8B8 textures.
    static std::vector<D3DCOLOR> texels(IDirect3DTexture9* texture, UINT level = 0)
    {
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(level, &desc);
        D3DLOCKED_RECT locked{};
        std::vector<D3DCOLOR> out;
        if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
            return out;
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x) {
                D3DCOLOR c;
                std::memcpy(&c, static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
                out.push_back(c);
            }
        texture->UnlockRect(level);
        return out;
    }
};

TEST_F(D3DXTextureTest, PngBmpAndTgaDecodeToExactTexelsWithFileInformation)
{
    const std::vector<D3DCOLOR> colours = {0xFFFF0000, 0x8000FF00, 0x400000FF, 0x00000000,
                                           0xFF102030, 0xFFFFFFFF, 0x7F7F7F7F, 0xC0123456};
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* png = load(imageFile(FileKind::Png, 4, 2, colours), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2,
                                  1, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, 0, &info);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    D3DSURFACE_DESC desc{};
    png->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texels(png), colours);
    png->Release();

    // Files without alpha report R8G8B8 and become X8R8G8B8 textures with opaque texels.
    std::vector<D3DCOLOR> opaque;
    for (D3DCOLOR c : colours)
        opaque.push_back(c | 0xFF000000);
    for (FileKind kind : {FileKind::Bmp, FileKind::Tga}) {
        const std::vector<uint8_t> file = imageFile(kind, 4, 2, colours, 3);
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
        EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
        EXPECT_EQ(info.ImageFileFormat, kind == FileKind::Bmp ? D3DXIFF_BMP : D3DXIFF_TGA);
        IDirect3DTexture9* texture = load(file, D3DX_FROM_FILE, D3DX_FROM_FILE, 1, D3DFMT_FROM_FILE, D3DX_FILTER_NONE);
        ASSERT_NE(texture, nullptr);
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
        EXPECT_EQ(texels(texture), opaque);
        texture->Release();
    }
}

TEST_F(D3DXTextureTest, JpegReportsX8R8G8B8)
{
    std::vector<uint8_t> file;
    auto sink = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    const std::vector<uint8_t> grey(8 * 8 * 3, 0x80);
    ASSERT_TRUE(stbi_write_jpg_to_func(sink, &file, 8, 8, 3, grey.data(), 100));
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = load(file, 0, 0, 1, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, 0, &info);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    for (D3DCOLOR c : texels(texture))
        EXPECT_TRUE(near(c, 0xFF808080, 2)) << hex(c);
    texture->Release();
}

TEST_F(D3DXTextureTest, ColourKeyBecomesTransparentBlackAndGainsAlpha)
{
    const std::vector<D3DCOLOR> colours = {0xFFFF00FF, 0xFF00FF00, 0xFFFF00FE, 0xFFFF00FF};
    IDirect3DTexture9* texture = load(imageFile(FileKind::Bmp, 2, 2, colours, 3), D3DX_DEFAULT_NONPOW2,
                                      D3DX_DEFAULT_NONPOW2, 1, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, 0xFFFF00FF);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texels(texture), (std::vector<D3DCOLOR>{0, 0xFF00FF00, 0xFFFF00FE, 0}));
    texture->Release();

    // DXT1 keeps keyed texels transparent (its one-bit alpha); decoded through a saved PNG.
    std::vector<D3DCOLOR> blockColours(16, 0xFFFF0000);
    for (int i = 0; i < 16; i += 3)
        blockColours[i] = 0xFFFF00FF;
    texture = load(imageFile(FileKind::Bmp, 4, 4, blockColours, 3), 4, 4, 1, D3DFMT_DXT1, D3DX_FILTER_NONE, 0xFFFF00FF);
    ASSERT_NE(texture, nullptr);
    TestSupport::TempDir dir;
    ASSERT_EQ(D3DXSaveTextureToFileW((dir / "dxt1.png").wstring().c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    texture->Release();
    texture = load(TestSupport::readBytes(dir / "dxt1.png"), 4, 4, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    for (D3DCOLOR& c : blockColours)
        c = c == 0xFFFF00FF ? 0 : c;
    EXPECT_EQ(texels(texture), blockColours);
    texture->Release();

    // The key compares alpha too: a key with alpha 0 misses opaque texels.
    texture = load(imageFile(FileKind::Bmp, 2, 2, colours, 3), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1,
                   D3DFMT_A8R8G8B8, D3DX_FILTER_NONE, 0x00FF00FF);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture), colours);
    texture->Release();
}

TEST_F(D3DXTextureTest, SizesRoundToPowersOfTwoAndResizeWithTheFilter)
{
    const std::vector<D3DCOLOR> colours = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
    const std::vector<uint8_t> file = imageFile(FileKind::Png, 3, 1, colours);
    // D3DX_DEFAULT rounds 3x1 up to 4x1 and builds the full chain.
    IDirect3DTexture9* texture =
        load(file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, D3DX_FILTER_POINT);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();

    // A requested size: point filtering repeats texels exactly.
    texture = load(file, 6, 2, 1, D3DFMT_A8R8G8B8, D3DX_FILTER_POINT);
    ASSERT_NE(texture, nullptr);
    const D3DCOLOR b = colours[0], g = colours[1], r = colours[2];
    EXPECT_EQ(texels(texture), (std::vector<D3DCOLOR>{b, b, g, g, r, r, b, b, g, g, r, r}));
    texture->Release();
    // No filter: the picture's top-left part in the corner, transparent black around it.
    texture = load(file, 4, 2, 1, D3DFMT_A8R8G8B8, D3DX_FILTER_NONE);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture), (std::vector<D3DCOLOR>{b, g, r, 0, 0, 0, 0, 0}));
    texture->Release();
    texture = load(file, 2, 2, 1, D3DFMT_A8R8G8B8, D3DX_FILTER_NONE);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture), (std::vector<D3DCOLOR>{b, g, 0, 0}));
    texture->Release();

    // Linear filtering of a flat image stays flat.
    texture = load(imageFile(FileKind::Png, 3, 3, std::vector<D3DCOLOR>(9, 0xFF336699)), 7, 5, 1, D3DFMT_A8R8G8B8,
                   D3DX_FILTER_LINEAR);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture), std::vector<D3DCOLOR>(35, 0xFF336699));
    texture->Release();
}

TEST_F(D3DXTextureTest, MipChainIsBoxFiltered)
{
    // 4x4 in 2x2 blocks of one colour each: level 1 holds the four colours, level 2 their mean.
    const D3DCOLOR a = 0xFF000000, b = 0xFF4080C0, c = 0x80FFFFFF, d = 0x00000000;
    const std::vector<D3DCOLOR> colours = {a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d};
    IDirect3DTexture9* texture =
        load(imageFile(FileKind::Png, 4, 4, colours), 0, 0, 0, D3DFMT_A8R8G8B8, D3DX_FILTER_NONE);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(texels(texture, 1), (std::vector<D3DCOLOR>{a, b, c, d}));
    const std::vector<D3DCOLOR> last = texels(texture, 2);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_TRUE(near(last[0], 0xA0506070, 1)) << hex(last[0]);
    texture->Release();

    // An explicit level count is kept; more levels than the chain has are cut to it.
    texture = load(imageFile(FileKind::Png, 4, 4, colours), 0, 0, 2, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
    texture->Release();
    texture = load(imageFile(FileKind::Png, 4, 4, colours), 0, 0, 9, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();
}

TEST_F(D3DXTextureTest, DdsDxt1IsCopiedOrDecoded)
{
    // One block: red and blue end points, texels using indices 0, 1, 2, 3 in turn.
    std::vector<uint8_t> file = ddsHeader(4, 4, 1, MAKEFOURCC('D', 'X', 'T', '1'));
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    file.insert(file.end(), block, block + 8);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_DXT1);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_EQ(info.Width, 4u);

    IDirect3DTexture9* texture = load(file, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DFMT_UNKNOWN);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(locked.pBits, block, 8), 0);
    texture->UnlockRect(0);
    texture->Release();

    texture = load(file, D3DX_FROM_FILE, D3DX_FROM_FILE, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    const std::vector<D3DCOLOR> row = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    std::vector<D3DCOLOR> expected;
    for (int y = 0; y < 4; ++y)
        expected.insert(expected.end(), row.begin(), row.end());
    EXPECT_EQ(texels(texture), expected);
    texture->Release();
}

TEST_F(D3DXTextureTest, DdsUncompressedKeepsItsLevels)
{
    std::vector<uint8_t> file = ddsHeader(2, 2, 2, 0);
    const std::vector<D3DCOLOR> top = {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00};
    const D3DCOLOR second = 0xFF123456; // Not the mean of the top: proves the file's level is used.
    for (D3DCOLOR c : top)
        for (int i = 0; i < 4; ++i)
            file.push_back(uint8_t(c >> (8 * i)));
    for (int i = 0; i < 4; ++i)
        file.push_back(uint8_t(second >> (8 * i)));
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture =
        load(file, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DFMT_FROM_FILE, D3DX_FILTER_NONE, 0, &info);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.MipLevels, 2u);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(texels(texture, 0), top);
    EXPECT_EQ(texels(texture, 1), std::vector<D3DCOLOR>{second});
    texture->Release();

    // Cube maps and volumes are reported as such.
    std::vector<uint8_t> cube = file;
    put32(cube, 112, 0xFE00);
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(cube.data(), UINT(cube.size()), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    std::vector<uint8_t> volume = file;
    put32(volume, 8, 0x1007 | 0x20000 | 0x800000);
    put32(volume, 24, 4);
    put32(volume, 112, 0x200000);
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(volume.data(), UINT(volume.size()), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(info.Depth, 4u);
    EXPECT_EQ(info.MipLevels, 2u);

    // A chain cut short keeps the complete levels; no level at all is invalid data.
    std::vector<uint8_t> cut(file.begin(), file.end() - 2);
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(cut.data(), UINT(cut.size()), &info), D3D_OK);
    texture = load(cut, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DX_FROM_FILE, D3DFMT_FROM_FILE);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture, 0), top);
    texture->Release();
}

TEST_F(D3DXTextureTest, BrokenFilesFailCleanly)
{
    std::vector<uint8_t> png = imageFile(FileKind::Png, 4, 4, std::vector<D3DCOLOR>(16, 0xFF00FF00));
    std::vector<uint8_t> dds = ddsHeader(8, 8, 1, MAKEFOURCC('D', 'X', 'T', '5'));
    // Whole chunks, but the compressed texels are noise: only decoding them finds out, and a
    // managed texture (written later) must still be refused now.
    std::vector<uint8_t> noise = png;
    const auto idat = std::search(noise.begin(), noise.end(), std::begin("IDAT"), std::end("IDAT") - 1);
    ASSERT_NE(idat, noise.end());
    const size_t length = size_t(idat[-4]) << 24 | size_t(idat[-3]) << 16 | size_t(idat[-2]) << 8 | idat[-1];
    std::fill(idat + 4, idat + 4 + ptrdiff_t(length), uint8_t(0xFF));
    const std::vector<std::vector<uint8_t>> broken = {
        {png.begin(), png.begin() + 40},
        noise,
        {dds.begin(), dds.begin() + 60},
        dds, // header without texels
        {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'},
    };
    for (const std::vector<uint8_t>& file : broken) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, file.data(), UINT(file.size()), 0, 0, 0, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                      nullptr, nullptr, &texture),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(texture, nullptr);
    }
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(nullptr, 0, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3DXTextureTest, ManagedPngsAreCheckedAtLoadAsTheDecoderReadsThem)
{
    // Managed textures only check the file at load and decode it on first use: for every row
    // filter and 8-bit layout they hold what a texture written at once holds.
    std::vector<D3DCOLOR> colours;
    for (uint32_t i = 0; i < 64; ++i)
        colours.push_back((i * 2654435761u) ^ (i << 26));
    for (int filter = 0; filter < 5; ++filter) {
        for (int components = 1; components <= 4; ++components) {
            stbi_write_force_png_filter = filter;
            const std::vector<uint8_t> png = imageFile(FileKind::Png, 8, 8, colours, components);
            IDirect3DTexture9* later = load(png, 8, 8, 1, D3DFMT_A8R8G8B8);
            IDirect3DTexture9* now =
                load(png, 8, 8, 1, D3DFMT_A8R8G8B8, D3DX_FILTER_NONE, 0, nullptr, D3DPOOL_SYSTEMMEM);
            ASSERT_TRUE(later && now);
            EXPECT_EQ(texels(later), texels(now)) << "filter " << filter << ", " << components << " components";
            later->Release();
            now->Release();
        }
    }
    stbi_write_force_png_filter = -1;

    // Streams that inflate but make no whole picture are refused at load, by both ways alike.
    std::vector<uint8_t> rows(3 * 17, 0x80);
    for (size_t row = 0; row < rows.size(); row += 17)
        rows[row] = uint8_t(row / 17); // none, sub, up
    std::vector<uint8_t> unknownFilter = rows, short_ = rows;
    unknownFilter[2 * 17] = 5;
    short_.resize(2 * 17);
    const std::vector<std::vector<uint8_t>> cases = {pngOfRows(4, 3, rows), pngOfRows(4, 3, unknownFilter),
                                                     pngOfRows(4, 3, short_), pngOfRows(4, 3, rows, 8)};
    for (size_t i = 0; i < cases.size(); ++i) {
        for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM}) {
            IDirect3DTexture9* texture = nullptr;
            const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(m_device, cases[i].data(), UINT(cases[i].size()), 0,
                                                                   0, 1, 0, D3DFMT_UNKNOWN, pool, D3DX_DEFAULT,
                                                                   D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
            EXPECT_EQ(hr, i == 0 ? D3D_OK : D3DXERR_INVALIDDATA) << "case " << i << ", pool " << pool;
            if (texture)
                texture->Release();
        }
    }
}

// Files checked on worker threads before their load give that load the same verdicts, sound or
// broken, and only to the very same bytes; once the checks end, loads check for themselves.
TEST_F(D3DXTextureTest, PngChecksMadeAheadServeOnlyLoadsOfTheSameBytes)
{
    std::vector<uint8_t> rows(3 * 17, 0x80);
    for (size_t row = 0; row < rows.size(); row += 17)
        rows[row] = uint8_t(row / 17);
    std::vector<uint8_t> unknownFilter = rows;
    unknownFilter[2 * 17] = 5;
    const std::vector<uint8_t> sound = pngOfRows(4, 3, rows), broken = pngOfRows(4, 3, unknownFilter);
    TestSupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Menu" / "Deep");
    auto write = [](const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    write(dir.path() / "sound.png", sound);
    write(dir.path() / "Menu" / "Deep" / "BROKEN.PNG", broken);
    for (int i = 0; i < 16; ++i) // enough files for helpers to join in
        write(dir.path() / "Menu" / ("copy" + std::to_string(i) + ".png"), sound);
    write(dir.path() / "notes.txt", broken);

    auto verdict = [this](const std::vector<uint8_t>& bytes) {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(m_device, bytes.data(), UINT(bytes.size()), 0, 0, 1, 0,
                                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                               D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
        if (texture)
            texture->Release();
        return hr;
    };
    PlatformStartImageChecksAhead(dir.path().wstring());
    D3DXImage::waitForChecksAhead();
    const unsigned before = D3DXImage::checksAheadRecalled();
    EXPECT_EQ(verdict(sound), D3D_OK);
    EXPECT_EQ(verdict(broken), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);

    // Bytes no file held are checked at their load.
    std::vector<uint8_t> shortRows = rows;
    shortRows.resize(2 * 17);
    EXPECT_EQ(verdict(pngOfRows(4, 3, shortRows)), D3DXERR_INVALIDDATA);
    EXPECT_EQ(verdict(pngOfRows(4, 3, rows, 8)), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);

    PlatformEndImageChecksAhead();
    PlatformEndImageChecksAhead(); // twice is harmless
    EXPECT_EQ(verdict(sound), D3D_OK);
    EXPECT_EQ(verdict(broken), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);

    // A folder that is not there checks nothing.
    PlatformStartImageChecksAhead((dir.path() / "missing").wstring());
    D3DXImage::waitForChecksAhead();
    EXPECT_EQ(verdict(sound), D3D_OK);
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);
    PlatformEndImageChecksAhead();
}

// Verdicts kept in a file between starts: a later start reads and checks only the files that
// changed, and loads still get the same verdicts; a damaged or missing file checks everything.
TEST_F(D3DXTextureTest, PngVerdictsKeptBetweenStartsSpareTheUnchangedFiles)
{
    std::vector<uint8_t> rows(3 * 17, 0x80);
    for (size_t row = 0; row < rows.size(); row += 17)
        rows[row] = uint8_t(row / 17);
    std::vector<uint8_t> unknownFilter = rows;
    unknownFilter[17] = 7;
    const std::vector<uint8_t> sound = pngOfRows(4, 3, rows), broken = pngOfRows(4, 3, unknownFilter);
    TestSupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "data" / "Sub dir");
    auto write = [](const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    write(dir.path() / "data" / "a.png", sound);
    write(dir.path() / "data" / "Sub dir" / "b c.png", broken);
    write(dir.path() / "data" / "gone.png", sound);
    const std::filesystem::path kept = dir.path() / "cache" / "image-checks";
    auto start = [&] {
        PlatformEndImageChecksAhead();
        PlatformStartImageChecksAhead((dir.path() / "data").wstring(), kept.wstring());
        D3DXImage::waitForChecksAhead();
        return D3DXImage::checksAheadInflated();
    };
    auto verdict = [this](const std::vector<uint8_t>& bytes) {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(m_device, bytes.data(), UINT(bytes.size()), 0, 0, 1, 0,
                                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                               D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
        if (texture)
            texture->Release();
        return hr;
    };

    EXPECT_EQ(start(), 3u);
    ASSERT_TRUE(std::filesystem::exists(kept));
    EXPECT_EQ(start(), 0u);
    const unsigned before = D3DXImage::checksAheadRecalled();
    EXPECT_EQ(verdict(sound), D3D_OK);
    EXPECT_EQ(verdict(broken), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);

    // A changed file is checked again, its new verdict served and kept; a removed one forgotten.
    const std::filesystem::path changed = dir.path() / "data" / "Sub dir" / "b c.png";
    const auto time = std::filesystem::last_write_time(changed);
    write(changed, sound);
    std::filesystem::last_write_time(changed, time + std::chrono::seconds(2)); // whatever the clock's steps
    std::filesystem::remove(dir.path() / "data" / "gone.png");
    EXPECT_EQ(start(), 1u);
    EXPECT_EQ(verdict(broken), D3DXERR_INVALIDDATA); // no file holds these bytes now: checked at its load
    EXPECT_EQ(D3DXImage::checksAheadRecalled(), before + 2);
    EXPECT_EQ(start(), 0u);
    std::ifstream in(kept);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("gone.png"), std::string::npos);
    EXPECT_NE(text.find(" Sub dir/b c.png\n"), std::string::npos);

    // Damaged kept verdicts are not trusted.
    std::ofstream(kept, std::ios::trunc) << "image checks 1\n12 x y z 0 a.png\n999999 1 2 3 9 Sub dir/b c.png\n";
    EXPECT_EQ(start(), 2u);
    std::ofstream(kept, std::ios::trunc) << "something else\n";
    EXPECT_EQ(start(), 2u);
    EXPECT_EQ(verdict(sound), D3D_OK);
    PlatformEndImageChecksAhead();
}

TEST_F(D3DXTextureTest, ManagedTexturesAreWrittenOnFirstUseOnly)
{
    const std::vector<D3DCOLOR> colours{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    const std::vector<uint8_t> png = imageFile(FileKind::Png, 2, 2, colours);
    auto object = [](IDirect3DTexture9* texture) { return D3D9Internal::textureObject(texture); };

    // Never used: no storage in GL; released so, it leaves nothing behind.
    IDirect3DTexture9* unused = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(unused, nullptr);
    EXPECT_TRUE(object(unused)->contentPending());
    EXPECT_EQ(object(unused)->glTexture(), 0u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(unused->GetLevelDesc(0, &desc), D3D_OK); // known without the texels
    EXPECT_EQ(desc.Width, 2u);
    unused->Release();

    // Drawn: written when set, the file's texels on screen (point-sampled into four quadrants).
    IDirect3DTexture9* drawn = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(drawn, nullptr);
    m_device->SetTexture(0, drawn);
    EXPECT_FALSE(object(drawn)->contentPending());
    EXPECT_NE(object(drawn)->glTexture(), 0u);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetFVF(kScreenVertexFvf);
    ScreenVertex quad[4];
    screenQuad(quad, 0, 0, 16, 16, 0xFFFFFFFF);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    const Image image = readBackBuffer();
    EXPECT_TRUE(near(image.at(4, 4), colours[0])) << hex(image.at(4, 4));
    EXPECT_TRUE(near(image.at(12, 4), colours[1])) << hex(image.at(12, 4));
    EXPECT_TRUE(near(image.at(4, 12), colours[2])) << hex(image.at(4, 12));
    m_device->SetTexture(0, nullptr);
    drawn->Release();

    // A level handed out shows the texels; automatic mipmaps are made from them.
    IDirect3DTexture9* level = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, png.data(), UINT(png.size()), 0, 0, 1,
                                                  D3DUSAGE_AUTOGENMIPMAP, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_FILTER_NONE, D3DX_DEFAULT, 0, nullptr, nullptr, &level),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(level->GetSurfaceLevel(0, &surface), D3D_OK);
    EXPECT_FALSE(object(level)->contentPending());
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    D3DCOLOR first = 0;
    std::memcpy(&first, locked.pBits, 4);
    EXPECT_EQ(first, colours[0]);
    surface->UnlockRect();
    surface->Release();
    level->Release();

    // Other pools are written at once.
    IDirect3DTexture9* memory = load(png, 2, 2, 1, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, 0, nullptr, D3DPOOL_SYSTEMMEM);
    ASSERT_NE(memory, nullptr);
    EXPECT_FALSE(object(memory)->contentPending());
    EXPECT_EQ(texels(memory), colours);
    memory->Release();
}

// The loader makes a managed picture's texture without storage, its texels following: should
// none follow, its first use still finds it whole (blank), and other pools get storage at once.
TEST_F(D3DXTextureTest, ATextureMadeAwaitingItsTexelsIsWholeAtFirstUseEvenWithoutThem)
{
    auto object = [](IDirect3DTexture9* texture) { return D3D9Internal::textureObject(texture); };
    IDirect3DTexture9* waiting = nullptr;
    ASSERT_EQ(
        D3D9Internal::createTextureAwaitingContent(m_device, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &waiting),
        D3D_OK);
    EXPECT_TRUE(object(waiting)->contentPending());
    EXPECT_EQ(object(waiting)->glTexture(), 0u);
    EXPECT_EQ(texels(waiting), std::vector<D3DCOLOR>(4, 0u));
    EXPECT_NE(object(waiting)->glTexture(), 0u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(waiting->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const std::vector<D3DCOLOR> written{0xFF102030, 0xFF405060, 0x80708090, 0x00A0B0C0};
    for (int y = 0; y < 2; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, written.data() + y * 2, 8);
    ASSERT_EQ(waiting->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texels(waiting), written);
    waiting->Release();

    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(D3D9Internal::createTextureAwaitingContent(m_device, 2, 2, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                         D3DPOOL_DEFAULT, &target),
              D3D_OK);
    EXPECT_FALSE(object(target)->contentPending());
    EXPECT_NE(object(target)->glTexture(), 0u);
    target->Release();
}

TEST_F(D3DXTextureTest, UnusedManagedPicturesGiveBackTheirStorageAndComeBackFromTheirFile)
{
    const std::vector<D3DCOLOR> colours{0xFFFF0000, 0x8000FF00, 0x400000FF, 0xFFFFFFFF};
    const std::vector<uint8_t> png = imageFile(FileKind::Png, 2, 2, colours);
    auto object = [](IDirect3DTexture9* texture) { return D3D9Internal::textureObject(texture); };
    auto level0 = [](IDirect3DTexture9* texture) {
        return static_cast<D3D9Internal::Texture*>(D3D9Internal::textureObject(texture))->level(0);
    };
    showTexelsUnfiltered();
    auto draw = [&](IDirect3DTexture9* texture) {
        m_device->SetTexture(0, texture);
        ScreenVertex quad[4];
        screenQuad(quad, 0, 0, 16, 16, 0xFFFFFFFF);
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
        const Image image = readBackBuffer();
        return std::vector<D3DCOLOR>{image.at(4, 4), image.at(12, 4), image.at(4, 12), image.at(12, 12)};
    };

    IDirect3DTexture9* picture = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    IDirect3DTexture9* edited = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(edited, nullptr);
    const std::vector<D3DCOLOR> first = draw(picture);
    EXPECT_FALSE(level0(picture)->image().keepsMemory()); // GL holds the only copy

    // Written outside its fill, a picture can no longer be read again from its file.
    m_device->SetTexture(0, edited);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(edited->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<D3DCOLOR*>(locked.pBits)[0] = 0xFF123456;
    edited->UnlockRect(0);

    // Still set on a stage, a picture keeps its storage: a draw may use it without setting it.
    m_device->SetTexture(0, picture);
    ASSERT_EQ(m_device->EvictManagedResources(), D3D_OK);
    EXPECT_NE(object(picture)->glTexture(), 0u);
    m_device->SetTexture(0, nullptr);
    ASSERT_EQ(m_device->EvictManagedResources(), D3D_OK);
    EXPECT_TRUE(object(picture)->contentPending());
    EXPECT_EQ(object(picture)->glTexture(), 0u);
    EXPECT_NE(object(edited)->glTexture(), 0u);
    EXPECT_EQ(texels(edited)[0], 0xFF123456u);

    // Used again: written from the file as the first time, and its memory copy let go again.
    EXPECT_EQ(draw(picture), first);
    EXPECT_FALSE(level0(picture)->image().keepsMemory());
    EXPECT_EQ(texels(picture), colours);

    // Not drawn for two sweeps of the device's frames, it goes on its own; drawn every frame, never.
    m_device->SetTexture(0, nullptr);
    IDirect3DTexture9* every = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    for (unsigned frame = 0;
         frame < D3D9Internal::BaseTextureObject::kSweepScenes * (D3D9Internal::BaseTextureObject::kIdleSweeps + 1);
         ++frame) {
        m_device->BeginScene();
        m_device->SetTexture(0, every);
        m_device->SetTexture(0, nullptr);
        m_device->EndScene();
    }
    EXPECT_TRUE(object(picture)->contentPending());
    EXPECT_FALSE(object(every)->contentPending());

    // A reset keeps both kinds: the one waiting for its file and the one in GL.
    D3DPRESENT_PARAMETERS params = m_params;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    showTexelsUnfiltered();
    EXPECT_EQ(draw(picture), first);
    EXPECT_EQ(draw(every), first);
    m_device->SetTexture(0, nullptr);
    every->Release();
    edited->Release();
    picture->Release();
}

TEST_F(D3DXTextureTest, ManagedPicturesWithAReaderReadTheirFileAgainAtEachFill)
{
    const std::vector<D3DCOLOR> colours{0xFFFF0000, 0x8000FF00, 0x400000FF, 0xFFFFFFFF};
    const std::vector<uint8_t> png = imageFile(FileKind::Png, 2, 2, colours);
    int reads = 0;
    bool readable = true;
    PlatformSetNextImageReader([&](std::vector<unsigned char>& bytes) {
        ++reads;
        if (readable)
            bytes = png;
        return readable;
    });
    IDirect3DTexture9* picture = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(picture, nullptr);
    // The reader belongs to that load alone: the next one keeps its own copy of the file.
    IDirect3DTexture9* other = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(texels(other), colours);
    EXPECT_EQ(reads, 0);

    EXPECT_EQ(texels(picture), colours);
    EXPECT_EQ(reads, 1);
    ASSERT_EQ(m_device->EvictManagedResources(), D3D_OK);
    EXPECT_EQ(texels(picture), colours);
    EXPECT_EQ(reads, 2);

    // A file gone since: a line says so and the picture is blank; it is tried again at the next fill.
    readable = false;
    ASSERT_EQ(m_device->EvictManagedResources(), D3D_OK);
    testing::internal::CaptureStderr();
    const std::vector<D3DCOLOR> blank = texels(picture);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be read again"), std::string::npos);
    EXPECT_EQ(blank.size(), colours.size());
    EXPECT_NE(blank, colours);
    readable = true;
    ASSERT_EQ(m_device->EvictManagedResources(), D3D_OK);
    EXPECT_EQ(texels(picture), colours);
    EXPECT_EQ(reads, 4);

    // A reader set for a load that fails is not left for the next.
    PlatformSetNextImageReader([&](std::vector<unsigned char>&) { return ++reads, false; });
    IDirect3DTexture9* refused = nullptr;
    EXPECT_NE(D3DXCreateTextureFromFileInMemoryEx(m_device, png.data(), 0, 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_FILTER_NONE, D3DX_DEFAULT, 0, nullptr, nullptr, &refused),
              D3D_OK);
    IDirect3DTexture9* after = load(png, 2, 2, 1, D3DFMT_UNKNOWN);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(texels(after), colours);
    EXPECT_EQ(reads, 4);
    after->Release();
    other->Release();
    picture->Release();
}

TEST_F(D3DXTextureTest, HeadersAskingForHugeAllocationsAreRefusedBeforeDecoding)
{
    // A TGA header of 65535 x 65535 texels with no texels behind it.
    std::vector<uint8_t> tga(18 + 16, 0);
    tga[2] = 2;
    tga[12] = tga[13] = tga[14] = tga[15] = 0xFF;
    tga[16] = 32;
    // A PNG whose second chunk claims two gigabytes.
    std::vector<uint8_t> png = imageFile(FileKind::Png, 2, 2, std::vector<D3DCOLOR>(4, 0xFF00FF00));
    const size_t secondChunk = 8 + 12 + 13;
    put32(png, secondChunk, 0xFFFFFF7F); // big-endian 0x7FFFFFFF
    const struct {
        std::vector<uint8_t> file;
        const char* log;
    } cases[] = {{tga, "too large"}, {png, "runs past the end"}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, c.file.data(), UINT(c.file.size()), 0, 0, 0, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                      nullptr, nullptr, &texture),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(texture, nullptr);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find(c.log), std::string::npos) << log;
    }
}

TEST_F(D3DXTextureTest, CreateTextureAppliesDefaults)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTexture(m_device, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Height, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 9u);
    texture->Release();
    // Block formats get whole blocks.
    ASSERT_EQ(D3DXCreateTexture(m_device, 5, 6, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &texture), D3D_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 8u);
    texture->Release();

    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTexture(m_device, 8, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    EXPECT_EQ(cube->GetLevelCount(), 4u);
    cube->Release();
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(D3DXCreateVolumeTexture(m_device, 4, 2, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume), D3D_OK);
    D3DVOLUME_DESC volumeDesc{};
    volume->GetLevelDesc(0, &volumeDesc);
    EXPECT_EQ(volumeDesc.Depth, 8u);
    EXPECT_EQ(volume->GetLevelCount(), 4u);
    volume->Release();
}

TEST_F(D3DXTextureTest, DefaultPoolAndCompressedTargetsAreFilled)
{
    // A default-pool texture cannot be locked: it is filled through a system-memory copy and read
    // back here by saving it.
    const std::vector<D3DCOLOR> colours = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    const std::vector<uint8_t> file = imageFile(FileKind::Png, 2, 2, colours);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, file.data(), UINT(file.size()), 4, 4, 1,
                                                  D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                                  D3DX_FILTER_POINT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
              D3D_OK);
    TestSupport::TempDir dir;
    const std::filesystem::path path = dir / "target.png";
    ASSERT_EQ(D3DXSaveTextureToFileW(path.wstring().c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    texture->Release();
    int width = 0, height = 0, components = 0;
    const std::vector<uint8_t> png = TestSupport::readBytes(path);
    stbi_uc* saved = stbi_load_from_memory(png.data(), int(png.size()), &width, &height, &components, 4);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(std::vector<uint8_t>(saved, saved + 4), rgba({colours[0]}));
    EXPECT_EQ(std::vector<uint8_t>(saved + 15 * 4, saved + 16 * 4), rgba({colours[3]}));
    stbi_image_free(saved);

    // Every level of a default-pool chain is filled.
    const std::vector<uint8_t> flat = imageFile(FileKind::Png, 4, 4, std::vector<D3DCOLOR>(16, 0xFF204060));
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_device, flat.data(), UINT(flat.size()), 0, 0, 0,
                                                  D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
              D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &level), D3D_OK);
    ASSERT_EQ(D3DXSaveSurfaceToFileW(path.wstring().c_str(), D3DXIFF_PNG, level, nullptr, nullptr), D3D_OK);
    level->Release();
    texture->Release();
    texture = load(TestSupport::readBytes(path), D3DX_FROM_FILE, D3DX_FROM_FILE, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texels(texture), std::vector<D3DCOLOR>(4, 0xFF204060));
    texture->Release();

    // DXT5 from a PNG: flat blocks survive compression exactly.
    texture = load(imageFile(FileKind::Png, 4, 4, std::vector<D3DCOLOR>(16, 0x80FF0000)), 0, 0, 1, D3DFMT_DXT5);
    ASSERT_NE(texture, nullptr);
    IDirect3DTexture9* copy = nullptr;
    ASSERT_EQ(D3DXCreateTexture(m_device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &copy), D3D_OK);
    const std::filesystem::path dxtPath = dir / "dxt.png";
    ASSERT_EQ(D3DXSaveTextureToFileW(dxtPath.wstring().c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    const std::vector<uint8_t> dxtPng = TestSupport::readBytes(dxtPath);
    IDirect3DTexture9* reloaded = load(dxtPng, 0, 0, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(texels(reloaded), std::vector<D3DCOLOR>(16, 0x80FF0000));
    reloaded->Release();
    copy->Release();
    texture->Release();
}

TEST_F(D3DXTextureTest, SaveToPngRoundTripsAndRefusesOtherFormats)
{
    const std::vector<D3DCOLOR> colours = {0x00000000, 0x80FF8040, 0xFF010203, 0x7FFFFFFF, 0xFF000000, 0x12345678};
    IDirect3DTexture9* texture =
        load(imageFile(FileKind::Png, 3, 2, colours), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    TestSupport::TempDir dir;
    const std::wstring path = (dir / "Saved.png").wstring();
    ASSERT_EQ(D3DXSaveTextureToFileW(path.c_str(), D3DXIFF_PNG, texture, nullptr), D3D_OK);
    EXPECT_EQ(D3DXSaveTextureToFileW(path.c_str(), D3DXIFF_BMP, texture, nullptr), D3DERR_INVALIDCALL);
    const std::vector<uint8_t> file = TestSupport::readBytes(dir / "Saved.png");
    IDirect3DTexture9* reloaded = load(file, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(texels(reloaded), colours);
    reloaded->Release();

    // A part of a surface; rectangles outside it are refused.
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    const RECT part = {1, 1, 3, 2};
    ASSERT_EQ(D3DXSaveSurfaceToFileW(path.c_str(), D3DXIFF_PNG, surface, nullptr, &part), D3D_OK);
    const RECT outside = {2, 0, 4, 1};
    EXPECT_EQ(D3DXSaveSurfaceToFileW(path.c_str(), D3DXIFF_PNG, surface, nullptr, &outside), D3DERR_INVALIDCALL);
    surface->Release();
    reloaded =
        load(TestSupport::readBytes(dir / "Saved.png"), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, D3DFMT_A8R8G8B8);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(texels(reloaded), (std::vector<D3DCOLOR>{colours[4], colours[5]}));
    reloaded->Release();
    texture->Release();
}
