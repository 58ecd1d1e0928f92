// Code pages: Windows-1252 and UTF-8 against 32-bit wide characters.
#include "win32/Strings.h"

#include <windows.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map
// to the control code points of the same value, as Windows maps them.
const wchar_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

wchar_t cp1252ToWide(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kCp1252High[byte - 0x80];
    return static_cast<wchar_t>(byte);
}

// -1 when the character has no byte in Windows-1252.
int wideToCp1252(wchar_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == ch)
            return 0x80 + i;
    }
    return -1;
}

bool isValidCodePoint(uint32_t cp)
{
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns false (and skips one
// byte) for a malformed sequence: overlong forms, surrogates and values past U+10FFFF.
bool decodeUtf8(const unsigned char* text, size_t length, size_t& pos, uint32_t& out)
{
    unsigned char lead = text[pos];
    if (lead < 0x80) {
        out = lead;
        ++pos;
        return true;
    }
    int extra;
    uint32_t cp;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (length - pos <= static_cast<size_t>(extra)) {
        ++pos;
        return false;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char next = text[pos + i];
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || !isValidCodePoint(cp)) {
        ++pos;
        return false;
    }
    pos += extra + 1;
    out = cp;
    return true;
}

int encodeUtf8(uint32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

// Reads one code point from a wide string; a UTF-16 surrogate pair that slipped into
// a wide string is joined. Returns false for a value UTF-8 cannot carry.
bool nextWide(const wchar_t* text, size_t length, size_t& pos, uint32_t& out)
{
    uint32_t cp = static_cast<uint32_t>(text[pos++]);
    if (cp >= 0xD800 && cp <= 0xDBFF && pos < length) {
        uint32_t low = static_cast<uint32_t>(text[pos]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++pos;
            out = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            return true;
        }
    }
    out = cp;
    return isValidCodePoint(cp);
}

const uint32_t kReplacement = 0xFFFD;

} // namespace

namespace Win32Internal {

std::string wideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    char buf[4];
    size_t pos = 0;
    while (pos < text.size()) {
        uint32_t cp;
        if (!nextWide(text.data(), text.size(), pos, cp))
            cp = kReplacement;
        out.append(buf, encodeUtf8(cp, buf));
    }
    return out;
}

std::wstring utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t pos = 0;
    while (pos < text.size()) {
        uint32_t cp;
        if (!decodeUtf8(bytes, text.size(), pos, cp))
            cp = kReplacement;
        out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
}

wchar_t foldCase(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + 32) : ch;
    // The program may never call setlocale, so fold with a UTF-8 locale of our own.
    static locale_t s_locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (s_locale)
        return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(ch), s_locale));
    // Latin-1 capitals when no such locale exists.
    if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)
        return static_cast<wchar_t>(ch + 32);
    return ch;
}

std::wstring foldCase(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& ch : out)
        ch = foldCase(ch);
    return out;
}

} // namespace Win32Internal

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength)
{
    if (!source || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
        (destinationLength > 0 && !destination)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool utf8 = codePage == CP_UTF8;
    if (!utf8 && codePage != CP_ACP && codePage != 1252) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1: the terminator is converted and counted too.
    size_t length = sourceLength == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
    const auto* bytes = reinterpret_cast<const unsigned char*>(source);

    size_t written = 0;
    size_t pos = 0;
    while (pos < length) {
        uint32_t cp;
        if (utf8) {
            if (!decodeUtf8(bytes, length, pos, cp)) {
                if (flags & MB_ERR_INVALID_CHARS) {
                    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                    return 0;
                }
                cp = kReplacement;
            }
        } else {
            cp = static_cast<uint32_t>(cp1252ToWide(bytes[pos++]));
        }
        if (destinationLength > 0) {
            if (written >= static_cast<size_t>(destinationLength)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            destination[written] = static_cast<wchar_t>(cp);
        }
        ++written;
    }
    return static_cast<int>(written);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR defaultChar, LPBOOL usedDefaultChar)
{
    if (!source || sourceLength == 0 || sourceLength < -1 || destinationLength < 0 ||
        (destinationLength > 0 && !destination)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool utf8 = codePage == CP_UTF8;
    if (!utf8 && codePage != CP_ACP && codePage != 1252) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // UTF-8 has no default character, as on Windows.
    if (utf8 && (defaultChar || usedDefaultChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    size_t length = sourceLength == -1 ? std::wcslen(source) + 1 : static_cast<size_t>(sourceLength);
    const char fallback = defaultChar ? *defaultChar : '?';

    size_t written = 0;
    char buf[4];
    size_t pos = 0;
    while (pos < length) {
        int count;
        if (utf8) {
            uint32_t cp;
            if (!nextWide(source, length, pos, cp)) {
                if (flags & WC_ERR_INVALID_CHARS) {
                    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                    return 0;
                }
                cp = kReplacement;
            }
            count = encodeUtf8(cp, buf);
        } else {
            int byte = wideToCp1252(source[pos++]);
            if (byte < 0) {
                buf[0] = fallback;
                if (usedDefaultChar)
                    *usedDefaultChar = TRUE;
            } else {
                buf[0] = static_cast<char>(byte);
            }
            count = 1;
        }
        if (destinationLength > 0) {
            if (written + count > static_cast<size_t>(destinationLength)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            std::memcpy(destination + written, buf, static_cast<size_t>(count));
        }
        written += static_cast<size_t>(count);
    }
    return static_cast<int>(written);
}

namespace Win32Internal {

DWORD copyToBuffer(std::wstring_view text, LPWSTR buffer, DWORD size)
{
    if (!buffer || text.size() + 1 > size)
        return static_cast<DWORD>(text.size() + 1);
    std::wmemcpy(buffer, text.data(), text.size());
    buffer[text.size()] = L'\0';
    return static_cast<DWORD>(text.size());
}

} // namespace Win32Internal
