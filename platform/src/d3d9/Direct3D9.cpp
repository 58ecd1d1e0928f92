// The Direct3D object: one adapter standing for SDL's display 0 and the GL driver.
#include "d3d9/Direct3D9.h"

#include "d3d9/Device.h"
#include "d3d9/Formats.h"
#include "window/WindowInternal.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace D3D9Internal {

namespace {

// Sizes offered besides the desktop's own mode when SDL lists no more than one (a display with
// a single mode, or its offscreen driver), so mode choice has something to choose from; only
// those that fit inside the desktop.
const struct {
    UINT width, height;
} kCommonModes[] = {{640, 480},   {800, 600},  {1024, 768}, {1152, 864}, {1280, 720},  {1280, 800},  {1280, 960},
                    {1280, 1024}, {1366, 768}, {1440, 900}, {1600, 900}, {1600, 1200}, {1680, 1050}, {1920, 1080}};

D3DFORMAT formatForBits(int bits)
{
    return bits > 16 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
}

// Display modes of a format: SDL's modes, 32-bit ones also offered in R5G6B5 (as Windows
// offers 16-bit modes on 32-bit displays). Full screen keeps the desktop's mode and scales the
// picture, so modes larger than the desktop are left out: the largest is the desktop's own.
std::vector<D3DDISPLAYMODE> modesFor(D3DFORMAT format)
{
    std::vector<D3DDISPLAYMODE> modes;
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_R5G6B5)
        return modes;
    const D3DDISPLAYMODE desktop = desktopMode();
    int count = Win32Internal::ensureVideo() ? SDL_GetNumDisplayModes(0) : 0;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
            continue;
        int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        if (format == D3DFMT_X8R8G8B8 && bits <= 16)
            continue;
        if (static_cast<UINT>(mode.w) > desktop.Width || static_cast<UINT>(mode.h) > desktop.Height)
            continue;
        UINT refresh = mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : 60;
        modes.push_back(D3DDISPLAYMODE{static_cast<UINT>(mode.w), static_cast<UINT>(mode.h), refresh, format});
    }
    if (modes.size() <= 1) {
        if (modes.empty())
            modes.push_back(D3DDISPLAYMODE{desktop.Width, desktop.Height, desktop.RefreshRate, format});
        for (const auto& m : kCommonModes) {
            if (m.width <= desktop.Width && m.height <= desktop.Height)
                modes.push_back(D3DDISPLAYMODE{m.width, m.height, 60, format});
        }
    }
    std::sort(modes.begin(), modes.end(), [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
        if (a.Width != b.Width)
            return a.Width < b.Width;
        if (a.Height != b.Height)
            return a.Height < b.Height;
        return a.RefreshRate < b.RefreshRate;
    });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
                                return a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate;
                            }),
                modes.end());
    return modes;
}

} // namespace

D3DDISPLAYMODE desktopMode()
{
    SDL_DisplayMode mode;
    if (Win32Internal::ensureVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        return D3DDISPLAYMODE{static_cast<UINT>(mode.w), static_cast<UINT>(mode.h),
                              mode.refresh_rate > 0 ? static_cast<UINT>(mode.refresh_rate) : 60,
                              formatForBits(bits > 0 ? bits : 32)};
    }
    return D3DDISPLAYMODE{Win32Internal::kFallbackDesktopWidth, Win32Internal::kFallbackDesktopHeight, 60,
                          D3DFMT_X8R8G8B8};
}

bool formatSupported(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    if (type == D3DRTYPE_VERTEXBUFFER)
        return format == D3DFMT_VERTEXDATA;
    if (type == D3DRTYPE_INDEXBUFFER)
        return isIndexFormat(format);
    const FormatInfo* info = formatInfo(format);
    if (!info)
        return false;
    if (usage & D3DUSAGE_RENDERTARGET) {
        if (!info->renderTarget || type == D3DRTYPE_VOLUMETEXTURE)
            return false;
    }
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        if (!info->depth || type == D3DRTYPE_VOLUMETEXTURE || type == D3DRTYPE_CUBETEXTURE)
            return false;
    } else if (info->depth) {
        return false;
    }
    if ((usage & (D3DUSAGE_QUERY_SRGBREAD | D3DUSAGE_QUERY_SRGBWRITE)) && info->floatingPoint)
        return false;
    if ((usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING) && !info->renderTarget)
        return false;
    return true;
}

