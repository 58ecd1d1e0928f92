// The device interface on the real device layer (SDL's offscreen driver): the
// device's start, the D3D_ commands, loss and reset, mode switching with its
// confirmation timer, and the automatic resolution limit.
#include <windows.h>
#include <d3d9.h>
#include <platform_test.h>

#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/D3DInterface.h"
#include "devices/window/Window.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

class SignalProbe : public sigslot::has_slots<> {
public:
    explicit SignalProbe(D3DInterface* d3d)
    {
        d3d->lostDevice.connect(this, &SignalProbe::lost);
        d3d->resetDevice.connect(this, &SignalProbe::reset);
        d3d->deviceCreated.connect(this, &SignalProbe::created);
        d3d->displayModeChanged.connect(this, &SignalProbe::modeChanged);
        d3d->backBufferSizeChanged.connect(this, &SignalProbe::sizeChanged);
        d3d->displayModeDegraded.connect(this, &SignalProbe::degraded);
        d3d->confirmRequested.connect(this, &SignalProbe::confirmRequested);
        d3d->confirmResult.connect(this, &SignalProbe::confirmResult);
        d3d->confirmSecondsLeft.connect(this, &SignalProbe::secondsLeft);
    }
    void lost() { events.push_back(L"lost"); }
    void reset() { events.push_back(L"reset"); }
    void created() { events.push_back(L"created"); }
    void modeChanged(const D3DDISPLAYMODE& m)
    {
        events.push_back(L"mode " + std::to_wstring(m.Width) + L"x" + std::to_wstring(m.Height));
    }
    void sizeChanged(const unsigned long& w, const unsigned long& h)
    {
        events.push_back(L"size " + std::to_wstring(w) + L"x" + std::to_wstring(h));
    }
    void degraded() { events.push_back(L"degraded"); }
    void confirmRequested() { events.push_back(L"confirm?"); }
    void confirmResult(const bool& ok) { events.push_back(ok ? L"confirmed" : L"refused"); }
    void secondsLeft(const float& seconds) { lastSecondsLeft = seconds; }

    // The events so far, then none.
    std::vector<std::wstring> take()
    {
        std::vector<std::wstring> taken;
        taken.swap(events);
        return taken;
    }

    std::vector<std::wstring> events;
    float lastSecondsLeft = -1.0f;
};

using Events = std::vector<std::wstring>;

std::wstring run(const std::wstring& text)
{
    TypedConsoleCommand line(text);
    ConsoleDispatcher::getInstance()->execute(line);
    return line.getAnswer();
}

SIZE clientSize(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE backBufferSize(IDirect3DDevice9* device)
{
    IDirect3DSurface9* surface = nullptr;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) {
        surface->GetDesc(&desc);
        surface->Release();
    }
    return SIZE{static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
}

class D3DInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        d3d = D3DInterface::getInstance();
        params = &UlvoEngine::getInstance()->getEngineParams().getD3DInitParams();
        *params->getDisplayMode() = D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8};
        *params->getPresentParams() = D3DInitParams::defaultPresentParams();
        params->setMinRes(0, 0);
        params->setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
        params->setAutoDegrade(false, false);
        params->setConfirmationTime(10000);
    }

    void TearDown() override
    {
        PlatformUseVirtualClock(false);
        d3d->setFailInitForTest(false);
        d3d->confirmDisplayMode(true); // nothing left waiting for the next test
    }

    void start()
    {
        ASSERT_TRUE(d3d->init(params));
        ASSERT_NE(d3d->getDevice(), nullptr);
        window = params->getWindow()->getHWND();
        probe.take();
    }

    D3DInterface* d3d = nullptr;
    D3DInitParams* params = nullptr;
    HWND window = nullptr;
    SignalProbe probe{D3DInterface::getInstance()};
};

} // namespace

