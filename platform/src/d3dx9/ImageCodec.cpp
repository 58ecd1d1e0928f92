// Image decoding (stb_image), resampling (stb_image_resize), PNG writing (stb_image_write) and
// the texel converters between RGBA and D3D's layouts, DXT blocks included (stb_dxt encodes).
#include "d3dx9/ImageData.h"
#include "common/Diagnostics.h"

#include <d3dx9math.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>
#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

namespace D3DXImage {

namespace {

constexpr uint64_t kMaxImageTexels = uint64_t(4096) * 4096;

bool startsWith(const BYTE* data, size_t size, const char* magic, size_t length)
{
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// The decoder reserves a chunk's stated length before it reads it, so every chunk up to the end
// marker must lie inside the data (a cut-off file simply ends).
bool pngChunksFit(const BYTE* data, size_t size)
{
    size_t offset = 8;
    while (offset + 12 <= size) {
        const uint32_t length =
            uint32_t(data[offset]) << 24 | data[offset + 1] << 16 | data[offset + 2] << 8 | data[offset + 3];
        if (length > size - offset - 12)
            return false;
        if (std::memcmp(data + offset + 4, "IEND", 4) == 0)
            break;
        offset += 12 + size_t(length);
    }
    return true;
}

uint32_t bigEndian32(const BYTE* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

// Whether the decoder would read a PNG's texels, found without making them: its compressed
// stream inflates (through a small window, zlib being quicker than the decoder's own inflater)
// to at least every row, each row starting with a known filter. The files the game ships (8-bit
// grey, grey with alpha, RGB or RGBA, not interlaced) are checked so; other kinds are left to the
// decoder. Like the decoder, the check reads no CRC and no stream checksum.
StreamCheck checkPngStream(const BYTE* data, size_t size)
{
    if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return StreamCheck::NotHandled;
    const uint32_t width = bigEndian32(data + 16), height = bigEndian32(data + 20);
    const int depth = data[24], type = data[25];
    const int channels = type == 0 ? 1 : type == 4 ? 2 : type == 2 ? 3 : type == 6 ? 4 : 0;
    if (depth != 8 || channels == 0 || data[26] != 0 || data[27] != 0 || data[28] != 0 || width == 0 || height == 0)
        return StreamCheck::NotHandled;
    const uint64_t rowBytes = uint64_t(width) * channels + 1, total = rowBytes * height;

    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) // the zlib header is read here, as the decoder does
        return StreamCheck::NotHandled;
    std::vector<BYTE> window(size_t(1) << 16);
    BYTE header[2] = {};
    size_t headerBytes = 0;
    uint64_t produced = 0;
    int result = Z_OK;
    bool broken = false;
    for (size_t offset = 8; offset + 12 <= size && !broken && result != Z_STREAM_END && produced < total;) {
        const uint32_t length = bigEndian32(data + offset);
        if (length > size - offset - 12)
            break;
        const BYTE* chunk = data + offset + 8;
        offset += 12 + size_t(length);
        if (std::memcmp(chunk - 4, "IEND", 4) == 0)
            break;
        if (std::memcmp(chunk - 4, "IDAT", 4) != 0)
            continue;
        uInt left = uInt(length);
        while (headerBytes < 2 && left > 0) {
            header[headerBytes++] = *chunk++;
            --left;
        }
        if (headerBytes < 2)
            continue;
        if (headerBytes == 2) {
            ++headerBytes;
            if ((header[0] * 256 + header[1]) % 31 != 0 || (header[1] & 32) || (header[0] & 15) != 8) {
                broken = true;
                break;
            }
        }
        stream.next_in = const_cast<Bytef*>(chunk);
        stream.avail_in = left;
        while (stream.avail_in > 0 && result != Z_STREAM_END && produced < total) {
            stream.next_out = window.data();
            stream.avail_out = uInt(window.size());
            result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                broken = true;
                break;
            }
            const uint64_t made = window.size() - stream.avail_out;
            // The filter bytes that fell into this piece of the stream.
            for (uint64_t row = (produced + rowBytes - 1) / rowBytes * rowBytes; row < produced + made && row < total;
                 row += rowBytes)
                broken |= window[size_t(row - produced)] > 4;
            produced += made;
            if (made == 0 && result == Z_BUF_ERROR)
                break;
        }
    }
    inflateEnd(&stream);
    return broken || produced < total ? StreamCheck::Broken : StreamCheck::Readable;
}

namespace {

// The kind of file by its first bytes; TGA has no signature, so it is whatever is left.
D3DXIMAGE_FILEFORMAT sniff(const BYTE* data, size_t size)
{
    if (startsWith(data, size, "DDS ", 4))
        return D3DXIFF_DDS;
    if (startsWith(data, size, "\x89PNG", 4))
        return D3DXIFF_PNG;
    if (startsWith(data, size, "\xFF\xD8", 2))
        return D3DXIFF_JPG;
    if (startsWith(data, size, "BM", 2))
        return D3DXIFF_BMP;
    return D3DXIFF_TGA;
}

D3DFORMAT formatForComponents(int components, D3DXIMAGE_FILEFORMAT file)
{
    switch (components) {
    case 1:
        return D3DFMT_L8;
    case 2:
        return D3DFMT_A8L8;
    case 3:
        return file == D3DXIFF_JPG ? D3DFMT_X8R8G8B8 : D3DFMT_R8G8B8;
    default:
        return D3DFMT_A8R8G8B8;
    }
}

uint8_t expand(uint32_t value, int bits)
{
    const uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

uint32_t reduce(uint8_t value, int bits)
{
    const uint32_t max = (1u << bits) - 1;
    return (value * max + 127) / 255;
}

uint8_t luminance(const uint8_t* p)
{
    return static_cast<uint8_t>((p[0] * 2126 + p[1] * 7152 + p[2] * 722 + 5000) / 10000);
}

// The float formats: how many channels (R first) and bytes per channel.
bool floatLayout(D3DFORMAT format, int& channels, int& bytes)
{
    switch (format) {
    case D3DFMT_R16F:
        channels = 1, bytes = 2;
        return true;
    case D3DFMT_G16R16F:
        channels = 2, bytes = 2;
        return true;
    case D3DFMT_A16B16G16R16F:
        channels = 4, bytes = 2;
        return true;
    case D3DFMT_R32F:
        channels = 1, bytes = 4;
        return true;
    case D3DFMT_G32R32F:
        channels = 2, bytes = 4;
        return true;
    case D3DFMT_A32B32G32R32F:
        channels = 4, bytes = 4;
        return true;
    default:
        return false;
    }
}

void encodeFloatTexel(int channels, int bytes, const uint8_t* p, BYTE* d)
{
    for (int c = 0; c < channels; ++c) {
        const float value = float(p[c]) / 255.0f;
        if (bytes == 2) {
            const D3DXFLOAT16 half(value);
            std::memcpy(d + c * 2, &half.value, 2);
        } else {
            std::memcpy(d + c * 4, &value, 4);
        }
    }
}

// Channels the format lacks read as 1, as the device samples them; values clamp to 0..1.
void decodeFloatTexel(int channels, int bytes, const BYTE* s, uint8_t* p)
{
    for (int c = 0; c < 4; ++c) {
        float value = 1.0f;
        if (c < channels) {
            if (bytes == 2) {
                D3DXFLOAT16 half;
                std::memcpy(&half.value, s + c * 2, 2);
                value = float(half);
            } else {
                std::memcpy(&value, s + c * 4, 4);
            }
        }
        value = value > 0.0f ? value : 0.0f; // NaN reads as 0
        p[c] = static_cast<uint8_t>(std::min(value, 1.0f) * 255.0f + 0.5f);
    }
}

void encodeTexel(D3DFORMAT format, const uint8_t* p, BYTE* d)
{
    int channels = 0, bytes = 0;
    if (floatLayout(format, channels, bytes)) {
        encodeFloatTexel(channels, bytes, p, d);
        return;
    }
    auto put16 = [d](uint32_t v) {
        d[0] = static_cast<BYTE>(v);
        d[1] = static_cast<BYTE>(v >> 8);
    };
    switch (format) {
    case D3DFMT_A8R8G8B8:
        d[0] = p[2];
        d[1] = p[1];
        d[2] = p[0];
        d[3] = p[3];
        break;
    case D3DFMT_X8R8G8B8:
        d[0] = p[2];
        d[1] = p[1];
        d[2] = p[0];
        d[3] = 0xFF;
        break;
    case D3DFMT_A8B8G8R8:
        d[0] = p[0];
        d[1] = p[1];
        d[2] = p[2];
        d[3] = p[3];
        break;
    case D3DFMT_X8B8G8R8:
        d[0] = p[0];
        d[1] = p[1];
        d[2] = p[2];
        d[3] = 0xFF;
        break;
    case D3DFMT_R8G8B8:
        d[0] = p[2];
        d[1] = p[1];
        d[2] = p[0];
        break;
    case D3DFMT_R5G6B5:
        put16(reduce(p[0], 5) << 11 | reduce(p[1], 6) << 5 | reduce(p[2], 5));
        break;
    case D3DFMT_X1R5G5B5:
        put16(0x8000 | reduce(p[0], 5) << 10 | reduce(p[1], 5) << 5 | reduce(p[2], 5));
        break;
    case D3DFMT_A1R5G5B5:
        put16((p[3] >= 128 ? 0x8000u : 0u) | reduce(p[0], 5) << 10 | reduce(p[1], 5) << 5 | reduce(p[2], 5));
        break;
    case D3DFMT_A4R4G4B4:
        put16(reduce(p[3], 4) << 12 | reduce(p[0], 4) << 8 | reduce(p[1], 4) << 4 | reduce(p[2], 4));
        break;
    case D3DFMT_X4R4G4B4:
        put16(0xF000 | reduce(p[0], 4) << 8 | reduce(p[1], 4) << 4 | reduce(p[2], 4));
        break;
    case D3DFMT_A8:
        d[0] = p[3];
        break;
    case D3DFMT_L8:
        d[0] = luminance(p);
        break;
    case D3DFMT_A8L8:
        d[0] = luminance(p);
        d[1] = p[3];
        break;
    default:
        break;
    }
}

void decodeTexel(D3DFORMAT format, const BYTE* s, uint8_t* p)
{
    int channels = 0, bytes = 0;
    if (floatLayout(format, channels, bytes)) {
        decodeFloatTexel(channels, bytes, s, p);
        return;
    }
    const uint32_t v16 = s[0] | (format == D3DFMT_A8 || format == D3DFMT_L8 ? 0u : uint32_t(s[1]) << 8);
    switch (format) {
    case D3DFMT_A8R8G8B8:
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
        p[3] = s[3];
        break;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
        p[3] = 0xFF;
        break;
    case D3DFMT_A8B8G8R8:
        p[0] = s[0];
        p[1] = s[1];
        p[2] = s[2];
        p[3] = s[3];
        break;
    case D3DFMT_X8B8G8R8:
        p[0] = s[0];
        p[1] = s[1];
        p[2] = s[2];
        p[3] = 0xFF;
        break;
    case D3DFMT_R5G6B5:
        p[0] = expand(v16 >> 11, 5);
        p[1] = expand((v16 >> 5) & 63, 6);
        p[2] = expand(v16 & 31, 5);
        p[3] = 0xFF;
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        p[0] = expand((v16 >> 10) & 31, 5);
        p[1] = expand((v16 >> 5) & 31, 5);
        p[2] = expand(v16 & 31, 5);
        p[3] = format == D3DFMT_X1R5G5B5 || (v16 & 0x8000) ? 0xFF : 0;
        break;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        p[0] = expand((v16 >> 8) & 15, 4);
        p[1] = expand((v16 >> 4) & 15, 4);
        p[2] = expand(v16 & 15, 4);
        p[3] = format == D3DFMT_X4R4G4B4 ? 0xFF : expand(v16 >> 12, 4);
        break;
    case D3DFMT_A8:
        p[0] = p[1] = p[2] = 0;
        p[3] = s[0];
        break;
    case D3DFMT_L8:
        p[0] = p[1] = p[2] = s[0];
        p[3] = 0xFF;
        break;
    case D3DFMT_A8L8:
        p[0] = p[1] = p[2] = s[0];
        p[3] = s[1];
        break;
    default:
        p[0] = p[1] = p[2] = p[3] = 0;
        break;
    }
}

// The four colours of a DXT colour block (c0 > c1 selects four opaque colours unless forced).
void blockColours(const BYTE* b, bool dxt1, uint8_t (&colours)[4][4])
{
    const uint32_t c0 = b[0] | b[1] << 8, c1 = b[2] | b[3] << 8;
    BYTE raw[2][2] = {{b[0], b[1]}, {b[2], b[3]}};
    decodeTexel(D3DFMT_R5G6B5, raw[0], colours[0]);
    decodeTexel(D3DFMT_R5G6B5, raw[1], colours[1]);
    for (int i = 0; i < 3; ++i) {
        if (c0 > c1 || !dxt1) {
            colours[2][i] = static_cast<uint8_t>((2 * colours[0][i] + colours[1][i] + 1) / 3);
            colours[3][i] = static_cast<uint8_t>((colours[0][i] + 2 * colours[1][i] + 1) / 3);
        } else {
            colours[2][i] = static_cast<uint8_t>((colours[0][i] + colours[1][i]) / 2);
            colours[3][i] = 0;
        }
    }
    colours[2][3] = 0xFF;
    colours[3][3] = (dxt1 && c0 <= c1) ? 0 : 0xFF;
}

// One 4x4 block to 16 RGBA texels.
void decodeBlock(D3DFORMAT format, const BYTE* block, uint8_t (&out)[16][4])
{
    const bool dxt1 = format == D3DFMT_DXT1;
    const BYTE* colourBlock = dxt1 ? block : block + 8;
    uint8_t colours[4][4];
    blockColours(colourBlock, dxt1, colours);
    const uint32_t indices =
        colourBlock[4] | colourBlock[5] << 8 | colourBlock[6] << 16 | uint32_t(colourBlock[7]) << 24;
    for (int i = 0; i < 16; ++i)
        std::memcpy(out[i], colours[(indices >> (2 * i)) & 3], 4);
    if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i)
            out[i][3] = expand((block[i / 2] >> (4 * (i & 1))) & 15, 4);
    } else if (format == D3DFMT_DXT4 || format == D3DFMT_DXT5) {
        uint8_t alpha[8];
        alpha[0] = block[0];
        alpha[1] = block[1];
        for (int i = 2; i < 8; ++i) {
            if (alpha[0] > alpha[1])
                alpha[i] = static_cast<uint8_t>(((8 - i) * alpha[0] + (i - 1) * alpha[1] + 3) / 7);
            else if (i < 6)
                alpha[i] = static_cast<uint8_t>(((6 - i) * alpha[0] + (i - 1) * alpha[1] + 2) / 5);
            else
                alpha[i] = i == 6 ? 0 : 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i)
            bits |= uint64_t(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i)
            out[i][3] = alpha[(bits >> (3 * i)) & 7];
    }
}

// stb_dxt has no 1-bit alpha, so blocks with transparent texels use the three-colour mode
// (first end point <= second): end points span the opaque texels, index 3 is transparent black.
void encodeTransparentDxt1(const uint8_t (&texels)[16][4], BYTE* block)
{
    uint8_t low[4] = {255, 255, 255, 255}, high[4] = {0, 0, 0, 255};
    bool any = false;
    for (const auto& texel : texels) {
        if (texel[3] < 128)
            continue;
        any = true;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], texel[c]);
            high[c] = std::max(high[c], texel[c]);
        }
    }
    if (!any)
        std::memset(low, 0, 3);
    BYTE packed[2][2];
    encodeTexel(D3DFMT_R5G6B5, low, packed[0]);
    encodeTexel(D3DFMT_R5G6B5, any ? high : low, packed[1]);
    uint32_t c0 = packed[0][0] | packed[0][1] << 8, c1 = packed[1][0] | packed[1][1] << 8;
    if (c0 > c1)
        std::swap(c0, c1);
    const BYTE ends[4] = {BYTE(c0), BYTE(c0 >> 8), BYTE(c1), BYTE(c1 >> 8)};
    uint8_t colours[4][4];
    blockColours(ends, true, colours);
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 3;
        if (texels[i][3] >= 128) {
            int bestDistance = 1 << 30;
            for (uint32_t k = 0; k < 3; ++k) {
                int distance = 0;
                for (int c = 0; c < 3; ++c)
                    distance += (int(texels[i][c]) - colours[k][c]) * (int(texels[i][c]) - colours[k][c]);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = k;
                }
            }
        }
        indices |= best << (2 * i);
    }
    std::memcpy(block, ends, 4);
    for (int i = 0; i < 4; ++i)
        block[4 + i] = BYTE(indices >> (8 * i));
}

