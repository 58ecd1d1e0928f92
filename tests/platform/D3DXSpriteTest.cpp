// ID3DXSprite on the real device: texel-exact placement, source rectangles and centres, colour
// modulation, blending, transforms, depth sorting, state save and restore, texture references
// and device loss.
#include "D3D9TestSupport.h"

#include <d3dx9.h>
#include <platform_test.h>

using namespace D3D9Testing;

namespace {

// Texels that differ in every channel from their neighbours, so a one-texel shift shows.
std::vector<D3DCOLOR> distinctTexels(UINT width, UINT height)
{
    std::vector<D3DCOLOR> texels;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            texels.push_back(D3DCOLOR_ARGB(255, 20 + x * 29, 30 + y * 37, 200 - (x + y) * 11));
    return texels;
}

} // namespace

class D3DXSpriteTest : public DeviceFixture {
protected:
    void TearDown() override
    {
        for (IDirect3DTexture9* texture : m_textures)
            texture->Release();
        m_textures.clear();
        if (m_sprite)
            m_sprite->Release();
        m_sprite = nullptr;
        DeviceFixture::TearDown();
    }

    bool start(UINT width, UINT height)
    {
        if (!createDevice(width, height))
            return false;
        EXPECT_EQ(D3DXCreateSprite(m_device, &m_sprite), D3D_OK);
        return m_sprite != nullptr;
    }

    IDirect3DTexture9* texture(UINT width, UINT height, const std::vector<D3DCOLOR>& texels)
    {
        IDirect3DTexture9* t = createTexture(m_device, width, height, texels);
        EXPECT_NE(t, nullptr);
        if (t)
            m_textures.push_back(t);
        return t;
    }

    IDirect3DTexture9* solid(D3DCOLOR colour, UINT size = 4)
    {
        return texture(size, size, std::vector<D3DCOLOR>(size * size, colour));
    }

    void clear(D3DCOLOR colour) { m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0); }

    ID3DXSprite* m_sprite = nullptr;
    std::vector<IDirect3DTexture9*> m_textures;
};

TEST_F(D3DXSpriteTest, UnscaledDrawAtIntegerPositionMapsTexelsToPixelsExactly)
{
    ASSERT_TRUE(start(32, 24));
    const std::vector<D3DCOLOR> texels = distinctTexels(8, 6);
    IDirect3DTexture9* t = texture(8, 6, texels);
    clear(0xFF000000);
    m_device->BeginScene();
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
    const D3DXVECTOR3 position(5.0f, 3.0f, 0.0f);
    ASSERT_EQ(m_sprite->Draw(t, nullptr, nullptr, &position, 0xFFFFFFFF), D3D_OK);
    ASSERT_EQ(m_sprite->End(), D3D_OK);
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 32u * 24u);
    for (UINT y = 0; y < 24; ++y) {
        for (UINT x = 0; x < 32; ++x) {
            const bool inside = x >= 5 && x < 13 && y >= 3 && y < 9;
            const D3DCOLOR expected = inside ? texels[(y - 3) * 8 + (x - 5)] : 0xFF000000;
            ASSERT_TRUE(near(image.at(x, y), expected, 1))
                << "pixel " << x << "," << y << " is " << hex(image.at(x, y)) << ", expected " << hex(expected);
        }
    }
}

TEST_F(D3DXSpriteTest, SourceRectangleAndCentrePlaceTheRegion)
{
    ASSERT_TRUE(start(32, 24));
    const std::vector<D3DCOLOR> texels = distinctTexels(8, 6);
    IDirect3DTexture9* t = texture(8, 6, texels);
    clear(0xFF000000);
    m_device->BeginScene();
    m_sprite->Begin(0);
    const RECT source{2, 1, 6, 4}; // 4 x 3 texels from (2, 1)
    const D3DXVECTOR3 centre(1.0f, 2.0f, 0.0f), position(10.0f, 10.0f, 0.0f);
    ASSERT_EQ(m_sprite->Draw(t, &source, &centre, &position, 0xFFFFFFFF), D3D_OK);
    m_sprite->End();
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 32u);
    // The region's top-left texel lands at position - centre = (9, 8).
    for (UINT y = 7; y < 12; ++y) {
        for (UINT x = 8; x < 14; ++x) {
            const bool inside = x >= 9 && x < 13 && y >= 8 && y < 11;
            const D3DCOLOR expected = inside ? texels[(y - 8 + 1) * 8 + (x - 9 + 2)] : 0xFF000000;
            EXPECT_TRUE(near(image.at(x, y), expected, 1)) << x << "," << y << ": " << hex(image.at(x, y));
        }
    }
}

