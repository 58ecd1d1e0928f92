#pragma once
// The XACT3 engine over FAudio's FACT engine. Banks and cues are wrapped objects the engine
// keeps track of: FAudio destroys its own objects in cascades (a bank takes its cues along,
// ShutDown takes everything), so a wrapper whose FAudio object is gone stays allocated as an
// expired handle until its Destroy or the engine's last Release.
#include <xact3.h>

#include "xact/XactFormats.h"
#include "common/ComObject.h"

#include <FACT.h>

#include <mutex>
#include <vector>

namespace XactInternal {

class SoundBank;
class WaveBank;
class Cue;

class Engine final : public PlatformInternal::ComObject<IXACT3Engine> {
public:
    explicit Engine(FACTAudioEngine* engine);

    HRESULT GetRendererCount(XACTINDEX* pnRendererCount) override;
    HRESULT GetFinalMixFormat(WAVEFORMATEXTENSIBLE* pFinalMixFormat) override;
    HRESULT Initialize(const XACT_RUNTIME_PARAMETERS* pParams) override;
    HRESULT ShutDown() override;
    HRESULT DoWork() override;
    HRESULT CreateSoundBank(const void* pvBuffer, DWORD dwSize, DWORD dwFlags, DWORD dwAllocAttributes,
                            IXACT3SoundBank** ppSoundBank) override;
    HRESULT CreateInMemoryWaveBank(const void* pvBuffer, DWORD dwSize, DWORD dwFlags, DWORD dwAllocAttributes,
                                   IXACT3WaveBank** ppWaveBank) override;
    HRESULT RegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc) override;
    HRESULT UnRegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc) override;
    XACTCATEGORY GetCategory(PCSTR szFriendlyName) override;
    HRESULT Stop(XACTCATEGORY nCategory, DWORD dwFlags) override;
    HRESULT SetVolume(XACTCATEGORY nCategory, XACTVOLUME nVolume) override;
    HRESULT Pause(XACTCATEGORY nCategory, BOOL fPause) override;
    XACTVARIABLEINDEX GetGlobalVariableIndex(PCSTR szFriendlyName) override;
    HRESULT SetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue) override;
    HRESULT GetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue) override;

    // For the banks and cues.
    bool initialized() const { return m_initialized; }
    const SettingsInfo& settings() const { return m_settings; }
    // Whether every wave in `waves` is in a loaded wave bank of that name with enough entries:
    // FAudio looks the bank up by name and indexes its entries without checks.
    bool wavesPlayable(const SoundBankInfo& bank, const std::vector<WaveRef>& waves) const;
    Cue* adoptCue(SoundBank& bank, FACTCue* cue, XACTINDEX index);
    void destroyCue(Cue* cue);
    void destroySoundBank(SoundBank* bank);
    void destroyWaveBank(WaveBank* bank);

    // FAudio's notification callback (any thread): queues the notification for DoWork.
    static void FACTCALL onFactNotification(const FACTNotification* note);

private:
    ~Engine() override;
    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_IXACT3Engine); }

    struct Registration {
        XACTNOTIFICATIONTYPE type;
        BYTE flags;
        IXACT3SoundBank* soundBank;
        IXACT3WaveBank* waveBank;
        IXACT3Cue* cue;
        XACTINDEX cueIndex;
        void* context;
    };

    void enqueue(const FACTNotification& note);
    // Drops queued notifications about an FAudio object that is gone.
    void purge(const void* factObject);
    void expireCue(Cue* cue);
    void deliver(const FACTNotification& note);
    bool factRegistered(XACTNOTIFICATIONTYPE type) const;
    // An engine-wide, persistent FAudio registration of type for this engine.
    FACTNotificationDescription factDescription(XACTNOTIFICATIONTYPE type);
    // NOTINITIALIZED before Initialize, E_INVALIDARG for an empty buffer.
    HRESULT checkBankBuffer(const void* buffer, DWORD size) const;
    // NOTINITIALIZED before Initialize, INVALIDCATEGORY past the settings' categories.
    HRESULT checkCategory(XACTCATEGORY category) const;
    // NOTINITIALIZED before Initialize, INVALIDVARIABLEINDEX unless a public global variable.
    HRESULT checkGlobalVariable(XACTVARIABLEINDEX index) const;
    // Gives every category its authored level times the levels set on it and its parents.
    void applyCategoryVolumes();

    FACTAudioEngine* m_engine;
    bool m_initialized = false;
    bool m_shutDown = false;
    bool m_inDoWork = false; // DoWork called from a notification callback only mixes
    SettingsInfo m_settings;
    XACT_NOTIFICATION_CALLBACK m_callback = nullptr;
    void* m_managedSettings = nullptr;
    std::vector<float> m_categoryLevels; // set with SetVolume, 1 by default

    std::vector<SoundBank*> m_soundBanks;
    std::vector<WaveBank*> m_waveBanks;
    std::vector<Cue*> m_cues;
    std::vector<Registration> m_registrations;

    std::mutex m_queueLock;
    std::vector<FACTNotification> m_queue;      // guarded by m_queueLock
    std::vector<FACTNotification> m_delivering; // main thread only
};

} // namespace XactInternal
