#include "graphics/textures/TexelFormat.h"

#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

// 1 at or above 1, 0 at or below 0 (NaN included), else the value.
float clamp01(float c)
{
    if (c >= 1.0f)
        return 1.0f;
    if (!(c > 0.0f))
        return 0.0f;
    return c;
}

uint32_t toUnorm(float c, uint32_t maximum)
{
    return static_cast<uint32_t>(clamp01(c) * static_cast<float>(maximum));
}

// The A8R8G8B8 channel rule: rounded, not truncated.
uint32_t toByteRounded(float c)
{
    if (c >= 1.0f)
        return 255;
    if (!(c > 0.0f))
        return 0;
    return static_cast<uint32_t>(c * 255.0f + 0.5f);
}

template <class T> T load(const unsigned char* p, unsigned index = 0)
{
    T value;
    std::memcpy(&value, p + index * sizeof(T), sizeof(T));
    return value;
}

template <class T> void store(unsigned char* p, T value, unsigned index = 0)
{
    std::memcpy(p + index * sizeof(T), &value, sizeof(T));
}

// Bump-map words are signed, centred on 0.5, and rounded to the nearest step
// so that what was read is written back unchanged.
int16_t toSignedWord(float c)
{
    const double v = std::round((static_cast<double>(c) - 0.5) * 65535.0);
    if (!(v > -32768.0))
        return -32768;
    if (v > 32767.0)
        return 32767;
    return static_cast<int16_t>(v);
}

} // namespace

float halfToFloat(uint16_t half)
{
    const uint32_t sign = static_cast<uint32_t>(half & 0x8000u) << 16;
    const uint32_t exponent = (half >> 10) & 0x1Fu;
    const uint32_t mantissa = half & 0x3FFu;
    if (exponent == 0) {
        // Zero or subnormal: mantissa * 2^-24, exact in single precision.
        const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
        return sign ? -magnitude : magnitude;
    }
    uint32_t bits;
    if (exponent == 31)
        bits = sign | 0x7F800000u | (mantissa << 13);
    else
        bits = sign | ((exponent - 15 + 127) << 23) | (mantissa << 13);
    float result;
    std::memcpy(&result, &bits, sizeof(result));
    return result;
}

uint16_t floatToHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000u);
    const uint32_t exponent = (bits >> 23) & 0xFFu;
    const uint32_t mantissa = bits & 0x7FFFFFu;
    if (exponent == 0xFF) {
        if (mantissa != 0)
            return static_cast<uint16_t>(sign | 0x7E00u | (mantissa >> 13));
        return static_cast<uint16_t>(sign | 0x7C00u);
    }
    if (std::fabs(value) > 65504.0f)
        return static_cast<uint16_t>(sign | 0x7C00u);
    const int halfExponent = static_cast<int>(exponent) - 127 + 15;
    if (halfExponent >= 1)
        return static_cast<uint16_t>(sign | (halfExponent << 10) | (mantissa >> 13));
    if (exponent == 0 || halfExponent < -10)
        return sign;
    const uint32_t full = mantissa | 0x800000u;
    return static_cast<uint16_t>(sign | (full >> (14 - halfExponent)));
}

uint32_t texelSize(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_G16R16:
    case D3DFMT_G16R16F:
    case D3DFMT_R32F:
    case D3DFMT_V16U16:
        return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_L16:
    case D3DFMT_R16F:
        return 2;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
        return 8;
    case D3DFMT_A32B32G32R32F:
        return 16;
    default:
        return 0;
    }
}

