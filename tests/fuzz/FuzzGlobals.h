#pragma once
// The game's globals for the game-data fuzzers: made once per fuzzer with the given stone
// classes and kept for the whole run, as the game keeps its own.
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/stones/RohstoffManager.h"

inline ThreeMatch::MyGlobals& fuzzGlobals(const wchar_t* stones)
{
    static ThreeMatch::MyGlobals* instance = [stones] {
        auto* made = new ThreeMatch::MyGlobals();
        Ulvo::XMLNode root;
        Ulvo::XMLNode::load(&root, stones, 1);
        made->getRohstoffManager().load(root);
        return made;
    }();
    return *instance;
}
