#pragma once
// COM start-up and task memory. There is no apartment model: initialising succeeds.
#include <unknwn.h>
#include <windef.h>

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit); // S_OK first, S_FALSE when already initialised
void CoUninitialize();
LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID memory);

// Object creation. The classes this program creates are CLSID_FilterGraph (dshow.h) and
// CLSID_XACTEngine (xact3.h); others give REGDB_E_CLASSNOTREG, aggregation CLASS_E_NOAGGREGATION.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
