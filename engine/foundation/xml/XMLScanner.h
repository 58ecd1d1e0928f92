#pragma once
// The reader's view of a document's text: where the six characters that
// matter to it ('<', '>', '"', '=', ' ', '|') stand, as bits, one block of 64
// characters at a time. Each block is classified once; a search for the next
// of some of them is then a shift and a bit scan, so the reader touches a
// character only where it means something. Text of single bytes and of wide
// characters is read the same way (wide characters are narrowed first, every
// one outside single bytes reading as none of the six).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ULVO_XML_AVX2 1
#endif

namespace Ulvo {

struct XMLMarks {
    uint64_t open = 0;   // '<'
    uint64_t close = 0;  // '>'
    uint64_t quote = 0;  // '"'
    uint64_t equals = 0; // '='
    uint64_t space = 0;  // ' '
    uint64_t bar = 0;    // '|'
};

template <class Char> class XMLScanner {
public:
    static constexpr std::size_t kBlock = 64;

    XMLScanner(const Char* begin, const Char* end) : m_begin(begin), m_end(end), m_base(begin)
    {
        // Empty text classifies nothing: every search ends at once.
        if (begin != end)
            fill();
    }

    // The first character in [p, limit) that is one of Kinds, or limit;
    // limit lies at most at the text's end. Searches may go back to an
    // earlier block (a tag's attributes after its end was found).
    template <uint64_t XMLMarks::*... Kinds> [[gnu::always_inline]] const Char* find(const Char* p, const Char* limit)
    {
        for (;;) {
            if (p >= limit)
                return limit;
            auto offset = static_cast<std::size_t>(p - m_base);
            if (offset >= kBlock) {
                load(p);
                offset = static_cast<std::size_t>(p - m_base);
            }
            const uint64_t bits = (... | (m_marks.*Kinds)) >> offset;
            if (bits) {
                const Char* found = p + __builtin_ctzll(bits);
                return found < limit ? found : limit;
            }
            p = m_base + kBlock;
        }
    }

private:
    void load(const Char* p)
    {
        const Char* base = m_begin + (static_cast<std::size_t>(p - m_begin) & ~(kBlock - 1));
        // A tag's attributes are read after its end was found, which may lie
        // in the next block: the block before stays at hand.
        if (base == m_previousBase) {
            std::swap(m_base, m_previousBase);
            std::swap(m_marks, m_previousMarks);
            return;
        }
        m_previousBase = m_base;
        m_previousMarks = m_marks;
        m_base = base;
        fill();
    }

    // Classifies the block at m_base.
    void fill()
    {
        const auto count = static_cast<std::size_t>(m_end - m_base);
        if (count >= kBlock) {
#if defined(ULVO_XML_AVX2)
            // Where the processor has them, 32 bytes are compared at a time.
            if constexpr (sizeof(Char) == 1) {
                if (m_wideCompares) {
                    classifyWide(m_base, m_marks);
                    return;
                }
            }
#endif
            classify(m_base);
            return;
        }
        // The last block: the characters after the text read as none of the six.
        Char tail[kBlock] = {};
        std::memcpy(tail, m_base, count * sizeof(Char));
        classify(tail);
    }

#if defined(ULVO_XML_AVX2)
    [[gnu::target("avx2")]] static void classifyWide(const Char* p, XMLMarks& marks)
    {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        static constexpr char kWanted[6] = {'<', '>', '"', '=', ' ', '|'};
        uint64_t found[6];
        for (int i = 0; i < 6; ++i) {
            const __m256i want = _mm256_set1_epi8(kWanted[i]);
            const auto first = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, want)));
            const auto second = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, want)));
            found[i] = static_cast<uint64_t>(first) | (static_cast<uint64_t>(second) << 32);
        }
        marks = XMLMarks{found[0], found[1], found[2], found[3], found[4], found[5]};
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

    void classify(const Char* p)
    {
        XMLMarks marks;
        for (int part = 0; part < 4; ++part) {
            const __m128i chunk = narrow(p + 16 * part);
            const auto bits = [&chunk](char c) {
                return static_cast<uint64_t>(
                    static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(c)))));
            };
            const int shift = 16 * part;
            marks.open |= bits('<') << shift;
            marks.close |= bits('>') << shift;
            marks.quote |= bits('"') << shift;
            marks.equals |= bits('=') << shift;
            marks.space |= bits(' ') << shift;
            marks.bar |= bits('|') << shift;
        }
        m_marks = marks;
    }
#else
    void classify(const Char* p)
    {
        XMLMarks marks;
        for (std::size_t i = 0; i < kBlock; ++i) {
            const uint64_t bit = uint64_t(1) << i;
            switch (static_cast<wchar_t>(p[i])) {
            case L'<':
                marks.open |= bit;
                break;
            case L'>':
                marks.close |= bit;
                break;
            case L'"':
                marks.quote |= bit;
                break;
            case L'=':
                marks.equals |= bit;
                break;
            case L' ':
                marks.space |= bit;
                break;
            case L'|':
                marks.bar |= bit;
                break;
            default:
                break;
            }
        }
        m_marks = marks;
    }
#endif

    const Char* m_begin;
    const Char* m_end;
    const Char* m_base; // the classified block
    XMLMarks m_marks;
    const Char* m_previousBase = nullptr;
    XMLMarks m_previousMarks;
#if defined(ULVO_XML_AVX2)
    const bool m_wideCompares = sizeof(Char) == 1 && __builtin_cpu_supports("avx2");
#endif
};

} // namespace Ulvo
