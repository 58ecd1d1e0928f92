// The batching sprite on the engine's real device, drawing through the effects of
// data/FX: batches of up to four textures, blending and alpha test, depth-sorted
// billboards, the vertex ring running over its end, device reset, the effect
// definition file and reloading an effect whose source changed.
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "graphics/effects/EffectPool.h"
#include "graphics/sprites/Sprite.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/Texture2D.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;
using TestSupport::hex;
using TestSupport::near;

namespace {

constexpr UINT kTarget = 64;

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

XMLNode parse(const std::wstring& text)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, text, 1));
    return root;
}

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

// A texture of w x h whose texels come from a function of their position.
bool fill(Texture2D& texture, UINT w, UINT h, const std::function<DWORD(UINT, UINT)>& texel)
{
    if (!texture.create(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED))
        return false;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture.getTexture()->LockRect(0, &locked, nullptr, 0)))
        return false;
    for (UINT y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < w; ++x)
            row[x] = texel(x, y);
    }
    texture.getTexture()->UnlockRect(0);
    return true;
}

bool solid(Texture2D& texture, DWORD colour, UINT size = 8)
{
    return fill(texture, size, size, [colour](UINT, UINT) { return colour; });
}

// A small target of its own with the depth cleared, bound while the object lives.
class ScopedTarget {
public:
    explicit ScopedTarget(IDirect3DDevice9* device) : m_device(device)
    {
        device->CreateRenderTarget(kTarget, kTarget, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &m_target,
                                   nullptr);
        device->GetRenderTarget(0, &m_previous);
        if (m_target)
            device->SetRenderTarget(0, m_target);
    }
    ~ScopedTarget()
    {
        if (m_previous) {
            m_device->SetRenderTarget(0, m_previous);
            m_previous->Release();
        }
        if (m_target)
            m_target->Release();
    }
    ScopedTarget(const ScopedTarget&) = delete;
    ScopedTarget& operator=(const ScopedTarget&) = delete;
    bool ok() const { return m_target != nullptr; }

    // Clears, runs the drawing inside a scene and reads the picture back.
    Image draw(const std::function<void()>& body, DWORD background = 0xFF000000)
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
        if (FAILED(m_device->BeginScene()))
            return Image{};
        body();
        m_device->EndScene();
        return GraphicsTesting::readSurface(m_target);
    }

private:
    IDirect3DDevice9* m_device;
    IDirect3DSurface9* m_target = nullptr;
    IDirect3DSurface9* m_previous = nullptr;
};

// Colour channels only: blending changes the target's alpha as well.
#define EXPECT_RGB(image, x, y, expected)                                                                              \
    EXPECT_TRUE(near((image).at(x, y) | 0xFF000000u, (expected) | 0xFF000000u, 2))                                     \
        << "pixel (" << (x) << ", " << (y) << ") is " << hex((image).at(x, y)) << ", expected " << hex(expected)

class SpriteBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice(320, 240);
        ASSERT_NE(m_device, nullptr);
        m_savedUse = useCompiledEffects;
        useCompiledEffects = false; // as the entry function sets it
        // The effect sources as the program finds them: data\FX under the working folder.
        const auto from = TestSupport::sourceDir() / "data" / "FX";
        m_fx = m_logs.folder() / "data" / "FX";
        std::filesystem::create_directories(m_fx);
        for (const auto& entry : std::filesystem::directory_iterator(from))
            std::filesystem::copy_file(entry.path(), m_fx / entry.path().filename());
        ASSERT_TRUE(m_sprite.create());
        ASSERT_NE(m_sprite.getVertexBuffer(), nullptr);
        m_effect = makeEffect(L"<EFFECT NAME=\"Sprite\"><FILE FILENAME=\"data\\FX\\sprite.fx\"/></EFFECT>");
        ASSERT_NE(m_effect, nullptr) << m_logs.text("UlvoEffect.log");
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        m_device->SetTransform(D3DTS_VIEW, &identity);
        m_device->SetTransform(D3DTS_PROJECTION, &identity);
    }

    void TearDown() override
    {
        for (Effect* effect : m_effects)
            effect->Release();
        useCompiledEffects = m_savedUse;
    }

    Effect* makeEffect(const std::wstring& definition)
    {
        XMLNode node = parse(definition);
        auto* effect = new Effect(false);
        if (!effect->createFromNode(&node)) {
            effect->Release();
            return nullptr;
        }
        m_effects.push_back(effect);
        return effect;
    }

    // An orthographic camera 64 units across, one unit per pixel, looking from
    // `eye` at the origin with y up.
    void setCamera(const D3DXVECTOR3& eye)
    {
        D3DXMATRIX view, projection;
        const D3DXVECTOR3 at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixOrthoLH(&projection, static_cast<float>(kTarget), static_cast<float>(kTarget), 1.0f, 100.0f);
        m_device->SetTransform(D3DTS_VIEW, &view);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    bool at(Texture2D& texture, float x, float y, D3DCOLOR colour = 0xFFFFFFFF)
    {
        const D3DXVECTOR2 place(x, y);
        return m_sprite.drawTexture2D(&texture, nullptr, nullptr, nullptr, 0.0f, &place, colour);
    }

    // A 16 x 16 world-space square centred on `middle`.
    bool quad3D(Texture2D& texture, const D3DXVECTOR3& middle, D3DCOLOR colour = 0xFFFFFFFF)
    {
        const D3DXVECTOR3 scaling(16, 16, 1), centre(0.5f, 0.5f, 0),
            translation(middle.x - 0.5f, middle.y - 0.5f, middle.z);
        return m_sprite.drawTexture3D(&texture, nullptr, &scaling, nullptr, &translation, &centre, colour);
    }

    LogCapture m_logs; // also the working folder
    IDirect3DDevice9* m_device = nullptr;
    std::filesystem::path m_fx;
    bool m_savedUse = false;
    std::vector<Effect*> m_effects;
    Effect* m_effect = nullptr;
    Sprite m_sprite;
};

} // namespace

