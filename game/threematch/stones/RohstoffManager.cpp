#include "threematch/stones/RohstoffManager.h"

#include "engine/UlvoEngine.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/GameGraphics.h"

#include <algorithm>

namespace ThreeMatch {

RohstoffManager::~RohstoffManager()
{
    clear();
}

void RohstoffManager::clear()
{
    m_zornKlasse = nullptr;
    m_boeseKlasse = nullptr;
    for (Rohstoffklasse* klasse : m_klassen)
        delete klasse;
    m_klassen.clear();
}

bool RohstoffManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!Ulvo::XMLNode::load(&root, fileName, 0)) {
        clear();
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR,
                               L"ThreeMatch::RohstoffManager::load: " + fileName +
                                   L" nicht gelesen, keine Rohstoffe!\n");
        return false;
    }
    load(root);
    return true;
}

void RohstoffManager::load(const Ulvo::XMLNode& root)
{
    clear();
    const TextureListsReadOnce once;
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"ROHSTOFFKLASSE")
            m_klassen.push_back(new Rohstoffklasse(*node, static_cast<int>(m_klassen.size()), *this));
    }
    if (const Ulvo::XMLProperty* zorn = root.getFreeValue(L"ZORNKLASSE"))
        m_zornKlasse = findKlasse(zorn->getValue());
    if (const Ulvo::XMLProperty* boese = root.getFreeValue(L"BOESEKLASSE"))
        m_boeseKlasse = findKlasse(boese->getValue());
}

Rohstoffklasse* RohstoffManager::findKlasse(const std::wstring& name) const
{
    for (Rohstoffklasse* klasse : m_klassen) {
        if (klasse->getName() == name)
            return klasse;
    }
    return nullptr;
}

Rohstoffklasse* RohstoffManager::getKlasse(int index) const
{
    return index >= 0 && index < getKlassenCount() ? m_klassen[static_cast<std::size_t>(index)] : nullptr;
}

int RohstoffManager::indexOf(const Rohstoffklasse* klasse) const
{
    const auto it = std::find(m_klassen.begin(), m_klassen.end(), klasse);
    return it == m_klassen.end() ? -1 : static_cast<int>(it - m_klassen.begin());
}

void RohstoffManager::update()
{
    const Ulvo::PerfTimer* clock = Ulvo::UlvoEngine::getInstance()->getPerfTimer();
    advance(clock->getRealFrameTime(), clock->getFrameTime());
}

void RohstoffManager::advance(double realDt, double gameDt)
{
    for (Rohstoffklasse* klasse : m_klassen)
        klasse->update(realDt, gameDt);
}

void RohstoffManager::resetAll()
{
    for (Rohstoffklasse* klasse : m_klassen)
        klasse->resetToFile();
}

void RohstoffManager::resetLevelPunkte()
{
    for (Rohstoffklasse* klasse : m_klassen)
        klasse->resetLevelPunkte();
}

void RohstoffManager::clearShownLevelPunkte()
{
    for (Rohstoffklasse* klasse : m_klassen)
        klasse->clearShownLevelPunkte();
}

void RohstoffManager::commitLevelPunkte()
{
    for (Rohstoffklasse* klasse : m_klassen)
        klasse->commitLevelPunkte();
}

} // namespace ThreeMatch
