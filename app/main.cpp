// Process entry on Linux: hands the command line (without the program name)
// to WinMain as one narrow string, as Windows would.
#include <windows.h>

#include <string>

#include "VersionInfo.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main(int argc, char** argv)
{
    registerVersionInfo();
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(nullptr, nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