TEST_F(SpriteBatchTest, QuadsOfFiveTexturesNeedTwoBatchesAndEachSamplesItsOwn)
{
    const DWORD colours[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF};
    Texture2D textures[5];
    for (int k = 0; k < 5; ++k)
        ASSERT_TRUE(solid(textures[k], colours[k]));
    // Four quarters in one texture, drawn at twice its size.
    Texture2D quarters;
    ASSERT_TRUE(fill(quarters, 8, 8, [](UINT x, UINT y) {
        return x < 4 ? (y < 4 ? 0xFFFF0000u : 0xFF00FF00u) : (y < 4 ? 0xFF0000FFu : 0xFFFFFFFFu);
    }));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());

    const Image image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        // Textures 0, 1, 2, 3, then 0 again (still in the batch), then 4: a new batch.
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(at(textures[k], 2.0f + 10.0f * k, 2.0f));
        ASSERT_TRUE(at(textures[0], 2.0f, 12.0f));
        ASSERT_TRUE(at(textures[4], 42.0f, 2.0f));
        // Modulated by the draw colour.
        ASSERT_TRUE(at(textures[3], 12.0f, 12.0f, 0xFF808080));
        const D3DXVECTOR2 scale(2, 2), place(30, 30);
        ASSERT_TRUE(m_sprite.drawTexture2D(&quarters, nullptr, &scale, nullptr, 0.0f, &place, 0xFFFFFFFF));
        // Only part of a texture: its right column of quarters.
        const RECT right{4, 0, 8, 8};
        const D3DXVECTOR2 side(52, 30);
        ASSERT_TRUE(m_sprite.drawTexture2D(&quarters, &right, nullptr, nullptr, 0.0f, &side, 0xFFFFFFFF));
        EXPECT_FALSE(m_sprite.End());
    });
    // Batches: {0,1,2,3,0}, {4,3,quarters}; only the first is all in white.
    EXPECT_EQ(m_sprite.getBatchCount(), 2u);
    EXPECT_EQ(m_sprite.getWhiteBatchCount(), 1u);
    for (int k = 0; k < 4; ++k)
        EXPECT_RGB(image, 2 + 10 * k + 4, 5, colours[k]);
    EXPECT_RGB(image, 6, 15, colours[0]);
    EXPECT_RGB(image, 46, 5, colours[4]);
    EXPECT_RGB(image, 16, 16, 0xFF808000);
    EXPECT_RGB(image, 1, 1, 0xFF000000); // outside every quad
    EXPECT_RGB(image, 10, 5, 0xFF000000);
    // Scaled quarters, away from the filtered borders.
    EXPECT_RGB(image, 33, 33, 0xFFFF0000);
    EXPECT_RGB(image, 42, 33, 0xFF0000FF);
    EXPECT_RGB(image, 33, 42, 0xFF00FF00);
    EXPECT_RGB(image, 42, 42, 0xFFFFFFFF);
    // Unscaled, texel edges land on pixel edges: no bleeding at the borders.
    EXPECT_RGB(image, 52, 33, 0xFF0000FF);
    EXPECT_RGB(image, 55, 33, 0xFF0000FF);
    EXPECT_RGB(image, 55, 34, 0xFFFFFFFF);
    EXPECT_RGB(image, 53, 36, 0xFFFFFFFF);
    EXPECT_RGB(image, 56, 31, 0xFF000000);
    EXPECT_TRUE(GraphicsTesting::matchesGolden(image, "sprite_batch_2d"));
}

