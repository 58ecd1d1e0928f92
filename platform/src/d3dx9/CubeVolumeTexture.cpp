// Cube and volume textures from image files in memory. Cube maps come only from DDS cube files;
// volumes from DDS volume files, or from any 2D image as a volume one slice deep. Levels are
// copied as stored where nothing changes them and rebuilt from RGBA otherwise.
#include "d3dx9/ImageData.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cstring>

using namespace D3DXImage;

namespace {

INT storedPitch(D3DFORMAT format, UINT width)
{
    return INT(isCompressed(format) ? texelBytes(format) * std::max(1u, (width + 3) / 4) : texelBytes(format) * width);
}

UINT storedRows(D3DFORMAT format, UINT height)
{
    return isCompressed(format) ? std::max(1u, (height + 3) / 4) : height;
}

// Copies one stored slice into a locked one, row by row.
void copyStored(D3DFORMAT format, const BYTE* src, UINT width, UINT height, BYTE* dest, INT destPitch)
{
    const size_t rowBytes = size_t(storedPitch(format, width));
    const UINT rows = storedRows(format, height);
    for (UINT row = 0; row < rows; ++row)
        std::memcpy(dest + ptrdiff_t(row) * destPitch, src + row * rowBytes, rowBytes);
}

// Level 0 resized from the top image, then each level from the one above; without a mip filter
// the chain stops after level 0 (lower levels stay as created).
std::vector<RgbaImage> buildChain(const RgbaImage& top, UINT width, UINT height, UINT levels, DWORD filter,
                                  DWORD mipFilter)
{
    std::vector<RgbaImage> chain(1);
    resize(top, width, height, filter, chain[0]);
    for (UINT level = 1; level < levels && (mipFilter & 0xFF) != D3DX_FILTER_NONE; ++level) {
        chain.emplace_back();
        resize(chain[level - 1], std::max(1u, width >> level), std::max(1u, height >> level), mipFilter, chain[level]);
    }
    return chain;
}

// The mean of two RGBA images of one size (a volume level's slice from the two above it).
RgbaImage average(const RgbaImage& a, const RgbaImage& b)
{
    RgbaImage result = a;
    for (size_t i = 0; i < result.texels.size() && i < b.texels.size(); ++i)
        result.texels[i] = uint8_t((unsigned(a.texels[i]) + b.texels[i] + 1) / 2);
    return result;
}

bool lockable(D3DPOOL pool, DWORD usage)
{
    return pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
}

HRESULT fillCube(IDirect3DCubeTexture9* target, const DdsFaces& file, D3DCOLOR colorKey, DWORD filter, DWORD mipFilter)
{
    D3DSURFACE_DESC desc{};
    HRESULT hr = target->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    IDirect3DCubeTexture9* texture = target;
    IDirect3DCubeTexture9* staging = nullptr;
    IDirect3DDevice9* device = nullptr;
    target->GetDevice(&device);
    if (!device)
        return D3DERR_INVALIDCALL;
    const bool autoGen = (desc.Usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
    const UINT levels = autoGen ? 1 : target->GetLevelCount();
    if (!lockable(desc.Pool, desc.Usage)) {
        hr = device->CreateCubeTexture(desc.Width, levels, 0, desc.Format, D3DPOOL_SYSTEMMEM, &staging, nullptr);
        if (FAILED(hr)) {
            device->Release();
            return hr;
        }
        texture = staging;
    }
    const bool rawUsable = colorKey == 0 && desc.Format == file.info.Format;
    for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        const std::vector<RawLevel>& stored = file.faces[face];
        std::vector<RgbaImage> chain;
        // RGBA is needed unless every level can be copied as stored.
        const bool allStored = rawUsable && stored.size() >= levels && !stored.empty() && stored[0].width == desc.Width;
        if (!stored.empty() && !allStored) {
            RgbaImage top;
            decodeLevel(file.info.Format, stored[0].data, storedPitch(file.info.Format, stored[0].width),
                        stored[0].width, stored[0].height, top);
            if (colorKey != 0)
                applyColourKey(top, colorKey);
            chain = buildChain(top, desc.Width, desc.Height, levels, filter, mipFilter);
        } else if (stored.empty()) {
            // A face the file leaves out is transparent black.
            RgbaImage blank;
            blank.width = blank.height = 1;
            blank.texels.assign(4, 0);
            chain = buildChain(blank, desc.Width, desc.Height, levels, D3DX_FILTER_POINT, D3DX_FILTER_POINT);
        }
        for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
            D3DSURFACE_DESC levelDesc{};
            texture->GetLevelDesc(level, &levelDesc);
            const RawLevel* raw = rawUsable && level < stored.size() ? &stored[level] : nullptr;
            const bool copyRaw = raw && raw->width == levelDesc.Width && raw->height == levelDesc.Height;
            if (!copyRaw && level >= chain.size())
                continue;
            D3DLOCKED_RECT locked{};
            hr = texture->LockRect(D3DCUBEMAP_FACES(face), level, &locked, nullptr, 0);
            if (FAILED(hr))
                break;
            if (copyRaw)
                copyStored(levelDesc.Format, raw->data, raw->width, raw->height, static_cast<BYTE*>(locked.pBits),
                           locked.Pitch);
            else
                encodeLevel(levelDesc.Format, chain[level], static_cast<BYTE*>(locked.pBits), locked.Pitch);
            texture->UnlockRect(D3DCUBEMAP_FACES(face), level);
        }
    }
    if (staging) {
        if (SUCCEEDED(hr))
            hr = device->UpdateTexture(staging, target);
        staging->Release();
    }
    device->Release();
    if (SUCCEEDED(hr) && autoGen)
        target->GenerateMipSubLevels();
    return hr;
}

