// The version block: the registered table, serialised so that a copy in the caller's
// buffer is self-contained and every query points into that buffer, as on Windows.
#include <windows.h>

#include <platform_app.h>

#include "win32/LastError.h"
#include "win32/PathMapping.h"
#include "win32/Strings.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Layout: header, translation pairs, string records, then the texts. Every part is a
// multiple of four bytes, so the pointers handed out are aligned.
const DWORD kBlockMagic = 0x31425655; // "UVB1"

struct BlockHeader {
    DWORD magic;
    DWORD size;
    VS_FIXEDFILEINFO fixed;
    DWORD translationCount;
    DWORD translationOffset;
    DWORD stringCount;
    DWORD stringOffset;
};

struct StringRecord {
    DWORD translation; // index into the translation pairs
    DWORD keyOffset;
    DWORD valueOffset;
    DWORD valueLength; // characters, terminator included
};

std::mutex s_mutex;
std::vector<BYTE> s_block; // empty: no version block

DWORD packVersionHigh(const WORD version[4])
{
    return (static_cast<DWORD>(version[0]) << 16) | version[1];
}
DWORD packVersionLow(const WORD version[4])
{
    return (static_cast<DWORD>(version[2]) << 16) | version[3];
}

std::vector<BYTE> serialise(const PLATFORM_VERSION_RESOURCE& resource)
{
    struct PendingString {
        DWORD translation;
        std::wstring key;
        std::wstring value;
    };
    std::vector<DWORD> pairs;
    std::vector<PendingString> strings;
    for (UINT t = 0; resource.translations && t < resource.count; ++t) {
        const PLATFORM_VERSION_TRANSLATION& translation = resource.translations[t];
        pairs.push_back(static_cast<DWORD>(translation.language) | (static_cast<DWORD>(translation.codePage) << 16));
        for (UINT s = 0; translation.strings && s < translation.count; ++s) {
            const PLATFORM_VERSION_STRING& entry = translation.strings[s];
            if (!entry.key)
                continue;
            strings.push_back({t, entry.key, entry.value ? entry.value : L""});
        }
    }

    BlockHeader header{};
    header.magic = kBlockMagic;
    header.fixed.dwSignature = 0xFEEF04BD;
    header.fixed.dwStrucVersion = 0x00010000;
    header.fixed.dwFileVersionMS = packVersionHigh(resource.fileVersion);
    header.fixed.dwFileVersionLS = packVersionLow(resource.fileVersion);
    header.fixed.dwProductVersionMS = packVersionHigh(resource.productVersion);
    header.fixed.dwProductVersionLS = packVersionLow(resource.productVersion);
    header.fixed.dwFileFlagsMask = 0x3F;
    header.fixed.dwFileOS = 0x00040004; // 32-bit Windows on NT
    header.fixed.dwFileType = 1;        // application
    header.translationCount = static_cast<DWORD>(pairs.size());
    header.translationOffset = sizeof(BlockHeader);
    header.stringCount = static_cast<DWORD>(strings.size());
    header.stringOffset = header.translationOffset + header.translationCount * sizeof(DWORD);

    std::vector<StringRecord> records;
    std::vector<wchar_t> text;
    const size_t textOffset = header.stringOffset + strings.size() * sizeof(StringRecord);
    for (const PendingString& s : strings) {
        StringRecord record;
        record.translation = s.translation;
        record.keyOffset = static_cast<DWORD>(textOffset + text.size() * sizeof(wchar_t));
        text.insert(text.end(), s.key.begin(), s.key.end());
        text.push_back(L'\0');
        record.valueOffset = static_cast<DWORD>(textOffset + text.size() * sizeof(wchar_t));
        text.insert(text.end(), s.value.begin(), s.value.end());
        text.push_back(L'\0');
        record.valueLength = static_cast<DWORD>(s.value.size() + 1);
        records.push_back(record);
    }
    header.size = static_cast<DWORD>(textOffset + text.size() * sizeof(wchar_t));

    std::vector<BYTE> block(header.size);
    std::memcpy(block.data(), &header, sizeof header);
    if (!pairs.empty())
        std::memcpy(block.data() + header.translationOffset, pairs.data(), pairs.size() * sizeof(DWORD));
    if (!records.empty())
        std::memcpy(block.data() + header.stringOffset, records.data(), records.size() * sizeof(StringRecord));
    if (!text.empty())
        std::memcpy(block.data() + textOffset, text.data(), text.size() * sizeof(wchar_t));
    return block;
}

