// The off-screen render target on the engine's real device: sizes and formats,
// drawing at a non-zero rectangle offset, device loss and reset, assignment.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/RenderToTexture.h"
#include "graphics/textures/Texture2D.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using GraphicsTesting::Image;
using GraphicsTesting::Painter;

namespace {

bool fillSolid(Texture2D& texture, UINT size, D3DCOLOR colour)
{
    return GraphicsTesting::fillTexture(texture, size, size, [colour](UINT, UINT) { return colour; });
}

Image readTarget(RenderToTexture& target)
{
    Image image;
    IDirect3DTexture9* texture = target.getTexture()->getTexture();
    IDirect3DSurface9* surface = nullptr;
    if (!texture || FAILED(texture->GetSurfaceLevel(0, &surface)))
        return image;
    image = GraphicsTesting::readSurface(surface);
    surface->Release();
    return image;
}

D3DFORMAT levelFormat(RenderToTexture& target)
{
    D3DSURFACE_DESC desc{};
    IDirect3DTexture9* texture = target.getTexture()->getTexture();
    if (!texture || FAILED(texture->GetLevelDesc(0, &desc)))
        return D3DFMT_UNKNOWN;
    return desc.Format;
}

// Clears the bound target and draws a 16 x 16 square at (x, y) through a sprite.
struct SquarePainter {
    IDirect3DDevice9* device;
    D3DXSprite* sprite;
    Texture2D* square;
    D3DCOLOR clear;
    float x;
    float y;
    D3DVIEWPORT9 viewport{};
    D3DSURFACE_DESC depth{};

