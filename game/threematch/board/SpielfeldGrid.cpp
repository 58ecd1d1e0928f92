// The board's grid access, the player's swap, random stones, the spawn and target checks,
// the hint, the light streak and the level-end sweeps.
#include "threematch/board/Spielfeld.h"

#include "foundation/logging/Logger.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/GameSound.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ThreeMatch {

Feld* Spielfeld::getFeld(int column, int row) const
{
    if (column < 0 || row < 0 || column >= m_width || row >= m_height)
        return nullptr;
    return const_cast<Feld*>(&m_cells[static_cast<std::size_t>(row) * m_width + column]);
}

bool Spielfeld::findFeld(const Feld* cell, int& column, int& row) const
{
    if (!cell || m_cells.empty() || cell < m_cells.data() || cell >= m_cells.data() + m_cells.size())
        return false;
    const auto index = static_cast<int>(cell - m_cells.data());
    column = index % m_width;
    row = index / m_width;
    return true;
}

void Spielfeld::getSize(int& width, int& height) const
{
    width = m_width;
    height = m_height;
}

Feld* Spielfeld::getNeighbour(const Feld* cell, int direction) const
{
    int column = 0, row = 0;
    if (!findFeld(cell, column, row))
        return nullptr;
    switch (direction) {
    case Feld::Oben:
        return getFeld(column, row - 1);
    case Feld::Unten:
        return getFeld(column, row + 1);
    case Feld::Rechts:
        return getFeld(column + 1, row);
    case Feld::Links:
        return getFeld(column - 1, row);
    default:
        return nullptr;
    }
}

Feld* Spielfeld::getCellAt(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point) const
{
    for (const Feld& cell : m_cells) {
        if (cell.contains(offset, scale, point))
            return const_cast<Feld*>(&cell);
    }
    return nullptr;
}

void Spielfeld::fitView(D3DXVECTOR2& offset, double& scale, int left, int top, int right, int bottom,
                        double maxScale) const
{
    const double x0 = m_bounds[0] - 100.0, y0 = m_bounds[1] - 100.0;
    const int w = static_cast<int>((m_bounds[2] + 100.0) - x0), h = static_cast<int>((m_bounds[3] + 100.0) - y0);
    if (w <= 0 || h <= 0 || right <= left || bottom <= top)
        return; // no cells to fit
    const double sx = static_cast<double>(right - left) / w, sy = static_cast<double>(bottom - top) / h;
    scale = std::min({sx, sy, maxScale});
    offset.x = static_cast<float>((left + (right - left) / 2) / scale - w / 2 - x0);
    offset.y = static_cast<float>((top + (bottom - top) / 2) / scale - h / 2 - y0);
}

Rohstoff* Spielfeld::randomType()
{
    if (m_levelStones.empty()) {
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"ThreeMatch::Spielfeld::randomStone: keine Steine\n");
        return nullptr;
    }
    const double r = randomFraction();
    std::size_t index = 0;
    for (std::size_t i = 0; i < m_probabilities.size(); ++i) {
        if (m_probabilities[i] >= r) {
            index = i;
            break;
        }
    }
    // A type removed from the level leaves its weight behind.
    return m_levelStones[std::min(index, m_levelStones.size() - 1)];
}

Bildchen* Spielfeld::randomStone()
{
    return newStone(randomType());
}

Bildchen* Spielfeld::getStoneByIndex(int index)
{
    if (m_levelStones.empty())
        return nullptr;
    const int count = static_cast<int>(m_levelStones.size());
    return newStone(m_levelStones[((index % count) + count) % count]);
}

bool Spielfeld::isEvil(const Bildchen* stone) const
{
    const Rohstoffklasse* boese = m_rohstoffe.getBoeseKlasse();
    return boese && stone && stone->getRohstoff() && stone->getRohstoff()->getKlasse() == boese;
}

