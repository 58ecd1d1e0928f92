#include "threematch/profiles/Profil.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/MyGlobals.h"
#include "threematch/levels/LevelDatei.h"
#include "threematch/profiles/ProfileWorld.h"
#include "threematch/stones/RohstoffManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace ThreeMatch {

namespace {

const int kLebenByDifficulty[3] = {9, 6, 3};

// Counters from a file may stand anywhere: they stop at the ends instead of wrapping.
void step(int& counter, int by)
{
    if ((by > 0 && counter < INT_MAX) || (by < 0 && counter > INT_MIN))
        counter += by;
}

// Empties a node but keeps its name.
void empty(Ulvo::XMLNode& node)
{
    const std::wstring name = node.getName();
    node.clear();
    node.setName(name);
}

// The parts of a profile's node that writeToNode writes itself (stone records aside).
bool isWrittenPart(const std::wstring& name)
{
    static const wchar_t* const kParts[] = {L"GEBAEUDE", L"ACTUAL_LEVEL", L"PUNKTE",        L"STUFE", L"LEBEN",
                                            L"USE_ZORN", L"SHOWN_HELP",   L"SCHWIERIGKEIT", L"NAME",  L"ACTIVE_LEVEL"};
    return std::find(std::begin(kParts), std::end(kParts), name) != std::end(kParts);
}

} // namespace

int clampSchwierigkeit(int schwierigkeit)
{
    return std::clamp(schwierigkeit, 0, 2);
}

int readSchwierigkeit(int schwierigkeit, const wchar_t* file)
{
    const int valid = clampSchwierigkeit(schwierigkeit);
    if (valid != schwierigkeit)
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_WARNING, file, L": SCHWIERIGKEIT ", std::to_wstring(schwierigkeit),
                               L" out of range, ", std::to_wstring(valid), L" taken\n");
    return valid;
}

Profil::Profil(const std::wstring& name) : Ulvo::NamedObject(name) {}

Profil::Profil(Ulvo::XMLNode* node) : Ulvo::NamedObject(node) {}

int Profil::mostLives(int schwierigkeit)
{
    return kLebenByDifficulty[clampSchwierigkeit(schwierigkeit)];
}

bool Profil::isUnplayed() const
{
    return m_actualLevel == 0 && m_punkte == 0 && m_stufe == 0 && !m_keptLevel &&
           m_leben == kLebenByDifficulty[m_schwierigkeit];
}

int Profil::livesAfter(int schwierigkeit) const
{
    // A profile not yet played starts with the new difficulty's lives; a played one keeps its
    // own, at most as many as the new difficulty allows, so that no change refills them.
    const int most = mostLives(schwierigkeit);
    return isUnplayed() ? most : std::min(m_leben, most);
}

void Profil::setSchwierigkeit(int schwierigkeit)
{
    m_leben = livesAfter(schwierigkeit);
    m_schwierigkeit = clampSchwierigkeit(schwierigkeit);
}

void Profil::reset()
{
    m_actualLevel = 0;
    m_punkte = 0;
    m_leben = 3;
    m_stufe = 0;
    m_keptLevel.reset();
    if (m_node)
        empty(*m_node);
}

void Profil::loseLife()
{
    step(m_leben, -1);
    m_keptLevel.reset(); // the level it kept has been played to its end
}

void Profil::nextLevel()
{
    if (m_actualLevel < LevelDatei::kMaxLevelNumber)
        step(m_actualLevel, 1);
    m_keptLevel.reset();
}

void Profil::addPoint()
{
    step(m_punkte, 1);
    if (m_punkte > std::pow(1.5, static_cast<double>(m_stufe) + 20.0) + 500.0) {
        step(m_leben, 1);
        m_punkte = 0;
        step(m_stufe, 1);
    }
}

void Profil::readFromNode(Ulvo::XMLNode* node)
{
    if (!node)
        return;
    if (const Ulvo::XMLProperty* value = node->getFreeValue(L"NAME"))
        rename(value->getValue());
    auto readInt = [node](const wchar_t* key, int& field) {
        if (const Ulvo::XMLProperty* value = node->getFreeValue(key))
            field = value->getInt();
    };
    readInt(L"ACTUAL_LEVEL", m_actualLevel);
    // The game adds to it and names levels by it.
    m_actualLevel = std::clamp(m_actualLevel, 0, LevelDatei::kMaxLevelNumber);
    readInt(L"PUNKTE", m_punkte);
    readInt(L"LEBEN", m_leben);
    readInt(L"STUFE", m_stufe);
    if (const Ulvo::XMLProperty* value = node->getFreeValue(L"USE_ZORN"))
        m_useZorn = value->getBool();
    readInt(L"SCHWIERIGKEIT", m_schwierigkeit);
    // It indexes the difficulty tables.
    m_schwierigkeit = readSchwierigkeit(m_schwierigkeit, L"profile.prf");
    if (const Ulvo::XMLProperty* value = node->getFreeValue(L"SHOWN_HELP"))
        m_shownHelp = static_cast<uint32_t>(value->getLong(10));
    m_node = node;
}

