#include "StartOptions.h"

#include "engine/CommandLine.h"
#include "foundation/app/AppInfo.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace {

// The words of an argument that name an engine switch ("-NAME"); a dash before a digit is a
// negative value.
void collectUnknownSwitches(const std::string& argument, std::vector<std::string>& unknown)
{
    std::istringstream words(argument);
    std::string word;
    while (words >> word) {
        if (word.size() < 2 || word[0] != '-' || std::isdigit(static_cast<unsigned char>(word[1])))
            continue;
        if (!Ulvo::isCommandLineSwitch(word.substr(1)))
            unknown.push_back(word);
    }
}

// The text on stdout, which must arrive: a full disk or a closed pipe is a failure.
int answerOnStdout(const std::string& text, const std::string& program)
{
    const bool written = std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (written)
        return 0;
    std::fprintf(stderr, "%s: the answer could not be written to stdout\n", program.c_str());
    return 1;
}

} // namespace

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
        collectUnknownSwitches(argument, options.unknownSwitches);
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
        return answerOnStdout(usageText(program), program);
    case StartAction::Version:
        return answerOnStdout(versionText(program), program);
    case StartAction::Unknown:
        std::fprintf(stderr, "%s: unknown option \"%s\"\nTry \"%s --help\".\n", program.c_str(),
                     options.unknown.c_str(), program.c_str());
        return 2;
    case StartAction::Run:
        break;
    }
    // The game starts all the same; the engine passes over what it does not know.
    for (const std::string& word : options.unknownSwitches)
        std::fprintf(stderr, "%s: warning: \"%s\" is no engine switch and is ignored (see \"%s --help\")\n",
                     program.c_str(), word.c_str(), program.c_str());
    return -1;
}

std::string noDisplayReason(const std::function<std::string(const char* name)>& environment)
{
    const std::string driver = environment("SDL_VIDEODRIVER");
    if (driver == "offscreen" || driver == "dummy")
        return {};
    if (!environment("DISPLAY").empty() || !environment("WAYLAND_DISPLAY").empty())
        return {};
    return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set, so the game would run unseen.\n"
           "Start it in a desktop session (for a run without a screen: SDL_VIDEODRIVER=offscreen).\n";
}
