// Texel conversions on CPU buffers: every converted format reads what it
// wrote, the documented worked values, half floats, and formats that are
// refused without touching memory.
#include "graphics/textures/TexelFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace Ulvo;

namespace {

struct Bytes {
    unsigned char b[16];
    Bytes() { std::memset(b, 0xCD, sizeof(b)); }
};

D3DXVECTOR4 read(D3DFORMAT format, const Bytes& bytes)
{
    D3DXVECTOR4 c(-9, -9, -9, -9);
    EXPECT_TRUE(readTexel(format, bytes.b, c));
    return c;
}

template <class T> T word(const Bytes& bytes, unsigned index)
{
    T value;
    std::memcpy(&value, bytes.b + index * sizeof(T), sizeof(T));
    return value;
}

void expectColour(const D3DXVECTOR4& c, float r, float g, float b, float a, float tolerance = 1e-6f)
{
    EXPECT_NEAR(c.x, r, tolerance);
    EXPECT_NEAR(c.y, g, tolerance);
    EXPECT_NEAR(c.z, b, tolerance);
    EXPECT_NEAR(c.w, a, tolerance);
}

} // namespace

TEST(TextureTexelFormat, WorkedValuesOfThe32BitAnd16BitFormats)
{
    Bytes bytes;
    const uint32_t argb = 0x80FF4000u; // alpha 128, red 255, green 64, blue 0
    std::memcpy(bytes.b, &argb, 4);
    expectColour(read(D3DFMT_A8R8G8B8, bytes), 1.0f, 64 / 255.0f, 0.0f, 128 / 255.0f);
    // X8R8G8B8 ignores the top byte.
    expectColour(read(D3DFMT_X8R8G8B8, bytes), 1.0f, 64 / 255.0f, 0.0f, 1.0f);

    // Rounded per channel, saturated outside [0, 1].
    ASSERT_TRUE(writeTexel(D3DFMT_A8R8G8B8, bytes.b, D3DXVECTOR4(0.5f, 1.2f, -0.1f, 1.0f)));
    EXPECT_EQ(word<uint32_t>(bytes, 0), 0xFF80FF00u);

    // R5G6B5 truncates: green trunc(0.5 * 63) = 31.
    ASSERT_TRUE(writeTexel(D3DFMT_R5G6B5, bytes.b, D3DXVECTOR4(1.0f, 0.5f, 0.0f, 0.3f)));
    EXPECT_EQ(word<uint16_t>(bytes, 0), 0xFBE0u);
    expectColour(read(D3DFMT_R5G6B5, bytes), 1.0f, 31 / 63.0f, 0.0f, 1.0f);

    // Three-byte texels are blue, green, red and leave the next byte alone.
    Bytes rgb;
    ASSERT_TRUE(writeTexel(D3DFMT_R8G8B8, rgb.b, D3DXVECTOR4(1.0f, 0.5f, 0.25f, 0.0f)));
    EXPECT_EQ(rgb.b[0], 63);
    EXPECT_EQ(rgb.b[1], 127);
    EXPECT_EQ(rgb.b[2], 255);
    EXPECT_EQ(rgb.b[3], 0xCD);
    EXPECT_EQ(texelSize(D3DFMT_R8G8B8), 3u);

    // X1R5G5B5 keeps bit 15 clear; A4R4G4B4 puts alpha in the top nibble.
    ASSERT_TRUE(writeTexel(D3DFMT_X1R5G5B5, bytes.b, D3DXVECTOR4(1, 1, 1, 1)));
    EXPECT_EQ(word<uint16_t>(bytes, 0), 0x7FFFu);
    ASSERT_TRUE(writeTexel(D3DFMT_A4R4G4B4, bytes.b, D3DXVECTOR4(0.0f, 1.0f, 0.0f, 1.0f)));
    EXPECT_EQ(word<uint16_t>(bytes, 0), 0xF0F0u);
    expectColour(read(D3DFMT_X4R4G4B4, bytes), 0, 1, 0, 1);
}

