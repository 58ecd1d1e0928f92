#include "threematch/bonuses/BonusManager.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"

namespace ThreeMatch {

namespace {

Bonus* makeBonus(int kind, const Ulvo::XMLNode& node, MyGlobals& globals)
{
    switch (kind) {
    case 0:
        return new Hammer_Bonus(node, globals);
    case 1:
        return new Blitz_Bonus(node, globals);
    case 2:
        return new Bombe_Bonus(node, globals);
    case 3:
        return new Time_Bonus(node, globals);
    case 4:
        return new Punkte_Bonus(node, globals);
    case 5:
        return new Zufall_Bonus(node, globals);
    case 6:
        return new Zeile_entfernen_Bonus(node, globals);
    default:
        return new Rohstoff_entfernen_Bonus(node, globals);
    }
}

} // namespace

BonusManager::~BonusManager()
{
    clear();
}

void BonusManager::clear()
{
    for (Bonus* bonus : m_bonuses)
        delete bonus;
    m_bonuses.clear();
}

bool BonusManager::load(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!readDataFile(fileName, root, L"ThreeMatch::BonusManager::load")) {
        clear();
        return false;
    }
    load(root);
    return true;
}

void BonusManager::load(const Ulvo::XMLNode& root)
{
    clear();
    for (int kind = 0; kind < static_cast<int>(std::size(kKinds)); ++kind) {
        const Ulvo::XMLNode* node = root.getNode(kKinds[kind]);
        if (!node) {
            Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                                   std::wstring(L"ThreeMatch::BonusManager: kein ") + kKinds[kind] + L"\n");
            continue;
        }
        m_bonuses.push_back(makeBonus(kind, *node, m_globals));
    }
    for (Bonus* bonus : m_bonuses) {
        bonus->ready.disconnect(this);
        bonus->ready.connect(this, &BonusManager::onBonus);
    }
}

Bonus* BonusManager::getBonus(int index) const
{
    return index >= 0 && index < static_cast<int>(m_bonuses.size()) ? m_bonuses[index] : nullptr;
}

} // namespace ThreeMatch
