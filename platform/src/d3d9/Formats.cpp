// The format table. Every upload format is chosen so D3D's little-endian layout goes to GL
// byte for byte: A8R8G8B8 (bytes B, G, R, A) as GL_BGRA bytes, R5G6B5 as 5_6_5, the 1-5-5-5 and
// 4-4-4-4 formats as the _REV packings, L/A formats as red/red-green with a swizzle.
#include "d3d9/Formats.h"

#include <algorithm>

namespace D3D9Internal {

namespace {

constexpr GLint R = GL_RED, G = GL_GREEN, B = GL_BLUE, A = GL_ALPHA, ONE = GL_ONE, ZERO = GL_ZERO;

const FormatInfo kFormats[] = {
    // format, bpp, block, internal, format, type, swizzle, RT, depth, stencil, lockable, float
    {D3DFMT_A8R8G8B8, 4, 0, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}, true, false, false, true, false},
    // Unsized: the driver then stores the upload's own B, G, R, A bytes, the window's layout, so a
    // copy to the window is a plain memory copy (GL_RGB8 storage is R, G, B, X: a shaded copy).
    // The alpha it keeps is not the format's: whatever reads the storage takes it as 1.
    {D3DFMT_X8R8G8B8, 4, 0, GL_RGBA, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, ONE}, true, false, false, true, false},
    {D3DFMT_A8B8G8R8, 4, 0, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {R, G, B, A}, true, false, false, true, false},
    {D3DFMT_X8B8G8R8, 4, 0, GL_RGB8, GL_RGBA, GL_UNSIGNED_BYTE, {R, G, B, ONE}, true, false, false, true, false},
    {D3DFMT_R8G8B8, 3, 0, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {R, G, B, ONE}, false, false, false, true, false},
    {D3DFMT_R5G6B5, 2, 0, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {R, G, B, ONE}, true, false, false, true, false},
    {D3DFMT_X1R5G5B5,
     2,
     0,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {R, G, B, ONE},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_A1R5G5B5,
     2,
     0,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {R, G, B, A},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_A4R4G4B4,
     2,
     0,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {R, G, B, A},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_X4R4G4B4,
     2,
     0,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {R, G, B, ONE},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_A2R10G10B10,
     4,
     0,
     GL_RGB10_A2,
     GL_BGRA,
     GL_UNSIGNED_INT_2_10_10_10_REV,
     {R, G, B, A},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_A2B10G10R10,
     4,
     0,
     GL_RGB10_A2,
     GL_RGBA,
     GL_UNSIGNED_INT_2_10_10_10_REV,
     {R, G, B, A},
     true,
     false,
     false,
     true,
     false},
    {D3DFMT_A8, 1, 0, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {ZERO, ZERO, ZERO, R}, true, false, false, true, false},
    {D3DFMT_L8, 1, 0, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {R, R, R, ONE}, true, false, false, true, false},
    {D3DFMT_A8L8, 2, 0, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {R, R, R, G}, true, false, false, true, false},
    {D3DFMT_L16, 2, 0, GL_R16, GL_RED, GL_UNSIGNED_SHORT, {R, R, R, ONE}, true, false, false, true, false},
    {D3DFMT_G16R16, 4, 0, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, {R, G, ONE, ONE}, true, false, false, true, false},
    {D3DFMT_A16B16G16R16, 8, 0, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, {R, G, B, A}, true, false, false, true, false},
    {D3DFMT_V8U8, 2, 0, GL_RG8_SNORM, GL_RG, GL_BYTE, {R, G, ONE, ONE}, false, false, false, true, false},
    {D3DFMT_V16U16, 4, 0, GL_RG16_SNORM, GL_RG, GL_SHORT, {R, G, ONE, ONE}, false, false, false, true, false},
    {D3DFMT_Q8W8V8U8, 4, 0, GL_RGBA8_SNORM, GL_RGBA, GL_BYTE, {R, G, B, A}, false, false, false, true, false},
    {D3DFMT_R16F, 2, 0, GL_R16F, GL_RED, GL_HALF_FLOAT, {R, ONE, ONE, ONE}, true, false, false, true, true},
    {D3DFMT_G16R16F, 4, 0, GL_RG16F, GL_RG, GL_HALF_FLOAT, {R, G, ONE, ONE}, true, false, false, true, true},
    {D3DFMT_A16B16G16R16F, 8, 0, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, {R, G, B, A}, true, false, false, true, true},
    {D3DFMT_R32F, 4, 0, GL_R32F, GL_RED, GL_FLOAT, {R, ONE, ONE, ONE}, true, false, false, true, true},
    {D3DFMT_G32R32F, 8, 0, GL_RG32F, GL_RG, GL_FLOAT, {R, G, ONE, ONE}, true, false, false, true, true},
    {D3DFMT_A32B32G32R32F, 16, 0, GL_RGBA32F, GL_RGBA, GL_FLOAT, {R, G, B, A}, true, false, false, true, true},
    {D3DFMT_DXT1, 0, 8, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, {R, G, B, A}, false, false, false, true, false},
    {D3DFMT_DXT2, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {R, G, B, A}, false, false, false, true, false},
    {D3DFMT_DXT3, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {R, G, B, A}, false, false, false, true, false},
    {D3DFMT_DXT4, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {R, G, B, A}, false, false, false, true, false},
    {D3DFMT_DXT5, 0, 16, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {R, G, B, A}, false, false, false, true, false},
    // Depth formats keep GL's packing; only the lockable ones expose it.
    {D3DFMT_D16_LOCKABLE,
     2,
     0,
     GL_DEPTH_COMPONENT16,
     GL_DEPTH_COMPONENT,
     GL_UNSIGNED_SHORT,
     {R, R, R, ONE},
     false,
     true,
     false,
     true,
     false},
    {D3DFMT_D16,
     2,
     0,
     GL_DEPTH_COMPONENT16,
     GL_DEPTH_COMPONENT,
     GL_UNSIGNED_SHORT,
     {R, R, R, ONE},
     false,
     true,
     false,
     false,
     false},
    {D3DFMT_D24X8,
     4,
     0,
     GL_DEPTH_COMPONENT24,
     GL_DEPTH_COMPONENT,
     GL_UNSIGNED_INT,
     {R, R, R, ONE},
     false,
     true,
     false,
     false,
     false},
    {D3DFMT_D24S8,
     4,
     0,
     GL_DEPTH24_STENCIL8,
     GL_DEPTH_STENCIL,
     GL_UNSIGNED_INT_24_8,
     {R, R, R, ONE},
     false,
     true,
     true,
     false,
     false},
    {D3DFMT_D24X4S4,
     4,
     0,
     GL_DEPTH24_STENCIL8,
     GL_DEPTH_STENCIL,
     GL_UNSIGNED_INT_24_8,
     {R, R, R, ONE},
     false,
     true,
     true,
     false,
     false},
    {D3DFMT_D15S1,
     4,
     0,
     GL_DEPTH24_STENCIL8,
     GL_DEPTH_STENCIL,
     GL_UNSIGNED_INT_24_8,
     {R, R, R, ONE},
     false,
     true,
     true,
     false,
     false},
    {D3DFMT_D32,
     4,
     0,
     GL_DEPTH_COMPONENT32,
     GL_DEPTH_COMPONENT,
     GL_UNSIGNED_INT,
     {R, R, R, ONE},
     false,
     true,
     false,
     false,
     false},
    {D3DFMT_D32F_LOCKABLE,
     4,
     0,
     GL_DEPTH_COMPONENT32F,
     GL_DEPTH_COMPONENT,
     GL_FLOAT,
     {R, R, R, ONE},
     false,
     true,
     false,
     true,
     true},
    {D3DFMT_D24FS8,
     8,
     0,
     GL_DEPTH32F_STENCIL8,
     GL_DEPTH_STENCIL,
     GL_FLOAT_32_UNSIGNED_INT_24_8_REV,
     {R, R, R, ONE},
     false,
     true,
     true,
     false,
     true},
};

} // namespace

