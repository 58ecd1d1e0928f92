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