TEST_F(D3DInterfaceTest, InitStartsTheDeviceAtTheBestModeAndSizesTheWindow)
{
    *params->getDisplayMode() = D3DDISPLAYMODE{650, 470, 75, D3DFMT_X8R8G8B8};
    ASSERT_TRUE(d3d->init(params));
    EXPECT_EQ(probe.take(), Events{L"created"});
    EXPECT_TRUE(d3d->isInitialized());
    EXPECT_EQ(d3d->getRequestedMode().Width, 650u);
    EXPECT_EQ(D3DInterface::displayModeToString(params->getDisplayMode(), L" "), L"640x480 32 bit 60 Hz");
    EXPECT_GE(d3d->findDisplayMode(params->getDisplayMode()), 0);
    EXPECT_EQ(d3d->getWidth(), 640u);
    RECT screen{};
    EXPECT_EQ(d3d->getScreenRect(&screen)->bottom, 480);

    const D3DPRESENT_PARAMETERS& present = *d3d->getPresentParams();
    EXPECT_EQ(present.BackBufferWidth, 640u);
    EXPECT_EQ(present.FullScreen_RefreshRateInHz, 0u); // windowed
    EXPECT_EQ(present.hDeviceWindow, params->getWindow()->getHWND());
    EXPECT_EQ(present.MultiSampleType, D3DMULTISAMPLE_NONE);
    const SIZE client = clientSize(present.hDeviceWindow);
    EXPECT_EQ(client.cx, 640);
    EXPECT_EQ(client.cy, 480);
    EXPECT_TRUE(d3d->TestCooperative());

    // A device that cannot be created: false, no device, and a later start works.
    d3d->setFailInitForTest(true);
    EXPECT_FALSE(d3d->init(params));
    EXPECT_EQ(d3d->getDevice(), nullptr);
    EXPECT_FALSE(d3d->isInitialized());
    EXPECT_FALSE(d3d->TestCooperative());
    d3d->setFailInitForTest(false);
    EXPECT_TRUE(d3d->init(params));
}

TEST_F(D3DInterfaceTest, SettingsTheDeviceRefusesAreReplacedByTheDefaults)
{
    params->getPresentParams()->BackBufferCount = 100;
    ASSERT_TRUE(d3d->init(params));
    ASSERT_NE(d3d->getDevice(), nullptr);
    // What a start without a configuration uses, and what is saved from now on.
    EXPECT_EQ(params->getPresentParams()->BackBufferCount, 1u);
    EXPECT_FALSE(params->isWindowed());
    EXPECT_EQ(d3d->findDisplayMode(params->getDisplayMode()), static_cast<int>(d3d->getDisplayModeList().size()) - 1);
    // The largest mode, as a first start takes it, is the desktop's own.
    EXPECT_EQ(params->getDisplayWidth(), static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(params->getDisplayHeight(), static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(params->getPresentParams()->BackBufferWidth, params->getDisplayWidth());
}

TEST_F(D3DInterfaceTest, ResolutionCommandsSwitchTheModeAndSignalOnce)
{
    *params->getDisplayMode() = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    start();
    EXPECT_EQ(run(L"D3D_getResolution"), L"1024 768 32");

    EXPECT_EQ(run(L"D3D_setResolution 800 600 32"), L"Aufl\u00F6sung wurde angepasst");
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 800x600", L"mode 800x600"}));
    EXPECT_EQ(run(L"D3D_getResolution"), L"800 600 32");
    EXPECT_EQ(backBufferSize(d3d->getDevice()).cx, 800);
    EXPECT_EQ(clientSize(window).cy, 600);
    EXPECT_TRUE(d3d->TestCooperative());

    // Any depth but 32 asks for the 16-bit format.
    run(L"D3D_setResolution 640 480 24");
    EXPECT_EQ(run(L"D3D_getResolution"), L"640 480 16");
    EXPECT_EQ(params->getDisplayMode()->Format, D3DFMT_R5G6B5);
    probe.take();

    // The same mode again changes nothing.
    run(L"D3D_setResolution 640 480 16");
    EXPECT_TRUE(probe.take().empty());
    // Without a depth the current one stays.
    run(L"D3D_setResolution 800 600");
    EXPECT_EQ(run(L"D3D_getResolution"), L"800 600 16");
    run(L"D3D_setResolution 640 480");
    probe.take();
    // Too few arguments: the help line, nothing else.
    EXPECT_EQ(run(L"D3D_setResolution 800"), L"D3D_setResolution res rey bpp; setzt die Aufl\u00F6sung");
    EXPECT_TRUE(probe.take().empty());

    // The limits change without touching the mode.
    EXPECT_EQ(run(L"D3D_setMaxScreenSize 800 600"), L"gesetzt");
    EXPECT_EQ(run(L"D3D_setMinScreenSize 320 200"), L"gesetzt");
    EXPECT_EQ(params->getMaxResX(), 800u);
    EXPECT_EQ(params->getMinResY(), 200u);
    EXPECT_TRUE(probe.take().empty());
    run(L"D3D_setResolution 1024 768 32");
    EXPECT_EQ(run(L"D3D_getResolution"), L"800 600 32");
}

TEST_F(D3DInterfaceTest, FullScreenCommandKeepsTheModeAndAlwaysResets)
{
    start();
    EXPECT_EQ(run(L"D3D_setFullscreen 1"), L"Vollbildmodus wurde angepasst");
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 640x480", L"mode 640x480"}));
    EXPECT_FALSE(params->isWindowed());
    EXPECT_EQ(params->getPresentParams()->FullScreen_RefreshRateInHz, 60u);
    EXPECT_TRUE(params->getWindow()->isFullscreen());

    run(L"D3D_setFullscreen 0");
    EXPECT_TRUE(params->isWindowed());
    EXPECT_FALSE(params->getWindow()->isFullscreen());
    EXPECT_EQ(params->getPresentParams()->FullScreen_RefreshRateInHz, 0u);
    probe.take();

    // The current mode with the windowed state kept: nothing happens.
    const D3DDISPLAYMODE current = *params->getDisplayMode();
    EXPECT_EQ(d3d->setDisplayMode(&current, -1, false), 0);
    EXPECT_TRUE(probe.take().empty());
    EXPECT_EQ(d3d->setDisplayMode(&current, 0, false), 1);
    EXPECT_EQ(probe.take().size(), 4u);
}

TEST_F(D3DInterfaceTest, LostDeviceIsResetExactlyOnce)
{
    start();
    ASSERT_TRUE(PlatformLoseDevice(d3d->getDevice()));
    EXPECT_FALSE(d3d->TestCooperative()); // lost: nothing to do yet
    EXPECT_TRUE(probe.take().empty());
    EXPECT_FALSE(d3d->TestCooperative()); // may be reset now
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 640x480"}));
    EXPECT_TRUE(d3d->TestCooperative());
    EXPECT_TRUE(d3d->TestCooperative());
    EXPECT_TRUE(probe.take().empty());

    d3d->setDeviceLostForTest(true);
    EXPECT_FALSE(d3d->TestCooperative());
    d3d->setDeviceLostForTest(false);
    EXPECT_TRUE(probe.take().empty());
}

TEST_F(D3DInterfaceTest, FailedResetSignalsNoResetAndIsTriedAgain)
{
    start();
    IDirect3DDevice9* device = d3d->getDevice();
    // A default-pool resource nobody released blocks the reset, as on Direct3D.
    IDirect3DTexture9* held = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &held, nullptr)));
    ASSERT_TRUE(PlatformLoseDevice(device));
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_EQ(probe.take(), Events{L"lost"});
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_EQ(probe.take(), Events{L"lost"});

    held->Release();
    EXPECT_FALSE(d3d->TestCooperative());
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 640x480"}));
    EXPECT_TRUE(d3d->TestCooperative());
}

