#include "threematch/particles/PartikelEmitter.h"

#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/GameSound.h"
#include "threematch/particles/EmitterInfo.h"
#include "threematch/particles/PartikelManager.h"

#include <cmath>

namespace ThreeMatch {

namespace {

// One name of a list (the only one, or a random pick); empty for an empty list.
const std::wstring& pickName(const std::vector<std::wstring>& names)
{
    static const std::wstring none;
    if (names.empty())
        return none;
    return names[static_cast<std::size_t>(randomIndex(static_cast<int>(names.size())))];
}

// Whole emissions due in an accumulator, taken out of it; at most limit of them, the rest of
// an absurd rate is dropped so that one frame cannot hang.
int takeDue(double& accumulator, int limit)
{
    int due = 0;
    while (accumulator >= 1.0 && due < limit) {
        accumulator -= 1.0;
        ++due;
    }
    if (accumulator >= 1.0)
        accumulator = std::fmod(accumulator, 1.0);
    return due;
}

} // namespace

PartikelEmitter::PartikelEmitter(const EmitterInfo& info, float x, float y, double scale,
                                 const WegpunktListe* wegpunkte, int layer, bool alsoRegistered)
    : m_info(info)
    , m_x(x)
    , m_y(y)
    , m_startX(x)
    , m_startY(y)
    , m_alsoRegistered(alsoRegistered)
    , m_scale(scale)
    , m_layer(layer)
{
    info.bewegung.drawVelocity(m_velocityX, m_velocityY);
    info.bewegung.drawAcceleration(m_accelerationX, m_accelerationY);
    m_partikelProSekunde = randomSpread(info.partikelProSekunde[0], info.partikelProSekunde[1]);
    m_emitterProSekunde = randomSpread(info.emitterProSekunde[0], info.emitterProSekunde[1]);
    m_lebensdauer = info.bewegung.drawLebensdauer();
    if (wegpunkte)
        m_wegpunkte = *wegpunkte;
}

void PartikelEmitter::followPath(double gameDt)
{
    const Wegpunkt& next = m_wegpunkte.front();
    m_pathTime += gameDt;
    // A point reached in no time is reached at once.
    const double t = next.dauer > 0.0 ? m_pathTime / next.dauer : 1.0;
    m_x = toFloat(m_startX + (static_cast<double>(next.x) - m_startX) * t);
    m_y = toFloat(m_startY + (static_cast<double>(next.y) - m_startY) * t);
    if (m_pathTime > next.dauer || next.dauer <= 0.0) {
        m_x = m_startX = next.x;
        m_y = m_startY = next.y;
        m_pathTime = m_wegpunkte.size() >= 2 ? m_pathTime - next.dauer : 0.0;
        m_wegpunkte.erase(m_wegpunkte.begin());
        if (m_wegpunkte.empty())
            m_finished = true;
    }
}

void PartikelEmitter::update(PartikelManager& manager, double realDt, double gameDt)
{
    if (m_wegpunkte.empty()) {
        m_velocityX = toFloat(m_velocityX + m_accelerationX * realDt);
        m_velocityY = toFloat(m_velocityY + m_accelerationY * realDt);
        m_x = toFloat(m_x + m_velocityX * realDt);
        m_y = toFloat(m_y + m_velocityY * realDt);
    } else {
        followPath(gameDt);
    }
    if (m_info.bewegung.timeLimited) {
        m_lebensdauer -= realDt;
        if (m_lebensdauer <= 0.0)
            m_finished = true;
    }

    m_partikelAccumulator += m_partikelProSekunde * realDt;
    for (int due = takeDue(m_partikelAccumulator, PartikelManager::kMaxEmissionsPerFrame); due > 0 && !manager.isFull();
         --due) {
        const std::wstring& name = pickName(m_info.partikelInfos);
        const double rx = randomFraction(), ry = randomFraction();
        manager.emitPartikel(name, toFloat(m_x + rx * m_info.size[0]), toFloat(m_y + ry * m_info.size[1]), m_scale,
                             m_layer);
    }
    m_emitterAccumulator += m_emitterProSekunde * realDt;
    for (int due = takeDue(m_emitterAccumulator, PartikelManager::kMaxEmissionsPerFrame);
         due > 0 && manager.getEmitters().size() < PartikelManager::kMaxEmitters; --due)
        startChild(manager, pickName(m_info.emitterInfos));
}

void PartikelEmitter::startChild(PartikelManager& manager, const std::wstring& name)
{
    if (manager.getEmitters().size() >= PartikelManager::kMaxEmitters)
        return;
    if (const EmitterInfo* info = manager.findEmitterInfo(name))
        manager.addEmitter(new PartikelEmitter(*info, m_x, m_y, m_scale, nullptr, m_layer, m_alsoRegistered),
                           m_alsoRegistered);
}

void PartikelEmitter::end(PartikelManager& manager)
{
    const int count = toInt(std::trunc(randomSpread(m_info.endAnzahl[0], m_info.endAnzahl[1])));
    for (int i = 0; i < count && i < PartikelManager::kMaxEmissionsPerFrame; ++i)
        startChild(manager, pickName(m_info.endEmitterInfos));
    if (!m_info.soundsOnDelete.empty())
        playGameSound(pickName(m_info.soundsOnDelete));
}

} // namespace ThreeMatch
