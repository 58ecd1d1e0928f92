#include "support/LogCapture.h"
#include "foundation/time/MeasureManager.h"
#include "foundation/time/MeasureTime.h"
#include "foundation/time/Measures.h"

#include <platform_test.h>

#include <gtest/gtest.h>

using Ulvo::MeasureManager;
using Ulvo::Measures;
using Ulvo::MeasureTime;

namespace {

// Virtual clock and default settings for the length of a test.
class MeasuresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformUseVirtualClock(true);
        Measures::setKeepSamples(false);
        Measures::setMinWarningInterval(0);
    }
    void TearDown() override
    {
        Measures::setMeasuring(false);
        Measures::setKeepSamples(false);
        Measures::setMinWarningInterval(0);
        PlatformUseVirtualClock(false);
    }

    // One period in which the section runs for the given milliseconds.
    static void period(Measures& section, uint64_t milliseconds, int mode = 1)
    {
        section.start();
        PlatformAdvanceVirtualClock(milliseconds * 1000);
        section.stop();
        section.update(mode);
    }
};

} // namespace

TEST_F(MeasuresTest, StopwatchRestartsOnEveryReading)
{
    MeasureTime watch(L"watch");
    PlatformAdvanceVirtualClock(250000);
    EXPECT_NEAR(watch.peek(), 0.25, 1e-6);
    EXPECT_NEAR(watch.elapsed(), 0.25, 1e-6);
    PlatformAdvanceVirtualClock(10000);
    EXPECT_NEAR(watch.elapsed(), 0.01, 1e-6);
    EXPECT_NEAR(watch.getLastElapsed(), 0.01, 1e-6);
    EXPECT_NEAR(watch.elapsed(), 0.0, 1e-9);
}

TEST_F(MeasuresTest, NestedStartsCountOnce)
{
    Measures::setKeepSamples(true);
    Measures section(L"Loop", L"Root", nullptr);
    section.stop(); // without a start: nothing to count
    EXPECT_EQ(section.getDepth(), 0);

    section.start();
    PlatformAdvanceVirtualClock(1000);
    section.start();
    PlatformAdvanceVirtualClock(2000);
    section.stop();
    EXPECT_EQ(section.getCount(0), 0u);
    PlatformAdvanceVirtualClock(3000);
    section.stop();

    EXPECT_EQ(section.getCount(0), 1u);
    EXPECT_NEAR(section.getSum(0), 0.006, 1e-7);
    ASSERT_EQ(section.getSamples(0).size(), 1u);
    EXPECT_NEAR(section.getSamples(0)[0], 0.006, 1e-7);
    EXPECT_EQ(section.getFullName(), L"Root.Loop");
}

TEST_F(MeasuresTest, DoublingAndHalvingPeriodsAreReported)
{
    LogCapture log;
    Measures section(L"Loop", L"MeasureManager", nullptr);
    period(section, 10);
    period(section, 10);
    period(section, 30); // rising starts against 10 ms
    EXPECT_TRUE(section.isRising());
    EXPECT_EQ(log.text().find("angestiegen"), std::string::npos);

    period(section, 30);
    EXPECT_FALSE(section.isRising());
    EXPECT_NE(log.text().find("MeasureManager.Loop auf das 3 fache angestiegen! Jetzt 30ms\n"), std::string::npos)
        << log.text();

    period(section, 10); // falling starts against 30 ms
    EXPECT_TRUE(section.isFalling());
    period(section, 10);
    EXPECT_FALSE(section.isFalling());
    EXPECT_NE(log.text().find("MeasureManager.Loop auf das 0.3 fache gefallen! Jetzt 10ms\n"), std::string::npos)
        << log.text();

    // A rise that settles before the next period ends quietly.
    period(section, 30);
    EXPECT_TRUE(section.isRising());
    period(section, 20);
    EXPECT_FALSE(section.isRising());
    EXPECT_EQ(log.text().find("3 fache angestiegen! Jetzt 20ms"), std::string::npos);
}