void encodeBlock(D3DFORMAT format, const uint8_t (&texels)[16][4], BYTE* block)
{
    if (format == D3DFMT_DXT1) {
        bool transparent = false;
        for (const auto& texel : texels)
            transparent = transparent || texel[3] < 128;
        if (transparent)
            encodeTransparentDxt1(texels, block);
        else
            stb_compress_dxt_block(block, &texels[0][0], 0, STB_DXT_HIGHQUAL);
        return;
    }
    if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
        for (int i = 0; i < 8; ++i)
            block[i] = static_cast<BYTE>(reduce(texels[2 * i][3], 4) | reduce(texels[2 * i + 1][3], 4) << 4);
        stb_compress_dxt_block(block + 8, &texels[0][0], 0, STB_DXT_HIGHQUAL);
        return;
    }
    stb_compress_dxt_block(block, &texels[0][0], 1, STB_DXT_HIGHQUAL);
}

} // namespace

bool isCompressed(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

bool isConvertible(D3DFORMAT format)
{
    return texelBytes(format) != 0;
}

bool hasAlpha(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8L8:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_A32B32G32R32F:
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return true;
    default:
        return false;
    }
}

UINT texelBytes(D3DFORMAT format)
{
    int channels = 0, bytes = 0;
    if (floatLayout(format, channels, bytes))
        return UINT(channels * bytes);
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
        return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
        return 1;
    case D3DFMT_DXT1:
        return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return 16;
    default:
        return 0;
    }
}

