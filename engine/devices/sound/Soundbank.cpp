#include "devices/sound/Soundbank.h"

#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/SoundInterface.h"
#include "devices/sound/Wavebank.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <xact3d3.h>

#include <algorithm>

namespace Ulvo {

namespace {

// Engine states in which a cue still plays (or may play again).
// States in which a reported stop is not real.
constexpr DWORD kStillPlaying = XACT_STATE_PREPARING | XACT_STATE_PLAYING | XACT_STATE_PAUSED;
constexpr DWORD kBusyStates = XACT_STATE_PREPARING | XACT_STATE_PLAYING | XACT_STATE_STOPPING | XACT_STATE_PAUSED;

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~Lock() { LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

} // namespace

Soundbank::Soundbank(XMLNode* node) : NamedObject(node), m_soundinterface(*SoundInterface::getInstance())
{
    InitializeCriticalSection(&m_lock);
    if (!node)
        return;
    node->readInt(L"UPDATE_TICKS", m_updateTicks);

    IXACT3Engine* engine = m_soundinterface.getXACT3Engine();
    std::wstring fileName;
    if (!engine || !readSoundBankFile(node, m_soundbankfile_data, m_soundbankfile_size, fileName))
        return;
    if (FAILED(engine->CreateSoundBank(m_soundbankfile_data, m_soundbankfile_size, 0, 0, &m_soundbank))) {
        m_soundbank = nullptr;
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::Soundbank", __LINE__,
                      L"SoundInterface::getInstance().getXACT3Engine()->CreateSoundBank(m_soundbankfile_data,"
                      L"m_soundbankfile_size,0,0,&m_soundbank)");
        logDamagedBank(fileName);
    }
}

Soundbank::~Soundbank()
{
    {
        Lock lock(m_lock);
        releaseAndClear(m_playingCues);
        // Still owned by a running engine (a bank let go early): end them now.
        if (SoundInterface::isEngineRunning()) {
            for (IXACT3Cue* cue : m_retiredCues)
                cue->Destroy();
        }
        m_retiredCues.clear();
    }
    delete[] m_soundbankfile_data;
    m_soundbankfile_data = nullptr;
    DeleteCriticalSection(&m_lock);
}

XACTINDEX Soundbank::getCueIndex(const std::wstring& name)
{
    if (!m_soundbank || !SoundInterface::isEngineRunning())
        return XACTINDEX_INVALID;
    char buffer[1024];
    const int written =
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, buffer, static_cast<int>(sizeof(buffer)), " ", nullptr);
    if (written <= 0)
        return XACTINDEX_INVALID;
    buffer[sizeof(buffer) - 1] = '\0';
    return m_soundbank->GetCueIndex(buffer);
}

PlayingSoundCue* Soundbank::play2D(const XACTINDEX& index, PlayingSoundCue* cue, const bool& start)
{
    if (!m_soundbank || !SoundInterface::isEngineRunning())
        return nullptr;
    if (!cue)
        cue = new PlayingSoundCue(this);
    if (cue->m_cue) {
        // A handle played again: its earlier engine cue must not leak.
        retireCue(cue->m_cue);
        cue->m_cue = nullptr;
    }
    if (FAILED(m_soundbank->Prepare(index, 0, 0, &cue->m_cue))) {
        cue->m_cue = nullptr;
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play2D", __LINE__,
                      L"m_soundbank->Prepare(p_index,0,0,&cue->m_cue)");
        cue->Release();
        return nullptr;
    }
    if (!start)
        return cue;
    if (!cue->start()) {
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play2D", __LINE__, L"start = cue->start()", L" returned false!");
        cue->Release();
        return nullptr;
    }
    return cue;
}

PlayingSoundCue* Soundbank::play2DByName(const std::wstring& name, const bool& start)
{
    if (!m_soundbank)
        return nullptr;
    const XACTINDEX index = getCueIndex(name);
    if (index == XACTINDEX_INVALID)
        return nullptr;
    return play2D(index, nullptr, start);
}

Playing3DSoundCue* Soundbank::play3D(const XACTINDEX& index, const D3DXVECTOR3& position)
{
    if (!m_soundbank || !SoundInterface::isEngineRunning())
        return nullptr;
    Playing3DSoundCue* cue = new Playing3DSoundCue(this);
    cue->m_emitter.Position = position;

    if (!m_soundinterface.has3D())
        return play2D(index, cue, true) ? cue : nullptr;

    if (FAILED(m_soundbank->Prepare(index, 0, 0, &cue->m_cue))) {
        cue->m_cue = nullptr;
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play3D", __LINE__,
                      L"m_soundbank->Prepare(p_index,0,0,&cue->m_cue)");
        cue->Release();
        return nullptr;
    }
    if (FAILED(XACT3DCalculate(m_soundinterface.getXACT3DHandle(), &m_soundinterface.getListener(), &cue->m_emitter,
                               &cue->m_dsp_settings)))
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play3D", __LINE__,
                      L"XACT3DCalculate( m_soundinterface.getXACT3DHandle(), &m_soundinterface.getListener(), "
                      L"&cue->m_emitter,&cue->m_dsp_settings )");
    if (FAILED(XACT3DApply(&cue->m_dsp_settings, cue->m_cue)))
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play3D", __LINE__,
                      L"XACT3DApply( &cue->m_dsp_settings, cue->m_cue )");
    if (!cue->start()) {
        logFailedCall(mainLogger(), L"Ulvo::Soundbank::play3D", __LINE__, L"start = cue->start()", L" returned false!");
        cue->Release();
        return nullptr;
    }
    cue->AddRef();
    Lock lock(m_lock);
    m_playingCues.push_back(cue);
    return cue;
}