TEST_F(D3DXSpriteTest, ColourModulatesTexelsAndAlphaBlendsOverTheTarget)
{
    ASSERT_TRUE(start(32, 8));
    IDirect3DTexture9* white = solid(0xFFFFFFFF);
    IDirect3DTexture9* grey = solid(0xFF808080);
    IDirect3DTexture9* clearTexels = solid(0x00FFFFFF);
    clear(0xFF0000FF);
    m_device->BeginScene();
    m_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    D3DXVECTOR3 p(0, 0, 0);
    m_sprite->Draw(white, nullptr, nullptr, &p, 0xFF336699); // opaque: the colour itself
    p.x = 4;
    m_sprite->Draw(grey, nullptr, nullptr, &p, 0xFFFF0000); // grey x red
    p.x = 8;
    m_sprite->Draw(white, nullptr, nullptr, &p, 0x80FFFFFF); // half white over blue
    p.x = 12;
    m_sprite->Draw(clearTexels, nullptr, nullptr, &p, 0xFFFFFFFF); // nothing
    m_sprite->End();
    // Without ALPHABLEND the texel replaces the target, alpha included.
    m_sprite->Begin(0);
    p.x = 16;
    m_sprite->Draw(white, nullptr, nullptr, &p, 0x40FFFFFF);
    m_sprite->End();
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 32u);
    EXPECT_TRUE(near(image.at(1, 1), 0xFF336699, 1)) << hex(image.at(1, 1));
    EXPECT_TRUE(near(image.at(5, 1), 0xFF800000, 1)) << hex(image.at(5, 1));
    // 0x80/255 of white plus the rest of blue; alpha blends the same way (a*a + 1*(1-a)).
    EXPECT_TRUE(near(image.at(9, 1), 0xBF8080FF, 2)) << hex(image.at(9, 1));
    EXPECT_TRUE(near(image.at(13, 1), 0xFF0000FF, 0)) << hex(image.at(13, 1));
    EXPECT_TRUE(near(image.at(17, 1), 0x40FFFFFF, 1)) << hex(image.at(17, 1));
}

TEST_F(D3DXSpriteTest, TransformRotatesAndScalesTheQueuedQuads)
{
    ASSERT_TRUE(start(64, 64));
    std::vector<D3DCOLOR> checker;
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            checker.push_back(((x / 4 + y / 4) % 2) ? 0xFFE0E020 : 0xFF2040C0);
    IDirect3DTexture9* t = texture(16, 16, checker);
    clear(0xFF000000);
    m_device->BeginScene();
    m_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    // Twice the size, turned 30 degrees about the texture's middle, middle at (32, 32).
    D3DXMATRIX m;
    const D3DXVECTOR2 scaling(2.0f, 2.0f), centre(16.0f, 16.0f), translation(16.0f, 16.0f);
    D3DXMatrixTransformation2D(&m, nullptr, 0.0f, &scaling, &centre, D3DXToRadian(30.0f), &translation);
    m_sprite->SetTransform(&m);
    D3DXMATRIX readBack;
    m_sprite->GetTransform(&readBack);
    EXPECT_EQ(std::memcmp(&readBack, &m, sizeof m), 0);
    m_sprite->Draw(t, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    // A draw queued after the transform changes keeps the transform it was queued with.
    D3DXMatrixIdentity(&m);
    m_sprite->SetTransform(&m);
    m_sprite->End();
    m_device->EndScene();

    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 64u);
    // Texel (t) goes to 2t, turns 30 degrees about (16, 16), then moves by (16, 16): the middle
    // of cell (1, 1), texel (6, 6), lands at (30.5, 26.5) and of cell (2, 1), texel (10, 6), at
    // (37.5, 30.5). The target's corners stay black.
    EXPECT_TRUE(near(image.at(30, 26), 0xFF2040C0, 6)) << hex(image.at(30, 26));
    EXPECT_TRUE(near(image.at(37, 30), 0xFFE0E020, 6)) << hex(image.at(37, 30));
    EXPECT_EQ(image.at(0, 0), 0xFF000000u);
    EXPECT_EQ(image.at(63, 63), 0xFF000000u);
    EXPECT_EQ(image.at(63, 0), 0xFF000000u);
    EXPECT_TRUE(matchesGolden(image, "D3DXSprite_rotated_checker", 3));
}

