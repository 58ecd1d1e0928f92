// Drawing through the fixed-function subset: textured and blended pre-transformed quads,
// transformed triangles with culling and lighting off, alpha test, colour write masks, depth,
// indexed draws, fans and draws from memory.
#include "D3D9TestSupport.h"

#include <platform_test.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

using namespace D3D9Testing;

namespace {

struct ColorVertex {
    float x, y, z;
    D3DCOLOR color;
};
constexpr DWORD kColorVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// Orthographic projection (row vectors) of x 0..w to the left..right edge and y 0..h from the
// top down, depth 0..1 unchanged.
D3DMATRIX screenProjection(float w, float h)
{
    D3DMATRIX m{};
    m._11 = 2.0f / w;
    m._22 = -2.0f / h;
    m._33 = 1.0f;
    m._41 = -1.0f;
    m._42 = 1.0f;
    m._44 = 1.0f;
    return m;
}

D3DMATRIX identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// src * srcAlpha + dst * (1 - srcAlpha) per channel, as 8-bit values.
D3DCOLOR blend(float r, float g, float b, float a, D3DCOLOR dst)
{
    auto mix = [&](float s, int shift) {
        float d = static_cast<float>((dst >> shift) & 0xFF) / 255.0f;
        return static_cast<DWORD>(std::lround((s * a + d * (1.0f - a)) * 255.0f));
    };
    return D3DCOLOR_ARGB(mix(a, 24), mix(r, 16), mix(g, 8), mix(b, 0));
}

// The device's back buffer and a second target of 8 x 8 pixels, with the depth test off.
bool backAndSecondTarget(IDirect3DDevice9* device, IDirect3DSurface9*& back, IDirect3DSurface9*& second)
{
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    return device->GetRenderTarget(0, &back) == D3D_OK &&
           device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &second, nullptr) == D3D_OK;
}

// The GL calls the step makes.
uint64_t glCallsOf(const std::function<void()>& step)
{
    uint64_t calls = 0, draws = 0, callsAfter = 0, drawsAfter = 0;
    PlatformCountGLCalls(true);
    PlatformGLCallCounts(calls, draws);
    step();
    PlatformGLCallCounts(callsAfter, drawsAfter);
    PlatformCountGLCalls(false);
    return callsAfter - calls;
}

} // namespace

class D3D9DrawTest : public DeviceFixture {
protected:
    void drawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f)
    {
        ScreenVertex quad[4];
        screenQuad(quad, x0, y0, x1, y1, color);
        for (ScreenVertex& v : quad)
            v.z = z;
        m_device->SetFVF(kScreenVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
    }
    // A device of width x height pixels drawing unlit and unculled without depth, whose projection
    // puts pixel centres at whole coordinates.
    bool createFlatDevice(UINT width, UINT height)
    {
        if (!createDevice(width, height))
            return false;
        m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        const D3DMATRIX projection = screenProjection(static_cast<float>(width), static_cast<float>(height));
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        return true;
    }
};

TEST_F(D3D9DrawTest, TexturedAndAlphaBlendedQuad)
{
    ASSERT_TRUE(createDevice(64, 64));
    const D3DCOLOR background = 0xFF202080;
    const std::vector<D3DCOLOR> texels = {0xFFFF0000, 0x8000FF00, 0x00FFFFFF, 0x400000FF};
    IDirect3DTexture9* texture = createTexture(m_device, 2, 2, texels);
    ASSERT_NE(texture, nullptr);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    m_device->BeginScene();
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_device->SetTexture(0, texture);
    // Default stage 0: colour = texture x diffuse, alpha = texture.
    drawQuad(15.5f, 15.5f, 47.5f, 47.5f, 0xFF808080);
    // Without a texture the diffuse colour alone, blended by its alpha.
    m_device->SetTexture(0, nullptr);
    drawQuad(3.5f, 51.5f, 59.5f, 59.5f, 0x80FFFF00);
    m_device->EndScene();
    m_device->SetTexture(0, nullptr);
    texture->Release();

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 64u * 64u);
    const float half = 128.0f / 255.0f;
    EXPECT_TRUE(near(image.at(10, 10), background));
    EXPECT_TRUE(near(image.at(16, 16), blend(half, 0, 0, 1.0f, background))) << hex(image.at(16, 16));
    EXPECT_TRUE(near(image.at(47, 16), blend(0, half, 0, half, background))) << hex(image.at(47, 16));
    EXPECT_TRUE(near(image.at(16, 47), background)) << hex(image.at(16, 47)); // alpha 0
    EXPECT_TRUE(near(image.at(47, 47), blend(0, 0, half, 64.0f / 255.0f, background))) << hex(image.at(47, 47));
    EXPECT_TRUE(near(image.at(48, 47), background));
    EXPECT_TRUE(near(image.at(30, 55), blend(1, 1, 0, half, background))) << hex(image.at(30, 55));
    EXPECT_TRUE(matchesGolden(image, "textured_blended_quad"));
}

