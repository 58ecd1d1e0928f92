// DDS files: the header, DXT1-5 and the common uncompressed layouts. The 2D path turns the first
// face of a cube map or the first slice of a volume into levels; readDdsFaces lays out all.
#include "d3dx9/ImageData.h"

#include <algorithm>
#include <cstring>

namespace D3DXImage {

namespace {

constexpr size_t kHeaderSize = 4 + 124;
constexpr DWORD kPixelAlphaPixels = 0x1, kPixelAlpha = 0x2, kPixelFourCC = 0x4, kPixelRgb = 0x40,
                kPixelLuminance = 0x20000;
constexpr DWORD kFlagMipCount = 0x20000, kFlagDepth = 0x800000;
constexpr DWORD kCaps2Cube = 0x200, kCaps2Volume = 0x200000, kCaps2AllFaces = 0xFC00;

DWORD readDword(const BYTE* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24;
}

struct Header {
    UINT width, height, depth, levels;
    D3DFORMAT format;
    D3DRESOURCETYPE type;
    DWORD faces; // cube maps: the face bits of caps2 (+X first)
};

D3DFORMAT formatFromMasks(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a)
{
    if (!(flags & kPixelAlphaPixels))
        a = 0;
    struct Layout {
        DWORD bits, r, g, b, a;
        D3DFORMAT format;
    };
    static const Layout kLayouts[] = {
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
        {32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_A8B8G8R8},
        {32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8B8G8R8},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
        {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
        {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
        {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
        {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    };
    if (flags & kPixelLuminance) {
        if (bits == 8 && r == 0xFF)
            return D3DFMT_L8;
        if (bits == 16 && r == 0xFF && a == 0xFF00)
            return D3DFMT_A8L8;
        return D3DFMT_UNKNOWN;
    }
    if ((flags & kPixelAlpha) && !(flags & kPixelRgb))
        return bits == 8 && (flags & kPixelAlpha) ? D3DFMT_A8 : D3DFMT_UNKNOWN;
    for (const Layout& layout : kLayouts)
        if (layout.bits == bits && layout.r == r && layout.g == g && layout.b == b && layout.a == a)
            return layout.format;
    return D3DFMT_UNKNOWN;
}

HRESULT readHeader(const BYTE* data, size_t size, Header& header)
{
    if (size < kHeaderSize || std::memcmp(data, "DDS ", 4) != 0 || readDword(data + 4) != 124)
        return D3DXERR_INVALIDDATA;
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
        if (!isCompressed(header.format))
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
    // Writers that set no face bits mean a full cube.
    header.faces =
        header.type == D3DRTYPE_CUBETEXTURE ? ((caps2 & kCaps2AllFaces) ? caps2 & kCaps2AllFaces : kCaps2AllFaces) : 0;
    if (header.type == D3DRTYPE_CUBETEXTURE && header.width != header.height)
        return D3DXERR_INVALIDDATA;
    // Sizes beyond 16384 or a chain longer than the size allows are broken headers.
    UINT fullChain = 1;
    for (UINT s = std::max({header.width, header.height, header.depth}); s > 1; s /= 2)
        ++fullChain;
    if (header.width == 0 || header.height == 0 || header.width > 16384 || header.height > 16384 ||
        header.depth > 16384 || header.format == D3DFMT_UNKNOWN)
        return D3DXERR_INVALIDDATA;
    header.levels = std::min(header.levels, fullChain);
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
                return D3DXERR_INVALIDDATA;
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
        return D3DXERR_INVALIDDATA;
    UINT levels = header.levels;
    while (levels > 0 && faceBytes(levels) > available - stride * (presentFaces - 1))
        --levels;
    if (levels == 0)
        return D3DXERR_INVALIDDATA;
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

} // namespace D3DXImage