size_t levelBytes(D3DFORMAT format, UINT width, UINT height)
{
    if (isCompressed(format))
        return size_t(std::max(1u, (width + 3) / 4)) * std::max(1u, (height + 3) / 4) * texelBytes(format);
    return size_t(width) * height * texelBytes(format);
}

void encodeLevel(D3DFORMAT format, const RgbaImage& image, BYTE* dest, INT pitch)
{
    if (isCompressed(format)) {
        for (UINT by = 0; by < (image.height + 3) / 4; ++by) {
            BYTE* row = dest + ptrdiff_t(by) * pitch;
            for (UINT bx = 0; bx < (image.width + 3) / 4; ++bx) {
                // Texels beyond a small level's edge repeat the last row and column.
                uint8_t texels[16][4];
                for (UINT i = 0; i < 16; ++i) {
                    const UINT x = std::min(bx * 4 + i % 4, image.width - 1);
                    const UINT y = std::min(by * 4 + i / 4, image.height - 1);
                    std::memcpy(texels[i], &image.texels[(size_t(y) * image.width + x) * 4], 4);
                }
                encodeBlock(format, texels, row + bx * texelBytes(format));
            }
        }
        return;
    }
    const UINT bytes = texelBytes(format);
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
        // Nearly every picture the game loads lands here: a plain swizzle, without the per-texel
        // format switch.
        const uint8_t alpha = format == D3DFMT_X8R8G8B8 ? 0xFF : 0;
        for (UINT y = 0; y < image.height; ++y) {
            BYTE* d = dest + ptrdiff_t(y) * pitch;
            const uint8_t* p = &image.texels[size_t(y) * image.width * 4];
            for (UINT x = 0; x < image.width; ++x, p += 4, d += 4) {
                d[0] = p[2];
                d[1] = p[1];
                d[2] = p[0];
                d[3] = p[3] | alpha;
            }
        }
        return;
    }
    for (UINT y = 0; y < image.height; ++y) {
        BYTE* row = dest + ptrdiff_t(y) * pitch;
        const uint8_t* src = &image.texels[size_t(y) * image.width * 4];
        for (UINT x = 0; x < image.width; ++x)
            encodeTexel(format, src + x * 4, row + x * bytes);
    }
}

