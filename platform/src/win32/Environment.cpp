// Environment variables and the Windows folder variables mapped to XDG folders.
#include <windows.h>

#include "common/Diagnostics.h"
#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

std::string dataHomeFolder()
{
    // Relative values are invalid by the XDG rules and ignored. A backslash cannot survive
    // the way back from a Windows path (it becomes a separator there), so the saves would
    // land in another folder each way: such a value is ignored as well, with a warning.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/' && !std::strchr(dataHome, '\\'))
        return dataHome;
    if (dataHome && dataHome[0] == '/') {
        static bool warned = false;
        if (!warned)
            Diagnostics::warning(nullptr, "XDG_DATA_HOME \"%s\" holds a backslash; ~/.local/share is used", dataHome);
        warned = true;
    }
    return homeFolder() + "/.local/share";
}

std::string sharedDataFolder()
{
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    if (dirs) {
        std::string list(dirs);
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            std::string entry = list.substr(start, end - start);
            if (!entry.empty() && entry[0] == '/')
                return entry;
            start = end + 1;
        }
    }
    return "/usr/local/share";
}

bool sameNameIgnoringCase(std::wstring_view a, const wchar_t* b)
{
    return Win32Internal::foldCase(a) == Win32Internal::foldCase(std::wstring_view(b));
}

std::optional<std::wstring> lookupVariable(std::wstring_view name)
{
    if (sameNameIgnoringCase(name, L"APPDATA"))
        return Win32Internal::toWindowsPath(dataHomeFolder());
    if (sameNameIgnoringCase(name, L"USERPROFILE"))
        return Win32Internal::toWindowsPath(homeFolder());
    if (sameNameIgnoringCase(name, L"ALLUSERSPROFILE"))
        return Win32Internal::toWindowsPath(sharedDataFolder());
    // Windows names are case-insensitive; Linux ones are not: try as written, then upper case.
    std::string narrow = Win32Internal::wideToUtf8(name);
    if (narrow.empty() || narrow.find('=') != std::string::npos)
        return std::nullopt;
    const char* value = std::getenv(narrow.c_str());
    if (!value) {
        std::string upper = narrow;
        for (char& ch : upper) {
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 32);
        }
        value = std::getenv(upper.c_str());
    }
    if (!value)
        return std::nullopt;
    return Win32Internal::utf8ToWide(value);
}

} // namespace

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size)
{
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring_view text(source);
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find(L'%', pos);
        if (open == text.npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, open - pos));
        size_t close = text.find(L'%', open + 1);
        if (close == text.npos) {
            out.append(text.substr(open));
            break;
        }
        std::wstring_view name = text.substr(open + 1, close - open - 1);
        std::optional<std::wstring> value = name.empty() ? std::nullopt : lookupVariable(name);
        if (value) {
            out.append(*value);
            pos = close + 1;
        } else if (name.empty()) {
            // "%%": the first sign is text, the second may open a name.
            out.push_back(L'%');
            pos = close;
        } else {
            // Unknown names stay as written.
            out.append(text.substr(open, close - open + 1));
            pos = close + 1;
        }
    }
    const DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (destination && size > 0) {
        // Too small: the caller learns the size; what fits is left terminated.
        size_t count = std::min<size_t>(out.size(), size - 1);
        out.copy(destination, count);
        destination[count] = L'\0';
    }
    return needed;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<std::wstring> value = lookupVariable(name);
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (value->empty())
        SetLastError(ERROR_SUCCESS);
    return Win32Internal::copyToBuffer(*value, buffer, size);
}
