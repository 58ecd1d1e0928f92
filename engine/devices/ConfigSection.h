#pragma once
// A section of "config.cfg" kept as it was read, so that settings this build
// does not know yet are written back unchanged. The parameter classes lay their
// own values over the kept copy when they save.
#include "foundation/XMLNode.h"

namespace Ulvo {

class ConfigSection {
public:
    // Keeps a copy of the section's content (attributes, properties, children).
    void keep(const XMLNode& section);
    // Fills out with the kept content, then lays values over it: an attribute
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
