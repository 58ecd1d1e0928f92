// One frame of the board at rest: its update, a match scan and a move search, on a 32 x 32
// board laid out like a free-play board (stamps of stones under spawn rows, with targets),
// and on a free-play board built from such stamps. No device: the logic alone. For
// reference, the same frame on the same boards by a plain-array board written here: one flat
// array of small cells (stone type, place and timers together) with a border of holes, a
// straightforward scan and a move search that counts like stones from the target cell.
// BM_BoardAgainstPlain lets the two take turns and reports the ratio of their times.
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/stones/RohstoffManager.h"

#include <benchmark/benchmark.h>
#include <crt.h>

#include "threematch/board/Bildchen.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
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

// The plain-array board: the same rules on one flat array of small cells with a border of
// holes two wide, so that no walk needs a bounds test; a cell holds its stone's type, place
// and timers, as a board written from scratch would keep them. Copied from a built board.
class PlainBoard {
public:
    explicit PlainBoard(const Spielfeld& board)
    {
        board.getSize(m_width, m_height);
        m_minRun = board.getGlobals().getMinRun();
        m_hintDelay = board.getGlobals().getHintDelay();
        m_hintTime = board.getGlobals().getHintTime();
        m_stride = m_width + 2 * kPad;
        const std::size_t n = static_cast<std::size_t>(m_stride) * (m_height + 2 * kPad);
        m_cells.assign(n, Cell{});
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const Feld& from = *board.getFeld(x, y);
                Cell& cell = m_cells[at(x, y)];
                cell.flags = from.getFlags();
                cell.x = from.getPosition().x;
                cell.y = from.getPosition().y;
                if (const Bildchen* stone = from.getStone()) {
                    cell.type = typeIndex(from.getStoneType());
                    cell.stone = 1;
                    cell.stoneX = stone->getPosition().x;
                    cell.stoneY = stone->getPosition().y;
                }
            }
        }
        m_available.assign(n, -1);
        m_walk.assign(n, -1);
        m_movable.assign(n, 0);
        m_groups.reserve(n);
        m_moves.reserve(4 * n);
    }

    void advance(double dt)
    {
        bool busy = false, anyEmpty = false;
        for (Cell& cell : m_cells) {
            if (cell.flags & FeldFlag::kBusy) {
                if (cell.flags & FeldFlag::Sprengt) {
                    cell.explosion -= dt;
                    busy = true;
                }
                if (cell.flags & FeldFlag::Tausch) {
                    cell.swap -= dt;
                    if (cell.swap <= 0.0f)
                        cell.flags &= ~FeldFlag::Tausch;
                }
            }
            if (cell.stone) {
                if (cell.hint > 0.0f)
                    cell.hint -= dt;
                busy = busy || cell.stoneX != cell.x || cell.stoneY != cell.y;
            }
            anyEmpty = anyEmpty || (cell.flags & FeldFlag::Leer);
        }
        benchmark::DoNotOptimize(anyEmpty);
        findMatches();
        m_idle = busy ? 0.0 : m_idle + dt;
        if (m_idle >= m_hintDelay) {
            possibleMoves();
            if (!m_moves.empty()) {
                m_hintPick = (m_hintPick + 1) % m_moves.size();
                m_cells[m_moves[m_hintPick].first].hint = static_cast<float>(m_hintTime);
                m_cells[m_moves[m_hintPick].second].hint = static_cast<float>(m_hintTime);
            }
            m_idle = 0.0;
        }
    }

    void findMatches()
    {
        m_groups.clear();
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            const Cell& cell = m_cells[i];
            const float dx = cell.stoneX - cell.x, dy = cell.stoneY - cell.y;
            m_available[i] =
                cell.stone && !(cell.flags & FeldFlag::kUnavailable) && dx * dx + dy * dy < 0.01f ? cell.type : -1;
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
                const Cell& cell = m_cells[i];
                m_movable[i] = cell.stone && (cell.flags & FeldFlag::Spielbar) &&
                               !(cell.flags & (FeldFlag::kUnavailable | FeldFlag::Locked));
                m_walk[i] = cell.stone && !(cell.flags & FeldFlag::kBusy) ? cell.type : -1;
            }
        }
        const int step[4] = {-m_stride, m_stride, 1, -1};
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                const int i = at(x, y);
                if (!m_movable[i])
                    continue;
                for (int d = 0; d < 4; ++d) {
                    if (m_movable[i + step[d]] && makesRun(i + step[d], m_walk[i], d ^ 1))
                        m_moves.emplace_back(i, i + step[d]);
                }
            }
        }
    }

    const std::vector<std::pair<int, int>>& moves() const { return m_moves; }

    // The same pairs of cells, in the same order, as the game's board found.
    bool sameMoves(const Spielfeld& board) const
    {
        const auto& theirs = board.getPossibleMoves();
        if (theirs.size() != m_moves.size())
            return false;
        for (std::size_t k = 0; k < m_moves.size(); ++k) {
            const auto& [a, b] = theirs[k];
            if (at(a->getColumn(), a->getRow()) != m_moves[k].first ||
                at(b->getColumn(), b->getRow()) != m_moves[k].second)
                return false;
        }
        return true;
    }

