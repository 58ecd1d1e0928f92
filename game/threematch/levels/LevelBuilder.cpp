#include "threematch/levels/LevelBuilder.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/board/Spielfeld.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LayoutPicture.h"
#include "threematch/levels/LevelDatei.h"
#include "threematch/profiles/ProfileManager.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ThreeMatch {

namespace {

constexpr int kStampCount = 15;
constexpr double kFreePlayTime = 3600.0;
// The stamps' area of a free board when the level file names no first level.
constexpr int kFreePlaySide = 8;

void logLevel(int priority, Ulvo::LogType type, const std::wstring& text)
{
    Ulvo::mainLogger().log(priority, type, L"ThreeMatch::Spielfeld: ", text, L"\n");
}

// The cell indices of a saved list, each marked in a grid of count cells; indices outside it
// are skipped.
std::vector<char> savedCells(const Ulvo::XMLNode* saved, const wchar_t* key, std::size_t count)
{
    std::vector<char> marks(count, 0);
    const Ulvo::XMLNode* list = saved ? saved->getNode(key) : nullptr;
    if (!list)
        return marks;
    for (const Ulvo::XMLProperty* value : list->getProperties()) {
        const int index = value->getInt();
        if (index >= 0 && static_cast<std::size_t>(index) < count)
            marks[static_cast<std::size_t>(index)] = 1;
    }
    return marks;
}

std::vector<int> savedNumbers(const Ulvo::XMLNode* saved, const wchar_t* key)
{
    std::vector<int> numbers;
    if (const Ulvo::XMLNode* list = saved ? saved->getNode(key) : nullptr) {
        for (const Ulvo::XMLProperty* value : list->getProperties())
            numbers.push_back(value->getInt());
    }
    return numbers;
}

// The stamp used when no "FREEPLAY_%d" picture exists: a rectangle of stones under a spawn
// row, with targets inside.
LayoutPicture rectangleStamp(int width, int height)
{
    LayoutPicture stamp{std::max(width, 3), std::max(height, 3), {}};
    stamp.texels.resize(static_cast<std::size_t>(stamp.width) * stamp.height);
    for (int y = 0; y < stamp.height; ++y) {
        for (int x = 0; x < stamp.width; ++x)
            stamp.texels[static_cast<std::size_t>(y) * stamp.width + x] = y == 0 ? 0xFF00C800u : 0xFF006464u;
    }
    return stamp;
}

} // namespace

LayoutPictureSource& LevelBuilder::pictures()
{
    static TexturePictureSource textures;
    return m_board.m_pictures ? *m_board.m_pictures : textures;
}

void LevelBuilder::resetLevel(int levelNumber, bool freePlay)
{
    m_board.clear();
    m_board.m_fieldSet = 0;
    m_board.m_levelNumber = levelNumber;
    m_board.m_freePlay = freePlay;
}

void LevelBuilder::makeGrid(int width, int height)
{
    m_board.m_width = width;
    m_board.m_height = height;
    m_board.m_cells.clear();
    m_board.m_cells.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            m_board.m_cells.emplace_back(D3DXVECTOR2(x * 100.0f, y * 100.0f), 0u);
    }
    m_board.m_bounds[0] = width * 100.0;
    m_board.m_bounds[1] = height * 100.0;
    m_board.m_bounds[2] = 0.0;
    m_board.m_bounds[3] = 0.0;
}

void LevelBuilder::widenBounds(int column, int row)
{
    m_board.m_bounds[0] = std::min(m_board.m_bounds[0], column * 100.0);
    m_board.m_bounds[1] = std::min(m_board.m_bounds[1], row * 100.0);
    m_board.m_bounds[2] = std::max(m_board.m_bounds[2], column * 100.0 + 100.0);
    m_board.m_bounds[3] = std::max(m_board.m_bounds[3], row * 100.0 + 100.0);
}

void LevelBuilder::takeCell(Feld& cell, bool receivesStone)
{
    int column = 0, row = 0;
    m_board.findFeld(&cell, column, row);
    if (cell.has(FeldFlag::Spielbar))
        widenBounds(column, row);
    if (receivesStone)
        m_board.m_toFill.push_back(&cell);
    if (cell.has(FeldFlag::Quelle))
        m_board.m_spawnCells.push_back(&cell);
}

