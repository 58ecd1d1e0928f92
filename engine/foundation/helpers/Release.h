#pragma once
// The one way an owner lets go of reference-counted objects (COM interfaces and the
// engine's own objects with Release()). The pointer is cleared before the release, so
// code the release runs never sees an object on its way out.
#include <type_traits>
#include <vector>

namespace Ulvo {

// Releases object, when there is one, and leaves the pointer null.
template <class T> void releaseAndNull(T*& object)
{
    if (T* held = object) {
        object = nullptr;
        held->Release();
    }
}

// Releases every object of list, which is empty before the first release.
template <class T> void releaseAndClear(std::vector<T*>& list)
{
    std::vector<T*> held;
    held.swap(list);
    for (T* object : held) {
        if (object)
            object->Release();
    }
}

// Replaces the object a slot holds one reference on: the new one is taken first, so
// holding the same object again is safe.
template <class T> void holdReference(T*& slot, std::type_identity_t<T>* object)
{
    if (object)
        object->AddRef();
    T* old = slot;
    slot = object;
    if (old)
        old->Release();
}

} // namespace Ulvo
