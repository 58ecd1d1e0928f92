#include "foundation/app/SaveFolderLock.h"

#include "foundation/logging/Logger.h"

#include <windows.h>

namespace Ulvo {

SaveFolderLock::~SaveFolderLock()
{
    release();
}

SaveFolderLock::Result SaveFolderLock::take(const std::wstring& saveFolder)
{
    release();
    const std::wstring path = saveFolder + L"\\lock";
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        m_handle = handle;
        return TAKEN;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
        mainLogger().log(100, LOG_TYPE_ERROR, L"Ulvo::SaveFolderLock: ", path, L" is held by another game\n");
        return IN_USE;
    }
    mainLogger().log(100, LOG_TYPE_WARNING, L"Ulvo::SaveFolderLock: ", path, L" cannot be opened (error ",
                     std::to_wstring(error), L"); the folder stays unlocked\n");
    return NOT_POSSIBLE;
}

void SaveFolderLock::release()
{
    if (m_handle)
        CloseHandle(m_handle);
    m_handle = nullptr;
}

} // namespace Ulvo
