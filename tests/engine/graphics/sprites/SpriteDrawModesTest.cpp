// Region arithmetic of the sprite draw modes, on the CPU: which pieces fill a
// destination, with which source cut, scale and place.
#include "graphics/sprites/BaseSprite.h"
#include "graphics/sprites/SpriteDrawInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Ulvo;

namespace {

constexpr float kPi = 3.14159265f;

RECT rect(LONG l, LONG t, LONG r, LONG b)
{
    return RECT{l, t, r, b};
}

// Compact description of a piece for readable expectations.
struct Expected {
    RECT source;
    float sx, sy;
    float tx, ty;
};

void expectPieces(const std::vector<SpritePiece>& pieces, const std::vector<Expected>& expected)
{
    ASSERT_EQ(pieces.size(), expected.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE("piece " + std::to_string(i));
        const SpritePiece& p = pieces[i];
        const Expected& e = expected[i];
        EXPECT_EQ(p.source.left, e.source.left);
        EXPECT_EQ(p.source.top, e.source.top);
        EXPECT_EQ(p.source.right, e.source.right);
        EXPECT_EQ(p.source.bottom, e.source.bottom);
        EXPECT_NEAR(p.scaling.x, e.sx, 1e-4f);
        EXPECT_NEAR(p.scaling.y, e.sy, 1e-4f);
        EXPECT_NEAR(p.translation.x, e.tx, 1e-3f);
        EXPECT_NEAR(p.translation.y, e.ty, 1e-3f);
    }
}

// Records what the shared draw code hands to the one-draw call.
class RecordingSprite : public BaseSprite {
public:
    bool create() override { return true; }
    bool Begin(DWORD, Effect*) override { return true; }
    bool End() override { return true; }
    void resumeBatch() override {}
    void suspendBatch() override {}
    bool drawRaw2D(IDirect3DTexture9**, const RECT* source, const D3DXVECTOR2* scaling, const D3DXVECTOR2*,
                   float rotation, const D3DXVECTOR2* translation, D3DCOLOR colour) override
    {
        SpritePiece p;
        p.source = *source;
        p.scaling = *scaling;
        p.rotation = rotation;
        p.translation = *translation;
        draws.push_back(p);
        colours.push_back(colour);
        return answer;
    }
    std::vector<SpritePiece> draws;
    std::vector<D3DCOLOR> colours;
    bool answer = true;
};

} // namespace

TEST(SpriteDrawMode, WordsMapToSingleFlags)
{
    EXPECT_EQ(BaseSprite::getDrawMode(L"clamp"), 32u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"SDP_STRETCH_NUMBER"), 64u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"Sdp_Align_Back"), 16u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"SCALE"), 1u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"repeat"), 2u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"STRETCH"), 4u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"ALIGN_FRONT"), 8u);
    // Whole words only: two words, prefixes and padding are not modes.
    EXPECT_EQ(BaseSprite::getDrawMode(L"SCALE REPEAT"), 0u);
    EXPECT_EQ(BaseSprite::getDrawMode(L"SDP_"), 0u);
    EXPECT_EQ(BaseSprite::getDrawMode(L" SCALE"), 0u);
    EXPECT_EQ(BaseSprite::getDrawMode(L""), 0u);
}

TEST(SpriteRegionRect, RepeatTilesColumnByColumnThenCutsRightColumnBottomRowAndCorner)
{
    std::vector<SpritePiece> pieces;
    // The source does not start at the origin: cut pieces keep its left and top edges.
    ASSERT_TRUE(
        BaseSprite::buildPiecesRect(rect(3, 4, 13, 14), rect(100, 50, 125, 75), SDP_REPEAT, SDP_REPEAT, pieces));
    const RECT full = rect(3, 4, 13, 14);
    expectPieces(pieces, {{full, 1, 1, 100, 50},
                          {full, 1, 1, 100, 60},
                          {full, 1, 1, 110, 50},
                          {full, 1, 1, 110, 60},
                          {rect(3, 4, 8, 14), 1, 1, 120, 50},
                          {rect(3, 4, 8, 14), 1, 1, 120, 60},
                          {rect(3, 4, 13, 9), 1, 1, 100, 70},
                          {rect(3, 4, 13, 9), 1, 1, 110, 70},
                          {rect(3, 4, 8, 9), 1, 1, 120, 70}});
}

