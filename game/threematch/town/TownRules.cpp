#include "threematch/town/TownRules.h"

#include "threematch/globals/DataReads.h"
#include "threematch/stones/Rohstoff.h"
#include "threematch/stones/Rohstoffklasse.h"
#include "threematch/town/Gebaeude.h"

#include <algorithm>
#include <cmath>

namespace ThreeMatch {

double TownRules::wrathFill(double stock, double maximum)
{
    // A maximum of 0 (or less) would divide by zero: the meter then stands full.
    return maximum > 0.0 ? 1.0 - stock / maximum : 1.0;
}

std::vector<Rohstoff*> TownRules::orderWrathTypes(const std::vector<Rohstoff*>& levelTypes, const Rohstoffklasse* wrath)
{
    std::vector<Rohstoff*> ordered;
    std::vector<Rohstoff*> rest;
    for (auto it = levelTypes.rbegin(); it != levelTypes.rend(); ++it) {
        Rohstoff* type = *it;
        if (!type || (wrath && type->getKlasse() == wrath))
            continue;
        if (type->getKlasse() && type->getKlasse()->getName() == L"BONUS")
            ordered.push_back(type);
        else
            rest.push_back(type);
    }
    const std::size_t bonusCount = ordered.size();
    for (Rohstoff* type : rest) {
        auto at =
            std::find_if(ordered.begin() + static_cast<std::ptrdiff_t>(bonusCount), ordered.end(),
                         [type](const Rohstoff* other) { return other->getMultiplier() < type->getMultiplier(); });
        ordered.insert(at, type);
    }
    return ordered;
}

void TownRules::startLevel(bool resume, Rohstoffklasse* wrath, int maximum, const std::vector<Rohstoff*>& levelTypes,
                           const Rohstoffklasse* fill)
{
    m_timer = 0.0;
    if (!resume && wrath) {
        // The wrath meter starts full again after a catastrophe, and whenever it stands empty.
        const auto refill = [&] {
            wrath->addLevelPunkte(maximum - wrath->getPunkte());
            wrath->commitLevelPunkte();
        };
        if (m_catastrophePending)
            refill();
        if (wrath->getPunkte() <= 0)
            refill();
    }
    if (!resume)
        m_catastrophePending = false;
    if (resume && wrath) {
        // A resumed level brings back its meter but not the catastrophe's state (after a restart
        // or from another profile): a meter found empty has had its catastrophe, which must not
        // strike the town a second time; one with stones in it has none pending.
        if (wrath->getPunkte() >= 1) {
            m_catastrophePending = false;
            m_catastropheLosses = 0;
        } else if (!m_catastrophePending) {
            m_catastrophePending = true;
            m_catastropheLosses = 0;
        }
    }

    const std::vector<Rohstoff*> ordered = orderWrathTypes(levelTypes, wrath);
    m_stages.clear();
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (Rohstoff* to = fill ? fill->getRohstoff(static_cast<int>(i)) : nullptr)
            m_stages.push_back(WrathStage{ordered[i], to, false});
    }
}

void TownRules::updateWrath(Rohstoffklasse& wrath, int maximum, double interval, Level& level)
{
    if (wrath.getPunkte() > maximum)
        wrath.spend(wrath.getPunkte() - std::max(maximum, 0));
    if (m_catastrophePending)
        wrath.spend(wrath.getPunkte());
    wrath.commitLevelPunkte();

    const double fill = wrathFill(wrath.getPunkte(), maximum);
    const std::size_t n = m_stages.size();
    bool added = false;
    bool removed = false;
    for (std::size_t i = 0; i < n; ++i) {
        WrathStage& stage = m_stages[i];
        const double threshold = static_cast<double>(i + 1) / static_cast<double>(n + 1);
        if (fill > threshold && !stage.reached) {
            level.replaceStoneType(stage.from, stage.to, kStageChangeSeconds);
            stage.reached = true;
            added = true;
            level.wrathStageTurned(true);
        } else if (!(fill > threshold) && stage.reached) {
            level.replaceStoneType(stage.to, stage.from, kStageChangeSeconds);
            stage.reached = false;
            removed = true;
            level.wrathStageTurned(false);
        }
    }
    level.wrathStagesChanged(added, removed);

    // A broken interval would never let the timer fall below it.
    if (!(interval > 0.0))
        return;
    while (m_timer >= interval) {
        if (wrath.getPunkte() < 1 && !m_catastrophePending) {
            m_catastrophePending = true;
            m_catastropheLosses = 0;
            const int story = level.storyLevel();
            if (story >= 0 && story < kLastStoryLevel)
                m_catastropheLosses = level.strikeTown();
            else
                m_catastrophePending = false;
            level.catastropheCame();
        } else if (wrath.getPunkte() >= 1) {
            wrath.spend(1);
        }
        m_timer -= interval;
    }
}

int TownRules::MinigameSaving::paid(int amount) const
{
    return toInt(amount * factor);
}

TownRules::MinigameSaving TownRules::minigameSaving(float score, int schwierigkeit)
{
    MinigameSaving result;
    // The saving is a single-precision value; what it leaves is worked out from it exactly.
    result.saving = static_cast<float>(1.0 - Gebaeude::costFactor(score, schwierigkeit));
    result.percent = toInt(static_cast<double>(result.saving) * 100.0);
    result.factor = 1.0 - static_cast<double>(result.saving);
    result.reached = static_cast<int>(std::lround(std::clamp(static_cast<double>(score), 0.0, 1.0) * 100.0));
    return result;
}

TownRules::Settlement TownRules::settleBuilding(Gebaeude* building, float score, int schwierigkeit)
{
    Settlement result;
    result.saving = minigameSaving(score, schwierigkeit);
    result.savedPercent = result.saving.percent;
    if (!building)
        return result;
    for (const int each : building->build(result.saving.factor)) {
        result.amount += each;
        result.paid += result.saving.paid(each);
    }
    result.savedPercent = result.amount > 0
                              ? static_cast<int>(std::lround(100.0 * (result.amount - result.paid) / result.amount))
                              : result.saving.percent;
    return result;
}

} // namespace ThreeMatch
