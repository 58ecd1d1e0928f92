#pragma once
// Multimedia timer: milliseconds over the same clock as GetTickCount.
#include <windef.h>

DWORD timeGetTime();
