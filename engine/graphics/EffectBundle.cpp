#include "graphics/EffectBundle.h"

#include "foundation/XMLNode.h"
#include "graphics/Effect.h"
#include "graphics/EffectManager.h"

#include <vector>

namespace Ulvo {

EffectBundle::EffectBundle() = default;

EffectBundle::~EffectBundle()
{
    for (auto& entry : m_permutations) {
        if (entry.second.effect)
            entry.second.effect->Release();
        entry.second.effect = nullptr;
    }
}

bool EffectBundle::createFromNode(XMLNode* node)
{
    if (!node)
        return false;
    std::vector<XMLNode*> definitions;
    for (unsigned i = 0, n = node->getNodeCount(L"EFFECT"); i < n; ++i)
        definitions.push_back(node->getNode(L"EFFECT", static_cast<int>(i)));
    if (XMLAttribute* name = node->getAttribute(L"NAME"))
        rename(name->getValue());
    if (definitions.empty())
        return false;

    EffectManager* manager = EffectManager::getInstance();
    for (unsigned i = 0, n = node->getNodeCount(L"PERMUTATION"); i < n; ++i) {
        XMLNode* permutation = node->getNode(L"PERMUTATION", static_cast<int>(i));
        m_workingMacros.clear();
        if (XMLAttribute* existing = permutation->getAttribute(L"EXISTING_EFFECT")) {
            XMLValueList words = existing->getList(L' ');
            const std::wstring bundleName = words.size() > 0 ? words.at(0)->getValue() : std::wstring();
            const std::wstring permutationName = words.size() > 1 ? words.at(1)->getValue() : std::wstring();
            EffectBundle* other = manager->getEffectBundle(bundleName);
            Effect* effect = other ? other->getEffect(permutationName) : nullptr;
            if (effect) {
                if (m_permutations.emplace(permutationName, EffectPermutation{m_workingMacros, effect}).second)
                    effect->AddRef();
            }
            continue;
        }
        XMLAttribute* name = permutation->getAttribute(L"NAME");
        if (!name)
            continue;
        const std::wstring permutationName = name->getValue();
        if (XMLNode* macros = permutation->getNode(L"MACROS"))
            m_workingMacros = Effect::readMacros(macros);
        XMLNode* base = definitions.front();
        if (XMLAttribute* use = permutation->getAttribute(L"USE_EFFECT")) {
            base = nullptr;
            for (XMLNode* definition : definitions) {
                XMLAttribute* definitionName = definition->getAttribute(L"NAME");
                if (definitionName && definitionName->getValue() == use->getValue()) {
                    base = definition;
                    break;
                }
            }
            if (!base)
                continue;
        }
        // A name already taken keeps the earlier permutation; building the effect anyway would
        // only leave one that nothing selects and that reloads with the wrong macros.
        if (m_permutations.count(permutationName))
            continue;
        Effect* effect = new Effect(false);
        effect->creating.connect(this, &EffectBundle::onEffectCreating);
        effect->rename(permutationName);
        if (!effect->createFromNode(base)) {
            effect->Release();
            continue;
        }
        m_permutations.emplace(permutationName, EffectPermutation{m_workingMacros, effect});
        manager->addEffect(effect);
    }
    return !m_permutations.empty();
}

bool EffectBundle::selectEffect(const std::wstring& name)
{
    auto found = m_permutations.find(name);
    if (found == m_permutations.end())
        return false;
    m_current = found->second.effect;
    return true;
}

Effect* EffectBundle::getEffect(const std::wstring& name) const
{
    auto found = m_permutations.find(name);
    return found == m_permutations.end() ? nullptr : found->second.effect;
}

void EffectBundle::onEffectCreating(Effect& effect)
{
    for (const auto& entry : m_permutations) {
        if (entry.second.effect == &effect) {
            effect.addMacros(entry.second.macros);
            return;
        }
    }
    effect.addMacros(m_workingMacros);
}

} // namespace Ulvo
