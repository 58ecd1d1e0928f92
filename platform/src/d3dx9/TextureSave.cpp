// Saving surfaces and textures: PNG through the RGBA converters, DDS with the texels exactly as
// the surface holds them, every level and, for cube maps, every face. Surfaces that cannot be
// locked (render targets) are read through a system-memory copy.
#include "d3dx9/ImageData.h"

#include <crt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace D3DXImage;

namespace {

// The surface's texels without row padding (rows of blocks for DXT), as levelBytes lays them out.
HRESULT readSurfaceBytes(IDirect3DSurface9* surface, D3DSURFACE_DESC& desc, std::vector<uint8_t>& bytes)
{
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;
    if (!isConvertible(desc.Format))
        return D3DERR_INVALIDCALL;
    const size_t rowBytes = isCompressed(desc.Format)
                                ? size_t(texelBytes(desc.Format)) * std::max(1u, (desc.Width + 3) / 4)
                                : size_t(texelBytes(desc.Format)) * desc.Width;
    const UINT rows = isCompressed(desc.Format) ? std::max(1u, (desc.Height + 3) / 4) : desc.Height;
    auto copyRows = [&](IDirect3DSurface9* from) {
        D3DLOCKED_RECT locked{};
        const HRESULT result = from->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        if (FAILED(result))
            return result;
        bytes.resize(rowBytes * rows);
        for (UINT row = 0; row < rows; ++row)
            std::memcpy(&bytes[row * rowBytes], static_cast<const BYTE*>(locked.pBits) + ptrdiff_t(row) * locked.Pitch,
                        rowBytes);
        from->UnlockRect();
        return D3D_OK;
    };
    if (SUCCEEDED(copyRows(surface)))
        return D3D_OK;
    IDirect3DDevice9* device = nullptr;
    surface->GetDevice(&device);
    if (!device)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9* copy = nullptr;
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    if (SUCCEEDED(hr))
        hr = device->GetRenderTargetData(surface, copy);
    if (SUCCEEDED(hr))
        hr = copyRows(copy);
    if (copy)
        copy->Release();
    device->Release();
    return hr;
}

HRESULT readSurface(IDirect3DSurface9* surface, RgbaImage& image)
{
    D3DSURFACE_DESC desc{};
    std::vector<uint8_t> bytes;
    const HRESULT hr = readSurfaceBytes(surface, desc, bytes);
    if (FAILED(hr))
        return hr;
    // Rows of texels, or of 4x4 blocks for DXT.
    const UINT rows = isCompressed(desc.Format) ? std::max(1u, (desc.Height + 3) / 4) : desc.Height;
    decodeLevel(desc.Format, bytes.data(), INT(bytes.size() / rows), desc.Width, desc.Height, image);
    return D3D_OK;
}

HRESULT writeFile(LPCWSTR path, const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return E_FAIL;
    FILE* file = _wfopen(path, L"wb");
    if (!file)
        return D3DERR_INVALIDCALL;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? D3D_OK : E_FAIL;
}

// A texture's levels (and faces) read one surface at a time and written as one DDS file.
class DdsCollector {
public:
    HRESULT add(UINT face, IDirect3DSurface9* surface)
    {
        if (!surface)
            return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC desc{};
        m_storage.emplace_back();
        const HRESULT hr = readSurfaceBytes(surface, desc, m_storage.back());
        surface->Release();
        if (FAILED(hr))
            return hr;
        m_faces.faces[face].push_back({nullptr, m_storage.back().size(), desc.Width, desc.Height, 1});
        if (m_faces.faces[face].size() == 1 && face == 0) {
            m_faces.info.Width = desc.Width;
            m_faces.info.Height = desc.Height;
            m_faces.info.Format = desc.Format;
        }
        return D3D_OK;
    }
    std::vector<uint8_t> encode(D3DRESOURCETYPE type, UINT levels)
    {
        // The storage no longer moves: the levels can point into it now.
        size_t next = 0;
        for (std::vector<RawLevel>& face : m_faces.faces)
            for (RawLevel& level : face)
                level.data = m_storage[next++].data();
        m_faces.info.Depth = 1;
        m_faces.info.MipLevels = levels;
        m_faces.info.ResourceType = type;
        m_faces.info.ImageFileFormat = D3DXIFF_DDS;
        return encodeDds(m_faces);
    }

private:
    DdsFaces m_faces;
    std::vector<std::vector<uint8_t>> m_storage; // in the order the faces list their levels
};

HRESULT saveTextureDds(LPCWSTR path, IDirect3DBaseTexture9* texture)
{
    const UINT levels = texture->GetLevelCount();
    DdsCollector collector;
    HRESULT hr = D3D_OK;
    if (texture->GetType() == D3DRTYPE_TEXTURE) {
        auto* flat = static_cast<IDirect3DTexture9*>(texture);
        for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
            IDirect3DSurface9* surface = nullptr;
            hr = flat->GetSurfaceLevel(level, &surface);
            if (SUCCEEDED(hr))
                hr = collector.add(0, surface);
        }
    } else if (texture->GetType() == D3DRTYPE_CUBETEXTURE) {
        auto* cube = static_cast<IDirect3DCubeTexture9*>(texture);
        for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face)
            for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
                IDirect3DSurface9* surface = nullptr;
                hr = cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, &surface);
                if (SUCCEEDED(hr))
                    hr = collector.add(face, surface);
            }
    } else {
        return D3DERR_INVALIDCALL;
    }
    if (FAILED(hr))
        return hr;
    const std::vector<uint8_t> file = collector.encode(texture->GetType(), levels);
    return file.empty() ? D3DERR_INVALIDCALL : writeFile(path, file);
}

