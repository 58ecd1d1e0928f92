// D3DX texture creation and image loading. Textures are made through the device's public
// interface and filled by locking their levels (through a system-memory copy and UpdateTexture
// when the pool cannot be locked).
#include "d3dx9/ImageData.h"
#include "common/Diagnostics.h"
#include "d3d9/D3D9Internal.h"
#include <platform_app.h>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace D3DXImage;

namespace {
thread_local PlatformImageReader t_nextReader;
}

void PlatformSetNextImageReader(PlatformImageReader reader)
{
    t_nextReader = std::move(reader);
}

namespace D3DXImage {

bool isDefaultSize(UINT value)
{
    return value == 0 || value == D3DX_DEFAULT;
}

UINT roundUpPow2(UINT value)
{
    UINT p = 1;
    while (p < value && p < 0x80000000u)
        p <<= 1;
    return p;
}

UINT fileLoadSize(UINT requested, UINT fileSize)
{
    if (isDefaultSize(requested))
        return roundUpPow2(fileSize);
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE)
        return fileSize;
    return requested;
}

D3DFORMAT fileLoadFormat(D3DFORMAT format, D3DFORMAT fileFormat, D3DCOLOR colorKey)
{
    if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE) {
        format = fileFormat == D3DFMT_R8G8B8 ? D3DFMT_X8R8G8B8 : fileFormat;
        // A colour key needs somewhere to put its transparency.
        if (colorKey != 0 && !hasAlpha(format))
            format = D3DFMT_A8R8G8B8;
    }
    if (!isConvertible(format))
        format = hasAlpha(fileFormat) || colorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    return format;
}

void normaliseFilters(DWORD& filter, DWORD& mipFilter)
{
    if (filter == D3DX_DEFAULT)
        filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if ((filter & 0xFF) == 0 || (filter & 0xFF) > D3DX_FILTER_BOX)
        filter = D3DX_FILTER_TRIANGLE | (filter & ~0xFFu);
    if (mipFilter == D3DX_DEFAULT)
        mipFilter = D3DX_FILTER_BOX;
    mipFilter &= ~(0x1Fu << 26); // The DDS level skip is not supported.
    if ((mipFilter & 0xFF) == 0 || (mipFilter & 0xFF) > D3DX_FILTER_BOX)
        mipFilter = D3DX_FILTER_BOX | (mipFilter & ~0xFFu);
}

void applyColourKey(RgbaImage& image, D3DCOLOR key)
{
    for (size_t i = 0; i < image.texels.size(); i += 4) {
        uint8_t* p = &image.texels[i];
        const D3DCOLOR colour = D3DCOLOR(p[3]) << 24 | D3DCOLOR(p[0]) << 16 | D3DCOLOR(p[1]) << 8 | p[2];
        if (colour == key)
            std::memset(p, 0, 4);
    }
}

} // namespace D3DXImage

