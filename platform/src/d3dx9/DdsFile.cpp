// DDS files: the header, DXT1-5, the float formats and the common uncompressed layouts, read
// and written. The 2D path turns the first face of a cube map or the first slice of a volume
// into levels; readDdsFaces lays out all.
#include "d3dx9/ImageData.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cstring>

namespace D3DXImage {

namespace {

constexpr size_t kHeaderSize = 4 + 124;
constexpr DWORD kPixelAlphaPixels = 0x1, kPixelAlpha = 0x2, kPixelFourCC = 0x4, kPixelRgb = 0x40,
                kPixelLuminance = 0x20000;
constexpr DWORD kFlagCaps = 0x1, kFlagHeight = 0x2, kFlagWidth = 0x4, kFlagPitch = 0x8, kFlagPixelFormat = 0x1000,
                kFlagMipCount = 0x20000, kFlagLinearSize = 0x80000, kFlagDepth = 0x800000;
constexpr DWORD kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipmap = 0x400000;
constexpr DWORD kCaps2Cube = 0x200, kCaps2Volume = 0x200000, kCaps2AllFaces = 0xFC00;

DWORD readDword(const BYTE* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24;
}

void writeDword(std::vector<uint8_t>& out, size_t offset, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = uint8_t(value >> (8 * i));
}

struct Header {
    UINT width, height, depth, levels;
    D3DFORMAT format;
    D3DRESOURCETYPE type;
    DWORD faces; // cube maps: the face bits of caps2 (+X first)
};

// Uncompressed layouts by their bit masks; flags are the pixel-format flags a writer sets.
struct Layout {
    DWORD flags, bits, r, g, b, a;
    D3DFORMAT format;
};
const Layout kLayouts[] = {
    {kPixelRgb | kPixelAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {kPixelRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {kPixelRgb | kPixelAlphaPixels, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_A8B8G8R8},
    {kPixelRgb, 32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8B8G8R8},
    {kPixelRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {kPixelRgb, 16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {kPixelRgb | kPixelAlphaPixels, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {kPixelRgb, 16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {kPixelRgb | kPixelAlphaPixels, 16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {kPixelRgb, 16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {kPixelLuminance, 8, 0xFF, 0, 0, 0, D3DFMT_L8},
    {kPixelLuminance | kPixelAlphaPixels, 16, 0xFF, 0, 0, 0xFF00, D3DFMT_A8L8},
    {kPixelAlpha, 8, 0, 0, 0, 0xFF, D3DFMT_A8},
};

// Formats a DDS file names by FourCC: the DXT blocks by their letters, the float formats by
// their D3DFORMAT numbers.
bool isFourCCFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R16F:
    case D3DFMT_G16R16F:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_R32F:
    case D3DFMT_G32R32F:
    case D3DFMT_A32B32G32R32F:
        return true;
    default:
        return isCompressed(format);
    }
}

D3DFORMAT formatFromMasks(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a)
{
    if (!(flags & kPixelAlphaPixels))
        a = 0;
    if (flags & kPixelLuminance) {
        if (bits == 8 && r == 0xFF)
            return D3DFMT_L8;
        if (bits == 16 && r == 0xFF && a == 0xFF00)
            return D3DFMT_A8L8;
        return D3DFMT_UNKNOWN;
    }
    if ((flags & kPixelAlpha) && !(flags & kPixelRgb))
        return bits == 8 ? D3DFMT_A8 : D3DFMT_UNKNOWN;
    for (const Layout& layout : kLayouts)
        if ((layout.flags & kPixelRgb) && layout.bits == bits && layout.r == r && layout.g == g && layout.b == b &&
            layout.a == a)
            return layout.format;
    return D3DFMT_UNKNOWN;
}

UINT fullChain(UINT width, UINT height, UINT depth)
{
    UINT levels = 1;
    for (UINT s = std::max({width, height, depth}); s > 1; s /= 2)
        ++levels;
    return levels;
}

HRESULT refuse(const char* reason)
{
    Diagnostics::error("D3DX", "DDS file refused: %s", reason);
    return D3DXERR_INVALIDDATA;
}

HRESULT readHeader(const BYTE* data, size_t size, Header& header)
{
    if (size < kHeaderSize || std::memcmp(data, "DDS ", 4) != 0 || readDword(data + 4) != 124)
        return refuse("no DDS header");
    const BYTE* h = data + 4;
    const DWORD flags = readDword(h + 4);
    header.height = readDword(h + 8);
    header.width = readDword(h + 12);
    header.depth = (flags & kFlagDepth) ? std::max<DWORD>(1, readDword(h + 20)) : 1;
    header.levels = (flags & kFlagMipCount) ? std::max<DWORD>(1, readDword(h + 24)) : 1;
    const DWORD pixelFlags = readDword(h + 76);
    const DWORD fourCC = readDword(h + 80);
    const DWORD caps2 = readDword(h + 108);
    if (pixelFlags & kPixelFourCC) {
        header.format = static_cast<D3DFORMAT>(fourCC);
        if (!isFourCCFormat(header.format))
            header.format = D3DFMT_UNKNOWN;
    } else {
        header.format = formatFromMasks(pixelFlags, readDword(h + 84), readDword(h + 88), readDword(h + 92),
                                        readDword(h + 96), readDword(h + 100));
    }
    header.type = (caps2 & kCaps2Cube)     ? D3DRTYPE_CUBETEXTURE
                  : (caps2 & kCaps2Volume) ? D3DRTYPE_VOLUMETEXTURE
                                           : D3DRTYPE_TEXTURE;
    if (header.type != D3DRTYPE_VOLUMETEXTURE)
        header.depth = 1;
    header.faces = header.type == D3DRTYPE_CUBETEXTURE ? caps2 & kCaps2AllFaces : 0;
    if (header.format == D3DFMT_UNKNOWN)
        return refuse("unknown pixel format");
    if (header.width == 0 || header.height == 0 || header.width > 16384 || header.height > 16384 ||
        header.depth > 16384)
        return refuse("size out of range");
    if (header.type == D3DRTYPE_CUBETEXTURE && header.faces == 0)
        return refuse("cube map without faces");
    if (header.type == D3DRTYPE_CUBETEXTURE && header.width != header.height)
        return refuse("cube map faces not square");
    // A chain longer than the size allows is a broken header, not a hint to clamp.
    if (header.levels > fullChain(header.width, header.height, header.depth))
        return refuse("more levels than the size allows");
    return D3D_OK;
}

} // namespace

HRESULT readDdsInfo(const BYTE* data, size_t size, D3DXIMAGE_INFO& info)
{
    Header header{};
    const HRESULT hr = readHeader(data, size, header);
    if (FAILED(hr))
        return hr;
    info.Width = header.width;
    info.Height = header.height;
    info.Depth = header.depth;
    info.MipLevels = header.levels;
    info.Format = header.format;
    info.ResourceType = header.type;
    info.ImageFileFormat = D3DXIFF_DDS;
    return D3D_OK;
}

HRESULT decodeDds(const BYTE* data, size_t size, DecodedImage& image)
{
    Header header{};
    HRESULT hr = readHeader(data, size, header);
    if (FAILED(hr))
        return hr;
    // Levels are stored one after another; a volume level holds `depth` slices, of which the
    // first comes first, and a cube map's first face comes first with all its levels.
    size_t offset = kHeaderSize;
    UINT width = header.width, height = header.height, depth = header.depth;
    image.rawLevels.clear();
    for (UINT level = 0; level < header.levels; ++level) {
        const size_t slice = levelBytes(header.format, width, height);
        if (offset > size || size - offset < slice * depth) {
            if (level == 0)
                return refuse("texels past the end of the data");
            break; // A truncated chain keeps the levels that are complete.
        }
        image.rawLevels.push_back({data + offset, slice, width, height});
        offset += slice * depth;
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        depth = std::max(1u, depth / 2);
    }
    image.info.MipLevels = UINT(image.rawLevels.size());
    const RawLevel& top = image.rawLevels.front();
    const INT pitch = INT(isCompressed(header.format) ? texelBytes(header.format) * std::max(1u, (top.width + 3) / 4)
                                                      : texelBytes(header.format) * top.width);
    decodeLevel(header.format, top.data, pitch, top.width, top.height, image.top);
    return D3D_OK;
}

HRESULT readDdsFaces(const BYTE* data, size_t size, DdsFaces& result)
{
    Header header{};
    HRESULT hr = readHeader(data, size, header);
    if (FAILED(hr))
        return hr;
    const UINT faceCount = header.type == D3DRTYPE_CUBETEXTURE ? 6 : 1;
    UINT presentFaces = 0;
    for (UINT face = 0; face < faceCount; ++face)
        if (faceCount == 1 || (header.faces & (0x400u << face)))
            ++presentFaces;
    // Bytes of one face with `levels` levels.
    auto faceBytes = [&](UINT levels) {
        size_t total = 0;
        UINT width = header.width, height = header.height, depth = header.depth;
        for (UINT level = 0; level < levels; ++level) {
            total += levelBytes(header.format, width, height) * depth;
            width = std::max(1u, width / 2);
            height = std::max(1u, height / 2);
            depth = std::max(1u, depth / 2);
        }
        return total;
    };
    // Faces sit one full chain apart, so only the last face can be cut short: a truncated file
    // keeps as many levels as every face has complete.
    const size_t stride = faceBytes(header.levels);
    const size_t available = size - kHeaderSize;
    if (stride * (presentFaces - 1) > available)
        return refuse("faces past the end of the data");
    UINT levels = header.levels;
    while (levels > 0 && faceBytes(levels) > available - stride * (presentFaces - 1))
        --levels;
    if (levels == 0)
        return refuse("texels past the end of the data");
    for (std::vector<RawLevel>& chain : result.faces)
        chain.clear();
    size_t offset = kHeaderSize;
    for (UINT face = 0; face < faceCount; ++face) {
        if (faceCount == 6 && !(header.faces & (0x400u << face)))
            continue;
        size_t levelOffset = offset;
        UINT width = header.width, height = header.height, depth = header.depth;
        for (UINT level = 0; level < levels; ++level) {
            const size_t slice = levelBytes(header.format, width, height);
            result.faces[face].push_back({data + levelOffset, slice, width, height, depth});
            levelOffset += slice * depth;
            width = std::max(1u, width / 2);
            height = std::max(1u, height / 2);
            depth = std::max(1u, depth / 2);
        }
        offset += stride;
    }
    result.info.Width = header.width;
    result.info.Height = header.height;
    result.info.Depth = header.depth;
    result.info.MipLevels = levels;
    result.info.Format = header.format;
    result.info.ResourceType = header.type;
    result.info.ImageFileFormat = D3DXIFF_DDS;
    return D3D_OK;
}

std::vector<uint8_t> encodeDds(const DdsFaces& faces)
{
    const D3DXIMAGE_INFO& info = faces.info;
    const bool cube = info.ResourceType == D3DRTYPE_CUBETEXTURE;
    const Layout* layout = nullptr;
    for (const Layout& candidate : kLayouts)
        if (candidate.format == info.Format)
            layout = &candidate;
    if ((!layout && !isFourCCFormat(info.Format)) || info.MipLevels == 0 ||
        (info.ResourceType != D3DRTYPE_TEXTURE && !cube))
        return {};
    size_t total = kHeaderSize;
    for (UINT face = 0; face < (cube ? 6u : 1u); ++face) {
        if (faces.faces[face].size() != info.MipLevels)
            return {};
        UINT width = info.Width, height = info.Height;
        for (const RawLevel& level : faces.faces[face]) {
            if (!level.data || level.size != levelBytes(info.Format, width, height))
                return {};
            total += level.size;
            width = std::max(1u, width / 2);
            height = std::max(1u, height / 2);
        }
    }
    std::vector<uint8_t> out(kHeaderSize, 0);
    out.reserve(total);
    std::memcpy(out.data(), "DDS ", 4);
    const size_t h = 4;
    const bool compressed = isCompressed(info.Format);
    DWORD flags = kFlagCaps | kFlagHeight | kFlagWidth | kFlagPixelFormat | (compressed ? kFlagLinearSize : kFlagPitch);
    if (info.MipLevels > 1)
        flags |= kFlagMipCount;
    writeDword(out, h, 124);
    writeDword(out, h + 4, flags);
    writeDword(out, h + 8, info.Height);
    writeDword(out, h + 12, info.Width);
    writeDword(out, h + 16,
               DWORD(compressed ? levelBytes(info.Format, info.Width, info.Height)
                                : size_t(texelBytes(info.Format)) * info.Width));
    writeDword(out, h + 24, info.MipLevels);
    writeDword(out, h + 72, 32);
    if (layout) {
        writeDword(out, h + 76, layout->flags);
        writeDword(out, h + 84, layout->bits);
        writeDword(out, h + 88, layout->r);
        writeDword(out, h + 92, layout->g);
        writeDword(out, h + 96, layout->b);
        writeDword(out, h + 100, layout->a);
    } else {
        writeDword(out, h + 76, kPixelFourCC);
        writeDword(out, h + 80, DWORD(info.Format));
    }
    DWORD caps = kCapsTexture;
    if (info.MipLevels > 1)
        caps |= kCapsComplex | kCapsMipmap;
    if (cube)
        caps |= kCapsComplex;
    writeDword(out, h + 104, caps);
    writeDword(out, h + 108, cube ? kCaps2Cube | kCaps2AllFaces : 0);
    for (UINT face = 0; face < (cube ? 6u : 1u); ++face)
        for (const RawLevel& level : faces.faces[face])
            out.insert(out.end(), level.data, level.data + level.size);
    return out;
}

} // namespace D3DXImage
