#include <windows.h>
#include <winsock2.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;

// The handler is a stand-in xdg-open that records what it was asked to open.
TEST(Shell, ShellExecuteStartsTheHandlerDetached)
{
    TestSupport::TempDir dir;
    fs::path record = dir / "opened.txt";
    TestSupport::writeText(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() +
                                                     ".part'\nmv '" + record.string() + ".part' '" + record.string() +
                                                     "'\n");
    fs::permissions(dir / "bin/xdg-open", fs::perms::owner_all);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", ((dir / "bin").string() + ":" + oldPath).c_str(), 1);

    HINSTANCE result =
        ShellExecuteW(nullptr, L"open", L"https://example.org/update?a=1&b=2", nullptr, nullptr, SW_SHOW);
    EXPECT_GT(reinterpret_cast<intptr_t>(result), 32);
    for (int i = 0; i < 500 && !fs::exists(record); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(TestSupport::readText(record), "https://example.org/update?a=1&b=2");

    EXPECT_LE(reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, L"open", L"no\\such\\file.txt", nullptr, nullptr, 1)),
              32);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(WSACleanup(), 0);
}
