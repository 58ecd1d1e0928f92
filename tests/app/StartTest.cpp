// The start before the engine: the program's own options, where it finds its data and where a
// run writes.
#include "GameRun.h"
#include "StartFolders.h"
#include "StartOptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Answer {
    int exitCode = -1;
    std::string output;
};

// Runs the built program with the arguments; stdout and stderr together.
Answer runProgram(const std::string& arguments)
{
    Answer answer;
    const std::string command = (TestSupport::binDir() / "threematch").string() + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return answer;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof(buffer), pipe))
        answer.output.append(buffer, got);
    const int status = pclose(pipe);
    answer.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return answer;
}

StartFolders::Environment environmentOf(std::map<std::string, std::string> values)
{
    return [values](const char* name) {
        const auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    };
}

} // namespace

TEST(Start, HelpVersionAndUnknownOptionsAnswerWithoutStartingTheGame)
{
    const Answer help = runProgram("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* text : {"--version", "-LOG_MISC", "-LOG_ERROR", "-SHOW_CONSOLE", "-ENABLE_INGAME_CONSOLE"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text << "\n" << help.output;

    const Answer version = runProgram("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("threematch (Lumaro) 1.", 0), 0u) << version.output;

    const Answer unknown = runProgram("-LOG_MISC 100 --fullscreen");
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.output.find("\"--fullscreen\""), std::string::npos) << unknown.output;

    // The engine's switches pass through as one command line, however the shell split them.
    const char* const argv[] = {"threematch", "-LOG_MISC", "100", "-SHOW_VIDEO 0"};
    const StartOptions options = readStartOptions(4, argv);
    EXPECT_EQ(options.action, StartAction::Run);
    EXPECT_EQ(options.commandLine, "-LOG_MISC 100 -SHOW_VIDEO 0");
}

TEST(Start, DataIsFoundInTheWorkingFolderFirstThenBesideTheProgram)
{
    TestSupport::TempDir root;
    const fs::path program = root / "usr/bin/threematch";
    const fs::path installed = root / "usr/share/threematch";
    const fs::path working = root / "home";
    fs::create_directories(installed / "data");
    fs::create_directories(working);
    const auto list = StartFolders::candidates(program, working);

    EXPECT_EQ(StartFolders::findRuntimeFolder(list), installed);
    std::ofstream(working / "Lumaro.gob") << "x";
    EXPECT_EQ(StartFolders::findRuntimeFolder(list), working);

    // The build tree: the program in bin/, its runtime folder in run/.
    fs::create_directories(root / "build/bin");
    fs::create_directories(root / "build/run/data");
    EXPECT_EQ(StartFolders::findRuntimeFolder(StartFolders::candidates(root / "build/bin/threematch", root / "usr")),
              root / "build/run");
    // Nothing in the working folder nor beside the program.
    EXPECT_TRUE(
        StartFolders::findRuntimeFolder(StartFolders::candidates(root / "opt/bin/threematch", root / "usr")).empty());

    // Only the installed folder is never written into.
    EXPECT_TRUE(StartFolders::isInstalled(installed));
    EXPECT_FALSE(StartFolders::isInstalled(root / "build/run"));
}

TEST(Start, AProgramStartedElsewhereRunsInTheDataFolderBesideIt)
{
    GameRun game;
    TestSupport::TempDir elsewhere;
    fs::remove(game.runFolder() / "intro.wmv");
    game.runAlone(elsewhere.path());
    game.start();
    ASSERT_TRUE(game.waitForWindow(120s));
    game.terminate();
    EXPECT_EQ(game.waitForExit(120s), 0);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST(Start, AnUnwritableRuntimeFolderSendsEveryWriteToTheUsersFolders)
{
    EXPECT_TRUE(StartFolders::chooseWritableFolders(true, environmentOf({{"HOME", "/home/a"}})).logs.empty());

    auto folders = StartFolders::chooseWritableFolders(
        false, environmentOf({{"HOME", "/home/a"}, {"XDG_STATE_HOME", "/s"}, {"XDG_CACHE_HOME", "relative"}}));
    EXPECT_EQ(folders.logs, fs::path("/s/threematch/logs"));
    EXPECT_EQ(folders.screenshots, fs::path("/home/a/.local/share/threematch/screenshots"));
    // A relative base is not a base.
    EXPECT_EQ(folders.effects, fs::path("/home/a/.cache/threematch/compiled-effects"));

    // The pictures folder of user-dirs.dirs when it exists, never the home folder itself.
    TestSupport::TempDir home;
    fs::create_directories(home / ".config");
    fs::create_directories(home / "Bilder");
    const auto environment = environmentOf({{"HOME", home.path().string()}});
    std::ofstream(home / ".config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                      "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(StartFolders::chooseWritableFolders(false, environment).screenshots, home / "Bilder");
    std::ofstream(home / ".config/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/\"\n";
    EXPECT_EQ(StartFolders::chooseWritableFolders(false, environment).screenshots,
              home / ".local/share/threematch/screenshots");
}
