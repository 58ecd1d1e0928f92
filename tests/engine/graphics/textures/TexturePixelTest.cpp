// Texel access on real device textures: creation sizes, locking with checked
// areas, one-texel reads and writes, sampling and the alpha mask.
#include "GraphicsTestSupport.h"

#include "graphics/textures/Texture2D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace Ulvo;

namespace {

// A texture in CPU memory that records its locks and, like a driver may,
// really throws the contents away on D3DLOCK_DISCARD.
class RecordingTexture : public IDirect3DTexture9 {
public:
    RecordingTexture(UINT width, UINT height, D3DFORMAT format, UINT bytesPerTexel)
        : m_width(width)
        , m_height(height)
        , m_format(format)
        , m_bytes(bytesPerTexel)
        , data(static_cast<size_t>(width) * height * bytesPerTexel, 0)
    {
    }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_FAIL; }
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_FAIL; }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return E_FAIL; }
    HRESULT FreePrivateData(REFGUID) override { return E_FAIL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return S_OK; }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
    void GenerateMipSubLevels() override {}
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override
    {
        if (level != 0)
            return D3DERR_INVALIDCALL;
        *desc = D3DSURFACE_DESC{};
        desc->Format = m_format;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Pool = D3DPOOL_MANAGED;
        desc->Width = m_width;
        desc->Height = m_height;
        return S_OK;
    }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface9**) override { return E_FAIL; }
    HRESULT LockRect(UINT, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override
    {
        lockFlags.push_back(flags);
        lockRects.push_back(rect ? *rect : RECT{0, 0, static_cast<LONG>(m_width), static_cast<LONG>(m_height)});
        if (flags & D3DLOCK_DISCARD)
            std::fill(data.begin(), data.end(), 0xAB);
        const RECT r = lockRects.back();
        locked->Pitch = static_cast<INT>(m_width * m_bytes);
        locked->pBits =
            data.data() + static_cast<size_t>(r.top) * locked->Pitch + static_cast<size_t>(r.left) * m_bytes;
        return S_OK;
    }
    HRESULT UnlockRect(UINT) override { return S_OK; }
    HRESULT AddDirtyRect(const RECT*) override { return S_OK; }

    ULONG refs = 1;
    std::vector<DWORD> lockFlags;
    std::vector<RECT> lockRects;

private:
    UINT m_width;
    UINT m_height;
    D3DFORMAT m_format;
    UINT m_bytes;

public:
    std::vector<uint8_t> data;
};

class TexturePixelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice();
        ASSERT_NE(device, nullptr);
    }

    // A managed A8R8G8B8 texture filled row by row from the ARGB values.
    Texture2D* makeTexture(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb,
                           D3DFORMAT format = D3DFMT_A8R8G8B8)
    {
        Texture2D* texture = new Texture2D();
        textures.push_back(texture);
        EXPECT_TRUE(texture->create(width, height, 1, 0, format, D3DPOOL_MANAGED));
        D3DLOCKED_RECT locked{};
        if (!argb.empty() && SUCCEEDED(texture->getTexture()->LockRect(0, &locked, nullptr, 0))) {
            for (uint32_t y = 0; y < height; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
                for (uint32_t x = 0; x < width; ++x)
                    row[x] = argb[y * width + x];
            }
            texture->getTexture()->UnlockRect(0);
        }
        return texture;
    }

    uint32_t texel(Texture2D* texture, uint32_t x, uint32_t y)
    {
        D3DLOCKED_RECT locked{};
        uint32_t value = 0xDEADBEEFu;
        if (SUCCEEDED(texture->getTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) {
            value = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
            texture->getTexture()->UnlockRect(0);
        }
        return value;
    }

    void TearDown() override
    {
        for (Texture2D* texture : textures)
            texture->Release();
    }

    IDirect3DDevice9* device = nullptr;
    std::vector<Texture2D*> textures;
};

} // namespace

