#pragma once
// RIFF WAVE files built in memory for the sound tests.
#include <cstdint>
#include <vector>

namespace TestSupport {

inline void putLE16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

inline void putLE32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The RIFF header, a 16-byte fmt chunk with these fields and the header of a
// data chunk of dataBytes bytes; the caller appends the samples.
inline std::vector<uint8_t> wavHeader(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits,
                                      uint32_t dataBytes)
{
    const uint32_t frameBytes = channels * (bits / 8u);
    std::vector<uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    putLE32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLE32(b, 16);
    putLE16(b, formatTag);
    putLE16(b, channels);
    putLE32(b, rate);
    putLE32(b, rate * frameBytes);
    putLE16(b, static_cast<uint16_t>(frameBytes));
    putLE16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLE32(b, dataBytes);
    return b;
}

} // namespace TestSupport
