// Windows paths on a case-sensitive file system. Nothing is cached: every call looks
// at the folders as they are now, so files created or renamed meanwhile are found.
#include "win32/PathMapping.h"

#include "win32/Strings.h"

#include <platform_app.h>

#include <cstdint>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

bool isSeparator(wchar_t ch)
{
    return ch == L'\\' || ch == L'/';
}

std::string joinPath(bool absolute, const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (absolute || !out.empty())
            out += '/';
        out += part;
    }
    if (out.empty())
        out = absolute ? "/" : ".";
    return out;
}

// The entry of folder that matches name without regard to case; the name as written
// when there is none. found tells which it was.
std::string resolveComponent(const std::string& folder, std::wstring_view name, bool& found)
{
    std::string exact = Win32Internal::wideToUtf8(name);
    std::string candidate = folder == "/" ? "/" + exact : folder + "/" + exact;
    struct stat st;
    if (lstat(candidate.c_str(), &st) == 0) {
        found = true;
        return exact;
    }
    found = false;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return exact;
    const std::wstring wanted = Win32Internal::foldCase(name);
    std::string best;
    while (const dirent* entry = readdir(dir)) {
        std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        if (Win32Internal::foldCase(Win32Internal::utf8ToWide(entryName)) != wanted)
            continue;
        // Several spellings of one name: take the same one every time.
        if (!found || entryName < best) {
            best = entryName;
            found = true;
        }
    }
    closedir(dir);
    return found ? best : exact;
}

} // namespace

namespace Win32Internal {

std::string mapPath(std::wstring_view path)
{
    if (path.empty())
        return {};
    const bool absolute = isSeparator(path[0]);
    std::vector<std::string> parts;
    // Index of the first component that exists in no spelling: below it nothing can exist.
    size_t missingFrom = SIZE_MAX;

    size_t pos = 0;
    while (pos < path.size()) {
        size_t end = pos;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        std::wstring_view component = path.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == L".")
            continue;
        if (component == L"..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
                if (parts.size() <= missingFrom)
                    missingFrom = SIZE_MAX;
            } else if (!absolute) {
                parts.push_back("..");
            }
            continue;
        }
        if (missingFrom != SIZE_MAX) {
            parts.push_back(wideToUtf8(component));
            continue;
        }
        bool found = false;
        std::string resolved = resolveComponent(joinPath(absolute, parts), component, found);
        if (!found)
            missingFrom = parts.size();
        parts.push_back(std::move(resolved));
    }
    return joinPath(absolute, parts);
}

std::wstring toWindowsPath(std::string_view linuxPath)
{
    std::wstring out = utf8ToWide(linuxPath);
    for (wchar_t& ch : out) {
        if (ch == L'/')
            ch = L'\\';
    }
    return out;
}

} // namespace Win32Internal

std::string PlatformMapPath(const std::wstring& windowsPath)
{
    return Win32Internal::mapPath(windowsPath);
}
