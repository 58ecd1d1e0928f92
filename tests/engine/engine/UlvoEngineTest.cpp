// The engine's main loop on the virtual clock: step rates, the accumulator
// rules, the lost device, quit messages and exit codes.
#include <windows.h>

#include "devices/d3d/D3DInterface.h"
#include "engine/CommandLine.h"
#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/app/MainLoopSignals.h"
#include "foundation/time/MeasureManager.h"
#include "engine/UlvoEngine.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

using namespace Ulvo;

namespace {

// Messages the tests post to the engine's window.
constexpr UINT kAdvanceClock = WM_APP + 1; // wParam: microseconds to advance
constexpr UINT kWatchdog = WM_APP + 2;     // the loop would not end by itself

double virtualSeconds()
{
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Watches the engine's signals. Advancing the clock from a served message
// stands for the time a real loop pass takes.
class LoopProbe : public sigslot::has_slots<> {
public:
    explicit LoopProbe(UlvoEngine* engine) : m_engine(engine)
    {
        engine->onWindowMessage.connect(this, &LoopProbe::message);
        engine->onUpdate.connect(this, &LoopProbe::update);
        engine->onAfterUpdate.connect(this, &LoopProbe::afterUpdate);
        engine->onRender.connect(this, &LoopProbe::render);
        engine->onAfterRender.connect(this, &LoopProbe::afterRender);
        engine->onExit.connect(this, &LoopProbe::exited);
    }

    void message(HWND&, UINT& message, WPARAM& wParam, LPARAM&)
    {
        if (message == kAdvanceClock) {
            PlatformAdvanceVirtualClock(static_cast<uint64_t>(wParam));
            ++advances;
            pending.store(false);
        } else if (message == kWatchdog) {
            m_engine->exit(99);
        } else if (message == WM_TIMER) {
            ++timers;
            PostQuitMessage(5);
        }
    }
    void update() { ++updates; }
    void afterUpdate()
    {
        updateAccumulators.push_back(m_engine->getUpdateAccumulator());
        if (afterUpdateHook)
            afterUpdateHook();
    }
    void render() { ++renders; }
    void afterRender() { renderAccumulators.push_back(m_engine->getRenderAccumulator()); }
    void exited(const uint32_t& code) { exitCodes.push_back(code); }

    int updates = 0;
    int renders = 0;
    int advances = 0;
    int timers = 0;
    std::vector<double> updateAccumulators;
    std::vector<double> renderAccumulators;
    std::vector<uint32_t> exitCodes;
    std::function<void()> afterUpdateHook;
    std::atomic<bool> pending{false};

private:
    UlvoEngine* m_engine;
};

// Ends a loop that fails to end by itself after some real seconds.
class Watchdog {
public:
    explicit Watchdog(HWND window)
        : m_thread([this, window] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!m_stop.load() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (!m_stop.load())
                PostMessageW(window, kWatchdog, 0, 0);
        })
    {
    }
    ~Watchdog()
    {
        m_stop.store(true);
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void drainMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageW(&msg);
    }
}

class UlvoEngineLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = UlvoEngine::getInstance();
        ASSERT_TRUE(engine->getWindow()->createWindow());
        ASSERT_TRUE(engine->init());
        window = engine->getWindow()->getHWND();
        drainMessages();
        PlatformUseVirtualClock(true);
    }

    void TearDown() override
    {
        PlatformUseVirtualClock(false);
        D3DInterface::getInstance()->setDeviceLostForTest(false);
        drainMessages();
    }

    void post(UINT message, WPARAM wParam = 0) { ASSERT_TRUE(PostMessageW(window, message, wParam, 0)); }

    UlvoEngine* engine = nullptr;
    HWND window = nullptr;
};

} // namespace

