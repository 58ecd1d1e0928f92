#include "foundation/text/StringConversion.h"

#include <windows.h>

#include <climits>
#include <vector>

namespace Ulvo {

namespace {

// Texts beyond the API's int lengths cannot be converted in one call; they do
// not occur, so they are cut rather than overflow.
constexpr std::size_t kMaxLength = static_cast<std::size_t>(INT_MAX) - 64;

} // namespace

std::string toString(const std::wstring& text)
{
    const std::size_t length = text.size() < kMaxLength ? text.size() : kMaxLength;
    std::vector<char> buffer(length + 64, '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(length), buffer.data(),
                            static_cast<int>(buffer.size() - 1), " ", nullptr);
    }
    return std::string(buffer.data());
}

std::wstring toWString(const std::string& text)
{
    const std::size_t length = text.size() < kMaxLength ? text.size() : kMaxLength;
    std::vector<wchar_t> buffer(length + 64, L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(length), buffer.data(),
                            static_cast<int>(buffer.size() - 1));
    }
    return std::wstring(buffer.data());
}

} // namespace Ulvo