void fillCaps(D3DCAPS9& caps)
{
    std::memset(&caps, 0, sizeof caps);
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = 0;
    caps.Caps2 = D3DCAPS2_CANAUTOGENMIPMAP | D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANMANAGERESOURCE;
    caps.Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD | D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps.CursorCaps = D3DCURSORCAPS_COLOR;
    caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                   D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                   D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_TEXTURENONLOCALVIDMEM |
                   D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                   D3DDEVCAPS_CANBLTSYSTONONLOCAL | D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_PUREDEVICE;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                             D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_TSSARGTEMP |
                             D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_INDEPENDENTWRITEMASKS |
                             D3DPMISCCAPS_SEPARATEALPHABLEND | D3DPMISCCAPS_MRTINDEPENDENTBITDEPTHS |
                             D3DPMISCCAPS_MRTPOSTPIXELSHADERBLENDING;
    caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS |
                      D3DPRASTERCAPS_ANISOTROPY | D3DPRASTERCAPS_COLORPERSPECTIVE | D3DPRASTERCAPS_SCISSORTEST |
                      D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS | D3DPRASTERCAPS_DEPTHBIAS;
    caps.ZCmpCaps = caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x3FFF;
    caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                       D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPMAP |
                       D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP;
    DWORD filters = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MINFANISOTROPIC |
                    D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                    D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    caps.TextureFilterCaps = caps.CubeTextureFilterCaps = caps.VolumeTextureFilterCaps = filters;
    DWORD address = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                    D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    caps.TextureAddressCaps = caps.VolumeTextureAddressCaps = address;
    caps.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    caps.MaxTextureWidth = caps.MaxTextureHeight = 8192;
    caps.MaxVolumeExtent = 2048;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 8192;
    caps.MaxAnisotropy = 16;
    caps.MaxVertexW = 1e10f;
    caps.GuardBandLeft = caps.GuardBandTop = -32768.0f;
    caps.GuardBandRight = caps.GuardBandBottom = 32768.0f;
    caps.StencilCaps = 0x1FF;
    caps.FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS | D3DFVFCAPS_PSIZE;
    caps.TextureOpCaps = 0x03FFFFFF;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                                D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    caps.MaxActiveLights = kMaxLights;
    caps.MaxUserClipPlanes = kClipPlaneCount;
    caps.MaxVertexBlendMatrices = 4;
    caps.MaxPointSize = 256.0f;
    caps.MaxPrimitiveCount = 0xFFFFFF;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = kStreamCount;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.MaxVertexShaderConst = kVSConstF;
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.PixelShader1xMaxValue = 65504.0f;
    caps.DevCaps2 = D3DDEVCAPS2_STREAMOFFSET | D3DDEVCAPS2_CAN_STRETCHRECT_FROM_TEXTURES |
                    D3DDEVCAPS2_VERTEXELEMENTSCANSHARESTREAMOFFSET;
    caps.NumberOfAdaptersInGroup = 1;
    caps.DeclTypes = 0x3FF;
    caps.NumSimultaneousRTs = kMaxRenderTargets;
    caps.StretchRectFilterCaps =
        D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.VS20Caps = D3DVSHADERCAPS2_0{D3DVS20CAPS_PREDICATION, 24, 32, 4};
    caps.PS20Caps = D3DPSHADERCAPS2_0{0x1F, 24, 32, 4, 512};
    caps.VertexTextureFilterCaps =
        D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.MaxVShaderInstructionsExecuted = 65535;
    caps.MaxPShaderInstructionsExecuted = 65535;
    caps.MaxVertexShader30InstructionSlots = 32768;
    caps.MaxPixelShader30InstructionSlots = 32768;
}

UINT Direct3D9::GetAdapterCount()
{
    return 1;
}

