#include "foundation/text/TextManager.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cwchar>

namespace Ulvo {

TextManager::TextManager() : m_fallback(L"Default_Error") {}

TextManager::~TextManager() = default;

bool TextManager::load(XMLNode* root)
{
    if (!root)
        return false;

    for (XMLNode* node : root->getNodes()) {
        if (!node || node->getName() != L"TEXT")
            continue;
        Text* text = new Text(node);
        auto entry = m_languages.try_emplace(text->getLanguage(), text->getLanguage()).first;
        entry->second.addText(text);
        // The language holds its own reference; a text it refused goes here.
        text->Release();
    }

    std::wstring defaultLanguage;
    if (root->readString(L"DEF_LANGUAGE", defaultLanguage)) {
        auto found = m_languages.find(defaultLanguage);
        if (found != m_languages.end()) {
            m_current = &found->second;
            m_currentName = found->first;
            emit(m_currentName);
        } else {
            mainLogger().log(50, LOG_TYPE_WARNING, L"TextManager: DEF_LANGUAGE \"", defaultLanguage,
                             L"\" has no texts\n");
        }
    }

    if (!m_current && !m_languages.empty()) {
        auto first = m_languages.begin();
        m_current = &first->second;
        m_currentName = first->first;
        emit(m_currentName);
    }
    return true;
}

Language* TextManager::getLanguage(const std::wstring& name)
{
    auto found = m_languages.find(name);
    return found == m_languages.end() ? nullptr : &found->second;
}

Text* TextManager::getText(const std::wstring& key)
{
    if (!m_current)
        return &m_fallback;
    return m_current->getText(key);
}

std::wstring TextManager::getTextString(const std::wstring& key)
{
    if (!m_current)
        return m_fallback.getText();
    Text* text = m_current->getText(key);
    return text ? text->getText() : std::wstring();
}

std::size_t TextManager::formatBufferSize(std::size_t textLength)
{
    if (textLength < 64)
        return 128;
    if (textLength < 128)
        return 256;
    if (textLength < 256)
        return 512;
    if (textLength < 512)
        return 1024;
    return 2048;
}

std::wstring TextManager::formatText(const Text* text, double d1, double d2, double d3, int i)
{
    if (!text)
        return std::wstring();
    return formatString(text->getText(), d1, d2, d3, i);
}

namespace {

// Texts come from data files, so they are never handed to the C formatter as
// they stand: each conversion is parsed here and only those that fit the
// arguments are rebuilt into a format of our own.
struct Conversion {
    std::wstring flags;
    int width = -1;
    int precision = -1;
    bool shortInt = false;
    wchar_t conversion = 0;
    std::size_t end = 0; // index after the conversion character
};

// Larger widths or precisions are left as text.
constexpr int kMaxField = 2048;

bool isFlag(wchar_t c)
{
    return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0';
}

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Reads digits at pos; false when the number exceeds kMaxField.
bool readNumber(const std::wstring& text, std::size_t& pos, int& value)
{
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos] - L'0');
        if (value > kMaxField)
            return false;
        ++pos;
    }
    return true;
}

// Parses the conversion that starts with '%' at start; false when it is not
// complete or not one of the known conversions.
bool parseConversion(const std::wstring& text, std::size_t start, Conversion& field)
{
    std::size_t pos = start + 1;
    while (pos < text.size() && isFlag(text[pos])) {
        if (field.flags.find(text[pos]) == std::wstring::npos)
            field.flags += text[pos];
        ++pos;
    }
    if (pos < text.size() && isDigit(text[pos])) {
        if (!readNumber(text, pos, field.width))
            return false;
    }
    if (pos < text.size() && text[pos] == L'.') {
        ++pos;
        if (!readNumber(text, pos, field.precision))
            return false;
    }
    if (pos < text.size()) {
        if (text[pos] == L'h') {
            field.shortInt = true;
            ++pos;
        } else if (text[pos] == L'l') {
            ++pos;
            if (pos < text.size() && text[pos] == L'l')
                ++pos;
        } else if (text[pos] == L'L') {
            ++pos;
        }
    }
    if (pos >= text.size())
        return false;
    field.conversion = text[pos];
    field.end = pos + 1;
    return std::wstring(L"fFeEgGaAdiuxXoc").find(field.conversion) != std::wstring::npos;
}

bool isFloatConversion(wchar_t c)
{
    return std::wstring(L"fFeEgGaA").find(c) != std::wstring::npos;
}

// Builds "%<flags><width>.<precision><conv>" keeping only what the conversion defines.
std::wstring buildFormat(const Conversion& field, const wchar_t* allowedFlags, bool allowPrecision,
                         const wchar_t* conversion)
{
    std::wstring format = L"%";
    for (wchar_t flag : field.flags) {
        if (std::wcschr(allowedFlags, flag))
            format += flag;
    }
    if (field.width >= 0)
        format += std::to_wstring(field.width);
    if (allowPrecision && field.precision >= 0)
        format += L"." + std::to_wstring(field.precision);
    format += conversion;
    return format;
}

} // namespace

std::wstring TextManager::formatString(const std::wstring& format, double d1, double d2, double d3, int i)
{
    const std::size_t limit = formatBufferSize(format.size()) - 1;
    const double doubles[3] = {d1, d2, d3};
    int nextDouble = 0;
    bool intUsed = false;

    std::wstring out;
    // Wide enough for the largest field plus every digit of a double.
    std::wstring piece(2 * kMaxField + 512, L'\0');

    std::size_t pos = 0;
    while (pos < format.size() && out.size() < limit) {
        wchar_t c = format[pos];
        if (c != L'%') {
            out += c;
            ++pos;
            continue;
        }
        if (pos + 1 < format.size() && format[pos + 1] == L'%') {
            out += L'%';
            pos += 2;
            continue;
        }

        Conversion field;
        bool known = parseConversion(format, pos, field);
        int written = -1;
        if (known && isFloatConversion(field.conversion)) {
            if (nextDouble < 3) {
                wchar_t conversion[2] = {field.conversion, 0};
                std::wstring built = buildFormat(field, L"-+ #0", true, conversion);
                written = std::swprintf(piece.data(), piece.size(), built.c_str(), doubles[nextDouble]);
                ++nextDouble;
            }
        } else if (known && !intUsed) {
            const wchar_t conv = field.conversion;
            std::wstring built;
            if (conv == L'd' || conv == L'i') {
                built = buildFormat(field, L"-+ 0", true, conv == L'd' ? L"d" : L"i");
                int value = field.shortInt ? static_cast<short>(i) : i;
                written = std::swprintf(piece.data(), piece.size(), built.c_str(), value);
            } else if (conv == L'c') {
                // Wide output takes the character as it is.
                built = buildFormat(field, L"-", false, L"lc");
                written = std::swprintf(piece.data(), piece.size(), built.c_str(), static_cast<wint_t>(i));
            } else {
                wchar_t conversion[2] = {conv, 0};
                built = buildFormat(field, conv == L'u' ? L"-0" : L"-#0", true, conversion);
                unsigned value = static_cast<unsigned>(i);
                if (field.shortInt)
                    value = static_cast<unsigned short>(value);
                written = std::swprintf(piece.data(), piece.size(), built.c_str(), value);
            }
            intUsed = true;
        }

        if (written >= 0) {
            out.append(piece.data(), static_cast<std::size_t>(written));
            pos = field.end;
        } else {
            // Not ours to fill: the '%' stays as text and the rest follows as such.
            out += L'%';
            ++pos;
        }
    }

    if (out.size() > limit)
        out.resize(limit);
    return out;
}

} // namespace Ulvo
