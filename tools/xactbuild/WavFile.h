#pragma once
// RIFF WAVE reader for 8- and 16-bit PCM, mono or stereo.
#include <cstdint>
#include <string>
#include <vector>

namespace XactBuild {

struct WavData {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> samples; // interleaved, as stored in the file

    uint32_t frameBytes() const { return channels * (bitsPerSample / 8u); }
    uint32_t frames() const { return frameBytes() ? static_cast<uint32_t>(samples.size() / frameBytes()) : 0; }
};

// False (with `error` set) for a file that is missing, truncated or in another format.
bool readWav(const std::string& path, WavData& out, std::string& error);
bool parseWav(const std::vector<uint8_t>& file, WavData& out, std::string& error);

} // namespace XactBuild