TEST_F(SpriteBatchTest, SmallBatchesTakeTheirFormAndTexelForPixelQuadsSampleTheNearestTexel)
{
    // Two texels, black and white: filtered between them when scaled.
    Texture2D pair;
    ASSERT_TRUE(fill(pair, 2, 1, [](UINT x, UINT) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; }));
    Texture2D red, green;
    ASSERT_TRUE(solid(red, 0xFFFF0000));
    ASSERT_TRUE(solid(green, 0xFF00FF00));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());

    // One texture, unscaled on whole pixels: its form for one texture, sampled texel for pixel.
    Image image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        ASSERT_TRUE(at(pair, 4.0f, 4.0f));
        m_sprite.End();
    });
    EXPECT_EQ(m_sprite.getBatchCount(), 1u);
    EXPECT_EQ(m_sprite.getNarrowBatchCount(), 1u);
    EXPECT_EQ(m_sprite.getPointBatchCount(), 1u);
    EXPECT_RGB(image, 4, 4, 0xFF000000);
    EXPECT_RGB(image, 5, 4, 0xFFFFFFFF);

    // Scaled eightfold: filtered, so the middle of the quad lies between the texels.
    image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        const D3DXVECTOR2 scale(8, 8), place(8, 8);
        ASSERT_TRUE(m_sprite.drawTexture2D(&pair, nullptr, &scale, nullptr, 0.0f, &place, 0xFFFFFFFF));
        m_sprite.End();
    });
    EXPECT_EQ(m_sprite.getPointBatchCount(), 0u);
    EXPECT_RGB(image, 9, 10, 0xFF000000);
    EXPECT_RGB(image, 22, 10, 0xFFFFFFFF);
    const uint32_t middle = image.at(15, 10) & 0xFF;
    EXPECT_GT(middle, 0x30u);
    EXPECT_LT(middle, 0xD0u);

    // Half a pixel off the grid is filtered too; two textures take the form for two.
    image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        ASSERT_TRUE(at(red, 2.5f, 2.0f));
        ASSERT_TRUE(at(green, 20.0f, 2.0f));
        m_sprite.End();
    });
    EXPECT_EQ(m_sprite.getNarrowBatchCount(), 1u);
    EXPECT_EQ(m_sprite.getPointBatchCount(), 0u);
    EXPECT_RGB(image, 6, 5, 0xFFFF0000);
    EXPECT_RGB(image, 24, 5, 0xFF00FF00);
}

TEST_F(SpriteBatchTest, OnlyBatchesAllInOpaqueWhiteLeaveTheDrawColourOut)
{
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    const DWORD background = 0xFF0000FF;
    // In turn, so a batch follows one of the other kind: a colour of alpha alone still blends,
    // white draws the texel, and a tint after white is not lost.
    struct Case {
        D3DCOLOR colour;
        DWORD expected;
        UINT whiteBatches;
    };
    for (const Case& c :
         {Case{0x80FFFFFF, 0xFF8080FF, 0}, Case{0xFFFFFFFF, 0xFFFFFFFF, 1}, Case{0xFF00FF00, 0xFF00FF00, 0}}) {
        const Image image = target.draw(
            [&] {
                ASSERT_TRUE(m_sprite.Begin(D3DXSPRITE_ALPHABLEND, m_effect));
                ASSERT_TRUE(at(white, 4, 4, c.colour));
                m_sprite.End();
            },
            background);
        EXPECT_EQ(m_sprite.getWhiteBatchCount(), c.whiteBatches) << hex(c.colour);
        EXPECT_RGB(image, 8, 8, c.expected);
        EXPECT_RGB(image, 1, 1, background);
    }
}

