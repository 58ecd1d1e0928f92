#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

TEST(CRuntime, RandFollowsTheMicrosoftGenerator)
{
    crt_srand(1);
    EXPECT_EQ(crt_rand(), 41);
    EXPECT_EQ(crt_rand(), 18467);
    EXPECT_EQ(crt_rand(), 6334);
    EXPECT_EQ(crt_rand(), 26500);
    EXPECT_EQ(crt_rand(), 19169);

    crt_srand(12345);
    int first = crt_rand();
    crt_srand(12345);
    EXPECT_EQ(crt_rand(), first);
    for (int i = 0; i < 1000; ++i) {
        int value = crt_rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, CRT_RAND_MAX);
    }

    // A new thread starts from seed 1, whatever this thread did.
    int inThread = 0;
    std::thread([&inThread] { inThread = crt_rand(); }).join();
    EXPECT_EQ(inThread, 41);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    BOOL otherGotIt = TRUE;
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&section);
        if (otherGotIt)
            LeaveCriticalSection(&section);
    }).join();
    EXPECT_FALSE(otherGotIt);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&section);
        if (otherGotIt)
            LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(otherGotIt);
    DeleteCriticalSection(&section);
}

TEST(Com, InitialisationNestsPerThread)
{
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
    void* memory = CoTaskMemAlloc(16);
    EXPECT_NE(memory, nullptr);
    CoTaskMemFree(memory);
}
