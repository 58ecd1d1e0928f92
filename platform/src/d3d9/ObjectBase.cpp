// Reference counts, device registration and private data of device objects.
#include "d3d9/ObjectBase.h"

#include "d3d9/Device.h"

#include <cstring>

namespace D3D9Internal {

ObjectBase::ObjectBase(Device* device, D3DPOOL pool, ObjectBase* owner, bool implicit)
    : m_device(device), m_pool(pool), m_owner(owner), m_implicit(implicit), m_refs(implicit ? 0 : 1)
{
    if (m_device && !m_owner)
        m_device->registerObject(this);
}

ObjectBase::~ObjectBase()
{
    for (PrivateData& data : m_private) {
        if (data.object)
            data.object->Release();
    }
    if (m_device && !m_owner)
        m_device->unregisterObject(this);
}

ULONG ObjectBase::addRef()
{
    if (m_owner)
        return m_owner->addRef();
    return ++m_refs;
}

ULONG ObjectBase::release()
{
    if (m_owner)
        return m_owner->release();
    if (m_refs == 0)
        return 0;
    ULONG left = --m_refs;
    if (left == 0)
        destroyIfUnused();
    return left;
}

void ObjectBase::bindRef()
{
    if (m_owner) {
        m_owner->bindRef();
        return;
    }
    ++m_bindRefs;
}

void ObjectBase::unbindRef()
{
    if (m_owner) {
        m_owner->unbindRef();
        return;
    }
    if (m_bindRefs == 0)
        return;
    if (--m_bindRefs == 0)
        destroyIfUnused();
}

void ObjectBase::destroyIfUnused()
{
    if (m_refs == 0 && m_bindRefs == 0 && !m_implicit)
        delete this;
}

bool ObjectBase::blocksReset() const
{
    if (m_owner)
        return false;
    if (m_implicit)
        return m_refs > 0;
    return m_pool == D3DPOOL_DEFAULT && m_refs > 0;
}

void ObjectBase::detach()
{
    releaseGL();
    detachChildren();
    m_device = nullptr;
    // Without its device an implicit surface is an ordinary object its holders release.
    m_implicit = false;
}

HRESULT ObjectBase::getDevice(IDirect3DDevice9** device)
{
    if (!device)
        return D3DERR_INVALIDCALL;
    *device = m_device;
    if (!m_device)
        return D3DERR_INVALIDCALL;
    m_device->AddRef();
    return D3D_OK;
}

HRESULT ObjectBase::setPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags)
{
    if (!data && size != 0)
        return D3DERR_INVALIDCALL;
    if (flags & D3DSPD_IUNKNOWN) {
        if (size != sizeof(IUnknown*) || !data)
            return D3DERR_INVALIDCALL;
    }
    freePrivateData(guid);
    PrivateData entry;
    entry.guid = guid;
    if (flags & D3DSPD_IUNKNOWN) {
        std::memcpy(&entry.object, data, sizeof entry.object);
        if (entry.object)
            entry.object->AddRef();
    } else {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        entry.bytes.assign(bytes, bytes + size);
    }
    m_private.push_back(std::move(entry));
    return D3D_OK;
}

HRESULT ObjectBase::getPrivateData(REFGUID guid, void* data, DWORD* size)
{
    if (!size)
        return D3DERR_INVALIDCALL;
    for (const PrivateData& entry : m_private) {
        if (entry.guid != guid)
            continue;
        DWORD needed = entry.object ? static_cast<DWORD>(sizeof(IUnknown*)) : static_cast<DWORD>(entry.bytes.size());
        if (!data) {
            *size = needed;
            return D3D_OK;
        }
        if (*size < needed) {
            *size = needed;
            return D3DERR_MOREDATA;
        }
        if (entry.object) {
            entry.object->AddRef();
            std::memcpy(data, &entry.object, sizeof entry.object);
        } else if (needed) {
            std::memcpy(data, entry.bytes.data(), needed);
        }
        *size = needed;
        return D3D_OK;
    }
    return D3DERR_NOTFOUND;
}

HRESULT ObjectBase::freePrivateData(REFGUID guid)
{
    for (auto it = m_private.begin(); it != m_private.end(); ++it) {
        if (it->guid == guid) {
            if (it->object)
                it->object->Release();
            m_private.erase(it);
            return D3D_OK;
        }
    }
    return D3DERR_NOTFOUND;
}

DWORD ObjectBase::setPriority(DWORD priority)
{
    DWORD old = m_priority;
    if (m_pool == D3DPOOL_MANAGED)
        m_priority = priority;
    return old;
}

} // namespace D3D9Internal
