#pragma once
// Writers of the three XACT3 files: global settings (.xgs), in-memory wave bank (.xwb) and
// sound bank (.xsb), little-endian, content version 46.
#include "Description.h"
#include "WavFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace XactBuild {

struct BuiltSettings {
    std::vector<uint8_t> bytes;
    std::map<std::string, uint16_t> categoryIndex;
    std::map<std::string, uint32_t> volumeCurve; // variable name -> the curve's offset in the file
};

// The settings file: categories, variables and one volume curve per variable a cue names.
BuiltSettings writeSettings(const Description& description);

// The wave bank with the given waves, in the order of `bank.waves`.
std::vector<uint8_t> writeWaveBank(const WaveBankDef& bank, const std::vector<WavData>& waves);

// The sound bank: one sound per cue playing its wave once (or looping), in the cue's
// category, with its volume, pitch and volume curve.
bool writeSoundBank(const SoundBankDef& bank, const Description& description, const BuiltSettings& settings,
                    std::vector<uint8_t>& out, std::string& error);

// The engine's volume byte for a level in dB (0 dB is 180; the scale ends at +6 dB).
uint8_t volumeByte(double dB);

} // namespace XactBuild