TEST_F(D3DXSpriteTest, DepthSortingOrdersTheQueueAndOtherwiseItIsKept)
{
    ASSERT_TRUE(start(16, 8));
    IDirect3DTexture9* red = solid(0xFFFF0000);
    IDirect3DTexture9* green = solid(0xFF00FF00);
    auto drawPair = [&](DWORD flags, float x) {
        m_sprite->Begin(flags);
        const D3DXVECTOR3 nearPos(x, 0.0f, 0.2f), farPos(x, 0.0f, 0.8f);
        m_sprite->Draw(red, nullptr, nullptr, &nearPos, 0xFFFFFFFF);
        m_sprite->Draw(green, nullptr, nullptr, &farPos, 0xFFFFFFFF);
        m_sprite->End();
    };
    clear(0xFF000000);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->BeginScene();
    drawPair(0, 0.0f);                                 // queued order: green last
    drawPair(D3DXSPRITE_SORT_DEPTH_BACKTOFRONT, 4.0f); // far first: red last
    drawPair(D3DXSPRITE_SORT_DEPTH_FRONTTOBACK, 8.0f); // near first: green last
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 16u);
    EXPECT_EQ(image.at(1, 1), 0xFF00FF00u);
    EXPECT_EQ(image.at(5, 1), 0xFFFF0000u);
    EXPECT_EQ(image.at(9, 1), 0xFF00FF00u);
}

TEST_F(D3DXSpriteTest, EndRestoresTheStatesBeginChangedUnlessToldNotToSave)
{
    ASSERT_TRUE(start(16, 16));
    IDirect3DTexture9* callers = solid(0xFF123456);
    IDirect3DTexture9* drawn = solid(0xFFFFFFFF);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 1.0f, 1.0f, 100.0f);
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    m_device->SetTexture(0, callers);
    m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);

    m_device->BeginScene();
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
    EXPECT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), D3DERR_INVALIDCALL); // no nesting
    DWORD value = 0;
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    m_device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_NONE));
    m_sprite->Draw(drawn, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->End(), D3D_OK);
    m_device->EndScene();

    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    m_device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CW));
    m_device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
    EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
    m_device->GetFVF(&value);
    EXPECT_EQ(value, DWORD(D3DFVF_XYZRHW | D3DFVF_DIFFUSE));
    D3DMATRIX current{};
    m_device->GetTransform(D3DTS_PROJECTION, &current);
    EXPECT_EQ(std::memcmp(&current, &projection, sizeof current), 0);
    IDirect3DBaseTexture9* bound = nullptr;
    m_device->GetTexture(0, &bound);
    EXPECT_EQ(bound, callers);
    if (bound)
        bound->Release();

    // DONOTSAVESTATE leaves the sprite's states in place.
    m_device->BeginScene();
    m_sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_DONOTSAVESTATE);
    m_sprite->Draw(drawn, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    m_sprite->End();
    m_device->EndScene();
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    // DONOTMODIFY_RENDERSTATE leaves the caller's states for the draws.
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_sprite->Begin(D3DXSPRITE_DONOTMODIFY_RENDERSTATE);
    m_device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CW));
    m_sprite->End();
    EXPECT_EQ(m_sprite->End(), D3DERR_INVALIDCALL);
}

TEST_F(D3DXSpriteTest, StatesSetBetweenBeginAndEndApplyToTheQueuedDraws)
{
    ASSERT_TRUE(start(16, 8));
    IDirect3DTexture9* white = solid(0xFFFFFFFF);
    clear(0xFF000000);
    m_device->BeginScene();
    m_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    m_sprite->Draw(white, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
    m_sprite->End();
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 16u);
    EXPECT_EQ(image.at(1, 1) & 0x00FFFFFF, 0x00FF0000u) << hex(image.at(1, 1));
    DWORD value = 0;
    m_device->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
    EXPECT_EQ(value, 0xFu);
}