TEST_F(MeasuresTest, WarningsWaitForTheMinimumTime)
{
    LogCapture log;
    Measures::setMinWarningInterval(100);
    Measures section(L"Render", L"MeasureManager", nullptr);
    period(section, 10);
    period(section, 10);
    period(section, 40); // rising starts
    period(section, 40); // only 40 ms since then
    EXPECT_TRUE(section.isRising());
    EXPECT_EQ(log.text().find("angestiegen"), std::string::npos);
    period(section, 40);
    period(section, 40); // 120 ms since rising started
    EXPECT_FALSE(section.isRising());
    EXPECT_NE(log.text().find("MeasureManager.Render auf das 4 fache angestiegen! Jetzt 40ms"), std::string::npos)
        << log.text();
}

TEST_F(MeasuresTest, ModesRollOwnerAndOtherSections)
{
    Measures root(L"Root", L"", nullptr);
    Measures* owned = root.child(L"Owned", true);
    Measures* plain = root.child(L"Plain", true);
    owned->setRolledByOwner(true);

    root.update(0); // root is not rolled by its owner; children get mode 2
    EXPECT_EQ(root.getCurrentBuffer(), 0u);
    EXPECT_EQ(owned->getCurrentBuffer(), 0u);
    EXPECT_EQ(plain->getCurrentBuffer(), 1u);

    root.update(2);
    EXPECT_EQ(root.getCurrentBuffer(), 1u);
    EXPECT_EQ(owned->getCurrentBuffer(), 0u);
    EXPECT_EQ(plain->getCurrentBuffer(), 0u);

    root.update(7); // the section itself always rolls, children still by mode 2
    EXPECT_EQ(root.getCurrentBuffer(), 0u);
    EXPECT_EQ(owned->getCurrentBuffer(), 0u);
    EXPECT_EQ(plain->getCurrentBuffer(), 1u);

    owned->update(0);
    EXPECT_EQ(owned->getCurrentBuffer(), 1u);

    // Rolling empties the new buffer's sum but keeps the counts.
    plain->start();
    PlatformAdvanceVirtualClock(5000);
    plain->stop();
    plain->update(1);
    plain->update(1);
    EXPECT_EQ(plain->getCurrentSum(), 0.0);
    EXPECT_EQ(plain->getCount(1), 1u);
}

TEST_F(MeasuresTest, DottedPathsAndCollect)
{
    Measures root(L"Root", L"", nullptr);
    EXPECT_EQ(root.child(L"A.B", false), nullptr);
    Measures* b = root.child(L"A.B", true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getFullName(), L"Root.A.B");
    EXPECT_EQ(b->getParent(), root.child(L"A", false));
    EXPECT_EQ(root.child(L"A.B", true), b);
    root.child(L"C", true);

    std::vector<Measures*> none;
    root.collect(none, 0, true);
    EXPECT_TRUE(none.empty());

    std::vector<Measures*> all;
    root.collect(all, 5, true);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->getFullName(), L"Root.A");
    EXPECT_EQ(all[1]->getFullName(), L"Root.A.B");
    EXPECT_EQ(all[2]->getFullName(), L"Root.C");

    std::vector<Measures*> top;
    root.collect(top, 1, false);
    EXPECT_EQ(top.size(), 2u);

    EXPECT_TRUE(root.resetChild(L"A.B"));
    EXPECT_FALSE(root.resetChild(L"A.X"));
}

TEST_F(MeasuresTest, ManagerDoesNothingWhileMeasuringIsOff)
{
    MeasureManager* manager = MeasureManager::getInstance();
    ASSERT_EQ(manager, MeasureManager::getInstance());
    EXPECT_EQ(manager->getName(), L"MeasureManager");

    Measures::setMeasuring(false);
    EXPECT_EQ(manager->child(L"UpdateLoop", true), manager);
    EXPECT_EQ(manager->start(L"UpdateLoop"), nullptr);
    std::vector<Measures*> list;
    manager->collect(list, 3, true);
    EXPECT_TRUE(list.empty());

    Measures::setMeasuring(true);
    Measures* loop = manager->start(L"UpdateLoop.Input");
    ASSERT_NE(loop, nullptr);
    EXPECT_NE(loop, manager);
    EXPECT_EQ(loop->getFullName(), L"MeasureManager.UpdateLoop.Input");
    PlatformAdvanceVirtualClock(2000);
    EXPECT_EQ(manager->stop(L"UpdateLoop.Input"), loop);
    EXPECT_EQ(loop->getCount(loop->getCurrentBuffer()), 1u);
    manager->collect(list, 3, true);
    EXPECT_EQ(list.size(), 2u);
}
