// What each of the eight bonuses does to the board.
#include "threematch/bonuses/Bonus.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/board/Bildchen.h"
#include "threematch/board/Feld.h"
#include "threematch/board/PunkteAnzeige.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameSound.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/particles/PartikelManager.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <crt.h>

namespace ThreeMatch {

// ---------------------------------------------------------------- hammer

Hammer_Bonus::Hammer_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"platzen") {}

bool Hammer_Bonus::apply(Feld* cell)
{
    if (!m_board || !qualifies(cell))
        return false;
    burst(*cell, baseDelay());
    strikeCell(*cell, 0.0);
    return true;
}

// ---------------------------------------------------------------- lightning

Blitz_Bonus::Blitz_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"donner")
{
    node.readInt(L"ANZ_BLITZE", m_strikes);
}

bool Blitz_Bonus::apply(Feld*)
{
    if (!m_board)
        return false;
    int width = 0, height = 0;
    m_board->getSize(width, height);
    if (width <= 0 || height <= 0)
        return false;
    // Draws end once no cell is left to strike; the count alone would draw for ever on a
    // board with fewer qualifying cells than strikes.
    int left = 0;
    for (const Feld& cell : m_board->getFelder())
        left += qualifies(&cell) ? 1 : 0;
    int struck = 0;
    do {
        const int x = crt_rand() % width;
        const int y = crt_rand() % height;
        Feld* cell = m_board->getFeld(x, y);
        if (!qualifies(cell))
            continue;
        burst(*cell, baseDelay());
        strike(*cell, 0, -225, 100, 75, 0.0);
        ++struck;
        --left;
    } while (struck < m_strikes && left > 0);
    playGameSound(getSoundName());
    return true;
}

// ---------------------------------------------------------------- bomb

Bombe_Bonus::Bombe_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"bomb") {}

bool Bombe_Bonus::apply(Feld* cell)
{
    int cx = 0, cy = 0;
    if (!diskQualifies(cell, cx, cy))
        return false;
    const double base = baseDelay(), stagger = step();
    forDisk(cx, cy, [&](Feld& target, int distance) {
        if (!qualifies(&target))
            return;
        const double delay = stagger * distance * 2.0;
        burst(target, base + delay);
        strikeCell(target, delay);
    });
    return true;
}

// ---------------------------------------------------------------- time

Time_Bonus::Time_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"finish")
{
    int seconds = 0;
    if (node.readInt(L"TIME", seconds))
        m_time = seconds;
}

bool Time_Bonus::apply(Feld*)
{
    if (!m_board)
        return false;
    m_board->setBonusTime(m_time, m_globals.getTimeBonusDuration());
    PartikelManager& particles = m_globals.getPartikelManager();
    if (const EmitterInfo* sparks = particles.findEmitterInfo(L"Zeit_Emitter")) {
        // The sparks fly from the first point to the time display as the board adds the time.
        m_globals.makeZigZag(m_globals.getZigZagStart(), m_globals.getZigZagEnd());
        const D3DXVECTOR2& from = m_globals.getZigZagStart();
        particles.addEmitter(new PartikelEmitter(*sparks, from.x, from.y, 1.0, &m_globals.getZigZagPath(), 0), false);
        playGameSound(getSoundName());
    }
    return true;
}

// ---------------------------------------------------------------- points

Punkte_Bonus::Punkte_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"punkte")
{
    node.readInt(L"PUNKTE", m_punkte);
}

