#pragma once
// D3DX 9 textures and image files: creation with D3DX's size, level and format rules, loading
// from PNG, JPEG, BMP, TGA and DDS held in memory, and saving as PNG or DDS.
#include <d3d9.h>

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DX_FILTER_DITHER_DIFFUSION (2 << 19)
#define D3DX_FILTER_SRGB_IN (1 << 21)
#define D3DX_FILTER_SRGB_OUT (2 << 21)
#define D3DX_FILTER_SRGB (3 << 21)
// Bits 26..30 of a mip filter skip that many top levels of the file's chain.
#define D3DX_SKIP_DDS_MIP_LEVELS(levels, filter) ((((levels)&0x1F) << 26) | (filter))

// A file that is not an image of a supported kind, or is truncated.
#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

#ifndef ULVO_PALETTEENTRY_DEFINED
#define ULVO_PALETTEENTRY_DEFINED
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;
#endif

// Width, Height and MipLevels 0 or D3DX_DEFAULT mean "as large as allowed": sizes are rounded up
// to powers of two and the level count is the full chain. A format the device cannot sample is
// replaced by the nearest one that it can.
HRESULT D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture);
HRESULT D3DXCreateCubeTexture(IDirect3DDevice9* pDevice, UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture);
HRESULT D3DXCreateVolumeTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT Depth, UINT MipLevels,
                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DVolumeTexture9** ppVolumeTexture);

// PNG, JPEG, BMP and TGA (through stb_image) and DDS (2D, DXT1-5, 16- and 32-bit floats and
// uncompressed). A texel equal to ColorKey (compared as A8R8G8B8, so opaque keys need alpha 0xFF)
// becomes transparent black; with D3DFMT_UNKNOWN and a key, a file format without alpha becomes
// A8R8G8B8. Formats that the converters do not write (16-bit integer channels, palettes) become
// A8R8G8B8 or X8R8G8B8. Levels in the file's own format are copied bit for bit; levels rebuilt
// from the file (resized, filtered, converted) pass through 8 bits per channel, so float values
// clamp to 0..1 there.
// A cube or volume DDS gives its first face or slice. Dithering and sRGB filter flags and
// D3DX_SKIP_DDS_MIP_LEVELS are ignored. pPalette is never written.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette, IDirect3DTexture9** ppTexture);
// Cube maps from DDS cube files only (other images fail with D3DXERR_INVALIDDATA); a face the
// file leaves out is transparent black. Volumes from DDS volume files, or from any 2D image as
// a volume one slice deep (a cube file fails with D3DXERR_INVALIDDATA). Sizes, formats, filters
// and colour keys follow the 2D rules above; Depth follows Width's.
HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                IDirect3DCubeTexture9** ppCubeTexture);
HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                  UINT Width, UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                  D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                  IDirect3DVolumeTexture9** ppVolumeTexture);
HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo);

// D3DXIFF_PNG and D3DXIFF_DDS are written; every other file format fails with D3DERR_INVALIDCALL.
// PNG: level 0 of a 2D texture (cube and volume textures fail). DDS: the texels as stored, every
// level of a 2D or cube texture (volumes fail), in any format the DDS reader takes; a surface
// rectangle of a DXT format must lie on whole blocks. Render targets are read back first.
HRESULT D3DXSaveTextureToFileW(LPCWSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat, IDirect3DBaseTexture9* pSrcTexture,
                               const PALETTEENTRY* pSrcPalette);
HRESULT D3DXSaveSurfaceToFileW(LPCWSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat, IDirect3DSurface9* pSrcSurface,
                               const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect);
