// One frame of the board at rest: its update, a match scan and a move search, on a 32 x 32
// board laid out like a free-play board (stamps of stones under spawn rows, with targets),
// and on a free-play board built from such stamps. No device: the logic alone. For
// reference, the same frame on the same boards by a plain-array board written here: one flat
// array per cell property and per stone property, a straightforward scan and a move search
// that counts like stones from the target cell with bounds tests.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/stones/RohstoffManager.h"

#include <benchmark/benchmark.h>
#include <crt.h>

#include "threematch/board/Bildchen.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// The plain-array board: what a frame at rest reads and writes, copied from a built board into
// flat arrays with a border of empty cells two wide, so that no walk needs a bounds test.
class PlainBoard {
public:
    explicit PlainBoard(const Spielfeld& board)
    {
        board.getSize(m_width, m_height);
        m_minRun = board.getGlobals().getMinRun();
        m_hintDelay = board.getGlobals().getHintDelay();
        m_stride = m_width + 2 * kPad;
        const std::size_t n = static_cast<std::size_t>(m_stride) * (m_height + 2 * kPad);
        m_flags.assign(n, 0);
        m_type.assign(n, -1);
        m_cellX.assign(n, 0.0f);
        m_cellY.assign(n, 0.0f);
        m_stoneX.assign(n, 0.0f);
        m_stoneY.assign(n, 0.0f);
        m_hasStone.assign(n, 0);
        m_explosion.assign(n, 0.0);
        m_swap.assign(n, 0.0);
        m_fade.assign(n, -1.0);
        m_stoneFade.assign(n, 0.0);
        m_stoneHint.assign(n, -1.0);
        m_available.assign(n, -1);
        m_walk.assign(n, -1);
        m_movable.assign(n, 0);
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const Feld& cell = *board.getFeld(x, y);
                const int i = at(x, y);
                m_flags[i] = cell.getFlags();
                m_type[i] = cell.getStoneType();
                m_cellX[i] = cell.getPosition().x;
                m_cellY[i] = cell.getPosition().y;
                m_hasStone[i] = cell.getStone() != nullptr;
                m_stoneX[i] = cell.getStone() ? cell.getStone()->getPosition().x : 0.0f;
                m_stoneY[i] = cell.getStone() ? cell.getStone()->getPosition().y : 0.0f;
            }
        }
        m_groups.reserve(n);
        m_moves.reserve(4 * n);
    }

    void advance(double dt)
    {
        for (std::size_t i = 0; i < m_flags.size(); ++i) {
            if (m_fade[i] >= 0.0)
                m_fade[i] -= dt;
            if ((m_flags[i] & FeldFlag::Sprengt) && m_explosion[i] > 0.0)
                m_explosion[i] -= dt;
            if (m_flags[i] & FeldFlag::Tausch) {
                m_swap[i] -= dt;
                if (m_swap[i] <= 0.0)
                    m_flags[i] &= ~FeldFlag::Tausch;
            }
            if (m_hasStone[i]) {
                m_stoneFade[i] += dt;
                if (m_stoneHint[i] > 0.0)
                    m_stoneHint[i] -= dt;
            }
        }
        findMatches();
        m_idle += dt;
        if (m_idle >= m_hintDelay)
            possibleMoves();
    }

    void findMatches()
    {
        m_groups.clear();
        for (std::size_t i = 0; i < m_flags.size(); ++i) {
            const float dx = m_stoneX[i] - m_cellX[i], dy = m_stoneY[i] - m_cellY[i];
            m_available[i] =
                m_hasStone[i] && !(m_flags[i] & FeldFlag::kUnavailable) && dx * dx + dy * dy < 0.01f ? m_type[i] : -1;
        }
        for (int y = 0; y < m_height; ++y)
            scan(at(0, y), 1, m_width);
        for (int x = 0; x < m_width; ++x)
            scan(at(x, 0), m_stride, m_height);
    }

    void possibleMoves()
    {
        m_moves.clear();
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const int i = at(x, y);
                const uint32_t flags = m_flags[i];
                m_movable[i] = (flags & FeldFlag::Spielbar) && !(flags & (FeldFlag::kUnavailable | FeldFlag::Locked)) &&
                               m_hasStone[i];
                m_walk[i] = m_hasStone[i] && !(flags & FeldFlag::kBusy) ? m_type[i] : -1;
            }
        }
        const int step[4] = {-m_stride, m_stride, 1, -1};
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const int i = at(x, y);
                if (!m_movable[i])
                    continue;
                for (int d = 0; d < 4; ++d) {
                    if (m_movable[i + step[d]] && makesRun(i + step[d], m_type[i], d ^ 1))
                        m_moves.emplace_back(i, i + step[d]);
                }
            }
        }
    }

    const std::vector<std::pair<int, int>>& moves() const { return m_moves; }