TEST_F(D3DInterfaceTest, UnconfirmedModeRevertsAfterTenSecondsAndIsNeverSaved)
{
    start();
    PlatformUseVirtualClock(true);
    const D3DDISPLAYMODE wanted{800, 600, 60, D3DFMT_X8R8G8B8};
    EXPECT_EQ(d3d->setDisplayMode(&wanted, -1, true), 1);
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 800x600", L"mode 800x600", L"confirm?"}));
    EXPECT_TRUE(params->isPending());

    XMLNode saved(L"D3DINITPARAMS");
    params->save(&saved);
    EXPECT_EQ(saved.getNode(L"DISP_MODE")->getAttribute(L"RES_X")->getValue(), L"640");

    d3d->update();
    EXPECT_NEAR(probe.lastSecondsLeft, 10.0f, 0.01f);
    PlatformAdvanceVirtualClock(4000000);
    d3d->update();
    EXPECT_NEAR(probe.lastSecondsLeft, 6.0f, 0.01f);
    PlatformAdvanceVirtualClock(6000000);
    d3d->update(); // exactly ten seconds: still waiting
    EXPECT_TRUE(probe.take().empty());
    PlatformAdvanceVirtualClock(1000);
    d3d->update();
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 640x480", L"mode 640x480", L"refused"}));
    EXPECT_FALSE(params->isPending());
    EXPECT_EQ(run(L"D3D_getResolution"), L"640 480 32");
    d3d->update();
    EXPECT_TRUE(probe.take().empty());

    // Confirmed in time: kept. Refused: restored at once.
    d3d->setDisplayMode(&wanted, -1, true);
    probe.take();
    d3d->confirmDisplayMode(true);
    EXPECT_EQ(probe.take(), Events{L"confirmed"});
    d3d->confirmDisplayMode(true);
    EXPECT_TRUE(probe.take().empty());
    const D3DDISPLAYMODE small{640, 480, 60, D3DFMT_X8R8G8B8};
    d3d->setDisplayMode(&small, -1, true);
    probe.take();
    d3d->confirmDisplayMode(false);
    EXPECT_EQ(probe.take(), (Events{L"lost", L"reset", L"size 800x600", L"mode 800x600", L"refused"}));
}

