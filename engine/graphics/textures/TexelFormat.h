#pragma once
// Conversion of single texels between the surface formats the engine reads
// and writes on the CPU and four float channels (red, green, blue, alpha).
#include <d3d9.h>
#include <d3dx9math.h>

#include <cstdint>

namespace Ulvo {

// IEEE 754 half precision: exact widening; narrowing truncates the mantissa,
// gives infinity above 65504, keeps NaN and makes subnormals below 2^-14.
float halfToFloat(uint16_t half);
uint16_t floatToHalf(float value);

// Bytes of one texel of a format that readTexel/writeTexel know; 0 otherwise.
uint32_t texelSize(D3DFORMAT format);

// One texel at texel into colour; false (nothing read) for unknown formats.
bool readTexel(D3DFORMAT format, const void* texel, D3DXVECTOR4& colour);
// colour into the texel at texel; false (nothing written) for unknown formats.
bool writeTexel(D3DFORMAT format, void* texel, const D3DXVECTOR4& colour);

} // namespace Ulvo