private:
    static constexpr int kPad = 2;

    // What a frame reads of a cell sits in its first bytes.
    struct Cell {
        uint32_t flags = 0;
        int8_t type = -1;
        uint8_t stone = 0;
        float x = 0.0f, y = 0.0f, stoneX = 0.0f, stoneY = 0.0f;
        float hint = -1.0f, explosion = 0.0f, swap = 0.0f;
    };

    int at(int x, int y) const { return (y + kPad) * m_stride + x + kPad; }

    // The board's own numbering of the stone types it was given: 0, 1, 2, ...
    int8_t typeIndex(int typeId)
    {
        for (std::size_t k = 0; k < m_typeIds.size(); ++k)
            if (m_typeIds[k] == typeId)
                return static_cast<int8_t>(k);
        m_typeIds.push_back(typeId);
        return static_cast<int8_t>(m_typeIds.size() - 1);
    }

    void scan(int first, int step, int count)
    {
        const int8_t* line = m_available.data() + first;
        int length = 1;
        for (int k = 1; k <= count; ++k) {
            const int type = k < count ? line[k * step] : -1;
            if (type != -1 && type == line[(k - 1) * step]) {
                ++length;
                continue;
            }
            if (line[(k - 1) * step] != -1 && length >= m_minRun)
                for (int j = k - length; j < k; ++j)
                    m_groups.push_back(first + j * step);
            length = 1;
        }
    }

    // Would the type on cell i make a run along a line not leaving through the excluded side?
    bool makesRun(int i, int type, int excluded) const
    {
        const int step[4] = {-m_stride, m_stride, 1, -1};
        const int8_t* walk = m_walk.data() + i;
        if (m_minRun == 3) {
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
    double m_hintDelay = 5.0, m_hintTime = 1.0, m_idle = 0.0;
    std::size_t m_hintPick = 0;
    std::vector<int> m_typeIds;
    std::vector<Cell> m_cells;
    std::vector<int8_t> m_available, m_walk;
    std::vector<char> m_movable;
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
    if (!plain.sameMoves(board))
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

// The game's board and the plain one taking turns, a block of frames each, timed on this thread's
// processor clock (steadier than the wall clock on a busy machine). "ratio" is the plain board's
// time over the game's: above 1 the game's board is the faster one. Argument 0: the 32 x 32 level,
// 1: free play.
void BM_BoardAgainstPlain(benchmark::State& state)
{
    Board made;
    if (state.range(0) == 0)
        made.board->loadLevel(0);
    else
        made.board->startFreePlay();
    made.board->start();
    made.board->possibleMoves();
    Spielfeld& board = *made.board;
    PlainBoard plain(board);
    auto threadMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
    };
    constexpr int kBlock = 50;
    std::vector<double> game, reference, ratios;
    for (auto _ : state) {
        const double a = threadMs();
        for (int k = 0; k < kBlock; ++k) {
            board.advance(0.025, 0.025);
            board.findMatches();
            board.possibleMoves();
            benchmark::DoNotOptimize(board.getPossibleMoves().size());
        }
        const double b = threadMs();
        for (int k = 0; k < kBlock; ++k) {
            plain.advance(0.025);
            plain.findMatches();
            plain.possibleMoves();
            benchmark::DoNotOptimize(plain.moves().size());
        }
        const double c = threadMs();
        game.push_back((b - a) * 1e3 / kBlock);
        reference.push_back((c - b) * 1e3 / kBlock);
        ratios.push_back((c - b) / (b - a));
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    state.counters["game_us"] = median(game);
    state.counters["plain_us"] = median(reference);
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = ratios.empty() ? 0.0 : *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = ratios.empty() ? 0.0 : *std::max_element(ratios.begin(), ratios.end());
    if (!plain.sameMoves(board))
        state.SkipWithError("the plain board finds other moves");
    if (board.isBusy() || board.getState() != Spielfeld::Laeuft)
        state.SkipWithError("the board did not stay at rest");
}
BENCHMARK(BM_BoardAgainstPlain)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

} // namespace
