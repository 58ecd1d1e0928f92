#pragma once
// A stone on the board: the sprite of a stone type. It travels along a queue of way-points
// (falling, swapping), squashes briefly when it lands, blinks while hinted, plays its burst
// strip while its cell explodes and cross-fades when a bonus or the wrath changes its type.
// The board creates and deletes stones; a cell only points at the stone lying on it.
#include "foundation/sigslot.h"
#include "foundation/helpers/Interpolation.h"
#include "threematch/board/Feld.h"

#include <windef.h>
#include <d3d9types.h>
#include <d3dx9math.h>

#include <array>
#include <vector>

namespace Ulvo {
class Texture2D;
}

namespace ThreeMatch {

class Feld;
class MyGlobals;
class Rohstoff;

// The three looks of a stone type: "_OBJEKT_MARKED" (a strip of ten frames while selected),
// "_OBJEKT_SPRENG" (ten frames of the burst) and "_OBJEKT".
struct StoneLooks {
    enum { Marked, Spreng, Objekt, Count };
    std::array<Ulvo::Texture2D*, Count> textures{};

    // Looked up by the type's name; missing textures stay null.
    static StoneLooks of(const Rohstoff& rohstoff);
};

class Bildchen : public sigslot::has_slots<> {
public:
    // A way-point of the path: where to go and how long the move takes.
    struct PathPoint {
        D3DXVECTOR2 target;
        double seconds;
    };

    // looks: the type's textures when the caller has them at hand, else they are looked up.
    explicit Bildchen(Rohstoff* rohstoff, const MyGlobals* globals = nullptr, const StoneLooks* looks = nullptr);
    ~Bildchen() override;
    Bildchen(const Bildchen&) = delete;
    Bildchen& operator=(const Bildchen&) = delete;

    Rohstoff* getRohstoff() const { return m_rohstoff; }
    // Two stones match when their type ids are equal.
    int getTypId() const { return m_typId; }
    const D3DXVECTOR2& getPosition() const { return m_position; }
    // Places the stone at once and forgets its path.
    void setPosition(const D3DXVECTOR2& position);
    // Queues a move; a marked stone is unmarked.
    void addPathPoint(const D3DXVECTOR2& target, double seconds);
    bool isMoving() const { return !m_path.empty(); }
    const std::vector<PathPoint>& getPath() const { return m_path; }
    Feld* getFeld() const { return m_feld; }
    void setFeld(Feld* feld) { m_feld = feld; }

    // Marking is a short pulse: a marked stone unmarks itself when the marking is complete.
    void setMarked(bool marked);
    bool isMarked() const { return m_marked; }
    float getMarkingWeight() const { return m_marking.value; }
    void setHint(double seconds) { m_hintTime = seconds; }
    double getHintTime() const { return m_hintTime; }
    void startExplosion(double delay);
    double getSprengDelay() const { return m_sprengDelay; }
    // Changes the type, cross-fading from the old look over seconds of game time.
    void setRohstoff(Rohstoff* rohstoff, double seconds, const StoneLooks* looks = nullptr);
    double getFadeProgress() const;

    // Once a frame: the cross-fade, hint, path and marking on game time, the selection and
    // burst strips on real time. A stone lying still with nothing fading, hinting, marking or
    // bursting only keeps its selection pulse.
    void update(double realDt, double gameDt)
    {
        if (m_path.empty() && m_fadeElapsed >= m_fadeTotal && m_hintTime <= 0.0 && m_sprengDelay == 0.0 &&
            m_marking.t >= 1.0f) {
            m_selectedPhase = m_feld && m_feld->isSelected() ? m_selectedPhase + 20.0 * realDt : 0.0;
            m_explosionElapsed = 0.0;
            return;
        }
        updateRunning(realDt, gameDt);
    }
    // Inside a begun sprite batch.
    void draw(const D3DXVECTOR2& offset, double scale, D3DCOLOR colour) const;

private:
    void updateRunning(double realDt, double gameDt);
    void onMarkingEnd(Ulvo::Interpolation<float, float>& marking);
    void drawLook(const StoneLooks& looks, const RECT& rect, D3DCOLOR colour) const;
    double explosionThreshold() const;

    // What a frame at rest reads comes first, together.
    D3DXVECTOR2 m_position{0.0f, 0.0f};
    Feld* m_feld = nullptr;
    std::vector<PathPoint> m_path;
    double m_hintTime = -1.0;
    double m_fadeTotal = 0.0;
    double m_fadeElapsed = 0.0;
    double m_selectedPhase = 0.0;
    double m_sprengDelay = 0.0;
    double m_explosionElapsed = 0.0;
    double m_segmentElapsed = 0.0;
    D3DXVECTOR2 m_segmentStart{0.0f, 0.0f};
    const MyGlobals* m_globals;
    Rohstoff* m_rohstoff;
    int m_typId = 0;
    bool m_marked = false;
    Ulvo::Interpolation<float, float> m_marking{0.0f};
    StoneLooks m_looks;
    StoneLooks m_previousLooks;
};

} // namespace ThreeMatch
