#include "threematch/board/Gruppe.h"

#include "threematch/board/Feld.h"

#include <algorithm>

namespace ThreeMatch {

bool Gruppe::contains(const Feld* cell) const
{
    return std::find(m_cells.rbegin(), m_cells.rend(), cell) != m_cells.rend();
}

void Gruppe::add(Feld* cell)
{
    if (cell && !contains(cell))
        m_cells.push_back(cell);
}

void Gruppe::explode(double base, double step) const
{
    const int size = static_cast<int>(m_cells.size());
    for (int i = size - 1; i >= 0; --i) {
        m_cells[i]->startExplosion(i * step + base, m_soundName);
        m_cells[i]->setGroupSize(size);
    }
}

} // namespace ThreeMatch
