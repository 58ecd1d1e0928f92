// The base family on its own, linked without SDL or any other family: what logging and the tools
// need of windows, the COM class registry and reference counting, and the layer's diagnostics.
#include <objbase.h>
#include <windows.h>

#include "common/ComObject.h"
#include "common/Diagnostics.h"
#include "win32/ComClasses.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PlatformBase, TheConsoleIsTheOnlyWindowAndTheDesktopHasItsFallbackSize)
{
    // What the logger's console placement asks for.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 768 - GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 3);
    ASSERT_TRUE(AllocConsole());
    EXPECT_TRUE(SetWindowPos(GetConsoleWindow(), HWND_NOTOPMOST, 10, 10, 600, 400, SWP_SHOWWINDOW));
    EXPECT_TRUE(ShowWindow(GetConsoleWindow(), SW_HIDE));
    FreeConsole();

    HWND other = reinterpret_cast<HWND>(0x1234);
    SetLastError(0);
    EXPECT_FALSE(ShowWindow(other, SW_SHOW));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(SetWindowPos(other, nullptr, 0, 0, 1, 1, 0));
}

const CLSID kCounterClass = {0x7e570001, 0x5a11, 0x4d39, {0, 0, 0, 0, 0, 0, 0, 1}};
const IID kCounterInterface = {0x7e570002, 0x5a11, 0x4d39, {0, 0, 0, 0, 0, 0, 0, 1}};
const IID kOtherInterface = {0x7e570003, 0x5a11, 0x4d39, {0, 0, 0, 0, 0, 0, 0, 1}};
int g_alive = 0;
int g_lastReleased = 0;

struct ICounter : IUnknown {
    virtual int value() = 0;
};

class Counter final : public PlatformInternal::ComObject<ICounter> {
public:
    Counter() { ++g_alive; }
    int value() override { return 7; }

private:
    ~Counter() override { --g_alive; }
    void* findInterface(REFIID riid) override { return ownInterface(riid, kCounterInterface); }
    void lastReleased() override { ++g_lastReleased; }
};

HRESULT createCounter(REFIID riid, void** object)
{
    return PlatformInternal::createObject<Counter>(riid, object);
}

TEST(PlatformBase, CoCreateInstanceMakesRegisteredClassesAndCountsTheirReferences)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, kCounterInterface, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    ASSERT_TRUE(Win32Internal::registerComClass(kCounterClass, createCounter));

    int outer = 0; // never called: aggregation is refused first
    EXPECT_EQ(CoCreateInstance(kCounterClass, reinterpret_cast<IUnknown*>(&outer), CLSCTX_INPROC_SERVER,
                               kCounterInterface, &object),
              CLASS_E_NOAGGREGATION);
    // Made, asked for an interface it does not offer, and dropped again.
    EXPECT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, kOtherInterface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_alive, 0);
    EXPECT_EQ(g_lastReleased, 1);

    ICounter* counter = nullptr;
    ASSERT_EQ(CoCreateInstance(kCounterClass, nullptr, CLSCTX_INPROC_SERVER, kCounterInterface,
                               reinterpret_cast<void**>(&counter)),
              S_OK);
    EXPECT_EQ(counter->value(), 7);
    IUnknown* identity = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(static_cast<void*>(identity), static_cast<void*>(counter));
    EXPECT_EQ(counter->QueryInterface(kCounterInterface, nullptr), E_POINTER);
    EXPECT_EQ(identity->Release(), 1u);
    EXPECT_EQ(g_lastReleased, 1);
    EXPECT_EQ(counter->Release(), 0u);
    EXPECT_EQ(g_lastReleased, 2);
    EXPECT_EQ(g_alive, 0);
}

TEST(PlatformBase, DiagnosticsNameTheirSourceAndFollowTheThreshold)
{
    testing::internal::CaptureStderr();
    Diagnostics::error("Direct3D", "format %u is not supported", 21u);
    Diagnostics::warning(nullptr, "plays silently");
    Diagnostics::setThreshold(Diagnostics::Severity::Error);
    Diagnostics::warning("XACT", "dropped");
    Diagnostics::error("XACT", "kept");
    Diagnostics::setThreshold(Diagnostics::Severity::Info);
    Diagnostics::info("DirectShow", "%s", std::string(3000, 'x').c_str());
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text, "Direct3D: format 21 is not supported\nplays silently\nXACT: kept\nDirectShow: " +
                        std::string(3000, 'x') + "\n");
}

} // namespace
