#include "scene/objects/RenderPassFilter.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"

namespace Ulvo {

namespace {

// The first entry, from the last to the first, that answers for the path at depth.
int answerOf(const std::vector<RenderPassEntry>& entries, const std::vector<std::wstring>& path, std::size_t depth)
{
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const int a = it->answer(path, depth);
        if (a >= 0)
            return a;
    }
    return -1;
}

} // namespace

void RenderPassEntry::load(const XMLNode* node, int depth)
{
    enabled = true;
    node->readFlag(L"ENABLED", enabled);
    if (!node->readString(L"PASS", pass))
        pass = node->getName();
    children.clear();
    if (depth >= kMaxRenderPassDepth && !node->getNodes().empty()) {
        mainLogger().log(50, LOG_TYPE_ERROR,
                         L"Ulvo::RenderPassEntry::load: RENDERPASSES nested deeper than " +
                             std::to_wstring(kMaxRenderPassDepth) + L" levels below \"" + pass + L"\" ignored\n");
        return;
    }
    for (const XMLNode* child : node->getNodes()) {
        children.emplace_back();
        children.back().load(child, depth + 1);
    }
}

void RenderPassEntry::save(XMLNode* parent) const
{
    auto* node = new XMLNode(pass);
    xmlwrite::write(node, L"ENABLED", enabled);
    for (const RenderPassEntry& child : children)
        child.save(node);
    parent->addNode(node);
}

int RenderPassEntry::answer(const std::vector<std::wstring>& path, std::size_t depth) const
{
    if (depth >= path.size() || pass != path[depth])
        return -1;
    if (!enabled)
        return 0;
    if (depth + 1 >= path.size() || children.empty())
        return 1;
    const int a = answerOf(children, path, depth + 1);
    return a >= 0 ? a : 1;
}

void RenderPassFilter::load(const XMLNode* node)
{
    m_entries.clear();
    m_default = false;
    if (!node)
        return;
    node->readFlag(L"DEFAULT", m_default);
    for (const XMLNode* child : node->getNodes()) {
        m_entries.emplace_back();
        m_entries.back().load(child, 0);
    }
}

void RenderPassFilter::save(XMLNode* parent) const
{
    auto* node = new XMLNode(L"RENDERPASSES");
    xmlwrite::write(node, L"DEFAULT", m_default);
    for (const RenderPassEntry& entry : m_entries)
        entry.save(node);
    parent->addNode(node);
}

bool RenderPassFilter::isInRenderPass(const std::vector<std::wstring>& path) const
{
    int a = answerOf(m_extraEntries, path, 0);
    if (a < 0)
        a = answerOf(m_entries, path, 0);
    return a < 0 ? m_default : a == 1;
}

} // namespace Ulvo
