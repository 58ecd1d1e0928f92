#pragma once
// Variants of one effect source under one name: each permutation is an effect compiled from one
// of the bundle's definitions with extra macros, or taken over from another bundle.
#include "foundation/objects/NamedObject.h"
#include "graphics/effects/EffectMacroList.h"

#include <map>
#include <string>

namespace Ulvo {

class Effect;
class XMLNode;

struct EffectPermutation {
    EffectMacroList macros;
    Effect* effect = nullptr;
};

class EffectBundle : public NamedObject {
public:
    EffectBundle();
    ~EffectBundle() override;
    EffectBundle(const EffectBundle&) = delete;
    EffectBundle& operator=(const EffectBundle&) = delete;

    bool createFromNode(XMLNode* node);
    bool selectEffect(const std::wstring& name);
    Effect* getEffect(const std::wstring& name) const;
    Effect* getCurrentEffect() const { return m_current; }
    const std::map<std::wstring, EffectPermutation>& getPermutations() const { return m_permutations; }

    void onEffectCreating(Effect& effect);

private:
    std::map<std::wstring, EffectPermutation> m_permutations;
    Effect* m_current = nullptr;
    EffectMacroList m_workingMacros;
};

} // namespace Ulvo
