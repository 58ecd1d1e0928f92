// The minigames' pictures: one line per kind, each kind drawing in a file of its own.
#include "ArtCommon.h"

namespace Art {

void makePuzzleArt();
void makeSchiebepuzzleArt();
void makeBauenArt();
void makeMemoryArt();
void makeZuordnenArt();
void makeRichtigesSymbolArt();
void makeRichtigerPfadArt();

void makeMinigameArt()
{
    makePuzzleArt();
    makeSchiebepuzzleArt();
    makeBauenArt();
    makeMemoryArt();
    makeZuordnenArt();
    makeRichtigesSymbolArt();
    makeRichtigerPfadArt();
}

} // namespace Art
