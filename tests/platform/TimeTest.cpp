#include <windows.h>
#include <platform_test.h>

#include <gtest/gtest.h>

TEST(Time, VirtualClockMovesOnlyWhenTold)
{
    LARGE_INTEGER frequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 10000000);

    PlatformUseVirtualClock(true);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD ticks = GetTickCount();
    DWORD mmTicks = timeGetTime();

    Sleep(250); // returns at once, a quarter second later
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    EXPECT_EQ(now.QuadPart - start.QuadPart, frequency.QuadPart / 4);
    EXPECT_EQ(GetTickCount() - ticks, 250u);

    PlatformAdvanceVirtualClock(1500);
    QueryPerformanceCounter(&now);
    EXPECT_EQ(now.QuadPart - start.QuadPart, 2515000);
    EXPECT_EQ(timeGetTime() - mmTicks, 251u);
    PlatformUseVirtualClock(false);
}

TEST(Time, RealClockAdvancesWithSleep)
{
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    Sleep(20);
    QueryPerformanceCounter(&end);
    EXPECT_GE(end.QuadPart - start.QuadPart, 200000); // 20 ms in 100 ns steps
}
