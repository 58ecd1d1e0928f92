#pragma once
// One live particle: born from a definition at a place with a scale, it moves, turns, runs
// through its frames and fades until its lifetime runs out (or, unlimited, until the manager
// clears it).
#include <d3d9types.h>

namespace Ulvo {
class D3DXSprite;
}

namespace ThreeMatch {

struct PartikelInfo;

class Partikel {
public:
    // Lifetime of a particle that lives until the manager is cleared.
    static constexpr double kUnlimited = -1.0;

    Partikel(const PartikelInfo& info, float x, float y, double scale, int layer);
    Partikel(const Partikel&) = delete;
    Partikel& operator=(const Partikel&) = delete;

    // Real frame time.
    void update(double dt);
    // True once a limited lifetime has run out.
    bool isDead() const { return m_lebensdauer != kUnlimited && m_lebensdauer <= 0.0; }
    void render(Ulvo::D3DXSprite& sprite, D3DCOLOR tint) const;

    int getLayer() const { return m_layer; }
    float getX() const { return m_x; }
    float getY() const { return m_y; }
    double getLebensdauer() const { return m_lebensdauer; }
    double getAge() const { return m_age; }
    D3DCOLOR getColour() const { return m_colour; }
    // The colour and size factor the next draw uses (tint applied), for the fades.
    D3DCOLOR drawColour(D3DCOLOR tint) const;
    double sizeFactor() const;

private:
    const PartikelInfo& m_info;
    float m_x, m_y;
    float m_accelerationX = 0.0f, m_accelerationY = 0.0f;
    float m_velocityX = 0.0f, m_velocityY = 0.0f;
    float m_scaleX = 1.0f, m_scaleY = 1.0f;
    double m_frameClock = 0.0;
    double m_lebensdauer = kUnlimited;
    double m_age = 0.0;
    D3DCOLOR m_colour = 0xFFFFFFFF;
    int m_frameOffset = 0;
    int m_passesLeft = 0;
    double m_rotation = 0.0;
    double m_rotationSpeed = 0.0;
    int m_layer;
};

} // namespace ThreeMatch
