#include "graphics/effects/EffectBundle.h"

#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"

#include <vector>

namespace Ulvo {

EffectBundle::EffectBundle() = default;

EffectBundle::~EffectBundle()
{
    for (auto& entry : m_permutations)
        releaseAndNull(entry.second.effect);
}

bool EffectBundle::createFromNode(XMLNode* node)
{
    if (!node)
        return false;
    std::vector<XMLNode*> definitions;
    for (unsigned i = 0, n = node->getNodeCount(L"EFFECT"); i < n; ++i)
        definitions.push_back(node->getNode(L"EFFECT", static_cast<int>(i)));
    std::wstring name;
    if (node->readString(L"NAME", name))
        rename(name);
    if (definitions.empty())
        return false;

    EffectManager* manager = EffectManager::getInstance();
    for (unsigned i = 0, n = node->getNodeCount(L"PERMUTATION"); i < n; ++i) {
        XMLNode* permutation = node->getNode(L"PERMUTATION", static_cast<int>(i));
        m_workingMacros.clear();
        std::vector<std::wstring> words;
        if (permutation->readWords(L"EXISTING_EFFECT", words)) {
            // "bundle permutation": an effect another bundle built already.
            const std::wstring bundleName = words.size() > 0 ? words[0] : std::wstring();
            const std::wstring permutationName = words.size() > 1 ? words[1] : std::wstring();
            EffectBundle* other = manager->getEffectBundle(bundleName);
            Effect* effect = other ? other->getEffect(permutationName) : nullptr;
            if (effect) {
                if (m_permutations.emplace(permutationName, EffectPermutation{m_workingMacros, effect}).second)
                    effect->AddRef();
            }
            continue;
        }
        std::wstring permutationName;
        if (!permutation->readString(L"NAME", permutationName))
            continue;
        if (XMLNode* macros = permutation->getNode(L"MACROS"))
            m_workingMacros = Effect::readMacros(macros);
        XMLNode* base = definitions.front();
        std::wstring use;
        if (permutation->readString(L"USE_EFFECT", use)) {
            base = nullptr;
            for (XMLNode* definition : definitions) {
                std::wstring definitionName;
                if (definition->readString(L"NAME", definitionName) && definitionName == use) {
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
