// File search. FindFirstFileW takes a snapshot of the matching entries, sorted by name
// without regard to case, so a search is stable while the folder changes under it.
#include <windows.h>

#include "win32/LastError.h"
#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <dirent.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

namespace {

struct FindState {
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

std::mutex s_mutex;
std::unordered_set<FindState*> s_live;

bool isSeparator(wchar_t ch)
{
    return ch == L'\\' || ch == L'/';
}

// '*' is any run of characters, '?' exactly one; both strings are case-folded.
bool wildcardMatch(std::wstring_view pattern, std::wstring_view name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::wstring_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool matchesPattern(std::wstring_view pattern, std::wstring_view name)
{
    if (wildcardMatch(pattern, name))
        return true;
    // As on Windows, "x.*" also matches "x" and "*.*" matches names without a dot.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" && name.find(L'.') == name.npos)
        return wildcardMatch(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

FILETIME toFileTime(const timespec& ts)
{
    // 100-nanosecond steps since 1601-01-01.
    const uint64_t epochDifference = 11644473600ULL;
    uint64_t value =
        (static_cast<uint64_t>(ts.tv_sec) + epochDifference) * 10000000ULL + static_cast<uint64_t>(ts.tv_nsec) / 100;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFF);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

bool fillEntry(const std::string& folder, const std::string& name, const std::wstring& wideName, WIN32_FIND_DATAW& data)
{
    if (wideName.size() >= MAX_PATH)
        return false;
    std::string full = folder == "/" ? "/" + name : folder + "/" + name;
    struct stat st;
    if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0)
        return false;
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = toFileTime(st.st_ctim);
    data.ftLastAccessTime = toFileTime(st.st_atim);
    data.ftLastWriteTime = toFileTime(st.st_mtim);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    std::wmemcpy(data.cFileName, wideName.data(), wideName.size());
    return true;
}

FindState* liveState(HANDLE find)
{
    auto* state = static_cast<FindState*>(find);
    std::lock_guard<std::mutex> lock(s_mutex);
    return s_live.count(state) ? state : nullptr;
}

} // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring_view full(pattern);
    size_t split = full.size();
    while (split > 0 && !isSeparator(full[split - 1]))
        --split;
    std::wstring_view folderPart = full.substr(0, split);
    std::wstring_view namePart = full.substr(split);

    std::string folder = folderPart.empty() ? std::string(".") : Win32Internal::mapPath(folderPart);
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    struct Match {
        std::wstring key;
        WIN32_FIND_DATAW data;
    };
    std::vector<Match> matches;
    const std::wstring wanted = Win32Internal::foldCase(namePart);
    if (!wanted.empty()) {
        while (const dirent* entry = readdir(dir)) {
            std::string name(entry->d_name);
            std::wstring wideName = Win32Internal::utf8ToWide(name);
            std::wstring key = Win32Internal::foldCase(wideName);
            if (!matchesPattern(wanted, key))
                continue;
            Match match{std::move(key), {}};
            if (fillEntry(folder, name, wideName, match.data))
                matches.push_back(std::move(match));
        }
    }
    closedir(dir);
    if (matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return std::wcscmp(a.data.cFileName, b.data.cFileName) < 0;
    });

    auto* state = new FindState;
    state->entries.reserve(matches.size());
    for (const Match& match : matches)
        state->entries.push_back(match.data);
    *data = state->entries[0];
    state->next = 1;
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        s_live.insert(state);
    }
    return state;
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data)
{
    FindState* state = liveState(find);
    if (!state || !data) {
        SetLastError(state ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (state->next >= state->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = state->entries[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find)
{
    auto* state = static_cast<FindState*>(find);
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        if (!s_live.erase(state)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    delete state;
    return TRUE;
}
