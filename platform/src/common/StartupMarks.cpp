// Time marks of a launch on stderr, asked for by ULVO_STARTUP_TIMES.
#include <platform_app.h>

#include "common/Diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

void PlatformStartupMark(const char* what)
{
    static const bool wanted = std::getenv("ULVO_STARTUP_TIMES") != nullptr;
    if (!wanted)
        return;
    timespec now{}, cpu{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    char line[256];
    std::snprintf(line, sizeof line, "startup %ld.%06ld %7.1f %s\n", static_cast<long>(now.tv_sec), now.tv_nsec / 1000,
                  cpu.tv_sec * 1000.0 + cpu.tv_nsec / 1e6, what);
    Diagnostics::writeStderr(line);
}