TEST_F(D3D9DrawTest, TransformedTrianglesAreCulledByScreenWindingAndLitBlackWithoutLights)
{
    ASSERT_TRUE(createDevice(64, 48));
    D3DMATRIX projection = screenProjection(64, 48), world = identity();
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
    m_device->SetTransform(D3DTS_WORLD, &world);
    // A clockwise triangle (as seen, y down) and a counter-clockwise one. Corners on half pixels
    // and a slope of 1/2 keep every edge off pixel centres, where rasterisers may differ.
    const ColorVertex triangles[6] = {{3.5f, 3.5f, 0.5f, 0xFFFF0000},   {27.5f, 3.5f, 0.5f, 0xFFFF0000},
                                      {3.5f, 15.5f, 0.5f, 0xFFFF0000},  {35.5f, 3.5f, 0.5f, 0xFF00FF00},
                                      {35.5f, 15.5f, 0.5f, 0xFF00FF00}, {59.5f, 3.5f, 0.5f, 0xFF00FF00}};
    auto draw = [&](DWORD cull) {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000040, 1.0f, 0);
        m_device->SetRenderState(D3DRS_CULLMODE, cull);
        m_device->SetFVF(kColorVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, triangles, sizeof(ColorVertex)), D3D_OK);
        return readBackBuffer();
    };
    // Lighting is on by default: with no lights the vertices come out black.
    Image lit = draw(D3DCULL_NONE);
    EXPECT_EQ(lit.at(8, 8), 0xFF000000u);
    EXPECT_EQ(lit.at(40, 8), 0xFF000000u);

    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    Image ccw = draw(D3DCULL_CCW);
    EXPECT_EQ(ccw.at(8, 8), 0xFFFF0000u);
    EXPECT_EQ(ccw.at(40, 8), 0xFF000040u);
    Image cw = draw(D3DCULL_CW);
    EXPECT_EQ(cw.at(8, 8), 0xFF000040u);
    EXPECT_EQ(cw.at(40, 8), 0xFF00FF00u);
    Image none = draw(D3DCULL_NONE);
    EXPECT_EQ(none.at(8, 8), 0xFFFF0000u);
    EXPECT_EQ(none.at(40, 8), 0xFF00FF00u);
    // The world matrix moves both down by 16 rows.
    world._42 = 16.0f;
    m_device->SetTransform(D3DTS_WORLD, &world);
    Image moved = draw(D3DCULL_NONE);
    EXPECT_EQ(moved.at(8, 8), 0xFF000040u);
    EXPECT_EQ(moved.at(8, 24), 0xFFFF0000u);
    EXPECT_EQ(moved.at(4, 20), 0xFFFF0000u); // first column and row inside
    EXPECT_EQ(moved.at(3, 20), 0xFF000040u);
    EXPECT_EQ(moved.at(26, 20), 0xFFFF0000u); // the slanted edge crosses row 20 at x = 26.5
    EXPECT_EQ(moved.at(27, 20), 0xFF000040u);
    EXPECT_TRUE(matchesGolden(moved, "transformed_triangles", 0));
}

