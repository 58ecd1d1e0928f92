#pragma once
// The one shape of the engine's factories: a registry of creators by TYPE word. GUI windows,
// render passes, post effects, scene objects and minigames are each built from a node whose TYPE
// picks the creator; the module that defines the kinds fills the registry with one explicit
// registration function (registerWidgetKinds, registerRenderPassKinds, ...) called when the
// registry's owner starts. Nothing registers itself from a static object: a static library drops
// objects nobody refers to, and with them the kinds.
//
// The owner decides what an unknown TYPE gives (a plain kind, or nothing after a log line).
#include <string>
#include <utility>
#include <vector>

namespace Ulvo {

template <class Creator> class KindRegistry {
public:
    // A later registration of a type replaces the earlier one; a null creator is ignored.
    void add(const std::wstring& type, Creator creator)
    {
        if (!creator)
            return;
        for (auto& entry : m_creators) {
            if (entry.first == type) {
                entry.second = creator;
                return;
            }
        }
        m_creators.emplace_back(type, creator);
    }

    bool has(const std::wstring& type) const { return find(type) != nullptr; }

    // The creator of the type (compared exactly); null when none is registered.
    Creator find(const std::wstring& type) const
    {
        for (const auto& entry : m_creators) {
            if (entry.first == type)
                return entry.second;
        }
        return nullptr;
    }

    // The types in registration order.
    std::vector<std::wstring> types() const
    {
        std::vector<std::wstring> out;
        for (const auto& entry : m_creators)
            out.push_back(entry.first);
        return out;
    }

private:
    std::vector<std::pair<std::wstring, Creator>> m_creators;
};

// A registry filled once by Register, for the callers that build without an owner (tests, tools).
template <class Creator, void (*Register)(KindRegistry<Creator>&)> const KindRegistry<Creator>& registeredKinds()
{
    static const KindRegistry<Creator> kinds = [] {
        KindRegistry<Creator> made;
        Register(made);
        return made;
    }();
    return kinds;
}

} // namespace Ulvo
