// Critical sections as recursive pthread mutexes kept inside the caller's structure.
#include <windows.h>

#include <new>
#include <pthread.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::Opaque), "critical section storage too small");
static_assert(alignof(pthread_mutex_t) <= 8, "critical section storage misaligned");

namespace {
pthread_mutex_t* mutexOf(LPCRITICAL_SECTION section)
{
    return reinterpret_cast<pthread_mutex_t*>(section->Opaque);
}
} // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(new (section->Opaque) pthread_mutex_t, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_lock(mutexOf(section));
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return pthread_mutex_trylock(mutexOf(section)) == 0 ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_unlock(mutexOf(section));
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_destroy(mutexOf(section));
}