bool Punkte_Bonus::apply(Feld* cell)
{
    if (!m_board || !qualifies(cell) || !cell->getStone())
        return false;
    burst(*cell, baseDelay());
    strikeCell(*cell, 0.0);
    if (Rohstoff* type = cell->getStone()->getRohstoff()) {
        type->getKlasse()->addLevelPunkte(m_punkte);
        // The extra points rise from the stone as every cleared stone's points do, straight up
        // at a steady pace (no draw from the game's random sequence).
        const D3DXVECTOR2 from = cell->getStone()->getPosition();
        const D3DXVECTOR2 to = from - D3DXVECTOR2(0.0f, 120.0f);
        m_board->addPopup(new PunkteAnzeige(0.6, m_punkte, from, type->getKlasse()->getColor(), &to));
    }
    PartikelManager& particles = m_globals.getPartikelManager();
    if (const EmitterInfo* stars = particles.findEmitterInfo(L"Punkte_Emitter")) {
        // A shower of stars over the cell, placed through the board's view as its splinters are.
        const double s = particles.getScale();
        const float x = toFloat((cell->getPosition().x + particles.getOffsetX() + 50.0) * s);
        const float y = toFloat((cell->getPosition().y + particles.getOffsetY() + 50.0) * s);
        particles.addEmitter(new PartikelEmitter(*stars, x, y), false);
    }
    return true;
}

// ---------------------------------------------------------------- random

Zufall_Bonus::Zufall_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals) : Bonus(node, globals, L"pfeife") {}

bool Zufall_Bonus::apply(Feld* cell)
{
    int cx = 0, cy = 0;
    if (!diskQualifies(cell, cx, cy))
        return false;
    forDisk(cx, cy, [&](Feld& target, int) {
        m_board->replaceStone(&target);
        if (qualifies(&target))
            strikeCell(target, 0.0);
    });
    playGameSound(getSoundName());
    return true;
}

// ---------------------------------------------------------------- row

Zeile_entfernen_Bonus::Zeile_entfernen_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals)
    : Bonus(node, globals, L"bomb")
{
}

bool Zeile_entfernen_Bonus::apply(Feld* cell)
{
    int cx = 0, cy = 0;
    if (!m_board || !cell || !cell->has(FeldFlag::Spielbar) || !m_board->findFeld(cell, cx, cy))
        return false;
    int width = 0, height = 0;
    m_board->getSize(width, height);
    struct Side {
        int direction;
        bool active = true;
        int count = 0;
    };
    Side sides[2] = {{-1}, {1}};
    const double base = baseDelay(), stagger = step();
    for (int k = 0; sides[0].active || sides[1].active; ++k) {
        for (Side& side : sides) {
            if (!side.active)
                continue;
            const int x = cx + side.direction * k;
            Feld* target = x >= 0 && x < width ? m_board->getFeld(x, cy) : nullptr;
            if (!target || !target->has(FeldFlag::Spielbar)) {
                side.active = false;
                continue;
            }
            if (target->has(FeldFlag::kUnavailable))
                continue;
            burst(*target, base + stagger * side.count);
            strikeCell(*target, stagger * side.count);
            ++side.count;
        }
    }
    return true;
}

// ---------------------------------------------------------------- remove a stone type

Rohstoff_entfernen_Bonus::Rohstoff_entfernen_Bonus(const Ulvo::XMLNode& node, MyGlobals& globals)
    : Bonus(node, globals, L"rohstoffe")
{
}

bool Rohstoff_entfernen_Bonus::apply(Feld* cell)
{
    // A playable cell may hold no stone for a moment (one just burst, one falling in); there
    // is no type to remove then.
    if (!m_board || !cell || !cell->has(FeldFlag::Spielbar) || cell->has(FeldFlag::Leer) || !cell->getStone())
        return false;
    const int type = cell->getStoneType();
    int width = 0, height = 0;
    m_board->getSize(width, height);
    std::vector<Feld*> cells;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            Feld* candidate = m_board->getFeld(x, y);
            if (qualifies(candidate) && candidate->getStone() && candidate->getStoneType() == type)
                cells.push_back(candidate);
        }
    }
    const std::size_t n = cells.size();
    for (std::size_t k = 0; n > 0 && k < n * 100; ++k) {
        const std::size_t at = static_cast<std::size_t>(crt_rand()) % n;
        Feld* taken = cells[at];
        cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(at));
        cells.push_back(taken);
    }
    const double base = baseDelay(), stagger = step();
    for (std::size_t i = 0; i < n; ++i) {
        burst(*cells[i], base + stagger * static_cast<double>(i));
        strikeCell(*cells[i], stagger * static_cast<double>(i));
    }
    return true;
}

} // namespace ThreeMatch
