#include "foundation/app/AppInfo.h"

#include "foundation/logging/Logger.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace Ulvo {

namespace {

// Reads a text whose length the API reports only afterwards: grows the buffer
// until the whole text fits, so deep Linux folders are not cut short.
template <class Call> std::wstring readGrowing(DWORD initialSize, Call call)
{
    std::vector<wchar_t> buffer(initialSize, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD result = call(buffer.data(), size);
        if (result == 0)
            return std::wstring();
        if (result < size)
            return std::wstring(buffer.data(), wcsnlen(buffer.data(), size));
        // Too small: the result is the size needed (or, for module names, the
        // buffer size itself).
        buffer.assign(result > size ? result + 1 : size * 2, L'\0');
    }
    return std::wstring();
}

std::wstring versionText(const unsigned (&numbers)[4])
{
    return std::to_wstring(numbers[0]) + L"." + std::to_wstring(numbers[1]) + L"." + std::to_wstring(numbers[2]) +
           L"." + std::to_wstring(numbers[3]);
}

void splitVersion(DWORD high, DWORD low, unsigned (&numbers)[4])
{
    numbers[0] = (high >> 16) & 0xFFFF;
    numbers[1] = high & 0xFFFF;
    numbers[2] = (low >> 16) & 0xFFFF;
    numbers[3] = low & 0xFFFF;
}

// The keys of the version block in the order they are read.
const wchar_t* const kVersionKeys[] = {
    L"FileDescription", L"ProductName",  L"LegalCopyright", L"Homepage",
    L"UpdatePage",      L"InternalName", L"SavePath",       L"CPProductName",
};

void logError(const std::wstring& text)
{
    mainLogger().log(100, LOG_TYPE_ERROR, L"Ulvo::AppInfo::createSaveFolder: ", text, L"\n");
}

} // namespace

AppInfo* AppInfo::getInstance()
{
    static AppInfo instance;
    return &instance;
}

AppInfo::AppInfo()
{
    m_currentFolder = readGrowing(1024, [](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
    m_programPath =
        readGrowing(MAX_PATH, [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); });
    const std::size_t slash = m_programPath.find_last_of(L"\\/");
    m_programFileName = slash == std::wstring::npos ? m_programPath : m_programPath.substr(slash + 1);
    const std::size_t dot = m_programFileName.find_last_of(L'.');
    m_saveFolderName = dot == std::wstring::npos ? m_programFileName : m_programFileName.substr(0, dot);

    readVersionBlock();
}

void AppInfo::readVersionBlock()
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(m_programPath.c_str(), &handle);
    if (size == 0)
        return;
    std::vector<unsigned char> block(size, 0);
    if (!GetFileVersionInfoW(m_programPath.c_str(), handle, size, block.data()))
        return;

    void* data = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &data, &length) && data && length >= sizeof(VS_FIXEDFILEINFO)) {
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, data, sizeof(fixed));
        splitVersion(fixed.dwProductVersionMS, fixed.dwProductVersionLS, m_productVersion);
        m_productVersionText = versionText(m_productVersion);
        splitVersion(fixed.dwFileVersionMS, fixed.dwFileVersionLS, m_fileVersion);
        m_fileVersionText = versionText(m_fileVersion);
    }

    data = nullptr;
    length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &length) || !data)
        return;
    // (language, code page) pairs; later ones override earlier ones.
    const std::size_t pairs = length / sizeof(DWORD);
    for (std::size_t i = 0; i < pairs; ++i) {
        DWORD pair = 0;
        std::memcpy(&pair, static_cast<const unsigned char*>(data) + i * sizeof(DWORD), sizeof(DWORD));
        const unsigned language = pair & 0xFFFF;
        const unsigned codePage = (pair >> 16) & 0xFFFF;
        for (const wchar_t* key : kVersionKeys) {
            wchar_t query[2048];
            std::swprintf(query, 2048, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, key);
            void* value = nullptr;
            UINT valueLength = 0;
            if (!VerQueryValueW(block.data(), query, &value, &valueLength) || !value)
                continue;
            const wchar_t* text = static_cast<const wchar_t*>(value);
            applyString(key, std::wstring(text, wcsnlen(text, valueLength)));
        }
    }
}

void AppInfo::applyString(const std::wstring& key, const std::wstring& value)
{
    if (key == L"FileDescription") {
        m_fileDescription = value;
    } else if (key == L"ProductName") {
        m_productName = value;
    } else if (key == L"LegalCopyright") {
        m_legalNotice = value;
    } else if (key == L"Homepage") {
        m_homepage = value;
    } else if (key == L"UpdatePage") {
        m_updatePage = value;
    } else if (key == L"InternalName") {
        m_internalName = value;
        m_saveFolderName = value;
    } else if (key == L"SavePath") {
        m_saveFolderName = value;
    } else if (key == L"CPProductName") {
        m_internalName = value;
    }
}

void AppInfo::getVersion(unsigned& major, unsigned& minor, unsigned& build, unsigned& revision) const
{
    major = m_productVersion[0];
    minor = m_productVersion[1];
    build = m_productVersion[2];
    revision = m_productVersion[3];
}

void AppInfo::getFileVersion(unsigned& major, unsigned& minor, unsigned& build, unsigned& revision) const
{
    major = m_fileVersion[0];
    minor = m_fileVersion[1];
    build = m_fileVersion[2];
    revision = m_fileVersion[3];
}

std::wstring AppInfo::expandSavePath() const
{
    static const wchar_t* const kBases[] = {L"%USERPROFILE%", L"%APPDATA%", L"%ALLUSERSPROFILE%"};
    if (m_savePathKind == SAVE_PATH_CURRENT)
        return m_currentFolder;
    if (m_savePathKind < 0 || m_savePathKind > 2)
        return std::wstring();
    const wchar_t* base = kBases[m_savePathKind];
    const std::wstring expanded = readGrowing(1024, [base](wchar_t* buffer, DWORD size) {
        const DWORD needed = ExpandEnvironmentStringsW(base, buffer, size);
        // The count includes the terminator; shift it so readGrowing sees a fit.
        return needed == 0 ? 0 : needed - 1;
    });
    if (expanded.empty())
        return std::wstring();
    return expanded + L"\\" + m_saveFolderName;
}

bool AppInfo::createSaveFolder() const
{
    const std::wstring path = expandSavePath();
    if (path.empty()) {
        logError(L"no save folder path for base " + std::to_wstring(m_savePathKind));
        return false;
    }
    // Every missing level is created, from the root down.
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find_first_of(L"\\/", pos);
        if (next == std::wstring::npos)
            next = path.size();
        const std::wstring component = path.substr(pos, next - pos);
        const std::wstring level = path.substr(0, next);
        pos = next + 1;
        // Root, doubled separators, "." and ".." and a drive need no creation.
        if (component.empty() || component == L"." || component == L".." ||
            (component.back() == L':' && level.size() == component.size()))
            continue;
        const DWORD attributes = GetFileAttributesW(level.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            logError(L"\"" + level + L"\" is not a folder; cannot create the save folder \"" + path + L"\"");
            return false;
        }
        if (CreateDirectoryW(level.c_str(), nullptr))
            continue;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            logError(L"cannot create \"" + level + L"\" for the save folder \"" + path + L"\" (error " +
                     std::to_wstring(error) + L")");
            return false;
        }
    }
    return true;
}

} // namespace Ulvo
