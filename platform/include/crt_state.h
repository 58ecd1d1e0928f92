#pragma once
// The calling thread's state of the runtime's rand generator (crt.h): crt_srand of it repeats the
// numbers that follow, so a caller can record where a run of draws started.
unsigned crt_rand_state();
