// Two recordings of a sprite's drawing: where their pictures may differ.
#include "graphics/sprites/SpriteRecording.h"

#include <gtest/gtest.h>

using Ulvo::RecordedDraw;
using Ulvo::SpriteRecording;

namespace {

const int kTextures[2] = {};

// A 10 x 10 texel draw placed at (x, y), unturned.
RecordedDraw at(float x, float y, int texture = 0, D3DCOLOR colour = 0xFFFFFFFF)
{
    RecordedDraw d;
    d.texture = &kTextures[texture];
    d.source = RECT{0, 0, 10, 10};
    d.transform[0] = d.transform[3] = 1.0f;
    d.transform[4] = x;
    d.transform[5] = y;
    d.colour = colour;
    return d;
}

void record(SpriteRecording& r, std::initializer_list<RecordedDraw> draws)
{
    r.clear();
    for (const RecordedDraw& d : draws)
        r.add(d);
}

bool equal(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TEST(SpriteRecording, FindsWhereTwoDrawingsDifferAndWhenNoRectangleSays)
{
    SpriteRecording before, now;
    RECT changed{1, 1, 2, 2};
    record(before, {at(0, 0), at(100, 0), at(200, 0)});
    record(now, {at(0, 0), at(100, 0), at(200, 0)});
    ASSERT_TRUE(now.changedSince(before, changed));
    EXPECT_TRUE(changed.left >= changed.right) << "the same drawing changes nothing";
    EXPECT_TRUE(now.sameAs(before));

    // One draw's colour changed: its bound, with a pixel's margin, and nothing of the others.
    record(now, {at(0, 0), at(100, 0, 0, 0x80FFFFFF), at(200, 0)});
    ASSERT_TRUE(now.changedSince(before, changed));
    EXPECT_TRUE(equal(changed, RECT{99, -1, 111, 11}));
    EXPECT_FALSE(now.sameAs(before));

    // A draw moved, one added at the end: where it was, where it is and the new one.
    record(now, {at(0, 0), at(100, 0), at(200, 20), at(300, 0, 1)});
    ASSERT_TRUE(now.changedSince(before, changed));
    EXPECT_TRUE(equal(changed, RECT{199, -1, 311, 31}));

    // The same draw twice where it was once: the second is new.
    record(now, {at(0, 0), at(0, 0), at(100, 0), at(200, 0)});
    ASSERT_TRUE(now.changedSince(before, changed));
    EXPECT_TRUE(equal(changed, RECT{-1, -1, 11, 11}));

    // Draws kept but drawn in another order may cover each other the other way: no rectangle.
    record(now, {at(100, 0), at(0, 0), at(200, 0)});
    EXPECT_FALSE(now.changedSince(before, changed));

    // A turned draw's bound holds its corners.
    RecordedDraw turned = at(50, 50);
    turned.transform[0] = 0.0f;
    turned.transform[1] = 1.0f;
    turned.transform[2] = -1.0f;
    turned.transform[3] = 0.0f;
    EXPECT_TRUE(equal(turned.bound(), RECT{39, 49, 51, 61}));

    // A draw no rectangle bounds, in either recording.
    record(now, {at(0, 0), at(100, 0), at(200, 0)});
    now.markUnbounded();
    EXPECT_FALSE(now.changedSince(before, changed));
    EXPECT_FALSE(before.changedSince(now, changed));
}
