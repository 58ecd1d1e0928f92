#pragma once
// Scope guards of the GUI: a reference held on a window (or any named object)
// while signals and slots run, and a measure section timed while measuring is on.
#include "foundation/helpers/Release.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/time/Measures.h"

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
    ~GUIKeepAlive() { releaseAndNull(m_object); }
    GUIKeepAlive(const GUIKeepAlive&) = delete;
    GUIKeepAlive& operator=(const GUIKeepAlive&) = delete;

private:
    NamedObject* m_object;
};

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