namespace {

UINT fullChain(UINT width, UINT height, UINT depth = 1)
{
    UINT levels = 1;
    for (UINT s = std::max({width, height, depth}); s > 1; s /= 2)
        ++levels;
    return levels;
}

// D3DX's size and level rules against the device's limits. Width, Height or Depth may come
// in as a default value only from D3DXCreate*Texture, where 256 stands in for "any".
void applyRequirements(IDirect3DDevice9* device, D3DRESOURCETYPE type, UINT& width, UINT& height, UINT& depth,
                       UINT& levels, D3DFORMAT& format)
{
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE)
        format = D3DFMT_A8R8G8B8;
    if (isDefaultSize(width) || width == D3DX_DEFAULT_NONPOW2 || width == D3DX_FROM_FILE)
        width = isDefaultSize(height) || height >= D3DX_FROM_FILE ? 256 : height;
    if (isDefaultSize(height) || height >= D3DX_FROM_FILE)
        height = width;
    if (isDefaultSize(depth) || depth >= D3DX_FROM_FILE)
        depth = 1;
    const DWORD pow2Cap = type == D3DRTYPE_CUBETEXTURE     ? D3DPTEXTURECAPS_CUBEMAP_POW2
                          : type == D3DRTYPE_VOLUMETEXTURE ? D3DPTEXTURECAPS_VOLUMEMAP_POW2
                                                           : D3DPTEXTURECAPS_POW2;
    if (caps.TextureCaps & pow2Cap) {
        width = roundUpPow2(width);
        height = roundUpPow2(height);
        depth = roundUpPow2(depth);
    }
    if (caps.MaxTextureWidth)
        width = std::min<UINT>(width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight)
        height = std::min<UINT>(height, caps.MaxTextureHeight);
    if (type == D3DRTYPE_VOLUMETEXTURE && caps.MaxVolumeExtent)
        depth = std::min<UINT>(depth, caps.MaxVolumeExtent);
    if (type == D3DRTYPE_CUBETEXTURE)
        height = width;
    if (isCompressed(format)) {
        // Block formats need whole blocks on level 0.
        width = (width + 3) & ~3u;
        height = (height + 3) & ~3u;
    }
    const UINT maxLevels = fullChain(width, height, type == D3DRTYPE_VOLUMETEXTURE ? depth : 1);
    levels = isDefaultSize(levels) || levels >= D3DX_FROM_FILE ? maxLevels : std::min(levels, maxLevels);
}

// A format the device refuses is replaced by the 32-bit one with or without alpha.
D3DFORMAT fallbackFormat(D3DFORMAT format)
{
    return hasAlpha(format) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

// contentFollows: the texels are handed to deferTextureContent right after.
HRESULT createTexture2D(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, bool contentFollows = false)
{
    UINT depth = 1;
    applyRequirements(device, D3DRTYPE_TEXTURE, width, height, depth, levels, format);
    const UINT deviceLevels = (usage & D3DUSAGE_AUTOGENMIPMAP) ? 0 : levels;
    auto create = [&](D3DFORMAT chosen) {
        return contentFollows
                   ? D3D9Internal::createTextureAwaitingContent(device, width, height, deviceLevels, usage, chosen,
                                                                pool, texture)
                   : device->CreateTexture(width, height, deviceLevels, usage, chosen, pool, texture, nullptr);
    };
    HRESULT hr = create(format);
    if (FAILED(hr) && fallbackFormat(format) != format && hr != D3DERR_OUTOFVIDEOMEMORY && hr != E_OUTOFMEMORY)
        hr = create(fallbackFormat(format));
    return hr;
}

// Writes each level: the file's own data where it fits as stored, otherwise the RGBA chain.
HRESULT fillLevels(IDirect3DTexture9* target, const std::vector<RgbaImage>& chain, const DecodedImage* file)
{
    D3DSURFACE_DESC desc{};
    HRESULT hr = target->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    IDirect3DTexture9* texture = target;
    IDirect3DTexture9* staging = nullptr;
    const bool lockable = desc.Pool != D3DPOOL_DEFAULT || (desc.Usage & D3DUSAGE_DYNAMIC);
    // Stored levels are copied even where no mip filter rebuilds the chain.
    const size_t available = std::max(chain.size(), file ? file->rawLevels.size() : 0);
    const UINT levelCount = std::min<UINT>(target->GetLevelCount(), UINT(available));
    if (!lockable) {
        IDirect3DDevice9* device = nullptr;
        target->GetDevice(&device);
        if (!device)
            return D3DERR_INVALIDCALL;
        // UpdateTexture wants the source to have every level the target has (only the top one
        // for automatic mipmaps).
        const UINT stagingLevels = (desc.Usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : target->GetLevelCount();
        hr = device->CreateTexture(desc.Width, desc.Height, stagingLevels, 0, desc.Format, D3DPOOL_SYSTEMMEM, &staging,
                                   nullptr);
        device->Release();
        if (FAILED(hr))
            return hr;
        texture = staging;
    }
    for (UINT level = 0; level < levelCount && SUCCEEDED(hr); ++level) {
        D3DSURFACE_DESC levelDesc{};
        texture->GetLevelDesc(level, &levelDesc);
        D3DLOCKED_RECT locked{};
        hr = texture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr))
            break;
        const RawLevel* raw = file && level < file->rawLevels.size() ? &file->rawLevels[level] : nullptr;
        if (raw && raw->width == levelDesc.Width && raw->height == levelDesc.Height) {
            const UINT rows = isCompressed(levelDesc.Format) ? std::max(1u, (raw->height + 3) / 4) : raw->height;
            const size_t rowBytes = raw->size / rows;
            for (UINT row = 0; row < rows; ++row)
                std::memcpy(static_cast<BYTE*>(locked.pBits) + ptrdiff_t(row) * locked.Pitch,
                            raw->data + row * rowBytes, rowBytes);
        } else if (level < chain.size() && chain[level].width == levelDesc.Width &&
                   chain[level].height == levelDesc.Height) {
            encodeLevel(levelDesc.Format, chain[level], static_cast<BYTE*>(locked.pBits), locked.Pitch);
        }
        texture->UnlockRect(level);
    }
    if (staging) {
        if (SUCCEEDED(hr)) {
            IDirect3DDevice9* device = nullptr;
            target->GetDevice(&device);
            hr = device->UpdateTexture(staging, target);
            device->Release();
        }
        staging->Release();
    }
    if (SUCCEEDED(hr) && (desc.Usage & D3DUSAGE_AUTOGENMIPMAP))
        target->GenerateMipSubLevels();
    return hr;
}

