// XACT3CreateEngine and the engine: start-up on FAudio, notifications, categories, variables.
#include "xact/XactEngine.h"
#include "xact/XactBanks.h"
#include "win32/ComClasses.h"
#include "common/AudioClosings.h"
#include "common/Diagnostics.h"

#include <objbase.h>

#include <FAudio.h>

#include <algorithm>
#include <cstring>
#include <set>

const IID IID_IXACT3Engine = {0xb1ee676a, 0xd9cd, 0x4d2a, {0x89, 0xa8, 0xfa, 0x53, 0xeb, 0x9e, 0x48, 0x0b}};
const CLSID CLSID_XACTEngine = {0xac700001, 0x5a11, 0x4d58, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xac, 0x73}};

namespace XactInternal {

namespace {

// Engines FAudio may still call back into; the callback only touches an engine listed here.
// Never destroyed: engines held by other static objects are released during exit, after
// statics made later than them are gone.
std::mutex& liveLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}
std::set<Engine*>& liveEngines()
{
    static auto* engines = new std::set<Engine*>;
    return *engines;
}

bool isCueNotification(uint8_t type)
{
    return type == XACTNOTIFICATIONTYPE_CUEPREPARED || type == XACTNOTIFICATIONTYPE_CUEPLAY ||
           type == XACTNOTIFICATIONTYPE_CUESTOP || type == XACTNOTIFICATIONTYPE_CUEDESTROYED ||
           type == XACTNOTIFICATIONTYPE_MARKER;
}

bool supportedNotification(uint8_t type)
{
    return isCueNotification(type) || type == XACTNOTIFICATIONTYPE_SOUNDBANKDESTROYED ||
           type == XACTNOTIFICATIONTYPE_WAVEBANKDESTROYED;
}

// The FAudio object a queued notification is about (null when none).
const void* subjectOf(const FACTNotification& note)
{
    if (isCueNotification(note.type))
        return note.type == XACTNOTIFICATIONTYPE_MARKER ? static_cast<const void*>(note.marker.pCue)
                                                        : static_cast<const void*>(note.cue.pCue);
    return nullptr;
}

} // namespace

Engine::Engine(FACTAudioEngine* engine) : m_engine(engine)
{
    std::lock_guard<std::mutex> guard(liveLock());
    liveEngines().insert(this);
}

Engine::~Engine()
{
    {
        std::lock_guard<std::mutex> guard(liveLock());
        liveEngines().erase(this);
    }
    if (m_initialized)
        ShutDown();
    FACTAudioEngine_Release(m_engine);
    for (Cue* cue : m_cues)
        delete cue;
    for (SoundBank* bank : m_soundBanks)
        delete bank;
    for (WaveBank* bank : m_waveBanks)
        delete bank;
    if (m_managedSettings)
        CoTaskMemFree(m_managedSettings);
}

HRESULT Engine::GetRendererCount(XACTINDEX* pnRendererCount)
{
    if (!pnRendererCount)
        return E_POINTER;
    uint16_t count = 0;
    FACTAudioEngine_GetRendererCount(m_engine, &count);
    *pnRendererCount = count;
    return S_OK;
}