// Only the running program has a version block.
bool isProgramFile(LPCWSTR file)
{
    if (!file || !*file) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string mapped = Win32Internal::mapPath(file);
    struct stat wanted;
    struct stat program;
    if (stat(mapped.c_str(), &wanted) != 0) {
        Win32Internal::setLastErrorFromErrno(errno, mapped);
        return false;
    }
    if (stat("/proc/self/exe", &program) != 0 || wanted.st_dev != program.st_dev || wanted.st_ino != program.st_ino) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    return true;
}

std::vector<std::wstring> splitSubBlock(std::wstring_view path)
{
    std::vector<std::wstring> parts;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find_first_of(L"\\/", pos);
        if (end == path.npos)
            end = path.size();
        if (end > pos)
            parts.emplace_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool parseHex(std::wstring_view text, DWORD& out)
{
    out = 0;
    for (wchar_t ch : text) {
        DWORD digit;
        if (ch >= L'0' && ch <= L'9')
            digit = static_cast<DWORD>(ch - L'0');
        else if (ch >= L'a' && ch <= L'f')
            digit = static_cast<DWORD>(ch - L'a' + 10);
        else if (ch >= L'A' && ch <= L'F')
            digit = static_cast<DWORD>(ch - L'A' + 10);
        else
            return false;
        out = (out << 4) | digit;
    }
    return true;
}

bool sameName(std::wstring_view a, std::wstring_view b)
{
    return Win32Internal::foldCase(a) == Win32Internal::foldCase(b);
}

} // namespace

void PlatformSetVersionResource(const PLATFORM_VERSION_RESOURCE* resource)
{
    std::vector<BYTE> block = resource ? serialise(*resource) : std::vector<BYTE>();
    std::lock_guard<std::mutex> lock(s_mutex);
    s_block.swap(block);
}

DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle)
{
    if (handle)
        *handle = 0;
    if (!isProgramFile(file))
        return 0;
    std::lock_guard<std::mutex> lock(s_mutex);
    if (s_block.empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    return static_cast<DWORD>(s_block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR file, DWORD, DWORD length, LPVOID data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!isProgramFile(file))
        return FALSE;
    std::lock_guard<std::mutex> lock(s_mutex);
    if (s_block.empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (length < s_block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, s_block.data(), s_block.size());
    return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length)
{
    if (length)
        *length = 0;
    if (!block || !subBlock || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* bytes = static_cast<const BYTE*>(block);
    BlockHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.magic != kBlockMagic || header.size < sizeof header) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE* base = const_cast<BYTE*>(bytes);
    std::vector<std::wstring> parts = splitSubBlock(subBlock);

    if (parts.empty()) {
        *buffer = base + offsetof(BlockHeader, fixed);
        if (length)
            *length = sizeof(VS_FIXEDFILEINFO);
        return TRUE;
    }
    if (parts.size() == 2 && sameName(parts[0], L"VarFileInfo") && sameName(parts[1], L"Translation") &&
        header.translationCount > 0) {
        *buffer = base + header.translationOffset;
        if (length)
            *length = header.translationCount * sizeof(DWORD);
        return TRUE;
    }
    DWORD pair;
    if (parts.size() == 3 && sameName(parts[0], L"StringFileInfo") && parts[1].size() == 8 &&
        parseHex(parts[1], pair)) {
        // The text is language then code page; the stored pair is language | code page << 16.
        const DWORD wanted = (pair >> 16) | ((pair & 0xFFFF) << 16);
        const auto* pairs = reinterpret_cast<const DWORD*>(bytes + header.translationOffset);
        const auto* records = reinterpret_cast<const StringRecord*>(bytes + header.stringOffset);
        for (DWORD i = 0; i < header.stringCount; ++i) {
            const StringRecord& record = records[i];
            if (record.translation >= header.translationCount || pairs[record.translation] != wanted ||
                record.keyOffset >= header.size || record.valueOffset >= header.size)
                continue;
            if (!sameName(reinterpret_cast<const wchar_t*>(bytes + record.keyOffset), parts[2]))
                continue;
            *buffer = base + record.valueOffset;
            if (length)
                *length = record.valueLength;
            return TRUE;
        }
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}
