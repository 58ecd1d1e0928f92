#pragma once
// COM start-up and task memory. There is no apartment model: initialising succeeds.
#include <windef.h>

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit); // S_OK first, S_FALSE when already initialised
void CoUninitialize();
LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID memory);