HRESULT Engine::GetFinalMixFormat(WAVEFORMATEXTENSIBLE* pFinalMixFormat)
{
    if (!pFinalMixFormat)
        return E_POINTER;
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    FAudioWaveFormatExtensible mix;
    std::memset(&mix, 0, sizeof mix);
    FACTAudioEngine_GetFinalMixFormat(m_engine, &mix);
    std::memset(pFinalMixFormat, 0, sizeof *pFinalMixFormat);
    pFinalMixFormat->Format.wFormatTag = mix.Format.wFormatTag;
    pFinalMixFormat->Format.nChannels = mix.Format.nChannels;
    pFinalMixFormat->Format.nSamplesPerSec = mix.Format.nSamplesPerSec;
    pFinalMixFormat->Format.nAvgBytesPerSec = mix.Format.nAvgBytesPerSec;
    pFinalMixFormat->Format.nBlockAlign = mix.Format.nBlockAlign;
    pFinalMixFormat->Format.wBitsPerSample = mix.Format.wBitsPerSample;
    pFinalMixFormat->Format.cbSize = mix.Format.cbSize;
    pFinalMixFormat->Samples.wValidBitsPerSample = mix.Samples.wValidBitsPerSample;
    pFinalMixFormat->dwChannelMask = mix.dwChannelMask;
    pFinalMixFormat->SubFormat.Data1 = mix.SubFormat.Data1;
    pFinalMixFormat->SubFormat.Data2 = mix.SubFormat.Data2;
    pFinalMixFormat->SubFormat.Data3 = mix.SubFormat.Data3;
    std::memcpy(pFinalMixFormat->SubFormat.Data4, mix.SubFormat.Data4, 8);
    return S_OK;
}

HRESULT Engine::Initialize(const XACT_RUNTIME_PARAMETERS* pParams)
{
    if (!pParams)
        return E_INVALIDARG;
    if (m_initialized || m_shutDown)
        return XACTENGINE_E_ALREADYINITIALIZED;
    if (pParams->pXAudio2 || pParams->pMasteringVoice) {
        Diagnostics::error("XACT", "Initialize: a caller-supplied XAudio2 object is not supported");
        return E_INVALIDARG;
    }

    SettingsInfo settings;
    bool haveSettings = pParams->pGlobalSettingsBuffer && pParams->globalSettingsBufferSize > 0;
    if (haveSettings) {
        std::string error;
        if (!parseSettings(static_cast<const uint8_t*>(pParams->pGlobalSettingsBuffer),
                           pParams->globalSettingsBufferSize, settings, error)) {
            Diagnostics::error("XACT", "Initialize: the global settings are rejected (%s)", error.c_str());
            return XACTENGINE_E_INVALIDDATA;
        }
    } else {
        // FAudio's built-in settings when no file is given.
        settings.categories = {"Global", "Default", "Music"};
        settings.categoryParents = {0xFFFF, 0, 0};
        settings.categoryVolumes = {1.0f, 1.0f, 1.0f};
    }

    // The output is opened here rather than inside FAudio, so that a machine without any audio
    // device fails cleanly before FAudio's engine holds anything.
    FAudio* audio = nullptr;
    PlatformInternal::waitForAudioClosings(); // the intro's sound may still be closing
    if (FAudioCreate(&audio, 0, FAUDIO_DEFAULT_PROCESSOR) != 0 || !audio) {
        Diagnostics::error("XACT", "Initialize: the audio mixer cannot be created");
        return XACTENGINE_E_NORENDERER;
    }
    FAudioMasteringVoice* master = nullptr;
    if (FAudio_CreateMasteringVoice(audio, &master, FAUDIO_DEFAULT_CHANNELS, FAUDIO_DEFAULT_SAMPLERATE, 0, 0,
                                    nullptr) != 0 ||
        !master) {
        Diagnostics::error("XACT", "Initialize: no audio output device");
        FAudio_Release(audio);
        return XACTENGINE_E_NORENDERER;
    }

    FACTRuntimeParameters params;
    std::memset(&params, 0, sizeof params);
    params.lookAheadTime = pParams->lookAheadTime ? pParams->lookAheadTime : XACT_ENGINE_LOOKAHEAD_DEFAULT;
    params.pGlobalSettingsBuffer = haveSettings ? pParams->pGlobalSettingsBuffer : nullptr;
    params.globalSettingsBufferSize = haveSettings ? pParams->globalSettingsBufferSize : 0;
    params.globalSettingsFlags = 0; // a managed buffer is freed here, with the allocator it came from
    params.fnNotificationCallback = &Engine::onFactNotification;
    params.pXAudio2 = audio;
    params.pMasteringVoice = master;
    uint32_t result = FACTAudioEngine_Initialize(m_engine, &params);
    if (result != 0) {
        Diagnostics::error("XACT", "Initialize: the sound engine does not start (%u)", result);
        FAudioVoice_DestroyVoice(master);
        FAudio_Release(audio);
        return XACTENGINE_E_INVALIDDATA;
    }
    m_settings = std::move(settings);
    m_callback = pParams->fnNotificationCallback;
    if (haveSettings && (pParams->globalSettingsFlags & XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA))
        m_managedSettings = pParams->pGlobalSettingsBuffer;
    m_initialized = true;
    m_categoryLevels.assign(m_settings.categories.size(), 1.0f);
    applyCategoryVolumes();
    return S_OK;
}

