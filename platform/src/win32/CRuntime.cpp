// The Microsoft C runtime's linear congruential generator.
#include <crt.h>
#include <crt_state.h>

#include <cstdint>

namespace {
// Per thread, as in that runtime; every thread starts with seed 1.
thread_local uint32_t t_state = 1;
} // namespace

int crt_rand()
{
    t_state = t_state * 214013u + 2531011u;
    return static_cast<int>((t_state >> 16) & CRT_RAND_MAX);
}

void crt_srand(unsigned seed)
{
    t_state = seed;
}

unsigned crt_rand_state()
{
    return t_state;
}
