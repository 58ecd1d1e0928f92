// Clocks over CLOCK_MONOTONIC, and the virtual clock tests drive.
#include <windows.h>

#include <platform_test.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <sched.h>

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

} // namespace

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
    timespec wait;
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    // Signals do not shorten the sleep.
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {}
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
