// Reads arbitrary bytes as the level file and builds its first story levels, free play and
// the saved levels it holds on a board: the bytes' first texels also make the layout pictures
// and stamps. Each board is run for a few frames, its moves are searched, it is saved and
// resumed. Cells must keep their stones where the layout allows them, the weights must end at
// 1 and nothing may run away.
#include "FuzzGlobals.h"
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/stones/RohstoffManager.h"

#include <crt.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="A" UNLOCKED="1" MIN_ANZAHL="2">
    <ROHSTOFF NAME="A1" MULTIPLIER="1" UNLOCKED="1"/><ROHSTOFF NAME="A2" UNLOCKED="1"/><ROHSTOFF NAME="A3"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="B" UNLOCKED="1" RANDOM="1">
    <ROHSTOFF NAME="B1" MULTIPLIER="3" UNLOCKED="1"/><ROHSTOFF NAME="B2" UNLOCKED="1"/>
  </ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="Z" UNLOCKED="1"><ROHSTOFF NAME="Z1" UNLOCKED="1"/></ROHSTOFFKLASSE>
  <ZORNKLASSE>"|Z|"</ZORNKLASSE><BOESEKLASSE>"|B|"</BOESEKLASSE>
</ROHSTOFFE>)";

MyGlobals& globals()
{
    return fuzzGlobals(kStones);
}

// Every picture is made of the input's first bytes, four to a texel; odd stamps are missing.
class BytePictures : public LayoutPictureSource {
public:
    BytePictures(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool readFile(const std::wstring& fileName, LayoutPicture& picture) override
    {
        return make(static_cast<int>(fileName.size() % 9) + 1, picture);
    }
    bool readTexture(const std::wstring& name, LayoutPicture& picture) override
    {
        return name.back() % 2 == 0 && make(static_cast<int>(name.size() % 6) + 3, picture);
    }

private:
    bool make(int side, LayoutPicture& picture) const
    {
        picture = LayoutPicture{side, side, {}};
        for (int i = 0; i < side * side; ++i) {
            uint32_t texel = 0;
            for (int b = 0; b < 4; ++b)
                texel = texel << 8 | (m_size > 0 ? m_data[(4 * i + b) % m_size] : 0xFF);
            picture.texels.push_back(texel);
        }
        return true;
    }

    const uint8_t* m_data;
    size_t m_size;
};

void check(const Spielfeld& board)
{
    for (const Feld& cell : board.getFelder()) {
        if (cell.getStone() && (!cell.has(FeldFlag::Spielbar) || cell.has(FeldFlag::Wand)))
            std::abort();
    }
    const std::vector<double>& weights = board.getProbabilities();
    if (!weights.empty() && weights.back() != 1.0)
        std::abort();
    switch (board.getState()) {
    case Spielfeld::Keiner:
    case Spielfeld::Geladen:
    case Spielfeld::Laeuft:
    case Spielfeld::Endet:
    case Spielfeld::Gewonnen:
    case Spielfeld::Verloren:
        break;
    default:
        std::abort();
    }
}

void play(Spielfeld& board)
{
    check(board);
    board.start();
    for (int i = 0; i < 8; ++i)
        board.advance(0.1, 0.1);
    board.possibleMoves();
    if (!board.getPossibleMoves().empty())
        board.trySwap(board.getPossibleMoves().front().first, board.getPossibleMoves().front().second);
    board.advance(0.3, 0.3);
    check(board);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    BytePictures pictures(data, size);
    Spielfeld board(globals().getRohstoffManager(), globals());
    board.setPictureSource(&pictures);
    board.setLevelDocument(&root);
    for (int n = 0; n < 3; ++n) {
        board.loadLevel(n);
        play(board);
        Ulvo::XMLNode saved(L"ACTIVE_LEVEL");
        board.saveState(saved);
        board.restoreLevel(saved);
        play(board);
    }
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node->getName() == L"ACTIVE_LEVEL") {
            board.restoreLevel(*node);
            play(board);
        }
    }
    if (size % 4 == 0) {
        board.startFreePlay();
        play(board);
    }
    return 0;
}