void Spielfeld::trySwap(Feld* a, Feld* b)
{
    const bool ready = a && b && a->isNeighbour(b) && !a->has(FeldFlag::kUnavailable) &&
                       !b->has(FeldFlag::kUnavailable) && a->isStoneSettled() && b->isStoneSettled();
    if (ready) {
        Bildchen* stoneA = a->getStone();
        Bildchen* stoneB = b->getStone();
        const int minRun = m_globals.getMinRun();
        const int fromA = b->neighbourIndex(a), fromB = a->neighbourIndex(b);
        const bool runAtB = b->wouldMatch(stoneA->getTypId(), minRun, fromA);
        const bool runAtA = a->wouldMatch(stoneB->getTypId(), minRun, fromB);
        if (runAtA || runAtB) {
            const double seconds = m_globals.getSwapTime();
            a->markSwapped(seconds);
            b->markSwapped(seconds);
            stoneA->addPathPoint(b->getPosition(), seconds);
            stoneB->addPathPoint(a->getPosition(), seconds);
            a->setStone(stoneB);
            b->setStone(stoneA);
            stoneA->setFeld(b);
            stoneB->setFeld(a);
            // Clearing evil stones leaves targets behind.
            if (runAtB)
                b->collectRun(stoneA->getTypId(), fromA, seconds, isEvil(stoneA));
            if (runAtA)
                a->collectRun(stoneB->getTypId(), fromB, seconds, isEvil(stoneB));
            playGameSound(m_sounds[Richtig]);
        } else {
            const double half = m_globals.getSwapBackTime();
            a->markSwapped(2.0 * half);
            b->markSwapped(2.0 * half);
            stoneA->addPathPoint(b->getPosition(), half);
            stoneA->addPathPoint(a->getPosition(), half);
            stoneB->addPathPoint(a->getPosition(), half);
            stoneB->addPathPoint(b->getPosition(), half);
            playGameSound(m_sounds[Falsch]);
        }
    }
    if (a)
        a->setSelected(false);
    if (b)
        b->setSelected(false);
    m_selected = nullptr;
}

void Spielfeld::computeFed(int lastRow, std::vector<char>& fed) const
{
    fed.assign(static_cast<std::size_t>(m_width) * m_height, 0);
    for (int y = 0; y <= lastRow && y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            if (cell.getFlags() == 0)
                continue;
            bool isFed = cell.has(FeldFlag::Quelle);
            if (!isFed && y > 0) {
                const char* above = &fed[static_cast<std::size_t>(y - 1) * m_width];
                isFed = above[x] || (x > 0 && above[x - 1]) || (x < m_width - 1 && above[x + 1]);
            }
            fed[static_cast<std::size_t>(y) * m_width + x] = isFed ? 1 : 0;
        }
    }
}

bool Spielfeld::isFed(int column, int row) const
{
    if (!getFeld(column, row))
        return false;
    // Row by row from the top, the same as asking the cells above in turn.
    std::vector<char> fed;
    computeFed(row, fed);
    return fed[static_cast<std::size_t>(row) * m_width + column] != 0;
}

bool Spielfeld::findTopFeeder(int column, int row, int& topColumn, int& topRow) const
{
    const Feld* start = getFeld(column, row);
    if (!start || start->getFlags() == 0)
        return false;
    topColumn = column;
    topRow = row;
    // Depth first, straight up before up-left before up-right; each cell is walked once,
    // which finds the cells in the same order as walking every path.
    std::vector<char> seen(static_cast<std::size_t>(m_width) * m_height, 0);
    std::vector<std::pair<int, int>> stack{{column, row}};
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        char& mark = seen[static_cast<std::size_t>(y) * m_width + x];
        if (mark)
            continue;
        mark = 1;
        if (y < topRow) {
            topRow = y;
            topColumn = x;
        }
        const int next[3] = {x + 1, x - 1, x}; // pushed in reverse of the walking order
        for (int nx : next) {
            const Feld* above = getFeld(nx, y - 1);
            if (above && above->getFlags() != 0)
                stack.emplace_back(nx, y - 1);
        }
    }
    return true;
}

bool Spielfeld::canHoldRun(int column, int row, bool checkSource) const
{
    if (checkSource && !isFed(column, row))
        return false;
    // Only playable cells can carry a run.
    auto usable = [this](int x, int y) {
        const Feld* cell = getFeld(x, y);
        return cell && cell->has(FeldFlag::Spielbar);
    };
    const int steps[2][2] = {{1, 0}, {0, 1}};
    for (const auto& step : steps) {
        int count = 1;
        for (int sign : {-1, 1}) {
            for (int k = 1; k <= 2 && usable(column + sign * k * step[0], row + sign * k * step[1]); ++k)
                ++count;
        }
        if (count >= 3)
            return true;
    }
    return false;
}

int Spielfeld::checkTargets(bool strict)
{
    int kept = 0;
    for (int x = 0; x < m_width; ++x) {
        for (int y = m_height - 1; y >= 0; --y) {
            Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            if (!cell.has(FeldFlag::kZiel))
                continue;
            if (canHoldRun(x, y, strict))
                ++kept;
            else
                cell.setFlags(cell.getFlags() & ~FeldFlag::kZiel);
        }
    }
    return kept;
}

