// Checked walks over .xgs, .xsb and .xwb buffers, in the order FAudio reads them.
#include "xact/XactFormats.h"

#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace XactInternal {

namespace {

constexpr uint32_t kSettingsMagic = 0x46534758;  // "XGSF"
constexpr uint32_t kSoundBankMagic = 0x4B424453; // "SDBK"
constexpr uint32_t kWaveBankMagic = 0x444E4257;  // "WBND"

constexpr uint16_t kSettingsTool = 42;
constexpr uint16_t kSoundBankTool = 43;
constexpr uint16_t kContent30 = 43; // XACT 3.0: tracks carry no filter data

bool supportedContent(uint32_t version)
{
    return version >= 43 && version <= 46;
}

// Little-endian reads that stop at the end of the buffer; once one fails all later reads
// fail too, so a walk can check once at a convenient point.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t pos() const { return m_pos; }
    size_t size() const { return m_size; }

    bool skip(size_t n)
    {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }
    uint8_t u8()
    {
        uint8_t v = 0;
        read(&v, 1);
        return v;
    }
    uint16_t u16()
    {
        uint8_t b[2] = {0, 0};
        read(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint32_t u32()
    {
        uint8_t b[4] = {0, 0, 0, 0};
        read(b, 4);
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
               (static_cast<uint32_t>(b[3]) << 24);
    }
    int32_t s32() { return static_cast<int32_t>(u32()); }
    float f32()
    {
        uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A NUL-terminated string that must end inside the buffer.
    bool cstring(std::string& out)
    {
        if (!m_ok)
            return false;
        const void* end = std::memchr(m_data + m_pos, 0, m_size - m_pos);
        if (!end) {
            m_ok = false;
            return false;
        }
        size_t len = static_cast<const uint8_t*>(end) - (m_data + m_pos);
        out.assign(reinterpret_cast<const char*>(m_data + m_pos), len);
        m_pos += len + 1;
        return true;
    }
    // A fixed field of `width` bytes holding a NUL-terminated string.
    bool fixedString(size_t width, std::string& out)
    {
        if (!m_ok || width > m_size - m_pos) {
            m_ok = false;
            return false;
        }
        const void* end = std::memchr(m_data + m_pos, 0, width);
        if (!end) {
            m_ok = false;
            return false;
        }
        out.assign(reinterpret_cast<const char*>(m_data + m_pos), static_cast<const uint8_t*>(end) - (m_data + m_pos));
        m_pos += width;
        return true;
    }

private:
    void read(uint8_t* dst, size_t n)
    {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return;
        }
        std::memcpy(dst, m_data + m_pos, n);
        m_pos += n;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace

float volumeByteToAmplitude(uint8_t volume)
{
    if (volume == 0)
        return 0.0f;
    // The byte is a logarithmic code for hundredths of a decibel.
    double hundredthsDb = 3969.0 * std::log10(volume / 28240.0) + 8715.0;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

namespace {

bool fail(std::string& error, const char* what)
{
    error = what;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Sound bank contents: events, runtime parameter blocks, sounds

enum EventType : uint8_t {
    kEventStop = 0,
    kEventPlayWave = 1,
    kEventPlayWaveTrackVariation = 3,
    kEventPlayWaveEffectVariation = 4,
    kEventPlayWaveTrackEffectVariation = 6,
    kEventPitch = 7,
    kEventVolume = 8,
    kEventMarker = 9,
    kEventPitchRepeating = 16,
    kEventVolumeRepeating = 17,
    kEventMarkerRepeating = 18,
};

// Reads the variation list of a track-variation play event (after its fixed fields).
void readTrackVariation(Reader& r, std::vector<WaveRef>& waves)
{
    uint32_t info = r.u32();
    uint16_t count = static_cast<uint16_t>(info & 0xFFFF);
    r.skip(4);
    for (uint16_t i = 0; i < count && r.ok(); ++i) {
        WaveRef ref;
        ref.wave = r.u16();
        ref.waveBank = r.u8();
        r.skip(2); // weight range
        waves.push_back(ref);
    }
}

bool readEvents(Reader& r, std::vector<WaveRef>& waves, std::string& error)
{
    uint8_t count = r.u8();
    if (r.ok() && count == 0)
        return fail(error, "sound bank: track without events");
    for (uint8_t i = 0; i < count && r.ok(); ++i) {
        uint32_t info = r.u32();
        r.skip(2); // random offset
        if (r.u8() != 0xFF)
            return r.ok() ? fail(error, "sound bank: bad event separator") : false;
        uint8_t type = static_cast<uint8_t>(info & 0x1F);
        switch (type) {
        case kEventStop:
            r.skip(1);
            break;
        case kEventPlayWave:
        case kEventPlayWaveEffectVariation: {
            r.skip(1); // flags
            WaveRef ref;
            ref.wave = r.u16();
            ref.waveBank = r.u8();
            r.skip(5); // loop count, position, angle
            waves.push_back(ref);
            if (type == kEventPlayWaveEffectVariation)
                r.skip(24);
            break;
        }
        case kEventPlayWaveTrackVariation:
            r.skip(6);
            readTrackVariation(r, waves);
            break;
        case kEventPlayWaveTrackEffectVariation:
            r.skip(6 + 24);
            readTrackVariation(r, waves);
            break;
        case kEventPitch:
        case kEventVolume:
        case kEventPitchRepeating:
        case kEventVolumeRepeating: {
            uint8_t settings = r.u8();
            if (settings & 1) {
                r.skip(14); // ramp
            } else {
                uint8_t flags = r.u8();
                if (r.ok() && !(flags & 0x0C))
                    return fail(error, "sound bank: unknown value event");
                r.skip(8 + 5);
                if (type == kEventPitchRepeating || type == kEventVolumeRepeating)
                    r.skip(4);
            }
            break;
        }
        case kEventMarker:
            r.skip(4);
            break;
        case kEventMarkerRepeating:
            r.skip(8);
            break;
        default:
            return fail(error, "sound bank: unknown event type");
        }
    }
    return true;
}

// The runtime parameter curve codes of a sound (flag 0x02) and of its tracks (flag 0x04);
// FAudio looks each code up in the settings and uses the result unchecked.
bool readRpcBlock(Reader& r, uint8_t flags, uint8_t trackCount, const std::set<uint32_t>& rpcCodes, std::string& error)
{
    size_t start = r.pos();
    uint16_t length = r.u16();
    int lists = ((flags & 0x02) ? 1 : 0) + ((flags & 0x04) ? trackCount : 0);
    for (int l = 0; l < lists && r.ok(); ++l) {
        uint8_t count = r.u8();
        for (uint8_t i = 0; i < count && r.ok(); ++i) {
            uint32_t code = r.u32();
            if (r.ok() && !rpcCodes.count(code))
                return fail(error, "sound bank: sound names an unknown RPC curve");
        }
    }
    if (!r.ok())
        return fail(error, "sound bank: truncated RPC block");
    if (r.pos() - start != length)
        return fail(error, "sound bank: bad RPC block length");
    return true;
}

struct SoundEntry {
    uint32_t code = 0; // offset of the sound in the file
    std::vector<WaveRef> waves;
};

} // namespace

// ---------------------------------------------------------------------------------------------

bool parseSettings(const uint8_t* data, size_t size, SettingsInfo& out, std::string& error)
{
    out = SettingsInfo();
    if (!data)
        return fail(error, "global settings: no data");
    Reader r(data, size);
    if (r.u32() != kSettingsMagic)
        return fail(error, "global settings: not a global settings file");
    if (!supportedContent(r.u16()))
        return fail(error, "global settings: unsupported content version");
    if (r.u16() != kSettingsTool)
        return fail(error, "global settings: unsupported tool version");
    r.skip(2 + 8);
    uint8_t platform = r.u8();
    if (r.ok() && platform != 3 && platform != 7)
        return fail(error, "global settings: unsupported platform");
    uint16_t categoryCount = r.u16();
    uint16_t variableCount = r.u16();
    uint16_t blob1Count = r.u16();
    uint16_t blob2Count = r.u16();
    uint16_t rpcCount = r.u16();
    uint16_t dspPresetCount = r.u16();
    r.u16(); // DSP parameter count
    uint32_t categoryOffset = r.u32();
    uint32_t variableOffset = r.u32();
    uint32_t blob1Offset = r.u32();
    uint32_t categoryNameIndexOffset = r.u32();
    uint32_t blob2Offset = r.u32();
    uint32_t variableNameIndexOffset = r.u32();
    uint32_t categoryNameOffset = r.u32();
    uint32_t variableNameOffset = r.u32();
    uint32_t rpcOffset = r.u32();
    uint32_t dspPresetOffset = r.u32();
    uint32_t dspParameterOffset = r.u32();
    if (!r.ok())
        return fail(error, "global settings: truncated header");

    if (r.pos() != categoryOffset)
        return fail(error, "global settings: misplaced categories");
    for (uint16_t i = 0; i < categoryCount && r.ok(); ++i) {
        r.skip(1 + 2 + 2 + 1);
        uint16_t parent = r.u16();
        uint8_t volume = r.u8();
        r.skip(1);
        // Parents come first, so walking up always ends (FAudio walks the chain unchecked).
        if (r.ok() && parent != 0xFFFF && parent >= i)
            return fail(error, "global settings: bad parent category");
        out.categoryParents.push_back(parent);
        out.categoryVolumes.push_back(volumeByteToAmplitude(volume));
    }
    if (r.ok() && r.pos() != variableOffset)
        return fail(error, "global settings: misplaced variables");
    out.variables.resize(variableCount);
    for (uint16_t i = 0; i < variableCount && r.ok(); ++i) {
        VariableInfo& v = out.variables[i];
        v.accessibility = r.u8();
        v.initial = r.f32();
        v.minimum = r.f32();
        v.maximum = r.f32();
    }
    // DSP presets drive a reverb whose parameter tables are not checked here; the settings
    // files this layer loads have none.
    if (dspPresetCount != 0)
        return fail(error, "global settings: DSP presets are not supported");
    (void)dspPresetOffset;
    (void)dspParameterOffset;
    if (r.ok() && rpcCount > 0 && r.pos() != rpcOffset)
        return fail(error, "global settings: misplaced RPC curves");
    for (uint16_t i = 0; i < rpcCount && r.ok(); ++i) {
        uint32_t code = static_cast<uint32_t>(r.pos());
        uint16_t variable = r.u16();
        uint8_t points = r.u8();
        uint16_t parameter = r.u16();
        float lastX = 0.0f;
        for (uint8_t p = 0; p < points && r.ok(); ++p) {
            float x = r.f32();
            r.f32();
            uint8_t type = r.u8();
            if (r.ok() && (type > 3 || (p > 0 && !(x >= lastX))))
                return fail(error, "global settings: bad RPC curve point");
            lastX = x;
        }
        if (!r.ok())
            break;
        // FAudio reads the first and last point unconditionally and only knows the five
        // sound parameters (volume, pitch, reverb send, filter frequency and Q).
        if (variable >= variableCount || points == 0 || parameter >= 5)
            return fail(error, "global settings: bad RPC curve");
        out.rpcCodes.push_back(code);
    }

    if (r.ok() && r.pos() != blob1Offset)
        return fail(error, "global settings: misplaced category hash");
    r.skip(size_t(blob1Count) * 2);
    if (r.ok() && r.pos() != categoryNameIndexOffset)
        return fail(error, "global settings: misplaced category name index");
    r.skip(size_t(categoryCount) * 6);
    if (r.ok() && r.pos() != categoryNameOffset)
        return fail(error, "global settings: misplaced category names");
    out.categories.resize(categoryCount);
    for (uint16_t i = 0; i < categoryCount && r.ok(); ++i)
        r.cstring(out.categories[i]);
    if (r.ok() && r.pos() != blob2Offset)
        return fail(error, "global settings: misplaced variable hash");
    r.skip(size_t(blob2Count) * 2);
    if (r.ok() && r.pos() != variableNameIndexOffset)
        return fail(error, "global settings: misplaced variable name index");
    r.skip(size_t(variableCount) * 6);
    if (r.ok() && r.pos() != variableNameOffset)
        return fail(error, "global settings: misplaced variable names");
    for (uint16_t i = 0; i < variableCount && r.ok(); ++i)
        r.cstring(out.variables[i].name);
    if (!r.ok())
        return fail(error, "global settings: truncated");
    if (r.pos() != size)
        return fail(error, "global settings: trailing bytes");
    return true;
}

bool parseSoundBank(const uint8_t* data, size_t size, const SettingsInfo& settings, SoundBankInfo& out,
                    std::string& error)
{
    const size_t categoryCount = settings.categories.size();
    const size_t variableCount = settings.variables.size();
    const std::set<uint32_t> rpcCodes(settings.rpcCodes.begin(), settings.rpcCodes.end());
    out = SoundBankInfo();
    if (!data)
        return fail(error, "sound bank: no data");
    Reader r(data, size);
    if (r.u32() != kSoundBankMagic)
        return fail(error, "sound bank: not a sound bank");
    uint16_t content = r.u16();
    if (!supportedContent(content))
        return fail(error, "sound bank: unsupported content version");
    if (r.u16() != kSoundBankTool)
        return fail(error, "sound bank: unsupported tool version");
    r.skip(2 + 8);
    uint8_t platform = r.u8();
    if (r.ok() && platform != 0 && platform != 1 && platform != 3)
        return fail(error, "sound bank: unsupported platform");
    uint16_t simpleCount = r.u16();
    uint16_t complexCount = r.u16();
    r.skip(2);
    uint16_t hashCount = r.u16();
    uint8_t waveBankCount = r.u8();
    uint16_t soundCount = r.u16();
    r.skip(4);
    int32_t simpleOffset = r.s32();
    int32_t complexOffset = r.s32();
    int32_t nameOffset = r.s32();
    r.skip(4);
    int32_t variationOffset = r.s32();
    r.s32(); // transitions
    int32_t waveBankNameOffset = r.s32();
    int32_t hashOffset = r.s32();
    int32_t nameIndexOffset = r.s32();
    int32_t soundOffset = r.s32();
    r.fixedString(64, out.name);
    if (!r.ok())
        return fail(error, "sound bank: truncated header");
    if (uint32_t(simpleCount) + complexCount > 0xFFFE)
        return fail(error, "sound bank: too many cues");
    out.cueCount = static_cast<uint16_t>(simpleCount + complexCount);

    if (int64_t(r.pos()) != waveBankNameOffset)
        return fail(error, "sound bank: misplaced wave bank names");
    out.waveBankNames.resize(waveBankCount);
    for (uint8_t i = 0; i < waveBankCount && r.ok(); ++i)
        r.fixedString(64, out.waveBankNames[i]);

    if (r.ok() && soundCount > 0 && int64_t(r.pos()) != soundOffset)
        return fail(error, "sound bank: misplaced sounds");
    std::vector<SoundEntry> sounds(soundCount);
    for (uint16_t i = 0; i < soundCount && r.ok(); ++i) {
        SoundEntry& sound = sounds[i];
        sound.code = static_cast<uint32_t>(r.pos());
        uint8_t flags = r.u8();
        uint16_t category = r.u16();
        r.skip(1 + 2 + 1 + 2); // volume, pitch, priority, entry length
        if (!r.ok())
            break;
        // FAudio indexes the category table with it while the sound plays.
        if (category >= categoryCount)
            return fail(error, "sound bank: sound names an unknown category");
        // DSP effects need presets this layer does not load; 0x08 has no known meaning.
        if (flags & 0x18)
            return fail(error, "sound bank: DSP sounds are not supported");
        if (!(flags & 0x01)) {
            WaveRef ref;
            ref.wave = r.u16();
            ref.waveBank = r.u8();
            sound.waves.push_back(ref);
            if ((flags & 0x06) && !readRpcBlock(r, flags, 1, rpcCodes, error))
                return false;
            continue;
        }
        uint8_t trackCount = r.u8();
        // FAudio reads the first event of the first track of every playing sound.
        if (r.ok() && trackCount == 0)
            return fail(error, "sound bank: sound without tracks");
        if ((flags & 0x06) && !readRpcBlock(r, flags, trackCount, rpcCodes, error))
            return false;
        std::vector<uint32_t> codes(trackCount);
        for (uint8_t t = 0; t < trackCount && r.ok(); ++t) {
            r.skip(1); // volume
            codes[t] = r.u32();
            if (content != kContent30)
                r.skip(4); // filter data and frequency
        }
        for (uint8_t t = 0; t < trackCount && r.ok(); ++t) {
            if (r.pos() != codes[t])
                return fail(error, "sound bank: misplaced track events");
            if (!readEvents(r, sound.waves, error))
                return false;
        }
    }
    if (!r.ok())
        return fail(error, "sound bank: truncated sounds");

    struct CueEntry {
        uint8_t flags;
        uint32_t code;
    };
    std::vector<CueEntry> cues;
    size_t variationTables = 0;
    if (simpleCount > 0 && int64_t(r.pos()) != simpleOffset)
        return fail(error, "sound bank: misplaced simple cues");
    for (uint16_t i = 0; i < simpleCount && r.ok(); ++i) {
        CueEntry c;
        c.flags = r.u8();
        c.code = r.u32();
        cues.push_back(c);
    }
    if (r.ok() && complexCount > 0 && int64_t(r.pos()) != complexOffset)
        return fail(error, "sound bank: misplaced complex cues");
    for (uint16_t i = 0; i < complexCount && r.ok(); ++i) {
        CueEntry c;
        c.flags = r.u8();
        c.code = r.u32();
        uint32_t transition = r.u32();
        r.skip(1 + 2 + 2 + 1);
        if (r.ok() && transition != 0 && transition != 0xFFFFFFFF)
            return fail(error, "sound bank: interactive transitions are not supported");
        if (!(c.flags & 0x04))
            ++variationTables;
        cues.push_back(c);
    }
    if (!r.ok())
        return fail(error, "sound bank: truncated cues");
    // Simple cues always name a sound; FAudio only builds variation tables for complex ones.
    for (uint16_t i = 0; i < simpleCount; ++i)
        if (!(cues[i].flags & 0x04))
            return fail(error, "sound bank: simple cue without a sound");

    std::map<uint32_t, const SoundEntry*> soundByCode;
    for (const SoundEntry& s : sounds)
        soundByCode[s.code] = &s;
    std::map<uint32_t, std::vector<WaveRef>> variationWaves;
    if (variationTables > 0 && int64_t(r.pos()) != variationOffset)
        return fail(error, "sound bank: misplaced variations");
    for (size_t i = 0; i < variationTables && r.ok(); ++i) {
        uint32_t code = static_cast<uint32_t>(r.pos());
        uint32_t countAndFlags = r.u32();
        uint16_t count = static_cast<uint16_t>(countAndFlags & 0xFFFF);
        uint8_t kind = static_cast<uint8_t>((countAndFlags >> 19) & 0x07);
        r.skip(2);
        uint16_t variable = r.u16();
        if (!r.ok())
            break;
        if (count == 0)
            return fail(error, "sound bank: empty variation table");
        std::vector<WaveRef>& waves = variationWaves[code];
        for (uint16_t e = 0; e < count && r.ok(); ++e) {
            if (kind == 0 || kind == 4) {
                WaveRef ref;
                ref.wave = r.u16();
                ref.waveBank = r.u8();
                if (kind == 0)
                    r.skip(2);
                waves.push_back(ref);
            } else if (kind == 1 || kind == 3) {
                uint32_t soundCode = r.u32();
                r.skip(kind == 1 ? 2 : 12);
                if (!r.ok())
                    break;
                auto found = soundByCode.find(soundCode);
                if (found == soundByCode.end())
                    return fail(error, "sound bank: variation names an unknown sound");
                waves.insert(waves.end(), found->second->waves.begin(), found->second->waves.end());
            } else {
                return fail(error, "sound bank: unknown variation type");
            }
        }
        if (kind == 3 && variable >= variableCount)
            return fail(error, "sound bank: variation names an unknown variable");
    }
    if (!r.ok())
        return fail(error, "sound bank: truncated variations");

    if (hashOffset != -1) {
        if (int64_t(r.pos()) != hashOffset)
            return fail(error, "sound bank: misplaced cue hash");
        r.skip(size_t(hashCount) * 2);
    }
    if (nameIndexOffset != -1) {
        if (r.ok() && int64_t(r.pos()) != nameIndexOffset)
            return fail(error, "sound bank: misplaced cue name index");
        r.skip(size_t(out.cueCount) * 6);
    }
    if (nameOffset != -1) {
        if (r.ok() && int64_t(r.pos()) != nameOffset)
            return fail(error, "sound bank: misplaced cue names");
        out.cueNames.resize(out.cueCount);
        for (uint16_t i = 0; i < out.cueCount && r.ok(); ++i)
            r.cstring(out.cueNames[i]);
    }
    if (!r.ok())
        return fail(error, "sound bank: truncated names");
    if (r.pos() != size)
        return fail(error, "sound bank: trailing bytes");

    // Every cue must lead to a sound or variation table FAudio will find, and every wave it
    // can start must name one of the bank's wave banks.
    out.cueWaves.resize(out.cueCount);
    for (size_t i = 0; i < cues.size(); ++i) {
        if (cues[i].flags & 0x04) {
            auto found = soundByCode.find(cues[i].code);
            if (found == soundByCode.end())
                return fail(error, "sound bank: cue names an unknown sound");
            out.cueWaves[i] = found->second->waves;
        } else {
            auto found = variationWaves.find(cues[i].code);
            if (found == variationWaves.end())
                return fail(error, "sound bank: cue names an unknown variation");
            out.cueWaves[i] = found->second;
        }
        for (const WaveRef& ref : out.cueWaves[i])
            if (ref.waveBank >= waveBankCount)
                return fail(error, "sound bank: wave names an unknown wave bank");
    }
    return true;
}

bool parseWaveBank(const uint8_t* data, size_t size, WaveBankInfo& out, std::string& error)
{
    out = WaveBankInfo();
    if (!data)
        return fail(error, "wave bank: no data");
    Reader r(data, size);
    // Big-endian banks are refused: FAudio would swap their samples in the caller's buffer.
    if (r.u32() != kWaveBankMagic)
        return fail(error, "wave bank: not a little-endian wave bank");
    if (!supportedContent(r.u32()))
        return fail(error, "wave bank: unsupported content version");
    uint32_t headerVersion = r.u32();
    if (r.ok() && (headerVersion < 42 || headerVersion > 44))
        return fail(error, "wave bank: unsupported header version");
    uint32_t segOffset[5];
    uint32_t segLength[5];
    for (int i = 0; i < 5; ++i) {
        segOffset[i] = r.u32();
        segLength[i] = r.u32();
    }
    if (!r.ok())
        return fail(error, "wave bank: truncated header");
    for (int i = 0; i < 5; ++i)
        if (segOffset[i] > size || segLength[i] > size - segOffset[i])
            return fail(error, "wave bank: segment outside the file");

    // Bank data: FAudio reads the whole 96-byte block whatever the segment says.
    Reader bank(data, size);
    bank.skip(segOffset[0]);
    uint32_t flags = bank.u32();
    uint32_t entryCount = bank.u32();
    bank.fixedString(64, out.name);
    uint32_t elementSize = bank.u32();
    uint32_t nameElementSize = bank.u32();
    bank.u32(); // alignment
    bank.u32(); // compact format
    bank.skip(8);
    if (!bank.ok())
        return fail(error, "wave bank: truncated bank data");
    if (flags & 0x00000001)
        return fail(error, "wave bank: a streaming bank cannot be loaded in memory");
    if (flags & 0x00020000)
        return fail(error, "wave bank: compact entries are not supported");
    if ((flags & 0x00080000) && segLength[2] > 0)
        return fail(error, "wave bank: seek tables are not supported");
    if (entryCount > 0xFFFE)
        return fail(error, "wave bank: too many entries");
    // FAudio copies each entry into a 24-byte record.
    if (elementSize != 24)
        return fail(error, "wave bank: unsupported entry size");
    out.entryCount = entryCount;

    Reader meta(data, size);
    meta.skip(segOffset[1]);
    uint32_t dataStart = segOffset[4];
    uint32_t dataLength = segLength[4];
    for (uint32_t i = 0; i < entryCount; ++i) {
        meta.u32(); // flags and duration
        uint32_t format = meta.u32();
        uint32_t playOffset = meta.u32();
        uint32_t playLength = meta.u32();
        uint32_t loopStart = meta.u32();
        uint32_t loopLength = meta.u32();
        if (!meta.ok())
            return fail(error, "wave bank: truncated entries");
        uint32_t tag = format & 0x3;
        uint32_t channels = (format >> 2) & 0x7;
        uint32_t rate = (format >> 5) & 0x3FFFF;
        uint32_t bits16 = (format >> 31) & 0x1;
        if (tag != 0)
            return fail(error, "wave bank: only PCM waves are supported");
        if (channels < 1 || channels > 2)
            return fail(error, "wave bank: waves must be mono or stereo");
        if (rate < 1000 || rate > 200000)
            return fail(error, "wave bank: unsupported sample rate");
        uint32_t frame = channels * (bits16 ? 2 : 1);
        if (playLength == 0 || playLength % frame != 0)
            return fail(error, "wave bank: bad wave length");
        if (playOffset > dataLength || playLength > dataLength - playOffset)
            return fail(error, "wave bank: wave outside the wave data");
        uint32_t frames = playLength / frame;
        if (loopStart > frames || loopLength > frames - loopStart)
            return fail(error, "wave bank: loop outside the wave");
    }
    (void)dataStart;
    if (flags & 0x00010000) {
        if (nameElementSize != 0 && nameElementSize != 64)
            return fail(error, "wave bank: unsupported name size");
        if (uint64_t(entryCount) * 64 > uint64_t(size) - segOffset[3])
            return fail(error, "wave bank: truncated entry names");
    }
    return true;
}

} // namespace XactInternal
