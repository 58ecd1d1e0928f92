#include "threematch/bonuses/Bonus.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/board/Feld.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

Bonus::Bonus(const Ulvo::XMLNode& node, MyGlobals& globals, const std::wstring& soundName)
    : m_globals(globals), m_soundName(soundName)
{
    std::vector<std::wstring> names;
    if (node.readWords(L"ROHSTOFF", names) && !names.empty()) {
        m_klasse = globals.getRohstoffManager().findKlasse(names[0]);
        if (m_klasse && names.size() > 1)
            m_rohstoff = m_klasse->findRohstoff(names[1]);
        if (m_rohstoff) {
            m_texture = findGameTexture(m_rohstoff->getName() + L"_OBJEKT");
            m_rohstoff->full.connect(this, &Bonus::onRohstoff);
        }
    }
    node.readFlag(L"NEEDS_FELD", m_needsFeld);
    node.readInt(L"SIZE", m_size);
    node.readString(L"ANIMATIONS_FILE", m_templateName);
}

bool Bonus::isAvailable() const
{
    return m_klasse && m_rohstoff && m_klasse->isUnlocked() && m_rohstoff->isUnlocked();
}

double Bonus::getCharge() const
{
    return m_klasse && m_rohstoff ? m_rohstoff->getChargeRatio() : 0.0;
}

bool Bonus::isCharged() const
{
    return m_klasse && m_rohstoff && getCharge() >= 1.0;
}

void Bonus::setSpielfeld(Spielfeld* board)
{
    m_board = board;
    if (m_rohstoff)
        m_rohstoff->resetCharges();
}

void Bonus::onRohstoff(Rohstoff& stone)
{
    if (&stone == m_rohstoff)
        ready.emit(this);
}

bool Bonus::qualifies(const Feld* cell)
{
    return cell && cell->has(FeldFlag::Spielbar) && !cell->has(FeldFlag::kUnavailable);
}

void Bonus::burst(Feld& cell, double delay) const
{
    cell.startExplosion(delay, m_soundName);
}

void Bonus::strike(const Feld& cell, int left, int top, int right, int bottom, double startDelay) const
{
    if (m_templateName.empty())
        return;
    WegpunktManager& animations = m_globals.getWegpunktManager();
    const WegpunktVorlage* vorlage = animations.findVorlage(m_templateName);
    if (!vorlage)
        return;
    const int x = toInt(cell.getPosition().x), y = toInt(cell.getPosition().y);
    const RECT rect{x + left, y + top, x + right, y + bottom};
    animations.add(new WegpunktAnimation(*vorlage, rect, false, startDelay));
}

double Bonus::baseDelay() const
{
    return m_globals.getGroupDelay();
}

double Bonus::step() const
{
    return m_globals.getGroupStagger();
}

int Bonus::diskRadius() const
{
    // (2 SIZE + 1)^2 cells are walked. A disk of 90 reaches every cell of the largest board
    // (64 x 64) from any other; a larger one only walks the clamped edge cells again and again,
    // which took minutes for a SIZE of 1000 from a broken bonus file.
    constexpr int kMaxRadius = 90;
    return std::min(m_size, kMaxRadius);
}

bool Bonus::diskQualifies(Feld* cell, int& cx, int& cy) const
{
    if (!m_board || !cell || !m_board->findFeld(cell, cx, cy))
        return false;
    bool any = false;
    forDisk(cx, cy, [&](Feld& target, int) { any = any || qualifies(&target); });
    return any;
}

} // namespace ThreeMatch
