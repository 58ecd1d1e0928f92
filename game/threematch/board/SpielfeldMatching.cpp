// The board's match scan, its match groups and the move search.
#include "threematch/board/Spielfeld.h"

#include "threematch/board/Bildchen.h"
#include "threematch/globals/MyGlobals.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ThreeMatch {

namespace {

// The direction back from a neighbour: up and down, right and left swap.
constexpr int opposite(int direction)
{
    return direction ^ 1;
}

// wouldMatchAt for runs of three over a line of cells, without branches, so that the compiler
// can test several cells at once: the stone of cell p moved to its neighbour q makes a run when
// the two cells beyond q hold its type, or when the cells across q hold it twice (one or two on
// each side). Bits: up, down, right, left. The border is three wide, so that every test may read.
void movesOfThreeOnLine(const int* __restrict w, const char* __restrict m, unsigned char* __restrict bits, int width,
                        std::ptrdiff_t S)
{
    for (int x = 0; x < width; ++x) {
        const int t = w[x];
        auto eq = [&](std::ptrdiff_t offset) { return static_cast<unsigned>(w[x + offset] == t); };
        // Two or more of four tests, the second of each side only with its first.
        auto twoAcross = [&](std::ptrdiff_t q, std::ptrdiff_t side) {
            const unsigned a = eq(q + side), b = eq(q - side);
            return static_cast<unsigned>(a + (a & eq(q + 2 * side)) + b + (b & eq(q - 2 * side)) >= 2);
        };
        const unsigned up = static_cast<unsigned>(m[x - S] != 0) & ((eq(-2 * S) & eq(-3 * S)) | twoAcross(-S, 1));
        const unsigned down = static_cast<unsigned>(m[x + S] != 0) & ((eq(2 * S) & eq(3 * S)) | twoAcross(S, 1));
        const unsigned right = static_cast<unsigned>(m[x + 1] != 0) & ((eq(2) & eq(3)) | twoAcross(1, S));
        const unsigned left = static_cast<unsigned>(m[x - 1] != 0) & ((eq(-2) & eq(-3)) | twoAcross(-1, S));
        bits[x] = static_cast<unsigned char>((static_cast<unsigned>(m[x] != 0) * 15u) &
                                             (up | down << 1 | right << 2 | left << 3));
    }
}

// Marks the rows and the columns of a grid of types that hold three like ones in a row (no
// type being -1), without a branch per cell.
void markTriplesOf(const int* __restrict types, int width, int height, char* __restrict rows, char* __restrict columns)
{
    for (int y = 0; y < height; ++y) {
        const int* row = types + static_cast<std::ptrdiff_t>(y) * width;
        int any = 0;
        for (int x = 0; x + 2 < width; ++x)
            any |= (row[x] != -1) & (row[x] == row[x + 1]) & (row[x + 1] == row[x + 2]);
        rows[y] = static_cast<char>(any);
    }
    for (int y = 0; y + 2 < height; ++y) {
        const int* a = types + static_cast<std::ptrdiff_t>(y) * width;
        const int* b = a + width;
        const int* c = b + width;
        for (int x = 0; x < width; ++x)
            columns[x] = static_cast<char>(columns[x] | ((a[x] != -1) & (a[x] == b[x]) & (b[x] == c[x])));
    }
}

} // namespace

bool Spielfeld::isAvailable(const Feld& cell) const
{
    return !cell.has(FeldFlag::kUnavailable) && cell.isStoneSettled();
}

bool Spielfeld::makesRun(const Feld& cell, int type) const
{
    if (cell.has(FeldFlag::kBusy))
        return false;
    auto alike = [&](const Feld* other) { return other && isAvailable(*other) && other->getStoneType() == type; };
    for (int direction : {Feld::Oben, Feld::Rechts}) {
        int length = 1;
        for (int side : {direction, opposite(direction)}) {
            for (const Feld* at = cell.getNeighbour(side); alike(at); at = at->getNeighbour(side))
                ++length;
        }
        if (length >= m_globals.getMinRun())
            return true;
    }
    return false;
}