void LevelBuilder::linkCells(int fieldSet, bool defaultSpawnRow)
{
    loadGameTextureList(L"Data\\Felder\\Feld_" + std::to_wstring(fieldSet) + L".tex");
    for (int y = 0; y < m_board.m_height; ++y) {
        // A level without spawn texels is fed from its topmost playable row.
        const bool spawnRow = defaultSpawnRow && m_board.m_spawnCells.empty();
        for (int x = 0; x < m_board.m_width; ++x) {
            Feld& cell = m_board.m_cells[static_cast<std::size_t>(y) * m_board.m_width + x];
            cell.loadTextures(fieldSet, m_board);
            if (spawnRow && cell.has(FeldFlag::Spielbar) && !cell.has(FeldFlag::kBusy)) {
                cell.setQuelle();
                m_board.m_spawnCells.push_back(&cell);
            }
        }
    }
}

Rohstoff* LevelBuilder::levelStoneById(int id) const
{
    for (Rohstoff* stone : m_board.m_levelStones) {
        if (stone->getId() == id)
            return stone;
    }
    return nullptr;
}

bool LevelBuilder::loadLevel(int number, const Ulvo::XMLNode* saved)
{
    if (number < 0 || number > LevelDatei::kMaxLevelNumber) {
        resetLevel(0, false);
        logLevel(100, Ulvo::LOG_TYPE_ERROR, L"Levelnummer " + std::to_wstring(number) + L" ist ungültig");
        return false;
    }
    resetLevel(number, false);
    LevelDatei file;
    if (m_board.m_levelDocument)
        file.load(*m_board.m_levelDocument);
    else
        file.load();
    const Ulvo::XMLNode* level = file.findLevel(number);
    m_board.m_state = Spielfeld::Geladen;
    if (!level) {
        logLevel(100, Ulvo::LOG_TYPE_ERROR, LevelDatei::levelName(number) + L" nicht gefunden");
        return false;
    }
    const LevelBeschreibung d = LevelDatei::describe(*level);
    const Ulvo::XMLNode* savedStones = saved ? saved->getNode(L"ROHSTOFFE") : nullptr;
    if (const Ulvo::XMLNode* set = file.findDefaultStoneSet(m_board.m_globals.getUseZorn()))
        setupStones(*set, d.useBoese, savedStones);

    auto applyTime = [&](double seconds) {
        m_board.m_timeLimit = m_board.m_timeLeft = seconds * m_board.m_globals.getLevelTimeFactor();
        if (const Ulvo::XMLProperty* rest = saved ? saved->getFreeValue(L"REST_TIME") : nullptr) {
            const double value = rest->getDouble();
            if (std::isfinite(value))
                m_board.m_timeLeft = value;
        }
    };
    double seconds = 0.0;
    if (file.readDefaultTime(seconds))
        applyTime(seconds);
    if (d.stoneSet)
        setupStones(*d.stoneSet, d.useBoese, savedStones);
    m_board.m_fieldSet = d.hgTyp[randomIndex(static_cast<int>(d.hgTyp.size()))];
    if (d.hasTime)
        applyTime(d.time);
    if (m_board.m_timeLimit <= 0.0 && (d.hasTime || file.readDefaultTime(seconds))) {
        // It would cost a life the moment it starts.
        logLevel(100, Ulvo::LOG_TYPE_ERROR, LevelDatei::levelName(number) + L" hat keine Zeit");
        m_board.clear();
        return false;
    }
    if (m_board.m_levelStones.empty()) {
        // Nothing could be drawn on it: the level stays without cells and does not start.
        logLevel(100, Ulvo::LOG_TYPE_ERROR, LevelDatei::levelName(number) + L" hat keine Steine");
        return false;
    }
    makeGrid(d.width, d.height);

    LayoutPicture picture;
    const bool hasPicture =
        !d.file.empty() && pictures().readFile(d.file, picture) && picture.width > 0 && picture.height > 0;
    if (!hasPicture) {
        // Without its picture the level has no targets and would count as won at once.
        logLevel(100, Ulvo::LOG_TYPE_ERROR, LevelDatei::levelName(number) + L": Bild " + d.file + L" fehlt");
        m_board.clear();
        return false;
    }
    // The sampled extent never reaches past the picture.
    const long long sampleWidth = std::clamp(d.sampleWidth > 0 ? d.sampleWidth : picture.width, 1, picture.width);
    const long long sampleHeight = std::clamp(d.sampleHeight > 0 ? d.sampleHeight : picture.height, 1, picture.height);

    const std::size_t count = m_board.m_cells.size();
    const std::vector<char> twoLayers = savedCells(saved, L"FELDER_ZIELFELDx2", count);
    const std::vector<char> oneLayer = savedCells(saved, L"FELDER_ZIELFELD", count);
    const std::vector<char> locked = savedCells(saved, L"FELDER_LOCKED", count);
    const std::vector<char> empty = savedCells(saved, L"FELDER_FREI", count);
    // The stones lying on the board: parallel lists, of which only the common length counts.
    std::vector<int> savedStone(count, 0);
    std::vector<char> occupied(count, 0);
    const Profil* profile = m_board.activeProfile();
    if (saved && !(profile && profile->getName() == Spielfeld::kRandomStonesCode)) {
        const std::vector<int> cells = savedNumbers(saved, L"FELDER_BESETZT");
        const std::vector<int> ids = savedNumbers(saved, L"ROHSTOFFE_BESETZT");
        if (cells.size() != ids.size())
            logLevel(50, Ulvo::LOG_TYPE_WARNING, L"FELDER_BESETZT und ROHSTOFFE_BESETZT ungleich lang");
        for (std::size_t i = 0; i < std::min(cells.size(), ids.size()); ++i) {
            if (cells[i] >= 0 && static_cast<std::size_t>(cells[i]) < count) {
                occupied[static_cast<std::size_t>(cells[i])] = 1;
                savedStone[static_cast<std::size_t>(cells[i])] = ids[i];
            }
        }
    }

    for (int x = 0; x < m_board.m_width; ++x) {
        for (int y = 0; y < m_board.m_height; ++y) {
            const uint32_t texel = hasPicture ? picture.at(static_cast<int>(x * sampleWidth / m_board.m_width),
                                                           static_cast<int>(y * sampleHeight / m_board.m_height))
                                              : 0u;
            LayoutCell kind = storyCell(texel);
            const std::size_t index = static_cast<std::size_t>(y) * m_board.m_width + x;
            Feld& cell = m_board.m_cells[index];
            Bildchen* stone = nullptr;
            if (saved && (kind.flags & FeldFlag::Spielbar)) {
                if (kind.flags & FeldFlag::kZiel) {
                    kind.flags &= ~FeldFlag::kZiel;
                    if (twoLayers[index])
                        kind.flags |= FeldFlag::kZiel;
                    else if (oneLayer[index])
                        kind.flags |= FeldFlag::Ziel1;
                }
                if (!locked[index])
                    kind.flags &= ~FeldFlag::Locked;
                kind.stone = !empty[index];
                if (kind.stone && occupied[index]) {
                    Rohstoff* type = levelStoneById(savedStone[index]);
                    stone = type ? m_board.newStone(type) : m_board.randomStone();
                    kind.stone = false;
                }
            }
            cell.setFlags(kind.flags);
            if (stone) {
                stone->setPosition(cell.getPosition());
                stone->setFeld(&cell);
                cell.setStone(stone);
                m_board.m_stones.push_back(stone);
            }
            takeCell(cell, kind.stone);
        }
    }

    linkCells(m_board.m_fieldSet, true);
    m_board.fill();
    for (Feld& cell : m_board.m_cells)
        cell.computeCorners();
    m_board.checkTargets(true);
    return !m_board.m_cells.empty();
}

