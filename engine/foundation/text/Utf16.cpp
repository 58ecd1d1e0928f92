#include "foundation/text/Utf16.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Ulvo {

void appendUtf16LE(std::string& out, const std::wstring& text)
{
    // Written in place, two bytes a unit; a pair takes two more.
    std::size_t at = out.size();
    out.resize(at + text.size() * 2);
    char* bytes = out.data();
    auto unit = [&bytes, &at](uint32_t u) {
        bytes[at++] = static_cast<char>(u & 0xFF);
        bytes[at++] = static_cast<char>((u >> 8) & 0xFF);
    };
    for (wchar_t ch : text) {
        uint32_t code = static_cast<uint32_t>(ch);
        if (code < 0x10000) {
            unit(code);
        } else if (code <= 0x10FFFF) {
            out.resize(out.size() + 2);
            bytes = out.data();
            code -= 0x10000;
            unit(0xD800 + (code >> 10));
            unit(0xDC00 + (code & 0x3FF));
        } else {
            unit(0xFFFD);
        }
    }
}

void decodeUtf16LE(const unsigned char* bytes, std::size_t count, std::wstring& out)
{
    // Written in place: documents of megabytes pass through here on every load.
    const std::size_t start = out.size();
    out.resize(start + count);
    wchar_t* target = out.data() + start;
    std::size_t written = 0;
    for (std::size_t i = 0; i < count; ++i) {
#if defined(__SSE2__)
        // Eight units at a time while none of them is a surrogate, which is
        // nearly always: each widens to its character as it stands.
        static_assert(sizeof(wchar_t) == 4, "characters of four bytes");
        if (count - i >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
            const __m128i surrogates = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xF800))),
                                                       _mm_set1_epi16(static_cast<short>(0xD800)));
            if (_mm_movemask_epi8(surrogates) == 0) {
                const __m128i zero = _mm_setzero_si128();
                auto* to = reinterpret_cast<__m128i*>(target + written);
                _mm_storeu_si128(to, _mm_unpacklo_epi16(units, zero));
                _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(units, zero));
                written += 8;
                i += 7;
                continue;
            }
        }
#endif
        const uint32_t high = static_cast<uint32_t>(bytes[2 * i]) | (static_cast<uint32_t>(bytes[2 * i + 1]) << 8);
        if (high >= 0xD800 && high <= 0xDBFF && i + 1 < count) {
            const uint32_t low =
                static_cast<uint32_t>(bytes[2 * i + 2]) | (static_cast<uint32_t>(bytes[2 * i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                target[written++] = static_cast<wchar_t>(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        target[written++] = static_cast<wchar_t>(high);
    }
    out.resize(start + written);
}

} // namespace Ulvo
