#pragma once
// Translation of POSIX failures into the thread's last-error code.
#include <string>

namespace Win32Internal {

// Sets the last error for errno value err of an operation on the Linux path. A missing
// entry is ERROR_FILE_NOT_FOUND when its folder exists, else ERROR_PATH_NOT_FOUND.
void setLastErrorFromErrno(int err, const std::string& path);

} // namespace Win32Internal
