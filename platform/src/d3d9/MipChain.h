#pragma once
// Automatic mipmaps of 8-bit four-channel textures made on the processor. The driver's own
// generation draws each level with a blit program, and the software rasteriser compiles that
// program (and its vertex stage) the first time, some 50-100 ms of the calling thread, which a
// start that needs one such texture before its first frame would otherwise wait for.
#include <cstddef>
#include <cstdint>

namespace D3D9Internal {

// The sub-levels of a power-of-two texture are made here up to this many texels at level 0:
// larger ones (and render targets, which change every frame) keep the driver's generation, which
// runs on the rasteriser's threads.
constexpr size_t kProcessorMipTexels = 512 * 512;

// True when (width, height) are powers of two whose levels halve exactly.
bool halvesExactly(uint32_t width, uint32_t height);

// The next level of a width x height level of 4-byte texels (both powers of two): each byte the
// mean of the 2x2 (or 2x1, 1x2) block it covers, computed and rounded as the rasteriser's
// bilinear fetch between texel centres does, so the chain matches the driver's.
// `to` holds max(1, width / 2) x max(1, height / 2) texels.
void halveLevel(const uint8_t* from, uint32_t width, uint32_t height, uint8_t* to);

} // namespace D3D9Internal
