// IEEE 754 half-precision conversions, rounding to nearest with ties to even.
#include <d3dx9math.h>

#include <bit>

namespace {

WORD floatToHalf(float f)
{
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    const uint32_t sign = (bits >> 16) & 0x8000u;
    const int32_t exponent = static_cast<int32_t>((bits >> 23) & 0xffu);
    const uint32_t mantissa = bits & 0x7fffffu;

    if (exponent == 0xff) {
        // Infinity stays infinity; NaN stays a (quiet) NaN.
        return static_cast<WORD>(sign | 0x7c00u | (mantissa ? 0x0200u | (mantissa >> 13) : 0u));
    }

    const int32_t e = exponent - 127 + 15;
    if (e >= 31)
        return static_cast<WORD>(sign | 0x7c00u);

    if (e <= 0) {
        // Below the smallest normal half: a subnormal, or zero when even rounding cannot reach it.
        if (e < -10)
            return static_cast<WORD>(sign);
        const uint32_t full = mantissa | 0x800000u;
        const uint32_t shift = static_cast<uint32_t>(14 - e);
        uint32_t m = full >> shift;
        const uint32_t rest = full & ((1u << shift) - 1u);
        const uint32_t halfway = 1u << (shift - 1u);
        if (rest > halfway || (rest == halfway && (m & 1u)))
            ++m;
        // A carry into bit 10 yields the smallest normal, which is the right encoding.
        return static_cast<WORD>(sign | m);
    }

    uint32_t h = sign | (static_cast<uint32_t>(e) << 10) | (mantissa >> 13);
    const uint32_t rest = mantissa & 0x1fffu;
    // A carry out of the mantissa steps the exponent, up to infinity: still correct.
    if (rest > 0x1000u || (rest == 0x1000u && (h & 1u)))
        ++h;
    return static_cast<WORD>(h);
}

float halfToFloat(WORD h)
{
    const uint32_t sign = static_cast<uint32_t>(h & 0x8000u) << 16;
    const uint32_t exponent = (h >> 10) & 0x1fu;
    const uint32_t mantissa = h & 0x3ffu;

    if (exponent == 0) {
        const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
        return sign ? -magnitude : magnitude;
    }
    if (exponent == 31)
        return std::bit_cast<float>(sign | 0x7f800000u | (mantissa << 13));
    return std::bit_cast<float>(sign | ((exponent - 15u + 127u) << 23) | (mantissa << 13));
}

} // namespace

D3DXFLOAT16::D3DXFLOAT16(float f) : value(floatToHalf(f)) {}

D3DXFLOAT16::operator float() const
{
    return halfToFloat(value);
}

D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const float* pIn, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        pOut[i].value = floatToHalf(pIn[i]);
    return pOut;
}

float* D3DXFloat16To32Array(float* pOut, const D3DXFLOAT16* pIn, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        pOut[i] = halfToFloat(pIn[i].value);
    return pOut;
}
