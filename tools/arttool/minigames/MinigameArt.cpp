// The minigames' pictures: one line per kind, each kind drawing in a file of its own.
#include "ArtCommon.h"

namespace Art {

void makePuzzleArt();
void makeSchiebepuzzleArt();
void makeBauenArt();
void makeObjekteAnklickenArt();
void makeWegblasenArt();
void makeUnterschiedeArt();

void makeMinigameArt()
{
    makePuzzleArt();
    makeSchiebepuzzleArt();
    makeBauenArt();
    makeObjekteAnklickenArt();
    makeWegblasenArt();
    makeUnterschiedeArt();
}

} // namespace Art