bool rectInside(const RECT& r, UINT width, UINT height)
{
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && UINT(r.right) <= width &&
           UINT(r.bottom) <= height;
}

HRESULT saveSurfaceDds(LPCWSTR path, IDirect3DSurface9* surface, const RECT* rect)
{
    D3DSURFACE_DESC desc{};
    std::vector<uint8_t> bytes;
    HRESULT hr = readSurfaceBytes(surface, desc, bytes);
    if (FAILED(hr))
        return hr;
    if (rect) {
        // Block formats are cut at whole blocks only.
        const UINT align = isCompressed(desc.Format) ? 4 : 1;
        if (!rectInside(*rect, desc.Width, desc.Height) || rect->left % align || rect->top % align ||
            (rect->right - rect->left) % align || (rect->bottom - rect->top) % align)
            return D3DERR_INVALIDCALL;
        const UINT unitBytes = texelBytes(desc.Format);
        const size_t rowBytes = bytes.size() / std::max(1u, (desc.Height + align - 1) / align);
        const UINT width = UINT(rect->right - rect->left), height = UINT(rect->bottom - rect->top);
        std::vector<uint8_t> part;
        for (UINT row = UINT(rect->top) / align; row < UINT(rect->bottom) / align; ++row) {
            const uint8_t* from = &bytes[row * rowBytes + size_t(rect->left / align) * unitBytes];
            part.insert(part.end(), from, from + size_t(width / align) * unitBytes);
        }
        bytes = std::move(part);
        desc.Width = width;
        desc.Height = height;
    }
    DdsFaces faces;
    faces.info = {desc.Width, desc.Height, 1, 1, desc.Format, D3DRTYPE_TEXTURE, D3DXIFF_DDS};
    faces.faces[0].push_back({bytes.data(), bytes.size(), desc.Width, desc.Height, 1});
    const std::vector<uint8_t> file = encodeDds(faces);
    return file.empty() ? D3DERR_INVALIDCALL : writeFile(path, file);
}

HRESULT saveSurfacePng(LPCWSTR path, IDirect3DSurface9* surface, const RECT* rect)
{
    RgbaImage image;
    HRESULT hr = readSurface(surface, image);
    if (FAILED(hr))
        return hr;
    if (rect) {
        // The rectangle must lie inside the surface and hold at least one texel.
        if (!rectInside(*rect, image.width, image.height))
            return D3DERR_INVALIDCALL;
        RgbaImage part;
        part.width = UINT(rect->right - rect->left);
        part.height = UINT(rect->bottom - rect->top);
        part.texels.resize(size_t(part.width) * part.height * 4);
        for (UINT y = 0; y < part.height; ++y)
            std::memcpy(&part.texels[size_t(y) * part.width * 4],
                        &image.texels[((size_t(y) + rect->top) * image.width + rect->left) * 4],
                        size_t(part.width) * 4);
        image = std::move(part);
    }
    return writeFile(path, encodePng(image));
}

} // namespace

HRESULT D3DXSaveSurfaceToFileW(LPCWSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat, IDirect3DSurface9* pSrcSurface,
                               const PALETTEENTRY* /*pSrcPalette*/, const RECT* pSrcRect)
{
    if (!pDestFile || !pSrcSurface)
        return D3DERR_INVALIDCALL;
    if (DestFormat == D3DXIFF_PNG)
        return saveSurfacePng(pDestFile, pSrcSurface, pSrcRect);
    if (DestFormat == D3DXIFF_DDS)
        return saveSurfaceDds(pDestFile, pSrcSurface, pSrcRect);
    return D3DERR_INVALIDCALL;
}

HRESULT D3DXSaveTextureToFileW(LPCWSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat, IDirect3DBaseTexture9* pSrcTexture,
                               const PALETTEENTRY* pSrcPalette)
{
    if (!pDestFile || !pSrcTexture)
        return D3DERR_INVALIDCALL;
    if (DestFormat == D3DXIFF_DDS)
        return saveTextureDds(pDestFile, pSrcTexture);
    if (DestFormat != D3DXIFF_PNG || pSrcTexture->GetType() != D3DRTYPE_TEXTURE)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = static_cast<IDirect3DTexture9*>(pSrcTexture)->GetSurfaceLevel(0, &surface);
    if (FAILED(hr))
        return hr;
    hr = D3DXSaveSurfaceToFileW(pDestFile, DestFormat, surface, pSrcPalette, nullptr);
    surface->Release();
    return hr;
}