TEST_F(D3DInterfaceTest, ConfirmationTimeoutSurvivesTheTickCounterWrap)
{
    start();
    PlatformUseVirtualClock(true);
    // Two seconds before the 32-bit millisecond counter wraps.
    const DWORD untilWrap = (0xFFFFFFFFu - 2000u) - GetTickCount();
    PlatformAdvanceVirtualClock(static_cast<uint64_t>(untilWrap) * 1000u);
    ASSERT_GT(GetTickCount(), 0xFFFFFFFFu - 2100u);

    const D3DDISPLAYMODE wanted{800, 600, 60, D3DFMT_X8R8G8B8};
    d3d->setDisplayMode(&wanted, -1, true);
    probe.take();
    PlatformAdvanceVirtualClock(5000000);
    ASSERT_LT(GetTickCount(), 10000u); // wrapped
    d3d->update();
    EXPECT_TRUE(params->isPending());
    EXPECT_NEAR(probe.lastSecondsLeft, 5.0f, 0.01f);
    EXPECT_TRUE(probe.take().empty());
    PlatformAdvanceVirtualClock(5500000);
    d3d->update();
    EXPECT_FALSE(params->isPending());
    EXPECT_EQ(probe.take().back(), L"refused");
}

TEST_F(D3DInterfaceTest, AutoDegradeKeepsAWindowInsideTheWorkArea)
{
    *params->getDisplayMode() = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    start();
    EXPECT_EQ(run(L"D3D_autodegrade 1 1"), L"gesetzt");
    const unsigned areaWidth = static_cast<unsigned>(GetSystemMetrics(SM_CXFULLSCREEN));
    const unsigned areaHeight = static_cast<unsigned>(GetSystemMetrics(SM_CYFULLSCREEN));
    EXPECT_EQ(params->getMaxResX(), areaWidth);
    EXPECT_EQ(params->getMaxResY(), areaHeight);
    EXPECT_LE(d3d->getWidth(), areaWidth);
    EXPECT_LE(d3d->getHeight(), areaHeight);
    const bool fits = areaWidth >= 1024 && areaHeight >= 768;
    const Events events = probe.take();
    EXPECT_EQ(!events.empty() && events.back() == L"degraded", !fits);

    // A display change re-reads the area; without re-applying only the limit moves.
    params->setAutoDegrade(true, false);
    params->setMaxRes(100, 100);
    HWND handle = window;
    UINT message = WM_DISPLAYCHANGE;
    WPARAM wParam = 32;
    LPARAM lParam = 0;
    d3d->onWindowMessage(handle, message, wParam, lParam);
    EXPECT_EQ(params->getMaxResX(), areaWidth);
    EXPECT_TRUE(probe.take().empty());

    // Full screen lifts the limit.
    run(L"D3D_setFullscreen 1");
    EXPECT_EQ(params->getMaxResX(), 0xFFFFFFFFu);
    probe.take();
    run(L"D3D_setResolution 1024 768 32");
    EXPECT_EQ(run(L"D3D_getResolution"), L"1024 768 32");
    EXPECT_EQ(probe.take().back(), L"mode 1024x768");
}

TEST_F(D3DInterfaceTest, CullModeFlipsBetweenTheTwoWindings)
{
    start();
    IDirect3DDevice9* device = d3d->getDevice();
    DWORD mode = 0;
    device->GetRenderState(D3DRS_CULLMODE, &mode);
    EXPECT_EQ(mode, static_cast<DWORD>(D3DCULL_CCW));
    d3d->flipCullMode();
    device->GetRenderState(D3DRS_CULLMODE, &mode);
    EXPECT_EQ(mode, static_cast<DWORD>(D3DCULL_CW));
    d3d->flipCullMode();
    device->GetRenderState(D3DRS_CULLMODE, &mode);
    EXPECT_EQ(mode, static_cast<DWORD>(D3DCULL_CCW));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d->flipCullMode();
    device->GetRenderState(D3DRS_CULLMODE, &mode);
    EXPECT_EQ(mode, static_cast<DWORD>(D3DCULL_NONE));
}

TEST_F(D3DInterfaceTest, EmptyModeListFailsCleanly)
{
    start();
    d3d->getDisplayModeList().clear();
    EXPECT_EQ(d3d->getBestDisplayMode(params->getDisplayMode()), nullptr);
    EXPECT_EQ(d3d->findDisplayMode(params->getDisplayMode()), -1);
    run(L"D3D_setResolution 800 600 32");
    EXPECT_EQ(run(L"D3D_getResolution"), L"640 480 32");
    EXPECT_TRUE(probe.take().empty());
    d3d->createDisplayModeList();
    EXPECT_FALSE(d3d->getDisplayModeList().empty());
}
