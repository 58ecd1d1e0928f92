#pragma once
// Shared COM plumbing of the layer's top-level objects.
#include <unknwn.h>

// QueryInterface of an object that offers IUnknown and one interface of its own.
template <class Interface>
HRESULT queryOwnInterface(Interface* self, REFIID riid, const IID& own, void** object)
{
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == own) {
        self->AddRef();
        *object = self;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// A Get method handing out an object the caller holds: one more reference for
// the caller, noPlace when it gives nowhere to put it.
template <class Interface>
HRESULT handOutReference(Interface* held, Interface** out, HRESULT noPlace)
{
    if (!out)
        return noPlace;
    held->AddRef();
    *out = held;
    return S_OK;
}

// Release of an object that deletes itself with its last reference.
template <class Object, class Counter>
ULONG releaseSelf(Object* self, Counter& refs)
{
    const ULONG left = --refs;
    if (left == 0)
        delete self;
    return left;
}
