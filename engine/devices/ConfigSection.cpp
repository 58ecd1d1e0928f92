#include "devices/ConfigSection.h"

namespace Ulvo {

void ConfigSection::keep(const XMLNode& section)
{
    m_kept = section;
}

void ConfigSection::write(XMLNode& out, const XMLNode& values) const
{
    for (const XMLAttribute* attribute : m_kept.getAttributes())
        out.addAttribute(new XMLAttribute(*attribute));
    for (const XMLProperty* property : m_kept.getProperties())
        out.addProperty(property->clone());
    for (const XMLNode* child : m_kept.getNodes())
        out.addNode(new XMLNode(*child));
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