TEST(TextureTexelFormat, WideAndFloatFormatsKeepTheirChannelOrder)
{
    Bytes bytes;
    // Red lives in the lowest word of A16B16G16R16, as in the float form.
    ASSERT_TRUE(writeTexel(D3DFMT_A16B16G16R16, bytes.b, D3DXVECTOR4(1.0f, 0.0f, 0.5f, 0.25f)));
    EXPECT_EQ(word<uint16_t>(bytes, 0), 65535u);
    EXPECT_EQ(word<uint16_t>(bytes, 1), 0u);
    EXPECT_EQ(word<uint16_t>(bytes, 2), 32767u);
    EXPECT_EQ(word<uint16_t>(bytes, 3), 16383u);
    expectColour(read(D3DFMT_A16B16G16R16, bytes), 1.0f, 0.0f, 32767 / 65535.0f, 16383 / 65535.0f);

    ASSERT_TRUE(writeTexel(D3DFMT_A16B16G16R16F, bytes.b, D3DXVECTOR4(1.0f, -2.0f, 0.5f, 100.0f)));
    EXPECT_EQ(word<uint16_t>(bytes, 0), 0x3C00u);
    EXPECT_EQ(word<uint16_t>(bytes, 1), 0xC000u);
    expectColour(read(D3DFMT_A16B16G16R16F, bytes), 1.0f, -2.0f, 0.5f, 100.0f);

    // Float formats are neither clamped nor scaled.
    ASSERT_TRUE(writeTexel(D3DFMT_A32B32G32R32F, bytes.b, D3DXVECTOR4(-3.5f, 7.0f, 1e6f, 0.125f)));
    expectColour(read(D3DFMT_A32B32G32R32F, bytes), -3.5f, 7.0f, 1e6f, 0.125f);

    const float r32 = 0.75f;
    std::memcpy(bytes.b, &r32, 4);
    expectColour(read(D3DFMT_R32F, bytes), 0.75f, 0.75f, 0.75f, 0.75f);

    const uint16_t l16 = 65535;
    std::memcpy(bytes.b, &l16, 2);
    expectColour(read(D3DFMT_L16, bytes), 1, 1, 1, 1);

    ASSERT_TRUE(writeTexel(D3DFMT_G16R16F, bytes.b, D3DXVECTOR4(0.5f, 2.0f, 9.0f, 9.0f)));
    expectColour(read(D3DFMT_G16R16F, bytes), 0.5f, 2.0f, 0.0f, 1.0f);

    ASSERT_TRUE(writeTexel(D3DFMT_R16F, bytes.b, D3DXVECTOR4(-0.25f, 9.0f, 9.0f, 9.0f)));
    expectColour(read(D3DFMT_R16F, bytes), -0.25f, -0.25f, -0.25f, -0.25f);

    // A8L8: luminance from red in the low byte, alpha in the high byte.
    ASSERT_TRUE(writeTexel(D3DFMT_A8L8, bytes.b, D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.5f)));
    EXPECT_EQ(bytes.b[0], 255);
    EXPECT_EQ(bytes.b[1], 127);
    expectColour(read(D3DFMT_A8L8, bytes), 1, 1, 1, 127 / 255.0f);
}

