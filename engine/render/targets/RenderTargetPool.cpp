#include "render/targets/RenderTargetPool.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"

#include <algorithm>

namespace Ulvo {

namespace {

const wchar_t* kindName(RenderTargetKind kind)
{
    switch (kind) {
    case RenderTargetKind::Cube:
        return L"cube";
    case RenderTargetKind::DepthStencil:
        return L"depth-stencil";
    default:
        return L"texture";
    }
}

} // namespace

// ------------------------------------------------------------------ one target

IDirect3DBaseTexture9* RenderTarget::getBaseTexture() const
{
    if (m_texture)
        return m_texture;
    return m_cube;
}

HRESULT RenderTarget::create(IDirect3DDevice9* device)
{
    release();
    if (!device)
        return D3DERR_INVALIDCALL;
    HRESULT hr = D3D_OK;
    switch (m_key.kind) {
    case RenderTargetKind::Texture:
        hr = device->CreateTexture(m_key.width, m_key.height, 1, D3DUSAGE_RENDERTARGET, m_key.format, D3DPOOL_DEFAULT,
                                   &m_texture, nullptr);
        if (SUCCEEDED(hr))
            hr = m_texture->GetSurfaceLevel(0, &m_surfaces[0]);
        break;
    case RenderTargetKind::Cube:
        hr = device->CreateCubeTexture(m_key.width, 1, D3DUSAGE_RENDERTARGET, m_key.format, D3DPOOL_DEFAULT, &m_cube,
                                       nullptr);
        for (int face = 0; face < 6 && SUCCEEDED(hr); ++face)
            hr = m_cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0, &m_surfaces[face]);
        break;
    case RenderTargetKind::DepthStencil:
        hr = device->CreateDepthStencilSurface(m_key.width, m_key.height, m_key.format, D3DMULTISAMPLE_NONE, 0, TRUE,
                                               &m_surfaces[0], nullptr);
        break;
    }
    if (FAILED(hr) || !m_surfaces[0]) {
        release();
        return FAILED(hr) ? hr : D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

void RenderTarget::release()
{
    for (IDirect3DSurface9*& surface : m_surfaces)
        releaseAndNull(surface);
    releaseAndNull(m_texture);
    releaseAndNull(m_cube);
}

// ------------------------------------------------------------------ the pool

RenderTargetPool::RenderTargetPool() : m_d3d(D3DInterface::getInstance())
{
    followDevice();
    m_d3d->deviceCreated.connect(this, &RenderTargetPool::onResetDevice);
}

// Targets still held elsewhere release their objects with their last holder.
RenderTargetPool::~RenderTargetPool() = default;

RenderTargetHandle RenderTargetPool::make(const RenderTargetKey& key)
{
    auto target = std::make_shared<RenderTarget>(key);
    if (IDirect3DDevice9* device = m_d3d->getDevice()) {
        const HRESULT hr = target->create(device);
        if (FAILED(hr))
            mainLogger().log(100, LOG_TYPE_ERROR, L" Ulvo::RenderTargetPool: the ", kindName(key.kind), L" \"",
                             key.name, L"\" (", key.width, L"x", key.height, L", format ",
                             static_cast<unsigned>(key.format), L") could not be made, HRESULT ", static_cast<long>(hr),
                             L"\n");
    }
    return target;
}

void RenderTargetPool::prune() const
{
    std::erase_if(m_shared, [](const std::weak_ptr<RenderTarget>& target) { return target.expired(); });
}

RenderTargetHandle RenderTargetPool::acquire(const RenderTargetKey& key)
{
    prune();
    for (const std::weak_ptr<RenderTarget>& watched : m_shared) {
        RenderTargetHandle target = watched.lock();
        if (target && target->getKey() == key)
            return target;
    }
    RenderTargetHandle target = make(key);
    m_shared.push_back(target);
    return target;
}

RenderTargetHandle RenderTargetPool::acquireScratch(const RenderTargetKey& key)
{
    for (const RenderTargetHandle& spare : m_scratch) {
        if (spare.use_count() == 1 && spare->getKey() == key) {
            // Lost with the device while spare: made again now.
            if (!spare->isCreated() && m_d3d->getDevice())
                spare->create(m_d3d->getDevice());
            return spare;
        }
    }
    m_scratch.push_back(make(key));
    return m_scratch.back();
}

std::pair<RenderTargetHandle, RenderTargetHandle> RenderTargetPool::acquirePingPong(const RenderTargetKey& key)
{
    RenderTargetHandle first = acquireScratch(key);
    return {first, acquireScratch(key)};
}

RenderTargetHandle RenderTargetPool::find(const std::wstring& name) const
{
    for (const std::weak_ptr<RenderTarget>& watched : m_shared) {
        RenderTargetHandle target = watched.lock();
        if (target && target->getKey().name == name)
            return target;
    }
    return nullptr;
}

template <class Visit> void RenderTargetPool::forEachHeld(Visit visit) const
{
    for (const std::weak_ptr<RenderTarget>& watched : m_shared) {
        if (RenderTargetHandle target = watched.lock())
            visit(*target);
    }
    for (const RenderTargetHandle& target : m_scratch) {
        if (target.use_count() > 1)
            visit(*target);
    }
}

std::size_t RenderTargetPool::getTargetCount() const
{
    std::size_t count = 0;
    forEachHeld([&](const RenderTarget&) { ++count; });
    return count;
}

std::size_t RenderTargetPool::getCreatedCount() const
{
    std::size_t count = 0;
    forEachHeld([&](const RenderTarget& target) { count += target.isCreated() ? 1 : 0; });
    return count;
}

std::vector<RenderTargetHandle> RenderTargetPool::getTargets() const
{
    std::vector<RenderTargetHandle> targets;
    prune();
    for (const std::weak_ptr<RenderTarget>& watched : m_shared) {
        if (RenderTargetHandle target = watched.lock())
            targets.push_back(std::move(target));
    }
    for (const RenderTargetHandle& target : m_scratch) {
        if (target.use_count() > 1)
            targets.push_back(target);
    }
    return targets;
}

std::size_t RenderTargetPool::getSpareCount() const
{
    return static_cast<std::size_t>(std::count_if(
        m_scratch.begin(), m_scratch.end(), [](const RenderTargetHandle& target) { return target.use_count() == 1; }));
}

void RenderTargetPool::trim()
{
    std::erase_if(m_scratch, [](const RenderTargetHandle& target) { return target.use_count() == 1; });
}

void RenderTargetPool::trim(const std::wstring& name)
{
    std::erase_if(m_scratch, [&](const RenderTargetHandle& target) {
        return target.use_count() == 1 && target->getKey().name == name;
    });
}

void RenderTargetPool::onLostDevice()
{
    trim();
    prune();
    for (const std::weak_ptr<RenderTarget>& watched : m_shared) {
        if (RenderTargetHandle target = watched.lock())
            target->release();
    }
    for (const RenderTargetHandle& target : m_scratch)
        target->release();
}

void RenderTargetPool::onResetDevice()
{
    IDirect3DDevice9* device = m_d3d->getDevice();
    if (!device)
        return;
    for (const RenderTargetHandle& target : getTargets()) {
        const RenderTargetKey& key = target->getKey();
        if (target->isCreated())
            continue;
        const HRESULT hr = target->create(device);
        if (FAILED(hr))
            mainLogger().log(100, LOG_TYPE_ERROR, L" Ulvo::RenderTargetPool::onResetDevice: the ", kindName(key.kind),
                             L" \"", key.name, L"\" could not be made again, HRESULT ", static_cast<long>(hr), L"\n");
    }
}

} // namespace Ulvo
