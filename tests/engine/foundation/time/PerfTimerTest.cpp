#include "foundation/console/ConsoleDispatcher.h"
#include "foundation/time/PerfTimer.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

class ClockRecorder : public sigslot::has_slots<> {
public:
    void onGame(double t) { events.push_back("game " + std::to_string(t)); }
    void onReal(double t) { events.push_back("real " + std::to_string(t)); }
    void onPaused(bool paused) { events.push_back(std::string("paused ") + (paused ? "1" : "0")); }
    void onSlot(uint8_t slot, bool none) { events.push_back("slot " + std::to_string(slot) + (none ? " none" : "")); }
    void onRunOut(CountDown& c) { events.push_back("out " + std::to_string(c.getRemaining() <= 0.0)); }
    void onStep(CountDown&) { events.push_back("step"); }
    void onCancelled(CountDown&) { events.push_back("cancelled"); }

    std::vector<std::string> events;
};

class PerfTimerTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformUseVirtualClock(true); }
    void TearDown() override { PlatformUseVirtualClock(false); }

    static void step(PerfTimer& timer, uint64_t milliseconds)
    {
        PlatformAdvanceVirtualClock(milliseconds * 1000);
        timer.update();
    }

    static std::wstring run(const std::wstring& text)
    {
        TypedConsoleCommand line(text);
        line.setAnswer(L"Befehl nicht gefunden!");
        ConsoleDispatcher::getInstance()->execute(line);
        return line.getAnswer();
    }
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(PerfTimerTest, MeasuresFrameTimesWithEitherCounter)
{
    PerfTimer fine(true);
    PerfTimer coarse(false);
    EXPECT_TRUE(fine.isHighResolution());
    EXPECT_FALSE(coarse.isHighResolution());
    EXPECT_DOUBLE_EQ(coarse.getTickLength(), 0.001);

    ClockRecorder recorder;
    fine.onGameFrameTime.connect(&recorder, &ClockRecorder::onGame);
    fine.onRealFrameTime.connect(&recorder, &ClockRecorder::onReal);

    PlatformAdvanceVirtualClock(250000);
    fine.update();
    coarse.update();
    EXPECT_NEAR(fine.getRealFrameTime(), 0.25, 1e-9);
    EXPECT_NEAR(fine.getFrameTime(), 0.25, 1e-9);
    EXPECT_NEAR(coarse.getRealFrameTime(), 0.25, 1e-9);
    EXPECT_EQ(recorder.events, (Events{"game 0.250000", "real 0.250000"}));

    step(fine, 100);
    EXPECT_NEAR(fine.getRealTime(), 0.35, 1e-9);
    EXPECT_NEAR(fine.getGameTime(), 0.35, 1e-9);
}

TEST_F(PerfTimerTest, PauseSlotSignals)
{
    PerfTimer timer(true);
    ClockRecorder recorder;
    timer.onPausedChanged.connect(&recorder, &ClockRecorder::onPaused);
    timer.onPauseSlotChanged.connect(&recorder, &ClockRecorder::onSlot);

    timer.setPause(3, true);
    timer.setPause(5, true);
    timer.setPause(5, true); // no change, no signal
    EXPECT_EQ(recorder.events, (Events{"slot 3", "paused 1", "slot 5"}));

    recorder.events.clear();
    timer.setPause(3, false);
    EXPECT_EQ(recorder.events, (Events{"slot 3"}));
    timer.setPause(5, false);
    EXPECT_EQ(recorder.events, (Events{"slot 3", "slot 5 none", "paused 0"}));

    // Slots count modulo 32.
    timer.setPause(35, true);
    EXPECT_TRUE(timer.isPaused(3));
    EXPECT_EQ(timer.getPauseSlots(), 1u << 3);
    timer.setPause(3, false);
    EXPECT_FALSE(timer.isPaused(35));
}

