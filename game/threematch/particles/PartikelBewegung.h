#pragma once
// What particle and emitter definitions share: an acceleration and a start velocity, each
// with its spread, and a lifetime with its spread (above 0 marks the thing as time-limited).
namespace Ulvo {
class XMLNode;
}

namespace ThreeMatch {

struct PartikelBewegung {
    // GRAVITATION, GRAVITATION_RAND, SPEED, SPEED_RAND, LEBENSDAUER, LEBENSDAUER_RAND.
    void read(const Ulvo::XMLNode& node);
    // One random draw shared by both axes.
    void drawAcceleration(float& x, float& y) const;
    // One random draw per axis.
    void drawVelocity(float& x, float& y) const;
    double drawLebensdauer() const;

    float gravitation[2] = {0.0f, 0.0f};
    float gravitationRand[2] = {0.0f, 0.0f};
    float speed[2] = {0.0f, 0.0f};
    float speedRand[2] = {0.0f, 0.0f};
    double lebensdauer = 0.0;
    double lebensdauerRand = 0.0;
    bool timeLimited = false;
};

} // namespace ThreeMatch
