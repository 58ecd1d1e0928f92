#include "BankWriter.h"
#include "ByteWriter.h"

#include <algorithm>
#include <cmath>

namespace XactBuild {

namespace {

constexpr uint16_t kContentVersion = 46;
constexpr uint16_t kSettingsTool = 42;
constexpr uint16_t kSoundBankTool = 43;
constexpr uint32_t kWaveBankHeaderVersion = 44;
constexpr uint8_t kSettingsPlatformWindows = 3;
constexpr uint8_t kBankPlatformWindows = 1;

constexpr uint8_t kAccessPublic = 0x01;
constexpr uint8_t kAccessReadOnly = 0x02;
constexpr uint8_t kAccessCueInstance = 0x04;
constexpr uint8_t kAccessReserved = 0x08;

constexpr uint16_t kRpcVolume = 0;
constexpr int kCurvePoints = 11;
constexpr float kSilenceHundredthsDb = -9600.0f;

constexpr uint32_t kWaveBankEntryNames = 0x00010000;
constexpr uint32_t kWaveDataAlignment = 4;

constexpr uint8_t kSoundComplex = 0x01;
constexpr uint8_t kSoundHasRpc = 0x02;
constexpr uint8_t kCueIsSound = 0x04;
constexpr uint32_t kEventPlayWave = 1;

void magic(ByteWriter& w, const char* four)
{
    for (int i = 0; i < 4; ++i)
        w.u8(static_cast<uint8_t>(four[i]));
}

} // namespace

uint8_t volumeByte(double dB)
{
    if (dB <= -96.0)
        return 0;
    double b = 28240.0 * std::pow(10.0, (dB * 100.0 - 8715.0) / 3969.0);
    return static_cast<uint8_t>(std::clamp(std::lround(b), 1L, 255L));
}

BuiltSettings writeSettings(const Description& d)
{
    BuiltSettings built;
    ByteWriter w;

    // Curves: one per variable that some cue uses as its volume.
    std::vector<std::string> curveVariables;
    for (const SoundBankDef& bank : d.soundBanks)
        for (const CueDef& cue : bank.cues)
            if (!cue.volumeVariable.empty() &&
                std::find(curveVariables.begin(), curveVariables.end(), cue.volumeVariable) == curveVariables.end())
                curveVariables.push_back(cue.volumeVariable);

    magic(w, "XGSF");
    w.u16(kContentVersion);
    w.u16(kSettingsTool);
    w.u16(0); // checksum, not checked
    w.u64(0); // last modified: fixed, so builds are reproducible
    w.u8(kSettingsPlatformWindows);
    w.u16(static_cast<uint16_t>(d.categories.size()));
    w.u16(static_cast<uint16_t>(d.variables.size()));
    w.u16(0); // category hash entries
    w.u16(0); // variable hash entries
    w.u16(static_cast<uint16_t>(curveVariables.size()));
    w.u16(0); // DSP presets
    w.u16(0); // DSP parameters
    const size_t offsets = w.size();
    w.zeros(11 * 4);
    enum {
        kCategories,
        kVariables,
        kCategoryHash,
        kCategoryNameIndex,
        kVariableHash,
        kVariableNameIndex,
        kCategoryNames,
        kVariableNames,
        kRpcs,
        kDspPresets,
        kDspParameters
    };
    auto mark = [&w, offsets](int which) { w.patchU32(offsets + 4 * which, static_cast<uint32_t>(w.size())); };

    mark(kCategories);
    for (size_t i = 0; i < d.categories.size(); ++i) {
        const CategoryDef& c = d.categories[i];
        built.categoryIndex[c.name] = static_cast<uint16_t>(i);
        w.u8(static_cast<uint8_t>(c.instances));
        w.u16(0); // fade in, ms
        w.u16(0); // fade out, ms
        w.u8(0);  // at the limit, new instances fail
        uint16_t parent = 0xFFFF;
        for (size_t p = 0; p < i; ++p)
            if (d.categories[p].name == c.parent)
                parent = static_cast<uint16_t>(p);
        w.u16(parent);
        w.u8(volumeByte(c.volumeDb));
        w.u8(1); // visible
    }

    mark(kVariables);
    for (const VariableDef& v : d.variables) {
        uint8_t access = kAccessPublic;
        if (v.readOnly)
            access |= kAccessReadOnly;
        if (v.cueInstance)
            access |= kAccessCueInstance;
        if (v.builtIn)
            access |= kAccessReserved;
        w.u8(access);
        w.f32(v.initial);
        w.f32(v.minimum);
        w.f32(v.maximum);
    }

    mark(kRpcs);
    for (const std::string& name : curveVariables) {
        const VariableDef* variable = nullptr;
        uint16_t index = 0;
        for (size_t i = 0; i < d.variables.size(); ++i)
            if (d.variables[i].name == name) {
                variable = &d.variables[i];
                index = static_cast<uint16_t>(i);
            }
        built.volumeCurve[name] = static_cast<uint32_t>(w.size());
        w.u16(index);
        w.u8(kCurvePoints);
        w.u16(kRpcVolume);
        // The engine adds the curve (hundredths of dB) to the sound's volume; the points make the
        // loudness follow the variable linearly from silent at its minimum to full at its maximum.
        for (int p = 0; p < kCurvePoints; ++p) {
            float t = static_cast<float>(p) / (kCurvePoints - 1);
            float x = variable->minimum + (variable->maximum - variable->minimum) * t;
            float y = p == 0 ? kSilenceHundredthsDb : std::max(kSilenceHundredthsDb, 2000.0f * std::log10(t));
            w.f32(x);
            w.f32(y);
            w.u8(0); // linear between points
        }
    }
    mark(kDspPresets);
    mark(kDspParameters);

    mark(kCategoryHash);
    mark(kCategoryNameIndex);
    const size_t categoryIndex = w.size();
    w.zeros(d.categories.size() * 6);
    mark(kCategoryNames);
    for (size_t i = 0; i < d.categories.size(); ++i) {
        w.patchU32(categoryIndex + 6 * i, static_cast<uint32_t>(w.size()));
        w.patchU16(categoryIndex + 6 * i + 4, 0xFFFF);
        w.cstring(d.categories[i].name);
    }
    mark(kVariableHash);
    mark(kVariableNameIndex);
    const size_t variableIndex = w.size();
    w.zeros(d.variables.size() * 6);
    mark(kVariableNames);
    for (size_t i = 0; i < d.variables.size(); ++i) {
        w.patchU32(variableIndex + 6 * i, static_cast<uint32_t>(w.size()));
        w.patchU16(variableIndex + 6 * i + 4, 0xFFFF);
        w.cstring(d.variables[i].name);
    }
    built.bytes = w.bytes();
    return built;
}

std::vector<uint8_t> writeWaveBank(const WaveBankDef& bank, const std::vector<WavData>& waves)
{
    ByteWriter w;
    const uint32_t count = static_cast<uint32_t>(waves.size());
    constexpr uint32_t kHeaderSize = 12 + 5 * 8;
    constexpr uint32_t kBankDataSize = 96;
    constexpr uint32_t kEntrySize = 24;
    constexpr uint32_t kNameSize = 64;

    // Wave data offsets within the data segment, each aligned.
    std::vector<uint32_t> offsets;
    uint32_t dataLength = 0;
    for (const WavData& wave : waves) {
        dataLength = (dataLength + kWaveDataAlignment - 1) / kWaveDataAlignment * kWaveDataAlignment;
        offsets.push_back(dataLength);
        dataLength += static_cast<uint32_t>(wave.samples.size());
    }
    const uint32_t metaOffset = kHeaderSize + kBankDataSize;
    const uint32_t metaLength = count * kEntrySize;
    const uint32_t seekOffset = metaOffset + metaLength;
    const uint32_t namesOffset = seekOffset;
    const uint32_t namesLength = count * kNameSize;
    const uint32_t dataOffset =
        (namesOffset + namesLength + kWaveDataAlignment - 1) / kWaveDataAlignment * kWaveDataAlignment;

    magic(w, "WBND");
    w.u32(kContentVersion);
    w.u32(kWaveBankHeaderVersion);
    w.u32(kHeaderSize);
    w.u32(kBankDataSize);
    w.u32(metaOffset);
    w.u32(metaLength);
    w.u32(seekOffset);
    w.u32(0);
    w.u32(namesOffset);
    w.u32(namesLength);
    w.u32(dataOffset);
    w.u32(dataLength);

    w.u32(kWaveBankEntryNames); // in memory, with entry names
    w.u32(count);
    w.fixedString(bank.name, 64);
    w.u32(kEntrySize);
    w.u32(kNameSize);
    w.u32(kWaveDataAlignment);
    w.u32(0); // compact format, unused
    w.u64(0); // build time: fixed, so builds are reproducible

    for (uint32_t i = 0; i < count; ++i) {
        const WavData& wave = waves[i];
        const uint32_t frames = wave.frames();
        w.u32(frames << 4);  // duration in samples; flags 0
        uint32_t format = 0; // PCM
        format |= static_cast<uint32_t>(wave.channels) << 2;
        format |= wave.sampleRate << 5;
        format |= static_cast<uint32_t>(wave.frameBytes()) << 23;
        format |= static_cast<uint32_t>(wave.bitsPerSample == 16 ? 1 : 0) << 31;
        w.u32(format);
        w.u32(offsets[i]);
        w.u32(static_cast<uint32_t>(wave.samples.size()));
        w.u32(0);      // loop start
        w.u32(frames); // loop length: the whole wave
    }
    for (const WaveDef& def : bank.waves)
        w.fixedString(def.name, kNameSize);
    w.alignTo(kWaveDataAlignment);
    for (uint32_t i = 0; i < count; ++i) {
        while (w.size() < dataOffset + offsets[i])
            w.u8(0);
        w.bytes(waves[i].samples.data(), waves[i].samples.size());
    }
    return w.bytes();
}

bool writeSoundBank(const SoundBankDef& bank, const Description& d, const BuiltSettings& settings,
                    std::vector<uint8_t>& out, std::string& error)
{
    // The wave banks this sound bank plays from, in order of first use.
    std::vector<std::string> waveBanks;
    struct Target {
        uint8_t bank;
        uint16_t wave;
    };
    std::vector<Target> targets;
    for (const CueDef& cue : bank.cues) {
        bool found = false;
        for (const WaveBankDef& wb : d.waveBanks)
            for (size_t i = 0; i < wb.waves.size() && !found; ++i)
                if (wb.waves[i].name == cue.wave) {
                    auto it = std::find(waveBanks.begin(), waveBanks.end(), wb.name);
                    if (it == waveBanks.end()) {
                        waveBanks.push_back(wb.name);
                        it = waveBanks.end() - 1;
                    }
                    targets.push_back({static_cast<uint8_t>(it - waveBanks.begin()), static_cast<uint16_t>(i)});
                    found = true;
                }
        if (!found) {
            error = "cue \"" + cue.name + "\": unknown wave \"" + cue.wave + "\"";
            return false;
        }
    }
    if (waveBanks.size() > 255 || bank.cues.size() > 0xFFFE) {
        error = "sound bank \"" + bank.name + "\" is too large";
        return false;
    }

    ByteWriter w;
    const uint16_t cueCount = static_cast<uint16_t>(bank.cues.size());
    size_t nameBytes = 0;
    for (const CueDef& cue : bank.cues)
        nameBytes += cue.name.size() + 1;

    magic(w, "SDBK");
    w.u16(kContentVersion);
    w.u16(kSoundBankTool);
    w.u16(0); // checksum, not checked
    w.u64(0); // last modified
    w.u8(kBankPlatformWindows);
    w.u16(cueCount); // simple cues: one sound each
    w.u16(0);        // complex cues
    w.u16(0);
    w.u16(0); // cue hash entries
    w.u8(static_cast<uint8_t>(waveBanks.size()));
    w.u16(cueCount); // sounds
    w.u16(static_cast<uint16_t>(std::min<size_t>(nameBytes, 0xFFFF)));
    w.u16(0);
    const size_t offsets = w.size();
    w.s32(0);  // simple cues
    w.s32(-1); // complex cues
    w.s32(0);  // cue names
    w.s32(-1);
    w.s32(-1); // variations
    w.s32(-1); // transitions
    w.s32(0);  // wave bank names
    w.s32(-1); // cue hash
    w.s32(0);  // cue name index
    w.s32(0);  // sounds
    w.fixedString(bank.name, 64);
    auto mark = [&w, offsets](int which) { w.patchU32(offsets + 4 * which, static_cast<uint32_t>(w.size())); };

    mark(6);
    for (const std::string& name : waveBanks)
        w.fixedString(name, 64);

    mark(9);
    std::vector<uint32_t> soundOffsets;
    for (size_t i = 0; i < bank.cues.size(); ++i) {
        const CueDef& cue = bank.cues[i];
        const size_t start = w.size();
        soundOffsets.push_back(static_cast<uint32_t>(start));
        const bool curve = !cue.volumeVariable.empty();
        w.u8(kSoundComplex | (curve ? kSoundHasRpc : 0));
        w.u16(settings.categoryIndex.at(cue.category));
        w.u8(volumeByte(cue.volumeDb));
        w.s16(static_cast<int16_t>(cue.pitch));
        w.u8(0); // priority
        const size_t lengthAt = w.size();
        w.u16(0);
        w.u8(1); // one track
        if (curve) {
            w.u16(2 + 1 + 4); // block length, with itself
            w.u8(1);
            w.u32(settings.volumeCurve.at(cue.volumeVariable));
        }
        w.u8(volumeByte(0.0)); // track volume
        const size_t eventsAt = w.size();
        w.u32(0);
        w.u16(0); // no filter
        w.u16(0);
        w.patchU32(eventsAt, static_cast<uint32_t>(w.size()));
        w.u8(1);               // one event
        w.u32(kEventPlayWave); // at time 0
        w.u16(0);              // random offset
        w.u8(0xFF);            // separator
        w.u8(0);               // wave flags
        w.u16(targets[i].wave);
        w.u8(targets[i].bank);
        w.u8(static_cast<uint8_t>(cue.loopCount));
        w.u16(0); // position
        w.u16(0); // angle
        w.patchU16(lengthAt, static_cast<uint16_t>(w.size() - start));
    }

    mark(0);
    for (uint32_t code : soundOffsets) {
        w.u8(kCueIsSound);
        w.u32(code);
    }
    mark(8);
    const size_t nameIndex = w.size();
    w.zeros(size_t(cueCount) * 6);
    mark(2);
    for (size_t i = 0; i < bank.cues.size(); ++i) {
        w.patchU32(nameIndex + 6 * i, static_cast<uint32_t>(w.size()));
        w.patchU16(nameIndex + 6 * i + 4, 0xFFFF);
        w.cstring(bank.cues[i].name);
    }
    out = w.bytes();
    return true;
}

} // namespace XactBuild
