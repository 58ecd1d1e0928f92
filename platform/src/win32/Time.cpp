// Clocks over CLOCK_MONOTONIC, and the virtual clock tests drive.
#include <windows.h>

#include <platform_test.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include "win32/SleepWake.h"
#include <fcntl.h>

namespace {

std::atomic<bool> s_virtual{false};
std::atomic<uint64_t> s_virtualNs{0};

uint64_t realNanoseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<uint64_t>(ts.tv_nsec);
}

uint64_t nowNanoseconds()
{
    return s_virtual.load() ? s_virtualNs.load() : realNanoseconds();
}

const LONGLONG kCounterFrequency = 10000000; // 100 ns steps

int s_sleepWake[2] = {-1, -1};

} // namespace

namespace Win32Internal {

bool openSleepWake()
{
    if (s_sleepWake[0] < 0 && pipe2(s_sleepWake, O_CLOEXEC | O_NONBLOCK) != 0)
        s_sleepWake[0] = s_sleepWake[1] = -1;
    return s_sleepWake[0] >= 0;
}

void wakeSleepers()
{
    if (s_sleepWake[1] < 0)
        return;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(s_sleepWake[1], &byte, 1);
    errno = saved;
}

void drainSleepWake()
{
    char bytes[16];
    while (s_sleepWake[0] >= 0 && read(s_sleepWake[0], bytes, sizeof bytes) > 0) {}
}

int sleepWakeFd()
{
    return s_sleepWake[0];
}

} // namespace Win32Internal

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter)
{
    if (!counter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    counter->QuadPart = static_cast<LONGLONG>(nowNanoseconds() / 100);
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

// Wraps after 49.7 days, as on Windows.
DWORD GetTickCount()
{
    return static_cast<DWORD>(nowNanoseconds() / 1000000);
}

DWORD timeGetTime()
{
    return GetTickCount();
}

void Sleep(DWORD milliseconds)
{
    if (s_virtual.load()) {
        s_virtualNs.fetch_add(static_cast<uint64_t>(milliseconds) * 1000000ULL);
        return;
    }
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    // Other signals do not shorten the sleep; a termination waiting to be served ends it, so
    // that the end (and its saves) comes at once.
    const int wake = Win32Internal::sleepWakeFd();
    const uint64_t end = realNanoseconds() + static_cast<uint64_t>(milliseconds) * 1000000ULL;
    for (;;) {
        const uint64_t now = realNanoseconds();
        if (now >= end)
            return;
        const uint64_t left = end - now;
        const timespec wait{static_cast<time_t>(left / 1000000000ULL), static_cast<long>(left % 1000000000ULL)};
        if (wake < 0) {
            nanosleep(&wait, nullptr);
            continue;
        }
        pollfd watch{wake, POLLIN, 0};
        if (ppoll(&watch, 1, &wait, nullptr) > 0)
            return;
    }
}

void PlatformUseVirtualClock(bool on)
{
    // Starting on a whole millisecond keeps tick differences exact in tests.
    if (on && !s_virtual.load())
        s_virtualNs.store(realNanoseconds() / 1000000 * 1000000);
    s_virtual.store(on);
}

void PlatformAdvanceVirtualClock(uint64_t microseconds)
{
    s_virtualNs.fetch_add(microseconds * 1000ULL);
}