TEST_F(SpriteBatchTest, BlendingAndAlphaTestFollowTheBeginFlags)
{
    // Left half alpha 0x40, right half alpha 0xC0, all white.
    Texture2D halves;
    ASSERT_TRUE(fill(halves, 16, 16, [](UINT x, UINT) { return x < 8 ? 0x40FFFFFFu : 0xC0FFFFFFu; }));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    const DWORD background = 0xFF0000FF;

    // 2D without the blend flag: opaque white whatever the alpha.
    Image image = target.draw(
        [&] {
            ASSERT_TRUE(m_sprite.Begin(0, m_effect));
            at(halves, 0, 0);
            m_sprite.End();
        },
        background);
    EXPECT_RGB(image, 2, 2, 0xFFFFFFFF);

    // 2D blended: white over blue by the texel's alpha.
    image = target.draw(
        [&] {
            ASSERT_TRUE(m_sprite.Begin(D3DXSPRITE_ALPHABLEND, m_effect));
            at(halves, 0, 0);
            m_sprite.End();
        },
        background);
    EXPECT_RGB(image, 2, 2, 0xFF4040FF);
    EXPECT_RGB(image, 12, 2, 0xFFC0C0FF);

    // 3D with alpha test: the thin half is cut away, the rest is blended.
    setCamera(D3DXVECTOR3(0, 0, -10));
    image = target.draw(
        [&] {
            ASSERT_TRUE(m_sprite.Begin(D3DXSPRITE_ALPHABLEND | Sprite::SPRITE_ALPHATEST, m_effect));
            quad3D(halves, D3DXVECTOR3(0, 0, 0));
            m_sprite.End();
        },
        background);
    // World x -8..8 spans pixels 24..39.
    EXPECT_RGB(image, 27, 32, background);
    EXPECT_RGB(image, 36, 32, 0xFFC0C0FF);
    EXPECT_RGB(image, 20, 32, background);
}

TEST_F(SpriteBatchTest, BillboardsAreSortedByDistanceAndFaceTheCamera)
{
    Texture2D red, green, blue;
    ASSERT_TRUE(solid(red, 0x80FF0000));
    ASSERT_TRUE(solid(green, 0x8000FF00));
    ASSERT_TRUE(solid(blue, 0x800000FF));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    setCamera(D3DXVECTOR3(0, 0, -20));

    // Queued near, far, middle; all cover the same pixels.
    auto scene = [&](DWORD flags) {
        return target.draw([&] {
            ASSERT_TRUE(m_sprite.Begin(flags, m_effect));
            quad3D(red, D3DXVECTOR3(0, 0, 0));
            quad3D(blue, D3DXVECTOR3(0, 0, 10));
            quad3D(green, D3DXVECTOR3(0, 0, 5));
            m_sprite.End();
        });
    };
    // Farthest first: blue, green, red over black.
    Image image = scene(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT);
    EXPECT_RGB(image, 32, 32, 0xFF804020);
    ASSERT_EQ(m_sprite.getQuads3D().size(), 3u);
    EXPECT_GT(m_sprite.getQuads3D()[0].sortKey, m_sprite.getQuads3D()[2].sortKey);
    // Nearest first: red, green, blue (depth writes are off for blended quads).
    image = scene(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_DEPTH_FRONTTOBACK);
    EXPECT_RGB(image, 32, 32, 0xFF204080);
    // Back to front with alpha test keeps the queued order; the nearest quad
    // writes depth first and hides the other two.
    image = scene(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT | Sprite::SPRITE_ALPHATEST);
    EXPECT_RGB(image, 32, 32, 0xFF800000);
    EXPECT_EQ(m_sprite.getQuads3D()[0].texture, red.getTexture());
    EXPECT_EQ(m_sprite.getQuads3D()[1].texture, blue.getTexture());

    // Seen from 45 degrees to the side a flat square is foreshortened to
    // 16 * cos 45 = 11.3 pixels; as a billboard it keeps its 16.
    setCamera(D3DXVECTOR3(20, 0, -20));
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF));
    auto width = [&](DWORD flags) {
        const Image picture = target.draw([&] {
            ASSERT_TRUE(m_sprite.Begin(flags, m_effect));
            quad3D(white, D3DXVECTOR3(0, 0, 0));
            m_sprite.End();
        });
        int covered = 0;
        for (UINT x = 0; x < kTarget; ++x)
            covered += (picture.at(x, 32) & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
        return covered;
    };
    EXPECT_NEAR(width(0), 11, 1);
    EXPECT_EQ(width(D3DXSPRITE_BILLBOARD), 16);

    // A golden picture of the sorted billboards at an angle.
    image = target.draw([&] {
        ASSERT_TRUE(
            m_sprite.Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_BILLBOARD | D3DXSPRITE_SORT_DEPTH_BACKTOFRONT, m_effect));
        quad3D(red, D3DXVECTOR3(-6, -6, 0));
        quad3D(blue, D3DXVECTOR3(6, 6, 10));
        quad3D(green, D3DXVECTOR3(0, 0, 5));
        m_sprite.End();
    });
    EXPECT_TRUE(GraphicsTesting::matchesGolden(image, "sprite_batch_billboards"));
}

