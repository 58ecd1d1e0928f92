#pragma once
// One live emitter: moves freely or along its own way points, emits particles and further
// emitters at its rates into the manager, and when it ends (lifetime, end of path or
// finish) starts its end emitters and plays one of its sounds.
#include "threematch/animations/Wegpunkt.h"

#include <string>

namespace ThreeMatch {

struct EmitterInfo;
class PartikelManager;

class PartikelEmitter {
public:
    // wegpunkte: a path to follow (copied), or null to move freely.
    PartikelEmitter(const EmitterInfo& info, float x, float y, double scale = 1.0,
                    const WegpunktListe* wegpunkte = nullptr, int layer = -1, bool alsoRegistered = false);
    PartikelEmitter(const PartikelEmitter&) = delete;
    PartikelEmitter& operator=(const PartikelEmitter&) = delete;

    // One frame: real time moves a free emitter and drives the rates and the lifetime,
    // game time moves it along its path.
    void update(PartikelManager& manager, double realDt, double gameDt);
    // Starts the end emitters and plays a sound; the manager then deletes the emitter.
    void end(PartikelManager& manager);
    // Ends the emitter at the next update.
    void finish() { m_finished = true; }

    bool isFinished() const { return m_finished; }
    bool isAlsoRegistered() const { return m_alsoRegistered; }
    // Whether the manager lists it in its second list too; emitters it starts are listed alike.
    void setAlsoRegistered(bool alsoRegistered) { m_alsoRegistered = alsoRegistered; }
    const EmitterInfo& getInfo() const { return m_info; }
    float getX() const { return m_x; }
    float getY() const { return m_y; }
    double getScale() const { return m_scale; }
    int getLayer() const { return m_layer; }
    double getPartikelAccumulator() const { return m_partikelAccumulator; }

private:
    // Starts an emitter of the named definition here, as this one's child.
    void startChild(PartikelManager& manager, const std::wstring& name);
    void followPath(double gameDt);

    const EmitterInfo& m_info;
    float m_x, m_y;
    float m_startX, m_startY;
    float m_velocityX = 0.0f, m_velocityY = 0.0f;
    WegpunktListe m_wegpunkte;
    float m_accelerationX = 0.0f, m_accelerationY = 0.0f;
    double m_partikelProSekunde = 0.0;
    double m_emitterProSekunde = 0.0;
    double m_lebensdauer = 0.0;
    double m_pathTime = 0.0;
    double m_partikelAccumulator = 0.0;
    double m_emitterAccumulator = 0.0;
    bool m_finished = false;
    bool m_alsoRegistered;
    double m_scale;
    int m_layer;
};

} // namespace ThreeMatch
