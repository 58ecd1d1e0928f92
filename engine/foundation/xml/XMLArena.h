#pragma once
// The memory of one document read from text: large blocks that its nodes,
// values and lists are carved from, the document text its values point into,
// and its names, each stored once. The node the document was read into owns
// the arena and ends it after its items, so nothing in the arena outlives it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

class XMLArena {
public:
    explicit XMLArena(std::size_t expectedBytes);
    ~XMLArena();
    XMLArena(const XMLArena&) = delete;
    XMLArena& operator=(const XMLArena&) = delete;

    // size bytes aligned for any item; never fails other than by bad_alloc.
    [[gnu::always_inline]] void* allocate(std::size_t size)
    {
        size = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (static_cast<std::size_t>(m_limit - m_cursor) < size)
            grow(size);
        void* result = m_cursor;
        m_cursor += size;
        return result;
    }
    template <class T> [[gnu::always_inline]] T** allocateArray(std::size_t count)
    {
        return static_cast<T**>(allocate(count * sizeof(T*)));
    }

    // The text the document's values point into, kept for the arena's life:
    // room for size single bytes, left unfilled for the reader to read into.
    unsigned char* makeBytes(std::size_t size)
    {
        adoptBytes(std::unique_ptr<unsigned char[]>(new unsigned char[size]), size);
        return m_bytes.get();
    }
    // The same, taking over bytes read elsewhere (size: the room they have).
    void adoptBytes(std::unique_ptr<unsigned char[]> bytes, std::size_t size)
    {
        m_bytes = std::move(bytes);
        m_bytesEnd = m_bytes.get() + size;
    }
    std::wstring& wide() { return m_wide; }

    // The document's one copy of a name. Documents use a few names over and
    // over: the first eight characters and the length find a name among the
    // recent ones, mostly without comparing more.
    [[gnu::always_inline]] const std::wstring* intern(const unsigned char* begin, const unsigned char* end)
    {
        const std::size_t length = static_cast<std::size_t>(end - begin);
        uint64_t packed = 0;
        if (m_bytesEnd - begin >= 8) {
            std::memcpy(&packed, begin, 8);
            if (length < 8)
                packed &= (uint64_t(1) << (8 * length)) - 1;
        } else {
            for (std::size_t i = 0; i < length && i < 8; ++i)
                packed |= static_cast<uint64_t>(begin[i]) << (8 * i);
        }
        const Recent& recent = m_recent[recentSlot(packed, length)];
        if (recent.packed == packed && recent.shortLength == length)
            return recent.text;
        return internSlow(begin, end, packed);
    }
    const std::wstring* intern(const wchar_t* begin, const wchar_t* end);

    // Further arenas of the same owner (one per document read into it).
    XMLArena* next = nullptr;
    // Set once any item of the document changed or made memory of its own;
    // until then the whole document can go without visiting its items.
    bool changed = false;

private:
    // Every item of a document holds pointers at most.
    static constexpr std::size_t kAlignment = alignof(void*);

    static std::size_t recentSlot(uint64_t packed, std::size_t length)
    {
        return static_cast<std::size_t>(((packed ^ length) * 0x9E3779B97F4A7C15ull) >> 58);
    }
    const std::wstring* internSlow(const unsigned char* begin, const unsigned char* end, uint64_t packed);
    template <class Char>
    const std::wstring* internText(const Char* begin, const Char* end, uint64_t packed, bool narrow);
    void grow(std::size_t size);

    struct Block {
        unsigned char* memory;
        std::size_t size;
    };
    std::vector<Block> m_blocks;
    unsigned char* m_cursor = nullptr;
    unsigned char* m_limit = nullptr;
    std::size_t m_nextBlock;

    std::unique_ptr<unsigned char[]> m_bytes;
    const unsigned char* m_bytesEnd = nullptr;
    std::wstring m_wide;

    struct Name {
        std::size_t hash;
        std::wstring* text;
    };
    std::vector<Name> m_names; // open addressing, a power of two in size
    std::size_t m_nameCount = 0;
    // A recent name; its first eight characters packed are the whole of it
    // when shortLength is its length (else shortLength matches no length).
    struct Recent {
        uint64_t packed = 0;
        std::size_t length = 0;
        std::size_t shortLength = ~std::size_t(0);
        const std::wstring* text = nullptr;
    };
    Recent m_recent[64];
};

} // namespace Ulvo