TEST_F(D3D9DrawTest, AlphaTestColourWriteMaskAndDepthTest)
{
    ASSERT_TRUE(createDevice(48, 32));
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture9* texture = createTexture(m_device, 2, 1, {0x7FFFFFFF, 0x80FFFFFF});
    ASSERT_NE(texture, nullptr);
    m_device->SetTexture(0, texture);
    m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    drawQuad(-0.5f, -0.5f, 15.5f, 7.5f, 0xFFFFFFFF); // left half alpha 0x7F fails, right passes
    m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    m_device->SetTexture(0, nullptr);
    texture->Release();

    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA);
    drawQuad(15.5f, -0.5f, 31.5f, 7.5f, 0xFFFFFF00);
    m_device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);

    // Depth: a near quad hides a farther one drawn later, not a nearer one.
    drawQuad(-0.5f, 15.5f, 47.5f, 31.5f, 0xFFFF0000, 0.5f);
    drawQuad(-0.5f, 15.5f, 23.5f, 31.5f, 0xFF00FF00, 0.7f);
    drawQuad(23.5f, 15.5f, 47.5f, 31.5f, 0xFFFFFFFF, 0.3f);
    m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawQuad(31.5f, 23.5f, 47.5f, 31.5f, 0xFF000000, 0.1f); // passes but writes no depth
    drawQuad(39.5f, 23.5f, 47.5f, 31.5f, 0xFF00FFFF, 0.2f); // still passes against 0.3

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 48u * 32u);
    EXPECT_EQ(image.at(3, 3), 0xFF0000FFu);
    EXPECT_EQ(image.at(12, 3), 0x80FFFFFFu); // alpha from the texture
    EXPECT_EQ(image.at(20, 3), 0xFFFF00FFu); // red written, blue kept
    EXPECT_EQ(image.at(10, 20), 0xFFFF0000u);
    EXPECT_EQ(image.at(28, 20), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(34, 28), 0xFF000000u);
    EXPECT_EQ(image.at(44, 28), 0xFF00FFFFu);
    EXPECT_TRUE(matchesGolden(image, "alpha_test_mask_depth", 0));
}