TEST(SpriteRegionRect, RepeatCutLosesNoTexelToRounding)
{
    // 7 / 3 has a single-precision fraction just below 1/3; the cut is still one texel.
    std::vector<SpritePiece> pieces;
    ASSERT_TRUE(BaseSprite::buildPiecesRect(rect(0, 0, 3, 3), rect(0, 0, 7, 3), SDP_REPEAT, SDP_REPEAT, pieces));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2].source.right, 1);
    EXPECT_FLOAT_EQ(pieces[2].translation.x, 6.0f);
}

TEST(SpriteRegionRect, ClampCentresInIntegersOrAlignsBack)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 40, 20);
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(10, 10, 110, 71), SDP_CLAMP, SDP_CLAMP, pieces));
    // (61 - 20) / 2 = 20 in integers.
    expectPieces(pieces, {{source, 1, 1, 40, 30}});

    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(10, 10, 110, 70), SDP_CLAMP | SDP_ALIGN_BACK,
                                            SDP_CLAMP | SDP_ALIGN_FRONT, pieces));
    // Front alignment has no effect: that axis stays centred.
    expectPieces(pieces, {{source, 1, 1, 70, 30}});

    // Larger than the destination: centred and overhanging, halved towards zero.
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(0, 0, 25, 20), SDP_CLAMP, 0, pieces));
    expectPieces(pieces, {{source, 1, 1, -7, 0}});
}

TEST(SpriteRegionRect, StretchKeepsAspectAndPlacesTheFreeAxis)
{
    std::vector<SpritePiece> pieces;
    const RECT wide = rect(0, 0, 100, 50);
    ASSERT_TRUE(BaseSprite::buildPiecesRect(wide, rect(10, 20, 210, 220), SDP_STRETCH, SDP_STRETCH, pieces));
    expectPieces(pieces, {{wide, 2, 2, 10, 70}});
    ASSERT_TRUE(BaseSprite::buildPiecesRect(wide, rect(10, 20, 210, 220), SDP_STRETCH, SDP_ALIGN_FRONT, pieces));
    expectPieces(pieces, {{wide, 2, 2, 10, 20}});
    ASSERT_TRUE(BaseSprite::buildPiecesRect(wide, rect(10, 20, 210, 220), SDP_STRETCH, SDP_ALIGN_BACK, pieces));
    expectPieces(pieces, {{wide, 2, 2, 10, 120}});

    // Tall source: x has room to spare and follows mode x.
    const RECT tall = rect(0, 0, 50, 100);
    ASSERT_TRUE(BaseSprite::buildPiecesRect(tall, rect(10, 20, 210, 220), SDP_STRETCH, 0, pieces));
    expectPieces(pieces, {{tall, 2, 2, 60, 20}});
    ASSERT_TRUE(BaseSprite::buildPiecesRect(tall, rect(10, 20, 210, 220), SDP_STRETCH | SDP_ALIGN_BACK, 0, pieces));
    expectPieces(pieces, {{tall, 2, 2, 110, 20}});
}

