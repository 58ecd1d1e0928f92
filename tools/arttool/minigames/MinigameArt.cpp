// The minigames' pictures: one line per kind, each kind drawing in a file of its own.
#include "ArtCommon.h"

namespace Art {

void makePuzzleArt();
void makeSchiebepuzzleArt();
void makeBauenArt();
void makeLabyrinthArt();
void makePunkteverbindenArt();
void makeMazeArt();
void makeObjekteAnklickenArt();
void makeWegblasenArt();
void makeUnterschiedeArt();
void makeAustauschArt();
void makeDrehbildArt();
void makeRingArt();
void makeMemoryArt();
void makeZuordnenArt();
void makeRichtigesSymbolArt();
void makeRichtigerPfadArt();

void makeMinigameArt()
{
    makePuzzleArt();
    makeSchiebepuzzleArt();
    makeBauenArt();
    makeLabyrinthArt();
    makePunkteverbindenArt();
    makeMazeArt();
    makeObjekteAnklickenArt();
    makeWegblasenArt();
    makeUnterschiedeArt();
    makeAustauschArt();
    makeDrehbildArt();
    makeRingArt();
    makeMemoryArt();
    makeZuordnenArt();
    makeRichtigesSymbolArt();
    makeRichtigerPfadArt();
}

} // namespace Art
