#pragma once
// Where the log files go (Logger.h's LogFile opens them there).
#include <string>

namespace Ulvo {

// "logs" of the working folder unless set: a program whose folder cannot be written sets one of
// the user's own, which must exist. Takes effect when a log file is next opened.
void setLogFolder(const std::wstring& folder);
const std::wstring& logFolder();

} // namespace Ulvo
