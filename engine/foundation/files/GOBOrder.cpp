#include "foundation/files/GOBOrder.h"

namespace Ulvo {

GOBOrder::GOBOrder() : NamedObject(std::wstring(L"DEFAULT")), m_slots{nullptr} {}

GOBOrder::GOBOrder(const GOBOrder& other) : NamedObject(other), m_slots(other.m_slots) {}

GOBOrder& GOBOrder::operator=(const GOBOrder& other)
{
    NamedObject::operator=(other);
    m_slots = other.m_slots;
    return *this;
}

GOBOrder::~GOBOrder() = default;

} // namespace Ulvo
