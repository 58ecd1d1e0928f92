// Cube and volume textures from DDS files built in memory: faces and slices in the right place,
// stored levels kept, generated levels filtered, conversions, and refusal of files of the
// wrong kind or cut short.
#include "D3D9TestSupport.h"

#include <d3dx9.h>

#include <cstring>

using namespace D3D9Testing;

namespace {

constexpr DWORD kCube = 0x200, kVolume = 0x200000, kAllFaces = 0xFC00;

void put(std::vector<uint8_t>& out, size_t offset, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = uint8_t(value >> (8 * i));
}

// A DDS header for A8R8G8B8 texels (or DXT1 when fourCC is set).
std::vector<uint8_t> ddsHeader(UINT width, UINT height, UINT depth, UINT levels, DWORD caps2, DWORD fourCC = 0)
{
    std::vector<uint8_t> out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    const size_t h = 4;
    put(out, h, 124);
    DWORD flags = 0x1 | 0x2 | 0x4 | 0x1000;
    if (levels > 1)
        flags |= 0x20000;
    if (caps2 & kVolume)
        flags |= 0x800000;
    put(out, h + 4, flags);
    put(out, h + 8, height);
    put(out, h + 12, width);
    put(out, h + 20, depth);
    put(out, h + 24, levels);
    put(out, h + 72, 32);
    if (fourCC) {
        put(out, h + 76, 0x4);
        put(out, h + 80, fourCC);
    } else {
        put(out, h + 76, 0x40 | 0x1);
        put(out, h + 84, 32);
        put(out, h + 88, 0xFF0000);
        put(out, h + 92, 0xFF00);
        put(out, h + 96, 0xFF);
        put(out, h + 100, 0xFF000000);
    }
    put(out, h + 104, 0x1000 | (levels > 1 ? 0x400008 : 0) | (caps2 ? 0x8 : 0));
    put(out, h + 108, caps2);
    return out;
}

void appendSolid(std::vector<uint8_t>& out, UINT texels, D3DCOLOR colour)
{
    for (UINT i = 0; i < texels; ++i)
        for (int b = 0; b < 4; ++b)
            out.push_back(uint8_t(colour >> (8 * b)));
}

const D3DCOLOR kFaceColours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

// A 4x4 cube map, each face one colour; with two levels the second level of a face is its
// colour with the top byte 0x80.
std::vector<uint8_t> cubeFile(UINT levels = 1, DWORD faces = kAllFaces)
{
    std::vector<uint8_t> file = ddsHeader(4, 4, 1, levels, kCube | faces);
    for (int face = 0; face < 6; ++face) {
        if (!(faces & (0x400u << face)))
            continue;
        appendSolid(file, 16, kFaceColours[face]);
        if (levels > 1)
            appendSolid(file, 4, (kFaceColours[face] & 0xFFFFFF) | 0x80000000);
    }
    return file;
}

D3DCOLOR cubeTexel(IDirect3DCubeTexture9* cube, int face, UINT level, UINT x, UINT y)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(cube->LockRect(D3DCUBEMAP_FACES(face), level, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xDEADBEEF;
    D3DCOLOR c;
    std::memcpy(&c, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
    cube->UnlockRect(D3DCUBEMAP_FACES(face), level);
    return c;
}

D3DCOLOR volumeTexel(IDirect3DVolumeTexture9* volume, UINT level, UINT x, UINT y, UINT z)
{
    D3DLOCKED_BOX locked{};
    if (FAILED(volume->LockBox(level, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xDEADBEEF;
    D3DCOLOR c;
    std::memcpy(&c, static_cast<const uint8_t*>(locked.pBits) + z * locked.SlicePitch + y * locked.RowPitch + x * 4, 4);
    volume->UnlockBox(level);
    return c;
}

} // namespace

class D3DXCubeVolumeTextureTest : public DeviceFixture {
protected:
    HRESULT loadCube(const std::vector<uint8_t>& file, UINT levels, IDirect3DCubeTexture9** cube,
                     D3DXIMAGE_INFO* info = nullptr, D3DCOLOR key = 0)
    {
        return D3DXCreateCubeTextureFromFileInMemoryEx(m_device, file.data(), UINT(file.size()), D3DX_DEFAULT, levels,
                                                       0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                       D3DX_FILTER_NONE, key, info, nullptr, cube);
    }
    HRESULT loadVolume(const std::vector<uint8_t>& file, UINT levels, IDirect3DVolumeTexture9** volume,
                       DWORD mipFilter = D3DX_FILTER_NONE, D3DXIMAGE_INFO* info = nullptr,
                       D3DPOOL pool = D3DPOOL_MANAGED)
    {
        return D3DXCreateVolumeTextureFromFileInMemoryEx(m_device, file.data(), UINT(file.size()), D3DX_DEFAULT,
                                                         D3DX_DEFAULT, D3DX_DEFAULT, levels, 0, D3DFMT_UNKNOWN, pool,
                                                         D3DX_FILTER_NONE, mipFilter, 0, info, nullptr, volume);
    }
};

TEST_F(D3DXCubeVolumeTextureTest, CubeFacesLandOnTheirFacesWithTheFilesInformation)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DCubeTexture9* cube = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(loadCube(cubeFile(), 1, &cube, &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(cube->GetLevelCount(), 1u);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(cubeTexel(cube, face, 0, 0, 0), kFaceColours[face]) << "face " << face;
        EXPECT_EQ(cubeTexel(cube, face, 0, 3, 3), kFaceColours[face]) << "face " << face;
    }
    cube->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, CubeKeepsStoredLevelsAndAppliesTheColourKey)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(loadCube(cubeFile(2), D3DX_FROM_FILE, &cube), D3D_OK);
    ASSERT_EQ(cube->GetLevelCount(), 2u);
    EXPECT_EQ(cubeTexel(cube, 3, 1, 1, 1), 0x80FFFF00u);
    EXPECT_EQ(cubeTexel(cube, 5, 0, 2, 2), 0xFFFF00FFu);
    cube->Release();

    // A colour key on the +X colour clears that face only.
    ASSERT_EQ(loadCube(cubeFile(), 1, &cube, nullptr, 0xFFFF0000), D3D_OK);
    EXPECT_EQ(cubeTexel(cube, 0, 0, 1, 1), 0x00000000u);
    EXPECT_EQ(cubeTexel(cube, 1, 0, 1, 1), 0xFF00FF00u);
    cube->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, CubeMissingFacesAreTransparentBlack)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DCubeTexture9* cube = nullptr;
    const DWORD faces = 0x400 | 0x8000; // +X and -Z
    ASSERT_EQ(loadCube(cubeFile(1, faces), 1, &cube), D3D_OK);
    EXPECT_EQ(cubeTexel(cube, 0, 0, 0, 0), kFaceColours[0]);
    EXPECT_EQ(cubeTexel(cube, 5, 0, 0, 0), kFaceColours[5]);
    for (int face = 1; face < 5; ++face)
        EXPECT_EQ(cubeTexel(cube, face, 0, 2, 2), 0u) << "face " << face;
    cube->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, CompressedCubeFacesAreCopiedAsStored)
{
    ASSERT_TRUE(createDevice(16, 16));
    std::vector<uint8_t> file = ddsHeader(4, 4, 1, 1, kCube | kAllFaces, D3DFMT_DXT1);
    for (int face = 0; face < 6; ++face) {
        const uint8_t block[8] = {uint8_t(face * 40), 0xF8, 0x1F, 0x00, 0x55, 0xAA, 0x55, uint8_t(face)};
        file.insert(file.end(), block, block + 8);
    }
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(loadCube(file, 1, &cube), D3D_OK);
    D3DSURFACE_DESC desc{};
    cube->GetLevelDesc(0, &desc);
    ASSERT_EQ(desc.Format, D3DFMT_DXT1);
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(face), 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(std::memcmp(locked.pBits, &file[128 + face * 8], 8), 0) << "face " << face;
        cube->UnlockRect(D3DCUBEMAP_FACES(face), 0);
    }
    cube->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, CubeFromAnythingButACubeFileIsRefused)
{
    ASSERT_TRUE(createDevice(16, 16));
    IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(1);
    std::vector<uint8_t> flat = ddsHeader(4, 4, 1, 1, 0);
    appendSolid(flat, 16, 0xFF102030);
    EXPECT_EQ(loadCube(flat, 1, &cube), D3DXERR_INVALIDDATA);
    EXPECT_EQ(cube, nullptr);
    std::vector<uint8_t> cut = cubeFile();
    cut.resize(cut.size() - 1); // the last face one byte short
    EXPECT_EQ(loadCube(cut, 1, &cube), D3DXERR_INVALIDDATA);
    std::vector<uint8_t> garbage(300, 0x5A);
    EXPECT_EQ(loadCube(garbage, 1, &cube), D3DXERR_INVALIDDATA);
    std::vector<uint8_t> headerOnly = ddsHeader(4, 4, 1, 1, kCube | kAllFaces);
    EXPECT_EQ(loadCube(headerOnly, 1, &cube), D3DXERR_INVALIDDATA);
    // A truncated chain keeps the levels every face has complete.
    std::vector<uint8_t> shortChain = cubeFile(2);
    shortChain.resize(shortChain.size() - 4);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(loadCube(shortChain, D3DX_FROM_FILE, &cube, &info), D3D_OK);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(cubeTexel(cube, 5, 0, 0, 0), kFaceColours[5]);
    cube->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, VolumeSlicesAndStoredLevelsLandInPlace)
{
    ASSERT_TRUE(createDevice(16, 16));
    const D3DCOLOR slices[4] = {0xFF100000, 0xFF002000, 0xFF000030, 0xFF404040};
    std::vector<uint8_t> file = ddsHeader(4, 4, 4, 2, kVolume);
    for (D3DCOLOR c : slices)
        appendSolid(file, 16, c);
    appendSolid(file, 4, 0x80A0B0C0); // level 1, slice 0
    appendSolid(file, 4, 0x80C0B0A0); // level 1, slice 1
    IDirect3DVolumeTexture9* volume = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(loadVolume(file, D3DX_FROM_FILE, &volume, D3DX_FILTER_NONE, &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(info.Depth, 4u);
    EXPECT_EQ(info.MipLevels, 2u);
    ASSERT_EQ(volume->GetLevelCount(), 2u);
    for (UINT z = 0; z < 4; ++z)
        EXPECT_EQ(volumeTexel(volume, 0, 3, 1, z), slices[z]) << "slice " << z;
    EXPECT_EQ(volumeTexel(volume, 1, 1, 1, 0), 0x80A0B0C0u);
    EXPECT_EQ(volumeTexel(volume, 1, 0, 0, 1), 0x80C0B0A0u);
    volume->Release();

    // The default pool goes through a staging copy.
    ASSERT_EQ(loadVolume(file, 1, &volume, D3DX_FILTER_NONE, nullptr, D3DPOOL_DEFAULT), D3D_OK);
    D3DVOLUME_DESC desc{};
    volume->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Depth, 4u);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    volume->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, VolumeLevelsAreFilteredAcrossSlices)
{
    ASSERT_TRUE(createDevice(16, 16));
    std::vector<uint8_t> file = ddsHeader(4, 4, 2, 1, kVolume);
    appendSolid(file, 16, 0xFFFF0000);
    appendSolid(file, 16, 0xFF0000FF);
    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(loadVolume(file, 0, &volume, D3DX_FILTER_BOX), D3D_OK);
    ASSERT_EQ(volume->GetLevelCount(), 3u);
    D3DVOLUME_DESC desc{};
    volume->GetLevelDesc(1, &desc);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Depth, 1u);
    EXPECT_TRUE(near(volumeTexel(volume, 1, 1, 1, 0), 0xFF800080, 1)) << hex(volumeTexel(volume, 1, 1, 1, 0));
    EXPECT_TRUE(near(volumeTexel(volume, 2, 0, 0, 0), 0xFF800080, 1)) << hex(volumeTexel(volume, 2, 0, 0, 0));
    volume->Release();
}

TEST_F(D3DXCubeVolumeTextureTest, VolumeFromAFlatImageIsOneSliceAndCubeFilesAreRefused)
{
    ASSERT_TRUE(createDevice(16, 16));
    std::vector<uint8_t> flat = ddsHeader(4, 2, 1, 1, 0);
    appendSolid(flat, 8, 0xFF336699);
    IDirect3DVolumeTexture9* volume = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(loadVolume(flat, 1, &volume, D3DX_FILTER_NONE, &info), D3D_OK);
    EXPECT_EQ(info.Depth, 1u);
    D3DVOLUME_DESC desc{};
    volume->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Depth, 1u);
    EXPECT_EQ(volumeTexel(volume, 0, 3, 1, 0), 0xFF336699u);
    volume->Release();

    volume = reinterpret_cast<IDirect3DVolumeTexture9*>(1);
    EXPECT_EQ(loadVolume(cubeFile(), 1, &volume), D3DXERR_INVALIDDATA);
    EXPECT_EQ(volume, nullptr);
    std::vector<uint8_t> cut = ddsHeader(4, 4, 4, 1, kVolume);
    appendSolid(cut, 16 * 3, 0xFF000000); // one slice missing
    EXPECT_EQ(loadVolume(cut, 1, &volume), D3DXERR_INVALIDDATA);
    std::vector<uint8_t> tiny{'D', 'D', 'S', ' ', 1};
    EXPECT_EQ(loadVolume(tiny, 1, &volume), D3DXERR_INVALIDDATA);
}
