#include "devices/sound/PlayingSoundCue.h"

#include "devices/sound/SoundInterface.h"
#include "devices/sound/Soundbank.h"

#include <cstring>
#include <string>

namespace Ulvo {

PlayingSoundCue::PlayingSoundCue(Soundbank* owner) : m_owner(owner)
{
    m_dsp_settings = SoundInterface::getInstance()->getDSPSettingsTemplate();
    rename(L"PlayingSoundCue_" + std::to_wstring(getNumber()));
}

PlayingSoundCue::~PlayingSoundCue()
{
    // The sound may still be playing (callers let go of 2D cues at once): the
    // bank destroys the engine cue once it has finished.
    if (m_cue && m_owner && SoundInterface::isEngineRunning())
        m_owner->retireCue(m_cue);
    m_cue = nullptr;
}

bool PlayingSoundCue::start()
{
    if (!m_cue || !SoundInterface::isEngineRunning())
        return false;
    if (SUCCEEDED(m_cue->Play())) {
        m_stopped = false;
        m_startFailed = false;
        return true;
    }
    m_stopped = true;
    m_startFailed = true;
    return false;
}

void PlayingSoundCue::stop()
{
    if (!m_cue || m_stopped)
        return;
    m_stopped = true;
    if (SoundInterface::isEngineRunning())
        m_cue->Stop(XACT_FLAG_CUE_STOP_RELEASE);
    stopped.emit(*this);
}

void PlayingSoundCue::markStoppedByEngine()
{
    m_stopped = true;
    m_startFailed = true;
    stopped.emit(*this);
}

Playing3DSoundCue::Playing3DSoundCue(Soundbank* owner) : PlayingSoundCue(owner)
{
    m_emitter = SoundInterface::getInstance()->getEmitterTemplate();
}

} // namespace Ulvo