TEST(SpriteRegionRect, StretchIntoReversedDestinationMirrorsButKeepsFrontOnTheLeft)
{
    std::vector<SpritePiece> pieces;
    const RECT tall = rect(0, 0, 50, 100);
    // Reversed x: drawn with a negative scale from x = 210 leftwards.
    ASSERT_TRUE(BaseSprite::buildPiecesRect(tall, rect(210, 20, 10, 220), SDP_STRETCH, 0, pieces));
    expectPieces(pieces, {{tall, -2, 2, 160, 20}}); // spans 160..60, centred in 10..210
    ASSERT_TRUE(BaseSprite::buildPiecesRect(tall, rect(210, 20, 10, 220), SDP_STRETCH | SDP_ALIGN_FRONT, 0, pieces));
    expectPieces(pieces, {{tall, -2, 2, 110, 20}}); // spans 110..10
    ASSERT_TRUE(BaseSprite::buildPiecesRect(tall, rect(210, 20, 10, 220), SDP_STRETCH | SDP_ALIGN_BACK, 0, pieces));
    expectPieces(pieces, {{tall, -2, 2, 210, 20}}); // spans 210..110
}

TEST(SpriteRegionRect, ScaleAndMixedScaleRepeat)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 10, 20);
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(5, 5, 35, 15), SDP_SCALE, SDP_SCALE, pieces));
    expectPieces(pieces, {{source, 3, 0.5f, 5, 5}});

    // Scale across, repeat down: 20-high tiles into 50, the last cut to 10.
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(0, 0, 40, 50), SDP_SCALE, SDP_REPEAT, pieces));
    expectPieces(pieces, {{source, 4, 1, 0, 0}, {source, 4, 1, 0, 20}, {rect(0, 0, 10, 10), 4, 1, 0, 40}});

    // Repeat across, scale down.
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(0, 0, 25, 40), SDP_REPEAT, SDP_SCALE, pieces));
    expectPieces(pieces, {{source, 1, 2, 0, 0}, {source, 1, 2, 10, 0}, {rect(0, 0, 5, 20), 1, 2, 20, 0}});

    // No mode: nothing, and that is no failure.
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(0, 0, 25, 40), 0, 0, pieces));
    EXPECT_TRUE(pieces.empty());
}

TEST(SpriteRegionRect, ClampAndStretchEachAddTheirPieceInTheGuiForm)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 10, 10);
    ASSERT_TRUE(BaseSprite::buildPiecesRect(source, rect(0, 0, 40, 20), SDP_CLAMP, SDP_STRETCH, pieces));
    expectPieces(pieces, {{source, 1, 1, 15, 5}, {source, 2, 2, 10, 0}});
}

TEST(SpriteRegionRect, EmptySourceAndRunawayTileCountsAreRefused)
{
    std::vector<SpritePiece> pieces(3);
    EXPECT_FALSE(BaseSprite::buildPiecesRect(rect(5, 5, 5, 15), rect(0, 0, 100, 100), SDP_REPEAT, SDP_REPEAT, pieces));
    EXPECT_TRUE(pieces.empty());
    EXPECT_FALSE(BaseSprite::buildPiecesRect(rect(0, 10, 10, 0), rect(0, 0, 100, 100), SDP_SCALE, SDP_SCALE, pieces));
    EXPECT_FALSE(BaseSprite::buildPiecesRect(rect(0, 0, 1, 1), rect(0, 0, 2000000000, 2000000000), SDP_REPEAT,
                                             SDP_REPEAT, pieces));
    EXPECT_TRUE(pieces.empty());

    // A zero-sized destination is simply nothing to draw.
    EXPECT_TRUE(BaseSprite::buildPiecesRect(rect(0, 0, 10, 10), rect(0, 0, 0, 10), SDP_SCALE, SDP_SCALE, pieces));
    EXPECT_TRUE(pieces.empty());
    EXPECT_TRUE(BaseSprite::buildPiecesRect(rect(0, 0, 10, 10), rect(0, 0, 0, 0), SDP_REPEAT, SDP_REPEAT, pieces));
    EXPECT_TRUE(pieces.empty());
}

