#include "foundation/xml/ConfigSection.h"

#include <algorithm>

namespace Ulvo {

void ConfigSection::keep(const XMLNode& section)
{
    m_kept = section;
}

void ConfigSection::keepUnknown(const XMLNode& section, std::initializer_list<const wchar_t*> known)
{
    m_kept.clear();
    for (const XMLAttribute* attribute : section.getAttributes())
        m_kept.addAttribute(new XMLAttribute(*attribute));
    for (const XMLProperty* property : section.getProperties())
        m_kept.addProperty(property->clone());
    for (const XMLNode* child : section.getNodes()) {
        const bool isKnown =
            std::any_of(known.begin(), known.end(), [child](const wchar_t* name) { return child->getName() == name; });
        if (!isKnown)
            m_kept.addNode(new XMLNode(*child));
    }
}

void ConfigSection::append(XMLNode& out) const
{
    for (const XMLAttribute* attribute : m_kept.getAttributes())
        out.addAttribute(new XMLAttribute(*attribute));
    for (const XMLProperty* property : m_kept.getProperties())
        out.addProperty(property->clone());
    for (const XMLNode* child : m_kept.getNodes())
        out.addNode(new XMLNode(*child));
}

void ConfigSection::write(XMLNode& out, const XMLNode& values) const
{
    append(out);
    overlay(out, values);
}

void ConfigSection::overlay(XMLNode& target, const XMLNode& values)
{
    for (const XMLAttribute* attribute : values.getAttributes()) {
        if (XMLAttribute* existing = target.getAttribute(attribute->getName()))
            existing->setValue(attribute->getValue());
        else
            target.addAttribute(new XMLAttribute(*attribute));
    }
    for (const XMLNode* child : values.getNodes()) {
        if (XMLNode* existing = target.getNode(child->getName()))
            overlay(*existing, *child);
        else
            target.addNode(new XMLNode(*child));
    }
}

} // namespace Ulvo
