#pragma once
// Scope guards of the GUI: a reference held on a window (or any named object)
// while signals and slots run, and a measure section timed while measuring is on.
#include "foundation/time/Measures.h"
#include "foundation/objects/NamedObject.h"

#include <type_traits>

namespace Ulvo {

// Slots may drop the object's other references; it is deleted, if at all, when
// the scope ends.
class GUIKeepAlive {
public:
    explicit GUIKeepAlive(NamedObject* object) : m_object(object)
    {
        if (m_object)
            m_object->AddRef();
    }
    ~GUIKeepAlive()
    {
        if (m_object)
            m_object->Release();
    }
    GUIKeepAlive(const GUIKeepAlive&) = delete;
    GUIKeepAlive& operator=(const GUIKeepAlive&) = delete;

private:
    NamedObject* m_object;
};

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

class GUITimed {
public:
    explicit GUITimed(Measures* section) : m_section(Measures::isMeasuring() ? section : nullptr)
    {
        if (m_section)
            m_section->start();
    }
    ~GUITimed()
    {
        if (m_section)
            m_section->stop();
    }
    GUITimed(const GUITimed&) = delete;
    GUITimed& operator=(const GUITimed&) = delete;

private:
    Measures* m_section;
};

} // namespace Ulvo
