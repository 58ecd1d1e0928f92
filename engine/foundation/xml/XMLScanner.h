#pragma once
// The reader's view of a document's text: where the six characters that
// matter to it ('<', '>', '"', '=', ' ', '|') stand, as bits, one block of 64
// characters at a time. Blocks are classified in runs ahead of the reader and
// kept in a window of the latest ones, so a search for the next of some of
// them is a lookup, a shift and a bit scan: the reader touches a character
// only where it means something. Text of single bytes and of wide characters
// is read the same way (wide characters are narrowed first, every one outside
// single bytes reading as none of the six).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ULVO_XML_WIDE_COMPARES 1
#endif

namespace Ulvo {

#if defined(ULVO_XML_WIDE_COMPARES)
// The widest compares the reader may use (0: 16 bytes, 1: 32, 2: 64), so tests
// can run every path on a processor that has the widest.
inline int g_xmlWidestCompares = 2;
#endif

// The classified blocks of the window: one bit per character and kind, a
// block's word of each kind at the block's slot.
struct XMLMarks {
    static constexpr std::size_t kSlots = 256; // 16K characters: a tag longer than that is looked at again
    uint64_t open[kSlots];                     // '<'
    uint64_t close[kSlots];                    // '>'
    uint64_t quote[kSlots];                    // '"'
    uint64_t equals[kSlots];                   // '='
    uint64_t space[kSlots];                    // ' '
    uint64_t bar[kSlots];                      // '|'
    uint64_t openOrQuote[kSlots];              // what matters outside tags
};

template <class Char> class XMLScanner {
public:
    static constexpr std::size_t kBlock = 64;

    XMLScanner(const Char* begin, const Char* end)
        : m_begin(begin), m_blocks((static_cast<std::size_t>(end - begin) + kBlock - 1) / kBlock), m_end(end)
    {
        if (begin != end) {
            move(begin);
            return;
        }
        // Empty text: a block of nothing at hand, so every search ends at once.
        m_base = begin;
        m_slot = 0;
        store(0, {});
    }
    XMLScanner(const XMLScanner&) = delete;
    XMLScanner& operator=(const XMLScanner&) = delete;

    // The first character in [p, limit) that is one of Kinds, or limit;
    // limit lies at most at the text's end. Searches may go back to an
    // earlier block (a tag's attributes after its end was found).
    template <uint64_t (XMLMarks::*... Kinds)[XMLMarks::kSlots]>
    [[gnu::always_inline]] const Char* find(const Char* p, const Char* limit)
    {
        // Mostly a search starts in the block the last one ended in: its
        // marks are then at hand before p is known, which keeps them off
        // the chain of one search waiting for the one before. A search from
        // limit on finds nothing before limit.
        auto offset = static_cast<std::size_t>(p - m_base);
        if (offset >= kBlock) [[unlikely]] {
            if (p >= limit)
                return limit;
            move(p);
            offset = static_cast<std::size_t>(p - m_base);
        }
        uint64_t bits = (... | (m_marks.*Kinds)[m_slot]) >> offset;
        while (!bits) {
            p = m_base + kBlock;
            if (p >= limit)
                return limit;
            move(p);
            bits = (... | (m_marks.*Kinds)[m_slot]);
        }
        const Char* found = p + static_cast<unsigned>(__builtin_ctzll(bits));
        return found < limit ? found : limit;
    }

    // find up to the text's end: the characters after it read as none of
    // the six, so a character found lies before it.
    template <uint64_t (XMLMarks::*... Kinds)[XMLMarks::kSlots]>
    [[gnu::always_inline]] const Char* findToEnd(const Char* p)
    {
        auto offset = static_cast<std::size_t>(p - m_base);
        if (offset >= kBlock) [[unlikely]] {
            if (p >= m_end)
                return m_end;
            move(p);
            offset = static_cast<std::size_t>(p - m_base);
        }
        uint64_t bits = (... | (m_marks.*Kinds)[m_slot]) >> offset;
        while (!bits) {
            p = m_base + kBlock;
            if (p >= m_end)
                return m_end;
            move(p);
            bits = (... | (m_marks.*Kinds)[m_slot]);
        }
        return p + static_cast<unsigned>(__builtin_ctzll(bits));
    }

private:
    // Blocks classified at a time ahead of the reader.
    static constexpr std::size_t kRun = 32;

    // Makes the block of p the one at hand, classified.
    void move(const Char* p)
    {
        const std::size_t block = static_cast<std::size_t>(p - m_begin) / kBlock;
        if (block >= m_next || block < m_next - m_count) [[unlikely]]
            prepare(block);
        m_base = m_begin + block * kBlock;
        m_slot = block % XMLMarks::kSlots;
    }

    // Makes block part of the window: the window grows by a run of blocks
    // from its end, or starts anew at block when that lies behind it or far ahead.
    [[gnu::noinline]] void prepare(std::size_t block)
    {
        std::size_t from = m_next;
        if (block < m_next - m_count || block >= from + XMLMarks::kSlots) {
            m_count = 0;
            from = block;
        }
        const std::size_t to = std::min(std::max(from, block) + kRun, m_blocks);
        // The last block is classified from a copy: the characters after the
        // text read as none of the six.
        const std::size_t whole = static_cast<std::size_t>(m_end - m_begin) / kBlock;
        const std::size_t full = std::min(to, whole);
        if (from < full)
            classifyRun(from, full);
        // The next run is fetched while the reader works through this one.
        const Char* next = m_begin + to * kBlock;
        for (std::size_t line = 0; line < kRun * kBlock * sizeof(Char) && next + line / sizeof(Char) < m_end;
             line += 64)
            __builtin_prefetch(next + line / sizeof(Char));
        if (full < to) {
            Char tail[kBlock] = {};
            std::memcpy(tail, m_begin + full * kBlock,
                        static_cast<std::size_t>(m_end - m_begin - full * kBlock) * sizeof(Char));
            classify(tail, full % XMLMarks::kSlots);
        }
        m_count = std::min(m_count + (to - from), XMLMarks::kSlots);
        m_next = to;
    }

    void classifyRun(std::size_t from, std::size_t to)
    {
#if defined(ULVO_XML_WIDE_COMPARES)
        if constexpr (sizeof(Char) == 1) {
            const Compares compares = wideCompares();
            if (compares == Compares::AVX512) {
                classifyRun512(from, to);
                return;
            }
            if (compares == Compares::AVX2) {
                classifyRun256(from, to);
                return;
            }
        }
#endif
        for (std::size_t block = from; block < to; ++block)
            classify(m_begin + block * kBlock, block % XMLMarks::kSlots);
    }

    void store(std::size_t slot, const uint64_t (&found)[6])
    {
        m_marks.open[slot] = found[0];
        m_marks.close[slot] = found[1];
        m_marks.quote[slot] = found[2];
        m_marks.equals[slot] = found[3];
        m_marks.space[slot] = found[4];
        m_marks.bar[slot] = found[5];
        m_marks.openOrQuote[slot] = found[0] | found[2];
    }

    static constexpr char kWanted[6] = {'<', '>', '"', '=', ' ', '|'};

#if defined(ULVO_XML_WIDE_COMPARES)
    // Where the processor has them, 64 or 32 bytes are compared at a time.
    enum class Compares { SSE2, AVX2, AVX512 };
    static Compares wideCompares()
    {
        static const Compares compares = __builtin_cpu_supports("avx512bw") ? Compares::AVX512
                                         : __builtin_cpu_supports("avx2")   ? Compares::AVX2
                                                                            : Compares::SSE2;
        return static_cast<Compares>(std::min(static_cast<int>(compares), g_xmlWidestCompares));
    }

    [[gnu::target("avx512bw")]] void classifyRun512(std::size_t from, std::size_t to)
    {
        for (std::size_t block = from; block < to; ++block)
            classify512(m_begin + block * kBlock, block % XMLMarks::kSlots);
    }
    [[gnu::target("avx2")]] void classifyRun256(std::size_t from, std::size_t to)
    {
        for (std::size_t block = from; block < to; ++block)
            classify256(m_begin + block * kBlock, block % XMLMarks::kSlots);
    }

    [[gnu::target("avx512bw")]] [[gnu::always_inline]] void classify512(const Char* p, std::size_t slot)
    {
        const __m512i chunk = _mm512_loadu_si512(p);
        uint64_t found[6];
        for (int i = 0; i < 6; ++i)
            found[i] = _mm512_cmpeq_epi8_mask(chunk, _mm512_set1_epi8(kWanted[i]));
        store(slot, found);
    }

    [[gnu::target("avx2")]] [[gnu::always_inline]] void classify256(const Char* p, std::size_t slot)
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        uint64_t found[6];
        for (int i = 0; i < 6; ++i) {
            const __m256i want = _mm256_set1_epi8(kWanted[i]);
            const auto first = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, want)));
            const auto second = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, want)));
            found[i] = static_cast<uint64_t>(first) | (static_cast<uint64_t>(second) << 32);
        }
        store(slot, found);
    }