void Spielfeld::evaluateRun(int x, int y, int dx, int dy, int length)
{
    if (length < m_globals.getMinRun())
        return;
    auto runCell = [&](int k) { return &m_cells[static_cast<std::size_t>(y + k * dy) * m_width + (x + k * dx)]; };
    // Runs that share a cell join the group where a shared cell was found last.
    int target = -1;
    for (int k = 1; k <= length; ++k) {
        const Feld* cell = runCell(k);
        for (std::size_t g = 0; g < m_groups.size(); ++g) {
            if (m_groups[g].contains(cell))
                target = static_cast<int>(g);
        }
    }
    if (target < 0) {
        m_groups.emplace_back(m_sounds[SprengBlob]);
        target = static_cast<int>(m_groups.size()) - 1;
    }
    for (int k = 1; k <= length; ++k)
        m_groups[target].add(runCell(k));
}

void Spielfeld::scanLine(int x, int y, int dx, int dy, int count)
{
    const int minRun = m_globals.getMinRun();
    const int* types = m_scanTypes.data() + static_cast<std::ptrdiff_t>(y) * m_width + x;
    const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(dy) * m_width + dx;
    int current = -1, length = 1;
    for (int i = 0; i < count; ++i, types += step) {
        const int type = *types;
        if (type != -1 && type == current) {
            ++length;
            continue;
        }
        if (current != -1 && length >= minRun)
            evaluateRun(x + i * dx, y + i * dy, -dx, -dy, length);
        current = type;
        length = 1;
    }
    if (current != -1 && length >= minRun)
        evaluateRun(x + count * dx, y + count * dy, -dx, -dy, length);
}

void Spielfeld::findMatches()
{
    m_groups.clear();
    // Each cell's stone is read once: the type of a settled stone on a cell in no swap or
    // explosion, else none.
    m_scanTypes.resize(m_cells.size());
    int* types = m_scanTypes.data();
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        // isAvailable without a branch on the stone: a cell without one measures itself.
        const Feld& cell = m_cells[i];
        const Bildchen* stone = cell.getStone();
        const D3DXVECTOR2& at = stone ? stone->getPosition() : cell.getPosition();
        const float dx = at.x - cell.getPosition().x, dy = at.y - cell.getPosition().y;
        const bool available = (stone != nullptr) & !cell.has(FeldFlag::kUnavailable) & (dx * dx + dy * dy < 0.01f);
        types[i] = available ? cell.getStoneType() : -1;
    }
    // Runs of three or more hold three like stones in a row: lines without such a triple are
    // left out of the scan (most frames find no run at all), found without a branch per cell.
    const int minRun = m_globals.getMinRun();
    m_rowHasTriple.assign(static_cast<std::size_t>(m_height), minRun < 3);
    m_columnHasTriple.assign(static_cast<std::size_t>(m_width), minRun < 3);
    if (minRun >= 3)
        markTriples();
    // Rows from the bottom up, each from the left; then columns from the right, each from the
    // top. A run is judged at the cell that breaks it, or past the line's end.
    for (int y = m_height - 1; y >= 0; --y)
        if (m_rowHasTriple[static_cast<std::size_t>(y)])
            scanLine(0, y, 1, 0, m_width);
    for (int x = m_width - 1; x >= 0; --x)
        if (m_columnHasTriple[static_cast<std::size_t>(x)])
            scanLine(x, 0, 0, 1, m_height);
}

void Spielfeld::markTriples()
{
    markTriplesOf(m_scanTypes.data(), m_width, m_height, m_rowHasTriple.data(), m_columnHasTriple.data());
}

void Spielfeld::explodeGroups()
{
    for (const Gruppe& group : m_groups)
        group.explode(m_globals.getGroupDelay(), m_globals.getGroupStagger());
    m_groups.clear();
}

void Spielfeld::explodeCell(Feld* cell)
{
    if (!cell)
        return;
    if (cell == m_selected) {
        m_selected->setSelected(false);
        m_selected = nullptr;
    }
    m_groups.emplace_back(m_sounds[SprengBlob]);
    m_groups.back().add(cell);
    explodeGroups();
}

