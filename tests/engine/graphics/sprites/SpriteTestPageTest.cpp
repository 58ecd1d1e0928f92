// The sprite test page: one texture drawn with every draw mode, turned, colour
// keyed, through shared and cut parts, blended, and a render-to-texture panel,
// on the engine's real device. Compared with a golden image; pixels whose value
// can be worked out are checked on their own as well.
#include "GraphicsTestSupport.h"

#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/RenderToTexture.h"
#include "graphics/textures/Texture2D.h"

#include <d3dx9tex.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace Ulvo;
using GraphicsTesting::Image;
using GraphicsTesting::Painter;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202830;
constexpr D3DCOLOR kPanelClear = 0xFF406080;
constexpr D3DCOLOR kKey = 0xFFFF00FF;

// The test texture: four vertical bands (red, green, blue, yellow), 8 texels
// each, bright in the top half and half as bright in the bottom half, so every
// flip, cut and offset shows.
D3DCOLOR band(int x, int y)
{
    static const D3DCOLOR bright[4] = {0xFFE03030, 0xFF30C040, 0xFF3050E0, 0xFFE0C030};
    const D3DCOLOR c = bright[(x / 8) & 3];
    if (y < 8)
        return c;
    return 0xFF000000 | ((c >> 1) & 0x007F7F7F);
}

bool fillBands(Texture2D& texture)
{
    return GraphicsTesting::fillTexture(texture, 32, 16,
                                        [](UINT x, UINT y) { return band(static_cast<int>(x), static_cast<int>(y)); });
}

// A 16 x 16 24-bit BMP: magenta (the colour key) around a white 8 x 8 square.
std::vector<uint8_t> keyedBitmap()
{
    const int size = 16;
    const int imageBytes = size * size * 3;
    std::vector<uint8_t> bmp(54 + imageBytes, 0);
    auto put32 = [&bmp](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    bmp[26] = 1;
    bmp[28] = 24;
    put32(34, imageBytes);
    for (int row = 0; row < size; ++row) {
        const int y = size - 1 - row; // bottom-up
        for (int x = 0; x < size; ++x) {
            uint8_t* p = &bmp[54 + (row * size + x) * 3];
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            p[0] = inside ? 0xFF : 0xFF; // blue
            p[1] = inside ? 0xFF : 0x00; // green
            p[2] = 0xFF;                 // red
        }
    }
    return bmp;
}

XMLNode* partNode(const wchar_t* name, LONG l, LONG t, LONG r, LONG b, bool cut)
{
    auto* node = new XMLNode(L"TEX_PART");
    node->addAttribute(new XMLAttribute(L"NAME", name));
    if (cut)
        node->addAttribute(new XMLAttribute(L"CUT", 1));
    auto* rect = new XMLNode(L"TEX_RECT");
    rect->addAttribute(new XMLAttribute(L"L", static_cast<int>(l)));
    rect->addAttribute(new XMLAttribute(L"T", static_cast<int>(t)));
    rect->addAttribute(new XMLAttribute(L"R", static_cast<int>(r)));
    rect->addAttribute(new XMLAttribute(L"B", static_cast<int>(b)));
    node->addNode(rect);
    return node;
}

// Source-alpha blending of an opaque texel modulated by a colour over an opaque
// target; the target's alpha is blended the same way.
D3DCOLOR blend(D3DCOLOR src, D3DCOLOR dst, D3DCOLOR modulate)
{
    const float a = static_cast<float>((modulate >> 24) & 0xFF) / 255.0f;
    D3DCOLOR out = 0;
    src = (src & 0x00FFFFFF) | (modulate & 0xFF000000);
    for (int shift = 0; shift < 32; shift += 8) {
        const float s = static_cast<float>((src >> shift) & 0xFF);
        const float d = static_cast<float>((dst >> shift) & 0xFF);
        out |= static_cast<D3DCOLOR>(s * a + d * (1.0f - a) + 0.5f) << shift;
    }
    return out;
}

RECT rect(LONG l, LONG t, LONG r, LONG b)
{
    return RECT{l, t, r, b};
}

} // namespace

