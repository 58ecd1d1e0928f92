#include "ByteWriter.h"

#include <cstring>

namespace XactBuild {

void ByteWriter::u16(uint16_t v)
{
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::u64(uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::f32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void ByteWriter::cstring(const std::string& text)
{
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    m_bytes.push_back(0);
}

void ByteWriter::fixedString(const std::string& text, size_t width)
{
    size_t n = text.size() < width ? text.size() : width - 1;
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    zeros(width - n);
}

void ByteWriter::alignTo(size_t alignment)
{
    while (m_bytes.size() % alignment != 0)
        m_bytes.push_back(0);
}

void ByteWriter::patchU32(size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void ByteWriter::patchU16(size_t at, uint16_t v)
{
    m_bytes[at] = static_cast<uint8_t>(v);
    m_bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

} // namespace XactBuild