void Engine::applyCategoryVolumes()
{
    // FAudio starts every category at full level whatever the settings say, and a level set on
    // a category does not reach its children. The wanted level of each category is handed to
    // it directly; parents precede children, so each category's own call comes last.
    const size_t count = m_settings.categories.size();
    std::vector<float> effective(count, 1.0f);
    for (size_t i = 0; i < count; ++i) {
        float level = m_settings.categoryVolumes[i] * m_categoryLevels[i];
        uint16_t parent = m_settings.categoryParents[i];
        if (parent != 0xFFFF)
            level *= effective[parent];
        effective[i] = level;
        float authored = m_settings.categoryVolumes[i];
        FACTAudioEngine_SetVolume(m_engine, static_cast<uint16_t>(i), authored > 0.0f ? level / authored : 0.0f);
    }
}

HRESULT Engine::ShutDown()
{
    if (!m_initialized)
        return S_OK;
    m_initialized = false;
    m_shutDown = true;
    for (Cue* cue : m_cues)
        cue->expire();
    for (SoundBank* bank : m_soundBanks)
        bank->expire();
    for (WaveBank* bank : m_waveBanks)
        bank->expire();
    FACTAudioEngine_ShutDown(m_engine);
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queue.clear();
    }
    m_delivering.clear();
    m_registrations.clear();
    return S_OK;
}

HRESULT Engine::DoWork()
{
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    FACTAudioEngine_DoWork(m_engine);
    if (m_inDoWork)
        return S_OK;
    m_inDoWork = true;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_delivering.swap(m_queue);
    }
    // A callback may destroy cues (which purges this batch too) or shut the engine down.
    for (size_t i = 0; i < m_delivering.size() && m_initialized; ++i) {
        if (m_delivering[i].type != 0)
            deliver(m_delivering[i]);
    }
    m_delivering.clear();
    m_inDoWork = false;
    return S_OK;
}

HRESULT Engine::checkBankBuffer(const void* buffer, DWORD size) const
{
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    if (!buffer || size == 0)
        return E_INVALIDARG;
    return S_OK;
}

HRESULT Engine::CreateSoundBank(const void* pvBuffer, DWORD dwSize, DWORD, DWORD, IXACT3SoundBank** ppSoundBank)
{
    if (!ppSoundBank)
        return E_POINTER;
    *ppSoundBank = nullptr;
    const HRESULT hr = checkBankBuffer(pvBuffer, dwSize);
    if (FAILED(hr))
        return hr;
    SoundBankInfo info;
    std::string error;
    if (!parseSoundBank(static_cast<const uint8_t*>(pvBuffer), dwSize, m_settings, info, error)) {
        Diagnostics::error("XACT", "CreateSoundBank: the sound bank is rejected (%s)", error.c_str());
        return XACTENGINE_E_INVALIDDATA;
    }
    FACTSoundBank* bank = nullptr;
    if (FACTAudioEngine_CreateSoundBank(m_engine, pvBuffer, dwSize, 0, 0, &bank) != 0 || !bank) {
        Diagnostics::error("XACT", "CreateSoundBank: the sound engine refuses the sound bank");
        return XACTENGINE_E_INVALIDDATA;
    }
    SoundBank* wrapper = new SoundBank(*this, bank, std::move(info));
    m_soundBanks.push_back(wrapper);
    *ppSoundBank = wrapper;
    return S_OK;
}

