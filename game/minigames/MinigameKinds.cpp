#include "minigames/MinigameKinds.h"

#include "minigames/bauen/Bauen.h"
#include "minigames/memory/Memory.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"
#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"
#include "minigames/zuordnen/MinispielZuordnen.h"

namespace ThreeMatch {

// One line per kind; the minigames of later work add theirs here.
void registerMinigameKinds(MinispielManager::Kinds& kinds)
{
    kinds.add(L"PUZZLE", &Puzzle::create);
    kinds.add(L"SCHIEBEPUZZLE_REV", &Schiebepuzzle_leicht::create);
    kinds.add(L"BAUEN", &Bauen::create);
    kinds.add(L"MEMORY", &Memory::create);
    kinds.add(L"RICHTIGES_SYMBOL", &RichtigesSymbolAnklicken::create);
    kinds.add(L"RICHTIGER_PFAD", &RichtigenPfadAnklicken::create);
    kinds.add(L"ZUORDNEN", &MinispielZuordnen::create);
}

} // namespace ThreeMatch
