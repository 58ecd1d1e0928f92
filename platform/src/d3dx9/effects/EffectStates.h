#pragma once
// The state names effect passes and sampler_state blocks assign (as effect files spell them,
// without regard to case) and the words their values may use.
#include "d3dx9/effects/EffectModel.h"

#include <string>

namespace D3DXEffects {

struct StateName {
    StateKind kind;
    DWORD state;
    bool isFloat;
    int words; // the word table of the values (internal index)
};

// False for unknown names. Sampler states also name "Texture" (StateKind::Texture).
bool findPassState(const std::string& name, StateName& out);
bool findSamplerState(const std::string& name, StateName& out);
// The value of a word (TRUE, SrcAlpha, Linear, CCW, Red ...) for a state's table, then any table.
bool findStateWord(int words, const std::string& word, DWORD& value);

} // namespace D3DXEffects