HRESULT Engine::CreateInMemoryWaveBank(const void* pvBuffer, DWORD dwSize, DWORD, DWORD, IXACT3WaveBank** ppWaveBank)
{
    if (!ppWaveBank)
        return E_POINTER;
    *ppWaveBank = nullptr;
    const HRESULT hr = checkBankBuffer(pvBuffer, dwSize);
    if (FAILED(hr))
        return hr;
    WaveBankInfo info;
    std::string error;
    if (!parseWaveBank(static_cast<const uint8_t*>(pvBuffer), dwSize, info, error)) {
        Diagnostics::error("XACT", "CreateInMemoryWaveBank: the wave bank is rejected (%s)", error.c_str());
        return XACTENGINE_E_INVALIDDATA;
    }
    FACTWaveBank* bank = nullptr;
    if (FACTAudioEngine_CreateInMemoryWaveBank(m_engine, pvBuffer, dwSize, 0, 0, &bank) != 0 || !bank) {
        Diagnostics::error("XACT", "CreateInMemoryWaveBank: the sound engine refuses the wave bank");
        return XACTENGINE_E_INVALIDDATA;
    }
    WaveBank* wrapper = new WaveBank(*this, bank, std::move(info));
    m_waveBanks.push_back(wrapper);
    *ppWaveBank = wrapper;
    return S_OK;
}

FACTNotificationDescription Engine::factDescription(XACTNOTIFICATIONTYPE type)
{
    FACTNotificationDescription desc;
    std::memset(&desc, 0, sizeof desc);
    desc.type = type;
    desc.flags = FACT_FLAG_NOTIFICATION_PERSIST;
    desc.pvContext = this;
    return desc;
}

bool Engine::factRegistered(XACTNOTIFICATIONTYPE type) const
{
    return std::any_of(m_registrations.begin(), m_registrations.end(),
                       [type](const Registration& r) { return r.type == type; });
}

HRESULT Engine::RegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc)
{
    if (!pNotificationDesc)
        return E_INVALIDARG;
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    if (!m_callback)
        return XACTENGINE_E_NONOTIFICATIONCALLBACK;
    if (!supportedNotification(pNotificationDesc->type))
        return E_NOTIMPL;
    // FAudio only knows engine-wide registrations; narrower ones are filtered at delivery.
    if (!factRegistered(pNotificationDesc->type)) {
        FACTNotificationDescription desc = factDescription(pNotificationDesc->type);
        desc.cueIndex = FACTINDEX_INVALID;
        desc.waveIndex = FACTINDEX_INVALID;
        if (FACTAudioEngine_RegisterNotification(m_engine, &desc) != 0)
            return E_FAIL;
    }
    Registration r;
    r.type = pNotificationDesc->type;
    r.flags = pNotificationDesc->flags;
    r.soundBank = pNotificationDesc->pSoundBank;
    r.waveBank = pNotificationDesc->pWaveBank;
    r.cue = pNotificationDesc->pCue;
    r.cueIndex = pNotificationDesc->cueIndex;
    r.context = pNotificationDesc->pvContext;
    m_registrations.push_back(r);
    return S_OK;
}

HRESULT Engine::UnRegisterNotification(const XACT_NOTIFICATION_DESCRIPTION* pNotificationDesc)
{
    if (!pNotificationDesc)
        return E_INVALIDARG;
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    const XACT_NOTIFICATION_DESCRIPTION& d = *pNotificationDesc;
    auto end = std::remove_if(m_registrations.begin(), m_registrations.end(), [&d](const Registration& r) {
        return r.type == d.type && r.soundBank == d.pSoundBank && r.waveBank == d.pWaveBank && r.cue == d.pCue &&
               r.cueIndex == d.cueIndex;
    });
    m_registrations.erase(end, m_registrations.end());
    if (!factRegistered(d.type) && supportedNotification(d.type)) {
        FACTNotificationDescription desc = factDescription(d.type);
        FACTAudioEngine_UnRegisterNotification(m_engine, &desc);
    }
    return S_OK;
}

