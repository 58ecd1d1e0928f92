// Lock layouts as D3D defines them: what a program writes through LockRect is what the GPU
// samples, for the formats the engine uses, DXT blocks included; pools that may not be locked.
#include "D3D9TestSupport.h"

#include "d3d9/Resources.h"

#include <cstring>

using namespace D3D9Testing;

class D3D9LockTest : public DeviceFixture {
protected:
    // Draws the texture 1:1 at the top left of the back buffer, point sampled, no blending,
    // and returns what lands there.
    Image sample(IDirect3DBaseTexture9* texture, UINT width, UINT height)
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF123456, 1.0f, 0);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetTexture(0, texture);
        ScreenVertex quad[4];
        screenQuad(quad, -0.5f, -0.5f, width - 0.5f, height - 0.5f, 0xFFFFFFFF);
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
        m_device->SetTexture(0, nullptr);
        Image all = readBackBuffer();
        Image part;
        part.width = width;
        part.height = height;
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
                part.pixels.push_back(all.at(x, y));
        return part;
    }
};

TEST_F(D3D9LockTest, A8R8G8B8IsStoredBlueGreenRedAlphaWithPitchAndSubRectangles)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_GE(locked.Pitch, 16);
    uint8_t* bytes = static_cast<uint8_t*>(locked.pBits);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = bytes + y * locked.Pitch + x * 4;
            p[0] = static_cast<uint8_t>(0x10 + x); // blue
            p[1] = static_cast<uint8_t>(0x20 + y); // green
            p[2] = 0x30;                           // red
            p[3] = 0xFF;                           // alpha
        }
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    // A sub-rectangle lock points at its first texel and keeps the level's pitch.
    RECT area{2, 1, 4, 2};
    D3DLOCKED_RECT sub{};
    ASSERT_EQ(texture->LockRect(0, &sub, &area, 0), D3D_OK);
    EXPECT_EQ(sub.Pitch, locked.Pitch);
    uint8_t* first = static_cast<uint8_t*>(sub.pBits);
    EXPECT_EQ(first[0], 0x12);
    EXPECT_EQ(first[1], 0x21);
    first[2] = 0xF0;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    RECT outside{2, 1, 5, 2};
    EXPECT_EQ(texture->LockRect(0, &sub, &outside, 0), D3DERR_INVALIDCALL);

    Image image = sample(texture, 4, 2);
    EXPECT_EQ(image.at(0, 0), 0xFF302010u);
    EXPECT_EQ(image.at(3, 0), 0xFF302013u);
    EXPECT_EQ(image.at(1, 1), 0xFF302111u);
    EXPECT_EQ(image.at(2, 1), 0xFFF02112u);
    texture->Release();
}

// A managed level filled whole gives up its memory copy; locks after that must still see and
// keep every texel, whatever the flags, and a level filled piece by piece gets every piece.
TEST_F(D3D9LockTest, ManagedLevelsKeepTheirTexelsAfterTheFirstFill)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    auto fill = [&](const RECT* area, DWORD flags, DWORD colour) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, area, flags), D3D_OK);
        const RECT whole{0, 0, 4, 2};
        const RECT& r = area ? *area : whole;
        for (LONG y = 0; y < r.bottom - r.top; ++y)
            for (LONG x = 0; x < r.right - r.left; ++x)
                reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = colour;
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    };
    fill(nullptr, 0, 0xFF102030);
    // A discarding lock of a part: the texels outside it stay.
    const RECT left{0, 0, 2, 2};
    fill(&left, D3DLOCK_DISCARD, 0xFF405060);
    Image image = sample(texture, 4, 2);
    EXPECT_EQ(image.at(1, 1), 0xFF405060u);
    EXPECT_EQ(image.at(3, 1), 0xFF102030u);
    // Without a dirty update the change reaches the GPU only with AddDirtyRect, and a read
    // before that sees it.
    const RECT right{2, 0, 4, 1};
    fill(&right, D3DLOCK_NO_DIRTY_UPDATE, 0xFF708090);
    D3DLOCKED_RECT read{};
    ASSERT_EQ(texture->LockRect(0, &read, &right, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(read.pBits), 0xFF708090u);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    ASSERT_EQ(texture->AddDirtyRect(&right), D3D_OK);
    image = sample(texture, 4, 2);
    EXPECT_EQ(image.at(3, 0), 0xFF708090u);
    EXPECT_EQ(image.at(3, 1), 0xFF102030u);
    texture->Release();

    // Filled piece by piece: every piece arrives.
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    fill(&left, 0, 0xFF405060);
    fill(&right, 0, 0xFF708090);
    image = sample(texture, 4, 2);
    EXPECT_EQ(image.at(0, 1), 0xFF405060u);
    EXPECT_EQ(image.at(3, 0), 0xFF708090u);
    texture->Release();
}

