#include "minigames/MinigameKinds.h"

#include "minigames/austausch/Austausch.h"
#include "minigames/bauen/Bauen.h"
#include "minigames/drehbild/Drehbild.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/ring/Ring.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"

namespace ThreeMatch {

// One line per kind; the minigames of later work add theirs here.
void registerMinigameKinds(MinispielManager::Kinds& kinds)
{
    kinds.add(L"PUZZLE", &Puzzle::create);
    kinds.add(L"SCHIEBEPUZZLE_REV", &Schiebepuzzle_leicht::create);
    kinds.add(L"BAUEN", &Bauen::create);
    kinds.add(L"AUSTAUSCH", &Austausch::create);
    kinds.add(L"DREHBILD", &Drehbild::create);
    kinds.add(L"RING", &Ring::create);
}

} // namespace ThreeMatch
