#pragma once
// The sound system: owns the sound engine and the 3D audio state, keeps the
// wave banks, sound banks and sound variables of "data\Sounds\sounds.snd" by
// name, mutes chosen global variables while the window is inactive, drives
// the engine once per update step and hands its cue-stop reports to the banks.
//
// Without a working audio output the engine is dropped and the program runs
// silent: nothing loads, every lookup is null, update does nothing.
#include "foundation/sigslot.h"

#include <x3daudio.h>
#include <xact3.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Ulvo {

class CueSoundVariable;
class FileLogger;
class GlobalSoundVariable;
class Logger;
class MainLoopSignals;
class SoundInitParams;
class Soundbank;
class Wavebank;
class XMLNode;

class SoundInterface : public sigslot::has_slots<sigslot::single_threaded> {
public:
    static SoundInterface* getInstance();
    ~SoundInterface() override;
    SoundInterface(const SoundInterface&) = delete;
    SoundInterface& operator=(const SoundInterface&) = delete;

    // The engine's start-up step: follows the application's activation.
    void connect(MainLoopSignals& loop);
    void disconnect(MainLoopSignals& loop);

    // True at once while the engine runs. False when params is null or the
    // engine (or its 3D state) cannot be made. When the engine cannot start
    // its output the failure is logged and true is returned: the program
    // goes on without sound.
    bool init(SoundInitParams* params);
    // Loads the content of the sound configuration's root node; nothing
    // without a running engine.
    void load(XMLNode* root);
    // Once per update step: every bank's 3D refresh, then the engine's work
    // (which delivers its notifications on this thread).
    void update();
    // Ends the engine and releases everything loaded; init can start afresh.
    void shutdown();

    // The first object of that kind named exactly so; null when none.
    Soundbank* getSoundbank(const std::wstring& name) const;
    Wavebank* getWavebank(const std::wstring& name) const;
    GlobalSoundVariable* getGlobalVariable(const std::wstring& name) const;
    CueSoundVariable* getCueVariable(const std::wstring& name) const;
    Soundbank* getDefaultSoundbank() const { return m_defaultSoundbank; }
    const std::vector<Soundbank*>& getSoundbanks() const { return m_soundbanks; }

    IXACT3Engine* getXACT3Engine() const { return m_soundengine; }
    // The engine pointer itself, for objects that must see it go away.
    IXACT3Engine* const& getXACT3EngineRef() const { return m_soundengine; }
    bool isAvailable() const { return m_soundengine != nullptr; }
    // True while 3D state exists (INIT_3D on and its set-up succeeded).
    bool has3D() const { return m_has3D; }
    // False before init and once the engine is shut down: banks and cues must
    // not touch engine objects then.
    static bool isEngineRunning();

    BYTE* getXACT3DHandle() { return m_3daudiohandle; }
    X3DAUDIO_LISTENER& getListener() { return m_listener; }
    const X3DAUDIO_EMITTER& getEmitterTemplate() const { return m_emitterTemplate; }
    const X3DAUDIO_DSP_SETTINGS& getDSPSettingsTemplate() const { return m_dspTemplate; }

    // Slot of the engine's window activation: mutes the volume-off variables
    // on deactivation and restores their values on activation.
    void onActivate(const bool& active);
    // The engine's notification callback. A report that arrives on another
    // thread is queued and handed on by the next update, so the banks and
    // the receivers of their signals always run on the main thread.
    static void onNotification(const XACT_NOTIFICATION* notification);

    struct VolumeOffRecord {
        std::wstring name;
        float volumeOff = 0.0f;
        float savedValue = 0.0f;
        bool muted = false;
    };
    const std::vector<VolumeOffRecord>& getVolumeOffRecords() const { return m_volumeOff; }

private:
    SoundInterface();

    void dispatchNotification(const XACT_NOTIFICATION* notification);
    void deliverQueuedNotifications();
    void releaseEngine();

    IXACT3Engine* m_soundengine = nullptr;
    X3DAUDIO_HANDLE m_3daudiohandle = {};
    X3DAUDIO_EMITTER m_emitterTemplate;
    X3DAUDIO_LISTENER m_listener;
    X3DAUDIO_DSP_SETTINGS m_dspTemplate;
    Soundbank* m_defaultSoundbank = nullptr;
    std::vector<Soundbank*> m_soundbanks;
    std::vector<Wavebank*> m_wavebanks;
    std::vector<GlobalSoundVariable*> m_globalVariables;
    std::vector<CueSoundVariable*> m_cueVariables;
    std::vector<VolumeOffRecord> m_volumeOff;
    SoundInitParams* m_initparams = nullptr;
    float m_matrixCoefficients[16] = {};
    float m_delayTimes[2] = {};
    bool m_has3D = false;

    std::thread::id m_mainThread;
    std::mutex m_queueLock;
    std::vector<XACT_NOTIFICATION> m_queuedNotifications;
    std::vector<XACT_NOTIFICATION> m_deliveringNotifications;
};

} // namespace Ulvo