void decodeLevel(D3DFORMAT format, const BYTE* src, INT pitch, UINT width, UINT height, RgbaImage& image)
{
    image.width = width;
    image.height = height;
    image.texels.assign(size_t(width) * height * 4, 0);
    if (isCompressed(format)) {
        for (UINT by = 0; by < (height + 3) / 4; ++by) {
            for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
                uint8_t texels[16][4];
                decodeBlock(format, src + ptrdiff_t(by) * pitch + bx * texelBytes(format), texels);
                for (UINT i = 0; i < 16; ++i) {
                    const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    if (x < width && y < height)
                        std::memcpy(&image.texels[(size_t(y) * width + x) * 4], texels[i], 4);
                }
            }
        }
        return;
    }
    const UINT bytes = texelBytes(format);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            decodeTexel(format, src + ptrdiff_t(y) * pitch + x * bytes, &image.texels[(size_t(y) * width + x) * 4]);
}

void resize(const RgbaImage& source, UINT width, UINT height, DWORD filter, RgbaImage& result)
{
    result.width = width;
    result.height = height;
    const DWORD kind = filter & 0xFF;
    if (source.width == width && source.height == height) {
        result.texels = source.texels;
        return;
    }
    result.texels.assign(size_t(width) * height * 4, 0);
    if (kind == D3DX_FILTER_NONE) {
        // The picture into the top-left corner, row by row; the rest stays transparent black.
        const size_t rowBytes = size_t(std::min(width, source.width)) * 4;
        for (UINT y = 0; y < std::min(height, source.height); ++y)
            std::memcpy(&result.texels[size_t(y) * width * 4], &source.texels[size_t(y) * source.width * 4], rowBytes);
        return;
    }
    if (kind == D3DX_FILTER_POINT) {
        // The nearest source texel.
        for (UINT y = 0; y < height; ++y) {
            for (UINT x = 0; x < width; ++x) {
                const UINT sx = UINT((uint64_t(x) * 2 + 1) * source.width / (uint64_t(width) * 2));
                const UINT sy = UINT((uint64_t(y) * 2 + 1) * source.height / (uint64_t(height) * 2));
                std::memcpy(&result.texels[(size_t(y) * width + x) * 4],
                            &source.texels[(size_t(sy) * source.width + sx) * 4], 4);
            }
        }
        return;
    }
    if (kind == D3DX_FILTER_BOX && width <= source.width && height <= source.height && source.width % width == 0 &&
        source.height % height == 0) {
        // Whole-number reductions (every mip step) average each block exactly.
        const UINT bw = source.width / width, bh = source.height / height, count = bw * bh;
        if (bw == 2 && bh == 2) {
            // The usual mip step, the same sums without the general loops.
            for (UINT y = 0; y < height; ++y) {
                const uint8_t* top = &source.texels[size_t(y) * 2 * source.width * 4];
                const uint8_t* bottom = top + size_t(source.width) * 4;
                uint8_t* d = &result.texels[size_t(y) * width * 4];
                for (UINT x = 0; x < width * 4; x += 4, top += 8, bottom += 8)
                    for (UINT c = 0; c < 4; ++c)
                        d[x + c] = uint8_t((top[c] + top[c + 4] + bottom[c] + bottom[c + 4] + 2u) / 4u);
            }
            return;
        }
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
                for (UINT c = 0; c < 4; ++c) {
                    UINT sum = 0;
                    for (UINT sy = 0; sy < bh; ++sy)
                        for (UINT sx = 0; sx < bw; ++sx)
                            sum += source.texels[((size_t(y) * bh + sy) * source.width + x * bw + sx) * 4 + c];
                    result.texels[(size_t(y) * width + x) * 4 + c] = uint8_t((sum + count / 2) / count);
                }
        return;
    }
    const stbir_filter stbFilter = kind == D3DX_FILTER_BOX ? STBIR_FILTER_BOX : STBIR_FILTER_TRIANGLE;
    const stbir_edge edgeU = (filter & D3DX_FILTER_MIRROR_U) ? STBIR_EDGE_REFLECT : STBIR_EDGE_CLAMP;
    const stbir_edge edgeV = (filter & D3DX_FILTER_MIRROR_V) ? STBIR_EDGE_REFLECT : STBIR_EDGE_CLAMP;
    // Channels are filtered independently, as D3DX does (colour keys leave transparent black).
    stbir_resize(source.texels.data(), int(source.width), int(source.height), 0, result.texels.data(), int(width),
                 int(height), 0, STBIR_TYPE_UINT8, 4, STBIR_ALPHA_CHANNEL_NONE, 0, edgeU, edgeV, stbFilter, stbFilter,
                 STBIR_COLORSPACE_LINEAR, nullptr);
}

