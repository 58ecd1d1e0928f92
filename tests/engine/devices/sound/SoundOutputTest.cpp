// What reaches the speakers: SDL's disk audio driver writes the mixed output
// to a file, which the tests read back as raw samples in the engine's final
// mix format.
#include "devices/sound/PlayingSoundCue.h"
#include "devices/sound/Soundbank.h"
#include "engine/UlvoEngine.h"

#include "SoundTestSupport.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace Ulvo;
using SoundTesting::pump;

namespace {

struct Recording {
    unsigned channels = 0;
    unsigned rate = 0;
    std::vector<float> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / channels : 0; }
};

class SoundOutputTest : public SoundTesting::SoundFixture {
protected:
    // Starts the engine on the disk driver writing to a fresh file.
    bool startRecording()
    {
        m_file = m_dir.path() / ("out" + std::to_string(m_files++) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_file.c_str(), 1);
        if (!start() || !sound->isAvailable() || !loadShipped())
            return false;
        WAVEFORMATEXTENSIBLE format;
        std::memset(&format, 0, sizeof(format));
        if (FAILED(sound->getXACT3Engine()->GetFinalMixFormat(&format)))
            return false;
        m_format = format;
        return true;
    }

    // Ends the engine (which closes the file) and reads what was written.
    Recording stopRecording()
    {
        sound->shutdown();
        Recording recording;
        recording.channels = m_format.Format.nChannels;
        recording.rate = m_format.Format.nSamplesPerSec;
        const std::vector<uint8_t> bytes = TestSupport::readBytes(m_file);
        if (m_format.Format.wBitsPerSample == 32) {
            recording.samples.resize(bytes.size() / 4);
            std::memcpy(recording.samples.data(), bytes.data(), recording.samples.size() * 4);
        } else if (m_format.Format.wBitsPerSample == 16) {
            recording.samples.resize(bytes.size() / 2);
            for (std::size_t i = 0; i < recording.samples.size(); ++i) {
                int16_t value;
                std::memcpy(&value, bytes.data() + i * 2, 2);
                recording.samples[i] = value / 32768.0f;
            }
        }
        return recording;
    }

    TestSupport::TempDir m_dir;
    std::filesystem::path m_file;
    int m_files = 0;
    WAVEFORMATEXTENSIBLE m_format{};
};

// First and last frame whose loudest channel exceeds the level; -1 when none.
std::pair<long, long> loudStretch(const Recording& r, float level)
{
    long first = -1, last = -1;
    for (std::size_t f = 0; f < r.frames(); ++f) {
        for (unsigned c = 0; c < r.channels; ++c) {
            if (std::fabs(r.samples[f * r.channels + c]) > level) {
                if (first < 0)
                    first = static_cast<long>(f);
                last = static_cast<long>(f);
            }
        }
    }
    return {first, last};
}

double energy(const Recording& r, unsigned channel)
{
    double sum = 0.0;
    for (std::size_t f = 0; f < r.frames(); ++f)
        sum += static_cast<double>(r.samples[f * r.channels + channel]) * r.samples[f * r.channels + channel];
    return sum;
}

} // namespace

TEST_F(SoundOutputTest, MenuClickIsHeard)
{
    ASSERT_TRUE(startRecording());
    ASSERT_GE(m_format.Format.nChannels, 2u);
    ASSERT_GT(m_format.Format.nSamplesPerSec, 0u);
    pump(60);
    PlayingSoundCue* click = sound->getDefaultSoundbank()->play2DByName(L"klick_menu", true);
    ASSERT_NE(click, nullptr);
    click->Release(); // as the game does: the click still plays out
    pump(300);
    const Recording recording = stopRecording();
    ASSERT_GT(recording.frames(), recording.rate / 10) << "too little output";

    const auto [first, last] = loudStretch(recording, 0.005f);
    ASSERT_GE(first, 0) << "the output stayed silent";
    // The click lasts 50 ms, fading out: one short stretch, silence around it.
    const double seconds = static_cast<double>(last - first) / recording.rate;
    EXPECT_GT(seconds, 0.015);
    EXPECT_LT(seconds, 0.2);
    EXPECT_GT(first, 0);
    EXPECT_LT(static_cast<std::size_t>(last) + recording.rate / 20, recording.frames());
}

TEST_F(SoundOutputTest, PositionedCueIsLouderOnItsSide)
{
    for (const float side : {5.0f, -5.0f}) {
        ASSERT_TRUE(startRecording());
        Playing3DSoundCue* cue = sound->getDefaultSoundbank()->play3DByName(L"pfeife", D3DXVECTOR3(side, 0.0f, 0.0f));
        ASSERT_NE(cue, nullptr);
        cue->Release();
        pump(800);
        const Recording recording = stopRecording();
        ASSERT_GE(recording.channels, 2u);
        const double left = energy(recording, 0);
        const double right = energy(recording, 1);
        EXPECT_GT(left + right, 1.0) << "the cue was not heard";
        if (side > 0.0f)
            EXPECT_GT(right, 2.0 * left) << "left " << left << " right " << right;
        else
            EXPECT_GT(left, 2.0 * right) << "left " << left << " right " << right;
    }
}

TEST_F(SoundOutputTest, InactiveWindowSilencesTheMusicUntilReactivation)
{
    ASSERT_TRUE(startRecording());
    PlayingSoundCue* music = sound->getSoundbank(L"Soundbank_Music")->play2DByName(L"MUSIK", true);
    ASSERT_NE(music, nullptr);
    music->Release();
    pump(400);
    UlvoEngine::getInstance()->onActivate.emit(false);
    pump(700);
    UlvoEngine::getInstance()->onActivate.emit(true);
    pump(500);
    const Recording recording = stopRecording();

    // Loudness per 50 ms: the music, then a silent stretch, then the music again.
    const std::size_t window = recording.rate / 20;
    ASSERT_GT(window, 0u);
    std::vector<bool> loud;
    for (std::size_t start = 0; start + window <= recording.frames(); start += window) {
        double sum = 0.0;
        for (std::size_t i = start * recording.channels; i < (start + window) * recording.channels; ++i)
            sum += static_cast<double>(recording.samples[i]) * recording.samples[i];
        const double rms = std::sqrt(sum / static_cast<double>(window * recording.channels));
        loud.push_back(rms > 0.01);
    }
    std::size_t i = 0;
    while (i < loud.size() && !loud[i])
        ++i;
    ASSERT_LT(i, loud.size()) << "the music was not heard";
    while (i < loud.size() && loud[i])
        ++i;
    std::size_t silent = 0;
    while (i < loud.size() && !loud[i]) {
        ++silent;
        ++i;
    }
    EXPECT_GE(silent, 6u) << "the music went on while the window was inactive";
    EXPECT_LT(i, loud.size()) << "the music did not come back";
}