XACTCATEGORY Engine::GetCategory(PCSTR szFriendlyName)
{
    if (!m_initialized || !szFriendlyName)
        return XACTCATEGORY_INVALID;
    for (size_t i = 0; i < m_settings.categories.size(); ++i)
        if (m_settings.categories[i] == szFriendlyName)
            return static_cast<XACTCATEGORY>(i);
    return XACTCATEGORY_INVALID;
}

HRESULT Engine::checkCategory(XACTCATEGORY category) const
{
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    if (category >= m_settings.categories.size())
        return XACTENGINE_E_INVALIDCATEGORY;
    return S_OK;
}

HRESULT Engine::Stop(XACTCATEGORY nCategory, DWORD dwFlags)
{
    const HRESULT hr = checkCategory(nCategory);
    if (FAILED(hr))
        return hr;
    // An immediate stop would let FAudio destroy fire-and-forget cues; wrapped cues survive.
    FACTAudioEngine_Stop(m_engine, nCategory, dwFlags & XACT_FLAG_ENGINE_STOP_IMMEDIATE);
    return S_OK;
}

HRESULT Engine::SetVolume(XACTCATEGORY nCategory, XACTVOLUME nVolume)
{
    const HRESULT hr = checkCategory(nCategory);
    if (FAILED(hr))
        return hr;
    if (!(nVolume >= XACTVOLUME_MIN && nVolume <= XACTVOLUME_MAX))
        return E_INVALIDARG;
    m_categoryLevels[nCategory] = nVolume;
    applyCategoryVolumes();
    return S_OK;
}

HRESULT Engine::Pause(XACTCATEGORY nCategory, BOOL fPause)
{
    const HRESULT hr = checkCategory(nCategory);
    if (FAILED(hr))
        return hr;
    FACTAudioEngine_Pause(m_engine, nCategory, fPause ? 1 : 0);
    return S_OK;
}

XACTVARIABLEINDEX Engine::GetGlobalVariableIndex(PCSTR szFriendlyName)
{
    if (!m_initialized || !szFriendlyName)
        return XACTVARIABLEINDEX_INVALID;
    for (size_t i = 0; i < m_settings.variables.size(); ++i) {
        const VariableInfo& v = m_settings.variables[i];
        if (!(v.accessibility & kVariableCueInstance) && v.name == szFriendlyName)
            return static_cast<XACTVARIABLEINDEX>(i);
    }
    return XACTVARIABLEINDEX_INVALID;
}

HRESULT Engine::checkGlobalVariable(XACTVARIABLEINDEX index) const
{
    if (!m_initialized)
        return XACTENGINE_E_NOTINITIALIZED;
    if (index >= m_settings.variables.size())
        return XACTENGINE_E_INVALIDVARIABLEINDEX;
    const VariableInfo& v = m_settings.variables[index];
    if ((v.accessibility & kVariableCueInstance) || !(v.accessibility & kVariablePublic))
        return XACTENGINE_E_INVALIDVARIABLEINDEX;
    return S_OK;
}

HRESULT Engine::SetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE nValue)
{
    const HRESULT hr = checkGlobalVariable(nIndex);
    if (FAILED(hr))
        return hr;
    if (m_settings.variables[nIndex].accessibility & kVariableReadOnly)
        return XACTENGINE_E_INVALIDUSAGE;
    if (nValue != nValue)
        return E_INVALIDARG;
    FACTAudioEngine_SetGlobalVariable(m_engine, nIndex, nValue);
    return S_OK;
}

