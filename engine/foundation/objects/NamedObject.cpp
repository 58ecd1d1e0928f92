#include "foundation/objects/NamedObject.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

namespace {

// Every object logs its life; the line is made only when the logger writes it.
template <class... Parts> void logLine(const Parts&... parts)
{
    mainLogger().log(1, LOG_TYPE_INFO, L"NamedObject: ", parts..., L"\n");
}

} // namespace

uint32_t NamedObject::nextNumber()
{
    static uint32_t counter = 0;
    return counter++;
}

NamedObject::NamedObject(const std::wstring& name) : m_name(name), m_number(nextNumber())
{
    logLine(m_name, L" created");
}

NamedObject::NamedObject() : m_number(nextNumber())
{
    m_name = std::to_wstring(m_number);
    logLine(m_name, L" created");
}

NamedObject::NamedObject(const NamedObject& other)
    // Slot connections stay with the original: a copy starts unconnected.
    : sigslot::has_slots<sigslot::single_threaded>()
    , m_attached(other.m_attached)
    , m_name(other.m_name)
    , m_number(nextNumber())
{
    logLine(m_name, L" copied");
}

NamedObject::NamedObject(XMLNode* node) : m_number(nextNumber())
{
    if (!node || !node->readString(L"NAME", m_name))
        m_name = std::to_wstring(m_number);
    logLine(m_name, L" created");
}

NamedObject& NamedObject::operator=(const NamedObject& other)
{
    m_name = other.m_name;
    return *this;
}

NamedObject::~NamedObject()
{
    onDeleted.emit(this);
    logLine(m_name, L" deleted");
}

bool NamedObject::load(XMLNode* node)
{
    if (node)
        node->readString(L"NAME", m_name);
    return true;
}

bool NamedObject::save(XMLNode* node)
{
    if (!node)
        return false;
    node->addAttribute(new XMLAttribute(L"NAME", m_name));
    return true;
}

void NamedObject::rename(const std::wstring& newName)
{
    std::wstring oldName = m_name;
    m_name = newName;
    onRenamed.emit(this, m_name, oldName);
    logLine(oldName, L" renamed in ", newName);
}

void NamedObject::Release()
{
    if (m_refCount == 0) {
        mainLogger().log(25, LOG_TYPE_WARNING, L"\"", m_name, L"\" Release() on Objekt with Zero RefCount !\n");
        return;
    }
    if (--m_refCount == 0)
        delete this;
}

NamedObject* findNamedObject(const std::vector<NamedObject*>& objects, const std::wstring& name)
{
    return findNamedObject<NamedObject>(objects, name);
}

} // namespace Ulvo
