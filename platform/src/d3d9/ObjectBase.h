#pragma once
// Reference counting and device bookkeeping shared by every object a device creates.
//
// Public references (AddRef/Release) belong to the program; the device keeps its own binding
// references for what is set on it (textures, streams, targets, shaders), so an object released
// by the program lives on while bound and dies when unbound. Reset counts only public
// references. When the device goes away first, its objects are detached: they drop their GL
// names and keep working as empty shells until released.
#include <d3d9.h>

#include "common/ComObject.h"

#include <cstdint>
#include <vector>

namespace D3D9Internal {

class Device;

class ObjectBase {
public:
    // `owner` non-null: a sub-object (texture level, cube face) whose counts are the owner's.
    ObjectBase(Device* device, D3DPOOL pool, ObjectBase* owner = nullptr, bool implicit = false);
    virtual ~ObjectBase();
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;

    ULONG addRef();
    ULONG release();
    void bindRef();
    void unbindRef();

    Device* device() const { return m_device; }
    D3DPOOL pool() const { return m_pool; }
    ULONG publicRefs() const { return m_owner ? m_owner->m_refs : m_refs; }
    bool isImplicit() const { return m_implicit; }
    // Holds Reset back: a live default-pool object or an implicit surface the program holds.
    bool blocksReset() const;
    // The device is going away: delete GL names (the context is still current) and forget it.
    void detach();

    HRESULT setPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags);
    HRESULT getPrivateData(REFGUID guid, void* data, DWORD* size);
    HRESULT freePrivateData(REFGUID guid);
    DWORD setPriority(DWORD priority);
    DWORD priority() const { return m_priority; }
    HRESULT getDevice(IDirect3DDevice9** device);

protected:
    virtual void releaseGL() {}
    // Sub-objects (levels, their images) forget the device too.
    virtual void detachChildren() {}

    Device* m_device;
    D3DPOOL m_pool;

private:
    struct PrivateData {
        GUID guid;
        std::vector<uint8_t> bytes;
        IUnknown* object = nullptr;
    };
    void destroyIfUnused();

    ObjectBase* m_owner;
    bool m_implicit;
    ULONG m_refs;
    ULONG m_bindRefs = 0;
    DWORD m_priority = 0;
    std::vector<PrivateData> m_private;
};

// The IUnknown and IDirect3DResource9 boilerplate for a class deriving from ObjectBase and a
// COM interface. Their counts are ObjectBase's, not ComObject's: a texture level counts for its
// texture, and what the device has bound keeps an object alive past its last public reference.
#define ULVO_D3D_UNKNOWN_METHODS                                                                                       \
    ULONG AddRef() override                                                                                            \
    {                                                                                                                  \
        return addRef();                                                                                               \
    }                                                                                                                  \
    ULONG Release() override                                                                                           \
    {                                                                                                                  \
        return release();                                                                                              \
    }                                                                                                                  \
    HRESULT QueryInterface(REFIID riid, void** object) override                                                        \
    {                                                                                                                  \
        return PlatformInternal::answerQuery(this, hasInterface(riid) ? this : nullptr, object);                       \
    }

#define ULVO_D3D_RESOURCE_METHODS                                                                                      \
    ULVO_D3D_UNKNOWN_METHODS                                                                                           \
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override                                                            \
    {                                                                                                                  \
        return getDevice(ppDevice);                                                                                    \
    }                                                                                                                  \
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override                                        \
    {                                                                                                                  \
        return setPrivateData(g, d, s, f);                                                                             \
    }                                                                                                                  \
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override                                                      \
    {                                                                                                                  \
        return getPrivateData(g, d, s);                                                                                \
    }                                                                                                                  \
    HRESULT FreePrivateData(REFGUID g) override                                                                        \
    {                                                                                                                  \
        return freePrivateData(g);                                                                                     \
    }                                                                                                                  \
    DWORD SetPriority(DWORD p) override                                                                                \
    {                                                                                                                  \
        return setPriority(p);                                                                                         \
    }                                                                                                                  \
    DWORD GetPriority() override                                                                                       \
    {                                                                                                                  \
        return priority();                                                                                             \
    }                                                                                                                  \
    void PreLoad() override {}

} // namespace D3D9Internal