const FormatInfo* formatInfo(D3DFORMAT format)
{
    for (const FormatInfo& f : kFormats) {
        if (f.format == format)
            return &f;
    }
    return nullptr;
}

UINT rowPitch(const FormatInfo& f, UINT width)
{
    if (isCompressed(f))
        return std::max<UINT>(1, (width + 3) / 4) * f.blockBytes;
    return width * f.bytesPerPixel;
}

UINT rowCount(const FormatInfo& f, UINT height)
{
    return isCompressed(f) ? std::max<UINT>(1, (height + 3) / 4) : height;
}

UINT levelBytes(const FormatInfo& f, UINT width, UINT height)
{
    return rowPitch(f, width) * rowCount(f, height);
}

size_t texelOffset(const FormatInfo& f, UINT pitch, UINT x, UINT y)
{
    if (isCompressed(f))
        return static_cast<size_t>(y / 4) * pitch + static_cast<size_t>(x / 4) * f.blockBytes;
    return static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * f.bytesPerPixel;
}

bool isDisplayFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 ||
           format == D3DFMT_A2R10G10B10;
}

bool isBackBufferFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 ||
           format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A2R10G10B10;
}

bool isIndexFormat(D3DFORMAT format)
{
    return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32;
}

UINT mipLevelCount(UINT width, UINT height, UINT depth)
{
    UINT size = std::max({width, height, depth, 1u});
    UINT levels = 1;
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

void fillUnusedAlpha(const FormatInfo& f, uint8_t* pixels, size_t bytes)
{
    if (!storesUnusedAlpha(f))
        return;
    for (size_t i = 3; i < bytes; i += 4)
        pixels[i] = 0xFF;
}

} // namespace D3D9Internal
