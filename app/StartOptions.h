#pragma once
// The program's own "--" options, read before anything starts: "--help" and "--version" answer
// and end, an unknown one ends with exit code 2. Every other argument is left to the engine's
// "-NAME value" switches, joined into one command line as Windows hands it over; a "-NAME" the
// engine does not know is warned about.
#include <functional>
#include <string>
#include <vector>

enum class StartAction { Run, Help, Version, Unknown };

struct StartOptions {
    StartAction action = StartAction::Run;
    // The engine's command line: every argument, blank-separated.
    std::string commandLine;
    // The option not understood (action Unknown).
    std::string unknown;
    // Single-dash words that name no engine switch, warned about on a run.
    std::vector<std::string> unknownSwitches;
};

StartOptions readStartOptions(int argc, const char* const* argv);

// The usage text: the options above and the engine's switches.
std::string usageText(const std::string& program);
// "<program> <product> <version>" from the version block.
std::string versionText(const std::string& program);

// Answers a Help, Version or Unknown action on stdout or stderr and gives the exit code (1 when
// stdout cannot take the answer); -1 for Run, after a warning on stderr for each unknown switch.
int answerStartOptions(const StartOptions& options, const std::string& program);

// Why a start cannot show the game (no DISPLAY nor WAYLAND_DISPLAY, and no SDL_VIDEODRIVER
// asking for the offscreen or dummy driver); empty when it can.
std::string noDisplayReason(const std::function<std::string(const char* name)>& environment);