TEST_F(SpriteBatchTest, RingWrapsToItsStartWithADiscardingLock)
{
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF, 1));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());

    // Near the end of the ring a batch holds only the last four quads.
    m_sprite.setRingPosition(Sprite::RING_QUADS - 4);
    Image image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        for (int k = 0; k < 10; ++k)
            ASSERT_TRUE(at(white, static_cast<float>(k), 0.0f, 0xFF000000u | static_cast<DWORD>(k * 20)));
        m_sprite.End();
    });
    EXPECT_EQ(m_sprite.getBatchCount(), 2u);
    EXPECT_EQ(m_sprite.getDiscardCount(), 1u);
    EXPECT_FALSE(m_sprite.drewWithoutDepth());
    EXPECT_EQ(m_sprite.getRingPosition(), 4u + 6u + Sprite::RING_GAP);
    for (int k = 0; k < 10; ++k)
        EXPECT_RGB(image, k, 0, 0xFF000000u | static_cast<DWORD>(k * 20));

    // More quads than the ring holds, each pixel its own colour: every batch
    // after a wrap starts with a discard and nothing drawn earlier is lost.
    const int count = static_cast<int>(Sprite::RING_QUADS) + 3616;
    auto colourOf = [](int k) { return 0xFF000000u | (static_cast<DWORD>(k * 2654435761u) & 0xFFFFFFu); };
    m_sprite.setRingPosition(0);
    image = target.draw([&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        for (int k = 0; k < count; ++k) {
            const int pixel = k % (kTarget * kTarget);
            ASSERT_TRUE(
                at(white, static_cast<float>(pixel % kTarget), static_cast<float>(pixel / kTarget), colourOf(k)));
        }
        m_sprite.End();
    });
    EXPECT_EQ(m_sprite.getBatchCount(), 2u);
    EXPECT_EQ(m_sprite.getDiscardCount(), 1u);
    // Drawn in pieces with the depth buffer unbound: every piece must land on its own quads.
    EXPECT_TRUE(m_sprite.drewWithoutDepth());
    // The first batch fills the whole ring, the rest start after the gap.
    EXPECT_EQ(m_sprite.getRingPosition(), Sprite::RING_GAP + (count - Sprite::RING_QUADS) + Sprite::RING_GAP);
    // The last quad drawn on each pixel wins.
    int wrong = 0;
    for (int pixel = 0; pixel < static_cast<int>(kTarget * kTarget); ++pixel) {
        int last = pixel;
        while (last + static_cast<int>(kTarget * kTarget) < count)
            last += kTarget * kTarget;
        const DWORD got = image.at(pixel % kTarget, pixel / kTarget) | 0xFF000000u;
        wrong += near(got, colourOf(last), 1) ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SpriteBatchTest, ALongListDrawsWithoutTheDepthBufferUnlessItsStencilOrDepthIsTested)
{
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF, 1));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    IDirect3DSurface9* depth = nullptr;
    ASSERT_TRUE(SUCCEEDED(m_device->GetDepthStencilSurface(&depth)) && depth);
    const int count = static_cast<int>(Sprite::UNBOUND_DEPTH_QUADS) + 44;
    auto list = [&] {
        ASSERT_TRUE(m_sprite.Begin(0, m_effect));
        for (int k = 0; k < count; ++k)
            ASSERT_TRUE(at(white, static_cast<float>(k % kTarget), static_cast<float>(k / kTarget), 0xFF00FF00));
        m_sprite.End();
    };
    // The stencil lives in the depth buffer: a test that never passes still holds every quad back.
    m_device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
    Image image = target.draw(list);
    m_device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    m_device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    EXPECT_FALSE(m_sprite.drewWithoutDepth());
    EXPECT_RGB(image, 0, 0, 0xFF000000);

    image = target.draw(list);
    EXPECT_TRUE(m_sprite.drewWithoutDepth());
    EXPECT_RGB(image, 0, 0, 0xFF00FF00);
    EXPECT_RGB(image, (count - 1) % kTarget, (count - 1) / kTarget, 0xFF00FF00);
    EXPECT_RGB(image, count % kTarget, count / kTarget, 0xFF000000);
    // Bound again afterwards, for whatever is drawn next.
    IDirect3DSurface9* after = nullptr;
    EXPECT_TRUE(SUCCEEDED(m_device->GetDepthStencilSurface(&after)));
    EXPECT_EQ(after, depth);
    if (after)
        after->Release();

    // A caller's effect whose pass tests depth gets the buffer back: a test that never passes
    // holds every quad back.
    TestSupport::writeText(m_fx / "neverdepth.fx",
                           "texture g_Textur0;\n"
                           "sampler g_Sampler0 = sampler_state { Texture = <g_Textur0>; };\n"
                           "float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(g_Sampler0, uv); }\n"
                           "technique Render2D { pass P0 { ZEnable = TRUE; ZFunc = NEVER; CullMode = NONE;"
                           " VertexShader = NULL; PixelShader = compile ps_2_0 PS(); } }\n");
    Effect* never = makeEffect(L"<EFFECT NAME=\"Nie\"><FILE FILENAME=\"data\\FX\\neverdepth.fx\"/></EFFECT>");
    ASSERT_NE(never, nullptr) << m_logs.text("UlvoEffect.log");
    std::swap(m_effect, never);
    image = target.draw(list);
    std::swap(m_effect, never);
    EXPECT_RGB(image, 0, 0, 0xFF000000);
    EXPECT_TRUE(SUCCEEDED(m_device->GetDepthStencilSurface(&after)));
    EXPECT_EQ(after, depth);
    if (after)
        after->Release();
    depth->Release();
}