bool readTexel(D3DFORMAT format, const void* texel, D3DXVECTOR4& colour)
{
    const unsigned char* p = static_cast<const unsigned char*>(texel);
    if (!p)
        return false;
    switch (format) {
    case D3DFMT_R8G8B8:
        colour = D3DXVECTOR4(p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, 1.0f);
        return true;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        const uint32_t v = load<uint32_t>(p);
        colour = D3DXVECTOR4(((v >> 16) & 0xFF) / 255.0f, ((v >> 8) & 0xFF) / 255.0f, (v & 0xFF) / 255.0f,
                             format == D3DFMT_X8R8G8B8 ? 1.0f : ((v >> 24) & 0xFF) / 255.0f);
        return true;
    }
    case D3DFMT_R5G6B5: {
        const uint16_t v = load<uint16_t>(p);
        colour = D3DXVECTOR4(((v >> 11) & 0x1F) / 31.0f, ((v >> 5) & 0x3F) / 63.0f, (v & 0x1F) / 31.0f, 1.0f);
        return true;
    }
    case D3DFMT_X1R5G5B5: {
        const uint16_t v = load<uint16_t>(p);
        colour = D3DXVECTOR4(((v >> 10) & 0x1F) / 31.0f, ((v >> 5) & 0x1F) / 31.0f, (v & 0x1F) / 31.0f, 1.0f);
        return true;
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        const uint16_t v = load<uint16_t>(p);
        colour = D3DXVECTOR4(((v >> 8) & 0xF) / 15.0f, ((v >> 4) & 0xF) / 15.0f, (v & 0xF) / 15.0f,
                             format == D3DFMT_X4R4G4B4 ? 1.0f : ((v >> 12) & 0xF) / 15.0f);
        return true;
    }
    case D3DFMT_G16R16:
        colour = D3DXVECTOR4(load<uint16_t>(p, 0) / 65535.0f, load<uint16_t>(p, 1) / 65535.0f, 0.0f, 1.0f);
        return true;
    case D3DFMT_A16B16G16R16:
        // Red sits in the lowest word, as in the format's name read backwards.
        colour = D3DXVECTOR4(load<uint16_t>(p, 0) / 65535.0f, load<uint16_t>(p, 1) / 65535.0f,
                             load<uint16_t>(p, 2) / 65535.0f, load<uint16_t>(p, 3) / 65535.0f);
        return true;
    case D3DFMT_A8L8: {
        const float l = p[0] / 255.0f;
        colour = D3DXVECTOR4(l, l, l, p[1] / 255.0f);
        return true;
    }
    case D3DFMT_L16: {
        const float l = load<uint16_t>(p) / 65535.0f;
        colour = D3DXVECTOR4(l, l, l, l);
        return true;
    }
    case D3DFMT_R16F: {
        const float r = halfToFloat(load<uint16_t>(p));
        colour = D3DXVECTOR4(r, r, r, r);
        return true;
    }
    case D3DFMT_G16R16F:
        colour = D3DXVECTOR4(halfToFloat(load<uint16_t>(p, 0)), halfToFloat(load<uint16_t>(p, 1)), 0.0f, 1.0f);
        return true;
    case D3DFMT_A16B16G16R16F:
        colour = D3DXVECTOR4(halfToFloat(load<uint16_t>(p, 0)), halfToFloat(load<uint16_t>(p, 1)),
                             halfToFloat(load<uint16_t>(p, 2)), halfToFloat(load<uint16_t>(p, 3)));
        return true;
    case D3DFMT_R32F: {
        const float r = load<float>(p);
        colour = D3DXVECTOR4(r, r, r, r);
        return true;
    }
    case D3DFMT_A32B32G32R32F:
        colour = D3DXVECTOR4(load<float>(p, 0), load<float>(p, 1), load<float>(p, 2), load<float>(p, 3));
        return true;
    case D3DFMT_V16U16:
        colour = D3DXVECTOR4(load<int16_t>(p, 0) / 65535.0f + 0.5f, load<int16_t>(p, 1) / 65535.0f + 0.5f, 0.0f, 1.0f);
        return true;
    default:
        return false;
    }
}

bool writeTexel(D3DFORMAT format, void* texel, const D3DXVECTOR4& colour)
{
    unsigned char* p = static_cast<unsigned char*>(texel);
    if (!p)
        return false;
    const float r = colour.x;
    const float g = colour.y;
    const float b = colour.z;
    const float a = colour.w;
    switch (format) {
    case D3DFMT_R8G8B8:
        p[0] = static_cast<unsigned char>(toUnorm(b, 255));
        p[1] = static_cast<unsigned char>(toUnorm(g, 255));
        p[2] = static_cast<unsigned char>(toUnorm(r, 255));
        return true;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        store<uint32_t>(p, (toByteRounded(a) << 24) | (toByteRounded(r) << 16) | (toByteRounded(g) << 8) |
                               toByteRounded(b));
        return true;
    case D3DFMT_R5G6B5:
        store<uint16_t>(p, static_cast<uint16_t>((toUnorm(r, 31) << 11) | (toUnorm(g, 63) << 5) | toUnorm(b, 31)));
        return true;
    case D3DFMT_X1R5G5B5:
        store<uint16_t>(p, static_cast<uint16_t>((toUnorm(r, 31) << 10) | (toUnorm(g, 31) << 5) | toUnorm(b, 31)));
        return true;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        store<uint16_t>(p, static_cast<uint16_t>((toUnorm(a, 15) << 12) | (toUnorm(r, 15) << 8) |
                                                 (toUnorm(g, 15) << 4) | toUnorm(b, 15)));
        return true;
    case D3DFMT_G16R16:
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(r, 65535)), 0);
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(g, 65535)), 1);
        return true;
    case D3DFMT_A16B16G16R16:
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(r, 65535)), 0);
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(g, 65535)), 1);
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(b, 65535)), 2);
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(a, 65535)), 3);
        return true;
    case D3DFMT_A8L8:
        p[0] = static_cast<unsigned char>(toUnorm(r, 255));
        p[1] = static_cast<unsigned char>(toUnorm(a, 255));
        return true;
    case D3DFMT_L16:
        store<uint16_t>(p, static_cast<uint16_t>(toUnorm(r, 65535)));
        return true;
    case D3DFMT_R16F:
        store<uint16_t>(p, floatToHalf(r));
        return true;
    case D3DFMT_G16R16F:
        store<uint16_t>(p, floatToHalf(r), 0);
        store<uint16_t>(p, floatToHalf(g), 1);
        return true;
    case D3DFMT_A16B16G16R16F:
        store<uint16_t>(p, floatToHalf(r), 0);
        store<uint16_t>(p, floatToHalf(g), 1);
        store<uint16_t>(p, floatToHalf(b), 2);
        store<uint16_t>(p, floatToHalf(a), 3);
        return true;
    case D3DFMT_R32F:
        store<float>(p, r);
        return true;
    case D3DFMT_A32B32G32R32F:
        store<float>(p, r, 0);
        store<float>(p, g, 1);
        store<float>(p, b, 2);
        store<float>(p, a, 3);
        return true;
    case D3DFMT_V16U16:
        store<int16_t>(p, toSignedWord(r), 0);
        store<int16_t>(p, toSignedWord(g), 1);
        return true;
    default:
        return false;
    }
}

} // namespace Ulvo
