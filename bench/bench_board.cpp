// One frame of the board at rest: its update, a match scan and a move search, on a 32 x 32
// board laid out like a free-play board (stamps of stones under spawn rows, with targets),
// and on a free-play board built from such stamps. No device: the logic alone.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/stones/RohstoffManager.h"

#include <benchmark/benchmark.h>
#include <crt.h>

#include <memory>
#include <string>

using namespace ThreeMatch;

namespace {

const wchar_t* const kStones = LR"(<ROHSTOFFE>
  <ROHSTOFFKLASSE NAME="BAUSTOFF" UNLOCKED="1">
    <ROHSTOFF NAME="HOLZ" MULTIPLIER="1" UNLOCKED="1"/><ROHSTOFF NAME="STEIN" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="EISEN" MULTIPLIER="2" UNLOCKED="1"/></ROHSTOFFKLASSE>
  <ROHSTOFFKLASSE NAME="NAHRUNG" UNLOCKED="1">
    <ROHSTOFF NAME="KORN" MULTIPLIER="1" UNLOCKED="1"/><ROHSTOFF NAME="FISCH" MULTIPLIER="1" UNLOCKED="1"/>
    <ROHSTOFF NAME="WOLLE" MULTIPLIER="2" UNLOCKED="1"/></ROHSTOFFKLASSE>
</ROHSTOFFE>)";

const wchar_t* const kLevels = LR"(<LEVELS>
  <DEFAULT_TIME>"|100000|"</DEFAULT_TIME>
  <DEFAULT_ROHSTOFFE ANZ_VERSCHIEDENES="6">
    <KLASSE NAME="BAUSTOFF" MIN_ANZ="3" TYPEN="HOLZ STEIN EISEN"/>
    <KLASSE NAME="NAHRUNG" MIN_ANZ="3" TYPEN="KORN FISCH WOLLE"/>
  </DEFAULT_ROHSTOFFE>
  <THREEMATCHLEVEL_0 SIZE="32 32" FILE="board 32 32"/>
</LEVELS>)";

constexpr uint32_t kStone = 0xFF006400, kSpawn = 0xFF00C800, kTarget = 0xFF006464, kHole = 0;

// Blocks of six by six cells with a spawn row on top and targets inside, a hole between the
// blocks now and then, as stamps make a free-play board.
LayoutPicture stampedBoard()
{
    LayoutPicture picture{32, 32, std::vector<uint32_t>(32 * 32, kStone)};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            uint32_t& texel = picture.texels[y * 32 + x];
            if (y == 0)
                texel = kSpawn;
            else if ((x % 6 == 5 && y % 6 == 5) || (x + y) % 13 == 0)
                texel = y % 4 == 0 ? kSpawn : kHole;
            else if ((x * 7 + y * 3) % 5 == 0)
                texel = kTarget;
        }
    }
    return picture;
}

class Pictures : public LayoutPictureSource {
public:
    bool readFile(const std::wstring&, LayoutPicture& picture) override
    {
        picture = stampedBoard();
        return true;
    }
    bool readTexture(const std::wstring&, LayoutPicture& picture) override
    {
        picture = LayoutPicture{6, 6, std::vector<uint32_t>(36, kStone)};
        for (int x = 0; x < 6; ++x)
            picture.texels[x] = kSpawn;
        picture.texels[14] = picture.texels[15] = kTarget;
        return true;
    }
};

struct Board {
    Board()
    {
        Ulvo::logSwitch() = 0;
        crt_srand(0);
        Ulvo::XMLNode stones;
        Ulvo::XMLNode::load(&stones, kStones, 1);
        globals.getRohstoffManager().load(stones);
        Ulvo::XMLNode::load(&levels, kLevels, 1);
        board = std::make_unique<Spielfeld>(globals.getRohstoffManager(), globals);
        board->setPictureSource(&pictures);
        board->setLevelDocument(&levels);
    }

    MyGlobals globals;
    Pictures pictures;
    Ulvo::XMLNode levels;
    std::unique_ptr<Spielfeld> board;
};

void frame(benchmark::State& state, Spielfeld& board)
{
    int width = 0, height = 0;
    board.getSize(width, height);
    state.counters["cells"] = width * height;
    for (auto _ : state) {
        board.advance(0.025, 0.025);
        board.findMatches();
        board.possibleMoves();
        benchmark::DoNotOptimize(board.getPossibleMoves().size());
    }
    // At rest throughout: nothing bursts or moves, the level keeps running.
    state.counters["stones"] = static_cast<double>(board.getStones().size());
    state.counters["moves"] = static_cast<double>(board.getPossibleMoves().size());
    if (board.isBusy() || board.getState() != Spielfeld::Laeuft)
        state.SkipWithError("the board did not stay at rest");
}

void BM_BoardFrame32x32(benchmark::State& state)
{
    Board made;
    made.board->loadLevel(0);
    made.board->start();
    frame(state, *made.board);
}
BENCHMARK(BM_BoardFrame32x32)->Unit(benchmark::kMicrosecond);

void BM_BoardFrameFreePlay(benchmark::State& state)
{
    Board made;
    made.board->startFreePlay();
    made.board->start();
    frame(state, *made.board);
}
BENCHMARK(BM_BoardFrameFreePlay)->Unit(benchmark::kMicrosecond);

} // namespace