TEST_F(SpriteBatchTest, BeginEndRulesAndCulling)
{
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF));
    const UINT width = D3DInterface::getInstance()->getWidth();

    EXPECT_FALSE(m_sprite.Begin(0, nullptr));
    EXPECT_FALSE(m_sprite.End()); // no batch: nothing happens
    EXPECT_FALSE(m_sprite.drawTexture2D(nullptr, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
    IDirect3DTexture9* none = nullptr;
    const RECT rect{0, 0, 8, 8};
    EXPECT_FALSE(m_sprite.drawRaw2D(&none, &rect, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
    EXPECT_FALSE(m_sprite.drawRaw3D(&none, &rect, nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFF));

    // Queued outside a batch, dropped by the next Begin.
    EXPECT_TRUE(at(white, 0, 0));
    ASSERT_TRUE(m_sprite.Begin(0, m_effect));
    EXPECT_TRUE(m_sprite.getQuads2D().empty());
    EXPECT_TRUE(at(white, 0, 0));
    EXPECT_FALSE(m_sprite.Begin(0, m_effect)); // no nesting; the queue stays
    EXPECT_EQ(m_sprite.getQuads2D().size(), 1u);

    // Off screen: not queued. Touching an edge: queued.
    EXPECT_FALSE(at(white, -9.0f, 0));
    EXPECT_TRUE(at(white, -8.0f, 0));
    EXPECT_TRUE(at(white, static_cast<float>(width), 10.0f));
    EXPECT_FALSE(at(white, static_cast<float>(width) + 1.0f, 10.0f));
    // Culling looks at the turned quad: turned half round its right edge, a
    // quad placed left of the screen reaches into it.
    const D3DXVECTOR2 offLeft(-9.0f, 20.0f), pivot(8.0f, 0.0f);
    EXPECT_FALSE(m_sprite.drawTexture2D(&white, nullptr, nullptr, nullptr, 0.0f, &offLeft, 0xFFFFFFFF));
    EXPECT_TRUE(m_sprite.drawTexture2D(&white, nullptr, nullptr, &pivot, D3DX_PI, &offLeft, 0xFFFFFFFF));

    // 3D quads are never culled.
    const D3DXVECTOR3 away(1e6f, 1e6f, 1e6f);
    EXPECT_TRUE(m_sprite.drawTexture3D(&white, nullptr, nullptr, nullptr, &away, nullptr, 0xFFFFFFFF));
    EXPECT_EQ(m_sprite.getQuads3D().size(), 1u);

    // The source rectangle picks the texture coordinates.
    const RECT part{2, 4, 6, 8};
    EXPECT_TRUE(m_sprite.drawTexture2D(&white, &part, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
    const SpriteQuad& quad = m_sprite.getQuads2D().back();
    EXPECT_FLOAT_EQ(quad.vertices[0].u, 0.25f);
    EXPECT_FLOAT_EQ(quad.vertices[0].v, 0.5f);
    EXPECT_FLOAT_EQ(quad.vertices[3].u, 0.75f);
    EXPECT_FLOAT_EQ(quad.vertices[3].v, 1.0f);
    EXPECT_FLOAT_EQ(quad.vertices[3].x - quad.vertices[0].x, 4.0f);

    EXPECT_TRUE(m_sprite.isInBatch());
    EXPECT_FALSE(m_sprite.End());
    EXPECT_FALSE(m_sprite.isInBatch());
    // The queues stay until the next Begin.
    EXPECT_FALSE(m_sprite.getQuads2D().empty());
    EXPECT_FALSE(m_sprite.End());
}

TEST_F(SpriteBatchTest, DeviceResetRebuildsTheBuffersOfBothDrawersOfThePair)
{
    SpritePair* pair = D3DInterface::getInstance()->getSprite();
    ASSERT_NE(pair, nullptr);
    ASSERT_NE(pair->second.getVertexBuffer(), nullptr);
    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF));
    m_sprite.setRingPosition(100);

    // A reset fails while default-pool buffers are alive: it succeeds only
    // because every sprite gives its buffers up on the loss.
    EXPECT_EQ(run(L"D3D_setResolution 800 600 32"), L"Aufl\u00F6sung wurde angepasst");
    EXPECT_EQ(D3DInterface::getInstance()->getWidth(), 800u);
    EXPECT_NE(pair->second.getVertexBuffer(), nullptr);
    EXPECT_NE(m_sprite.getVertexBuffer(), nullptr);
    EXPECT_EQ(m_sprite.getRingPosition(), 0u);

    {
        ScopedTarget target(m_device);
        ASSERT_TRUE(target.ok());
        const Image image = target.draw([&] {
            ASSERT_TRUE(m_sprite.Begin(0, m_effect));
            at(white, 4, 4, 0xFF00FF00);
            m_sprite.End();
        });
        EXPECT_RGB(image, 8, 8, 0xFF00FF00);
    }
    run(L"D3D_setResolution 320 240 32");
    EXPECT_NE(pair->second.getVertexBuffer(), nullptr);

    // Lost without a reset: no buffers, and Begin refuses.
    m_sprite.onLostDevice();
    EXPECT_EQ(m_sprite.getVertexBuffer(), nullptr);
    EXPECT_FALSE(m_sprite.Begin(0, m_effect));
    m_sprite.onResetDevice();
    m_sprite.onResetDevice(); // a second reset keeps one set of buffers
    EXPECT_TRUE(m_sprite.Begin(0, m_effect));
    m_sprite.End();
}

TEST_F(SpriteBatchTest, DefinitionFileLoadsEffectsPoolAndBundle)
{
    const std::wstring text = widen(TestSupport::readText(m_fx / "effecte.fxf"));
    XMLNode root = parse(text);
    EffectManager* manager = EffectManager::getInstance();
    const bool loadedBefore = manager->getEffectBundle(L"TintBundle") != nullptr; // a repeated run
    manager->load(&root);
    const std::string log = m_logs.text("UlvoEffect.log");
    if (!loadedBefore) {
        EXPECT_NE(log.find("Ulvo::Effect::createFromNode Sprite is OK"), std::string::npos) << log;
        EXPECT_NE(log.find("Ulvo::Effect::createFromNode Tint is OK"), std::string::npos) << log;
        // Both permutations carry the name of the bundle's definition.
        size_t variants = 0;
        for (size_t at = log.find("TintVariant is OK"); at != std::string::npos;
             at = log.find("TintVariant is OK", at + 1))
            ++variants;
        EXPECT_EQ(variants, 2u);
    }
    EXPECT_EQ(log.find("failed"), std::string::npos) << log;

    Effect* sprite = manager->getEffect(L"Sprite");
    ASSERT_NE(sprite, nullptr);
    for (unsigned k = 0; k < 5; ++k)
        EXPECT_NE(sprite->getTechnique(k), nullptr) << k;
    for (const wchar_t* name :
         {L"g_Textur0", L"g_Textur1", L"g_Textur2", L"g_Textur3", L"g_View", L"g_ViewInv", L"g_Projection"})
        EXPECT_NE(sprite->getHandle(name), nullptr) << std::string(name, name + std::wcslen(name));
    ASSERT_NE(manager->getEffectPool(L"SpritePool"), nullptr);
    EXPECT_NE(manager->getEffectPool(L"SpritePool")->getPool(), nullptr);
    EffectBundle* bundle = manager->getEffectBundle(L"TintBundle");
    ASSERT_NE(bundle, nullptr);
    Effect* plain = bundle->getEffect(L"Plain");
    Effect* inverted = bundle->getEffect(L"Inverted");
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(inverted, nullptr);
    EXPECT_NE(plain, inverted);
    Effect* tint = manager->getEffect(L"Tint");
    ASSERT_NE(tint, nullptr);

    // The tint is shared through the pool: set on one effect, seen by the
    // bundle's effects; the inverted permutation turns the texture over first.
    Texture2D grey;
    ASSERT_TRUE(solid(grey, 0xFF4080C0));
    const D3DXVECTOR4 tintValue(1.0f, 0.5f, 1.0f, 1.0f);
    ASSERT_TRUE(SUCCEEDED(tint->getEffect()->SetVector("g_Tint", &tintValue)));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    const Image image = target.draw([&] {
        for (Effect* effect : {tint, plain, inverted}) {
            ASSERT_TRUE(m_sprite.Begin(0, effect));
            at(grey, effect == tint ? 0.0f : effect == plain ? 16.0f : 32.0f, 0.0f);
            m_sprite.End();
        }
    });
    EXPECT_RGB(image, 4, 4, 0xFF4040C0);
    EXPECT_RGB(image, 20, 4, 0xFF4040C0);
    EXPECT_RGB(image, 36, 4, 0xFFBF3F3F);
}

namespace {

class ReloadProbe : public sigslot::has_slots<> {
public:
    void reloaded(Effect& effect)
    {
        ++count;
        handle = effect.getHandle(L"g_Textur0");
    }
    int count = 0;
    D3DXHANDLE handle = nullptr;
};

} // namespace

TEST_F(SpriteBatchTest, ReloadedEffectSourceChangesWhatIsDrawn)
{
    // The sprite effect under a name of its own, so the reload touches nothing else.
    std::filesystem::create_directories(m_logs.folder() / "probe");
    for (const char* file : {"sprite.fx", "spritecommon.fxh"})
        std::filesystem::copy_file(m_fx / file, m_logs.folder() / "probe" / file);
    // A new name for every run, as the manager keeps what it loaded.
    static int runs = 0;
    const std::wstring name = L"SpriteReloadProbe" + std::to_wstring(++runs);
    XMLNode root = parse(L"<FX><EFFECT NAME=\"" + name + L"\"><FILE FILENAME=\"probe\\sprite.fx\"/></EFFECT></FX>");
    EffectManager* manager = EffectManager::getInstance();
    manager->load(&root);
    Effect* effect = manager->getEffect(name);
    ASSERT_NE(effect, nullptr) << m_logs.text("UlvoEffect.log");
    ReloadProbe probe;
    effect->reloaded.connect(&probe, &ReloadProbe::reloaded);

    Texture2D white;
    ASSERT_TRUE(solid(white, 0xFFFFFFFF));
    ScopedTarget target(m_device);
    ASSERT_TRUE(target.ok());
    auto picture = [&] {
        return target.draw([&] {
            ASSERT_TRUE(m_sprite.Begin(0, effect));
            at(white, 8, 8, 0xFFFFFFFF);
            m_sprite.End();
        });
    };
    EXPECT_RGB(picture(), 12, 12, 0xFFFFFFFF);

    // The pixel shader now keeps only the green channel.
    std::string source = TestSupport::readText(m_logs.folder() / "probe" / "sprite.fx");
    const std::string from = "return texel;";
    const size_t at = source.find(from);
    ASSERT_NE(at, std::string::npos);
    source.replace(at, from.size(), "return texel * float4(0, 1, 0, 1);");
    TestSupport::writeText(m_logs.folder() / "probe" / "sprite.fx", source);

    EXPECT_EQ(run(L"FX_reloadEffect " + name), L"Effekt neu geladen!");
    EXPECT_EQ(probe.count, 1);
    EXPECT_NE(probe.handle, nullptr);
    EXPECT_EQ(probe.handle, effect->getHandle(L"g_Textur0"));
    const Image changed = picture();
    EXPECT_RGB(changed, 12, 12, 0xFF00FF00);

    // A broken source: the reload fails, the effect stays unloaded and the
    // sprite draws nothing with it instead of crashing.
    TestSupport::writeText(m_logs.folder() / "probe" / "sprite.fx",
                           "float4 PS() : COLOR { return oops; }\n"
                           "technique Render2D { pass P0 { PixelShader = compile ps_2_0 PS(); } }\n");
    EXPECT_EQ(run(L"FX_reloadEffect " + name), L"Effekt neu geladen!");
    EXPECT_EQ(probe.count, 1);
    EXPECT_FALSE(effect->isLoaded());
    EXPECT_RGB(picture(), 12, 12, 0xFF000000);
}