TEST_F(D3D9DrawTest, IndexedDrawsFansAndDrawsFromMemory)
{
    ASSERT_TRUE(createDevice(64, 32));
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    struct V {
        float x, y, z, rhw;
        D3DCOLOR c;
    };
    // Two vertices of padding, then three quads' corners.
    // Quads on pixel edges (-0.5): each covers a whole 16x16 block.
    const float e = -0.5f;
    const V vertices[] = {{0, 0, 0, 1, 0},
                          {0, 0, 0, 1, 0},
                          {0 + e, 0 + e, 0.5f, 1, 0xFFFF0000},
                          {16 + e, 0 + e, 0.5f, 1, 0xFFFF0000},
                          {0 + e, 16 + e, 0.5f, 1, 0xFFFF0000},
                          {16 + e, 16 + e, 0.5f, 1, 0xFFFF0000},
                          {16 + e, 0 + e, 0.5f, 1, 0xFF00FF00},
                          {32 + e, 0 + e, 0.5f, 1, 0xFF00FF00},
                          {16 + e, 16 + e, 0.5f, 1, 0xFF00FF00},
                          {32 + e, 16 + e, 0.5f, 1, 0xFF00FF00}};
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(sizeof vertices, D3DUSAGE_WRITEONLY, D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
                                           D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices, sizeof vertices);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    const WORD indices16[] = {0, 1, 2, 2, 1, 3};
    const DWORD indices32[] = {9, 9, 0, 1, 2, 2, 1, 3};
    IDirect3DIndexBuffer9* ib16 = nullptr;
    IDirect3DIndexBuffer9* ib32 = nullptr;
    ASSERT_EQ(m_device->CreateIndexBuffer(sizeof indices16, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib16, nullptr),
              D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(sizeof indices32, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib32, nullptr),
              D3D_OK);
    ASSERT_EQ(ib16->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices16, sizeof indices16);
    ib16->Unlock();
    ASSERT_EQ(ib32->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices32, sizeof indices32);
    ib32->Unlock();

    m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    m_device->SetStreamSource(0, vb, 0, sizeof(V));
    m_device->SetIndices(ib16);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 0, 2), D3D_OK); // red quad
    m_device->SetIndices(ib32);
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 6, 0, 4, 2, 2), D3D_OK);             // green quad
    EXPECT_EQ(m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 6, 0, 4, 4, 2), D3DERR_INVALIDCALL); // past the end
    // A fan from memory and an indexed list from memory.
    const V fan[] = {{40 + e, 8 + e, 0.5f, 1, 0xFF0000FF},  {32 + e, 0 + e, 0.5f, 1, 0xFF0000FF},
                     {48 + e, 0 + e, 0.5f, 1, 0xFF0000FF},  {48 + e, 16 + e, 0.5f, 1, 0xFF0000FF},
                     {32 + e, 16 + e, 0.5f, 1, 0xFF0000FF}, {32 + e, 0 + e, 0.5f, 1, 0xFF0000FF}};
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 4, fan, sizeof(V)), D3D_OK);
    IDirect3DVertexBuffer9* stream = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    UINT offset = 1, stride = 1;
    m_device->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr); // a draw from memory leaves stream 0 unset
    const V corners[] = {{48 + e, 0 + e, 0.5f, 1, 0xFFFFFF00},
                         {64 + e, 0 + e, 0.5f, 1, 0xFFFFFF00},
                         {48 + e, 16 + e, 0.5f, 1, 0xFFFFFF00},
                         {64 + e, 16 + e, 0.5f, 1, 0xFFFFFF00}};
    EXPECT_EQ(
        m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices16, D3DFMT_INDEX16, corners, sizeof(V)),
        D3D_OK);
    IDirect3DIndexBuffer9* boundIndices = reinterpret_cast<IDirect3DIndexBuffer9*>(1);
    m_device->GetIndices(&boundIndices);
    EXPECT_EQ(boundIndices, nullptr);

    Image image = readBackBuffer();
    ASSERT_EQ(image.pixels.size(), 64u * 32u);
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(15, 15), 0xFFFF0000u);
    EXPECT_EQ(image.at(16, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(31, 15), 0xFF00FF00u);
    EXPECT_EQ(image.at(32, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(47, 15), 0xFF0000FFu);
    EXPECT_EQ(image.at(48, 0), 0xFFFFFF00u);
    EXPECT_EQ(image.at(63, 15), 0xFFFFFF00u);
    EXPECT_EQ(image.at(0, 16), 0xFF000000u);
    vb->Release();
    ib16->Release();
    ib32->Release();
}

// A frame of many draws is handed to the driver in batches, and the draws wait for an older batch
// while too many are outstanding: every draw must still land, in order, and a device released
// with batches outstanding must go cleanly. Each draw takes the other of two white textures, so
// the driver holds a state of its own for each and the batches come often.
TEST_F(D3D9DrawTest, EveryDrawOfAFrameOfManyBatchesLandsInOrder)
{
    ASSERT_TRUE(createDevice(16, 8));
    IDirect3DTexture9* white[2] = {createTexture(m_device, 1, 1, {0xFFFFFFFF}),
                                   createTexture(m_device, 1, 1, {0xFFFFFFFF})};
    ASSERT_TRUE(white[0] && white[1]);
    int draws = 0;
    auto drawWhite = [&](float x0, float y0, float x1, float y1, D3DCOLOR color) {
        m_device->SetTexture(0, white[++draws % 2]);
        drawQuad(x0, y0, x1, y1, color);
    };
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const unsigned batchesBefore = PlatformBatchesHandedOver(m_device);
    m_device->BeginScene();
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    // Each pixel its own colour, each drawn twice: first a wrong colour, then the right one.
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                const D3DCOLOR right = D3DCOLOR_ARGB(0xFF, x * 16, y * 32, 0x80);
                drawWhite(x - 0.5f, y - 0.5f, x + 0.5f, y + 0.5f, pass ? right : 0xFFFFFFFF);
            }
        }
    }
    // Additive draws on one corner: all of them count.
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    drawWhite(-0.5f, -0.5f, 0.5f, 0.5f, 0xFF000000);
    for (int i = 0; i < 60; ++i)
        drawWhite(-0.5f, -0.5f, 0.5f, 0.5f, 0x00040000);
    m_device->EndScene();
    EXPECT_GE(PlatformBatchesHandedOver(m_device) - batchesBefore, 4u);
    const Image image = readBackBuffer();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const D3DCOLOR want = x == 0 && y == 0 ? 0xFFF00080 : D3DCOLOR_ARGB(0xFF, x * 16, y * 32, 0x80);
            EXPECT_EQ(image.at(x, y), want) << x << "," << y;
        }
    }
    // Batches outstanding when the device goes (the fixture releases it).
    for (int i = 0; i < 40; ++i)
        drawWhite(-0.5f, -0.5f, 15.5f, 7.5f, 0xFF102030);
    m_device->SetTexture(0, nullptr);
    for (IDirect3DTexture9* texture : white)
        texture->Release();
}

