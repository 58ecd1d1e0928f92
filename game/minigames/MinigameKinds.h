#pragma once
// The minigame kinds by TYPE word, registered once at start-up before "minigames.min" is read.
#include "minigames/frame/MinispielManager.h"

namespace ThreeMatch {

// Every minigame kind of this module. A new kind adds one line here:
//     kinds.add(L"<TYPE>", &<Kind>::create);
void registerMinigameKinds(MinispielManager::Kinds& kinds);

} // namespace ThreeMatch
