#include "threematch/particles/PartikelBewegung.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameRandom.h"

namespace ThreeMatch {

void PartikelBewegung::read(const Ulvo::XMLNode& node)
{
    node.readFloats(L"GRAVITATION", gravitation);
    node.readFloats(L"GRAVITATION_RAND", gravitationRand);
    node.readFloats(L"SPEED", speed);
    node.readFloats(L"SPEED_RAND", speedRand);
    if (node.readDouble(L"LEBENSDAUER", lebensdauer))
        timeLimited = lebensdauer > 0.0;
    node.readDouble(L"LEBENSDAUER_RAND", lebensdauerRand);
}

void PartikelBewegung::drawAcceleration(float& x, float& y) const
{
    const double r = randomFraction() - 0.5;
    x = toFloat(gravitation[0] + r * gravitationRand[0]);
    y = toFloat(gravitation[1] + r * gravitationRand[1]);
}

void PartikelBewegung::drawVelocity(float& x, float& y) const
{
    x = toFloat(randomSpread(speed[0], speedRand[0]));
    y = toFloat(randomSpread(speed[1], speedRand[1]));
}

double PartikelBewegung::drawLebensdauer() const
{
    return randomSpread(lebensdauer, lebensdauerRand);
}

} // namespace ThreeMatch