TEST_F(TexturePixelTest, AutoMipmapRaisesOnlyTheDirect3DEdges)
{
    Texture2D* raised = makeTexture(100, 60, {});
    ASSERT_TRUE(raised->create(100, 60, 1, D3DUSAGE_AUTOGENMIPMAP, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED));
    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(SUCCEEDED(raised->getTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 128u);
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(raised->getWidth(), 100u);
    EXPECT_EQ(raised->getHeight(), 60u);
    EXPECT_EQ(raised->getRect().right, 100);
    EXPECT_EQ(raised->getRect().bottom, 60);
    EXPECT_EQ(raised->getFileInfo().Width, 100u);

    Texture2D* plain = makeTexture(100, 60, {});
    ASSERT_TRUE(SUCCEEDED(plain->getTexture()->GetLevelDesc(0, &desc)));
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(desc.Height, 60u);
    // Managed textures are left to Direct3D.
    EXPECT_FALSE(plain->isRegistered());
    EXPECT_EQ(plain->getCreationKind(), 0u);
}

TEST_F(TexturePixelTest, LockStateAndCheckedAreas)
{
    Texture2D* texture = makeTexture(8, 8, std::vector<uint32_t>(64, 0xFF102030u));
    D3DLOCKED_RECT locked{};
    // An area reaching past the texture is clamped to it.
    ASSERT_TRUE(texture->lock(0, &locked, RECT{-5, -3, 100, 6}, D3DLOCK_READONLY));
    EXPECT_NE(locked.pBits, nullptr);
    EXPECT_EQ(texture->getLockWidth(), 8u);
    EXPECT_EQ(texture->getLockHeight(), 6u);
    EXPECT_EQ(texture->getLockArea().left, 0);
    // Locked twice: refused, the first lock stays.
    EXPECT_FALSE(texture->lock(0, &locked, RECT{0, 0, 1, 1}, 0));
    EXPECT_TRUE(texture->isLocked());
    D3DXVECTOR4 c;
    EXPECT_TRUE(texture->getPixel(c, 7, 5));
    EXPECT_FALSE(texture->getPixel(c, 8, 0));
    EXPECT_FALSE(texture->getPixel(c, 0, 6));
    EXPECT_TRUE(texture->unlock(0));
    EXPECT_FALSE(texture->getPixel(c, 0, 0));

    // Nothing of the texture inside: refused, still unlocked.
    EXPECT_FALSE(texture->lock(0, &locked, RECT{8, 0, 12, 4}, 0));
    EXPECT_FALSE(texture->lock(0, &locked, RECT{4, 4, 2, 6}, 0));
    EXPECT_FALSE(texture->lock(0, &locked, RECT{-9, -9, -1, -1}, 0));
    EXPECT_FALSE(texture->isLocked());
    // A level that does not exist.
    EXPECT_FALSE(texture->lock(3, &locked, RECT{0, 0, 1, 1}, 0));

    Texture2D empty;
    EXPECT_FALSE(empty.lock(0, &locked, RECT{0, 0, 1, 1}, 0));
    EXPECT_FALSE(empty.unlock(0));
}

TEST_F(TexturePixelTest, OneTexelReadsAndWrites)
{
    Texture2D* texture = makeTexture(4, 2,
                                     {0xFF000000u, 0xFF0000FFu, 0xFF00FF00u, 0x80FF4000u, //
                                      0x00000000u, 0x11111111u, 0x22222222u, 0x33333333u});
    D3DXVECTOR4 c;
    ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.999f, 0.0f)));
    EXPECT_FLOAT_EQ(c.x, 1.0f);
    EXPECT_NEAR(c.y, 0.251f, 0.001f);
    EXPECT_FLOAT_EQ(c.z, 0.0f);
    EXPECT_NEAR(c.w, 0.502f, 0.001f);
    ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.25f, 0.5f)));
    EXPECT_NEAR(c.x, 0x11 / 255.0f, 1e-6f);
    EXPECT_FALSE(texture->readPixel(c, D3DXVECTOR2(1.0f, 0.0f)));
    EXPECT_FALSE(texture->readPixel(c, D3DXVECTOR2(0.0f, -0.01f)));

    ASSERT_TRUE(texture->writePixel(D3DXVECTOR4(0.5f, 1.2f, -0.1f, 1.0f), 2, 1));
    EXPECT_EQ(texel(texture, 2, 1), 0xFF80FF00u);
    EXPECT_FALSE(texture->writePixel(D3DXVECTOR4(1, 1, 1, 1), 4, 0));
    EXPECT_FALSE(texture->writePixel(D3DXVECTOR4(1, 1, 1, 1), 0, 2));
    // Locked textures refuse the one-texel forms.
    ASSERT_TRUE(texture->lock(0, nullptr, RECT{0, 0, 4, 2}, 0));
    EXPECT_FALSE(texture->readPixel(c, D3DXVECTOR2(0.0f, 0.0f)));
    EXPECT_FALSE(texture->writePixel(c, 0, 0));
    EXPECT_TRUE(texture->unlock(0));
}