TEST_F(D3DXSpriteTest, QueuedTexturesAreReferencedUntilDrawnUnlessToldNot)
{
    ASSERT_TRUE(start(16, 8));
    IDirect3DTexture9* t = solid(0xFFFFFFFF);
    auto count = [&] {
        t->AddRef();
        return t->Release();
    };
    const ULONG base = count();
    m_device->BeginScene();
    m_sprite->Begin(0);
    m_sprite->Draw(t, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    m_sprite->Draw(t, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(count(), base + 2);
    m_sprite->End();
    EXPECT_EQ(count(), base);
    m_sprite->Begin(D3DXSPRITE_DO_NOT_ADDREF_TEXTURE);
    m_sprite->Draw(t, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    EXPECT_EQ(count(), base);
    m_sprite->End();
    EXPECT_EQ(count(), base);
    m_device->EndScene();
    EXPECT_EQ(m_sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(D3DXSpriteTest, LostDeviceDropsQueuedDefaultPoolTexturesSoResetSucceeds)
{
    ASSERT_TRUE(start(16, 8));
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(
        m_device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
        D3D_OK);
    m_sprite->Begin(0);
    m_sprite->Draw(target, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    ASSERT_TRUE(PlatformLoseDevice(m_device));
    ASSERT_EQ(m_sprite->OnLostDevice(), D3D_OK);
    target->Release(); // the sprite no longer holds it
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS params = m_params;
    ASSERT_EQ(m_device->Reset(&params), D3D_OK);
    ASSERT_EQ(m_sprite->OnResetDevice(), D3D_OK);

    // Drawing works as before.
    IDirect3DTexture9* blue = solid(0xFF0000FF);
    clear(0xFF000000);
    m_device->BeginScene();
    ASSERT_EQ(m_sprite->Begin(D3DXSPRITE_ALPHABLEND), D3D_OK);
    m_sprite->Draw(blue, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    ASSERT_EQ(m_sprite->End(), D3D_OK);
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 16u);
    EXPECT_EQ(image.at(2, 2), 0xFF0000FFu);
    EXPECT_EQ(image.at(5, 2), 0xFF000000u);
}

TEST_F(D3DXSpriteTest, ObjectSpaceUsesTheCallersTransforms)
{
    ASSERT_TRUE(start(16, 16));
    IDirect3DTexture9* red = solid(0xFFFF0000);
    // The caller's projection maps x, y in -1..1 (y up) to the whole target: a unit sprite scaled
    // to 1 x 1 from (0, 0) then covers the upper right quarter.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_device->SetTransform(D3DTS_WORLD, &identity);
    m_device->SetTransform(D3DTS_VIEW, &identity);
    m_device->SetTransform(D3DTS_PROJECTION, &identity);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    clear(0xFF000000);
    m_device->BeginScene();
    m_sprite->Begin(D3DXSPRITE_OBJECTSPACE);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 0.25f, 0.25f, 1.0f); // 4 texels -> 1 unit
    m_sprite->SetTransform(&scale);
    m_sprite->Draw(red, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    m_sprite->End();
    m_device->EndScene();
    Image image = readBackBuffer();
    ASSERT_EQ(image.width, 16u);
    EXPECT_EQ(image.at(12, 3), 0xFFFF0000u);
    EXPECT_EQ(image.at(3, 3), 0xFF000000u);
    EXPECT_EQ(image.at(12, 12), 0xFF000000u);
}

// Quads of two textures queued alternately are drawn one draw per texture where the quads between
// share no pixel with them (rectangles that only touch share none); a quad over another keeps its
// place above it. The pixels are those of drawing every quad on its own, in order.
TEST_F(D3DXSpriteTest, TouchingQuadsOfOneTextureAreDrawnTogetherWithTheSamePixels)
{
    ASSERT_TRUE(start(32, 16));
    IDirect3DTexture9* red = solid(0x80FF0000, 8);
    IDirect3DTexture9* blue = solid(0x800000FF, 8);
    auto draw = [&](bool flushEach) {
        clear(0xFF808080);
        m_device->BeginScene();
        m_sprite->Begin(D3DXSPRITE_ALPHABLEND);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 4; ++x) {
                const D3DXVECTOR3 at(float(x * 8), float(y * 8), 0.0f);
                m_sprite->Draw((x + y) % 2 ? blue : red, nullptr, nullptr, &at, 0xFFFFFFFF);
                if (flushEach)
                    m_sprite->Flush();
            }
        }
        // Over four cells, two of them blue: it cannot join the red run drawn before them.
        const D3DXVECTOR3 over(4.0f, 4.0f, 0.0f);
        m_sprite->Draw(red, nullptr, nullptr, &over, 0xFFFFFFFF);
        m_sprite->End();
        m_device->EndScene();
    };
    draw(true);
    const Image alone = readBackBuffer();
    uint64_t calls = 0, draws0 = 0, draws1 = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, draws0);
    draw(false);
    PlatformGLCallCounts(calls, draws1);
    PlatformCountGLCalls(false);
    const Image joined = readBackBuffer();
    EXPECT_EQ(draws1 - draws0, 3u); // the red cells, the blue cells, the quad over them
    ASSERT_EQ(joined.pixels, alone.pixels);
    // Red over blue over grey where the last quad lies over a blue cell.
    const D3DCOLOR colour = joined.at(9, 5) | 0xFF000000;
    EXPECT_TRUE(near(colour, D3DCOLOR_XRGB(0xA0, 0x20, 0x60), 2)) << hex(colour);
}