// Which managed levels hold a memory copy besides GL: none once a whole fill reached GL whose
// bytes GL gives back (an 8-bit RGB fill only with its padding bytes 0xFF, as GL reads them).
// A released level locked read-only or in part (a glyph put on a font page) borrows a copy for
// that lock alone; locked whole for writing it keeps one. Every lock sees the bytes written.
TEST_F(D3D9LockTest, ManagedLevelsHoldACopyOnlyWhereGLCannotGiveTheBytesBack)
{
    ASSERT_TRUE(createDevice(32, 32));
    auto keeps = [](IDirect3DTexture9* texture) {
        auto* object = static_cast<D3D9Internal::Texture*>(D3D9Internal::textureObject(texture));
        return object->level(0)->image().keepsMemory();
    };
    auto fill = [](IDirect3DTexture9* texture, const RECT* area, DWORD flags, DWORD colour) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, area, flags), D3D_OK);
        const RECT r = area ? *area : RECT{0, 0, 4, 2};
        for (LONG y = 0; y < r.bottom - r.top; ++y)
            for (LONG x = 0; x < r.right - r.left; ++x)
                reinterpret_cast<DWORD*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = colour;
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    };
    auto texel = [](IDirect3DTexture9* texture, LONG x, LONG y) {
        D3DLOCKED_RECT locked{};
        const RECT one{x, y, x + 1, y + 1};
        EXPECT_EQ(texture->LockRect(0, &locked, &one, D3DLOCK_READONLY), D3D_OK);
        const DWORD value = locked.pBits ? *static_cast<DWORD*>(locked.pBits) : 0;
        texture->UnlockRect(0);
        return value;
    };
    IDirect3DTexture9* rgb = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &rgb, nullptr), D3D_OK);
    fill(rgb, nullptr, 0, 0xFF102030);
    EXPECT_FALSE(keeps(rgb));
    EXPECT_EQ(texel(rgb, 3, 1), 0xFF102030u);
    EXPECT_FALSE(keeps(rgb)) << "a read-only lock borrows its copy";
    const RECT part{1, 0, 3, 1};
    fill(rgb, &part, 0, 0xFF405060);
    EXPECT_FALSE(keeps(rgb)) << "a lock of a part sends that part and lets its copy go";
    EXPECT_EQ(texel(rgb, 2, 0), 0xFF405060u);
    EXPECT_EQ(texel(rgb, 0, 0), 0xFF102030u);
    // A discarding lock of a part (how glyphs reach their page) reads nothing back.
    const RECT corner{3, 1, 4, 2};
    fill(rgb, &corner, D3DLOCK_DISCARD, 0xFFA0B0C0);
    EXPECT_FALSE(keeps(rgb));
    EXPECT_EQ(texel(rgb, 3, 1), 0xFFA0B0C0u);
    EXPECT_EQ(texel(rgb, 2, 1), 0xFF102030u);
    D3D9Testing::Image image = sample(rgb, 4, 2);
    EXPECT_EQ(image.at(1, 0), 0xFF405060u);
    EXPECT_EQ(image.at(3, 0), 0xFF102030u);
    fill(rgb, nullptr, 0, 0xFF708090);
    EXPECT_TRUE(keeps(rgb)) << "a level written whole again is edited and keeps its copy";
    rgb->Release();

    // Padding GL would not give back: the copy stays, and a lock reads the padding as written.
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &rgb, nullptr), D3D_OK);
    fill(rgb, nullptr, 0, 0x00102030);
    EXPECT_TRUE(keeps(rgb));
    EXPECT_EQ(texel(rgb, 1, 1), 0x00102030u);
    EXPECT_EQ(sample(rgb, 4, 2).at(1, 1), 0xFF102030u);
    rgb->Release();

    // Without a dirty update the part waits in the kept copy for AddDirtyRect.
    IDirect3DTexture9* argb = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &argb, nullptr), D3D_OK);
    fill(argb, nullptr, 0, 0x80102030);
    EXPECT_FALSE(keeps(argb));
    fill(argb, &part, D3DLOCK_NO_DIRTY_UPDATE, 0x80405060);
    EXPECT_TRUE(keeps(argb));
    EXPECT_EQ(texel(argb, 1, 0), 0x80405060u);
    argb->Release();

    // Luminance with alpha (glyph pages) gives its bytes back as well: filled whole, then a part
    // written with a discarding lock, read and sampled as written.
    IDirect3DTexture9* la = nullptr;
    ASSERT_EQ(m_device->CreateTexture(4, 2, 1, 0, D3DFMT_A8L8, D3DPOOL_MANAGED, &la, nullptr), D3D_OK);
    auto fill16 = [&](const RECT* area, DWORD flags, uint16_t value) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(la->LockRect(0, &locked, area, flags), D3D_OK);
        const RECT r = area ? *area : RECT{0, 0, 4, 2};
        for (LONG y = 0; y < r.bottom - r.top; ++y)
            for (LONG x = 0; x < r.right - r.left; ++x)
                reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = value;
        ASSERT_EQ(la->UnlockRect(0), D3D_OK);
    };
    fill16(nullptr, 0, 0x0000);
    EXPECT_FALSE(keeps(la));
    fill16(&corner, D3DLOCK_DISCARD, 0x80FF);
    EXPECT_FALSE(keeps(la));
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(la->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row1 = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(locked.pBits) + locked.Pitch);
    EXPECT_EQ(row1[3], 0x80FFu);
    EXPECT_EQ(row1[2], 0x0000u);
    la->UnlockRect(0);
    EXPECT_FALSE(keeps(la));
    image = sample(la, 4, 2);
    EXPECT_EQ(image.at(3, 1), 0x80FFFFFFu);
    EXPECT_EQ(image.at(2, 1), 0x00000000u);
    la->Release();
}

