#pragma once
// A light show: a picture turned into a swarm of small lights, one per opaque sample point of
// the picture, in that point's colour. The lights fly in from outside the screen, form the
// picture, pulse for TIMER_LEER seconds and fly out again; three sounds mark the start of the
// flight in, the formed picture and the flight out. Positions are in a virtual screen of
// 1024 x 768; drawing maps them with an offset and a scale. The show runs on real time.
//
// The show owns its lights; the picture and the light texture belong to the texture manager.
// Updating allocates nothing.
#include "foundation/objects/NamedObject.h"
#include "threematch/levels/LayoutPicture.h"

#include <windef.h>
#include <d3d9types.h>

#include <string>
#include <vector>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

class Lichterspiel : public Ulvo::NamedObject {
public:
    // A picture of more sample points than this is cut (with a log line).
    static constexpr std::size_t kMaxLichter = 50000;
    // The virtual screen: its centre and the distance the lights come from.
    static constexpr float kCentreX = 512.0f;
    static constexpr float kCentreY = 384.0f;
    static constexpr float kBottom = 768.0f;
    static constexpr double kFarAway = 886.8100134752651; // sqrt(1024 * 768)

    struct Licht {
        Ulvo::Texture2D* texture = nullptr;
        int columns = 1;
        int rows = 1;
        RECT firstFrame{0, 0, 0, 0};
        double frameClock = 0.0;
        double framesPerSecond = 10.0;
        double rotationSpeed = 0.0; // degrees per second
        double angle = 0.0;         // degrees
        D3DCOLOR colour = 0xFFFFFFFF;
        float brightness = 1.0f;
        float start[2] = {0.0f, 0.0f};
        float target[2] = {0.0f, 0.0f};
        float position[2] = {0.0f, 0.0f};
        float size[2] = {25.0f, 25.0f};
        double flightTime = 0.0;
        double flightDuration = 0.0;
        float home[2] = {0.0f, 0.0f};

        // The colour drawn: every channel times the brightness, within 0..255.
        D3DCOLOR drawColour() const;
        // The frame's texels: FIRST_FRAME moved by the frame's place in the grid; the whole
        // texture when FIRST_FRAME is empty.
        RECT frameRect() const;
    };

    // A LICHTERSPIEL node; builds the lights from BILD when it names a picture.
    explicit Lichterspiel(Ulvo::XMLNode* node);
    ~Lichterspiel() override = default;
    Lichterspiel(const Lichterspiel&) = delete;
    Lichterspiel& operator=(const Lichterspiel&) = delete;

    // Rebuilds the lights from a picture and restarts the show.
    void setBild(Ulvo::Texture2D* picture);
    // The same from texels (alpha 0 is transparent).
    void setPicture(const LayoutPicture& picture);
    // Sends every light out of the screen to fly in anew.
    void restart();
    // One frame of real time.
    void update(double realDt);
    // Every light, at (virtual position + offset) x scale, inside a begun sprite batch.
    void render(float offsetX, float offsetY, double scale) const;

    bool isFinished() const { return m_finished; }
    bool isLeaving() const { return m_leaving; }
    // Every light has reached its flight's end.
    bool hasArrived() const;
    double getRemaining() const { return m_remaining; }
    double getTimerLeer() const { return m_timerLeer; }
    const std::vector<Licht>& getLichter() const { return m_lichter; }
    const std::wstring& getSound(int index) const { return m_sounds[index]; }

private:
    // A random unit vector from two draws.
    static void randomDirection(double& dx, double& dy);
    void sendOut();

    Ulvo::Texture2D* m_bild = nullptr;
    int m_columns = 0;
    int m_rows = 0;
    std::vector<Licht> m_lichter;
    Licht m_vorlage;
    bool m_hasVorlage = false;
    bool m_leaving = false;
    bool m_finished = false;
    bool m_soundPending[3] = {false, false, false};
    double m_remaining = 0.0;
    double m_timerLeer = 2.0;
    double m_speedHin[2] = {2.0, 0.5};
    double m_speedZurueck[2] = {1.0, 0.5};
    float m_scaleX = 1.0f;
    float m_scaleY = -1.0f;             // negated
    float m_rotation[2] = {0.0f, 0.0f}; // angle range, speed range
    std::wstring m_sounds[3];
};

} // namespace ThreeMatch