TEST(SpriteDrawInfoTransform, CentreFlagsPlaceTheRotationCentre)
{
    // Flags 1 and 4: the position names the middle of the size.
    SpriteDrawInfo middle(D3DXVECTOR2(100, 100), D3DXVECTOR2(20, 10), 0.0f, D3DXVECTOR2(0.5f, 0.5f),
                          SpriteDrawInfo::SDI_CENTER_RELATIVE | SpriteDrawInfo::SDI_POSITION_IS_CENTER);
    FloatRect r = middle.getBoundingRect();
    EXPECT_FLOAT_EQ(r.left, 90);
    EXPECT_FLOAT_EQ(r.right, 110);
    EXPECT_FLOAT_EQ(r.top, 95);
    EXPECT_FLOAT_EQ(r.bottom, 105);

    // Turned a quarter about its middle, it stands upright around the same point.
    middle.rotation = 90.0f;
    r = middle.getBoundingRect();
    EXPECT_NEAR(r.left, 95, 1e-3);
    EXPECT_NEAR(r.right, 105, 1e-3);
    EXPECT_NEAR(r.top, 90, 1e-3);
    EXPECT_NEAR(r.bottom, 110, 1e-3);

    // Flag 1 alone: rotation about the middle, position still the top-left corner.
    SpriteDrawInfo relative(D3DXVECTOR2(100, 100), D3DXVECTOR2(20, 10), 90.0f, D3DXVECTOR2(0.5f, 0.5f),
                            SpriteDrawInfo::SDI_CENTER_RELATIVE);
    // Flag 2: the same centre given in screen coordinates.
    SpriteDrawInfo absolute(D3DXVECTOR2(100, 100), D3DXVECTOR2(20, 10), 90.0f, D3DXVECTOR2(110, 105),
                            SpriteDrawInfo::SDI_CENTER_ABSOLUTE);
    const Ulvo2DQuad a = relative.getQuad();
    const Ulvo2DQuad b = absolute.getQuad();
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(a.getCorner(i).x, b.getCorner(i).x, 1e-3);
        EXPECT_NEAR(a.getCorner(i).y, b.getCorner(i).y, 1e-3);
    }
    // Corner 0 (the top-left before turning) goes to (115, 95); the middle stays at (110, 105).
    EXPECT_NEAR(a.getCorner(0).x, 115, 1e-3);
    EXPECT_NEAR(a.getCorner(0).y, 95, 1e-3);
    EXPECT_NEAR(a.getCorner(4).x, 110, 1e-3);
    EXPECT_NEAR(a.getCorner(4).y, 105, 1e-3);
    // The record never scales: the quad's area is the size's.
    EXPECT_NEAR(a.getArea(), 200.0f, 1e-2);
}

TEST(SpriteRecordPieces, UnrotatedRecordMatchesTheRectForm)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 10, 10);
    const SpriteDrawInfo info(D3DXVECTOR2(100, 50), D3DXVECTOR2(25, 10));
    ASSERT_TRUE(BaseSprite::buildPieces(info, source, SDP_REPEAT, SDP_REPEAT, pieces));
    expectPieces(pieces, {{source, 1, 1, 100, 50}, {source, 1, 1, 110, 50}, {rect(0, 0, 5, 10), 1, 1, 120, 50}});
    for (const SpritePiece& p : pieces) {
        EXPECT_EQ(p.rotation, 0.0f);
        EXPECT_EQ(p.rotationCenter.x, 0.0f);
    }

    // Clamp halves in floats here.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(25, 15)), source, SDP_CLAMP,
                                        SDP_CLAMP, pieces));
    expectPieces(pieces, {{source, 1, 1, 7.5f, 2.5f}});
}

TEST(SpriteRecordPieces, RotatedRecordLaysTilesAlongItsTurnedAxes)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 10, 10);
    // 25 x 10 turned a quarter about its middle (110, 105 on screen); its x axis points down.
    const SpriteDrawInfo info(D3DXVECTOR2(100, 100), D3DXVECTOR2(25, 10), 90.0f, D3DXVECTOR2(0.5f, 0.5f),
                              SpriteDrawInfo::SDI_CENTER_RELATIVE);
    ASSERT_TRUE(BaseSprite::buildPieces(info, source, SDP_REPEAT, SDP_REPEAT, pieces));
    ASSERT_EQ(pieces.size(), 3u);
    // Corner: c = (12.5, 5); (-12.5, -5) turned is (5, -12.5); + c + position = (117.5, 92.5).
    const float ox = 117.5f;
    const float oy = 92.5f;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(pieces[i].rotation, kPi / 2, 1e-5f);
        EXPECT_NEAR(pieces[i].translation.x, ox, 1e-3f);
        EXPECT_NEAR(pieces[i].translation.y, oy + 10.0f * i, 1e-3f);
    }
    EXPECT_EQ(pieces[2].source.right, 5);
}

