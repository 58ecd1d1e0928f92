// Halving 8-bit four-channel levels the way the driver's blit filters them.
#include "d3d9/MipChain.h"

#include <cmath>

namespace D3D9Internal {

namespace {

const float kToUnit = 1.0f / 255.0f;

} // namespace

bool halvesExactly(uint32_t width, uint32_t height)
{
    return width && height && (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
}

void halveLevel(const uint8_t* from, uint32_t width, uint32_t height, uint8_t* to)
{
    const uint32_t outWidth = width > 1 ? width / 2 : 1;
    const uint32_t outHeight = height > 1 ? height / 2 : 1;
    const size_t stride = size_t(width) * 4;
    // A dimension of one texel is copied through; the other halves.
    const size_t across = width > 1 ? 4 : 0;
    const size_t down = height > 1 ? stride : 0;
    for (uint32_t y = 0; y < outHeight; ++y) {
        const uint8_t* top = from + size_t(y) * (height > 1 ? 2 * stride : stride);
        const uint8_t* bottom = top + down;
        uint8_t* out = to + size_t(y) * outWidth * 4;
        for (uint32_t x = 0; x < outWidth; ++x) {
            const uint8_t* a = top + size_t(x) * (width > 1 ? 8 : 4);
            const uint8_t* b = bottom + size_t(x) * (width > 1 ? 8 : 4);
            for (int c = 0; c < 4; ++c) {
                // The bilinear fetch halfway between texel centres, in single precision as the
                // rasteriser computes it (texels scaled by 1/255, across then down, rounded to
                // the nearest even step): the chain then matches the driver's texel for texel.
                const float topLeft = float(a[c]) * kToUnit, topRight = float(a[c + across]) * kToUnit;
                const float bottomLeft = float(b[c]) * kToUnit, bottomRight = float(b[c + across]) * kToUnit;
                const float upper = topLeft + 0.5f * (topRight - topLeft);
                const float lower = bottomLeft + 0.5f * (bottomRight - bottomLeft);
                const float mean = upper + 0.5f * (lower - upper);
                out[x * 4 + c] = uint8_t(std::lrint(mean * 255.0f));
            }
        }
    }
}

} // namespace D3D9Internal
