// The thread's last-error code.
#include "win32/LastError.h"

#include <windows.h>

#include <cerrno>
#include <sys/stat.h>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;

bool parentFolderExists(const std::string& path)
{
    std::string::size_type slash = path.find_last_of('/');
    std::string parent;
    if (slash == std::string::npos)
        parent = ".";
    else if (slash == 0)
        parent = "/";
    else
        parent = path.substr(0, slash);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD error)
{
    t_lastError = error;
}

namespace Win32Internal {

void setLastErrorFromErrno(int err, const std::string& path)
{
    DWORD code;
    switch (err) {
    case ENOENT:
        code = !path.empty() && parentFolderExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        code = ERROR_PATH_NOT_FOUND;
        break;
    case EEXIST:
        code = ERROR_ALREADY_EXISTS;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
        code = ERROR_ACCESS_DENIED;
        break;
    case ENOTEMPTY:
        code = ERROR_DIR_NOT_EMPTY;
        break;
    case EXDEV:
        code = ERROR_NOT_SAME_DEVICE;
        break;
    case ENOSPC:
    case EDQUOT:
        code = ERROR_DISK_FULL;
        break;
    case ENOMEM:
        code = ERROR_NOT_ENOUGH_MEMORY;
        break;
    case EINVAL:
        code = ERROR_INVALID_PARAMETER;
        break;
    default:
        code = ERROR_GEN_FAILURE;
        break;
    }
    SetLastError(code);
}

} // namespace Win32Internal