private:
    static constexpr int kPad = 2;

    int at(int x, int y) const { return (y + kPad) * m_stride + x + kPad; }

    void scan(int first, int step, int count)
    {
        int length = 1;
        for (int k = 1; k <= count; ++k) {
            const int type = k < count ? m_available[first + k * step] : -1;
            if (type != -1 && type == m_available[first + (k - 1) * step]) {
                ++length;
                continue;
            }
            if (m_available[first + (k - 1) * step] != -1 && length >= m_minRun)
                for (int j = k - length; j < k; ++j)
                    m_groups.push_back(first + j * step);
            length = 1;
        }
    }

    // Would the type on cell i make a run along a line not leaving through the excluded side?
    bool makesRun(int i, int type, int excluded) const
    {
        const int step[4] = {-m_stride, m_stride, 1, -1};
        const int* walk = m_walk.data() + i;
        if (m_minRun == 3) {
            // One or two like stones each way, without loops.
            auto like = [&](int d) {
                return d == excluded || walk[step[d]] != type ? 0 : walk[2 * step[d]] == type ? 2 : 1;
            };
            return like(0) + like(1) >= 2 || like(2) + like(3) >= 2;
        }
        int count[4] = {0, 0, 0, 0};
        for (int d = 0; d < 4; ++d) {
            if (d == excluded)
                continue;
            for (int k = 1; k < m_minRun && k <= kPad && walk[k * step[d]] == type; ++k)
                ++count[d];
        }
        return count[0] + count[1] >= m_minRun - 1 || count[2] + count[3] >= m_minRun - 1;
    }

    int m_width = 0, m_height = 0, m_stride = 0, m_minRun = 3;
    double m_hintDelay = 5.0, m_idle = 0.0;
    std::vector<uint32_t> m_flags;
    std::vector<int> m_type, m_available, m_walk;
    std::vector<float> m_cellX, m_cellY, m_stoneX, m_stoneY;
    std::vector<char> m_hasStone, m_movable;
    std::vector<double> m_explosion, m_swap, m_fade, m_stoneFade, m_stoneHint;
    std::vector<int> m_groups;
    std::vector<std::pair<int, int>> m_moves;
};

void plainFrame(benchmark::State& state, const Spielfeld& board)
{
    PlainBoard plain(board);
    for (auto _ : state) {
        plain.advance(0.025);
        plain.findMatches();
        plain.possibleMoves();
        benchmark::DoNotOptimize(plain.moves().size());
    }
    state.counters["moves"] = static_cast<double>(plain.moves().size());
    if (plain.moves().size() != board.getPossibleMoves().size())
        state.SkipWithError("the plain board finds other moves");
}

void BM_PlainBoardFrame32x32(benchmark::State& state)
{
    Board made;
    made.board->loadLevel(0);
    made.board->start();
    made.board->possibleMoves();
    plainFrame(state, *made.board);
}
BENCHMARK(BM_PlainBoardFrame32x32)->Unit(benchmark::kMicrosecond);

void BM_PlainBoardFrameFreePlay(benchmark::State& state)
{
    Board made;
    made.board->startFreePlay();
    made.board->start();
    made.board->possibleMoves();
    plainFrame(state, *made.board);
}
BENCHMARK(BM_PlainBoardFrameFreePlay)->Unit(benchmark::kMicrosecond);

} // namespace