// The slices of a volume level as RGBA, `depth` of them.
using Slices = std::vector<RgbaImage>;

HRESULT fillVolume(IDirect3DVolumeTexture9* target, const Slices& fileSlices, const std::vector<RawLevel>* stored,
                   D3DFORMAT fileFormat, D3DCOLOR colorKey, DWORD filter, DWORD mipFilter)
{
    D3DVOLUME_DESC desc{};
    HRESULT hr = target->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    IDirect3DDevice9* device = nullptr;
    target->GetDevice(&device);
    if (!device)
        return D3DERR_INVALIDCALL;
    IDirect3DVolumeTexture9* texture = target;
    IDirect3DVolumeTexture9* staging = nullptr;
    const UINT levels = target->GetLevelCount();
    if (!lockable(desc.Pool, desc.Usage)) {
        hr = device->CreateVolumeTexture(desc.Width, desc.Height, desc.Depth, levels, 0, desc.Format, D3DPOOL_SYSTEMMEM,
                                         &staging, nullptr);
        if (FAILED(hr)) {
            device->Release();
            return hr;
        }
        texture = staging;
    }
    const bool rawUsable = stored && colorKey == 0 && desc.Format == fileFormat;
    Slices current; // the RGBA slices of the level being written
    for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
        D3DVOLUME_DESC levelDesc{};
        texture->GetLevelDesc(level, &levelDesc);
        const RawLevel* raw = rawUsable && level < stored->size() ? &(*stored)[level] : nullptr;
        const bool copyRaw =
            raw && raw->width == levelDesc.Width && raw->height == levelDesc.Height && raw->depth == levelDesc.Depth;
        if (!copyRaw) {
            if (level > 0 && (mipFilter & 0xFF) == D3DX_FILTER_NONE)
                break;
            Slices next(levelDesc.Depth);
            for (UINT z = 0; z < levelDesc.Depth; ++z) {
                RgbaImage source;
                if (level == 0 || current.empty()) {
                    // Nearest file slice for each slice of the top level.
                    const size_t from =
                        std::min(fileSlices.size() - 1, size_t(z) * fileSlices.size() / levelDesc.Depth);
                    resize(fileSlices[from], levelDesc.Width, levelDesc.Height, filter, next[z]);
                    continue;
                }
                const size_t a = std::min(current.size() - 1, size_t(z) * 2);
                const size_t b = std::min(current.size() - 1, size_t(z) * 2 + 1);
                source = a == b ? current[a] : average(current[a], current[b]);
                resize(source, levelDesc.Width, levelDesc.Height, mipFilter, next[z]);
            }
            current = std::move(next);
        } else {
            current.clear(); // lower levels that need RGBA decode from the stored level then
            for (UINT z = 0; z < raw->depth; ++z) {
                current.emplace_back();
                decodeLevel(fileFormat, raw->data + raw->size * z, storedPitch(fileFormat, raw->width), raw->width,
                            raw->height, current.back());
            }
        }
        D3DLOCKED_BOX locked{};
        hr = texture->LockBox(level, &locked, nullptr, 0);
        if (FAILED(hr))
            break;
        for (UINT z = 0; z < levelDesc.Depth; ++z) {
            BYTE* slice = static_cast<BYTE*>(locked.pBits) + ptrdiff_t(z) * locked.SlicePitch;
            if (copyRaw)
                copyStored(levelDesc.Format, raw->data + raw->size * z, raw->width, raw->height, slice,
                           locked.RowPitch);
            else
                encodeLevel(levelDesc.Format, current[z], slice, locked.RowPitch);
        }
        texture->UnlockBox(level);
    }
    if (staging) {
        if (SUCCEEDED(hr))
            hr = device->UpdateTexture(staging, target);
        staging->Release();
    }
    device->Release();
    return hr;
}

} // namespace

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* /*pPalette*/,
                                                IDirect3DCubeTexture9** ppCubeTexture)
{
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    const BYTE* data = static_cast<const BYTE*>(pSrcData);
    D3DXIMAGE_INFO info{};
    HRESULT hr = readInfo(data, SrcDataSize, info);
    if (FAILED(hr) || info.ResourceType != D3DRTYPE_CUBETEXTURE) {
        Diagnostics::error("D3DX", "image data is not a readable DDS cube map");
        return D3DXERR_INVALIDDATA;
    }
    DdsFaces file;
    hr = readDdsFaces(data, SrcDataSize, file);
    if (FAILED(hr)) {
        Diagnostics::error("D3DX", "DDS cube map data is broken or truncated");
        return hr;
    }
    if (pSrcInfo)
        *pSrcInfo = file.info;
    Size = fileLoadSize(Size, file.info.Width);
    if (MipLevels == D3DX_FROM_FILE)
        MipLevels = file.info.MipLevels;
    Format = fileLoadFormat(Format, file.info.Format, ColorKey);
    normaliseFilters(Filter, MipFilter);
    IDirect3DCubeTexture9* texture = nullptr;
    hr = D3DXCreateCubeTexture(pDevice, Size, MipLevels, Usage, Format, Pool, &texture);
    if (FAILED(hr))
        return hr;
    hr = fillCube(texture, file, ColorKey, Filter, MipFilter);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppCubeTexture = texture;
    return D3D_OK;
}

HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                  UINT Width, UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                  D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                  PALETTEENTRY* /*pPalette*/, IDirect3DVolumeTexture9** ppVolumeTexture)
{
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    *ppVolumeTexture = nullptr;
    const BYTE* data = static_cast<const BYTE*>(pSrcData);
    D3DXIMAGE_INFO info{};
    HRESULT hr = readInfo(data, SrcDataSize, info);
    if (SUCCEEDED(hr) && info.ResourceType == D3DRTYPE_CUBETEXTURE)
        hr = D3DXERR_INVALIDDATA;
    Slices slices;
    DdsFaces dds;
    const std::vector<RawLevel>* stored = nullptr;
    if (SUCCEEDED(hr) && info.ResourceType == D3DRTYPE_VOLUMETEXTURE) {
        hr = readDdsFaces(data, SrcDataSize, dds);
        if (SUCCEEDED(hr)) {
            info = dds.info;
            stored = &dds.faces[0];
            const RawLevel& top = dds.faces[0].front();
            for (UINT z = 0; z < top.depth; ++z) {
                slices.emplace_back();
                decodeLevel(info.Format, top.data + top.size * z, storedPitch(info.Format, top.width), top.width,
                            top.height, slices.back());
            }
        }
    } else if (SUCCEEDED(hr)) {
        DecodedImage image;
        hr = decode(data, SrcDataSize, image);
        if (SUCCEEDED(hr)) {
            info = image.info;
            info.Depth = 1;
            slices.push_back(std::move(image.top));
        }
    }
    if (FAILED(hr)) {
        Diagnostics::error("D3DX", "image data is not a readable volume or 2D image");
        return D3DXERR_INVALIDDATA;
    }
    if (ColorKey != 0)
        for (RgbaImage& slice : slices)
            applyColourKey(slice, ColorKey);
    if (pSrcInfo)
        *pSrcInfo = info;
    Width = fileLoadSize(Width, info.Width);
    Height = fileLoadSize(Height, info.Height);
    Depth = fileLoadSize(Depth, info.Depth);
    if (MipLevels == D3DX_FROM_FILE)
        MipLevels = info.MipLevels;
    Format = fileLoadFormat(Format, info.Format, ColorKey);
    normaliseFilters(Filter, MipFilter);
    IDirect3DVolumeTexture9* texture = nullptr;
    hr = D3DXCreateVolumeTexture(pDevice, Width, Height, Depth, MipLevels, Usage, Format, Pool, &texture);
    if (FAILED(hr))
        return hr;
    hr = fillVolume(texture, slices, stored, info.Format, ColorKey, Filter, MipFilter);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppVolumeTexture = texture;
    return D3D_OK;
}