TEST(SpriteTestPage, EveryDrawModeAndFeatureOnOnePage)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice(320, 240);
    ASSERT_NE(device, nullptr);

    Texture2D bands;
    ASSERT_TRUE(fillBands(bands));

    // Colour key: magenta becomes transparent black as the texture is made.
    const std::vector<uint8_t> bmp = keyedBitmap();
    IDirect3DTexture9* keyed = nullptr;
    ASSERT_TRUE(SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(
        device, bmp.data(), static_cast<UINT>(bmp.size()), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_A8R8G8B8,
        D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, kKey, nullptr, nullptr, &keyed)));

    // A shared part draws through the bands' own Direct3D texture; a cut part has its own.
    XMLNode* sharedNode = partNode(L"SHARED", 8, 0, 24, 16, false);
    XMLNode* cutNode = partNode(L"CUT", 16, 4, 32, 12, true);
    Texture2D shared;
    Texture2D cut;
    ASSERT_TRUE(shared.createPartFromTexture(sharedNode, &bands));
    ASSERT_TRUE(cut.createPartFromTexture(cutNode, &bands));
    delete sharedNode;
    delete cutNode;
    EXPECT_EQ(shared.getTexture(), bands.getTexture());
    EXPECT_NE(cut.getTexture(), bands.getTexture());
    EXPECT_EQ(cut.getRect().right, 16);
    EXPECT_EQ(cut.getRect().bottom, 8);

    D3DXSprite sprite;
    ASSERT_TRUE(sprite.create());

    // The panel sits at a non-zero offset on screen; inside the target it draws from (0, 0).
    RenderToTexture panel(rect(8, 110, 104, 182), D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    ASSERT_TRUE(panel.create());
    Painter painter;
    painter.paint = [&](RenderToTexture&) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kPanelClear, 1.0f, 0);
        ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
        sprite.drawTexture(&shared, nullptr, SpriteDrawInfo(D3DXVECTOR2(8, 8), D3DXVECTOR2(16, 16)), SDP_SCALE,
                           SDP_SCALE, 0xFFFFFFFF);
        sprite.drawRegion(&bands, nullptr, rect(32, 8, 88, 40), SDP_REPEAT, SDP_REPEAT, 0xFFFFFFFF);
        sprite.drawTexture(&bands, nullptr,
                           SpriteDrawInfo(D3DXVECTOR2(48, 54), D3DXVECTOR2(32, 16), -20.0f, D3DXVECTOR2(0.5f, 0.5f),
                                          SpriteDrawInfo::SDI_CENTER_RELATIVE | SpriteDrawInfo::SDI_POSITION_IS_CENTER),
                           SDP_SCALE, SDP_SCALE, 0xFFFFFFFF);
        EXPECT_TRUE(sprite.End());
    };
    panel.onRender.connect(&painter, &Painter::onRender);
    panel.render();
    EXPECT_EQ(painter.calls, 1);

    // The page has a target of its own, so its size does not depend on the back buffer's.
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* previous = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        device->CreateRenderTarget(320, 240, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr)));
    ASSERT_TRUE(SUCCEEDED(device->GetRenderTarget(0, &previous)));
    ASSERT_TRUE(SUCCEEDED(device->SetRenderTarget(0, target)));
    ASSERT_TRUE(SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0)));
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
    const D3DCOLOR white = 0xFFFFFFFF;
    // Top row: scale, repeat, stretch to the front and to the back, clamp.
    EXPECT_TRUE(sprite.drawRegion(&bands, nullptr, rect(8, 8, 56, 40), SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.drawRegion(&bands, nullptr, rect(64, 8, 140, 44), SDP_REPEAT, SDP_REPEAT, white));
    EXPECT_TRUE(
        sprite.drawRegion(&bands, nullptr, rect(148, 8, 188, 48), SDP_STRETCH, SDP_STRETCH | SDP_ALIGN_FRONT, white));
    EXPECT_TRUE(
        sprite.drawRegion(&bands, nullptr, rect(196, 8, 236, 48), SDP_STRETCH, SDP_STRETCH | SDP_ALIGN_BACK, white));
    EXPECT_TRUE(sprite.drawRegion(&bands, nullptr, rect(244, 8, 312, 40), SDP_CLAMP, SDP_CLAMP, white));
    // Second row: stretch-number, a turned sprite, the colour key over the bands,
    // the shared part texel for texel, the cut part doubled, a half-transparent draw.
    EXPECT_TRUE(sprite.drawTexture(&bands, nullptr, SpriteDrawInfo(D3DXVECTOR2(8, 56), D3DXVECTOR2(48, 40)),
                                   SDP_STRETCH_NUMBER, SDP_REPEAT, white));
    EXPECT_TRUE(
        sprite.drawTexture(&bands, nullptr,
                           SpriteDrawInfo(D3DXVECTOR2(100, 80), D3DXVECTOR2(48, 24), 30.0f, D3DXVECTOR2(0.5f, 0.5f),
                                          SpriteDrawInfo::SDI_CENTER_RELATIVE | SpriteDrawInfo::SDI_POSITION_IS_CENTER),
                           SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.drawRegion(&bands, nullptr, rect(140, 56, 188, 96), SDP_SCALE, SDP_SCALE, white));
    const RECT keyedRect = rect(0, 0, 16, 16);
    EXPECT_TRUE(sprite.drawRawTexture(&keyed, &keyedRect, SpriteDrawInfo(D3DXVECTOR2(148, 60), D3DXVECTOR2(32, 32)),
                                      SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.drawTexture(&shared, nullptr, SpriteDrawInfo(D3DXVECTOR2(200, 64), D3DXVECTOR2(16, 16)),
                                   SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.drawRegion(&cut, nullptr, rect(228, 64, 260, 80), SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.drawRegion(&bands, nullptr, rect(268, 56, 300, 72), SDP_SCALE, SDP_SCALE, 0x80FFFFFF));
    // Third row: the render-to-texture panel where its rectangle says.
    EXPECT_TRUE(sprite.drawRegion(panel.getTexture(), nullptr, panel.getRect(), SDP_SCALE, SDP_SCALE, white));
    EXPECT_TRUE(sprite.End());
    ASSERT_TRUE(SUCCEEDED(device->EndScene()));
    device->SetRenderTarget(0, previous);
    previous->Release();
    const Image page = GraphicsTesting::readSurface(target);
    target->Release();
    ASSERT_EQ(page.width, 320u);
    ASSERT_EQ(page.height, 240u);

    // Scale 1.5 x 2: well inside the first band, top half.
    EXPECT_PIXEL(page, 14, 14, band(4, 3));
    EXPECT_PIXEL(page, 8 + 47, 8 + 31, band(31, 15));
    // Repeat: second tile, then the right column cut to 12 texels and the bottom row cut to 4.
    EXPECT_PIXEL(page, 64 + 32 + 30, 8 + 12, band(30, 12));
    EXPECT_PIXEL(page, 64 + 64 + 2, 8 + 2, band(2, 2));
    EXPECT_PIXEL(page, 64 + 64 + 10, 8 + 2, band(10, 2));
    EXPECT_PIXEL(page, 64 + 64 + 13, 8 + 2, kBackground);
    EXPECT_PIXEL(page, 64 + 20, 8 + 33, band(20, 1));
    EXPECT_PIXEL(page, 64 + 20, 8 + 37, kBackground);
    // Stretch 1.25: 20 high at the top of its 40, or at the bottom.
    EXPECT_PIXEL(page, 148 + 5, 8 + 5, band(4, 4));
    EXPECT_PIXEL(page, 148 + 5, 8 + 25, kBackground);
    EXPECT_PIXEL(page, 196 + 5, 8 + 5, kBackground);
    EXPECT_PIXEL(page, 196 + 5, 8 + 35, band(4, 12));
    // Clamp: natural size, centred at (262, 16), texel for texel.
    EXPECT_PIXEL(page, 262, 16, band(0, 0));
    EXPECT_PIXEL(page, 261, 16, kBackground);
    EXPECT_PIXEL(page, 262 + 31, 16 + 15, band(31, 15));
    EXPECT_PIXEL(page, 262 + 17, 16 + 9, band(17, 9));
    // Stretch-number: 1.5 across; one whole 24-high tile, then 10 texels (15 pixels).
    EXPECT_PIXEL(page, 8 + 5, 56 + 5, band(3, 3));
    EXPECT_PIXEL(page, 8 + 5, 56 + 24 + 3, band(3, 2));
    EXPECT_PIXEL(page, 8 + 5, 56 + 24 + 17, kBackground);
    // The turned sprite (30 degrees clockwise about (100, 80)): pixel (100, 73) comes from
    // texel (14.1, 4.1); turned the other way it would come from the blue band.
    EXPECT_PIXEL(page, 100, 73, band(14, 4));
    // Colour key: the magenta frame shows the bands behind; the white square covers them.
    EXPECT_PIXEL(page, 149, 61, band(6, 2));
    EXPECT_PIXEL(page, 164, 76, 0xFFFFFFFF);
    // Shared part texel for texel: bands 8..23.
    for (int y = 0; y < 16; y += 5)
        for (int x = 0; x < 16; x += 3)
            EXPECT_PIXEL(page, 200 + x, 64 + y, band(8 + x, y));
    // Cut part (bands 16..31, rows 4..11) at twice its size.
    EXPECT_PIXEL(page, 228 + 1, 64 + 1, band(16, 4));
    EXPECT_PIXEL(page, 228 + 30, 64 + 14, band(31, 11));
    // Half-transparent: source alpha blending over the background.
    EXPECT_PIXEL(page, 268, 56, blend(band(0, 0), kBackground, 0x80FFFFFF));
    EXPECT_PIXEL(page, 268 + 31, 56 + 15, blend(band(31, 15), kBackground, 0x80FFFFFF));
    // The panel: its clear colour, and the shared part drawn at (8, 8) inside it.
    EXPECT_PIXEL(page, 8 + 2, 110 + 2, kPanelClear);
    EXPECT_PIXEL(page, 8 + 8, 110 + 8, band(8, 0));
    EXPECT_PIXEL(page, 8 + 23, 110 + 23, band(23, 15));
    EXPECT_PIXEL(page, 8 + 95, 110 + 71, kPanelClear);
    EXPECT_PIXEL(page, 8 + 96, 110 + 72, kBackground);

    EXPECT_TRUE(GraphicsTesting::matchesGolden(page, "sprite_test_page"));

    keyed->Release();
}