TEST(SpriteRecordPieces, StretchNumberScalesOneAxisAndTilesTheOther)
{
    std::vector<SpritePiece> pieces;
    const RECT source = rect(0, 0, 10, 10);
    // Stretch across: k = 2; 50 high holds 2.5 tiles of 20.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(20, 50)), source,
                                        SDP_STRETCH_NUMBER, SDP_REPEAT, pieces));
    expectPieces(pieces, {{source, 2, 2, 0, 0}, {source, 2, 2, 0, 20}, {rect(0, 0, 10, 5), 2, 2, 0, 40}});

    // Stretch down, tile across: k = 3; 75 wide holds 2.5 tiles of 30.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(5, 5), D3DXVECTOR2(75, 30)), source, SDP_REPEAT,
                                        SDP_STRETCH_NUMBER, pieces));
    expectPieces(pieces, {{source, 3, 3, 5, 5}, {source, 3, 3, 35, 5}, {rect(0, 0, 5, 10), 3, 3, 65, 5}});

    // A remainder of one texel in exact arithmetic (7 = 2 tiles of 3 + 1) stays one texel although
    // the single-precision fraction of 7 / 3 falls just short of 1/3.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(3, 7)), rect(0, 0, 3, 3),
                                        SDP_STRETCH_NUMBER, SDP_REPEAT, pieces));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2].source.bottom, 1);
}

TEST(SpriteRecordPieces, StretchNumberRefusesZeroScaleInsteadOfLooping)
{
    std::vector<SpritePiece> pieces;
    EXPECT_FALSE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(0, 50)), rect(0, 0, 10, 10),
                                         SDP_STRETCH_NUMBER, SDP_REPEAT, pieces));
    EXPECT_TRUE(pieces.empty());
    EXPECT_FALSE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(50, 0)), rect(0, 0, 10, 10),
                                         SDP_REPEAT, SDP_STRETCH_NUMBER, pieces));
    EXPECT_FALSE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(50, 50)), rect(0, 0, 0, 10),
                                         SDP_STRETCH_NUMBER, SDP_REPEAT, pieces));
    // Not-a-number sizes never reach an integer conversion.
    EXPECT_FALSE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(NAN, 10)), rect(0, 0, 10, 10),
                                         SDP_REPEAT, SDP_REPEAT, pieces));
    EXPECT_FALSE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(0, 0), D3DXVECTOR2(INFINITY, 10)),
                                         rect(0, 0, 10, 10), SDP_STRETCH_NUMBER, SDP_REPEAT, pieces));
}

TEST(SpriteRecordPieces, StretchOnRotatedRecordPlacesFreeAxisAlongItsAxis)
{
    std::vector<SpritePiece> pieces;
    const RECT wide = rect(0, 0, 100, 50);
    // Unturned: as the rect form.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(10, 20), D3DXVECTOR2(200, 200)), wide, SDP_STRETCH,
                                        SDP_ALIGN_BACK, pieces));
    expectPieces(pieces, {{wide, 2, 2, 10, 120}});
    // Turned a half about the top-left corner: the y offset runs upwards.
    ASSERT_TRUE(BaseSprite::buildPieces(SpriteDrawInfo(D3DXVECTOR2(10, 20), D3DXVECTOR2(200, 200), 180.0f), wide,
                                        SDP_STRETCH, SDP_ALIGN_BACK, pieces));
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_NEAR(pieces[0].translation.x, 10, 1e-3f);
    EXPECT_NEAR(pieces[0].translation.y, -80, 1e-3f);
}

