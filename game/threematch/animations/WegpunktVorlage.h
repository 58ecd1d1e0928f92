#pragma once
// A path-animation template: a frame grid of one texture, how many frames to play at what
// speed, and the way points to follow. Read from a VORLAGE node of the animation file.
#include "threematch/animations/Wegpunkt.h"
#include "threematch/globals/FrameGrid.h"

#include <string>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class WegpunktVorlage {
public:
    explicit WegpunktVorlage(const Ulvo::XMLNode& node);
    WegpunktVorlage(const WegpunktVorlage&) = delete;
    WegpunktVorlage& operator=(const WegpunktVorlage&) = delete;

    const std::wstring& getName() const { return m_name; }
    Ulvo::Texture2D* getTexture() const { return m_texture; }
    const FrameGrid& getGrid() const { return m_grid; }
    const WegpunktListe& getWegpunkte() const { return m_wegpunkte; }
    int getStartFrameRange() const { return m_startFrameRange; }
    int getAnimFrames() const { return m_animFrames; }
    int getAnimFramesRand() const { return m_animFramesRand; }
    double getSpeed() const { return m_speed; }
    double getSpeedRand() const { return m_speedRand; }

private:
    std::wstring m_name;
    Ulvo::Texture2D* m_texture = nullptr; // the texture manager keeps it
    FrameGrid m_grid;
    WegpunktListe m_wegpunkte;
    int m_startFrameRange = 0;
    int m_animFrames = 0;
    int m_animFramesRand = 0;
    double m_speed = 0.0;
    double m_speedRand = 0.0;
};

} // namespace ThreeMatch
