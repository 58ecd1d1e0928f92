#include "threematch/stones/Rohstoffklasse.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/RohstoffManager.h"

#include <climits>
#include <cmath>

namespace ThreeMatch {

namespace {

int saturatedAdd(long long a, long long b)
{
    const long long sum = a + b;
    return static_cast<int>(sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : sum);
}

// A shown value moves towards its target by half the distance a second.
void follow(double& shown, int target, double dt)
{
    shown += (target - shown) * dt * 2.0;
}

int rounded(double value)
{
    return toInt(std::floor(value + 0.5));
}

} // namespace

Rohstoffklasse::Rohstoffklasse(const Ulvo::XMLNode& node, int index, const RohstoffManager& manager)
    : m_idBase(index * 1000)
{
    node.readString(L"NAME", m_name);
    node.readFlag(L"SHOWINSTATUS", m_showInStatus);
    std::wstring vorschau;
    if (node.readString(L"VORSCHAU_TEXTUR", vorschau))
        m_vorschau = findGameTexture(vorschau);
    node.readFlag(L"SHOW_VORSCHAU_INGAME", m_showVorschauIngame);
    node.readFlag(L"SHOW_VORSCHAU_BAUEN", m_showVorschauBauen);
    node.readFlag(L"UNLOCKED", m_unlockedDefault);
    node.readInt(L"MIN_ANZAHL", m_minAnzahl);
    node.readFlag(L"RANDOM", m_random);
    uint32_t color = m_color;
    if (node.readHex(L"COLOR", color))
        m_color = color;
    node.readInt(L"ROHSTOFF_ANZ_START", m_punkte);
    node.readFlag(RohstoffManager::kUnlockCode, m_unlockFlag);
    node.readFlag(RohstoffManager::kUnlimitedCode, m_unlimitedFlag);
    m_unlocked = m_unlockedDefault;
    m_shownPunkte = m_punkte;
    for (const Ulvo::XMLNode* child : node.getNodes()) {
        if (child && child->getName() == L"ROHSTOFF") {
            const int id = m_idBase + static_cast<int>(m_stones.size()) + 1;
            m_stones.push_back(new Rohstoff(*child, *this, id, manager));
        }
    }
}

Rohstoffklasse::~Rohstoffklasse()
{
    for (Rohstoff* stone : m_stones)
        delete stone;
}

Rohstoff* Rohstoffklasse::findRohstoff(const std::wstring& name) const
{
    for (Rohstoff* stone : m_stones) {
        if (stone->getName() == name)
            return stone;
    }
    return nullptr;
}

Rohstoff* Rohstoffklasse::getRohstoff(int index) const
{
    return index >= 0 && index < getRohstoffCount() ? m_stones[static_cast<std::size_t>(index)] : nullptr;
}

void Rohstoffklasse::spend(int n)
{
    m_punkte = saturatedAdd(m_punkte, -static_cast<long long>(n));
}

int Rohstoffklasse::getShownPunkte() const
{
    return rounded(m_shownPunkte);
}

int Rohstoffklasse::getShownLevelPunkte() const
{
    return rounded(m_shownLevelPunkte);
}

void Rohstoffklasse::resetLevelPunkte()
{
    m_levelPunkte = 0;
    m_shownLevelPunkte = 0.0;
}

void Rohstoffklasse::addLevelPunkte(long long n)
{
    m_levelPunkte = saturatedAdd(m_levelPunkte, n);
}

void Rohstoffklasse::commitLevelPunkte()
{
    m_punkte = saturatedAdd(m_punkte, m_levelPunkte);
    m_levelPunkte = 0;
}

void Rohstoffklasse::setUnlockMode(bool on)
{
    const bool unlockable = on && m_unlockFlag;
    if (unlockable)
        m_unlocked = true;
    for (Rohstoff* stone : m_stones)
        stone->setUnlockMode(unlockable);
}

void Rohstoffklasse::setUnlimitedMode(bool on)
{
    m_unlimitedActive = on;
    if (on && m_unlimitedFlag) {
        m_punkte = kUnlimitedPunkte;
        m_shownPunkte = kUnlimitedPunkte;
        m_unlocked = true;
    }
}

void Rohstoffklasse::resetToFile()
{
    m_unlocked = m_unlockedDefault;
    m_punkte = 0;
    m_shownPunkte = 0.0;
    m_levelPunkte = 0;
    m_shownLevelPunkte = 0.0;
    for (Rohstoff* stone : m_stones)
        stone->resetToFile();
}

void Rohstoffklasse::update(double realDt, double gameDt)
{
    for (Rohstoff* stone : m_stones)
        stone->refill(gameDt);
    follow(m_shownPunkte, m_punkte, realDt);
    follow(m_shownLevelPunkte, m_levelPunkte, realDt);
    if (m_unlimitedFlag && m_unlimitedActive)
        m_punkte = kUnlimitedPunkte;
}

void Rohstoffklasse::saveProfile(Ulvo::XMLNode& node) const
{
    appendValue(node, L"NAME", m_name);
    appendValue(node, L"UNLOCKED", m_unlocked ? 1 : 0);
    appendValue(node, L"PUNKTE", m_punkte);
    for (const Rohstoff* stone : m_stones) {
        auto* record = new Ulvo::XMLNode(L"ROHSTOFF");
        stone->saveProfile(*record);
        node.addNode(record);
    }
}

void Rohstoffklasse::loadProfile(const Ulvo::XMLNode& node)
{
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"UNLOCKED"))
        m_unlocked = value->getFlag();
    if (const Ulvo::XMLProperty* value = node.getFreeValue(L"PUNKTE"))
        m_punkte = value->getInt();
    for (const Ulvo::XMLNode* child : node.getNodes()) {
        if (!child || child->getName() != L"ROHSTOFF")
            continue;
        const Ulvo::XMLProperty* name = child->getFreeValue(L"NAME");
        if (Rohstoff* stone = name ? findRohstoff(name->getValue()) : nullptr)
            stone->loadProfile(*child);
    }
}

} // namespace ThreeMatch
