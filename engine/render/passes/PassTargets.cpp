#include "render/passes/PassTargets.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/logging/Logger.h"
#include "render/manager/RenderManager.h"

#include <algorithm>

namespace Ulvo {

bool PassTargetScope::begin(IDirect3DDevice9* device, IDirect3DSurface9* colour, IDirect3DSurface9* depth, UINT width,
                            UINT height)
{
    end();
    if (!device || !colour)
        return false;
    m_device = device;
    device->GetRenderTarget(0, &m_previousColour);
    device->GetDepthStencilSurface(&m_previousDepth);
    device->GetViewport(&m_previousViewport);
    device->SetRenderTarget(0, colour);
    device->SetDepthStencilSurface(depth);
    const D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
    device->SetViewport(&viewport);
    // Inside a scene already (a read-back during a frame), the caller's scene is the one drawn in.
    m_ownScene = SUCCEEDED(device->BeginScene());
    return true;
}

void PassTargetScope::clearWhite() const
{
    if (m_device)
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFFFFFFFF, 1.0f, 0);
}

void PassTargetScope::end()
{
    if (!m_device)
        return;
    if (m_ownScene)
        m_device->EndScene();
    m_ownScene = false;
    m_device->SetRenderTarget(0, m_previousColour);
    m_device->SetDepthStencilSurface(m_previousDepth);
    m_device->SetViewport(&m_previousViewport);
    if (m_previousColour)
        m_previousColour->Release();
    if (m_previousDepth)
        m_previousDepth->Release();
    m_previousColour = nullptr;
    m_previousDepth = nullptr;
    m_device = nullptr;
}

namespace PassTargets {

RenderTargetPool* poolOf(RenderManager* manager)
{
    return manager ? &manager->getTargetPool() : nullptr;
}

RenderTargetHandle colour(RenderManager* manager, const std::wstring& name, UINT width, UINT height, D3DFORMAT format)
{
    RenderTargetPool* pool = poolOf(manager);
    if (!pool || width == 0 || height == 0)
        return nullptr;
    return pool->acquire(RenderTargetKey{name, width, height, format, RenderTargetKind::Texture});
}

RenderTargetHandle depth(RenderManager* manager, UINT width, UINT height)
{
    RenderTargetPool* pool = poolOf(manager);
    if (!pool || width == 0 || height == 0)
        return nullptr;
    // With stencil: a pass may clear it (CLEAR STENCIL), and a clear of stencil on a buffer without
    // one fails whole, leaving colour and depth uncleared.
    return pool->acquire(
        RenderTargetKey{L"RenderPass.Depth", width, height, D3DFMT_D24S8, RenderTargetKind::DepthStencil});
}

bool made(const RenderTargetHandle& a, const RenderTargetHandle& b, const RenderTargetHandle& c,
          const RenderTargetHandle& d)
{
    if (!a || !a->isCreated())
        return false;
    for (const RenderTargetHandle* other : {&b, &c, &d}) {
        if (*other && !(*other)->isCreated())
            return false;
    }
    return true;
}

bool deviceCanMake()
{
    return D3DInterface::getInstance()->getDevice() != nullptr;
}

unsigned qualityFromWord(const std::wstring& word)
{
    if (word == L"HIGH")
        return 3;
    if (word == L"MEDIUM")
        return 2;
    if (word == L"NONE")
        return 0;
    return 1;
}

unsigned stepDown(unsigned quality)
{
    return quality >= 1 && quality <= 3 ? quality - 1 : quality;
}

unsigned powerOfTwoAtLeast(unsigned value)
{
    unsigned size = 1;
    while (size < value && size < 0x80000000u)
        size <<= 1;
    return size;
}

unsigned screenTextureSize(unsigned quality, const RECT& screen, const wchar_t* caller)
{
    if (quality == 0)
        return 0;
    unsigned largest =
        static_cast<unsigned>(std::max<LONG>(0, std::max(screen.right - screen.left, screen.bottom - screen.top)));
    if (largest == 0) {
        // A screen of no size (before the window exists) would give a texture of no size.
        mainLogger().log(50, LOG_TYPE_WARNING,
                         std::wstring(L" ") + caller + L": the screen has no size, targets are sized for 1024\n");
        largest = 1024;
    }
    unsigned size = largest;
    if (quality == 1)
        size = largest / 4;
    else if (quality == 2)
        size = largest / 2;
    return powerOfTwoAtLeast(std::max(1u, size));
}

unsigned screenTextureSize(unsigned quality, const wchar_t* caller)
{
    RECT screen{};
    D3DInterface::getInstance()->getScreenRect(&screen);
    return screenTextureSize(quality, screen, caller);
}

unsigned shadowMapSize(unsigned quality)
{
    switch (quality) {
    case 0:
        return 0;
    case 2:
        return 2048;
    case 3:
        return 4096;
    default:
        return 1024;
    }
}

D3DXPLANE clipPlane(const D3DXPLANE& plane, const D3DXMATRIX& inverseViewProjection)
{
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &inverseViewProjection);
    D3DXPLANE clip;
    D3DXPlaneTransform(&clip, &plane, &transposed);
    return clip;
}

void logFailed(const wchar_t* function, int line, const wchar_t* call)
{
    mainLogger().log(100, LOG_TYPE_ERROR,
                     std::wstring(L" ") + function + L" Line: " + std::to_wstring(line) + L" " + call + L" failed!\n");
}

} // namespace PassTargets

} // namespace Ulvo