TEST_F(TexturePixelTest, WritingOneTexelKeepsTheRestOfADynamicTexture)
{
    Texture2D* texture = new Texture2D();
    textures.push_back(texture);
    ASSERT_TRUE(texture->create(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT));
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x)
            ASSERT_TRUE(texture->writePixel(D3DXVECTOR4(x / 3.0f, y / 3.0f, 1.0f, 1.0f), x, y));
    }
    ASSERT_TRUE(texture->writePixel(D3DXVECTOR4(0, 0, 0, 0), 1, 1));
    D3DXVECTOR4 c;
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x) {
            ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2((x + 0.5f) / 4, (y + 0.5f) / 4)));
            if (x == 1 && y == 1) {
                EXPECT_EQ(c.w, 0.0f);
            } else {
                EXPECT_NEAR(c.x, x / 3.0f, 0.003f) << x << "," << y;
                EXPECT_NEAR(c.y, y / 3.0f, 0.003f) << x << "," << y;
                EXPECT_EQ(c.w, 1.0f);
            }
        }
    }
}

TEST_F(TexturePixelTest, OneTexelAccessLocksOnlyThatTexelAndKeepsTheRest)
{
    RecordingTexture recorded(4, 4, D3DFMT_A8R8G8B8, 4);
    for (size_t i = 0; i < recorded.data.size(); ++i)
        recorded.data[i] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> before = recorded.data;
    Texture2D* base = makeTexture(4, 4, {});
    Texture2D* texture = base->clone(&recorded);
    textures.push_back(texture);

    ASSERT_TRUE(texture->writePixel(D3DXVECTOR4(1, 1, 1, 1), 1, 2));
    ASSERT_EQ(recorded.lockFlags.size(), 1u);
    EXPECT_EQ(recorded.lockFlags[0], 0u);
    EXPECT_EQ(recorded.lockRects[0].left, 1);
    EXPECT_EQ(recorded.lockRects[0].top, 2);
    EXPECT_EQ(recorded.lockRects[0].right, 2);
    EXPECT_EQ(recorded.lockRects[0].bottom, 3);
    for (size_t i = 0; i < before.size(); ++i) {
        if (i / 4 == 2 * 4 + 1)
            EXPECT_EQ(recorded.data[i], 0xFF) << i;
        else
            EXPECT_EQ(recorded.data[i], before[i]) << i;
    }
    D3DXVECTOR4 c;
    ASSERT_TRUE(texture->readPixel(c, D3DXVECTOR2(0.3f, 0.6f)));
    EXPECT_EQ(recorded.lockFlags.back(), static_cast<DWORD>(D3DLOCK_READONLY));
    EXPECT_EQ(c.x, 1.0f);
    texture->Release();
    textures.pop_back();
    EXPECT_EQ(recorded.refs, 1u);
}

TEST_F(TexturePixelTest, WideTexelsThroughTheTextureAndUnconvertedFormats)
{
    Texture2D* base = makeTexture(2, 1, {});
    RecordingTexture wide(2, 1, D3DFMT_A16B16G16R16, 8);
    const uint16_t words[8] = {65535, 0, 0, 65535, 0, 0, 65535, 65535};
    std::memcpy(wide.data.data(), words, sizeof(words));
    Texture2D* texture = base->clone(&wide);
    textures.push_back(texture);
    ASSERT_TRUE(texture->lock(0, nullptr, RECT{0, 0, 2, 1}, 0));
    D3DXVECTOR4 c;
    ASSERT_TRUE(texture->getPixel(c, 0, 0));
    EXPECT_EQ(c.x, 1.0f); // red is word 0
    EXPECT_EQ(c.z, 0.0f);
    ASSERT_TRUE(texture->getPixel(c, 1, 0));
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.z, 1.0f);
    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(0.5f, 0.0f), 1));
    EXPECT_EQ(c.z, 1.0f);
    texture->unlock(0);

    // A format without a conversion: every filter reports the failure.
    RecordingTexture luminance(2, 2, D3DFMT_L8, 1);
    Texture2D* plain = base->clone(&luminance);
    textures.push_back(plain);
    ASSERT_TRUE(plain->lock(0, nullptr, RECT{0, 0, 2, 2}, D3DLOCK_READONLY));
    for (int filter : {0, 1, 2})
        EXPECT_FALSE(plain->sample(c, D3DXVECTOR2(0.5f, 0.5f), filter)) << filter;
    EXPECT_FALSE(plain->setPixel(c, 0, 0));
    plain->unlock(0);
    plain->buildAlphaMask(0);
    EXPECT_TRUE(plain->getAlphaMask().empty());
    for (Texture2D* t : {texture, plain})
        t->Release();
    textures.resize(textures.size() - 2);
}

