#include "minigames/MinigameKinds.h"

#include "minigames/austausch/Austausch.h"
#include "minigames/bauen/Bauen.h"
#include "minigames/labyrinth/Labyrinth.h"
#include "minigames/maze/Maze.h"
#include "minigames/objekteanklicken/ObjekteAnklicken.h"
#include "minigames/puzzle/Puzzle.h"
#include "minigames/punkteverbinden/Punkteverbinden.h"
#include "minigames/drehbild/Drehbild.h"
#include "minigames/ring/Ring.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"
#include "minigames/unterschiede/UnterschiedeAnklicken.h"
#include "minigames/wegblasen/Wegblasen.h"
#include "minigames/memory/Memory.h"
#include "minigames/richtigerpfad/RichtigenPfadAnklicken.h"
#include "minigames/richtigessymbol/RichtigesSymbolAnklicken.h"
#include "minigames/zuordnen/MinispielZuordnen.h"

namespace ThreeMatch {

// One line per kind; the minigames of later work add theirs here.
void registerMinigameKinds(MinispielManager::Kinds& kinds)
{
    kinds.add(L"PUZZLE", &Puzzle::create);
    kinds.add(L"SCHIEBEPUZZLE_REV", &Schiebepuzzle_leicht::create);
    kinds.add(L"BAUEN", &Bauen::create);
    kinds.add(L"LABYRINTH", &Labyrinth::create);
    kinds.add(L"PUNKTE_VERBINDEN", &Punkteverbinden::create);
    kinds.add(L"MAZE", &Maze::create);
    kinds.add(L"OBJEKT_KLICKEN", &ObjekteAnklicken::create);
    kinds.add(L"PUSTEN", &Wegblasen::create);
    kinds.add(L"UNTERSCHIEDE", &UnterschiedeAnklicken::create);
    kinds.add(L"AUSTAUSCH", &Austausch::create);
    kinds.add(L"DREHBILD", &Drehbild::create);
    kinds.add(L"RING", &Ring::create);
    kinds.add(L"MEMORY", &Memory::create);
    kinds.add(L"RICHTIGES_SYMBOL", &RichtigesSymbolAnklicken::create);
    kinds.add(L"RICHTIGER_PFAD", &RichtigenPfadAnklicken::create);
    kinds.add(L"ZUORDNEN", &MinispielZuordnen::create);
}

} // namespace ThreeMatch
