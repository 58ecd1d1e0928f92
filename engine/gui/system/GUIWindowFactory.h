#pragma once
// Builds windows from WINDOW nodes by their TYPE. Every widget kind registers
// its constructor here under its TYPE word (registerWidgetKinds); an absent,
// empty or "WINDOW" TYPE gives a plain window, and so does an unknown one,
// after a log line.
#include "foundation/objects/KindRegistry.h"

#include <string>

namespace Ulvo {

class GUIWindow;
class XMLNode;

class GUIWindowFactory {
public:
    using Creator = GUIWindow* (*)(const XMLNode* node);
    // Deeper WINDOW nesting is skipped, so a hostile file cannot exhaust the stack.
    static constexpr int MAX_NESTING = 64;

    // With the built-in kinds registered.
    GUIWindowFactory();

    // A later registration of a TYPE replaces the earlier one.
    void add(const std::wstring& type, Creator creator) { m_kinds.add(type, creator); }
    bool has(const std::wstring& type) const { return m_kinds.has(type); }
    // The new window carries one reference for the caller; null for a null node or
    // one nested too deep.
    GUIWindow* create(const XMLNode* node);

private:
    KindRegistry<Creator> m_kinds;
    int m_nesting = 0;
};

} // namespace Ulvo
