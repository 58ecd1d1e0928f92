#pragma once
// One running path animation: plays frames of its template's grid while it moves along its
// own copy of the template's way points, after an optional start delay. It ends once it has
// played its frames and reached its last way point.
#include "foundation/sigslot.h"
#include "threematch/animations/Wegpunkt.h"

#include <windef.h>
#include <d3d9types.h>

namespace Ulvo {
class D3DXSprite;
}

namespace ThreeMatch {

class WegpunktVorlage;

class WegpunktAnimation {
public:
    // rect: where the frame is drawn, relative to the current path position.
    WegpunktAnimation(const WegpunktVorlage& vorlage, const RECT& rect, bool hidden, double startDelay);
    WegpunktAnimation(const WegpunktAnimation&) = delete;
    WegpunktAnimation& operator=(const WegpunktAnimation&) = delete;

    // dt moves the delay and the path (game or real time, as the manager is asked);
    // realDt always drives the frames.
    void update(double dt, double realDt);
    // True once the frames are played and the path is done; an animation with fewer than
    // one frame to play never ends by itself.
    bool isFinished() const;
    // Draws the current frame unless the animation is hidden or still waiting.
    void render(Ulvo::D3DXSprite& sprite, float offsetX, float offsetY, double scale, D3DCOLOR colour) const;
    // The same for a hidden animation, for the owner that keeps it out of the common drawing.
    void draw(Ulvo::D3DXSprite& sprite, float offsetX, float offsetY, double scale, D3DCOLOR colour) const;
    // Where render() draws the animation this frame; false when it draws nothing.
    bool drawnRect(float offsetX, float offsetY, double scale, RECT& rect) const;

    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    bool isPathFinished() const { return m_pathFinished; }
    float getX() const { return m_x; }
    float getY() const { return m_y; }
    double getFrameClock() const { return m_frameClock; }
    int getFramesToPlay() const { return m_framesToPlay; }
    int getStartFrame() const { return m_startFrame; }
    double getStartDelay() const { return m_startDelay; }
    const WegpunktVorlage& getVorlage() const { return m_vorlage; }

    // Emitted by the manager when the animation has ended, just before it deletes it.
    sigslot::signal1<WegpunktAnimation&> finished;

private:
    RECT destination(float offsetX, float offsetY, double scale) const;
    const WegpunktVorlage& m_vorlage;
    RECT m_rect;
    bool m_hidden;
    int m_framesToPlay = 0;
    double m_speed = 0.0;
    double m_frameClock = 0.0;
    int m_startFrame = 0;
    bool m_pathFinished = false;
    double m_pathTime = 0.0;
    WegpunktListe m_wegpunkte;
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_previousX = 0.0f;
    float m_previousY = 0.0f;
    double m_startDelay;
};

} // namespace ThreeMatch
