// Reads arbitrary bytes as the bonus file and fires every bonus it makes, at no cell, at holes,
// walls and playable cells of a small board, and lets the board run after each: no bonus may
// hang (a lightning asking for more cells than the board has among them), and every stone must
// lie on a playable cell.
#include "FuzzGlobals.h"
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/bonuses/BonusManager.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/particles/PartikelManager.h"

#include <crt.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="A" UNLOCKED="1"><ROHSTOFF NAME="A1" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="A2" UNLOCKED="1" LADUNGEN="2"/><ROHSTOFF NAME="A3" UNLOCKED="1"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="B" UNLOCKED="1"><ROHSTOFF NAME="B1" UNLOCKED="1"/><ROHSTOFF NAME="B2"/></ROHSTOFFKLASSE>
</ROHSTOFFE>)";

const wchar_t* const kLevels = LR"(<LEVELS><DEFAULT_TIME>"|100|"</DEFAULT_TIME>
  <THREEMATCHLEVEL_0 SIZE="6 5" FILE="feld.png 6 5">
    <ROHSTOFFE ANZ_VERSCHIEDENES="4"><KLASSE NAME="A" MIN_ANZ="3" TYPEN="A1 A2 A3"/>
      <KLASSE NAME="B" MIN_ANZ="1" TYPEN="B1"/></ROHSTOFFE>
  </THREEMATCHLEVEL_0></LEVELS>)";

// Spawns on top, a hole and a wall in the middle, a target at the bottom.
class Layout : public LayoutPictureSource {
public:
    bool readFile(const std::wstring&, LayoutPicture& picture) override
    {
        const char* rows[] = {"SSSSSS", "oooooo", "oo.#oo", "oooooo", "oooooT"};
        picture = LayoutPicture{6, 5, {}};
        for (const char* row : rows) {
            for (int x = 0; x < 6; ++x) {
                const char c = row[x];
                picture.texels.push_back(c == 'S'   ? 0xFF00C800
                                         : c == 'o' ? 0xFF006400
                                         : c == '#' ? 0xFFC80000
                                         : c == 'T' ? 0xFF0064C8
                                                    : 0u);
            }
        }
        return true;
    }
    bool readTexture(const std::wstring&, LayoutPicture&) override { return false; }
};

void check(const Spielfeld& board)
{
    for (const Feld& cell : board.getFelder()) {
        if (cell.getStone() && !cell.has(FeldFlag::Spielbar))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    MyGlobals& globals = fuzzGlobals(kStones);
    static const Ulvo::XMLNode levels = [] {
        Ulvo::XMLNode made;
        Ulvo::XMLNode::load(&made, kLevels, 1);
        return made;
    }();
    Layout layout;
    Spielfeld board(globals.getRohstoffManager(), globals);
    board.setPictureSource(&layout);
    board.setLevelDocument(&levels);
    if (!board.loadLevel(0))
        std::abort();
    board.start();

    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    BonusManager& bonuses = globals.getBonusManager();
    bonuses.load(root);
    const std::pair<int, int> cells[] = {{-1, -1}, {0, 0}, {2, 2}, {3, 2}, {5, 4}, {1, 3}};
    for (int i = 0; i < bonuses.getBonusCount(); ++i) {
        Bonus* bonus = bonuses.getBonus(i);
        (void)bonus->getCharge();
        (void)bonus->isAvailable();
        for (const auto& [x, y] : cells) {
            bonus->setSpielfeld(&board);
            bonus->apply(board.getFeld(x, y));
            bonus->reset();
            board.advance(0.3, 0.3);
            check(board);
        }
    }
    for (int i = 0; i < 20; ++i)
        board.advance(0.2, 0.2);
    check(board);
    globals.getWegpunktManager().clear();
    globals.getPartikelManager().clear();
    bonuses.load(Ulvo::XMLNode());
    return 0;
}