bool LevelBuilder::restoreLevel(const Ulvo::XMLNode& saved)
{
    const Ulvo::XMLProperty* name = saved.getFreeValue(L"LEVEL_NAME");
    if (!name) {
        logLevel(100, Ulvo::LOG_TYPE_ERROR, L"ACTIVE_LEVEL ohne LEVEL_NAME");
        return false;
    }
    const bool loaded = loadLevel(name->getInt(), &saved);
    if (const Ulvo::XMLNode* punkte = saved.getNode(L"PUNKTE")) {
        for (const Ulvo::XMLNode* record : punkte->getNodes()) {
            const Ulvo::XMLProperty* klasseName = record->getFreeValue(L"NAME");
            Rohstoffklasse* klasse = klasseName ? m_board.m_rohstoffe.findKlasse(klasseName->getValue()) : nullptr;
            if (!klasse || record->getName() != L"KLASSE")
                continue;
            klasse->resetLevelPunkte();
            if (const Ulvo::XMLProperty* points = record->getFreeValue(L"PUNKTE"))
                klasse->addLevelPunkte(points->getInt());
        }
    }
    if (const Ulvo::XMLProperty* played = saved.getFreeValue(L"PLAYED_TIME")) {
        const double value = played->getDouble();
        if (std::isfinite(value) && value >= 0.0)
            m_board.m_playedTime = value;
    }
    return loaded;
}

