#pragma once
// Which render passes a scene object takes part in (its RENDERPASSES node): entries by pass name,
// each enabled or not, nested to follow the passes inside passes, and a default for passes no
// entry names. Later entries win over earlier ones.
#include <string>
#include <vector>

namespace Ulvo {

class XMLNode;

// Passes inside passes go a few levels deep; a description nested deeper is cut there.
constexpr int kMaxRenderPassDepth = 32;

struct RenderPassEntry {
    std::wstring pass;
    bool enabled = true;
    std::vector<RenderPassEntry> children;

    // ENABLED, PASS (else the node's name) and the child nodes as entries; depth counts the
    // entries above.
    void load(const XMLNode* node, int depth);
    // A node named after the pass with ENABLED and the children nested.
    void save(XMLNode* parent) const;
    // 1 yes, 0 no, -1 no answer, for the path's element at depth.
    int answer(const std::vector<std::wstring>& path, std::size_t depth) const;
};

class RenderPassFilter {
public:
    // DEFAULT and every child node as a top-level entry.
    void load(const XMLNode* node);
    // Appends the RENDERPASSES node.
    void save(XMLNode* parent) const;
    // path: pass names, outermost first.
    bool isInRenderPass(const std::vector<std::wstring>& path) const;

    bool getDefault() const { return m_default; }
    const std::vector<RenderPassEntry>& getEntries() const { return m_entries; }

private:
    std::vector<RenderPassEntry> m_entries;
    // Searched first; nothing fills it from a description.
    std::vector<RenderPassEntry> m_extraEntries;
    bool m_default = false;
};

} // namespace Ulvo