    void operator()(RenderToTexture&)
    {
        device->GetViewport(&viewport);
        IDirect3DSurface9* ds = nullptr;
        if (SUCCEEDED(device->GetDepthStencilSurface(&ds)) && ds) {
            ds->GetDesc(&depth);
            ds->Release();
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
        sprite->Begin(D3DXSPRITE_ALPHABLEND);
        sprite->drawTexture(square, nullptr, SpriteDrawInfo(D3DXVECTOR2(x, y), D3DXVECTOR2(16, 16)), SDP_SCALE,
                            SDP_SCALE, 0xFFFFFFFF);
        sprite->End();
    }
};

} // namespace

TEST(RenderToTexture, DefaultTargetIsUncreatedAndDrawsNothing)
{
    RenderToTexture target;
    EXPECT_EQ(target.getRect().left, 0);
    EXPECT_EQ(target.getRect().top, 0);
    EXPECT_EQ(target.getRect().right, 1024);
    EXPECT_EQ(target.getRect().bottom, 768);
    EXPECT_EQ(target.getWidth(), 1024u);
    EXPECT_EQ(target.getHeight(), 768u);
    EXPECT_EQ(target.getColourFormat(), D3DFMT_UNKNOWN);
    EXPECT_EQ(target.getDepthFormat(), D3DFMT_UNKNOWN);
    EXPECT_EQ(target.getTexture()->getName(), L"RT_RENDER");
    EXPECT_FALSE(target.isCreated());
    Painter painter;
    target.onRender.connect(&painter, &Painter::onRender);
    target.render();
    EXPECT_EQ(painter.calls, 0);

    // A reversed rectangle has no size instead of a wrapped-around one.
    RenderToTexture reversed(RECT{10, 10, 0, 0}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    EXPECT_EQ(reversed.getWidth(), 0u);
    EXPECT_EQ(reversed.getHeight(), 0u);
}

TEST(RenderToTexture, OffsetRectangleDrawsIntoTheWholeTargetWithDefaultFormats)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice(320, 240);
    ASSERT_NE(device, nullptr);
    Texture2D square;
    ASSERT_TRUE(fillSolid(square, 16, 0xFFE0C030));
    D3DXSprite sprite;
    ASSERT_TRUE(sprite.create());

    // On screen this panel belongs at (40, 30); inside the target everything starts at (0, 0).
    RenderToTexture target(RECT{40, 30, 104, 78}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    ASSERT_TRUE(target.create());
    EXPECT_TRUE(target.isCreated());
    EXPECT_EQ(levelFormat(target), D3DFMT_X8R8G8B8); // the display format

    D3DVIEWPORT9 before{};
    device->GetViewport(&before);
    Painter painter;
    SquarePainter paint{device, &sprite, &square, 0xFF406080, 0.0f, 0.0f};
    painter.paint = std::ref(paint);
    target.onRender.connect(&painter, &Painter::onRender);
    target.render();
    ASSERT_EQ(painter.calls, 1);

    EXPECT_EQ(paint.viewport.X, 0u);
    EXPECT_EQ(paint.viewport.Y, 0u);
    EXPECT_EQ(paint.viewport.Width, 64u);
    EXPECT_EQ(paint.viewport.Height, 48u);
    EXPECT_EQ(paint.depth.Format, D3DFMT_D24S8);
    EXPECT_GE(paint.depth.Width, 64u);

    // The device's own viewport comes back.
    D3DVIEWPORT9 after{};
    device->GetViewport(&after);
    EXPECT_EQ(after.X, before.X);
    EXPECT_EQ(after.Width, before.Width);
    EXPECT_EQ(after.Height, before.Height);

    const Image image = readTarget(target);
    ASSERT_EQ(image.width, 64u);
    ASSERT_EQ(image.height, 48u);
    EXPECT_PIXEL(image, 0, 0, 0xFFE0C030);
    EXPECT_PIXEL(image, 15, 15, 0xFFE0C030);
    EXPECT_PIXEL(image, 16, 16, 0xFF406080);
    EXPECT_PIXEL(image, 63, 47, 0xFF406080);
    EXPECT_PIXEL(image, 40, 30, 0xFF406080);
}

TEST(RenderToTexture, LostAndResetCycleKeepsTheTargetUsable)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice(320, 240);
    ASSERT_NE(device, nullptr);
    D3DInterface* d3d = D3DInterface::getInstance();
    D3DXSprite sprite;
    ASSERT_TRUE(sprite.create());
    Texture2D square;
    ASSERT_TRUE(fillSolid(square, 16, 0xFFE03030));

    RenderToTexture target(RECT{100, 100, 132, 132}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    ASSERT_TRUE(target.create());
    Painter painter;
    SquarePainter paint{device, &sprite, &square, 0xFF102030, 0.0f, 0.0f};
    painter.paint = std::ref(paint);
    target.onRender.connect(&painter, &Painter::onRender);

    // Lost: nothing is drawn until the reset has rebuilt the target.
    target.onLostDevice();
    EXPECT_FALSE(target.isCreated());
    EXPECT_EQ(target.getTexture()->getTexture(), nullptr);
    target.render();
    EXPECT_EQ(painter.calls, 0);
    target.onResetDevice();
    EXPECT_TRUE(target.isCreated());

    // A real reset only succeeds when the target (and the sprite) gave up
    // their default-pool objects on the lost signal.
    d3d->setPresenterParams(d3d->getPresentParams());
    ASSERT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_TRUE(target.isCreated());
    ASSERT_NE(target.getTexture()->getTexture(), nullptr);

    target.render();
    EXPECT_EQ(painter.calls, 1);
    Image image = readTarget(target);
    ASSERT_EQ(image.width, 32u);
    EXPECT_PIXEL(image, 2, 2, 0xFFE03030);
    EXPECT_PIXEL(image, 20, 20, 0xFF102030);

    // And a second cycle, drawing somewhere else afterwards.
    d3d->setPresenterParams(d3d->getPresentParams());
    ASSERT_EQ(device->TestCooperativeLevel(), D3D_OK);
    paint.x = 16.0f;
    paint.y = 16.0f;
    target.render();
    EXPECT_EQ(painter.calls, 2);
    image = readTarget(target);
    EXPECT_PIXEL(image, 2, 2, 0xFF102030);
    EXPECT_PIXEL(image, 20, 20, 0xFFE03030);
}

TEST(RenderToTexture, LostTextureStopsDrawingAndItsResetDoesNotRestart)
{
    ASSERT_NE(GraphicsTesting::startDevice(320, 240), nullptr);
    RenderToTexture target(RECT{0, 0, 16, 16}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    ASSERT_TRUE(target.create());
    Painter painter;
    target.onRender.connect(&painter, &Painter::onRender);
    target.getTexture()->textureLost.emit(target.getTexture());
    EXPECT_FALSE(target.isCreated());
    target.getTexture()->textureReset.emit(target.getTexture());
    EXPECT_FALSE(target.isCreated());
    target.render();
    EXPECT_EQ(painter.calls, 0);
    // create builds it again.
    ASSERT_TRUE(target.create());
    target.render();
    EXPECT_EQ(painter.calls, 1);
}

TEST(RenderToTexture, AssignmentTakesSettingsAndBuildsItsOwnObjects)
{
    IDirect3DDevice9* device = GraphicsTesting::startDevice(320, 240);
    ASSERT_NE(device, nullptr);
    RenderToTexture a(RECT{10, 20, 42, 36}, D3DFMT_A8R8G8B8, D3DFMT_D16);
    ASSERT_TRUE(a.create());
    RenderToTexture b;
    b = a;
    EXPECT_EQ(b.getRect().left, 10);
    EXPECT_EQ(b.getRect().bottom, 36);
    EXPECT_EQ(b.getWidth(), 32u);
    EXPECT_EQ(b.getHeight(), 16u);
    EXPECT_EQ(b.getColourFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(b.getDepthFormat(), D3DFMT_D16);
    EXPECT_TRUE(b.isCreated());
    ASSERT_NE(b.getTexture()->getTexture(), nullptr);
    EXPECT_EQ(levelFormat(b), D3DFMT_A8R8G8B8);
    EXPECT_NE(b.getTexture()->getTexture(), a.getTexture()->getTexture());
    Painter painter;
    D3DSURFACE_DESC depth{};
    painter.paint = [&](RenderToTexture&) {
        IDirect3DSurface9* ds = nullptr;
        if (SUCCEEDED(device->GetDepthStencilSurface(&ds)) && ds) {
            ds->GetDesc(&depth);
            ds->Release();
        }
    };
    b.onRender.connect(&painter, &Painter::onRender);
    b.render();
    EXPECT_EQ(painter.calls, 1);
    EXPECT_EQ(depth.Format, D3DFMT_D16);

    // From a target that is not created: the settings, but nothing built.
    RenderToTexture idle(RECT{0, 0, 8, 8}, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN);
    b = idle;
    EXPECT_FALSE(b.isCreated());
    EXPECT_EQ(b.getWidth(), 8u);
    EXPECT_EQ(b.getTexture()->getTexture(), nullptr);
    b.render();
    EXPECT_EQ(painter.calls, 1);
}
