// The minigames' pictures: one line per kind, each kind drawing in a file of its own.
#include "ArtCommon.h"

namespace Art {

void makePuzzleArt();
void makeSchiebepuzzleArt();
void makeBauenArt();
void makeAustauschArt();
void makeDrehbildArt();
void makeRingArt();

void makeMinigameArt()
{
    makePuzzleArt();
    makeSchiebepuzzleArt();
    makeBauenArt();
    makeAustauschArt();
    makeDrehbildArt();
    makeRingArt();
}

} // namespace Art
