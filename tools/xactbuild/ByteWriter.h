#pragma once
// Little-endian byte buffer for the bank writers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace XactBuild {

class ByteWriter {
public:
    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void s16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void s32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v);
    void f32(float v);
    void zeros(size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }
    void bytes(const uint8_t* data, size_t n) { m_bytes.insert(m_bytes.end(), data, data + n); }
    // The text and its terminating NUL.
    void cstring(const std::string& text);
    // The text in a zero-filled field of `width` bytes (text shorter than `width`).
    void fixedString(const std::string& text, size_t width);
    void alignTo(size_t alignment);
    void patchU32(size_t at, uint32_t v);
    void patchU16(size_t at, uint16_t v);

private:
    std::vector<uint8_t> m_bytes;
};

} // namespace XactBuild