void Spielfeld::markRadius(const D3DXVECTOR2& offset, double scale, const D3DXVECTOR2& point, int radius)
{
    const Feld* found = getCellAt(offset, scale, point);
    int fx = 0, fy = 0;
    if (found)
        findFeld(found, fx, fy);
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const int dx = static_cast<int>(i % m_width) - fx, dy = static_cast<int>(i / m_width) - fy;
        const bool inside = found && std::abs(dx) <= radius && std::abs(dy) <= radius &&
                            std::sqrt(static_cast<double>(dx * dx + dy * dy)) <= radius;
        m_cells[i].setSelected(inside);
    }
}

void Spielfeld::showHint()
{
    if (!m_possibleMoves.empty()) {
        const auto& pair = m_possibleMoves[randomIndex(static_cast<int>(m_possibleMoves.size()))];
        // The stones blink down to nothing and back; the cells' marks show the pair meanwhile.
        for (Feld* cell : {pair.first, pair.second}) {
            if (Bildchen* stone = cell->getStone()) {
                stone->setHint(m_globals.getHintTime());
                cell->setHint(true);
            }
        }
    }
    m_idleTime = 0.0;
}

void Spielfeld::setScreenSize(int width, int height)
{
    m_screenWidth = width;
    m_screenHeight = height;
    const double diagonal = std::hypot(static_cast<double>(width), static_cast<double>(height));
    const double textureWidth = m_falloff && m_falloff->getWidth() > 0 ? m_falloff->getWidth() : 256.0;
    m_falloffScale.x = static_cast<float>(diagonal / textureWidth);
}

void Spielfeld::updateFalloff(double dt)
{
    m_falloffCountdown -= dt;
    m_falloffPosition += m_falloffDirection * static_cast<float>(dt);
    if (m_falloffCountdown > 0.0)
        return;
    const int quarter = static_cast<int>(randomFraction() * 4.0);
    m_falloffAngle = 45.0 + 90.0 * quarter;
    const double radians = m_falloffAngle * std::numbers::pi / 180.0;
    const D3DXVECTOR2 direction(static_cast<float>(std::cos(radians)), static_cast<float>(std::sin(radians)));
    const double hw = m_screenWidth / 2.0, hh = m_screenHeight / 2.0;
    const float reach = static_cast<float>(std::hypot(hw, hh));
    m_falloffPosition = D3DXVECTOR2(static_cast<float>(hw), static_cast<float>(hh)) - direction * reach;
    m_falloffDirection = direction * 300.0f;
    m_falloffAngle += 90.0; // the sprite lies across its path
    m_falloffCountdown =
        randomFraction() * 20.0 + std::hypot(static_cast<double>(m_screenWidth), m_screenHeight) * 6.0 / 300.0;
}

void Spielfeld::startWonSweep()
{
    int top = -1, bottom = -1;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            if (m_cells[static_cast<std::size_t>(y) * m_width + x].has(FeldFlag::Spielbar)) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
        }
    }
    // One row beyond each end of the playable rows, the upper one not above row 0.
    const int first = top < 0 ? -1 : bottom + 1;
    const int last = top < 0 ? -1 : std::max(top - 1, 0);
    double time = 0.1, duration = 0.5;
    for (int row = first; row >= last; --row) {
        duration *= 0.9;
        for (int x = 0; row >= 0 && row < m_height && x < m_width; ++x)
            m_cells[static_cast<std::size_t>(row) * m_width + x].setFade(time, duration);
        time += duration;
    }
    m_endDelay = time + duration * 0.9;
}

void Spielfeld::startLostSweep()
{
    std::vector<Feld*> order;
    for (int y = m_height - 1; y >= 0; --y) {
        for (int x = 0; x < m_width; ++x) {
            Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            if (cell.has(FeldFlag::Spielbar))
                order.push_back(&cell);
        }
    }
    const int count = static_cast<int>(order.size());
    for (int i = 0; i < 4 * count; ++i) {
        const auto taken = order.begin() + randomIndex(count);
        Feld* cell = *taken;
        order.erase(taken);
        order.push_back(cell);
    }
    double delay = 0.1, duration = 0.5;
    for (int i = 0; i < count; ++i) {
        order[i]->setFade(delay, duration);
        if ((i + 1) % 10 == 0) {
            duration *= 0.9;
            delay += duration;
        }
    }
    m_endDelay = duration * 0.9 + delay;
}

void Spielfeld::replaceStoneType(Rohstoff* oldType, Rohstoff* newType, double seconds)
{
    if (newType) {
        const StoneLooks looks = looksOf(newType);
        for (Bildchen* stone : m_stones) {
            if (stone->getRohstoff() == oldType)
                stone->setRohstoff(newType, seconds, &looks);
        }
    }
    for (std::size_t i = m_levelStones.size(); i-- > 0;) {
        if (m_levelStones[i] != oldType)
            continue;
        if (newType)
            m_levelStones[i] = newType;
        else
            m_levelStones.erase(m_levelStones.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

} // namespace ThreeMatch