#endif

#if defined(__SSE2__)
    // Sixteen characters as sixteen bytes; a wide character beyond one byte
    // saturates to 0xFF (or 0 when negative), which is none of the six.
    static __m128i narrow(const Char* p)
    {
        if constexpr (sizeof(Char) == 1) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        } else {
            static_assert(sizeof(Char) == 4, "wide characters of four bytes");
            const auto* q = reinterpret_cast<const __m128i*>(p);
            const __m128i low = _mm_packs_epi32(_mm_loadu_si128(q), _mm_loadu_si128(q + 1));
            const __m128i high = _mm_packs_epi32(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3));
            return _mm_packus_epi16(low, high);
        }
    }

    void classify(const Char* p, std::size_t slot)
    {
        uint64_t found[6] = {};
        for (int part = 0; part < 4; ++part) {
            const __m128i chunk = narrow(p + 16 * part);
            const int shift = 16 * part;
            for (int i = 0; i < 6; ++i) {
                const auto bits =
                    static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(kWanted[i]))));
                found[i] |= static_cast<uint64_t>(bits) << shift;
            }
        }
        store(slot, found);
    }
#else
    void classify(const Char* p, std::size_t slot)
    {
        uint64_t found[6] = {};
        for (std::size_t i = 0; i < kBlock; ++i) {
            for (int kind = 0; kind < 6; ++kind) {
                if (p[i] == static_cast<Char>(kWanted[kind]))
                    found[kind] |= uint64_t(1) << i;
            }
        }
        store(slot, found);
    }
#endif

    const Char* m_begin;
    std::size_t m_blocks; // blocks of the text, the last one possibly short
    const Char* m_end;
    // The block at hand: where it starts and its slot in the window.
    const Char* m_base = nullptr;
    std::size_t m_slot = 0;
    // The window: the m_count blocks before block m_next are classified.
    std::size_t m_next = 0;
    std::size_t m_count = 0;
    XMLMarks m_marks;
};

} // namespace Ulvo