void LevelBuilder::setupStones(const Ulvo::XMLNode& set, bool useBoese, const Ulvo::XMLNode* savedStones)
{
    m_board.m_levelStones.clear();
    m_board.m_levelStonesCopy.clear();
    m_board.m_probabilities.clear();
    std::vector<Rohstoff*> reserve;
    std::vector<double> weights;
    int wanted = INT_MAX;
    set.readInt(L"ANZ_VERSCHIEDENES", wanted);
    auto known = [&](const Rohstoff* stone) {
        return std::find(m_board.m_levelStones.begin(), m_board.m_levelStones.end(), stone) !=
                   m_board.m_levelStones.end() ||
               std::find(reserve.begin(), reserve.end(), stone) != reserve.end();
    };
    auto take = [&](Rohstoff* stone) {
        m_board.m_levelStones.push_back(stone);
        weights.push_back(stone->getWeight());
    };
    auto belowWanted = [&] { return static_cast<long long>(m_board.m_levelStones.size()) < wanted; };

    if (!savedStones) {
        for (const Ulvo::XMLNode* entry : set.getNodes()) {
            if (entry->getName() != L"KLASSE")
                continue;
            Rohstoffklasse* klasse = m_board.m_rohstoffe.findKlasse(entry->getAttributeValue(L"NAME"));
            std::vector<std::wstring> typen;
            if (!klasse || (klasse == m_board.m_rohstoffe.getBoeseKlasse() && !useBoese) || !klasse->isUnlocked() ||
                (klasse == m_board.m_rohstoffe.getZornKlasse() && !m_board.m_globals.getUseZorn()) ||
                !entry->readWords(L"TYPEN", typen))
                continue;
            int minAnz = klasse->getMinAnzahl(), maxAnz = 0;
            double probability = 0.0;
            entry->readInt(L"MIN_ANZ", minAnz);
            entry->readInt(L"MAX_ANZ", maxAnz);
            entry->readDouble(L"PROBABILITY", probability);
            std::vector<Rohstoff*> candidates;
            for (const std::wstring& name : typen) {
                Rohstoff* stone = klasse->findRohstoff(name);
                if (stone && stone->isUnlocked() && !known(stone) &&
                    std::find(candidates.begin(), candidates.end(), stone) == candidates.end()) {
                    stone->setLevelWeight(probability);
                    candidates.push_back(stone);
                }
            }
            int taken = 0;
            // A stone the player has just unlocked comes first.
            if (maxAnz >= 1 && belowWanted()) {
                const auto fresh =
                    std::find_if(candidates.begin(), candidates.end(), [](Rohstoff* s) { return s->isNew(); });
                if (fresh != candidates.end()) {
                    (*fresh)->clearNew();
                    take(*fresh);
                    candidates.erase(fresh);
                    ++taken;
                }
            }
            while (taken < minAnz && !candidates.empty() && belowWanted()) {
                const int at = klasse->isRandom() ? randomIndex(static_cast<int>(candidates.size())) : 0;
                take(candidates[at]);
                candidates.erase(candidates.begin() + at);
                ++taken;
            }
            while (taken < maxAnz && !candidates.empty()) {
                const int at = klasse->isRandom()
                                   ? static_cast<int>(randomFraction() * (static_cast<double>(candidates.size()) - 1.0))
                                   : 0;
                reserve.push_back(candidates[at]);
                candidates.erase(candidates.begin() + at);
                ++taken;
            }
        }
    } else {
        for (const Ulvo::XMLNode* entry : savedStones->getNodes()) {
            const Ulvo::XMLProperty* klasseName = entry->getFreeValue(L"ROHSTOFF_KLASSE");
            const Ulvo::XMLProperty* stoneName = entry->getFreeValue(L"ROHSTOFF");
            const Rohstoffklasse* klasse =
                klasseName ? m_board.m_rohstoffe.findKlasse(klasseName->getValue()) : nullptr;
            Rohstoff* stone = klasse && stoneName ? klasse->findRohstoff(stoneName->getValue()) : nullptr;
            if (stone && !known(stone))
                reserve.push_back(stone);
        }
    }

    const long long target =
        std::min<long long>(wanted, static_cast<long long>(m_board.m_levelStones.size() + reserve.size()));
    // A resumed level keeps its saved order: the wrath stages follow it among types of equal
    // value, and shuffled they would turn other types to filler than before the restart (and
    // give back the ones the saved board holds as filler).
    const int count = savedStones ? 0 : static_cast<int>(reserve.size());
    for (int i = 0; i < count; ++i) {
        const auto taken = reserve.begin() + randomIndex(count);
        Rohstoff* stone = *taken;
        reserve.erase(taken);
        reserve.push_back(stone);
    }
    for (std::size_t i = 0; i < reserve.size() && static_cast<long long>(m_board.m_levelStones.size()) < target; ++i)
        take(reserve[i]);

    double sum = 0.0;
    for (double& weight : weights) {
        weight = std::isfinite(weight) && weight > 0.0 ? weight : 0.0;
        sum += weight;
    }
    if (!(sum > 0.0) && !weights.empty()) {
        // Weights that sum to nothing (or beyond any number) draw every type alike.
        logLevel(50, Ulvo::LOG_TYPE_WARNING, L"Gewichte der Steine ergeben 0, gleiche Gewichte");
        std::fill(weights.begin(), weights.end(), 1.0);
        sum = static_cast<double>(weights.size());
    }
    double cumulative = 0.0;
    for (double weight : weights) {
        cumulative += weight / sum;
        m_board.m_probabilities.push_back(cumulative);
    }
    if (!m_board.m_probabilities.empty())
        m_board.m_probabilities.back() = 1.0;
    m_board.m_levelStonesCopy = m_board.m_levelStones;
    m_board.m_rohstoffe.resetLevelPunkte();
}