HRESULT Engine::GetGlobalVariable(XACTVARIABLEINDEX nIndex, XACTVARIABLEVALUE* nValue)
{
    if (!nValue)
        return E_POINTER;
    const HRESULT hr = checkGlobalVariable(nIndex);
    if (FAILED(hr))
        return hr;
    float value = 0.0f;
    FACTAudioEngine_GetGlobalVariable(m_engine, nIndex, &value);
    *nValue = value;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Banks and cues

bool Engine::wavesPlayable(const SoundBankInfo& bank, const std::vector<WaveRef>& waves) const
{
    for (const WaveRef& ref : waves) {
        if (ref.waveBank >= bank.waveBankNames.size())
            return false;
        const std::string& name = bank.waveBankNames[ref.waveBank];
        bool found = false;
        for (const WaveBank* wb : m_waveBanks) {
            if (!wb->fact() || wb->info().name != name)
                continue;
            if (ref.wave >= wb->info().entryCount)
                return false;
            found = true;
        }
        if (!found)
            return false;
    }
    return true;
}

Cue* Engine::adoptCue(SoundBank& bank, FACTCue* cue, XACTINDEX index)
{
    Cue* wrapper = new Cue(*this, bank, cue, index);
    m_cues.push_back(wrapper);
    return wrapper;
}

void Engine::expireCue(Cue* cue)
{
    const void* fact = cue->fact();
    cue->expire();
    if (fact)
        purge(fact);
}

void Engine::destroyCue(Cue* cue)
{
    auto it = std::find(m_cues.begin(), m_cues.end(), cue);
    if (it == m_cues.end())
        return;
    m_cues.erase(it);
    if (FACTCue* fact = cue->fact()) {
        FACTCue_Destroy(fact);
        purge(fact);
    }
    delete cue;
}

void Engine::destroySoundBank(SoundBank* bank)
{
    auto it = std::find(m_soundBanks.begin(), m_soundBanks.end(), bank);
    if (it == m_soundBanks.end())
        return;
    m_soundBanks.erase(it);
    FACTSoundBank* fact = bank->fact();
    // FAudio destroys the bank's cues with it.
    if (fact)
        FACTSoundBank_Destroy(fact);
    for (Cue* cue : m_cues)
        if (cue->bank() == bank)
            expireCue(cue);
    delete bank;
}

void Engine::destroyWaveBank(WaveBank* bank)
{
    auto it = std::find(m_waveBanks.begin(), m_waveBanks.end(), bank);
    if (it == m_waveBanks.end())
        return;
    m_waveBanks.erase(it);
    if (FACTWaveBank* fact = bank->fact()) {
        // FAudio destroys the cues playing from the bank; every cue that could play from it
        // goes now, so none is left holding a freed cue or finding the bank missing later.
        for (Cue* cue : m_cues) {
            FACTCue* factCue = cue->fact();
            if (!factCue || !cue->bank())
                continue;
            const SoundBankInfo& info = cue->bank()->info();
            bool uses = false;
            for (const WaveRef& ref : info.cueWaves[cue->index()])
                if (ref.waveBank < info.waveBankNames.size() && info.waveBankNames[ref.waveBank] == bank->info().name)
                    uses = true;
            if (uses) {
                FACTCue_Destroy(factCue);
                expireCue(cue);
            }
        }
        FACTWaveBank_Destroy(fact);
    }
    delete bank;
}

// ---------------------------------------------------------------------------------------------
// Notifications

void FACTCALL Engine::onFactNotification(const FACTNotification* note)
{
    if (!note)
        return;
    std::lock_guard<std::mutex> guard(liveLock());
    Engine* engine = static_cast<Engine*>(note->pvContext);
    if (!liveEngines().count(engine))
        return;
    engine->enqueue(*note);
}

void Engine::enqueue(const FACTNotification& note)
{
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_queue.push_back(note);
}

void Engine::purge(const void* factObject)
{
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                     [factObject](const FACTNotification& n) { return subjectOf(n) == factObject; }),
                      m_queue.end());
    }
    for (FACTNotification& n : m_delivering)
        if (subjectOf(n) == factObject)
            n.type = 0;
}

