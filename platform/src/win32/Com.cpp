// COM start-up (nothing to start here), task memory and object creation.
#include <windows.h>

#include "win32/ComClasses.h"

#include <cstdlib>
#include <mutex>
#include <vector>

// IUnknown's identifier. Like the others of this layer it only needs to be distinct within this
// program: QueryInterface compares them, nothing stores them.
const IID IID_IUnknown = {0x00000000, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}};

namespace {

thread_local int t_initCount = 0;

struct RegisteredClass {
    CLSID clsid;
    Win32Internal::ClassFactory factory;
};

// Made on first use: registrations run while static objects are being initialised.
std::mutex& registryLock()
{
    static std::mutex lock;
    return lock;
}
std::vector<RegisteredClass>& registry()
{
    static std::vector<RegisteredClass> classes;
    return classes;
}

Win32Internal::ClassFactory findFactory(REFCLSID clsid)
{
    std::lock_guard<std::mutex> guard(registryLock());
    for (const RegisteredClass& entry : registry())
        if (entry.clsid == clsid)
            return entry.factory;
    return nullptr;
}

} // namespace

namespace Win32Internal {

bool registerComClass(const CLSID& clsid, ClassFactory factory)
{
    std::lock_guard<std::mutex> guard(registryLock());
    for (const RegisteredClass& entry : registry())
        if (entry.clsid == clsid)
            return true;
    registry().push_back(RegisteredClass{clsid, factory});
    return true;
}

} // namespace Win32Internal

HRESULT CoInitializeEx(LPVOID, DWORD)
{
    // As on Windows: S_OK for the first call on a thread, S_FALSE for nested ones.
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved)
{
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize()
{
    if (t_initCount > 0)
        --t_initCount;
}

LPVOID CoTaskMemAlloc(SIZE_T size)
{
    return std::malloc(size ? size : 1);
}

void CoTaskMemFree(LPVOID memory)
{
    std::free(memory);
}

// Object creation: the registered classes stand in for COM's registry.
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    const Win32Internal::ClassFactory factory = findFactory(rclsid);
    if (!factory)
        return REGDB_E_CLASSNOTREG;
    return pUnkOuter ? CLASS_E_NOAGGREGATION : factory(riid, ppv);
}