// Every converted format: a value on the format's own grid reads back exactly,
// and writing what was read gives the same bytes again.
TEST(TextureTexelFormat, EveryFormatRoundTrips)
{
    struct Case {
        D3DFORMAT format;
        uint32_t size;
        float step; // grid spacing of the unorm channels; 0 for float formats
    };
    const Case cases[] = {
        {D3DFMT_R8G8B8, 3, 1 / 255.0f},  {D3DFMT_A8R8G8B8, 4, 1 / 255.0f}, {D3DFMT_X8R8G8B8, 4, 1 / 255.0f},
        {D3DFMT_R5G6B5, 2, 1 / 63.0f},   {D3DFMT_X1R5G5B5, 2, 1 / 31.0f},  {D3DFMT_A4R4G4B4, 2, 1 / 15.0f},
        {D3DFMT_X4R4G4B4, 2, 1 / 15.0f}, {D3DFMT_G16R16, 4, 1 / 65535.0f}, {D3DFMT_A16B16G16R16, 8, 1 / 65535.0f},
        {D3DFMT_A8L8, 2, 1 / 255.0f},    {D3DFMT_L16, 2, 1 / 65535.0f},    {D3DFMT_R16F, 2, 0},
        {D3DFMT_G16R16F, 4, 0},          {D3DFMT_A16B16G16R16F, 8, 0},     {D3DFMT_R32F, 4, 0},
        {D3DFMT_A32B32G32R32F, 16, 0},   {D3DFMT_V16U16, 4, 1 / 65535.0f},
    };
    const float samples[] = {0.0f, 1.0f, 0.2f, 0.5f, 0.8f, 0.999f, 0.001f, 0.33f};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        EXPECT_EQ(texelSize(c.format), c.size);
        for (float s : samples) {
            // The 5-bit channels of R5G6B5 quantise more coarsely than green.
            const float tolerance = c.step == 0 ? 1e-3f : (c.format == D3DFMT_R5G6B5 ? 1 / 31.0f : c.step) + 1e-6f;
            const bool noAlpha = c.format == D3DFMT_X8R8G8B8 || c.format == D3DFMT_X4R4G4B4;
            const D3DXVECTOR4 wanted(s, 1.0f - s, s * 0.5f, noAlpha ? 1.0f : 0.75f);
            Bytes first;
            ASSERT_TRUE(writeTexel(c.format, first.b, wanted));
            for (uint32_t i = c.size; i < sizeof(first.b); ++i)
                ASSERT_EQ(first.b[i], 0xCD) << "wrote past the texel";
            D3DXVECTOR4 got(0, 0, 0, 0);
            ASSERT_TRUE(readTexel(c.format, first.b, got));
            EXPECT_NEAR(got.x, wanted.x, tolerance);
            if (c.format != D3DFMT_L16 && c.format != D3DFMT_R16F && c.format != D3DFMT_R32F &&
                c.format != D3DFMT_A8L8) {
                EXPECT_NEAR(got.y, wanted.y, tolerance);
            }
            Bytes second;
            ASSERT_TRUE(writeTexel(c.format, second.b, got));
            EXPECT_EQ(std::memcmp(first.b, second.b, c.size), 0) << "value " << s;
        }
    }
}

// Copying texels (cut texture parts) reads and writes each one: every bit
// pattern of the 16-bit formats must come back unchanged.
TEST(TextureTexelFormat, ReadingAndWritingBackKeepsEvery16BitTexel)
{
    for (D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8L8, D3DFMT_L16, D3DFMT_R16F}) {
        SCOPED_TRACE(static_cast<int>(format));
        for (uint32_t bits = 0; bits <= 0xFFFFu; ++bits) {
            if (format == D3DFMT_X1R5G5B5 && (bits & 0x8000u))
                continue;
            if (format == D3DFMT_R16F && (bits & 0x7C00u) == 0x7C00u && (bits & 0x3FFu))
                continue; // NaN payloads
            Bytes in;
            Bytes out;
            const uint16_t texel = static_cast<uint16_t>(bits);
            std::memcpy(in.b, &texel, 2);
            D3DXVECTOR4 c;
            ASSERT_TRUE(readTexel(format, in.b, c));
            ASSERT_TRUE(writeTexel(format, out.b, c));
            ASSERT_EQ(word<uint16_t>(out, 0), texel) << std::hex << bits;
        }
    }
    for (uint32_t v = 0; v < 256; ++v) {
        Bytes in;
        Bytes out;
        const uint32_t argb = v * 0x01010101u ^ 0x00FF7F00u;
        std::memcpy(in.b, &argb, 4);
        D3DXVECTOR4 c;
        ASSERT_TRUE(readTexel(D3DFMT_A8R8G8B8, in.b, c));
        ASSERT_TRUE(writeTexel(D3DFMT_A8R8G8B8, out.b, c));
        ASSERT_EQ(word<uint32_t>(out, 0), argb);
    }
}

