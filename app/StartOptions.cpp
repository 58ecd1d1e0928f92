#include "StartOptions.h"

#include "engine/CommandLine.h"
#include "foundation/app/AppInfo.h"

#include <cstdio>

StartOptions readStartOptions(int argc, const char* const* argv)
{
    StartOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i] ? argv[i] : "";
        // Only whole "--" words are ours: the engine's switches start with one dash, and one
        // argument may hold several of them with their values.
        if (argument.rfind("--", 0) == 0 || argument == "-h") {
            if (options.action != StartAction::Run)
                continue; // the first option decides
            if (argument == "--help" || argument == "-h")
                options.action = StartAction::Help;
            else if (argument == "--version")
                options.action = StartAction::Version;
            else {
                options.action = StartAction::Unknown;
                options.unknown = argument;
            }
            continue;
        }
        if (!options.commandLine.empty())
            options.commandLine += ' ';
        options.commandLine += argument;
    }
    return options;
}

std::string usageText(const std::string& program)
{
    return "Usage: " + program +
           " [-NAME value]...\n"
           "Starts the game. It finds its data in the working folder, else beside the program\n"
           "(../share/threematch, or the build tree's run folder).\n\n"
           "Options:\n"
           "  --help, -h                this text\n"
           "  --version                 the version\n\n"
           "Engine switches (a dash, the name, a blank and a whole number):\n" +
           Ulvo::commandLineSwitchHelp() +
           "\nWindow size, full screen and the other settings are kept in config.cfg in the save\n"
           "folder ($XDG_DATA_HOME/Lumaro).\n";
}

std::string versionText(const std::string& program)
{
    const Ulvo::AppInfo* info = Ulvo::AppInfo::getInstance();
    unsigned major = 0, minor = 0, build = 0, revision = 0;
    info->getVersion(major, minor, build, revision);
    std::string product;
    for (wchar_t c : info->getProductName())
        product += c < 0x80 ? static_cast<char>(c) : '?';
    return program + " (" + product + ") " + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(build) + "\n";
}

int answerStartOptions(const StartOptions& options, const std::string& program)
{
    switch (options.action) {
    case StartAction::Help:
        std::fputs(usageText(program).c_str(), stdout);
        return 0;
    case StartAction::Version:
        std::fputs(versionText(program).c_str(), stdout);
        return 0;
    case StartAction::Unknown:
        std::fprintf(stderr, "%s: unknown option \"%s\"\nTry \"%s --help\".\n", program.c_str(),
                     options.unknown.c_str(), program.c_str());
        return 2;
    case StartAction::Run:
        break;
    }
    return -1;
}