void Engine::deliver(const FACTNotification& note)
{
    XACT_NOTIFICATION out;
    std::memset(&out, 0, sizeof out);
    out.type = note.type;
    out.timeStamp = note.timeStamp;

    IXACT3SoundBank* soundBank = nullptr;
    IXACT3Cue* cue = nullptr;
    XACTINDEX cueIndex = XACTINDEX_INVALID;
    IXACT3WaveBank* waveBank = nullptr;
    if (isCueNotification(note.type)) {
        FACTCue* factCue = note.type == XACTNOTIFICATIONTYPE_MARKER ? note.marker.pCue : note.cue.pCue;
        FACTSoundBank* factBank =
            note.type == XACTNOTIFICATIONTYPE_MARKER ? note.marker.pSoundBank : note.cue.pSoundBank;
        cueIndex = note.type == XACTNOTIFICATIONTYPE_MARKER ? note.marker.cueIndex : note.cue.cueIndex;
        for (Cue* c : m_cues)
            if (factCue && c->fact() == factCue) {
                cue = c;
                soundBank = c->bank();
                cueIndex = c->index();
            }
        if (!soundBank)
            for (SoundBank* b : m_soundBanks)
                if (factBank && b->fact() == factBank)
                    soundBank = b;
        if (note.type == XACTNOTIFICATIONTYPE_MARKER) {
            out.marker.cueIndex = cueIndex;
            out.marker.pSoundBank = soundBank;
            out.marker.pCue = cue;
            out.marker.marker = note.marker.marker;
        } else {
            out.cue.cueIndex = cueIndex;
            out.cue.pSoundBank = soundBank;
            out.cue.pCue = cue;
        }
    } else if (note.type == XACTNOTIFICATIONTYPE_SOUNDBANKDESTROYED) {
        for (SoundBank* b : m_soundBanks)
            if (b->fact() == note.soundBank.pSoundBank)
                soundBank = b;
        out.soundBank.pSoundBank = soundBank;
    } else if (note.type == XACTNOTIFICATIONTYPE_WAVEBANKDESTROYED) {
        for (WaveBank* b : m_waveBanks)
            if (b->fact() == note.waveBank.pWaveBank)
                waveBank = b;
        out.waveBank.pWaveBank = waveBank;
    }

    for (size_t i = 0; i < m_registrations.size(); ++i) {
        const Registration& r = m_registrations[i];
        if (r.type != note.type)
            continue;
        if (isCueNotification(note.type)) {
            if (r.soundBank && r.soundBank != soundBank)
                continue;
            if (r.cue && r.cue != cue)
                continue;
            if (r.cueIndex != XACTINDEX_INVALID && !r.cue && r.cueIndex != cueIndex)
                continue;
        } else if (note.type == XACTNOTIFICATIONTYPE_WAVEBANKDESTROYED) {
            if (r.waveBank && r.waveBank != waveBank)
                continue;
        } else if (r.soundBank && r.soundBank != soundBank) {
            continue;
        }
        out.pvContext = r.context;
        if (!(r.flags & XACT_FLAG_NOTIFICATION_PERSIST))
            m_registrations.erase(m_registrations.begin() + static_cast<std::ptrdiff_t>(i));
        if (m_callback)
            m_callback(&out);
        return;
    }
}

} // namespace XactInternal

namespace {

HRESULT createEngine(REFIID riid, void** object)
{
    FACTAudioEngine* engine = nullptr;
    if (FACTCreateEngine(0, &engine) != 0 || !engine)
        return E_OUTOFMEMORY;
    return PlatformInternal::createObject<XactInternal::Engine>(riid, object, engine);
}

// Beside the class identifier and XACT3CreateEngine: whatever names either links this file, and
// with it the registration.
[[maybe_unused]] const bool s_engineRegistered = Win32Internal::registerComClass(CLSID_XACTEngine, createEngine);

} // namespace

HRESULT XACT3CreateEngine(DWORD, IXACT3Engine** ppEngine)
{
    if (!ppEngine)
        return E_POINTER;
    *ppEngine = nullptr;
    return CoCreateInstance(CLSID_XACTEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IXACT3Engine,
                            reinterpret_cast<void**>(ppEngine));
}
