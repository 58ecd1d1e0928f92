// Process entry on Linux: answers the program's own options, moves into the folder that holds
// the game's data, points the files a run writes at folders it may write, and hands the command
// line (without the program name) to WinMain as one narrow string, as Windows would.
#include <windows.h>

#include <cstdio>
#include <string>

#include "StartFolders.h"
#include "StartOptions.h"
#include "VersionInfo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main(int argc, char** argv)
{
    registerVersionInfo();
    const StartOptions options = readStartOptions(argc, argv);
    const int answered = answerStartOptions(options, StartFolders::kProgram);
    if (answered >= 0)
        return answered;
    // Unseen, the game would hold the save folder's lock and write a made-up screen size into
    // the settings: it ends before it touches either.
    const std::string noDisplay = noDisplayReason(StartFolders::processEnvironment);
    if (!noDisplay.empty()) {
        std::fprintf(stderr, "%s: %s", StartFolders::kProgram, noDisplay.c_str());
        return 1;
    }
    // Without data anywhere the folder stays; WinMain then says where it looked.
    StartFolders::enterRuntimeFolder();
    std::string commandLine = options.commandLine;
    // The instance is the program's module, from which the window takes its icon.
    return WinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
