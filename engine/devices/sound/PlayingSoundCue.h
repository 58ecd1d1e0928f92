#pragma once
// Handles of started cues: callers keep them to stop a sound or to learn that
// it ended. A 3D cue also carries the emitter its bank positions it with.
#include "foundation/objects/NamedObject.h"

#include <d3dx9math.h>
#include <x3daudio.h>
#include <xact3.h>

namespace Ulvo {

class Soundbank;

class PlayingSoundCue : public NamedObject {
public:
    explicit PlayingSoundCue(Soundbank* owner);
    ~PlayingSoundCue() override;
    PlayingSoundCue(const PlayingSoundCue&) = delete;
    PlayingSoundCue& operator=(const PlayingSoundCue&) = delete;

    // Plays the prepared engine cue; false without one or when the engine refuses.
    bool start();
    // Once, while playing: stops with the release phase and emits stopped.
    void stop();
    bool isStopped() const { return m_stopped; }
    bool hasStartFailed() const { return m_startFailed; }

    IXACT3Cue* getCue() const { return m_cue; }
    Soundbank* getOwner() const { return m_owner; }
    X3DAUDIO_DSP_SETTINGS& getDSPSettings() { return m_dsp_settings; }

    // Emitted once when the cue stops, by stop() or by the engine's report.
    sigslot::signal1<PlayingSoundCue&> stopped;

protected:
    friend class Soundbank;

    // The engine reported the end: stopped, without a second stop call.
    void markStoppedByEngine();

    IXACT3Cue* m_cue = nullptr;
    X3DAUDIO_DSP_SETTINGS m_dsp_settings;
    Soundbank* m_owner;
    bool m_startFailed = true;
    bool m_stopped = true;
};

class Playing3DSoundCue : public PlayingSoundCue {
public:
    explicit Playing3DSoundCue(Soundbank* owner);

    // Moves the sound; the bank's next 3D refresh applies it.
    void setPosition(const D3DXVECTOR3& position) { m_emitter.Position = position; }
    D3DXVECTOR3 getPosition() const { return D3DXVECTOR3(m_emitter.Position); }
    X3DAUDIO_EMITTER& getEmitter() { return m_emitter; }

private:
    friend class Soundbank;

    X3DAUDIO_EMITTER m_emitter;
};

} // namespace Ulvo
