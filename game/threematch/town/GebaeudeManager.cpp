#include "threematch/town/GebaeudeManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/time/PerfTimer.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "threematch/animations/WegpunktManager.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/MyGlobals.h"

#include <crt.h>

#include <algorithm>

namespace ThreeMatch {

GebaeudeManager::GebaeudeManager(MyGlobals& globals) : m_globals(globals), m_ambientCountdown(10.0) {}

GebaeudeManager::~GebaeudeManager()
{
    clear();
}

void GebaeudeManager::clear()
{
    for (Gebaeude* gebaeude : m_drawList)
        delete gebaeude;
    m_drawList.clear();
    m_ordinary.clear();
    m_buildOnStart.clear();
    m_temporary.clear();
    m_endGebaeude = nullptr;
    m_ambientNames.clear();
    m_firstRow = 0;
}

bool GebaeudeManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!readDataFile(fileName, root, L"ThreeMatch::GebaeudeManager::load")) {
        clear();
        return false;
    }
    load(root);
    return true;
}

void GebaeudeManager::load(const Ulvo::XMLNode& root)
{
    clear();
    const TextureListsReadOnce once;
    // The first ambient animation comes 10 to 19 seconds after the town is read.
    m_ambientCountdown = crt_rand() % 10 + 10;
    m_ambientPause[0] = m_ambientPause[1] = 30.0;
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (!node)
            continue;
        if (node->getName() == L"ANIMATIONEN") {
            node->readWords(L"NAMEN", m_ambientNames);
            // Without a maximum the pause is the minimum.
            if (readDoubles(*node, L"PAUSE_TIMER", m_ambientPause) == 1)
                m_ambientPause[1] = m_ambientPause[0];
            continue;
        }
        auto* gebaeude = new Gebaeude(*node, m_globals, *this);
        if (gebaeude->isEndGebaeude())
            m_endGebaeude = gebaeude;
        else if (gebaeude->isBuildOnStart())
            m_buildOnStart.push_back(gebaeude);
        else if (gebaeude->isTemporary())
            m_temporary.push_back(gebaeude);
        else
            m_ordinary.push_back(gebaeude);
        const auto after =
            std::upper_bound(m_drawList.begin(), m_drawList.end(), gebaeude->getDrawEbene(),
                             [](double ebene, const Gebaeude* other) { return ebene < other->getDrawEbene(); });
        m_drawList.insert(after, gebaeude);
    }
    recomputeRow();
}

void GebaeudeManager::update()
{
    advance(Ulvo::UlvoEngine::getInstance()->getPerfTimer()->getRealFrameTime());
}

void GebaeudeManager::advance(double realDt)
{
    for (Gebaeude* gebaeude : m_drawList)
        gebaeude->update(realDt);
    m_ambientCountdown -= realDt;
    if (m_ambientCountdown > 0.0)
        return;
    m_ambientCountdown = randomFraction() * (m_ambientPause[1] - m_ambientPause[0]) + m_ambientPause[0];
    startAmbient();
}

void GebaeudeManager::startAmbient()
{
    if (m_ambientNames.empty())
        return;
    const int count = static_cast<int>(m_ambientNames.size());
    const int index = count > 1 ? crt_rand() % count : 0;
    WegpunktManager& animations = m_globals.getWegpunktManager();
    const WegpunktVorlage* vorlage = animations.findVorlage(m_ambientNames[index]);
    if (!vorlage)
        return;
    // Hidden from the board's drawing, which draws every other path animation; the town
    // draws its own.
    const RECT rect{0, 0, vorlage->getGrid().frameWidth, vorlage->getGrid().frameHeight};
    auto* animation = new WegpunktAnimation(*vorlage, rect, true, 0.0);
    animation->finished.connect(this, &GebaeudeManager::onAmbientFinished);
    m_ambient.push_back(animation);
    animations.add(animation);
}

void GebaeudeManager::onAmbientFinished(WegpunktAnimation& animation)
{
    std::erase(m_ambient, &animation);
}

void GebaeudeManager::render(float offsetX, float offsetY, double scale) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite)
        return;
    for (const Gebaeude* gebaeude : m_drawList)
        gebaeude->render(offsetX, offsetY, scale);
    // Only animations the path-animation manager still runs are touched: it may have
    // deleted ours without a word when it was cleared.
    for (const WegpunktAnimation* animation : m_globals.getWegpunktManager().getAnimations()) {
        if (std::find(m_ambient.begin(), m_ambient.end(), animation) != m_ambient.end())
            animation->draw(*sprite, offsetX, offsetY, scale, 0xFFFFFFFF);
    }
}

int GebaeudeManager::gridWidth() const
{
    return std::max(m_globals.getBuildingPlaces(), 1);
}

Gebaeude* GebaeudeManager::getGebaeude(int column, int row) const
{
    const long long index = (static_cast<long long>(m_firstRow) + row) * gridWidth() + column;
    return index >= 0 && index < static_cast<long long>(m_ordinary.size()) ? m_ordinary[index] : nullptr;
}

Gebaeude* GebaeudeManager::findGebaeude(const std::wstring& id) const
{
    for (const std::vector<Gebaeude*>* list : {&m_ordinary, &m_temporary}) {
        for (Gebaeude* gebaeude : *list) {
            if (gebaeude->getID() == id)
                return gebaeude;
        }
    }
    return nullptr;
}

void GebaeudeManager::resetAll()
{
    m_busy = true;
    for (Gebaeude* gebaeude : m_temporary)
        gebaeude->setBuilt(false);
    for (Gebaeude* gebaeude : m_ordinary)
        gebaeude->setBuilt(false);
    for (Gebaeude* gebaeude : m_buildOnStart)
        gebaeude->setBuilt(true);
    if (m_endGebaeude)
        m_endGebaeude->setBuilt(false);
    m_busy = false;
}

void GebaeudeManager::buildByName(const std::wstring& id)
{
    m_busy = true;
    bool found = false;
    for (Gebaeude* gebaeude : m_ordinary) {
        if (gebaeude->getID() == id) {
            gebaeude->setBuilt(true);
            found = true;
        }
    }
    if (m_endGebaeude && m_endGebaeude->getID() == id) {
        m_endGebaeude->setBuilt(true);
        found = true;
    }
    if (!found)
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING, L"ThreeMatch::GebaeudeManager: kein Gebaeude ", id, L"\n");
    m_busy = false;
}

int GebaeudeManager::destroyRandom()
{
    const int wanted = (crt_rand() & 1) + 1;
    int destroyed = 0;
    for (auto it = m_ordinary.rbegin(); it != m_ordinary.rend() && destroyed < wanted; ++it) {
        if ((*it)->isBuilt()) {
            (*it)->setBuilt(false);
            ++destroyed;
        }
    }
    recomputeRow();
    return destroyed;
}

void GebaeudeManager::recomputeRow()
{
    const int width = gridWidth();
    const auto open =
        std::find_if(m_ordinary.begin(), m_ordinary.end(), [](const Gebaeude* g) { return !g->isBuilt(); });
    if (open != m_ordinary.end())
        m_firstRow = static_cast<int>(open - m_ordinary.begin()) / width;
    else
        m_firstRow = std::max(0, (static_cast<int>(m_ordinary.size()) - width) / width); // none: row 0
}

} // namespace ThreeMatch