TEST(TextureTexelFormat, BumpMapWordsReadBackBelowOneHalf)
{
    Bytes bytes;
    ASSERT_TRUE(writeTexel(D3DFMT_V16U16, bytes.b, D3DXVECTOR4(0.1f, 0.9f, 0, 0)));
    const D3DXVECTOR4 c = read(D3DFMT_V16U16, bytes);
    EXPECT_NEAR(c.x, 0.1f, 1e-4f);
    EXPECT_NEAR(c.y, 0.9f, 1e-4f);
    expectColour(D3DXVECTOR4(0, 0, c.z, c.w), 0, 0, 0, 1);
    // Far outside the range saturates instead of wrapping.
    ASSERT_TRUE(writeTexel(D3DFMT_V16U16, bytes.b, D3DXVECTOR4(-50.0f, 50.0f, 0, 0)));
    EXPECT_EQ(word<int16_t>(bytes, 0), -32768);
    EXPECT_EQ(word<int16_t>(bytes, 1), 32767);
}

TEST(TextureTexelFormat, UnknownFormatsAreRefusedWithoutTouchingMemory)
{
    for (D3DFORMAT format : {D3DFMT_A8, D3DFMT_L8, D3DFMT_DXT1, D3DFMT_DXT5, D3DFMT_D24S8, D3DFMT_INDEX16,
                             D3DFMT_UNKNOWN, static_cast<D3DFORMAT>(12345)}) {
        Bytes bytes;
        D3DXVECTOR4 c(7, 7, 7, 7);
        EXPECT_FALSE(readTexel(format, bytes.b, c));
        EXPECT_FALSE(writeTexel(format, bytes.b, D3DXVECTOR4(1, 1, 1, 1)));
        EXPECT_EQ(texelSize(format), 0u);
        EXPECT_EQ(c.x, 7.0f);
        for (unsigned char b : bytes.b)
            EXPECT_EQ(b, 0xCD);
    }
    D3DXVECTOR4 c;
    EXPECT_FALSE(readTexel(D3DFMT_A8R8G8B8, nullptr, c));
    EXPECT_FALSE(writeTexel(D3DFMT_A8R8G8B8, nullptr, c));
}

TEST(TextureTexelFormat, HalfFloatConversion)
{
    EXPECT_EQ(floatToHalf(1.0f), 0x3C00u);
    EXPECT_EQ(floatToHalf(-2.0f), 0xC000u);
    EXPECT_EQ(floatToHalf(0.0f), 0x0000u);
    EXPECT_EQ(floatToHalf(-0.0f), 0x8000u);
    EXPECT_EQ(floatToHalf(65504.0f), 0x7BFFu);
    // Above the largest half: infinity, not a wrapped exponent.
    EXPECT_EQ(floatToHalf(65505.0f), 0x7C00u);
    EXPECT_EQ(floatToHalf(-1e9f), 0xFC00u);
    EXPECT_EQ(floatToHalf(std::numeric_limits<float>::infinity()), 0x7C00u);
    const uint16_t nan = floatToHalf(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(nan & 0x7C00u, 0x7C00u);
    EXPECT_NE(nan & 0x03FFu, 0u);
    EXPECT_TRUE(std::isnan(halfToFloat(nan)));
    // Truncation, not rounding: just below 1 + 2^-10 stays 1.
    EXPECT_EQ(floatToHalf(1.0f + 0.0009f), 0x3C00u);
    EXPECT_EQ(floatToHalf(1.0f + 0.0009765625f), 0x3C01u);
    // Below 2^-14 the half is subnormal.
    EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -15)), 0x0200u);
    EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -24)), 0x0001u);
    EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -26)), 0x0000u);
    EXPECT_EQ(halfToFloat(0x0001u), std::ldexp(1.0f, -24));
    EXPECT_TRUE(std::isinf(halfToFloat(0x7C00u)));

    // Every half that is a number survives the trip through single precision.
    for (uint32_t h = 0; h <= 0xFFFFu; ++h) {
        const uint16_t half = static_cast<uint16_t>(h);
        if ((half & 0x7C00u) == 0x7C00u && (half & 0x03FFu) != 0)
            continue;
        ASSERT_EQ(floatToHalf(halfToFloat(half)), half) << std::hex << h;
    }
}
