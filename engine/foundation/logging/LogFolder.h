#pragma once
// Where the log files go (Logger.h's LogFile opens them there), and how large one may grow.
#include <cstddef>
#include <string>

namespace Ulvo {

// "logs" of the working folder unless set: a program whose folder cannot be written sets one of
// the user's own, which must exist. Takes effect when a log file is next opened.
void setLogFolder(const std::wstring& folder);
const std::wstring& logFolder();

// The most a log file takes in one run (a start writes it anew): the line that would go beyond is
// replaced by a note and the file is closed for the rest of the run.
inline constexpr std::size_t kDefaultLogSizeLimit = 8u << 20;
void setLogSizeLimit(std::size_t bytes);
std::size_t logSizeLimit();

} // namespace Ulvo