// What the driver is handed at once follows what it keeps per draw, not the number of draws:
// draws of one state are not cut up however many there are, while draws that each change the
// pixel state, and clears of part of the target (drawn by the driver as quads of their own state),
// are handed over every few.
TEST_F(D3D9DrawTest, BatchesFollowWhatTheDriverKeepsPerDraw)
{
    ASSERT_TRUE(createDevice(256, 128));
    IDirect3DTexture9* textures[2] = {createTexture(m_device, 1, 1, {0xFFFF0000}),
                                      createTexture(m_device, 1, 1, {0xFF00FF00})};
    ASSERT_TRUE(textures[0] && textures[1]);
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_device->SetTexture(0, textures[0]);
    auto batchesOf = [&](const std::function<void()>& frame) {
        const unsigned before = PlatformBatchesHandedOver(m_device);
        m_device->BeginScene();
        frame();
        m_device->EndScene();
        return PlatformBatchesHandedOver(m_device) - before;
    };
    // 300 quads of one state, over the whole target and over one pixel.
    EXPECT_EQ(batchesOf([&] {
                  for (int i = 0; i < 300; ++i)
                      drawQuad(i % 2 ? -0.5f : 10.5f, -0.5f, i % 2 ? 255.5f : 11.5f, 127.5f, 0xFFFFFFFF);
              }),
              0u);
    // 256 quads, each with the other texture: at most sixty-four such draws wait at once.
    EXPECT_GE(batchesOf([&] {
                  for (int i = 0; i < 256; ++i) {
                      m_device->SetTexture(0, textures[i % 2]);
                      drawQuad(10.5f, 10.5f, 20.5f, 20.5f, 0xFFFFFFFF);
                  }
              }),
              3u);
    // 160 clears of a small rectangle between draws of one state.
    EXPECT_GE(batchesOf([&] {
                  for (int i = 0; i < 160; ++i) {
                      const D3DRECT rect = {i, 0, i + 1, 1};
                      m_device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
                      drawQuad(100.5f, 10.5f, 120.5f, 20.5f, 0xFFFFFFFF);
                  }
              }),
              3u);
    // Every draw and clear landed.
    const Image image = readBackBuffer();
    EXPECT_EQ(image.at(159, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(160, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(15, 15), 0xFF00FF00u);
    EXPECT_EQ(image.at(110, 15), 0xFF00FF00u);
    m_device->SetTexture(0, nullptr);
    for (IDirect3DTexture9* texture : textures)
        texture->Release();
}

// Leaving a target hands its draws to the driver at once, one call, so the rasteriser draws them
// while the next pass is prepared; setting the same target again, or leaving a target nothing was
// drawn into since, sends nothing. Every draw lands in the target it was made for.
TEST_F(D3D9DrawTest, LeavingATargetHandsItsDrawsOverOnce)
{
    ASSERT_TRUE(createDevice(8, 8));
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* other = nullptr;
    ASSERT_TRUE(backAndSecondTarget(m_device, back, other));
    drawQuad(-0.5f, -0.5f, 7.5f, 7.5f, 0xFF102030);
    EXPECT_EQ(glCallsOf([&] { m_device->SetRenderTarget(0, back); }), 0u);
    EXPECT_EQ(glCallsOf([&] { m_device->SetRenderTarget(0, other); }), 1u);
    EXPECT_EQ(glCallsOf([&] { m_device->SetRenderTarget(0, back); }), 0u);
    EXPECT_EQ(glCallsOf([&] { m_device->SetRenderTarget(0, other); }), 0u);
    drawQuad(-0.5f, -0.5f, 3.5f, 7.5f, 0xFF405060);
    // Taking the depth surface away leaves the target's draws too.
    EXPECT_EQ(glCallsOf([&] { m_device->SetDepthStencilSurface(nullptr); }), 1u);
    drawQuad(3.5f, -0.5f, 7.5f, 7.5f, 0xFF708090);
    m_device->SetRenderTarget(0, back);
    drawQuad(-0.5f, -0.5f, 7.5f, 3.5f, 0xFFA0B0C0);
    const Image backImage = readBackBuffer(), otherImage = readTarget(other);
    EXPECT_EQ(backImage.at(1, 1), 0xFFA0B0C0u);
    EXPECT_EQ(backImage.at(1, 6), 0xFF102030u);
    EXPECT_EQ(otherImage.at(1, 1), 0xFF405060u);
    EXPECT_EQ(otherImage.at(6, 6), 0xFF708090u);
    back->Release();
    other->Release();
}

// A scene's clear of a large target's colour and depth, before anything is drawn into it, goes to
// the driver at once, so leaving the target afterwards has nothing left to send. Colour alone, a
// small target, or a clear after draws waits for the target to be left. The draws after the
// clear land over it.
TEST_F(D3D9DrawTest, AScenesWholeClearOfALargeTargetIsHandedOverAtOnce)
{
    ASSERT_TRUE(createDevice(512, 512));
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* small = nullptr;
    ASSERT_TRUE(backAndSecondTarget(m_device, back, small));
    // GL calls of leaving the back buffer for the small target after the step, and back again.
    auto leavingAfter = [&](IDirect3DSurface9* target, const std::function<void()>& step) {
        m_device->SetRenderTarget(0, target);
        step();
        const uint64_t calls = glCallsOf([&] { m_device->SetRenderTarget(0, target == back ? small : back); });
        m_device->SetRenderTarget(0, back);
        return calls;
    };
    const DWORD both = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    float depth = 0.5f;
    EXPECT_EQ(leavingAfter(back, [&] { m_device->Clear(0, nullptr, both, 0xFF000000, depth += 0.1f, 0); }), 0u);
    EXPECT_EQ(leavingAfter(back, [&] { m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0); }), 1u);
    EXPECT_EQ(leavingAfter(back,
                           [&] {
                               drawQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFF102030);
                               m_device->Clear(0, nullptr, both, 0xFF000000, depth += 0.1f, 0);
                           }),
              1u);
    EXPECT_EQ(leavingAfter(small, [&] { m_device->Clear(0, nullptr, both, 0xFF000000, depth += 0.1f, 0); }), 1u);
    // A draw after a clear handed over lands over it.
    m_device->Clear(0, nullptr, both, 0xFF405060, 0.25f, 0);
    drawQuad(99.5f, 99.5f, 199.5f, 199.5f, 0xFFA0B0C0);
    const Image image = readBackBuffer();
    EXPECT_EQ(image.at(50, 50), 0xFF405060u);
    EXPECT_EQ(image.at(150, 150), 0xFFA0B0C0u);
    small->Release();
    back->Release();
}

