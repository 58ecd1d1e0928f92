#pragma once
// What a reader of "config.cfg" does not know, kept as it was read so that
// settings of other builds survive a save. The engine keeps the unknown
// sections of the document and of "ENGINE_PARAMS" this way, the parameter
// classes their whole section (laying their own values over it when they
// save), and the game its "API_PARAMS".
#include "foundation/xml/XMLNode.h"

#include <initializer_list>

namespace Ulvo {

class ConfigSection {
public:
    // Keeps a copy of the section's content (attributes, free values, children).
    void keep(const XMLNode& section);
    // Keeps copies of the section's attributes and properties and of the
    // children whose names are not among known.
    void keepUnknown(const XMLNode& section, std::initializer_list<const wchar_t*> known);
    // Appends the kept content to out, after what out holds already.
    void append(XMLNode& out) const;
    // Appends the kept content to out, then lays values over it: an attribute
    // of values replaces the kept attribute of that name or is appended, and a
    // child node of values is laid over the kept child of that name (the first
    // one) or appended.
    void write(XMLNode& out, const XMLNode& values) const;

    const XMLNode& kept() const { return m_kept; }

    static void overlay(XMLNode& target, const XMLNode& values);

private:
    XMLNode m_kept;
};

} // namespace Ulvo