bool LevelBuilder::drawStamp(LayoutPicture& stamp, bool& missingLogged)
{
    bool tried[kStampCount] = {};
    for (int attempt = 0; attempt < kStampCount; ++attempt) {
        int k = randomIndex(kStampCount);
        while (tried[k])
            k = (k + 1) % kStampCount;
        tried[k] = true;
        if (pictures().readTexture(L"FREEPLAY_" + std::to_wstring(k), stamp) && stamp.width > 0 && stamp.height > 0)
            return true;
    }
    if (!missingLogged) {
        logLevel(100, Ulvo::LOG_TYPE_ERROR, L"keine FREEPLAY-Stempel, rechteckiges Feld");
        missingLogged = true;
    }
    stamp = rectangleStamp(m_board.m_width - 2, m_board.m_height - 2);
    return false;
}

void LevelBuilder::placeStamp(const LayoutPicture& stamp)
{
    const double r = randomFraction(), r2 = randomFraction();
    const int ox =
        static_cast<int>(std::floor((m_board.m_width - stamp.width - 1) + r * (stamp.width + 2 - m_board.m_width)));
    const int oy = static_cast<int>(
        std::floor((m_board.m_height - stamp.height - 1) + r2 * (stamp.height + 2 - m_board.m_height)));
    for (int ty = 0; ty < stamp.height; ++ty) {
        for (int tx = 0; tx < stamp.width; ++tx) {
            const uint32_t texel = stamp.at(tx, ty);
            Feld* cell = m_board.getFeld(ox + tx, oy + ty);
            // A stamp larger than the board loses what lies outside its stamp area, the ring of
            // holes round it included: the board never grows beyond that area.
            const bool inArea =
                ox + tx >= 1 && ox + tx <= m_board.m_width - 2 && oy + ty >= 1 && oy + ty <= m_board.m_height - 2;
            if ((texel >> 24) == 0 || !cell || !inArea)
                continue;
            widenBounds(ox + tx, oy + ty);
            const LayoutCell kind = stampCell(texel);
            if (cell->getFlags() != 0 || kind.flags == 0)
                continue;
            cell->setFlags(kind.flags);
            if (kind.stone)
                m_board.m_toFill.push_back(cell);
            if (cell->has(FeldFlag::Quelle))
                m_board.m_spawnCells.push_back(cell);
        }
    }
}

