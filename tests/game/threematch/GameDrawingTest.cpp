// A frame of the game's own drawing on the engine's device: a box drawn with the frame atlas
// and particles of two layers over it, compared with a golden image.
#include "GameTestSupport.h"
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace ThreeMatch;

namespace {

constexpr D3DCOLOR kBackground = 0xFF203028;
constexpr D3DCOLOR kFill = 0xFFE3E3F0;
constexpr D3DCOLOR kRed = 0xFFE03030;
constexpr D3DCOLOR kBlue = 0xFF3050E0;

// How far inside a 90 x 90 square with corners rounded by 24 a texel lies (negative: outside).
float insideRounded(UINT cx, UINT cy)
{
    const float x = static_cast<float>(cx) + 0.5f, y = static_cast<float>(cy) + 0.5f, r = 24.0f;
    const float nx = std::clamp(x, r, 90.0f - r), ny = std::clamp(y, r, 90.0f - r);
    const float edge = std::min({x, y, 90.0f - x, 90.0f - y});
    const bool corner = nx != x && ny != y;
    return corner ? r - std::hypot(x - nx, y - ny) : edge;
}

// The atlas: column 0 of every row a white rounded square, column 6 its outline three texels
// wide, everything else clear.
D3DCOLOR atlasTexel(UINT x, UINT y)
{
    const UINT column = x / 100, cx = x % 100, cy = y % 100;
    if (cx >= 90 || cy >= 90)
        return 0;
    const float inside = insideRounded(cx, cy);
    if (inside < 0.0f)
        return 0;
    if (column == 0 || (column == 6 && inside < 3.0f))
        return 0xFFFFFFFF;
    return 0;
}

// A disc filling its 16 x 16 texture.
D3DCOLOR discTexel(UINT x, UINT y)
{
    const float dx = static_cast<float>(x) + 0.5f - 8.0f, dy = static_cast<float>(y) + 0.5f - 8.0f;
    return dx * dx + dy * dy <= 64.0f ? 0xFFFFFFFF : 0;
}

} // namespace

TEST(GameDrawing, FrameBoxWithParticlesOfTwoLayers)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    Ulvo::Texture2D atlas;
    ASSERT_TRUE(GraphicsTesting::fillTexture(atlas, 700, 300, atlasTexel));
    Ulvo::Texture2D disc;
    ASSERT_TRUE(GraphicsTesting::fillTexture(disc, 16, 16, discTexel));

    MyGlobals globals;
    globals.setFrameTexture(&atlas);
    PartikelManager& particles = globals.getPartikelManager();
    particles.load(GameTesting::parse(LR"(<PARTIKEL>
        <PARTIKEL_INFO NAME="ROT" SIZE="16 16" FRAMES="1 1" SCALE="24 24" COLORKEY="FFE03030 0"/>
        <PARTIKEL_INFO NAME="BLAU" SIZE="16 16" FRAMES="1 1" SCALE="24 24" ROTATION="45" COLORKEY="FF3050E0 0"/>
      </PARTIKEL>)"));
    for (PartikelInfo* info : particles.getPartikelInfos())
        info->texture = &disc;
    // Below the board (layer -1) and over it (layer 0); where they overlap layer 0 lies on top.
    particles.emitPartikel(L"ROT", 60, 60, 1.0, -1);
    particles.emitPartikel(L"BLAU", 76, 60, 1.0, 0);
    particles.emitPartikel(L"ROT", 120, 40, 2.0, -1);
    particles.emitPartikel(L"BLAU", 30, 95, 0.5, 0);

    GraphicsTesting::ScopedTarget target(device, 160, 120);
    ASSERT_TRUE(target.ok());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
    device->BeginScene();
    Ulvo::D3DXSprite* sprite = gameSprite();
    ASSERT_NE(sprite, nullptr);
    ASSERT_TRUE(sprite->Begin(D3DXSPRITE_ALPHABLEND));
    // The tooltip's look: a light fill, no middle layer, a black outline.
    globals.drawFrame(RECT{10, 10, 150, 110}, 12, kFill, 0xFF000000, 0x00000000, 0, 0, 0, 0);
    particles.render(-1, 0xFFFFFFFF);
    particles.render(0, 0xFFFFFFFF);
    sprite->End();
    device->EndScene();
    const TestSupport::Image image = target.read();
    ASSERT_EQ(image.width, 160u);

    EXPECT_PIXEL(image, 4, 4, kBackground);
    EXPECT_PIXEL(image, 100, 80, kFill) << "the box's centre";
    EXPECT_PIXEL(image, 10, 60, 0xFF000000) << "its outline";
    EXPECT_PIXEL(image, 52, 60, kRed) << "the lower layer";
    EXPECT_PIXEL(image, 70, 60, kBlue) << "the upper layer over the lower one";
    EXPECT_PIXEL(image, 120, 40, kRed);
    EXPECT_TRUE(TestSupport::matchesGolden(image, TestSupport::sourceDir() / "tests" / "game" / "threematch" / "golden",
                                           "frame_particles", 2));
}

TEST(GameDrawing, PostInitTakesTheFrameAtlasOfTheRuntimeData)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    MyGlobals globals;
    GameTesting::inRuntimeFolder([&] { globals.postInit(nullptr); });
    Ulvo::Texture2D* atlas = globals.getFrameTexture();
    ASSERT_NE(atlas, nullptr);
    // Seven columns and three rows of styles on the 100-pixel grid.
    EXPECT_GE(atlas->getWidth(), 700u);
    EXPECT_GE(atlas->getHeight(), 300u);
    EXPECT_EQ(globals.getCurrentFramePieces()[4].left, 30);
}
