#pragma once
// A match group: the cells of runs that share cells, each cell once, in the order found.
// When the board sets the group off, its cells burst one after another.
#include <string>
#include <vector>

namespace ThreeMatch {

class Feld;

class Gruppe {
public:
    explicit Gruppe(const std::wstring& soundName) : m_soundName(soundName) {}

    bool contains(const Feld* cell) const;
    // Appends the cell unless the group holds it already.
    void add(Feld* cell);
    const std::vector<Feld*>& getCells() const { return m_cells; }
    const std::wstring& getSoundName() const { return m_soundName; }

    // Every cell starts exploding, the first added after base seconds and each further one
    // step later, and learns the group's size. A cell already exploding keeps its timer.
    void explode(double base, double step) const;

private:
    std::vector<Feld*> m_cells;
    std::wstring m_soundName;
};

} // namespace ThreeMatch
