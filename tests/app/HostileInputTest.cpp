// The built game, started headless, against what a careless user or data author leaves
// behind: broken settings, files that are no files, references out of the data tree, and
// requests to end from outside. Every case starts, ends in order and leaves usable settings.
#include "GameRun.h"
#include "foundation/xml/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const kDeviceStarted = "Ulvo::D3DInterface::init succeded!";

void writeConfig(const GameRun& game, const std::wstring& text)
{
    fs::create_directories(game.configFile().parent_path());
    TestSupport::writeBytes(game.configFile(), TestSupport::utf16le(text, true));
}

std::wstring configValue(const GameRun& game, const std::wstring& path, const wchar_t* key)
{
    Ulvo::XMLNode document;
    if (!Ulvo::XMLNode::load(&document, game.configFile().wstring(), 0))
        return L"<unreadable>";
    const Ulvo::XMLNode* node = &document;
    std::size_t begin = 0;
    while (node && begin < path.size()) {
        const std::size_t end = std::min(path.find(L'/', begin), path.size());
        node = node->getNode(path.substr(begin, end - begin));
        begin = end + 1;
    }
    const Ulvo::XMLAttribute* attribute = node ? node->getAttribute(key) : nullptr;
    return attribute ? attribute->getValue() : L"<none>";
}

// Starts without the intro, waits for the device, lets the loop run a moment, then ends it.
// The game is ended once the log file holds the text (by default once the device started).
int runUntilTerminated(GameRun& game, const std::string& commandLine = "",
                       const char* logFile = "UlvoRenderInterface.log", const std::string& logText = kDeviceStarted)
{
    fs::remove(game.runFolder() / "intro.wmv");
    game.start(commandLine);
    EXPECT_TRUE(game.waitForLog(logFile, logText, 180s));
    std::this_thread::sleep_for(300ms);
    game.terminate();
    return game.waitForExit(180s);
}

} // namespace

TEST(HostileInput, SettingsNoWindowOrDeviceTakesAreReplacedAndNeverWrittenBack)
{
    GameRun game;
    writeConfig(game, LR"(<MyEngineParams><ENGINE_PARAMS><D3DINITPARAMS>
<WINDOW SIZE_X="20000" SIZE_Y="2147483647"/>
<PRESENTER_PARAMS FULLSCREEN="0" BACKBUFFER_COUNT="-5"><AUTO_DEPTH_STENCIL ENABLE="1" FORMAT="D3DFMT_BOGUS"/></PRESENTER_PARAMS>
</D3DINITPARAMS></ENGINE_PARAMS></MyEngineParams>)");
    EXPECT_EQ(runUntilTerminated(game, "-LOG_WARNING 0"), 0);
    EXPECT_NE(game.log("logfile.log").find("BACKBUFFER_COUNT=\"-5\" is not usable"), std::string::npos);
    // The window's size is the device mode's in the end: the line claims no value of its own.
    EXPECT_NE(game.log("window.log").find("SIZE_X=\"20000\" is not usable and is ignored"), std::string::npos);
    const std::wstring d3d = L"ENGINE_PARAMS/D3DINITPARAMS";
    EXPECT_EQ(configValue(game, d3d + L"/PRESENTER_PARAMS", L"BACKBUFFER_COUNT"), L"1");
    EXPECT_EQ(configValue(game, d3d + L"/PRESENTER_PARAMS/AUTO_DEPTH_STENCIL", L"FORMAT"), L"D3DFMT_D24S8");
    EXPECT_NE(configValue(game, d3d + L"/WINDOW", L"SIZE_X"), L"20000");
}

TEST(HostileInput, AHangUpEndsTheGameInOrderAndSavesItsSettings)
{
    GameRun game;
    fs::remove(game.runFolder() / "intro.wmv");
    game.start();
    ASSERT_TRUE(game.waitForLog("UlvoRenderInterface.log", kDeviceStarted, 120s));
    std::this_thread::sleep_for(300ms);
    game.signal(SIGHUP);
    EXPECT_EQ(game.waitForExit(180s), 0);
    EXPECT_EQ(configValue(game, L"ENGINE_PARAMS/D3DINITPARAMS/PRESENTER_PARAMS", L"FULLSCREEN"), L"1");
}

TEST(HostileInput, WithoutAnyGameDataTheUserIsToldAndNothingIsWritten)
{
    GameRun game;
    for (const fs::directory_entry& entry : fs::directory_iterator(game.runFolder()))
        fs::remove_all(entry.path());
    // Nothing beside the program either: the message names every folder looked in.
    game.runAlone(game.runFolder());
    fs::create_directories(game.runFolder().parent_path() / "share" / "threematch");
    game.captureStderr();
    game.start();
    EXPECT_EQ(game.waitForExit(180s), 255);
    // The working folder is left as it was; the log is the user's.
    EXPECT_TRUE(fs::is_empty(game.runFolder()));
    EXPECT_NE(TestSupport::readText(game.stateHome() / "threematch" / "logs" / "logfile.log")
                  .find("Keine Spieldaten gefunden"),
              std::string::npos);
    const std::string message = game.stderrText();
    EXPECT_NE(message.find((game.runFolder().parent_path() / "share" / "threematch").string()), std::string::npos)
        << message;
    EXPECT_FALSE(fs::exists(game.configFile()));
}

TEST(HostileInput, BrokenAndHostileDataFilesAreNamedAndPassedOver)
{
    GameRun game;
    const fs::path data = game.runFolder() / "data";
    // A pipe where an effect source is: opening it would wait for ever; the archive has a copy.
    fs::remove(data / "FX" / "tint.fx");
    ASSERT_EQ(mkfifo((data / "FX" / "tint.fx").c_str(), 0644), 0);
    // An include that climbs out of the runtime folder.
    TestSupport::writeText(data / "FX" / "sprite.fx", "#include \"../../../../../../../../etc/hostname\"\n" +
                                                          TestSupport::readText(data / "FX" / "sprite.fx"));
    TestSupport::writeText(data / "Sounds" / "Vodezivudo.xgs", "");
    TestSupport::writeText(data / "Sounds" / "music.xwb", "no wave bank");
    // A mesh whose face names a vertex past its last one.
    TestSupport::writeText(data / "Meshes" / "kiste.x",
                           "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }\n");
    // The sound files are the last the game loads; an end during loading would stop before them.
    EXPECT_EQ(runUntilTerminated(game, "-LOG_ERROR 0", "logfile.log", "data\\Sounds\\music.xwb"), 0);
    const std::string log = game.log("logfile.log");
    EXPECT_NE(log.find("File data\\FX\\tint.fx is no regular file"), std::string::npos);
    EXPECT_NE(log.find("/etc/hostname leads out of the data folders"), std::string::npos);
    EXPECT_NE(log.find("Global sound settings empty or damaged: data\\Sounds\\Vodezivudo.xgs"), std::string::npos);
    EXPECT_NE(log.find("refused by the sound engine (empty, damaged or not matching the global settings): "
                       "data\\Sounds\\music.xwb"),
              std::string::npos);
    EXPECT_NE(game.log("UlvoMesh.log").find("Mesh KISTE: file \"data\\Meshes\\kiste.x\" is no mesh that can be read"),
              std::string::npos)
        << game.log("UlvoMesh.log");
}
