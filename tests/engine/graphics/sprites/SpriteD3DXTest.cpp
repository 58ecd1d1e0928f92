// The D3DX sprite drawer on the engine's real device: nesting of Begin and End,
// suspending a batch, and the 3D draw's centre.
#include "GraphicsTestSupport.h"

#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

// 16 x 16: the top-left 8 x 8 quarter red, the rest blue.
D3DCOLOR quarter(UINT x, UINT y)
{
    return (x < 8 && y < 8) ? 0xFFE03030 : 0xFF3050E0;
}

// The drawer and its texture, and a small cleared target inside an open scene.
class SpriteD3DX : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice(320, 240);
        ASSERT_NE(device, nullptr);
        ASSERT_TRUE(GraphicsTesting::fillTexture(quarters, 16, 16, quarter));
        ASSERT_TRUE(sprite.create());
        target = std::make_unique<GraphicsTesting::ScopedTarget>(device);
        ASSERT_TRUE(target->ok());
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    }

    IDirect3DDevice9* device = nullptr;
    Texture2D quarters;
    D3DXSprite sprite;
    std::unique_ptr<GraphicsTesting::ScopedTarget> target;
};

} // namespace

TEST_F(SpriteD3DX, NestedBeginNeedsAsManyEndsAndOnlyTheLastFlushes)
{
    ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
    EXPECT_EQ(sprite.getBeginFlags(), static_cast<DWORD>(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_DO_NOT_ADDREF_TEXTURE));
    EXPECT_TRUE(sprite.Begin(0)); // nested: counts only, flags unchanged
    EXPECT_EQ(sprite.getNesting(), 2);
    EXPECT_EQ(sprite.getBeginFlags(), static_cast<DWORD>(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_DO_NOT_ADDREF_TEXTURE));
    const D3DXVECTOR2 at(4, 4);
    EXPECT_TRUE(sprite.drawTexture2D(&quarters, nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF));
    EXPECT_FALSE(sprite.End());
    EXPECT_TRUE(sprite.isInBatch());
    EXPECT_TRUE(sprite.End());
    EXPECT_FALSE(sprite.isInBatch());
    // One End too many reaches D3DX, which refuses it; the count stays at 0.
    EXPECT_FALSE(sprite.End());
    EXPECT_EQ(sprite.getNesting(), 0);

    ASSERT_TRUE(SUCCEEDED(device->EndScene()));
    const Image image = target->read();
    EXPECT_PIXEL(image, 4, 4, 0xFFE03030);
    EXPECT_PIXEL(image, 19, 19, 0xFF3050E0);
    EXPECT_PIXEL(image, 20, 20, 0xFF000000);
}

TEST_F(SpriteD3DX, SuspendedBatchIsClosedAndResumesAtTheSameDepth)
{
    ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
    ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
    const D3DXVECTOR2 first(0, 0);
    EXPECT_TRUE(sprite.drawTexture2D(&quarters, nullptr, nullptr, nullptr, 0.0f, &first, 0xFFFFFFFF));
    sprite.suspendBatch();
    EXPECT_FALSE(sprite.isInBatch());
    // The D3DX object is free: someone else may begin and end it meanwhile.
    ID3DXSprite* raw = *sprite.getD3DXSprite();
    ASSERT_NE(raw, nullptr);
    EXPECT_TRUE(SUCCEEDED(raw->Begin(0)));
    EXPECT_TRUE(SUCCEEDED(raw->End()));
    sprite.resumeBatch();
    EXPECT_EQ(sprite.getNesting(), 2);
    const D3DXVECTOR2 second(32, 32);
    EXPECT_TRUE(sprite.drawTexture2D(&quarters, nullptr, nullptr, nullptr, 0.0f, &second, 0xFFFFFFFF));
    EXPECT_FALSE(sprite.End());
    EXPECT_TRUE(sprite.End());
    ASSERT_TRUE(SUCCEEDED(device->EndScene()));

    // Both draws arrived: the first flushed by the suspension, the second by the last End.
    const Image image = target->read();
    EXPECT_PIXEL(image, 1, 1, 0xFFE03030);
    EXPECT_PIXEL(image, 33, 33, 0xFFE03030);
    EXPECT_PIXEL(image, 47, 47, 0xFF3050E0);
}

TEST_F(SpriteD3DX, ThreeDimensionalDrawTakesItsCentreInTexels)
{
    ASSERT_TRUE(sprite.Begin(D3DXSPRITE_ALPHABLEND));
    // Centre (8, 8) put at (32, 32): the texture spans 24..40.
    const D3DXVECTOR3 centre(8, 8, 0);
    const D3DXVECTOR3 place(32, 32, 0);
    EXPECT_TRUE(sprite.drawTexture3D(&quarters, nullptr, nullptr, nullptr, &place, &centre, 0xFFFFFFFF));
    EXPECT_TRUE(sprite.End());
    ASSERT_TRUE(SUCCEEDED(device->EndScene()));
    const Image image = target->read();
    EXPECT_PIXEL(image, 24, 24, 0xFFE03030);
    EXPECT_PIXEL(image, 23, 23, 0xFF000000);
    EXPECT_PIXEL(image, 39, 39, 0xFF3050E0);
    EXPECT_PIXEL(image, 40, 40, 0xFF000000);
}