TEST_F(UlvoEngineLoopTest, StepsRunAtMost600UpdatesAnd40RendersPerSecond)
{
    Measures::setMeasuring(true);
    auto countOf = [](const wchar_t* name) {
        Measures* section = MeasureManager::getInstance()->child(name, false);
        return section ? section->getCount(0) + section->getCount(1) : 0u;
    };
    const uint32_t updatesBefore = countOf(L"UpdateLoop");
    const uint32_t rendersBefore = countOf(L"RenderLoop");

    LoopProbe probe(engine);
    const double start = virtualSeconds();
    probe.afterUpdateHook = [&] {
        if (virtualSeconds() - start >= 10.0)
            engine->exit(0);
    };

    // While less than a millisecond is left to the next frame the loop polls
    // without sleeping; a real pass takes time there. Here each served message
    // is 250 microseconds of such polling.
    std::atomic<bool> stop{false};
    std::thread driver([&] {
        while (!stop.load()) {
            if (!probe.pending.exchange(true))
                PostMessageW(window, kAdvanceClock, 250, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    int result = 0;
    {
        Watchdog watchdog(window);
        result = engine->run();
    }
    stop.store(true);
    driver.join();
    const uint32_t measuredUpdates = countOf(L"UpdateLoop") - updatesBefore;
    const uint32_t measuredRenders = countOf(L"RenderLoop") - rendersBefore;
    Measures::setMeasuring(false);

    const double elapsed = virtualSeconds() - start;
    EXPECT_EQ(result, 0);
    EXPECT_GE(elapsed, 10.0);
    EXPECT_LT(elapsed, 10.1);
    // At most one update per 1/600 s and one render per 0.025 s.
    EXPECT_LE(probe.updates, 6001);
    EXPECT_GE(probe.updates, 5700); // the loop keeps up with the interval
    EXPECT_GE(probe.renders, 399);
    EXPECT_LE(probe.renders, 401);
    EXPECT_NEAR(engine->getRenderRate(), 40.0, 4.0);
    // The measure sections count every step.
    EXPECT_EQ(measuredUpdates, static_cast<uint32_t>(probe.updates));
    EXPECT_EQ(measuredRenders, static_cast<uint32_t>(probe.renders));
    EXPECT_EQ(probe.exitCodes, std::vector<uint32_t>{0});
}

TEST_F(UlvoEngineLoopTest, AfterAStallEachStepHalvesTheBacklog)
{
    LoopProbe probe(engine);
    probe.afterUpdateHook = [&] {
        if (probe.updateAccumulators.size() == 6)
            engine->exit(0);
    };
    post(kAdvanceClock, 1000000); // a one-second stall before the first step
    {
        Watchdog watchdog(window);
        EXPECT_EQ(engine->run(), 0);
    }
    // One update per pass, each leaving half of the backlog.
    const std::vector<double> updates = {0.5, 0.25, 0.125, 0.0625, 0.03125, 0.015625};
    ASSERT_EQ(probe.updateAccumulators.size(), updates.size());
    for (std::size_t i = 0; i < updates.size(); ++i)
        EXPECT_NEAR(probe.updateAccumulators[i], updates[i], 1e-6) << i;
    // Renders in the same passes, until less than two intervals are left: then
    // only the interval goes.
    const std::vector<double> renders = {0.5, 0.25, 0.125, 0.0625, 0.03125, 0.00625};
    ASSERT_EQ(probe.renderAccumulators.size(), renders.size());
    for (std::size_t i = 0; i < renders.size(); ++i)
        EXPECT_NEAR(probe.renderAccumulators[i], renders[i], 1e-6) << i;
    EXPECT_EQ(probe.updates, 6);
}

TEST_F(UlvoEngineLoopTest, LostDeviceRunsNoStepsButServesMessagesAndSleeps)
{
    LoopProbe probe(engine);
    D3DInterface::getInstance()->setDeviceLostForTest(true);
    post(kAdvanceClock, 0);
    post(kAdvanceClock, 0);
    // The timer fires only when virtual time passes, that is when the loop sleeps.
    ASSERT_NE(SetTimer(window, 77, 50, nullptr), 0u);
    const double start = virtualSeconds();
    int result = 0;
    {
        Watchdog watchdog(window);
        result = engine->run();
    }
    KillTimer(window, 77);

    EXPECT_EQ(result, 5); // the timer's quit message, not the watchdog
    EXPECT_EQ(probe.advances, 2);
    EXPECT_EQ(probe.timers, 1);
    EXPECT_EQ(probe.updates, 0);
    EXPECT_EQ(probe.renders, 0);
    EXPECT_GE(virtualSeconds() - start, 0.0499); // slept in 1 ms steps until the timer was due
}

TEST_F(UlvoEngineLoopTest, QuitMessageEndsTheLoopWithItsCode)
{
    LoopProbe probe(engine);
    post(kAdvanceClock, 1000);
    PostQuitMessage(42);
    EXPECT_EQ(engine->run(), 42);
    EXPECT_EQ(probe.advances, 1); // messages before the quit are served
    EXPECT_EQ(probe.exitCodes, std::vector<uint32_t>{42});
    EXPECT_FALSE(engine->isRunning());
}

TEST_F(UlvoEngineLoopTest, AnUpdateThatLeavesACloseWaitingDrawsNoFrameAfterIt)
{
    // As when a scene loads in the update and the window's close arrives meanwhile: the frame
    // that would follow (seconds of a huge scene) is not drawn before the close is served.
    LoopProbe probe(engine);
    probe.afterUpdateHook = [&] {
        if (probe.updates != 1)
            return;
        PostMessageW(nullptr, WM_CLOSE, 0, 0);
        PostQuitMessage(3);
        // The queues are looked at every 100 ms at most while nothing waits.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    };
    post(kAdvanceClock, 100000);
    int result = 0;
    {
        Watchdog watchdog(window);
        result = engine->run();
    }
    EXPECT_EQ(result, 3);
    EXPECT_EQ(probe.updates, 1);
    EXPECT_EQ(probe.renders, 0);
}

TEST_F(UlvoEngineLoopTest, ExitCommandEndsTheLoopOnlyWithATrueArgument)
{
    LoopProbe probe(engine);
    std::vector<std::wstring> answers;
    probe.afterUpdateHook = [&] {
        TypedConsoleCommand line(answers.empty() ? L"E_Exit 0" : L"e_exit 1");
        line.setAnswer(L"Befehl nicht gefunden!");
        ConsoleDispatcher::getInstance()->execute(line);
        answers.push_back(line.getAnswer());
    };
    post(kAdvanceClock, 10000);
    {
        Watchdog watchdog(window);
        EXPECT_EQ(engine->run(), 0);
    }
    // The second line ended the loop; its answer stays as the console set it.
    EXPECT_EQ(answers, (std::vector<std::wstring>{L" still running!", L"Befehl nicht gefunden!"}));
    EXPECT_EQ(probe.updates, 2);
    EXPECT_EQ(probe.exitCodes, std::vector<uint32_t>{0});
}

TEST_F(UlvoEngineLoopTest, CommandLineIsRefusedOnceInitialised)
{
    const bool debug = engine->isDebug();
    EXPECT_FALSE(parseCommandLine(engine, "-DEBUG 1"));
    EXPECT_EQ(engine->isDebug(), debug);
}

// The layers below see the loop only through the hub: the engine's signals are the hub's,
// the hub's running state follows the loop, and a request through the hub ends the loop.
TEST_F(UlvoEngineLoopTest, TheHubCarriesTheLoopToTheLayersBelow)
{
    struct HubProbe : sigslot::has_slots<> {
        MainLoopSignals* hub = &MainLoopSignals::getInstance();
        int updates = 0;
        int messages = 0;
        bool runningInSteps = true;
        void update()
        {
            runningInSteps = runningInSteps && hub->isRunning();
            if (++updates == 2)
                hub->exitRequested.emit(7);
        }
        void message(HWND&, UINT& message, WPARAM&, LPARAM&) { messages += message == kAdvanceClock; }
    } probe;
    MainLoopSignals& hub = *probe.hub;
    EXPECT_EQ(&engine->onUpdate, &hub.onUpdate);
    EXPECT_EQ(&engine->onExit, &hub.onExit);
    hub.onUpdate.connect(&probe, &HubProbe::update);
    hub.onWindowMessage.connect(&probe, &HubProbe::message);
    LoopProbe loop(engine);
    post(kAdvanceClock, 10000);
    EXPECT_FALSE(hub.isRunning());
    {
        Watchdog watchdog(window);
        EXPECT_EQ(engine->run(), 7);
    }
    EXPECT_EQ(probe.updates, 2);
    EXPECT_EQ(probe.messages, 1);
    EXPECT_TRUE(probe.runningInSteps);
    EXPECT_FALSE(hub.isRunning());
    EXPECT_EQ(loop.exitCodes, std::vector<uint32_t>{7});
}

// Leaves the loop state at -1 for the rest of the process, so it runs last.
TEST_F(UlvoEngineLoopTest, ZzExitBeforeRunMakesRunReturnMinusOne)
{
    LoopProbe probe(engine);
    engine->exit(3);
    EXPECT_EQ(engine->run(), -1);
    EXPECT_TRUE(probe.exitCodes.empty());
    EXPECT_EQ(probe.updates, 0);
}
