#pragma once
// The clip's sound on the default SDL audio device, queued ahead by the streaming thread.
// Without an audio device the sound is dropped and the clip plays silently.
#include <SDL.h>

#include <cstdint>
#include <vector>

namespace DShowInternal {

class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the device once; false (logged once) when there is none. Main thread.
    bool open();
    bool isOpen() const { return m_device != 0; }
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }

    void setPaused(bool paused);
    // Queues interleaved samples scaled by the gain (0..1).
    void queue(const std::vector<int16_t>& samples, float gain);
    // Seconds of sound queued and not yet played.
    double queuedSeconds() const;
    void clear();
    void close();

private:
    SDL_AudioDeviceID m_device = 0;
    bool m_subsystemStarted = false;
    int m_rate = 44100;
    int m_channels = 2;
    std::vector<int16_t> m_scaled;
};

} // namespace DShowInternal
