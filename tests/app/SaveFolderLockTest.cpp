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
    ASSERT_TRUE(first.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 180s));

    const std::string profileWhileRunning = TestSupport::readText(first.saveFolder() / "profile.prf");
    const std::string configWhileRunning = TestSupport::readText(first.configFile());
    GameRun second;
    fs::remove(second.runFolder() / "intro.wmv");
    second.shareSaveFolderOf(first);
    second.captureStderr();
    second.start();
    EXPECT_EQ(second.waitForExit(120s), 255);
    EXPECT_NE(second.stderrText().find("Das Spiel läuft bereits"), std::string::npos) << second.stderrText();
    EXPECT_EQ(TestSupport::readText(first.saveFolder() / "profile.prf"), profileWhileRunning);
    EXPECT_EQ(TestSupport::readText(first.configFile()), configWhileRunning);

    first.terminate();
    EXPECT_EQ(first.waitForExit(180s), 0);
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
    ASSERT_TRUE(killed.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 180s));
    killed.signal(SIGKILL);
    EXPECT_EQ(killed.waitForExit(120s), -1);
    EXPECT_TRUE(fs::exists(killed.saveFolder() / "lock")) << "the file stays, its lock does not";

    GameRun next;
    fs::remove(next.runFolder() / "intro.wmv");
    next.shareSaveFolderOf(killed);
    next.start();
    EXPECT_TRUE(next.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 180s));
    next.terminate();
    EXPECT_EQ(next.waitForExit(180s), 0);
}

// A save of a hundred thousand profiles is refused as it is read; an end asked while it is read
// comes promptly and leaves the saves as they were.
TEST(SaveFolderLock, AnEndAskedWhileAHugeProfileFileIsReadLeavesTheSavesAlone)
{
    std::wstring text = L"<PROFILE ACTIVE_PROFIL=\"P0\">";
    for (int i = 0; i < 100000; ++i)
        text += L"<PROFIL NAME=\"P" + std::to_wstring(i) + L"\"><PUNKTE>\"|" + std::to_wstring(i) +
                L"|\"</PUNKTE><GEBAEUDE>\"|MUEHLE|\"</GEBAEUDE></PROFIL>";
    text += L"</PROFILE>";
    GameRun game;
    fs::remove(game.runFolder() / "intro.wmv");
    game.captureStderr();
    fs::create_directories(game.saveFolder());
    TestSupport::writeBytes(game.saveFolder() / "profile.prf", TestSupport::utf16le(text, true));
    const std::string before = TestSupport::readText(game.saveFolder() / "profile.prf");
    game.start();
    ASSERT_TRUE(game.waitForLog("UlvoFile.log", "getFILE_DATA", 180s));
    ASSERT_TRUE(game.waitForLog("UlvoFile.log", "profile.prf", 180s));
    game.terminate();
    // About 2 s in the optimised build; three minutes only fail a hang, also with the sanitizers on an overloaded machine.
    EXPECT_EQ(game.waitForExit(180s), 0) << "the end came late";
    EXPECT_NE(game.stderrText().find("100000 Profile"), std::string::npos) << "refused, and said so";
    EXPECT_TRUE(TestSupport::readText(game.saveFolder() / "profile.prf") == before) << "the save was written";
    for (const char* other : {"profile.prf.bak", "profile.prf.tmp"})
        EXPECT_FALSE(fs::exists(game.saveFolder() / other)) << other;
}
