#include "foundation/xml/XMLArena.h"

#include <algorithm>
#include <new>

namespace Ulvo {

namespace {

constexpr std::size_t kSmallestBlock = 4096;
constexpr std::size_t kLargestBlock = std::size_t(1) << 24;

} // namespace

XMLArena::XMLArena(std::size_t expectedBytes) : m_nextBlock(std::clamp(expectedBytes, kSmallestBlock, kLargestBlock)) {}

XMLArena::~XMLArena()
{
    for (const Name& name : m_names)
        delete name.text;
    for (const Block& block : m_blocks)
        ::operator delete(block.memory);
}

void XMLArena::grow(std::size_t size)
{
    const std::size_t blockSize = std::max(size, m_nextBlock);
    auto* memory = static_cast<unsigned char*>(::operator new(blockSize));
    m_blocks.push_back(Block{memory, blockSize});
    m_cursor = memory;
    m_limit = memory + blockSize;
    m_nextBlock = std::min(m_nextBlock * 2, kLargestBlock);
}

namespace {

template <class Char> bool sameText(const Char* begin, std::size_t length, const std::wstring& text)
{
    if (text.size() != length)
        return false;
    const wchar_t* other = text.data();
    for (std::size_t i = 0; i < length; ++i) {
        if (static_cast<wchar_t>(begin[i]) != other[i])
            return false;
    }
    return true;
}

} // namespace

template <class Char>
const std::wstring* XMLArena::internText(const Char* begin, const Char* end, uint64_t packed, bool narrow)
{
    const std::size_t length = static_cast<std::size_t>(end - begin);
    Recent& recent = m_recent[recentSlot(packed, length)];
    if (narrow && recent.text && recent.packed == packed && recent.length == length &&
        sameText(begin, length, *recent.text))
        return recent.text;

    // FNV-1a over the characters.
    std::size_t hash = 1469598103934665603ull;
    for (const Char* p = begin; p < end; ++p)
        hash = (hash ^ static_cast<std::size_t>(*p)) * 1099511628211ull;

    if (m_names.empty())
        m_names.assign(64, Name{0, nullptr});
    std::size_t mask = m_names.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        Name& entry = m_names[slot];
        if (!entry.text)
            break;
        if (entry.hash == hash && sameText(begin, length, *entry.text)) {
            if (narrow)
                recent = Recent{packed, length, length <= 8 ? length : ~std::size_t(0), entry.text};
            return entry.text;
        }
    }

    if (2 * (m_nameCount + 1) > m_names.size()) {
        std::vector<Name> larger(m_names.size() * 2, Name{0, nullptr});
        mask = larger.size() - 1;
        for (const Name& name : m_names) {
            if (!name.text)
                continue;
            std::size_t slot = name.hash & mask;
            while (larger[slot].text)
                slot = (slot + 1) & mask;
            larger[slot] = name;
        }
        m_names.swap(larger);
    }
    std::size_t slot = hash & mask;
    while (m_names[slot].text)
        slot = (slot + 1) & mask;
    m_names[slot] = Name{hash, new std::wstring(begin, end)};
    ++m_nameCount;
    if (narrow)
        recent = Recent{packed, length, length <= 8 ? length : ~std::size_t(0), m_names[slot].text};
    return m_names[slot].text;
}

const std::wstring* XMLArena::internSlow(const unsigned char* begin, const unsigned char* end, uint64_t packed)
{
    return internText(begin, end, packed, true);
}

const std::wstring* XMLArena::intern(const wchar_t* begin, const wchar_t* end)
{
    uint64_t packed = 0;
    bool narrow = true;
    for (const wchar_t* p = begin; p < end && p < begin + 8; ++p) {
        narrow = narrow && static_cast<uint32_t>(*p) < 256;
        packed |= static_cast<uint64_t>(static_cast<uint8_t>(*p)) << (8 * (p - begin));
    }
    return internText(begin, end, packed, narrow);
}

} // namespace Ulvo
