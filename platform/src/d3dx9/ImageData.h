#pragma once
// Image files and texel formats shared by the D3DX texture functions. Images travel between the
// decoders, the resize filters and the texture levels as 8-bit RGBA (bytes R, G, B, A).
#include <d3dx9tex.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace D3DXImage {

struct RgbaImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint8_t> texels; // width * height * 4 bytes, rows from the top
};

// One level of a DDS file's face, as stored in the file. A volume level holds `depth` slices
// of `size` bytes each, one after another.
struct RawLevel {
    const BYTE* data = nullptr;
    size_t size = 0;
    UINT width = 0;
    UINT height = 0;
    UINT depth = 1;
};

struct DecodedImage {
    D3DXIMAGE_INFO info{};
    RgbaImage top;                   // level 0 in RGBA
    std::vector<RawLevel> rawLevels; // DDS only: the file's levels in info.Format
};

// Fills info from the file's header alone; D3DXERR_INVALIDDATA for unknown or broken files.
HRESULT readInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO& info);
// Decodes level 0 to RGBA (and keeps the DDS levels); D3DXERR_INVALIDDATA on failure. With
// checkOnly a PNG, JPEG, BMP or TGA file is decoded in full but its texels are dropped: top stays
// empty.
HRESULT decode(const BYTE* data, size_t size, DecodedImage& image, bool checkOnly = false);

// Whether a PNG's compressed stream inflates to every row with known filters, as the decoder
// would read it (8-bit, not interlaced; other kinds are NotHandled and left to the decoder).
enum class StreamCheck { Readable, Broken, NotHandled };
StreamCheck checkPngStream(const BYTE* data, size_t size);
// The same, taken from a check made ahead of the load on the very same bytes when there was one
// (PlatformStartImageChecksAhead, ImageChecksAhead.cpp).
StreamCheck checkPngStreamOrRecall(const BYTE* data, size_t size);
// For tests: waits until the checks ahead are made, how many loads took one of their results, and
// how many files the last start read and checked (the others' verdicts were kept from before).
void waitForChecksAhead();
unsigned checksAheadRecalled();
unsigned checksAheadInflated();

// The DDS reader used by the two functions above. Broken headers are refused with a log line.
HRESULT readDdsInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO& info);
HRESULT decodeDds(const BYTE* data, size_t size, DecodedImage& image);

// Every face of a DDS file: six for a cube map (faces the file leaves out stay empty), one
// otherwise; each face lists its levels. A volume's levels hold all their slices.
// D3DXERR_INVALIDDATA for broken or truncated files.
struct DdsFaces {
    D3DXIMAGE_INFO info{};
    std::vector<RawLevel> faces[6];
};
HRESULT readDdsFaces(const BYTE* data, size_t size, DdsFaces& result);
// A DDS file of the given faces (one, or six for a cube map; every face with info.MipLevels
// levels of info.Format laid out without padding). Empty when the format has no DDS form.
std::vector<uint8_t> encodeDds(const DdsFaces& faces);

// Texel formats that the converters below read and write.
bool isConvertible(D3DFORMAT format);
bool isCompressed(D3DFORMAT format);
bool hasAlpha(D3DFORMAT format);
// Bytes per texel, or per 4x4 block for the DXT formats.
UINT texelBytes(D3DFORMAT format);
// Bytes of one level of the given size as D3D lays it out without padding.
size_t levelBytes(D3DFORMAT format, UINT width, UINT height);

// Writes an RGBA image into a locked level (pitch = bytes per row, or per row of blocks).
void encodeLevel(D3DFORMAT format, const RgbaImage& image, BYTE* dest, INT pitch);
// Reads a level (same layout rules) into RGBA.
void decodeLevel(D3DFORMAT format, const BYTE* src, INT pitch, UINT width, UINT height, RgbaImage& image);

// Resamples with a D3DX_FILTER_* value (its low byte picks the filter).
void resize(const RgbaImage& source, UINT width, UINT height, DWORD filter, RgbaImage& result);

// Rules shared by the 2D, cube and volume loaders (Texture.cpp).
bool isDefaultSize(UINT value);
UINT roundUpPow2(UINT value);
// A requested file-load size: D3DX_DEFAULT rounds the file's size up to a power of two,
// NONPOW2 and FROM_FILE keep it, anything else is taken as given.
UINT fileLoadSize(UINT requested, UINT fileSize);
// The format a file is loaded into for a requested format (UNKNOWN or FROM_FILE: the file's,
// made convertible, with alpha when a colour key is given).
D3DFORMAT fileLoadFormat(D3DFORMAT requested, D3DFORMAT fileFormat, D3DCOLOR colorKey);
// D3DX_DEFAULT and out-of-range filter values become the documented defaults.
void normaliseFilters(DWORD& filter, DWORD& mipFilter);
void applyColourKey(RgbaImage& image, D3DCOLOR key);

// PNG bytes of an RGBA image; empty on failure.
std::vector<uint8_t> encodePng(const RgbaImage& image);

} // namespace D3DXImage
