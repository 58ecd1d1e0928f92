#include "dshow/AudioOutput.h"

#include "dshow/MediaSource.h"
#include "common/AudioClosings.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cmath>

namespace DShowInternal {

AudioOutput::~AudioOutput()
{
    close();
}

bool AudioOutput::open()
{
    if (m_device)
        return true;
    PlatformInternal::waitForAudioClosings();
    if (!m_subsystemStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            Diagnostics::warning("DirectShow", "no sound for the video (%s); it plays silently", SDL_GetError());
            return false;
        }
        m_subsystemStarted = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    // SDL lets a closing device drain two of these (23 ms here), and the game's sound waits for
    // that after a skipped intro; the clip's sound is queued ahead, so small ones do not starve.
    wanted.samples = 512;
    SDL_AudioSpec obtained{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                   SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (!m_device) {
        Diagnostics::warning("DirectShow", "no audio device for the video (%s); it plays silently", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemStarted = false;
        return false;
    }
    m_rate = obtained.freq;
    m_channels = obtained.channels;
    return true;
}

void AudioOutput::setPaused(bool paused)
{
    if (m_device)
        SDL_PauseAudioDevice(m_device, paused ? 1 : 0);
}

void AudioOutput::queue(const std::vector<int16_t>& samples, float gain)
{
    if (!m_device || samples.empty())
        return;
    const int16_t* data = samples.data();
    if (gain < 0.999f) {
        m_scaled.resize(samples.size());
        std::transform(samples.begin(), samples.end(), m_scaled.begin(),
                       [gain](int16_t s) { return static_cast<int16_t>(std::lround(static_cast<float>(s) * gain)); });
        data = m_scaled.data();
    }
    SDL_QueueAudio(m_device, data, static_cast<Uint32>(samples.size() * sizeof(int16_t)));
}

double AudioOutput::queuedSeconds() const
{
    if (!m_device)
        return 0.0;
    const double bytesPerSecond = static_cast<double>(m_rate) * m_channels * sizeof(int16_t);
    return SDL_GetQueuedAudioSize(m_device) / bytesPerSecond;
}

void AudioOutput::clear()
{
    if (m_device)
        SDL_ClearQueuedAudio(m_device);
}

void AudioOutput::close()
{
    if (!m_device && !m_subsystemStarted)
        return;
    const SDL_AudioDeviceID device = m_device;
    const bool started = m_subsystemStarted;
    m_device = 0;
    m_subsystemStarted = false;
    // The sound has stopped already; the wait for its drain need not hold up the caller. The
    // subsystem ends on the thread that opens sound next, not beside the program's other starts.
    std::function<void()> quit;
    if (started)
        quit = [] { SDL_QuitSubSystem(SDL_INIT_AUDIO); };
    PlatformInternal::closeAudioBeside(
        [device] {
            if (device)
                SDL_CloseAudioDevice(device);
        },
        std::move(quit));
}

} // namespace DShowInternal
