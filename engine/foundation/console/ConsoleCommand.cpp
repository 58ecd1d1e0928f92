#include "foundation/console/ConsoleCommand.h"

#include "foundation/files/File.h"

#include <climits>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>

namespace Ulvo {

std::wstring toLowerConsole(const std::wstring& text)
{
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return lower;
}

namespace {

const std::wstring& emptyText()
{
    static const std::wstring empty;
    return empty;
}

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// Length of the leading decimal number (blanks, sign, digits, fraction, exponent);
// 0 when the text does not start with one. Keeps hexadecimal floats, "inf" and
// "nan" out, which a bare wcstod would accept.
std::size_t decimalPrefix(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
        ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == L'.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

int clampToInt(long long value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

ConsoleCommand::ConsoleCommand(const std::wstring& name, uint32_t requiredArguments, const std::wstring& help)
    : m_name(name), m_lowerName(toLowerConsole(name)), m_requiredArguments(requiredArguments), m_help(help)
{
}

bool ConsoleCommand::isCommand(const std::wstring& name) const
{
    return toLowerConsole(name) == m_lowerName;
}

TypedConsoleCommand::TypedConsoleCommand(const std::wstring& line)
{
    parse(line);
}

void TypedConsoleCommand::parse(const std::wstring& line)
{
    m_line = line;
    // A line without any word (empty or blanks only) keeps itself as its name.
    m_name = line;
    m_lowerLine.clear();
    m_lowerName.clear();
    m_arguments.clear();
    m_lowerArguments.clear();

    // Words start at a blank; a leading one makes the first word start like the rest.
    std::wstring rest = line;
    if (!rest.empty() && rest[0] != L' ')
        rest.insert(rest.begin(), L' ');

    bool nameTaken = false;
    std::size_t blank = rest.find(L' ');
    while (blank != std::wstring::npos) {
        const std::size_t next = rest.find(L' ', blank + 1);
        const std::size_t start = blank + 1;
        const std::size_t end = next == std::wstring::npos ? rest.size() : next;
        if (end > start) {
            std::wstring word = rest.substr(start, end - start);
            if (!nameTaken) {
                m_name = std::move(word);
                nameTaken = true;
            } else {
                m_arguments.push_back(std::move(word));
            }
        }
        blank = next;
    }

    m_lowerLine = toLowerConsole(m_line);
    m_lowerName = toLowerConsole(m_name);
    m_lowerArguments.reserve(m_arguments.size());
    for (const std::wstring& argument : m_arguments)
        m_lowerArguments.push_back(toLowerConsole(argument));
}

bool TypedConsoleCommand::isCommand(const std::wstring& name) const
{
    return toLowerConsole(name) == m_lowerName;
}

const std::wstring& TypedConsoleCommand::lowerArgument(const int& index) const
{
    if (index < 0 || index >= getArgumentCount())
        return emptyText();
    return m_lowerArguments[static_cast<std::size_t>(index)];
}

double TypedConsoleCommand::getParamDouble(const int& index) const
{
    const std::wstring& text = lowerArgument(index);
    const std::size_t length = decimalPrefix(text);
    if (length == 0)
        return 0.0;
    const std::wstring number = text.substr(0, length);
    const double value = std::wcstod(number.c_str(), nullptr);
    // An overflowing exponent would carry infinity into whatever the command sets.
    return std::isfinite(value) ? value : 0.0;
}

float TypedConsoleCommand::getParamFloat(const int& index) const
{
    const double value = getParamDouble(index);
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return 0.0f;
    return static_cast<float>(value);
}

int TypedConsoleCommand::getParamInt(const int& index) const
{
    return clampToInt(std::wcstoll(lowerArgument(index).c_str(), nullptr, 10));
}

int TypedConsoleCommand::getParamHex(const int& index) const
{
    // Hexadecimal values are bit patterns (colours, flags): "0xffffffff" gives -1.
    const long long value = std::wcstoll(lowerArgument(index).c_str(), nullptr, 16);
    if (value > 0xFFFFFFFFLL)
        return -1;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(static_cast<uint32_t>(value));
}

bool TypedConsoleCommand::getParamBool(const int& index) const
{
    return getParamInt(index) != 0;
}

std::wstring TypedConsoleCommand::getParamString(const int& index) const
{
    return lowerArgument(index);
}

std::wstring TypedConsoleCommand::getToken(const int& index) const
{
    if (index < 0 || index >= getArgumentCount())
        return std::wstring();
    return m_arguments[static_cast<std::size_t>(index)];
}

std::wstring TypedConsoleCommand::getFileToken(const int& index)
{
    std::wstring name = getToken(index);
    return checkFile(name) ? name : std::wstring();
}

bool TypedConsoleCommand::checkFile(const std::wstring& name)
{
    if (File::checkDataReference(name))
        return true;
    setAnswer(L"\"" + name + L"\" liegt au\u00DFerhalb des Spielordners");
    return false;
}

} // namespace Ulvo
