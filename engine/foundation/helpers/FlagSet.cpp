#include "foundation/helpers/FlagSet.h"

#include "foundation/xml/XMLNode.h"

namespace Ulvo {

void FlagSet::setBit(unsigned n, bool on)
{
    const uint32_t bit = 1u << (n & 31u);
    if (on)
        m_word |= bit;
    else
        m_word &= ~bit;
}

void FlagSet::apply(uint32_t mask, bool on)
{
    if (on)
        m_word |= mask;
    else
        m_word &= mask;
}

namespace {

void applyList(FlagSet& flags, const XMLNode* list, bool on)
{
    if (!list)
        return;
    for (unsigned i = 0; i < list->getPropertyCount(); ++i) {
        const XMLProperty* property = list->getProperty(i);
        if (property)
            flags.setBit(static_cast<unsigned>(property->getInt()), on);
    }
}

} // namespace

void FlagSet::load(const XMLNode* node)
{
    if (!node)
        return;
    applyList(*this, node->getNode(L"SET", -1), true);
    applyList(*this, node->getNode(L"UNSET", -1), false);
}

} // namespace Ulvo
