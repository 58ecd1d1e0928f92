#include "threematch/board/Spielfeld.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/GameSound.h"
#include "threematch/globals/DataReads.h"
#include "threematch/levels/LevelBuilder.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

namespace {

void logBoard(int priority, Ulvo::LogType type, const std::wstring& text)
{
    Ulvo::mainLogger().log(priority, type, L"ThreeMatch::Spielfeld: ", text, L"\n");
}

// Open to a falling stone: empty and in no swap or explosion.
bool open(const Feld* cell)
{
    return cell && cell->has(FeldFlag::Leer) && !cell->has(FeldFlag::kBusy);
}

} // namespace

Spielfeld::Spielfeld(RohstoffManager& rohstoffe, MyGlobals& globals)
    : m_rohstoffe(rohstoffe), m_globals(globals), m_sounds{L"win", L"lose", L"richtig", L"falsch", L"spreng_blob"}
{
    m_falloff = gameTextureFromFile(L"falloff.png");
    setScreenSize(m_screenWidth, m_screenHeight);
    m_falloffCountdown = 30.0 + 20.0 * randomFraction();
}

Spielfeld::~Spielfeld()
{
    clear();
}

Profil* Spielfeld::activeProfile() const
{
    return m_globals.getProfileManager().getActiveProfile();
}

void Spielfeld::clear()
{
    m_groups.clear();
    m_possibleMoves.clear();
    m_cells.clear();
    m_width = m_height = 0;
    // The move search's grid takes the next level's shape.
    m_walkTypes.clear();
    m_spawnCells.clear();
    m_selected = nullptr;
    m_levelStones.clear();
    m_toFill.clear();
    for (Bildchen* stone : m_stones)
        delete stone;
    m_stones.clear();
    for (Bildchen* stone : m_flying)
        delete stone;
    m_flying.clear();
    for (PunkteAnzeige* popup : m_popups)
        delete popup;
    m_popups.clear();
    // Textures and stone classes may be loaded again before the next level.
    m_looks.clear();
    m_texturesSet = -1;
    m_bonusCountdown = -1.0;
    m_state = Keiner;
    m_bonusTime = 0.0;
    m_playedTime = 0.0;
    m_idleTime = 0.0;
    m_won = false;
    m_endRunning = false;
    m_endDelay = 0.0;
}

void Spielfeld::start()
{
    if (m_state != Geladen || m_cells.empty())
        return;
    if (m_levelStones.empty()) {
        logBoard(100, Ulvo::LOG_TYPE_ERROR, L"Level " + std::to_wstring(m_levelNumber) + L" hat keine Steine");
        return;
    }
    m_state = Laeuft;
    m_idleTime = 0.0;
}

void Spielfeld::setBonusTime(double seconds, double delay)
{
    m_bonusTime = seconds;
    // -1 would mean "nothing waiting".
    m_bonusCountdown = delay > 0.0 ? delay : 0.0;
}

void Spielfeld::update()
{
    Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    advance(clock->getRealFrameTime(), clock->getFrameTime());
}

