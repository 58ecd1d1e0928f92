// Reads arbitrary bytes as the building file and as the catastrophe file, and runs the town
// through what the game does with it: builds with and without cost (partners naming each other
// among them), catastrophes, resets, profile buildings, and frames of animation with their
// rests and ambient animations. Nothing may recurse without end or take a frame modulo 0, and
// the grid's first row must stay within the list.
#include "FuzzGlobals.h"
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/town/GebaeudeManager.h"
#include "threematch/town/Katastrophe.h"

#include <crt.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="A" UNLOCKED="1"><ROHSTOFF NAME="A1" UNLOCKED="1"/><ROHSTOFF NAME="A3"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="B"><ROHSTOFF NAME="B1"/></ROHSTOFFKLASSE>
</ROHSTOFFE>)";

void check(const GebaeudeManager& town)
{
    for (const Gebaeude* gebaeude : town.getDrawList()) {
        const int frame = gebaeude->currentFrame();
        if (frame < 0 || frame >= gebaeude->getFrameCount())
            std::abort();
    }
    const long long first = static_cast<long long>(town.getFirstRow()) * 4;
    if (first < 0 || (first > 0 && first >= static_cast<long long>(town.getGebaeudeList().size())))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    MyGlobals& globals = fuzzGlobals(kStones);
    static const bool paths = [&] {
        Ulvo::XMLNode root;
        Ulvo::XMLNode::load(&root, LR"(<A><VORLAGE NAME="Weg" SIZE="4 4" FRAMES="1 1" SPEED="5" ANIM_FRAMES="1">
            <WEGPUNKTE WEGPUNKT="0 0 0" WEGPUNKT="9 9 1"/></VORLAGE></A>)",
                            1);
        globals.getWegpunktManager().load(root);
        return true;
    }();
    (void)paths;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    (void)Katastrophe::loadAll(root);
    for (Rohstoffklasse* klasse : globals.getRohstoffManager().getKlassen())
        klasse->spend(-1000);

    GebaeudeManager& town = globals.getGebaeudeManager();
    town.load(root);
    check(town);
    town.resetAll();
    for (Gebaeude* gebaeude : town.getGebaeudeList()) {
        (void)gebaeude->canBuild();
        gebaeude->build(Gebaeude::costFactor(static_cast<float>(size % 7) / 6.0f, static_cast<int>(size % 3)));
        town.advance(0.7);
        check(town);
    }
    for (int i = 0; i < 3; ++i) {
        town.destroyRandom();
        check(town);
    }
    for (const Gebaeude* gebaeude : town.getDrawList())
        town.buildByName(gebaeude->getID());
    for (Gebaeude* gebaeude : town.getTemporary())
        gebaeude->setBuilt(!gebaeude->isBuilt());
    for (int i = 0; i < 30; ++i) {
        town.advance(1.0);
        globals.getWegpunktManager().advance(1.0, 1.0);
        check(town);
    }
    town.render(0.0f, 0.0f, 0.5);
    town.unbuildAll();
    check(town);
    town.load(Ulvo::XMLNode());
    globals.getPartikelManager().clear();
    globals.getRohstoffManager().resetAll();
    return 0;
}