// The decoded file into a created texture: colour key, resize to the texture's size, the mip
// chain by the mip filter, the file's own levels where nothing changes them.
HRESULT fillFromFile(IDirect3DTexture9* texture, DecodedImage& file, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey)
{
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    if (ColorKey != 0)
        applyColourKey(file.top, ColorKey);
    const bool rawUsable = !file.rawLevels.empty() && ColorKey == 0 && desc.Format == file.info.Format;
    if (!rawUsable)
        file.rawLevels.clear();
    const UINT levels = (desc.Usage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : texture->GetLevelCount();
    std::vector<RgbaImage> chain(levels);
    if (file.top.width == desc.Width && file.top.height == desc.Height)
        chain[0] = std::move(file.top); // the decoded picture is the top level as it stands
    else
        resize(file.top, desc.Width, desc.Height, Filter, chain[0]);
    for (UINT level = 1; level < levels; ++level) {
        if ((MipFilter & 0xFF) == D3DX_FILTER_NONE) {
            chain.resize(level); // Without a mip filter the lower levels stay as created.
            break;
        }
        resize(chain[level - 1], std::max(1u, desc.Width >> level), std::max(1u, desc.Height >> level), MipFilter,
               chain[level]);
    }
    return fillLevels(texture, chain, rawUsable ? &file : nullptr);
}

} // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture)
{
    if (!pDevice || !ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    return createTexture2D(pDevice, Width, Height, MipLevels, Usage, Format, Pool, ppTexture);
}

HRESULT D3DXCreateCubeTexture(IDirect3DDevice9* pDevice, UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture)
{
    if (!pDevice || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    UINT height = Size, depth = 1;
    applyRequirements(pDevice, D3DRTYPE_CUBETEXTURE, Size, height, depth, MipLevels, Format);
    const UINT levels = (Usage & D3DUSAGE_AUTOGENMIPMAP) ? 0 : MipLevels;
    HRESULT hr = pDevice->CreateCubeTexture(Size, levels, Usage, Format, Pool, ppCubeTexture, nullptr);
    if (FAILED(hr) && fallbackFormat(Format) != Format)
        hr = pDevice->CreateCubeTexture(Size, levels, Usage, fallbackFormat(Format), Pool, ppCubeTexture, nullptr);
    return hr;
}

HRESULT D3DXCreateVolumeTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT Depth, UINT MipLevels,
                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture)
{
    if (!pDevice || !ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    *ppVolumeTexture = nullptr;
    applyRequirements(pDevice, D3DRTYPE_VOLUMETEXTURE, Width, Height, Depth, MipLevels, Format);
    HRESULT hr =
        pDevice->CreateVolumeTexture(Width, Height, Depth, MipLevels, Usage, Format, Pool, ppVolumeTexture, nullptr);
    if (FAILED(hr) && fallbackFormat(Format) != Format)
        hr = pDevice->CreateVolumeTexture(Width, Height, Depth, MipLevels, Usage, fallbackFormat(Format), Pool,
                                          ppVolumeTexture, nullptr);
    return hr;
}

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcData || SrcDataSize == 0)
        return D3DERR_INVALIDCALL;
    D3DXIMAGE_INFO info{};
    const HRESULT hr = readInfo(static_cast<const BYTE*>(pSrcData), SrcDataSize, info);
    if (SUCCEEDED(hr) && pSrcInfo)
        *pSrcInfo = info;
    return hr;
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* /*pPalette*/, IDirect3DTexture9** ppTexture)
{
    PlatformImageReader reader = std::move(t_nextReader);
    t_nextReader = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    DecodedImage file;
    // A managed texture is written from the file again on first use: here the file only has to
    // prove readable, in its own channels (no conversion to RGBA).
    HRESULT hr = decode(static_cast<const BYTE*>(pSrcData), SrcDataSize, file, Pool == D3DPOOL_MANAGED);
    if (FAILED(hr)) {
        Diagnostics::error("D3DX", "image data is not a readable PNG, JPEG, BMP, TGA or DDS file");
        return hr;
    }
    if (pSrcInfo)
        *pSrcInfo = file.info;
    Width = fileLoadSize(Width, file.info.Width);
    Height = fileLoadSize(Height, file.info.Height);
    if (MipLevels == D3DX_FROM_FILE)
        MipLevels = file.info.MipLevels;
    Format = fileLoadFormat(Format, file.info.Format, ColorKey);

    IDirect3DTexture9* texture = nullptr;
    hr = createTexture2D(pDevice, Width, Height, MipLevels, Usage, Format, Pool, &texture, Pool == D3DPOOL_MANAGED);
    if (FAILED(hr))
        return hr;
    normaliseFilters(Filter, MipFilter);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    if (desc.Pool == D3DPOOL_MANAGED) {
        // The file decoded, so the texture is sound; its texels are written from the file when it
        // is first used. Many loaded pictures are never shown in a session. Read again from its
        // source, the file costs no memory while the texture waits or is evicted.
        file = DecodedImage{};
        if (reader) {
            D3D9Internal::deferTextureContent(texture, [texture, reader, Filter, MipFilter, ColorKey]() {
                std::vector<BYTE> bytes;
                DecodedImage again;
                if (!reader(bytes) || bytes.empty()) {
                    Diagnostics::error("D3DX", "an image file could not be read again; its texture stays blank");
                    return;
                }
                if (FAILED(decode(bytes.data(), UINT(bytes.size()), again)) ||
                    FAILED(fillFromFile(texture, again, Filter, MipFilter, ColorKey)))
                    Diagnostics::error("D3DX", "a loaded image could not be written into its texture");
            });
            *ppTexture = texture;
            return D3D_OK;
        }
        auto bytes = std::make_shared<const std::vector<BYTE>>(static_cast<const BYTE*>(pSrcData),
                                                               static_cast<const BYTE*>(pSrcData) + SrcDataSize);
        D3D9Internal::deferTextureContent(texture, [texture, bytes, Filter, MipFilter, ColorKey]() {
            DecodedImage again;
            if (FAILED(decode(bytes->data(), UINT(bytes->size()), again)) ||
                FAILED(fillFromFile(texture, again, Filter, MipFilter, ColorKey)))
                Diagnostics::error("D3DX", "a loaded image could not be written into its texture");
        });
        *ppTexture = texture;
        return D3D_OK;
    }
    if (file.top.texels.empty() && file.rawLevels.empty()) // only checked above: the texels now
        hr = decode(static_cast<const BYTE*>(pSrcData), SrcDataSize, file);
    if (SUCCEEDED(hr))
        hr = fillFromFile(texture, file, Filter, MipFilter, ColorKey);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppTexture = texture;
    return D3D_OK;
}