TEST_F(TexturePixelTest, SamplingFiltersAndEdges)
{
    // Red ramps 0, 85, 170, 255 from left to right; rows repeat.
    std::vector<uint32_t> ramp;
    for (int y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 4; ++x)
            ramp.push_back(0xFF000000u | ((x * 85u) << 16));
    }
    Texture2D* texture = makeTexture(4, 4, ramp);
    D3DXVECTOR4 c;
    EXPECT_FALSE(texture->sample(c, D3DXVECTOR2(0.5f, 0.5f), 0)); // not locked
    ASSERT_TRUE(texture->lock(0, nullptr, texture->getRect(), D3DLOCK_READONLY));

    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(0.3f, 0.3f), 0));
    EXPECT_NEAR(c.x, 85 / 255.0f, 1e-6f);
    // Halfway between the columns 1 and 2.
    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(0.375f, 0.5f), 1));
    EXPECT_NEAR(c.x, 127.5f / 255.0f, 1e-5f);
    // At the right edge the last column repeats instead of reading past it.
    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(0.95f, 0.95f), 1));
    EXPECT_NEAR(c.x, 1.0f, 1e-6f);
    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(1.0f, 1.0f), 2));
    EXPECT_NEAR(c.x, 1.0f, 1e-6f);
    // Negative and far coordinates clamp to the edge texels.
    for (int filter : {0, 1, 2}) {
        ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(-0.7f, -5.0f), filter)) << filter;
        EXPECT_NEAR(c.x, 0.0f, 1e-6f) << filter;
        EXPECT_FLOAT_EQ(c.w, 1.0f) << filter;
        ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(3e9f, 2.0f), filter)) << filter;
        EXPECT_NEAR(c.x, 1.0f, 1e-6f) << filter;
    }
    // Bicubic on a linear ramp stays on it inside.
    ASSERT_TRUE(texture->sample(c, D3DXVECTOR2(0.375f, 0.5f), 2));
    EXPECT_NEAR(c.x, 127.5f / 255.0f, 1e-4f);
    EXPECT_TRUE(texture->unlock(0));
}

TEST_F(TexturePixelTest, AlphaMaskHoldsTheOpaqueTexels)
{
    Texture2D* texture = makeTexture(4, 1, {0x00FFFFFFu, 0xC8FFFFFFu, 0xFFFFFFFFu, 0x64FFFFFFu});
    EXPECT_FALSE(texture->hasAlphaMask());
    EXPECT_FALSE(texture->isInAlphaMask(0, 0));
    texture->buildAlphaMask(128);
    ASSERT_TRUE(texture->hasAlphaMask());
    EXPECT_EQ(texture->getAlphaMask(), (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(texture->isInAlphaMask(2, 0));
    EXPECT_FALSE(texture->isInAlphaMask(3, 0));
    EXPECT_FALSE(texture->isInAlphaMask(0, 0));
    // Outside the texture nothing is in the mask (no wrap into the next row).
    EXPECT_FALSE(texture->isInAlphaMask(5, 0));
    EXPECT_FALSE(texture->isLocked());

    // More texels than a 16-bit counter can count.
    Texture2D* large = makeTexture(300, 200, std::vector<uint32_t>(300 * 200, 0xFF000000u));
    large->buildAlphaMask(255);
    ASSERT_EQ(large->getAlphaMask().size(), 60000u);
    EXPECT_EQ(large->getAlphaMask().back(), 59999u);
    EXPECT_TRUE(large->isInAlphaMask(299, 199));
}

TEST_F(TexturePixelTest, ClonesShareTheTextureOrTakeAReplacement)
{
    Texture2D* texture = makeTexture(2, 2, {0xFFFFFFFFu, 0, 0, 0});
    texture->buildAlphaMask(1);
    Texture2D* copy = texture->clone();
    textures.push_back(copy);
    EXPECT_EQ(copy->getTexture(), texture->getTexture());
    EXPECT_EQ(copy->getRefCount(), 1);
    EXPECT_TRUE(copy->hasAlphaMask());
    EXPECT_FALSE(copy->isLocked());

    Texture2D* other = makeTexture(2, 2, {});
    Texture2D* replaced = texture->clone(other->getTexture());
    textures.push_back(replaced);
    EXPECT_EQ(replaced->getTexture(), other->getTexture());
    EXPECT_FALSE(replaced->hasAlphaMask());
    // Release order must not matter: each holds its own reference.
    other->release(false);
    D3DSURFACE_DESC desc{};
    EXPECT_TRUE(SUCCEEDED(replaced->getTexture()->GetLevelDesc(0, &desc)));

    // A replacement of another kind is not taken.
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_TRUE(SUCCEEDED(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr)));
    Texture2D* refused = texture->clone(cube);
    textures.push_back(refused);
    EXPECT_EQ(refused->getTexture(), texture->getTexture());
    cube->Release();
}
