#pragma once
// IUnknown for the layer's COM classes, written once.
//
// A class derives from ComObject<Interface, MoreInterfaces...> and answers findInterface; the
// count starts at the creator's reference, AddRef and Release are thread-safe, the last Release
// deletes the object, and a Release on a count already at zero changes nothing instead of
// wrapping the count round.
#include <unknwn.h>

#include <atomic>
#include <utility>

namespace PlatformInternal {

// The end of every QueryInterface: hands out `found` (null when the object does not offer the
// interface) with one more reference.
template <class Object> HRESULT answerQuery(Object* self, void* found, void** object)
{
    if (!object)
        return E_POINTER;
    *object = found;
    if (!found)
        return E_NOINTERFACE;
    self->AddRef();
    return S_OK;
}

// A Get method handing out an object the caller holds: one more reference for the caller,
// noPlace when it gives nowhere to put it.
template <class Interface> HRESULT handOutReference(Interface* held, Interface** out, HRESULT noPlace)
{
    if (!out)
        return noPlace;
    held->AddRef();
    *out = held;
    return S_OK;
}

// What a class factory does: a new object handed out as `riid`, the caller's reference its only
// one (nothing is left over when the object does not offer `riid`).
template <class Object, class... Args> HRESULT createObject(REFIID riid, void** object, Args&&... args)
{
    Object* created = new Object(std::forward<Args>(args)...);
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

template <class First, class... More> class ComObject : public First, public More... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        ULONG refs = m_refs.load();
        do {
            if (refs == 0)
                return 0;
        } while (!m_refs.compare_exchange_weak(refs, refs - 1));
        if (refs == 1) {
            lastReleased();
            delete this;
        }
        return refs - 1;
    }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        return answerQuery(this, object ? findInterface(riid) : nullptr, object);
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // The object as the interface `riid` names, or null. IUnknown must give the same pointer
    // every time (COM compares objects by it).
    virtual void* findInterface(REFIID riid) = 0;

    // findInterface of a class offering IUnknown and its first interface, known as `own`.
    void* ownInterface(REFIID riid, const IID& own)
    {
        return riid == IID_IUnknown || riid == own ? static_cast<First*>(this) : nullptr;
    }

    // The last reference is gone; the object is still whole (virtual calls reach the class that
    // was made) and is deleted next.
    virtual void lastReleased() {}

private:
    std::atomic<ULONG> m_refs{1};
};

} // namespace PlatformInternal
