#include "threematch/stones/Rohstoff.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/stones/RohstoffManager.h"
#include "threematch/stones/Rohstoffklasse.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

Rohstoff::Rohstoff(const Ulvo::XMLNode& node, Rohstoffklasse& klasse, int id, const RohstoffManager& manager)
    : m_id(id), m_klasse(&klasse)
{
    node.readString(L"NAME", m_name);
    node.readString(L"VORSTELLUNG_TEXT_ID", m_vorstellungTextId);
    node.readInt(L"MULTIPLIER", m_multiplier);
    node.readInt(L"LADUNGEN", m_ladungen);
    if (m_ladungen < 1) {
        // The charge ratio divides by it.
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                               L"ThreeMatch::Rohstoff: " + m_name + L" LADUNGEN " + std::to_wstring(m_ladungen) +
                                   L" unter 1, nehme 1\n");
        m_ladungen = 1;
    }
    node.readDouble(L"PROBABILITY", m_probability);
    std::wstring textureList;
    if (node.readString(L"TEX_FILE", textureList))
        loadGameTextureList(textureList);
    node.readFlag(L"UNLOCKED", m_unlockedDefault);
    bool needsIntroduction = false;
    node.readFlag(L"NEEDS_VORSTELLUNG", needsIntroduction);
    m_introducedDefault = !needsIntroduction;
    std::wstring zusatz;
    if (node.readString(L"ROHSTOFFKLASSE_ZUSATZ", zusatz))
        m_zusatzKlasse = manager.findKlasse(zusatz);
    node.readFlag(RohstoffManager::kUnlockCode, m_refillFlag);
    m_unlocked = m_unlockedDefault;
    m_isIntroduced = m_introducedDefault;
    m_icon = findGameTexture(m_name + L"_OBJEKT");
    if (m_icon)
        m_icon->AddRef();
}

Rohstoff::~Rohstoff()
{
    Ulvo::releaseAndNull(m_icon);
}

void Rohstoff::unlock()
{
    m_unlocked = true;
    m_isNew = true;
}

double Rohstoff::getChargeRatio() const
{
    return std::clamp(static_cast<double>(m_charges) / m_ladungen, 0.0, 1.0);
}

void Rohstoff::addCharges(int n)
{
    const int old = m_charges;
    m_charges = static_cast<int>(std::min<long long>(static_cast<long long>(m_charges) + n, m_ladungen));
    const long long points = static_cast<long long>(m_multiplier) * n;
    m_klasse->addLevelPunkte(points);
    if (m_zusatzKlasse)
        m_zusatzKlasse->addLevelPunkte(points);
    if (old < m_ladungen && m_ladungen <= m_charges)
        full.emit(*this);
}

void Rohstoff::saveProfile(Ulvo::XMLNode& node) const
{
    appendValue(node, L"NAME", m_name);
    if (m_unlocked && !m_unlockedDefault)
        appendValue(node, L"UNLOCKED", 1);
    if (m_isNew)
        appendValue(node, L"ISNEW", 1);
    if (m_isIntroduced)
        appendValue(node, L"ISVORGESTELLT", 1);
    appendValue(node, L"PROBABILITY", m_profileWeight);
    appendValue(node, L"ANZ_LADUNGEN", m_charges);
}

void Rohstoff::loadProfile(const Ulvo::XMLNode& node)
{
    m_isNew = false;
    m_isIntroduced = m_introducedDefault;
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"UNLOCKED"))
        m_unlocked = value->getFlag();
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"ISNEW"))
        m_isNew = value->getFlag();
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"ISVORGESTELLT"))
        m_isIntroduced = value->getFlag();
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"PROBABILITY")) {
        const double weight = value->getDouble();
        m_profileWeight = std::isfinite(weight) ? weight : 0.0;
    }
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"ANZ_LADUNGEN"))
        m_charges = std::clamp(value->getInt(), 0, m_ladungen);
}

void Rohstoff::resetToFile()
{
    m_unlocked = m_unlockedDefault;
    m_profileWeight = 0.0;
    m_levelWeight = 0.0;
    m_charges = 0;
    m_isIntroduced = m_introducedDefault;
    m_isNew = false;
}

void Rohstoff::setUnlockMode(bool classUnlockable)
{
    m_refillActive = classUnlockable;
    if (m_refillActive && m_refillFlag) {
        m_charges = m_ladungen;
        m_unlocked = true;
        m_isNew = false;
    }
}

void Rohstoff::refill(double gameDt)
{
    if (!m_refillActive || !m_refillFlag)
        return;
    m_chargeAccumulator += 50.0 * gameDt;
    if (m_chargeAccumulator > 1.0) {
        const double whole = std::floor(m_chargeAccumulator);
        m_chargeAccumulator -= whole;
        m_charges = static_cast<int>(std::min<double>(m_charges + whole, m_ladungen));
    }
}

} // namespace ThreeMatch
