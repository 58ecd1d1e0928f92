#pragma once
// A score pop-up: the points a burst stone won, rising from the stone and drawn in the font
// style "PUNKTE_BILDCHEN" until it reaches its target.
#include <d3d9types.h>
#include <d3dx9math.h>

namespace ThreeMatch {

class PunkteAnzeige {
public:
    // speed: progress per second; without a target it rises to a random point above start.
    PunkteAnzeige(double speed, int value, const D3DXVECTOR2& start, D3DCOLOR colour,
                  const D3DXVECTOR2* target = nullptr);

    // Game time.
    void update(double gameDt);
    bool isFinished() const { return m_progress >= 1.0; }
    // Inside a begun sprite batch.
    void draw(const D3DXVECTOR2& offset, double scale) const;

    int getValue() const { return m_value; }
    const D3DXVECTOR2& getPosition() const { return m_position; }
    const D3DXVECTOR2& getTarget() const { return m_target; }
    D3DCOLOR getColour() const { return m_colour; }

private:
    double m_speed;
    int m_value;
    D3DXVECTOR2 m_start;
    D3DXVECTOR2 m_target;
    D3DXVECTOR2 m_position;
    double m_progress = 0.0;
    D3DCOLOR m_colour;
};

} // namespace ThreeMatch