TEST(SpriteSharedDraw, RegionDrawTakesTheFirstMatchingRuleAndAnswersLikeIt)
{
    RecordingSprite sprite;
    IDirect3DTexture9* fake = reinterpret_cast<IDirect3DTexture9*>(0x1000); // never dereferenced
    const RECT source = rect(0, 0, 10, 10);

    // Clamp wins over stretch; one draw, its answer is the result.
    sprite.answer = false;
    EXPECT_FALSE(sprite.drawRawRegion(&fake, &source, rect(0, 0, 40, 20), SDP_CLAMP, SDP_STRETCH, 0xFF112233));
    ASSERT_EQ(sprite.draws.size(), 1u);
    EXPECT_EQ(sprite.colours[0], 0xFF112233u);
    EXPECT_FLOAT_EQ(sprite.draws[0].translation.x, 15);

    // Tiling answers true whatever the draws say.
    sprite.draws.clear();
    EXPECT_TRUE(sprite.drawRawRegion(&fake, &source, rect(0, 0, 25, 10), SDP_REPEAT, SDP_REPEAT, 0xFFFFFFFF));
    EXPECT_EQ(sprite.draws.size(), 3u);
    EXPECT_TRUE(sprite.drawRawRegion(&fake, &source, rect(0, 0, 25, 10), 0, 0, 0xFFFFFFFF));

    // Missing pieces of the call.
    IDirect3DTexture9* none = nullptr;
    EXPECT_FALSE(sprite.drawRawRegion(&none, &source, rect(0, 0, 25, 10), SDP_SCALE, SDP_SCALE, 0));
    EXPECT_FALSE(sprite.drawRawRegion(&fake, nullptr, rect(0, 0, 25, 10), SDP_SCALE, SDP_SCALE, 0));
    EXPECT_FALSE(sprite.drawRegion(nullptr, &source, rect(0, 0, 25, 10), SDP_SCALE, SDP_SCALE, 0));
    // An empty source is refused before anything is drawn.
    sprite.draws.clear();
    const RECT empty = rect(4, 4, 4, 9);
    EXPECT_FALSE(sprite.drawRawRegion(&fake, &empty, rect(0, 0, 25, 10), SDP_REPEAT, SDP_REPEAT, 0));
    EXPECT_TRUE(sprite.draws.empty());
}

TEST(SpriteSharedDraw, TextureDrawIsTrueWhenAnyPieceDrew)
{
    RecordingSprite sprite;
    IDirect3DTexture9* fake = reinterpret_cast<IDirect3DTexture9*>(0x1000);
    const RECT source = rect(0, 0, 10, 10);
    const SpriteDrawInfo info(D3DXVECTOR2(0, 0), D3DXVECTOR2(25, 10), 30.0f);
    EXPECT_TRUE(sprite.drawRawTexture(&fake, &source, info, SDP_REPEAT, SDP_REPEAT, 0xFFFFFFFF));
    ASSERT_EQ(sprite.draws.size(), 3u);
    EXPECT_NEAR(sprite.draws[0].rotation, 30.0f * kPi / 180.0f, 1e-5f);
    sprite.answer = false;
    EXPECT_FALSE(sprite.drawRawTexture(&fake, &source, info, SDP_REPEAT, SDP_REPEAT, 0xFFFFFFFF));
    // Nothing to draw is no success.
    sprite.answer = true;
    EXPECT_FALSE(sprite.drawRawTexture(&fake, &source, info, 0, 0, 0xFFFFFFFF));
    EXPECT_FALSE(sprite.drawRawTexture(&fake, nullptr, info, SDP_SCALE, SDP_SCALE, 0xFFFFFFFF));
    EXPECT_FALSE(sprite.drawTexture(nullptr, &source, info, SDP_SCALE, SDP_SCALE, 0xFFFFFFFF));
}
