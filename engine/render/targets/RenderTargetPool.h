#pragma once
// The render manager's pool of render targets. Every default-pool target a pass or renderer draws
// into comes from here (or from a RenderToTexture of the graphics layer): colour textures, cube
// maps and depth-stencil surfaces, each described by a key of name, size, format and kind.
//
// Ownership: a target lives as long as someone holds its handle (a shared pointer). The pool only
// watches the targets it made, so it can release every one of them before a device reset and make
// each again after it, as one DeviceResource; holders keep their handles across the reset and just
// find new Direct3D objects behind them (the content is gone: whoever stored something in a target
// draws it again). A target made while there is no device is made at the next reset.
//
// Three ways to ask:
// - acquire(key): the target of that key, shared by everyone asking with the same key. A name
//   says what the target is for ("Forward", "PostEffect.Source"), so one pass can find another's
//   target by name (find) and two renderers with the same needs must use names of their own.
// - acquireScratch(key): a target of that key that no one else holds now. Released scratch
//   targets stay in the pool for the next request of the same key, so a renderer asking for its
//   R32F shadow targets every frame reuses the same few, and same-size scratch targets of a chain
//   never need more than are held at once.
// - acquirePingPong(key): two scratch targets of one key to draw back and forth between.
// The pool must never hand out a target it cannot make right now as "created": callers check
// isCreated() (or the null pointers) before drawing into it.
#include <d3d9.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Ulvo {

class D3DInterface;

enum class RenderTargetKind { Texture, Cube, DepthStencil };

struct RenderTargetKey {
    std::wstring name;
    // A cube's edge is the width.
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    RenderTargetKind kind = RenderTargetKind::Texture;

    bool operator==(const RenderTargetKey& other) const = default;
};

class RenderTarget {
public:
    explicit RenderTarget(const RenderTargetKey& key) : m_key(key) {}
    ~RenderTarget() { release(); }
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    const RenderTargetKey& getKey() const { return m_key; }
    bool isCreated() const { return m_surfaces[0] != nullptr; }
    // Null for other kinds or while not made.
    IDirect3DTexture9* getTexture() const { return m_texture; }
    IDirect3DCubeTexture9* getCubeTexture() const { return m_cube; }
    // Level 0 of the texture, a face of the cube, or the depth-stencil surface.
    IDirect3DSurface9* getSurface(unsigned face = 0) const { return face < 6 ? m_surfaces[face] : nullptr; }
    // The texture for effects to sample: the 2D texture or the cube.
    IDirect3DBaseTexture9* getBaseTexture() const;

    // Makes the Direct3D objects; on failure nothing half-made stays behind (a default-pool
    // object left over would block the next reset) and the failed call is returned.
    HRESULT create(IDirect3DDevice9* device);
    void release();

private:
    RenderTargetKey m_key;
    IDirect3DTexture9* m_texture = nullptr;
    IDirect3DCubeTexture9* m_cube = nullptr;
    IDirect3DSurface9* m_surfaces[6] = {};
};

using RenderTargetHandle = std::shared_ptr<RenderTarget>;

class RenderTargetPool : public sigslot::has_slots<>, public DeviceResource {
public:
    RenderTargetPool();
    ~RenderTargetPool() override;
    RenderTargetPool(const RenderTargetPool&) = delete;
    RenderTargetPool& operator=(const RenderTargetPool&) = delete;

    RenderTargetHandle acquire(const RenderTargetKey& key);
    RenderTargetHandle acquireScratch(const RenderTargetKey& key);
    std::pair<RenderTargetHandle, RenderTargetHandle> acquirePingPong(const RenderTargetKey& key);
    // The shared target of that name someone holds now; null when none.
    RenderTargetHandle find(const std::wstring& name) const;

    // Targets someone holds, and how many of those have their Direct3D objects now.
    std::size_t getTargetCount() const;
    std::size_t getCreatedCount() const;
    // Every held target, for tests and listings.
    std::vector<RenderTargetHandle> getTargets() const;
    // Scratch targets kept for reuse that nobody holds now.
    std::size_t getSpareCount() const;
    // Drops the spare scratch targets (of that name only: a renderer changing the size or format
    // of its scratch targets drops the old ones).
    void trim();
    void trim(const std::wstring& name);

    void onLostDevice() override;
    // Also when the device is first made: targets asked for before it are made then.
    void onResetDevice() override;

private:
    // Forgets shared targets whose holders are all gone.
    void prune() const;
    RenderTargetHandle make(const RenderTargetKey& key);
    // The held targets: shared ones alive, scratch ones someone besides the pool holds.
    template <class Visit> void forEachHeld(Visit visit) const;

    D3DInterface* m_d3d;
    mutable std::vector<std::weak_ptr<RenderTarget>> m_shared;
    // Held by the pool too, so that released ones stay for reuse.
    std::vector<RenderTargetHandle> m_scratch;
};

} // namespace Ulvo
