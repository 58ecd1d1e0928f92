// Two games on one save folder: the second start says so and ends without touching the
// saves; a game that was killed does not keep the folder from the next start.
#include "GameRun.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const kDeviceStarted = "Ulvo::D3DInterface::init succeded!";

std::vector<uint8_t> profileText()
{
    return TestSupport::utf16le(L"<PROFILE ACTIVE_PROFIL=\"Anna\"><PROFIL NAME=\"Anna\"><PUNKTE>\"|4711|\"</PUNKTE>"
                                L"<GEBAEUDE>\"|MUEHLE|\"</GEBAEUDE></PROFIL></PROFILE>",
                                true);
}

bool holds(const std::string& bytes, const std::wstring& text)
{
    const std::vector<uint8_t> wanted = TestSupport::utf16le(text, false);
    return bytes.find(std::string(wanted.begin(), wanted.end())) != std::string::npos;
}

} // namespace

TEST(SaveFolderLock, ASecondGameOnTheSameSavesSaysSoAndLeavesThemAlone)
{
    GameRun first;
    fs::remove(first.runFolder() / "intro.wmv");
    first.captureStderr();
    fs::create_directories(first.saveFolder());
    TestSupport::writeBytes(first.saveFolder() / "profile.prf", profileText());
    first.start();
    ASSERT_TRUE(first.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 60s));

    const std::string profileWhileRunning = TestSupport::readText(first.saveFolder() / "profile.prf");
    const std::string configWhileRunning = TestSupport::readText(first.configFile());
    GameRun second;
    fs::remove(second.runFolder() / "intro.wmv");
    second.shareSaveFolderOf(first);
    second.captureStderr();
    second.start();
    EXPECT_EQ(second.waitForExit(30s), 255);
    EXPECT_NE(second.stderrText().find("Das Spiel läuft bereits"), std::string::npos) << second.stderrText();
    EXPECT_EQ(TestSupport::readText(first.saveFolder() / "profile.prf"), profileWhileRunning);
    EXPECT_EQ(TestSupport::readText(first.configFile()), configWhileRunning);

    first.terminate();
    EXPECT_EQ(first.waitForExit(60s), 0);
    EXPECT_EQ(first.stderrText().find("cannot be made current"), std::string::npos) << "an orderly end is quiet";
    const std::string kept = TestSupport::readText(first.saveFolder() / "profile.prf");
    EXPECT_TRUE(holds(kept, L"4711")) << "the first game's progress";
    EXPECT_TRUE(holds(kept, L"MUEHLE"));
}

TEST(SaveFolderLock, AKilledGameDoesNotBlockTheNextStart)
{
    GameRun killed;
    fs::remove(killed.runFolder() / "intro.wmv");
    killed.start();
    ASSERT_TRUE(killed.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 60s));
    killed.signal(SIGKILL);
    EXPECT_EQ(killed.waitForExit(20s), -1);
    EXPECT_TRUE(fs::exists(killed.saveFolder() / "lock")) << "the file stays, its lock does not";

    GameRun next;
    fs::remove(next.runFolder() / "intro.wmv");
    next.shareSaveFolderOf(killed);
    next.start();
    EXPECT_TRUE(next.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 60s));
    next.terminate();
    EXPECT_EQ(next.waitForExit(60s), 0);
}
