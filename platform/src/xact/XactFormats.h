#pragma once
// Checked readers for the three XACT3 file formats. FAudio's own readers trust every count,
// offset and string in the data, so each buffer is walked here first, with every read
// bounds-checked, and only a buffer that passes is handed to FAudio. The summaries kept from
// the walk let the wrappers check indices (cues, variables, categories, waves) that FAudio
// would otherwise use unchecked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace XactInternal {

// Variable accessibility bits of the global-settings file.
constexpr uint8_t kVariablePublic = 0x01;
constexpr uint8_t kVariableReadOnly = 0x02;
constexpr uint8_t kVariableCueInstance = 0x04;

struct VariableInfo {
    std::string name;
    uint8_t accessibility = 0;
    float initial = 0.0f;
    float minimum = 0.0f;
    float maximum = 0.0f;
};

struct SettingsInfo {
    std::vector<std::string> categories;
    std::vector<uint16_t> categoryParents; // 0xFFFF for a root; parents precede their children
    std::vector<float> categoryVolumes;    // authored level as an amplitude factor
    std::vector<VariableInfo> variables;
    std::vector<uint32_t> rpcCodes; // file offsets of the runtime parameter curves
};

// One wave a cue may play: the sound bank's wave-bank slot and the wave's index there.
struct WaveRef {
    uint8_t waveBank = 0;
    uint16_t wave = 0;
};

struct SoundBankInfo {
    std::string name;
    std::vector<std::string> waveBankNames;
    std::vector<std::string> cueNames;          // empty when the bank carries no names
    std::vector<std::vector<WaveRef>> cueWaves; // per cue, every wave it may start
    uint16_t cueCount = 0;
};

struct WaveBankInfo {
    std::string name;
    uint32_t entryCount = 0;
};

// The amplitude factor of a volume byte in the settings and sound banks (180 is about 0 dB).
float volumeByteToAmplitude(uint8_t volume);

// Each returns false (with `error` set) unless the whole buffer is well formed and within
// what the engine plays: little-endian content of XACT 3.0 to 3.x, PCM in-memory wave banks.
bool parseSettings(const uint8_t* data, size_t size, SettingsInfo& out, std::string& error);
// Checked against the engine's settings: sounds must name a category, runtime parameter
// curves and interactive variables that exist.
bool parseSoundBank(const uint8_t* data, size_t size, const SettingsInfo& settings, SoundBankInfo& out,
                    std::string& error);
bool parseWaveBank(const uint8_t* data, size_t size, WaveBankInfo& out, std::string& error);

} // namespace XactInternal
