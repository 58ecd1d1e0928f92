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
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Answer {
    int exitCode = -1;
    std::string output;
};

// Runs the built program with the arguments (after a prefix such as "env ..."); stdout and stderr
// together.
Answer runProgram(const std::string& arguments, const std::string& prefix = "")
{
    Answer answer;
    const std::string command =
        prefix + " " + (TestSupport::binDir() / "threematch").string() + " " + arguments + " 2>&1";
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

// The loose files a start reads first, as an installed or built data folder has them.
void makeLooseData(const fs::path& folder)
{
    for (const char* file : StartFolders::kFirstLooseFiles) {
        fs::create_directories((folder / file).parent_path());
        std::ofstream(folder / file) << "x";
    }
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
    // An answer that cannot be written is a failure.
    EXPECT_EQ(runProgram("--version >/dev/full").exitCode, 1);
    EXPECT_EQ(runProgram("--help >/dev/full").exitCode, 1);

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
    makeLooseData(installed);
    // A home folder with a "data" folder of the user's own is not the game's.
    fs::create_directories(working / "data" / "Urlaub");
    std::ofstream(working / "data" / "font.txt") << "x";
    const auto list = StartFolders::candidates(program, working);

    EXPECT_EQ(StartFolders::findRuntimeFolder(list), installed);
    std::ofstream(working / "Lumaro.gob") << "x";
    EXPECT_EQ(StartFolders::findRuntimeFolder(list), working);

    // The build tree: the program in bin/, its runtime folder in run/.
    fs::create_directories(root / "build/bin");
    makeLooseData(root / "build/run");
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

TEST(Start, WithoutDataTheMessageNamesTheFoldersThatExistAndAPermissionProblem)
{
    TestSupport::TempDir root;
    fs::create_directories(root / "usr/share/threematch");
    fs::create_directories(root / "home");
    const auto list = StartFolders::candidates(root / "usr/games/threematch", root / "home");
    std::wstring text = StartFolders::missingDataText(list);
    EXPECT_NE(text.find(StartFolders::widen(root / "home")), std::wstring::npos);
    EXPECT_NE(text.find(StartFolders::widen(root / "usr/share/threematch")), std::wstring::npos);
    EXPECT_EQ(text.find(StartFolders::widen(root / "usr/run")), std::wstring::npos) << "never looked into";
    EXPECT_NE(text.find(L"neu installieren"), std::wstring::npos);

    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    makeLooseData(root / "usr/share/threematch");
    fs::permissions(root / "usr/share/threematch/data", fs::perms::owner_write);
    text = StartFolders::missingDataText(list);
    fs::permissions(root / "usr/share/threematch/data", fs::perms::owner_all);
    EXPECT_NE(text.find(L"(kein Lesezugriff)"), std::wstring::npos);
    EXPECT_NE(text.find(L"Zugriffsrechte"), std::wstring::npos);
    EXPECT_EQ(text.find(L"neu installieren"), std::wstring::npos);
}

TEST(Start, WithoutADisplayTheGameSaysSoAndEndsBeforeTouchingTheSaves)
{
    EXPECT_TRUE(noDisplayReason(environmentOf({{"DISPLAY", ":0"}})).empty());
    EXPECT_TRUE(noDisplayReason(environmentOf({{"WAYLAND_DISPLAY", "wayland-0"}})).empty());
    EXPECT_TRUE(noDisplayReason(environmentOf({{"SDL_VIDEODRIVER", "offscreen"}})).empty());
    EXPECT_EQ(noDisplayReason(environmentOf({{"SDL_VIDEODRIVER", "x11"}})).rfind("no display: ", 0), 0u);

    // As from ssh: no display variable at all. An unknown engine switch is warned about first.
    TestSupport::TempDir home;
    const Answer answer = runProgram("-NO_SUCH_SWITCH 1 -LOG_MISC 0", "env -u DISPLAY -u WAYLAND_DISPLAY -u "
                                                                      "SDL_VIDEODRIVER XDG_DATA_HOME=" +
                                                                          home.path().string());
    EXPECT_EQ(answer.exitCode, 1);
    EXPECT_NE(answer.output.find("threematch: no display: "), std::string::npos) << answer.output;
    EXPECT_NE(answer.output.find("\"-NO_SUCH_SWITCH\" is no engine switch"), std::string::npos) << answer.output;
    EXPECT_EQ(answer.output.find("-LOG_MISC\" is no"), std::string::npos) << answer.output;
    // Neither the save folder's lock nor the settings were touched.
    EXPECT_TRUE(fs::is_empty(home.path()));
}
