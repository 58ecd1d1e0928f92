// The board's match scan, its match groups and the move search.
#include "threematch/board/Spielfeld.h"

#include "threematch/globals/MyGlobals.h"

namespace ThreeMatch {

namespace {

// The direction back from a neighbour: up and down, right and left swap.
constexpr int opposite(int direction)
{
    return direction ^ 1;
}

bool canMove(const Feld* cell)
{
    return cell && cell->has(FeldFlag::Spielbar) && !cell->has(FeldFlag::kUnavailable | FeldFlag::Locked) &&
           cell->getStone();
}

} // namespace

bool Spielfeld::isAvailable(const Feld& cell) const
{
    return !cell.has(FeldFlag::kUnavailable) && cell.isStoneSettled();
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

void Spielfeld::findMatches()
{
    m_groups.clear();
    // Rows from the bottom up, each from the left; then columns from the right, each from the
    // top. A run is judged at the cell that breaks it, or past the line's end.
    for (int y = m_height - 1; y >= 0; --y) {
        int current = -1, length = 1;
        for (int x = 0; x < m_width; ++x) {
            const Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            const int type = isAvailable(cell) ? cell.getStone()->getTypId() : -1;
            if (type != -1 && type == current) {
                ++length;
                continue;
            }
            if (current != -1)
                evaluateRun(x, y, -1, 0, length);
            current = type;
            length = 1;
        }
        if (current != -1)
            evaluateRun(m_width, y, -1, 0, length);
    }
    for (int x = m_width - 1; x >= 0; --x) {
        int current = -1, length = 1;
        for (int y = 0; y < m_height; ++y) {
            const Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            const int type = isAvailable(cell) ? cell.getStone()->getTypId() : -1;
            if (type != -1 && type == current) {
                ++length;
                continue;
            }
            if (current != -1)
                evaluateRun(x, y, 0, -1, length);
            current = type;
            length = 1;
        }
        if (current != -1)
            evaluateRun(x, m_height, 0, -1, length);
    }
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

void Spielfeld::possibleMoves()
{
    m_possibleMoves.clear();
    const int minRun = m_globals.getMinRun();
    for (Feld& cell : m_cells) {
        if (!canMove(&cell))
            continue;
        const int type = cell.getStone()->getTypId();
        for (int i = 0; i < 4; ++i) {
            Feld* neighbour = cell.getNeighbour(i);
            if (canMove(neighbour) && neighbour->wouldMatch(type, minRun, opposite(i)))
                m_possibleMoves.emplace_back(&cell, neighbour);
        }
    }
}

} // namespace ThreeMatch
