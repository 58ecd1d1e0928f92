// Diagnostics lines on stderr.
#include "common/Diagnostics.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace Diagnostics {

namespace {

std::atomic<Severity> s_threshold{Severity::Info};

void writeLine(Severity severity, const char* source, const char* format, std::va_list args)
{
    if (severity > s_threshold.load())
        return;
    std::string line;
    if (source) {
        line = source;
        line += ": ";
    }
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length > 0) {
        const size_t start = line.size();
        line.resize(start + static_cast<size_t>(length) + 1);
        std::vsnprintf(line.data() + start, static_cast<size_t>(length) + 1, format, args);
        line.resize(start + static_cast<size_t>(length));
    }
    line += '\n';
    writeStderr(line);
}

} // namespace

#define ULVO_DIAGNOSTICS_LEVEL(name, severity)                                                                         \
    void name(const char* source, const char* format, ...)                                                             \
    {                                                                                                                  \
        std::va_list args;                                                                                             \
        va_start(args, format);                                                                                        \
        writeLine(severity, source, format, args);                                                                     \
        va_end(args);                                                                                                  \
    }
ULVO_DIAGNOSTICS_LEVEL(error, Severity::Error)
ULVO_DIAGNOSTICS_LEVEL(warning, Severity::Warning)
ULVO_DIAGNOSTICS_LEVEL(info, Severity::Info)
#undef ULVO_DIAGNOSTICS_LEVEL

void setThreshold(Severity least)
{
    s_threshold.store(least);
}

Severity threshold()
{
    return s_threshold.load();
}

bool writeAll(int fd, std::string_view text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void writeStderr(std::string_view text)
{
    writeAll(STDERR_FILENO, text);
}

} // namespace Diagnostics
