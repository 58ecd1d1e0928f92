#pragma once
// The bonuses of "data\stones\bonus.bon", owned by the game's globals: at most one of each of
// the eight kinds, in the fixed order in which the game pairs them with its bonus buttons
// (HAMMER, BLITZ, BOMBE, ZEIT, PUNKTE, ZUFALL, ZEILE, ROHSTOFF_ENTF); a kind the file lacks
// is left out and the list is shorter. The manager forwards every bonus's ready signal, so
// the game controller connects once to learn which bonus has become full.
#include "threematch/bonuses/Bonus.h"

#include <string>
#include <vector>

namespace ThreeMatch {

class BonusManager : public sigslot::has_slots<> {
public:
    // The node names of the eight kinds, in list order.
    static constexpr const wchar_t* kKinds[] = {L"HAMMER", L"BLITZ",  L"BOMBE", L"ZEIT",
                                                L"PUNKTE", L"ZUFALL", L"ZEILE", L"ROHSTOFF_ENTF"};

    explicit BonusManager(MyGlobals& globals) : m_globals(globals) {}
    ~BonusManager() override;
    BonusManager(const BonusManager&) = delete;
    BonusManager& operator=(const BonusManager&) = delete;

    // Replaces the bonuses with those of the file; false (and no bonuses) when it does not read.
    bool load(const std::wstring& fileName);
    void load(const Ulvo::XMLNode& root);

    // Null when index is out of range.
    Bonus* getBonus(int index) const;
    int getBonusCount() const { return static_cast<int>(m_bonuses.size()); }
    const std::vector<Bonus*>& getBonuses() const { return m_bonuses; }

    // Every bonus's ready signal, passed on.
    sigslot::signal1<Bonus*> bonusReady;
    void onBonus(Bonus* bonus) { bonusReady.emit(bonus); }

private:
    void clear();

    MyGlobals& m_globals;
    std::vector<Bonus*> m_bonuses;
};

} // namespace ThreeMatch
