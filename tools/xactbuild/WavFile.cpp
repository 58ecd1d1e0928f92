#include "WavFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace XactBuild {

namespace {

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

} // namespace

bool parseWav(const std::vector<uint8_t>& file, WavData& out, std::string& error)
{
    out = WavData();
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    bool haveData = false;
    size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const uint8_t* chunk = file.data() + pos;
        uint32_t length = le32(chunk + 4);
        size_t body = pos + 8;
        if (length > file.size() - body) {
            error = "truncated chunk";
            return false;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16) {
                error = "short format chunk";
                return false;
            }
            const uint8_t* f = file.data() + body;
            uint16_t tag = le16(f);
            if (tag == kFormatExtensible && length >= 40)
                tag = le16(f + 24); // the sub-format's first two bytes name the format
            out.channels = le16(f + 2);
            out.sampleRate = le32(f + 4);
            out.bitsPerSample = le16(f + 14);
            if (tag != kFormatPcm) {
                error = "not PCM";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            out.samples.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                               file.begin() + static_cast<std::ptrdiff_t>(body + length));
            haveData = true;
        }
        pos = body + length + (length & 1);
    }
    if (!haveFormat || !haveData) {
        error = haveFormat ? "no data chunk" : "no format chunk";
        return false;
    }
    if (out.channels < 1 || out.channels > 2) {
        error = "only mono and stereo are supported";
        return false;
    }
    if (out.bitsPerSample != 8 && out.bitsPerSample != 16) {
        error = "only 8- and 16-bit samples are supported";
        return false;
    }
    if (out.sampleRate < 1000 || out.sampleRate > 200000) {
        error = "unsupported sample rate";
        return false;
    }
    out.samples.resize(out.samples.size() - out.samples.size() % out.frameBytes());
    if (out.samples.empty()) {
        error = "no samples";
        return false;
    }
    return true;
}

bool readWav(const std::string& path, WavData& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!parseWav(file, out, error)) {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

} // namespace XactBuild