TEST_F(D3D9LockTest, PackedAndSingleChannelFormatsSampleAsD3DDefinesThem)
{
    ASSERT_TRUE(createDevice(32, 32));
    struct Case {
        D3DFORMAT format;
        std::vector<uint8_t> texel; // one texel in memory order
        D3DCOLOR expected;
        int tolerance;
    };
    const float half = 0.5f;
    uint8_t halfBits[4];
    std::memcpy(halfBits, &half, 4);
    const Case cases[] = {
        {D3DFMT_R5G6B5, {0x00, 0xF8}, 0xFFFF0000, 0},   // red in the top five bits
        {D3DFMT_R5G6B5, {0xE0, 0x07}, 0xFF00FF00, 0},   // green in the middle six
        {D3DFMT_X1R5G5B5, {0x1F, 0x80}, 0xFF0000FF, 0}, // blue, the X bit ignored
        {D3DFMT_A1R5G5B5, {0x00, 0x7C}, 0x00FF0000, 0}, // red, alpha bit clear
        {D3DFMT_A4R4G4B4, {0x0F, 0x80}, 0x880000FF, 0}, // alpha 8, blue F
        {D3DFMT_X8R8G8B8, {0x01, 0x02, 0x03, 0x00}, 0xFF030201, 0},
        {D3DFMT_A8B8G8R8, {0x01, 0x02, 0x03, 0x40}, 0x40010203, 0},
        {D3DFMT_L8, {0x80}, 0xFF808080, 0},
        {D3DFMT_A8L8, {0x40, 0x80}, 0x80404040, 0},
        {D3DFMT_A8, {0x80}, 0x80000000, 0},
        {D3DFMT_L16, {0x00, 0x80}, 0xFF808080, 1},
        {D3DFMT_G16R16, {0xFF, 0xFF, 0x00, 0x00}, 0xFFFF00FF, 0}, // missing blue reads as 1
        {D3DFMT_R32F, {halfBits[0], halfBits[1], halfBits[2], halfBits[3]}, 0xFF80FFFF, 1},
        {D3DFMT_A16B16G16R16F, {0x00, 0x3C, 0x00, 0x00, 0x00, 0x38, 0x00, 0x3C}, 0xFFFF0080, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format));
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(m_device->CreateTexture(1, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(static_cast<size_t>(locked.Pitch), c.texel.size());
        std::memcpy(locked.pBits, c.texel.data(), c.texel.size());
        texture->UnlockRect(0);
        Image image = sample(texture, 1, 1);
        EXPECT_TRUE(near(image.at(0, 0), c.expected, c.tolerance))
            << hex(image.at(0, 0)) << " instead of " << hex(c.expected);
        texture->Release();
    }
}

TEST_F(D3D9LockTest, Dxt1LocksGiveTheCompressedBlocks)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(m_device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16); // two 8-byte blocks per row of blocks
    // Four-colour blocks (colour 0 > colour 1): red and blue; indices pick colour 0 or 1.
    auto block = [](uint8_t* p, uint32_t indices) {
        const uint8_t header[4] = {0x00, 0xF8, 0x1F, 0x00};
        std::memcpy(p, header, 4);
        std::memcpy(p + 4, &indices, 4);
    };
    uint8_t* bytes = static_cast<uint8_t*>(locked.pBits);
    block(bytes, 0x00000000);                // top left: red
    block(bytes + 8, 0x55555555);            // top right: blue
    block(bytes + locked.Pitch, 0x55555555); // bottom left: blue
    block(bytes + locked.Pitch + 8, 0x00000000);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    // A rectangle lock starts at its block; rectangles must lie on block edges.
    RECT lowerRight{4, 4, 8, 8};
    D3DLOCKED_RECT sub{};
    ASSERT_EQ(texture->LockRect(0, &sub, &lowerRight, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(sub.pBits) - bytes, locked.Pitch + 8);
    block(static_cast<uint8_t*>(sub.pBits), 0x55555555);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    RECT unaligned{2, 0, 8, 4};
    EXPECT_EQ(texture->LockRect(0, &sub, &unaligned, 0), D3DERR_INVALIDCALL);

    Image image = sample(texture, 8, 8);
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(3, 3), 0xFFFF0000u);
    EXPECT_EQ(image.at(4, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(0, 4), 0xFF0000FFu);
    EXPECT_EQ(image.at(7, 7), 0xFF0000FFu);
    texture->Release();
}

TEST_F(D3D9LockTest, DefaultPoolLocksOnlyWhenDynamic)
{
    ASSERT_TRUE(createDevice(32, 32));
    IDirect3DTexture9* fixed = nullptr;
    ASSERT_EQ(m_device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &fixed, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(fixed->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    fixed->Release();
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(2, 2, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
        D3D_OK);
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    target->Release();
    IDirect3DTexture9* managedDynamic = nullptr;
    EXPECT_EQ(
        m_device->CreateTexture(2, 2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managedDynamic, nullptr),
        D3DERR_INVALIDCALL);

    IDirect3DTexture9* dynamic = nullptr;
    ASSERT_EQ(m_device->CreateTexture(2, 1, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &dynamic, nullptr),
              D3D_OK);
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    D3DCOLOR texels[2] = {0xFF00FF00, 0xFFFF00FF};
    std::memcpy(locked.pBits, texels, sizeof texels);
    ASSERT_EQ(dynamic->UnlockRect(0), D3D_OK);
    // Without DISCARD a default-pool lock shows what the texture holds.
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<D3DCOLOR*>(locked.pBits)[1], 0xFFFF00FFu);
    dynamic->UnlockRect(0);
    Image image = sample(dynamic, 2, 1);
    EXPECT_EQ(image.at(0, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(1, 0), 0xFFFF00FFu);
    dynamic->Release();
}

TEST_F(D3D9LockTest, DynamicVertexBufferAppendsWithNoOverwriteAndRestartsWithDiscard)
{
    ASSERT_TRUE(createDevice(32, 8));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    IDirect3DVertexBuffer9* vb = nullptr;
    const UINT quadBytes = 4 * sizeof(ScreenVertex);
    ASSERT_EQ(m_device->CreateVertexBuffer(2 * quadBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kScreenVertexFvf,
                                           D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    m_device->SetFVF(kScreenVertexFvf);
    m_device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    auto append = [&](UINT slot, DWORD flags, float x, D3DCOLOR color) {
        void* data = nullptr;
        ASSERT_EQ(vb->Lock(slot * quadBytes, quadBytes, &data, flags), D3D_OK);
        ScreenVertex quad[4];
        screenQuad(quad, x - 0.5f, -0.5f, x + 7.5f, 7.5f, color);
        std::memcpy(data, quad, quadBytes);
        ASSERT_EQ(vb->Unlock(), D3D_OK);
        EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, slot * 4, 2), D3D_OK);
    };
    append(0, D3DLOCK_DISCARD, 0, 0xFFFF0000);
    append(1, D3DLOCK_NOOVERWRITE, 8, 0xFF00FF00);
    append(0, D3DLOCK_DISCARD, 16, 0xFF0000FF);
    append(1, D3DLOCK_NOOVERWRITE, 24, 0xFFFFFFFF);
    Image image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(8, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(16, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(24, 0), 0xFFFFFFFFu);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(2 * quadBytes, 4, &data, 0), D3DERR_INVALIDCALL);
    m_device->SetStreamSource(0, nullptr, 0, 0);
    vb->Release();
}