void Profil::writeToNode(MyGlobals* globals)
{
    if (!m_node)
        return;
    ProfileWorld* world = globals ? globals->getProfileWorld() : nullptr;
    const bool storyLevel = world && world->hasStoryLevel();
    if (storyLevel)
        m_keptLevel.reset(); // a level runs again: it replaces the one kept
    // What the game cannot place today (a stone class its data lacks, a part it does not know)
    // goes back as it was read, so a damaged or missing data file never costs a record.
    std::vector<Ulvo::XMLNode*> kept;
    for (const Ulvo::XMLNode* child : m_node->getNodes()) {
        if (!child)
            continue;
        const std::wstring& name = child->getName();
        if (name == L"KLASSE") {
            const Ulvo::XMLProperty* klasse = child->getFreeValue(L"NAME");
            if (globals && klasse && globals->getRohstoffManager().findKlasse(klasse->getValue()))
                continue;
        } else if (isWrittenPart(name)) {
            continue;
        }
        kept.push_back(new Ulvo::XMLNode(*child));
    }
    empty(*m_node);
    save(m_node);
    if (globals) {
        for (const Rohstoffklasse* klasse : globals->getRohstoffManager().getKlassen()) {
            auto* record = new Ulvo::XMLNode(L"KLASSE");
            klasse->saveProfile(*record);
            m_node->addNode(record);
        }
    }
    for (Ulvo::XMLNode* child : kept)
        m_node->addNode(child);
    auto* gebaeude = new Ulvo::XMLNode(L"GEBAEUDE");
    for (const std::wstring& name : m_gebaeude)
        gebaeude->addProperty(new Ulvo::XMLProperty(name));
    m_node->addNode(gebaeude);
    appendValue(*m_node, L"ACTUAL_LEVEL", m_actualLevel);
    appendValue(*m_node, L"PUNKTE", m_punkte);
    appendValue(*m_node, L"STUFE", m_stufe);
    appendValue(*m_node, L"LEBEN", m_leben);
    appendValue(*m_node, L"USE_ZORN", m_useZorn ? 1 : 0);
    appendValue(*m_node, L"SHOWN_HELP", std::to_wstring(m_shownHelp));
    appendValue(*m_node, L"SCHWIERIGKEIT", m_schwierigkeit);
    if (storyLevel) {
        auto* level = new Ulvo::XMLNode(L"ACTIVE_LEVEL");
        m_node->addNode(level);
        world->saveLevel(*level);
    } else if (m_keptLevel) {
        m_node->addNode(new Ulvo::XMLNode(*m_keptLevel));
    }
}

bool Profil::restoreLevel(MyGlobals* globals)
{
    ProfileWorld* world = globals ? globals->getProfileWorld() : nullptr;
    const Ulvo::XMLNode* level = m_node ? m_node->getNode(L"ACTIVE_LEVEL") : nullptr;
    m_keptLevel.reset();
    if (!world || !level)
        return false;
    if (world->restoreLevel(*level))
        return true;
    // Today's levels cannot hold it (a missing or broken level file): it is kept for a
    // start with data that can, until the player plays another level to its end.
    m_keptLevel = std::make_unique<Ulvo::XMLNode>(*level);
    return false;
}

void Profil::applyToClasses(MyGlobals* globals)
{
    if (!globals)
        return;
    RohstoffManager& stones = globals->getRohstoffManager();
    ProfileWorld* world = globals->getProfileWorld();
    stones.resetAll();
    if (world)
        world->unbuildAll();
    m_gebaeude.clear();
    // The stored lives stay: only the player's own change of difficulty resets them.
    globals->applyProfileSchwierigkeit(m_schwierigkeit);
    globals->setUseZorn(m_useZorn);
    if (!m_node)
        return;
    for (const Ulvo::XMLNode* record : m_node->getNodes()) {
        if (!record || record->getName() != L"KLASSE")
            continue;
        const Ulvo::XMLProperty* name = record->getFreeValue(L"NAME");
        if (Rohstoffklasse* klasse = name ? stones.findKlasse(name->getValue()) : nullptr)
            klasse->loadProfile(*record);
    }
    for (Rohstoffklasse* klasse : stones.getKlassen()) {
        klasse->setUnlockMode(getName() == RohstoffManager::kUnlockCode);
        klasse->setUnlimitedMode(getName() == RohstoffManager::kUnlimitedCode);
    }
    const Ulvo::XMLNode* gebaeude = m_node->getNode(L"GEBAEUDE");
    if (!gebaeude)
        return;
    for (const Ulvo::XMLProperty* value : gebaeude->getProperties()) {
        if (world)
            world->build(value->getValue());
        m_gebaeude.push_back(value->getValue());
    }
}

} // namespace ThreeMatch