HRESULT Direct3D9::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER9* pIdentifier)
{
    if (Adapter != 0 || !pIdentifier)
        return D3DERR_INVALIDCALL;
    std::memset(pIdentifier, 0, sizeof *pIdentifier);
    std::snprintf(pIdentifier->Driver, sizeof pIdentifier->Driver, "opengl");
    std::snprintf(pIdentifier->Description, sizeof pIdentifier->Description, "OpenGL 3.3 core adapter");
    std::snprintf(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName, "\\\\.\\DISPLAY1");
    pIdentifier->DriverVersion.QuadPart = (9LL << 48) | (0LL << 32) | 1;
    pIdentifier->DeviceIdentifier = GUID{0x6f70656e, 0x676c, 0x0033, {0, 0, 0, 0, 0, 0, 0, 1}};
    pIdentifier->WHQLLevel = 1;
    return D3D_OK;
}

UINT Direct3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format)
{
    if (Adapter != 0)
        return 0;
    return static_cast<UINT>(modesFor(Format).size());
}

HRESULT Direct3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    std::vector<D3DDISPLAYMODE> modes = modesFor(Format);
    if (modes.empty())
        return D3DERR_NOTAVAILABLE;
    if (Mode >= modes.size())
        return D3DERR_INVALIDCALL;
    *pMode = modes[Mode];
    return D3D_OK;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    *pMode = desktopMode();
    return D3D_OK;
}

HRESULT Direct3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT BackBufferFormat, BOOL bWindowed)
{
    if (Adapter != 0)
        return D3DERR_INVALIDCALL;
    if (DevType != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    if (!isDisplayFormat(AdapterFormat) || (AdapterFormat == D3DFMT_A2R10G10B10 && bWindowed))
        return D3DERR_NOTAVAILABLE;
    if (BackBufferFormat == D3DFMT_UNKNOWN)
        return bWindowed ? D3D_OK : D3DERR_INVALIDCALL;
    return isBackBufferFormat(BackBufferFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                     D3DRESOURCETYPE RType, D3DFORMAT CheckFormat)
{
    if (Adapter != 0)
        return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    return formatSupported(Usage, RType, CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL,
                                              D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels)
{
    if (Adapter != 0)
        return D3DERR_INVALIDCALL;
    if (pQualityLevels)
        *pQualityLevels = 0;
    if (DeviceType != D3DDEVTYPE_HAL || !formatInfo(SurfaceFormat))
        return D3DERR_NOTAVAILABLE;
    // Render targets are single-sampled here.
    if (MultiSampleType != D3DMULTISAMPLE_NONE)
        return D3DERR_NOTAVAILABLE;
    if (pQualityLevels)
        *pQualityLevels = 1;
    return D3D_OK;
}

HRESULT Direct3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                          D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat)
{
    if (Adapter != 0)
        return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !isDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    const FormatInfo* target = formatInfo(RenderTargetFormat);
    const FormatInfo* depth = formatInfo(DepthStencilFormat);
    if (!target || !target->renderTarget || !depth || !depth->depth)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D9::CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SourceFormat,
                                               D3DFORMAT TargetFormat)
{
    if (Adapter != 0)
        return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    const FormatInfo* source = formatInfo(SourceFormat);
    const FormatInfo* target = formatInfo(TargetFormat);
    if (!source || !target || source->depth || target->depth || !target->renderTarget)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps)
{
    if (Adapter != 0 || !pCaps)
        return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL)
        return D3DERR_NOTAVAILABLE;
    fillCaps(*pCaps);
    return D3D_OK;
}

HMONITOR Direct3D9::GetAdapterMonitor(UINT Adapter)
{
    if (Adapter != 0)
        return nullptr;
    return Win32Internal::monitorForDisplay(0);
}

HRESULT Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                D3DPRESENT_PARAMETERS* pPresentationParameters,
                                IDirect3DDevice9** ppReturnedDeviceInterface)
{
    if (!ppReturnedDeviceInterface)
        return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    Device* device = nullptr;
    HRESULT hr =
        Device::create(this, Adapter, DeviceType, hFocusWindow, BehaviorFlags, pPresentationParameters, &device);
    if (SUCCEEDED(hr))
        *ppReturnedDeviceInterface = device;
    return hr;
}

} // namespace D3D9Internal

IDirect3D9* Direct3DCreate9(UINT SDKVersion)
{
    if (SDKVersion != D3D_SDK_VERSION) {
        Diagnostics::error("Direct3DCreate9", "SDK version %u is not %u", SDKVersion, D3D_SDK_VERSION);
        return nullptr;
    }
    if (!Win32Internal::ensureVideo())
        return nullptr;
    return new D3D9Internal::Direct3D9();
}