TEST_F(PerfTimerTest, PauseAndFactorShapeGameTime)
{
    PerfTimer timer(true);
    ClockRecorder recorder;
    timer.onPausedChanged.connect(&recorder, &ClockRecorder::onPaused);
    CountDown* countDown = new CountDown(1.0);
    timer.addCountDown(countDown);

    timer.setPause(0, true);
    step(timer, 500);
    EXPECT_NEAR(timer.getRealTime(), 0.5, 1e-9);
    EXPECT_EQ(timer.getFrameTime(), 0.0);
    EXPECT_EQ(timer.getGameTime(), 0.0);
    EXPECT_DOUBLE_EQ(countDown->getRemaining(), 1.0);
    timer.setPause(0, false);

    timer.setUserTimeFactor(2.0);
    step(timer, 100);
    EXPECT_NEAR(timer.getFrameTime(), 0.2, 1e-9);
    EXPECT_NEAR(countDown->getRemaining(), 0.8, 1e-9);

    recorder.events.clear();
    timer.setUserTimeFactor(0.0);
    step(timer, 100);
    EXPECT_EQ(timer.getFrameTime(), 0.0);
    EXPECT_NEAR(timer.getRealTime(), 0.7, 1e-9);
    EXPECT_NEAR(timer.getGameTime(), 0.2, 1e-9);
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(PerfTimerTest, CountDownsRunOnGameTime)
{
    PerfTimer timer(true);
    ClockRecorder recorder;
    CountDown* slow = new CountDown(1.0, 0.5);
    CountDown* held = new CountDown(0.1);
    CountDown* cancelled = new CountDown(5.0);
    slow->connect(&recorder, &ClockRecorder::onRunOut);
    slow->onStep.connect(&recorder, &ClockRecorder::onStep);
    cancelled->onCancelled.connect(&recorder, &ClockRecorder::onCancelled);
    held->setPaused(true);
    ASSERT_TRUE(timer.addCountDown(slow));
    ASSERT_TRUE(timer.addCountDown(held));
    ASSERT_TRUE(timer.addCountDown(cancelled));
    EXPECT_FALSE(timer.addCountDown(slow));
    EXPECT_FALSE(timer.addCountDown(nullptr));

    step(timer, 1500);
    EXPECT_NEAR(slow->getRemaining(), 0.25, 1e-9);
    EXPECT_DOUBLE_EQ(held->getRemaining(), 0.1);
    step(timer, 500);
    EXPECT_EQ(recorder.events, (Events{"step", "step", "out 1"}));
    EXPECT_EQ(timer.getCountDowns(), (std::vector<CountDown*>{held, cancelled}));

    EXPECT_TRUE(timer.removeCountDown(cancelled));
    EXPECT_FALSE(timer.removeCountDown(cancelled));
    EXPECT_EQ(recorder.events.back(), "cancelled");
    EXPECT_EQ(timer.getCountDowns(), (std::vector<CountDown*>{held}));
    // The held one goes with the clock, silently.
}

namespace {

// Removes another count-down (and tries itself) from inside the run-out signal.
class Remover : public sigslot::has_slots<> {
public:
    void onRunOut(CountDown& self)
    {
        selfRemoved = timer->removeCountDown(&self);
        otherRemoved = timer->removeCountDown(other);
        timer->addCountDown(new CountDown(0.01));
    }
    PerfTimer* timer = nullptr;
    CountDown* other = nullptr;
    bool selfRemoved = true;
    bool otherRemoved = false;
};

} // namespace

TEST_F(PerfTimerTest, SlotsMayChangeTheListDuringAnUpdate)
{
    PerfTimer timer(true);
    Remover remover;
    remover.timer = &timer;
    CountDown* first = new CountDown(0.05);
    remover.other = new CountDown(0.05);
    first->connect(&remover, &Remover::onRunOut);
    timer.addCountDown(first);
    timer.addCountDown(remover.other);

    step(timer, 100);
    EXPECT_FALSE(remover.selfRemoved);
    EXPECT_TRUE(remover.otherRemoved);
    // The one added in the slot joined the same pass and ran out too.
    EXPECT_TRUE(timer.getCountDowns().empty());
}

TEST_F(PerfTimerTest, ConsoleCommands)
{
    PerfTimer timer(true);
    EXPECT_EQ(run(L"time_pause 1"), L"TIME_Pause 0/1 Pauseslot; pausiert oder aktiviert den Pauseslot");
    EXPECT_EQ(timer.getPauseSlots(), 0u);

    EXPECT_EQ(run(L"TIME_Pause 1 263"), L""); // 263 narrows to slot 7
    EXPECT_TRUE(timer.isPaused(7));
    run(L"TIME_Pause 0 7");
    EXPECT_EQ(timer.getPauseSlots(), 0u);

    EXPECT_EQ(run(L"TIME_UserTimeFaktor"),
              L"TIME_UserTimeFaktor faktor; multipliziert die echtzeit mit dem faktor um die spielzeit zu berechnen");
    EXPECT_EQ(run(L"time_usertimefaktor 2.5"), L"Zeitfaktor: 2.5");
    EXPECT_DOUBLE_EQ(timer.getUserTimeFactor(), 2.5);
}