void LevelBuilder::addFreePlaySpawns()
{
    std::vector<char> fed;
    m_board.computeFed(m_board.m_height - 1, fed);
    for (int x = 0; x < m_board.m_width; ++x) {
        for (int y = m_board.m_height - 1; y >= 0; --y) {
            const Feld& cell = m_board.m_cells[static_cast<std::size_t>(y) * m_board.m_width + x];
            int topX = 0, topY = 0;
            if (cell.getFlags() == 0 || fed[static_cast<std::size_t>(y) * m_board.m_width + x] ||
                !m_board.findTopFeeder(x, y, topX, topY))
                continue;
            Feld* top = m_board.getFeld(topX, topY);
            if (!top->has(FeldFlag::Spielbar) || top->has(FeldFlag::Quelle))
                continue; // walls never spawn
            top->setQuelle();
            m_board.m_spawnCells.push_back(top);
            m_board.computeFed(m_board.m_height - 1, fed);
        }
    }
}

void LevelBuilder::startFreePlay()
{
    resetLevel(-1, true);
    LevelDatei file;
    if (m_board.m_levelDocument)
        file.load(*m_board.m_levelDocument);
    else
        file.load();
    if (const Ulvo::XMLNode* set = file.findDefaultStoneSet(m_board.m_globals.getUseZorn()))
        setupStones(*set, true, nullptr);
    m_board.m_timeLimit = m_board.m_timeLeft = kFreePlayTime;
    m_board.m_state = Spielfeld::Geladen;
    if (m_board.m_levelStones.empty()) {
        logLevel(100, Ulvo::LOG_TYPE_ERROR, L"freies Spiel ohne Steine");
        return;
    }
    // The stamps fall into an area of the first story level's size, inside a ring of holes: the
    // board is fitted to its frame like that level, so its stones are drawn at least as large and
    // the overlapping stamps fill the frame instead of scattering islands over a wide grid.
    int areaWidth = kFreePlaySide, areaHeight = kFreePlaySide;
    if (const Ulvo::XMLNode* first = file.findLevel(0)) {
        const LevelBeschreibung level = LevelDatei::describe(*first);
        if (level.width > 0 && level.height > 0) {
            areaWidth = level.width;
            areaHeight = level.height;
        }
    }
    makeGrid(areaWidth + 2, areaHeight + 2);

    LayoutPicture stamp;
    bool missingLogged = false;
    const int stamps = static_cast<int>(std::floor(12.0 - 4.0 * randomFraction()));
    for (int i = 0; i < stamps; ++i) {
        // Without stamp pictures one rectangle makes the board.
        if (!drawStamp(stamp, missingLogged) && i > 0)
            break;
        placeStamp(stamp);
    }
    // Further stamps while the board has no target or leaves more than a quarter of its area
    // empty, which would show as holes in the frame.
    const auto sparse = [this, areaWidth, areaHeight] {
        const auto cells = std::count_if(m_board.m_cells.begin(), m_board.m_cells.end(),
                                         [](const Feld& cell) { return cell.has(FeldFlag::Spielbar); });
        return 4 * cells < 3 * areaWidth * areaHeight;
    };
    for (int extra = 0; (m_board.checkTargets(false) == 0 || sparse()) && extra < Spielfeld::kMaxExtraStamps; ++extra) {
        drawStamp(stamp, missingLogged);
        placeStamp(stamp);
    }
    addFreePlaySpawns();
    linkCells(0, false);
    m_board.fill();
    for (Feld& cell : m_board.m_cells)
        cell.computeCorners();
}

} // namespace ThreeMatch