std::vector<uint8_t> encodePng(const RgbaImage& image)
{
    std::vector<uint8_t> bytes;
    auto sink = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (image.width == 0 || image.height == 0 ||
        !stbi_write_png_to_func(sink, &bytes, int(image.width), int(image.height), 4, image.texels.data(),
                                int(image.width * 4)))
        bytes.clear();
    return bytes;
}

HRESULT readInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO& info)
{
    if (!data || size == 0 || size > 0x7FFFFFFF)
        return D3DXERR_INVALIDDATA;
    const D3DXIMAGE_FILEFORMAT kind = sniff(data, size);
    if (kind == D3DXIFF_DDS)
        return readDdsInfo(data, size, info);
    if (kind == D3DXIFF_PNG && !pngChunksFit(data, size)) {
        Diagnostics::error("D3DX", "PNG file refused: a chunk runs past the end of the data");
        return D3DXERR_INVALIDDATA;
    }
    int width = 0, height = 0, components = 0;
    if (!stbi_info_from_memory(data, int(size), &width, &height, &components) || width <= 0 || height <= 0)
        return D3DXERR_INVALIDDATA;
    // The decoder allocates the whole picture before it reads a texel, so a few bytes of header
    // could ask for gigabytes: sizes beyond any texture the device takes are refused first.
    if (width > 16384 || height > 16384 || uint64_t(width) * uint64_t(height) > kMaxImageTexels) {
        Diagnostics::error("D3DX", "image file refused: %dx%d texels is too large", width, height);
        return D3DXERR_INVALIDDATA;
    }
    info.Width = UINT(width);
    info.Height = UINT(height);
    info.Depth = 1;
    info.MipLevels = 1;
    info.Format = formatForComponents(components, kind);
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = kind;
    return D3D_OK;
}

HRESULT decode(const BYTE* data, size_t size, DecodedImage& image, bool checkOnly)
{
    const HRESULT hr = readInfo(data, size, image.info);
    if (FAILED(hr))
        return hr;
    if (image.info.ImageFileFormat == D3DXIFF_DDS)
        return decodeDds(data, size, image);
    if (checkOnly && image.info.ImageFileFormat == D3DXIFF_PNG) {
        const StreamCheck check = checkPngStreamOrRecall(data, size);
        if (check != StreamCheck::NotHandled)
            return check == StreamCheck::Readable ? D3D_OK : D3DXERR_INVALIDDATA;
    }
    int width = 0, height = 0, components = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, int(size), &width, &height, &components, checkOnly ? 0 : 4);
    if (!pixels)
        return D3DXERR_INVALIDDATA;
    if (checkOnly) {
        stbi_image_free(pixels);
        return D3D_OK;
    }
    image.top.width = UINT(width);
    image.top.height = UINT(height);
    image.top.texels.assign(pixels, pixels + size_t(width) * height * 4);
    stbi_image_free(pixels);
    return D3D_OK;
}

} // namespace D3DXImage
