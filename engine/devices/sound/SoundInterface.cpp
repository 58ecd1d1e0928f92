#include "devices/sound/SoundInterface.h"

#include "devices/sound/SoundInitParams.h"
#include "devices/sound/SoundVariable.h"
#include "devices/sound/Soundbank.h"
#include "devices/sound/Wavebank.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/app/MainLoopSignals.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"

#include <objbase.h>
#include <xact3d3.h>

#include <cstring>
#include <sstream>

namespace Ulvo {

namespace {

// Read from any thread that holds a cue or bank; the singleton may already be
// gone when late holders let go at exit.
bool s_engineRunning = false;

FileLogger& soundLog()
{
    return moduleLogger(LogModule::Sound);
}

// Loads every child node of one kind, skipping names that are loaded already.
template <class T> void loadKind(XMLNode* root, const wchar_t* nodeName, const wchar_t* kindWord, std::vector<T*>& list)
{
    for (XMLNode* node : root->getNodes()) {
        if (node->getName() != nodeName)
            continue;
        std::wstring name;
        if (node->readString(L"NAME", name) && findNamedObject(list, name)) {
            mainLogger().log(75, LOG_TYPE_WARNING, kindWord, name, L" already exists! SKIP loading\n");
            continue;
        }
        list.push_back(new T(node));
    }
}

} // namespace

SoundInterface* SoundInterface::getInstance()
{
    static SoundInterface instance;
    return &instance;
}

SoundInterface::SoundInterface()
{
    std::memset(&m_emitterTemplate, 0, sizeof(m_emitterTemplate));
    std::memset(&m_listener, 0, sizeof(m_listener));
    std::memset(&m_dspTemplate, 0, sizeof(m_dspTemplate));
    m_mainThread = std::this_thread::get_id();
}

void SoundInterface::connect(MainLoopSignals& loop)
{
    loop.onActivate.connect(this, &SoundInterface::onActivate);
}

void SoundInterface::disconnect(MainLoopSignals& loop)
{
    loop.onActivate.disconnect(this);
}

SoundInterface::~SoundInterface()
{
    // The engine object that holds the parameters is gone by now (it was
    // built after this object's first use and dies first).
    m_initparams = nullptr;
    shutdown();
}

bool SoundInterface::isEngineRunning()
{
    return s_engineRunning;
}

void SoundInterface::releaseEngine()
{
    s_engineRunning = false;
    m_has3D = false;
    releaseAndNull(m_soundengine);
}

void SoundInterface::shutdown()
{
    if (m_soundengine) {
        // The engine ends every bank and cue; holders of cues see that.
        s_engineRunning = false;
        m_soundengine->ShutDown();
        // A settings buffer handed over is freed with the engine: never hand
        // it in again.
        if (m_initparams) {
            XACT_RUNTIME_PARAMETERS& runtime = m_initparams->m_runtime_params;
            if (runtime.globalSettingsFlags & XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA) {
                runtime.pGlobalSettingsBuffer = nullptr;
                runtime.globalSettingsBufferSize = 0;
            }
        }
    }
    releaseEngine();
    m_defaultSoundbank = nullptr;
    releaseAndClear(m_soundbanks);
    releaseAndClear(m_wavebanks);
    releaseAndClear(m_globalVariables);
    releaseAndClear(m_cueVariables);
    m_volumeOff.clear();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_queuedNotifications.clear();
}

bool SoundInterface::init(SoundInitParams* params)
{
    if (m_soundengine)
        return true;
    FileLogger& log = soundLog();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::SoundInterface::init\n");
    LogIndent<FileLogger> indent(log);

    m_initparams = params;
    if (!params)
        return false;
    m_mainThread = std::this_thread::get_id();

    HRESULT hr = XACT3CreateEngine(m_initparams->m_CreationFlags, &m_soundengine);
    if (FAILED(hr) || !m_soundengine) {
        m_soundengine = nullptr;
        logFailedCall(log, L"Ulvo::SoundInterface::init", __LINE__,
                      L"XACT3CreateEngine( m_initparams->m_CreationFlags, &m_soundengine )");
        return false;
    }

    m_initparams->m_runtime_params.fnNotificationCallback = &SoundInterface::onNotification;
    hr = m_soundengine->Initialize(&m_initparams->m_runtime_params);
    if (FAILED(hr)) {
        logFailedCall(log, L"Ulvo::SoundInterface::init", __LINE__,
                      L"m_soundengine->Initialize(&m_initparams->m_runtime_params)");
        // An engine without output can do nothing but be released. The
        // program runs on silent rather than ending over missing sound.
        std::wostringstream text;
        text << L"m_soundengine->Initialize ERROR: " << static_cast<long>(hr) << L" Sound ist abgeschaltet!\n";
        log.log(100, LOG_TYPE_WARNING, text.str());
        XACT_RUNTIME_PARAMETERS& runtime = m_initparams->m_runtime_params;
        if (runtime.pGlobalSettingsBuffer && !m_initparams->getGlobalSettingsName().empty())
            log.log(100, LOG_TYPE_ERROR,
                    L"Global sound settings empty or damaged: " + m_initparams->getGlobalSettingsName() + L"\n");
        releaseEngine();
        // The engine took no ownership of a settings buffer it was to free.
        if ((runtime.globalSettingsFlags & XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA) && runtime.pGlobalSettingsBuffer)
            CoTaskMemFree(runtime.pGlobalSettingsBuffer);
        runtime.pGlobalSettingsBuffer = nullptr;
        runtime.globalSettingsBufferSize = 0;
        return true;
    }
    s_engineRunning = true;

    if (!m_initparams->getInit3D())
        return true;

    hr = XACT3DInitialize(m_soundengine, m_3daudiohandle);
    if (FAILED(hr)) {
        logFailedCall(log, L"Ulvo::SoundInterface::init", __LINE__,
                      L"XACT3DInitialize( m_soundengine, m_3daudiohandle )");
        m_soundengine->ShutDown();
        releaseEngine();
        return false;
    }

    XACT_NOTIFICATION_DESCRIPTION desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.type = XACTNOTIFICATIONTYPE_CUESTOP;
    desc.flags = XACT_FLAG_NOTIFICATION_PERSIST;
    desc.pSoundBank = nullptr;
    desc.cueIndex = XACTINDEX_INVALID;
    hr = m_soundengine->RegisterNotification(&desc);
    if (FAILED(hr))
        logFailedCall(log, L"Ulvo::SoundInterface::init", __LINE__, L"m_soundengine->RegisterNotification( &desc )");

    std::memset(&m_listener, 0, sizeof(m_listener));
    m_listener.OrientFront = {0.0f, 0.0f, 1.0f};
    m_listener.OrientTop = {0.0f, 1.0f, 0.0f};

    std::memset(&m_emitterTemplate, 0, sizeof(m_emitterTemplate));
    m_emitterTemplate.OrientFront = {0.0f, 0.0f, 1.0f};
    m_emitterTemplate.OrientTop = {0.0f, 1.0f, 0.0f};
    m_emitterTemplate.ChannelCount = 2;
    m_emitterTemplate.ChannelRadius = 1.0f;
    m_emitterTemplate.CurveDistanceScaler = 1.0f;
    m_emitterTemplate.DopplerScaler = 1.0f;

    std::memset(m_matrixCoefficients, 0, sizeof(m_matrixCoefficients));
    std::memset(m_delayTimes, 0, sizeof(m_delayTimes));
    WAVEFORMATEXTENSIBLE format;
    std::memset(&format, 0, sizeof(format));
    if (FAILED(m_soundengine->GetFinalMixFormat(&format)) || format.Format.nChannels == 0) {
        // Without the output layout there is nothing to position for: cues
        // play in 2D.
        log.log(50, LOG_TYPE_WARNING, L"GetFinalMixFormat failed: 3D sound off\n");
        return true;
    }
    std::memset(&m_dspTemplate, 0, sizeof(m_dspTemplate));
    m_dspTemplate.pMatrixCoefficients = m_matrixCoefficients;
    m_dspTemplate.pDelayTimes = m_delayTimes;
    m_dspTemplate.SrcChannelCount = 2;
    // The shared buffers hold two source channels for at most eight outputs.
    m_dspTemplate.DstChannelCount = format.Format.nChannels > 8 ? 8u : format.Format.nChannels;
    m_has3D = true;
    return true;
}

void SoundInterface::load(XMLNode* root)
{
    if (!m_soundengine || !root)
        return;
    Logger& log = mainLogger();
    log.log(10, LOG_TYPE_INFO, L"Ulvo::SoundInterface::load\n");
    LogIndent<Logger> indent(log);

    loadKind(root, L"WAVE_BANK", L"WAVEBANK ", m_wavebanks);
    loadKind(root, L"SOUND_BANK", L"SOUNDBANK ", m_soundbanks);
    loadKind(root, L"GLOBAL_VARIABLE", L"GLOBAL_VARIABLE ", m_globalVariables);
    loadKind(root, L"CUE_VARIABLE", L"CUE_VARIABLE ", m_cueVariables);

    for (XMLNode* node : root->getNodes()) {
        if (node->getName() != L"VOLUME_OFF_VARIABLE")
            continue;
        VolumeOffRecord record;
        node->readString(L"NAME", record.name);
        node->readFloat(L"VOLUME_OFF", record.volumeOff);
        m_volumeOff.push_back(record);
    }

    std::wstring defaultName;
    if (root->readString(L"DEFAULT_SOUNDBANK", defaultName))
        m_defaultSoundbank = getSoundbank(defaultName);
}

void SoundInterface::update()
{
    if (!m_soundengine)
        return;
    for (auto it = m_soundbanks.rbegin(); it != m_soundbanks.rend(); ++it)
        (*it)->update();
    m_soundengine->DoWork();
    deliverQueuedNotifications();
}

Soundbank* SoundInterface::getSoundbank(const std::wstring& name) const
{
    return findNamedObject(m_soundbanks, name);
}

Wavebank* SoundInterface::getWavebank(const std::wstring& name) const
{
    return findNamedObject(m_wavebanks, name);
}

GlobalSoundVariable* SoundInterface::getGlobalVariable(const std::wstring& name) const
{
    return findNamedObject(m_globalVariables, name);
}

CueSoundVariable* SoundInterface::getCueVariable(const std::wstring& name) const
{
    return findNamedObject(m_cueVariables, name);
}

void SoundInterface::onActivate(const bool& active)
{
    for (VolumeOffRecord& record : m_volumeOff) {
        GlobalSoundVariable* variable = getGlobalVariable(record.name);
        if (!variable)
            continue;
        if (!active && !record.muted) {
            record.savedValue = variable->getValue();
            record.muted = true;
            variable->setValue(record.volumeOff);
        } else if (active && record.muted) {
            variable->setValue(record.savedValue);
            record.muted = false;
        }
    }
}

void SoundInterface::onNotification(const XACT_NOTIFICATION* notification)
{
    if (!notification)
        return;
    SoundInterface* self = getInstance();
    if (std::this_thread::get_id() != self->m_mainThread) {
        std::lock_guard<std::mutex> guard(self->m_queueLock);
        self->m_queuedNotifications.push_back(*notification);
        return;
    }
    self->dispatchNotification(notification);
}

void SoundInterface::dispatchNotification(const XACT_NOTIFICATION* notification)
{
    for (auto it = m_soundbanks.rbegin(); it != m_soundbanks.rend(); ++it)
        (*it)->onNotification(notification);
}

void SoundInterface::deliverQueuedNotifications()
{
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_queuedNotifications.empty())
            return;
        m_deliveringNotifications.swap(m_queuedNotifications);
    }
    for (const XACT_NOTIFICATION& notification : m_deliveringNotifications)
        dispatchNotification(&notification);
    m_deliveringNotifications.clear();
}

} // namespace Ulvo