void Spielfeld::advance(double realDt, double gameDt)
{
    updateFalloff(gameDt);
    m_busy = false;
    if (m_cells.empty())
        return;

    if (m_state == Laeuft) {
        m_timeLeft -= gameDt;
        m_playedTime += gameDt;
    }
    if (m_bonusCountdown != -1.0) {
        m_bonusCountdown -= gameDt;
        if (m_bonusCountdown <= 0.0) {
            m_bonusCountdown = -1.0;
            m_timeLeft = std::min(m_timeLeft + m_bonusTime, m_timeLimit);
            m_bonusTime = 0.0;
        }
    }

    bool anyEmpty = false;
    for (Feld& cell : m_cells) {
        cell.update(realDt, gameDt);
        // The hinted pair keeps its cells marked while its stones blink.
        if (cell.isHint() && !(cell.getStone() && cell.getStone()->getHintTime() > 0.0))
            cell.setHint(false);
        if (cell.isExploding())
            m_busy = true;
        if (cell.isExplosionDone())
            burstCell(cell);
        anyEmpty = anyEmpty || cell.has(FeldFlag::Leer);
    }
    for (std::size_t i = m_stones.size(); i-- > 0;) {
        if (m_stones[i]->isMoving())
            m_busy = true;
        m_stones[i]->update(realDt, gameDt);
    }
    for (std::size_t i = m_popups.size(); i-- > 0;) {
        m_popups[i]->update(gameDt);
        if (m_popups[i]->isFinished()) {
            delete m_popups[i];
            m_popups.erase(m_popups.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    // Without an empty cell nothing can spawn or fall.
    if (anyEmpty)
        letStonesFall();

    findMatches();
    explodeGroups();
    checkLevelEnd(realDt);

    m_idleTime = m_busy ? 0.0 : m_idleTime + gameDt;
    if (m_idleTime >= m_globals.getHintDelay()) {
        possibleMoves();
        showHint();
        if (m_possibleMoves.empty())
            redeal();
    }
}

void Spielfeld::burstCell(Feld& cell)
{
    Bildchen* stone = cell.getStone();
    if (!stone) {
        // An empty cell (a bonus may burst one) still ends its explosion, or the board would
        // stay busy for ever.
        cell.finishExplosion();
        return;
    }
    if (Rohstoff* type = stone->getRohstoff()) {
        if (!type->isIntroduced()) {
            stoneIntroduced.emit(*type);
            type->setIntroduced(true);
        }
        if (Profil* profile = activeProfile())
            profile->addPoint();
        type->addCharges(cell.getGroupSize());
        if (type->getMultiplier() > 0) {
            const double speed = 1.0 - 0.5 * randomFraction();
            const long long points = static_cast<long long>(type->getMultiplier()) * cell.getGroupSize();
            m_popups.push_back(new PunkteAnzeige(speed, static_cast<int>(std::min<long long>(points, 0x7FFFFFFF)),
                                                 stone->getPosition(), type->getKlasse()->getColor()));
        }
    }
    cell.finishExplosion();
    cell.setStone(nullptr);
    removeStone(stone);
}

void Spielfeld::removeStone(Bildchen* stone)
{
    const auto it = std::find(m_stones.begin(), m_stones.end(), stone);
    if (it != m_stones.end())
        m_stones.erase(it);
    delete stone;
}

void Spielfeld::letStonesFall()
{
    const double fallTime = m_globals.getFallTime();
    for (int y = m_height - 1; y >= 0; --y) {
        for (int x = 0; x < m_width; ++x) {
            Feld& cell = m_cells[static_cast<std::size_t>(y) * m_width + x];
            if (!cell.has(FeldFlag::Spielbar))
                continue;
            if (cell.has(FeldFlag::Leer) && cell.has(FeldFlag::Quelle) && !cell.has(FeldFlag::kBusy)) {
                if (Bildchen* stone = randomStone()) {
                    stone->setPosition(cell.getPosition());
                    stone->setFeld(&cell);
                    cell.setStone(stone);
                    m_stones.push_back(stone);
                }
            }
            if (y == m_height - 1 || cell.has(FeldFlag::Leer | FeldFlag::kBusy | FeldFlag::Locked))
                continue;
            // The open cell is looked for first: it is cheaper than the stone's place.
            Feld* target = fallTarget(cell);
            if (target && cell.isStoneSettled()) {
                Bildchen* stone = cell.getStone();
                stone->addPathPoint(target->getPosition(), fallTime);
                stone->setFeld(target);
                target->setStone(stone);
                cell.setStone(nullptr);
            }
        }
    }
}

Feld* Spielfeld::fallTarget(Feld& cell) const
{
    Feld* down = cell.getNeighbour(Feld::Unten);
    if (open(down))
        return down;
    // Diagonally past a hole, but not past a wall. A locked stone never falls, so the cell under
    // it is filled past it as past a hole; else it would stay empty until the lock breaks.
    for (int side : {Feld::Links, Feld::Rechts}) {
        const Feld* beside = cell.getNeighbour(side);
        Feld* below = beside ? beside->getNeighbour(Feld::Unten) : nullptr;
        if (!open(below))
            continue;
        if ((!beside->has(FeldFlag::Spielbar) && !beside->has(FeldFlag::Wand)) || open(beside) ||
            beside->has(FeldFlag::Locked))
            return below;
    }
    return nullptr;
}

Rohstoff* Spielfeld::drawFillType(const Feld& cell, bool& bounded)
{
    Rohstoff* type = randomType();
    if (!type || !cell.has(FeldFlag::Locked))
        return type;
    // A locked stone must be one the player can clear: neither wrath nor evil.
    const Rohstoffklasse* zorn = m_rohstoffe.getZornKlasse();
    const Rohstoffklasse* boese = m_rohstoffe.getBoeseKlasse();
    for (int redraw = 0; redraw < kMaxLockedRedraws; ++redraw) {
        if (type->getKlasse() != zorn && type->getKlasse() != boese)
            return type;
        type = randomType();
    }
    bounded = true;
    return type;
}

void Spielfeld::fill()
{
    std::vector<Bildchen*> placed;
    bool bounded = false;
    for (Feld* cell : m_toFill) {
        // Walls and holes never take stones; a cell that holds one keeps it.
        if (!cell->has(FeldFlag::Spielbar) || cell->getStone())
            continue;
        // The type is tried before a stone is made: a stone of it on the cell must not make a
        // run there. Only runs through this cell count, so a run left elsewhere by an earlier
        // cell's last try does not use up every later cell's tries.
        Rohstoff* type = nullptr;
        for (int attempt = 0; attempt < kMaxFillAttempts; ++attempt) {
            type = drawFillType(*cell, bounded);
            if (!type || !makesRun(*cell, type->getId()))
                break;
        }
        if (Bildchen* stone = newStone(type)) {
            stone->setPosition(cell->getPosition());
            stone->setFeld(cell);
            cell->setStone(stone);
            m_stones.push_back(stone);
            placed.push_back(stone);
        }
    }
    if (bounded)
        logBoard(50, Ulvo::LOG_TYPE_WARNING, L"nur Zorn- oder Boese-Steine fuer gesperrte Felder");

    possibleMoves();
    if (m_possibleMoves.empty() && !m_levelStones.empty()) {
        // No move after all: a fixed pattern, which always leaves one.
        for (Bildchen* stone : placed) {
            stone->getFeld()->setStone(nullptr);
            removeStone(stone);
        }
        const int minRun = std::max(1, m_globals.getMinRun());
        for (Feld* cell : m_toFill) {
            if (!cell->has(FeldFlag::Spielbar) || cell->getStone())
                continue;
            const int x = cell->getColumn(), y = cell->getRow();
            if (Bildchen* stone = getStoneByIndex(x / minRun + x % 2 + y)) {
                stone->setPosition(cell->getPosition());
                stone->setFeld(cell);
                cell->setStone(stone);
                m_stones.push_back(stone);
            }
        }
    }
    m_toFill.clear();
}

void Spielfeld::redeal()
{
    m_toFill.clear();
    for (Feld& cell : m_cells) {
        if (cell.has(FeldFlag::Spielbar) && cell.getStone()) {
            m_toFill.push_back(&cell);
            cell.setStone(nullptr);
        }
    }
    for (Bildchen* stone : m_stones)
        delete stone;
    m_stones.clear();
    fill();
}

void Spielfeld::checkLevelEnd(double realDt)
{
    if (m_cells.empty())
        return;
    if (m_state != Endet) {
        const double remaining = m_timeLeft + (m_bonusCountdown != -1.0 ? m_bonusTime : 0.0);
        // The time is checked first: running out in the frame the last target goes loses.
        if (remaining <= 0.0 && m_state == Laeuft) {
            m_state = Endet;
            m_endRunning = false;
            m_won = false;
            playGameSound(m_sounds[Lose]);
        }
        for (const Feld& cell : m_cells) {
            if (cell.has(FeldFlag::Spielbar) && cell.has(FeldFlag::kZiel))
                return;
        }
        if (m_state == Laeuft) {
            m_endRunning = false;
            playGameSound(m_sounds[Win]);
            m_state = Endet;
            m_won = true;
        }
    }
    if (m_state != Endet || m_busy)
        return;
    if (m_endRunning) {
        m_endDelay -= realDt;
        if (m_endDelay <= 0.0) {
            m_state = m_won ? Gewonnen : Verloren;
            if (!m_won) {
                if (Profil* profile = activeProfile()) {
                    profile->loseLife();
                    Ulvo::mainLogger().log(200, Ulvo::LOG_TYPE_INFO, L"ThreeMatch: Level verloren, Leben ",
                                           std::to_wstring(profile->getLeben()), L"\n");
                }
            }
        }
        return;
    }
    if (m_won)
        startWonSweep();
    else
        startLostSweep();
    m_endRunning = true;
}

uint32_t Spielfeld::replaceStone(Feld* cell)
{
    if (!cell)
        return 0;
    Bildchen* old = cell->getStone();
    if (!old || !cell->has(FeldFlag::Spielbar) || cell->has(FeldFlag::kUnavailable))
        return cell->getFlags();
    Bildchen* stone = randomStone();
    if (!stone)
        return cell->getFlags();
    stone->setPosition(cell->getPosition());
    stone->setFeld(cell);
    cell->setStone(stone);
    m_stones.push_back(stone);
    removeStone(old);
    return cell->getFlags();
}

const Feld::Texturen& Spielfeld::getFieldTextures(int setNumber)
{
    if (m_texturesSet != setNumber) {
        m_fieldTextures = Feld::lookUpTextures(setNumber);
        m_texturesSet = setNumber;
    }
    return m_fieldTextures;
}

StoneLooks Spielfeld::looksOf(Rohstoff* rohstoff)
{
    for (const auto& entry : m_looks) {
        if (entry.first == rohstoff)
            return entry.second;
    }
    m_looks.emplace_back(rohstoff, StoneLooks::of(*rohstoff));
    return m_looks.back().second;
}

Bildchen* Spielfeld::newStone(Rohstoff* rohstoff)
{
    if (!rohstoff)
        return nullptr;
    const StoneLooks looks = looksOf(rohstoff);
    return new Bildchen(rohstoff, &m_globals, &looks);
}

bool Spielfeld::loadLevel(int number, const Ulvo::XMLNode* saved)
{
    return LevelBuilder(*this).loadLevel(number, saved);
}

void Spielfeld::startFreePlay()
{
    LevelBuilder(*this).startFreePlay();
}

bool Spielfeld::restoreLevel(const Ulvo::XMLNode& saved)
{
    return LevelBuilder(*this).restoreLevel(saved);
}

void Spielfeld::setupStones(const Ulvo::XMLNode& set, bool useBoese, const Ulvo::XMLNode* savedStones)
{
    LevelBuilder(*this).setupStones(set, useBoese, savedStones);
}

void Spielfeld::saveState(Ulvo::XMLNode& node) const
{
    appendValue(node, L"LEVEL_NAME", std::to_wstring(static_cast<unsigned>(std::max(m_levelNumber, 0))));
    appendValue(node, L"REST_TIME", m_timeLeft);
    appendValue(node, L"PLAYED_TIME", m_playedTime);
    std::vector<int> twoLayers, oneLayer, locked, empty, occupied, ids;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const Feld& cell = m_cells[i];
        if (!cell.has(FeldFlag::Spielbar))
            continue;
        const int index = static_cast<int>(i);
        if (cell.has(FeldFlag::Ziel2))
            twoLayers.push_back(index);
        if (cell.has(FeldFlag::Ziel1))
            oneLayer.push_back(index);
        if (cell.has(FeldFlag::Locked))
            locked.push_back(index);
        if (cell.has(FeldFlag::Leer)) {
            empty.push_back(index);
            continue;
        }
        occupied.push_back(index);
        // One id per stone, so the two lists stay parallel even when a type stands twice.
        int id = 0;
        const Rohstoff* type = cell.getStone() ? cell.getStone()->getRohstoff() : nullptr;
        for (std::size_t j = 0; j < m_levelStones.size() && j < m_levelStonesCopy.size(); ++j) {
            if (m_levelStones[j] == type) {
                id = m_levelStonesCopy[j]->getId();
                break;
            }
        }
        ids.push_back(id);
    }
    appendValues(node, L"FELDER_ZIELFELDx2", twoLayers);
    appendValues(node, L"FELDER_ZIELFELD", oneLayer);
    appendValues(node, L"FELDER_LOCKED", locked);
    appendValues(node, L"FELDER_FREI", empty);
    appendValues(node, L"FELDER_BESETZT", occupied);
    appendValues(node, L"ROHSTOFFE_BESETZT", ids);

    auto* stones = new Ulvo::XMLNode(L"ROHSTOFFE");
    for (std::size_t i = 0; i < m_levelStones.size() && i < m_levelStonesCopy.size(); ++i) {
        const Rohstoff* stone = m_levelStonesCopy[i];
        auto* record = new Ulvo::XMLNode(L"ROHSTOFF");
        appendValue(*record, L"ROHSTOFF_KLASSE", stone->getKlasse()->getName());
        appendValue(*record, L"ROHSTOFF", stone->getName());
        stones->addNode(record);
    }
    node.addNode(stones);
    auto* punkte = new Ulvo::XMLNode(L"PUNKTE");
    for (const Rohstoffklasse* klasse : m_rohstoffe.getKlassen()) {
        auto* record = new Ulvo::XMLNode(L"KLASSE");
        appendValue(*record, L"NAME", klasse->getName());
        appendValue(*record, L"PUNKTE", klasse->getLevelPunkte());
        punkte->addNode(record);
    }
    node.addNode(punkte);
}

} // namespace ThreeMatch
