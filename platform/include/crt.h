#pragma once
// Microsoft C runtime pieces the engine relies on.
#include <cstdio>

// The Microsoft C runtime's rand generator (range 0..32767, seed 1 until crt_srand),
// used everywhere instead of the platform's rand. As in that runtime, each thread
// has its own state.
#define CRT_RAND_MAX 0x7fff
int crt_rand();
void crt_srand(unsigned seed);

// fopen with a Windows path (mapped like every path of the layer). 'b' and 't' are
// accepted; no line-end translation is done here.
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