inline bool Spielfeld::wouldMatchAt(std::size_t at, int type, int runLength, int excludedDirection) const
{
    // Feld::wouldMatch on the padded grid. Its test asks only whether a line holds runLength - 1
    // like stones, so no walker needs to go further than that; the border is as wide.
    const int need = runLength - 1;
    if (need <= 0)
        return true;
    const int* types = m_walkTypes.data() + at;
    const std::ptrdiff_t stride = m_width + 2 * m_movePadding;
    if (need == 2) {
        // The game's runs of three, without loops: one or two like stones each way.
        auto run = [&](std::ptrdiff_t step, int d) {
            return d == excludedDirection || types[step] != type ? 0 : types[2 * step] == type ? 2 : 1;
        };
        return run(1, Feld::Rechts) + run(-1, Feld::Links) >= 2 ||
               run(-stride, Feld::Oben) + run(stride, Feld::Unten) >= 2;
    }
    const std::ptrdiff_t delta[4] = {-stride, stride, 1, -1};
    int counts[4] = {0, 0, 0, 0};
    for (int d = 0; d < 4; ++d) {
        if (d == excludedDirection)
            continue;
        const int* next = types + delta[d];
        for (int k = 0; k < need && *next == type; ++k, next += delta[d])
            ++counts[d];
    }
    return counts[Feld::Rechts] + counts[Feld::Links] >= need || counts[Feld::Oben] + counts[Feld::Unten] >= need;
}

void Spielfeld::possibleMoves()
{
    m_possibleMoves.clear();
    const int minRun = m_globals.getMinRun();
    // The cells' types in a grid with a border of empty cells, so that no walker needs a
    // bounds test.
    m_movePadding = minRun == 3 ? 3 : std::max(1, minRun - 1);
    const int pad = m_movePadding;
    const int stride = m_width + 2 * pad;
    const std::size_t count = static_cast<std::size_t>(stride) * (m_height + 2 * pad);
    // The border stays empty: only the cells inside are written.
    if (m_walkTypes.size() != count) {
        m_walkTypes.assign(count, -1);
        m_movable.assign(count, 0);
    }
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            const std::size_t at = static_cast<std::size_t>(y + pad) * stride + x + pad;
            // canMove and the walkers' test without branches.
            const uint32_t flags = cell.getFlags();
            const bool stone = cell.getStone() != nullptr;
            m_walkTypes[at] = stone & !(flags & FeldFlag::kBusy) ? cell.getStoneType() : -1;
            m_movable[at] = static_cast<char>(stone & ((flags & FeldFlag::Spielbar) != 0) &
                                              !(flags & (FeldFlag::kUnavailable | FeldFlag::Locked)));
        }
    }
    const std::ptrdiff_t delta[4] = {-stride, stride, 1, -1};
    const std::ptrdiff_t cellDelta[4] = {-m_width, m_width, 1, -1};
    if (minRun == 3) {
        findMovesOfThree();
        return;
    }
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y + pad) * stride + x + pad;
            if (!m_movable[at])
                continue;
            const std::size_t index = static_cast<std::size_t>(y) * m_width + x;
            for (int d = 0; d < 4; ++d) {
                const auto next = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + delta[d]);
                if (m_movable[next] && wouldMatchAt(next, m_walkTypes[at], minRun, opposite(d)))
                    m_possibleMoves.emplace_back(&m_cells[index],
                                                 &m_cells[static_cast<std::ptrdiff_t>(index) + cellDelta[d]]);
            }
        }
    }
}

void Spielfeld::findMovesOfThree()
{
    // The rows with the border between them as one line: a long loop for the compiler to test
    // several cells at once; the border's cells are not movable, so their bits stay clear.
    if (m_width <= 0 || m_height <= 0)
        return;
    const std::ptrdiff_t stride = m_width + 2 * m_movePadding;
    const std::ptrdiff_t first = m_movePadding * stride + m_movePadding;
    const std::ptrdiff_t length = (m_height - 1) * stride + m_width;
    m_moveBits.resize(static_cast<std::size_t>(length));
    movesOfThreeOnLine(m_walkTypes.data() + first, m_movable.data() + first, m_moveBits.data(),
                       static_cast<int>(length), stride);
    const std::ptrdiff_t cellDelta[4] = {-m_width, m_width, 1, -1};
    for (int y = 0; y < m_height; ++y) {
        Feld* rowCells = &m_cells[static_cast<std::size_t>(y) * m_width];
        const unsigned char* bits = m_moveBits.data() + y * stride;
        for (int x = 0; x < m_width; ++x) {
            // Most cells have no move: eight at a time are passed over together.
            if (uint64_t eight = 0; x + 8 <= m_width && (std::memcpy(&eight, bits + x, 8), eight == 0)) {
                x += 7;
                continue;
            }
            for (int d = 0; d < 4; ++d)
                if (bits[x] & (1u << d))
                    m_possibleMoves.emplace_back(rowCells + x, rowCells + x + cellDelta[d]);
        }
    }
}

} // namespace ThreeMatch