// Draws from memory fill a ring that starts over when full and at every Present; each start lets
// the driver orphan what earlier draws still read. Every quad of frames that go round the ring
// several times lands with its own colour.
TEST_F(D3D9DrawTest, DrawsFromMemoryGoingRoundTheirRingLandInOrder)
{
    ASSERT_TRUE(createDevice(16, 8));
    m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    for (int frame = 0; frame < 2; ++frame) {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        // 10 rounds of 128 quads of 112 bytes, 140 KB: the 64 KB ring starts over twice.
        for (int round = 0; round < 10; ++round) {
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const D3DCOLOR color = D3DCOLOR_ARGB(0xFF, x * 16, y * 32, round * 20 + frame);
                    drawQuad(x - 0.5f, y - 0.5f, x + 0.5f, y + 0.5f, color);
                }
            }
        }
        const Image image = readBackBuffer();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x)
                EXPECT_EQ(image.at(x, y), D3DCOLOR_ARGB(0xFF, x * 16, y * 32, 180 + frame)) << x << "," << y;
        }
        m_device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

TEST_F(D3D9DrawTest, DrawsFromMemoryOfOneLayoutPointAtTheirOwnVerticesAfterABufferDrawOrAnotherStride)
{
    // Draws from memory of one layout keep the attribute set-up of the last such draw; a draw
    // from a buffer of the same layout in between, or another stride, must not leave it behind.
    ASSERT_TRUE(createFlatDevice(8, 4));
    m_device->SetFVF(kColorVertexFvf);
    // One-pixel squares on pixel (x, 0).
    auto square = [](int x, D3DCOLOR colour) {
        const float l = static_cast<float>(x) - 0.5f, r = static_cast<float>(x) + 0.5f;
        return std::vector<ColorVertex>{
            {l, -0.5f, 0.5f, colour}, {r, -0.5f, 0.5f, colour}, {l, 0.5f, 0.5f, colour}, {r, 0.5f, 0.5f, colour}};
    };
    const std::vector<ColorVertex> green = square(1, 0xFF00FF00);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(static_cast<UINT>(green.size() * sizeof(ColorVertex)), D3DUSAGE_WRITEONLY,
                                           kColorVertexFvf, D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, green.data(), green.size() * sizeof(ColorVertex));
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    // The same layout with a word of padding after each vertex.
    struct PaddedVertex {
        ColorVertex vertex;
        DWORD padding;
    };
    std::vector<PaddedVertex> padded;
    for (const ColorVertex& v : square(3, 0xFF0000FF))
        padded.push_back({v, 0xFFFFFFFF});

    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    for (int frame = 0; frame < 2; ++frame) {
        const std::vector<ColorVertex> red = square(0, 0xFFFF0000), white = square(2, 0xFFFFFFFF);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, red.data(), sizeof(ColorVertex)), D3D_OK);
        m_device->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
        EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, white.data(), sizeof(ColorVertex)), D3D_OK);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, padded.data(), sizeof(PaddedVertex)), D3D_OK);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, square(4, 0xFFFFFF00).data(), sizeof(ColorVertex)),
                  D3D_OK);
    }
    const Image image = readBackBuffer();
    EXPECT_EQ(image.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(image.at(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(3, 0), 0xFF0000FFu);
    EXPECT_EQ(image.at(4, 0), 0xFFFFFF00u);
    EXPECT_EQ(image.at(5, 0), 0xFF000000u);
    vb->Release();
}

// One shape drawn from memory at many places (the same vertices, another world matrix each) is
// written to the ring once and drawn from there again; other vertices in between, the ring
// starting over and Present all leave every copy where its own matrix puts it, and a copy of the
// vertices changed in place is drawn as changed.
TEST_F(D3D9DrawTest, TheSameVerticesDrawnFromMemoryAgainLandWhereEachDrawPutsThem)
{
    ASSERT_TRUE(createFlatDevice(16, 8));
    // A one-pixel square on pixel (0, 0), whose centre is at (0, 0).
    ColorVertex square[4] = {{-0.5f, -0.5f, 0.5f, 0xFFFF0000},
                             {0.5f, -0.5f, 0.5f, 0xFFFF0000},
                             {-0.5f, 0.5f, 0.5f, 0xFFFF0000},
                             {0.5f, 0.5f, 0.5f, 0xFFFF0000}};
    auto drawAt = [&](int x, int y) {
        D3DMATRIX world = identity();
        world._41 = static_cast<float>(x);
        world._42 = static_cast<float>(y);
        m_device->SetTransform(D3DTS_WORLD, &world);
        m_device->SetFVF(kColorVertexFvf);
        EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, square, sizeof(ColorVertex)), D3D_OK);
    };
    for (int frame = 0; frame < 2; ++frame) {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        // Row 0 and 1 red, drawn twice each, with screen quads of other vertices in between on
        // rows 2 and 3; 700 quads of 112 bytes go round the 64 KB ring.
        for (int round = 0; round < 2; ++round) {
            for (int x = 0; x < 16; ++x) {
                drawAt(x, 0);
                drawAt(x, 1);
                drawQuad(x - 0.5f, 1.5f, x + 0.5f, 2.5f, D3DCOLOR_ARGB(0xFF, 0, x * 16, round));
                for (int i = 0; i < 10; ++i)
                    drawQuad(x - 0.5f, 2.5f, x + 0.5f, 3.5f, D3DCOLOR_ARGB(0xFF, 0, 0, x * 16 + i));
            }
        }
        // The same array with a new colour: drawn as it is now.
        for (ColorVertex& v : square)
            v.color = 0xFF0000FF;
        drawAt(5, 4);
        drawAt(6, 4);
        for (ColorVertex& v : square)
            v.color = 0xFFFF0000;
        const Image image = readBackBuffer();
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(image.at(x, 0), 0xFFFF0000u) << x;
            EXPECT_EQ(image.at(x, 1), 0xFFFF0000u) << x;
            EXPECT_EQ(image.at(x, 2), D3DCOLOR_ARGB(0xFF, 0, x * 16, 1)) << x;
            EXPECT_EQ(image.at(x, 3), D3DCOLOR_ARGB(0xFF, 0, 0, x * 16 + 9)) << x;
            EXPECT_EQ(image.at(x, 4), x == 5 || x == 6 ? 0xFF0000FFu : 0xFF000000u) << x;
        }
        m_device->Present(nullptr, nullptr, nullptr, nullptr);
    }
}