Playing3DSoundCue* Soundbank::play3DByName(const std::wstring& name, const D3DXVECTOR3& position)
{
    if (!m_soundbank)
        return nullptr;
    const XACTINDEX index = getCueIndex(name);
    if (index == XACTINDEX_INVALID)
        return nullptr;
    return play3D(index, position);
}

void Soundbank::update()
{
    if (!SoundInterface::isEngineRunning())
        return;
    destroyFinishedCues();

    const DWORD now = GetTickCount();
    if (now - m_lastUpdate < m_updateTicks)
        return;
    m_lastUpdate = now;
    if (!m_soundinterface.has3D())
        return;

    Lock lock(m_lock);
    for (std::size_t i = m_playingCues.size(); i-- > 0;) {
        Playing3DSoundCue* cue = m_playingCues[i];
        // A cue the engine has ended without a report (none registered, or
        // lost) leaves the list here.
        DWORD state = 0;
        if (cue->m_cue && SUCCEEDED(cue->m_cue->GetState(&state)) && (state & XACT_STATE_STOPPED) &&
            !(state & kStillPlaying)) {
            m_playingCues.erase(m_playingCues.begin() + static_cast<std::ptrdiff_t>(i));
            endCue(cue);
            continue;
        }
        if (cue->isStopped() || !cue->m_cue)
            continue;
        if (FAILED(XACT3DCalculate(m_soundinterface.getXACT3DHandle(), &m_soundinterface.getListener(), &cue->m_emitter,
                                   &cue->m_dsp_settings)))
            logFailedCall(mainLogger(), L"Ulvo::Soundbank::update", __LINE__,
                          L"XACT3DCalculate( m_soundinterface.getXACT3DHandle(), &m_soundinterface.getListener(), "
                          L"&cue->m_emitter,&cue->m_dsp_settings)");
        if (FAILED(XACT3DApply(&cue->m_dsp_settings, cue->m_cue)))
            logFailedCall(mainLogger(), L"Ulvo::Soundbank::update", __LINE__,
                          L"XACT3DApply( &cue->m_dsp_settings, cue->m_cue )");
    }
}

void Soundbank::onNotification(const XACT_NOTIFICATION* notification)
{
    if (!notification || notification->type != XACTNOTIFICATIONTYPE_CUESTOP)
        return;
    Playing3DSoundCue* cue = nullptr;
    {
        Lock lock(m_lock);
        for (auto it = m_playingCues.rbegin(); it != m_playingCues.rend(); ++it) {
            if ((*it)->m_cue == notification->cue.pCue) {
                // The engine also reports a stop when a playing cue's output
                // matrix is set (every 3D refresh): a cue that still plays
                // has not stopped.
                DWORD state = 0;
                if (SUCCEEDED((*it)->m_cue->GetState(&state)) && (state & kStillPlaying) != 0)
                    return;
                cue = *it;
                m_playingCues.erase(std::next(it).base());
                break;
            }
        }
    }
    if (cue)
        endCue(cue);
}

void Soundbank::endCue(Playing3DSoundCue* cue)
{
    // The entry is out of the list before the receivers run, so they may
    // play, stop or release cues of this bank.
    if (!cue->isStopped() && cue->m_cue)
        cue->markStoppedByEngine();
    cue->Release();
}

void Soundbank::retireCue(IXACT3Cue* cue)
{
    if (!cue || !SoundInterface::isEngineRunning())
        return;
    Lock lock(m_lock);
    m_retiredCues.push_back(cue);
}

void Soundbank::destroyFinishedCues()
{
    Lock lock(m_lock);
    for (std::size_t i = m_retiredCues.size(); i-- > 0;) {
        IXACT3Cue* cue = m_retiredCues[i];
        DWORD state = 0;
        if (SUCCEEDED(cue->GetState(&state)) && (state & kBusyStates) != 0)
            continue;
        cue->Destroy();
        m_retiredCues.erase(m_retiredCues.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

std::size_t Soundbank::getPlayingCueCount()
{
    Lock lock(m_lock);
    return m_playingCues.size();
}

std::size_t Soundbank::getRetiredCueCount()
{
    Lock lock(m_lock);
    return m_retiredCues.size();
}

} // namespace Ulvo
