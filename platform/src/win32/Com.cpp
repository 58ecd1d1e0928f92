// COM start-up (nothing to start here), task memory and object creation.
#include <windows.h>

#include "dshow/FilterGraphFactory.h"

#include <cstdlib>

namespace {
thread_local int t_initCount = 0;
} // namespace

HRESULT CoInitializeEx(LPVOID, DWORD)
{
    // As on Windows: S_OK for the first call on a thread, S_FALSE for nested ones.
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize()
{
    if (t_initCount > 0)
        --t_initCount;
}

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }

void CoTaskMemFree(LPVOID memory) { std::free(memory); }

// Object creation: the classes of the layer that COM would find in the registry.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid == CLSID_FilterGraph)
        return pUnkOuter ? CLASS_E_NOAGGREGATION : DShowInternal::createFilterGraph(riid, ppv);
    return REGDB_E_CLASSNOTREG;
}
